// CreatePDF: merging PDF files and their bookmarks through the viewer.
#include "create_pdf_object.h"
#include "com_util.h"
#include "dv/win32/automation.h"
#include "viewer/pdf_bookmarks.h"
#include "viewer/pdf_merge.h"
#include "viewer_arguments.h"

namespace dv::com {

namespace {

lib::CreateBookmarksRequest bookmarksRequest(BSTR* pdf, VARIANT_BOOL* caseSensitive, VARIANT_BOOL* wholeWords,
                                             VARIANT_BOOL* reset, BSTR* password, BSTR* openCaption,
                                             BSTR* passwordCaption) {
  lib::CreateBookmarksRequest r;
  r.pdfFile = fromBstr(*pdf);
  r.caseSensitive = flag(caseSensitive);
  r.wholeWordsOnly = flag(wholeWords);
  r.reset = flag(reset);
  r.open.password = text(password);
  r.open.openCaption = textOr(openCaption, "open");
  r.open.passwordCaption = textOr(passwordCaption, "password");
  return r;
}

}  // namespace

HRESULT CreatePdfObject::CreatePDFfromMultiPDF(BSTR* strPDFFile, VARIANT* varPDFFiles,
                                               VARIANT_BOOL* blnCreateBookmarks) {
  if (!strPDFFile || !varPDFFiles) return E_POINTER;
  return comCall(IID__CreatePDF, [&] {
    lib::ViewerContext ctx = viewerContext(*this);
    lib::createPdfFromMultiPdf(ctx, fromBstr(*strPDFFile), win32::fromVariant(*varPDFFiles), flag(blnCreateBookmarks));
  });
}

HRESULT CreatePdfObject::CreatePDFfromMultiPDFinDir(BSTR* strPDFFile, BSTR* strDirectory, BSTR* strFiles,
                                                    SortType* lngSortType, SortOrderType* lngSortOrder) {
  if (!strPDFFile || !strDirectory) return E_POINTER;
  return comCall(IID__CreatePDF, [&] {
    lib::MergeInDirRequest r;
    r.pdfFile = fromBstr(*strPDFFile);
    r.directory = fromBstr(*strDirectory);
    r.files = textOr(strFiles, "*.pdf");
    r.sortType = lngSortType ? static_cast<int32_t>(*lngSortType) : 0;
    r.sortOrder = lngSortOrder ? static_cast<int32_t>(*lngSortOrder) : 0;
    lib::ViewerContext ctx = viewerContext(*this);
    lib::createPdfFromMultiPdfInDir(ctx, r);
  });
}

HRESULT CreatePdfObject::CreateBookmarksInPDF(BSTR* strPDFFile, VARIANT* varBookmarkTitles,
                                              VARIANT_BOOL* blnCaseSensitive, VARIANT_BOOL* blnWholeWordsOnly,
                                              VARIANT_BOOL* blnReset, BSTR* strOpenPassword, BSTR* strOpenWindowCaption,
                                              BSTR* strPasswordWindowCaption) {
  if (!strPDFFile || !varBookmarkTitles) return E_POINTER;
  return comCall(IID__CreatePDF, [&] {
    lib::CreateBookmarksRequest r = bookmarksRequest(strPDFFile, blnCaseSensitive, blnWholeWordsOnly, blnReset,
                                                     strOpenPassword, strOpenWindowCaption, strPasswordWindowCaption);
    r.titles = lib::bookmarkTitles(win32::fromVariant(*varBookmarkTitles));
    lib::ViewerContext ctx = viewerContext(*this);
    lib::createBookmarksInPdf(ctx, r);
  });
}

HRESULT CreatePdfObject::CreateBookmarkInPDF(BSTR* strPDFFile, BSTR* strBookmarkTitle, VARIANT_BOOL* blnCaseSensitive,
                                             VARIANT_BOOL* blnWholeWordsOnly, VARIANT_BOOL* blnReset,
                                             BSTR* strOpenPassword, BSTR* strOpenWindowCaption,
                                             BSTR* strPasswordWindowCaption) {
  if (!strPDFFile || !strBookmarkTitle) return E_POINTER;
  return comCall(IID__CreatePDF, [&] {
    lib::CreateBookmarksRequest r = bookmarksRequest(strPDFFile, blnCaseSensitive, blnWholeWordsOnly, blnReset,
                                                     strOpenPassword, strOpenWindowCaption, strPasswordWindowCaption);
    r.titles = {fromBstr(*strBookmarkTitle)};
    r.single = true;
    lib::ViewerContext ctx = viewerContext(*this);
    lib::createBookmarksInPdf(ctx, r);
  });
}

HRESULT CreatePdfObject::BookmarksToArray(BSTR* strPDFFile, VARIANT* varBookmarks, long* lngCount) {
  if (!strPDFFile || !varBookmarks || !lngCount) return E_POINTER;
  return comCall(IID__CreatePDF, [&] {
    Variant value = win32::fromVariant(*varBookmarks);
    Variant slot = Variant::ref(value);
    lib::ViewerContext ctx = viewerContext(*this);
    *lngCount = lib::bookmarksToArray(ctx, fromBstr(*strPDFFile), slot);
    if (value.isArray()) writeBack(varBookmarks, value);
  });
}

HRESULT CreatePdfObject::BookmarksToPDF(BSTR* strSourcePDF, BSTR* strTargetPDF, long* lngCount) {
  if (!strSourcePDF || !strTargetPDF || !lngCount) return E_POINTER;
  return comCall(IID__CreatePDF, [&] {
    lib::ViewerContext ctx = viewerContext(*this);
    *lngCount = lib::bookmarksToPdf(ctx, fromBstr(*strSourcePDF), fromBstr(*strTargetPDF));
  });
}

}  // namespace dv::com
