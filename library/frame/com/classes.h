// The COM classes of Docvane. Each member converts its arguments, calls the
// portable core and converts the result back; comCall turns whatever the
// core raises into an HRESULT with IErrorInfo.
//
// Members that later subsystems add are declared in these classes (the
// compiler insists: the generated interface declares them pure virtual)
// and defined in a file of this folder named after the subsystem, for
// example create_pdf_convert.cpp. See ../README.md.
#pragma once

#include <windows.h>
#include <ocidl.h>

#include <memory>

#include "connection_point.h"
#include "dispatch_object.h"
#include "docvane_header.h"
#include "dv/automation.h"
#include "frame/create_pdf.h"
#include "frame/objects.h"

namespace dv::com {

class CreatePdfObject : public DispatchObject<_CreatePDF>,
                        public IConnectionPointContainer,
                        public IProvideClassInfo2,
                        private EventSink {
 public:
  static HRESULT create(REFIID riid, void** ppv);

  // IUnknown, resolved for every base.
  ULONG STDMETHODCALLTYPE AddRef() override { return DispatchObject::AddRef(); }
  ULONG STDMETHODCALLTYPE Release() override { return DispatchObject::Release(); }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    return DispatchObject::QueryInterface(riid, ppv);
  }

  // _CreatePDF: frame members.
  HRESULT STDMETHODCALLTYPE get_AccessVersion(short* intVersion) override;
  HRESULT STDMETHODCALLTYPE put_AccessVersion(short intVersion) override;
  HRESULT STDMETHODCALLTYPE OpenDocument(BSTR* strPDF, _Document** objDocument) override;
  HRESULT STDMETHODCALLTYPE SetDefPrinter(BSTR strPrinter) override;
  HRESULT STDMETHODCALLTYPE AcrobatVersion(BSTR* strVersion) override;
  HRESULT STDMETHODCALLTYPE get_TempFilePath(BSTR* strPath) override;
  HRESULT STDMETHODCALLTYPE put_TempFilePath(BSTR strPath) override;
  HRESULT STDMETHODCALLTYPE PrinterName(BSTR* strPrinterName) override;
  // _CreatePDF: viewer control and PDF operations (create_pdf_viewer.cpp).
  HRESULT STDMETHODCALLTYPE CloseAcrobat(VARIANT_BOOL* blnWaitUntilClosed, short* intTimeout,
                                         VARIANT_BOOL* blnClosed) override;
  HRESULT STDMETHODCALLTYPE IsAcrobatHidden(VARIANT_BOOL* blnHidden) override;
  HRESULT STDMETHODCALLTYPE GetNumPagesPDF(BSTR* strPDFFile, BSTR* strOpenPassword, BSTR* strOpenWindowCaption,
                                           BSTR* strPasswordWindowCaption, long* lngPages) override;
  HRESULT STDMETHODCALLTYPE PrintPDF(BSTR* strPDFFile, BSTR* strPrinter, VARIANT_BOOL* blnSilent,
                                     long* lngFirstPageNo, long* lngLastPageNo, BSTR* strOpenPassword,
                                     BSTR* strOpenWindowCaption, BSTR* strPasswordWindowCaption) override;
  HRESULT STDMETHODCALLTYPE PrintPDFinDir(BSTR* strDirectory, BSTR* strFiles, BSTR* strPrinter,
                                          VARIANT_BOOL* blnSilent, SortType* lngSortType,
                                          SortOrderType* lngSortOrder) override;
  HRESULT STDMETHODCALLTYPE PrintAPI(BSTR* strFile, long* lngResult) override;
  HRESULT STDMETHODCALLTYPE OpenPDF(BSTR* strPDFFile, BSTR* strBookmark, long* lngGoToPageNo, ReadType lngReadType,
                                    BSTR* strOpenPassword, BSTR* strOpenWindowCaption,
                                    BSTR* strPasswordWindowCaption) override;

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
  ConnectionPoint events_;
};

// The diagnostics interface of a CreatePDF object, created on demand
// (a tear-off sharing the object's identity).
class DiagnosticsObject : public DispatchObject<_DocvaneDiagnostics> {
 public:
  explicit DiagnosticsObject(CreatePdfObject& owner);
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;

  HRESULT STDMETHODCALLTYPE RaiseEvent(BSTR strEvent, VARIANT varArguments) override;
  HRESULT STDMETHODCALLTYPE Transform(BSTR* strText, LONG* lngNumber, SHORT* intNumber, VARIANT_BOOL* blnFlag,
                                      VARIANT* varValue, BSTR* strOptional, VARIANT varMissing,
                                      BSTR* strReport) override;
  HRESULT STDMETHODCALLTYPE Fail(LONG lngNumber, BSTR strDescription) override;

 private:
  CreatePdfObject& owner_;
  ComPtr<IUnknown> ownerReference_;
};

class DocumentObject : public DispatchObject<_Document> {
 public:
  // Creates the Document for the path that OpenDocument stored.
  static HRESULT create(_Document** result);
  lib::DocumentCore& core() { return *core_; }

 private:
  DocumentObject();
  std::unique_ptr<lib::DocumentCore> core_;
};

class FieldObject : public DispatchObject<_Field> {
 public:
  // Creates the Field from the hand-off values of Document.GetField.
  static HRESULT create(_Field** result);
  lib::FieldCore& core() { return *core_; }

 private:
  FieldObject();
  std::unique_ptr<lib::FieldCore> core_;
};

class NewDocumentObject : public DispatchObject<_NewDocument> {
 public:
  static HRESULT create(REFIID riid, void** ppv);
  lib::NewDocumentCore& core() { return *core_; }

 private:
  NewDocumentObject();
  std::unique_ptr<lib::NewDocumentCore> core_;
};

}  // namespace dv::com
