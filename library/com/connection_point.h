// The connection point of the source interface __CreatePDF. It lives
// inside its container and shares the container's reference count, so an
// advised client keeps the CreatePDF object alive and nothing forms a cycle.
#pragma once

#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include <map>
#include <string_view>
#include <vector>

#include "com_util.h"
#include "dv/variant.h"

namespace dv::com {

class ConnectionPoint : public IConnectionPoint {
 public:
  ConnectionPoint(IConnectionPointContainer& container, REFIID sourceIid);
  ~ConnectionPoint();

  ULONG STDMETHODCALLTYPE AddRef() override { return container_.AddRef(); }
  ULONG STDMETHODCALLTYPE Release() override { return container_.Release(); }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;

  HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override;
  HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** container) override;
  HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override;
  HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override;
  HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** result) override;

  // Calls the event on every connected sink, in the order they connected.
  // Arguments arrive by reference as the source interface declares them;
  // sinks get copies, so what a handler changes stays with the handler.
  void fire(std::string_view name, const std::vector<Variant>& args);

  // Drops every sink (the container is going away).
  void disconnectAll() { sinks_.clear(); }

 private:
  IConnectionPointContainer& container_;
  IID sourceIid_;
  DWORD nextCookie_ = 1;
  std::map<DWORD, ComPtr<IDispatch>> sinks_;
};

// Enumerators over a snapshot, as IEnumConnectionPoints and IEnumConnections want.
HRESULT enumConnectionPoints(IConnectionPoint* only, IEnumConnectionPoints** result);

}  // namespace dv::com
