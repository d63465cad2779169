// The automation seam over IDispatch.
//
// Values: VARIANT <-> dv::Variant in both directions, including SAFEARRAYs
// of any rank. Only the SafeArray* API is used to read bounds and create
// arrays: SafeArrayCreate takes its bounds with dimension 1 first and
// stores them reversed in SAFEARRAY::rgsabound, so reading that member
// directly would swap the dimensions. Element data is addressed in memory
// order, where the first (leftmost) index varies fastest, which is exactly
// dv::Array's element order.
//
// Calls: GetIDsOfNames resolves the member and the named arguments in one
// call, once per object (DispatchObject::ids_); Invoke gets the arguments
// reversed (the last positional argument is rgvarg[0]) with the named ones
// first, in the order of their DISPIDs.
// By-reference arguments travel as VT_BYREF|VT_VARIANT pointing at a
// VARIANT we own, which is read back into the caller's Variant after a
// successful call.
#include "dv/win32/automation.h"

#include <ocidl.h>
#include <olectl.h>

#include <memory>
#include <new>
#include <vector>

#include "dv/vb.h"
#include "dv/win32/com_object.h"
#include "dv/win32/text.h"

namespace dv::win32 {

// ===========================================================================
// Text and errors

Bstr::Bstr(std::string_view utf8) {
  const std::wstring w = widen(utf8);
  b_ = SysAllocStringLen(w.data(), static_cast<UINT>(w.size()));
  if (!b_) throw std::bad_alloc();
}

std::string Bstr::utf8() const { return fromBstr(b_); }

std::string fromBstr(BSTR b) { return b ? narrow(std::wstring_view(b, SysStringLen(b))) : std::string(); }

std::string describeHresult(HRESULT hr) {
  // The system texts of the codes late binding meets most; Wine's message
  // tables lack several of them, and these must read the same everywhere.
  switch (static_cast<uint32_t>(hr)) {
    case 0x80020001u:
      return "Unknown interface.";
    case 0x80020003u:
      return "Member not found.";
    case 0x80020004u:
      return "Parameter not found.";
    case 0x80020005u:
      return "Type mismatch.";
    case 0x80020006u:
      return "Unknown name.";
    case 0x80020007u:
      return "No named arguments.";
    case 0x80020008u:
      return "Bad variable type.";
    case 0x80020009u:
      return "Exception occurred.";
    case 0x8002000Au:
      return "Out of present range.";
    case 0x8002000Bu:
      return "Invalid index.";
    case 0x8002000Cu:
      return "Unknown language.";
    case 0x8002000Du:
      return "Memory is locked.";
    case 0x8002000Eu:
      return "Invalid number of parameters.";
    case 0x8002000Fu:
      return "Parameter not optional.";
    case 0x80020011u:
      return "Does not support a collection.";
    case 0x80004001u:
      return "Not implemented";
    case 0x80004002u:
      return "No such interface supported";
    case 0x80004005u:
      return "Unspecified error";
    case 0x8007000Eu:
      return "Not enough storage is available to complete this operation.";
    case 0x80070057u:
      return "The parameter is incorrect.";
    case 0x80040154u:
      return "Class not registered";
    case 0x800401F3u:
      return "Invalid class string";
    case 0x800401E3u:
      return "Operation unavailable";
  }
  if (const int vbError = vb::runtimeErrorOf(hr)) return vb::runtimeErrorDescription(vbError);
  wchar_t* text = nullptr;
  const DWORD n =
      FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, static_cast<DWORD>(hr), 0, reinterpret_cast<LPWSTR>(&text), 0, nullptr);
  std::string out;
  if (n && text) {
    out = narrow(std::wstring_view(text, n));
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == ' ')) out.pop_back();
  }
  if (text) LocalFree(text);
  return out.empty() ? "Automation error" : out;
}

AutomationError errorFromHresult(HRESULT hr, EXCEPINFO* info) {
  if (hr == DISP_E_EXCEPTION && info) {
    if (info->pfnDeferredFillIn) {
      info->pfnDeferredFillIn(info);
      info->pfnDeferredFillIn = nullptr;
    }
    int32_t number = hr;
    if (info->scode != 0) number = info->scode;
    else if (info->wCode != 0) number = vb::runtimeErrorNumber(info->wCode);
    std::string source = fromBstr(info->bstrSource);
    std::string description = fromBstr(info->bstrDescription);
    if (description.empty()) description = describeHresult(number);
    // Like VB, name our own project when the object named no source.
    if (source.empty()) source = vb::kLibrarySource;
    return AutomationError(number, std::move(source), std::move(description));
  }
  return AutomationError(hr, vb::kLibrarySource, describeHresult(hr));
}

