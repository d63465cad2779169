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
#include "dv/trace.h"
#include "dv/vb.h"
#include "dv/win32/automation.h"
#include "dv/win32/com_object.h"
#include "dv/win32/connection_point.h"
#include "dv/win32/text.h"

namespace dv::standins::com {

using dv::win32::ComObject;
using dv::win32::ComPtr;
using dv::win32::fromVariant;
using dv::win32::narrow;
using dv::win32::ScopedVariant;
using dv::win32::toVariant;

namespace {

std::atomic<long> g_wrappers{0};

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
  ScopedVariant converted;
  toVariant(value, converted.v);
  if (FAILED(dv::win32::storeByRef(target, converted.v))) dv::vb::raise(dv::vb::kTypeMismatch);
}

// Delivers a stand-in's events to a client's sink IDispatch.
class DispatchSink : public EventSink {
 public:
  DispatchSink(ComPtr<IDispatch> sink, const ClassDef& cls) : sink_(std::move(sink)), cls_(cls) {}

  void onEvent(std::string_view name, std::vector<dv::Variant>& args) override {
    const EventDef* e = cls_.findEvent(name);
    if (!e) return;
    size_t n = args.size();
    dv::win32::VariantArray holders(n);
    std::vector<VARIANT> passed(n);  // shallow views of the holders
    for (size_t i = 0; i < n; ++i) {
      const TypeDesc& t = e->params[i].type;
      toVariant(args[i], holders[i]);
      VARIANT& p = passed[n - 1 - i];  // DISPPARAMS run backwards
      VariantInit(&p);
      if (!t.byRef) {
        p = holders[i];
        continue;
      }
      if (t.type == VarType::Variant) {
        p.vt = VT_BYREF | VT_VARIANT;
        p.pvarVal = &holders[i];
        continue;
      }
      const VARTYPE vt = dv::win32::vartypeOf(t.type);
      if (holders[i].vt != vt) VariantChangeType(&holders[i], &holders[i], 0, vt);
      p.vt = static_cast<VARTYPE>(VT_BYREF | vt);
      p.byref = &holders[i].bstrVal;  // the start of the value union
    }
    DISPPARAMS dp{passed.data(), nullptr, static_cast<UINT>(n), 0};
    dv::win32::ScopedExcepInfo info;
    HRESULT hr =
        sink_->Invoke(e->dispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &dp, nullptr, info.get(), nullptr);
    if (FAILED(hr)) {
      // Like any connection point: a failing sink is not the source's error.
      dv::trace("stand-in event " + std::string(name), dv::win32::describeHresult(hr));
      return;
    }
    for (size_t i = 0; i < n; ++i)
      if (e->params[i].type.byRef) args[i].assign(fromVariant(holders[i]));
  }

 private:
  ComPtr<IDispatch> sink_;
  const ClassDef& cls_;
};

class Wrapper;

// The one connection point of a wrapper (its events): each sink that
// connects becomes a connection to the stand-in's events.
class ConnectionPoint final : public dv::win32::ConnectionPoint {
 public:
  ConnectionPoint(Wrapper& owner, REFIID events);

 protected:
  bool accepted(DWORD cookie, const ComPtr<IDispatch>& sink) override;
  void dropped(DWORD cookie) override {
    auto it = connections_.find(cookie);
    if (it == connections_.end()) return;
    auto connection = std::move(it->second);  // ends after the map is consistent again
    connections_.erase(it);
  }

 private:
  Wrapper& owner_;
  std::map<DWORD, std::unique_ptr<EventConnection>> connections_;
};

class Wrapper final : public ComObject<IDispatch, IConnectionPointContainer, IProvideClassInfo2> {
 public:
  explicit Wrapper(ObjectPtr object)
      : object_(std::move(object)),
        standIn_(dynamic_cast<StandIn*>(object_.get())),
        cls_(standIn_ ? &standIn_->classDef() : nullptr),
        point_(*this, hasEvents() ? eventsId(*cls_) : IID_NULL) {
    ++g_wrappers;
  }

