// Merging PDF files through the viewer's document objects: a list of files
// and the files of a folder.
#include <gtest/gtest.h>

#include <stdexcept>

#include "viewer/pdf_merge.h"
#include "viewer_fake_merge.h"
#include "viewer_fixture.h"

namespace dv::lib {
namespace {

using testing::FakeBookmark;
using testing::Lines;

Variant paths(std::vector<std::string> list, int32_t lower = 0) {
  std::vector<Variant> items(list.begin(), list.end());
  return Variant(Array::vector(VarType::Variant, std::move(items), lower));
}

class MergeTest : public testing::ViewerFixture {
 protected:
  MergeTest() { merge = testing::addMergeMembers(*viewer, fake.files); }
  // The document saved into the file now at `path`.
  const testing::FakePdf& saved(const std::string& path) {
    const testing::FakePdf* pdf = merge->savedAt(fake.files, path);
    if (!pdf) throw std::runtime_error("no saved document at " + path);
    return *pdf;
  }
  std::vector<std::string> filesIn(const std::string& folder) {
    std::vector<std::string> out;
    for (const std::string& f : fake.files.allFiles())
      if (f.rfind(folder, 0) == 0) out.push_back(f);
    return out;
  }
  std::vector<std::string> titles(const std::vector<FakeBookmark>& list) {
    std::vector<std::string> out;
    for (const auto& b : list) out.push_back(b.name + "@" + std::to_string(b.page));
    return out;
  }
  std::shared_ptr<testing::FakeMergeState> merge;
};

TEST_F(MergeTest, AppendsEachExistingFileWithItsOutlineAndSkipsMissingOnes) {
  addPdf("C:\\d\\a.pdf", 2).outline({{"A", 0, {}}});
  addPdf("C:\\d\\b.pdf", 3).outline({{"B", 1, {{"B1", 2, {}}}}});
  fake.files.addFile("C:\\out\\all.pdf", "old");
  createPdfFromMultiPdf(ctx, "C:\\out\\all.pdf", paths({"C:\\d\\a.pdf", "C:\\d\\none.pdf", "C:\\d\\b.pdf"}, 1), false);
  EXPECT_EQ(viewer->journal, (Lines{"create AcroExch.PDDoc", "create AcroExch.PDDoc", "PDDoc.Create()",
                                    "PDDoc.Open(C:\\d\\a.pdf)", "PDDoc.GetNumPages()", "PDDoc.GetNumPages()",
                                    "PDDoc.InsertPages(-1,<obj>,0,2,True)", "PDDoc.Close()", "PDDoc.Open(C:\\d\\b.pdf)",
                                    "PDDoc.GetNumPages()", "PDDoc.GetNumPages()", "PDDoc.InsertPages(1,<obj>,0,3,True)",
                                    "PDDoc.Close()", "PDDoc.Save(1,C:\\out\\all.pdf)", "PDDoc.Close()"}));
  EXPECT_EQ(saved("C:\\out\\all.pdf").pages, 5);
  EXPECT_EQ(titles(saved("C:\\out\\all.pdf").outline), (Lines{"A@0", "B@3"}));
  EXPECT_EQ(saved("C:\\out\\all.pdf").outline[1].children[0].page, 4);
  EXPECT_EQ(viewer->live, 0);
}

TEST_F(MergeTest, SaveTypeFollowsTheViewerVersion) {
  addPdf("C:\\d\\a.pdf", 1);
  for (auto [v, line] : {std::pair{6.0, "PDDoc.Save(5,C:\\o.pdf)"}, std::pair{6.9, "PDDoc.Save(5,C:\\o.pdf)"},
                         std::pair{7.0, "PDDoc.Save(1,C:\\o.pdf)"}}) {
    version = v;
    viewer->journal.clear();
    createPdfFromMultiPdf(ctx, "C:\\o.pdf", paths({"C:\\d\\a.pdf"}), true);
    EXPECT_EQ(viewer->calls("PDDoc.Save"), Lines{line}) << v;
  }
}

TEST_F(MergeTest, OnlyMissingFilesGiveAnEmptyDocument) {
  createPdfFromMultiPdf(ctx, "C:\\o.pdf", paths({"C:\\x.pdf", ""}), false);
  EXPECT_EQ(saved("C:\\o.pdf").pages, 0);
  EXPECT_TRUE(fake.files.exists("C:\\o.pdf"));
}

TEST_F(MergeTest, RefusedInputsAndAFailedCreateRaise) {
  merge->createFails = true;
  fake.files.addFile("C:\\o.pdf", "old");
  try {
    createPdfFromMultiPdf(ctx, "C:\\o.pdf", paths({}), false);
    FAIL();
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.number(), -2147467008);
    EXPECT_EQ(e.description(), "Unable to create document object.");
  }
  EXPECT_TRUE(fake.files.exists("C:\\o.pdf"));
  merge->createFails = false;
  for (const Variant& bad : {Variant("C:\\a.pdf"), Variant(Array(VarType::Variant, {Bound{0, 1}, Bound{0, 1}}))}) {
    EXPECT_THROW(createPdfFromMultiPdf(ctx, "C:\\o.pdf", bad, false), AutomationError);
    EXPECT_EQ(viewer->live, 0);
  }
}

TEST_F(MergeTest, ATargetThatIsAlsoAnInputIsReadBeforeItIsReplaced) {
  addPdf("C:\\d\\a.pdf", 2).outline({{"A", 0, {}}});
  addPdf("C:\\d\\b.pdf", 1).outline({{"B", 0, {}}});
  merge->holdFiles = true;
  createPdfFromMultiPdf(ctx, "c:\\D\\B.pdf", paths({"C:\\d\\a.pdf", "C:\\d\\b.pdf"}), false);
  EXPECT_EQ(saved("C:\\d\\b.pdf").pages, 3);
  EXPECT_EQ(titles(saved("C:\\d\\b.pdf").outline), (Lines{"A@0", "B@2"}));
  EXPECT_EQ(filesIn("C:\\d\\"), (Lines{"C:\\d\\a.pdf", "C:\\d\\b.pdf"})) << "no working copy is left";
}

TEST_F(MergeTest, ATargetNamedByItsShortNameIsStillAnInput) {
  addPdf("C:\\d\\a.pdf", 2);
  addPdf("C:\\d\\booklet.pdf", 1);
  fake.files.addShortName("C:\\d\\booklet.pdf", "BOOKLE~1.PDF");
  merge->holdFiles = true;
  createPdfFromMultiPdf(ctx, "C:\\d\\BOOKLE~1.PDF", paths({"C:\\d\\a.pdf", "C:\\d\\booklet.pdf"}), false);
  EXPECT_EQ(saved("C:\\d\\booklet.pdf").pages, 3);
  EXPECT_EQ(filesIn("C:\\d\\"), (Lines{"C:\\d\\a.pdf", "C:\\d\\booklet.pdf"})) << "no working copy is left";
}

TEST_F(MergeTest, AFailureClosesBothDocumentsAndKeepsATargetThatIsAnInput) {
  addPdf("C:\\d\\a.pdf", 2);
  viewer->fail("PDDoc.InsertPages", 5, "Invalid procedure call");
  try {
    createPdfFromMultiPdf(ctx, "C:\\d\\a.pdf", paths({"C:\\d\\a.pdf"}), false);
    FAIL();
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.number(), 5);
    EXPECT_EQ(e.source(), "Docvane");
  }
  EXPECT_EQ(viewer->calls("PDDoc.Close"), (Lines{"PDDoc.Close()", "PDDoc.Close()"}));
  EXPECT_EQ(fake.files.contents("C:\\d\\a.pdf"), std::string(1000, '%'));
  EXPECT_EQ(filesIn("C:\\d\\"), Lines{"C:\\d\\a.pdf"});
  EXPECT_EQ(viewer->live, 0);
}

