// CreatePDF: viewer control and the operations on existing PDF files that
// open, print or count them through the viewer.
#include "create_pdf_object.h"
#include "com_util.h"
#include "viewer/viewer_operations.h"
#include "viewer_arguments.h"

namespace dv::com {

namespace {

// Optional arguments: the dispatcher supplies the declared defaults to
// script clients; early-bound callers that leave one out pass a null or
// empty value (viewer_arguments.h).
lib::OpenPassword openPassword(BSTR* password, BSTR* openCaption, BSTR* passwordCaption) {
  lib::OpenPassword open;
  open.password = text(password);
  open.openCaption = textOr(openCaption, "open");
  open.passwordCaption = textOr(passwordCaption, "password");
  return open;
}

}  // namespace

HRESULT CreatePdfObject::CloseAcrobat(VARIANT_BOOL* blnWaitUntilClosed, short* intTimeout, VARIANT_BOOL* blnClosed) {
  if (!blnClosed) return E_POINTER;
  return comCall(IID__CreatePDF, [&] {
    lib::ViewerContext ctx = viewerContext(*this);
    const bool wait = blnWaitUntilClosed ? *blnWaitUntilClosed != VARIANT_FALSE : true;
    const bool closed = lib::closeAcrobat(ctx, wait, intTimeout ? *intTimeout : 10);
    *blnClosed = closed ? VARIANT_TRUE : VARIANT_FALSE;
  });
}

HRESULT CreatePdfObject::IsAcrobatHidden(VARIANT_BOOL* blnHidden) {
  if (!blnHidden) return E_POINTER;
  return comCall(IID__CreatePDF, [&] {
    lib::ViewerContext ctx = viewerContext(*this);
    *blnHidden = lib::isAcrobatHidden(ctx) ? VARIANT_TRUE : VARIANT_FALSE;
  });
}

HRESULT CreatePdfObject::GetNumPagesPDF(BSTR* strPDFFile, BSTR* strOpenPassword, BSTR* strOpenWindowCaption,
                                        BSTR* strPasswordWindowCaption, long* lngPages) {
  if (!strPDFFile || !lngPages) return E_POINTER;
  return comCall(IID__CreatePDF, [&] {
    lib::ViewerContext ctx = viewerContext(*this);
    *lngPages = lib::getNumPagesPdf(ctx, fromBstr(*strPDFFile),
                                    openPassword(strOpenPassword, strOpenWindowCaption, strPasswordWindowCaption));
  });
}

HRESULT CreatePdfObject::PrintPDF(BSTR* strPDFFile, BSTR* strPrinter, VARIANT_BOOL* blnSilent, long* lngFirstPageNo,
                                  long* lngLastPageNo, BSTR* strOpenPassword, BSTR* strOpenWindowCaption,
                                  BSTR* strPasswordWindowCaption) {
  if (!strPDFFile) return E_POINTER;
  return comCall(IID__CreatePDF, [&] {
    lib::PrintPdfRequest r;
    r.pdfFile = fromBstr(*strPDFFile);
    r.printer = text(strPrinter);
    r.silent = flag(blnSilent);
    r.firstPage = number(lngFirstPageNo);
    r.lastPage = number(lngLastPageNo);
    r.open = openPassword(strOpenPassword, strOpenWindowCaption, strPasswordWindowCaption);
    lib::ViewerContext ctx = viewerContext(*this);
    lib::printPdf(ctx, r);
  });
}

HRESULT CreatePdfObject::PrintPDFinDir(BSTR* strDirectory, BSTR* strFiles, BSTR* strPrinter, VARIANT_BOOL* blnSilent,
                                       SortType* lngSortType, SortOrderType* lngSortOrder) {
  if (!strDirectory) return E_POINTER;
  return comCall(IID__CreatePDF, [&] {
    lib::PrintPdfInDirRequest r;
    r.directory = fromBstr(*strDirectory);
    r.files = textOr(strFiles, "*.pdf");
    r.printer = text(strPrinter);
    r.silent = flag(blnSilent);
    r.sortType = lngSortType ? static_cast<int32_t>(*lngSortType) : 0;
    r.sortOrder = lngSortOrder ? static_cast<int32_t>(*lngSortOrder) : 0;
    lib::ViewerContext ctx = viewerContext(*this);
    lib::printPdfInDir(ctx, r);
  });
}

HRESULT CreatePdfObject::PrintAPI(BSTR* strFile, long* lngResult) {
  if (!lngResult) return E_POINTER;
  // Never raises: a failed shell call shows in the result.
  return comCall(IID__CreatePDF, [&] { *lngResult = lib::printApi(core().host(), text(strFile)); });
}

HRESULT CreatePdfObject::OpenPDF(BSTR* strPDFFile, BSTR* strBookmark, long* lngGoToPageNo, ReadType lngReadType,
                                 BSTR* strOpenPassword, BSTR* strOpenWindowCaption, BSTR* strPasswordWindowCaption) {
  if (!strPDFFile) return E_POINTER;
  return comCall(IID__CreatePDF, [&] {
    lib::OpenPdfRequest r;
    r.pdfFile = fromBstr(*strPDFFile);
    r.bookmark = text(strBookmark);
    r.goToPage = number(lngGoToPageNo);
    r.readType = static_cast<int32_t>(lngReadType);
    r.open = openPassword(strOpenPassword, strOpenWindowCaption, strPasswordWindowCaption);
    lib::ViewerContext ctx = viewerContext(*this);
    lib::openPdf(ctx, r);
  });
}

}  // namespace dv::com
