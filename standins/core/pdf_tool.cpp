#include "dv/standins/pdf_tool.h"

#include <filesystem>
#include <fstream>

namespace dv::standins {

namespace {

std::vector<std::string> withPassword(std::vector<std::string> args, const std::string& password) {
  if (!password.empty()) args.insert(args.begin() + 1, "--password=" + password);
  return args;
}

// A scratch folder that is removed whatever happens.
class Scratch {
 public:
  explicit Scratch(ToolRunner& tools) : path_(tools.scratchFolder()) {}
  ~Scratch() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;
  std::string file(const std::string& name) const { return (std::filesystem::path(path_) / name).string(); }

 private:
  std::string path_;
};

// The answer is the tool's last line; anything before it came from a library.
std::string lastLine(const std::string& text) {
  const size_t end = text.find_last_not_of("\r\n");
  if (end == std::string::npos) return {};
  const size_t newline = text.rfind('\n', end);
  const size_t begin = newline == std::string::npos ? 0 : newline + 1;
  return text.substr(begin, end - begin + 1);
}

}  // namespace

PdfToolAnswer runPdfTool(ToolRunner& tools, const std::vector<std::string>& arguments,
                         std::chrono::milliseconds timeout, const LineHandler& onLine) {
  std::vector<std::string> argv{pdfToolPath()};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  const ToolResult r = tools.run(argv, onLine, timeout);
  PdfToolAnswer answer;
  if (!r.started || r.timedOut || r.stopped) {
    answer.error = r.timedOut  ? "dv-pdftool did not finish in time"
                   : r.stopped ? "dv-pdftool was stopped"
                               : "dv-pdftool did not start";
    return answer;
  }
  Json json = Json::parse(lastLine(r.output), nullptr, false);
  if (!json.is_object()) {
    answer.error = "dv-pdftool gave no answer (exit " + std::to_string(r.exitCode) + "): " + r.output;
    return answer;
  }
  switch (r.exitCode) {
    case 0:
      answer.kind = PdfToolAnswer::Kind::Ok;
      break;
    case 1:
      answer.kind = PdfToolAnswer::Kind::Refused;
      break;
    case 2:
      answer.kind = PdfToolAnswer::Kind::Unreadable;
      break;
    case 3:
      answer.kind = PdfToolAnswer::Kind::Password;
      break;
    default:
      break;
  }
  if (!answer.ok()) answer.error = json.value("error", std::string("exit ") + std::to_string(r.exitCode));
  answer.json = std::move(json);
  return answer;
}

PdfToolAnswer pdfFacts(ToolRunner& tools, const std::string& path, const std::string& password) {
  return runPdfTool(tools, withPassword({"facts", tools.toolPath(path)}, password));
}

PdfToolAnswer pdfText(ToolRunner& tools, const std::string& path, const std::string& password, int first, int last,
                      TextParts parts) {
  std::vector<std::string> arguments{"text", tools.toolPath(path), "--first=" + std::to_string(first),
                                     "--last=" + std::to_string(last)};
  if (parts == TextParts::WordsOnly) arguments.push_back("--parts=words");
  return runPdfTool(tools, withPassword(std::move(arguments), password));
}

PdfToolAnswer pdfWordsByPage(ToolRunner& tools, const std::string& path, const std::string& password,
                             const LineHandler& page) {
  static constexpr std::string_view kPage = "{\"page\":";
  return runPdfTool(tools, withPassword({"text", tools.toolPath(path), "--parts=words", "--stream=pages"}, password),
                    std::chrono::seconds(120),
                    [&page](std::string_view line) { return line.substr(0, kPage.size()) != kPage || page(line); });
}

PdfToolAnswer editPdf(ToolRunner& tools, const std::string& source, const std::string& password, const Json& request,
                      const std::string& target) {
  // In a file: a request can outgrow what a command line carries.
  Scratch scratch(tools);
  const std::string requestFile = scratch.file("request.json");
  {
    std::ofstream out(requestFile, std::ios::binary);
    out << request.dump();
    if (!out) {
      PdfToolAnswer failed;
      failed.error = "cannot write " + requestFile;
      return failed;
    }
  }
  if (source.empty())
    return runPdfTool(tools,
                      {"create", "--request=" + tools.toolPath(requestFile), "--output=" + tools.toolPath(target)});
  return runPdfTool(tools, withPassword({"edit", tools.toolPath(source), "--request=" + tools.toolPath(requestFile),
                                         "--output=" + tools.toolPath(target)},
                                        password));
}

PdfToolAnswer extractPdfAttachment(ToolRunner& tools, const std::string& path, const std::string& password,
                                   const std::string& key, const std::string& target) {
  return runPdfTool(
      tools,
      withPassword({"extract", tools.toolPath(path), "--key=" + key, "--output=" + tools.toolPath(target)}, password));
}

}  // namespace dv::standins
