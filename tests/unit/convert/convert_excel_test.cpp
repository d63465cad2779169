// The eight Excel members end to end on the in-memory machine: the exact
// Excel and Distiller calls, the page setup rules, the multi-sheet file
// lists, Excel's 1004 and 9 on the error exit, and what reaches the
// client. A failure at every outside call is in journal/.
#include <algorithm>
#include <map>
#include <regex>

#include "convert/excel.h"
#include "convert_fixture.h"
#include "dv/vb.h"

namespace dv::lib::testing {
namespace {

using Lines = std::vector<std::string>;

// Journal without creations; objects numbered per class from 1 in order of
// appearance, temporary names replaced by N.
Lines calls() {
  Lines out;
  static const std::regex temp(R"(c:\\temp\\\d+\.(ps|pdf))", std::regex::icase);
  std::map<std::string, std::string> renamed;
  std::map<std::string, int> perClass;
  for (const std::string& line : journalWithoutDestroys()) {
    if (line.size() > 7 && line.compare(line.size() - 7, 7, " create") == 0) continue;
    const std::string object = line.substr(0, line.find(' '));
    const std::string cls = object.substr(0, object.find('#'));
    auto [it, fresh] = renamed.emplace(object, "");
    if (fresh) it->second = cls + "#" + std::to_string(++perClass[cls]);
    out.push_back(std::regex_replace(it->second + line.substr(object.size()), temp, "c:\\temp\\N.$1"));
  }
  return out;
}

Lines concat(std::initializer_list<Lines> parts) {
  Lines all;
  for (const Lines& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

const char* kBook = "c:\\docs\\sales.txt";
const char* kPdf = "c:\\out\\sales.pdf";
const char* kPs = "c:\\out\\sales.ps";

// Two sheets; "Totals" names B2:C3 of North.
const char* kWorkbook =
    "#password: open\n"
    "#write-password: write\n"
    "#name: Totals=North!B2:C3\n"
    "[North]\n"
    "Region\tQ1\tQ2\n"
    "Oslo\t10\t11\n"
    "Bergen\t20\t21\n"
    "[South]\n"
    "Region\tQ1\n"
    "Rome\t30\n";

Array strings(int32_t lower, std::initializer_list<const char*> items) {
  Array a(VarType::Variant, {Bound{lower, static_cast<uint32_t>(items.size())}});
  int32_t i = lower;
  for (const char* s : items) a.at(i++) = Variant(s);
  return a;
}

// The CreatePDF conversion with CreatePDFfromMultiPDF recorded: it writes
// the files it is given, one after the other, into the target.
class RecordingMerge : public CreatePdfConversion {
 public:
  RecordingMerge(CreatePdf& owner, fakes::FakeFileSystem& files) : CreatePdfConversion(owner), files_(files) {}
  void createPdfFromMultiPdf(const std::string& pdf, const Variant& list, bool createBookmarks) override {
    EXPECT_FALSE(createBookmarks);
    std::string merged;
    const Array& a = list.arrayValue();
    Lines names;
    for (int32_t i = a.lbound(); i <= a.ubound(); ++i) {
      names.push_back(vb::CStr(a.at(i)));
      merged += files_.contents(names.back()).value_or("<missing " + names.back() + ">");
    }
    merges.push_back(names);
    files_.writeFile(pdf, merged);
  }
  std::vector<Lines> merges;

 private:
  fakes::FakeFileSystem& files_;
};

class ExcelMembers : public ConvertFixture {
 protected:
  void SetUp() override {
    ConvertFixture::SetUp();
    fake.files.addFile(kBook, kWorkbook);
    options.password = "open";
    options.writeResPassword = "write";
    multi.password = "open";
    multi.writeResPassword = "write";
  }
  bool excelGone() {
    return standins::excel::runningInstances() == 0 && standins::Control::instance().liveCount("Workbook") == 0 &&
           standins::Control::instance().liveCount("Application") == 0;
  }
  ExcelSheetOptions options;
  ExcelSheetsOptions multi;
  DistillSettings settings;
  std::string distiller;
  std::string printer = "Generic PostScript Printer";
};

const Lines kOpen = {
    "Application#1 get Workbooks()",
    R"(Workbooks#1 call Open("c:\docs\sales.txt", Password:="open", WriteResPassword:="write"))",
    "Application#1 let DisplayAlerts(False)",
};

const Lines kClose = {
    "Application#1 let DisplayAlerts(True)",
    "Workbook#1 call Close(False)",
    "Application#1 call Quit()",
};

TEST_F(ExcelMembers, CreatePDFfromExcelPrintsANamedRangeWithItsPageSetupAndDistillsIt) {
  fake.files.addFile(kPdf, "stale");
  options.useGrid = true;
  options.landscape = true;
  options.header = "Sales &P";
  options.headerAlignment = 5;  // anything but 0 and 1: right
  options.footer = "Confidential";
  options.footerAlignment = 5;  // anything but 0 and 2: centre
  options.margins = {0.5, 0, -1, 1.25, 0, 0.25};
  options.firstPageNumber = 3;
  createPDFfromExcel(ctx(), kPdf, kBook, Variant("North"), "Totals", options, distiller, settings);
  const Lines expected = concat(
      {kOpen,
       {"Workbook#1 get Worksheets()", R"(Sheets#1 get Item("North"))", "Worksheet#1 get PageSetup()",
        "PageSetup#1 let PrintGridlines(True)", "PageSetup#1 let Orientation(2)",
        R"(PageSetup#1 let RightHeader("Sales &P"))", R"(PageSetup#1 let CenterFooter("Confidential"))",
        "Application#1 call InchesToPoints(0.5)", "PageSetup#1 let TopMargin(36)",
        "Application#1 call InchesToPoints(1.25)", "PageSetup#1 let BottomMargin(90)",
        "Application#1 call InchesToPoints(0.25)", "PageSetup#1 let FooterMargin(18)",
        "PageSetup#1 let FirstPageNumber(3)", R"(Worksheet#1 get Range("Totals"))",
        R"(Range#1 call PrintOut(Copies:=1, Preview:=False, PrintToFile:=True, Collate:=True, PrToFileName:="c:\temp\N.ps", ActivePrinter:="Acrobat Distiller"))"},
       kClose,
       {"PdfDistiller#1 let bShowWindow(False)", "PdfDistiller#1 let bSpoolJobs(False)",
        R"(PdfDistiller#1 call FileToPDF("c:\temp\N.ps", "c:\out\sales.pdf", ""))"}});
  const Lines c = calls();
  ASSERT_GE(c.size(), expected.size());
  EXPECT_EQ(Lines(c.begin(), c.begin() + static_cast<std::ptrdiff_t>(expected.size())), expected);
  const std::string pdf = fake.files.contents(kPdf).value_or("");
  // Only the named cells, with the header's page number counted from 3,
  // the whole job (the background printer's last step included).
  EXPECT_NE(pdf.find("(10)"), std::string::npos);
  EXPECT_NE(pdf.find("(21)"), std::string::npos);
  EXPECT_EQ(pdf.find("(Oslo)"), std::string::npos);
  EXPECT_EQ(pdf.find("(Region)"), std::string::npos);
  EXPECT_EQ(pdf.find("(Q1)"), std::string::npos);
  EXPECT_NE(pdf.find("%%Page: 3 1"), std::string::npos);
  EXPECT_NE(pdf.find("(Sales 3)"), std::string::npos);
  EXPECT_NE(pdf.find(" R\n"), std::string::npos);  // the header is right-aligned
  EXPECT_NE(pdf.find("/PageSize [792 612]"), std::string::npos);
  EXPECT_NE(pdf.find(" G\n"), std::string::npos);  // gridlines
  EXPECT_NE(pdf.find("%%EOF"), std::string::npos);
  EXPECT_EQ(distiller, "Acrobat Distiller");
  EXPECT_TRUE(tempFiles().empty());
  EXPECT_TRUE(excelGone());
  EXPECT_TRUE(spooled.empty());
}

TEST_F(ExcelMembers, HeaderAndFooterAlignmentsFallBackRightAndCentre) {
  // lngHeaderAlignment, lngFooterAlignment -> the properties set.
  const std::vector<std::tuple<int32_t, const char*, const char*>> table = {
      {0, "LeftHeader", "LeftFooter"},    {1, "CenterHeader", "CenterFooter"}, {2, "RightHeader", "RightFooter"},
      {5, "RightHeader", "CenterFooter"}, {-1, "RightHeader", "CenterFooter"},
  };
  for (const auto& [align, header, footer] : table) {
    standins::Control::instance().clearJournal();
    options.header = "H";
    options.footer = "F";
    options.headerAlignment = align;
    options.footerAlignment = align;
    createPSfromExcel(ctx(), kPs, kBook, Variant(int16_t{1}), "A1:B2", options, distiller);
    Lines c = calls();
    EXPECT_NE(std::find(c.begin(), c.end(), std::string("PageSetup#1 let ") + header + "(\"H\")"), c.end()) << align;
    EXPECT_NE(std::find(c.begin(), c.end(), std::string("PageSetup#1 let ") + footer + "(\"F\")"), c.end()) << align;
  }
  // Blank texts set nothing; margins of 0 or less keep the sheet's own.
  standins::Control::instance().clearJournal();
  options.header = "  ";
  options.footer = "";
  options.margins = {0, -0.5, 0, 0, 0, 0};
  createPSfromExcel(ctx(), kPs, kBook, Variant("South"), "used_range", options, distiller);
  for (const std::string& line : calls()) {
    EXPECT_EQ(line.find("Header"), std::string::npos) << line;
    EXPECT_EQ(line.find("Margin"), std::string::npos) << line;
    EXPECT_EQ(line.find("InchesToPoints"), std::string::npos) << line;
  }
}

TEST_F(ExcelMembers, UsedRangeKeywordInAnyCaseAndTheOtherSingleSheetMembers) {
  createPSfromExcel2(ctx(), kPs, kBook, Variant("South"), "USED_RANGE", printer, options);
  Lines c = calls();
  EXPECT_NE(std::find(c.begin(), c.end(), "Worksheet#1 get UsedRange()"), c.end());
  EXPECT_NE(
      std::find(
          c.begin(), c.end(),
          R"(Range#1 call PrintOut(Copies:=1, Preview:=False, PrintToFile:=True, Collate:=True, PrToFileName:="c:\out\sales.ps", ActivePrinter:="Generic PostScript Printer"))"),
      c.end());
  EXPECT_NE(fake.files.contents(kPs).value_or("").find("(Rome)"), std::string::npos);
  EXPECT_EQ(printer, "Generic PostScript Printer");

  standins::Control::instance().clearJournal();
  settings.jobOptionsFile = "c:\\jobs\\x.joboptions";
  createPDFfromExcel3(ctx(), kPdf, kBook, Variant("North"), "A1:A3", printer, options, settings);
  c = calls();
  EXPECT_NE(std::find(c.begin(), c.end(),
                      R"(PdfDistiller#1 call FileToPDF("c:\temp\N.ps", "c:\out\sales.pdf", "c:\jobs\x.joboptions"))"),
            c.end());
  EXPECT_NE(fake.files.contents(kPdf).value_or("").find("(Bergen)"), std::string::npos);
  EXPECT_TRUE(tempFiles().empty());
  EXPECT_TRUE(excelGone());
}

TEST_F(ExcelMembers, CreatePDFfromExcel2PrintsToThePdfPrinterAndWaitsForItsFile) {
  fake.files.addFile(kPdf, "stale");
  createPDFfromExcel2(ctx(), kPdf, kBook, Variant("North"), "used_range", options, distiller, false,
                      "save pdf file as");
  Lines c = calls();
  ASSERT_GE(c.size(), 3u);
  EXPECT_EQ(c[c.size() - 4], R"(Range#1 call PrintOut(ActivePrinter:="Acrobat Distiller"))");
  EXPECT_EQ(Lines(c.end() - 3, c.end()), kClose);
  ASSERT_EQ(relays().size(), 1u);
  EXPECT_EQ(relays()[0], R"("C:\Windows\system32\dlgrelay.exe" save pdf file as~save pdf file as~c:\out\sales.pdf~)");
  const std::string pdf = fake.files.contents(kPdf).value_or("");
  EXPECT_EQ(pdf.rfind("%PDF-1.4 printed", 0), 0u);
  EXPECT_NE(pdf.find("%%EOF"), std::string::npos);  // waited for the whole file
  EXPECT_TRUE(excelGone());
}

TEST_F(ExcelMembers, RejectedRangeBecomesInvalidWorksheetRangeAfterTheCleanUp) {
  fake.files.addFile(kPdf, "kept");
  for (const char* range : {"A0", "Nowhere", "ZZZZ1", "South!A1"}) {
    standins::Control::instance().clearJournal();
    try {
      createPDFfromExcel(ctx(), kPdf, kBook, Variant("North"), range, options, distiller, settings);
      ADD_FAILURE() << range;
    } catch (const AutomationError& e) {
      EXPECT_EQ(e.number(), -2147467008) << range;
      EXPECT_EQ(e.description(), "Invalid worksheet range");
      EXPECT_EQ(e.source(), "Docvane");
    }
    Lines c = calls();
    EXPECT_EQ(Lines(c.end() - 2, c.end()), (Lines{"Workbook#1 call Close(False)", "Application#1 call Quit()"}));
  }
  // Nothing was printed or deleted: the range is looked up first.
  EXPECT_EQ(fake.files.contents(kPdf), "kept");
  EXPECT_TRUE(tempFiles().empty());
  EXPECT_TRUE(excelGone());
  EXPECT_TRUE(relays().empty());
}

TEST_F(ExcelMembers, OtherExcelErrorsKeepTheirNumberAndText) {
  // An unknown sheet is Excel's error 9, passed on.
  try {
    createPDFfromExcel2(ctx(), kPdf, kBook, Variant("West"), "A1", options, distiller, false, "save pdf file as");
    FAIL();
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.number(), standins::excel::kSubscriptOutOfRange);
    EXPECT_EQ(e.description(), "Subscript out of range");
  }
  EXPECT_TRUE(excelGone());
  // A wrong password is a 1004 as well: it is reported as the range error.
  options.password = "guess";
  try {
    createPSfromExcel(ctx(), kPs, kBook, Variant("North"), "A1", options, distiller);
    FAIL();
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.number(), -2147467008);
    EXPECT_EQ(e.description(), "Invalid worksheet range");
  }
  EXPECT_TRUE(excelGone());
  // The missing workbook is checked before Excel starts.
  const int before = standins::Control::instance().totalCreated("Application");
  try {
    createPDFfromMultiExcel(ctx(), kPdf, "c:\\docs\\none.xls", Variant(strings(0, {"North"})),
                            Variant(strings(0, {"A1"})), multi, distiller, settings);
    FAIL();
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.description(), "File c:\\docs\\none.xls does not exist.");
  }
  EXPECT_EQ(standins::Control::instance().totalCreated("Application"), before);
}

TEST_F(ExcelMembers, FirstPageNumbersMissingScalarOrArray) {
  EXPECT_EQ(firstPageNumbers(Variant::missing(), 0, 2), (std::vector<int32_t>{1, 1, 1}));
  EXPECT_EQ(firstPageNumbers(Variant(int16_t{3}), 0, 1), (std::vector<int32_t>{3, 3}));
  EXPECT_EQ(firstPageNumbers(Variant("7"), 0, 0), (std::vector<int32_t>{7}));
  Array a(VarType::Variant, {Bound{0, 3}});
  a.at(0) = Variant(int32_t{1});
  a.at(1) = Variant(int32_t{5});
  a.at(2) = Variant(2.6);
  EXPECT_EQ(firstPageNumbers(Variant(a), 0, 2), (std::vector<int32_t>{1, 5, 3}));
  // An array that does not reach the sheets' upper bound is VB's error 9.
  try {
    firstPageNumbers(Variant(a), 0, 3);
    FAIL();
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.number(), vb::runtimeErrorNumber(vb::kSubscriptOutOfRange));
  }
  // Sheets from 1: an array from 1 is enough, entry 0 belongs to no sheet.
  Array fromOne(VarType::Variant, {Bound{1, 2}});
  fromOne.at(1) = Variant(int32_t{4});
  fromOne.at(2) = Variant(int32_t{9});
  EXPECT_EQ(firstPageNumbers(Variant(fromOne), 1, 2), (std::vector<int32_t>{1, 4, 9}));
}