namespace {

[[noreturn]] void fail(HRESULT hr) { throw errorFromHresult(hr); }

// ===========================================================================
// Values

ObjectWrapper& wrapperSlot() {
  static ObjectWrapper wrapper;
  return wrapper;
}

ObjectUnwrapper& unwrapperSlot() {
  static ObjectUnwrapper unwrapper;
  return unwrapper;
}

// An AddRef'd IDispatch for an object (null for Nothing).
IDispatch* dispatchFor(const ObjectPtr& object) {
  if (!object) return nullptr;
  if (const auto* d = dynamic_cast<const DispatchObject*>(object.get())) {
    d->dispatch()->AddRef();
    return d->dispatch();
  }
  if (const ObjectWrapper& wrap = wrapperSlot()) {
    if (IDispatch* p = wrap(object)) return p;
  }
  vb::raise(vb::kTypeMismatch);
}

Variant objectFrom(IDispatch* p) {
  if (!p) return Variant(ObjectPtr());
  if (const ObjectUnwrapper& unwrap = unwrapperSlot()) {
    if (ObjectPtr original = unwrap(p)) return Variant(std::move(original));
  }
  return Variant(ObjectPtr(std::make_shared<DispatchObject>(ComPtr<IDispatch>(p))));
}

Variant objectFromUnknown(IUnknown* p) {
  if (!p) return Variant(ObjectPtr());
  ComPtr<IDispatch> d;
  if (FAILED(p->QueryInterface(IID_IDispatch, d.putVoid())) || !d) {
    // An object VB could hold but not call late-bound.
    vb::raise(458);
  }
  return objectFrom(d.get());
}

VarType elementTypeOf(VARTYPE vt) {
  switch (vt) {
    case VT_I2:
      return VarType::Int16;
    case VT_I4:
      return VarType::Int32;
    case VT_R4:
      return VarType::Single;
    case VT_R8:
      return VarType::Double;
    case VT_DATE:
      return VarType::Date;
    case VT_BSTR:
      return VarType::String;
    case VT_DISPATCH:
    case VT_UNKNOWN:
      return VarType::Object;
    case VT_ERROR:
      return VarType::Error;
    case VT_BOOL:
      return VarType::Bool;
    case VT_UI1:
      return VarType::Byte;
    default:
      return VarType::Variant;  // VARIANT, and element types VB lacks
  }
}

class SafeArrayOwner {
 public:
  explicit SafeArrayOwner(SAFEARRAY* psa) : psa_(psa) {}
  ~SafeArrayOwner() {
    if (psa_) SafeArrayDestroy(psa_);
  }
  SAFEARRAY* release() { return std::exchange(psa_, nullptr); }

