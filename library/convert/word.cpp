#include "convert/word.h"

#include <utility>

#include "dv/trace.h"
#include "dv/vb.h"

namespace dv::lib {

namespace {
constexpr int16_t kWdPrintRangeOfPages = 4;
constexpr int32_t kWdOrientPortrait = 0;
constexpr int32_t kWdOrientLandscape = 1;
constexpr int32_t kWdHeaderFooterPrimary = 1;
}  // namespace

// d.Sections(1).Footers(1).PageNumbers.Add(...) or the same on Headers(1).
void addPageNumbers(Object& doc, const char* headersOrFooters, int32_t alignment, bool firstPage) {
  ObjectPtr section = asObject(asObject(doc.get("Sections"))->get("Item", {pos(int32_t{1})}));
  ObjectPtr headerFooter =
      asObject(asObject(section->get(headersOrFooters))->get("Item", {pos(kWdHeaderFooterPrimary)}));
  asObject(headerFooter->get("PageNumbers"))
      ->call("Add", {named("PageNumberAlignment", alignment), named("FirstPage", firstPage)});
}

int32_t wordPageNumberAlignment(int32_t alignType) { return alignType == 0 || alignType == 2 ? alignType : 1; }

WordPrintJob::WordPrintJob(Automation& automation, std::string document, WordOptions options, bool printToFileFlag)
    : automation_(automation),
      document_(std::move(document)),
      options_(std::move(options)),
      printToFileFlag_(printToFileFlag) {}

void WordPrintJob::open() {
  word_ = automation_.createObject(kWordProgId);
  doc_ = asObject(asObject(word_->get("Documents"))
                      ->call("Open", {pos(document_), named("PasswordDocument", options_.password),
                                      named("WritePasswordDocument", options_.writePassword)}));
  word_->let("DisplayAlerts", Variant(int16_t{0}));
  // A document whose page setup cannot be changed is printed as it is.
  try {
    asObject(doc_->get("PageSetup"))
        ->let("Orientation", Variant(options_.landscape ? kWdOrientLandscape : kWdOrientPortrait));
  } catch (const AutomationError&) {
  }
  const int32_t alignment = wordPageNumberAlignment(options_.pageNumberAlignment);
  if (options_.pageNumberInFooter) addPageNumbers(*doc_, "Footers", alignment, options_.firstPage);
  if (options_.pageNumberInHeader) addPageNumbers(*doc_, "Headers", alignment, options_.firstPage);
}

void WordPrintJob::selectPrinter(const std::string& printer) {
  savedPrinter_ = vb::CStr(word_->get("ActivePrinter"));
  word_->let("ActivePrinter", Variant(printer));
}

void WordPrintJob::printOut(const std::string* outputFile) {
  Args args;
  if (outputFile) args.push_back(named("Outputfilename", *outputFile));
  if (!vb::Trim(options_.pages).empty()) {
    args.push_back(named("Range", kWdPrintRangeOfPages));
    args.push_back(named("Pages", options_.pages));
  }
  args.push_back(named("Background", false));
  if (printToFileFlag_) args.push_back(named("PrintToFile", true));
  doc_->call("PrintOut", std::move(args));
}

void WordPrintJob::printToFile(const std::string& path) { printOut(&path); }

void WordPrintJob::printToPdfPrinter() { printOut(nullptr); }

void WordPrintJob::close() {
  word_->let("ActivePrinter", Variant(savedPrinter_));
  word_->let("DisplayAlerts", Variant(true));
  doc_->call("Close", {pos(false)});
  doc_.reset();
  word_->call("Quit");
  word_.reset();
}

void WordPrintJob::abandon() noexcept {
  if (doc_) {
    try {
      doc_->call("Close", {pos(false)});
    } catch (...) {
      trace("closing the Word document after a failure", currentErrorText());
    }
    doc_.reset();
  }
  if (word_) {
    try {
      word_->call("Quit");
    } catch (...) {
      trace("quitting Word after a failure", currentErrorText());
    }
    word_.reset();
  }
}

void createPDFfromWord(ConversionContext& ctx, const std::string& pdf, const std::string& document,
                       const WordOptions& options, std::string& distiller, const DistillSettings& settings) {
  WordPrintJob job(ctx.host().automation, document, options, false);
  runDistillerShape(ctx, document, job, {&distiller, true}, pdf, settings);
}

void createPDFfromWord2(ConversionContext& ctx, const std::string& pdf, const std::string& document,
                        const WordOptions& options, std::string& distiller, bool closeAcrobat,
                        const std::string& saveWindowCaption) {
  WordPrintJob job(ctx.host().automation, document, options, false);
  PdfPrinterOptions pdfOptions;
  pdfOptions.saveWindowCaption = saveWindowCaption;
  pdfOptions.closeAcrobat = closeAcrobat;
  // PrintOut returns once the job is spooled; the PDF printer writes the
  // file after that, so the call waits for it.
  pdfOptions.waitForFile = true;
  runPdfPrinterShape(ctx, document, job, {&distiller, true}, pdf, pdfOptions);
}

void createPDFfromWord3(ConversionContext& ctx, const std::string& pdf, const std::string& document,
                        std::string& printer, const WordOptions& options, const DistillSettings& settings) {
  WordPrintJob job(ctx.host().automation, document, options, true);
  runDistillerShape(ctx, document, job, {&printer, false}, pdf, settings);
}

void createPSfromWord(ConversionContext& ctx, const std::string& ps, const std::string& document,
                      const WordOptions& options, std::string& distiller) {
  WordPrintJob job(ctx.host().automation, document, options, false);
  runPostScriptShape(ctx, document, job, {&distiller, true}, ps);
}

void createPSfromWord2(ConversionContext& ctx, const std::string& ps, const std::string& document, std::string& printer,
                       const WordOptions& options) {
  WordPrintJob job(ctx.host().automation, document, options, true);
  runPostScriptShape(ctx, document, job, {&printer, false}, ps);
}

}  // namespace dv::lib