TEST_F(ExcelMembers, CreatePDFfromMultiExcelPrintsEverySheetThenCombinesAndDeletes) {
  // Bounds 1 to 2: entry 0 of the file list stays empty and is skipped.
  Array landscape(VarType::Variant, {Bound{1, 2}});
  landscape.at(1) = Variant(true);
  landscape.at(2) = Variant(false);
  multi.landscape = Variant(landscape);
  multi.firstPageNumber = Variant(int32_t{3});
  settings.jobOptionsFile = "c:\\jobs\\ignored.joboptions";
  createPDFfromMultiExcel(ctx(), kPdf, kBook, Variant(strings(1, {"South", "North"})),
                          Variant(strings(1, {"A1:B2", "used_range"})), multi, distiller, settings);
  Lines c = calls();
  const Lines sheet1 = {
      R"(Sheets#1 get Item("South"))",
      "Worksheet#1 get PageSetup()",
      "PageSetup#1 let PrintGridlines(False)",
      "PageSetup#1 let Orientation(2)",
      "PageSetup#1 let FirstPageNumber(3)",
      R"(Worksheet#1 get Range("A1:B2"))",
      R"(Range#1 call PrintOut(Copies:=1, Preview:=False, PrintToFile:=True, Collate:=True, PrToFileName:="c:\temp\N.ps", ActivePrinter:="Acrobat Distiller"))"};
  EXPECT_EQ(Lines(c.begin() + 4, c.begin() + 11), sheet1);
  auto at = [&](const std::string& line) { return std::find(c.begin(), c.end(), line) - c.begin(); };
  EXPECT_EQ(at("PageSetup#2 let Orientation(1)"), at(R"(Sheets#2 get Item("North"))") + 3);
  EXPECT_EQ(at("Worksheet#2 get UsedRange()"), at("PageSetup#2 let Orientation(1)") + 2);
  // The job options are not passed by this member.
  EXPECT_NE(
      std::find(c.begin(), c.end(), R"(PdfDistiller#1 call FileToPDF("c:\out\sales.ps", "c:\out\sales.pdf", ""))"),
      c.end());
  const std::string pdf = fake.files.contents(kPdf).value_or("");
  EXPECT_LT(pdf.find("prun"), pdf.rfind("prun"));  // both sheets' files in the combining program
  EXPECT_TRUE(tempFiles().empty());
  EXPECT_FALSE(fake.files.exists(kPs));
  EXPECT_TRUE(excelGone());
}

