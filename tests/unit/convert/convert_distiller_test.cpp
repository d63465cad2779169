// PostScript straight to Distiller: one file, several files through the
// combining program, and the job events passed on while FileToPDF runs.
#include "convert/distiller.h"
#include "convert_fixture.h"
#include "dv/vb.h"

namespace dv::lib::testing {
namespace {

class DistillerMembers : public ConvertFixture {
 protected:
  void SetUp() override {
    ConvertFixture::SetUp();
    fake.files.addFile("C:\\ps\\one.ps", "%!PS one");
    fake.files.addFile("C:\\ps\\two.ps", "%!PS two");
  }
  Variant files(std::vector<std::string> paths, int32_t lower = 0) {
    Array a(VarType::Variant, {Bound{lower, static_cast<uint32_t>(paths.size())}});
    for (size_t i = 0; i < paths.size(); ++i) a.at(lower + static_cast<int32_t>(i)) = Variant(paths[i]);
    return Variant(a);
  }
  std::vector<std::string> distillerCalls() {
    std::vector<std::string> out;
    for (const std::string& line : journalWithoutDestroys()) {
      if (line.find(" create") == std::string::npos) out.push_back(line.substr(line.find(' ') + 1));
    }
    return out;
  }
  std::string distiller;
  DistillSettings settings;
};

TEST_F(DistillerMembers, CreatePDFfromPSHandsTheFileToDistiller) {
  fake.files.addFile("D:\\out\\one.pdf", "stale");
  settings.spoolJobs = true;
  settings.jobOptionsFile = "Standard";
  createPDFfromPS(ctx(), "D:\\out\\one.pdf", "C:\\ps\\one.ps", distiller, settings);
  EXPECT_EQ(distillerCalls(), (std::vector<std::string>{
                                  "let bShowWindow(False)", "let bSpoolJobs(True)",
                                  R"(call FileToPDF("C:\ps\one.ps", "D:\out\one.pdf", "Standard"))",
                                  R"(event OnJobStart("C:\ps\one.ps", "D:\out\one.pdf"))",
                                  R"(event OnLogMessage("%%[ Page: 1 ]%%"))", "event OnPageNumber(1)",
                                  "event OnPercentDone(100)", R"(event OnJobDone("C:\ps\one.ps", "D:\out\one.pdf"))"}));
  EXPECT_EQ(events.seen, (std::vector<std::string>{"JobStart C:\\ps\\one.ps D:\\out\\one.pdf",
                                                   "LogMessage %%[ Page: 1 ]%%", "PageNumber 1", "PercentDone 100",
                                                   "JobDone C:\\ps\\one.ps D:\\out\\one.pdf"}));
  EXPECT_EQ(fake.files.contents("D:\\out\\one.pdf")->rfind("%PDF-1.4 distilled from C:\\ps\\one.ps", 0), 0u);
  EXPECT_TRUE(fake.files.exists("C:\\ps\\one.ps"));  // the input stays
  EXPECT_EQ(distiller, "Acrobat Distiller");
  EXPECT_EQ(owner().objAdobeDistiller, nullptr);
  EXPECT_EQ(standins::Control::instance().liveCount("PdfDistiller"), 0);
}

TEST_F(DistillerMembers, DistillerIsKeptExactlyWhileItsJobRuns) {
  struct Watch : EventSink {
    CreatePdf* owner = nullptr;
    int whileSet = 0;
    void onEvent(std::string_view, std::vector<Variant>&) override { whileSet += owner->objAdobeDistiller != nullptr; }
  } watch;
  watch.owner = &owner();
  owner().setEventSink(&watch);
  createPDFfromPS(ctx(), "D:\\out\\one.pdf", "C:\\ps\\one.ps", distiller, settings);
  EXPECT_EQ(watch.whileSet, 5);
  EXPECT_EQ(owner().objAdobeDistiller, nullptr);
}

TEST_F(DistillerMembers, MissingPostScriptStartsNoDistiller) {
  const int before = standins::Control::instance().totalCreated("PdfDistiller");
  try {
    createPDFfromPS(ctx(), "D:\\out\\x.pdf", "C:\\ps\\gone.ps", distiller, settings);
    FAIL();
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.number(), -2147467008);
    EXPECT_EQ(e.description(), "File C:\\ps\\gone.ps does not exist.");
  }
  EXPECT_EQ(standins::Control::instance().totalCreated("PdfDistiller"), before);
  EXPECT_EQ(distiller, "");  // nothing ran, not even the printer choice
}

TEST_F(DistillerMembers, MultiPSRunsTheExistingInputsThroughOneCombiningFile) {
  fake.files.addFolder("D:\\out");
  createPDFfromMultiPS(ctx(), "D:\\out\\all.pdf", files({"C:\\ps\\one.ps", "C:\\ps\\gone.ps", "C:\\ps\\two.ps"}, 1),
                       distiller, settings);
  auto pdf = fake.files.contents("D:\\out\\all.pdf");
  ASSERT_TRUE(pdf);
  EXPECT_NE(pdf->find("(C:/ps/one.ps) prun\r\n(C:/ps/two.ps) prun\r\n"), std::string::npos);
  EXPECT_EQ(pdf->find("gone"), std::string::npos);
  EXPECT_EQ(distillerCalls()[2], R"(call FileToPDF("D:\out\all.ps", "D:\out\all.pdf", ""))");
  EXPECT_FALSE(fake.files.exists("D:\\out\\all.ps"));
  EXPECT_TRUE(fake.files.exists("C:\\ps\\one.ps"));
  EXPECT_EQ(distiller, "Acrobat Distiller");
}

TEST_F(DistillerMembers, MultiPSNeverOverwritesAFileAtTheCombiningName) {
  // The target's PostScript twin is one of the inputs: writing the combining
  // program there would destroy it, and deleting it afterwards lose it.
  fake.files.addFile("C:\\ps\\one.pdf", "old");
  createPDFfromMultiPS(ctx(), "C:\\ps\\one.pdf", files({"C:\\ps\\one.ps", "C:\\ps\\two.ps"}), distiller, settings);
  EXPECT_EQ(fake.files.contents("C:\\ps\\one.ps"), "%!PS one");
  auto pdf = fake.files.contents("C:\\ps\\one.pdf");
  ASSERT_TRUE(pdf);
  EXPECT_NE(pdf->find("(C:/ps/one.ps) prun\r\n(C:/ps/two.ps) prun"), std::string::npos);
  std::vector<std::string> left = fake.files.allFiles();
  EXPECT_EQ(std::count_if(left.begin(), left.end(), [](const std::string& f) { return f.find("C:\\ps\\one.") == 0; }), 2)
      << "only one.ps and one.pdf remain";
}

TEST_F(DistillerMembers, MultiPSArgumentErrorsGoThroughTheErrorExitAndLeaveNoCombiningFile) {
  try {
    createPDFfromMultiPS(ctx(), "ab", files({"C:\\ps\\one.ps"}), distiller, settings);
    FAIL();
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.number(), vb::runtimeErrorNumber(vb::kInvalidProcedureCall));
    EXPECT_EQ(e.source(), "Docvane");
  }
  EXPECT_THROW(createPDFfromMultiPS(ctx(), "D:\\out\\x.pdf", Variant("C:\\ps\\one.ps"), distiller, settings),
               AutomationError);
  EXPECT_FALSE(fake.files.exists("D:\\out\\x.ps"));
}

}  // namespace
}  // namespace dv::lib::testing
