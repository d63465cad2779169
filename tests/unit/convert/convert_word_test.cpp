// The five Word members end to end on the in-memory machine: the exact
// Word and Distiller calls, what reaches the client, and the error exits
// that are not a failing outside call (those are in journal/).
#include <algorithm>
#include <map>
#include <regex>

#include "convert/word.h"
#include "convert_fixture.h"
#include "dv/vb.h"

namespace dv::lib::testing {
namespace {

using Lines = std::vector<std::string>;

// Journal without object creations; objects numbered per class from 1 in
// the order they appear, the temporary file's random number replaced by N.
Lines calls() {
  Lines out;
  static const std::regex temp(R"(c:\\temp\\\d+\.ps)", std::regex::icase);
  std::map<std::string, std::string> renamed;
  std::map<std::string, int> perClass;
  for (const std::string& line : journalWithoutDestroys()) {
    if (line.size() > 7 && line.compare(line.size() - 7, 7, " create") == 0) continue;
    const std::string object = line.substr(0, line.find(' '));
    const std::string cls = object.substr(0, object.find('#'));
    auto [it, fresh] = renamed.emplace(object, "");
    if (fresh) it->second = cls + "#" + std::to_string(++perClass[cls]);
    out.push_back(std::regex_replace(it->second + line.substr(object.size()), temp, "c:\\temp\\N.ps"));
  }
  return out;
}

int created(const char* cls) { return standins::Control::instance().totalCreated(cls); }

const char* kDoc = "c:\\docs\\report.txt";
const char* kPdf = "c:\\out\\report.pdf";
const char* kPs = "c:\\out\\report.ps";

class WordMembers : public ConvertFixture {
 protected:
  void SetUp() override {
    ConvertFixture::SetUp();
    std::string text;
    for (int i = 1; i <= 80; ++i) text += "Report line " + std::to_string(i) + "\n";
    fake.files.addFile(kDoc, text);
  }
  WordOptions options;
  DistillSettings settings;
  std::string distiller;
  std::string printer = kGenericPostScriptPrinter;

