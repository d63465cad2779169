// The viewer stand-in's page operations on real PDFs: a five-page file
// whose pages read "Page 1" ... "Page 5" (Ghostscript), each operation
// checked on the saved file with pdftotext page by page, rotations and
// labels through qpdf's JSON, templates, flattening, thumbnails, links,
// words against pdftotext -bbox, and Acrobat's errors.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "dv/standins/tools.h"
#include "dv/standins/viewer_app.h"
#include "dv/vb.h"

namespace dv::standins {
namespace {

namespace fs = std::filesystem;
using Texts = std::vector<std::string>;

Variant arr(std::vector<Variant> items) { return Variant(Array::vector(VarType::Variant, std::move(items))); }

class ViewerPagesStandInTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Control::instance().reset();
    SharedViewer::instance().reset();
    dir = fs::temp_directory_path() / ("dv_pages_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                                       "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir);
    book = makePdf("book.pdf", {"Page 1", "Page 2", "Page 3", "Page 4", "Page 5"});
    extra = makePdf("extra.pdf", {"Extra 1", "Extra 2"});
  }
  void TearDown() override {
    SharedViewer::instance().reset();
    Control::instance().reset();
    fs::remove_all(dir);
  }
  std::string makePdf(const std::string& name, const Texts& pages) {
    std::string program = "/Helvetica findfont 20 scalefont setfont ";
    for (const std::string& text : pages) program += "72 700 moveto (" + text + ") show showpage ";
    const std::string path = (dir / name).string();
    const ToolResult gs = runTool(
        {"gs", "-q", "-dNOPAUSE", "-dBATCH", "-sDEVICE=pdfwrite", "-sPAPERSIZE=letter", "-o", path, "-c", program});
    EXPECT_TRUE(gs.ok()) << gs.output;
    return path;
  }
  static std::string tool(const std::vector<std::string>& argv) {
    const ToolResult r = runTool(argv);
    EXPECT_TRUE(r.ok()) << argv[0] << ": " << r.output;
    return r.output;
  }
  // Each page's text as pdftotext reads it, page by page.
  static Texts pageTexts(const std::string& path) {
    std::stringstream info(tool({"pdfinfo", path}));
    int pages = 0;
    for (std::string line; std::getline(info, line);)
      if (line.rfind("Pages:", 0) == 0) pages = std::stoi(line.substr(6));
    Texts out;
    for (int n = 1; n <= pages; ++n)
      out.push_back(vb::Trim(vb::Replace(
          vb::Replace(tool({"pdftotext", "-f", std::to_string(n), "-l", std::to_string(n), path, "-"}), "\n", ""), "\f",
          "")));
    return out;
  }
  static Json qpdfJson(const std::string& path, const std::string& key) {
    return Json::parse(tool({"qpdf", "--json=2", "--json-key=" + key, path}))[key];
  }
  // Each page's dictionary, and every object, from qpdf --json.
  static std::vector<Json> pageDictionaries(const std::string& path, Json* objects = nullptr) {
    const Json j = Json::parse(tool({"qpdf", "--json=2", "--json-key=pages", "--json-key=qpdf", path}));
    std::vector<Json> out;
    for (const Json& page : j.at("pages"))
      out.push_back(j.at("qpdf")[1].at("obj:" + page.at("object").get<std::string>()).at("value"));
    if (objects) *objects = j.at("qpdf")[1];
    return out;
  }
  ObjectPtr openJs(const std::string& path) {
    pdDoc = findClassByProgId("AcroExch.PDDoc")->create();
    EXPECT_TRUE(pdDoc->call("Open", {pos(path)}).boolValue());
    return pdDoc->call("GetJSObject").objectValue();
  }
  std::string saved(Object& js, const std::string& name = "out.pdf") {
    const std::string out = (dir / name).string();
    js.call("SaveAs", {pos(out)});
    EXPECT_TRUE(runTool({"qpdf", "--check", out}).ok());
    return out;
  }
  static std::string errorOf(const std::function<void()>& call) {
    try {
      call();
    } catch (const AutomationError& e) {
      return e.description();
    }
    return "no error";
  }

