#include "dv/fakes/fake_printers.h"

#include <cctype>

namespace dv::fakes {

namespace {
constexpr uint32_t kAttributeDefault = 4;
constexpr size_t kProfileBuffer = 1024;  // what the library's GetProfileStringA buffer holds
}  // namespace

std::string FakePrinters::fold(const std::string& s) {
  std::string r = s;
  for (char& c : r) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return r;
}

void FakePrinters::addPrinter(const std::string& name, const std::string& port, uint32_t attributes,
                              const std::string& driver) {
  PrinterInfo5 info;
  info.printerName = name;
  info.portName = port;
  info.attributes = attributes;
  info.deviceNotSelectedTimeout = 15000;
  info.transmissionRetryTimeout = 45000;
  printers_[fold(name)] = info;
  if (!driver.empty()) {
    setProfile("PrinterPorts", name, driver + "," + port + ",15,45");
    setProfile("Devices", name, driver + "," + port);
  }
}

void FakePrinters::setProfile(const std::string& section, const std::string& key, const std::string& value) {
  profile_[fold(section)][fold(key)] = {key, value};
}

void FakePrinters::setDefault(const std::string& device) {
  auto ports = profile("PrinterPorts", device).value_or("");
  setProfile("windows", "Device", device + "," + ports);
}

std::optional<std::string> FakePrinters::profile(const std::string& section, const std::string& key) const {
  auto s = profile_.find(fold(section));
  if (s == profile_.end()) return std::nullopt;
  auto k = s->second.find(fold(key));
  if (k == s->second.end()) return std::nullopt;
  return k->second.second;
}

std::optional<PrinterInfo5> FakePrinters::record(const std::string& printer) const {
  auto it = printers_.find(fold(printer));
  if (it == printers_.end()) return std::nullopt;
  return it->second;
}

std::string FakePrinters::profileString(const std::string& section, const std::string& key,
                                        const std::string& fallback) {
  std::string value = profile(section, key).value_or(fallback);
  if (value.size() >= kProfileBuffer) value.resize(kProfileBuffer - 1);
  return value;
}

bool FakePrinters::writeProfileString(const std::string& section, const std::string& key, const std::string& value) {
  profileWrites_.push_back({section, key, value});
  setProfile(section, key, value);
  return true;
}

std::optional<PrinterInfo5> FakePrinters::printerInfo5(const std::string& printer) {
  auto info = record(printer);
  if (!info || failGet_) return std::nullopt;
  // The record's strings come through the same 512-character buffer as on
  // the real spooler.
  auto name = pointerToString(info->printerName.c_str());
  auto port = pointerToString(info->portName.c_str());
  if (!name || !port) return std::nullopt;
  info->printerName = *name;
  info->portName = *port;
  return info;
}

bool FakePrinters::setPrinterInfo5(const std::string& printer, const PrinterInfo5& info) {
  auto it = printers_.find(fold(printer));
  if (it == printers_.end() || failSet_) return false;
  printerWrites_.push_back({printer, info});
  // Like the 9x spooler: one printer carries the default attribute.
  if (info.attributes & kAttributeDefault) {
    for (auto& [key, other] : printers_) other.attributes &= ~kAttributeDefault;
  }
  it->second.portName = info.portName;
  it->second.attributes = info.attributes;
  it->second.deviceNotSelectedTimeout = info.deviceNotSelectedTimeout;
  it->second.transmissionRetryTimeout = info.transmissionRetryTimeout;
  return true;
}

std::string FakePrinters::defaultPrinter() {
  if (platformId_ == 1) {
    for (const auto& [key, info] : printers_) {
      if (info.attributes & kAttributeDefault) return info.printerName;
    }
    return std::string();
  }
  std::string device = profile("windows", "Device").value_or("");
  std::string name = device.substr(0, device.find(','));
  return record(name) ? record(name)->printerName : std::string();
}

bool FakePrinters::printTextOnDefault(const std::string& text) {
  std::string printer = defaultPrinter();
  if (failText_ || printer.empty()) return false;
  printed_.push_back({printer, text});
  return true;
}

}  // namespace dv::fakes