class MergeFolderTest : public MergeTest {
 protected:
  void SetUp() override {
    addPdf("C:\\in\\Beta.PDF", 2, "", 300, 45000.5).outline({{"Beta", 0, {}}});
    addPdf("C:\\in\\alpha.pdf", 1, "", 100, 45002.0).outline({{"Alpha", 0, {}}});
    addPdf("C:\\in\\gamma.pdf", 3, "", 200, 45001.0);
  }
  std::vector<std::string> opened() {
    std::vector<std::string> out;
    for (const auto& l : viewer->journal)
      if (l.rfind("PDDoc.Open(", 0) == 0) out.push_back(l.substr(11, l.size() - 12));
    return out;
  }
  MergeInDirRequest request(std::string target, int32_t sortType, int32_t sortOrder, std::string files = "*.pdf") {
    MergeInDirRequest r;
    r.pdfFile = std::move(target);
    r.directory = "C:\\in";
    r.files = std::move(files);
    r.sortType = sortType;
    r.sortOrder = sortOrder;
    return r;
  }
};

TEST_F(MergeFolderTest, MergesInTheOrderOfThePrintTable) {
  struct Case {
    int32_t sortType, sortOrder;
    Lines order;
  };
  for (const Case& c : {Case{1, 0, {"alpha", "beta", "gamma"}}, Case{1, 1, {"gamma", "beta", "alpha"}},
                        Case{2, 0, {"alpha", "gamma", "beta"}}, Case{3, 1, {"alpha", "gamma", "beta"}},
                        Case{9, 0, {"beta", "alpha", "gamma"}}}) {
    viewer->journal.clear();
    createPdfFromMultiPdfInDir(ctx, request("C:\\out.pdf", c.sortType, c.sortOrder));
    Lines expected;
    for (const auto& n : c.order) expected.push_back("C:\\in\\" + n + ".pdf");
    EXPECT_EQ(opened(), expected) << c.sortType << "/" << c.sortOrder;
    EXPECT_EQ(saved("C:\\out.pdf").pages, 6);
  }
  EXPECT_EQ(viewer->calls("PDDoc.InsertPages"),
            (Lines{"PDDoc.InsertPages(1,<obj>,0,1,True)", "PDDoc.InsertPages(2,<obj>,0,3,True)"}));
  EXPECT_EQ(viewer->calls("PDDoc.Save"), Lines{"PDDoc.Save(1,C:\\out.pdf)"});
  EXPECT_EQ(viewer->live, 0);
}

