// The default-printer switch on a real spooler: two PostScript printers on
// FILE: are installed into the prefix, SetDefPrinter moves the default
// between them through the profile, and everything else the spooler keeps
// must stay as it was. The default-printer text output is printed for real,
// with dlgrelay answering the print-to-file dialog.
#include <windows.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <future>
#include <string>
#include <vector>

#include "dv/win32/handle.h"
#include "dv/win32/host.h"
#include "frame/printers.h"
#include "relaylaunch/relay_launch.h"
#include "support/install_printer.h"

namespace {

const std::string kPrinterA = "Docvane Switch Test A";
const std::string kPrinterB = "Docvane Switch Test B";

std::string env(const char* name) {
  char buf[4096];
  DWORD n = GetEnvironmentVariableA(name, buf, sizeof buf);
  return (n > 0 && n < sizeof buf) ? std::string(buf, n) : std::string();
}

std::string profile(const char* section, const std::string& key) {
  char buf[1024] = {};
  DWORD n = GetProfileStringA(section, key.c_str(), "", buf, sizeof buf);
  return std::string(buf, n);
}

// A whole profile section, one "key=value" per entry.
std::vector<std::string> section(const char* name) {
  std::vector<char> buf(65536, '\0');
  DWORD n = GetProfileSectionA(name, buf.data(), static_cast<DWORD>(buf.size()));
  std::vector<std::string> entries;
  for (const char* p = buf.data(); p < buf.data() + n && *p; p += strlen(p) + 1) entries.emplace_back(p);
  std::sort(entries.begin(), entries.end());
  return entries;
}

std::vector<std::string> withoutDevice(std::vector<std::string> entries) {
  entries.erase(std::remove_if(entries.begin(), entries.end(),
                               [](const std::string& e) { return lstrcmpiA(e.substr(0, 7).c_str(), "device=") == 0; }),
                entries.end());
  return entries;
}

struct PrinterState {
  std::string name, port, driver;
  DWORD attributes = 0;
  bool operator==(const PrinterState&) const = default;
};

std::vector<PrinterState> installedPrinters() {
  DWORD needed = 0, count = 0;
  EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, nullptr, 0, &needed, &count);
  std::vector<BYTE> buf(needed + 1);
  std::vector<PrinterState> out;
  if (!EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, buf.data(), needed, &needed, &count)) return out;
  auto* info = reinterpret_cast<PRINTER_INFO_2A*>(buf.data());
  for (DWORD i = 0; i < count; ++i) {
    // The default bit follows the default printer; everything else must not move.
    out.push_back({info[i].pPrinterName, info[i].pPortName, info[i].pDriverName,
                   info[i].Attributes & ~static_cast<DWORD>(PRINTER_ATTRIBUTE_DEFAULT)});
  }
  std::sort(out.begin(), out.end(), [](const PrinterState& a, const PrinterState& b) { return a.name < b.name; });
  return out;
}

std::string systemDefault() {
  char buf[512] = {};
  DWORD size = sizeof buf;
  return GetDefaultPrinterA(buf, &size) ? std::string(buf) : std::string();
}

// A top-level window of this thread that records WM_WININICHANGE.
std::vector<std::string> g_iniChanges;
LRESULT CALLBACK recordIniChange(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_WININICHANGE) g_iniChanges.push_back(lParam ? reinterpret_cast<const char*>(lParam) : "");
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

class PrintersOnWindows : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    installError_ = dv::winetest::installFilePrinter(kPrinterA);
    if (installError_.empty()) installError_ = dv::winetest::installFilePrinter(kPrinterB);
  }
  static void TearDownTestSuite() {
    dv::winetest::removePrinter(kPrinterA);
    dv::winetest::removePrinter(kPrinterB);
  }
  void SetUp() override {
    ASSERT_EQ(installError_, "");
    WNDCLASSA wc{};
    wc.lpfnWndProc = recordIniChange;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "DvIniChangeProbe";
    RegisterClassA(&wc);
    probe_ = CreateWindowA("DvIniChangeProbe", "ini change probe", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                           wc.hInstance, nullptr);
    ASSERT_NE(probe_, nullptr);
    g_iniChanges.clear();
  }
  void TearDown() override { DestroyWindow(probe_); }

  // What the spooler keeps besides the default printer itself.
  struct Snapshot {
    std::vector<std::string> windows, printerPorts, devices;
    std::vector<PrinterState> printers;
  };
  static Snapshot snapshot() {
    return {withoutDevice(section("windows")), section("PrinterPorts"), section("Devices"), installedPrinters()};
  }
  static void expectUnchangedBesidesDefault(const Snapshot& before) {
    Snapshot after = snapshot();
    EXPECT_EQ(after.windows, before.windows);
    EXPECT_EQ(after.printerPorts, before.printerPorts);
    EXPECT_EQ(after.devices, before.devices);
    EXPECT_EQ(after.printers, before.printers);
  }
  // "name,driver,port" as the switch must write it, from the spooler's own entry.
  static std::string expectedDevice(const std::string& name) {
    std::string ports = profile("PrinterPorts", name);
    size_t second = ports.find(',', ports.find(',') + 1);
    return name + "," + ports.substr(0, second);
  }

  static inline std::string installError_;
  HWND probe_ = nullptr;
  dv::win32::Win32Host win32;
  dv::Host host = win32.host();
};

