#include "dv/win32/printers.h"

#include <windows.h>
#include <winspool.h>

#include <vector>

#include "dv/win32/text.h"

namespace dv::win32 {

namespace {

constexpr DWORD kProfileBuffer = 1024;

constexpr DWORD kPrinterFullAccess = 0xF000C;  // PRINTER_ALL_ACCESS

// A spooler handle that is closed on every path.
class PrinterHandle {
 public:
  explicit PrinterHandle(const std::string& name) {
    PRINTER_DEFAULTSA defaults{nullptr, nullptr, kPrinterFullAccess};
    std::string ansi = toAnsi(name);
    if (!OpenPrinterA(ansi.data(), &handle_, &defaults)) handle_ = nullptr;
  }
  ~PrinterHandle() {
    if (handle_) ClosePrinter(handle_);
  }
  PrinterHandle(const PrinterHandle&) = delete;
  PrinterHandle& operator=(const PrinterHandle&) = delete;
  explicit operator bool() const { return handle_ != nullptr; }
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_ = nullptr;
};

class PrinterDc {
 public:
  explicit PrinterDc(const std::string& device)
      : dc_(CreateDCA("WINSPOOL", toAnsi(device).c_str(), nullptr, nullptr)) {}
  ~PrinterDc() {
    if (dc_) DeleteDC(dc_);
  }
  PrinterDc(const PrinterDc&) = delete;
  PrinterDc& operator=(const PrinterDc&) = delete;
  HDC get() const { return dc_; }

 private:
  HDC dc_;
};

std::vector<std::string> splitLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('\n', start);
    std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (end == std::string::npos) {
      if (!line.empty()) lines.push_back(line);  // a closing line break adds no empty line
      break;
    }
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

}  // namespace

std::string Win32Printers::profileString(const std::string& section, const std::string& key,
                                         const std::string& fallback) {
  std::vector<char> buffer(kProfileBuffer, '\0');
  DWORD n = GetProfileStringA(toAnsi(section).c_str(), toAnsi(key).c_str(), toAnsi(fallback).c_str(), buffer.data(),
                              kProfileBuffer);
  return fromAnsi(std::string(buffer.data(), n));
}

bool Win32Printers::writeProfileString(const std::string& section, const std::string& key, const std::string& value) {
  return WriteProfileStringA(toAnsi(section).c_str(), toAnsi(key).c_str(), toAnsi(value).c_str()) != 0;
}

uint32_t Win32Printers::platformId() {
  OSVERSIONINFOA version{};
  version.dwOSVersionInfoSize = sizeof(version);  // 148 bytes
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  if (!GetVersionExA(&version)) return 0;
#pragma GCC diagnostic pop
  return version.dwPlatformId;
}

std::optional<PrinterInfo5> Win32Printers::printerInfo5(const std::string& printer) {
  PrinterHandle handle(printer);
  if (!handle) return std::nullopt;
  DWORD needed = 0;
  GetPrinterA(handle.get(), 5, nullptr, 0, &needed);
  if (needed == 0) return std::nullopt;
  // Word-aligned buffer: the record starts with pointers and 32-bit fields.
  std::vector<DWORD> buffer(needed / sizeof(DWORD) + 1);
  if (!GetPrinterA(handle.get(), 5, reinterpret_cast<BYTE*>(buffer.data()), needed, &needed)) return std::nullopt;
  const auto* record = reinterpret_cast<const PRINTER_INFO_5A*>(buffer.data());
  auto name = pointerToString(record->pPrinterName);
  auto port = pointerToString(record->pPortName);
  if (!name || !port) return std::nullopt;
  PrinterInfo5 info;
  info.printerName = fromAnsi(*name);
  info.portName = fromAnsi(*port);
  info.attributes = record->Attributes;
  info.deviceNotSelectedTimeout = record->DeviceNotSelectedTimeout;
  info.transmissionRetryTimeout = record->TransmissionRetryTimeout;
  return info;
}

bool Win32Printers::setPrinterInfo5(const std::string& printer, const PrinterInfo5& info) {
  PrinterHandle handle(printer);
  if (!handle) return false;
  std::string name = toAnsi(info.printerName);
  std::string port = toAnsi(info.portName);
  PRINTER_INFO_5A record{};
  record.pPrinterName = name.data();
  record.pPortName = port.data();
  record.Attributes = info.attributes;
  record.DeviceNotSelectedTimeout = info.deviceNotSelectedTimeout;
  record.TransmissionRetryTimeout = info.transmissionRetryTimeout;
  return SetPrinterA(handle.get(), 5, reinterpret_cast<BYTE*>(&record), 0) != 0;
}

std::string Win32Printers::defaultPrinter() {
  DWORD size = 0;
  GetDefaultPrinterA(nullptr, &size);
  if (size > 0) {
    std::vector<char> buffer(size + 1, '\0');
    if (GetDefaultPrinterA(buffer.data(), &size)) return fromAnsi(std::string(buffer.data()));
  }
  // Spoolers without GetDefaultPrinter keep the default only in the profile.
  std::string device = profileString("windows", "device", "");
  return device.substr(0, device.find(','));
}

bool Win32Printers::printTextOnDefault(const std::string& text) {
  std::string device = defaultPrinter();
  if (device.empty()) return false;
  PrinterDc dc(device);
  if (!dc.get()) return false;
  DOCINFOA doc{};
  doc.cbSize = sizeof(doc);
  doc.lpszDocName = "Docvane";
  if (StartDocA(dc.get(), &doc) <= 0) return false;
  TEXTMETRICA metrics{};
  GetTextMetricsA(dc.get(), &metrics);
  const int lineHeight =
      metrics.tmHeight + metrics.tmExternalLeading > 0 ? metrics.tmHeight + metrics.tmExternalLeading : 1;
  const int pageHeight = GetDeviceCaps(dc.get(), VERTRES);
  bool ok = StartPage(dc.get()) > 0;
  int y = 0;
  for (const std::string& line : splitLines(text)) {
    if (!ok) break;
    if (y > 0 && y + lineHeight > pageHeight) {
      ok = EndPage(dc.get()) > 0 && StartPage(dc.get()) > 0;
      y = 0;
    }
    if (!line.empty()) {
      std::string ansi = toAnsi(line);
      TabbedTextOutA(dc.get(), 0, y, ansi.c_str(), static_cast<int>(ansi.size()), 0, nullptr, 0);
    }
    y += lineHeight;
  }
  if (ok) ok = EndPage(dc.get()) > 0;
  if (!ok) {
    AbortDoc(dc.get());
    return false;
  }
  return EndDoc(dc.get()) > 0;
}

}  // namespace dv::win32
