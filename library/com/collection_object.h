// A collection handed to script clients (Document.GetFields): Count, Item
// (the default member), Add, Remove and For Each through _NewEnum, over
// the library's Collection.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <memory>

#include "data/collection.h"

namespace dv::com {

// A new IDispatch (reference count 1) over `collection`.
IDispatch* newCollectionObject(std::shared_ptr<lib::Collection> collection);

}  // namespace dv::com
