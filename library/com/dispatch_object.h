// Base of the COM classes: reference counting, QueryInterface, IDispatch
// through the type library and ISupportErrorInfo for one dual interface.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <atomic>

#include "dispatch.h"
#include "module.h"

namespace dv::com {

template <typename Itf>
class DispatchObject : public Itf, public ISupportErrorInfo {
 public:
  DispatchObject() { objectCreated(); }

  // IUnknown (shared by every interface of the object)
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs_); }
  ULONG STDMETHODCALLTYPE Release() override {
    long n = --refs_;
    if (n == 0) delete this;
    return static_cast<ULONG>(n);
  }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (riid == IID_IUnknown || riid == IID_IDispatch || riid == __uuidof(Itf))
      *ppv = static_cast<Itf*>(this);
    else if (riid == IID_ISupportErrorInfo)
      *ppv = static_cast<ISupportErrorInfo*>(this);
    else
      return queryOther(riid, ppv);
    AddRef();
    return S_OK;
  }

  // IDispatch
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (!count) return E_POINTER;
    *count = 1;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID, ITypeInfo** info) override {
    if (!info) return E_POINTER;
    *info = nullptr;
    if (index != 0) return DISP_E_BADINDEX;
    Dispatcher* d = dispatcher();
    if (!d) return TYPE_E_CANTLOADLIBRARY;
    *info = d->dispatchTypeInfo();
    (*info)->AddRef();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
    Dispatcher* d = dispatcher();
    return d ? d->getIDsOfNames(names, count, ids) : TYPE_E_CANTLOADLIBRARY;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                   EXCEPINFO* excep, UINT* argErr) override {
    Dispatcher* d = dispatcher();
    return d ? d->invoke(static_cast<Itf*>(this), id, flags, params, result, excep, argErr) : TYPE_E_CANTLOADLIBRARY;
  }

  // ISupportErrorInfo
  HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID riid) override {
    return riid == __uuidof(Itf) ? S_OK : S_FALSE;
  }

 protected:
  virtual ~DispatchObject() { objectDestroyed(); }
  // Further interfaces of the object; a pointer handed out carries its reference.
  virtual HRESULT queryOther(REFIID, void**) { return E_NOINTERFACE; }

 private:
  // Looked up once per object: the dispatchers live while any object does
  // (they are released only when the module can unload).
  Dispatcher* dispatcher() {
    if (!dispatcher_) {
      try {
        dispatcher_ = &dispatcherFor(__uuidof(Itf));
      } catch (...) {
        return nullptr;
      }
    }
    return dispatcher_;
  }
  std::atomic<long> refs_{1};
  Dispatcher* dispatcher_ = nullptr;
};

}  // namespace dv::com
