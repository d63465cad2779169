#include "frame/printers.h"

#include <exception>
#include <vector>

#include "dv/trace.h"

namespace dv::lib {

namespace {

constexpr uint32_t kPlatformWin9x = 1;            // VER_PLATFORM_WIN32_WINDOWS
constexpr uint32_t kPrinterAttributeDefault = 4;  // PRINTER_ATTRIBUTE_DEFAULT
constexpr uint32_t kKeyAccess = 0x2000F;          // read control, query/set value, create/enumerate subkeys
constexpr uint32_t kRegSz = 1;

}  // namespace

void setDefPrinter(Host& host, const std::string& printer) {
  // A failed switch must never break the caller's work: the conversions
  // call this on their error paths too.
  try {
    if (host.printers.platformId() == kPlatformWin9x) {
      setDefaultPrinter9x(host.printers, printer);
    } else {
      setDefaultPrinterNT(host, printer);
    }
  } catch (const std::exception&) {
    trace("making " + printer + " the default printer", currentErrorText());
  }
}

void clearDefaultPrinter(Host& host) {
  try {
    host.printers.writeProfileString("windows", "Device", "");
  } catch (const std::exception&) {
    trace("clearing the default printer", currentErrorText());
  }
}

void setDefaultPrinter9x(Printers& printers, const std::string& name) {
  if (name.empty()) return;
  std::optional<PrinterInfo5> info = printers.printerInfo5(name);
  if (!info) return;
  // The 9x spooler keeps the default as a printer attribute; the record is
  // written back with that attribute alone.
  info->attributes = kPrinterAttributeDefault;
  printers.setPrinterInfo5(name, *info);
}

void setDefaultPrinterNT(Host& host, const std::string& name) {
  PrinterPorts ports = parsePrinterPorts(host.printers.profileString("PrinterPorts", name, ""));
  // Without a PrinterPorts entry the printer is not installed for this
  // user, and a Device entry pointing at it would leave no usable default.
  if (ports.driver.empty() || ports.port.empty()) return;
  writeDefaultDevice(host, name, ports.driver, ports.port);
}

PrinterPorts parsePrinterPorts(std::string_view entry) {
  PrinterPorts result;
  size_t first = entry.find(',');
  if (first == std::string_view::npos) return result;
  result.driver = std::string(entry.substr(0, first));
  size_t second = entry.find(',', first + 1);
  if (second != std::string_view::npos) result.port = std::string(entry.substr(first + 1, second - first - 1));
  return result;
}

void writeDefaultDevice(Host& host, const std::string& name, const std::string& driver, const std::string& port) {
  host.printers.writeProfileString("windows", "Device", name + "," + driver + "," + port);
  host.windows.sendText(kHwndBroadcast, wm::kWinIniChange, 0, "windows");
}

std::string currentDefaultPrinter(Host& host) { return host.printers.defaultPrinter(); }

PrinterDevice defaultPrinterDevice(Host& host) {
  PrinterDevice device;
  device.deviceName = host.printers.defaultPrinter();
  if (device.deviceName.empty()) return device;
  // [Devices] holds "driver,port", [PrinterPorts] "driver,port,timeouts";
  // a closing comma lets one parser read both.
  std::string entry = host.printers.profileString("Devices", device.deviceName, "");
  if (entry.find(',') == std::string::npos) entry = host.printers.profileString("PrinterPorts", device.deviceName, "");
  PrinterPorts ports = parsePrinterPorts(entry + ",");
  device.driverName = ports.driver;
  device.port = ports.port;
  return device;
}

bool setPDFWriterOutputName(Host& host, const std::string& pdfPath) {
  try {
    const std::string keyPath = "Software\\Adobe\\Acrobat PDFWriter";
    RegKey key = 0;
    if (host.registry.openKey(kHkeyCurrentUser, keyPath, kKeyAccess, key) != 0 &&
        host.registry.createKey(kHkeyCurrentUser, keyPath, kKeyAccess, key, nullptr) != 0) {
      return false;
    }
    std::vector<uint8_t> data(pdfPath.begin(), pdfPath.end());
    data.push_back(0);
    bool written = host.registry.setValue(key, "PDFFilename", kRegSz, data) == 0;
    host.registry.closeKey(key);
    return written;
  } catch (const std::exception&) {
    trace("writing PDFFilename", currentErrorText());
    return false;
  }
}

}  // namespace dv::lib
