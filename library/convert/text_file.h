// Text files to PDF or PostScript: through Word (a font, margins and page
// numbers set on the opened text), through Notepad printing on the default
// printer, or printed line by line through the default-printer text
// output.
#pragma once

#include <cstdint>
#include <string>

#include "convert/pipeline.h"
#include "convert/word.h"

namespace dv::lib {

// The Word parameters of the text methods, in their parameter order.
struct TextFileOptions {
  bool landscape = false;
  std::string font;  // blank keeps the document's font
  bool fontBold = false;
  int16_t fontSize = 8;
  int32_t fontColor = 0;
  bool fontItalic = false;
  bool fontUnderline = false;
  bool pageNumberInFooter = false;
  bool pageNumberInHeader = false;
  int32_t pageNumberAlignment = 1;                                         // AlignType
  float topMargin = 0, leftMargin = 0, rightMargin = 0, bottomMargin = 0;  // points; 0 keeps Word's
  bool firstPage = false;
};

// Word with a file it opens by name alone (no passwords): the text and
// miscellaneous-file methods. Printing sets alerts off first.
class PlainWordPrintJob : public WordPrintJob {
 public:
  PlainWordPrintJob(Automation& automation, std::string file, bool printToFileFlag);
  void open() override;
};

// The text methods' Word: page settings and one font for the whole text.
class TextWordPrintJob : public WordPrintJob {
 public:
  TextWordPrintJob(Automation& automation, std::string file, TextFileOptions options);
  void open() override;
  void selectPrinter(const std::string& printer) override;
  void close() override;
  void abandon() noexcept override;

 private:
  TextFileOptions text_;
  ObjectPtr font_;
};

// The text CreatePSfromTextFile3 prints: three line breaks, then every
// line of the file indented by `rightMargin` blanks, three more line
// breaks before about every 81st line. A negative margin is VB's invalid
// procedure call (Space of a negative count).
std::string textForDefaultPrinter(const std::string& fileText, int16_t rightMargin);

// Notepad from the system folder, by full path: a bare "notepad.exe" is
// looked up in the client's current folder first.
std::string notepadCommandLine(Host& host, const std::string& textFile);

void createPDFfromTextFile(ConversionContext& ctx, const std::string& pdf, const std::string& textFile,
                           const TextFileOptions& options, std::string& distiller, const DistillSettings& settings);
void createPDFfromTextFile2(ConversionContext& ctx, const std::string& pdf, const std::string& textFile,
                            const TextFileOptions& options, std::string& distiller, bool closeAcrobat,
                            const std::string& saveWindowCaption);
void createPDFfromTextFile3(ConversionContext& ctx, const std::string& pdf, const std::string& textFile,
                            const std::string& distiller, bool closeAcrobat, const std::string& saveWindowCaption);
void createPSfromTextFile(ConversionContext& ctx, const std::string& ps, const std::string& textFile,
                          const TextFileOptions& options, std::string& distiller);
void createPSfromTextFile2(ConversionContext& ctx, const std::string& ps, const std::string& textFile,
                           const std::string& distiller, const std::string& saveWindowCaption);
void createPSfromTextFile3(ConversionContext& ctx, const std::string& ps, const std::string& textFile,
                           int16_t rightMargin, const std::string& distiller, const std::string& saveWindowCaption);

}  // namespace dv::lib
