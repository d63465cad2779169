// In-memory printers: installed printers with their level-5 records, the
// user's profile sections, the platform id and the default printer, and a
// record of every write, so tests can assert what changed and what did not.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "dv/host.h"

namespace dv::fakes {

class FakePrinters : public dv::Printers {
 public:
  // An NT-family machine with no printers and an empty profile.
  FakePrinters() = default;

  // ---- Test setup ----
  // Installs a printer: its level-5 record (printerName is set to `name`)
  // and, unless `driver` is empty, the [PrinterPorts] and [Devices] entries
  // "driver,port,15,45" and "driver,port" a spooler writes for it.
  void addPrinter(const std::string& name, const std::string& port, uint32_t attributes = 0,
                  const std::string& driver = "winspool");
  void setPlatformId(uint32_t id) { platformId_ = id; }
  void setProfile(const std::string& section, const std::string& key, const std::string& value);
  // Sets the default the way the NT spooler keeps it: [windows] Device.
  void setDefault(const std::string& device);
  // Makes OpenPrinterA/GetPrinterA or SetPrinterA fail for every printer.
  void failGetPrinter(bool fail) { failGet_ = fail; }
  void failSetPrinter(bool fail) { failSet_ = fail; }
  void failTextOutput(bool fail) { failText_ = fail; }

  // ---- Observation ----
  struct ProfileWrite {
    std::string section, key, value;
  };
  struct PrinterWrite {
    std::string printer;
    PrinterInfo5 info;
  };
  const std::vector<ProfileWrite>& profileWrites() const { return profileWrites_; }
  const std::vector<PrinterWrite>& printerWrites() const { return printerWrites_; }
  struct PrintedText {
    std::string printer, text;
  };
  // Texts sent to the default-printer text output, with the printer they reached.
  const std::vector<PrintedText>& printedTexts() const { return printed_; }
  // The stored profile value, nullopt when absent.
  std::optional<std::string> profile(const std::string& section, const std::string& key) const;
  std::optional<PrinterInfo5> record(const std::string& printer) const;

  // ---- dv::Printers ----
  std::string profileString(const std::string& section, const std::string& key, const std::string& fallback) override;
  bool writeProfileString(const std::string& section, const std::string& key, const std::string& value) override;
  uint32_t platformId() override { return platformId_; }
  std::optional<PrinterInfo5> printerInfo5(const std::string& printer) override;
  bool setPrinterInfo5(const std::string& printer, const PrinterInfo5& info) override;
  // 9x family: the printer whose attributes carry the default bit; other
  // platforms: the device name of [windows] Device, when it is installed.
  std::string defaultPrinter() override;
  bool printTextOnDefault(const std::string& text) override;

 private:
  static std::string fold(const std::string& s);  // profile and printer names ignore case
  uint32_t platformId_ = 2;                       // VER_PLATFORM_WIN32_NT
  std::map<std::string, PrinterInfo5> printers_;  // by folded name
  std::map<std::string, std::map<std::string, std::pair<std::string, std::string>>> profile_;  // folded -> (key, value)
  std::vector<ProfileWrite> profileWrites_;
  std::vector<PrinterWrite> printerWrites_;
  std::vector<PrintedText> printed_;
  bool failGet_ = false, failSet_ = false, failText_ = false;
};

}  // namespace dv::fakes
