// Word documents to PDF or PostScript: Word is opened through automation,
// optionally turned to landscape and given page numbers, and printed in
// the foreground through one of the pipeline shapes.
#pragma once

#include <cstdint>
#include <string>

#include "convert/pipeline.h"

namespace dv::lib {

// The document parameters all five Word members share.
struct WordOptions {
  std::string password;
  std::string writePassword;
  std::string pages;  // Word's page list ("1-3,5"); blank prints all pages
  bool landscape = false;
  bool pageNumberInFooter = false;
  bool pageNumberInHeader = false;
  int32_t pageNumberAlignment = 1;  // AlignType: 0 left, 1 centre, 2 right
  bool firstPage = false;
};

inline constexpr const char* kWordProgId = "Word.Application";
inline constexpr const char* kGenericPostScriptPrinter = "Generic PostScript Printer";

// Word's page-number alignment for an AlignType value: anything but left
// and right centres.
int32_t wordPageNumberAlignment(int32_t alignType);

// Page numbers in the primary footer ("Footers") or header ("Headers") of
// the document's first section.
void addPageNumbers(Object& doc, const char* headersOrFooters, int32_t alignment, bool firstPage);

// One Word instance and document for one conversion call.
class WordPrintJob : public PrintJob {
 public:
  // `printToFileFlag`: the print call adds PrintToFile:=True (printing
  // through a PostScript driver rather than the Distiller printer).
  WordPrintJob(Automation& automation, std::string document, WordOptions options, bool printToFileFlag);
  void open() override;
  void selectPrinter(const std::string& printer) override;
  void printToFile(const std::string& path) override;
  void printToPdfPrinter() override;
  void close() override;
  void abandon() noexcept override;

 protected:
  void printOut(const std::string* outputFile);
  Automation& automation_;
  std::string document_;
  WordOptions options_;
  bool printToFileFlag_;
  ObjectPtr word_;
  ObjectPtr doc_;
  std::string savedPrinter_;
};

void createPDFfromWord(ConversionContext& ctx, const std::string& pdf, const std::string& document,
                       const WordOptions& options, std::string& distiller, const DistillSettings& settings);
void createPDFfromWord2(ConversionContext& ctx, const std::string& pdf, const std::string& document,
                        const WordOptions& options, std::string& distiller, bool closeAcrobat,
                        const std::string& saveWindowCaption);
void createPDFfromWord3(ConversionContext& ctx, const std::string& pdf, const std::string& document,
                        std::string& printer, const WordOptions& options, const DistillSettings& settings);
void createPSfromWord(ConversionContext& ctx, const std::string& ps, const std::string& document,
                      const WordOptions& options, std::string& distiller);
void createPSfromWord2(ConversionContext& ctx, const std::string& ps, const std::string& document, std::string& printer,
                       const WordOptions& options);

}  // namespace dv::lib
