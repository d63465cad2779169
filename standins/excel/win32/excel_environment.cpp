// Excel's background printing on Windows: each job runs on a thread of its
// own and writes its file in three growing steps, so a client that takes
// the file before it is complete gets a short one. The module stays
// loaded while a job runs.
#include <windows.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "dv/win32/com_object.h"
#include "excel/excel_standin.h"
#include "word/word_standin.h"

namespace dv::standins::excel {

namespace {

constexpr int kSteps = 3;

void runJob(const std::string& path, const std::function<std::optional<std::string>()>& produce, int stepMs) {
  std::optional<std::string> bytes = produce();
  FileSystem* files = word::environment().files;
  if (!bytes || !files) return;
  for (int step = 1; step <= kSteps; ++step) {
    std::this_thread::sleep_for(std::chrono::milliseconds(stepMs));
    const size_t size = step == kSteps ? bytes->size() : bytes->size() * static_cast<size_t>(step) / kSteps;
    if (!files->writeFile(path, bytes->substr(0, size))) return;
  }
}

}  // namespace

void installPlatformEnvironment() {
  Environment e;
  e.spool = [](const std::string& path, std::function<std::optional<std::string>()> produce) {
    const int stepMs = std::max(0, std::atoi(Control::instance().setting("ExcelPrintStepMs", "400").c_str()));
    ++dv::win32::moduleCounts().locks;
    std::thread([path, produce = std::move(produce), stepMs] {
      try {
        runJob(path, produce, stepMs);
      } catch (...) {
        // A job that fails leaves its file short or missing, as a failed
        // print job does.
      }
      --dv::win32::moduleCounts().locks;
    }).detach();
  };
  e.makePdf = [](const std::string& postScript) { return word::pdfWithGhostscript(postScript); };
  setEnvironment(std::move(e));
}

}  // namespace dv::standins::excel
