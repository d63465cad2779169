#include "convert/access.h"

#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include "convert/distiller.h"
#include "dv/trace.h"
#include "dv/vb.h"
#include "frame/printers.h"
#include "relaylaunch/relay_launch.h"

namespace dv::lib {

namespace {

constexpr int16_t kAcViewNormal = 0;    // OpenReport: print
constexpr int16_t kAcHidden = 1;        // OpenReport: WindowMode
constexpr int16_t kAcReport = 3;        // Close: the object is a report
constexpr int16_t kAcSaveNo = 2;        // Close: do not save
constexpr int16_t kAcQuitSaveNone = 2;  // Quit: quit without saving
// The multi-report PDF members sleep twice as long after each report as
// the one-report member before the file is looked at.
constexpr uint32_t kMultiReportExtraSleepMs = 1000;

// The printer the PDF-printer members print to: the PDFWriter name below
// viewer 6, the Distiller printer above 5.
std::string pdfPrinterName(ConversionContext& ctx, const std::string& pdfWriter) {
  return ctx.viewerVersion() > 5 ? ctx.printerName() : pdfWriter;
}

void deleteIfExists(FileSystem& files, const std::string& path) {
  if (files.fileExists(path)) vb::Kill(files, path);
}

// How Quit is called: with acQuitSaveNone by the two PDF-printer members,
// without argument by the others.
enum class QuitKind { Plain, SaveNone };

// One Access instance from its creation to Quit, and the default printer
// that old Access prints to, switched for the length of the call.
class AccessSession {
 public:
  AccessSession(ConversionContext& ctx, const AccessSource& source, QuitKind quit)
      : ctx_(ctx), source_(source), quit_(quit) {}
  AccessSession(const AccessSession&) = delete;
  AccessSession& operator=(const AccessSession&) = delete;

  bool hasPrinters() const { return source_.accessVersion >= kAccessWithPrinters; }

  // Below Access 10 the report goes to the default printer. It is switched
  // to the same name the newer Access gets, so a blank or replaced printer
  // argument reaches old Access too.
  void switchDefaultPrinter(const std::string& printer) {
    if (hasPrinters()) return;
    kept_ = ctx_.currentDefaultPrinter();
    switched_ = true;
    ctx_.setDefaultPrinter(printer);
  }

  void create() { access_ = ctx_.host().automation.createObject(kAccessProgId); }

  void hide() { access_->let("Visible", Variant(false)); }

  void selectPrinter(const std::string& printer) {
    if (!hasPrinters()) return;
    ObjectPtr chosen = asObject(asObject(access_->get("Printers"))->get("Item", {pos(printer)}));
    access_->set("Printer", Variant(chosen));
  }

  void open() {
    if (vb::Trim(source_.password).empty() || !hasPrinters()) {
      access_->call("OpenCurrentDatabase", {pos(source_.database)});
    } else {
      access_->call("OpenCurrentDatabase",
                    {named("filepath", source_.database), named("bstrPassword", source_.password)});
    }
  }

  // DoCmd.OpenReport in print view, then DoCmd.Close without saving.
  void print(const std::string& report, Args options) {
    Args args{pos(report)};
    for (Arg& a : options) args.push_back(std::move(a));
    if (hasPrinters()) args.push_back(named("WindowMode", kAcHidden));
    asObject(access_->get("DoCmd"))->call("OpenReport", std::move(args));
    asObject(access_->get("DoCmd"))->call("Close", {pos(kAcReport), pos(report), pos(kAcSaveNo)});
  }

  void printOne(const AccessReport& r) { print(r.name, {pos(kAcViewNormal), pos(r.filter), pos(r.where)}); }

  void close() {
    access_->call("CloseCurrentDatabase");
    quit();
    access_.reset();
    restoreDefaultPrinter();
  }

  void abandon() noexcept {
    if (access_) {
      try {
        quit();
      } catch (...) {
        trace("quitting Access after a failure", currentErrorText());
      }
      access_.reset();
    }
    try {
      restoreDefaultPrinter();
    } catch (...) {
      trace("putting back the default printer " + kept_, currentErrorText());
    }
  }

 private:
  void quit() {
    if (quit_ == QuitKind::SaveNone) access_->call("Quit", {pos(kAcQuitSaveNone)});
    else access_->call("Quit");
  }

  void restoreDefaultPrinter() {
    if (!switched_) return;
    switched_ = false;
    putBackDefaultPrinter(ctx_, kept_);
  }

  ConversionContext& ctx_;
  const AccessSource& source_;
  QuitKind quit_;
  ObjectPtr access_;
  std::string kept_;
  bool switched_ = false;
};

// What one call made and started, removed again by its error exit.
struct CallFiles {
  std::vector<std::string> relays;
  std::vector<std::string> parts;  // temporary files (PostScript or per-report PDFs)
  std::string output;              // the caller's file, once deleted to be written anew