 private:
  SAFEARRAY* psa_;
};

// Objects inside typed object arrays: Empty counts as Nothing.
ObjectPtr asObjectOrNothing(const Variant& v) {
  if (v.isEmpty()) return nullptr;
  if (v.type() != VarType::Object || v.isArray()) vb::raise(vb::kTypeMismatch);
  return v.objectValue();
}

SAFEARRAY* toSafeArray(const Array& a, VARTYPE vt) {
  // An array that was never dimensioned: VT_ARRAY with no SAFEARRAY.
  if (a.rank() == 0) return nullptr;
  std::vector<SAFEARRAYBOUND> bounds;
  for (const Bound& b : a.bounds()) bounds.push_back(SAFEARRAYBOUND{b.count, b.lower});
  SAFEARRAY* created = SafeArrayCreate(vt, static_cast<UINT>(bounds.size()), bounds.data());
  if (!created) fail(E_OUTOFMEMORY);
  SafeArrayOwner owner(created);
  if (a.size() > 0) {
    SafeArrayData data(created);
    if (!data) fail(E_UNEXPECTED);
    const auto& elements = a.elements();
    for (size_t n = 0; n < elements.size(); ++n) {
      const Variant& e = elements[n];
      switch (vt) {
        case VT_VARIANT:
          toVariant(e, data.as<VARIANT>()[n]);
          break;
        case VT_BSTR:
          data.as<BSTR>()[n] = Bstr(vb::CStr(e)).detach();
          break;
        case VT_I2:
          data.as<SHORT>()[n] = vb::CInt(e);
          break;
        case VT_I4:
          data.as<LONG>()[n] = vb::CLng(e);
          break;
        case VT_R4:
          data.as<FLOAT>()[n] = vb::CSng(e);
          break;
        case VT_R8:
          data.as<DOUBLE>()[n] = vb::CDbl(e);
          break;
        case VT_DATE:
          data.as<DATE>()[n] = vb::CDate(e);
          break;
        case VT_BOOL:
          data.as<VARIANT_BOOL>()[n] = vb::CBool(e) ? VARIANT_TRUE : VARIANT_FALSE;
          break;
        case VT_UI1:
          data.as<BYTE>()[n] = vb::CByte(e);
          break;
        case VT_ERROR:
          data.as<SCODE>()[n] = e.errorValue();
          break;
        case VT_DISPATCH:
          data.as<IDispatch*>()[n] = dispatchFor(asObjectOrNothing(e));
          break;
      }
    }
  }
  return owner.release();
}

Array fromSafeArray(SAFEARRAY* psa, VARTYPE declared) {
  if (!psa) return Array();
  VARTYPE vt = declared;
  VARTYPE stored = VT_EMPTY;
  if (SUCCEEDED(SafeArrayGetVartype(psa, &stored)) && stored != VT_EMPTY) vt = stored;
  const UINT dims = SafeArrayGetDim(psa);
  std::vector<Bound> bounds;
  for (UINT d = 1; d <= dims; ++d) {
    LONG lower = 0, upper = -1;
    SafeArrayGetLBound(psa, d, &lower);
    SafeArrayGetUBound(psa, d, &upper);
    bounds.push_back(Bound{lower, static_cast<uint32_t>(static_cast<int64_t>(upper) - lower + 1)});
  }
  Array a(elementTypeOf(vt), std::move(bounds));
  if (a.size() == 0) return a;
  SafeArrayData data(psa);
  if (!data) fail(E_UNEXPECTED);
  const UINT elementSize = SafeArrayGetElemsize(psa);
  auto& out = a.elements();
  for (size_t n = 0; n < out.size(); ++n) {
    switch (vt) {
      case VT_VARIANT:
        out[n] = fromVariant(data.as<VARIANT>()[n]);
        break;
      case VT_BSTR:
        out[n] = Variant(fromBstr(data.as<BSTR>()[n]));
        break;
      case VT_I2:
        out[n] = Variant(static_cast<int16_t>(data.as<SHORT>()[n]));
        break;
      case VT_I4:
        out[n] = Variant(static_cast<int32_t>(data.as<LONG>()[n]));
        break;
      case VT_R4:
        out[n] = Variant(data.as<FLOAT>()[n]);
        break;
      case VT_R8:
        out[n] = Variant(data.as<DOUBLE>()[n]);
        break;
      case VT_DATE:
        out[n] = Variant::date(data.as<DATE>()[n]);
        break;
      case VT_BOOL:
        out[n] = Variant(data.as<VARIANT_BOOL>()[n] != VARIANT_FALSE);
        break;
      case VT_UI1:
        out[n] = Variant(static_cast<uint8_t>(data.as<BYTE>()[n]));
        break;
      case VT_ERROR:
        out[n] = Variant::error(data.as<SCODE>()[n]);
        break;
      case VT_DISPATCH:
        out[n] = objectFrom(data.as<IDispatch*>()[n]);
        break;
      case VT_UNKNOWN:
        out[n] = objectFromUnknown(data.as<IUnknown*>()[n]);
        break;
      default: {
        // Element types VB has no variable for (I1, UI2, I8, CY, DECIMAL
        // ...): read each through a by-reference VARIANT and convert.
        VARIANT ref;
        VariantInit(&ref);
        ref.vt = static_cast<VARTYPE>(VT_BYREF | vt);
        ref.byref = data.as<BYTE>() + n * elementSize;
        out[n] = fromVariant(ref);
      }
    }
  }
  return a;
}

}  // namespace