  fs::path dir;
  std::string book, extra;
  ObjectPtr pdDoc;
};

TEST_F(ViewerPagesStandInTest, OperationsGiveThePageOrder) {
  const Texts p = {"Page 1", "Page 2", "Page 3", "Page 4", "Page 5"};
  const Variant none = Variant::missing();
  struct Case {
    const char* what;
    std::vector<std::pair<const char*, Args>> calls;
    Texts pages;
  };
  const std::vector<Case> cases = {
      {"insert before the first page",
       {{"InsertPages", {pos(-1), pos(extra)}}},
       {"Extra 1", "Extra 2", p[0], p[1], p[2], p[3], p[4]}},
      {"insert after the last page",
       {{"InsertPages", {pos(4), pos(extra)}}},
       {p[0], p[1], p[2], p[3], p[4], "Extra 1", "Extra 2"}},
      {"insert one source page after page 3",
       {{"InsertPages", {pos(2), pos(extra), pos(1)}}},
       {p[0], p[1], p[2], "Extra 2", p[3], p[4]}},
      {"insert up to an end alone",
       {{"InsertPages", {pos(0), pos(extra), pos(none), pos(0)}}},
       {p[0], "Extra 1", p[1], p[2], p[3], p[4]}},
      {"replace pages 2 and 3", {{"ReplacePages", {pos(1), pos(extra)}}}, {p[0], "Extra 1", "Extra 2", p[3], p[4]}},
      {"delete without pages: the first", {{"DeletePages", {}}}, {p[1], p[2], p[3], p[4]}},
      {"delete 4 to the last", {{"DeletePages", {pos(3), pos(4)}}}, {p[0], p[1], p[2]}},
      {"move page 5 to the front", {{"MovePage", {pos(4), pos(-1)}}}, {p[4], p[0], p[1], p[2], p[3]}},
      {"move page 1 to the end", {{"MovePage", {pos(0), pos(4)}}}, {p[1], p[2], p[3], p[4], p[0]}},
      {"move page 2 after page 4", {{"MovePage", {pos(1), pos(3)}}}, {p[0], p[2], p[3], p[1], p[4]}},
      {"a new page before the first", {{"NewPage", {pos(0)}}}, {"", p[0], p[1], p[2], p[3], p[4]}},
      {"a new page after the last by default", {{"NewPage", {}}}, {p[0], p[1], p[2], p[3], p[4], ""}},
      {"operations build on each other",
       {{"DeletePages", {pos(0)}}, {"MovePage", {pos(3), pos(-1)}}, {"InsertPages", {pos(0), pos(extra), pos(0)}}},
       {p[4], "Extra 1", p[1], p[2], p[3]}},
  };
  for (const Case& c : cases) {
    ObjectPtr js = openJs(book);
    for (const auto& [member, args] : c.calls) js->call(member, args);
    EXPECT_EQ(vb::CLng(js->get("NumPages")), static_cast<int32_t>(c.pages.size())) << c.what;
    EXPECT_EQ(pageTexts(saved(*js)), c.pages) << c.what;
    js->call("CloseDoc", {pos(true)});
  }
  EXPECT_EQ(pageTexts(book), p);  // never saved over
}

TEST_F(ViewerPagesStandInTest, TheClientsFileChangesOnlyWhenSaved) {
  ObjectPtr js = openJs(book);
  js->call("DeletePages", {pos(0), pos(1)});
  js->call("SetPageRotations", {pos(0), pos(0), pos(90)});
  EXPECT_EQ(vb::CLng(js->get("NumPages")), 3);
  EXPECT_EQ(vb::CStr(js->call("GetPageNthWord", {pos(0), pos(1)})), "3");  // the words follow
  EXPECT_EQ(pageTexts(book).size(), 5u);
  EXPECT_TRUE(vb::CBool(pdDoc->call("Save", {pos(int16_t{1}), pos(book)})));
  EXPECT_EQ(pageTexts(book), (Texts{"Page 3", "Page 4", "Page 5"}));
  EXPECT_EQ(pageDictionaries(book)[0].value("/Rotate", 0), 90);
  // Closing with saving writes later operations too.
  js->call("MovePage", {pos(2), pos(-1)});
  js->call("CloseDoc", {pos(false)});
  EXPECT_EQ(pageTexts(book), (Texts{"Page 5", "Page 3", "Page 4"}));
}

