// The shared steps of every conversion: temporary names, the printer
// choice, the missing-input error and the wait for an output file.
#include <gtest/gtest.h>

#include <set>

#include "convert/distiller.h"
#include "convert/pipeline.h"
#include "dv/fakes/fake_host.h"
#include "dv/vb.h"

namespace dv::lib {
namespace {

class StepsContext : public ConversionContext {
 public:
  explicit StepsContext(fakes::FakeHost& fake) : host_(fake.host()) {}
  Host& host() override { return host_; }
  std::string printerName() override { return "Adobe PDF"; }
  std::string tempFolder() override { return "c:\\temp\\"; }
  double viewerVersion() override { return 8; }
  std::vector<std::string> startSavePdfRelay(const std::string&, const std::string&) override { return {}; }
  bool closeAcrobat(bool, int16_t) override { return true; }
  void createPdfFromMultiPdf(const std::string&, const Variant&, bool) override {
    ADD_FAILURE() << "no step merges PDF files";
  }
  void setActiveDistiller(ObjectPtr) override {}
  void raiseEvent(std::string_view, std::vector<Variant>&) override {}
  std::string currentDefaultPrinter() override { return {}; }
  void setDefaultPrinter(const std::string&) override {}

 private:
  Host host_;
};

class ConvertSteps : public ::testing::Test {
 protected:
  fakes::FakeHost fake;
  StepsContext ctx{fake};
};

TEST_F(ConvertSteps, TempNamesAreFreeInTheFolderTheyAreUsedIn) {
  fake.files.addFolder("c:\\temp");
  fake.files.setCurrentDirectory("c:\\work");
  fake.files.addFolder("c:\\work");
  std::set<std::string> seen;
  for (int i = 0; i < 200; ++i) {
    std::string path = tempPostScriptPath(ctx);
    ASSERT_EQ(path.rfind("c:\\temp\\", 0), 0u);
    ASSERT_EQ(path.substr(path.size() - 3), ".ps");
    std::string name = path.substr(8, path.size() - 11);
    long n = std::stol(name);
    EXPECT_GE(n, 1);
    EXPECT_LE(n, 99999999);
    EXPECT_EQ(std::to_string(n), name);
    EXPECT_FALSE(fake.files.exists(path));
    fake.files.addFile(path, "x");  // the next draw must avoid it
    seen.insert(path);
  }
  EXPECT_EQ(seen.size(), 200u);
}

TEST_F(ConvertSteps, TempNameIgnoresBareNamesElsewhereButAvoidsTheRealPath) {
  // Only the exact path the caller will create matters: a clash found in
  // the current directory (as a bare number) says nothing about it.
  fake.files.addFolder("c:\\temp");
  for (int i = 0; i < 50; ++i) {
    std::string name = makeTempName(ctx, "c:\\temp\\", ".pdf");
    EXPECT_FALSE(fake.files.exists("c:\\temp\\" + name + ".pdf"));
    fake.files.addFile("c:\\temp\\" + name + ".pdf", "taken");
  }
}

TEST_F(ConvertSteps, BlankPrinterBecomesPrinterNameOthersStay) {
  std::string blank = "   ";
  resolveDistillerPrinter(ctx, blank);
  EXPECT_EQ(blank, "Adobe PDF");
  std::string empty;
  resolveDistillerPrinter(ctx, empty);
  EXPECT_EQ(empty, "Adobe PDF");
  std::string tab = "\t";  // only blanks count as blank
  resolveDistillerPrinter(ctx, tab);
  EXPECT_EQ(tab, "\t");
  std::string named = " My Printer ";
  resolveDistillerPrinter(ctx, named);
  EXPECT_EQ(named, " My Printer ");
}

TEST_F(ConvertSteps, MissingInputErrorNamesThePathAsPassed) {
  try {
    raiseMissingInput("C:\\in\\a b.doc");
    FAIL();
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.number(), -2147467008);
    EXPECT_EQ(e.source(), "Docvane");
    EXPECT_EQ(e.description(), "File C:\\in\\a b.doc does not exist.");
  }
}

TEST_F(ConvertSteps, GrowingFileIsTakenOnlyWhenTwoReadingsASecondApartAgree) {
  const std::string path = "c:\\out\\a.pdf";
  fake.files.addFolder("c:\\out");
  // The printer starts writing after 3 s and adds a block every second
  // for the next 5 s.
  const uint64_t start = fake.clock.tickMs();
  std::vector<std::pair<uint64_t, int64_t>> readings;
  fake.files.setTickHook([&](fakes::FakeFileSystem& files) {
    uint64_t elapsed = fake.clock.tickMs() - start;
    if (elapsed < 3000) return;
    int64_t want = 100 * static_cast<int64_t>(std::min<uint64_t>((elapsed - 3000) / 1000 + 1, 6));
    auto have = files.fileLength(path);
    if (!have) files.addFile(path, std::string(static_cast<size_t>(want), 'p'));
    else if (*have < want) files.appendFile(path, std::string(static_cast<size_t>(want - *have), 'p'));
  });
  waitForStableFile(ctx, path);
  const uint64_t elapsed = fake.clock.tickMs() - start;
  EXPECT_EQ(*fake.files.fileLength(path), 600);
  // Growth ends 8 s in; a stable pair needs one more second.
  EXPECT_GE(elapsed, 9000u);
  EXPECT_LE(elapsed, 11000u);
  EXPECT_GT(fake.pump.count(), 0);
}

TEST_F(ConvertSteps, WaitGivesUpOnAFileThatNeverComes) {
  const uint64_t start = fake.clock.tickMs();
  try {
    waitForStableFile(ctx, "c:\\out\\never.pdf", WaitBound{120, 1800});
    FAIL();
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.number(), vb::kLibraryError);
    EXPECT_NE(e.description().find("c:\\out\\never.pdf"), std::string::npos);
  }
  const uint64_t waited = fake.clock.tickMs() - start;
  EXPECT_GE(waited, 120000u);
  EXPECT_LT(waited, 122000u);
}