void setObjectWrapper(ObjectWrapper wrapper) { wrapperSlot() = std::move(wrapper); }
void setObjectUnwrapper(ObjectUnwrapper unwrapper) { unwrapperSlot() = std::move(unwrapper); }

VARTYPE vartypeOf(VarType t) {
  switch (t) {
    case VarType::Int16:
      return VT_I2;
    case VarType::Int32:
      return VT_I4;
    case VarType::Single:
      return VT_R4;
    case VarType::Double:
      return VT_R8;
    case VarType::Date:
      return VT_DATE;
    case VarType::String:
      return VT_BSTR;
    case VarType::Object:
      return VT_DISPATCH;
    case VarType::Error:
      return VT_ERROR;
    case VarType::Bool:
      return VT_BOOL;
    case VarType::Byte:
      return VT_UI1;
    default:
      return VT_VARIANT;
  }
}

void toVariant(const dv::Variant& in, VARIANT& out) {
  const Variant& v = in.target();
  if (v.isArray()) {
    const VARTYPE vt = vartypeOf(v.arrayValue().elementType());
    SAFEARRAY* psa = toSafeArray(v.arrayValue(), vt);
    out.vt = static_cast<VARTYPE>(VT_ARRAY | vt);
    out.parray = psa;
    return;
  }
  switch (v.type()) {
    case VarType::Empty:
      out.vt = VT_EMPTY;
      return;
    case VarType::Null:
      out.vt = VT_NULL;
      return;
    case VarType::Bool:
      out.vt = VT_BOOL;
      out.boolVal = v.boolValue() ? VARIANT_TRUE : VARIANT_FALSE;
      return;
    case VarType::Int16:
      out.vt = VT_I2;
      out.iVal = v.int16Value();
      return;
    case VarType::Int32:
      out.vt = VT_I4;
      out.lVal = v.int32Value();
      return;
    case VarType::Byte:
      out.vt = VT_UI1;
      out.bVal = v.byteValue();
      return;
    case VarType::Single:
      out.vt = VT_R4;
      out.fltVal = v.singleValue();
      return;
    case VarType::Double:
      out.vt = VT_R8;
      out.dblVal = v.doubleValue();
      return;
    case VarType::Date:
      out.vt = VT_DATE;
      out.date = v.dateValue();
      return;
    case VarType::String: {
      BSTR b = Bstr(v.stringValue()).detach();
      out.vt = VT_BSTR;
      out.bstrVal = b;
      return;
    }
    case VarType::Error:
      out.vt = VT_ERROR;
      out.scode = v.errorValue();
      return;
    case VarType::Object: {
      IDispatch* p = dispatchFor(v.objectValue());
      out.vt = VT_DISPATCH;
      out.pdispVal = p;
      return;
    }
    case VarType::Variant:
      break;
  }
  vb::raise(vb::kTypeMismatch);
}

dv::Variant fromVariant(const VARIANT& in) {
  if (in.vt & VT_BYREF) {
    if (in.vt == (VT_BYREF | VT_VARIANT)) return in.pvarVal ? fromVariant(*in.pvarVal) : Variant();
    ScopedVariant copy;
    const HRESULT hr = VariantCopyInd(&copy.v, const_cast<VARIANT*>(&in));
    if (FAILED(hr)) fail(hr);
    return fromVariant(copy.v);
  }
  if (in.vt & VT_ARRAY) return Variant(fromSafeArray(in.parray, static_cast<VARTYPE>(in.vt & VT_TYPEMASK)));
  switch (in.vt) {
    case VT_EMPTY:
      return Variant();
    case VT_NULL:
      return Variant::null();
    case VT_I2:
      return Variant(static_cast<int16_t>(in.iVal));
    case VT_I4:
      return Variant(static_cast<int32_t>(in.lVal));
    case VT_R4:
      return Variant(in.fltVal);
    case VT_R8:
      return Variant(in.dblVal);
    case VT_DATE:
      return Variant::date(in.date);
    case VT_BSTR:
      return Variant(fromBstr(in.bstrVal));
    case VT_ERROR:
      return Variant::error(in.scode);
    case VT_BOOL:
      return Variant(in.boolVal != VARIANT_FALSE);
    case VT_UI1:
      return Variant(static_cast<uint8_t>(in.bVal));
    case VT_DISPATCH:
      return objectFrom(in.pdispVal);
    case VT_UNKNOWN:
      return objectFromUnknown(in.punkVal);
    case VT_I1:
      return Variant(static_cast<int32_t>(in.cVal));
    case VT_UI2:
      return Variant(static_cast<int32_t>(in.uiVal));
    default:
      break;
  }
  // Integers VB has no type for become Long when they fit, else Double;
  // Currency and Decimal become Double.
  ScopedVariant changed;
  if (in.vt == VT_UI4 || in.vt == VT_INT || in.vt == VT_UINT || in.vt == VT_I8 || in.vt == VT_UI8) {
    if (SUCCEEDED(VariantChangeType(&changed.v, const_cast<VARIANT*>(&in), 0, VT_I4))) {
      return Variant(static_cast<int32_t>(changed.v.lVal));
    }
  }
  if (SUCCEEDED(VariantChangeType(&changed.v, const_cast<VARIANT*>(&in), 0, VT_R8))) return Variant(changed.v.dblVal);
  vb::raise(458);  // "Variable uses an Automation type not supported in Visual Basic"
}

