#include "connection_point.h"

#include "dv/vb.h"
#include "dv/win32/automation.h"
#include "module.h"

namespace dv::com {

namespace {

// The value of one event argument in the type the source interface declares.
void toDeclared(const Variant& value, VARTYPE vt, VARIANT& out) {
  Var plain;
  win32::toVariant(value, plain);
  VariantInit(&out);
  if (FAILED(VariantChangeType(&out, &plain, 0, vt))) vb::raise(vb::kTypeMismatch);
}

}  // namespace

void fireEvent(const win32::ConnectionPoint& point, std::string_view name, const std::vector<Variant>& args) {
  if (point.empty()) return;
  ComPtr<ITypeInfo> info;
  if (FAILED(typeLibrary()->GetTypeInfoOfGuid(point.sourceIid(), info.put()))) return;
  std::wstring wideName = widen(name);
  LPOLESTR names[] = {wideName.data()};
  DISPID id = DISPID_UNKNOWN;
  if (FAILED(info->GetIDsOfNames(names, 1, &id))) vb::raise(vb::kObjectDoesntSupport);

  // Declared argument types of the event.
  std::vector<VARTYPE> types;
  bool found = false;
  win32::TypeAttr attr(info.get());
  for (UINT i = 0; attr && i < attr->cFuncs && !found; ++i) {
    win32::FuncDesc desc(info.get(), i);
    if (!desc || desc->memid != id) continue;
    found = true;
    for (SHORT p = 0; p < desc->cParams; ++p) {
      const TYPEDESC& t = desc->lprgelemdescParam[p].tdesc;
      types.push_back(t.vt == VT_PTR ? t.lptdesc->vt : t.vt);
    }
  }
  if (!found || types.size() != args.size()) vb::raise(vb::kInvalidProcedureCall);

  for (const ComPtr<IDispatch>& sink : point.sinks()) {
    std::vector<Var> values(args.size());
    std::vector<VARIANT> refs(args.size());
    for (size_t i = 0; i < args.size(); ++i) {
      toDeclared(args[i], types[i], values[i]);
      size_t slot = args.size() - 1 - i;  // DISPPARAMS lists the last argument first
      V_VT(&refs[slot]) = static_cast<VARTYPE>(VT_BYREF | types[i]);
      V_BYREF(&refs[slot]) = &V_UI1(&values[i]);
    }
    DISPPARAMS params = {refs.empty() ? nullptr : refs.data(), nullptr, static_cast<UINT>(refs.size()), 0};
    Var result;
    win32::ScopedExcepInfo excep;
    UINT argErr = 0;
    // A failing handler is the client's business; the others still hear the event.
    sink->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, &result, excep.get(), &argErr);
  }
}

}  // namespace dv::com
