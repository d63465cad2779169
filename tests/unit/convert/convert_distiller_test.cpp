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
  EXPECT_EQ(events.seen,
            (std::vector<std::string>{"JobStart C:\\ps\\one.ps D:\\out\\one.pdf", "LogMessage %%[ Page: 1 ]%%",
                                      "PageNumber 1", "PercentDone 100", "JobDone C:\\ps\\one.ps D:\\out\\one.pdf"}));
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

TEST_F(DistillerMembers, MultiPSEscapesParenthesesInThePathsItRuns) {
  // An unbalanced ")" would end the PostScript string early: the file would
  // be missed and the rest of the name run as PostScript.
  fake.files.addFolder("D:\\out");
  fake.files.addFile("C:\\ps\\a (1).ps", "%!PS a");
  fake.files.addFile("C:\\ps\\b).ps", "%!PS b");
  createPDFfromMultiPS(ctx(), "D:\\out\\all.pdf", files({"C:\\ps\\a (1).ps", "C:\\ps\\b).ps"}), distiller, settings);
  auto pdf = fake.files.contents("D:\\out\\all.pdf");
  ASSERT_TRUE(pdf);
  EXPECT_NE(pdf->find("(C:/ps/a \\(1\\).ps) prun\r\n(C:/ps/b\\).ps) prun\r\n"), std::string::npos) << *pdf;
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
  EXPECT_EQ(std::count_if(left.begin(), left.end(), [](const std::string& f) { return f.find("C:\\ps\\one.") == 0; }),
            2)
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

TEST_F(DistillerMembers, AJobThatMakesNoPdfIsAnErrorNamingThePdf) {
  // Every way Distiller can end a job without the PDF: a reported failure
  // (with or without a partial file) and a "success" that wrote nothing.
  struct Case {
    DistillerOutcome outcome;
    bool security;
  } cases[] = {{DistillerOutcome::FailsWithoutPdf, false},
               {DistillerOutcome::FailsLeavingPdf, false},
               {DistillerOutcome::ClaimsSuccessWithoutPdf, false},
               {DistillerOutcome::FailsLeavingPdf, true},
               {DistillerOutcome::ClaimsSuccessWithoutPdf, true}};
  fake.registry.setString(kHkeyLocalMachine, "SOFTWARE\\Classes\\AcroExch.App\\AcrobatVersion", "", "8.0");
  fake.files.addFolder("D:\\out");
  for (const Case& c : cases) {
    setFakeDistillerOutcome(c.outcome);
    settings.applySecurity = c.security;
    const std::string trace = std::to_string(static_cast<int>(c.outcome)) + (c.security ? " secure" : "");
    for (bool multi : {false, true}) {
      fake.files.addFile("D:\\out\\one.pdf", "stale");
      try {
        if (multi)
          createPDFfromMultiPS(ctx(), "D:\\out\\one.pdf", files({"C:\\ps\\one.ps", "C:\\ps\\two.ps"}), distiller,
                               settings);
        else createPDFfromPS(ctx(), "D:\\out\\one.pdf", "C:\\ps\\one.ps", distiller, settings);
        ADD_FAILURE() << trace;
      } catch (const AutomationError& e) {
        EXPECT_EQ(e.number(), -2147467008) << trace;
        EXPECT_EQ(e.source(), "Docvane");
        EXPECT_EQ(e.description(), "Distiller did not create the file D:\\out\\one.pdf.") << trace;
      }
      // Cleaned up before the error: no Distiller, no partial or stale PDF,
      // no combining file; the inputs stay.
      EXPECT_EQ(owner().objAdobeDistiller, nullptr);
      EXPECT_EQ(standins::Control::instance().liveCount("PdfDistiller"), 0);
      EXPECT_EQ(standins::Control::instance().liveCount("PdfDistiller6"), 0);
      EXPECT_FALSE(fake.files.exists("D:\\out\\one.pdf")) << trace;
      EXPECT_FALSE(fake.files.exists("D:\\out\\one.ps")) << trace;
      EXPECT_TRUE(fake.files.exists("C:\\ps\\one.ps"));
    }
  }
}

TEST_F(DistillerMembers, CombiningFileIsInTheAnsiCodePageWithShortNamesWhereNeeded) {
  fake.files.addFolder("D:\\out");
  // "Café" is Western text; a Cyrillic folder has no byte in code page
  // 1252 and is named by its short name; on a Cyrillic machine the same
  // folder is written as it is.
  fake.files.addFile("C:\\ps\\Caf\xC3\xA9.ps", "%!PS cafe");
  fake.files.addFile("C:\\ps\\\xD0\x9E\xD1\x82\xD1\x87\xD0\xB5\xD1\x82\\r.ps", "%!PS report");
  fake.files.addShortName("C:\\ps\\\xD0\x9E\xD1\x82\xD1\x87\xD0\xB5\xD1\x82", "9F3A~1");
  const auto inputs = files({"C:\\ps\\Caf\xC3\xA9.ps", "C:\\ps\\\xD0\x9E\xD1\x82\xD1\x87\xD0\xB5\xD1\x82\\r.ps"});
  struct Case {
    uint32_t codePage;
    std::string lines;
  } cases[] = {
      {1252, "(C:/ps/Caf\xE9.ps) prun\r\n(C:/ps/9F3A~1/r.ps) prun\r\n"},
      {1251, "(C:/ps/CAFE~1.PS) prun\r\n(C:/ps/\xCE\xF2\xF7\xE5\xF2/r.ps) prun\r\n"},
  };
  fake.files.addShortName("C:\\ps\\Caf\xC3\xA9.ps", "CAFE~1.PS");
  for (const Case& c : cases) {
    fake.files.setAnsiCodePage(c.codePage);
    const std::string program = combiningProgram(fake.files, fake.pump, inputs);
    EXPECT_NE(program.find("} def\r\n\r\n" + c.lines), std::string::npos) << c.codePage << "\n" << program;
  }

  // Without a short name the file cannot be named: the call fails naming it
  // and writes nothing, rather than silently leaving the file out.
  fake.files.setAnsiCodePage(1252);
  fake.files.addFile("C:\\ps\\\xE6\x97\xA5\xE6\x9C\xAC.ps", "%!PS japan");
  const int distillers = standins::Control::instance().totalCreated("PdfDistiller");
  try {
    createPDFfromMultiPS(ctx(), "D:\\out\\all.pdf", files({"C:\\ps\\one.ps", "C:\\ps\\\xE6\x97\xA5\xE6\x9C\xAC.ps"}),
                         distiller, settings);
    FAIL();
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.number(), -2147467008);
    EXPECT_EQ(e.description(),
              "The path C:\\ps\\\xE6\x97\xA5\xE6\x9C\xAC.ps cannot be written in the system's code page "
              "and has no short name.");
  }
  EXPECT_FALSE(fake.files.exists("D:\\out\\all.ps"));
  EXPECT_FALSE(fake.files.exists("D:\\out\\all.pdf"));
  EXPECT_EQ(standins::Control::instance().totalCreated("PdfDistiller"), distillers);
}

}  // namespace
}  // namespace dv::lib::testing
