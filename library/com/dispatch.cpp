#include "dispatch.h"

#include <cstring>
#include <mutex>
#include <utility>

#include "com_util.h"
#include "dv/vb.h"
#include "dv/win32/com_object.h"
#include "module.h"

namespace dv::com {

namespace {

bool isMissing(const VARIANT& v) { return V_VT(&v) == VT_ERROR && V_ERROR(&v) == DISP_E_PARAMNOTFOUND; }

// The caller's value behind a by-reference variant (VBScript variables).
VARIANT& dereferenced(VARIANT& v) {
  if (V_VT(&v) == (VT_BYREF | VT_VARIANT) && V_VARIANTREF(&v)) return *V_VARIANTREF(&v);
  return v;
}

// The name in lower case when it is plain ASCII and fits `buffer` (every
// member name of the library does); empty for anything else, which the
// type library answers.
constexpr size_t kLongestName = 64;
std::wstring_view lowerAscii(const wchar_t* name, wchar_t (&buffer)[kLongestName]) {
  size_t n = 0;
  for (const wchar_t* c = name; *c; ++c) {
    wchar_t ch = *c;
    if (ch >= 0x80 || n == kLongestName) return {};
    buffer[n++] = ch >= L'A' && ch <= L'Z' ? static_cast<wchar_t>(ch - L'A' + L'a') : ch;
  }
  return {buffer, n};
}

enum class WriteBack { None, IntoVariant, IntoTyped };

// Per-call scratch arrays of plain values, zero-filled; on the stack for
// the usual handful of arguments, so a call allocates nothing of its own.
template <typename T, size_t Inline = 12>
class Scratch {
 public:
  explicit Scratch(size_t n) : data_(inline_) {
    if (n > Inline) {
      heap_.reset(new T[n]);
      data_ = heap_.get();
    }
    std::memset(static_cast<void*>(data_), 0, sizeof(T) * (n > Inline ? n : Inline));
  }
  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;
  T& operator[](size_t i) { return data_[i]; }
  T* data() { return data_; }

