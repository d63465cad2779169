// The portable core of the Field object: one form field of an open
// Document, reached through the field object of Acrobat's JavaScript
// (JSObject.GetField(name)). Every member forwards to that object by name;
// a name no field has leaves the object empty, and the first member that
// needs it fails (Name with the library's "Invalid field name.").
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "dv/automation.h"
#include "dv/variant.h"
#include "frame/objects.h"

namespace dv::lib {

// One public property of the Field: its name, the JavaScript property it
// reads and writes, the public type, and whether it can be written.
struct FieldProperty {
  std::string_view name;
  std::string_view javaScript;
  VarType type;  // Variant: passed on as it comes
  bool writable;
};
// Every public property, in the order the interface declares them.
const std::vector<FieldProperty>& fieldProperties();
const FieldProperty* findFieldProperty(std::string_view name);

class Field : public FieldCore {
 public:
  // Takes the hand-off of Document.GetField and asks the document's
  // JavaScript object for the field (errors ignored).
  explicit Field(Host host);

  // The JavaScript field object; raises 91 when there is none.
  Object& jsField();
  Object& jsDocument();

  // A property of fieldProperties(), read and converted to its public type.
  Variant property(std::string_view name);
  // Writes a property, converted to its public type first. PrintField's
  // write is a put of the field's default member with the name "Print".
  void letProperty(std::string_view name, const Variant& value);
  // Name: the field's name, or the library's "Invalid field name.".
  std::string Name();

  void ClearItems();
  // -1 deletes the selected item (no argument); then item 0 is selected.
  void DeleteItem(int16_t intIndex);
  Variant FieldPages();
  // Fills varFields with the child fields; the result is their upper bound.
  int16_t GetChildFields(Variant& varFields);
  void SetCheckBox(int16_t intIndex, bool blnChecked);
  void SetDefaultValue(int16_t intIndex, bool blnChecked);
  bool IsBoxChecked(int16_t intIndex);
  bool IsDefaultChecked(int16_t intIndex);
  // A face outside 0 to 2 is the normal caption (0).
  void SetButtonCaption(const std::string& strCaption, int32_t lngButtonFace);
  std::string GetButtonCaption(int32_t lngButtonFace);
  std::string GetItem(int16_t intIndex, bool blnExportValue);
  void InsertItem(const std::string& strItem, const std::string& strExportValue, int16_t intIndex);
  void SetItems(const Variant& varItems);
  // The Field's own trigger table: dvnNone and unknown values are "MouseUp".
  void SetFieldAction(int32_t lngTrigger, const std::string& strAction);
  bool IsSigned();
  Variant GetSignatureInfo();
  // Errors ignored: logs in with the certificate security handler, signs
  // an unsigned field, logs out.
  void SignDocument(const std::string& strCertificateFile, const std::string& strPassword);
  // Errors ignored: attaches to the field a Format script that makes the
  // selected fields read-only when the field is signed.
  void SetSignatureFieldLocks(const Variant& varFields, int32_t lngLock);

 private:
  ObjectPtr field_;
};

}  // namespace dv::lib
