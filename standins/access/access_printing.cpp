#include "access/access_printing.h"

#include <fstream>
#include <vector>

#include "access/access_standin.h"
#include "dv/vb.h"
#include "word/word_standin.h"

namespace dv::standins::access {

namespace {

constexpr uint32_t kKeyRead = 0x20019;
constexpr const char* kPDFWriterKey = "Software\\Adobe\\Acrobat PDFWriter";

[[noreturn]] void cannotPrint() {
  throw AutomationError(kCannotPrint, kErrorSource, "Microsoft Access can't print the report.");
}

std::string readPDFWriterTarget(Registry& registry) {
  RegKey key = 0;
  if (registry.openKey(kHkeyCurrentUser, kPDFWriterKey, kKeyRead, key) != 0) return {};
  uint32_t type = 0, size = 0;
  std::string value;
  if (registry.queryValue(key, "PDFFilename", type, nullptr, size) == 0 && size > 0) {
    std::vector<uint8_t> data(size);
    if (registry.queryValue(key, "PDFFilename", type, &data, size) == 0) value.assign(data.begin(), data.end());
  }
  registry.closeKey(key);
  while (!value.empty() && value.back() == '\0') value.pop_back();
  return value;
}

// The PDF a PDF-making printer writes, through the spooler.
void spoolPdf(Environment& e, const std::string& target, const std::string& postScript) {
  if (!e.spool || !e.makePdf) cannotPrint();
  auto makePdf = e.makePdf;
  e.spool(target, [makePdf, postScript] { return makePdf(postScript); });
}

bool isPDFWriter(const std::string& printer) { return vb::compareText(vb::Trim(printer), kPDFWriter) == 0; }

}  // namespace

std::string printerPort(const std::string& printer) {
  Environment& e = environment();
  if (!printer.empty() && e.printers) {
    if (auto info = e.printers->printerInfo5(printer)) return info->portName;
  }
  return word::isPdfPrinter(printer) ? "Ne00:" : "";
}

bool printerInstalled(const std::string& printer) { return !printer.empty() && !printerPort(printer).empty(); }

void printReport(const std::string& printer, const std::string& postScript, const std::string& documentName) {
  Environment& e = environment();
  if (!printerInstalled(printer)) cannotPrint();
  if (isPDFWriter(printer)) {
    const std::string target = e.registry ? readPDFWriterTarget(*e.registry) : std::string();
    if (target.empty()) cannotPrint();
    spoolPdf(e, target, postScript);
    return;
  }
  if (word::isPdfPrinter(printer)) {
    // The PDF printer's own agent asks for the file once the job is spooled.
    if (!e.sendToQueue || !e.sendToQueue(printer, documentName, postScript).empty()) cannotPrint();
    return;
  }
  if (vb::compareText(printerPort(printer), "FILE:") == 0) {
    if (!e.askFileName || !e.spool) cannotPrint();
    std::optional<std::string> target = e.askFileName(kPrintToFileCaption);
    if (!target || target->empty()) return;
    e.spool(*target, [postScript] { return std::optional<std::string>(postScript); });
    return;
  }
  const std::string log = Control::instance().setting("PrintLog");
  if (log.empty()) return;
  std::ofstream out(log, std::ios::app | std::ios::binary);
  out << documentName << ", " << printer << "\r\n";
  if (!out) cannotPrint();
}

}  // namespace dv::standins::access