  enum class Member { Word, Word2, Word3, PS, PS2 };
  void run(Member m, const std::string& doc = kDoc) {
    switch (m) {
      case Member::Word:
        createPDFfromWord(ctx(), kPdf, doc, options, distiller, settings);
        break;
      case Member::Word2:
        createPDFfromWord2(ctx(), kPdf, doc, options, distiller, false, "save pdf file as");
        break;
      case Member::Word3:
        createPDFfromWord3(ctx(), kPdf, doc, printer, options, settings);
        break;
      case Member::PS:
        createPSfromWord(ctx(), kPs, doc, options, distiller);
        break;
      case Member::PS2:
        createPSfromWord2(ctx(), kPs, doc, printer, options);
        break;
    }
  }
};

const Lines kOpen = {
    "Application#1 get Documents()",
    R"(Documents#1 call Open("c:\docs\report.txt", PasswordDocument:="", WritePasswordDocument:=""))",
    "Application#1 let DisplayAlerts(0)",
    "Document#1 get PageSetup()",
    "PageSetup#1 let Orientation(0)",
};

Lines concat(std::initializer_list<Lines> parts) {
  Lines all;
  for (const Lines& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

const Lines kClose = {
    R"(Application#1 let ActivePrinter("Office Laser on LPT1:"))",
    "Application#1 let DisplayAlerts(True)",
    "Document#1 call Close(False)",
    "Application#1 call Quit()",
};

const Lines kDistill = {
    "PdfDistiller#1 let bShowWindow(False)",
    "PdfDistiller#1 let bSpoolJobs(False)",
    R"(PdfDistiller#1 call FileToPDF("c:\temp\N.ps", "c:\out\report.pdf", ""))",
    R"(PdfDistiller#1 event OnJobStart("c:\temp\N.ps", "c:\out\report.pdf"))",
    R"(PdfDistiller#1 event OnLogMessage("%%[ Page: 1 ]%%"))",
    "PdfDistiller#1 event OnPageNumber(1)",
    "PdfDistiller#1 event OnPercentDone(100)",
    R"(PdfDistiller#1 event OnJobDone("c:\temp\N.ps", "c:\out\report.pdf"))",
};

TEST_F(WordMembers, CreatePDFfromWordPrintsToATempFileAndDistillsIt) {
  fake.files.addFile(kPdf, "stale");
  run(Member::Word);
  EXPECT_EQ(calls(),
            concat({kOpen,
                    {"Application#1 get ActivePrinter()", R"(Application#1 let ActivePrinter("Acrobat Distiller"))",
                     R"(Document#1 call PrintOut(OutputFileName:="c:\temp\N.ps", Background:=False))"},
                    kClose,
                    kDistill}));
  EXPECT_EQ(distiller, "Acrobat Distiller");  // the blank printer came back named
  auto pdf = fake.files.contents(kPdf);
  ASSERT_TRUE(pdf);
  EXPECT_NE(pdf->find("%!PS-Adobe-3.0"), std::string::npos);
  EXPECT_NE(pdf->find("(Report line 1)"), std::string::npos);
  EXPECT_TRUE(tempFiles().empty());
  EXPECT_EQ(standins::word::runningInstances(), 0);
  EXPECT_EQ(standins::Control::instance().liveCount("Application"), 0);
  EXPECT_EQ(standins::Control::instance().liveCount("Document"), 0);
  EXPECT_EQ(owner().objAdobeDistiller, nullptr);
  EXPECT_TRUE(relays().empty());
}

TEST_F(WordMembers, EventsReachTheClientAsCopiesInOrder) {
  run(Member::Word);
  ASSERT_EQ(events.seen.size(), 5u);
  EXPECT_EQ(std::regex_replace(events.seen[0], std::regex(R"(\d+\.ps)"), "N.ps"),
            "JobStart c:\\temp\\N.ps c:\\out\\report.pdf");
  EXPECT_EQ(events.seen[1], "LogMessage %%[ Page: 1 ]%%");
  EXPECT_EQ(events.seen[2], "PageNumber 1");
  EXPECT_EQ(events.seen[3], "PercentDone 100");
  EXPECT_EQ(std::regex_replace(events.seen[4], std::regex(R"(\d+\.ps)"), "N.ps"),
            "JobDone c:\\temp\\N.ps c:\\out\\report.pdf");
  // The handler overwrote its arguments; Distiller still wrote where it was told.
  EXPECT_TRUE(fake.files.exists(kPdf));
}

TEST_F(WordMembers, PageSettingsPagesAndPasswordsReachWord) {
  fake.files.addFile("c:\\docs\\secret.txt", "#password: open sesame\n#write-password: w\nsecret text\n");
  options.password = "open sesame";
  options.writePassword = "w";
  options.landscape = true;
  options.pageNumberInFooter = true;
  options.pageNumberInHeader = true;
  options.pageNumberAlignment = 7;  // anything but 0 and 2 centres
  options.firstPage = false;
  options.pages = "1";
  distiller = "Adobe PDF";
  run(Member::PS, "c:\\docs\\secret.txt");
  EXPECT_EQ(
      calls(),
      (Lines{
          "Application#1 get Documents()",
          R"(Documents#1 call Open("c:\docs\secret.txt", PasswordDocument:="open sesame", WritePasswordDocument:="w"))",
          "Application#1 let DisplayAlerts(0)",
          "Document#1 get PageSetup()",
          "PageSetup#1 let Orientation(1)",
          "Document#1 get Sections()",
          "Sections#1 get Item(1)",
          "Section#1 get Footers()",
          "HeadersFooters#1 get Item(1)",
          "HeaderFooter#1 get PageNumbers()",
          "PageNumbers#1 call Add(PageNumberAlignment:=1, FirstPage:=False)",
          "Document#1 get Sections()",
          "Sections#2 get Item(1)",
          "Section#2 get Headers()",
          "HeadersFooters#2 get Item(1)",
          "HeaderFooter#2 get PageNumbers()",
          "PageNumbers#2 call Add(PageNumberAlignment:=1, FirstPage:=False)",
          "Application#1 get ActivePrinter()",
          R"(Application#1 let ActivePrinter("Adobe PDF"))",
          R"(Document#1 call PrintOut(OutputFileName:="c:\out\report.ps", Range:=4, Pages:="1", Background:=False))",
          R"(Application#1 let ActivePrinter("Office Laser on LPT1:"))",
          "Application#1 let DisplayAlerts(True)",
          "Document#1 call Close(False)",
          "Application#1 call Quit()"}));
  auto ps = fake.files.contents(kPs);
  ASSERT_TRUE(ps);
  EXPECT_NE(ps->find("/PageSize [792 612]"), std::string::npos);  // landscape reached the output
  EXPECT_NE(ps->find("(secret text)"), std::string::npos);
  EXPECT_EQ(ps->find("(1) "), std::string::npos);  // no number on the first page
  EXPECT_EQ(distiller, "Adobe PDF");
}

TEST_F(WordMembers, BlankPagesPrintEverythingAndAlignmentsMap) {
  options.pages = "   ";
  options.pageNumberInFooter = true;
  for (int32_t align : {0, 2}) {
    standins::Control::instance().clearJournal();
    options.pageNumberAlignment = align;
    run(Member::PS2);
    Lines c = calls();
    EXPECT_NE(std::find(c.begin(), c.end(),
                        "PageNumbers#1 call Add(PageNumberAlignment:=" + std::to_string(align) + ", FirstPage:=False)"),
              c.end());
    EXPECT_NE(
        std::find(
            c.begin(), c.end(),
            R"(Document#1 call PrintOut(OutputFileName:="c:\out\report.ps", Background:=False, PrintToFile:=True))"),
        c.end());
  }
  EXPECT_EQ(printer, kGenericPostScriptPrinter);
  EXPECT_NE(fake.files.contents(kPs)->find("%%Pages: 2"), std::string::npos);
}

TEST_F(WordMembers, CreatePDFfromWord3PrintsToFileThroughThePostScriptDriver) {
  options.pages = "2";
  settings.showWindow = true;
  settings.jobOptionsFile = "c:\\jobs\\print.joboptions";
  run(Member::Word3);
  Lines c = calls();
  EXPECT_EQ(c[5], "Application#1 get ActivePrinter()");
  EXPECT_EQ(c[6], R"(Application#1 let ActivePrinter("Generic PostScript Printer"))");
  EXPECT_EQ(
      c[7],
      R"(Document#1 call PrintOut(OutputFileName:="c:\temp\N.ps", Range:=4, Pages:="2", Background:=False, PrintToFile:=True))");
  EXPECT_EQ(c[12], "PdfDistiller#1 let bShowWindow(True)");
  EXPECT_EQ(c[14], R"(PdfDistiller#1 call FileToPDF("c:\temp\N.ps", "c:\out\report.pdf", "c:\jobs\print.joboptions"))");
  EXPECT_NE(fake.files.contents(kPdf)->find("(Report line 80)"), std::string::npos);
  EXPECT_EQ(fake.files.contents(kPdf)->find("(Report line 1)"), std::string::npos);
}

TEST_F(WordMembers, CreatePDFfromWord2PrintsThroughThePdfPrinterAndTheRelay) {
  fake.files.addFile(kPdf, "stale");
  options.pages = "1-2";
  run(Member::Word2);
  EXPECT_EQ(calls(),
            concat({kOpen,
                    {"Application#1 get ActivePrinter()", R"(Application#1 let ActivePrinter("Acrobat Distiller"))",
                     R"(Document#1 call PrintOut(Range:=4, Pages:="1-2", Background:=False))"},
                    kClose}));
  ASSERT_EQ(relays().size(), 1u);
  EXPECT_EQ(relays()[0], R"("C:\Windows\system32\dlgrelay.exe" save pdf file as~save pdf file as~c:\out\report.pdf~)");
  EXPECT_EQ(dialogs, 1);
  auto pdf = fake.files.contents(kPdf);
  ASSERT_TRUE(pdf);
  EXPECT_EQ(pdf->rfind("%PDF-1.4 printed", 0), 0u);
  EXPECT_EQ(standins::word::runningInstances(), 0);
}

TEST_F(WordMembers, CreatePDFfromWord2WaitsForThePrintersFileAndFailsWithoutIt) {
  // The PDF printer writes a moment after PrintOut has returned.
  std::string late;
  standins::word::Environment env = standins::word::environment();
  env.writePdf = [&](const std::string&, const std::string& pdf) {
    late = pdf;
    return true;
  };
  standins::word::setEnvironment(env);
  const uint64_t start = fake.clock.tickMs();
  fake.files.setTickHook([&](fakes::FakeFileSystem& files) {
    if (!late.empty() && fake.clock.tickMs() - start > 3000 && !files.exists(late))
      files.addFile(late, "%PDF-1.4 late");
  });
  run(Member::Word2);
  EXPECT_EQ(fake.files.contents(kPdf), "%PDF-1.4 late");
  EXPECT_GE(fake.clock.tickMs() - start, 4000u);

  // A dialog nobody answers (the relay waits for another caption): no file
  // ever comes, and the call ends with the bounded wait's error, Word quit.
  fake.files.setTickHook(nullptr);
  late.clear();
  try {
    createPDFfromWord2(ctx(), kPdf, kDoc, options, distiller, false, "enregistrer sous");
    FAIL();
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.number(), -2147467008);
    EXPECT_NE(e.description().find(kPdf), std::string::npos) << e.description();
  }
  EXPECT_FALSE(fake.files.exists(kPdf));
  EXPECT_EQ(standins::word::runningInstances(), 0);
}

TEST_F(WordMembers, MissingDocumentRaisesBeforeWordStarts) {
  const int before = created("Application");
  for (Member m : {Member::Word, Member::Word2, Member::Word3, Member::PS, Member::PS2}) {
    try {
      run(m, "c:\\docs\\nowhere.doc");
      ADD_FAILURE();
    } catch (const AutomationError& e) {
      EXPECT_EQ(e.number(), -2147467008);
      EXPECT_EQ(e.source(), "Docvane");
      EXPECT_EQ(e.description(), "File c:\\docs\\nowhere.doc does not exist.");
    }
  }
  EXPECT_TRUE(standins::Control::instance().journal().empty());
  EXPECT_EQ(created("Application"), before);
}

TEST_F(WordMembers, ApplySecurityNeedsAViewerAboveFive) {
  fake.registry.setString(kHkeyLocalMachine, "SOFTWARE\\Classes\\AcroExch.App\\AcrobatVersion", "", "5.0");
  settings.applySecurity = true;
  const int plain = created("PdfDistiller"), six = created("PdfDistiller6");
  run(Member::Word);
  EXPECT_EQ(created("PdfDistiller6"), six);
  EXPECT_EQ(created("PdfDistiller"), plain + 1);
  EXPECT_EQ(events.seen.size(), 5u);
}

TEST_F(WordMembers, ApplySecurityOnLaterViewersUsesDistillerSixWithoutEvents) {
  fake.registry.setString(kHkeyLocalMachine, "SOFTWARE\\Classes\\AcroExch.App\\AcrobatVersion", "", "8.0");
  settings.applySecurity = true;
  settings.spoolJobs = true;
  const int plain = created("PdfDistiller");
  run(Member::Word);
  Lines c = calls();
  Lines tail(c.end() - 8, c.end());
  EXPECT_EQ(tail[0], "PdfDistiller6#1 let bShowWindow(False)");
  EXPECT_EQ(tail[1], "PdfDistiller6#1 let bSpoolJobs(True)");
  EXPECT_EQ(tail[2], R"(PdfDistiller6#1 call FileToPDF2("c:\temp\N.ps", "c:\out\report.pdf", "", True))");
  EXPECT_EQ(created("PdfDistiller"), plain);
  EXPECT_TRUE(events.seen.empty());
  EXPECT_EQ(distiller, "Adobe PDF");  // version 8 names the printer "Adobe PDF"
  EXPECT_TRUE(fake.files.exists(kPdf));
}

TEST_F(WordMembers, WrongPasswordIsWordsErrorAndWordIsQuit) {
  fake.files.addFile("c:\\docs\\secret.txt", "#password: right\nsecret\n");
  options.password = "wrong";
  try {
    run(Member::Word, "c:\\docs\\secret.txt");
    FAIL();
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.number(), standins::word::kWrongPasswordError);
    EXPECT_EQ(e.source(), "Docvane");
    EXPECT_EQ(e.description(), "The password is incorrect. Word cannot open the document. (c:\\docs\\secret.txt)");
  }
  EXPECT_EQ(calls().back(), "Application#1 call Quit()");
  EXPECT_EQ(standins::word::runningInstances(), 0);
}

TEST_F(WordMembers, PrinterWordDoesNotKnowFailsAndWordIsQuit) {
  printer = "No Such Printer";
  EXPECT_THROW(run(Member::Word3), AutomationError);
  Lines c = calls();
  EXPECT_EQ(c[c.size() - 2], "Document#1 call Close(False)");
  EXPECT_EQ(c.back(), "Application#1 call Quit()");
  EXPECT_FALSE(fake.files.exists(kPdf));
  EXPECT_TRUE(tempFiles().empty());
}

TEST_F(WordMembers, ExistingPdfIsDeletedOnlyAfterWordQuitOrBeforePrinting) {
  fake.files.addFile(kPdf, "old");
  standins::Control::instance().injectFailure({"Document", "PrintOut", 0, -2147467259, "Printing failed", ""});
  EXPECT_THROW(run(Member::Word), AutomationError);
  EXPECT_EQ(fake.files.contents(kPdf), "old");  // Word failed before the PDF step
  EXPECT_THROW(run(Member::Word2), AutomationError);
  EXPECT_FALSE(fake.files.exists(kPdf));  // deleted before printing
}

TEST_F(WordMembers, NoDefaultPrinterIsPutBackAsNone) {
  fake.printers.setDefault("");
  run(Member::Word);
  Lines c = calls();
  EXPECT_NE(std::find(c.begin(), c.end(), R"(Application#1 let ActivePrinter(""))"), c.end());
  EXPECT_TRUE(fake.files.exists(kPdf));
}

TEST_F(WordMembers, LandscapeStepAloneIsProtected) {
  standins::Control::instance().injectFailure({"PageSetup", "Orientation", 0, -2146823072, "Locked", ""});
  options.landscape = true;
  run(Member::PS);
  EXPECT_NE(fake.files.contents(kPs)->find("/PageSize [612 792]"), std::string::npos);
}

TEST_F(WordMembers, MissingRelayFailsAfterWordOpenedAndQuitsIt) {
  fake.files.deleteFile("C:\\Windows\\system32\\dlgrelay.exe");
  try {
    run(Member::Word2);
    FAIL();
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.number(), -2147467008);
    EXPECT_NE(e.description().find("DLGRELAY.EXE"), std::string::npos);
  }
  EXPECT_EQ(calls().back(), "Application#1 call Quit()");
  EXPECT_EQ(dialogs, 0);
}

}  // namespace
}  // namespace dv::lib::testing
