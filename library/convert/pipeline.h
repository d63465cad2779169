// The print-to-PDF pipeline every conversion method shares: input check,
// printer choice, temporary PostScript file, waiting for an output file,
// the Distiller step and the error exit. Application families supply a
// PrintJob (how to open, print and close their application) and pick one
// of the four shapes below; everything else lives here once.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "dv/automation.h"
#include "dv/host.h"

namespace dv::lib {

// What a conversion needs from the CreatePDF object it runs for. The
// library frame implements it over its per-thread values, the relay
// launcher and the viewer control; tests implement it over fakes.
class ConversionContext {
 public:
  virtual ~ConversionContext() = default;
  virtual Host& host() = 0;
  // PrinterName, TempFilePath (ends in "\") and AcrobatVersion read as a
  // number.
  virtual std::string printerName() = 0;
  virtual std::string tempFolder() = 0;
  virtual double viewerVersion() = 0;
  // Locates the relay and starts it for the PDF printer's file-name
  // dialog ("save pdf file as", caption, path). Raises the missing-relay
  // error when the relay cannot be found. Returns the command lines
  // started, for endRelays on the error exit.
  virtual std::vector<std::string> startSavePdfRelay(const std::string& caption, const std::string& path) = 0;
  // CloseAcrobat(blnWaitUntilClosed, intTimeout).
  virtual bool closeAcrobat(bool waitUntilClosed, int16_t timeout) = 0;
  // CreatePDFfromMultiPDF(strPDFFile, varPDFFiles, blnCreateBookmarks) of
  // the same object: how the multi-item conversions merge their per-item
  // PDF files.
  virtual void createPdfFromMultiPdf(const std::string& pdf, const Variant& pdfFiles, bool createBookmarks) = 0;
  // objAdobeDistiller: the Distiller whose job events are being passed on
  // (nullptr when none runs).
  virtual void setActiveDistiller(ObjectPtr distiller) = 0;
  // Raises one event of the CreatePDF source interface, synchronously.
  virtual void raiseEvent(std::string_view name, std::vector<Variant>& args) = 0;
  // Shape D only: the system default printer (read and switch).
  virtual std::string currentDefaultPrinter() = 0;
  virtual void setDefaultPrinter(const std::string& printer) = 0;
};

// ---- Shared private steps ----

// A random decimal name from 1 to 99,999,999 such that folder + name +
// extension names no existing file. The check is made on the path the
// caller is going to create, not on a file of that bare name elsewhere.
std::string makeTempName(ConversionContext& ctx, const std::string& folder, const std::string& extension);

// TempFilePath + MakeTempName + ".ps".
std::string tempPostScriptPath(ConversionContext& ctx);

// A blank printer (empty or only spaces) becomes PrinterName; the caller's
// variable is written back.
void resolveDistillerPrinter(ConversionContext& ctx, std::string& distiller);

// Deletes a file on an error path: never throws, so clean-up cannot
// replace the error being reported.
void deleteQuietly(FileSystem& files, const std::string& path);

// "File " + path + " does not exist." as the library error.
[[noreturn]] void raiseMissingInput(const std::string& path);

// Waits until the file exists, is not empty and keeps its length for one
// second, letting the thread process its window messages meanwhile. The
// wait gives up with a library error naming the file when the file stays
// missing or empty for `idleSeconds` (counted again after every change of
// its length), or when it is still not stable after `totalSeconds`.
struct WaitBound {
  uint32_t idleSeconds = 120;
  uint32_t totalSeconds = 1800;
};
void waitForStableFile(ConversionContext& ctx, const std::string& path, WaitBound bound = {});

// Puts back the default printer a conversion switched away from. Without a
// default printer before (`kept` blank), there is none after: the PDF
// printer must not stay the user's default.
void putBackDefaultPrinter(ConversionContext& ctx, const std::string& kept);

// The Distiller settings of a conversion method.
struct DistillSettings {
  bool showWindow = false;
  bool spoolJobs = false;
  std::string jobOptionsFile;
  bool applySecurity = false;
  // Pass Distiller's job events on as CreatePDF events (the composer's
  // Distiller has no one to tell).
  bool passEvents = true;
};

inline constexpr const char* kDistillerProgId = "PdfDistiller.PdfDistiller";
// Distiller 6 and later: the class whose FileToPDF2 applies the security
// settings of the job options.
inline constexpr const char* kDistiller6ProgId = "PdfDistiller.PdfDistiller.6";
inline constexpr const char* kDistiller6Method = "FileToPDF2";

// Converts one PostScript file with Distiller. Job events are passed on
// as CreatePDF events, except on the security-aware path of Distiller 6.
// A job that Distiller reports as failed, or that leaves no PDF, fails with
// the library error naming the PDF.
void distillPostScript(ConversionContext& ctx, const std::string& ps, const std::string& pdf,
                       const DistillSettings& settings);

// ---- The application side of a conversion ----

// One authoring application, created and ended within one call.
class PrintJob {
 public:
  virtual ~PrintJob() = default;
  // Creates the application, opens the input, switches alerts off and
  // applies the method's page settings.
  virtual void open() = 0;
  // Remembers the application's printer and selects `printer`.
  virtual void selectPrinter(const std::string& printer) = 0;
  // Prints to a file (a PostScript printer driver with output to a file).
  virtual void printToFile(const std::string& path) = 0;
  // Prints without an output file: the PDF printer asks for the name.
  virtual void printToPdfPrinter() = 0;
  // True when printToFile returns before the file is complete.
  virtual bool printsInBackground() const { return false; }
  // Normal end: printer and alerts back, close without saving, quit.
  virtual void close() = 0;
  // Error exit: closes the document without saving and quits, as far as
  // they exist. Must not throw: the original error is what the caller sees.
  virtual void abandon() noexcept = 0;
};

// How the printer of a conversion is chosen.
struct PrinterChoice {
  std::string* printer;      // the caller's variable
  bool blankMeansDistiller;  // strDistiller: resolve and write back; strPrinter: unchanged
};

// A. PDF through a temporary PostScript file and Distiller.
void runDistillerShape(ConversionContext& ctx, const std::string& input, PrintJob& job, PrinterChoice printer,
                       const std::string& pdf, const DistillSettings& settings);

// B. The PDF printer writes the PDF; the relay answers its file dialog.
struct PdfPrinterOptions {
  std::string saveWindowCaption = "save pdf file as";
  bool closeAcrobat = false;
  bool waitForFile = false;  // the application prints in the background
};
void runPdfPrinterShape(ConversionContext& ctx, const std::string& input, PrintJob& job, PrinterChoice printer,
                        const std::string& pdf, const PdfPrinterOptions& options);

// C. PostScript only, printed straight to the caller's file.
void runPostScriptShape(ConversionContext& ctx, const std::string& input, PrintJob& job, PrinterChoice printer,
                        const std::string& ps);

// D. Programs that print only to the system default printer.
struct DefaultPrinterOptions {
  std::string saveWindowCaption = "save pdf file as";
  bool closeAcrobat = false;
};
void runDefaultPrinterShape(ConversionContext& ctx, const std::string& input, const std::string& distiller,
                            const std::string& target, const DefaultPrinterOptions& options,
                            const std::function<void()>& startPrinting);

// ConversionErrorExit for steps outside the four shapes (CreatePDFfromPS
// and friends): runs `body`; on an error runs `cleanup` (which must not
// throw) and raises the error again with its number and description and
// the library's source.
void withConversionErrorExit(const std::function<void()>& body, const std::function<void()>& cleanup);

}  // namespace dv::lib
