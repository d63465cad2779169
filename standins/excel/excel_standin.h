// Microsoft Excel, played for the conversions: "Excel.Application" with
// the members the library calls (Workbooks.Open with both passwords,
// DisplayAlerts, InchesToPoints, Worksheets, PageSetup, UsedRange, Range,
// Range.PrintOut, Close, Quit). Workbooks are stand-in text workbooks
// (excel_workbook.h). PrintOut returns at once and the file grows in
// steps afterwards, as Excel's background printing does: real PostScript
// to a file, or, on the PDF printer without a file, the printer's
// "Save PDF File As" dialog and then a real PDF. The machine, the dialog
// and the PDF printer are the Word stand-in's (word_standin.h).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "dv/standins/standin.h"

namespace dv::standins::excel {

inline constexpr const char* kErrorSource = "Microsoft Excel";

// Excel's errors as automation clients see them (0x800A0000 + n).
inline constexpr int32_t excelError(int n) { return static_cast<int32_t>(0x800A0000u + static_cast<uint32_t>(n)); }
inline constexpr int32_t kApplicationError = excelError(1004);  // 0x800A03EC
inline constexpr int32_t kSubscriptOutOfRange = excelError(9);  // "Subscript out of range"
inline constexpr const char* kWrongPasswordText =
    "The password you supplied is not correct. Verify that the CAPS LOCK key is off and be sure to use the correct "
    "capitalization.";

// How printed output reaches its file, a moment after PrintOut returned.
// `produce` makes the bytes (it may take a while: the PDF printer runs
// Ghostscript); nullopt drops the job. The default runs on a thread of
// the running Excel and writes the file in three growing steps
// `ExcelPrintStepMs` apart (setting, default 400); native tests install
// one driven by their clock.
using Spooler = std::function<void(const std::string& path, std::function<std::optional<std::string>()> produce)>;
struct Environment {
  Spooler spool;
  // The PDF printer's work: PostScript in, PDF bytes out.
  std::function<std::optional<std::string>(const std::string& postScript)> makePdf;
};
void setEnvironment(Environment env);
Environment& environment();
// Installs the machine's own spooler and PDF printer (the COM hosting on
// Windows calls it when the first Excel starts; native tests set theirs).
void installPlatformEnvironment();

const TypeLibDef& excelLib();
const ClassDef& applicationClass();
const ClassDef& workbooksClass();
const ClassDef& workbookClass();
const ClassDef& sheetsClass();
const ClassDef& worksheetClass();
const ClassDef& pageSetupClass();
const ClassDef& rangeClass();

// Excel instances started and not yet quit (one released without Quit
// keeps running, as the real one does).
int runningInstances();
void resetRunningInstances();

}  // namespace dv::standins::excel
