// A hidden interface of CreatePDF that raises one of its events on demand,
// through the same path the conversions use. It lets the Wine tests prove
// delivery to connected sinks without Distiller. It is not part of the
// type library and no client binds to it by name.
#pragma once

#include <windows.h>
#include <unknwn.h>

// {3bbd7a2b-d3dd-4406-ace5-6d2d8665fa88}
struct IDocvaneEventProbe : public IUnknown {
  // Raises the event `name` of __CreatePDF with `count` arguments in
  // declaration order.
  virtual HRESULT STDMETHODCALLTYPE RaiseEvent(LPCOLESTR name, UINT count, const VARIANT* args) = 0;
};
#ifdef __CRT_UUID_DECL
__CRT_UUID_DECL(IDocvaneEventProbe, 0x3bbd7a2b, 0xd3dd, 0x4406, 0xac, 0xe5, 0x6d, 0x2d, 0x86, 0x65, 0xfa, 0x88)
#endif
