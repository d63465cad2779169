// The page members on a recording JavaScript object: the exact call each
// member and its inputs make (name, argument count, types, values, the
// omitted-argument marker), the word count's totals and its error exit,
// and the watermark's per-page numbering.
#include <gtest/gtest.h>

#include <climits>

#include "document/mappings.h"
#include "document/page_operations.h"
#include "document/scripted_acrobat.h"
#include "dv/fakes/fake_host.h"
#include "frame/library_values.h"

namespace dv::lib {
namespace {

constexpr int32_t kEFail = static_cast<int32_t>(0x80004005u);

// One journal line per call: "Member(3&, "a.pdf", <missing>, ref 90&)".
std::string shown(const Variant& v) {
  if (v.isByRef()) return "ref " + shown(v.target());
  if (v.isMissing()) return "<missing>";
  return testing::show(v);
}

class RecordingJs : public Object {
 public:
  int32_t pages = 5;
  std::vector<double> cropBox = {0, 792, 612, 0};
  std::vector<int32_t> wordCounts = {3, 0, 40000, 7, 1};
  int32_t failAtPage = -1;  // getPageNumWords fails there
  std::vector<std::string> journal;

  Variant get(std::string_view member, Args args) override { return call(member, std::move(args)); }
  void let(std::string_view member, const Variant&, Args) override { journal.push_back(std::string(member) + "="); }
  void set(std::string_view member, const Variant& value, Args args) override { let(member, value, std::move(args)); }
  Variant call(std::string_view m, Args args) override {
    const std::string member(m);
    if (member == "NumPages") return Variant(pages);
    if (member == "Color") return Variant(ObjectPtr(color_));
    std::string line = member + "(";
    for (size_t i = 0; i < args.size(); ++i) line += (i ? ", " : "") + shown(args[i].value);
    journal.push_back(line + ")");
    if (member == "getPageBox") {
      std::vector<Variant> box(cropBox.begin(), cropBox.end());
      return Variant(Array::vector(VarType::Variant, std::move(box)));
    }
    if (member == "getPageNumWords") {
      const int32_t i = vb::CLng(args.at(0).value);
      if (i == failAtPage) throw AutomationError(kEFail, "Acrobat JavaScript", "RangeError: page " + std::to_string(i));
      return Variant(wordCounts.at(static_cast<size_t>(i)));
    }
    if (member == "AddWebLinks") return Variant(int32_t{7});
    if (member == "RemoveWebLinks") return Variant(int32_t{3});
    if (member == "GetPageRotation") return Variant(int32_t{270});
    if (member == "GetPageLabel") return Variant("iv");
    if (member == "GetPageNthWord") return Variant("Page");
    if (member == "GetPageNthWordQuads") return Variant(Array::vector(VarType::Variant, {Variant(1.5)}));
    return Variant();
  }

 private:
  class ColorObject : public Object {
   public:
    Variant get(std::string_view member, Args) override {
      if (member != "black") throw AutomationError(kEFail, "Acrobat", "no colour " + std::string(member));
      return Variant(Array::vector(VarType::Variant, {Variant("G"), Variant(int32_t{0})}));
    }
    void let(std::string_view, const Variant&, Args) override {}
    void set(std::string_view, const Variant&, Args) override {}
    Variant call(std::string_view member, Args args) override { return get(member, std::move(args)); }
  };
  std::shared_ptr<ColorObject> color_ = std::make_shared<ColorObject>();
};

class PdDoc : public Object {
 public:
  explicit PdDoc(std::shared_ptr<RecordingJs> js) : js_(std::move(js)) {}
  Variant get(std::string_view member, Args args) override { return call(member, std::move(args)); }
  void let(std::string_view, const Variant&, Args) override {}
  void set(std::string_view, const Variant&, Args) override {}
  Variant call(std::string_view member, Args) override {
    if (member == "Open") return Variant(true);
    if (member == "GetJSObject") return Variant(ObjectPtr(js_));
    return Variant();
  }

 private:
  std::shared_ptr<RecordingJs> js_;
};

class PagesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fake.automation.registerProgId("AcroExch.PDDoc", [this] { return ObjectPtr(std::make_shared<PdDoc>(js)); });
    libraryValues().OpenDocumentPath = "c:\\docs\\a.pdf";
    doc = std::make_unique<Document>(fake.host());
    ASSERT_TRUE(doc->isOpen());
  }
  std::vector<std::string> run(const std::function<void(Document&)>& member) {
    js->journal.clear();
    member(*doc);
    return js->journal;
  }

