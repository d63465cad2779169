// NewDocument on the in-memory machine: the exact Word and Distiller calls
// of creation and each member, which errors are skipped and which reach
// the caller, and what is left behind.
#include <gtest/gtest.h>

#include <regex>

#include "composer/composer_fixture.h"
#include "dv/vb.h"
#include "frame/library_values.h"

namespace dv::lib::testing {
namespace {

using Lines = std::vector<std::string>;

const Lines kCreation = {
    "Application#1 let Visible(False)",
    "Application#1 get Documents()",
    "Documents#1 call Add()",
    "Document#1 get PageSetup()",
    "PageSetup#1 let PaperSize(2)",
    "Document#1 get PageSetup()",
    "PageSetup#2 let Orientation(0)",
    "Application#1 call InchesToPoints(1)",
    "Document#1 get PageSetup()",
    "PageSetup#3 let TopMargin(72)",
    "Application#1 call InchesToPoints(1)",
    "Document#1 get PageSetup()",
    "PageSetup#4 let BottomMargin(72)",
    "Application#1 call InchesToPoints(1)",
    "Document#1 get PageSetup()",
    "PageSetup#5 let LeftMargin(72)",
    "Application#1 call InchesToPoints(1)",
    "Document#1 get PageSetup()",
    "PageSetup#6 let RightMargin(72)",
    "Application#1 call InchesToPoints(0.5)",
    "Document#1 get PageSetup()",
    "PageSetup#7 let HeaderDistance(36)",
    "Application#1 call InchesToPoints(0.5)",
    "Document#1 get PageSetup()",
    "PageSetup#8 let FooterDistance(36)",
    R"(Document#1 call SaveAs("c:\temp\N.doc"))",
};

using ComposerMembers = ComposerFixture;

TEST_F(ComposerMembers, CreationSetsUpLetterPortraitAndSavesTheWorkingFileInTheTempFolder) {
  doc();
  EXPECT_EQ(calls(), kCreation);
  EXPECT_TRUE(doc().IsOpen());
  EXPECT_EQ(doc().workingFile().rfind("c:\\temp\\", 0), 0u);
  auto rtf = fake.files.contents(doc().workingFile());
  ASSERT_TRUE(rtf);
  EXPECT_EQ(rtf->rfind("{\\rtf1", 0), 0u);
  EXPECT_NE(rtf->find("\\paperw12240\\paperh15840\\margl1440\\margr1440\\margt1440\\margb1440"), std::string::npos);
  // The cache answers 0 and False, not what the document has.
  EXPECT_EQ(doc().TopMargin(), 0.0f);
  EXPECT_EQ(doc().FooterDistance(), 0.0f);
  EXPECT_EQ(doc().PageSize(), 0);
  EXPECT_FALSE(doc().Landscape());
}

TEST_F(ComposerMembers, WithoutACreatePdfTheValuesAreReadAsItsCreationWould) {
  libraryValues().TempFolder.clear();  // what a thread without CreatePDF must not use
  libraryValues().DistillerPrinterName.clear();
  doc();
  EXPECT_EQ(libraryValues().DistillerPrinterName, "Acrobat Distiller");
  EXPECT_EQ(doc().workingFile().rfind("c:\\temp\\", 0), 0u);
  EXPECT_TRUE(libraryValues().configured);
}

TEST_F(ComposerMembers, CreationWithoutWordStillEndsOpenAndLaterCallsBehaveAsSpecified) {
  fail("Documents", "Add", static_cast<int32_t>(0x800A1066), "Command failed");
  doc();
  EXPECT_TRUE(doc().IsOpen());
  mark();
  doc().PrintDoc("ignored");
  doc().PrintDocln("ignored too");
  doc().setTopMargin(2);
  EXPECT_EQ(doc().TopMargin(), 2.0f);  // the cache takes it although Word could not
  try {
    doc().AddImage("c:\\pics\\photo.jpg");
    FAIL() << "AddImage passed no error on";
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.number(), static_cast<int32_t>(0x800A005B));  // object variable not set
  }
  EXPECT_THROW(doc().Save("c:\\out\\x.pdf"), AutomationError);
  EXPECT_FALSE(fake.files.exists("c:\\out\\x.pdf"));
}

struct Bound {
  const char* property;
  float value;
  bool accepted;
};

TEST_F(ComposerMembers, PageSetupBoundsAreCheckedAsSinglesAndRejectionsAreSilent) {
  const Bound bounds[] = {
      {"TopMargin", 0.17f, true},     {"TopMargin", 0.16f, false},      {"TopMargin", 22.0f, true},
      {"TopMargin", 22.01f, false},   {"BottomMargin", 0.17f, true},    {"BottomMargin", 22.01f, false},
      {"LeftMargin", 0.2f, false},    {"LeftMargin", 0.25f, true},      {"LeftMargin", 22.0f, true},
      {"RightMargin", 0.17f, false},  {"RightMargin", 22.01f, false},   {"RightMargin", 0.25f, true},
      {"HeaderDistance", 0.0f, true}, {"HeaderDistance", -0.1f, false}, {"HeaderDistance", 22.01f, false},
      {"FooterDistance", 0.0f, true}, {"FooterDistance", -0.1f, false}, {"FooterDistance", 22.0f, true},
  };
  doc();
  for (const Bound& b : bounds) {
    SCOPED_TRACE(std::string(b.property) + " " + std::to_string(b.value));
    const std::string p = b.property;
    auto set = [&](float v) {
      if (p == "TopMargin") doc().setTopMargin(v);
      if (p == "BottomMargin") doc().setBottomMargin(v);
      if (p == "LeftMargin") doc().setLeftMargin(v);
      if (p == "RightMargin") doc().setRightMargin(v);
      if (p == "HeaderDistance") doc().setHeaderDistance(v);
      if (p == "FooterDistance") doc().setFooterDistance(v);
    };
    auto get = [&] {
      if (p == "TopMargin") return doc().TopMargin();
      if (p == "BottomMargin") return doc().BottomMargin();
      if (p == "LeftMargin") return doc().LeftMargin();
      if (p == "RightMargin") return doc().RightMargin();
      if (p == "HeaderDistance") return doc().HeaderDistance();
      return doc().FooterDistance();
    };
    set(1.5f);
    mark();
    set(b.value);
    EXPECT_EQ(get(), b.accepted ? b.value : 1.5f);
    const Lines written = calls();
    if (b.accepted) {
      ASSERT_EQ(written.size(), 3u);
      EXPECT_EQ(written[2].substr(written[2].find(' ') + 1, 4 + p.size()), "let " + p);
    } else {
      EXPECT_TRUE(written.empty());
    }
  }
  mark();
  doc().setPageSize(-5);  // anything passes; Word refuses it and that is ignored
  doc().setLandscape(true);
  EXPECT_EQ(doc().PageSize(), -5);
  EXPECT_TRUE(doc().Landscape());
  EXPECT_EQ(calls(), (Lines{"Document#1 get PageSetup()", "PageSetup#1 let PaperSize(-5)", "Document#1 get PageSetup()",
                            "PageSetup#2 let Orientation(1)"}));
}

TEST_F(ComposerMembers, PrintDocWritesAtTheEndAndAppliesColourSizeFontAndStyle) {
  doc();
  mark();
  doc().PrintDoc("Hello", 9, 255, 0, "Arial");
  EXPECT_EQ(calls(), (Lines{
                         "Document#1 get Bookmarks()", R"(Bookmarks#1 call Item("\EndOfDoc"))",
                         "Bookmark#1 get Range()",     R"(Range#1 call InsertAfter("Hello"))",
                         "Range#1 get Font()",         "Font#1 let Color(255)",
                         "Range#1 get Font()",         "Font#2 let Size(12)",
                         "Range#1 get Font()",         R"(Font#3 let Name("Arial"))",
                         "Range#1 get Font()",         "Font#4 let StrikeThrough(False)",
                         "Range#1 get Font()",         "Font#5 let Bold(False)",
                         "Range#1 get Font()",         "Font#6 let Italic(False)",
                         "Range#1 get Font()",         "Font#7 let Underline(False)",
                         "Range#1 get Font()",         "Font#8 let StrikeThrough(True)",
                         "Range#1 get Font()",         "Font#9 let Bold(True)",
                     }));
}

struct ColourCase {
  int32_t color;
  int16_t size;
  bool printDocColours, printDoclnColours;
  const char* printDocSize;  // what PrintDoc writes
  bool printDoclnSizes;
};

TEST_F(ComposerMembers, ColourAndSizeRulesDifferBetweenPrintDocAndPrintDocln) {
  const ColourCase cases[] = {
      {0, 0, true, false, "Size(12)", false},       {1, 1, true, true, "Size(1)", true},
      {16777215, 30, true, true, "Size(30)", true}, {16777216, -2, false, false, "Size(12)", false},
      {-1, 12, false, false, "Size(12)", true},
  };
  doc();
  for (const ColourCase& c : cases) {
    SCOPED_TRACE(c.color);
    auto has = [](const Lines& lines, const std::string& what) {
      for (const std::string& l : lines)
        if (l.find(what) != std::string::npos) return true;
      return false;
    };
    mark();
    doc().PrintDoc("x", 0, c.color, c.size, "");
    Lines l = calls();
    EXPECT_EQ(has(l, "let Color("), c.printDocColours);
    EXPECT_TRUE(has(l, std::string("let ") + c.printDocSize));
    EXPECT_FALSE(has(l, "let Name("));  // a blank font is left alone
    mark();
    doc().PrintDocln("y", 0, 0, c.color, c.size, " ");
    l = calls();
    EXPECT_EQ(has(l, "let Color("), c.printDoclnColours);
    EXPECT_EQ(has(l, "let Size("), c.printDoclnSizes);
    EXPECT_FALSE(has(l, "let Name("));
  }
}

TEST_F(ComposerMembers, PrintDoclnWritesAParagraphAndPreparesTheNextOne) {
  doc();
  mark();
  doc().PrintDocln("Title", 7, 1, 0, 14, "Courier New");
  EXPECT_EQ(calls(), (Lines{
                         "Document#1 get Content()",
                         "Range#1 get Paragraphs()",
                         "Paragraphs#1 call Add()",
                         "Paragraph#1 get Range()",
                         R"(Range#2 let Text("Title"))",
                         "Paragraph#1 let Alignment(0)",  // 7 is not a justification
                         "Paragraph#1 get Range()",
                         "Range#3 get Font()",
                         "Font#1 let Size(14)",
                         "Paragraph#1 get Range()",
                         "Range#4 get Font()",
                         R"(Font#2 let Name("Courier New"))",
                         "Paragraph#1 get Font() -> error 0x80020006",
                         "Paragraph#1 get Font() -> error 0x80020006",
                         "Paragraph#1 get Font() -> error 0x80020006",
                         "Paragraph#1 get Font() -> error 0x80020006",
                         "Paragraph#1 get Range()",
                         "Range#5 get Font()",
                         "Font#3 let Bold(True)",
                         "Paragraph#1 get Format()",
                         "ParagraphFormat#1 let SpaceAfter(0)",
                         "Paragraph#1 get Range()",
                         "Range#6 call InsertParagraphAfter()",
                         "Paragraph#1 call Reset()",
                         "Paragraph#1 get Format()",
                         "ParagraphFormat#2 call Reset()",
                         "Paragraph#1 get Range()",
                         "Range#7 get Font()",
                         "Font#4 call Reset()",
                     }));
}

TEST_F(ComposerMembers, NewLinePageBreakPageNumbersAndFindAndReplace) {
  doc();
  mark();
  doc().NewLine(0);
  doc().NewLine(-3);
  EXPECT_TRUE(calls().empty());
  doc().NewLine();
  Lines l = calls();
  ASSERT_GE(l.size(), 4u);
  EXPECT_EQ(l[3], R"(Range#1 call InsertAfter("\r\n"))");

  mark();
  doc().AddPageBreak();
  EXPECT_EQ(calls(), (Lines{"Document#1 get Bookmarks()", R"(Bookmarks#1 call Item("\EndOfDoc"))",
                            "Bookmark#1 get Range()", "Document#1 get Content()", "Range#1 get Paragraphs()",
                            "Paragraphs#1 call Add()", "Range#2 call InsertBreak(7)"}));

  mark();
  doc().AddPageNumber(true, 9, false);
  doc().AddPageNumber(false, 3);
  EXPECT_EQ(calls(), (Lines{"Document#1 get Sections()", "Sections#1 call Item(1)", "Section#1 get Footers()",
                            "HeadersFooters#1 call Item(1)", "HeaderFooter#1 get PageNumbers()",
                            "PageNumbers#1 call Add(PageNumberAlignment:=2, FirstPage:=False)",
                            "Document#1 get Sections()", "Sections#2 call Item(1)", "Section#2 get Headers()",
                            "HeadersFooters#2 call Item(1)", "HeaderFooter#2 get PageNumbers()",
                            "PageNumbers#2 call Add(PageNumberAlignment:=3, FirstPage:=True)"}));

  mark();
  doc().FindAndReplace("old", "new", true, false);
  EXPECT_EQ(calls(),
            (Lines{"Document#1 get Content()", "Range#1 get Find()", "Find#1 call ClearFormatting()",
                   R"(Find#1 let Text("old"))", "Find#1 get Replacement()", "Replacement#1 call ClearFormatting()",
                   "Find#1 get Replacement()", R"(Replacement#2 let Text("new"))",
                   "Find#1 call Execute(Replace:=2, Format:=True, MatchCase:=True, MatchWholeWord:=False)"}));
}

struct ImageForm {
  float left, top, width, height;
  const char* call;
};

TEST_F(ComposerMembers, AddImageChoosesItsArgumentsBySums) {
  const ImageForm forms[] = {
      {0, 0, 0, 0,
       R"(Shapes#1 call AddPicture(FileName:="c:\pics\photo.jpg", LinkToFile:=False, SaveWithDocument:=True, Anchor:=Range#N))"},
      {10, 10, 0, 0,
       R"(Shapes#1 call AddPicture(FileName:="c:\pics\photo.jpg", LinkToFile:=False, SaveWithDocument:=True, Left:=10, Top:=10, Anchor:=Range#N))"},
      {0, 0, 100, 50,
       R"(Shapes#1 call AddPicture(FileName:="c:\pics\photo.jpg", LinkToFile:=False, SaveWithDocument:=True, Width:=100, Height:=50, Anchor:=Range#N))"},
      // The sums decide: a position that adds up to 0 is no position.
      {-5, 5, 100, 0,
       R"(Shapes#1 call AddPicture(FileName:="c:\pics\photo.jpg", LinkToFile:=False, SaveWithDocument:=True, Width:=100, Height:=0, Anchor:=Range#N))"},
      {10, 10, 100, 50, R"(Shapes#1 call AddPicture("c:\pics\photo.jpg", False, True, 10, 10, 100, 50, Range#N))"},
  };
  doc();
  for (const ImageForm& f : forms) {
    SCOPED_TRACE(f.call);
    mark();
    doc().AddImage("c:\\pics\\photo.jpg", f.left, f.top, f.width, f.height);
    Lines l = calls();
    ASSERT_EQ(l.size(), 12u);
    EXPECT_EQ(l[6], "Document#1 get Shapes()");
    EXPECT_EQ(std::regex_replace(l[7], std::regex(R"(Range#\d+\))"), "Range#N)"), f.call);
    EXPECT_EQ(l[9], "ParagraphFormat#1 let SpaceAfter(0)");
    EXPECT_EQ(l[11], "Range#2 call InsertParagraphAfter()");
  }
}

TEST_F(ComposerMembers, AddImageRaisesForAMissingFileBeforeInsertingAndPassesWordsErrorsOn) {
  doc();
  mark();
  try {
    doc().AddImage("c:\\pics\\none.png");
    FAIL();
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.number(), vb::kLibraryError);
    EXPECT_EQ(e.description(), "File c:\\pics\\none.png does not exist.");
  }
  EXPECT_TRUE(calls().empty());
  fail("Shapes", "AddPicture", static_cast<int32_t>(0x800A1733), "Picture refused");
  try {
    doc().AddImage("c:\\pics\\photo.jpg");
    FAIL();
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.number(), static_cast<int32_t>(0x800A1733));
    EXPECT_EQ(e.description(), "Picture refused");
  }
  // The step after the failing one did not run.
  for (const std::string& l : calls()) EXPECT_EQ(l.find("SpaceAfter"), std::string::npos);
}

