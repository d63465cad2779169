// Excel worksheet ranges to PDF or PostScript: Excel is opened through
// automation, each sheet gets the same page setup, and a named range or
// the used range is printed in the background, followed by the
// stable-file wait. One sheet goes through a pipeline shape; several
// sheets print one file each, which are then combined.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "convert/pipeline.h"

namespace dv::lib {

inline constexpr const char* kExcelProgId = "Excel.Application";
// Excel's "number 1004", the error of a rejected range or sheet reference
// (among others), and what the conversions report in its place.
inline constexpr const char* kInvalidWorksheetRange = "Invalid worksheet range";
// The keyword of strRange that prints the sheet's used range.
inline constexpr const char* kUsedRangeKeyword = "used_range";

// The page setup every Excel member applies to each sheet.
struct ExcelPageOptions {
  std::string password;
  std::string writeResPassword;
  bool useGrid = false;
  std::string header;
  int32_t headerAlignment = 1;  // AlignType: 0 left, 1 centre, anything else right
  std::string footer;
  int32_t footerAlignment = 0;  // AlignType: 0 left, 2 right, anything else centre
  // Inches, in the order top, left, right, bottom, header, footer; only
  // values above 0 change the sheet's margin.
  std::array<double, 6> margins{};
};

// One sheet: blnLandscape and lngFirstPageNumber.
struct ExcelSheetOptions : ExcelPageOptions {
  bool landscape = false;
  int32_t firstPageNumber = 1;
};

// Several sheets: varLandscape (used only when it is an array) and
// varFirstPageNumber (missing: 1; not an array: its value; an array:
// element i).
struct ExcelSheetsOptions : ExcelPageOptions {
  Variant landscape = Variant::missing();
  Variant firstPageNumber = Variant::missing();
};

// The first-page number of each sheet, indexed 0 to the upper bound of
// the sheet array. An array is read from the sheets' lower bound only:
// entries below it belong to no sheet.
std::vector<int32_t> firstPageNumbers(const Variant& firstPageNumber, int32_t lowerBound, int32_t upperBound);

// Runs an Excel member: its error exit has run when `body` fails; Excel's
// 1004 then becomes the library error "Invalid worksheet range", every
// other error keeps its number and description.
void withExcelErrors(const std::function<void()>& body);

// One Excel instance and workbook, from Workbooks.Open to Quit.
class ExcelSession;

// The Excel instance, workbook and sheet of a one-sheet conversion.
class ExcelPrintJob : public PrintJob {
 public:
  ExcelPrintJob(Automation& automation, std::string workbook, Variant sheet, std::string range,
                ExcelSheetOptions options);
  ~ExcelPrintJob() override;
  ExcelPrintJob(const ExcelPrintJob&) = delete;
  ExcelPrintJob& operator=(const ExcelPrintJob&) = delete;
  void open() override;
  // Excel takes the printer as an argument of PrintOut; the range is
  // looked up here, before any file is deleted or a relay started, so a
  // rejected range changes nothing.
  void selectPrinter(const std::string& printer) override;
  void printToFile(const std::string& path) override;
  void printToPdfPrinter() override;
  bool printsInBackground() const override { return true; }
  void close() override;
  void abandon() noexcept override;

 private:
  Automation& automation_;
  std::string workbook_;
  Variant sheet_;
  std::string range_;
  ExcelSheetOptions options_;
  std::unique_ptr<ExcelSession> session_;
  ObjectPtr sheetObject_;
  ObjectPtr printRange_;
  std::string printer_;
};

void createPDFfromExcel(ConversionContext& ctx, const std::string& pdf, const std::string& workbook,
                        const Variant& sheet, const std::string& range, const ExcelSheetOptions& options,
                        std::string& distiller, const DistillSettings& settings);
void createPDFfromExcel2(ConversionContext& ctx, const std::string& pdf, const std::string& workbook,
                         const Variant& sheet, const std::string& range, const ExcelSheetOptions& options,
                         std::string& distiller, bool closeAcrobat, const std::string& saveWindowCaption);
void createPDFfromExcel3(ConversionContext& ctx, const std::string& pdf, const std::string& workbook,
                         const Variant& sheet, const std::string& range, std::string& printer,
                         const ExcelSheetOptions& options, const DistillSettings& settings);
void createPSfromExcel(ConversionContext& ctx, const std::string& ps, const std::string& workbook, const Variant& sheet,
                       const std::string& range, const ExcelSheetOptions& options, std::string& distiller);
void createPSfromExcel2(ConversionContext& ctx, const std::string& ps, const std::string& workbook,
                        const Variant& sheet, const std::string& range, std::string& printer,
                        const ExcelSheetOptions& options);

// The multi-sheet members. `settings.jobOptionsFile` is ignored by
// CreatePDFfromMultiExcel, which has none.
void createPDFfromMultiExcel(ConversionContext& ctx, const std::string& pdf, const std::string& workbook,
                             const Variant& sheets, const Variant& ranges, const ExcelSheetsOptions& options,
                             std::string& distiller, const DistillSettings& settings);
void createPDFfromMultiExcel2(ConversionContext& ctx, const std::string& pdf, const std::string& workbook,
                              const Variant& sheets, const Variant& ranges, const ExcelSheetsOptions& options,
                              std::string& distiller, bool closeAcrobat, const std::string& saveWindowCaption);
void createPDFfromMultiExcel3(ConversionContext& ctx, const std::string& pdf, const std::string& workbook,
                              const Variant& sheets, const Variant& ranges, std::string& printer,
                              const ExcelSheetsOptions& options, std::string& distiller,
                              const DistillSettings& settings);

}  // namespace dv::lib
