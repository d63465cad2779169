// The IDispatch that COM clients see for a hosted object: DISPIDs and
// parameter positions from the stand-in's declaration (or, for any other
// dv::Object, assigned by name on first use), by-reference write-back,
// errors as EXCEPINFO, and connection points for the declared events.
#include <windows.h>
#include <olectl.h>

#include <atomic>
#include <map>
#include <memory>
#include <vector>

#include "dv/standins/com_hosting.h"
#include "dv/vb.h"
#include "dv/win32/automation.h"
#include "dv/win32/text.h"

namespace dv::standins::com {

using dv::win32::Bstr;
using dv::win32::ComPtr;
using dv::win32::fromVariant;
using dv::win32::narrow;
using dv::win32::ScopedVariant;
using dv::win32::toVariant;
using dv::win32::widen;

namespace {

std::atomic<long> g_references{0};
std::atomic<long> g_objects{0};  // wrappers only

// Recognises our own wrappers among incoming IDispatch pointers.
const GUID& wrapperIid() {
  static const GUID iid = toGuid(nameGuid("iid", "DvStandins.Wrapper"));
  return iid;
}

bool isDispError(int32_t n) {
  auto u = static_cast<uint32_t>(n);
  return u >= 0x80020001u && u <= 0x80020011u;
}

// Writes a value back into a by-reference VARIANT, keeping its type.
void writeBack(const VARIANT& target, const dv::Variant& value) {
  VARTYPE base = target.vt & ~VT_BYREF;
  if (base == VT_VARIANT) {
    VariantClear(target.pvarVal);
    toVariant(value, *target.pvarVal);
    return;
  }
  ScopedVariant tmp;
  toVariant(value, tmp.v);
  if (tmp.v.vt != base && FAILED(VariantChangeType(&tmp.v, &tmp.v, 0, base)))
    dv::vb::raise(dv::vb::kTypeMismatch);
  switch (base) {
    case VT_BSTR:
      SysFreeString(*target.pbstrVal);
      *target.pbstrVal = tmp.v.bstrVal;
      tmp.v.vt = VT_EMPTY;
      break;
    case VT_DISPATCH:
      if (*target.ppdispVal) (*target.ppdispVal)->Release();
      *target.ppdispVal = tmp.v.pdispVal;
      tmp.v.vt = VT_EMPTY;
      break;
    case VT_I2: *target.piVal = tmp.v.iVal; break;
    case VT_I4: *target.plVal = tmp.v.lVal; break;
    case VT_UI1: *target.pbVal = tmp.v.bVal; break;
    case VT_BOOL: *target.pboolVal = tmp.v.boolVal; break;
    case VT_R4: *target.pfltVal = tmp.v.fltVal; break;
    case VT_R8: *target.pdblVal = tmp.v.dblVal; break;
    case VT_DATE: *target.pdate = tmp.v.date; break;
    case VT_ERROR: *target.pscode = tmp.v.scode; break;
    default: break;  // arrays and rarer types are not written back
  }
}

void fillException(EXCEPINFO* info, int32_t number, const std::string& source, const std::string& description) {
  if (!info) return;
  *info = EXCEPINFO{};
  info->scode = number;
  info->bstrSource = Bstr(source).detach();
  info->bstrDescription = Bstr(description).detach();
}

// Delivers a stand-in's events to a client's sink IDispatch.
class DispatchSink : public EventSink {
 public:
  DispatchSink(ComPtr<IDispatch> sink, const ClassDef& cls) : sink_(std::move(sink)), cls_(cls) {}

