// The diagnostics tear-off of CreatePDF: exercises the dispatcher and the
// event path for the Wine tests. It has no behaviour of the library.
#include <new>

#include "diagnostics_object.h"
#include "com_util.h"
#include "dv/vb.h"
#include "dv/win32/automation.h"

namespace dv::com {

DiagnosticsObject::DiagnosticsObject(CreatePdfObject& owner)
    : owner_(owner), ownerReference_(static_cast<_CreatePDF*>(&owner)) {}

HRESULT DiagnosticsObject::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  if (riid == IID__DocvaneDiagnostics) {
    *ppv = static_cast<_DocvaneDiagnostics*>(this);
    AddRef();
    return S_OK;
  }
  // Everything else, IUnknown included, is the owner's: one identity.
  return owner_.QueryInterface(riid, ppv);
}

HRESULT DiagnosticsObject::RaiseEvent(BSTR strEvent, VARIANT varArguments) {
  return comCall(IID__DocvaneDiagnostics, [&] {
    Variant arguments = win32::fromVariant(varArguments);
    std::vector<Variant> values;
    if (arguments.isArray()) {
      for (const Variant& item : arguments.arrayValue().elements()) values.push_back(item);
    } else if (!arguments.isEmpty() && !arguments.isMissing()) {
      values.push_back(arguments);
    }
    owner_.core().raiseEvent(fromBstr(strEvent), values);
  });
}

HRESULT DiagnosticsObject::Transform(BSTR* strText, LONG* lngNumber, SHORT* intNumber, VARIANT_BOOL* blnFlag,
                                     VARIANT* varValue, BSTR* strOptional, VARIANT varMissing, BSTR* strReport) {
  if (!strText || !lngNumber || !intNumber || !blnFlag || !varValue || !strOptional || !strReport) return E_POINTER;
  return comCall(IID__DocvaneDiagnostics, [&] {
    std::string text = fromBstr(*strText);
    std::string optional = fromBstr(*strOptional);
    Variant value = win32::fromVariant(*varValue);
    std::string report = "text=" + text + "|lng=" + std::to_string(*lngNumber) + "|int=" + std::to_string(*intNumber) +
                         "|flag=" + (*blnFlag ? "True" : "False") + "|value=" + typeName(value.type()) +
                         "|optional=" + optional +
                         "|missing=" + (vb::IsMissing(win32::fromVariant(varMissing)) ? "True" : "False");
    int16_t incremented = vb::add16(*intNumber, 1);  // 32767 overflows, as VB would
    BSTR newText = allocBstr(text + "!");
    BSTR newOptional = allocBstr(optional + "+");
    Var newValue;
    win32::toVariant(Variant("<" + (value.isArray() ? std::string("array") : vb::CStr(value)) + ">"), newValue);
    *strReport = allocBstr(report);
    SysFreeString(*strText);
    *strText = newText;
    SysFreeString(*strOptional);
    *strOptional = newOptional;
    *lngNumber = static_cast<LONG>(static_cast<uint32_t>(*lngNumber) * 2u);
    *intNumber = incremented;
    *blnFlag = *blnFlag ? VARIANT_FALSE : VARIANT_TRUE;
    VariantClear(varValue);
    *varValue = newValue;
    VariantInit(&newValue);
  });
}

HRESULT DiagnosticsObject::Fail(LONG lngNumber, BSTR strDescription) {
  return comCall(IID__DocvaneDiagnostics, [&] {
    std::string description = fromBstr(strDescription);
    if (lngNumber > 0 && lngNumber <= 0xFFFF && description.empty()) vb::raise(lngNumber);
    throw AutomationError(lngNumber, vb::kLibrarySource, description);
  });
}

}  // namespace dv::com
