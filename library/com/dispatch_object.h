// Base of the COM classes: IUnknown from the shared plumbing, IDispatch
// through the type library and ISupportErrorInfo for one dual interface
// (and any further interfaces the class lists).
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <atomic>

#include "dispatch.h"
#include "dv/trace.h"
#include "module.h"
#include "dv/win32/com_object.h"

namespace dv::com {

template <typename Itf, typename... More>
class DispatchObject : public win32::ComObject<Itf, ISupportErrorInfo, More...> {
 public:
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

 private:
  // Looked up once per object: the dispatchers live while any object does
  // (they are released only when the module can unload).
  Dispatcher* dispatcher() {
    if (!dispatcher_) {
      try {
        dispatcher_ = &dispatcherFor(__uuidof(Itf));
      } catch (...) {
        trace("reading the type library", currentErrorText());
        return nullptr;
      }
    }
    return dispatcher_;
  }
  Dispatcher* dispatcher_ = nullptr;
};

}  // namespace dv::com