TEST_F(ViewerPagesStandInTest, AcrobatsErrorsLeaveTheDocumentAsItWas) {
  ObjectPtr js = openJs(book);
  const std::string range = "RangeError: Invalid argument value. ===> Parameter ";
  struct Case {
    const char* member;
    Args args;
    std::string error;
  };
  const std::vector<Case> cases = {
      {"DeletePages", {pos(0), pos(4)}, "GeneralError: Operation failed."},
      {"DeletePages", {pos(5)}, range + "nStart."},
      {"DeletePages", {pos(3), pos(1)}, range + "nEnd."},
      {"InsertPages", {pos(5), pos(extra)}, range + "nPage."},
      {"InsertPages", {pos(-2), pos(extra)}, range + "nPage."},
      {"InsertPages", {pos(0), pos(extra), pos(2)}, range + "nStart."},
      {"InsertPages",
       {pos(0), pos((dir / "absent.pdf").string())},
       "UnsupportedValueError: Value is unsupported. ===> Parameter cPath."},
      {"ReplacePages", {pos(4), pos(extra)}, range + "nPage."},
      {"MovePage", {pos(5)}, range + "nPage."},
      {"MovePage", {pos(0), pos(-2)}, range + "nAfter."},
      {"NewPage", {pos(6)}, range + "nPage."},
      {"SetPageRotations", {pos(0), pos(0), pos(45)}, range + "nRotate."},
      {"GetPageLabel", {pos(5)}, range + "nPage."},
      {"SetPageLabels", {pos(0), pos(arr({Variant("X"), Variant(""), Variant(1)}))}, range + "aLabel."},
      {"SetPageTabOrder", {pos(0), pos("diagonal")}, range + "cOrder."},
      {"SpawnPageFromTemplate", {pos("none")}, "TypeError: Invalid argument type. ===> Parameter cTemplate."},
      {"getPageBox", {pos("Crop"), pos(9)}, range + "nPage."},
      {"FlattenPages", {pos(0), pos(0), pos(3)}, range + "nNonPrint."},
  };
  for (const Case& c : cases) EXPECT_EQ(errorOf([&] { js->call(c.member, c.args); }), c.error) << c.member;
  EXPECT_EQ(vb::CLng(js->get("NumPages")), 5);
  EXPECT_FALSE(vb::CBool(js->get("Dirty")));
}

TEST_F(ViewerPagesStandInTest, RotationsLabelsTabOrderAndBoxesInTheFile) {
  ObjectPtr js = openJs(book);
  js->call("SetPageRotations", {pos(1), pos(2), pos(270)});
  js->call("SetPageLabels", {pos(0), pos(arr({Variant("r"), Variant(""), Variant(1)}))});
  js->call("SetPageLabels", {pos(3), pos(arr({Variant("D"), Variant("A-"), Variant(7)}))});
  js->call("SetPageTabOrder", {pos(4), pos("columns")});
  EXPECT_EQ(vb::CLng(js->call("GetPageRotation", {pos(2)})), 270);
  EXPECT_EQ(vb::CLng(js->call("GetPageRotation", {pos(0)})), 0);
  Texts labels;
  for (int i = 0; i < 5; ++i) labels.push_back(vb::CStr(js->call("GetPageLabel", {pos(i)})));
  EXPECT_EQ(labels, (Texts{"i", "ii", "iii", "A-7", "A-8"}));
  const Array box = js->call("getPageBox", {pos("Crop")}).arrayValue();
  EXPECT_EQ((std::vector<double>{vb::CDbl(box.at(0)), vb::CDbl(box.at(1)), vb::CDbl(box.at(2)), vb::CDbl(box.at(3))}),
            (std::vector<double>{0, 792, 612, 0}));

  const std::string out = saved(*js);
  const std::vector<Json> pages = pageDictionaries(out);
  for (size_t i = 0; i < 5; ++i) EXPECT_EQ(pages[i].value("/Rotate", 0), i == 1 || i == 2 ? 270 : 0) << i;
  EXPECT_EQ(pages[4].value("/Tabs", ""), "/C");
  const Json ranges = qpdfJson(out, "pagelabels");
  ASSERT_EQ(ranges.size(), 2u);
  EXPECT_EQ(ranges[0].at("label").at("/S"), "/r");
  EXPECT_EQ(ranges[1].at("index"), 3);
  EXPECT_EQ(ranges[1].at("label").at("/P"), "u:A-");
  EXPECT_EQ(ranges[1].at("label").at("/St"), 7);

  // Taking the first range off leaves plain numbers before the second.
  js->call("SetPageLabels", {pos(0)});
  EXPECT_EQ(vb::CStr(js->call("GetPageLabel", {pos(1)})), "2");
  EXPECT_EQ(vb::CStr(js->call("GetPageLabel", {pos(4)})), "A-8");
}

