// The six text-file members on the in-memory machine: Word's exact calls
// (block T's order, the font always but its name, margins only above 0,
// the font reset before closing), Notepad and the text output on the
// default printer (its text, the printer put back), and their failures.
#include "convert/text_file.h"
#include "convert_fixture.h"
#include "dv/vb.h"

namespace dv::lib::testing {
namespace {

using Lines = std::vector<std::string>;

const char* kText = "c:\\docs\\notes.txt";
const char* kPdf = "c:\\out\\notes.pdf";
const char* kPs = "c:\\out\\notes.ps";

Lines calls() { return renumberedCalls(); }

Lines concat(std::initializer_list<Lines> parts) {
  Lines all;
  for (const Lines& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

// Block T with nothing given: portrait, the five font settings (8 points),
// no page numbers, no margins.
const Lines kDefaultSetup = {
    "Application#1 get Documents()",     R"(Documents#1 call Open("c:\docs\notes.txt"))",
    "Document#1 get PageSetup()",        "PageSetup#1 let Orientation(0)",
    "Document#1 get Content()",          "TextRange#1 get Font()",
    "TextFont#1 let Bold(False)",        "TextFont#1 let Size(8)",
    "TextFont#1 let Color(0)",           "TextFont#1 let Italic(False)",
    "TextFont#1 let Underline(False)",   "Application#1 let DisplayAlerts(0)",
    "Application#1 get ActivePrinter()",
};
const Lines kClose = {
    R"(Application#1 let ActivePrinter("Office Laser on LPT1:"))",
    "Application#1 let DisplayAlerts(True)",
    "TextFont#1 call Reset()",
    "Document#1 call Close(False)",
    "Application#1 call Quit()",
};

class TextFileMembers : public ConvertFixture {
 public:
  using ConvertFixture::ctx;

 protected:
  void SetUp() override {
    ConvertFixture::SetUp();
    std::string text;
    for (int i = 1; i <= 200; ++i) text += "Note line " + std::to_string(i) + "\r\n";
    fake.files.addFile(kText, text);
  }
  // Notepad's part: prints the file to the default printer's queue, which
  // (the PDF printer being default) asks for the file name.
  void notepadPrints() {
    fake.processes.setOnStart([this](const std::string& commandLine) {
      if (commandLine.find("notepad.exe") == std::string::npos) return;
      fake.files.writeFile(relayTarget(), "%!PS printed by notepad on " + fake.printers.defaultPrinter());
    });
  }
  std::string relayTarget() const {
    for (auto it = relays().rbegin(); it != relays().rend(); ++it) {
      auto fields = vb::Split(it->substr(it->find("\" ") + 2), "~");
      if (fields.size() >= 3 && fields[0] == "save pdf file as") return fields[2];
    }
    return {};
  }

 public:
  TextFileOptions options;
  std::string distiller;
};

TEST_F(TextFileMembers, WordMembersSetTheTextUpInBlockOrderAndResetTheFontBeforeClosing) {
  // Every setting given: the font name, page numbers, all four margins.
  options.landscape = true;
  options.font = "Arial";
  options.fontBold = true;
  options.fontSize = 12;
  options.fontColor = 255;
  options.fontItalic = true;
  options.fontUnderline = true;
  options.pageNumberInFooter = true;
  options.pageNumberAlignment = 2;
  options.topMargin = 36;
  options.leftMargin = 36.5f;
  options.rightMargin = 18;
  options.bottomMargin = 72;
  distiller = "Adobe PDF";
  createPSfromTextFile(ctx(), kPs, kText, options, distiller);
  EXPECT_EQ(calls(), (Lines{
                         "Application#1 get Documents()",
                         R"(Documents#1 call Open("c:\docs\notes.txt"))",
                         "Document#1 get PageSetup()",
                         "PageSetup#1 let Orientation(1)",
                         "Document#1 get Content()",
                         "TextRange#1 get Font()",
                         R"(TextFont#1 let Name("Arial"))",
                         "TextFont#1 let Bold(True)",
                         "TextFont#1 let Size(12)",
                         "TextFont#1 let Color(255)",
                         "TextFont#1 let Italic(True)",
                         "TextFont#1 let Underline(True)",
                         "Document#1 get Sections()",
                         "Sections#1 get Item(1)",
                         "Section#1 get Footers()",
                         "HeadersFooters#1 get Item(1)",
                         "HeaderFooter#1 get PageNumbers()",
                         "PageNumbers#1 call Add(PageNumberAlignment:=2, FirstPage:=False)",
                         "Document#1 get PageSetup()",
                         "PageSetup#2 let TopMargin(36)",
                         "PageSetup#2 let LeftMargin(36.5)",
                         "PageSetup#2 let RightMargin(18)",
                         "PageSetup#2 let BottomMargin(72)",
                         "Application#1 let DisplayAlerts(0)",
                         "Application#1 get ActivePrinter()",
                         R"(Application#1 let ActivePrinter("Adobe PDF"))",
                         R"(Document#1 call PrintOut(OutputFileName:="c:\out\notes.ps", Background:=False))",
                         R"(Application#1 let ActivePrinter("Office Laser on LPT1:"))",
                         "Application#1 let DisplayAlerts(True)",
                         "TextFont#1 call Reset()",
                         "Document#1 call Close(False)",
                         "Application#1 call Quit()",
                     }));
  auto ps = fake.files.contents(kPs);
  ASSERT_TRUE(ps);
  EXPECT_NE(ps->find("/Helvetica-BoldOblique findfont 12 scalefont"), std::string::npos);
  EXPECT_NE(ps->find("(Note line 1) 36.50 "), std::string::npos);  // the left margin reached the page
  EXPECT_NE(ps->find("1 0 0 setrgbcolor"), std::string::npos);     // 255 is red
}

TEST_F(TextFileMembers, EachWordMemberPrintsItsWay) {
  struct Case {
    const char* name;
    std::function<void(TextFileMembers&)> run;
    Lines printing;
    Lines after;
  };
  const Case cases[] = {
      {"CreatePDFfromTextFile",
       [](TextFileMembers& t) { createPDFfromTextFile(t.ctx(), kPdf, kText, t.options, t.distiller, {}); },
       {R"(Application#1 let ActivePrinter("Acrobat Distiller"))",
        R"(Document#1 call PrintOut(OutputFileName:="c:\temp\N.ps", Background:=False))"},
       {"PdfDistiller#1 let bShowWindow(False)", "PdfDistiller#1 let bSpoolJobs(False)",
        R"(PdfDistiller#1 call FileToPDF("c:\temp\N.ps", "c:\out\notes.pdf", ""))"}},
      {"CreatePDFfromTextFile2",
       [](TextFileMembers& t) {
         createPDFfromTextFile2(t.ctx(), kPdf, kText, t.options, t.distiller, false, "save pdf file as");
       },
       {R"(Application#1 let ActivePrinter("Acrobat Distiller"))", "Document#1 call PrintOut(Background:=False)"},
       {}},
      {"CreatePSfromTextFile",
       [](TextFileMembers& t) { createPSfromTextFile(t.ctx(), kPs, kText, t.options, t.distiller); },
       {R"(Application#1 let ActivePrinter("Acrobat Distiller"))",
        R"(Document#1 call PrintOut(OutputFileName:="c:\out\notes.ps", Background:=False))"},
       {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    standins::Control::instance().reset();
    distiller.clear();
    c.run(*this);
    Lines got = calls();
    // Distiller's job events are not what this compares.
    std::erase_if(got, [](const std::string& l) { return l.find(" event ") != std::string::npos; });
    EXPECT_EQ(got, concat({kDefaultSetup, c.printing, kClose, c.after}));
    EXPECT_EQ(distiller, "Acrobat Distiller");
    EXPECT_TRUE(tempFiles().empty());
    EXPECT_EQ(standins::word::runningInstances(), 0);
  }
  // The PDF printer's file is there when the call returns.
  EXPECT_TRUE(fake.files.exists(kPdf));
  EXPECT_EQ(relayAnswer, kPdf);
}

TEST_F(TextFileMembers, EightPointsByDefaultFitMoreLinesOnAPageThanWordsTen) {
  auto pagesOf = [this](const TextFileOptions& o) {
    createPSfromTextFile(ctx(), kPs, kText, o, distiller);
    std::string ps = *fake.files.contents(kPs);
    return ps.substr(ps.find("%%Pages: ") + 9, ps.find('\n', ps.find("%%Pages: ")) - ps.find("%%Pages: ") - 9);
  };
  TextFileOptions ten;
  ten.fontSize = 10;
  EXPECT_EQ(pagesOf(options), "3");  // 200 lines, 67 a page at 8 points
  EXPECT_EQ(pagesOf(ten), "4");      // 54 a page at 10
}

TEST_F(TextFileMembers, NotepadPrintsOnTheDistillerPrinterAndThePrinterComesBack) {
  notepadPrints();
  createPDFfromTextFile3(ctx(), kPdf, kText, "", false, "save pdf file as");
  ASSERT_EQ(fake.processes.started().size(), 2u);
  EXPECT_EQ(fake.processes.started()[0].substr(fake.processes.started()[0].find("\" ") + 2),
            "save pdf file as~save pdf file as~c:\\out\\notes.pdf~");
  // By full path: a notepad.exe in the client's folder must not be the one started.
  EXPECT_EQ(fake.processes.started()[1], "\"C:\\Windows\\system32\\notepad.exe\" /p \"c:\\docs\\notes.txt\"");
  EXPECT_EQ(fake.files.contents(kPdf), "%!PS printed by notepad on Acrobat Distiller");
  EXPECT_EQ(fake.printers.defaultPrinter(), "Office Laser");

  createPSfromTextFile2(ctx(), kPs, kText, "Adobe PDF", "Save it");
  EXPECT_EQ(fake.files.contents(kPs), "%!PS printed by notepad on Adobe PDF");
  EXPECT_NE(fake.processes.started()[2].find("~Save it~c:\\out\\notes.ps~"), std::string::npos);
  EXPECT_EQ(fake.printers.defaultPrinter(), "Office Laser");
}

TEST_F(TextFileMembers, TheDefaultPrinterTextOfA200LineFileWithMargin4) {
  fake.processes.setOnStart([this](const std::string&) {});
  // The text output's job reaches the PDF printer, which writes the file.
  fake.clock.addHook([this] {
    if (!fake.printers.printedTexts().empty() && !fake.files.exists(kPs)) fake.files.writeFile(kPs, "%!PS text");
  });
  createPSfromTextFile3(ctx(), kPs, kText, 4, "", "save pdf file as");
  ASSERT_EQ(fake.printers.printedTexts().size(), 1u);
  EXPECT_EQ(fake.printers.printedTexts()[0].printer, "Acrobat Distiller");
  const std::string& text = fake.printers.printedTexts()[0].text;
  const Lines lines = vb::Split(text, "\r\n");
  // An empty line, three line breaks, then line 1 indented by four blanks.
  ASSERT_GE(lines.size(), 5u);
  EXPECT_EQ(lines[0], "");
  EXPECT_EQ(lines[1], "");
  EXPECT_EQ(lines[2], "");
  EXPECT_EQ(lines[3], "");
  EXPECT_EQ(lines[4], "    Note line 1");
  // The counter starts at 3: 78 lines before the first break; a break sets
  // it to 3 without counting its line, so 79 lines follow each break.
  EXPECT_EQ(lines[4 + 77], "    Note line 78");
  EXPECT_EQ(lines[4 + 78], "");
  EXPECT_EQ(lines[4 + 80], "");
  EXPECT_EQ(lines[4 + 81], "    Note line 79");
  EXPECT_EQ(lines[4 + 81 + 78], "    Note line 157");
  EXPECT_EQ(lines[4 + 81 + 79], "");
  EXPECT_EQ(lines[4 + 81 + 82], "    Note line 158");
  // 200 lines, 6 more empty ones, the leading empty line and three breaks;
  // the text ends with a line break.
  EXPECT_EQ(lines.size(), 1u + 3u + 200u + 6u + 1u);
  EXPECT_EQ(lines.back(), "");
  EXPECT_EQ(fake.printers.defaultPrinter(), "Office Laser");
}

TEST_F(TextFileMembers, DefaultPrinterMembersFailAtOnceAndPutThePrinterBack) {
  struct Case {
    const char* name;
    std::function<void()> breakIt;
    std::function<void(TextFileMembers&)> run;
    std::string description;
  };
  const Case cases[] = {
      {"text output refused", [this] { fake.printers.failTextOutput(true); },
       [](TextFileMembers& t) { createPSfromTextFile3(t.ctx(), kPs, kText, 0, "", "save pdf file as"); },
       "The text of c:\\docs\\notes.txt could not be printed on the default printer."},
      {"notepad cannot start", [this] { fake.processes.setFailing(true); },
       [](TextFileMembers& t) { createPDFfromTextFile3(t.ctx(), kPdf, kText, "", false, "save pdf file as"); },
       "Notepad could not be started"},
      {"negative margin", [] {},
       [](TextFileMembers& t) { createPSfromTextFile3(t.ctx(), kPs, kText, -1, "", "save pdf file as"); },
       "Invalid procedure call or argument"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.breakIt();
    const uint64_t start = fake.clock.tickMs();
    try {
      c.run(*this);
      ADD_FAILURE() << "no error";
    } catch (const AutomationError& e) {
      EXPECT_NE(e.description().find(c.description), std::string::npos) << e.description();
      EXPECT_EQ(e.source(), "Docvane");
    }
    EXPECT_LT(fake.clock.tickMs() - start, 5000u);  // not after the wait's bound
    EXPECT_EQ(fake.printers.defaultPrinter(), "Office Laser");
    EXPECT_FALSE(fake.files.exists(kPs));
    EXPECT_FALSE(fake.files.exists(kPdf));
    fake.printers.failTextOutput(false);
    fake.processes.setFailing(false);
    fake.processes.setOnStart(nullptr);
  }
}

TEST_F(TextFileMembers, AMissingTextFileStartsNothing) {
  const std::string missing = "c:\\docs\\none.txt";
  const int wordsBefore = standins::Control::instance().totalCreated("Application");
  for (int member = 0; member < 6; ++member) {
    SCOPED_TRACE(member);
    try {
      switch (member) {
        case 0:
          createPDFfromTextFile(ctx(), kPdf, missing, options, distiller, {});
          break;
        case 1:
          createPDFfromTextFile2(ctx(), kPdf, missing, options, distiller, false, "x");
          break;
        case 2:
          createPDFfromTextFile3(ctx(), kPdf, missing, "", false, "x");
          break;
        case 3:
          createPSfromTextFile(ctx(), kPs, missing, options, distiller);
          break;
        case 4:
          createPSfromTextFile2(ctx(), kPs, missing, "", "x");
          break;
        default:
          createPSfromTextFile3(ctx(), kPs, missing, 0, "", "x");
          break;
      }
      ADD_FAILURE();
    } catch (const AutomationError& e) {
      EXPECT_EQ(e.number(), vb::kLibraryError);
      EXPECT_EQ(e.description(), "File c:\\docs\\none.txt does not exist.");
    }
  }
  EXPECT_EQ(standins::Control::instance().totalCreated("Application"), wordsBefore);
  EXPECT_TRUE(fake.processes.started().empty());
}

}  // namespace
}  // namespace dv::lib::testing
