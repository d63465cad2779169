// The Field's properties and methods: argument conversion around the
// field core.
#include "com_util.h"
#include "document/field.h"
#include "dv/vb.h"
#include "dv/win32/automation.h"
#include "field_object.h"

namespace dv::com {

namespace {

template <typename Body>
HRESULT fld(Body&& body) {
  return comCall(IID__Field, std::forward<Body>(body));
}

std::string str(const BSTR* b) { return b ? fromBstr(*b) : std::string(); }
bool on(const VARIANT_BOOL* b, bool absent) { return b ? *b != VARIANT_FALSE : absent; }
Variant value(const VARIANT* v) { return v ? win32::fromVariant(*v) : Variant::missing(); }

}  // namespace

// ---- Properties ----
#define DV_GET(Name, Type, Convert)                              \
  HRESULT FieldObject::get_##Name(Type* out) {                   \
    if (!out) return E_POINTER;                                  \
    *out = Type{};                                               \
    return fld([&] { *out = Convert(core_->property(#Name)); }); \
  }
#define DV_LET(Name, Type, Wrap)                              \
  HRESULT FieldObject::put_##Name(Type in) {                  \
    return fld([&] { core_->letProperty(#Name, Wrap(in)); }); \
  }

namespace {
BSTR asText(const Variant& v) { return allocBstr(vb::CStr(v)); }
VARIANT_BOOL asFlag(const Variant& v) { return vb::CBool(v) ? VARIANT_TRUE : VARIANT_FALSE; }
short asShort(const Variant& v) { return vb::CInt(v); }
Variant fromText(BSTR b) { return Variant(fromBstr(b)); }
Variant fromFlag(VARIANT_BOOL b) { return Variant(b != VARIANT_FALSE); }
Variant fromShort(short n) { return Variant(static_cast<int16_t>(n)); }
Variant fromLong(long n) { return Variant(static_cast<int32_t>(n)); }
}  // namespace

DV_GET(ReadOnly, VARIANT_BOOL, asFlag)
DV_LET(ReadOnly, VARIANT_BOOL, fromFlag)
DV_GET(Alignment, BSTR, asText)
DV_LET(Alignment, BSTR, fromText)
DV_GET(BorderStyle, BSTR, asText)
DV_LET(BorderStyle, BSTR, fromText)
DV_GET(ButtonAlignX, short, asShort)
DV_LET(ButtonAlignX, short, fromShort)
DV_GET(ButtonAlignY, short, asShort)
DV_LET(ButtonAlignY, short, fromShort)
DV_GET(ButtonFitBounds, VARIANT_BOOL, asFlag)
DV_LET(ButtonFitBounds, VARIANT_BOOL, fromFlag)
HRESULT FieldObject::get_ButtonPosition(ButtonPositionType* out) {
  if (!out) return E_POINTER;
  return fld([&] { *out = static_cast<ButtonPositionType>(vb::CLng(core_->property("ButtonPosition"))); });
}
DV_LET(ButtonPosition, long, fromLong)
HRESULT FieldObject::get_ButtonScaleHow(ButtonScaleHowType* out) {
  if (!out) return E_POINTER;
  return fld([&] { *out = static_cast<ButtonScaleHowType>(vb::CLng(core_->property("ButtonScaleHow"))); });
}
DV_LET(ButtonScaleHow, ButtonScaleHowType, fromLong)
HRESULT FieldObject::get_ButtonScaleWhen(ButtonScaleWhenType* out) {
  if (!out) return E_POINTER;
  return fld([&] { *out = static_cast<ButtonScaleWhenType>(vb::CLng(core_->property("ButtonScaleWhen"))); });
}
DV_LET(ButtonScaleWhen, ButtonScaleWhenType, fromLong)
DV_GET(CalcOrderIndex, short, asShort)
DV_LET(CalcOrderIndex, short, fromShort)
DV_GET(CharLimit, short, asShort)
DV_LET(CharLimit, short, fromShort)
DV_GET(Comb, VARIANT_BOOL, asFlag)
DV_LET(Comb, VARIANT_BOOL, fromFlag)
DV_GET(CommitOnSelChange, VARIANT_BOOL, asFlag)
DV_LET(CommitOnSelChange, VARIANT_BOOL, fromFlag)
HRESULT FieldObject::get_CurrentValueIndices(VARIANT* out) {
  if (!out) return E_POINTER;
  VariantInit(out);
  return fld([&] { win32::toVariant(core_->property("CurrentValueIndices"), *out); });
}

HRESULT FieldObject::put_CurrentValueIndices(VARIANT in) {
  return fld([&] { core_->letProperty("CurrentValueIndices", win32::fromVariant(in)); });
}

DV_GET(DefaultValue, BSTR, asText)
DV_LET(DefaultValue, BSTR, fromText)
DV_GET(DoNotScroll, VARIANT_BOOL, asFlag)
DV_LET(DoNotScroll, VARIANT_BOOL, fromFlag)
DV_GET(DoNotSpellCheck, VARIANT_BOOL, asFlag)
DV_LET(DoNotSpellCheck, VARIANT_BOOL, fromFlag)
HRESULT FieldObject::get_Display(DisplayType* out) {
  if (!out) return E_POINTER;
  return fld([&] { *out = static_cast<DisplayType>(vb::CLng(core_->property("Display"))); });
}
DV_LET(Display, DisplayType, fromLong)
DV_GET(Editable, VARIANT_BOOL, asFlag)
DV_LET(Editable, VARIANT_BOOL, fromFlag)
HRESULT FieldObject::get_ExportValues(VARIANT* out) {
  if (!out) return E_POINTER;
  VariantInit(out);
  return fld([&] { win32::toVariant(core_->property("ExportValues"), *out); });
}

HRESULT FieldObject::put_ExportValues(VARIANT in) {
  return fld([&] { core_->letProperty("ExportValues", win32::fromVariant(in)); });
}

DV_GET(FileSelect, VARIANT_BOOL, asFlag)
DV_LET(FileSelect, VARIANT_BOOL, fromFlag)
HRESULT FieldObject::get_FillColor(VARIANT* out) {
  if (!out) return E_POINTER;
  VariantInit(out);
  return fld([&] { win32::toVariant(core_->property("FillColor"), *out); });
}

HRESULT FieldObject::put_FillColor(VARIANT in) {
  return fld([&] { core_->letProperty("FillColor", win32::fromVariant(in)); });
}

DV_GET(Hidden, VARIANT_BOOL, asFlag)
DV_LET(Hidden, VARIANT_BOOL, fromFlag)
DV_GET(Highlight, BSTR, asText)
DV_LET(Highlight, BSTR, fromText)
HRESULT FieldObject::get_LineWidth(LineWidthType* out) {
  if (!out) return E_POINTER;
  return fld([&] { *out = static_cast<LineWidthType>(vb::CLng(core_->property("LineWidth"))); });
}
DV_LET(LineWidth, LineWidthType, fromLong)
DV_GET(MultiLine, VARIANT_BOOL, asFlag)
DV_LET(MultiLine, VARIANT_BOOL, fromFlag)
DV_GET(MultipleSelection, VARIANT_BOOL, asFlag)
DV_LET(MultipleSelection, VARIANT_BOOL, fromFlag)
DV_GET(NumItems, short, asShort)
HRESULT FieldObject::get_Page(VARIANT* out) {
  if (!out) return E_POINTER;
  VariantInit(out);
  return fld([&] { win32::toVariant(core_->property("Page"), *out); });
}

DV_GET(Password, VARIANT_BOOL, asFlag)
DV_LET(Password, VARIANT_BOOL, fromFlag)
DV_GET(PrintField, VARIANT_BOOL, asFlag)
DV_LET(PrintField, VARIANT_BOOL, fromFlag)
DV_GET(RadiosInUnison, VARIANT_BOOL, asFlag)
DV_LET(RadiosInUnison, VARIANT_BOOL, fromFlag)
HRESULT FieldObject::get_Rect(VARIANT* out) {
  if (!out) return E_POINTER;
  VariantInit(out);
  return fld([&] { win32::toVariant(core_->property("Rect"), *out); });
}

HRESULT FieldObject::put_Rect(VARIANT in) {
  return fld([&] { core_->letProperty("Rect", win32::fromVariant(in)); });
}

DV_GET(Required, VARIANT_BOOL, asFlag)
DV_LET(Required, VARIANT_BOOL, fromFlag)
HRESULT FieldObject::get_Rotation(RotationType* out) {
  if (!out) return E_POINTER;
  return fld([&] { *out = static_cast<RotationType>(vb::CLng(core_->property("Rotation"))); });
}
DV_LET(Rotation, RotationType, fromLong)
HRESULT FieldObject::get_StrokeColor(VARIANT* out) {
  if (!out) return E_POINTER;
  VariantInit(out);
  return fld([&] { win32::toVariant(core_->property("StrokeColor"), *out); });
}

HRESULT FieldObject::put_StrokeColor(VARIANT in) {
  return fld([&] { core_->letProperty("StrokeColor", win32::fromVariant(in)); });
}

DV_GET(Style, BSTR, asText)
DV_LET(Style, BSTR, fromText)
DV_GET(SubmitName, BSTR, asText)
DV_LET(SubmitName, BSTR, fromText)
HRESULT FieldObject::get_TextColor(VARIANT* out) {
  if (!out) return E_POINTER;
  VariantInit(out);
  return fld([&] { win32::toVariant(core_->property("TextColor"), *out); });
}

HRESULT FieldObject::put_TextColor(VARIANT in) {
  return fld([&] { core_->letProperty("TextColor", win32::fromVariant(in)); });
}

DV_GET(TextFont, BSTR, asText)
DV_LET(TextFont, BSTR, fromText)
DV_GET(TextSize, short, asShort)
DV_LET(TextSize, short, fromShort)
DV_GET(FieldType, BSTR, asText)
DV_GET(UserName, BSTR, asText)
DV_LET(UserName, BSTR, fromText)
HRESULT FieldObject::get_Value(VARIANT* out) {
  if (!out) return E_POINTER;
  VariantInit(out);
  return fld([&] { win32::toVariant(core_->property("Value"), *out); });
}

HRESULT FieldObject::put_Value(VARIANT in) {
  return fld([&] { core_->letProperty("Value", win32::fromVariant(in)); });
}

DV_GET(ValueAsString, BSTR, asText)

#undef DV_GET
#undef DV_LET

HRESULT FieldObject::get_Name(BSTR* out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  return fld([&] { *out = allocBstr(core_->Name()); });
}

// ---- Methods ----
HRESULT FieldObject::ClearItems() {
  return fld([&] { core_->ClearItems(); });
}

HRESULT FieldObject::DeleteItem(short* intIndex) {
  return fld([&] { core_->DeleteItem(intIndex ? *intIndex : -1); });
}

HRESULT FieldObject::FieldPages(VARIANT* varPages) {
  if (!varPages) return E_POINTER;
  VariantInit(varPages);
  return fld([&] { win32::toVariant(core_->FieldPages(), *varPages); });
}

HRESULT FieldObject::GetChildFields(VARIANT* varFields, short* intUpperBound) {
  if (!varFields || !intUpperBound) return E_POINTER;
  return fld([&] {
    Variant children;
    Variant slot = Variant::ref(children);
    *intUpperBound = core_->GetChildFields(slot);
    Var fresh;
    win32::toVariant(children, fresh);
    VARIANT* target = varFields->vt == (VT_BYREF | VT_VARIANT) ? varFields->pvarVal : varFields;
    VariantClear(target);
    *target = fresh;
    fresh.vt = VT_EMPTY;
  });
}

HRESULT FieldObject::SetCheckBox(short* intIndex, VARIANT_BOOL* blnChecked) {
  if (!intIndex) return E_POINTER;
  return fld([&] { core_->SetCheckBox(*intIndex, on(blnChecked, false)); });
}

HRESULT FieldObject::SetDefaultValue(short* intIndex, VARIANT_BOOL* blnChecked) {
  if (!intIndex) return E_POINTER;
  return fld([&] { core_->SetDefaultValue(*intIndex, on(blnChecked, false)); });
}

HRESULT FieldObject::IsBoxChecked(short* intIndex, VARIANT_BOOL* blnChecked) {
  if (!intIndex || !blnChecked) return E_POINTER;
  return fld([&] { *blnChecked = core_->IsBoxChecked(*intIndex) ? VARIANT_TRUE : VARIANT_FALSE; });
}

HRESULT FieldObject::IsDefaultChecked(short* intIndex, VARIANT_BOOL* blnChecked) {
  if (!intIndex || !blnChecked) return E_POINTER;
  return fld([&] { *blnChecked = core_->IsDefaultChecked(*intIndex) ? VARIANT_TRUE : VARIANT_FALSE; });
}

HRESULT FieldObject::SetButtonCaption(BSTR* strCaption, ButtonFaceType lngButtonFace) {
  return fld([&] { core_->SetButtonCaption(str(strCaption), static_cast<int32_t>(lngButtonFace)); });
}

HRESULT FieldObject::GetButtonCaption(ButtonFaceType lngButtonFace, BSTR* strCaption) {
  if (!strCaption) return E_POINTER;
  *strCaption = nullptr;
  return fld([&] { *strCaption = allocBstr(core_->GetButtonCaption(static_cast<int32_t>(lngButtonFace))); });
}

HRESULT FieldObject::GetItem(short* intIndex, VARIANT_BOOL* blnExportValue, BSTR* strItem) {
  if (!intIndex || !strItem) return E_POINTER;
  *strItem = nullptr;
  return fld([&] { *strItem = allocBstr(core_->GetItem(*intIndex, on(blnExportValue, false))); });
}

HRESULT FieldObject::InsertItem(BSTR* strItem, BSTR* strExportValue, short* intIndex) {
  if (!intIndex) return E_POINTER;
  return fld([&] { core_->InsertItem(str(strItem), str(strExportValue), *intIndex); });
}

HRESULT FieldObject::SetItems(VARIANT* varItems) {
  return fld([&] { core_->SetItems(value(varItems)); });
}

HRESULT FieldObject::SetFieldAction(FieldTriggerType* lngTrigger, BSTR* strAction) {
  return fld([&] { core_->SetFieldAction(lngTrigger ? static_cast<int32_t>(*lngTrigger) : 0, str(strAction)); });
}

HRESULT FieldObject::IsSigned(VARIANT_BOOL* blnSigned) {
  if (!blnSigned) return E_POINTER;
  return fld([&] { *blnSigned = core_->IsSigned() ? VARIANT_TRUE : VARIANT_FALSE; });
}

HRESULT FieldObject::GetSignatureInfo(IDispatch** objInfo) {
  if (!objInfo) return E_POINTER;
  *objInfo = nullptr;
  return fld([&] {
    Var v;
    win32::toVariant(core_->GetSignatureInfo(), v);
    if (v.vt == VT_DISPATCH && v.pdispVal) {
      *objInfo = v.pdispVal;
      v.pdispVal->AddRef();
    }
  });
}

HRESULT FieldObject::SignDocument(BSTR* strCertificateFile, BSTR* strPassword) {
  return fld([&] { core_->SignDocument(str(strCertificateFile), str(strPassword)); });
}

HRESULT FieldObject::SetSignatureFieldLocks(VARIANT* varFields, LockType* lngLock) {
  return fld([&] { core_->SetSignatureFieldLocks(value(varFields), lngLock ? static_cast<int32_t>(*lngLock) : 0); });
}

}  // namespace dv::com
