// The Excel stand-in: its workbook format, references and names, the
// printed pages (order, header and footer codes, gridlines, margins,
// orientation), and what it refuses the way Excel does.
#include <gtest/gtest.h>

#include "dv/fakes/fake_host.h"
#include "dv/standins/registration.h"
#include "dv/vb.h"
#include "excel/excel_standin.h"
#include "excel/excel_workbook.h"
#include "word/word_standin.h"

namespace dv::standins::excel {
namespace {

TEST(ExcelWorkbook, HeaderLinesSheetsAndPlainText) {
  WorkbookFile book = parseWorkbookFile(
      "#password: p w\r\n#write-password: w\r\n#name: Totals = North!B2:C3\r\n#name: "
      "broken\r\n[North]\r\na\tb\t\r\n\r\n"
      "[South]\r\n\tx\r\n\r\n");
  EXPECT_EQ(book.password, "p w");
  EXPECT_EQ(book.writePassword, "w");
  ASSERT_EQ(book.names.size(), 1u);
  EXPECT_EQ(book.names[0].name, "Totals");
  EXPECT_EQ(book.names[0].sheet, "North");
  EXPECT_EQ(book.names[0].reference, "B2:C3");
  ASSERT_EQ(book.sheets.size(), 2u);
  EXPECT_EQ(book.sheets[0].rows, (std::vector<std::vector<std::string>>{{"a", "b"}}));
  EXPECT_EQ(book.sheets[1].rows, (std::vector<std::vector<std::string>>{{"", "x"}}));
  // Any text file is one sheet.
  WorkbookFile plain = parseWorkbookFile("just text\nmore");
  ASSERT_EQ(plain.sheets.size(), 1u);
  EXPECT_EQ(plain.sheets[0].name, "Sheet1");
  EXPECT_EQ(plain.sheets[0].rows.size(), 2u);
  EXPECT_EQ(parseWorkbookFile("").sheets.size(), 1u);
}

TEST(ExcelWorkbook, ReferencesExcelAcceptsAndRefuses) {
  const std::vector<std::pair<const char*, std::optional<CellRange>>> table = {
      {"A1", CellRange{1, 1, 1, 1}},
      {"$b$2", CellRange{2, 2, 2, 2}},
      {"C3:A1", CellRange{1, 1, 3, 3}},
      {"North!A1:B2", CellRange{1, 1, 2, 2}},
      {"'north'!B1", CellRange{1, 2, 1, 2}},
      {"XFD1048576", CellRange{1048576, 16384, 1048576, 16384}},
      {"XFE1", std::nullopt},
      {"A1048577", std::nullopt},
      {"A0", std::nullopt},
      {"1A", std::nullopt},
      {"A", std::nullopt},
      {"A1:", std::nullopt},
      {"", std::nullopt},
      {"South!A1", std::nullopt},
      {"A1 B2", std::nullopt},
  };
  for (const auto& [text, expected] : table) EXPECT_EQ(parseReference(text, "North"), expected) << text;

  WorkbookFile book = parseWorkbookFile("#name: Totals=North!B2:C3\n#name: Other=South!A1\n[North]\nx\n[South]\ny\n");
  EXPECT_EQ(resolveRange(book, book.sheets[0], "TOTALS"), (CellRange{2, 2, 3, 3}));
  EXPECT_EQ(resolveRange(book, book.sheets[0], "Other"), std::nullopt);  // a name of another sheet
  EXPECT_EQ(resolveRange(book, book.sheets[1], "Other"), (CellRange{1, 1, 1, 1}));
  EXPECT_EQ(address(CellRange{2, 2, 3, 28}), "$B$2:$AB$3");
  EXPECT_EQ(address(CellRange{1, 1, 1, 1}), "$A$1");
}

TEST(ExcelWorkbook, UsedRangeAndContent) {
  Sheet sheet{"S", {{}, {"", "", "x"}, {"y"}, {}}};
  EXPECT_EQ(usedRange(sheet), (CellRange{2, 1, 3, 3}));
  EXPECT_EQ(usedRange(Sheet{"E", {}}), (CellRange{1, 1, 1, 1}));
  EXPECT_TRUE(hasContent(sheet, CellRange{2, 3, 2, 3}));
  EXPECT_FALSE(hasContent(sheet, CellRange{1, 1, 2, 2}));
  EXPECT_FALSE(hasContent(sheet, CellRange{50, 1, 60, 9}));
}

TEST(ExcelWorkbook, PagesGoDownThenOverWithinTheMargins) {
  Sheet sheet{"S", {}};
  for (int r = 0; r < 100; ++r)
    sheet.rows.push_back({std::string(30, 'a'), std::string(30, 'b'), std::string(30, 'c')});
  PageSetup setup;
  // Portrait: 648 points of rows (72 top and bottom) = 46 rows; the three
  // 30-character columns (186 points each) fit 504 points two at a time.
  auto pages = paginate(sheet, usedRange(sheet), setup);
  ASSERT_EQ(pages.size(), 6u);
  EXPECT_EQ(pages[0].firstRow, 1);
  EXPECT_EQ(pages[0].lastRow, 46);
  EXPECT_EQ(pages[0].lastColumn, 2);
  EXPECT_EQ(pages[1].firstRow, 47);  // down first
  EXPECT_EQ(pages[3].firstColumn, 3);
  // Landscape with wider margins: 612 - 2 * 100 = 412 points, 29 rows;
  // 792 - 2 * 54 = 684 points take all three columns.
  setup.orientation = kLandscape;
  setup.topMargin = setup.bottomMargin = 100;
  pages = paginate(sheet, usedRange(sheet), setup);
  ASSERT_EQ(pages.size(), 4u);
  EXPECT_EQ(pages[0].lastRow, 29);
  EXPECT_EQ(pages[0].lastColumn, 3);
}

TEST(ExcelWorkbook, HeaderFooterCodes) {
  EXPECT_EQ(expandHeaderFooter("Page &P of &N", 3, 7), "Page 3 of 7");
  EXPECT_EQ(expandHeaderFooter("&p&&&x&", 2, 2), "2&&x&");
}

TEST(ExcelWorkbook, PostScriptCarriesCellsHeadersGridlinesAndNumbers) {
  Sheet sheet{"S", {{"Name", "Value"}, {"Oslo", "(10)"}}};
  PageSetup setup;
  setup.printGridlines = true;
  setup.rightHeader = "Page &P";
  setup.centerFooter = "Foot";
  setup.firstPageNumber = 3;
  setup.leftMargin = 36;
  const std::string ps = renderPostScript(sheet, usedRange(sheet), setup, "book.txt");
  EXPECT_NE(ps.find("%%Page: 3 1"), std::string::npos);
  EXPECT_NE(ps.find("(Page 3) 558.00 746.00 R"), std::string::npos) << ps;  // right margin, header margin
  EXPECT_NE(ps.find("(Foot) 306.00 36.00 C"), std::string::npos);
  EXPECT_NE(ps.find("(Oslo) 39.00"), std::string::npos);  // the left margin moved the cells
  EXPECT_NE(ps.find("(\\(10\\))"), std::string::npos);
  EXPECT_NE(ps.find(" G\n"), std::string::npos);
  setup.printGridlines = false;
  setup.orientation = kLandscape;
  const std::string plain = renderPostScript(sheet, usedRange(sheet), setup, "book.txt");
  EXPECT_EQ(plain.find(" G\n"), std::string::npos);
  EXPECT_NE(plain.find("/PageSize [792 612]"), std::string::npos);
  EXPECT_NE(plain.find("%%Orientation: Landscape"), std::string::npos);
}

// The automation side on an in-memory machine.
class ExcelStandIn : public ::testing::Test {
 protected:
  void SetUp() override {
    Control::instance().reset();
    resetRunningInstances();
    fake.files.addFolder("c:\\docs");
    fake.files.addFile("c:\\docs\\book.txt", "#password: open\n#write-password: write\n[Data]\na\tb\n");
    fake.printers.addPrinter("Generic PostScript Printer", "FILE:");
    fake.printers.setDefault("Generic PostScript Printer");
    registerStandIns(fake.automation);
    word::Environment env;
    env.files = &fake.files;
    env.printers = &fake.printers;
    env.registry = &fake.registry;
    env.askPdfFileName = [this](const std::string& caption) -> std::optional<std::string> {
      asked = caption;
      return std::string("c:\\docs\\out.pdf");
    };
    word::setEnvironment(env);
    Environment excel;
    excel.spool = [this](const std::string& path, std::function<std::optional<std::string>()> produce) {
      spooled.emplace_back(path, produce().value_or("<dropped>"));
    };
    excel.makePdf = [](const std::string& ps) -> std::optional<std::string> { return "%PDF " + ps; };
    setEnvironment(excel);
    app = fake.automation.createObject("Excel.Application");
  }
  void TearDown() override {
    app.reset();
    word::setEnvironment({});
    setEnvironment({});
    Control::instance().reset();
  }
  ObjectPtr open(const std::string& password = "open", const std::string& write = "write") {
    return asObject(
        asObject(app->get("Workbooks"))
            ->call("Open", {pos("c:\\docs\\book.txt"), named("Password", password), named("WriteResPassword", write)}));
  }
  static void expectError(const std::function<void()>& f, int32_t number, const std::string& text) {
    try {
      f();
      ADD_FAILURE() << "no error";
    } catch (const AutomationError& e) {
      EXPECT_EQ(e.number(), number);
      EXPECT_EQ(e.description(), text);
      if (number != kUnknownName) {
        EXPECT_EQ(e.source(), "Microsoft Excel");
      }
    }
  }

