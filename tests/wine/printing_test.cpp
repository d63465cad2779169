// The stand-ins' printers as the registered standins.dll installs them:
// the PDF printer's queues take GDI and raw jobs, the print call returns
// before the printer asks for the file (dlgrelay answers), and the agent
// writes a PDF, or the PostScript itself for a ".ps" name.
#include <windows.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "bench_files.h"
#include "dv/standins/printing.h"
#include "dv/standins/tools.h"
#include "dv/win32/host.h"
#include "frame/printers.h"
#include "relaylaunch/relay_launch.h"

namespace {

using dv::winetest::env;
using dv::winetest::exists;
using dv::winetest::slurp;
namespace printing = dv::standins::printing;

std::string portOf(const std::string& printer) {
  dv::win32::Win32Printers printers;
  auto info = printers.printerInfo5(printer);
  return info ? info->portName : std::string("(none)");
}

// The printer writes after the print call returned: bounded polling.
bool waitForFile(const std::string& path, int seconds) {
  for (int i = 0; i < seconds * 10; ++i) {
    if (exists(path) && !exists(path + ".part")) return true;
    Sleep(100);
  }
  return false;
}

bool dialogShown(int seconds) {
  for (int i = 0; i < seconds * 10; ++i) {
    if (FindWindowA(nullptr, "Save PDF File As")) return true;
    Sleep(100);
  }
  return false;
}

class StandInPrinting : public ::testing::Test {
 protected:
  void SetUp() override {
    bench = env("DV_BENCH_DIR");
    ASSERT_FALSE(bench.empty());
    previousDefault = printing::defaultPrinter();
  }
  void TearDown() override {
    // Back to the prefix's state, also when it had no default printer.
    if (!previousDefault.empty()) dv::lib::setDefPrinter(host, previousDefault);
    else WriteProfileStringA("windows", "device", nullptr);
  }
  void answerDialog(const std::string& target) {
    std::string relay = env("DV_BUILD_DIR") + "\\relay";
    dv::lib::Relay(host, relay).start({dv::lib::relaySavePdfFileAs("save pdf file as", target)});
  }
  std::string tool(const std::vector<std::string>& argv) { return dv::standins::runTool(argv).output; }
  std::string unixPath(const std::string& p) { return dv::standins::toolRunner().toolPath(p); }

  dv::win32::Win32Host win32;
  dv::Host host = win32.host();
  std::string bench, previousDefault;
};

TEST_F(StandInPrinting, QueuesAreInstalledOnTheirPorts) {
  for (const std::string& name : printing::pdfPrinterQueues()) EXPECT_EQ(portOf(name), printing::kPdfPrinterPort);
  EXPECT_EQ(portOf(printing::kGenericPostScriptPrinter), "FILE:");
}

TEST_F(StandInPrinting, TextOutputOnTheDefaultPdfPrinterBecomesAPdfAfterTheCallReturned) {
  for (const std::string& queue : printing::pdfPrinterQueues()) {
    SCOPED_TRACE(queue);
    std::string pdf = bench + "\\printed text " + std::to_string(queue.size()) + ".pdf";
    DeleteFileA(pdf.c_str());
    dv::lib::setDefPrinter(host, queue);
    ASSERT_EQ(printing::defaultPrinter(), queue);
    // Nobody answers yet: the call must come back on its own, and the
    // dialog follow it.
    ASSERT_TRUE(win32.printers.printTextOnDefault("\r\nDocvane spooled line\r\n"));
    ASSERT_TRUE(dialogShown(60)) << "no Save PDF File As dialog";
    EXPECT_FALSE(exists(pdf));
    answerDialog(pdf);
    ASSERT_TRUE(waitForFile(pdf, 90)) << pdf;
    EXPECT_EQ(slurp(pdf).rfind("%PDF-", 0), 0u);
    EXPECT_NE(tool({"pdftotext", unixPath(pdf), "-"}).find("Docvane spooled line"), std::string::npos);
    DeleteFileA(pdf.c_str());
  }
}

TEST_F(StandInPrinting, RawPostScriptToAPsNameIsKeptAsItIs) {
  const std::string ps = "%!PS-Adobe-3.0\n/Courier 12 selectfont 72 700 moveto (raw job) show showpage\n%%EOF\n";
  std::string target = bench + "\\raw job.ps";
  DeleteFileA(target.c_str());
  answerDialog(target);
  ASSERT_EQ(printing::sendPostScript("Adobe PDF", "raw job", ps), "");
  ASSERT_TRUE(waitForFile(target, 90)) << target;
  EXPECT_EQ(slurp(target), ps);
  DeleteFileA(target.c_str());
}

TEST_F(StandInPrinting, AnUnknownQueueIsAnError) {
  EXPECT_NE(printing::sendPostScript("No Such Queue", "x", "%!PS\n"), "");
}

}  // namespace
