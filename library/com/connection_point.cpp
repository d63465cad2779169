#include "connection_point.h"

#include <atomic>

#include "dv/vb.h"
#include "dv/win32/automation.h"
#include "module.h"

namespace dv::com {

namespace {

void hold(CONNECTDATA& d) {
  if (d.pUnk) d.pUnk->AddRef();
}
void drop(CONNECTDATA& d) {
  if (d.pUnk) d.pUnk->Release();
}
void hold(IConnectionPoint*& p) {
  if (p) p->AddRef();
}
void drop(IConnectionPoint*& p) {
  if (p) p->Release();
}

template <typename IEnum, typename T>
class SnapshotEnum final : public IEnum {
 public:
  explicit SnapshotEnum(std::vector<T> items, size_t position = 0) : items_(std::move(items)), position_(position) {
    for (T& item : items_) hold(item);
    objectCreated();
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs_); }
  ULONG STDMETHODCALLTYPE Release() override {
    long n = --refs_;
    if (n == 0) delete this;
    return static_cast<ULONG>(n);
  }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    if (riid == IID_IUnknown || riid == __uuidof(IEnum)) {
      *ppv = static_cast<IEnum*>(this);
      AddRef();
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  HRESULT STDMETHODCALLTYPE Next(ULONG count, T* out, ULONG* fetched) override {
    if (!out || (count > 1 && !fetched)) return E_POINTER;
    ULONG n = 0;
    while (n < count && position_ < items_.size()) {
      out[n] = items_[position_++];
      hold(out[n]);
      ++n;
    }
    if (fetched) *fetched = n;
    return n == count ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Skip(ULONG count) override {
    size_t left = items_.size() - position_;
    position_ += count < left ? count : left;
    return count <= left ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Reset() override {
    position_ = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Clone(IEnum** result) override {
    if (!result) return E_POINTER;
    *result = new (std::nothrow) SnapshotEnum(items_, position_);
    return *result ? S_OK : E_OUTOFMEMORY;
  }

 private:
  ~SnapshotEnum() {
    for (T& item : items_) drop(item);
    objectDestroyed();
  }
  std::vector<T> items_;
  size_t position_;
  std::atomic<long> refs_{1};
};

// The value of one event argument in the type the source interface declares.
void toDeclared(const Variant& value, VARTYPE vt, VARIANT& out) {
  Var plain;
  win32::toVariant(value, plain);
  VariantInit(&out);
  if (FAILED(VariantChangeType(&out, &plain, 0, vt))) vb::raise(vb::kTypeMismatch);
}

}  // namespace

HRESULT enumConnectionPoints(IConnectionPoint* only, IEnumConnectionPoints** result) {
  if (!result) return E_POINTER;
  *result = new (std::nothrow) SnapshotEnum<IEnumConnectionPoints, IConnectionPoint*>({only});
  return *result ? S_OK : E_OUTOFMEMORY;
}

ConnectionPoint::ConnectionPoint(IConnectionPointContainer& container, REFIID sourceIid)
    : container_(container), sourceIid_(sourceIid) {}

ConnectionPoint::~ConnectionPoint() = default;

HRESULT ConnectionPoint::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  if (riid == IID_IUnknown || riid == IID_IConnectionPoint) {
    *ppv = static_cast<IConnectionPoint*>(this);
    AddRef();
    return S_OK;
  }
  *ppv = nullptr;
  return E_NOINTERFACE;
}

HRESULT ConnectionPoint::GetConnectionInterface(IID* iid) {
  if (!iid) return E_POINTER;
  *iid = sourceIid_;
  return S_OK;
}

HRESULT ConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** container) {
  if (!container) return E_POINTER;
  *container = &container_;
  container_.AddRef();
  return S_OK;
}

HRESULT ConnectionPoint::Advise(IUnknown* sink, DWORD* cookie) {
  if (!sink || !cookie) return E_POINTER;
  *cookie = 0;
  ComPtr<IDispatch> dispatch;
  // A typed sink of the source interface, or any IDispatch (script hosts).
  if (FAILED(sink->QueryInterface(sourceIid_, reinterpret_cast<void**>(dispatch.put()))) &&
      FAILED(sink->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(dispatch.put()))))
    return CONNECT_E_CANNOTCONNECT;
  DWORD id = nextCookie_++;
  sinks_.emplace(id, std::move(dispatch));
  *cookie = id;
  return S_OK;
}

HRESULT ConnectionPoint::Unadvise(DWORD cookie) {
  return sinks_.erase(cookie) ? S_OK : CONNECT_E_NOCONNECTION;
}

HRESULT ConnectionPoint::EnumConnections(IEnumConnections** result) {
  if (!result) return E_POINTER;
  std::vector<CONNECTDATA> items;
  for (auto& [cookie, sink] : sinks_) items.push_back(CONNECTDATA{sink.get(), cookie});
  *result = new (std::nothrow) SnapshotEnum<IEnumConnections, CONNECTDATA>(std::move(items));
  return *result ? S_OK : E_OUTOFMEMORY;
}

void ConnectionPoint::fire(std::string_view name, const std::vector<Variant>& args) {
  if (sinks_.empty()) return;
  ComPtr<ITypeInfo> info;
  if (FAILED(typeLibrary()->GetTypeInfoOfGuid(sourceIid_, info.put()))) return;
  std::wstring wideName = widen(name);
  LPOLESTR names[] = {wideName.data()};
  DISPID id = DISPID_UNKNOWN;
  if (FAILED(info->GetIDsOfNames(names, 1, &id))) vb::raise(vb::kObjectDoesntSupport);

  // Declared argument types of the event.
  std::vector<VARTYPE> types;
  bool found = false;
  TYPEATTR* attr = nullptr;
  if (SUCCEEDED(info->GetTypeAttr(&attr))) {
    for (UINT i = 0; i < attr->cFuncs && !found; ++i) {
      FUNCDESC* desc = nullptr;
      if (FAILED(info->GetFuncDesc(i, &desc))) continue;
      if (desc->memid == id) {
        found = true;
        for (SHORT p = 0; p < desc->cParams; ++p) {
          const TYPEDESC& t = desc->lprgelemdescParam[p].tdesc;
          types.push_back(t.vt == VT_PTR ? t.lptdesc->vt : t.vt);
        }
      }
      info->ReleaseFuncDesc(desc);
    }
    info->ReleaseTypeAttr(attr);
  }
  if (!found || types.size() != args.size()) vb::raise(vb::kInvalidProcedureCall);

  // Snapshot: a handler may disconnect itself or others while we call.
  std::vector<ComPtr<IDispatch>> targets;
  for (auto& [cookie, sink] : sinks_) targets.push_back(sink);
  for (ComPtr<IDispatch>& sink : targets) {
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
    EXCEPINFO excep = {};
    UINT argErr = 0;
    // A failing handler is the client's business; the others still hear the event.
    sink->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, &result, &excep, &argErr);
    SysFreeString(excep.bstrSource);
    SysFreeString(excep.bstrDescription);
    SysFreeString(excep.bstrHelpFile);
  }
}

}  // namespace dv::com
