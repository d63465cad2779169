// CreatePDF: the Access report conversions. The Distiller printer that
// CreatePSfromAccessReport settles on is written back to the caller's
// variable, as are the blank strDistiller of CreatePDFfromMultiAccessReport2.
#include "com_util.h"
#include "convert/access.h"
#include "convert/word.h"
#include "convert/create_pdf_conversion.h"
#include "create_pdf_object.h"
#include "dv/trace.h"
#include "dv/win32/automation.h"

namespace dv::com {

namespace {

// A missing optional argument may arrive as a null pointer from an
// early-bound client; it then takes its declared default.
std::string arg(BSTR* p, std::string_view fallback = {}) { return p ? fromBstr(*p) : std::string(fallback); }
bool on(VARIANT_BOOL* p) { return p && *p != VARIANT_FALSE; }
Variant variant(VARIANT* p) { return p ? win32::fromVariant(*p) : Variant::missing(); }

// The printer variable of a call, written back into the caller's BSTR on
// every path (VB leaves a by-reference argument changed when the call
// fails, too).
class PrinterVariable {
 public:
  explicit PrinterVariable(BSTR* target) : value(arg(target)), target_(target) {}
  ~PrinterVariable() {
    if (!target_) return;
    try {
      BSTR fresh = allocBstr(value);
      SysFreeString(*target_);
      *target_ = fresh;
    } catch (...) {
      trace("writing back a by-reference printer argument", currentErrorText());
    }
  }
  PrinterVariable(const PrinterVariable&) = delete;
  PrinterVariable& operator=(const PrinterVariable&) = delete;
  std::string value;