TEST_F(ExcelMembers, CreatePDFfromMultiExcel3PrintsThroughItsPrinterAndDistillsWithTheJobOptions) {
  settings.jobOptionsFile = "c:\\jobs\\x.joboptions";
  distiller = " ";
  createPDFfromMultiExcel3(ctx(), kPdf, kBook, Variant(strings(0, {"North"})), Variant(strings(0, {"Totals"})), printer,
                           multi, distiller, settings);
  Lines c = calls();
  EXPECT_NE(
      std::find(
          c.begin(), c.end(),
          R"(Range#1 call PrintOut(Copies:=1, Preview:=False, PrintToFile:=True, Collate:=True, PrToFileName:="c:\temp\N.ps", ActivePrinter:="Generic PostScript Printer"))"),
      c.end());
  EXPECT_NE(
      std::find(c.begin(), c.end(),
                R"(PdfDistiller#1 call FileToPDF("c:\out\sales.ps", "c:\out\sales.pdf", "c:\jobs\x.joboptions"))"),
      c.end());
  EXPECT_EQ(distiller, "Acrobat Distiller");  // resolved and written back
  EXPECT_TRUE(tempFiles().empty());
}

TEST_F(ExcelMembers, CreatePDFfromMultiExcel2PrintsOnePdfPerSheetWithItsRelayAndMergesThem) {
  RecordingMerge merge(owner(), fake.files);
  fake.files.addFile(kPdf, "stale");
  createPDFfromMultiExcel2(merge, kPdf, kBook, Variant(strings(1, {"North", "South"})),
                           Variant(strings(1, {"Totals", "used_range"})), multi, distiller, false, "save pdf file as");
  ASSERT_EQ(relays().size(), 2u);
  ASSERT_EQ(merge.merges.size(), 1u);
  const Lines& files = merge.merges[0];
  ASSERT_EQ(files.size(), 2u);  // the empty entry below the lower bound is left out
  for (size_t k = 0; k < files.size(); ++k) {
    EXPECT_NE(relays()[k].find("~" + files[k] + "~"), std::string::npos);
    EXPECT_EQ(files[k].rfind("c:\\temp\\", 0), 0u);
    EXPECT_EQ(files[k].substr(files[k].size() - 4), ".pdf");
  }
  const std::string pdf = fake.files.contents(kPdf).value_or("");
  ASSERT_NE(pdf.find("(10)"), std::string::npos);
  EXPECT_LT(pdf.find("(10)"), pdf.find("(Rome)"));  // both sheets, in order
  Lines c = calls();
  EXPECT_EQ(std::count(c.begin(), c.end(), R"(Range#1 call PrintOut(ActivePrinter:="Acrobat Distiller"))") +
                std::count(c.begin(), c.end(), R"(Range#2 call PrintOut(ActivePrinter:="Acrobat Distiller"))"),
            2);
  EXPECT_TRUE(tempFiles().empty());
  EXPECT_TRUE(excelGone());
}