 private:
  T inline_[Inline];
  std::unique_ptr<T[]> heap_;
  T* data_;
};

void setMissing(VARIANT& v) {
  V_VT(&v) = VT_ERROR;
  V_ERROR(&v) = DISP_E_PARAMNOTFOUND;
}

void fillException(EXCEPINFO* excep, HRESULT hr, const std::string& description) {
  win32::fillExcepInfo(excep, hr, vb::kLibrarySource, description);
}

// An argument that does not convert to its declared type fails the way a
// VB component fails: "Overflow" (6) or "Type mismatch" (13).
HRESULT conversionError(HRESULT hr, EXCEPINFO* excep) {
  if (hr == E_OUTOFMEMORY) return hr;
  int vbError = hr == DISP_E_OVERFLOW ? vb::kOverflow : vb::kTypeMismatch;
  HRESULT number = static_cast<HRESULT>(vb::runtimeErrorNumber(vbError));
  if (!excep) return number;
  fillException(excep, number, vb::runtimeErrorDescription(vbError));
  return DISP_E_EXCEPTION;
}

}  // namespace

Dispatcher::Dispatcher(REFIID iid) {
  ITypeLib* lib = typeLibrary();
  HRESULT hr = lib->GetTypeInfoOfGuid(iid, &dispatchInfo_);
  if (FAILED(hr)) throw AutomationError(hr, "Docvane", "An interface is missing from the type library.");
  // The vtable view of the dual interface: its functions carry the slots
  // that ITypeInfo::Invoke calls through.
  HREFTYPE ref = 0;
  if (SUCCEEDED(dispatchInfo_->GetRefTypeOfImplType(static_cast<UINT>(-1), &ref)) &&
      SUCCEEDED(dispatchInfo_->GetRefTypeInfo(ref, &vtableInfo_))) {
  } else {
    vtableInfo_ = dispatchInfo_;
    vtableInfo_->AddRef();
  }
  WORD count = 0;
  if (win32::TypeAttr attr(vtableInfo_); attr) count = attr->cFuncs;
  for (UINT i = 0; i < count; ++i) {
    win32::FuncDesc desc(vtableInfo_, i);
    if (!desc) continue;
    auto fn = std::make_unique<Function>();
    fn->id = desc->memid;
    fn->kind = desc->invkind;
    fn->vtableOffset = desc->oVft;
    for (SHORT p = 0; p < desc->cParams; ++p) {
      const ELEMDESC& elem = desc->lprgelemdescParam[p];
      USHORT flags = elem.paramdesc.wParamFlags;
      if (flags & PARAMFLAG_FRETVAL) {
        const TYPEDESC* type = elem.tdesc.vt == VT_PTR ? elem.tdesc.lptdesc : &elem.tdesc;
        bool unused = false;
        fn->hasRetval = true;
        fn->retvalVt = resolve(*type, unused);
        fn->retvalRecord = recordInfo(*type);
        continue;
      }
      Param param;
      VariantInit(&param.defaultValue);
      const TYPEDESC* type = &elem.tdesc;
      if (type->vt == VT_PTR) {
        param.byRef = true;
        type = type->lptdesc;
      }
      param.vt = resolve(*type, param.passThrough);
      param.record = recordInfo(*type);
      param.optional = (flags & PARAMFLAG_FOPT) != 0;
      // By value or by reference, the default is the type library's own.
      if ((flags & PARAMFLAG_FHASDEFAULT) && elem.paramdesc.pparamdescex) {
        param.hasDefault = true;
        VariantCopy(&param.defaultValue, const_cast<VARIANT*>(&elem.paramdesc.pparamdescex->varDefaultValue));
      }
      fn->params.push_back(param);
    }
    MEMBERID id = fn->id;
    Bstr name;
    if (SUCCEEDED(vtableInfo_->GetDocumentation(id, name.put(), nullptr, nullptr, nullptr)) && name.get()) {
      wchar_t buffer[kLongestName];
      std::wstring_view key = lowerAscii(name.get(), buffer);
      if (!key.empty() && !dispids_.count(key)) dispids_.emplace(names_.emplace_back(key), id);
    }
    functions_.emplace(id, std::move(fn));
  }
}

Dispatcher::~Dispatcher() {
  for (auto& [id, fn] : functions_) {
    for (Param& p : fn->params) {
      VariantClear(&p.defaultValue);
      if (p.record) p.record->Release();
    }
    if (fn->retvalRecord) fn->retvalRecord->Release();
  }
  if (vtableInfo_) vtableInfo_->Release();
  if (dispatchInfo_) dispatchInfo_->Release();
}

VARTYPE Dispatcher::resolve(const TYPEDESC& desc, bool& passThrough) const {
  switch (desc.vt) {
    case VT_SAFEARRAY: {
      bool inner = false;
      VARTYPE element = resolve(*desc.lptdesc, inner);
      passThrough = passThrough || inner;
      return static_cast<VARTYPE>(VT_ARRAY | element);
    }
    case VT_PTR:
      // A pointer to a pointer: an interface reference returned by reference.
      return resolve(*desc.lptdesc, passThrough);
    case VT_USERDEFINED: {
      ComPtr<ITypeInfo> ref;
      if (FAILED(vtableInfo_->GetRefTypeInfo(desc.hreftype, ref.put()))) {
        passThrough = true;
        return VT_EMPTY;
      }
      win32::TypeAttr attr(ref.get());
      if (!attr) {
        passThrough = true;
        return VT_EMPTY;
      }
      VARTYPE vt = VT_EMPTY;
      switch (attr->typekind) {
        case TKIND_ENUM:
          vt = VT_I4;
          break;
        case TKIND_ALIAS:
          vt = resolve(attr->tdescAlias, passThrough);
          break;
        case TKIND_DISPATCH:
        case TKIND_COCLASS:
          vt = VT_DISPATCH;
          break;
        case TKIND_INTERFACE:
          vt = (attr->wTypeFlags & (TYPEFLAG_FDUAL | TYPEFLAG_FDISPATCHABLE)) ? VT_DISPATCH : VT_UNKNOWN;
          break;
        default:
          passThrough = true;
          break;
      }
      return vt;
    }
    default:
      return desc.vt;
  }
}

IRecordInfo* Dispatcher::recordInfo(const TYPEDESC& desc) const {
  if (desc.vt != VT_USERDEFINED) return nullptr;
  ComPtr<ITypeInfo> ref;
  if (FAILED(vtableInfo_->GetRefTypeInfo(desc.hreftype, ref.put()))) return nullptr;
  win32::TypeAttr attr(ref.get());
  if (!attr || attr->typekind != TKIND_RECORD) return nullptr;
  IRecordInfo* info = nullptr;
  if (FAILED(GetRecordInfoFromTypeInfo(ref.get(), &info))) return nullptr;
  return info;
}

const Dispatcher::Function* Dispatcher::find(DISPID id, WORD flags) const {
  auto [first, last] = functions_.equal_range(id);
  const Function* put = nullptr;
  const Function* putRef = nullptr;
  const Function* get = nullptr;
  const Function* method = nullptr;
  for (auto it = first; it != last; ++it) {
    switch (it->second->kind) {
      case INVOKE_FUNC:
        method = it->second.get();
        break;
      case INVOKE_PROPERTYGET:
        get = it->second.get();
        break;
      case INVOKE_PROPERTYPUT:
        put = it->second.get();
        break;
      case INVOKE_PROPERTYPUTREF:
        putRef = it->second.get();
        break;
    }
  }
  if ((flags & DISPATCH_METHOD) && method) return method;
  if ((flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET)) && get) return get;
  if ((flags & DISPATCH_PROPERTYPUTREF) && putRef) return putRef;
  if ((flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) && put) return put;
  return nullptr;
}