 private:
  BSTR* target_;
};

lib::DistillSettings settings(VARIANT_BOOL* show, VARIANT_BOOL* spool, BSTR* jobOptions, VARIANT_BOOL* applySecurity) {
  lib::DistillSettings s;
  s.showWindow = on(show);
  s.spoolJobs = on(spool);
  s.jobOptionsFile = arg(jobOptions);
  s.applySecurity = applySecurity && *applySecurity == VARIANT_TRUE;
  return s;
}

}  // namespace

HRESULT CreatePdfObject::CreatePSfromAccessReport(BSTR* strPSFile, BSTR* strDatabase, BSTR* strReportName,
                                                  BSTR* strDistiller, BSTR* strPassword, BSTR* strFilter,
                                                  BSTR* strWhereCondition, BSTR* strSaveWindowCaption) {
  return comCall(IID__CreatePDF, [&] {
    lib::CreatePdfConversion ctx(*core_);
    PrinterVariable distiller(strDistiller);
    lib::createPSfromAccessReport(ctx, arg(strPSFile), {core_->AccessVersion(), arg(strDatabase), arg(strPassword)},
                                  {arg(strReportName), arg(strFilter), arg(strWhereCondition)}, distiller.value,
                                  arg(strSaveWindowCaption, "save pdf file as"));
  });
}

HRESULT CreatePdfObject::CreatePSfromAccessReport2(BSTR* strPSFile, BSTR* strDatabase, BSTR* strReportName,
                                                   BSTR* strPrinter, BSTR* strPassword, BSTR* strFilter,
                                                   BSTR* strWhereCondition, BSTR* strSaveWindowCaption) {
  return comCall(IID__CreatePDF, [&] {
    lib::CreatePdfConversion ctx(*core_);
    lib::createPSfromAccessReport2(ctx, arg(strPSFile), {core_->AccessVersion(), arg(strDatabase), arg(strPassword)},
                                   {arg(strReportName), arg(strFilter), arg(strWhereCondition)},
                                   arg(strPrinter, lib::kGenericPostScriptPrinter),
                                   arg(strSaveWindowCaption, "print to file"));
  });
}

HRESULT CreatePdfObject::CreatePDFfromAccessReport(BSTR* strPDFFile, BSTR* strDatabase, BSTR* strReportName,
                                                   BSTR* strPassword, BSTR* strFilter, BSTR* strWhereCondition,
                                                   BSTR strPDFWriter, VARIANT_BOOL* blnCloseAcrobat,
                                                   BSTR strSaveWindowCaption) {
  return comCall(IID__CreatePDF, [&] {
    lib::CreatePdfConversion ctx(*core_);
    lib::createPDFfromAccessReport(ctx, arg(strPDFFile), {core_->AccessVersion(), arg(strDatabase), arg(strPassword)},
                                   {arg(strReportName), arg(strFilter), arg(strWhereCondition)}, fromBstr(strPDFWriter),
                                   on(blnCloseAcrobat), fromBstr(strSaveWindowCaption));
  });
}

HRESULT CreatePdfObject::CreatePDFfromAccessReport2(BSTR* strPDFFile, BSTR* strDatabase, BSTR* strReportName,
                                                    BSTR* strPrinter, BSTR* strPassword, BSTR* strFilter,
                                                    BSTR* strWhereCondition, BSTR* strSaveWindowCaption,
                                                    VARIANT_BOOL* blnShowWindow, VARIANT_BOOL* blnSpoolJobs,
                                                    BSTR* strJobOptionsFile, VARIANT_BOOL* blnApplySecurity) {
  return comCall(IID__CreatePDF, [&] {
    lib::CreatePdfConversion ctx(*core_);
    lib::createPDFfromAccessReport2(ctx, arg(strPDFFile), {core_->AccessVersion(), arg(strDatabase), arg(strPassword)},
                                    {arg(strReportName), arg(strFilter), arg(strWhereCondition)},
                                    arg(strPrinter, lib::kGenericPostScriptPrinter),
                                    arg(strSaveWindowCaption, "print to file"),
                                    settings(blnShowWindow, blnSpoolJobs, strJobOptionsFile, blnApplySecurity));
  });
}

HRESULT CreatePdfObject::CreatePDFfromMultiAccessReport(BSTR* strPDFFile, BSTR* strDatabase, VARIANT* varReportNames,
                                                        BSTR* strPassword, BSTR strPDFWriter,
                                                        VARIANT_BOOL* blnCloseAcrobat, BSTR* strSaveWindowCaption,
                                                        VARIANT* varFilters, VARIANT* varWhereConditions) {
  return comCall(IID__CreatePDF, [&] {
    lib::CreatePdfConversion ctx(*core_);
    lib::createPDFfromMultiAccessReport(
        ctx, arg(strPDFFile), {core_->AccessVersion(), arg(strDatabase), arg(strPassword)},
        {variant(varReportNames), variant(varFilters), variant(varWhereConditions)}, fromBstr(strPDFWriter),
        on(blnCloseAcrobat), arg(strSaveWindowCaption, "save pdf file as"));
  });
}

HRESULT CreatePdfObject::CreatePDFfromMultiAccessReport2(BSTR* strPDFFile, BSTR* strDatabase, VARIANT* varReportNames,
                                                         BSTR* strPrinter, BSTR* strPassword,
                                                         BSTR* strSaveWindowCaption, BSTR* strDistiller,
                                                         VARIANT_BOOL* blnShowWindow, VARIANT_BOOL* blnSpoolJobs,
                                                         BSTR* strJobOptionsFile, VARIANT_BOOL* blnApplySecurity,
                                                         VARIANT* varFilters, VARIANT* varWhereConditions) {
  return comCall(IID__CreatePDF, [&] {
    lib::CreatePdfConversion ctx(*core_);
    PrinterVariable distiller(strDistiller);
    lib::createPDFfromMultiAccessReport2(
        ctx, arg(strPDFFile), {core_->AccessVersion(), arg(strDatabase), arg(strPassword)},
        {variant(varReportNames), variant(varFilters), variant(varWhereConditions)},
        arg(strPrinter, lib::kGenericPostScriptPrinter), arg(strSaveWindowCaption, "print to file"), distiller.value,
        settings(blnShowWindow, blnSpoolJobs, strJobOptionsFile, blnApplySecurity));
  });
}

}  // namespace dv::com