TEST_F(MergeFolderTest, OneFileIsCopiedAndNoMatchWritesNothing) {
  createPdfFromMultiPdfInDir(ctx, request("C:\\one.pdf", 0, 0, "g*.pdf"));
  EXPECT_EQ(saved("C:\\one.pdf").pages, 3);
  EXPECT_TRUE(viewer->calls("PDDoc.InsertPages").empty());
  viewer->journal.clear();
  createPdfFromMultiPdfInDir(ctx, request("C:\\none.pdf", 0, 0, "*.xyz"));
  EXPECT_TRUE(viewer->journal.empty());
  EXPECT_FALSE(fake.files.exists("C:\\none.pdf"));
}

TEST_F(MergeFolderTest, TheFirstFileAsTargetIsReplacedOnceClosed) {
  merge->holdFiles = true;
  createPdfFromMultiPdfInDir(ctx, request("C:\\in\\ALPHA.pdf", 1, 0));
  EXPECT_EQ(saved("C:\\in\\alpha.pdf").pages, 6);
  EXPECT_EQ(titles(saved("C:\\in\\alpha.pdf").outline), (Lines{"Alpha@0", "Beta@1"}));
  EXPECT_EQ(filesIn("C:\\in\\"), (Lines{"C:\\in\\Beta.PDF", "C:\\in\\alpha.pdf", "C:\\in\\gamma.pdf"}));
  // The target is closed before it is replaced.
  const Lines tail(viewer->journal.end() - 2, viewer->journal.end());
  EXPECT_EQ(tail[1], "PDDoc.Close()");
}

}  // namespace
}  // namespace dv::lib
