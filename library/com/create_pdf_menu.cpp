// CreatePDF: the viewer's menu-driven file operations (reduce, save as,
// open password, headers, web links).
#include "com_util.h"
#include "create_pdf_object.h"
#include "frame/library_values.h"
#include "viewer/menu_operations.h"

namespace dv::com {

namespace {

lib::ViewerContext viewerContext(CreatePdfObject& self) {
  return lib::ViewerContext{self.core().host(), [] { return lib::viewerVersion(); }};
}

// Early-bound callers may pass null or an empty text for an omitted
// optional argument; captions then take their default.
std::string text(BSTR* p) { return p ? fromBstr(*p) : std::string(); }
std::string textOr(BSTR* p, const char* fallback) {
  std::string s = text(p);
  return s.empty() ? std::string(fallback) : s;
}
int32_t number(short* p) { return p ? *p : 0; }

lib::OpenPassword openPassword(BSTR* password, BSTR* openCaption, BSTR* passwordCaption) {
  lib::OpenPassword open;
  open.password = text(password);
  open.openCaption = textOr(openCaption, "open");
  open.passwordCaption = textOr(passwordCaption, "password");
  return open;
}

}  // namespace

HRESULT CreatePdfObject::ReduceFileSize(BSTR* strPDFFile, BSTR* strOpenPassword, VersionType lngVersion,
                                        BSTR* strOpenWindowCaption, BSTR* strPasswordWindowCaption,
                                        BSTR* strReduceWindowCaption, BSTR* strSaveWindowCaption) {
  if (!strPDFFile) return E_POINTER;
  return comCall(IID__CreatePDF, [&] {
    lib::ReduceFileSizeRequest r;
    r.pdfFile = fromBstr(*strPDFFile);
    r.open = openPassword(strOpenPassword, strOpenWindowCaption, strPasswordWindowCaption);
    r.version = static_cast<int32_t>(lngVersion);
    r.reduceCaption = textOr(strReduceWindowCaption, "reduce file size");
    r.saveCaption = textOr(strSaveWindowCaption, "save as");
    lib::ViewerContext ctx = viewerContext(*this);
    lib::reduceFileSize(ctx, r);
  });
}

HRESULT CreatePdfObject::SaveFileAs(BSTR* strPDFFile, BSTR* strFile, BSTR* strOpenPassword, PDFFileType lngFileType,
                                    BSTR* strOpenWindowCaption, BSTR* strPasswordWindowCaption,
                                    BSTR* strSaveWindowCaption) {
  if (!strPDFFile || !strFile) return E_POINTER;
  return comCall(IID__CreatePDF, [&] {
    lib::SaveFileAsRequest r;
    r.pdfFile = fromBstr(*strPDFFile);
    r.file = fromBstr(*strFile);
    r.open = openPassword(strOpenPassword, strOpenWindowCaption, strPasswordWindowCaption);
    r.fileType = static_cast<int32_t>(lngFileType);
    r.saveCaption = textOr(strSaveWindowCaption, "save as");
    lib::ViewerContext ctx = viewerContext(*this);
    lib::saveFileAs(ctx, r);
  });
}

HRESULT CreatePdfObject::SetOpenPassword(BSTR* strPDFFile, BSTR* strOpenPassword, BSTR* strPasswordWindowCaption,
                                         BSTR* strConfirmWindowCaption) {
  if (!strPDFFile || !strOpenPassword) return E_POINTER;
  return comCall(IID__CreatePDF, [&] {
    lib::SetOpenPasswordRequest r;
    r.pdfFile = fromBstr(*strPDFFile);
    r.password = fromBstr(*strOpenPassword);
    r.settingsCaption = textOr(strPasswordWindowCaption, "password security - settings");
    r.confirmCaption = textOr(strConfirmWindowCaption, "adobe acrobat - confirm open document password");
    lib::ViewerContext ctx = viewerContext(*this);
    lib::setOpenPassword(ctx, r);
  });
}

HRESULT CreatePdfObject::CreatePageHeaderInPDF(BSTR* strPDFFile, short* intFontName, short* intFontSize,
                                               short* intPageStyle, AlignType lngPageAlign, short* intDateStyle,
                                               AlignType lngDateAlign, BSTR* strCustomText,
                                               AlignType lngCustomTextAlign, BSTR* strOpenPassword,
                                               BSTR* strOpenWindowCaption, BSTR* strPasswordWindowCaption,
                                               BSTR* strHeaderWindowCaption) {
  if (!strPDFFile) return E_POINTER;
  return comCall(IID__CreatePDF, [&] {
    lib::PageHeaderRequest r;
    r.pdfFile = fromBstr(*strPDFFile);
    r.fontName = number(intFontName);
    r.fontSize = number(intFontSize);
    r.pageStyle = number(intPageStyle);
    r.pageAlign = static_cast<int32_t>(lngPageAlign);
    r.dateStyle = number(intDateStyle);
    r.dateAlign = static_cast<int32_t>(lngDateAlign);
    r.customText = text(strCustomText);
    r.customTextAlign = static_cast<int32_t>(lngCustomTextAlign);
    r.open = openPassword(strOpenPassword, strOpenWindowCaption, strPasswordWindowCaption);
    r.headerCaption = textOr(strHeaderWindowCaption, "add headers & footers");
    lib::ViewerContext ctx = viewerContext(*this);
    lib::createPageHeaderInPdf(ctx, r);
  });
}

HRESULT CreatePdfObject::CreateLinksInPDF(BSTR* strPDFFile, BSTR* strOpenPassword, BSTR* strOpenWindowCaption,
                                          BSTR* strPasswordWindowCaption) {
  if (!strPDFFile) return E_POINTER;
  return comCall(IID__CreatePDF, [&] {
    lib::ViewerContext ctx = viewerContext(*this);
    lib::createLinksInPdf(ctx, fromBstr(*strPDFFile),
                          openPassword(strOpenPassword, strOpenWindowCaption, strPasswordWindowCaption));
  });
}

}  // namespace dv::com
