// The printers seam on the Win32 spooler and the user's profile (win.ini
// mapping): GetProfileStringA/WriteProfileStringA, GetVersionExA, level-5
// printer records, the default printer and plain-text output to it.
// Texts cross the seam as UTF-8 and are converted to the ANSI code page.
#pragma once

#include "dv/host.h"

namespace dv::win32 {

class Win32Printers : public dv::Printers {
 public:
  std::string profileString(const std::string& section, const std::string& key, const std::string& fallback) override;
  bool writeProfileString(const std::string& section, const std::string& key, const std::string& value) override;
  uint32_t platformId() override;
  std::optional<PrinterInfo5> printerInfo5(const std::string& printer) override;
  bool setPrinterInfo5(const std::string& printer, const PrinterInfo5& info) override;
  std::string defaultPrinter() override;
  // One document on the default printer: the text line by line (CR LF or
  // LF breaks, tabs expanded), in the printer's default font, continued on
  // a new page when a page is full.
  bool printTextOnDefault(const std::string& text) override;
};

}  // namespace dv::win32
