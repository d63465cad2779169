// Asking dv-pdftool (standins/pdftool/), the stand-ins' PDF engine, for a
// document's facts, its page text, an attachment, or an edit. Paths here are
// client paths; they are translated for the tool. The answers are the
// tool's JSON (standins/README.md describes it).
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "dv/standins/tools.h"

namespace dv::standins {

using Json = nlohmann::json;

struct PdfToolAnswer {
  // Refused: a bad request; Unreadable: missing or damaged file; Password:
  // one is needed or wrong; Failed: the tool did not run or gave no answer.
  enum class Kind { Ok, Refused, Unreadable, Password, Failed };
  Kind kind = Kind::Failed;
  Json json;          // the answer
  std::string error;  // what went wrong, when not ok
  bool ok() const { return kind == Kind::Ok; }
};

// Runs dv-pdftool with `arguments` (everything after the program); onLine
// sees its output as it comes.
PdfToolAnswer runPdfTool(ToolRunner& tools, const std::vector<std::string>& arguments,
                         std::chrono::milliseconds timeout = std::chrono::seconds(120), const LineHandler& onLine = {});

PdfToolAnswer pdfFacts(ToolRunner& tools, const std::string& path, const std::string& password);
// Pages first..last (from 1; last 0: to the end) with their text and words,
// or with their words alone.
enum class TextParts { PageTextAndWords, WordsOnly };
PdfToolAnswer pdfText(ToolRunner& tools, const std::string& path, const std::string& password, int first = 1,
                      int last = 0, TextParts parts = TextParts::PageTextAndWords);
// Every page's words, page by page as the tool reads them: `page` gets the
// text of each page's JSON object (as in pdfText's answer) at once and
// returns false to stop reading. The answer itself holds no pages.
PdfToolAnswer pdfWordsByPage(ToolRunner& tools, const std::string& path, const std::string& password,
                             const LineHandler& page);
// Applies one request ({"operations": [...]}; file names in it as the tool
// sees them, see ToolRunner::toolPath) to `source` and writes `target`
// (which may be the source) atomically. An empty source starts from a new
// document without pages.
PdfToolAnswer editPdf(ToolRunner& tools, const std::string& source, const std::string& password, const Json& request,
                      const std::string& target);
PdfToolAnswer extractPdfAttachment(ToolRunner& tools, const std::string& path, const std::string& password,
                                   const std::string& key, const std::string& target);

}  // namespace dv::standins