  fakes::FakeHost fake;
  ObjectPtr app;
  std::string asked;
  std::vector<std::pair<std::string, std::string>> spooled;
};

TEST_F(ExcelStandIn, PasswordsWrongOrMissingAre1004WithExcelsText) {
  for (auto [pw, write] :
       {std::pair{"", "write"}, std::pair{"Open", "write"}, std::pair{"open", ""}, std::pair{"open", "wrong"}})
    expectError([&, pw = pw, write = write] { open(pw, write); }, kApplicationError, kWrongPasswordText);
  expectError(
      [&] { asObject(app->get("Workbooks"))->call("Open", {pos("c:\\docs\\none.xls")}); }, kApplicationError,
      "'c:\\docs\\none.xls' could not be found. Check the spelling of the file name, and verify that the file location "
      "is correct.");
  EXPECT_EQ(vb::CLng(asObject(app->get("Workbooks"))->get("Count")), 0);
  ObjectPtr book = open();
  EXPECT_EQ(vb::CLng(asObject(app->get("Workbooks"))->get("Count")), 1);
}

TEST_F(ExcelStandIn, SheetsRangesAndPrintersRefusedAsExcelDoes) {
  ObjectPtr sheets = asObject(open()->get("Worksheets"));
  for (const Variant& which : {Variant("Nope"), Variant(int32_t{2}), Variant(int16_t{0}), Variant()})
    expectError([&] { sheets->get("Item", {pos(which)}); }, kSubscriptOutOfRange, "Subscript out of range");
  ObjectPtr sheet = asObject(sheets->get("Item", {pos("DATA")}));
  EXPECT_EQ(vb::CStr(asObject(sheets->get("Item", {pos(1.0)}))->get("Name")), "Data");
  expectError([&] { sheet->get("Range", {pos("A0")}); }, kApplicationError,
              "Method 'Range' of object '_Worksheet' failed");
  expectError([&] { sheet->get("Range", {pos(int32_t{5})}); }, kApplicationError,
              "Method 'Range' of object '_Worksheet' failed");
  ObjectPtr range = asObject(sheet->get("Range", {pos("A1"), pos("B1")}));
  EXPECT_EQ(vb::CStr(range->get("Address")), "$A$1:$B$1");
  expectError([&] { range->call("PrintOut", {named("ActivePrinter", "Nowhere Printer")}); }, kApplicationError,
              "PrintOut method of Range class failed");
  expectError([&] { asObject(sheet->get("PageSetup"))->let("Orientation", Variant(int32_t{3})); }, kApplicationError,
              "Unable to set the Orientation property of the PageSetup class");
  // Strict: a member Excel has but the library never calls is unknown here.
  expectError([&] { sheet->call("Activate"); }, kUnknownName, "Unknown name.");
}

TEST_F(ExcelStandIn, PrintOutSpoolsPostScriptOrAsksForThePdfFile) {
  ObjectPtr sheet = asObject(asObject(open()->get("Worksheets"))->get("Item", {pos(int16_t{1})}));
  ObjectPtr setup = asObject(sheet->get("PageSetup"));
  setup->let("FirstPageNumber", Variant(int32_t{4}));
  setup->let("LeftMargin", app->call("InchesToPoints", {pos(0.5)}));
  EXPECT_EQ(vb::CDbl(setup->get("LeftMargin")), 36.0);
  ObjectPtr used = asObject(sheet->get("UsedRange"));
  used->call("PrintOut", {named("PrintToFile", true), named("PrToFileName", "c:\\docs\\a.ps"),
                          named("ActivePrinter", "Generic PostScript Printer on FILE:")});
  ASSERT_EQ(spooled.size(), 1u);
  EXPECT_EQ(spooled[0].first, "c:\\docs\\a.ps");
  EXPECT_NE(spooled[0].second.find("%%Page: 4 1"), std::string::npos);
  EXPECT_FALSE(fake.files.exists("c:\\docs\\a.ps"));  // nothing yet: the spooler writes it
  // The PDF printer, no file: its dialog, then a PDF.
  used->call("PrintOut", {named("ActivePrinter", "Adobe PDF")});
  EXPECT_EQ(asked, "Save PDF File As");
  ASSERT_EQ(spooled.size(), 2u);
  EXPECT_EQ(spooled[1].first, "c:\\docs\\out.pdf");
  EXPECT_EQ(spooled[1].second.rfind("%PDF %!PS-Adobe-3.0", 0), 0u);
  // Another printer without a file prints on paper; an empty range prints nothing.
  used->call("PrintOut");
  asObject(sheet->get("Range", {pos("D9")}))
      ->call("PrintOut", {named("PrintToFile", true), named("PrToFileName", "c:\\docs\\b.ps")});
  EXPECT_EQ(spooled.size(), 2u);
}

TEST_F(ExcelStandIn, ClosedWorkbookAndQuitExcelRefuseFurtherCalls) {
  ObjectPtr book = open();
  ObjectPtr sheet = asObject(asObject(book->get("Worksheets"))->get("Item", {pos("Data")}));
  book->call("Close", {pos(false)});
  EXPECT_THROW(sheet->get("UsedRange"), AutomationError);
  EXPECT_EQ(runningInstances(), 1);
  app->call("Quit");
  EXPECT_EQ(runningInstances(), 0);
  EXPECT_THROW(app->get("Workbooks"), AutomationError);
}

}  // namespace
}  // namespace dv::standins::excel