TEST_F(ConvertSteps, IdleBoundStartsAgainWhenTheFileChanges) {
  // Missing for 100 s, then empty for 100 s, then written: no phase is
  // idle for the whole 120 s, so the wait succeeds after 200 s.
  const std::string path = "c:\\out\\late.ps";
  fake.files.addFolder("c:\\out");
  const uint64_t start = fake.clock.tickMs();
  fake.files.setTickHook([&](fakes::FakeFileSystem& files) {
    uint64_t elapsed = fake.clock.tickMs() - start;
    if (elapsed >= 100000 && !files.exists(path)) files.addFile(path, "");
    if (elapsed >= 200000 && *files.fileLength(path) == 0) files.appendFile(path, "%!PS");
  });
  waitForStableFile(ctx, path, WaitBound{120, 1800});
  EXPECT_GE(fake.clock.tickMs() - start, 200000u);
}

TEST_F(ConvertSteps, NonEmptyFileThatKeepsGrowingHitsTheTotalCap) {
  const std::string path = "c:\\out\\endless.ps";
  fake.files.addFolder("c:\\out");
  fake.files.addFile(path, "x");
  fake.files.setTickHook([&](fakes::FakeFileSystem& files) { files.appendFile(path, "x"); });
  const uint64_t start = fake.clock.tickMs();
  EXPECT_THROW(waitForStableFile(ctx, path, WaitBound{120, 600}), AutomationError);
  const uint64_t waited = fake.clock.tickMs() - start;
  EXPECT_GE(waited, 600000u);
  EXPECT_LT(waited, 603000u);
}

TEST_F(ConvertSteps, CombiningProgramListsExistingInputsWithForwardSlashes) {
  fake.files.addFile("C:\\ps\\one.ps", "%!");
  fake.files.addFile("C:\\ps\\two.ps", "%!");
  Array list(VarType::Variant, {Bound{1, 3}});
  list.at(1) = Variant("C:\\ps\\one.ps");
  list.at(2) = Variant("C:\\ps\\gone.ps");
  list.at(3) = Variant("C:\\ps\\two.ps");
  Variant files(list);
  std::string text = combiningProgram(fake.files, fake.pump, files);
  EXPECT_EQ(text,
            "/prun { /mysave save def\r\ndup = flush\r\nRunFile\r\nclear cleardictstack\r\nmysave restore\r\n"
            "} def\r\n\r\n(C:/ps/one.ps) prun\r\n(C:/ps/two.ps) prun\r\n");
  EXPECT_EQ(fake.pump.count(), 3);
  EXPECT_EQ(combiningPath("D:\\out\\all.pdf"), "D:\\out\\all.ps");
  EXPECT_EQ(combiningPath("D:\\out\\x.abc"), "D:\\out\\x.ps");
  EXPECT_EQ(combiningPath("pdf"), "ps");
  try {
    combiningPath("ab");
    FAIL();
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.number(), vb::runtimeErrorNumber(vb::kInvalidProcedureCall));
  }
  EXPECT_THROW(combiningProgram(fake.files, fake.pump, Variant("C:\\ps\\one.ps")), AutomationError);
}

}  // namespace
}  // namespace dv::lib
