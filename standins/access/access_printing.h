// Where a printed report goes, by its printer:
//   the Acrobat PDF printer  a job on its queue, whose agent shows "Save
//                            PDF File As" and writes the PDF
//   "Acrobat PDFWriter"      a PDF at the registry's PDFFilename, no dialog
//   a port "FILE:" printer   Access's modal "Print to File" dialog; the
//                            PostScript is written after OpenReport
//                            returned, as a spooled job
//   any other queue          one line in the print log (setting PrintLog)
#pragma once

#include <string>

namespace dv::standins::access {

inline constexpr const char* kPDFWriter = "Acrobat PDFWriter";
inline constexpr const char* kPrintToFileCaption = "Print to File";

// The port of an installed printer ("" when the machine has no such queue;
// the PDF printer and PDFWriter come with the stand-in Acrobat).
std::string printerPort(const std::string& printer);
bool printerInstalled(const std::string& printer);

// Prints one report job; Access's 2212 when the printer cannot take it.
void printReport(const std::string& printer, const std::string& postScript, const std::string& documentName);

}  // namespace dv::standins::access