// ===========================================================================
// Calls

DispatchObject::DispatchObject(ComPtr<IDispatch> dispatch) : dispatch_(std::move(dispatch)) {
  if (!dispatch_) vb::raise(vb::kObjectNotSet);
}

Variant DispatchObject::get(std::string_view member, Args args) {
  return invoke(member, DISPATCH_METHOD | DISPATCH_PROPERTYGET, args, nullptr);
}

void DispatchObject::let(std::string_view member, const Variant& value, Args args) {
  invoke(member, DISPATCH_PROPERTYPUT, args, &value);
}

void DispatchObject::set(std::string_view member, const Variant& value, Args args) {
  invoke(member, DISPATCH_PROPERTYPUTREF, args, &value);
}

Variant DispatchObject::call(std::string_view member, Args args) {
  return invoke(member, DISPATCH_METHOD, args, nullptr);
}

Variant DispatchObject::invoke(std::string_view member, WORD flags, Args& args, const Variant* putValue) {
  // Positional arguments must precede named ones at a VB call site; here
  // they are simply taken apart, each group keeping its order.
  std::vector<Arg*> positional, namedArgs;
  for (Arg& a : args) (a.name.empty() ? positional : namedArgs).push_back(&a);

  std::vector<DISPID> ids;
  HRESULT hr = S_OK;
  if (member.empty() && namedArgs.empty()) {
    ids.push_back(DISPID_VALUE);  // no name: the object's default member
  } else {
    std::vector<std::wstring> names;
    names.push_back(widen(member));
    for (const Arg* a : namedArgs) names.push_back(widen(a->name));
    std::wstring key;
    for (const std::wstring& n : names) key.append(n).push_back(L'\0');
    auto known = ids_.find(key);
    if (known != ids_.end()) {
      ids = known->second;
    } else {
      std::vector<LPOLESTR> namePtrs;
      for (std::wstring& n : names) namePtrs.push_back(n.data());
      ids.assign(names.size(), DISPID_UNKNOWN);
      hr = dispatch_->GetIDsOfNames(IID_NULL, namePtrs.data(), static_cast<UINT>(namePtrs.size()), LOCALE_USER_DEFAULT,
                                    ids.data());
      if (FAILED(hr)) fail(hr);
      ids_.emplace(std::move(key), ids);
    }
  }

  const size_t count = positional.size() + namedArgs.size() + (putValue ? 1 : 0);
  VariantArray vargs(count);
  VariantArray backing(count);  // by-reference targets; never reallocated
  std::vector<std::pair<size_t, Arg*>> byRef;
  std::vector<DISPID> namedIds;
  size_t slot = 0;
  auto fill = [&](Arg& a) {
    if (a.value.isByRef()) {
      toVariant(a.value, backing[slot]);
      vargs[slot].vt = VT_BYREF | VT_VARIANT;
      vargs[slot].pvarVal = &backing[slot];
      byRef.emplace_back(slot, &a);
    } else {
      toVariant(a.value, vargs[slot]);
    }
    ++slot;
  };
  if (putValue) {
    toVariant(*putValue, vargs[slot++]);
    namedIds.push_back(DISPID_PROPERTYPUT);
  }
  for (size_t i = 0; i < namedArgs.size(); ++i) {
    fill(*namedArgs[i]);
    namedIds.push_back(ids[i + 1]);
  }
  for (size_t i = positional.size(); i-- > 0;) fill(*positional[i]);

  DISPPARAMS params{vargs.data(), namedIds.empty() ? nullptr : namedIds.data(), static_cast<UINT>(count),
                    static_cast<UINT>(namedIds.size())};
  ScopedVariant result;
  ScopedExcepInfo excep;
  UINT argError = 0;
  const bool isPut = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
  hr = dispatch_->Invoke(ids[0], IID_NULL, LOCALE_USER_DEFAULT, flags, &params, isPut ? nullptr : &result.v,
                         &excep.info, &argError);
  if (FAILED(hr)) throw errorFromHresult(hr, &excep.info);

  // Only a call that succeeded writes back, so a failure loses nothing.
  for (auto& [index, arg] : byRef) arg->value.assign(fromVariant(backing[index]));
  return isPut ? Variant() : fromVariant(result.v);
}