  std::shared_ptr<RecordingJs> js = std::make_shared<RecordingJs>();
  fakes::FakeHost fake;
  std::unique_ptr<Document> doc;
};

using Lines = std::vector<std::string>;

TEST_F(PagesTest, EachMemberMakesItsCall) {
  int32_t rotation = 90;
  struct Case {
    const char* what;
    std::function<void(Document&)> member;
    Lines calls;
  };
  const std::vector<Case> cases = {
      {"thumbnails on all pages: no arguments", [](Document& d) { AddThumbnails(d, 0, 0); }, {"AddThumbnails()"}},
      {"thumbnails from a start: to the last page",
       [](Document& d) { RemoveThumbnails(d, 2, 0); },
       {"RemoveThumbnails(1&, 4&)"}},
      {"links up to an end: from the first page", [](Document& d) { AddWebLinks(d, 0, 3); }, {"AddWebLinks(0&, 2&)"}},
      {"links on all pages", [](Document& d) { RemoveWebLinks(d, 0, 0); }, {"RemoveWebLinks()"}},
      {"DeletePages without pages deletes the viewer's default",
       [](Document& d) { DeletePages(d, 0, 0); },
       {"DeletePages()"}},
      {"DeletePages 4: from page 4 to the last", [](Document& d) { DeletePages(d, 4, 0); }, {"DeletePages(3&, 4&)"}},
      {"DeletePages up to an end", [](Document& d) { DeletePages(d, 0, 2); }, {"DeletePages(0&, 1&)"}},
      {"ExtractPages of the whole document",
       [](Document& d) { ExtractPages(d, 0, 0, "c:\\x.pdf"); },
       {"ExtractPages(0&, 4&, \"c:\\x.pdf\")"}},
      {"ExtractPages 2 to 3", [](Document& d) { ExtractPages(d, 2, 3, ""); }, {"ExtractPages(1&, 2&, \"\")"}},
      {"InsertPages by default: before the first page, every source page",
       [](Document& d) { InsertPages(d, "s.pdf", -1, 0, 0); },
       {"InsertPages(-1&, \"s.pdf\")"}},
      {"InsertPages after 0: after the last page",
       [](Document& d) { InsertPages(d, "s.pdf", 0, 0, 0); },
       {"InsertPages(4&, \"s.pdf\")"}},
      {"InsertPages after 3, a start alone",
       [](Document& d) { InsertPages(d, "s.pdf", 3, 2, 0); },
       {"InsertPages(2&, \"s.pdf\", 1&)"}},
      {"InsertPages with an end alone: the marker in third place",
       [](Document& d) { InsertPages(d, "s.pdf", 1, 0, 3); },
       {"InsertPages(0&, \"s.pdf\", <missing>, 2&)"}},
      {"InsertPages with both ends",
       [](Document& d) { InsertPages(d, "s.pdf", 2, 2, 3); },
       {"InsertPages(1&, \"s.pdf\", 1&, 2&)"}},
      {"ReplacePages at 0 kept",
       [](Document& d) { ReplacePages(d, "s.pdf", 0, 0, 0); },
       {"ReplacePages(0&, \"s.pdf\")"}},
      {"ReplacePages at 2 from an end alone",
       [](Document& d) { ReplacePages(d, "s.pdf", 2, 0, 2); },
       {"ReplacePages(1&, \"s.pdf\", <missing>, 1&)"}},
      {"MovePage 5 after -1: to the front", [](Document& d) { MovePage(d, 5, -1); }, {"MovePage(4&, -1&)"}},
      {"MovePage 5 after 0: to the end", [](Document& d) { MovePage(d, 5, 0); }, {"MovePage(4&, 4&)"}},
      {"MovePage 0 after 2", [](Document& d) { MovePage(d, 0, 2); }, {"MovePage(0&, 1&)"}},
      {"NewPage by default: before the first page",
       [](Document& d) { NewPage(d, -1); },
       {"getPageBox(\"Crop\")", "NewPage(0&, 612#, 792#)"}},
      {"NewPage 0: after the last page",
       [](Document& d) { NewPage(d, 0); },
       {"getPageBox(\"Crop\")", "NewPage(5&, 612#, 792#)"}},
      {"NewPage after page 2, counted from 1",
       [](Document& d) { NewPage(d, 2); },
       {"getPageBox(\"Crop\")", "NewPage(2&, 612#, 792#)"}},
      {"NewPage below -1 appends",
       [](Document& d) { NewPage(d, -5); },
       {"getPageBox(\"Crop\")", "NewPage(5&, 612#, 792#)"}},
      {"CreateTemplate: the index as name and page",
       [](Document& d) { CreateTemplate(d, 3); },
       {"CreateTemplate(2&, 2&)"}},
      {"CreateTemplate of the first page", [](Document& d) { CreateTemplate(d, 0); }, {"CreateTemplate(0&, 0&)"}},
      {"SpawnPageFromTemplate keeps 0 and below",
       [](Document& d) { SpawnPageFromTemplate(d, "t", -2, true, false); },
       {"SpawnPageFromTemplate(\"t\", -2&, True, False)"}},
      {"SpawnPageFromTemplate on page 3",
       [](Document& d) { SpawnPageFromTemplate(d, "t", 3, false, true); },
       {"SpawnPageFromTemplate(\"t\", 2&, False, True)"}},
      {"SetPageRotations over all pages, the rotation by reference",
       [&rotation](Document& d) { SetPageRotations(d, 0, 0, rotation); },
       {"SetPageRotations(0&, 4&, ref 90&)"}},
      {"SetPageRotations 2 to 3",
       [&rotation](Document& d) { SetPageRotations(d, 2, 3, rotation); },
       {"SetPageRotations(1&, 2&, ref 90&)"}},
      {"GetPageRotation keeps a negative page", [](Document& d) { GetPageRotation(d, -1); }, {"GetPageRotation(-1&)"}},
      {"SetPageLabels roman from page 2",
       [](Document& d) { SetPageLabels(d, 2, 2, "p-", 4); },
       {"SetPageLabels(1&, (\"r\", \"p-\", 4&))"}},
      {"SetPageLabels without a number: the page alone",
       [](Document& d) { SetPageLabels(d, 3, 5, "x", 1); },
       {"SetPageLabels(2&)"}},
      {"GetPageLabel of page 0 is the first", [](Document& d) { GetPageLabel(d, 0); }, {"GetPageLabel(0&)"}},
      {"SetPageTabOrder 0: the last page",
       [](Document& d) { SetPageTabOrder(d, 0, 1); },
       {"SetPageTabOrder(4&, \"columns\")"}},
      {"SetPageTabOrder unknown order: empty text",
       [](Document& d) { SetPageTabOrder(d, 2, 99); },
       {"SetPageTabOrder(1&, \"\")"}},
      {"FlattenPages of all pages, non-printing kept",
       [](Document& d) { FlattenPages(d, 0, 0); },
       {"FlattenPages(0&, 4&, 0%)"}},
      {"GetPageNthWord page 0 is the first",
       [](Document& d) { GetPageNthWord(d, 0, 3, true); },
       {"GetPageNthWord(0&, 3%, True)"}},
      {"GetPageNthWord page 2 unstripped",
       [](Document& d) { GetPageNthWord(d, 2, 0, false); },
       {"GetPageNthWord(1&, 0%, False)"}},
      {"GetPageNthWordQuads", [](Document& d) { GetPageNthWordQuads(d, 4, 1); }, {"GetPageNthWordQuads(3&, 1%)"}},
      {"AddWatermarkFromFile: sixteen arguments, scale and opacity moved",
       [](Document& d) {
         WatermarkPlacement at;
         at.lngStartPage = 2;
         at.sngScale = 0.5f;
         at.sngOpacity = 0.25f;
         at.intHorizValue = 10;
         at.lngRotation = 45;
         AddWatermarkFromFile(d, "w.pdf", 2, at);
       },
       {"AddWatermarkFromFile(\"w.pdf\", 1&, 1&, 4&, True, True, True, 1%, 1%, 10%, 0%, False, 0.5!, False, 45&, "
        "0.25!)"}},
      {"AddWatermarkFromText with Color.black and the font's name",
       [](Document& d) {
         WatermarkText text;
         text.strText = "DRAFT";
         text.lngAlignment = 1;
         text.lngFont = 1;
         AddWatermarkFromText(d, text, WatermarkPlacement{});
       },
       {"AddWatermarkFromText(\"DRAFT\", 1&, \"" + fontText(1) +
        "\", 24%, (\"G\", 0&), 0&, 4&, True, True, True, 1%, 1%, 0%, 0%, False, 1!, False, 0&, 1!)"}},
  };
  for (const Case& c : cases) EXPECT_EQ(run(c.member), c.calls) << c.what;
  EXPECT_EQ(rotation, 90);
}

