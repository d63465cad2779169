// Field: one form field of a Document, created by Document.GetField.
#pragma once

#include <windows.h>
#include <ocidl.h>

#include <memory>

#include "dispatch_object.h"
#include "docvane_header.h"
#include "document/field.h"

namespace dv::com {

class FieldObject : public DispatchObject<_Field> {
 public:
  // Creates the Field from the hand-off values of Document.GetField.
  static HRESULT create(_Field** result);
  lib::Field& core() { return *core_; }

#include "_Field_members.inc"

 private:
  FieldObject();
  std::unique_ptr<lib::Field> core_;
};

}  // namespace dv::com