std::vector<Variant> DispatchObject::items() {
  DISPPARAMS none{nullptr, nullptr, 0, 0};
  ScopedVariant result;
  ScopedExcepInfo excep;
  HRESULT hr = dispatch_->Invoke(DISPID_NEWENUM, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD | DISPATCH_PROPERTYGET,
                                 &none, &result.v, &excep.info, nullptr);
  if (hr == DISP_E_MEMBERNOTFOUND || hr == DISP_E_UNKNOWNNAME) vb::raise(vb::kObjectDoesntSupport);
  if (FAILED(hr)) throw errorFromHresult(hr, &excep.info);
  IUnknown* unknown = result.v.vt == VT_UNKNOWN    ? result.v.punkVal
                      : result.v.vt == VT_DISPATCH ? result.v.pdispVal
                                                   : nullptr;
  ComPtr<IEnumVARIANT> items;
  if (!unknown || FAILED(unknown->QueryInterface(IID_IEnumVARIANT, items.putVoid()))) {
    vb::raise(vb::kObjectDoesntSupport);
  }
  std::vector<Variant> out;
  for (;;) {
    ScopedVariant item;
    ULONG fetched = 0;
    hr = items->Next(1, &item.v, &fetched);
    if (FAILED(hr)) fail(hr);
    if (hr != S_OK || fetched == 0) break;
    out.push_back(fromVariant(item.v));
  }
  return out;
}

// ===========================================================================
// Events