TEST_F(ExcelMembers, AFailedSheetDeletesTheFilesAlreadyMade) {
  RecordingMerge merge(owner(), fake.files);
  try {
    createPDFfromMultiExcel2(merge, kPdf, kBook, Variant(strings(0, {"North", "South"})),
                             Variant(strings(0, {"A1:C3", "B9:A"})), multi, distiller, false, "save pdf file as");
    FAIL();
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.description(), "Invalid worksheet range");
  }
  EXPECT_TRUE(merge.merges.empty());
  EXPECT_TRUE(tempFiles().empty());  // the first sheet's PDF is gone again
  EXPECT_TRUE(excelGone());
  EXPECT_EQ(relays().size(), 1u);
}

// The merge of CreatePDFfromMultiExcel2 goes to the viewer, whose double
// in journal/ does not merge: its Excel calls are failed in turn here.
TEST_F(ExcelMembers, CreatePDFfromMultiExcel2CleansUpAfterAFailureAtEveryExcelCall) {
  RecordingMerge merge(owner(), fake.files);
  auto run = [&] {
    createPDFfromMultiExcel2(merge, kPdf, kBook, Variant(strings(0, {"North", "South"})),
                             Variant(strings(0, {"Totals", "used_range"})), multi, distiller, false,
                             "save pdf file as");
  };
  run();
  std::vector<standins::JournalEntry> recorded;
  for (const standins::JournalEntry& e : standins::Control::instance().journal())
    if (e.kind == "get" || e.kind == "let" || e.kind == "call") recorded.push_back(e);
  ASSERT_GT(recorded.size(), 15u);
  fake.files.deleteFile(kPdf);
  dialogs = 0;
  constexpr int32_t kInjected = static_cast<int32_t>(0x800A1066u);
  std::map<std::string, int> nth;
  for (const standins::JournalEntry& e : recorded) {
    const std::string cls = e.object.substr(0, e.object.find('#'));
    const int n = ++nth[e.object + "." + e.member];
    SCOPED_TRACE(e.text());
    standins::Control::instance().reset();
    standins::excel::resetRunningInstances();
    merge.merges.clear();
    const size_t endedBefore = fake.processes.ended().size(), startedBefore = relays().size();
    standins::Control::instance().injectFailure({cls, e.member, n, kInjected, "Injected", ""});
    try {
      run();
      ADD_FAILURE() << "no error";
    } catch (const AutomationError& x) {
      EXPECT_EQ(x.number(), kInjected);
      EXPECT_EQ(x.description(), "Injected");
      EXPECT_EQ(x.source(), "Docvane");
    }
    EXPECT_TRUE(excelGone());
    EXPECT_TRUE(tempFiles().empty());
    EXPECT_FALSE(fake.files.exists(kPdf));
    EXPECT_TRUE(merge.merges.empty());
    // Every relay of the call either answered its dialog or was ended.
    const size_t started = relays().size() - startedBefore;
    const size_t ended = fake.processes.ended().size() - endedBefore;
    EXPECT_LE(started, static_cast<size_t>(dialogs) + ended);
    dialogs = 0;
  }
}

TEST_F(ExcelMembers, SheetArraysAreCheckedBeforeExcelStarts) {
  const int before = standins::Control::instance().totalCreated("Application");
  Array shortRanges = strings(0, {"A1"});
  for (auto [sheets, ranges, number] : {
           std::tuple{Variant("North"), Variant(strings(0, {"A1"})), vb::kTypeMismatch},
           std::tuple{Variant(strings(0, {"North", "South"})), Variant(shortRanges), vb::kSubscriptOutOfRange},
           std::tuple{Variant(strings(0, {"North"})), Variant("A1"), vb::kTypeMismatch},
       }) {
    try {
      createPDFfromMultiExcel(ctx(), kPdf, kBook, sheets, ranges, multi, distiller, settings);
      ADD_FAILURE();
    } catch (const AutomationError& e) {
      EXPECT_EQ(e.number(), vb::runtimeErrorNumber(number));
    }
  }
  EXPECT_EQ(standins::Control::instance().totalCreated("Application"), before);
}

}  // namespace
}  // namespace dv::lib::testing
