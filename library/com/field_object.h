// Field: one form field of a Document, created by Document.GetField.
#pragma once

#include <windows.h>
#include <ocidl.h>

#include <memory>

#include "dispatch_object.h"
#include "docvane_header.h"
#include "frame/objects.h"

namespace dv::com {

class FieldObject : public DispatchObject<_Field> {
 public:
  // Creates the Field from the hand-off values of Document.GetField.
  static HRESULT create(_Field** result);
  lib::FieldCore& core() { return *core_; }

#include "_Field_members.inc"

 private:
  FieldObject();
  std::unique_ptr<lib::FieldCore> core_;
};

}  // namespace dv::com