  void onEvent(std::string_view name, std::vector<dv::Variant>& args) override {
    const EventDef* e = cls_.findEvent(name);
    if (!e) return;
    size_t n = args.size();
    std::vector<VARIANT> holders(n), passed(n);
    for (auto& h : holders) VariantInit(&h);
    struct Clear {
      std::vector<VARIANT>& v;
      ~Clear() {
        for (auto& x : v) VariantClear(&x);
      }
    } clear{holders};
    for (size_t i = 0; i < n; ++i) {
      const TypeDesc& t = e->params[i].type;
      toVariant(args[i], holders[i]);
      VARIANT& p = passed[n - 1 - i];  // DISPPARAMS run backwards
      VariantInit(&p);
      if (!t.byRef) {
        p = holders[i];  // shallow: holders keep ownership
        continue;
      }
      if (t.type == VarType::Variant) {
        p.vt = VT_BYREF | VT_VARIANT;
        p.pvarVal = &holders[i];
        continue;
      }
      VARTYPE vt = 0;
      switch (t.type) {
        case VarType::String: vt = VT_BSTR; break;
        case VarType::Int32: vt = VT_I4; break;
        case VarType::Int16: vt = VT_I2; break;
        case VarType::Bool: vt = VT_BOOL; break;
        case VarType::Double: vt = VT_R8; break;
        case VarType::Single: vt = VT_R4; break;
        case VarType::Date: vt = VT_DATE; break;
        case VarType::Object: vt = VT_DISPATCH; break;
        default: vt = VT_VARIANT; break;
      }
      if (holders[i].vt != vt) VariantChangeType(&holders[i], &holders[i], 0, vt);
      p.vt = static_cast<VARTYPE>(VT_BYREF | vt);
      p.byref = &holders[i].bstrVal;  // the start of the value union
    }
    DISPPARAMS dp{passed.data(), nullptr, static_cast<UINT>(n), 0};
    EXCEPINFO info{};
    HRESULT hr = sink_->Invoke(e->dispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &dp, nullptr, &info, nullptr);
    SysFreeString(info.bstrSource);
    SysFreeString(info.bstrDescription);
    SysFreeString(info.bstrHelpFile);
    if (FAILED(hr)) return;  // like any connection point: a failing sink is not the source's error
    for (size_t i = 0; i < n; ++i)
      if (e->params[i].type.byRef) args[i].assign(fromVariant(holders[i]));
  }

 private:
  ComPtr<IDispatch> sink_;
  const ClassDef& cls_;
};

class Wrapper;

// The one connection point of a wrapper (its events); it lives inside the
// wrapper and shares its reference count.
class ConnectionPoint : public IConnectionPoint {
 public:
  explicit ConnectionPoint(Wrapper& owner) : owner_(owner) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override;
  HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** out) override;
  HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override;
  HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override;
  HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** out) override {
    if (out) *out = nullptr;
    return E_NOTIMPL;
  }

 private:
  Wrapper& owner_;
  DWORD next_ = 1;
  std::map<DWORD, std::unique_ptr<EventConnection>> connections_;
};

class Wrapper : public IDispatch, public IConnectionPointContainer, public IProvideClassInfo2 {
 public:
  explicit Wrapper(ObjectPtr object)
      : object_(std::move(object)), standIn_(dynamic_cast<StandIn*>(object_.get())),
        cls_(standIn_ ? &standIn_->classDef() : nullptr), point_(*this) {
    ++g_references;
    ++g_objects;
  }
  virtual ~Wrapper() {
    --g_objects;
    --g_references;
  }