TEST_F(PagesTest, ResultsComeBackAsTheViewerGivesThem) {
  EXPECT_EQ(AddWebLinks(*doc, 0, 0), 7);
  EXPECT_EQ(RemoveWebLinks(*doc, 1, 1), 3);
  EXPECT_EQ(GetPageRotation(*doc, 1), 270);
  EXPECT_EQ(GetPageLabel(*doc, 4), "iv");
  EXPECT_EQ(GetPageNthWord(*doc, 1, 0, false), "Page");
  EXPECT_DOUBLE_EQ(vb::CDbl(GetPageNthWordQuads(*doc, 1, 0).arrayValue().at(0)), 1.5);
}

TEST_F(PagesTest, NewPageTakesTheSizeOfABoxThatDoesNotStartAtTheOrigin) {
  js->cropBox = {36, 828, 648, 36};  // left, top, right, bottom
  EXPECT_EQ(run([](Document& d) { NewPage(d, 1); }), (Lines{"getPageBox(\"Crop\")", "NewPage(1&, 612#, 792#)"}));
}

TEST_F(PagesTest, WordCountTotalsArrayAndErrorExit) {
  js->wordCounts = {3, 0, 12, 7, 1};
  Variant pages;
  EXPECT_EQ(GetPagesWordCount(*doc, 0, pages), 23);
  const Array& a = pages.arrayValue();
  EXPECT_EQ(a.lbound(), 0);
  ASSERT_EQ(a.size(), 5u);
  for (int32_t i = 0; i < 5; ++i) {
    EXPECT_EQ(a.at(i).type(), VarType::Int16);
    EXPECT_EQ(a.at(i).int16Value(), js->wordCounts[static_cast<size_t>(i)]);
  }
  // One page: its count, in a one-element array.
  EXPECT_EQ(GetPagesWordCount(*doc, 4, pages), 7);
  EXPECT_EQ(pages.arrayValue().size(), 1u);
  EXPECT_EQ(pages.arrayValue().at(0).int16Value(), 7);
  EXPECT_EQ(js->journal.back(), "getPageNumWords(3&)");

  // An error at the third page stops the count and reaches the caller
  // with its number and text.
  js->failAtPage = 2;
  js->journal.clear();
  Variant untouched(int32_t{5});
  try {
    GetPagesWordCount(*doc, -1, untouched);
    ADD_FAILURE() << "no error";
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.number(), kEFail);
    EXPECT_EQ(e.description(), "RangeError: page 2");
  }
  EXPECT_EQ(js->journal, (Lines{"getPageNumWords(0&)", "getPageNumWords(1&)", "getPageNumWords(2&)"}));
  EXPECT_EQ(vb::CLng(untouched), 5);

  // Counts are 16-bit: a page beyond 32767 words overflows.
  js->failAtPage = -1;
  js->wordCounts = {3, 40000};
  js->pages = 2;
  try {
    GetPagesWordCount(*doc, 0, pages);
    ADD_FAILURE() << "no overflow";
  } catch (const AutomationError& e) {
    EXPECT_EQ(vb::runtimeErrorOf(e.number()), vb::kOverflow);
  }
}

