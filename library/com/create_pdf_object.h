// CreatePDF: the library's main object. Its members convert their
// arguments, call the portable core and convert the result back; comCall
// turns whatever the core raises into an HRESULT with IErrorInfo. The
// member declarations come from the IDL (_CreatePDF_members.inc); their
// definitions live in one file per subsystem (create_pdf_convert.cpp,
// create_pdf_viewer.cpp ...). See README.md.
#pragma once

#include <windows.h>
#include <ocidl.h>

#include <memory>

#include "connection_point.h"
#include "dispatch_object.h"
#include "docvane_header.h"
#include "dv/automation.h"
#include "frame/create_pdf.h"

namespace dv::com {

class CreatePdfObject : public DispatchObject<_CreatePDF, IConnectionPointContainer, IProvideClassInfo2>,
                        private EventSink {
 public:
  static HRESULT create(REFIID riid, void** ppv);

#include "_CreatePDF_members.inc"

  // IConnectionPointContainer
  HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** result) override;
  HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID riid, IConnectionPoint** result) override;

  // IProvideClassInfo2
  HRESULT STDMETHODCALLTYPE GetClassInfo(ITypeInfo** info) override;
  HRESULT STDMETHODCALLTYPE GetGUID(DWORD kind, GUID* guid) override;

  lib::CreatePdf& core() { return *core_; }

 protected:
  HRESULT queryOther(REFIID riid, void** ppv) override;

 private:
  CreatePdfObject();
  ~CreatePdfObject() override;
  void onEvent(std::string_view name, std::vector<Variant>& args) override;

  std::unique_ptr<lib::CreatePdf> core_;
  win32::ConnectionPoint events_;
};

}  // namespace dv::com