TEST_F(PrintersOnWindows, SpoolerReportsWhatTheSwitchReads) {
  EXPECT_EQ(win32.printers.platformId(), 2u);  // NT family: the profile branch
  // The installed printers are known to the profile the way the switch
  // expects: "driver,port,timeouts" (Wine names its driver, not winspool).
  std::string ports = profile("PrinterPorts", kPrinterA);
  EXPECT_NE(ports.find(",FILE:,"), std::string::npos) << ports;
  EXPECT_NE(ports.find(','), 0u) << ports;
  auto info = win32.printers.printerInfo5(kPrinterA);
  ASSERT_TRUE(info.has_value());
  EXPECT_EQ(info->printerName, kPrinterA);
  EXPECT_EQ(info->portName, "FILE:");
  EXPECT_FALSE(win32.printers.printerInfo5("No Such Printer").has_value());
}

TEST_F(PrintersOnWindows, SetDefPrinterMovesTheDefaultAndNothingElse) {
  Snapshot before = snapshot();

  dv::lib::setDefPrinter(host, kPrinterA);
  EXPECT_EQ(profile("windows", "Device"), expectedDevice(kPrinterA));
  EXPECT_EQ(systemDefault(), kPrinterA);
  EXPECT_EQ(dv::lib::currentDefaultPrinter(host), kPrinterA);
  ASSERT_EQ(g_iniChanges.size(), 1u);
  EXPECT_EQ(g_iniChanges[0], "windows");

  dv::lib::setDefPrinter(host, kPrinterB);
  EXPECT_EQ(profile("windows", "Device"), expectedDevice(kPrinterB));
  EXPECT_EQ(systemDefault(), kPrinterB);
  auto device = dv::lib::defaultPrinterDevice(host);
  EXPECT_EQ(device.driverName + "," + device.port, profile("Devices", kPrinterB));
  EXPECT_EQ(device.deviceName, kPrinterB);
  EXPECT_EQ(device.port, "FILE:");
  expectUnchangedBesidesDefault(before);
}

TEST_F(PrintersOnWindows, UnknownOrEmptyNameLeavesTheDefaultAndRaisesNothing) {
  dv::lib::setDefPrinter(host, kPrinterA);
  g_iniChanges.clear();
  Snapshot before = snapshot();
  std::string device = profile("windows", "Device");

  EXPECT_NO_THROW(dv::lib::setDefPrinter(host, "No Such Printer"));
  EXPECT_NO_THROW(dv::lib::setDefPrinter(host, ""));
  EXPECT_EQ(profile("windows", "Device"), device);
  EXPECT_EQ(systemDefault(), kPrinterA);
  EXPECT_TRUE(g_iniChanges.empty());
  expectUnchangedBesidesDefault(before);
}

TEST_F(PrintersOnWindows, TextOutputReachesTheDefaultPrinter) {
  // The FILE: printer asks for the output file; the real relay answers.
  std::string relay = env("DV_BUILD_DIR") + "\\relay\\dlgrelay.exe";
  ASSERT_NE(GetFileAttributesA(relay.c_str()), INVALID_FILE_ATTRIBUTES) << relay;
  std::string output = env("DV_BENCH_DIR") + "\\printers text output.ps";
  DeleteFileA(output.c_str());
  dv::lib::setDefPrinter(host, kPrinterB);

  std::string folder = relay.substr(0, relay.rfind('\\'));
  dv::lib::Relay(host, folder).start({dv::lib::relayPrintToFile("print to file", output)});
  // Printing blocks while the dialog is up: bounded, in case nobody answers.
  auto printed = std::async(std::launch::async, [] {
    dv::win32::Win32Printers printers;
    return printers.printTextOnDefault("\r\nDocvane default printer line one\r\n\tline two\r\n");
  });
  ASSERT_EQ(printed.wait_for(std::chrono::seconds(60)), std::future_status::ready) << "print dialog not answered";
  EXPECT_TRUE(printed.get());

  std::string data;
  {
    dv::win32::UniqueHandle f(
        CreateFileA(output.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(f.valid()) << output;
    data.resize(GetFileSize(f.get(), nullptr));
    DWORD read = 0;
    ReadFile(f.get(), data.data(), static_cast<DWORD>(data.size()), &read, nullptr);
  }
  EXPECT_EQ(data.rfind("%!PS", 0), 0u);
  EXPECT_NE(data.find("%%Pages: 1"), std::string::npos);
  DeleteFileA(output.c_str());
}

}  // namespace
