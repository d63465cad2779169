#include "convert/excel.h"

#include <utility>

#include "convert/distiller.h"
#include "dv/trace.h"
#include "dv/vb.h"
#include "relaylaunch/relay_launch.h"

namespace dv::lib {

namespace {

constexpr int32_t kXlPortrait = 1;
constexpr int32_t kXlLandscape = 2;
constexpr const char* kMarginProperties[] = {"TopMargin",    "LeftMargin",   "RightMargin",
                                             "BottomMargin", "HeaderMargin", "FooterMargin"};

}  // namespace

class ExcelSession {
 public:
  explicit ExcelSession(Automation& automation) : automation_(automation) {}

  void open(const std::string& workbook, const ExcelPageOptions& options) {
    excel_ = automation_.createObject(kExcelProgId);
    book_ = asObject(asObject(excel_->get("Workbooks"))
                         ->call("Open", {pos(workbook), named("Password", options.password),
                                         named("WriteResPassword", options.writeResPassword)}));
    excel_->let("DisplayAlerts", Variant(false));
  }

  ObjectPtr sheet(const Variant& which) {
    return asObject(asObject(book_->get("Worksheets"))->get("Item", {pos(which)}));
  }

  // The page setup of one sheet; the orientation only when given.
  void applyPageSetup(Object& sheet, const ExcelPageOptions& o, std::optional<bool> landscape, int32_t firstPage) {
    ObjectPtr p = asObject(sheet.get("PageSetup"));
    p->let("PrintGridlines", Variant(o.useGrid));
    if (landscape) p->let("Orientation", Variant(*landscape ? kXlLandscape : kXlPortrait));
    if (!vb::Trim(o.header).empty()) {
      const char* where = o.headerAlignment == 1   ? "CenterHeader"
                          : o.headerAlignment == 0 ? "LeftHeader"
                                                   : "RightHeader";
      p->let(where, Variant(o.header));
    }
    if (!vb::Trim(o.footer).empty()) {
      const char* where = o.footerAlignment == 0   ? "LeftFooter"
                          : o.footerAlignment == 2 ? "RightFooter"
                                                   : "CenterFooter";
      p->let(where, Variant(o.footer));
    }
    for (size_t k = 0; k < o.margins.size(); ++k) {
      if (o.margins[k] > 0) p->let(kMarginProperties[k], excel_->call("InchesToPoints", {pos(o.margins[k])}));
    }
    p->let("FirstPageNumber", Variant(firstPage));
  }

  // s.UsedRange for "used_range" in any case, else s.Range(strRange).
  static ObjectPtr printRange(Object& sheet, const std::string& range) {
    if (vb::LCase(range) == kUsedRangeKeyword) return asObject(sheet.get("UsedRange"));
    return asObject(sheet.get("Range", {pos(range)}));
  }

  static void printToFile(Object& range, const std::string& path, const std::string& printer) {
    range.call("PrintOut", {named("Copies", int16_t{1}), named("preview", false), named("PrintToFile", true),
                            named("Collate", true), named("PrToFilename", path), named("ActivePrinter", printer)});
  }

  static void printToPdfPrinter(Object& range, const std::string& printer) {
    range.call("PrintOut", {named("ActivePrinter", printer)});
  }

  void close() {
    excel_->let("DisplayAlerts", Variant(true));
    book_->call("Close", {pos(false)});
    book_.reset();
    excel_->call("Quit");
    excel_.reset();
  }

  void abandon() noexcept {
    if (book_) {
      try {
        book_->call("Close", {pos(false)});
      } catch (...) {
        trace("closing the Excel workbook after a failure", currentErrorText());
      }
      book_.reset();
    }
    if (excel_) {
      try {
        excel_->call("Quit");
      } catch (...) {
        trace("quitting Excel after a failure", currentErrorText());
      }
      excel_.reset();
    }
  }