  void cleanUp(Host& host) noexcept {
    endRelays(host, relays);
    for (const std::string& f : parts) deleteQuietly(host.files, f);
    deleteQuietly(host.files, output);
  }
};

// Deletes the caller's output file before it is written anew; from then
// on the error exit removes what the call left there.
void startOutput(FileSystem& files, CallFiles& made, const std::string& path) {
  deleteIfExists(files, path);
  made.output = path;
}

void runAccessCall(ConversionContext& ctx, const AccessSource& source, QuitKind quit,
                   const std::function<void(AccessSession&, CallFiles&)>& body) {
  if (!ctx.host().files.fileExists(source.database)) raiseMissingInput(source.database);
  AccessSession access(ctx, source, quit);
  CallFiles made;
  withConversionErrorExit([&] { body(access, made); },
                          [&] {
                            access.abandon();
                            made.cleanUp(ctx.host());
                          });
}

std::vector<std::string> startPrintToFileRelay(ConversionContext& ctx, const std::string& caption,
                                               const std::string& path, const char* fileParameter) {
  return locateRelay(ctx.host()).start({relayPrintToFile(caption, path, fileParameter)});
}

void append(std::vector<std::string>& to, const std::vector<std::string>& more) {
  to.insert(to.end(), more.begin(), more.end());
}

// The report names of a multi-report member: a one-dimensional array, as
// VB's LBound and UBound would demand, checked before Access starts.
const Array& reportNames(const AccessReports& reports) {
  const Variant& names = reports.names.target();
  if (!names.isArray() || names.arrayValue().rank() != 1) vb::raise(vb::kTypeMismatch);
  return names.arrayValue();
}

// Element i of an optional per-report array: absent when the argument is
// not an array; VB's "Subscript out of range" when it is one without i.
std::optional<Variant> perReport(const Variant& list, int32_t i) {
  const Variant& v = list.target();
  if (!v.isArray()) return std::nullopt;
  const Array& a = v.arrayValue();
  if (a.rank() != 1 || i < a.lbound() || i > a.ubound()) vb::raise(vb::kSubscriptOutOfRange);
  return a.at(i).target();
}

// OpenReport of the multi-report members: the view by name, the filter and
// where-condition only where their arguments are arrays.
void printMultiReport(AccessSession& access, const AccessReports& reports, const Array& names, int32_t i) {
  Args options{named("View", kAcViewNormal)};
  if (auto filter = perReport(reports.filters, i)) options.push_back(named("FilterName", *filter));
  if (auto where = perReport(reports.wheres, i)) options.push_back(named("WhereCondition", *where));
  access.print(vb::CStr(names.at(i).target()), std::move(options));
}

Variant fileList(const std::vector<std::string>& files) {
  Array list(VarType::Variant, {Bound{0, static_cast<uint32_t>(files.size())}});
  for (size_t k = 0; k < files.size(); ++k) list.at(static_cast<int32_t>(k)) = Variant(files[k]);
  return Variant(std::move(list));
}

}  // namespace

void createPSfromAccessReport(ConversionContext& ctx, const std::string& ps, const AccessSource& source,
                              const AccessReport& report, std::string& distiller,
                              const std::string& saveWindowCaption) {
  runAccessCall(ctx, source, QuitKind::Plain, [&](AccessSession& access, CallFiles& made) {
    resolveDistillerPrinter(ctx, distiller);
    access.switchDefaultPrinter(distiller);
    access.create();
    access.selectPrinter(distiller);
    access.open();
    startOutput(ctx.host().files, made, ps);
    made.relays = locateRelay(ctx.host()).start({relaySavePdfFileAs(saveWindowCaption, ps, "strPSFile")});
    access.printOne(report);
    waitForStableFile(ctx, ps);
    access.close();
  });
}

void createPSfromAccessReport2(ConversionContext& ctx, const std::string& ps, const AccessSource& source,
                               const AccessReport& report, const std::string& printer,
                               const std::string& saveWindowCaption) {
  runAccessCall(ctx, source, QuitKind::Plain, [&](AccessSession& access, CallFiles& made) {
    access.switchDefaultPrinter(printer);
    access.create();
    access.selectPrinter(printer);
    access.open();
    startOutput(ctx.host().files, made, ps);
    made.relays = startPrintToFileRelay(ctx, saveWindowCaption, ps, "strPSFile");
    access.printOne(report);
    // The print job writes the file after OpenReport has returned.
    waitForStableFile(ctx, ps);
    access.close();
  });
}

void createPDFfromAccessReport(ConversionContext& ctx, const std::string& pdf, const AccessSource& source,
                               const AccessReport& report, const std::string& pdfWriter, bool closeAcrobat,
                               const std::string& saveWindowCaption) {
  runAccessCall(ctx, source, QuitKind::SaveNone, [&](AccessSession& access, CallFiles& made) {
    const double viewer = ctx.viewerVersion();
    const std::string printer = pdfPrinterName(ctx, pdfWriter);
    access.switchDefaultPrinter(printer);
    access.create();
    access.selectPrinter(printer);
    access.hide();
    access.open();
    if (viewer < 6) setPDFWriterOutputName(ctx.host(), pdf);
    startOutput(ctx.host().files, made, pdf);
    if (viewer > 5) made.relays = ctx.startSavePdfRelay(saveWindowCaption, pdf);
    access.printOne(report);
    // PDFWriter writes in the background as the PDF printer does: both are
    // waited for (the wait's first second is the pause after printing).
    waitForStableFile(ctx, pdf);
    if (viewer > 5 && closeAcrobat) ctx.closeAcrobat(true, 10);
    access.close();
  });
}

void createPDFfromAccessReport2(ConversionContext& ctx, const std::string& pdf, const AccessSource& source,
                                const AccessReport& report, const std::string& printer,
                                const std::string& saveWindowCaption, const DistillSettings& settings) {
  runAccessCall(ctx, source, QuitKind::Plain, [&](AccessSession& access, CallFiles& made) {
    FileSystem& files = ctx.host().files;
    access.switchDefaultPrinter(printer);
    access.create();
    access.selectPrinter(printer);
    access.open();
    const std::string ps = tempPostScriptPath(ctx);
    deleteIfExists(files, ps);
    made.parts.push_back(ps);
    made.relays = startPrintToFileRelay(ctx, saveWindowCaption, ps, "strPDFFile");
    access.printOne(report);
    waitForStableFile(ctx, ps);
    access.close();
    startOutput(files, made, pdf);
    distillPostScript(ctx, ps, pdf, settings);
    vb::Kill(files, ps);
  });
}

void createPDFfromMultiAccessReport(ConversionContext& ctx, const std::string& pdf, const AccessSource& source,
                                    const AccessReports& reports, const std::string& pdfWriter, bool closeAcrobat,
                                    const std::string& saveWindowCaption) {
  if (!ctx.host().files.fileExists(source.database)) raiseMissingInput(source.database);
  const Array& names = reportNames(reports);
  runAccessCall(ctx, source, QuitKind::SaveNone, [&](AccessSession& access, CallFiles& made) {
    Host& host = ctx.host();
    const double viewer = ctx.viewerVersion();
    const std::string printer = pdfPrinterName(ctx, pdfWriter);
    access.switchDefaultPrinter(printer);
    access.create();
    access.hide();
    access.selectPrinter(printer);
    access.open();
    for (int32_t i = names.lbound(); names.size() && i <= names.ubound(); ++i) {
      host.pump.pump();
      const std::string folder = ctx.tempFolder();
      const std::string part = folder + makeTempName(ctx, folder, ".pdf") + ".pdf";
      if (viewer < 6) setPDFWriterOutputName(host, part);
      deleteIfExists(host.files, part);
      made.parts.push_back(part);
      if (viewer > 5) append(made.relays, ctx.startSavePdfRelay(saveWindowCaption, part));
      printMultiReport(access, reports, names, i);
      host.clock.sleepMs(kMultiReportExtraSleepMs);
      waitForStableFile(ctx, part);
      if (viewer > 5 && closeAcrobat) ctx.closeAcrobat(true, 10);
    }
    access.close();
    startOutput(host.files, made, pdf);
    ctx.createPdfFromMultiPdf(pdf, fileList(made.parts), false);
    for (const std::string& f : made.parts) vb::Kill(host.files, f);
    made.parts.clear();
  });
}

void createPDFfromMultiAccessReport2(ConversionContext& ctx, const std::string& pdf, const AccessSource& source,
                                     const AccessReports& reports, const std::string& printer,
                                     const std::string& saveWindowCaption, std::string& distiller,
                                     const DistillSettings& settings) {
  if (!ctx.host().files.fileExists(source.database)) raiseMissingInput(source.database);
  const Array& names = reportNames(reports);
  runAccessCall(ctx, source, QuitKind::Plain, [&](AccessSession& access, CallFiles& made) {
    Host& host = ctx.host();
    access.switchDefaultPrinter(printer);
    access.create();
    access.selectPrinter(printer);
    resolveDistillerPrinter(ctx, distiller);
    access.open();
    for (int32_t i = names.lbound(); names.size() && i <= names.ubound(); ++i) {
      host.pump.pump();
      const std::string ps = tempPostScriptPath(ctx);
      deleteIfExists(host.files, ps);
      made.parts.push_back(ps);
      append(made.relays, startPrintToFileRelay(ctx, saveWindowCaption, ps, "strPDFFile"));
      printMultiReport(access, reports, names, i);
      waitForStableFile(ctx, ps);
    }
    access.close();
    startOutput(host.files, made, pdf);
    createPDFfromMultiPS(ctx, pdf, fileList(made.parts), distiller, settings);
    for (const std::string& f : made.parts) {
      vb::Kill(host.files, f);
      host.pump.pump();
    }
    made.parts.clear();
  });
}

}  // namespace dv::lib
