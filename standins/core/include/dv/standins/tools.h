// Running the Unix tools a stand-in uses for real work (Ghostscript,
// dv-pdftool, poppler), always with an argument vector. Natively they are
// child processes; under Wine dv-launch (built beside dv-pdftool) starts them
// with output to files (standins/win32/wine_tools.cpp).
#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace dv::standins {

struct ToolResult {
  bool started = false;
  bool timedOut = false;
  bool stopped = false;  // ended because a line handler asked to
  int exitCode = -1;     // valid when started and neither timed out nor stopped
  std::string output;    // stdout and stderr, merged
  bool ok() const { return started && !timedOut && !stopped && exitCode == 0; }
};

// Receives one output line as it appears; false ends the program there.
using LineHandler = std::function<bool(std::string_view)>;

// Cuts a program's output into lines as it arrives and hands each on
// (without its line end); a runner stops the program once it says so.
class LineSplitter {
 public:
  explicit LineSplitter(const LineHandler& onLine) : onLine_(onLine) {}
  // False once the handler has asked to stop.
  bool feed(std::string_view output);
  // The last line, which has no line end; false when the handler stops.
  bool finish();
  bool stopped() const { return stopped_; }

 private:
  bool hand(std::string_view line);
  const LineHandler& onLine_;
  std::string pending_;
  bool stopped_ = false;
};

class ToolRunner {
 public:
  virtual ~ToolRunner() = default;
  // The path under which a tool sees a file named by a client.
  virtual std::string toolPath(const std::string& clientPath) = 0;
  // Drive letters a client path may start with and the folders the tools
  // see for them (empty where client paths are tool paths).
  virtual std::vector<std::pair<char, std::string>> drives() = 0;
  // A fresh scratch folder for one job, as a client path; removed by the caller.
  virtual std::string scratchFolder() = 0;
  // Runs argv[0] (found on PATH) with the arguments; onLine receives each
  // output line as it appears. The program is ended when the time runs out
  // or when onLine returns false.
  virtual ToolResult run(const std::vector<std::string>& argv, const LineHandler& onLine,
                         std::chrono::milliseconds timeout) = 0;
};

// The runner of this process: the native one by default, the Wine one when
// the COM hosting installs it.
ToolRunner& toolRunner();
void setToolRunner(ToolRunner* runner);

// dv-pdftool as the tools see it (a Unix path): natively where this tree
// built it (environment variable DV_PDFTOOL overrides); under Wine beside
// the module holding this code, else where standins.dll was registered from.
std::string pdfToolPath();
#ifdef _WIN32
// At registration: remembers dv-pdftool beside the registered module
// (HKLM\Software\DvStandins, PdfTool) for programs that live elsewhere.
bool recordPdfTool(const std::wstring& modulePath);
#endif

// Convenience for tests and checks: runs a tool and returns everything.
ToolResult runTool(const std::vector<std::string>& argv, std::chrono::milliseconds timeout = std::chrono::seconds(60));

}  // namespace dv::standins
