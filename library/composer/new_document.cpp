#include "composer/new_document.h"

#include "dv/trace.h"
#include "dv/vb.h"
#include "frame/create_pdf.h"
#include "frame/library_values.h"
#include "frame/printers.h"
#include "relaylaunch/relay_launch.h"
#include "viewer/pdf_merge.h"
#include "viewer/viewer_session.h"

namespace dv::lib {

namespace {

constexpr int32_t kWdPaperLetter = 2;
constexpr int32_t kWdOrientPortrait = 0;
constexpr int32_t kWdOrientLandscape = 1;
constexpr int32_t kWdPageBreak = 7;
constexpr int32_t kWdReplaceAll = 2;
constexpr int32_t kWdHeaderFooterPrimary = 1;
constexpr int32_t kWdAlignPageNumberRight = 2;
constexpr int32_t kColorLimit = 16777216;
constexpr const char* kCrLf = "\r\n";
// Lengths are compared as the single-precision numbers they arrive as.
constexpr float kMarginMin = 0.17f;
constexpr float kSideMarginMin = 0.25f;
constexpr float kLengthMax = 22.0f;

// One step of a member that ignores errors: a failing step is skipped.
template <typename Step>
void step(const char* what, Step&& body) {
  try {
    body();
  } catch (const AutomationError& e) {
    trace(what, e.description());
  }
}

bool within(float value, float low, float high) { return value >= low && value <= high; }

}  // namespace

// ---- What the composer reads of the thread ----

std::string ComposerContext::printerName() { return libraryValues().DistillerPrinterName; }
std::string ComposerContext::tempFolder() { return libraryValues().TempFolder; }
double ComposerContext::viewerVersion() { return lib::viewerVersion(); }

std::vector<std::string> ComposerContext::startSavePdfRelay(const std::string& caption, const std::string& path) {
  return locateRelay(host_).start({relaySavePdfFileAs(caption, path)});
}

bool ComposerContext::closeAcrobat(bool waitUntilClosed, int16_t timeout) {
  ViewerContext viewer{host_, [] { return lib::viewerVersion(); }};
  return lib::closeAcrobat(viewer, waitUntilClosed, timeout);
}

void ComposerContext::createPdfFromMultiPdf(const std::string& pdf, const Variant& pdfFiles, bool createBookmarks) {
  ViewerContext viewer{host_, [] { return lib::viewerVersion(); }};
  lib::createPdfFromMultiPdf(viewer, pdf, pdfFiles, createBookmarks);
}

std::string ComposerContext::currentDefaultPrinter() { return lib::currentDefaultPrinter(host_); }
void ComposerContext::setDefaultPrinter(const std::string& printer) { setDefPrinter(host_, printer); }

std::vector<const char*> textStyleFlags(int32_t style) {
  switch (style) {
    case 1:
      return {"Bold"};
    case 2:
      return {"Italic"};
    case 3:
      return {"Underline"};
    case 4:
      return {"Bold", "Underline"};
    case 5:
      return {"Bold", "Italic"};
    case 6:
      return {"Italic", "Underline"};
    case 7:
      return {"Bold", "Italic", "Underline"};
    case 8:
      return {"Strikethrough"};
    case 9:
      return {"Strikethrough", "Bold"};
    case 10:
      return {"Strikethrough", "Bold", "Italic"};
    default:
      return {};
  }
}

namespace {

constexpr const char* kClearedFlags[] = {"Strikethrough", "Bold", "Italic", "Underline"};

// ApplyTextStyle on a range: the flags on the range's Font.
void applyTextStyle(const ObjectPtr& range, int32_t style) {
  for (const char* flag : kClearedFlags)
    step("clearing a font flag", [&] { asObject(range->get("Font"))->let(flag, Variant(false)); });
  for (const char* flag : textStyleFlags(style))
    step("setting a font flag", [&] { asObject(range->get("Font"))->let(flag, Variant(true)); });
}

// ApplyTextStyle on a paragraph: cleared on the paragraph's Font (which
// Word's Paragraph does not have, so those steps fail and are skipped),
// set on its Range.Font.
void applyParagraphTextStyle(const ObjectPtr& paragraph, int32_t style) {
  for (const char* flag : kClearedFlags)
    step("clearing a paragraph font flag", [&] { asObject(paragraph->get("Font"))->let(flag, Variant(false)); });
  for (const char* flag : textStyleFlags(style)) {
    step("setting a paragraph font flag",
         [&] { asObject(asObject(paragraph->get("Range"))->get("Font"))->let(flag, Variant(true)); });
  }
}

}  // namespace

// ---- Creation and end ----

NewDocument::NewDocument(Host host) : NewDocumentCore(host), ctx_(this->host()) {
  // Without a CreatePDF on this thread the values would be defaults nobody
  // read from the machine; read them as its creation does.
  if (!libraryValues().configured) readConfiguration(this->host());
  step("naming the working file", [&] {
    const std::string folder = ctx_.tempFolder();
    workingFile_ = folder + makeTempName(ctx_, folder, ".doc") + ".doc";
  });
  step("starting Word", [&] { word_ = this->host().automation.createObject(kComposerWordProgId); });
  step("hiding Word", [&] { word().let("Visible", Variant(false)); });
  step("adding the document", [&] { doc_ = asObject(asObject(word().get("Documents"))->call("Add")); });
  step("setting the paper", [&] { pageSetup()->let("PaperSize", Variant(kWdPaperLetter)); });
  step("setting the orientation", [&] { pageSetup()->let("Orientation", Variant(kWdOrientPortrait)); });
  for (const char* margin : {"TopMargin", "BottomMargin", "LeftMargin", "RightMargin"}) writeLength(margin, 1.0f);
  writeLength("HeaderDistance", 0.5f);
  writeLength("FooterDistance", 0.5f);
  step("saving the working file", [&] {
    if (workingFile_.empty()) vb::raise(vb::kObjectNotSet);
    document().call("SaveAs", {pos(workingFile_)});
  });
  isOpen_ = true;
}

NewDocument::~NewDocument() {
  if (isOpen_) close();
}

void NewDocument::close() noexcept {
  step("closing the document", [&] { document().call("Close", {pos(false)}); });
  step("quitting Word", [&] { word().call("Quit", {pos(false)}); });
  try {
    if (!workingFile_.empty() && host().files.fileExists(workingFile_)) host().files.deleteFile(workingFile_);
  } catch (...) {
    trace("deleting the working file", currentErrorText());
  }
}

void NewDocument::CloseDoc() {
  if (!isOpen_) return;
  close();
  doc_.reset();
  word_.reset();
  isOpen_ = false;
}

Object& NewDocument::word() {
  if (!word_) vb::raise(vb::kObjectNotSet);
  return *word_;
}

Object& NewDocument::document() {
  if (!doc_) vb::raise(vb::kObjectNotSet);
  return *doc_;
}

ObjectPtr NewDocument::pageSetup() { return asObject(document().get("PageSetup")); }

ObjectPtr NewDocument::endRange() {
  return asObject(asObject(asObject(document().get("Bookmarks"))->call("Item", {pos("\\EndOfDoc")}))->get("Range"));
}

ObjectPtr NewDocument::newParagraph() {
  return asObject(asObject(asObject(document().get("Content"))->get("Paragraphs"))->call("Add"));
}

void NewDocument::writeLength(const char* member, float inches) {
  step("writing a page-setup length", [&] {
    Variant points = word().call("InchesToPoints", {pos(inches)});
    pageSetup()->let(member, points);
  });
}

// ---- Page setup ----

void NewDocument::setTopMargin(float value) {
  if (!within(value, kMarginMin, kLengthMax)) return;
  topMargin_ = value;
  writeLength("TopMargin", value);
}

void NewDocument::setBottomMargin(float value) {
  if (!within(value, kMarginMin, kLengthMax)) return;
  bottomMargin_ = value;
  writeLength("BottomMargin", value);
}

void NewDocument::setLeftMargin(float value) {
  if (!within(value, kSideMarginMin, kLengthMax)) return;
  leftMargin_ = value;
  writeLength("LeftMargin", value);
}

void NewDocument::setRightMargin(float value) {
  if (!within(value, kSideMarginMin, kLengthMax)) return;
  rightMargin_ = value;
  writeLength("RightMargin", value);
}

void NewDocument::setHeaderDistance(float value) {
  if (!within(value, 0.0f, kLengthMax)) return;
  headerDistance_ = value;
  writeLength("HeaderDistance", value);
}

void NewDocument::setFooterDistance(float value) {
  if (!within(value, 0.0f, kLengthMax)) return;
  footerDistance_ = value;
  writeLength("FooterDistance", value);
}

void NewDocument::setPageSize(int32_t value) {
  pageSize_ = value;
  step("setting the paper", [&] { pageSetup()->let("PaperSize", Variant(value)); });
}

void NewDocument::setLandscape(bool value) {
  landscape_ = value;
  step("setting the orientation",
       [&] { pageSetup()->let("Orientation", Variant(value ? kWdOrientLandscape : kWdOrientPortrait)); });
}

// ---- Composing ----

void NewDocument::PrintDoc(const std::string& strText, int32_t intTextStyle, int32_t lngColor, int16_t intSize,
                           const std::string& strFont) {
  ObjectPtr range;
  step("finding the end of the document", [&] { range = endRange(); });
  auto font = [&] {
    if (!range) vb::raise(vb::kObjectNotSet);
    return asObject(range->get("Font"));
  };
  step("inserting text", [&] {
    if (!range) vb::raise(vb::kObjectNotSet);
    range->call("InsertAfter", {pos(strText)});
  });
  if (lngColor >= 0 && lngColor < kColorLimit) step("colouring text", [&] { font()->let("Color", Variant(lngColor)); });
  step("sizing text", [&] { font()->let("Size", Variant(int16_t(intSize >= 1 ? intSize : 12))); });
  if (!vb::Trim(strFont).empty()) step("naming the font", [&] { font()->let("Name", Variant(strFont)); });
  if (range) applyTextStyle(range, intTextStyle);
}

void NewDocument::PrintDocln(const std::string& strText, int32_t intTextJustify, int32_t intTextStyle, int32_t lngColor,
                             int16_t intSize, const std::string& strFont) {
  ObjectPtr paragraph;
  step("adding a paragraph", [&] { paragraph = newParagraph(); });
  auto para = [&]() -> Object& {
    if (!paragraph) vb::raise(vb::kObjectNotSet);
    return *paragraph;
  };
  auto font = [&] { return asObject(asObject(para().get("Range"))->get("Font")); };
  step("writing the paragraph", [&] { asObject(para().get("Range"))->let("Text", Variant(strText)); });
  const int32_t alignment = intTextJustify >= 0 && intTextJustify <= 2 ? intTextJustify : 0;
  step("aligning the paragraph", [&] { para().let("Alignment", Variant(alignment)); });
  if (lngColor >= 1 && lngColor < kColorLimit)
    step("colouring the paragraph", [&] { font()->let("Color", Variant(lngColor)); });
  if (intSize > 0) step("sizing the paragraph", [&] { font()->let("Size", Variant(intSize)); });
  if (!vb::Trim(strFont).empty()) step("naming the paragraph's font", [&] { font()->let("Name", Variant(strFont)); });
  if (paragraph) applyParagraphTextStyle(paragraph, intTextStyle);
  step("spacing the paragraph", [&] { asObject(para().get("Format"))->let("SpaceAfter", Variant(int32_t{0})); });
  step("ending the paragraph", [&] { asObject(para().get("Range"))->call("InsertParagraphAfter"); });
  // The paragraph object now addresses the next, empty paragraph: these
  // resets prepare it and leave the text just written as it is.
  step("resetting the paragraph", [&] { para().call("Reset"); });
  step("resetting the paragraph format", [&] { asObject(para().get("Format"))->call("Reset"); });
  step("resetting the paragraph font", [&] { font()->call("Reset"); });
}

void NewDocument::NewLine(int16_t intLines) {
  for (int16_t i = 0; i < intLines; ++i) PrintDoc(kCrLf, 0, 0, 12, "Times New Roman");
}

void NewDocument::AddPageBreak() {
  ObjectPtr range;
  step("finding the end of the document", [&] { range = endRange(); });
  step("adding a paragraph", [&] { newParagraph(); });
  step("inserting a page break", [&] {
    if (!range) vb::raise(vb::kObjectNotSet);
    range->call("InsertBreak", {pos(kWdPageBreak)});
  });
}

void NewDocument::AddPageNumber(bool blnInFooter, int32_t intPageNoAlignment, bool blnFirstPage) {
  const int32_t alignment =
      intPageNoAlignment >= 0 && intPageNoAlignment <= 4 ? intPageNoAlignment : kWdAlignPageNumberRight;
  step("adding page numbers", [&] {
    ObjectPtr section = asObject(asObject(document().get("Sections"))->call("Item", {pos(int32_t{1})}));
    ObjectPtr headerFooter = asObject(
        asObject(section->get(blnInFooter ? "Footers" : "Headers"))->call("Item", {pos(kWdHeaderFooterPrimary)}));
    asObject(headerFooter->get("PageNumbers"))
        ->call("Add", {named("PageNumberAlignment", alignment), named("FirstPage", blnFirstPage)});
  });
}

void NewDocument::FindAndReplace(const std::string& strTextToFind, const std::string& strReplaceWithText,
                                 bool blnMatchCase, bool blnMatchWholeWord) {
  ObjectPtr find;
  step("reaching Find", [&] { find = asObject(asObject(document().get("Content"))->get("Find")); });
  auto f = [&]() -> Object& {
    if (!find) vb::raise(vb::kObjectNotSet);
    return *find;
  };
  step("clearing the search format", [&] { f().call("ClearFormatting"); });
  step("setting the search text", [&] { f().let("Text", Variant(strTextToFind)); });
  step("clearing the replacement format", [&] { asObject(f().get("Replacement"))->call("ClearFormatting"); });
  step("setting the replacement", [&] { asObject(f().get("Replacement"))->let("Text", Variant(strReplaceWithText)); });
  step("replacing", [&] {
    f().call("Execute", {named("Replace", kWdReplaceAll), named("Format", true), named("MatchCase", blnMatchCase),
                         named("MatchWholeWord", blnMatchWholeWord)});
  });
}

void NewDocument::AddImage(const std::string& strImageFile, float sngLeft, float sngTop, float sngWidth,
                           float sngHeight) {
  if (!host().files.fileExists(strImageFile)) raiseMissingInput(strImageFile);
  withConversionErrorExit(
      [&] {
        ObjectPtr range = endRange();
        ObjectPtr paragraph = newParagraph();
        Args args = {named("FileName", strImageFile), named("LinkToFile", false), named("SaveWithDocument", true)};
        const float all = sngLeft + sngTop + sngWidth + sngHeight;
        const float position = sngLeft + sngTop;
        const float size = sngWidth + sngHeight;
        if (all == 0) {
          args.push_back(named("Anchor", Variant(range)));
        } else if (position > 0 && size == 0) {
          args.push_back(named("Left", sngLeft));
          args.push_back(named("Top", sngTop));
          args.push_back(named("Anchor", Variant(range)));
        } else if (position == 0 && size > 0) {
          args.push_back(named("Width", sngWidth));
          args.push_back(named("Height", sngHeight));
          args.push_back(named("Anchor", Variant(range)));
        } else {
          args = {pos(strImageFile), pos(false),    pos(true),      pos(sngLeft),
                  pos(sngTop),       pos(sngWidth), pos(sngHeight), pos(Variant(range))};
        }
        asObject(document().get("Shapes"))->call("AddPicture", std::move(args));
        asObject(paragraph->get("Format"))->let("SpaceAfter", Variant(int32_t{0}));
        asObject(paragraph->get("Range"))->call("InsertParagraphAfter");
      },
      [] {});
}

// ---- Save ----

void NewDocument::Save(const std::string& strPDF, const ComposerSaveOptions& options) {
  step("saving the working file", [&] { document().call("Save"); });
  FileSystem& files = host().files;
  std::string savedPrinter;
  bool printerChanged = false;
  std::string ps;
  bool pdfStarted = false;
  withConversionErrorExit(
      [&] {
        savedPrinter = vb::CStr(word().get("ActivePrinter"));
        const std::string printer = vb::Trim(options.distiller).empty() ? ctx_.printerName() : options.distiller;
        word().let("ActivePrinter", Variant(printer));
        printerChanged = true;
        ps = tempPostScriptPath(ctx_);
        if (files.fileExists(ps)) vb::Kill(files, ps);
        document().call("PrintOut", {named("Background", false), named("OutputFileName", ps)});
        word().let("ActivePrinter", Variant(savedPrinter));
        printerChanged = false;
        if (files.fileExists(strPDF)) vb::Kill(files, strPDF);
        pdfStarted = true;
        DistillSettings settings;
        settings.showWindow = options.showWindow;
        settings.spoolJobs = options.spoolJobs;
        settings.jobOptionsFile = options.jobOptionsFile;
        settings.applySecurity = options.applySecurity;
        settings.passEvents = false;
        distillPostScript(ctx_, ps, strPDF, settings);
        vb::Kill(files, ps);
      },
      [&] {
        deleteQuietly(files, ps);
        if (pdfStarted) deleteQuietly(files, strPDF);
        if (printerChanged) {
          try {
            word().let("ActivePrinter", Variant(savedPrinter));
          } catch (...) {
            trace("putting Word's printer back after a failure", currentErrorText());
          }
        }
      });
}

}  // namespace dv::lib