namespace {

struct SourceInterface {
  IID iid = IID_NULL;
  ComPtr<ITypeInfo> info;  // for DISPID -> name; may stay null
};

// A dual interface's dispatch view, whose GetNames covers every member.
ComPtr<ITypeInfo> dispatchView(ComPtr<ITypeInfo> info) {
  TypeAttr attr(info.get());
  if (attr && attr->typekind == TKIND_INTERFACE && (attr->wTypeFlags & TYPEFLAG_FDUAL)) {
    HREFTYPE ref = 0;
    ComPtr<ITypeInfo> disp;
    if (SUCCEEDED(info->GetRefTypeOfImplType(-1, &ref)) && SUCCEEDED(info->GetRefTypeInfo(ref, disp.put())))
      return disp;
  }
  return info;
}

// The [default, source] interface of a coclass.
bool defaultSourceOf(ITypeInfo* coclass, SourceInterface& out) {
  TypeAttr attr(coclass);
  if (!attr || attr->typekind != TKIND_COCLASS) return false;
  for (UINT i = 0; i < attr->cImplTypes; ++i) {
    INT flags = 0;
    if (FAILED(coclass->GetImplTypeFlags(i, &flags))) continue;
    if ((flags & (IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE)) != (IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE))
      continue;
    HREFTYPE ref = 0;
    ComPtr<ITypeInfo> source;
    if (FAILED(coclass->GetRefTypeOfImplType(i, &ref)) || FAILED(coclass->GetRefTypeInfo(ref, source.put())))
      return false;
    TypeAttr sourceAttr(source.get());
    if (!sourceAttr) return false;
    out.iid = sourceAttr->guid;
    out.info = dispatchView(source);
    return true;
  }
  return false;
}

// Is `iid` the default (non-source) interface of this coclass?
bool coclassImplementsDefault(ITypeInfo* coclass, const IID& iid) {
  TypeAttr attr(coclass);
  if (!attr || attr->typekind != TKIND_COCLASS) return false;
  for (UINT i = 0; i < attr->cImplTypes; ++i) {
    INT flags = 0;
    if (FAILED(coclass->GetImplTypeFlags(i, &flags)) || (flags & IMPLTYPEFLAG_FSOURCE)) continue;
    HREFTYPE ref = 0;
    ComPtr<ITypeInfo> itf;
    if (FAILED(coclass->GetRefTypeOfImplType(i, &ref)) || FAILED(coclass->GetRefTypeInfo(ref, itf.put()))) continue;
    TypeAttr itfAttr(itf.get());
    if (itfAttr && IsEqualGUID(itfAttr->guid, iid)) return true;
  }
  return false;
}

bool findSource(IDispatch* object, SourceInterface& out) {
  // 1. IProvideClassInfo2 names the default source directly.
  ComPtr<IProvideClassInfo2> info2;
  if (SUCCEEDED(object->QueryInterface(IID_IProvideClassInfo2, info2.putVoid())) && info2) {
    GUID iid;
    if (SUCCEEDED(info2->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &iid))) {
      out.iid = iid;
      ComPtr<ITypeInfo> coclass;
      ComPtr<ITypeLib> lib;
      UINT index = 0;
      if (SUCCEEDED(info2->GetClassInfo(coclass.put())) &&
          SUCCEEDED(coclass->GetContainingTypeLib(lib.put(), &index))) {
        ComPtr<ITypeInfo> source;
        if (SUCCEEDED(lib->GetTypeInfoOfGuid(iid, source.put()))) out.info = dispatchView(source);
      }
      return true;
    }
  }
  // 2. IProvideClassInfo: the coclass's [default, source] interface.
  ComPtr<IProvideClassInfo> info;
  if (SUCCEEDED(object->QueryInterface(IID_IProvideClassInfo, info.putVoid())) && info) {
    ComPtr<ITypeInfo> coclass;
    if (SUCCEEDED(info->GetClassInfo(coclass.put())) && defaultSourceOf(coclass.get(), out)) return true;
  }
  // 3. The object's own type library: a coclass whose default interface is
  // the one this object dispatches.
  ComPtr<ITypeInfo> self;
  if (FAILED(object->GetTypeInfo(0, LOCALE_USER_DEFAULT, self.put())) || !self) return false;
  ComPtr<ITypeLib> lib;
  UINT index = 0;
  if (FAILED(self->GetContainingTypeLib(lib.put(), &index))) return false;
  IID selfIid;
  {
    TypeAttr attr(self.get());
    if (!attr) return false;
    selfIid = attr->guid;
  }
  const UINT n = lib->GetTypeInfoCount();
  for (UINT i = 0; i < n; ++i) {
    ComPtr<ITypeInfo> candidate;
    if (FAILED(lib->GetTypeInfo(i, candidate.put()))) continue;
    if (coclassImplementsDefault(candidate.get(), selfIid) && defaultSourceOf(candidate.get(), out)) return true;
  }
  return false;
}

// Writes a handler's value back into the by-reference argument the source
// passed, in the type the source declared.
void writeBack(const VARIANT& arg, const Variant& value) {
  ScopedVariant converted;
  toVariant(value, converted.v);
  const HRESULT hr = storeByRef(arg, converted.v);
  if (FAILED(hr)) fail(hr);
}

