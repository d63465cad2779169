// The viewer stand-in merging real files and bookmarking them: PDDoc Create
// and InsertPages (the pages taken at the call), FindText on the page
// text, "NewBookmark", PDBookmark SetTitle, JavaScript createChild, Parent
// and execute, and the saved files read back with dv-pdftool.
#include <gtest/gtest.h>

#include <filesystem>

#include "dv/standins/file_hold.h"
#include "dv/standins/tools.h"
#include "dv/standins/viewer_app.h"
#include "dv/vb.h"

namespace dv::standins {
namespace {

namespace fs = std::filesystem;

class ViewerMergeStandInTest : public ::testing::Test {
 protected:
  static void resetControl() {
    std::vector<JournalEntry> keep = Control::instance().journal();
    Control::instance().reset();
  }
  void SetUp() override {
    resetControl();
    SharedViewer::instance().reset();
    dir = fs::temp_directory_path() / ("dv_merge_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                                       "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir);
  }
  void TearDown() override {
    SharedViewer::instance().reset();
    resetControl();
    fs::remove_all(dir);
  }
  // A PDF whose pages carry the given words, and an outline from pdfmarks.
  std::string makePdf(const std::string& name, const std::vector<std::string>& pages, const std::string& marks = "") {
    std::string program = "/Helvetica findfont 20 scalefont setfont ";
    for (const std::string& text : pages) program += "72 700 moveto (" + text + ") show showpage ";
    program += marks;
    const std::string path = (dir / name).string();
    const ToolResult gs = runTool({"gs", "-q", "-dNOPAUSE", "-dBATCH", "-sDEVICE=pdfwrite", "-o", path, "-c", program});
    EXPECT_TRUE(gs.ok()) << gs.output;
    return path;
  }
  Json facts(const std::string& path) {
    const PdfToolAnswer a = pdfFacts(toolRunner(), path, "");
    EXPECT_TRUE(a.ok()) << a.error;
    return a.json;
  }
  void expectChecked(const std::string& path) {
    const ToolResult check = runTool({"qpdf", "--check", path});
    EXPECT_TRUE(check.ok()) << check.output;
  }
  ObjectPtr create(const char* progId) { return findClassByProgId(progId)->create(); }
  ObjectPtr open(const std::string& path) {
    ObjectPtr doc = create("AcroExch.PDDoc");
    EXPECT_TRUE(doc->call("Open", {pos(path)}).boolValue());
    return doc;
  }
  static std::string titles(const Json& outline) {
    std::string out;
    for (const Json& item : outline) {
      out += (out.empty() ? "" : " ") + item.at("title").get<std::string>() + "@" +
             (item.at("page").is_null() ? std::string("-") : std::to_string(item.at("page").get<int>()));
      if (item.contains("kids")) out += " (" + titles(item.at("kids")) + ")";
    }
    return out;
  }
  fs::path dir;
};

TEST_F(ViewerMergeStandInTest, AnOpenDocumentHoldsItsFileUntilClosed) {
  const std::string a = makePdf("a.pdf", {"one"});
  ObjectPtr doc = open(a);
  EXPECT_TRUE(FileHold::held(a));
  ObjectPtr jso = doc->call("GetJSObject").objectValue();
  doc->call("Close");
  EXPECT_FALSE(FileHold::held(a));
  ObjectPtr view = create("AcroExch.AVDoc");
  ASSERT_TRUE(view->call("Open", {pos(a), pos("")}).boolValue());
  EXPECT_TRUE(FileHold::held(a));
  view->call("Close", {pos(true)});
  EXPECT_FALSE(FileHold::held(a));

  // The viewer cannot save over a file another open document holds.
  const std::string b = makePdf("b.pdf", {"two"});
  ObjectPtr first = open(a), second = open(b);
  EXPECT_FALSE(second->call("Save", {pos(int16_t{1}), pos(a)}).boolValue());
  EXPECT_TRUE(second->call("Save", {pos(int16_t{1}), pos(b)}).boolValue());
}

TEST_F(ViewerMergeStandInTest, InsertedPagesAndOutlinesAreTakenAtTheCall) {
  const std::string a = makePdf("a.pdf", {"a1", "a2"}, "[/Title (A) /Page 2 /View [/XYZ 10 500 null] /OUT pdfmark");
  const std::string b =
      makePdf("b.pdf", {"b1", "b2", "b3"},
              "[/Title (B) /Page 1 /Count 1 /OUT pdfmark [/Title (B3) /Page 3 /View [/XYZ 20 600 null] /OUT pdfmark");
  ObjectPtr target = create("AcroExch.PDDoc");
  ASSERT_TRUE(target->call("Create").boolValue());
  EXPECT_EQ(vb::CLng(target->call("GetNumPages")), 0);
  for (const std::string& path : {a, b}) {
    ObjectPtr source = open(path);
    const int32_t n = vb::CLng(source->call("GetNumPages"));
    const int32_t t = vb::CLng(target->call("GetNumPages"));
    EXPECT_TRUE(target->call("InsertPages", {pos(t - 1), pos(source), pos(int32_t{0}), pos(n), pos(true)}).boolValue());
    source->call("Close");
  }
  EXPECT_EQ(vb::CLng(target->call("GetNumPages")), 5);
  fs::remove(a);  // gone before the save: its pages were taken already
  fs::remove(b);
  ObjectPtr bad = open(makePdf("c.pdf", {"c"}));
  EXPECT_FALSE(target->call("InsertPages", {pos(int32_t{7}), pos(bad), pos(int32_t{0}), pos(int32_t{1}), pos(true)})
                   .boolValue());
  EXPECT_FALSE(target->call("InsertPages", {pos(int32_t{4}), pos(bad), pos(int32_t{0}), pos(int32_t{2}), pos(true)})
                   .boolValue());

  const std::string merged = (dir / "merged.pdf").string();
  ASSERT_TRUE(target->call("Save", {pos(int16_t{5}), pos(merged)}).boolValue());
  target->call("Close");
  expectChecked(merged);
  const Json f = facts(merged);
  EXPECT_EQ(f.at("pageCount"), 5);
  EXPECT_EQ(titles(f.at("outline")), "A@2 B@3 (B3@5)");
  EXPECT_EQ(f.at("outline")[1].at("kids")[0].value("top", 0.0), 600);
  const Json text = pdfText(toolRunner(), merged, "").json;
  EXPECT_NE(text.at("pages")[4].at("text").get<std::string>().find("b3"), std::string::npos);
}

TEST_F(ViewerMergeStandInTest, FoundTextGetsANamedBookmarkAtItsPage) {
  const std::string book = makePdf("book.pdf", {"Intro", "The Method", "Results and method"});
  ObjectPtr app = create("AcroExch.App");
  ObjectPtr pdDoc = open(book);
  ObjectPtr view = pdDoc->call("OpenAVDoc", {pos("book.pdf")}).objectValue();
  ObjectPtr bookmark = create("AcroExch.PDBookmark");
  auto find = [&](const char* text, bool caseSensitive, bool whole, bool reset) {
    return view->call("FindText", {pos(text), pos(caseSensitive), pos(whole), pos(reset)}).boolValue();
  };
  EXPECT_FALSE(find("METHOD", true, false, true));   // case counts
  EXPECT_FALSE(find("Meth", false, true, true));     // whole words only
  EXPECT_TRUE(find("method", false, false, true));   // page 2
  EXPECT_TRUE(find("method", false, false, false));  // continues: page 3
  EXPECT_EQ(SharedViewer::instance().find(book)->currentPage, 2);
  EXPECT_FALSE(find("method", false, false, false));  // no further
  EXPECT_TRUE(find("the method", false, true, true));

  EXPECT_TRUE(app->call("MenuItemExecute", {pos("NewBookmark")}).boolValue());
  EXPECT_TRUE(bookmark->call("GetByTitle", {pos(pdDoc), pos("Untitled")}).boolValue());
  EXPECT_TRUE(bookmark->call("SetTitle", {pos("Method")}).boolValue());
  EXPECT_FALSE(bookmark->call("GetByTitle", {pos(pdDoc), pos("Untitled")}).boolValue());
  ASSERT_TRUE(pdDoc->call("Save", {pos(int16_t{0}), pos(book)}).boolValue());
  view->call("Close", {pos(true)});
  pdDoc->call("Close");
  expectChecked(book);
  const Json outline = facts(book).at("outline");
  EXPECT_EQ(titles(outline), "Method@2");
  EXPECT_NEAR(outline[0].value("top", 0.0), 714, 5);  // the found word's top, from the bottom of the page
}

TEST_F(ViewerMergeStandInTest, JavaScriptBookmarksAreCreatedNestedAndRunWhenExecuted) {
  const std::string target = makePdf("t.pdf", {"one", "two", "three"});
  ObjectPtr view = create("AcroExch.AVDoc");
  ASSERT_TRUE(view->call("Open", {pos(target), pos("tmp")}).boolValue());
  ObjectPtr pageView = view->call("GetAVPageView").objectValue();
  ObjectPtr pdDoc = pageView->call("GetDoc").objectValue();
  ObjectPtr jso = pdDoc->call("GetJSObject").objectValue();
  jso->let("Layout", Variant("SinglePage"));
  EXPECT_THROW(jso->let("Layout", Variant("Sideways")), AutomationError);
  ObjectPtr root = jso->get("BookMarkRoot").objectValue();
  root->call("createChild", {pos("Top"), pos("this.pageNum = 2;this.scroll(30,400);"), pos(int32_t{0})});
  ObjectPtr top = root->get("Children").arrayValue().at(0).objectValue();
  top->call("createChild", {pos("Inner"), pos("this.pageNum = 1"), pos(int32_t{0})});
  root->call("createChild", {pos("First"), pos("this.pageNum = 0"), pos(int32_t{0})});
  EXPECT_THROW(root->call("createChild", {pos("Far"), pos(""), pos(int32_t{5})}), AutomationError);
  ObjectPtr inner = top->get("Children").arrayValue().at(0).objectValue();
  EXPECT_EQ(vb::CStr(inner->get("Parent").objectValue()->get("Name")), "Top");
  EXPECT_THROW(root->get("Parent"), AutomationError);

  top->call("Execute");
  EXPECT_EQ(vb::CLng(pageView->call("GetPageNum")), 2);
  EXPECT_EQ(vb::CLng(pageView->call("GetPage").objectValue()->call("GetNumber")), 2);
  EXPECT_EQ(vb::CDbl(jso->get("mouseX")), 30);
  EXPECT_EQ(vb::CDbl(jso->get("mouseY")), 400);
  inner->call("Execute");
  EXPECT_EQ(vb::CLng(pageView->call("GetPageNum")), 1);

  ASSERT_TRUE(pdDoc->call("SetPageMode", {pos(int32_t{1})}).boolValue());
  ASSERT_TRUE(pdDoc->call("Save", {pos(int16_t{1}), pos(target)}).boolValue());
  view->call("Close", {pos(false)});
  expectChecked(target);
  const Json outline = facts(target).at("outline");
  EXPECT_EQ(titles(outline), "First@- Top@- (Inner@-)");
  EXPECT_EQ(outline[1].value("javascript", ""), "this.pageNum = 2;this.scroll(30,400);");
  EXPECT_EQ(outline[1].at("kids")[0].value("javascript", ""), "this.pageNum = 1");
}

}  // namespace
}  // namespace dv::standins