  const ObjectPtr& object() const { return object_; }
  const ClassDef* cls() const { return cls_; }
  bool hasEvents() const { return cls_ && !cls_->events().empty(); }

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid == IID_IUnknown || iid == IID_IDispatch || (cls_ && iid == interfaceId(*cls_)))
      *out = static_cast<IDispatch*>(this);
    else if (iid == wrapperIid())
      *out = static_cast<IDispatch*>(this);
    else if (cls_ && (iid == IID_IProvideClassInfo || iid == IID_IProvideClassInfo2))
      *out = static_cast<IProvideClassInfo2*>(this);
    else if (hasEvents() && iid == IID_IConnectionPointContainer)
      *out = static_cast<IConnectionPointContainer*>(this);
    else
      return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs_); }
  ULONG STDMETHODCALLTYPE Release() override {
    long r = --refs_;
    if (r == 0) delete this;
    return static_cast<ULONG>(r);
  }

  // IDispatch
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (!count) return E_POINTER;
    *count = cls_ ? 1 : 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID, ITypeInfo** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!cls_ || index != 0) return DISP_E_BADINDEX;
    *out = interfaceTypeInfo(*cls_);
    return *out ? S_OK : TYPE_E_ELEMENTNOTFOUND;
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
    if (!names || !ids || count == 0) return E_INVALIDARG;
    std::string member = narrow(names[0]);
    HRESULT hr = S_OK;
    if (cls_) {
      const MemberDef* m = cls_->findMember(member);
      if (!m) {
        // A misspelt name never reaches Invoke; journal it here.
        Control::instance().record(JournalEntry{standIn_->objectName(), "lookup", member, {}, DISP_E_UNKNOWNNAME});
        for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
        return DISP_E_UNKNOWNNAME;
      }
      ids[0] = m->dispid;
      for (UINT i = 1; i < count; ++i) {
        std::string p = narrow(names[i]);
        ids[i] = DISPID_UNKNOWN;
        for (size_t k = 0; k < m->params.size(); ++k)
          if (vb::compareText(m->params[k].name, p) == 0 && m->params[k].name.size() == p.size())
            ids[i] = static_cast<DISPID>(k);
        if (ids[i] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
      }
      return hr;
    }
    for (UINT i = 0; i < count; ++i) ids[i] = nameId(narrow(names[i]));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                   EXCEPINFO* info, UINT* argErr) override;

  // IConnectionPointContainer
  HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** out) override {
    if (out) *out = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID iid, IConnectionPoint** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!hasEvents() || iid != eventsId(*cls_)) return CONNECT_E_NOCONNECTION;
    *out = &point_;
    point_.AddRef();
    return S_OK;
  }

  // IProvideClassInfo2
  HRESULT STDMETHODCALLTYPE GetClassInfo(ITypeInfo** out) override {
    if (!out) return E_POINTER;
    *out = classTypeInfo(*cls_);
    return *out ? S_OK : E_FAIL;
  }
  HRESULT STDMETHODCALLTYPE GetGUID(DWORD kind, GUID* out) override {
    if (!out) return E_POINTER;
    if (kind != GUIDKIND_DEFAULT_SOURCE_DISP_IID || !hasEvents()) return E_INVALIDARG;
    *out = eventsId(*cls_);
    return S_OK;
  }

 private:
  // Name-based DISPIDs for objects without a declaration.
  DISPID nameId(const std::string& name) {
    std::string key = vb::LCase(name);
    auto it = ids_.find(key);
    if (it != ids_.end()) return it->second;
    DISPID id = static_cast<DISPID>(1000 + names_.size());
    ids_[key] = id;
    names_.push_back(name);
    return id;
  }
  std::string nameOf(DISPID id) const {
    size_t i = static_cast<size_t>(id - 1000);
    return id >= 1000 && i < names_.size() ? names_[i] : std::string();
  }

  std::atomic<long> refs_{1};
  ObjectPtr object_;
  StandIn* standIn_;
  const ClassDef* cls_;
  ConnectionPoint point_;
  std::map<std::string, DISPID> ids_;
  std::vector<std::string> names_;
  friend class ConnectionPoint;
};