TEST_F(ViewerPagesStandInTest, WordsAndQuadsFollowTheOperationsAndMatchPdftotext) {
  ObjectPtr js = openJs(book);
  js->call("MovePage", {pos(4), pos(-1)});
  EXPECT_EQ(vb::CStr(js->call("GetPageNthWord", {pos(0), pos(1)})), "5");
  EXPECT_EQ(vb::CLng(js->call("getPageNumWords", {pos(1)})), 2);
  const Array quads = js->call("GetPageNthWordQuads", {pos(0), pos(1)}).arrayValue();
  const Array& q = quads.at(0).arrayValue();
  const std::string out = saved(*js);
  // pdftotext -bbox: <word xMin="..." yMin="..." xMax="..." yMax="...">5</word>, from the top left.
  const std::string html = tool({"pdftotext", "-bbox", "-f", "1", "-l", "1", out, "-"});
  const size_t at = html.rfind("<word", html.find(">5</word>"));
  auto attr = [&](const std::string& name) {
    const size_t p = html.find(name + "=\"", at) + name.size() + 2;
    return std::stod(html.substr(p, html.find('"', p) - p));
  };
  // Acrobat's corner order: upper left, upper right, lower left, lower right.
  const std::vector<double> expected = {attr("xMin"), 792 - attr("yMin"), attr("xMax"), 792 - attr("yMin"),
                                        attr("xMin"), 792 - attr("yMax"), attr("xMax"), 792 - attr("yMax")};
  for (int32_t i = 0; i < 8; ++i) EXPECT_NEAR(vb::CDbl(q.at(i)), expected[static_cast<size_t>(i)], 0.01) << i;
}

// The words reach the viewer as the tool writes them, JSON strings and all:
// quotes and backslashes come escaped, and a file that cannot be read
// raises rather than waits.
TEST_F(ViewerPagesStandInTest, WordsWithEscapesAndAFileThatCannotBeRead) {
  ObjectPtr js = openJs(makePdf("marks.pdf", {"say \"hi\" back\\\\slash", "Page 2"}));
  EXPECT_EQ(vb::CLng(js->call("getPageNumWords", {pos(0)})), 3);
  EXPECT_EQ(vb::CStr(js->call("GetPageNthWord", {pos(0), pos(1), pos(false)})), "\"hi\" ");
  EXPECT_EQ(vb::CStr(js->call("GetPageNthWord", {pos(0), pos(1), pos(true)})), "hi");
  EXPECT_EQ(vb::CStr(js->call("GetPageNthWord", {pos(0), pos(2), pos(false)})), "back\\slash");
  EXPECT_EQ(vb::CStr(js->call("GetPageNthWord", {pos(1), pos(1)})), "2");

  const std::string broken = makePdf("broken.pdf", {"Page 1"});
  ObjectPtr other = openJs(broken);
  std::ofstream(broken, std::ios::binary | std::ios::trunc) << "not a PDF any more";
  try {
    other->call("getPageNumWords", {pos(0)});
    ADD_FAILURE() << "the words of a file that is no PDF";
  } catch (const AutomationError& e) {
    EXPECT_NE(e.description().find("The text of the document cannot be read"), std::string::npos) << e.description();
  }
}