 private:
  Automation& automation_;
  ObjectPtr excel_;
  ObjectPtr book_;
};

namespace {

// The element of a one-dimensional array at `i`, or VB's "Subscript out of
// range" when there is none.
const Variant& element(const Variant& array, int32_t i) {
  const Array& a = array.target().arrayValue();
  if (a.rank() != 1 || i < a.lbound() || i > a.ubound()) vb::raise(vb::kSubscriptOutOfRange);
  return a.at(i).target();
}

// How one multi-sheet member prints and combines.
enum class MultiKind { Distiller, PdfPrinter };

struct MultiRequest {
  std::string pdf, workbook;
  const Variant* sheets;
  const Variant* ranges;
  const ExcelSheetsOptions* options;
  std::string* distiller;
  const std::string* printer;  // the print call's printer (nullptr: the resolved strDistiller)
  MultiKind kind;
  DistillSettings settings;
  bool closeAcrobat = false;
  std::string saveWindowCaption;
};

// The checks VB's array access would make inside the loop, made before
// Excel starts: sheets and ranges are arrays, and every array indexed by
// sheet reaches the sheets' bounds.
void checkSheetArrays(const MultiRequest& r) {
  const Variant& sheets = r.sheets->target();
  if (!sheets.isArray() || sheets.arrayValue().rank() != 1) vb::raise(vb::kTypeMismatch);
  if (!r.ranges->target().isArray()) vb::raise(vb::kTypeMismatch);
  const Array& s = sheets.arrayValue();
  for (const Variant* v : {r.ranges, &r.options->landscape, &r.options->firstPageNumber}) {
    if (!v->target().isArray() || s.size() == 0) continue;
    element(*v, s.lbound());
    element(*v, s.ubound());
  }
}

void runMultiSheet(ConversionContext& ctx, MultiRequest r) {
  FileSystem& files = ctx.host().files;
  if (!files.fileExists(r.workbook)) raiseMissingInput(r.workbook);
  checkSheetArrays(r);
  const Array& sheets = r.sheets->target().arrayValue();
  const int32_t lower = sheets.size() ? sheets.lbound() : 0, upper = sheets.size() ? sheets.ubound() : -1;
  ExcelSession excel(ctx.host().automation);
  // The per-sheet files, indexed as the sheets (entries below the lower
  // bound stay empty).
  const int32_t first = std::min(lower, 0);
  Array made(VarType::Variant, {Bound{first, static_cast<uint32_t>(std::max(0, upper - first + 1))}});
  std::vector<std::string> relays;
  bool pdfStarted = false;
  auto madeFiles = [&] {
    std::vector<std::string> out;
    for (size_t k = 0; k < made.size(); ++k) {
      const Variant& v = made.at(first + static_cast<int32_t>(k));
      if (v.isString() && !v.stringValue().empty()) out.push_back(v.stringValue());
    }
    return out;
  };
  withExcelErrors([&] {
    withConversionErrorExit(
        [&] {
          excel.open(r.workbook, *r.options);
          const std::vector<int32_t> firstPages = firstPageNumbers(r.options->firstPageNumber, lower, upper);
          resolveDistillerPrinter(ctx, *r.distiller);
          const std::string printer = r.printer ? *r.printer : *r.distiller;
          const bool landscapeGiven = r.options->landscape.target().isArray();
          for (int32_t i = lower; i <= upper; ++i) {
            ctx.host().pump.pump();
            ObjectPtr sheet = excel.sheet(sheets.at(i).target());
            std::optional<bool> landscape;
            if (landscapeGiven) landscape = vb::CBool(element(r.options->landscape, i));
            // Sheets below index 0 (a negative lower bound) are numbered as
            // the list would number them.
            const int32_t firstPage = i >= 0                                      ? firstPages[static_cast<size_t>(i)]
                                      : vb::IsMissing(r.options->firstPageNumber) ? 1
                                      : !r.options->firstPageNumber.target().isArray()
                                          ? vb::CLng(r.options->firstPageNumber)
                                          : vb::CLng(element(r.options->firstPageNumber, i));
            excel.applyPageSetup(*sheet, *r.options, landscape, firstPage);
            std::string f;
            if (r.kind == MultiKind::Distiller) {
              f = tempPostScriptPath(ctx);
            } else {
              const std::string folder = ctx.tempFolder();
              f = folder + makeTempName(ctx, folder, ".pdf") + ".pdf";
            }
            if (files.fileExists(f)) vb::Kill(files, f);
            made.at(i) = Variant(f);
            ObjectPtr range = ExcelSession::printRange(*sheet, vb::CStr(element(*r.ranges, i)));
            if (r.kind == MultiKind::Distiller) {
              ExcelSession::printToFile(*range, f, printer);
              waitForStableFile(ctx, f);
            } else {
              std::vector<std::string> started = ctx.startSavePdfRelay(r.saveWindowCaption, f);
              relays.insert(relays.end(), started.begin(), started.end());
              ExcelSession::printToPdfPrinter(*range, printer);
              waitForStableFile(ctx, f);
              if (r.closeAcrobat) ctx.closeAcrobat(true, 10);
            }
          }
          excel.close();
          if (r.kind == MultiKind::Distiller) {
            createPDFfromMultiPS(ctx, r.pdf, Variant(made), *r.distiller, r.settings);
          } else {
            if (files.fileExists(r.pdf)) vb::Kill(files, r.pdf);
            pdfStarted = true;
            // Entries below the sheets' lower bound name no file: only the
            // files made are merged.
            const std::vector<std::string> list = madeFiles();
            Array merged(VarType::Variant, {Bound{0, static_cast<uint32_t>(list.size())}});
            for (size_t k = 0; k < list.size(); ++k) merged.at(static_cast<int32_t>(k)) = Variant(list[k]);
            ctx.createPdfFromMultiPdf(r.pdf, Variant(merged), false);
          }
          for (const std::string& f : madeFiles()) vb::Kill(files, f);
        },
        [&] {
          excel.abandon();
          endRelays(ctx.host(), relays);
          for (const std::string& f : madeFiles()) deleteQuietly(files, f);
          if (pdfStarted) deleteQuietly(files, r.pdf);
        });
  });
}

}  // namespace

std::vector<int32_t> firstPageNumbers(const Variant& firstPageNumber, int32_t lowerBound, int32_t upperBound) {
  std::vector<int32_t> list(static_cast<size_t>(std::max(0, upperBound + 1)), 1);
  const Variant& v = firstPageNumber.target();
  if (vb::IsMissing(v)) return list;
  if (!v.isArray()) {
    const int32_t all = vb::CLng(v);
    for (int32_t& n : list) n = all;
    return list;
  }
  for (int32_t i = std::max(0, lowerBound); i <= upperBound; ++i)
    list[static_cast<size_t>(i)] = vb::CLng(element(v, i));
  return list;
}

void withExcelErrors(const std::function<void()>& body) {
  try {
    body();
  } catch (const AutomationError& e) {
    if (e.number() == vb::runtimeErrorNumber(vb::kApplicationDefined)) vb::raiseLibrary(kInvalidWorksheetRange);
    throw;
  }
}

ExcelPrintJob::ExcelPrintJob(Automation& automation, std::string workbook, Variant sheet, std::string range,
                             ExcelSheetOptions options)
    : automation_(automation),
      workbook_(std::move(workbook)),
      sheet_(std::move(sheet)),
      range_(std::move(range)),
      options_(std::move(options)) {}

ExcelPrintJob::~ExcelPrintJob() = default;

void ExcelPrintJob::open() {
  session_ = std::make_unique<ExcelSession>(automation_);
  session_->open(workbook_, options_);
  sheetObject_ = session_->sheet(sheet_);
  session_->applyPageSetup(*sheetObject_, options_, options_.landscape, options_.firstPageNumber);
}

void ExcelPrintJob::selectPrinter(const std::string& printer) {
  printer_ = printer;
  printRange_ = ExcelSession::printRange(*sheetObject_, range_);
}

void ExcelPrintJob::printToFile(const std::string& path) { ExcelSession::printToFile(*printRange_, path, printer_); }

void ExcelPrintJob::printToPdfPrinter() { ExcelSession::printToPdfPrinter(*printRange_, printer_); }

void ExcelPrintJob::close() {
  printRange_.reset();
  sheetObject_.reset();
  session_->close();
}

void ExcelPrintJob::abandon() noexcept {
  printRange_.reset();
  sheetObject_.reset();
  if (session_) session_->abandon();
}

void createPDFfromExcel(ConversionContext& ctx, const std::string& pdf, const std::string& workbook,
                        const Variant& sheet, const std::string& range, const ExcelSheetOptions& options,
                        std::string& distiller, const DistillSettings& settings) {
  ExcelPrintJob job(ctx.host().automation, workbook, sheet, range, options);
  withExcelErrors([&] { runDistillerShape(ctx, workbook, job, {&distiller, true}, pdf, settings); });
}

void createPDFfromExcel2(ConversionContext& ctx, const std::string& pdf, const std::string& workbook,
                         const Variant& sheet, const std::string& range, const ExcelSheetOptions& options,
                         std::string& distiller, bool closeAcrobat, const std::string& saveWindowCaption) {
  ExcelPrintJob job(ctx.host().automation, workbook, sheet, range, options);
  PdfPrinterOptions pdfOptions;
  pdfOptions.saveWindowCaption = saveWindowCaption;
  pdfOptions.closeAcrobat = closeAcrobat;
  pdfOptions.waitForFile = true;  // Excel prints in the background
  withExcelErrors([&] { runPdfPrinterShape(ctx, workbook, job, {&distiller, true}, pdf, pdfOptions); });
}

void createPDFfromExcel3(ConversionContext& ctx, const std::string& pdf, const std::string& workbook,
                         const Variant& sheet, const std::string& range, std::string& printer,
                         const ExcelSheetOptions& options, const DistillSettings& settings) {
  ExcelPrintJob job(ctx.host().automation, workbook, sheet, range, options);
  withExcelErrors([&] { runDistillerShape(ctx, workbook, job, {&printer, false}, pdf, settings); });
}

void createPSfromExcel(ConversionContext& ctx, const std::string& ps, const std::string& workbook, const Variant& sheet,
                       const std::string& range, const ExcelSheetOptions& options, std::string& distiller) {
  ExcelPrintJob job(ctx.host().automation, workbook, sheet, range, options);
  withExcelErrors([&] { runPostScriptShape(ctx, workbook, job, {&distiller, true}, ps); });
}

void createPSfromExcel2(ConversionContext& ctx, const std::string& ps, const std::string& workbook,
                        const Variant& sheet, const std::string& range, std::string& printer,
                        const ExcelSheetOptions& options) {
  ExcelPrintJob job(ctx.host().automation, workbook, sheet, range, options);
  withExcelErrors([&] { runPostScriptShape(ctx, workbook, job, {&printer, false}, ps); });
}

void createPDFfromMultiExcel(ConversionContext& ctx, const std::string& pdf, const std::string& workbook,
                             const Variant& sheets, const Variant& ranges, const ExcelSheetsOptions& options,
                             std::string& distiller, const DistillSettings& settings) {
  DistillSettings noJobOptions = settings;
  noJobOptions.jobOptionsFile.clear();
  runMultiSheet(
      ctx,
      {pdf, workbook, &sheets, &ranges, &options, &distiller, nullptr, MultiKind::Distiller, noJobOptions, false, {}});
}

void createPDFfromMultiExcel2(ConversionContext& ctx, const std::string& pdf, const std::string& workbook,
                              const Variant& sheets, const Variant& ranges, const ExcelSheetsOptions& options,
                              std::string& distiller, bool closeAcrobat, const std::string& saveWindowCaption) {
  runMultiSheet(ctx, {pdf,
                      workbook,
                      &sheets,
                      &ranges,
                      &options,
                      &distiller,
                      nullptr,
                      MultiKind::PdfPrinter,
                      {},
                      closeAcrobat,
                      saveWindowCaption});
}

void createPDFfromMultiExcel3(ConversionContext& ctx, const std::string& pdf, const std::string& workbook,
                              const Variant& sheets, const Variant& ranges, std::string& printer,
                              const ExcelSheetsOptions& options, std::string& distiller,
                              const DistillSettings& settings) {
  runMultiSheet(
      ctx,
      {pdf, workbook, &sheets, &ranges, &options, &distiller, &printer, MultiKind::Distiller, settings, false, {}});
}

}  // namespace dv::lib
