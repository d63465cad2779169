// Real PDF files for the viewer stand-in: what Acrobat would report about
// an opened document (page count, document information, page mode, IDs,
// form fields, attachments, outline) and writing a document back with its
// changes. dv-pdftool does the PDF work (dv/standins/pdf_tool.h), reached
// through the stand-ins' ToolRunner, so the same code runs natively and
// inside the Wine-hosted stand-in.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "dv/standins/pdf_tool.h"

namespace dv::standins {

// The document information keys Acrobat keeps in the info dictionary.
inline constexpr const char* kInfoKeys[] = {"Title",   "Author",   "Subject",      "Keywords",
                                            "Creator", "Producer", "CreationDate", "ModDate"};

struct PdfFacts {
  int32_t pages = 0;
  int64_t fileSize = 0;
  std::map<std::string, std::string> info;  // text entries of the info dictionary, as UTF-8
  std::string pageMode;                     // catalog /PageMode without "/", empty when absent
  std::string permanentId, instanceId;      // the trailer's /ID, as hex digits
  std::vector<std::string> fieldNames;      // fully qualified, in document order
  std::vector<std::string> attachments;     // embedded file keys
  Json all;                                 // everything dv-pdftool reports (outline, boxes, labels, ...)
  // The open password the file was read with (empty: none needed); the
  // writer needs it again to read the source.
  std::string password;
};

// Reads a PDF; nullopt when it is missing, damaged or needs a password
// (then *needsPassword is set, when given).
std::optional<PdfFacts> readPdf(ToolRunner& tools, const std::string& path, const std::string& password = {},
                                bool* needsPassword = nullptr);
// The facts in a dv-pdftool facts answer, of a file `password` opens.
PdfFacts factsFromAnswer(Json answer, const std::string& password);

// Pages taken from another document at the time of the call: a copy of
// that document's file (removed with the last reference to it).
struct PageSnapshot {
  explicit PageSnapshot(std::string folder, std::string file) : folder(std::move(folder)), file(std::move(file)) {}
  ~PageSnapshot();
  PageSnapshot(const PageSnapshot&) = delete;
  PageSnapshot& operator=(const PageSnapshot&) = delete;
  std::string folder, file;  // client paths
};
struct PageInsert {
  std::shared_ptr<PageSnapshot> source;
  std::string password;
  int32_t after = 0;            // pages before the inserted ones
  int32_t first = 1, last = 1;  // of the source, from 1
};

struct PdfChanges {
  std::map<std::string, std::string> info;                  // keys of kInfoKeys; dates as PDF date text
  std::optional<std::string> pageMode;                      // name without "/"
  std::vector<std::pair<std::string, std::string>> attach;  // key, source file (client path)
  std::vector<std::string> detach;                          // keys
  std::optional<Json> annotations;                          // a setAnnotations edit
  std::vector<PageInsert> inserts;                          // in order, before every other change
  std::optional<Json> outline;                              // setOutline items replacing the outline
  // Further dv-pdftool operations, applied after those above, and how the
  // file is written (dv-pdftool's "write"; null: as it was).
  std::vector<Json> operations;
  Json write;
};

// Writes `source` with `changes` to `target` (both client paths; they may
// be the same file, which is then replaced only once the new one is
// complete). False when the tool fails; the target is then left as it was.
// With `written`, the facts of the file written come back in the same run
// (read with the password that opens it: the source's, or a new one the
// changes encrypt with).
bool writePdf(ToolRunner& tools, const PdfFacts& facts, const std::string& source, const std::string& target,
              const PdfChanges& changes, PdfFacts* written = nullptr);

// PDF date text ("D:20261207212218Z00'00'") <-> OLE date. The time is
// taken as written, without applying the zone offset.
std::optional<double> pdfDateToOle(const std::string& text);
std::string oleToPdfDate(double oleDate);

// Acrobat's page-mode numbers (PDDoc GetPageMode / SetPageMode).
int32_t pageModeNumber(const std::string& name);
std::string pageModeName(int32_t number);  // empty for "don't care"

}  // namespace dv::standins
