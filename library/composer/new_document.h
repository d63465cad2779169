// The NewDocument composer: a document built piece by piece in a Word
// instance of its own and turned into a PDF through a PostScript file and
// Distiller. The library keeps no model of the document; every member acts
// on Word at once.
#pragma once

#include <cstdint>
#include <string>

#include "convert/pipeline.h"
#include "dv/automation.h"
#include "frame/objects.h"

namespace dv::lib {

inline constexpr const char* kComposerWordProgId = "Word.Application";

// What the composer reads of the thread's library-wide values, and the
// pipeline steps it shares with CreatePDF. Distiller's job events have no
// receiver here: the composer's Distiller is local and silent.
class ComposerContext : public ConversionContext {
 public:
  explicit ComposerContext(Host& host) : host_(host) {}
  Host& host() override { return host_; }
  std::string printerName() override;
  std::string tempFolder() override;
  double viewerVersion() override;
  std::vector<std::string> startSavePdfRelay(const std::string& caption, const std::string& path) override;
  bool closeAcrobat(bool waitUntilClosed, int16_t timeout) override;
  void createPdfFromMultiPdf(const std::string& pdf, const Variant& pdfFiles, bool createBookmarks) override;
  void setActiveDistiller(ObjectPtr) override {}
  void raiseEvent(std::string_view, std::vector<Variant>&) override {}
  std::string currentDefaultPrinter() override;
  void setDefaultPrinter(const std::string& printer) override;

 private:
  Host& host_;
};

// The Save parameters after the first.
struct ComposerSaveOptions {
  std::string distiller;
  bool showWindow = false;
  bool spoolJobs = false;
  std::string jobOptionsFile;
  bool applySecurity = false;
};

class NewDocument : public NewDocumentCore {
 public:
  // Creation: starts Word, adds the document, sets Letter portrait with
  // one-inch margins and half-inch header and footer distances and saves
  // the working file. Never fails; IsOpen is True afterwards.
  explicit NewDocument(Host host);
  // Destruction closes the document unsaved, quits Word and deletes the
  // working file, ignoring errors.
  ~NewDocument() override;

  bool IsOpen() const { return isOpen_; }
  const std::string& workingFile() const { return workingFile_; }

  // The page-setup cache: getters answer the last accepted value (0 or
  // False until then); a value out of range is dropped silently.
  float TopMargin() const { return topMargin_; }
  float BottomMargin() const { return bottomMargin_; }
  float LeftMargin() const { return leftMargin_; }
  float RightMargin() const { return rightMargin_; }
  float HeaderDistance() const { return headerDistance_; }
  float FooterDistance() const { return footerDistance_; }
  int32_t PageSize() const { return pageSize_; }
  bool Landscape() const { return landscape_; }
  void setTopMargin(float value);
  void setBottomMargin(float value);
  void setLeftMargin(float value);
  void setRightMargin(float value);
  void setHeaderDistance(float value);
  void setFooterDistance(float value);
  void setPageSize(int32_t value);
  void setLandscape(bool value);

  // Composing; every step ignores its errors.
  void PrintDoc(const std::string& strText, int32_t intTextStyle = 0, int32_t lngColor = 0, int16_t intSize = 12,
                const std::string& strFont = "Times New Roman");
  void PrintDocln(const std::string& strText, int32_t intTextJustify = 0, int32_t intTextStyle = 0,
                  int32_t lngColor = 0, int16_t intSize = 0, const std::string& strFont = "");
  void NewLine(int16_t intLines = 1);
  void AddPageBreak();
  void AddPageNumber(bool blnInFooter = false, int32_t intPageNoAlignment = 0, bool blnFirstPage = true);
  void FindAndReplace(const std::string& strTextToFind, const std::string& strReplaceWithText, bool blnMatchCase,
                      bool blnMatchWholeWord);
  // Raises for a missing file before anything is inserted, and passes
  // Word's errors on.
  void AddImage(const std::string& strImageFile, float sngLeft = 0, float sngTop = 0, float sngWidth = 0,
                float sngHeight = 0);
  // Prints the document to a temporary PostScript file and distils it
  // into strPDF; the document stays open. Errors are passed on after the
  // PostScript file is deleted and Word's printer is put back.
  void Save(const std::string& strPDF, const ComposerSaveOptions& options = {});
  void CloseDoc();

 private:
  Object& word();
  Object& document();
  ObjectPtr pageSetup();
  ObjectPtr endRange();
  ObjectPtr newParagraph();
  void writeLength(const char* member, float inches);
  void close() noexcept;

  ComposerContext ctx_;
  ObjectPtr word_;
  ObjectPtr doc_;
  std::string workingFile_;
  bool isOpen_ = false;
  float topMargin_ = 0, bottomMargin_ = 0, leftMargin_ = 0, rightMargin_ = 0;
  float headerDistance_ = 0, footerDistance_ = 0;
  int32_t pageSize_ = 0;
  bool landscape_ = false;
};

// The font flags of a TextStyleType, in the order they are set.
std::vector<const char*> textStyleFlags(int32_t style);

}  // namespace dv::lib
