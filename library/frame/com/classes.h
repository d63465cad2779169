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
#include "document/document.h"
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

  // _CreatePDF: data interchange (create_pdf_data.cpp).
  HRESULT STDMETHODCALLTYPE TextFileToArray(BSTR* strTextFile, VARIANT* varArray, VARIANT strDelimiter,
                                            VARIANT_BOOL blnRemoveQuotes, short* intResult) override;
  // _CreatePDF: PostScript and Word conversions (create_pdf_convert.cpp).
  HRESULT STDMETHODCALLTYPE CreatePDFfromPS(BSTR* strPDFFile, BSTR* strPSFile, BSTR* strDistiller,
                                            VARIANT_BOOL* blnShowWindow, VARIANT_BOOL* blnSpoolJobs,
                                            BSTR* strJobOptionsFile, VARIANT_BOOL* blnApplySecurity) override;
  HRESULT STDMETHODCALLTYPE CreatePDFfromMultiPS(BSTR* strPDFFile, VARIANT* varPSFiles, BSTR* strDistiller,
                                                 VARIANT_BOOL* blnShowWindow, VARIANT_BOOL* blnSpoolJobs,
                                                 BSTR* strJobOptionsFile, VARIANT_BOOL* blnApplySecurity) override;
  HRESULT STDMETHODCALLTYPE CreatePDFfromWord(BSTR* strPDFFile, BSTR* strWordDocument, BSTR* strPassword,
                                              BSTR* strWritePassword, BSTR* strPages, VARIANT_BOOL* blnLandscape,
                                              VARIANT_BOOL* blnPageNumberInFooter, VARIANT_BOOL* blnPageNumberInHeader,
                                              AlignType* lngPageNumberAlignment, VARIANT_BOOL* blnFirstPage,
                                              BSTR* strDistiller, VARIANT_BOOL* blnShowWindow,
                                              VARIANT_BOOL* blnSpoolJobs, BSTR* strJobOptionsFile,
                                              VARIANT_BOOL* blnApplySecurity) override;
  HRESULT STDMETHODCALLTYPE CreatePDFfromWord2(BSTR* strPDFFile, BSTR* strWordDocument, BSTR* strPassword,
                                               BSTR* strWritePassword, BSTR* strPages, VARIANT_BOOL* blnLandscape,
                                               VARIANT_BOOL* blnPageNumberInFooter,
                                               VARIANT_BOOL* blnPageNumberInHeader, AlignType* lngPageNumberAlignment,
                                               VARIANT_BOOL* blnFirstPage, BSTR* strDistiller,
                                               VARIANT_BOOL* blnCloseAcrobat, BSTR* strSaveWindowCaption) override;
  HRESULT STDMETHODCALLTYPE CreatePDFfromWord3(BSTR* strPDFFile, BSTR* strWordDocument, BSTR* strPrinter,
                                               BSTR* strPassword, BSTR* strWritePassword, BSTR* strPages,
                                               VARIANT_BOOL* blnLandscape, VARIANT_BOOL* blnPageNumberInFooter,
                                               VARIANT_BOOL* blnPageNumberInHeader, AlignType* lngPageNumberAlignment,
                                               VARIANT_BOOL* blnFirstPage, VARIANT_BOOL* blnShowWindow,
                                               VARIANT_BOOL* blnSpoolJobs, BSTR* strJobOptionsFile,
                                               VARIANT_BOOL* blnApplySecurity) override;
  HRESULT STDMETHODCALLTYPE CreatePSfromWord(BSTR* strPSFile, BSTR* strWordDocument, BSTR* strPassword,
                                             BSTR* strWritePassword, BSTR* strPages, VARIANT_BOOL* blnLandscape,
                                             VARIANT_BOOL* blnPageNumberInFooter, VARIANT_BOOL* blnPageNumberInHeader,
                                             AlignType* lngPageNumberAlignment, VARIANT_BOOL* blnFirstPage,
                                             BSTR* strDistiller) override;
  HRESULT STDMETHODCALLTYPE CreatePSfromWord2(BSTR* strPSFile, BSTR* strWordDocument, BSTR* strPrinter,
                                              BSTR* strPassword, BSTR* strWritePassword, BSTR* strPages,
                                              VARIANT_BOOL* blnLandscape, VARIANT_BOOL* blnPageNumberInFooter,
                                              VARIANT_BOOL* blnPageNumberInHeader, AlignType* lngPageNumberAlignment,
                                              VARIANT_BOOL* blnFirstPage) override;

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
  lib::Document& core() { return *core_; }

  // _Document (document_members.cpp).
  HRESULT STDMETHODCALLTYPE get_AcrobatFormsVersion(BSTR* s) override;
  HRESULT STDMETHODCALLTYPE get_AcrobatLanguage(BSTR* s) override;
  HRESULT STDMETHODCALLTYPE get_AcrobatPlatform(BSTR* s) override;
  HRESULT STDMETHODCALLTYPE get_AcrobatViewerType(BSTR* s) override;
  HRESULT STDMETHODCALLTYPE get_AcrobatViewerVariation(BSTR* s) override;
  HRESULT STDMETHODCALLTYPE get_AcrobatViewerVersion(BSTR* s) override;
  HRESULT STDMETHODCALLTYPE get_Author(BSTR* s) override;
  HRESULT STDMETHODCALLTYPE put_Author(BSTR s) override;
  HRESULT STDMETHODCALLTYPE get_BaseURL(BSTR* s) override;
  HRESULT STDMETHODCALLTYPE put_BaseURL(BSTR s) override;
  HRESULT STDMETHODCALLTYPE get_Calculate(VARIANT_BOOL* b) override;
  HRESULT STDMETHODCALLTYPE put_Calculate(VARIANT_BOOL b) override;
  HRESULT STDMETHODCALLTYPE get_CreationDate(DATE* d) override;
  HRESULT STDMETHODCALLTYPE get_Creator(BSTR* s) override;
  HRESULT STDMETHODCALLTYPE get_DataObjects(VARIANT* v) override;
  HRESULT STDMETHODCALLTYPE get_Dirty(VARIANT_BOOL* b) override;
  HRESULT STDMETHODCALLTYPE put_Dirty(VARIANT_BOOL b) override;
  HRESULT STDMETHODCALLTYPE get_Disclosed(VARIANT_BOOL* b) override;
  HRESULT STDMETHODCALLTYPE put_Disclosed(VARIANT_BOOL b) override;
  HRESULT STDMETHODCALLTYPE get_DocumentFilename(BSTR* s) override;
  HRESULT STDMETHODCALLTYPE get_DynamicXFAForm(VARIANT_BOOL* b) override;
  HRESULT STDMETHODCALLTYPE get_FileSize(long* n) override;
  HRESULT STDMETHODCALLTYPE get_Icons(VARIANT* v) override;
  HRESULT STDMETHODCALLTYPE get_KeyWords(BSTR* s) override;
  HRESULT STDMETHODCALLTYPE put_KeyWords(BSTR s) override;
  HRESULT STDMETHODCALLTYPE get_InstanceID(BSTR* s) override;
  HRESULT STDMETHODCALLTYPE get_PermanentID(BSTR* s) override;
  HRESULT STDMETHODCALLTYPE get_PageMode(BSTR* s) override;
  HRESULT STDMETHODCALLTYPE get_MetaData(BSTR* s) override;
  HRESULT STDMETHODCALLTYPE put_MetaData(BSTR s) override;
  HRESULT STDMETHODCALLTYPE get_ModDate(DATE* d) override;
  HRESULT STDMETHODCALLTYPE get_NoAutoComplete(VARIANT_BOOL* b) override;
  HRESULT STDMETHODCALLTYPE put_NoAutoComplete(VARIANT_BOOL b) override;
  HRESULT STDMETHODCALLTYPE get_NoCache(VARIANT_BOOL* b) override;
  HRESULT STDMETHODCALLTYPE put_NoCache(VARIANT_BOOL b) override;
  HRESULT STDMETHODCALLTYPE get_NumFields(long* n) override;
  HRESULT STDMETHODCALLTYPE get_NumPages(long* n) override;
  HRESULT STDMETHODCALLTYPE get_NumTemplates(long* n) override;
  HRESULT STDMETHODCALLTYPE get_PermStatusReady(VARIANT_BOOL* b) override;
  HRESULT STDMETHODCALLTYPE get_Producer(BSTR* s) override;
  HRESULT STDMETHODCALLTYPE get_SecurityHandler(BSTR* s) override;
  HRESULT STDMETHODCALLTYPE get_Sounds(VARIANT* v) override;
  HRESULT STDMETHODCALLTYPE get_Subject(BSTR* s) override;
  HRESULT STDMETHODCALLTYPE put_Subject(BSTR s) override;
  HRESULT STDMETHODCALLTYPE get_Templates(VARIANT* v) override;
  HRESULT STDMETHODCALLTYPE get_Title(BSTR* s) override;
  HRESULT STDMETHODCALLTYPE put_Title(BSTR s) override;
  HRESULT STDMETHODCALLTYPE get_URL(BSTR* s) override;
  HRESULT STDMETHODCALLTYPE get_Path(BSTR* s) override;
  HRESULT STDMETHODCALLTYPE CreateJavaScriptObject(IDispatch** objJavaScript) override;
  HRESULT STDMETHODCALLTYPE CloseDoc() override;
  HRESULT STDMETHODCALLTYPE Save(SaveType lngSave, VARIANT strPDF) override;
  HRESULT STDMETHODCALLTYPE SaveAs(BSTR* strPath, PDFFileType lngFileType) override;
  HRESULT STDMETHODCALLTYPE SetPageView(PageViewStyle lngPageView, VARIANT_BOOL* blnResult) override;
  HRESULT STDMETHODCALLTYPE PrintDocument(VARIANT_BOOL blnShowWindow, long lngStartPage, long lngEndPage,
                                          VARIANT_BOOL blnSilent, VARIANT_BOOL blnShrinkToFit,
                                          VARIANT_BOOL blnPrintAsImage, VARIANT_BOOL blnReverse,
                                          VARIANT_BOOL blnAnnotations) override;
  HRESULT STDMETHODCALLTYPE GetURL(BSTR* strURL, VARIANT_BOOL blnAppend) override;
  HRESULT STDMETHODCALLTYPE CalculateNow() override;
  HRESULT STDMETHODCALLTYPE AttachFile(BSTR* strName, BSTR* strFile, VARIANT_BOOL* blnResult) override;
  HRESULT STDMETHODCALLTYPE ExportDataObject(BSTR* strName, VARIANT strPath, VARIANT_BOOL blnAllowAuthorization) override;
  HRESULT STDMETHODCALLTYPE RemoveDataObject(BSTR* strName) override;
  HRESULT STDMETHODCALLTYPE DeleteSound(BSTR* strName) override;
  HRESULT STDMETHODCALLTYPE RemoveIcon(BSTR* strName) override;
  HRESULT STDMETHODCALLTYPE RemoveScript(BSTR* strName) override;
  HRESULT STDMETHODCALLTYPE RemoveTemplate(BSTR* strName) override;
  HRESULT STDMETHODCALLTYPE RemoveField(BSTR* strName) override;
  HRESULT STDMETHODCALLTYPE AddScript(BSTR* strName, BSTR* strScript) override;
  HRESULT STDMETHODCALLTYPE GetNthFieldName(short* intIndex, BSTR* strName) override;
  HRESULT STDMETHODCALLTYPE GetNthTemplate(short* intIndex, BSTR* strName) override;
  HRESULT STDMETHODCALLTYPE GetFieldsArray(VARIANT* varFields) override;
  HRESULT STDMETHODCALLTYPE GetFields(IDispatch** colFields) override;
  HRESULT STDMETHODCALLTYPE GetField(BSTR* strName, _Field** objField) override;
  HRESULT STDMETHODCALLTYPE TextFileToArray(BSTR* strTextFile, VARIANT* varArray, VARIANT strDelimiter,
                                            VARIANT_BOOL blnRemoveQuotes, short* intResult) override;
  HRESULT STDMETHODCALLTYPE GetAlignment(long* i, BSTR* strText) override;
  HRESULT STDMETHODCALLTYPE GetLayout(LayoutType* i, BSTR* strText) override;
  HRESULT STDMETHODCALLTYPE GetDocumentTrigger(long* i, BSTR* strText) override;
  HRESULT STDMETHODCALLTYPE GetPageTrigger(PageTriggerType* i, BSTR* strText) override;
  HRESULT STDMETHODCALLTYPE GetFont(FontType* lngFont, BSTR* strText) override;
  HRESULT STDMETHODCALLTYPE GetTrigger(FieldTriggerType* i, BSTR* strText) override;
  HRESULT STDMETHODCALLTYPE GetFieldBorder(FieldBorderType* i, BSTR* strText) override;
  HRESULT STDMETHODCALLTYPE GetGlyphStyle(GlyphStyleType* i, BSTR* strText) override;
  HRESULT STDMETHODCALLTYPE GetNoteIcon(NoteIconType* i, BSTR* strText) override;
  HRESULT STDMETHODCALLTYPE GetNoteState(NoteStateType* i, BSTR* strText) override;
  HRESULT STDMETHODCALLTYPE GetStampIcon(StampIconType* i, BSTR* strText) override;
  HRESULT STDMETHODCALLTYPE GetFileType(PDFFileType* i, BSTR* strText) override;
  HRESULT STDMETHODCALLTYPE SetColor(ColorType* lngColor, VARIANT* varColor) override;

 private:
  DocumentObject();
  std::unique_ptr<lib::Document> core_;
};

class FieldObject : public DispatchObject<_Field> {
 public:
  // Creates the Field from the hand-off values of Document.GetField.
  static HRESULT create(_Field** result);
  lib::FieldCore& core() { return *core_; }

  // _Field: enumeration texts (document_members.cpp).
  HRESULT STDMETHODCALLTYPE GetAlignment(AlignmentType* i, BSTR* strText) override;
  HRESULT STDMETHODCALLTYPE GetFont(FontType* lngFont, BSTR* strText) override;
  HRESULT STDMETHODCALLTYPE GetTrigger(FieldTriggerType* i, BSTR* strText) override;
  HRESULT STDMETHODCALLTYPE GetBorderStyle(BorderStyleType* i, BSTR* strText) override;
  HRESULT STDMETHODCALLTYPE GetGlyphStyle(GlyphStyleType* i, BSTR* strText) override;
  HRESULT STDMETHODCALLTYPE GetHighlight(HighlightType* i, BSTR* strText) override;

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
