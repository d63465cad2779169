// The test bench's view into the automation layer (see README.md).
#pragma once

#include <windows.h>
#include <ocidl.h>

#include <memory>

#include "create_pdf_object.h"

namespace dv::com {

// The diagnostics interface of a CreatePDF object, created on demand
// (a tear-off sharing the object's identity).
class DiagnosticsObject : public DispatchObject<_DocvaneDiagnostics> {
 public:
  explicit DiagnosticsObject(CreatePdfObject& owner);
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;

#include "_DocvaneDiagnostics_members.inc"

 private:
  CreatePdfObject& owner_;
  ComPtr<IUnknown> ownerReference_;
};

}  // namespace dv::com
