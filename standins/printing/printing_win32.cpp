#include <windows.h>
#include <winspool.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "dv/standins/printing.h"
#include "dv/win32/handle.h"

namespace dv::standins::printing {

namespace {

// Letter and A4 with the standard fonts: enough for wineps to create a
// device context and write PostScript.
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

bool queueExists(const std::string& name) {
  HANDLE h = nullptr;
  if (!OpenPrinterA(const_cast<char*>(name.c_str()), &h, nullptr)) return false;
  ClosePrinter(h);
  return true;
}

std::string setValue(HKEY root, const char* key, const std::string& name, const std::string& value) {
  HKEY k = nullptr;
  if (RegCreateKeyExA(root, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &k, nullptr) != ERROR_SUCCESS)
    return std::string("opening ") + key + " failed";
  LONG rc = RegSetValueExA(k, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                           static_cast<DWORD>(value.size() + 1));
  RegCloseKey(k);
  return rc == ERROR_SUCCESS ? std::string() : std::string("writing ") + key + "\\" + name + " failed";
}

}  // namespace

const std::vector<std::string>& pdfPrinterQueues() {
  static const std::vector<std::string> names{"Adobe PDF", "Acrobat Distiller"};
  return names;
}

std::string shellQuote(const std::string& text) {
  std::string out = "'";
  for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

std::string installPostScriptQueue(const std::string& name, const std::string& port) {
  if (queueExists(name)) return {};

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
  pi.pPortName = const_cast<char*>(port.c_str());
  pi.pDriverName = const_cast<char*>(kDriverName);
  pi.pPrintProcessor = const_cast<char*>("WinPrint");
  pi.pDatatype = const_cast<char*>("RAW");
  pi.Attributes = PRINTER_ATTRIBUTE_LOCAL;
  HANDLE printer = AddPrinterA(nullptr, 2, reinterpret_cast<BYTE*>(&pi));
  if (!printer) return failure("AddPrinter");
  ClosePrinter(printer);
  return {};
}

bool removeQueue(const std::string& name) {
  HANDLE h = nullptr;
  PRINTER_DEFAULTSA defaults{nullptr, nullptr, PRINTER_ALL_ACCESS};
  if (!OpenPrinterA(const_cast<char*>(name.c_str()), &h, &defaults)) return !queueExists(name);
  BOOL ok = DeletePrinter(h);
  ClosePrinter(h);
  return ok || !queueExists(name);
}

std::string installStandInPrinters(const std::string& standinsFolder) {
  // Wine's spooler runs a port mapped to "|command" through /bin/sh with
  // the job on standard input. The agent reads it and returns, so the
  // print call ends before the file is asked for, as with a spooled job.
  const std::string agent = standinsFolder + "\\" + kAgentProgram;
  const std::string command = "|exec \"${WINELOADER:-wine}\" " + shellQuote(agent) + " --spool";
  std::string error =
      setValue(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows NT\\CurrentVersion\\Ports", kPdfPrinterPort, "");
  if (error.empty()) error = setValue(HKEY_CURRENT_USER, "Software\\Wine\\Printing\\Spooler", kPdfPrinterPort, command);
  for (const std::string& name : pdfPrinterQueues()) {
    if (error.empty()) error = installPostScriptQueue(name, kPdfPrinterPort);
  }
  if (error.empty()) error = installPostScriptQueue(kGenericPostScriptPrinter, "FILE:");
  return error;
}

void journal(const std::string& line) {
  char path[1024] = {};
  DWORD size = sizeof path;
  if (RegGetValueA(HKEY_CURRENT_USER, "Software\\DvStandins", "JournalFile", RRF_RT_REG_SZ, nullptr, path, &size) !=
          ERROR_SUCCESS ||
      !path[0])
    return;
  dv::win32::UniqueHandle file(
      CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS, 0, nullptr));
  if (!file.valid()) return;
  const std::string text = line + "\n";
  DWORD written = 0;
  WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

std::string installAccessories(const std::string& standinsFolder) {
  char system[MAX_PATH] = {};
  GetSystemDirectoryA(system, MAX_PATH);
  const std::pair<const char*, const char*> programs[] = {{"notepad_standin.exe", "notepad.exe"},
                                                          {"shimgvw_standin.dll", "shimgvw.dll"}};
  for (const auto& program : programs) {
    const std::string from = standinsFolder + "\\" + program.first;
    const std::string to = std::string(system) + "\\" + program.second;
    if (!CopyFileA(from.c_str(), to.c_str(), FALSE)) return failure(("copying " + from).c_str());
  }
  // Wine prefers its built-in programs of these names unless told otherwise.
  std::string error = setValue(HKEY_CURRENT_USER, "Software\\Wine\\DllOverrides", "notepad.exe", "native");
  if (error.empty()) error = setValue(HKEY_CURRENT_USER, "Software\\Wine\\DllOverrides", "shimgvw", "native");
  return error;
}

std::string defaultPrinter() {
  char name[512] = {};
  DWORD size = sizeof name;
  return GetDefaultPrinterA(name, &size) ? std::string(name) : std::string();
}

std::string sendPostScript(const std::string& printer, const std::string& documentName, const std::string& postScript) {
  HANDLE h = nullptr;
  if (!OpenPrinterA(const_cast<char*>(printer.c_str()), &h, nullptr)) return failure("OpenPrinter");
  DOC_INFO_1A doc{const_cast<char*>(documentName.c_str()), nullptr, const_cast<char*>("RAW")};
  std::string error;
  if (StartDocPrinterA(h, 1, reinterpret_cast<BYTE*>(&doc)) == 0) {
    error = failure("StartDocPrinter");
  } else {
    DWORD written = 0;
    const bool wrote =
        StartPagePrinter(h) &&
        WritePrinter(h, const_cast<char*>(postScript.data()), static_cast<DWORD>(postScript.size()), &written) &&
        written == postScript.size();
    if (!wrote) {
      // Half a job must not reach the printer.
      error = failure("WritePrinter");
      AbortPrinter(h);
    } else {
      EndPagePrinter(h);
      if (!EndDocPrinter(h)) error = failure("EndDocPrinter");
    }
  }
  ClosePrinter(h);
  return error;
}

}  // namespace dv::standins::printing
