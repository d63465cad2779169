#include "install_printer.h"

#include <windows.h>
#include <winspool.h>

#include <cstdio>
#include <string>

#include "dv/win32/handle.h"

namespace dv::winetest {

namespace {

// Letter and A4 with the three standard fonts: enough for wineps to
// create a device context and write PostScript.
constexpr const char* kPpd =
    "*PPD-Adobe: \"4.3\"\n"
    "*FormatVersion: \"4.3\"\n"
    "*FileVersion: \"1.0\"\n"
    "*LanguageVersion: English\n"
    "*LanguageEncoding: ISOLatin1\n"
    "*PCFileName: \"DVFILEPS.PPD\"\n"
    "*Manufacturer: \"Docvane\"\n"
    "*Product: \"(Docvane test PostScript printer)\"\n"
    "*ModelName: \"Docvane PostScript File Printer\"\n"
    "*ShortNickName: \"Docvane PostScript File\"\n"
    "*NickName: \"Docvane PostScript File Printer\"\n"
    "*PSVersion: \"(3010.000) 0\"\n"
    "*LanguageLevel: \"3\"\n"
    "*ColorDevice: True\n"
    "*DefaultColorSpace: RGB\n"
    "*FileSystem: False\n"
    "*Throughput: \"1\"\n"
    "*LandscapeOrientation: Plus90\n"
    "*TTRasterizer: None\n"
    "\n"
    "*OpenUI *PageSize/Media Size: PickOne\n"
    "*OrderDependency: 10 AnySetup *PageSize\n"
    "*DefaultPageSize: Letter\n"
    "*PageSize Letter/Letter: \"<</PageSize[612 792]/ImagingBBox null>>setpagedevice\"\n"
    "*PageSize A4/A4: \"<</PageSize[595 842]/ImagingBBox null>>setpagedevice\"\n"
    "*CloseUI: *PageSize\n"
    "\n"
    "*OpenUI *PageRegion: PickOne\n"
    "*OrderDependency: 10 AnySetup *PageRegion\n"
    "*DefaultPageRegion: Letter\n"
    "*PageRegion Letter/Letter: \"<</PageSize[612 792]/ImagingBBox null>>setpagedevice\"\n"
    "*PageRegion A4/A4: \"<</PageSize[595 842]/ImagingBBox null>>setpagedevice\"\n"
    "*CloseUI: *PageRegion\n"
    "\n"
    "*DefaultImageableArea: Letter\n"
    "*ImageableArea Letter/Letter: \"18 18 594 774\"\n"
    "*ImageableArea A4/A4: \"18 18 577 824\"\n"
    "*DefaultPaperDimension: Letter\n"
    "*PaperDimension Letter/Letter: \"612 792\"\n"
    "*PaperDimension A4/A4: \"595 842\"\n"
    "\n"
    "*DefaultResolution: 300dpi\n"
    "*DefaultFont: Courier\n"
    "*Font Courier: Standard \"(002.004S)\" Standard ROM\n"
    "*Font Courier-Bold: Standard \"(002.004S)\" Standard ROM\n"
    "*Font Helvetica: Standard \"(001.006S)\" Standard ROM\n"
    "*Font Helvetica-Bold: Standard \"(001.007S)\" Standard ROM\n"
    "*Font Times-Roman: Standard \"(001.007S)\" Standard ROM\n"
    "*Font Times-Bold: Standard \"(001.007S)\" Standard ROM\n";

constexpr const char* kDriverName = "Docvane PostScript File Printer";

std::string failure(const char* step) {
  char text[160];
  std::snprintf(text, sizeof text, "%s failed (error %lu)", step, GetLastError());
  return text;
}

bool printerExists(const std::string& name) {
  HANDLE h = nullptr;
  if (!OpenPrinterA(const_cast<char*>(name.c_str()), &h, nullptr)) return false;
  ClosePrinter(h);
  return true;
}

}  // namespace

std::string installFilePrinter(const std::string& name) {
  if (printerExists(name)) return {};

  // The version-3 folder of the driver directory, where wineps.drv lives.
  char folder[MAX_PATH];
  DWORD needed = 0;
  if (!GetPrinterDriverDirectoryA(nullptr, nullptr, 1, reinterpret_cast<BYTE*>(folder), sizeof folder, &needed))
    return failure("GetPrinterDriverDirectory");
  std::string dir = std::string(folder) + "\\3";
  CreateDirectoryA(dir.c_str(), nullptr);
  std::string ppd = dir + "\\dvfileps.ppd";
  std::string driver = dir + "\\wineps.drv";

  BOOL ok = FALSE;
  DWORD written = 0;
  {
    dv::win32::UniqueHandle file(
        CreateFileA(ppd.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) return failure("writing the PPD");
    ok = WriteFile(file.get(), kPpd, static_cast<DWORD>(strlen(kPpd)), &written, nullptr);
  }
  if (!ok || written != strlen(kPpd)) return failure("writing the PPD");

  DRIVER_INFO_3A di{};
  di.cVersion = 3;
  di.pName = const_cast<char*>(kDriverName);
  di.pDriverPath = driver.data();
  di.pDataFile = ppd.data();
  di.pConfigFile = driver.data();
  di.pDefaultDataType = const_cast<char*>("RAW");
  if (!AddPrinterDriverA(nullptr, 3, reinterpret_cast<BYTE*>(&di)) &&
      GetLastError() != ERROR_PRINTER_DRIVER_ALREADY_INSTALLED)
    return failure("AddPrinterDriver");

  PRINTER_INFO_2A pi{};
  pi.pPrinterName = const_cast<char*>(name.c_str());
  pi.pPortName = const_cast<char*>("FILE:");
  pi.pDriverName = const_cast<char*>(kDriverName);
  pi.pPrintProcessor = const_cast<char*>("WinPrint");
  pi.pDatatype = const_cast<char*>("RAW");
  pi.Attributes = PRINTER_ATTRIBUTE_LOCAL;
  HANDLE printer = AddPrinterA(nullptr, 2, reinterpret_cast<BYTE*>(&pi));
  if (!printer) return failure("AddPrinter");
  ClosePrinter(printer);
  return {};
}

bool removePrinter(const std::string& name) {
  HANDLE h = nullptr;
  PRINTER_DEFAULTSA defaults{nullptr, nullptr, PRINTER_ALL_ACCESS};
  if (!OpenPrinterA(const_cast<char*>(name.c_str()), &h, &defaults)) return !printerExists(name);
  BOOL ok = DeletePrinter(h);
  ClosePrinter(h);
  return ok || !printerExists(name);
}

}  // namespace dv::winetest
