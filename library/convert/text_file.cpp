#include "convert/text_file.h"

#include <utility>

#include "dv/trace.h"
#include "dv/vb.h"

namespace dv::lib {

namespace {
constexpr int32_t kWdOrientPortrait = 0;
constexpr int32_t kWdOrientLandscape = 1;
constexpr int kLinesBeforeBreak = 80;
const char* const kLineBreak = "\r\n";

// The file's lines as VB's Line Input reads them: CR LF, CR or LF ends one.
std::vector<std::string> fileLines(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      lines.push_back(std::move(line));
      line.clear();
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      line += c;
    }
  }
  if (!line.empty()) lines.push_back(std::move(line));
  return lines;
}
}  // namespace

PlainWordPrintJob::PlainWordPrintJob(Automation& automation, std::string file, bool printToFileFlag)
    : WordPrintJob(automation, std::move(file), {}, printToFileFlag) {}

void PlainWordPrintJob::open() {
  word_ = automation_.createObject(kWordProgId);
  doc_ = asObject(asObject(word_->get("Documents"))->call("Open", {pos(document_)}));
  word_->let("DisplayAlerts", Variant(int16_t{0}));
}

TextWordPrintJob::TextWordPrintJob(Automation& automation, std::string file, TextFileOptions options)
    : WordPrintJob(automation, std::move(file), {}, false), text_(std::move(options)) {}

void TextWordPrintJob::open() {
  word_ = automation_.createObject(kWordProgId);
  doc_ = asObject(asObject(word_->get("Documents"))->call("Open", {pos(document_)}));
  asObject(doc_->get("PageSetup"))
      ->let("Orientation", Variant(text_.landscape ? kWdOrientLandscape : kWdOrientPortrait));
  font_ = asObject(asObject(doc_->get("Content"))->get("Font"));
  if (!vb::Trim(text_.font).empty()) font_->let("Name", Variant(text_.font));
  font_->let("Bold", Variant(text_.fontBold));
  font_->let("Size", Variant(text_.fontSize));
  font_->let("Color", Variant(text_.fontColor));
  font_->let("Italic", Variant(text_.fontItalic));
  font_->let("Underline", Variant(text_.fontUnderline));
  const int32_t alignment = wordPageNumberAlignment(text_.pageNumberAlignment);
  if (text_.pageNumberInFooter) addPageNumbers(*doc_, "Footers", alignment, text_.firstPage);
  if (text_.pageNumberInHeader) addPageNumbers(*doc_, "Headers", alignment, text_.firstPage);
  const std::pair<const char*, float> margins[] = {{"TopMargin", text_.topMargin},
                                                   {"LeftMargin", text_.leftMargin},
                                                   {"RightMargin", text_.rightMargin},
                                                   {"BottomMargin", text_.bottomMargin}};
  ObjectPtr setup;
  for (const auto& margin : margins) {
    if (margin.second <= 0) continue;
    if (!setup) setup = asObject(doc_->get("PageSetup"));
    setup->let(margin.first, Variant(margin.second));
  }
}

void TextWordPrintJob::selectPrinter(const std::string& printer) {
  word_->let("DisplayAlerts", Variant(int16_t{0}));
  WordPrintJob::selectPrinter(printer);
}

void TextWordPrintJob::close() {
  word_->let("ActivePrinter", Variant(savedPrinter_));
  word_->let("DisplayAlerts", Variant(true));
  font_->call("Reset");
  font_.reset();
  doc_->call("Close", {pos(false)});
  doc_.reset();
  word_->call("Quit");
  word_.reset();
}

void TextWordPrintJob::abandon() noexcept {
  font_.reset();
  WordPrintJob::abandon();
}

std::string textForDefaultPrinter(const std::string& fileText, int16_t rightMargin) {
  if (rightMargin < 0) vb::raise(vb::kInvalidProcedureCall);
  const std::string indent(static_cast<size_t>(rightMargin), ' ');
  std::string text = std::string(kLineBreak) + kLineBreak + kLineBreak;
  int counter = 3;
  for (const std::string& line : fileLines(fileText)) {
    if (counter > kLinesBeforeBreak) {
      counter = 3;
      text += std::string(kLineBreak) + kLineBreak + kLineBreak;
    } else {
      ++counter;
    }
    text += indent + line + kLineBreak;
  }
  return text;
}

