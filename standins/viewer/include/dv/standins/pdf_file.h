// Real PDF files for the viewer stand-in: what Acrobat would report about
// an opened document (page count, document information, page mode, IDs,
// form fields, attachments) and writing a document back with its changed
// information. qpdf from the Unix side does the PDF work, reached through
// the stand-ins' ToolRunner, so the same code runs natively and inside the
// Wine-hosted stand-in.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "dv/standins/tools.h"
#include "dv/standins/json.h"

namespace dv::standins {

// Quotes text for /bin/sh.
std::string shellQuote(const std::string& text);
// Runs a /bin/sh command line; its standard error is the command's own business.
ToolResult runShell(ToolRunner& tools, const std::string& commandLine);

// The document information keys Acrobat keeps in the info dictionary.
inline constexpr const char* kInfoKeys[] = {"Title",   "Author",   "Subject",      "Keywords",
                                            "Creator", "Producer", "CreationDate", "ModDate"};

struct PdfFacts {
  int32_t pages = 0;
  int64_t fileSize = 0;
  std::map<std::string, std::string> info;  // key without "/", text as UTF-8
  std::string pageMode;                      // catalog /PageMode without "/", empty when absent
  std::string permanentId, instanceId;       // the trailer's /ID, as hex digits
  std::vector<std::string> fieldNames;       // fully qualified, in document order
  std::vector<std::string> attachments;      // embedded file keys

  // Where the writer puts changes back.
  std::string infoRef, rootRef;
  Json infoValue, rootValue, trailerValue;
  int64_t maxObjectId = 0;
  // The open password the file was read with (empty: none needed); the
  // writer needs it again to read the source.
  std::string password;
};

// Reads a PDF; nullopt when it is missing, damaged or needs a password.
std::optional<PdfFacts> readPdf(ToolRunner& tools, const std::string& path, const std::string& password = {});

struct PdfChanges {
  std::map<std::string, std::string> info;  // keys of kInfoKeys; dates as PDF date text
  std::optional<std::string> pageMode;      // name without "/"
  std::vector<std::pair<std::string, std::string>> attach;  // key, source file (client path)
  std::vector<std::string> detach;                          // keys
};

// Writes `source` with `changes` to `target` (both client paths; they may
// be the same file, which is then replaced only once the new one is
// complete). False when qpdf fails; the target is then left as it was.
bool writePdf(ToolRunner& tools, const PdfFacts& facts, const std::string& source, const std::string& target,
              const PdfChanges& changes);

// PDF date text ("D:20261207212218Z00'00'") <-> OLE date. The time is
// taken as written, without applying the zone offset.
std::optional<double> pdfDateToOle(const std::string& text);
std::string oleToPdfDate(double oleDate);

// Acrobat's page-mode numbers (PDDoc GetPageMode / SetPageMode).
int32_t pageModeNumber(const std::string& name);
std::string pageModeName(int32_t number);  // empty for "don't care"

}  // namespace dv::standins
