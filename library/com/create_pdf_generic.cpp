// CreatePDF: the generic, miscellaneous-file, image and text-file
// conversions.
#include "com_util.h"
#include "convert/create_pdf_conversion.h"
#include "convert/generic.h"
#include "convert/text_file.h"
#include "convert/word.h"
#include "convert_arguments.h"
#include "create_pdf_object.h"
#include "dv/win32/automation.h"

namespace dv::com {

namespace {

lib::TextFileOptions textFileOptions(VARIANT_BOOL* landscape, BSTR* font, VARIANT_BOOL* bold, short* size, long* color,
                                     VARIANT_BOOL* italic, VARIANT_BOOL* underline, VARIANT_BOOL* footer,
                                     VARIANT_BOOL* header, AlignType* alignment, float* top, float* left, float* right,
                                     float* bottom, VARIANT_BOOL* firstPage) {
  lib::TextFileOptions o;
  o.landscape = flag(landscape);
  o.font = text(font);
  o.fontBold = flag(bold);
  o.fontSize = size ? *size : int16_t{8};
  o.fontColor = color ? static_cast<int32_t>(*color) : 0;
  o.fontItalic = flag(italic);
  o.fontUnderline = flag(underline);
  o.pageNumberInFooter = flag(footer);
  o.pageNumberInHeader = flag(header);
  o.pageNumberAlignment = alignment ? static_cast<int32_t>(*alignment) : 1;
  o.topMargin = top ? *top : 0.0f;
  o.leftMargin = left ? *left : 0.0f;
  o.rightMargin = right ? *right : 0.0f;
  o.bottomMargin = bottom ? *bottom : 0.0f;
  o.firstPage = flag(firstPage);
  return o;
}

}  // namespace

HRESULT CreatePdfObject::CreatePDF(BSTR* strSourceFile, BSTR* strPDFFile, short* intSecsToWaitForPDF) {
  return comCall(IID__CreatePDF, [&] {
    lib::CreatePdfConversion ctx(*core_);
    lib::createPDF(ctx, text(strSourceFile), text(strPDFFile), intSecsToWaitForPDF ? *intSecsToWaitForPDF : 2);
  });
}

HRESULT CreatePdfObject::CreatePDFfromMiscFile(BSTR* strPDFFile, BSTR* strMiscFile, BSTR* strPrinter,
                                               VARIANT_BOOL* blnShowWindow, VARIANT_BOOL* blnSpoolJobs,
                                               BSTR* strJobOptionsFile, VARIANT_BOOL* blnApplySecurity) {
  return comCall(IID__CreatePDF, [&] {
    lib::CreatePdfConversion ctx(*core_);
    std::string printer = text(strPrinter, lib::kGenericPostScriptPrinter);
    lib::createPDFfromMiscFile(ctx, text(strPDFFile), text(strMiscFile), printer,
                               distillSettings(blnShowWindow, blnSpoolJobs, strJobOptionsFile, blnApplySecurity));
  });
}

HRESULT CreatePdfObject::CreatePSfromMiscFile(BSTR* strPSFile, BSTR* strMiscFile, BSTR* strDistiller) {
  return comCall(IID__CreatePDF, [&] {
    lib::CreatePdfConversion ctx(*core_);
    WriteBack distiller(strDistiller, text(strDistiller));
    lib::createPSfromMiscFile(ctx, text(strPSFile), text(strMiscFile), distiller.value);
  });
}

HRESULT CreatePdfObject::CreatePSfromMiscFile2(BSTR* strPSFile, BSTR* strMiscFile, BSTR* strPrinter) {
  return comCall(IID__CreatePDF, [&] {
    lib::CreatePdfConversion ctx(*core_);
    std::string printer = text(strPrinter, lib::kGenericPostScriptPrinter);
    lib::createPSfromMiscFile2(ctx, text(strPSFile), text(strMiscFile), printer);
  });
}

HRESULT CreatePdfObject::CreatePDFfromImageFile(BSTR* strPDFFile, BSTR* strImageFile, BSTR* strTitle, BSTR* strAuthor,
                                                BSTR* strSubject, BSTR* strKeywords) {
  return comCall(IID__CreatePDF, [&] {
    lib::CreatePdfConversion ctx(*core_);
    lib::createPDFfromImageFile(ctx, text(strPDFFile), text(strImageFile),
                                {text(strTitle), text(strAuthor), text(strSubject), text(strKeywords)});
  });
}

HRESULT CreatePdfObject::CreatePDFfromImageFile2(BSTR* strPDFFile, BSTR* strImageFile, BSTR strDistiller,
                                                 BSTR* strSaveWindowCaption) {
  return comCall(IID__CreatePDF, [&] {
    lib::CreatePdfConversion ctx(*core_);
    lib::createPDFfromImageFile2(ctx, text(strPDFFile), text(strImageFile), fromBstr(strDistiller),
                                 text(strSaveWindowCaption, "save pdf file as"));
  });
}

HRESULT CreatePdfObject::CreatePDFfromMultiImage(BSTR* strPDFFile, VARIANT* varImageFiles) {
  return comCall(IID__CreatePDF, [&] {
    lib::CreatePdfConversion ctx(*core_);
    Variant images = varImageFiles ? win32::fromVariant(*varImageFiles) : Variant();
    lib::createPDFfromMultiImage(ctx, text(strPDFFile), images);
  });
}

HRESULT CreatePdfObject::CreatePDFfromTextFile(BSTR* strPDFFile, BSTR* strTextFile, VARIANT_BOOL* blnLandscape,
                                               BSTR* strFont, VARIANT_BOOL* blnFontBold, short* intFontSize,
                                               long* lngFontColor, VARIANT_BOOL* blnFontItalic,
                                               VARIANT_BOOL* blnFontUnderline, VARIANT_BOOL* blnPageNumberInFooter,
                                               VARIANT_BOOL* blnPageNumberInHeader, AlignType* lngPageNumberAlignment,
                                               float* sngTopMargin, float* sngLeftMargin, float* sngRightMargin,
                                               float* sngBottomMargin, VARIANT_BOOL* blnFirstPage, BSTR* strDistiller,
                                               VARIANT_BOOL* blnShowWindow, VARIANT_BOOL* blnSpoolJobs,
                                               BSTR* strJobOptionsFile, VARIANT_BOOL* blnApplySecurity) {
  return comCall(IID__CreatePDF, [&] {
    lib::CreatePdfConversion ctx(*core_);
    WriteBack distiller(strDistiller, text(strDistiller));
    lib::createPDFfromTextFile(
        ctx, text(strPDFFile), text(strTextFile),
        textFileOptions(blnLandscape, strFont, blnFontBold, intFontSize, lngFontColor, blnFontItalic, blnFontUnderline,
                        blnPageNumberInFooter, blnPageNumberInHeader, lngPageNumberAlignment, sngTopMargin,
                        sngLeftMargin, sngRightMargin, sngBottomMargin, blnFirstPage),
        distiller.value, distillSettings(blnShowWindow, blnSpoolJobs, strJobOptionsFile, blnApplySecurity));
  });
}

HRESULT CreatePdfObject::CreatePDFfromTextFile2(BSTR* strPDFFile, BSTR* strTextFile, VARIANT_BOOL* blnLandscape,
                                                BSTR* strFont, VARIANT_BOOL* blnFontBold, short* intFontSize,
                                                long* lngFontColor, VARIANT_BOOL* blnFontItalic,
                                                VARIANT_BOOL* blnFontUnderline, VARIANT_BOOL* blnPageNumberInFooter,
                                                VARIANT_BOOL* blnPageNumberInHeader, AlignType* lngPageNumberAlignment,
                                                float* sngTopMargin, float* sngLeftMargin, float* sngRightMargin,
                                                float* sngBottomMargin, VARIANT_BOOL* blnFirstPage, BSTR* strDistiller,
                                                VARIANT_BOOL* blnCloseAcrobat, BSTR* strSaveWindowCaption) {
  return comCall(IID__CreatePDF, [&] {
    lib::CreatePdfConversion ctx(*core_);
    WriteBack distiller(strDistiller, text(strDistiller));
    lib::createPDFfromTextFile2(
        ctx, text(strPDFFile), text(strTextFile),
        textFileOptions(blnLandscape, strFont, blnFontBold, intFontSize, lngFontColor, blnFontItalic, blnFontUnderline,
                        blnPageNumberInFooter, blnPageNumberInHeader, lngPageNumberAlignment, sngTopMargin,
                        sngLeftMargin, sngRightMargin, sngBottomMargin, blnFirstPage),
        distiller.value, flag(blnCloseAcrobat), text(strSaveWindowCaption, "save pdf file as"));
  });
}

HRESULT CreatePdfObject::CreatePDFfromTextFile3(BSTR* strPDFFile, BSTR* strTextFile, BSTR* strDistiller,
                                                VARIANT_BOOL* blnCloseAcrobat, BSTR* strSaveWindowCaption) {
  return comCall(IID__CreatePDF, [&] {
    lib::CreatePdfConversion ctx(*core_);
    lib::createPDFfromTextFile3(ctx, text(strPDFFile), text(strTextFile), text(strDistiller), flag(blnCloseAcrobat),
                                text(strSaveWindowCaption, "save pdf file as"));
  });
}

HRESULT CreatePdfObject::CreatePSfromTextFile(BSTR* strPSFile, BSTR* strTextFile, VARIANT_BOOL* blnLandscape,
                                              BSTR* strFont, VARIANT_BOOL* blnFontBold, short* intFontSize,
                                              long* lngFontColor, VARIANT_BOOL* blnFontItalic,
                                              VARIANT_BOOL* blnFontUnderline, VARIANT_BOOL* blnPageNumberInFooter,
                                              VARIANT_BOOL* blnPageNumberInHeader, AlignType* lngPageNumberAlignment,
                                              float* sngTopMargin, float* sngLeftMargin, float* sngRightMargin,
                                              float* sngBottomMargin, VARIANT_BOOL* blnFirstPage, BSTR* strDistiller) {
  return comCall(IID__CreatePDF, [&] {
    lib::CreatePdfConversion ctx(*core_);
    WriteBack distiller(strDistiller, text(strDistiller));
    lib::createPSfromTextFile(
        ctx, text(strPSFile), text(strTextFile),
        textFileOptions(blnLandscape, strFont, blnFontBold, intFontSize, lngFontColor, blnFontItalic, blnFontUnderline,
                        blnPageNumberInFooter, blnPageNumberInHeader, lngPageNumberAlignment, sngTopMargin,
                        sngLeftMargin, sngRightMargin, sngBottomMargin, blnFirstPage),
        distiller.value);
  });
}

HRESULT CreatePdfObject::CreatePSfromTextFile2(BSTR* strPSFile, BSTR* strTextFile, BSTR* strDistiller,
                                               BSTR* strSaveWindowCaption) {
  return comCall(IID__CreatePDF, [&] {
    lib::CreatePdfConversion ctx(*core_);
    lib::createPSfromTextFile2(ctx, text(strPSFile), text(strTextFile), text(strDistiller),
                               text(strSaveWindowCaption, "save pdf file as"));
  });
}

HRESULT CreatePdfObject::CreatePSfromTextFile3(BSTR* strPSFile, BSTR* strTextFile, short* intRightMargin,
                                               BSTR* strDistiller, BSTR* strSaveWindowCaption) {
  return comCall(IID__CreatePDF, [&] {
    lib::CreatePdfConversion ctx(*core_);
    lib::createPSfromTextFile3(ctx, text(strPSFile), text(strTextFile), intRightMargin ? *intRightMargin : int16_t{0},
                               text(strDistiller), text(strSaveWindowCaption, "save pdf file as"));
  });
}

}  // namespace dv::com
