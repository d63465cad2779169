// Connection points, shared by the library and the stand-ins: the
// snapshot enumerators IEnumConnectionPoints and IEnumConnections want,
// and a connection point that keeps its sinks by cookie. The point lives
// inside its container and shares the container's reference count, so an
// advised client keeps the object alive and nothing forms a cycle.
#pragma once

#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include <map>
#include <new>
#include <vector>

#include "dv/win32/com.h"
#include "dv/win32/com_object.h"

namespace dv::win32 {

namespace detail {
inline void hold(CONNECTDATA& d) {
  if (d.pUnk) d.pUnk->AddRef();
}
inline void drop(CONNECTDATA& d) {
  if (d.pUnk) d.pUnk->Release();
}
inline void hold(IConnectionPoint* p) {
  if (p) p->AddRef();
}
inline void drop(IConnectionPoint* p) {
  if (p) p->Release();
}
}  // namespace detail

// An enumerator over a snapshot of references (each held while listed).
template <typename IEnum, typename T>
class SnapshotEnum final : public ComObject<IEnum> {
 public:
  explicit SnapshotEnum(std::vector<T> items, size_t position = 0) : items_(std::move(items)), position_(position) {
    for (T& item : items_) detail::hold(item);
  }
  HRESULT STDMETHODCALLTYPE Next(ULONG count, T* out, ULONG* fetched) override {
    if (!out || (count > 1 && !fetched)) return E_POINTER;
    ULONG n = 0;
    while (n < count && position_ < items_.size()) {
      out[n] = items_[position_++];
      detail::hold(out[n]);
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
  ~SnapshotEnum() override {
    for (T& item : items_) detail::drop(item);
  }
  std::vector<T> items_;
  size_t position_;
};

// IEnumConnectionPoints over the container's points.
inline HRESULT enumConnectionPoints(std::vector<IConnectionPoint*> points, IEnumConnectionPoints** result) {
  if (!result) return E_POINTER;
  *result = new (std::nothrow) SnapshotEnum<IEnumConnectionPoints, IConnectionPoint*>(std::move(points));
  return *result ? S_OK : E_OUTOFMEMORY;
}

// One connection point of an outgoing dispatch interface. A sink is taken
// as the source interface or as any IDispatch (script hosts). Subclasses
// may act on each connection (accepted) and disconnection (dropped).
class ConnectionPoint : public IConnectionPoint {
 public:
  ConnectionPoint(IConnectionPointContainer& container, REFIID sourceIid)
      : container_(container), sourceIid_(sourceIid) {}
  virtual ~ConnectionPoint() = default;
  ConnectionPoint(const ConnectionPoint&) = delete;
  ConnectionPoint& operator=(const ConnectionPoint&) = delete;

  ULONG STDMETHODCALLTYPE AddRef() override { return container_.AddRef(); }
  ULONG STDMETHODCALLTYPE Release() override { return container_.Release(); }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (riid != IID_IUnknown && riid != IID_IConnectionPoint) return E_NOINTERFACE;
    *ppv = static_cast<IConnectionPoint*>(this);
    AddRef();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override {
    if (!iid) return E_POINTER;
    *iid = sourceIid_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** container) override {
    if (!container) return E_POINTER;
    *container = &container_;
    container_.AddRef();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override {
    if (!sink || !cookie) return E_POINTER;
    *cookie = 0;
    ComPtr<IDispatch> dispatch;
    if (FAILED(sink->QueryInterface(sourceIid_, dispatch.putVoid())) &&
        FAILED(sink->QueryInterface(IID_IDispatch, dispatch.putVoid())))
      return CONNECT_E_CANNOTCONNECT;
    DWORD id = nextCookie_;
    if (!accepted(id, dispatch)) return CONNECT_E_CANNOTCONNECT;
    ++nextCookie_;
    sinks_.emplace(id, std::move(dispatch));
    *cookie = id;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override {
    auto it = sinks_.find(cookie);
    if (it == sinks_.end()) return CONNECT_E_NOCONNECTION;
    ComPtr<IDispatch> sink = std::move(it->second);  // released last: the sink may release us
    sinks_.erase(it);
    dropped(cookie);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** result) override {
    if (!result) return E_POINTER;
    std::vector<CONNECTDATA> items;
    for (auto& [cookie, sink] : sinks_) items.push_back(CONNECTDATA{sink.get(), cookie});
    *result = new (std::nothrow) SnapshotEnum<IEnumConnections, CONNECTDATA>(std::move(items));
    return *result ? S_OK : E_OUTOFMEMORY;
  }

  const IID& sourceIid() const { return sourceIid_; }
  bool empty() const { return sinks_.empty(); }
  // The sinks in the order they connected: a snapshot, since a handler
  // may disconnect itself or others while events are delivered.
  std::vector<ComPtr<IDispatch>> sinks() const {
    std::vector<ComPtr<IDispatch>> all;
    for (auto& [cookie, sink] : sinks_) all.push_back(sink);
    return all;
  }
  // Drops every sink (the container is going away).
  void disconnectAll() {
    auto all = std::move(sinks_);
    sinks_.clear();
    for (auto& [cookie, sink] : all) dropped(cookie);
  }

 protected:
  virtual bool accepted(DWORD /*cookie*/, const ComPtr<IDispatch>& /*sink*/) { return true; }
  virtual void dropped(DWORD /*cookie*/) {}

 private:
  IConnectionPointContainer& container_;
  IID sourceIid_;
  DWORD nextCookie_ = 1;
  std::map<DWORD, ComPtr<IDispatch>> sinks_;
};

}  // namespace dv::win32
