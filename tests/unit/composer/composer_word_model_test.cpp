// The Word stand-in's model of a composed document, driven through its
// automation objects as the composer drives it: paragraph marks, formatting
// that survives the resets, find-and-replace, the PostScript it prints and
// the RTF it saves.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>

#include <unistd.h>

#include "composer/composer_fixture.h"
#include "dv/standins/tools.h"
#include "dv/vb.h"
#include "word/composed_document.h"
#include "word/composing.h"

namespace dv::lib::testing {
namespace {

using standins::word::ComposedDocument;

class WordModel : public ComposerFixture {
 protected:
  void SetUp() override {
    ComposerFixture::SetUp();
    word = host.automation.createObject("Word.Application");
    document = asObject(asObject(word->get("Documents"))->call("Add"));
  }
  void TearDown() override {
    document.reset();
    word->call("Quit");
    word.reset();
    ComposerFixture::TearDown();
  }
  ObjectPtr content() { return asObject(document->get("Content")); }
  std::string text() { return vb::CStr(content()->get("Text")); }
  ObjectPtr paragraph(int n) {
    return asObject(asObject(content()->get("Paragraphs"))->call("Item", {pos(int32_t{n})}));
  }
  ObjectPtr font(const ObjectPtr& p) { return asObject(asObject(p->get("Range"))->get("Font")); }
  std::string print() {
    const std::string ps = "c:\\out\\model.ps";
    document->call("PrintOut", {named("Background", false), named("OutputFileName", ps)});
    return *fake.files.contents(ps);
  }
  ObjectPtr word, document;
};

TEST_F(WordModel, TheLastParagraphObjectFollowsTheFinalMarkSoResetsPrepareTheNextParagraph) {
  ObjectPtr p = asObject(asObject(content()->get("Paragraphs"))->call("Add"));
  asObject(p->get("Range"))->let("Text", Variant("Title"));
  p->let("Alignment", Variant(int32_t{1}));
  font(p)->let("Bold", Variant(true));
  font(p)->let("Size", Variant(int16_t{20}));
  asObject(p->get("Range"))->call("InsertParagraphAfter");
  p->call("Reset");
  font(p)->call("Reset");
  EXPECT_EQ(text(), "\rTitle\r\r");
  // The written paragraph kept its formatting; the object now addresses
  // the new, empty last paragraph, which the resets made plain.
  EXPECT_EQ(vb::CLng(font(paragraph(2))->get("Bold")), -1);
  EXPECT_EQ(vb::CSng(font(paragraph(2))->get("Size")), 20.0f);
  EXPECT_EQ(vb::CLng(paragraph(2)->get("Alignment")), 1);
  EXPECT_EQ(vb::CLng(font(paragraph(3))->get("Bold")), 0);
  EXPECT_EQ(vb::CLng(paragraph(3)->get("Alignment")), 0);
  EXPECT_EQ(vb::CStr(asObject(p->get("Range"))->get("Text")), "\r");
  EXPECT_EQ(vb::CLng(asObject(content()->get("Paragraphs"))->get("Count")), 3);
}

TEST_F(WordModel, TextAtTheEndGoesInFrontOfTheFinalMarkAndLineEndsArePargraphMarks) {
  struct Case {
    const char* inserted;
    const char* story;
  };
  const Case cases[] = {{"a\r\nb", "a\rb\r"}, {"\r\n", "a\rb\r\r"}, {"c\rd\ne", "a\rb\rc\rd\re\r"}};
  for (const Case& c : cases) {
    ObjectPtr end =
        asObject(asObject(asObject(document->get("Bookmarks"))->call("Item", {pos("\\EndOfDoc")}))->get("Range"));
    end->call("InsertAfter", {pos(c.inserted)});
    EXPECT_EQ(text(), c.story);
  }
  // The final mark cannot be replaced away.
  content()->let("Text", Variant("only"));
  EXPECT_EQ(text(), "only\r");
}

TEST(WordRtf, AnRtfFileOpensAsTheTextItHolds) {
  struct Case {
    const char* rtf;
    const char* text;
  };
  const Case cases[] = {
      // Tables and destinations are no text; a control word eats one blank.
      {"{\\rtf1\\ansi{\\fonttbl{\\f0 Times;}}{\\colortbl;\\red0\\green0\\blue0;}{\\*\\generator x;}"
       "\\f0\\fs24 Dear reader,\\par this {\\b letter}\\line is\\tab here.\\par}",
       "Dear reader,\nthis letter\nis\there.\n"},
      // Escaped braces and backslashes, code page 1252 bytes, \u with its fallback.
      {"{\\rtf1 a\\{b\\}c\\\\d \\'e9t\\'e9 \\'80 \\u8364?\\uc2\\u8212**x\\par}",
       "a{b}c\\d \xc3\xa9t\xc3\xa9 \xe2\x82\xac \xe2\x82\xac\xe2\x80\x94x\n"},
      // A negative \u is the 16-bit value; line breaks in the source are nothing.
      {"{\\rtf1 one\r\ntwo\\u-3972?\\par}", "onetwo\xef\x81\xbc\n"},
      // Unbalanced and cut-off input ends without harm.
      {"{\\rtf1 cut\\'4", "cut"},
      {"{\\rtf1 }}} ok\\", " ok"},
  };
  for (const Case& c : cases) EXPECT_EQ(standins::word::rtfPlainText(c.rtf), c.text) << c.rtf;
  // What the composer writes reads back as its text.
  ComposedDocument doc;
  doc.insert(0, "Caf\xc3\xa9 {1}\\ \xe2\x80\x94 one\r\ntwo");
  doc.formatChars(0, 4, [](standins::word::CharFormat& f) { f.bold = true; });
  EXPECT_EQ(standins::word::rtfPlainText(doc.rtf()), "Caf\xc3\xa9 {1}\\ \xe2\x80\x94 one\ntwo\n");
}

TEST_F(WordModel, ReplaceAllRunsAcrossFormattingAndHonoursCaseAndWholeWords) {
  struct Case {
    const char* find;
    const char* replacement;
    bool matchCase, wholeWord;
    const char* story;
  };
  const Case cases[] = {
      {"hello", "Bye", false, false, "Bye world, Bye cat concat Cat\r"},
      {"hello", "Bye", true, false, "Hello world, Bye cat concat Cat\r"},
      {"cat", "dog", false, true, "Hello world, hello dog concat dog\r"},
      {"cat", "dog", true, false, "Hello world, hello dog condog Cat\r"},
      {"", "x", false, false, "Hello world, hello cat concat Cat\r"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.find);
    content()->let("Text", Variant("Hel"));
    ObjectPtr end =
        asObject(asObject(asObject(document->get("Bookmarks"))->call("Item", {pos("\\EndOfDoc")}))->get("Range"));
    end->call("InsertAfter", {pos("lo world, hello cat concat Cat")});
    asObject(end->get("Font"))->let("Italic", Variant(true));  // "Hel" plain, the rest italic
    ObjectPtr find = asObject(content()->get("Find"));
    find->call("ClearFormatting");
    find->let("Text", Variant(c.find));
    asObject(find->get("Replacement"))->let("Text", Variant(c.replacement));
    find->call("Execute", {named("Replace", int32_t{2}), named("Format", true), named("MatchCase", c.matchCase),
                           named("MatchWholeWord", c.wholeWord)});
    EXPECT_EQ(text(), c.story);
  }
}

TEST_F(WordModel, PrintingLaysTextOutWithTheFontsMetricsOnThePaperAndMargins) {
  ObjectPtr setup = asObject(document->get("PageSetup"));
  setup->let("PaperSize", Variant(int32_t{7}));  // A4
  setup->let("Orientation", Variant(int32_t{1}));
  setup->let("LeftMargin", Variant(float{36}));
  setup->let("RightMargin", Variant(float{54}));
  ObjectPtr p = asObject(asObject(content()->get("Paragraphs"))->call("Add"));
  asObject(p->get("Range"))->let("Text", Variant("Hello"));
  p->let("Alignment", Variant(int32_t{1}));
  font(p)->let("Color", Variant(int32_t{255}));
  ObjectPtr end =
      asObject(asObject(asObject(document->get("Bookmarks"))->call("Item", {pos("\\EndOfDoc")}))->get("Range"));
  end->call("InsertBreak", {pos(int32_t{7})});
  end->call("InsertAfter", {pos("Second page")});
  asObject(end->get("Font"))->let("Name", Variant("Arial"));
  asObject(end->get("Font"))->let("Underline", Variant(true));
  ObjectPtr footer =
      asObject(asObject(asObject(asObject(document->get("Sections"))->call("Item", {pos(int32_t{1})}))->get("Footers"))
                   ->call("Item", {pos(int32_t{1})}));
  asObject(footer->get("PageNumbers"))
      ->call("Add", {named("PageNumberAlignment", int32_t{2}), named("FirstPage", false)});
  const std::string ps = print();
  EXPECT_NE(ps.find("%%BoundingBox: 0 0 842 596"), std::string::npos);
  EXPECT_NE(ps.find("<< /PageSize [841.89 595.28] >> setpagedevice"), std::string::npos);
  EXPECT_NE(ps.find("%%Pages: 2"), std::string::npos);
  // "Hello" in Times 12 is 26.664 points wide: centred between 36 and 787.89.
  EXPECT_NE(ps.find("1 0 0 setrgbcolor\n398.61 "), std::string::npos) << ps;
  EXPECT_NE(ps.find("(Hello) show"), std::string::npos);
  EXPECT_NE(ps.find("/Helvetica 12 SF"), std::string::npos);
  EXPECT_NE(ps.find("(Second page) show\n"), std::string::npos);
  EXPECT_NE(ps.find("rlineto stroke"), std::string::npos);  // the underline
  // Page 2 only has its number, right-aligned at the right margin, 6 points wide.
  const size_t page2 = ps.find("%%Page: 2 2");
  ASSERT_NE(page2, std::string::npos);
  EXPECT_EQ(ps.find("(1) show"), std::string::npos);
  EXPECT_NE(ps.find("781.89 38.59 moveto (2) show", page2), std::string::npos);
}

TEST_F(WordModel, PageSetupKnowsWordsPaperSizesAndRefusesOthers) {
  struct Paper {
    int32_t size;
    const char* width;
    const char* height;
  };
  const Paper papers[] = {{2, "612", "792"},       {4, "612", "1008"},  {7, "595.28", "841.89"},
                          {9, "419.53", "595.28"}, {23, "792", "1224"}, {25, "297", "684"}};
  ObjectPtr setup = asObject(document->get("PageSetup"));
  for (const Paper& p : papers) {
    setup->let("PaperSize", Variant(p.size));
    char w[32], h[32];
    std::snprintf(w, sizeof w, "%.2f", vb::CSng(setup->get("PageWidth")));
    std::snprintf(h, sizeof h, "%.2f", vb::CSng(setup->get("PageHeight")));
    EXPECT_EQ(std::stod(w), std::stod(p.width)) << p.size;
    EXPECT_EQ(std::stod(h), std::stod(p.height)) << p.size;
  }
  EXPECT_THROW(setup->let("PaperSize", Variant(int32_t{99})), AutomationError);
  EXPECT_EQ(vb::CLng(setup->get("PaperSize")), 25);
}

TEST_F(WordModel, PicturesAreDrawnWhereWordPutsThemAndJpegStaysJpeg) {
  ObjectPtr end =
      asObject(asObject(asObject(document->get("Bookmarks"))->call("Item", {pos("\\EndOfDoc")}))->get("Range"));
  ObjectPtr shapes = asObject(document->get("Shapes"));
  ObjectPtr own =
      asObject(shapes->call("AddPicture", {named("FileName", "c:\\pics\\photo.jpg"), named("Anchor", end)}));
  EXPECT_EQ(vb::CSng(own->get("Width")), 48.0f);  // 64 pixels at 96 per inch
  EXPECT_EQ(vb::CSng(own->get("Height")), 36.0f);
  ObjectPtr placed =
      asObject(shapes->call("AddPicture", {pos("c:\\pics\\photo.jpg"), pos(false), pos(true), pos(float{10}),
                                           pos(float{20}), pos(float{128}), pos(float{0}), pos(Variant(end))}));
  EXPECT_EQ(vb::CSng(placed->get("Height")), 96.0f);  // kept in proportion
  const std::string ps = print();
  EXPECT_NE(ps.find("gsave 90 684 translate 48 36 scale /DeviceRGB setcolorspace"), std::string::npos) << ps;
  EXPECT_NE(ps.find("gsave 100 604 translate 128 96 scale"), std::string::npos);
  EXPECT_NE(ps.find("/ASCII85Decode filter /DCTDecode filter >> image\n"), std::string::npos);
  EXPECT_THROW(shapes->call("AddPicture", {pos("c:\\pics\\missing.jpg")}), AutomationError);
  fake.files.addFile("c:\\pics\\text.jpg", "not a picture");
  EXPECT_THROW(shapes->call("AddPicture", {pos("c:\\pics\\text.jpg")}), AutomationError);
}

TEST(WordPictures, FactsComeFromTheFileHeaders) {
  struct Case {
    std::string bytes;
    const char* format;
    int width, height;
    double dpi;
  };
  const std::string png =
      std::string("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\0\x01\x00\0\0\0\x80\x08\x02\0\0\0\0\0\0\0", 33) +
      std::string("\0\0\0\x09pHYs\0\0\x0e\xc4\0\0\x0e\xc4\x01\0\0\0\0", 21) + std::string("\0\0\0\0IDAT\0\0\0\0", 12);
  const Case cases[] = {
      {std::string("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00\x01\x01\x01\x00\x48\x00\x48\x00\x00"
                   "\xFF\xC2\x00\x11\x08\x00\x10\x00\x20\x01",
                   30) +
           std::string(12, '\0'),
       "jpeg", 32, 16, 72},
      {png, "png", 256, 128, 96.0 * 3780 * 0.0254 / 96},
      {std::string("GIF89a\x05\x00\x07\x00", 10) + std::string(8, '\0'), "gif", 5, 7, 96},
      {"BM" + std::string(16, '\0') + std::string("\x03\0\0\0\xfc\xff\xff\xff", 8) + std::string(8, '\0'), "bmp", 3, 4,
       96},
  };
  for (const Case& c : cases) {
    auto f = standins::word::imageFacts(c.bytes);
    ASSERT_TRUE(f) << c.format;
    EXPECT_EQ(f->format, c.format);
    EXPECT_EQ(f->width, c.width);
    EXPECT_EQ(f->height, c.height);
    EXPECT_NEAR(f->dpiX, c.dpi, 0.01) << c.format;
  }
  EXPECT_FALSE(standins::word::imageFacts("plain text"));
  EXPECT_FALSE(standins::word::imageFacts(std::string("\xFF\xD8\xFF\xD9", 4)));  // a JPEG without a frame
}

TEST_F(WordModel, OpeningFailsAsWordDoesForAMissingAndForAnUnreadableFile) {
  fake.files.addFile("c:\\docs\\held.doc", "text");
  fake.files.setLocked("c:\\docs\\held.doc", true);
  const struct {
    const char* path;
    uint32_t number;
    const char* description;
  } cases[] = {
      {"c:\\docs\\none.doc", 0x800A1436u, "This file could not be found. (c:\\docs\\none.doc)"},
      {"c:\\docs\\held.doc", 0x800A141Fu,
       "Word was unable to read this document. It may be corrupt. (c:\\docs\\held.doc)"},
      // A pattern names no file, even where it matches one.
      {"c:\\docs\\*.doc", 0x800A1436u, "This file could not be found. (c:\\docs\\*.doc)"},
  };
  ObjectPtr documents = asObject(word->get("Documents"));
  for (const auto& c : cases) {
    try {
      documents->call("Open", {pos(c.path)});
      ADD_FAILURE() << c.path << " opened";
    } catch (const AutomationError& e) {
      EXPECT_EQ(static_cast<uint32_t>(e.number()), c.number) << c.path;
      EXPECT_EQ(e.description(), c.description);
    }
  }
  // Readable again, it opens.
  fake.files.setLocked("c:\\docs\\held.doc", false);
  EXPECT_NO_THROW(documents->call("Open", {pos("c:\\docs\\held.doc")}));
}

TEST_F(WordModel, OtherFormatsBecomeEpsAndTheSavedRtfReadsBackAsText) {
  namespace fs = std::filesystem;
  const fs::path folder = fs::temp_directory_path() / ("dv-composer-" + std::to_string(::getpid()));
  fs::create_directories(folder);
  const std::string png = (folder / "red.png").string();
  auto made = standins::runTool({"gs", "-q", "-dSAFER", "-sDEVICE=png16m", "-r72", "-g20x10", "-o", png, "-c",
                                 "1 0 0 setrgbcolor 0 0 20 10 rectfill showpage"});
  ASSERT_TRUE(made.ok()) << made.output;
  std::ifstream in(png, std::ios::binary);
  fake.files.addFile("c:\\pics\\red.png", std::string(std::istreambuf_iterator<char>(in), {}));
  ObjectPtr end =
      asObject(asObject(asObject(document->get("Bookmarks"))->call("Item", {pos("\\EndOfDoc")}))->get("Range"));
  asObject(document->get("Shapes"))->call("AddPicture", {pos("c:\\pics\\red.png"), named("Anchor", end)});
  end->call("InsertAfter", {pos("Caf\xC3\xA9 {braces} \\ back")});
  const std::string ps = print();
  EXPECT_NE(ps.find("%%BeginDocument: picture\n%!PS-Adobe-3.0 EPSF"), std::string::npos);
  EXPECT_NE(ps.find("(Caf\\351 {braces} \\\\ back) show"), std::string::npos);

  document->call("SaveAs", {pos("c:\\out\\composed.doc")});
  const std::string rtf = *fake.files.contents("c:\\out\\composed.doc");
  EXPECT_NE(rtf.find("{\\pict\\pngblip\\picw20\\pich10"), std::string::npos);
  const std::string rtfPath = (folder / "composed.rtf").string();
  std::ofstream(rtfPath, std::ios::binary) << rtf;
  auto read = standins::runTool({"unrtf", "--nopict", "--text", rtfPath});
  ASSERT_TRUE(read.ok()) << read.output;
  EXPECT_NE(read.output.find(" {braces} \\ back"), std::string::npos) << read.output;
  EXPECT_NE(read.output.find("Caf"), std::string::npos) << read.output;
  fs::remove_all(folder);
}

}  // namespace
}  // namespace dv::lib::testing