// The sink object a connection point calls. It answers for IUnknown,
// IDispatch and the source interface, and turns Invoke into onEvent.
class EventDispatch final : public ComObject<IDispatch> {
 public:
  EventDispatch(IID source, ComPtr<ITypeInfo> info, std::shared_ptr<EventSink> sink)
      : source_(source), info_(std::move(info)), sink_(std::move(sink)) {}

  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** out) override {
    if (out) *out = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
    if (!info_) return E_NOTIMPL;
    return DispGetIDsOfNames(info_.get(), names, count, ids);
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO* excep,
                                   UINT*) override {
    // No C++ exception may cross back into the source.
    try {
      const std::string name = nameOf(id);
      const UINT n = params ? params->cArgs : 0;
      std::vector<Variant> backing(n);  // sized once: slots point into it
      std::vector<Variant> args;
      args.reserve(n);
      for (UINT i = 0; i < n; ++i) {
        const VARIANT& src = params->rgvarg[n - 1 - i];
        if (src.vt & VT_BYREF) {
          backing[i] = fromVariant(src);
          args.push_back(Variant::ref(backing[i]));
        } else {
          args.push_back(fromVariant(src));
        }
      }
      sink_->onEvent(name, args);
      for (UINT i = 0; i < n; ++i) {
        const VARIANT& dst = params->rgvarg[n - 1 - i];
        if (dst.vt & VT_BYREF) writeBack(dst, backing[i]);
      }
      return S_OK;
    } catch (const AutomationError& e) {
      fillExcepInfo(excep, e.number(), e.source(), e.description());
      return DISP_E_EXCEPTION;
    } catch (...) {
      return E_FAIL;
    }
  }

 private:
  std::string nameOf(DISPID id) const {
    if (info_) {
      Bstr name;
      UINT got = 0;
      if (SUCCEEDED(info_->GetNames(id, name.put(), 1, &got)) && got == 1) return name.utf8();
    }
    // Without type information the sink still hears the event, by number.
    return "#" + std::to_string(id);
  }

  HRESULT queryOther(REFIID riid, void** out) override {
    if (!IsEqualIID(riid, source_)) return E_NOINTERFACE;
    *out = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }

  IID source_;
  ComPtr<ITypeInfo> info_;
  std::shared_ptr<EventSink> sink_;
};

class PointConnection : public EventConnection {
 public:
  PointConnection(ComPtr<IConnectionPoint> point, DWORD cookie) : point_(std::move(point)), cookie_(cookie) {}
  ~PointConnection() override {
    if (point_) point_->Unadvise(cookie_);
  }

 private:
  ComPtr<IConnectionPoint> point_;
  DWORD cookie_;
};

}  // namespace

std::unique_ptr<EventConnection> DispatchObject::advise(std::shared_ptr<EventSink> sink) {
  if (!sink) vb::raise(vb::kInvalidProcedureCall);
  SourceInterface source;
  ComPtr<IConnectionPointContainer> container;
  if (!findSource(dispatch_.get(), source) ||
      FAILED(dispatch_->QueryInterface(IID_IConnectionPointContainer, container.putVoid())) || !container) {
    vb::raise(459);  // "Object or class does not support the set of events"
  }
  ComPtr<IConnectionPoint> point;
  HRESULT hr = container->FindConnectionPoint(source.iid, point.put());
  if (FAILED(hr)) fail(hr);
  auto handler = ComPtr<IDispatch>::adopt(new EventDispatch(source.iid, source.info, std::move(sink)));
  DWORD cookie = 0;
  hr = point->Advise(handler.get(), &cookie);
  if (FAILED(hr)) fail(hr);
  return std::make_unique<PointConnection>(std::move(point), cookie);
}

// ===========================================================================
// Creation

namespace {
bool clsidOf(std::string_view progId, CLSID& clsid) {
  return SUCCEEDED(CLSIDFromProgID(widen(progId).c_str(), &clsid));
}
}  // namespace

ObjectPtr Win32Automation::createObject(std::string_view progId) {
  CLSID clsid;
  if (!clsidOf(progId, clsid)) vb::raise(vb::kCantCreateObject);
  ComPtr<IDispatch> dispatch;
  if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IDispatch, dispatch.putVoid())) || !dispatch) {
    vb::raise(vb::kCantCreateObject);
  }
  return std::make_shared<DispatchObject>(std::move(dispatch));
}

ObjectPtr Win32Automation::getObject(std::string_view progId) {
  CLSID clsid;
  if (!clsidOf(progId, clsid)) vb::raise(vb::kCantCreateObject);
  ComPtr<IUnknown> running;
  if (FAILED(GetActiveObject(clsid, nullptr, running.put())) || !running) vb::raise(vb::kCantCreateObject);
  ComPtr<IDispatch> dispatch;
  if (FAILED(running->QueryInterface(IID_IDispatch, dispatch.putVoid())) || !dispatch) {
    vb::raise(vb::kCantCreateObject);
  }
  return std::make_shared<DispatchObject>(std::move(dispatch));
}

}  // namespace dv::win32