  const ObjectPtr& object() const { return object_; }
  const ClassDef* cls() const { return cls_; }
  bool hasEvents() const { return cls_ && !cls_->events().empty(); }

  // IUnknown: objects that are not stand-ins have no class information,
  // and only a class with events has a connection point.
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if ((iid == IID_IConnectionPointContainer && !hasEvents()) ||
        ((iid == IID_IProvideClassInfo || iid == IID_IProvideClassInfo2) && !cls_)) {
      if (out) *out = nullptr;
      return out ? E_NOINTERFACE : E_POINTER;
    }
    return ComObject::QueryInterface(iid, out);
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
    std::vector<IConnectionPoint*> points;
    if (hasEvents()) points.push_back(&point_);
    return dv::win32::enumConnectionPoints(std::move(points), out);
  }
  HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID iid, IConnectionPoint** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!hasEvents() || iid != point_.sourceIid()) return CONNECT_E_NOCONNECTION;
    *out = &point_;
    point_.AddRef();
    return S_OK;
  }

  // IProvideClassInfo2
  HRESULT STDMETHODCALLTYPE GetClassInfo(ITypeInfo** out) override {
    if (!out) return E_POINTER;
    *out = cls_ ? classTypeInfo(*cls_) : nullptr;
    return *out ? S_OK : E_FAIL;
  }
  HRESULT STDMETHODCALLTYPE GetGUID(DWORD kind, GUID* out) override {
    if (!out) return E_POINTER;
    if (kind != GUIDKIND_DEFAULT_SOURCE_DISP_IID || !hasEvents()) return E_INVALIDARG;
    *out = point_.sourceIid();
    return S_OK;
  }

 protected:
  ~Wrapper() override { --g_wrappers; }

  // The class's own interface, and the private one that recognises our
  // wrappers among incoming pointers.
  HRESULT queryOther(REFIID iid, void** out) override {
    if (iid != wrapperIid() && !(cls_ && iid == interfaceId(*cls_))) return E_NOINTERFACE;
    *out = static_cast<IDispatch*>(this);
    AddRef();
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

  ObjectPtr object_;  // outlives the point's connections
  StandIn* standIn_;
  const ClassDef* cls_;
  ConnectionPoint point_;
  std::map<std::string, DISPID> ids_;
  std::vector<std::string> names_;
};

ConnectionPoint::ConnectionPoint(Wrapper& owner, REFIID events)
    : dv::win32::ConnectionPoint(owner, events), owner_(owner) {}

bool ConnectionPoint::accepted(DWORD cookie, const ComPtr<IDispatch>& sink) {
  try {
    connections_[cookie] = owner_.object()->advise(std::make_shared<DispatchSink>(sink, *owner_.cls()));
    return true;
  } catch (const std::exception&) {
    dv::trace("stand-in Advise", dv::currentErrorText());
    return false;
  }
}

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
    dv::win32::fillExcepInfo(info, e.number(), e.source(), e.description());
    return DISP_E_EXCEPTION;
  } catch (const std::exception& e) {
    const std::string source = cls_ && !cls_->progIds().empty() ? cls_->progIds().front() : "";
    dv::win32::fillExcepInfo(info, E_FAIL, source, e.what());
    return info ? DISP_E_EXCEPTION : E_FAIL;
  }
}

}  // namespace

IDispatch* wrap(const ObjectPtr& object) {
  if (!object) return nullptr;
  return static_cast<IDispatch*>(new Wrapper(object));
}

ObjectPtr unwrap(IUnknown* unknown) {
  if (!unknown) return nullptr;
  ComPtr<IDispatch> d;
  if (FAILED(unknown->QueryInterface(wrapperIid(), d.putVoid())) || !d) return nullptr;
  return static_cast<Wrapper*>(d.get())->object();
}

long serverReferences() {
  const auto& counts = dv::win32::moduleCounts();
  return counts.objects.load() + counts.locks.load();
}
long liveObjects() { return g_wrappers.load(); }

}  // namespace dv::standins::com
