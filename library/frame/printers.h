// Printer control: switching the system default printer, reading it back,
// and the PDFWriter output name. Programs that cannot be told which printer
// to use print to the default printer, so conversions switch it around such
// prints; clients get the same switch as SetDefPrinter.
#pragma once

#include <string>
#include <string_view>

#include "dv/host.h"

namespace dv::lib {

// SetDefPrinter: makes `printer` the default printer of the user. On the
// Windows 9x family through the printer's attributes, elsewhere through the
// [windows] Device entry of the profile. Never raises: a name that is not an
// installed printer, or any failing step, leaves the default unchanged.
void setDefPrinter(Host& host, const std::string& printer);
// No default printer, as before a conversion that found none: the device
// entry emptied. Failures are ignored, as setDefPrinter's are.
void clearDefaultPrinter(Host& host);

// The two branches of setDefPrinter.
void setDefaultPrinter9x(Printers& printers, const std::string& name);
void setDefaultPrinterNT(Host& host, const std::string& name);

// A [PrinterPorts] (or [Devices]) profile entry split into its first two
// comma-separated fields: "winspool,Ne01:,15,45" -> winspool, Ne01:.
struct PrinterPorts {
  std::string driver;
  std::string port;
};
PrinterPorts parsePrinterPorts(std::string_view entry);

// Writes "name,driver,port" to [windows] Device and tells every top-level
// window that the [windows] section changed.
void writeDefaultDevice(Host& host, const std::string& name, const std::string& driver, const std::string& port);

// CurrentDefaultPrinter: the device name of the current default printer
// (empty when there is none); used to put the default back after a print.
std::string currentDefaultPrinter(Host& host);

// The default printer as the platform printer object describes it to
// programs that want a DEVNAMES-style triple (driver, device, port), taken
// from the printer's [Devices] entry, or its [PrinterPorts] entry when that
// is missing. Empty fields when there is no default printer.
struct PrinterDevice {
  std::string driverName;
  std::string deviceName;
  std::string port;
};
PrinterDevice defaultPrinterDevice(Host& host);

// The older PDFWriter printer takes its output file from the registry
// instead of asking: "PDFFilename" (REG_SZ) under HKEY_CURRENT_USER
// "Software\Adobe\Acrobat PDFWriter" (the key is created when missing, so
// the printer finds the name even on a fresh profile). True when the value
// was written. Never raises.
bool setPDFWriterOutputName(Host& host, const std::string& pdfPath);

}  // namespace dv::lib