HRESULT Dispatcher::getIDsOfNames(LPOLESTR* names, UINT count, DISPID* ids) {
  // A member name alone (the usual question) is answered from the table;
  // parameter names and anything unknown go to the type library, which
  // also gives the exact error.
  if (count == 1 && names && names[0] && ids) {
    wchar_t buffer[kLongestName];
    std::wstring_view key = lowerAscii(names[0], buffer);
    if (!key.empty()) {
      auto it = dispids_.find(key);
      if (it != dispids_.end()) {
        ids[0] = it->second;
        return S_OK;
      }
    }
  }
  return dispatchInfo_->GetIDsOfNames(names, count, ids);
}

HRESULT Dispatcher::invoke(void* instance, DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* excep,
                           UINT* argErr) {
  static DISPPARAMS noParams = {nullptr, nullptr, 0, 0};
  if (!params) params = &noParams;
  const Function* fn = find(id, flags);
  if (!fn) return DISP_E_MEMBERNOTFOUND;
  const bool isPut = fn->kind == INVOKE_PROPERTYPUT || fn->kind == INVOKE_PROPERTYPUTREF;
  const UINT formal = static_cast<UINT>(fn->params.size());
  if (params->cArgs > formal) return DISP_E_BADPARAMCOUNT;

  // The caller's argument for each formal parameter (nullptr: not given).
  Scratch<VARIANT*> given(formal);
  Scratch<UINT> givenIndex(formal);
  UINT positional = params->cArgs - params->cNamedArgs;
  for (UINT i = 0; i < positional; ++i) {
    UINT index = params->cArgs - 1 - i;
    given[i] = &params->rgvarg[index];
    givenIndex[i] = index;
  }
  for (UINT j = 0; j < params->cNamedArgs; ++j) {
    DISPID name = params->rgdispidNamedArgs[j];
    UINT target = (name == DISPID_PROPERTYPUT && isPut) ? formal - 1 : static_cast<UINT>(name);
    if (name < 0 && name != DISPID_PROPERTYPUT) return DISP_E_PARAMNOTFOUND;
    if (target >= formal) {
      if (argErr) *argErr = j;
      return DISP_E_PARAMNOTFOUND;
    }
    given[target] = &params->rgvarg[j];
    givenIndex[target] = j;
  }

  // Arguments in exactly the declared form, in formal order.
  std::vector<Var> locals(formal);
  Scratch<VARIANT> args(formal);
  Scratch<WriteBack> writeBack(formal);

  for (UINT i = 0; i < formal; ++i) {
    const Param& p = fn->params[i];
    VARIANT& arg = args[i];
    VariantInit(&arg);
    VARIANT* actual = given[i];
    auto fail = [&](HRESULT hr) {
      if (argErr) *argErr = givenIndex[i];
      return conversionError(hr, excep);
    };

    if (p.record) {
      // A record goes to the member as a pointer to the caller's data, and
      // only a record of the declared type: anything else would be read as one.
      if (!actual) return DISP_E_PARAMNOTFOUND;
      VARIANT& source = dereferenced(*actual);
      if ((V_VT(&source) & ~VT_BYREF) != VT_RECORD || !V_RECORD(&source) || !V_RECORDINFO(&source) ||
          !p.record->IsMatchingType(V_RECORDINFO(&source)))
        return fail(DISP_E_TYPEMISMATCH);
      V_VT(&arg) = VT_BYREF | VT_UI1;
      V_BYREF(&arg) = V_RECORD(&source);
      continue;
    }

    if (p.passThrough) {
      if (actual) {
        arg = *actual;
      } else {
        setMissing(arg);
      }
      continue;
    }

    // An omitted argument, or the missing marker for an optional one.
    const bool missing = !actual || ((p.optional || p.hasDefault) && isMissing(dereferenced(*actual)));
    if (missing) {
      if (!p.optional && !p.hasDefault) return DISP_E_PARAMNOTFOUND;
      Var& local = locals[i];
      if (p.hasDefault) {
        if (p.vt == VT_VARIANT) {
          VariantCopy(&local, &p.defaultValue);
        } else if (FAILED(VariantChangeType(&local, &p.defaultValue, 0, p.vt))) {
          return fail(DISP_E_TYPEMISMATCH);
        }
      } else if (p.vt == VT_VARIANT) {
        setMissing(local);  // what IsMissing tests
      } else if (p.vt == VT_DISPATCH || p.vt == VT_UNKNOWN || (p.vt & VT_ARRAY)) {
        V_VT(&local) = p.vt;
        V_UNKNOWN(&local) = nullptr;
      } else {
        Var empty;  // the zero value of the declared type
        if (FAILED(VariantChangeType(&local, &empty, 0, p.vt))) return fail(DISP_E_TYPEMISMATCH);
      }
      if (p.byRef) {
        V_VT(&arg) = static_cast<VARTYPE>(VT_BYREF | p.vt);
        V_BYREF(&arg) = (p.vt == VT_VARIANT) ? static_cast<void*>(&local) : static_cast<void*>(&V_UI1(&local));
      } else {
        arg = local;  // borrowed: locals keep ownership
      }
      continue;
    }

    const VARTYPE actualVt = V_VT(actual);
    if (!p.byRef) {
      if (p.vt == VT_VARIANT) {
        if (FAILED(VariantCopyInd(&locals[i], actual))) return fail(DISP_E_TYPEMISMATCH);
      } else {
        VARIANT& source = dereferenced(*actual);
        HRESULT hr = VariantChangeType(&locals[i], &source, 0, p.vt);
        if (FAILED(hr)) return fail(hr);
      }
      arg = locals[i];
      continue;
    }

    // By reference.
    const VARTYPE declaredRef = static_cast<VARTYPE>(VT_BYREF | p.vt);
    if (actualVt == declaredRef) {
      arg = *actual;  // the caller's own storage of the declared type
      continue;
    }
    Var& local = locals[i];
    if (p.vt == VT_VARIANT) {
      // A plain value for a VARIANT*: the member works on a copy.
      if (FAILED(VariantCopyInd(&local, actual))) return fail(DISP_E_TYPEMISMATCH);
      V_VT(&arg) = declaredRef;
      V_VARIANTREF(&arg) = &local;
      continue;
    }
    if (actualVt == (VT_BYREF | VT_VARIANT) && V_VARIANTREF(actual) && V_VT(V_VARIANTREF(actual)) == p.vt) {
      // The caller's variable already holds the declared type: the member
      // writes straight into it.
      VARIANT* variable = V_VARIANTREF(actual);
      V_VT(&arg) = declaredRef;
      V_BYREF(&arg) = &V_UI1(variable);
      continue;
    }
    VARIANT& source = dereferenced(*actual);
    if ((p.vt & VT_ARRAY) && V_VT(&source) == VT_EMPTY) {
      V_VT(&local) = p.vt;
      V_ARRAY(&local) = nullptr;
    } else {
      HRESULT hr = VariantChangeType(&local, &source, 0, p.vt);
      if (FAILED(hr)) return fail(hr);
    }
    V_VT(&arg) = declaredRef;
    V_BYREF(&arg) = &V_UI1(&local);
    if (actualVt == (VT_BYREF | VT_VARIANT) && V_VARIANTREF(actual)) writeBack[i] = WriteBack::IntoVariant;
    else if (actualVt & VT_BYREF) writeBack[i] = WriteBack::IntoTyped;
  }

  // The member through its vtable slot, every argument in its declared form.
  Scratch<VARTYPE> types(formal + 1);
  Scratch<VARIANTARG*> pointers(formal + 1);
  UINT count = formal;
  for (UINT i = 0; i < formal; ++i) {
    if (fn->params[i].passThrough && V_VT(&args[i]) == VT_RECORD) {
      // A record goes to the member as a pointer to its data.
      void* data = V_RECORD(&args[i]);
      V_VT(&args[i]) = VT_BYREF | VT_UI1;
      V_BYREF(&args[i]) = data;
    }
    // A VARIANT parameter takes the whole VARIANT, whatever it holds.
    const Param& p = fn->params[i];
    types[i] = (!p.byRef && !p.passThrough && p.vt == VT_VARIANT) ? static_cast<VARTYPE>(VT_VARIANT) : V_VT(&args[i]);
    pointers[i] = &args[i];
  }
  Var retval;
  VARIANT retvalRef;
  void* record = nullptr;  // a record result, created empty for the member to fill
  if (fn->hasRetval && fn->retvalRecord) {
    record = fn->retvalRecord->RecordCreate();
    if (!record) return E_OUTOFMEMORY;
    V_VT(&retvalRef) = VT_BYREF | VT_UI1;
    V_BYREF(&retvalRef) = record;
    types[count] = V_VT(&retvalRef);
    pointers[count] = &retvalRef;
    ++count;
  } else if (fn->hasRetval) {
    if (fn->retvalVt != VT_VARIANT) V_VT(&retval) = fn->retvalVt;  // zeroed storage the member fills
    V_VT(&retvalRef) = static_cast<VARTYPE>(VT_BYREF | fn->retvalVt);
    V_BYREF(&retvalRef) =
        fn->retvalVt == VT_VARIANT ? static_cast<void*>(&retval) : static_cast<void*>(&V_UI1(&retval));
    types[count] = V_VT(&retvalRef);
    pointers[count] = &retvalRef;
    ++count;
  }

  clearPendingError();
  VARIANT returned;
  VariantInit(&returned);
  HRESULT hr = DispCallFunc(instance, static_cast<ULONG_PTR>(fn->vtableOffset), CC_STDCALL, VT_ERROR, count,
                            count ? types.data() : nullptr, count ? pointers.data() : nullptr, &returned);
  if (SUCCEEDED(hr)) hr = V_ERROR(&returned);
  if (record) {
    if (SUCCEEDED(hr) && result) {
      VariantClear(result);
      V_VT(result) = VT_RECORD;
      V_RECORD(result) = record;  // ownership moves to the caller
      V_RECORDINFO(result) = fn->retvalRecord;
      fn->retvalRecord->AddRef();
    } else {
      fn->retvalRecord->RecordDestroy(record);
    }
  } else if (SUCCEEDED(hr) && fn->hasRetval && result) {
    VariantClear(result);
    *result = retval;  // ownership moves to the caller
    VariantInit(&retval);
  }

  // By VB's rules a by-reference argument is the caller's variable itself,
  // so what the member stored stays even when it then failed.
  for (UINT i = 0; i < formal; ++i) {
    if (writeBack[i] == WriteBack::None) continue;
    VARIANT* actual = given[i];
    if (writeBack[i] == WriteBack::IntoVariant) {
      VARIANT* variable = V_VARIANTREF(actual);
      VariantClear(variable);
      *variable = locals[i];
      VariantInit(&locals[i]);
    } else {
      // Converted to the caller's type; a value that does not fit leaves the variable as it was.
      win32::storeByRef(*actual, locals[i]);
    }
  }

  PendingError pending = takePendingError();
  if (pending.set && FAILED(hr)) {
    if (!excep) return pending.hr;
    fillException(excep, pending.hr, pending.description);
    return DISP_E_EXCEPTION;
  }
  return hr;
}

namespace {
std::mutex gDispatchersMutex;
std::map<GUID, std::unique_ptr<Dispatcher>, bool (*)(const GUID&, const GUID&)> gDispatchers([](const GUID& a,
                                                                                                const GUID& b) {
  return std::memcmp(&a, &b, sizeof(GUID)) < 0;
});
}  // namespace

Dispatcher& dispatcherFor(REFIID iid) {
  std::lock_guard<std::mutex> guard(gDispatchersMutex);
  auto it = gDispatchers.find(iid);
  if (it == gDispatchers.end()) it = gDispatchers.emplace(iid, std::make_unique<Dispatcher>(iid)).first;
  return *it->second;
}

void releaseDispatchers() {
  std::lock_guard<std::mutex> guard(gDispatchersMutex);
  gDispatchers.clear();
}

}  // namespace dv::com
