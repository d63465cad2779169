// Access reports to PDF or PostScript: Access is driven through
// automation, the database opened (with its password from Access 10 on),
// the report printed with DoCmd.OpenReport and closed again. Access 10 and
// later print to the application's Printer; older ones only to the
// system default printer, which is switched for the length of the call.
// Several reports print one file each, which are then merged.
#pragma once

#include <cstdint>
#include <string>

#include "convert/pipeline.h"

namespace dv::lib {

inline constexpr const char* kAccessProgId = "Access.Application";
// The PDF printer of viewers below 6: it takes its output name from the
// registry instead of asking.
inline constexpr const char* kPDFWriterPrinter = "Acrobat PDFWriter";
// From this version on Access has Printer/Printers and database passwords.
inline constexpr int16_t kAccessWithPrinters = 10;

// What every member opens and prints.
struct AccessSource {
  int16_t accessVersion = 0;  // CreatePDF.AccessVersion
  std::string database;
  std::string password;
};

// One report: its filter name and where-condition pass unchanged to Access.
struct AccessReport {
  std::string name, filter, where;
};

void createPSfromAccessReport(ConversionContext& ctx, const std::string& ps, const AccessSource& source,
                              const AccessReport& report, std::string& distiller, const std::string& saveWindowCaption);
void createPSfromAccessReport2(ConversionContext& ctx, const std::string& ps, const AccessSource& source,
                               const AccessReport& report, const std::string& printer,
                               const std::string& saveWindowCaption);
void createPDFfromAccessReport(ConversionContext& ctx, const std::string& pdf, const AccessSource& source,
                               const AccessReport& report, const std::string& pdfWriter, bool closeAcrobat,
                               const std::string& saveWindowCaption);
void createPDFfromAccessReport2(ConversionContext& ctx, const std::string& pdf, const AccessSource& source,
                                const AccessReport& report, const std::string& printer,
                                const std::string& saveWindowCaption, const DistillSettings& settings);

// The reports of the multi-report members: names, and filters and
// where-conditions read at the same index when they are arrays.
struct AccessReports {
  Variant names;
  Variant filters = Variant::missing();
  Variant wheres = Variant::missing();
};

void createPDFfromMultiAccessReport(ConversionContext& ctx, const std::string& pdf, const AccessSource& source,
                                    const AccessReports& reports, const std::string& pdfWriter, bool closeAcrobat,
                                    const std::string& saveWindowCaption);
void createPDFfromMultiAccessReport2(ConversionContext& ctx, const std::string& pdf, const AccessSource& source,
                                     const AccessReports& reports, const std::string& printer,
                                     const std::string& saveWindowCaption, std::string& distiller,
                                     const DistillSettings& settings);

}  // namespace dv::lib
