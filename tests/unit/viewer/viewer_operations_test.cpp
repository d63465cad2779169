// Page counting, printing, printing a folder, shell printing and opening a
// PDF for the user.
#include <gtest/gtest.h>

#include "viewer/pdf_file_table.h"
#include "viewer/viewer_operations.h"
#include "viewer_fixture.h"

namespace dv::lib {
namespace {

using testing::Lines;

PrintPdfRequest printing(std::string file, std::string printer = "", bool silent = false, int32_t first = 0,
                         int32_t last = 0) {
  PrintPdfRequest r;
  r.pdfFile = std::move(file);
  r.printer = std::move(printer);
  r.silent = silent;
  r.firstPage = first;
  r.lastPage = last;
  return r;
}

PrintPdfInDirRequest folder(std::string dir, std::string files, std::string printer = "", bool silent = false,
                            int32_t sortType = 0, int32_t sortOrder = 0) {
  PrintPdfInDirRequest r;
  r.directory = std::move(dir);
  r.files = std::move(files);
  r.printer = std::move(printer);
  r.silent = silent;
  r.sortType = sortType;
  r.sortOrder = sortOrder;
  return r;
}

OpenPdfRequest opening(std::string file, std::string bookmark = "", int32_t page = 0, int32_t readType = 0) {
  OpenPdfRequest r;
  r.pdfFile = std::move(file);
  r.bookmark = std::move(bookmark);
  r.goToPage = page;
  r.readType = readType;
  return r;
}

OpenPassword password(std::string pw) {
  OpenPassword p;
  p.password = std::move(pw);
  return p;
}

class ViewerOperationsTest : public testing::ViewerFixture {};

TEST_F(ViewerOperationsTest, PageCountOpensByViewAndEndsTheViewer) {
  addPdf("C:\\d\\a.pdf", 7);
  EXPECT_EQ(getNumPagesPdf(ctx, "C:\\d\\a.pdf", {}), 7);
  EXPECT_EQ(viewer->journal,
            (Lines{"create AcroExch.App", "create AcroExch.AVDoc", "create AcroExch.PDDoc", "AVDoc.Open(C:\\d\\a.pdf,)",
                   "AVDoc.GetPDDoc()", "AVDoc.GetPDDoc()", "PDDoc.GetNumPages()", "AVDoc.Close(True)", "App.Exit()"}));
}

TEST_F(ViewerOperationsTest, PageCountOfEncryptedFileUsesTheDialogs) {
  addPdf("C:\\d\\s.pdf", 5, "pw");
  EXPECT_EQ(getNumPagesPdf(ctx, "C:\\d\\s.pdf", password("pw")), 5);
  EXPECT_EQ(viewer->journal[3], "App.MenuItemExecute(Open)");
  EXPECT_EQ(viewer->journal[4], "App.GetActiveDoc()");
  EXPECT_EQ(relayTails, (Lines{"open~open~C:\\d\\s.pdf~", "password~password~pw~"}));

  // A wrong password leaves no document: the error ends the viewer.
  viewer->journal.clear();
  EXPECT_THROW(getNumPagesPdf(ctx, "C:\\d\\s.pdf", password("wrong")), AutomationError);
  EXPECT_EQ(viewer->journal.back(), "App.Exit()");
}

TEST_F(ViewerOperationsTest, MissingFileRaisesBeforeAnyObjectIsCreated) {
  try {
    getNumPagesPdf(ctx, "C:\\d\\none.pdf", {});
    FAIL();
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.number(), -2147467008);
    EXPECT_EQ(e.description(), "File C:\\d\\none.pdf does not exist.");
  }
  EXPECT_THROW(printPdf(ctx, printing("C:\\d\\none.pdf")), AutomationError);
  EXPECT_THROW(openPdf(ctx, opening("C:\\d\\none.pdf")), AutomationError);
  EXPECT_TRUE((viewer->journal).empty());
}

TEST_F(ViewerOperationsTest, PrintPdfPageRangesCountFromOne) {
  addPdf("C:\\d\\a.pdf", 9);
  printPdf(ctx, printing("C:\\d\\a.pdf"));
  EXPECT_EQ(viewer->calls("AVDoc.Print"), (Lines{"AVDoc.PrintPages(0,8,2,True,False)"}));
  viewer->journal.clear();
  printPdf(ctx, printing("C:\\d\\a.pdf", "", true, 2, 2));
  EXPECT_EQ(viewer->calls("AVDoc.Print"), (Lines{"AVDoc.PrintPagesSilent(1,1,2,True,False)"}));
  EXPECT_TRUE((viewer->calls("PDDoc.GetNumPages")).empty());  // both ends given
  viewer->journal.clear();
  printPdf(ctx, printing("C:\\d\\a.pdf", "", false, 3, -1));
  EXPECT_EQ(viewer->calls("AVDoc.Print"), (Lines{"AVDoc.PrintPages(2,8,2,True,False)"}));
  EXPECT_EQ(viewer->journal.back(), "App.Exit()");
}

TEST_F(ViewerOperationsTest, PrintPdfSwitchesThePrinterAndPutsItBack) {
  addPdf("C:\\d\\a.pdf", 1);
  printPdf(ctx, printing("C:\\d\\a.pdf", "Adobe PDF"));
  EXPECT_EQ(printerSwitches(), (Lines{"Adobe PDF", "Office"}));

  printPdf(ctx, printing("C:\\d\\a.pdf", "   "));
  EXPECT_TRUE((printerSwitches()).empty());
}

TEST_F(ViewerOperationsTest, PrintPdfWithoutADefaultPrinterLeavesNoneBehind) {
  addPdf("C:\\d\\a.pdf", 1);
  printers().setProfile("windows", "Device", "");
  printPdf(ctx, printing("C:\\d\\a.pdf", "Adobe PDF"));
  EXPECT_EQ(printerSwitches(), (Lines{"Adobe PDF", ""}));
  EXPECT_EQ(printers().defaultPrinter(), "");
}

TEST_F(ViewerOperationsTest, PrinterIsNotTouchedWhenTheOpenFails) {
  addPdf("C:\\d\\a.pdf", 1);
  viewer->fail("AVDoc.Open", 5, "cannot open");
  EXPECT_THROW(printPdf(ctx, printing("C:\\d\\a.pdf", "Adobe PDF")), AutomationError);
  EXPECT_TRUE((printerSwitches()).empty());
}

class PrintFolderTest : public testing::ViewerFixture {
 protected:
  void SetUp() override {
    // Directory order differs from every sort order.
    addPdf("C:\\in\\Beta.PDF", 2, "", 300, 45000.5);
    addPdf("C:\\in\\alpha.pdf", 1, "", 100, 45002.0);
    addPdf("C:\\in\\gamma.pdf", 3, "", 200, 45001.0);
    addPdf("C:\\in\\delta.pdf", 1, "", 200, 44999.0);
    addFolder("C:\\in\\sub.pdf");
    addPdf("C:\\in\\sub.pdf\\inner.pdf", 1);
  }
  std::vector<std::string> printedFiles() {
    std::vector<std::string> out;
    for (const auto& l : viewer->journal)
      if (l.rfind("AVDoc.Open(", 0) == 0) out.push_back(l.substr(11, l.find(',') - 11));
    return out;
  }
};

TEST_F(PrintFolderTest, UnknownSortTypePrintsInDirectoryOrderWithOrWithoutFinalBackslash) {
  printPdfInDir(ctx, folder("C:\\in", "*.pdf", "", false, 7, 0));
  const auto withoutSlash = printedFiles();
  EXPECT_EQ(withoutSlash, (Lines{"C:\\in\\beta.pdf", "C:\\in\\alpha.pdf", "C:\\in\\gamma.pdf", "C:\\in\\delta.pdf"}));
  viewer->journal.clear();
  printPdfInDir(ctx, folder("C:\\in\\", "*.pdf", "", false, 0, 1));
  EXPECT_EQ(printedFiles(), withoutSlash);
  EXPECT_EQ(viewer->calls("create"), (Lines{"create AcroExch.AVDoc", "create AcroExch.PDDoc"}));
  EXPECT_EQ(viewer->calls("AVDoc.PrintPages("),
            (Lines{"AVDoc.PrintPages(0,1,2,True,False)", "AVDoc.PrintPages(0,0,2,True,False)",
                   "AVDoc.PrintPages(0,2,2,True,False)", "AVDoc.PrintPages(0,0,2,True,False)"}));
}

TEST_F(PrintFolderTest, SortsWholeRowsByNameSizeOrDate) {
  const struct {
    int32_t type, order;
    std::vector<std::string> names;
  } cases[] = {
      {1, 0, {"alpha", "beta", "delta", "gamma"}},
      {1, 1, {"gamma", "delta", "beta", "alpha"}},
      {3, 0, {"delta", "beta", "gamma", "alpha"}},
      {3, 5, {"alpha", "gamma", "beta", "delta"}},
  };
  for (const auto& c : cases) {
    viewer->journal.clear();
    printPdfInDir(ctx, folder("C:\\in", "*.pdf", "", true, c.type, c.order));
    std::vector<std::string> expected;
    for (const auto& n : c.names) expected.push_back("C:\\in\\" + n + ".pdf");
    EXPECT_EQ(printedFiles(), expected) << c.type << "/" << c.order;
  }
  // Sizes 100, 200, 200, 300: the tie may come out either way.
  viewer->journal.clear();
  printPdfInDir(ctx, folder("C:\\in", "*.pdf", "", true, 2, 0));
  auto bySize = printedFiles();
  ASSERT_EQ(bySize.size(), 4u);
  EXPECT_EQ(bySize.front(), "C:\\in\\alpha.pdf");
  EXPECT_EQ(bySize.back(), "C:\\in\\beta.pdf");
  viewer->journal.clear();
  printPdfInDir(ctx, folder("C:\\in", "*.pdf", "", true, 2, 1));
  bySize = printedFiles();
  EXPECT_EQ(bySize.front(), "C:\\in\\beta.pdf");
  EXPECT_EQ(bySize.back(), "C:\\in\\alpha.pdf");
}

TEST_F(PrintFolderTest, NoMatchTouchesNothingAMatchSwitchesThePrinterForItsLength) {
  printPdfInDir(ctx, folder("C:\\in", "*.xyz", "Adobe PDF"));
  EXPECT_TRUE((viewer->journal).empty());
  EXPECT_TRUE((printerSwitches()).empty());

  printPdfInDir(ctx, folder("C:\\in", "g*.pdf", "Adobe PDF"));
  EXPECT_EQ(printedFiles(), (Lines{"C:\\in\\gamma.pdf"}));
  EXPECT_EQ(printerSwitches(), (Lines{"Adobe PDF", "Office"}));
}

TEST_F(ViewerOperationsTest, PrintApiReturnsTheShellResult) {
  fake.files.addFile("C:\\t.txt", "text");
  fake.shell.setExecuteResult(42);
  EXPECT_EQ(printApi(host(), "C:\\t.txt"), 42);
  EXPECT_EQ(fake.shell.executions().back(), (fakes::ShellExecution{"print", "C:\\t.txt", "", "", 1}));
  fake.shell.setExecuteResult(31);  // out of memory or resources
  EXPECT_EQ(printApi(host(), "C:\\t.txt"), 31);
}

TEST_F(ViewerOperationsTest, PrintApiAnswersFileNotFoundForWhatTheShellCannotPrint) {
  fake.shell.setExecuteResult(42);
  auto repeated = [](const std::string& piece, int times) {
    std::string s;
    for (int i = 0; i < times; ++i) s += piece;
    return s;
  };
  const std::string folder = "C:\\";
  const std::string longest = folder + std::string(kShellMaxPath - 1 - folder.size(), 'a');
  const std::string accents = folder + repeated("\xC3\xA9", 255);        // 258 UTF-16 units
  const std::string emoji = folder + repeated("\xF0\x9F\x98\x80", 129);  // 261 UTF-16 units
  for (const auto& path : {longest, longest + "a", folder + std::string(5000, 'a'), accents, emoji})
    fake.files.addFile(path, "text");
  fake.files.addFolder("C:\\in");
  EXPECT_EQ(printApi(host(), longest), 42);
  EXPECT_EQ(printApi(host(), accents), 42);
  const size_t calls = fake.shell.executions().size();
  EXPECT_EQ(printApi(host(), longest + "a"), kShellFileNotFound);
  EXPECT_EQ(printApi(host(), folder + std::string(5000, 'a')), kShellFileNotFound);
  EXPECT_EQ(printApi(host(), emoji), kShellFileNotFound);
  EXPECT_EQ(printApi(host(), "C:\\missing.txt"), kShellFileNotFound);
  EXPECT_EQ(printApi(host(), "32767"), kShellFileNotFound);
  EXPECT_EQ(printApi(host(), "C:\\in"), kShellFileNotFound);
  EXPECT_EQ(fake.shell.executions().size(), calls);
}

class OpenPdfTest : public testing::ViewerFixture {
 protected:
  void SetUp() override {
    testing::FakePdfBuilder b = addPdf("C:\\d\\book.pdf", 6);
    b.outline({{"Intro", 0, {}},
               {"Chapter", 1, {{"Part A", 2, {}}, {"Details", 3, {{"Deep detail", 4, {}}}}}},
               {"details", 5, {}}});
  }
};

TEST_F(OpenPdfTest, LeavesTheDocumentOpenInTheVisibleViewer) {
  openPdf(ctx, opening("C:\\d\\book.pdf"));
  EXPECT_EQ(viewer->journal, (Lines{"create AcroExch.App", "create AcroExch.PDDoc", "create AcroExch.AVDoc",
                                    "AVDoc.Open(C:\\d\\book.pdf,)", "App.GetActiveDoc()", "AVDoc.GetPDDoc()",
                                    "App.Show()", "PDDoc.GetJSObject()"}));
  EXPECT_TRUE(viewer->shown);
  EXPECT_EQ(viewer->activeDoc, "C:\\d\\book.pdf");
}

TEST_F(OpenPdfTest, GoesToAPageWithinTheDocumentOnly) {
  openPdf(ctx, opening("C:\\d\\book.pdf", "", 3));
  EXPECT_EQ(viewer->currentPage, 2);
  openPdf(ctx, opening("C:\\d\\book.pdf", "", 7));
  EXPECT_EQ(viewer->currentPage, 0);
  EXPECT_EQ(viewer->calls("JSO.PageNum"), (Lines{"JSO.PageNum=2"}));
}

TEST_F(OpenPdfTest, ReadAloudOnlyAboveVersionFive) {
  version = 5;
  openPdf(ctx, opening("C:\\d\\book.pdf", "", 0, kReadDocument));
  EXPECT_TRUE((viewer->calls("App.MenuItemExecute")).empty());
  version = 6;
  openPdf(ctx, opening("C:\\d\\book.pdf", "", 0, kReadCurrentPage));
  openPdf(ctx, opening("C:\\d\\book.pdf", "", 0, kReadDocument));
  openPdf(ctx, opening("C:\\d\\book.pdf", "", 0, 3));
  EXPECT_EQ(viewer->calls("App.MenuItemExecute"),
            (Lines{"App.MenuItemExecute(ADBE:ReadAloudStart)", "App.MenuItemExecute(ADBE:ReadAloudToEnd)"}));
}

TEST_F(OpenPdfTest, BookmarkByTitleObjectBelowVersionFiveElseByTreeSearch) {
  version = 4;
  openPdf(ctx, opening("C:\\d\\book.pdf", "Chapter"));
  EXPECT_EQ(viewer->calls("PDBookmark"), (Lines{"PDBookmark.GetByTitle(<obj>,Chapter)", "PDBookmark.Perform(<obj>)"}));
  version = 8;
  viewer->journal.clear();
  openPdf(ctx, opening("C:\\d\\book.pdf", "DETAILS"));
  // Depth-first: the nested "Details" comes before the top-level "details".
  EXPECT_EQ(viewer->calls("Bookmark["),
            (Lines{"Bookmark[Root].Children", "Bookmark[Intro].Name", "Bookmark[Intro].Children",
                   "Bookmark[Chapter].Name", "Bookmark[Chapter].Children", "Bookmark[Part A].Name",
                   "Bookmark[Part A].Children", "Bookmark[Details].Name", "Bookmark[Details].Execute()"}));
  EXPECT_EQ(viewer->currentPage, 3);
}

TEST_F(OpenPdfTest, BookmarkSearchRules) {
  addPdf("C:\\d\\a.pdf", 1);
  ObjectPtr pdDoc = host().automation.createObject(kProgIdPDDoc);
  pdDoc->call("Open", {pos("C:\\d\\book.pdf")});
  EXPECT_TRUE(findBookmarkByName(pdDoc, "details", true, true));
  EXPECT_EQ(viewer->currentPage, 5);  // exact case skips "Details"
  EXPECT_TRUE(findBookmarkByName(pdDoc, "deep", false, false));
  EXPECT_EQ(viewer->currentPage, 4);
  EXPECT_FALSE(findBookmarkByName(pdDoc, "deep", true, false));
  EXPECT_FALSE(findBookmarkByName(pdDoc, "Part", false, true));
  EXPECT_TRUE(findBookmarkByName(pdDoc, "Part", false, false));
  EXPECT_EQ(viewer->currentPage, 2);

  ObjectPtr empty = host().automation.createObject(kProgIdPDDoc);
  empty->call("Open", {pos("C:\\d\\a.pdf")});
  EXPECT_FALSE(findBookmarkByName(empty, "Intro", false, true));  // no outline at all
}

}  // namespace
}  // namespace dv::lib
