// dv-pdftool: the stand-ins' PDF engine, a native program on libqpdf and
// poppler. The stand-ins run it with an argument vector through their tool
// runner; every answer is one JSON object on standard output.
#pragma once

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace dv::pdftool {

using Json = nlohmann::json;

// Exit codes, also the "kind" of an error answer.
enum class Exit : int { Ok = 0, Refused = 1, Unreadable = 2, Password = 3 };

// A failure the caller gets as {"error": message, "kind": ...} and an exit code.
class Failure : public std::runtime_error {
 public:
  Failure(Exit code, const std::string& message) : std::runtime_error(message), code(code) {}
  Exit code;
};

[[noreturn]] inline void refuse(const std::string& message) { throw Failure(Exit::Refused, message); }

class QpdfDocument;  // pdf.cpp: an opened file (QPDF plus the documents it copies from)

// Opens `path` with `password`; Failure(Password) when one is needed and
// not given, Failure(Unreadable) when the file is missing or damaged.
std::shared_ptr<QpdfDocument> openDocument(const std::string& path, const std::string& password);

// What a reader needs to know about the document (see standins/README.md).
Json readFacts(const std::string& path, const std::string& password);

// Applies every operation of `request` ({"operations": [...]}) in order and
// writes the result to `output` atomically; nothing is written when any
// operation is refused.
void applyRequest(const std::string& input, const std::string& password, const Json& request,
                  const std::string& output);

// Writes the embedded file `key` to `output` atomically.
void extractAttachment(const std::string& path, const std::string& password, const std::string& key,
                       const std::string& output);

// Page text and words with their boxes (poppler), pages first..last (1-based, 0: to the end);
// without `pageText` the words alone, which is half poppler's work. Each
// page goes to `page` as the text of one JSON object as soon as it is read.
void readText(const std::string& path, const std::string& password, int first, int last, bool pageText,
              const std::function<void(const std::string&)>& page);

// dv-launch, how the Windows side runs a Unix program: its output to
// a file, its pid to a file, and finally its status, which appears at once
// (written beside and renamed). Ends the program after timeoutMs.
int runProgram(const std::vector<std::string>& argv, const std::string& outputFile, const std::string& statusFile,
               const std::string& pidFile, long long timeoutMs);

// Writes `data` to `path` through a temporary file in the same folder.
void writeFileAtomically(const std::string& path, const std::string& data);
// A fresh temporary name beside `path`.
std::string temporaryBeside(const std::string& path);

}  // namespace dv::pdftool