TEST_F(ViewerPagesStandInTest, WordsAfterPagesInsertedInFrontOfADocumentCutShort) {
  ObjectPtr js = openJs(book);
  js->call("MovePage", {pos(4), pos(-1)});
  js->call("InsertPages", {pos(4), pos(extra)});
  js->call("DeletePages", {pos(3), pos(6)});
  js->call("InsertPages", {pos(-1), pos(extra)});
  EXPECT_EQ(vb::CStr(js->call("GetPageNthWord", {pos(0), pos(0), pos(true)})), "Extra");
}

TEST_F(ViewerPagesStandInTest, TemplatesSpawnPagesWithRenamedFields) {
  ObjectPtr js = openJs(book);
  js->call("addField",
           {pos("name"), pos("text"), pos(1), pos(arr({Variant(72), Variant(600), Variant(272), Variant(580)}))});
  js->call("CreateTemplate", {pos("form"), pos(1)});
  EXPECT_EQ(vb::CLng(js->get("NumTemplates")), 1);
  EXPECT_EQ(vb::CStr(js->call("GetNthTemplate", {pos(0)})), "form");
  js->call("SpawnPageFromTemplate", {pos("form"), pos(4), pos(true), pos(false)});
  js->call("SpawnPageFromTemplate", {pos("form"), pos(0), pos(true), pos(true)});
  EXPECT_EQ(vb::CLng(js->get("NumPages")), 6);
  Texts fields;
  for (int32_t i = 0; i < vb::CLng(js->get("NumFields")); ++i)
    fields.push_back(vb::CStr(js->call("GetNthFieldName", {pos(i)})));
  std::sort(fields.begin(), fields.end());
  EXPECT_EQ(fields, (Texts{"P0.form.name", "P4.form.name", "name"}));
  const Texts pages = pageTexts(saved(*js));
  EXPECT_EQ(pages[4], "Page 2");  // the spawned page, before page 5
  // Overlaid: the template's text over the page's own, in the same place.
  EXPECT_NE(pages[0].find('1'), std::string::npos) << pages[0];
  EXPECT_NE(pages[0].find('2'), std::string::npos) << pages[0];
  EXPECT_EQ(vb::CStr(js->call("GetNthTemplate", {pos(0)})), "form");
}

TEST_F(ViewerPagesStandInTest, FlatteningKeepsTheFieldsOfOtherPages) {
  ObjectPtr js = openJs(book);
  for (const auto& [name, page] : std::vector<std::pair<const char*, int>>{{"first", 0}, {"third", 2}}) {
    js->call("addField",
             {pos(name), pos("text"), pos(page), pos(arr({Variant(72), Variant(600), Variant(272), Variant(580)}))});
    ObjectPtr field = js->call("GetField", {pos(name)}).objectValue();
    field->let("Value", Variant(std::string("filled ") + name));
  }
  js->call("FlattenPages", {pos(0), pos(0), pos(int16_t{0})});
  EXPECT_EQ(vb::CLng(js->get("NumFields")), 1);
  EXPECT_EQ(vb::CStr(js->call("GetNthFieldName", {pos(0)})), "third");
  const std::string out = saved(*js);
  const Json f = pdfFacts(toolRunner(), out, "").json;
  for (const Json& a : f.at("annotations")) EXPECT_NE(a.at("page"), 1) << a.dump();
  EXPECT_NE(pageTexts(out)[0].find("filled first"), std::string::npos);  // now page content
}

