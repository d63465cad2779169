// CreatePDF: the PostScript, Word and Excel conversions. Arguments arrive by
// reference as the type library declares them; the printer a member
// settles on is written back to the caller's variable.
#include "create_pdf_object.h"
#include "com_util.h"
#include "convert_arguments.h"
#include "convert/create_pdf_conversion.h"
#include "convert/distiller.h"
#include "convert/excel.h"
#include "convert/word.h"
#include "dv/trace.h"
#include "dv/win32/automation.h"

namespace dv::com {

namespace {

lib::WordOptions wordOptions(BSTR* password, BSTR* writePassword, BSTR* pages, VARIANT_BOOL* landscape,
                             VARIANT_BOOL* footer, VARIANT_BOOL* header, AlignType* alignment,
                             VARIANT_BOOL* firstPage) {
  lib::WordOptions o;
  o.password = text(password);
  o.writePassword = text(writePassword);
  o.pages = text(pages);
  o.landscape = flag(landscape);
  o.pageNumberInFooter = flag(footer);
  o.pageNumberInHeader = flag(header);
  o.pageNumberAlignment = alignment ? static_cast<int32_t>(*alignment) : 1;
  o.firstPage = flag(firstPage);
  return o;
}

}  // namespace

HRESULT CreatePdfObject::CreatePDFfromPS(BSTR* strPDFFile, BSTR* strPSFile, BSTR* strDistiller,
                                         VARIANT_BOOL* blnShowWindow, VARIANT_BOOL* blnSpoolJobs,
                                         BSTR* strJobOptionsFile, VARIANT_BOOL* blnApplySecurity) {
  return comCall(IID__CreatePDF, [&] {
    lib::CreatePdfConversion ctx(*core_);
    WriteBack distiller(strDistiller, text(strDistiller));
    lib::createPDFfromPS(ctx, text(strPDFFile), text(strPSFile), distiller.value,
                         distillSettings(blnShowWindow, blnSpoolJobs, strJobOptionsFile, blnApplySecurity));
  });
}

HRESULT CreatePdfObject::CreatePDFfromMultiPS(BSTR* strPDFFile, VARIANT* varPSFiles, BSTR* strDistiller,
                                              VARIANT_BOOL* blnShowWindow, VARIANT_BOOL* blnSpoolJobs,
                                              BSTR* strJobOptionsFile, VARIANT_BOOL* blnApplySecurity) {
  return comCall(IID__CreatePDF, [&] {
    lib::CreatePdfConversion ctx(*core_);
    WriteBack distiller(strDistiller, text(strDistiller));
    Variant files = varPSFiles ? win32::fromVariant(*varPSFiles) : Variant();
    lib::createPDFfromMultiPS(ctx, text(strPDFFile), files, distiller.value,
                              distillSettings(blnShowWindow, blnSpoolJobs, strJobOptionsFile, blnApplySecurity));
  });
}

HRESULT CreatePdfObject::CreatePDFfromWord(BSTR* strPDFFile, BSTR* strWordDocument, BSTR* strPassword,
                                           BSTR* strWritePassword, BSTR* strPages, VARIANT_BOOL* blnLandscape,
                                           VARIANT_BOOL* blnPageNumberInFooter, VARIANT_BOOL* blnPageNumberInHeader,
                                           AlignType* lngPageNumberAlignment, VARIANT_BOOL* blnFirstPage,
                                           BSTR* strDistiller, VARIANT_BOOL* blnShowWindow, VARIANT_BOOL* blnSpoolJobs,
                                           BSTR* strJobOptionsFile, VARIANT_BOOL* blnApplySecurity) {
  return comCall(IID__CreatePDF, [&] {
    lib::CreatePdfConversion ctx(*core_);
    WriteBack distiller(strDistiller, text(strDistiller));
    lib::createPDFfromWord(ctx, text(strPDFFile), text(strWordDocument),
                           wordOptions(strPassword, strWritePassword, strPages, blnLandscape, blnPageNumberInFooter,
                                       blnPageNumberInHeader, lngPageNumberAlignment, blnFirstPage),
                           distiller.value,
                           distillSettings(blnShowWindow, blnSpoolJobs, strJobOptionsFile, blnApplySecurity));
  });
}

HRESULT CreatePdfObject::CreatePDFfromWord2(BSTR* strPDFFile, BSTR* strWordDocument, BSTR* strPassword,
                                            BSTR* strWritePassword, BSTR* strPages, VARIANT_BOOL* blnLandscape,
                                            VARIANT_BOOL* blnPageNumberInFooter, VARIANT_BOOL* blnPageNumberInHeader,
                                            AlignType* lngPageNumberAlignment, VARIANT_BOOL* blnFirstPage,
                                            BSTR* strDistiller, VARIANT_BOOL* blnCloseAcrobat,
                                            BSTR* strSaveWindowCaption) {
  return comCall(IID__CreatePDF, [&] {
    lib::CreatePdfConversion ctx(*core_);
    WriteBack distiller(strDistiller, text(strDistiller));
    lib::createPDFfromWord2(ctx, text(strPDFFile), text(strWordDocument),
                            wordOptions(strPassword, strWritePassword, strPages, blnLandscape, blnPageNumberInFooter,
                                        blnPageNumberInHeader, lngPageNumberAlignment, blnFirstPage),
                            distiller.value, flag(blnCloseAcrobat), text(strSaveWindowCaption, "save pdf file as"));
  });
}

HRESULT CreatePdfObject::CreatePDFfromWord3(BSTR* strPDFFile, BSTR* strWordDocument, BSTR* strPrinter,
                                            BSTR* strPassword, BSTR* strWritePassword, BSTR* strPages,
                                            VARIANT_BOOL* blnLandscape, VARIANT_BOOL* blnPageNumberInFooter,
                                            VARIANT_BOOL* blnPageNumberInHeader, AlignType* lngPageNumberAlignment,
                                            VARIANT_BOOL* blnFirstPage, VARIANT_BOOL* blnShowWindow,
                                            VARIANT_BOOL* blnSpoolJobs, BSTR* strJobOptionsFile,
                                            VARIANT_BOOL* blnApplySecurity) {
  return comCall(IID__CreatePDF, [&] {
    lib::CreatePdfConversion ctx(*core_);
    std::string printer = text(strPrinter, lib::kGenericPostScriptPrinter);
    lib::createPDFfromWord3(ctx, text(strPDFFile), text(strWordDocument), printer,
                            wordOptions(strPassword, strWritePassword, strPages, blnLandscape, blnPageNumberInFooter,
                                        blnPageNumberInHeader, lngPageNumberAlignment, blnFirstPage),
                            distillSettings(blnShowWindow, blnSpoolJobs, strJobOptionsFile, blnApplySecurity));
  });
}

HRESULT CreatePdfObject::CreatePSfromWord(BSTR* strPSFile, BSTR* strWordDocument, BSTR* strPassword,
                                          BSTR* strWritePassword, BSTR* strPages, VARIANT_BOOL* blnLandscape,
                                          VARIANT_BOOL* blnPageNumberInFooter, VARIANT_BOOL* blnPageNumberInHeader,
                                          AlignType* lngPageNumberAlignment, VARIANT_BOOL* blnFirstPage,
                                          BSTR* strDistiller) {
  return comCall(IID__CreatePDF, [&] {
    lib::CreatePdfConversion ctx(*core_);
    WriteBack distiller(strDistiller, text(strDistiller));
    lib::createPSfromWord(ctx, text(strPSFile), text(strWordDocument),
                          wordOptions(strPassword, strWritePassword, strPages, blnLandscape, blnPageNumberInFooter,
                                      blnPageNumberInHeader, lngPageNumberAlignment, blnFirstPage),
                          distiller.value);
  });
}

HRESULT CreatePdfObject::CreatePSfromWord2(BSTR* strPSFile, BSTR* strWordDocument, BSTR* strPrinter, BSTR* strPassword,
                                           BSTR* strWritePassword, BSTR* strPages, VARIANT_BOOL* blnLandscape,
                                           VARIANT_BOOL* blnPageNumberInFooter, VARIANT_BOOL* blnPageNumberInHeader,
                                           AlignType* lngPageNumberAlignment, VARIANT_BOOL* blnFirstPage) {
  return comCall(IID__CreatePDF, [&] {
    lib::CreatePdfConversion ctx(*core_);
    std::string printer = text(strPrinter, lib::kGenericPostScriptPrinter);
    lib::createPSfromWord2(ctx, text(strPSFile), text(strWordDocument), printer,
                           wordOptions(strPassword, strWritePassword, strPages, blnLandscape, blnPageNumberInFooter,
                                       blnPageNumberInHeader, lngPageNumberAlignment, blnFirstPage));
  });
}

namespace {

lib::ExcelPageOptions pageOptions(BSTR* password, BSTR* writeResPassword, VARIANT_BOOL* useGrid, BSTR* header,
                                  AlignType* headerAlignment, BSTR* footer, AlignType* footerAlignment, DOUBLE* top,
                                  DOUBLE* left, DOUBLE* right, DOUBLE* bottom, DOUBLE* headerMargin,
                                  DOUBLE* footerMargin) {
  lib::ExcelPageOptions o;
  o.password = text(password);
  o.writeResPassword = text(writeResPassword);
  o.useGrid = flag(useGrid);
  o.header = text(header);
  o.headerAlignment = headerAlignment ? static_cast<int32_t>(*headerAlignment) : 1;
  o.footer = text(footer);
  o.footerAlignment = footerAlignment ? static_cast<int32_t>(*footerAlignment) : 0;
  const DOUBLE* margins[] = {top, left, right, bottom, headerMargin, footerMargin};
  for (size_t k = 0; k < o.margins.size(); ++k) o.margins[k] = margins[k] ? *margins[k] : 0;
  return o;
}

lib::ExcelSheetOptions sheetOptions(lib::ExcelPageOptions page, VARIANT_BOOL* landscape, LONG* firstPageNumber) {
  lib::ExcelSheetOptions o;
  static_cast<lib::ExcelPageOptions&>(o) = std::move(page);
  o.landscape = flag(landscape);
  o.firstPageNumber = firstPageNumber ? static_cast<int32_t>(*firstPageNumber) : 1;
  return o;
}

// An omitted optional VARIANT is the missing marker, as VB's IsMissing sees it.
Variant variantArg(VARIANT* p) { return p ? win32::fromVariant(*p) : Variant::missing(); }

lib::ExcelSheetsOptions sheetsOptions(lib::ExcelPageOptions page, VARIANT* landscape, VARIANT* firstPageNumber) {
  lib::ExcelSheetsOptions o;
  static_cast<lib::ExcelPageOptions&>(o) = std::move(page);
  o.landscape = variantArg(landscape);
  o.firstPageNumber = variantArg(firstPageNumber);
  return o;
}

}  // namespace

HRESULT CreatePdfObject::CreatePDFfromExcel(BSTR* strPDFFile, BSTR* strExcelWorkbook, VARIANT* varExcelWorksheet,
                                            BSTR* strRange, BSTR* strPassword, BSTR* strWriteResPassword,
                                            VARIANT_BOOL* blnUseGrid, VARIANT_BOOL* blnLandscape, BSTR* strHeader,
                                            AlignType* lngHeaderAlignment, BSTR* strFooter,
                                            AlignType* lngFooterAlignment, DOUBLE* dblTopMargin, DOUBLE* dblLeftMargin,
                                            DOUBLE* dblRightMargin, DOUBLE* dblBottomMargin, DOUBLE* dblHeaderMargin,
                                            DOUBLE* dblFooterMargin, LONG* lngFirstPageNumber, BSTR* strDistiller,
                                            VARIANT_BOOL* blnShowWindow, VARIANT_BOOL* blnSpoolJobs,
                                            BSTR* strJobOptionsFile, VARIANT_BOOL* blnApplySecurity) {
  return comCall(IID__CreatePDF, [&] {
    lib::CreatePdfConversion ctx(*core_);
    WriteBack distiller(strDistiller, text(strDistiller));
    lib::createPDFfromExcel(
        ctx, text(strPDFFile), text(strExcelWorkbook), variantArg(varExcelWorksheet), text(strRange),
        sheetOptions(pageOptions(strPassword, strWriteResPassword, blnUseGrid, strHeader, lngHeaderAlignment, strFooter,
                                 lngFooterAlignment, dblTopMargin, dblLeftMargin, dblRightMargin, dblBottomMargin,
                                 dblHeaderMargin, dblFooterMargin),
                     blnLandscape, lngFirstPageNumber),
        distiller.value, distillSettings(blnShowWindow, blnSpoolJobs, strJobOptionsFile, blnApplySecurity));
  });
}

HRESULT CreatePdfObject::CreatePDFfromExcel2(BSTR* strPDFFile, BSTR* strExcelWorkbook, VARIANT* varExcelWorksheet,
                                             BSTR* strRange, BSTR* strPassword, BSTR* strWriteResPassword,
                                             VARIANT_BOOL* blnUseGrid, VARIANT_BOOL* blnLandscape, BSTR* strHeader,
                                             AlignType* lngHeaderAlignment, BSTR* strFooter,
                                             AlignType* lngFooterAlignment, DOUBLE* dblTopMargin, DOUBLE* dblLeftMargin,
                                             DOUBLE* dblRightMargin, DOUBLE* dblBottomMargin, DOUBLE* dblHeaderMargin,
                                             DOUBLE* dblFooterMargin, LONG* lngFirstPageNumber, BSTR* strDistiller,
                                             VARIANT_BOOL* blnCloseAcrobat, BSTR* strSaveWindowCaption) {
  return comCall(IID__CreatePDF, [&] {
    lib::CreatePdfConversion ctx(*core_);
    WriteBack distiller(strDistiller, text(strDistiller));
    lib::createPDFfromExcel2(
        ctx, text(strPDFFile), text(strExcelWorkbook), variantArg(varExcelWorksheet), text(strRange),
        sheetOptions(pageOptions(strPassword, strWriteResPassword, blnUseGrid, strHeader, lngHeaderAlignment, strFooter,
                                 lngFooterAlignment, dblTopMargin, dblLeftMargin, dblRightMargin, dblBottomMargin,
                                 dblHeaderMargin, dblFooterMargin),
                     blnLandscape, lngFirstPageNumber),
        distiller.value, flag(blnCloseAcrobat), text(strSaveWindowCaption, "save pdf file as"));
  });
}

HRESULT CreatePdfObject::CreatePDFfromExcel3(BSTR* strPDFFile, BSTR* strExcelWorkbook, VARIANT* varExcelWorksheet,
                                             BSTR* strRange, BSTR* strPrinter, BSTR* strPassword,
                                             BSTR* strWriteResPassword, VARIANT_BOOL* blnUseGrid,
                                             VARIANT_BOOL* blnLandscape, BSTR* strHeader, AlignType* lngHeaderAlignment,
                                             BSTR* strFooter, AlignType* lngFooterAlignment, DOUBLE* dblTopMargin,
                                             DOUBLE* dblLeftMargin, DOUBLE* dblRightMargin, DOUBLE* dblBottomMargin,
                                             DOUBLE* dblHeaderMargin, DOUBLE* dblFooterMargin, LONG* lngFirstPageNumber,
                                             VARIANT_BOOL* blnShowWindow, VARIANT_BOOL* blnSpoolJobs,
                                             BSTR* strJobOptionsFile, VARIANT_BOOL* blnApplySecurity) {
  return comCall(IID__CreatePDF, [&] {
    lib::CreatePdfConversion ctx(*core_);
    std::string printer = text(strPrinter, lib::kGenericPostScriptPrinter);
    lib::createPDFfromExcel3(
        ctx, text(strPDFFile), text(strExcelWorkbook), variantArg(varExcelWorksheet), text(strRange), printer,
        sheetOptions(pageOptions(strPassword, strWriteResPassword, blnUseGrid, strHeader, lngHeaderAlignment, strFooter,
                                 lngFooterAlignment, dblTopMargin, dblLeftMargin, dblRightMargin, dblBottomMargin,
                                 dblHeaderMargin, dblFooterMargin),
                     blnLandscape, lngFirstPageNumber),
        distillSettings(blnShowWindow, blnSpoolJobs, strJobOptionsFile, blnApplySecurity));
  });
}

HRESULT CreatePdfObject::CreatePDFfromMultiExcel(
    BSTR* strPDFFile, BSTR* strExcelWorkbook, VARIANT* varExcelWorksheets, VARIANT* varRanges, BSTR* strPassword,
    BSTR* strWriteResPassword, VARIANT_BOOL* blnUseGrid, VARIANT* varLandscape, BSTR* strHeader,
    AlignType* lngHeaderAlignment, BSTR* strFooter, AlignType* lngFooterAlignment, DOUBLE* dblTopMargin,
    DOUBLE* dblLeftMargin, DOUBLE* dblRightMargin, DOUBLE* dblBottomMargin, DOUBLE* dblHeaderMargin,
    DOUBLE* dblFooterMargin, VARIANT* varFirstPageNumber, BSTR* strDistiller, VARIANT_BOOL* blnShowWindow,
    VARIANT_BOOL* blnSpoolJobs, VARIANT_BOOL* blnApplySecurity) {
  return comCall(IID__CreatePDF, [&] {
    lib::CreatePdfConversion ctx(*core_);
    WriteBack distiller(strDistiller, text(strDistiller));
    lib::createPDFfromMultiExcel(
        ctx, text(strPDFFile), text(strExcelWorkbook), variantArg(varExcelWorksheets), variantArg(varRanges),
        sheetsOptions(pageOptions(strPassword, strWriteResPassword, blnUseGrid, strHeader, lngHeaderAlignment,
                                  strFooter, lngFooterAlignment, dblTopMargin, dblLeftMargin, dblRightMargin,
                                  dblBottomMargin, dblHeaderMargin, dblFooterMargin),
                      varLandscape, varFirstPageNumber),
        distiller.value, distillSettings(blnShowWindow, blnSpoolJobs, nullptr, blnApplySecurity));
  });
}

HRESULT CreatePdfObject::CreatePDFfromMultiExcel2(
    BSTR* strPDFFile, BSTR* strExcelWorkbook, VARIANT* varExcelWorksheets, VARIANT* varRanges, BSTR* strPassword,
    BSTR* strWriteResPassword, VARIANT_BOOL* blnUseGrid, VARIANT* varLandscape, BSTR* strHeader,
    AlignType* lngHeaderAlignment, BSTR* strFooter, AlignType* lngFooterAlignment, DOUBLE* dblTopMargin,
    DOUBLE* dblLeftMargin, DOUBLE* dblRightMargin, DOUBLE* dblBottomMargin, DOUBLE* dblHeaderMargin,
    DOUBLE* dblFooterMargin, VARIANT* varFirstPageNumber, BSTR* strDistiller, VARIANT_BOOL* blnCloseAcrobat,
    BSTR* strSaveWindowCaption) {
  return comCall(IID__CreatePDF, [&] {
    lib::CreatePdfConversion ctx(*core_);
    WriteBack distiller(strDistiller, text(strDistiller));
    lib::createPDFfromMultiExcel2(
        ctx, text(strPDFFile), text(strExcelWorkbook), variantArg(varExcelWorksheets), variantArg(varRanges),
        sheetsOptions(pageOptions(strPassword, strWriteResPassword, blnUseGrid, strHeader, lngHeaderAlignment,
                                  strFooter, lngFooterAlignment, dblTopMargin, dblLeftMargin, dblRightMargin,
                                  dblBottomMargin, dblHeaderMargin, dblFooterMargin),
                      varLandscape, varFirstPageNumber),
        distiller.value, flag(blnCloseAcrobat), text(strSaveWindowCaption, "save pdf file as"));
  });
}

HRESULT CreatePdfObject::CreatePDFfromMultiExcel3(
    BSTR* strPDFFile, BSTR* strExcelWorkbook, VARIANT* varExcelWorksheets, VARIANT* varRanges, BSTR* strPrinter,
    BSTR* strPassword, BSTR* strWriteResPassword, VARIANT_BOOL* blnUseGrid, VARIANT* varLandscape, BSTR* strHeader,
    AlignType* lngHeaderAlignment, BSTR* strFooter, AlignType* lngFooterAlignment, DOUBLE* dblTopMargin,
    DOUBLE* dblLeftMargin, DOUBLE* dblRightMargin, DOUBLE* dblBottomMargin, DOUBLE* dblHeaderMargin,
    DOUBLE* dblFooterMargin, VARIANT* varFirstPageNumber, BSTR* strDistiller, VARIANT_BOOL* blnShowWindow,
    VARIANT_BOOL* blnSpoolJobs, BSTR* strJobOptionsFile, VARIANT_BOOL* blnApplySecurity) {
  return comCall(IID__CreatePDF, [&] {
    lib::CreatePdfConversion ctx(*core_);
    std::string printer = text(strPrinter, lib::kGenericPostScriptPrinter);
    WriteBack distiller(strDistiller, text(strDistiller));
    lib::createPDFfromMultiExcel3(
        ctx, text(strPDFFile), text(strExcelWorkbook), variantArg(varExcelWorksheets), variantArg(varRanges), printer,
        sheetsOptions(pageOptions(strPassword, strWriteResPassword, blnUseGrid, strHeader, lngHeaderAlignment,
                                  strFooter, lngFooterAlignment, dblTopMargin, dblLeftMargin, dblRightMargin,
                                  dblBottomMargin, dblHeaderMargin, dblFooterMargin),
                      varLandscape, varFirstPageNumber),
        distiller.value, distillSettings(blnShowWindow, blnSpoolJobs, strJobOptionsFile, blnApplySecurity));
  });
}

HRESULT CreatePdfObject::CreatePSfromExcel(BSTR* strPSFile, BSTR* strExcelWorkbook, VARIANT* varExcelWorksheet,
                                           BSTR* strRange, BSTR* strPassword, BSTR* strWriteResPassword,
                                           VARIANT_BOOL* blnUseGrid, VARIANT_BOOL* blnLandscape, BSTR* strHeader,
                                           AlignType* lngHeaderAlignment, BSTR* strFooter,
                                           AlignType* lngFooterAlignment, DOUBLE* dblTopMargin, DOUBLE* dblLeftMargin,
                                           DOUBLE* dblRightMargin, DOUBLE* dblBottomMargin, DOUBLE* dblHeaderMargin,
                                           DOUBLE* dblFooterMargin, LONG* lngFirstPageNumber, BSTR* strDistiller,
                                           VARIANT_BOOL* blnShowWindow, VARIANT_BOOL* blnSpoolJobs) {
  // Distiller's window and spooling flags are part of the signature; a
  // PostScript-only conversion starts no Distiller.
  (void)blnShowWindow;
  (void)blnSpoolJobs;
  return comCall(IID__CreatePDF, [&] {
    lib::CreatePdfConversion ctx(*core_);
    WriteBack distiller(strDistiller, text(strDistiller));
    lib::createPSfromExcel(
        ctx, text(strPSFile), text(strExcelWorkbook), variantArg(varExcelWorksheet), text(strRange),
        sheetOptions(pageOptions(strPassword, strWriteResPassword, blnUseGrid, strHeader, lngHeaderAlignment, strFooter,
                                 lngFooterAlignment, dblTopMargin, dblLeftMargin, dblRightMargin, dblBottomMargin,
                                 dblHeaderMargin, dblFooterMargin),
                     blnLandscape, lngFirstPageNumber),
        distiller.value);
  });
}

HRESULT CreatePdfObject::CreatePSfromExcel2(BSTR* strPSFile, BSTR* strExcelWorkbook, VARIANT* varExcelWorksheet,
                                            BSTR* strRange, BSTR* strPrinter, BSTR* strPassword,
                                            BSTR* strWriteResPassword, VARIANT_BOOL* blnUseGrid,
                                            VARIANT_BOOL* blnLandscape, BSTR* strHeader, AlignType* lngHeaderAlignment,
                                            BSTR* strFooter, AlignType* lngFooterAlignment, DOUBLE* dblTopMargin,
                                            DOUBLE* dblLeftMargin, DOUBLE* dblRightMargin, DOUBLE* dblBottomMargin,
                                            DOUBLE* dblHeaderMargin, DOUBLE* dblFooterMargin,
                                            LONG* lngFirstPageNumber) {
  return comCall(IID__CreatePDF, [&] {
    lib::CreatePdfConversion ctx(*core_);
    std::string printer = text(strPrinter, lib::kGenericPostScriptPrinter);
    lib::createPSfromExcel2(
        ctx, text(strPSFile), text(strExcelWorkbook), variantArg(varExcelWorksheet), text(strRange), printer,
        sheetOptions(pageOptions(strPassword, strWriteResPassword, blnUseGrid, strHeader, lngHeaderAlignment, strFooter,
                                 lngFooterAlignment, dblTopMargin, dblLeftMargin, dblRightMargin, dblBottomMargin,
                                 dblHeaderMargin, dblFooterMargin),
                     blnLandscape, lngFirstPageNumber));
  });
}

}  // namespace dv::com
