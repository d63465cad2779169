// Microsoft Word, played for the conversions: "Word.Application" with the
// members the library calls (Documents.Open with passwords, DisplayAlerts,
// ActivePrinter, PageSetup, Sections/Headers/Footers/PageNumbers,
// PrintOut, Close, Quit). Documents are stand-in text documents
// (word_document.h); printing writes real PostScript, and printing to the
// PDF printer without an output file asks for the file name in the PDF
// printer's "Save PDF File As" dialog and writes a real PDF.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "dv/host.h"
#include "dv/standins/standin.h"

namespace dv::standins::word {

inline constexpr const char* kSavePdfDialogCaption = "Save PDF File As";
inline constexpr const char* kErrorSource = "Microsoft Word";

// Word's own error numbers, as automation clients see them (0x800A0000 + n).
inline constexpr int32_t wordError(int n) { return static_cast<int32_t>(0x800A0000u + static_cast<uint32_t>(n)); }
inline constexpr int32_t kFileNotFoundError = wordError(5174);
inline constexpr int32_t kUnreadableFileError = wordError(5151);
inline constexpr int32_t kWrongPasswordError = wordError(5408);
inline constexpr int32_t kPrinterError = wordError(5216);
inline constexpr int32_t kBadPageRangeError = wordError(5479);  // "This is not a valid print range."

// What Word reaches outside itself. The COM hosting installs the machine's
// services; native tests install in-memory ones.
struct Environment {
  FileSystem* files = nullptr;
  Printers* printers = nullptr;
  Registry* registry = nullptr;
  // The PDF printer's file-name dialog: shows it and returns what was
  // entered, or nullopt when it was cancelled.
  std::function<std::optional<std::string>(const std::string& caption)> askPdfFileName;
  // Turns PostScript into a PDF file at the given path (the PDF printer's
  // work); false when it failed.
  std::function<bool(const std::string& postScript, const std::string& pdfPath)> writePdf;
};
void setEnvironment(Environment env);
Environment& environment();
// Installs the machine's own surroundings (the COM hosting on Windows calls
// it when the first Word starts; native tests set theirs instead).
void installPlatformEnvironment();

// Ghostscript's pdfwrite through the stand-ins' tool runner, the file
// written through `files`.
bool writePdfWithGhostscript(FileSystem& files, const std::string& postScript, const std::string& pdfPath);
// The same conversion, the PDF's bytes returned (nullopt when it failed).
std::optional<std::string> pdfWithGhostscript(const std::string& postScript);

const TypeLibDef& wordLib();
const ClassDef& applicationClass();
const ClassDef& documentsClass();
const ClassDef& documentClass();
const ClassDef& pageSetupClass();
const ClassDef& sectionsClass();
const ClassDef& sectionClass();
const ClassDef& headersFootersClass();
const ClassDef& headerFooterClass();
const ClassDef& pageNumbersClass();
const ClassDef& pageNumberClass();

// Whether Word counts `printer` as the Acrobat PDF printer: the names the
// Acrobat versions install, and any name the Distiller keys record.
bool isPdfPrinter(const std::string& printer);
// Whether a print call may name `printer`: a queue of the spooler, or the
// PDF printer, which comes with the stand-in Acrobat.
bool printerInstalled(const std::string& printer);

}  // namespace dv::standins::word

namespace dv::standins::word {
// Word instances started and not yet quit (a Word released without Quit
// keeps running, as the real one does).
int runningInstances();
void resetRunningInstances();
}  // namespace dv::standins::word