TEST_F(ViewerPagesStandInTest, ThumbnailsAndWebLinks) {
  const std::string web = makePdf("web.pdf", {"see https://example.com now", "and www.example.org too", "none"});
  ObjectPtr js = openJs(web);
  js->call("AddThumbnails", {});
  js->call("RemoveThumbnails", {pos(1)});
  EXPECT_EQ(vb::CLng(js->call("AddWebLinks", {})), 2);
  EXPECT_EQ(vb::CLng(js->call("AddWebLinks", {})), 0);  // not doubled
  EXPECT_EQ(vb::CLng(js->call("RemoveWebLinks", {pos(1), pos(2)})), 1);
  const std::string out = saved(*js);
  const Json f = pdfFacts(toolRunner(), out, "").json;
  std::vector<bool> thumbs;
  for (const Json& p : f.at("pages")) thumbs.push_back(p.value("thumbnail", false));
  EXPECT_EQ(thumbs, (std::vector<bool>{true, false, true}));
  int links = 0;
  for (const Json& a : f.at("annotations")) links += a.at("subtype") == "Link" && a.at("page") == 1;
  EXPECT_EQ(links, 1);
  // A thumbnail is an image of the page, at most 106 pixels a side.
  Json objects;
  const std::vector<Json> dicts = pageDictionaries(out, &objects);
  const Json image = objects.at("obj:" + dicts[0].at("/Thumb").get<std::string>()).at("stream").at("dict");
  EXPECT_LE(image.at("/Height").get<int>(), 106) << image.dump();
  EXPECT_GE(image.at("/Height").get<int>(), 104) << image.dump();
  EXPECT_LE(image.at("/Width").get<int>(), 106);
  EXPECT_EQ(image.at("/ColorSpace"), "/DeviceRGB");
}

TEST_F(ViewerPagesStandInTest, WatermarksOnExactlyTheirPages) {
  ObjectPtr js = openJs(book);
  const Variant black = arr({Variant("G"), Variant(0)});
  js->call("AddWatermarkFromText",
           {pos("DRAFT"), pos(1), pos("Helvetica-Bold"), pos(36), pos(black), pos(1), pos(3), pos(true), pos(true),
            pos(true), pos(1), pos(4), pos(0), pos(50), pos(false), pos(1.0), pos(false), pos(90), pos(0.5)});
  js->call("AddWatermarkFromFile", {pos(extra), pos(1), pos(4), pos(4), pos(false)});
  const Texts pages = pageTexts(saved(*js));
  ASSERT_EQ(pages.size(), 5u);
  for (size_t i = 0; i < 5; ++i)
    EXPECT_EQ(pages[i].find("DRAFT") != std::string::npos, i >= 1 && i <= 3) << i << ": " << pages[i];
  EXPECT_NE(pages[4].find("Extra 2"), std::string::npos) << pages[4];
  EXPECT_EQ(pages[3].find("Extra"), std::string::npos) << pages[3];
  EXPECT_EQ(errorOf([&] {
              js->call("AddWatermarkFromText", {pos("x"), pos(1), pos("Arial")});
            }),
            "RangeError: Invalid argument value. ===> Parameter cFont.");

  // Before version 7 the viewer has no watermark members.
  Control::instance().setSetting("AcrobatVersion", "6.0");
  EXPECT_EQ(errorOf([&] { js->call("AddWatermarkFromText", {pos("x")}); }), "Unknown name.");
}

TEST_F(ViewerPagesStandInTest, ExtractPagesWritesTheRangeAndKeepsTheDocument) {
  ObjectPtr js = openJs(book);
  js->call("MovePage", {pos(4), pos(-1)});
  const std::string part = (dir / "part.pdf").string();
  js->call("ExtractPages", {pos(0), pos(1), pos(part)});
  EXPECT_EQ(pageTexts(part), (Texts{"Page 5", "Page 1"}));
  js->call("ExtractPages", {pos(3), pos(Variant::missing()), pos(part)});
  EXPECT_EQ(pageTexts(part), (Texts{"Page 3"}));
  EXPECT_EQ(vb::CLng(js->get("NumPages")), 5);
}

}  // namespace
}  // namespace dv::standins
