#include "frame/create_pdf.h"

#include "dv/vb.h"
#include "frame/library_values.h"
#include "frame/registry.h"

namespace dv::lib {

namespace {

constexpr int32_t kHklm = static_cast<int32_t>(kHkeyLocalMachine);

// Creation ignores the errors of every step; a failing step leaves the
// value it was about to change as it was.
template <typename Step>
void ignoringErrors(Step&& step) {
  try {
    step();
  } catch (const AutomationError&) {
  }
}

}  // namespace

int16_t ReadAccessVersion(Host& host) {
  int16_t version = 0;
  ignoringErrors([&] {
    clsRegistry registry(host.registry, host.ui);
    OpenApplicationKey(registry, kHklm, kAccessVersionKey);
    std::string curVer = vb::CStr(registry.GetValue(""));
    registry.CloseRegistry();
    size_t dot = curVer.rfind('.');
    if (dot == std::string::npos) return;
    version = vb::CInt(Variant(curVer.substr(dot + 1)));
  });
  return version;
}

void readConfiguration(Host& host) {
  LibraryValues& values = libraryValues();
  values.DistillerPrinterName = "Acrobat Distiller";
  clsRegistry registry(host.registry, host.ui);
  ignoringErrors([&] {
    OpenApplicationKey(registry, kHklm, kAcrobatVersionKey);
    values.AcrobatVersionText = vb::CStr(registry.GetValue(""));
  });
  ignoringErrors([&] {
    if (viewerVersion(values.AcrobatVersionText) > 5) values.DistillerPrinterName = "Adobe PDF";
  });
  for (const char* key : kDistillerPrinterKeys) {
    ignoringErrors([&] {
      if (OpenApplicationKey(registry, kHklm, key)) values.DistillerPrinterName = vb::CStr(registry.GetValue(""));
    });
  }
  ignoringErrors([&] { host.files.createFolder(kDefaultTempFolder); });
  values.TempFolder = std::string(kDefaultTempFolder) + "\\";
  values.configured = true;
}

CreatePdf::CreatePdf(Host host) : host_(host) {
  readConfiguration(host_);
  accessVersion_ = ReadAccessVersion(host_);
}

CreatePdf::~CreatePdf() = default;

std::string CreatePdf::AcrobatVersion() const { return libraryValues().AcrobatVersionText; }

std::string CreatePdf::PrinterName() const { return libraryValues().DistillerPrinterName; }

std::string CreatePdf::TempFilePath() const { return libraryValues().TempFolder; }

void CreatePdf::setTempFilePath(const std::string& p) {
  // An empty path names no folder; taking it would send every temporary
  // file to the root of the current drive.
  if (p.empty()) return;
  int result = 0;
  try {
    result = host_.files.createFolder(p);
  } catch (const AutomationError& e) {
    result = vb::runtimeErrorOf(e.number());
    if (result == 0) return;
  }
  if (result != 0 && result != vb::kPathFileAccess) return;
  std::string folder = p;
  if (folder.empty() || folder.back() != '\\') folder += '\\';
  libraryValues().TempFolder = folder;
}

void CreatePdf::OpenDocument(const std::string& strPDF) { libraryValues().OpenDocumentPath = strPDF; }

void CreatePdf::raiseEvent(std::string_view name, std::vector<Variant>& args) {
  if (eventSink_) eventSink_->onEvent(name, args);
}

}  // namespace dv::lib
