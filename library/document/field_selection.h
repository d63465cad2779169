// The selection of a group of a document's fields by name, shared by the
// members that make groups of fields read-only or required and by the
// field locks of a signature field.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "dv/automation.h"
#include "dv/variant.h"

namespace dv::lib {

// LockType.
inline constexpr int32_t kLockAll = 0;
inline constexpr int32_t kLockInclude = 1;
inline constexpr int32_t kLockExclude = 2;

struct SelectedField {
  std::string name;
  // The field's index in the document; for an array of names with
  // dvnInclude its index in that array.
  int32_t index = 0;
};

struct FieldSelection {
  std::vector<SelectedField> fields;
  // One name given as a string with dvnInclude (the lock script then
  // names no index).
  bool single = false;
};

// The document's field names are js.GetNthFieldName(i) for i below
// NumFields. dvnAll or no varFields: every field; a string: with dvnInclude
// that field, with dvnExclude every other one; an array: with dvnInclude
// its names in array order, with dvnExclude every field it does not name.
// Names compare without regard to case. Any other combination selects
// nothing. Errors of the JavaScript object reach the caller.
FieldSelection selectFields(Object& js, const Variant& varFields, int32_t lngLock);

// The lock script of a signature field: the selected fields become
// read-only. Names are written as escaped single-quoted JavaScript strings.
std::string fieldLockScript(const FieldSelection& selection);

// A JavaScript string literal in single quotes holding `text`.
std::string javaScriptQuoted(const std::string& text);

}  // namespace dv::lib
