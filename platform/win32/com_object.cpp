#include "dv/win32/com_object.h"

#include <cstring>
#include <utility>

#include "dv/win32/com.h"
#include "dv/win32/text.h"

namespace dv::win32 {

void setErrorInfo(REFIID iid, std::string_view source, std::string_view description) {
  ComPtr<ICreateErrorInfo> create;
  if (FAILED(CreateErrorInfo(create.put()))) return;
  create->SetGUID(iid);
  std::wstring wideSource = widen(source);
  std::wstring wideText = widen(description);
  create->SetSource(wideSource.data());
  create->SetDescription(wideText.data());
  ComPtr<IErrorInfo> info = create.as<IErrorInfo>(IID_IErrorInfo);
  if (info) SetErrorInfo(0, info.get());
}

void fillExcepInfo(EXCEPINFO* info, HRESULT hr, std::string_view source, std::string_view description) {
  if (!info) return;
  SysFreeString(info->bstrSource);
  SysFreeString(info->bstrDescription);
  SysFreeString(info->bstrHelpFile);
  *info = EXCEPINFO{};
  info->scode = hr;
  info->bstrSource = Bstr(source).detach();
  info->bstrDescription = Bstr(description).detach();
}

void ScopedExcepInfo::clear() {
  SysFreeString(info.bstrSource);
  SysFreeString(info.bstrDescription);
  SysFreeString(info.bstrHelpFile);
  info = EXCEPINFO{};
}

namespace {
// The bytes of a by-reference slot that holds a plain value; 0 for types
// whose slot owns something or has no fixed size.
size_t plainSlotSize(VARTYPE vt) {
  switch (vt) {
    case VT_I1:
    case VT_UI1:
      return 1;
    case VT_I2:
    case VT_UI2:
    case VT_BOOL:
      return 2;
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
    case VT_R4:
    case VT_ERROR:
      return 4;
    case VT_R8:
    case VT_DATE:
    case VT_CY:
    case VT_I8:
    case VT_UI8:
      return 8;
    default:
      return 0;
  }
}
}  // namespace

HRESULT storeByRef(const VARIANT& target, VARIANT& value) {
  const auto base = static_cast<VARTYPE>(target.vt & ~VT_BYREF);
  void* slot = target.byref;
  if (!(target.vt & VT_BYREF) || !slot) return S_FALSE;
  if (base == VT_VARIANT) {
    VariantClear(target.pvarVal);
    *target.pvarVal = value;
    VariantInit(&value);
    return S_OK;
  }
  if (base & VT_ARRAY) {
    // Arrays do not convert: the element type must already match.
    if (value.vt != base) return DISP_E_TYPEMISMATCH;
    if (*target.pparray) SafeArrayDestroy(*target.pparray);
    *target.pparray = std::exchange(value.parray, nullptr);
    value.vt = VT_EMPTY;
    return S_OK;
  }
  const bool owning = base == VT_BSTR || base == VT_DISPATCH || base == VT_UNKNOWN;
  const size_t size = plainSlotSize(base);
  if (!owning && size == 0 && base != VT_DECIMAL) return S_FALSE;
  if (value.vt != base) {
    const HRESULT hr = VariantChangeType(&value, &value, 0, base);
    if (FAILED(hr)) return hr;
  }
  if (base == VT_BSTR) {
    SysFreeString(*target.pbstrVal);
    *target.pbstrVal = std::exchange(value.bstrVal, nullptr);
  } else if (owning) {
    if (*target.ppunkVal) (*target.ppunkVal)->Release();
    *target.ppunkVal = std::exchange(value.punkVal, nullptr);
  } else if (base == VT_DECIMAL) {
    // Inside a VARIANT the DECIMAL's reserved word is the type tag.
    DECIMAL d = value.decVal;
    d.wReserved = 0;
    *target.pdecVal = d;
  } else {
    std::memcpy(slot, &value.bVal, size);  // every plain member starts the value union
  }
  value.vt = VT_EMPTY;
  return S_OK;
}

}  // namespace dv::win32
