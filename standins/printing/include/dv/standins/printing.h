// The stand-ins' printers under Wine: real queues of the prefix (Wine's
// PostScript driver wineps.drv with one PPD), so that choosing a default
// printer and GDI printing reach them as on Windows.
//
// - The PDF printer ("Adobe PDF" and "Acrobat Distiller", the names the
//   library may take for it) prints to a port that pipes each finished job
//   into the stand-in agent pdf_printer_agent.exe. The agent returns at
//   once, as a spooler does, then shows the modal "Save PDF File As"
//   dialog and writes the PDF with Ghostscript (the PostScript itself for a
//   name ending in ".ps").
// - "Generic PostScript Printer" prints to FILE:: the output file named by
//   the print call, or Wine's "Print to File" dialog.
//
// Stand-in programs print by sending their PostScript raw to a queue.
#pragma once

#include <string>
#include <vector>

namespace dv::standins::printing {

inline constexpr const char* kGenericPostScriptPrinter = "Generic PostScript Printer";
inline constexpr const char* kPdfPrinterPort = "DVPDF:";
inline constexpr const char* kAgentProgram = "pdf_printer_agent.exe";

// The queue names the PDF printer is installed under.
const std::vector<std::string>& pdfPrinterQueues();

// Installs (or keeps) a PostScript queue `name` printing to `port`. Returns
// an empty string on success, otherwise the failed step and its error.
std::string installPostScriptQueue(const std::string& name, const std::string& port);
bool removeQueue(const std::string& name);

// Installs the PDF printer queues (their port piping jobs into the agent in
// `standinsFolder`) and the generic PostScript printer. Leaves the default
// printer as it was.
std::string installStandInPrinters(const std::string& standinsFolder);

// The default printer's name, empty when there is none.
std::string defaultPrinter();

// Sends PostScript to `printer` as one raw job, returned once the spooler
// has the job. Empty on success, otherwise what failed.
std::string sendPostScript(const std::string& printer, const std::string& documentName, const std::string& postScript);

// Appends one line to the stand-ins' journal file (HKCU\Software\DvStandins
// JournalFile), when one is configured.
void journal(const std::string& line);

// Puts the stand-in programs of the Windows accessories in the prefix's
// system folder, loaded instead of Wine's own (DllOverrides): notepad.exe,
// which prints on "/p" without a dialog, and shimgvw.dll, whose
// ImageView_PrintTo rundll32 calls. `standinsFolder` holds the builds.
std::string installAccessories(const std::string& standinsFolder);

// A shell word holding `text` literally (the port command is run by sh).
std::string shellQuote(const std::string& text);

}  // namespace dv::standins::printing