std::string notepadCommandLine(Host& host, const std::string& textFile) {
  return "\"" + host.shell.systemDirectory() + "\\notepad.exe\" /p \"" + textFile + "\"";
}

void createPDFfromTextFile(ConversionContext& ctx, const std::string& pdf, const std::string& textFile,
                           const TextFileOptions& options, std::string& distiller, const DistillSettings& settings) {
  TextWordPrintJob job(ctx.host().automation, textFile, options);
  runDistillerShape(ctx, textFile, job, {&distiller, true}, pdf, settings);
}

void createPDFfromTextFile2(ConversionContext& ctx, const std::string& pdf, const std::string& textFile,
                            const TextFileOptions& options, std::string& distiller, bool closeAcrobat,
                            const std::string& saveWindowCaption) {
  TextWordPrintJob job(ctx.host().automation, textFile, options);
  PdfPrinterOptions pdfOptions;
  pdfOptions.saveWindowCaption = saveWindowCaption;
  pdfOptions.closeAcrobat = closeAcrobat;
  // The PDF printer writes after the job was spooled.
  pdfOptions.waitForFile = true;
  runPdfPrinterShape(ctx, textFile, job, {&distiller, true}, pdf, pdfOptions);
}

void createPSfromTextFile(ConversionContext& ctx, const std::string& ps, const std::string& textFile,
                          const TextFileOptions& options, std::string& distiller) {
  TextWordPrintJob job(ctx.host().automation, textFile, options);
  runPostScriptShape(ctx, textFile, job, {&distiller, true}, ps);
}

namespace {
void printWithNotepad(ConversionContext& ctx, const std::string& target, const std::string& textFile,
                      const std::string& distiller, bool closeAcrobat, const std::string& saveWindowCaption) {
  DefaultPrinterOptions options;
  options.saveWindowCaption = saveWindowCaption;
  options.closeAcrobat = closeAcrobat;
  Host& host = ctx.host();
  runDefaultPrinterShape(ctx, textFile, distiller, target, options, [&] {
    const std::string command = notepadCommandLine(host, textFile);
    // Without Notepad nothing will ever write the file: no point waiting.
    if (!host.processes.startHidden(command)) vb::raiseLibrary("Notepad could not be started (" + command + ").");
  });
}
}  // namespace

void createPDFfromTextFile3(ConversionContext& ctx, const std::string& pdf, const std::string& textFile,
                            const std::string& distiller, bool closeAcrobat, const std::string& saveWindowCaption) {
  printWithNotepad(ctx, pdf, textFile, distiller, closeAcrobat, saveWindowCaption);
}

void createPSfromTextFile2(ConversionContext& ctx, const std::string& ps, const std::string& textFile,
                           const std::string& distiller, const std::string& saveWindowCaption) {
  printWithNotepad(ctx, ps, textFile, distiller, false, saveWindowCaption);
}

void createPSfromTextFile3(ConversionContext& ctx, const std::string& ps, const std::string& textFile,
                           int16_t rightMargin, const std::string& distiller, const std::string& saveWindowCaption) {
  DefaultPrinterOptions options;
  options.saveWindowCaption = saveWindowCaption;
  Host& host = ctx.host();
  runDefaultPrinterShape(ctx, textFile, distiller, ps, options, [&] {
    std::optional<std::string> bytes = host.files.readFile(textFile);
    if (!bytes) vb::raise(vb::kFileNotFound);
    const std::string text = textForDefaultPrinter(host.files.fromAnsi(*bytes), rightMargin);
    // A job that never reached the printer will never write the file.
    if (!host.printers.printTextOnDefault(kLineBreak + text))
      vb::raiseLibrary("The text of " + textFile + " could not be printed on the default printer.");
  });
}

}  // namespace dv::lib
