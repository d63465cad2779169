// Acrobat Distiller, played for real with Ghostscript's pdfwrite.
#pragma once

#include <string>

#include "dv/standins/standin.h"

namespace dv::standins {

const TypeLibDef& acroDistXLib();
// "PdfDistiller.PdfDistiller": bShowWindow, bSpoolJobs, FileToPDF, job events.
const ClassDef& pdfDistillerClass();
// "PdfDistiller.PdfDistiller.6": adds FileToPDF2 with bApplySecurity.
const ClassDef& pdfDistiller6Class();

// FileToPDF results, as Distiller reports them.
inline constexpr int16_t kDistillOk = 1;
inline constexpr int16_t kDistillFailed = 0;
inline constexpr int16_t kDistillBadArguments = -1;

// The PostScript run before a job: defines RunFile (with the client's
// drive letters mapped to the tools' folders), counts pages and reports
// progress as "Page N" and "Percent N" lines, then runs the job's file.
std::string distillerPrologue(const std::string& toolInputPath,
                              const std::vector<std::pair<char, std::string>>& drives);

// Escapes a string for a PostScript string literal ( ... ).
std::string postScriptString(std::string_view s);

}  // namespace dv::standins
