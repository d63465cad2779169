#include "document/field.h"

#include "document/field_selection.h"
#include "document/mappings.h"
#include "dv/vb.h"

namespace dv::lib {

namespace {

constexpr const char* kInvalidFieldName = "Invalid field name.";
// SignatureInfo().Status: 0 unsigned; from 3 on the signature is valid.
constexpr int32_t kSignatureUnsigned = 0;
constexpr int32_t kSignatureValid = 3;

int32_t buttonFace(int32_t face) { return face >= 0 && face <= 2 ? face : 0; }

}  // namespace

const std::vector<FieldProperty>& fieldProperties() {
  using T = VarType;
  static const std::vector<FieldProperty> table{
      {"Name", "Name", T::String, false},
      {"ReadOnly", "ReadOnly", T::Bool, true},
      {"Alignment", "Alignment", T::String, true},
      {"BorderStyle", "BorderStyle", T::String, true},
      {"ButtonAlignX", "ButtonAlignX", T::Int16, true},
      {"ButtonAlignY", "ButtonAlignY", T::Int16, true},
      {"ButtonFitBounds", "ButtonFitBounds", T::Bool, true},
      {"ButtonPosition", "ButtonPosition", T::Int32, true},
      {"ButtonScaleHow", "ButtonScaleHow", T::Int32, true},
      {"ButtonScaleWhen", "ButtonScaleWhen", T::Int32, true},
      {"CalcOrderIndex", "CalcOrderIndex", T::Int16, true},
      {"CharLimit", "CharLimit", T::Int16, true},
      {"Comb", "Comb", T::Bool, true},
      {"CommitOnSelChange", "CommitOnSelChange", T::Bool, true},
      {"CurrentValueIndices", "CurrentValueIndices", T::Variant, true},
      {"DefaultValue", "DefaultValue", T::String, true},
      {"DoNotScroll", "DoNotScroll", T::Bool, true},
      {"DoNotSpellCheck", "DoNotSpellCheck", T::Bool, true},
      {"Display", "Display", T::Int32, true},
      {"Editable", "Editable", T::Bool, true},
      {"ExportValues", "ExportValues", T::Variant, true},
      {"FileSelect", "FileSelect", T::Bool, true},
      {"FillColor", "FillColor", T::Variant, true},
      {"Hidden", "Hidden", T::Bool, true},
      {"Highlight", "Highlight", T::String, true},
      {"LineWidth", "LineWidth", T::Int32, true},
      {"MultiLine", "MultiLine", T::Bool, true},
      {"MultipleSelection", "MultipleSelection", T::Bool, true},
      {"NumItems", "NumItems", T::Int16, false},
      {"Page", "Page", T::Variant, false},
      {"Password", "Password", T::Bool, true},
      {"PrintField", "Print", T::Bool, true},
      {"RadiosInUnison", "RadiosInUnison", T::Bool, true},
      {"Rect", "Rect", T::Variant, true},
      {"Required", "Required", T::Bool, true},
      {"Rotation", "Rotation", T::Int32, true},
      {"StrokeColor", "StrokeColor", T::Variant, true},
      {"Style", "Style", T::String, true},
      {"SubmitName", "SubmitName", T::String, true},
      {"TextColor", "TextColor", T::Variant, true},
      {"TextFont", "TextFont", T::String, true},
      {"TextSize", "TextSize", T::Int16, true},
      {"FieldType", "Type", T::String, false},
      {"UserName", "UserName", T::String, true},
      {"Value", "Value", T::Variant, true},
      {"ValueAsString", "ValueAsString", T::String, false},
  };
  return table;
}

const FieldProperty* findFieldProperty(std::string_view name) {
  for (const FieldProperty& p : fieldProperties())
    if (p.name == name) return &p;
  return nullptr;
}

Field::Field(Host services) : FieldCore(services) {
  try {
    if (javaScript()) field_ = asObject(javaScript()->get("GetField", {pos(name())}));
  } catch (const AutomationError&) {
    field_.reset();
  }
}

Object& Field::jsField() {
  if (!field_) vb::raise(vb::kObjectNotSet);
  return *field_;
}

Object& Field::jsDocument() {
  if (!javaScript()) vb::raise(vb::kObjectNotSet);
  return *javaScript();
}

Variant Field::property(std::string_view name) {
  const FieldProperty* p = findFieldProperty(name);
  if (!p) throw std::logic_error("no Field property " + std::string(name));
  const Variant value = jsField().get(p->javaScript);
  return p->type == VarType::Variant ? value : vb::convert(value, p->type);
}

void Field::letProperty(std::string_view name, const Variant& value) {
  const FieldProperty* p = findFieldProperty(name);
  if (!p || !p->writable) throw std::logic_error("no writable Field property " + std::string(name));
  const Variant typed = p->type == VarType::Variant ? value.target() : vb::convert(value, p->type);
  // Print is a reserved word of the automation bridge: the write names the
  // property through the field's default member.
  if (p->javaScript == "Print") jsField().let("", typed, {pos(std::string(p->javaScript))});
  else jsField().let(p->javaScript, typed);
}

std::string Field::Name() {
  try {
    return vb::CStr(jsField().get("Name"));
  } catch (const AutomationError&) {
    vb::raiseLibrary(kInvalidFieldName);
  }
}

void Field::ClearItems() { jsField().call("ClearItems"); }

void Field::DeleteItem(int16_t intIndex) {
  if (intIndex == -1) jsField().call("deleteItemAt");
  else jsField().call("deleteItemAt", {pos(intIndex)});
  jsField().let("CurrentValueIndices", Variant(int16_t{0}));
}

Variant Field::FieldPages() { return jsField().get("Page"); }

int16_t Field::GetChildFields(Variant& varFields) {
  const Variant children = jsField().get("getArray");
  varFields.assign(children);
  if (!children.isArray()) vb::raise(vb::kTypeMismatch);
  return vb::CInt(Variant(children.arrayValue().ubound()));
}

void Field::SetCheckBox(int16_t intIndex, bool blnChecked) {
  jsField().call("checkThisBox", {pos(intIndex), pos(blnChecked)});
}

void Field::SetDefaultValue(int16_t intIndex, bool blnChecked) {
  jsField().call("defaultIsChecked", {pos(intIndex), pos(blnChecked)});
}

bool Field::IsBoxChecked(int16_t intIndex) { return vb::CBool(jsField().get("IsBoxChecked", {pos(intIndex)})); }

bool Field::IsDefaultChecked(int16_t intIndex) { return vb::CBool(jsField().get("IsDefaultChecked", {pos(intIndex)})); }

void Field::SetButtonCaption(const std::string& strCaption, int32_t lngButtonFace) {
  jsField().call("buttonSetCaption", {pos(strCaption), pos(buttonFace(lngButtonFace))});
}

std::string Field::GetButtonCaption(int32_t lngButtonFace) {
  return vb::CStr(jsField().get("buttonGetCaption", {pos(buttonFace(lngButtonFace))}));
}

std::string Field::GetItem(int16_t intIndex, bool blnExportValue) {
  return vb::CStr(jsField().get("getItemAt", {pos(intIndex), pos(blnExportValue)}));
}

void Field::InsertItem(const std::string& strItem, const std::string& strExportValue, int16_t intIndex) {
  jsField().call("insertItemAt", {pos(strItem), pos(strExportValue), pos(intIndex)});
}

void Field::SetItems(const Variant& varItems) { jsField().call("SetItems", {pos(varItems.target())}); }

void Field::SetFieldAction(int32_t lngTrigger, const std::string& strAction) {
  jsField().call("setAction", {pos(fieldTriggerText(lngTrigger)), pos(strAction)});
}

bool Field::IsSigned() {
  const ObjectPtr info = asObject(jsField().get("SignatureInfo"));
  return vb::CLng(info->get("Status")) >= kSignatureValid;
}

Variant Field::GetSignatureInfo() { return jsField().get("SignatureInfo"); }

void Field::SignDocument(const std::string& strCertificateFile, const std::string& strPassword) {
  try {
    const ObjectPtr security = asObject(jsDocument().get("security"));
    const ObjectPtr handler = asObject(security->get("getHandler", {pos("Adobe.PPKLite")}));
    if (!vb::CBool(handler->get("login", {pos(strPassword), pos(strCertificateFile)}))) return;
    try {
      const ObjectPtr info = asObject(jsField().get("SignatureInfo"));
      if (vb::CLng(info->get("Status")) == kSignatureUnsigned) jsField().call("signatureSign", {pos(handler)});
    } catch (const AutomationError&) {
    }
    handler->call("logout");
  } catch (const AutomationError&) {
  }
}

void Field::SetSignatureFieldLocks(const Variant& varFields, int32_t lngLock) {
  try {
    const FieldSelection selection = selectFields(jsDocument(), varFields, lngLock);
    if (selection.fields.empty()) return;
    jsField().call("setAction", {pos("Format"), pos(fieldLockScript(selection))});
  } catch (const AutomationError&) {
  }
}

}  // namespace dv::lib