TEST_F(ComposerMembers, SavePrintsDistilsSilentlyAndKeepsTheDocumentOpen) {
  doc();
  doc().PrintDocln("Body text");
  fake.files.addFile("c:\\out\\doc.pdf", "stale");
  mark();
  doc().Save("c:\\out\\doc.pdf");
  EXPECT_EQ(calls(), (Lines{
                         "Document#1 call Save()",
                         "Application#1 get ActivePrinter()",
                         R"(Application#1 let ActivePrinter("Acrobat Distiller"))",
                         R"(Document#1 call PrintOut(Background:=False, OutputFileName:="c:\temp\N.ps"))",
                         R"(Application#1 let ActivePrinter("Office Laser on LPT1:"))",
                         "PdfDistiller#1 let bShowWindow(False)",
                         "PdfDistiller#1 let bSpoolJobs(False)",
                         R"(PdfDistiller#1 call FileToPDF("c:\temp\N.ps", "c:\out\doc.pdf", ""))",
                         R"(PdfDistiller#1 event OnJobStart("c:\temp\N.ps", "c:\out\doc.pdf"))",
                         R"(PdfDistiller#1 event OnLogMessage("%%[ Page: 1 ]%%"))",
                         "PdfDistiller#1 event OnPageNumber(1)",
                         "PdfDistiller#1 event OnPercentDone(100)",
                         R"(PdfDistiller#1 event OnJobDone("c:\temp\N.ps", "c:\out\doc.pdf"))",
                     }));
  auto pdf = fake.files.contents("c:\\out\\doc.pdf");
  ASSERT_TRUE(pdf);
  EXPECT_NE(pdf->find("(Body text) show"), std::string::npos);
  EXPECT_EQ(tempFiles(), Lines{vb::LCase(doc().workingFile())});  // the PostScript file is gone
  EXPECT_EQ(standins::Control::instance().liveCount("PdfDistiller"), 0);
  // More text and a second Save: the same Word, the new text in the PDF.
  doc().PrintDocln("More text");
  doc().Save("c:\\out\\doc.pdf", {"Adobe PDF", true, true, "c:\\opts.joboptions", false});
  EXPECT_NE(fake.files.contents("c:\\out\\doc.pdf")->find("(More text) show"), std::string::npos);
  EXPECT_TRUE(doc().IsOpen());
  EXPECT_EQ(standins::word::runningInstances(), 1);
}

