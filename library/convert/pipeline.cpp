#include "convert/pipeline.h"

#include <random>

#include "dv/trace.h"
#include "dv/vb.h"
#include "frame/printers.h"
#include "relaylaunch/relay_launch.h"

namespace dv::lib {

namespace {

// While the file is still missing or empty we poll briskly; a short sleep
// keeps the poll from taking the processor away from the very program that
// is writing the file.
constexpr uint32_t kMissingFilePollMs = 50;
constexpr uint32_t kStabilityMs = 1000;
constexpr int kMaxTempNameDraws = 10000;

std::string choosePrinter(ConversionContext& ctx, PrinterChoice choice) {
  if (choice.blankMeansDistiller) resolveDistillerPrinter(ctx, *choice.printer);
  return *choice.printer;
}

// "If FileExists(path), delete it": a file that cannot be deleted fails the
// call (VB's Kill error) rather than being silently kept as a stale result.
void deleteIfExists(FileSystem& files, const std::string& path) {
  if (files.fileExists(path)) vb::Kill(files, path);
}

}  // namespace

void deleteQuietly(FileSystem& files, const std::string& path) {
  if (path.empty()) return;
  try {
    if (files.fileExists(path)) files.deleteFile(path);
  } catch (...) {
    trace("deleting " + path + " after a failure", currentErrorText());
  }
}

std::string makeTempName(ConversionContext& ctx, const std::string& folder, const std::string& extension) {
  // One generator per thread, seeded once: reseeding from the timer before
  // every draw (as a VB Randomize would) repeats the same number within one
  // timer tick, so a clash would be retried with the very same name.
  thread_local std::mt19937 engine([&ctx] {
    std::random_device device;
    std::seed_seq seq{device(), device(), static_cast<unsigned>(ctx.host().clock.tickMs())};
    return std::mt19937(seq);
  }());
  std::uniform_int_distribution<int32_t> draw(1, 99999999);
  FileSystem& files = ctx.host().files;
  for (int attempt = 0; attempt < kMaxTempNameDraws; ++attempt) {
    std::string name = std::to_string(draw(engine));
    if (!files.fileExists(folder + name + extension)) return name;
  }
  vb::raiseLibrary("No free temporary file name could be found in " + folder + ".");
}

std::string tempPostScriptPath(ConversionContext& ctx) {
  std::string folder = ctx.tempFolder();
  return folder + makeTempName(ctx, folder, ".ps") + ".ps";
}

void resolveDistillerPrinter(ConversionContext& ctx, std::string& distiller) {
  if (vb::Trim(distiller).empty()) distiller = ctx.printerName();
}

void raiseMissingInput(const std::string& path) { vb::raiseLibrary("File " + path + " does not exist."); }

void waitForStableFile(ConversionContext& ctx, const std::string& path, WaitBound bound) {
  Host& host = ctx.host();
  host.clock.sleepMs(kStabilityMs);
  const uint64_t start = host.clock.tickMs();
  uint64_t lastChange = start;
  std::optional<int64_t> lastLength;
  for (;;) {
    host.pump.pump();
    const uint64_t now = host.clock.tickMs();
    if (now - lastChange >= uint64_t{bound.idleSeconds} * 1000 || now - start >= uint64_t{bound.totalSeconds} * 1000) {
      vb::raiseLibrary("The file " + path + " was not completely written in time (gave up after " +
                       std::to_string((now - start) / 1000 + 1) + " seconds).");
    }
    std::optional<int64_t> length;
    try {
      length = host.files.fileLength(path);
    } catch (...) {
      trace("reading the length of " + path, currentErrorText());
    }
    if (length != lastLength) {
      lastLength = length;
      lastChange = now;
    }
    if (!length || *length < 1) {
      host.clock.sleepMs(kMissingFilePollMs);
      continue;
    }
    host.clock.sleepMs(kStabilityMs);
    std::optional<int64_t> again;
    try {
      again = host.files.fileLength(path);
    } catch (...) {
      trace("reading the length of " + path, currentErrorText());
    }
    if (again == length) return;
  }
}

void putBackDefaultPrinter(ConversionContext& ctx, const std::string& kept) {
  if (!vb::Trim(kept).empty()) ctx.setDefaultPrinter(kept);
  else clearDefaultPrinter(ctx.host());
}

void withConversionErrorExit(const std::function<void()>& body, const std::function<void()>& cleanup) {
  try {
    body();
  } catch (const AutomationError& e) {
    cleanup();
    throw AutomationError(e.number(), vb::kLibrarySource, e.description());
  } catch (...) {
    cleanup();
    throw;
  }
}

void runDistillerShape(ConversionContext& ctx, const std::string& input, PrintJob& job, PrinterChoice printer,
                       const std::string& pdf, const DistillSettings& settings) {
  FileSystem& files = ctx.host().files;
  if (!files.fileExists(input)) raiseMissingInput(input);
  std::string ps;
  bool pdfStarted = false;
  withConversionErrorExit(
      [&] {
        job.open();
        job.selectPrinter(choosePrinter(ctx, printer));
        ps = tempPostScriptPath(ctx);
        deleteIfExists(files, ps);
        job.printToFile(ps);
        if (job.printsInBackground()) waitForStableFile(ctx, ps);
        job.close();
        deleteIfExists(files, pdf);
        pdfStarted = true;
        distillPostScript(ctx, ps, pdf, settings);
        deleteIfExists(files, ps);
      },
      [&] {
        job.abandon();
        ctx.setActiveDistiller(nullptr);
        deleteQuietly(files, ps);
        if (pdfStarted) deleteQuietly(files, pdf);
      });
}

void runPdfPrinterShape(ConversionContext& ctx, const std::string& input, PrintJob& job, PrinterChoice printer,
                        const std::string& pdf, const PdfPrinterOptions& options) {
  FileSystem& files = ctx.host().files;
  if (!files.fileExists(input)) raiseMissingInput(input);
  bool pdfStarted = false;
  std::vector<std::string> relays;
  withConversionErrorExit(
      [&] {
        job.open();
        job.selectPrinter(choosePrinter(ctx, printer));
        deleteIfExists(files, pdf);
        pdfStarted = true;
        relays = ctx.startSavePdfRelay(options.saveWindowCaption, pdf);
        job.printToPdfPrinter();
        if (options.waitForFile) waitForStableFile(ctx, pdf);
        if (options.closeAcrobat) ctx.closeAcrobat(true, 10);
        job.close();
      },
      [&] {
        job.abandon();
        endRelays(ctx.host(), relays);
        if (pdfStarted) deleteQuietly(files, pdf);
      });
}

void runPostScriptShape(ConversionContext& ctx, const std::string& input, PrintJob& job, PrinterChoice printer,
                        const std::string& ps) {
  FileSystem& files = ctx.host().files;
  if (!files.fileExists(input)) raiseMissingInput(input);
  bool psStarted = false;
  withConversionErrorExit(
      [&] {
        job.open();
        job.selectPrinter(choosePrinter(ctx, printer));
        deleteIfExists(files, ps);
        psStarted = true;
        job.printToFile(ps);
        if (job.printsInBackground()) waitForStableFile(ctx, ps);
        job.close();
      },
      [&] {
        job.abandon();
        if (psStarted) deleteQuietly(files, ps);
      });
}

void runDefaultPrinterShape(ConversionContext& ctx, const std::string& input, const std::string& distiller,
                            const std::string& target, const DefaultPrinterOptions& options,
                            const std::function<void()>& startPrinting) {
  FileSystem& files = ctx.host().files;
  if (!files.fileExists(input)) raiseMissingInput(input);
  std::string kept;
  bool switched = false;
  bool targetStarted = false;
  std::vector<std::string> relays;
  auto putBack = [&] {
    if (switched) putBackDefaultPrinter(ctx, kept);
  };
  withConversionErrorExit(
      [&] {
        kept = ctx.currentDefaultPrinter();
        switched = true;
        ctx.setDefaultPrinter(vb::Trim(distiller).empty() ? ctx.printerName() : distiller);
        deleteIfExists(files, target);
        targetStarted = true;
        relays = ctx.startSavePdfRelay(options.saveWindowCaption, target);
        startPrinting();
        waitForStableFile(ctx, target);
        if (options.closeAcrobat) ctx.closeAcrobat(true, 10);
        putBack();
      },
      [&] {
        try {
          putBack();
        } catch (...) {
          trace("putting back the default printer " + kept, currentErrorText());
        }
        endRelays(ctx.host(), relays);
        if (targetStarted) deleteQuietly(files, target);
      });
}

}  // namespace dv::lib
