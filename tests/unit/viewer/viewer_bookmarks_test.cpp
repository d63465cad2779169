// Creating bookmarks where a text is found, reading an outline into a
// table, and copying an outline as JavaScript bookmarks.
#include <gtest/gtest.h>

#include "viewer/pdf_bookmarks.h"
#include "viewer_fake_merge.h"
#include "viewer_fixture.h"

namespace dv::lib {
namespace {

using testing::FakeBookmark;
using testing::Lines;

class BookmarksTest : public testing::ViewerFixture {
 protected:
  BookmarksTest() { merge = testing::addMergeMembers(*viewer, fake.files); }
  // Intro@0, Chapter@1 > (Part A@2 > Detail@3, Part B@4), End@5
  void addBook(const std::string& path) {
    FakeBookmark detail{"Detail", 3, {}, 30, 300};
    FakeBookmark partA{"Part A", 2, {detail}, 20, 200};
    FakeBookmark partB{"Part B", 4, {}, 40, 400};
    addPdf(path, 6).outline({FakeBookmark{"Intro", 0, {}, 72, 720}, FakeBookmark{"Chapter", 1, {partA, partB}, 10, 100},
                             FakeBookmark{"End", 5, {}, 50, 500}});
  }
  CreateBookmarksRequest request(std::vector<std::string> titles, bool single = false) {
    CreateBookmarksRequest r;
    r.pdfFile = "C:\\d\\text.pdf";
    r.titles = std::move(titles);
    r.single = single;
    return r;
  }
  static std::string row(const Array& table, int32_t r) {
    std::string out;
    for (int32_t c = table.lbound(2); c <= table.ubound(2); ++c)
      out += (c ? "|" : "") + testing::render(table.at(r, c));
    return out;
  }
  std::shared_ptr<testing::FakeMergeState> merge;
};

TEST_F(BookmarksTest, FoundTitlesBecomeBookmarksAndTheFileIsSavedInPlace) {
  addPdf("C:\\d\\text.pdf", 3);
  merge->pageTexts["C:\\d\\text.pdf"] = {"intro", "the method", "results"};
  const uint64_t start = tickMs();
  createBookmarksInPdf(ctx, request({"Method", "missing", "Results"}));
  EXPECT_EQ(
      viewer->journal,
      (Lines{"create AcroExch.App", "create AcroExch.PDDoc", "PDDoc.Open(C:\\d\\text.pdf)", "PDDoc.OpenAVDoc(text.pdf)",
             "create AcroExch.PDBookmark", "PDDoc.SetFlags(256)", "AVDoc.FindText(Method,False,False,False)",
             "App.MenuItemExecute(NewBookmark)", "PDBookmark.GetByTitle(<obj>,Untitled)", "PDBookmark.SetTitle(Method)",
             "AVDoc.FindText(missing,False,False,False)", "AVDoc.FindText(Results,False,False,False)",
             "App.MenuItemExecute(NewBookmark)", "PDBookmark.GetByTitle(<obj>,Untitled)",
             "PDBookmark.SetTitle(Results)", "PDDoc.Save(0,C:\\d\\text.pdf)", "AVDoc.Close(True)", "PDDoc.Close()",
             "App.Exit()"}));
  EXPECT_EQ(tickMs() - start, 2000u);  // one pause per bookmark
  const auto& outline = viewer->files.at("C:\\d\\text.pdf").outline;
  ASSERT_EQ(outline.size(), 2u);
  EXPECT_EQ(outline[0].name + "@" + std::to_string(outline[0].page), "Method@1");
  EXPECT_EQ(outline[1].name + "@" + std::to_string(outline[1].page), "Results@2");
}

TEST_F(BookmarksTest, TheSingleFormPausesAgainAfterRenamingAndPassesTheFlags) {
  addPdf("C:\\d\\text.pdf", 2);
  merge->pageTexts["C:\\d\\text.pdf"] = {"one", "Two"};
  version = 5.0;  // no view title up to 5.0
  const uint64_t start = tickMs();
  CreateBookmarksRequest r = request({"Two"}, true);
  r.caseSensitive = r.wholeWordsOnly = r.reset = true;
  createBookmarksInPdf(ctx, r);
  EXPECT_EQ(tickMs() - start, 2000u);
  EXPECT_EQ(viewer->calls("AVDoc.FindText"), Lines{"AVDoc.FindText(Two,True,True,True)"});
  EXPECT_EQ(viewer->calls("PDDoc.OpenAVDoc"), Lines{"PDDoc.OpenAVDoc()"});
}

TEST_F(BookmarksTest, AFailureTakesTheViewerErrorExitAndAMissingFileCreatesNothing) {
  addPdf("C:\\d\\text.pdf", 1);
  merge->pageTexts["C:\\d\\text.pdf"] = {"word"};
  viewer->fail("PDBookmark.SetTitle", 13, "Type mismatch");
  EXPECT_THROW(createBookmarksInPdf(ctx, request({"word"})), AutomationError);
  EXPECT_EQ(Lines(viewer->journal.end() - 3, viewer->journal.end()),
            (Lines{"AVDoc.Close(True)", "PDDoc.Close()", "App.Exit()"}));
  EXPECT_TRUE(viewer->calls("PDDoc.Save").empty());
  EXPECT_EQ(viewer->live, 0);
  viewer->journal.clear();
  CreateBookmarksRequest missing = request({"x"});
  missing.pdfFile = "C:\\d\\none.pdf";
  EXPECT_THROW(createBookmarksInPdf(ctx, missing), AutomationError);
  EXPECT_TRUE(viewer->journal.empty());
  EXPECT_THROW(bookmarkTitles(Variant("one title")), AutomationError);
  EXPECT_EQ(bookmarkTitles(Variant(Array::vector(VarType::Variant, {Variant("a"), Variant(int32_t{2})}, 3))),
            (Lines{"a", "2"}));
}

TEST_F(BookmarksTest, TheTableHasThreeColumnsBelowSevenAndFiveFrom) {
  addBook("C:\\d\\book.pdf");
  struct Case {
    double version;
    Lines rows;
  };
  for (const Case& c : {Case{6.0, {"Intro|1|0", "Chapter|1|1", "Part A|2|2", "Detail|3|3", "Part B|2|4", "End|1|5"}},
                        Case{9.0,
                             {"Intro|1|0|72|720", "Chapter|1|1|10|100", "Part A|2|2|20|200", "Detail|3|3|30|300",
                              "Part B|2|4|40|400", "End|1|5|50|500"}}}) {
    version = c.version;
    viewer->journal.clear();
    Variant table;
    Variant slot = Variant::ref(table);
    EXPECT_EQ(bookmarksToArray(ctx, "C:\\d\\book.pdf", slot), 6);
    ASSERT_TRUE(table.isArray());
    Lines rows;
    for (int32_t r = 0; r <= table.arrayValue().ubound(1); ++r) rows.push_back(row(table.arrayValue(), r));
    EXPECT_EQ(rows, c.rows) << c.version;
    // Top-level pages come from the page object, nested ones from the view.
    EXPECT_EQ(viewer->calls("PDPage.GetNumber").size(), 3u);
    EXPECT_EQ(viewer->calls("PageView.GetPageNum").size(), 3u);
    // Nested bookmarks read the mouse only where the table keeps it.
    EXPECT_EQ(viewer->calls("JSO.mouseX").size(), c.version >= 7.0 ? 6u : 0u);
    EXPECT_EQ(Lines(viewer->journal.end() - 3, viewer->journal.end()),
              (Lines{"PDDoc.Close()", "AVDoc.Close(False)", "JSO.CloseDoc()"}));
    EXPECT_EQ(viewer->live, 0);
  }
  EXPECT_EQ(viewer->calls("AVDoc.Open"), Lines{"AVDoc.Open(C:\\d\\book.pdf,temp)"});
  EXPECT_EQ(viewer->calls("JSO.Layout"), Lines{"JSO.Layout=SinglePage"});
}

TEST_F(BookmarksTest, ReadingSkipsFailuresAndCountsWhatItReached) {
  addBook("C:\\d\\book.pdf");
  addPdf("C:\\d\\plain.pdf", 2);
  Variant table("untouched");
  Variant slot = Variant::ref(table);
  EXPECT_EQ(bookmarksToArray(ctx, "C:\\d\\plain.pdf", slot), 0);
  EXPECT_EQ(vb::CStr(table), "untouched");  // no rows: nothing to size

  viewer->fail("Bookmark.Execute", 5, "failed");
  EXPECT_EQ(bookmarksToArray(ctx, "C:\\d\\book.pdf", slot), 6);
  EXPECT_EQ(vb::CStr(table.arrayValue().at(3, 0)), "Detail");

  viewer->failures.clear();
  viewer->fail("AVDoc.Open", 5, "failed");
  EXPECT_EQ(bookmarksToArray(ctx, "C:\\d\\book.pdf", slot), 0);
  EXPECT_EQ(viewer->live, 0);
  EXPECT_THROW(bookmarksToArray(ctx, "C:\\d\\none.pdf", slot), AutomationError);
}

TEST_F(BookmarksTest, CopiedOutlineKeepsItsShapeWithScriptsThatScrollOnlyWhereBothValuesExist) {
  addBook("C:\\d\\book.pdf");
  addPdf("C:\\d\\target.pdf", 6);
  EXPECT_EQ(bookmarksToPdf(ctx, "C:\\d\\book.pdf", "C:\\d\\target.pdf"), 6);
  const auto& outline = viewer->files.at("C:\\d\\target.pdf").outline;
  ASSERT_EQ(outline.size(), 3u);
  EXPECT_EQ(outline[0].name, "Intro");
  EXPECT_EQ(outline[0].action, "this.pageNum = 0;this.scroll(72,720);");
  ASSERT_EQ(outline[1].children.size(), 2u);
  EXPECT_EQ(outline[1].children[0].name, "Part A");
  EXPECT_EQ(outline[1].children[0].action, "this.pageNum = 2");  // nested: no position was read
  ASSERT_EQ(outline[1].children[0].children.size(), 1u);
  EXPECT_EQ(outline[1].children[0].children[0].name, "Detail");
  EXPECT_EQ(outline[1].children[1].name, "Part B");
  EXPECT_EQ(outline[2].name, "End");
  EXPECT_EQ(viewer->calls("Bookmark[Root].createChild"),
            (Lines{"Bookmark[Root].createChild(Intro,this.pageNum = 0;this.scroll(72,720);,0)",
                   "Bookmark[Root].createChild(Chapter,this.pageNum = 1;this.scroll(10,100);,1)",
                   "Bookmark[Root].createChild(End,this.pageNum = 5;this.scroll(50,500);,2)"}));
  EXPECT_EQ(viewer->calls("Bookmark[Part A].Parent"), Lines{"Bookmark[Part A].Parent()"});
  EXPECT_EQ(viewer->calls("Bookmark[Chapter].Parent"), Lines{"Bookmark[Chapter].Parent()"});
  EXPECT_EQ(viewer->calls("PageView.GoTo"), (Lines{"PageView.GoTo(0)", "PageView.GoTo(1)", "PageView.GoTo(2)",
                                                   "PageView.GoTo(3)", "PageView.GoTo(4)", "PageView.GoTo(5)"}));
  EXPECT_EQ(Lines(viewer->journal.end() - 5, viewer->journal.end()),
            (Lines{"PDDoc.SetPageMode(1)", "PDDoc.Save(1,C:\\d\\target.pdf)", "JSO.CloseDoc()", "PDDoc.Close()",
                   "AVDoc.Close(False)"}));
  EXPECT_EQ(viewer->live, 0);
}

TEST_F(BookmarksTest, ActionsBelowSevenOnlyTurnThePage) {
  BookmarkRow r;
  r.page = Variant(int32_t{4});
  r.x = Variant(1.5);
  EXPECT_EQ(bookmarkAction(r, 9.0), "this.pageNum = 4");  // y missing: no scroll
  r.y = Variant(int32_t{700});
  EXPECT_EQ(bookmarkAction(r, 9.0), "this.pageNum = 4;this.scroll(1.5,700);");
  EXPECT_EQ(bookmarkAction(r, 6.0), "this.pageNum = 4");
  r.y = Variant::null();
  EXPECT_EQ(bookmarkAction(r, 9.0), "this.pageNum = 4");
}

TEST_F(BookmarksTest, AFailedWriteReturnsMinusOneAndClosesTheTargetUnsaved) {
  addBook("C:\\d\\book.pdf");
  addPdf("C:\\d\\target.pdf", 6);
  for (const char* failing : {"Bookmark.createChild", "PDDoc.Save"}) {
    viewer->failures.clear();
    viewer->journal.clear();
    viewer->fail(failing, 5, "failed");
    EXPECT_EQ(bookmarksToPdf(ctx, "C:\\d\\book.pdf", "C:\\d\\target.pdf"), -1) << failing;
    EXPECT_EQ(viewer->journal.back(), "AVDoc.Close(True)") << failing;
    EXPECT_EQ(viewer->live, 0);
  }
  EXPECT_TRUE(viewer->files.at("C:\\d\\target.pdf").outline.empty());
  viewer->failures.clear();
  EXPECT_THROW(bookmarksToPdf(ctx, "C:\\d\\book.pdf", "C:\\d\\none.pdf"), AutomationError);
  addPdf("C:\\d\\plain.pdf", 1);
  EXPECT_EQ(bookmarksToPdf(ctx, "C:\\d\\plain.pdf", "C:\\d\\book.pdf"), 0);  // nothing to copy
}

}  // namespace
}  // namespace dv::lib
