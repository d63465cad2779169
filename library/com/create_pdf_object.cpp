// CreatePDF: the frame's members, events and class information.
#include <new>

#include "create_pdf_object.h"
#include "diagnostics_object.h"
#include "document_object.h"
#include "com_util.h"
#include "dv/vb.h"
#include "dv/win32/automation.h"
#include "frame/printers.h"
#include "module.h"

namespace dv::com {

CreatePdfObject::CreatePdfObject() : core_(std::make_unique<lib::CreatePdf>(host())), events_(*this, DIID___CreatePDF) {
  core_->setEventSink(this);
}

CreatePdfObject::~CreatePdfObject() {
  core_->setEventSink(nullptr);
  events_.disconnectAll();
}

HRESULT CreatePdfObject::create(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  CreatePdfObject* object = nullptr;
  HRESULT hr = comCall(IID__CreatePDF, [&] { object = new CreatePdfObject(); });
  if (FAILED(hr)) return hr;
  hr = object->QueryInterface(riid, ppv);
  object->Release();
  return hr;
}

namespace {

// The diagnostics interface raises events and errors at will: it exists for
// the test bench, which switches it on for its own prefix, and never for a
// client of the shipped library.
bool diagnosticsEnabled() {
  DWORD value = 0, size = sizeof(value);
  return RegGetValueW(HKEY_CURRENT_USER, L"Software\\Docvane\\TestBench", L"Diagnostics", RRF_RT_REG_DWORD, nullptr,
                      &value, &size) == ERROR_SUCCESS &&
         value != 0;
}

}  // namespace

HRESULT CreatePdfObject::queryOther(REFIID riid, void** ppv) {
  if (riid != IID__DocvaneDiagnostics || !diagnosticsEnabled()) return E_NOINTERFACE;
  *ppv = static_cast<_DocvaneDiagnostics*>(new (std::nothrow) DiagnosticsObject(*this));
  return *ppv ? S_OK : E_OUTOFMEMORY;
}

HRESULT CreatePdfObject::get_AccessVersion(short* intVersion) {
  if (!intVersion) return E_POINTER;
  return comCall(IID__CreatePDF, [&] { *intVersion = core_->AccessVersion(); });
}

HRESULT CreatePdfObject::put_AccessVersion(short intVersion) {
  return comCall(IID__CreatePDF, [&] { core_->setAccessVersion(intVersion); });
}

HRESULT CreatePdfObject::OpenDocument(BSTR* strPDF, _Document** objDocument) {
  if (!strPDF || !objDocument) return E_POINTER;
  *objDocument = nullptr;
  HRESULT hr = comCall(IID__CreatePDF, [&] { core_->OpenDocument(fromBstr(*strPDF)); });
  if (FAILED(hr)) return hr;
  return DocumentObject::create(objDocument);
}

HRESULT CreatePdfObject::SetDefPrinter(BSTR strPrinter) {
  return comCall(IID__CreatePDF, [&] { lib::setDefPrinter(core_->host(), fromBstr(strPrinter)); });
}

HRESULT CreatePdfObject::AcrobatVersion(BSTR* strVersion) {
  if (!strVersion) return E_POINTER;
  return comCall(IID__CreatePDF, [&] { *strVersion = allocBstr(core_->AcrobatVersion()); });
}

HRESULT CreatePdfObject::get_TempFilePath(BSTR* strPath) {
  if (!strPath) return E_POINTER;
  return comCall(IID__CreatePDF, [&] { *strPath = allocBstr(core_->TempFilePath()); });
}

HRESULT CreatePdfObject::put_TempFilePath(BSTR strPath) {
  return comCall(IID__CreatePDF, [&] { core_->setTempFilePath(fromBstr(strPath)); });
}

HRESULT CreatePdfObject::PrinterName(BSTR* strPrinterName) {
  if (!strPrinterName) return E_POINTER;
  return comCall(IID__CreatePDF, [&] { *strPrinterName = allocBstr(core_->PrinterName()); });
}

HRESULT CreatePdfObject::EnumConnectionPoints(IEnumConnectionPoints** result) {
  return win32::enumConnectionPoints({&events_}, result);
}

HRESULT CreatePdfObject::FindConnectionPoint(REFIID riid, IConnectionPoint** result) {
  if (!result) return E_POINTER;
  *result = nullptr;
  if (riid != DIID___CreatePDF) return CONNECT_E_NOCONNECTION;
  *result = &events_;
  events_.AddRef();
  return S_OK;
}

HRESULT CreatePdfObject::GetClassInfo(ITypeInfo** info) {
  if (!info) return E_POINTER;
  *info = nullptr;
  return comCall(IID__CreatePDF, [&] {
    HRESULT hr = typeLibrary()->GetTypeInfoOfGuid(clsidOf(L"CreatePDF"), info);
    if (FAILED(hr)) throw AutomationError(hr, vb::kLibrarySource, "The class information cannot be read.");
  });
}

HRESULT CreatePdfObject::GetGUID(DWORD kind, GUID* guid) {
  if (!guid) return E_POINTER;
  if (kind != GUIDKIND_DEFAULT_SOURCE_DISP_IID) {
    *guid = GUID_NULL;
    return E_INVALIDARG;
  }
  *guid = DIID___CreatePDF;
  return S_OK;
}

void CreatePdfObject::onEvent(std::string_view name, std::vector<Variant>& args) {
  // Keep the object alive while clients' handlers run: a handler may drop
  // its last reference to it.
  ComPtr<IUnknown> self(static_cast<_CreatePDF*>(this));
  fireEvent(events_, name, args);
}

}  // namespace dv::com