TEST_F(PagesTest, WatermarkWithPageNumbersOneCallPerPage) {
  for (const auto& [seed, numbers] :
       std::vector<std::pair<int32_t, Lines>>{{10, {"10", "11", "12"}}, {0, {"2", "3", "4"}}}) {
    WatermarkText text;
    text.strText = "Copy ";
    text.blnIncludePageNo = true;
    text.lngPageNoSeed = seed;
    WatermarkPlacement at;
    at.lngStartPage = 2;
    at.lngEndPage = 4;
    const Lines calls = run([&](Document& d) { AddWatermarkFromText(d, text, at); });
    ASSERT_EQ(calls.size(), 3u) << seed;
    for (size_t i = 0; i < 3; ++i) {
      const std::string page = std::to_string(i + 1) + "&";
      EXPECT_EQ(calls[i].rfind("AddWatermarkFromText(\"Copy " + numbers[i] + "\", 0&", 0), 0u) << calls[i];
      EXPECT_NE(calls[i].find(", " + page + ", " + page + ", True,"), std::string::npos) << calls[i];
    }
  }
}

TEST_F(PagesTest, PageArithmeticOverflowsLikeVb) {
  for (const auto& member :
       std::vector<std::function<void(Document&)>>{[](Document& d) { DeletePages(d, INT32_MIN, 0); },
                                                   [](Document& d) { InsertPages(d, "s.pdf", 1, INT32_MIN, 0); },
                                                   [](Document& d) { GetPageNthWord(d, INT32_MIN, 0, false); }}) {
    try {
      member(*doc);
      ADD_FAILURE() << "no overflow";
    } catch (const AutomationError& e) {
      EXPECT_EQ(vb::runtimeErrorOf(e.number()), vb::kOverflow);
    }
  }
}

}  // namespace
}  // namespace dv::lib
