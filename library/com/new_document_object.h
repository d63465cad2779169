// NewDocument: composes a new document and converts it to PDF.
#pragma once

#include <windows.h>
#include <ocidl.h>

#include <memory>

#include "dispatch_object.h"
#include "docvane_header.h"
#include "composer/new_document.h"

namespace dv::com {

class NewDocumentObject : public DispatchObject<_NewDocument> {
 public:
  static HRESULT create(REFIID riid, void** ppv);
  lib::NewDocument& core() { return *core_; }

  // _NewDocument, generated from the IDL.
#include "_NewDocument_members.inc"

 private:
  NewDocumentObject();
  std::unique_ptr<lib::NewDocument> core_;
};

}  // namespace dv::com