HRESULT Wrapper::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* info,
                        UINT* argErr) {
  if (!params) return E_INVALIDARG;
  const MemberDef* m = nullptr;
  std::string member;
  if (cls_) {
    m = cls_->findMember(static_cast<int32_t>(id));
    if (!m) return DISP_E_MEMBERNOTFOUND;
    member = m->name;
  } else {
    member = nameOf(id);
    if (member.empty()) return DISP_E_MEMBERNOTFOUND;
  }
  bool put = flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF);
  UINT count = params->cArgs, namedCount = params->cNamedArgs;
  if (namedCount > count) return E_INVALIDARG;

  // Values first (stable addresses for the by-reference slots), then Args.
  std::vector<dv::Variant> values(count);
  dv::Args args;
  const dv::Variant* assigned = nullptr;
  try {
    for (UINT i = 0; i < count; ++i) values[i] = fromVariant(params->rgvarg[i]);
    auto argument = [&](UINT i, std::string name) {
      bool byRef = params->rgvarg[i].vt & VT_BYREF;
      args.push_back(dv::Arg{std::move(name), byRef ? dv::Variant::ref(values[i]) : values[i]});
    };
    for (UINT i = count; i-- > namedCount;) argument(i, "");
    for (UINT i = 0; i < namedCount; ++i) {
      DISPID named = params->rgdispidNamedArgs[i];
      if (named == DISPID_PROPERTYPUT) {
        assigned = &values[i];
        continue;
      }
      std::string name;
      if (m) {
        if (named < 0 || static_cast<size_t>(named) >= m->params.size()) {
          if (argErr) *argErr = i;
          return DISP_E_PARAMNOTFOUND;
        }
        name = m->params[static_cast<size_t>(named)].name;
      } else {
        name = nameOf(named);
        if (name.empty()) return DISP_E_PARAMNOTFOUND;
      }
      argument(i, std::move(name));
    }
    if (put && !assigned) return DISP_E_PARAMNOTFOUND;

    dv::Variant r;
    if (flags & DISPATCH_PROPERTYPUTREF) object_->set(member, *assigned, args);
    else if (flags & DISPATCH_PROPERTYPUT) object_->let(member, *assigned, args);
    else if (flags & DISPATCH_PROPERTYGET) r = object_->get(member, args);
    else if (flags & DISPATCH_METHOD) r = object_->call(member, args);
    else return E_INVALIDARG;

    for (UINT i = 0; i < count; ++i)
      if ((params->rgvarg[i].vt & VT_BYREF) && &values[i] != assigned) writeBack(params->rgvarg[i], values[i]);
    if (result) {
      VariantInit(result);
      toVariant(r, *result);
    }
    return S_OK;
  } catch (const AutomationError& e) {
    if (isDispError(e.number())) return e.number();
    if (!info) return e.number();
    fillException(info, e.number(), e.source(), e.description());
    return DISP_E_EXCEPTION;
  } catch (const std::exception& e) {
    fillException(info, E_FAIL, cls_ && !cls_->progIds().empty() ? cls_->progIds().front() : "", e.what());
    return info ? DISP_E_EXCEPTION : E_FAIL;
  }
}

HRESULT ConnectionPoint::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (iid != IID_IUnknown && iid != IID_IConnectionPoint) return E_NOINTERFACE;
  *out = static_cast<IConnectionPoint*>(this);
  AddRef();
  return S_OK;
}
ULONG ConnectionPoint::AddRef() { return owner_.AddRef(); }
ULONG ConnectionPoint::Release() { return owner_.Release(); }

HRESULT ConnectionPoint::GetConnectionInterface(IID* iid) {
  if (!iid) return E_POINTER;
  *iid = eventsId(*owner_.cls());
  return S_OK;
}

HRESULT ConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** out) {
  if (!out) return E_POINTER;
  *out = static_cast<IConnectionPointContainer*>(&owner_);
  owner_.AddRef();
  return S_OK;
}

HRESULT ConnectionPoint::Advise(IUnknown* sink, DWORD* cookie) {
  if (!sink || !cookie) return E_POINTER;
  *cookie = 0;
  ComPtr<IDispatch> dispatch;
  if (FAILED(sink->QueryInterface(eventsId(*owner_.cls()), dispatch.putVoid())) &&
      FAILED(sink->QueryInterface(IID_IDispatch, dispatch.putVoid())))
    return CONNECT_E_CANNOTCONNECT;
  try {
    auto connection = owner_.object()->advise(std::make_shared<DispatchSink>(dispatch, *owner_.cls()));
    *cookie = next_++;
    connections_[*cookie] = std::move(connection);
    return S_OK;
  } catch (const std::exception&) {
    return CONNECT_E_CANNOTCONNECT;
  }
}

HRESULT ConnectionPoint::Unadvise(DWORD cookie) {
  auto it = connections_.find(cookie);
  if (it == connections_.end()) return CONNECT_E_NOCONNECTION;
  auto connection = std::move(it->second);  // the sink may release us
  connections_.erase(it);
  return S_OK;
}

}  // namespace

IDispatch* wrap(const ObjectPtr& object) {
  if (!object) return nullptr;
  return static_cast<IDispatch*>(new Wrapper(object));
}

ObjectPtr unwrap(IUnknown* unknown) {
  if (!unknown) return nullptr;
  IDispatch* d = nullptr;
  if (FAILED(unknown->QueryInterface(wrapperIid(), reinterpret_cast<void**>(&d))) || !d) return nullptr;
  ObjectPtr o = static_cast<Wrapper*>(d)->object();
  d->Release();
  return o;
}

long serverReferences() { return g_references.load(); }
long liveObjects() { return g_objects.load(); }
void lockServer(bool lock) {
  if (lock) ++g_references;
  else --g_references;
}

}  // namespace dv::standins::com
