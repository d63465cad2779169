// Access's surroundings on Windows: the machine's files, printers and
// registry, the spooler's queues (raw jobs through the stand-ins' shared
// printing), the driver's path of a database, a modal
// file-name dialog (the Word stand-in's, a "#32770" with one Edit, which
// dlgrelay fills) and a spooler that writes each job on a thread of its
// own after OpenReport has returned.
#include <windows.h>
#include <winspool.h>

#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

#include "access/access_standin.h"
#include "dv/standins/printing.h"
#include "dv/standins/tools.h"
#include "dv/win32/com_object.h"
#include "dv/win32/host.h"
#include "word/word_standin.h"

namespace dv::standins::access {

namespace {

std::vector<std::string> spoolerQueues() {
  DWORD needed = 0, count = 0;
  EnumPrintersA(PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS, nullptr, 4, nullptr, 0, &needed, &count);
  std::vector<BYTE> buffer(needed ? needed : 1);
  if (!EnumPrintersA(PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS, nullptr, 4, buffer.data(), needed, &needed, &count))
    return {};
  std::vector<std::string> names;
  const auto* info = reinterpret_cast<const PRINTER_INFO_4A*>(buffer.data());
  for (DWORD i = 0; i < count; ++i)
    if (info[i].pPrinterName) names.emplace_back(info[i].pPrinterName);
  return names;
}

// The job's file appears a moment after OpenReport returned and grows in
// two steps, as a spooled print job does.
void runJob(FileSystem& files, const std::string& path, const std::function<std::optional<std::string>()>& produce,
            int stepMs) {
  std::optional<std::string> bytes = produce();
  if (!bytes) return;
  std::this_thread::sleep_for(std::chrono::milliseconds(stepMs));
  if (!files.writeFile(path, bytes->substr(0, bytes->size() / 2))) return;
  std::this_thread::sleep_for(std::chrono::milliseconds(stepMs));
  files.writeFile(path, *bytes);
}

}  // namespace

void installPlatformEnvironment() {
  static dv::win32::Win32Host machine;
  Environment e;
  e.files = &machine.files;
  e.printers = &machine.printers;
  e.registry = &machine.registry;
  e.queues = spoolerQueues;
  e.databasePath = [](const std::string& clientPath) { return toolRunner().toolPath(clientPath); };
  e.askFileName = [](const std::string& caption) -> std::optional<std::string> {
    auto& ask = word::environment().askPdfFileName;
    if (!ask) return std::nullopt;
    return ask(caption);
  };
  e.spool = [](const std::string& path, std::function<std::optional<std::string>()> produce) {
    const int stepMs = std::max(0, std::atoi(Control::instance().setting("AccessPrintStepMs", "300").c_str()));
    ++dv::win32::moduleCounts().locks;
    std::thread([path, produce = std::move(produce), stepMs] {
      try {
        runJob(machine.files, path, produce, stepMs);
      } catch (...) {
        // A job that fails leaves its file short or missing, as a failed
        // print job does.
      }
      --dv::win32::moduleCounts().locks;
    }).detach();
  };
  e.makePdf = [](const std::string& postScript) { return word::pdfWithGhostscript(postScript); };
  e.sendToQueue = printing::sendPostScript;
  setEnvironment(std::move(e));
}

}  // namespace dv::standins::access