TEST_F(ComposerMembers, SaveErrorsArePassedOnAfterCleaningUp) {
  struct Case {
    const char* object;
    const char* member;
    bool printerBack;
  };
  const Case cases[] = {{"Application", "ActivePrinter", false}, {"Document", "PrintOut", true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.member);
    doc_.reset();
    standins::Control::instance().clearFailures();
    doc();
    fail(c.object, c.member, static_cast<int32_t>(0x800A1450), "Printer trouble");
    mark();
    const int distillers = standins::Control::instance().totalCreated("PdfDistiller");
    try {
      doc().Save("c:\\out\\doc.pdf");
      FAIL();
    } catch (const AutomationError& e) {
      EXPECT_EQ(e.number(), static_cast<int32_t>(0x800A1450));
      EXPECT_EQ(e.description(), "Printer trouble");
      EXPECT_EQ(e.source(), "Docvane");
    }
    EXPECT_EQ(tempFiles(), Lines{vb::LCase(doc().workingFile())});
    const Lines l = calls();
    EXPECT_EQ(l.back() == R"(Application#1 let ActivePrinter("Office Laser on LPT1:"))", c.printerBack);
    EXPECT_EQ(standins::Control::instance().totalCreated("PdfDistiller"), distillers);
  }
}

TEST_F(ComposerMembers, SaveFailsNamingThePdfWhenDistillerMadeNone) {
  doc();
  for (DistillerOutcome outcome : {DistillerOutcome::FailsWithoutPdf, DistillerOutcome::ClaimsSuccessWithoutPdf,
                                   DistillerOutcome::FailsLeavingPdf}) {
    setFakeDistillerOutcome(outcome);
    try {
      doc().Save("c:\\out\\doc.pdf");
      FAIL();
    } catch (const AutomationError& e) {
      EXPECT_EQ(e.number(), vb::kLibraryError);
      EXPECT_EQ(e.description(), "Distiller did not create the file c:\\out\\doc.pdf.");
    }
    EXPECT_FALSE(fake.files.exists("c:\\out\\doc.pdf"));
    EXPECT_EQ(tempFiles(), Lines{vb::LCase(doc().workingFile())});
  }
}

TEST_F(ComposerMembers, CloseDocEndsWordOnceAndDestructionDoesTheSame) {
  doc();
  const std::string working = doc().workingFile();
  mark();
  doc().CloseDoc();
  doc().CloseDoc();
  EXPECT_EQ(calls(), (Lines{"Document#1 call Close(False)", "Application#1 call Quit(False)"}));
  EXPECT_FALSE(doc().IsOpen());
  EXPECT_FALSE(fake.files.exists(working));
  EXPECT_EQ(standins::word::runningInstances(), 0);
  EXPECT_EQ(standins::Control::instance().liveCount("Application"), 0);
  // Composing after CloseDoc does nothing; Save raises.
  doc().PrintDoc("late");
  EXPECT_THROW(doc().Save("c:\\out\\late.pdf"), AutomationError);

  doc_.reset();
  doc();
  const std::string second = doc().workingFile();
  mark();
  doc_.reset();
  EXPECT_EQ(calls(), (Lines{"Document#1 call Close(False)", "Application#1 call Quit(False)"}));
  EXPECT_FALSE(fake.files.exists(second));
  EXPECT_EQ(standins::word::runningInstances(), 0);
}

}  // namespace
}  // namespace dv::lib::testing
