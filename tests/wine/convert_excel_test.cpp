// Excel conversions through the registered Docvane.dll and the Excel
// stand-in, called by name as a script client calls them: a named range of
// a protected workbook through Distiller, two sheets through the PDF
// printer with the real relay (merged by the viewer), and a range Excel
// rejects. The PDFs are read back with poppler.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <set>

#include "bench_files.h"
#include "dv/standins/com_hosting.h"
#include "dv/standins/tools.h"
#include "dv/vb.h"
#include "dv/win32/automation.h"
#include "dv/win32/handle.h"

namespace {

using dv::named;
using dv::pos;
using dv::Variant;

using dv::winetest::env;
using dv::winetest::exists;
using dv::winetest::slurp;

void write(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

// Files directly in a folder.
std::set<std::string> filesIn(const std::string& folder) {
  std::set<std::string> out;
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((folder + "*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return out;
  do {
    if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) out.insert(data.cFileName);
  } while (FindNextFileA(find, &data));
  FindClose(find);
  return out;
}

class ExcelConversions : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(apartment.ok());
    RegDeleteTreeA(HKEY_CURRENT_USER, dv::standins::com::kConfigKey);
    bench = env("DV_BENCH_DIR");
    ASSERT_FALSE(bench.empty());
    journal = bench + "\\excel-journal-" + ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".txt";
    DeleteFileA(journal.c_str());
    dv::win32::UniqueHkey key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, dv::standins::com::kConfigKey, 0, nullptr, 0, KEY_WRITE, nullptr,
                              key.put(), nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key.get(), "JournalFile", 0, REG_SZ, reinterpret_cast<const BYTE*>(journal.c_str()),
                   static_cast<DWORD>(journal.size() + 1));
    converter = automation.createObject("Docvane.CreatePDF");
    temp = dv::vb::CStr(converter->get("TempFilePath"));
    tempBefore = filesIn(temp);
    book = bench + "\\sales.txt";
    // "Summary" names B2:C61 of Data: sixty rows, two pages; A1 and
    // column D lie outside it.
    std::string text = "#password: secret\r\n#write-password: w\r\n#name: Summary=Data!B2:C61\r\n[Data]\r\n";
    text += "Outside\tTitleB\tTitleC\tOffside\r\n";
    for (int r = 1; r <= 60; ++r)
      text += "x\tCity" + std::to_string(r) + "\t" + std::to_string(r * 10) + "\tfar" + std::to_string(r) + "\r\n";
    text += "[Notes]\r\nNoteA\tNoteB\r\n";
    write(book, text);
  }
  void TearDown() override {
    converter.reset();
    RegDeleteTreeA(HKEY_CURRENT_USER, dv::standins::com::kConfigKey);
  }
  std::string tool(const std::vector<std::string>& argv) { return dv::standins::runTool(argv).output; }
  std::string unixPath(const std::string& p) { return dv::standins::toolRunner().toolPath(p); }
  int pages(const std::string& pdf) {
    std::string info = tool({"pdfinfo", unixPath(pdf)});
    auto at = info.find("Pages:");
    return at == std::string::npos ? -1 : std::stoi(info.substr(at + 6));
  }
  void installRelay() { ASSERT_EQ(dv::winetest::installRelay(), ""); }
  // Every Excel object created was destroyed, and every Excel quit.
  void expectNoExcelAlive() {
    const std::string j = slurp(journal);
    std::smatch m;
    std::string rest = j;
    int created = 0;
    while (std::regex_search(rest, m, std::regex(R"((Application#\d+) create)"))) {
      ++created;
      EXPECT_NE(j.find(m[1].str() + " destroy"), std::string::npos) << m[1] << "\n" << j;
      EXPECT_NE(j.find(m[1].str() + " call Quit()"), std::string::npos) << m[1] << "\n" << j;
      rest = m.suffix();
    }
    EXPECT_GT(created, 0) << j;
    EXPECT_NE(j.find("Workbook#1 call Close(False)"), std::string::npos) << j;
  }

  dv::win32::ComApartment apartment;
  dv::win32::Win32Automation automation;
  dv::ObjectPtr converter;
  std::string bench, journal, temp, book;
  std::set<std::string> tempBefore;
};

TEST_F(ExcelConversions, NamedRangeOfAProtectedWorkbookThroughDistiller) {
  const std::string pdf = bench + "\\summary.pdf";
  converter->call("CreatePDFfromExcel",
                  {pos(Variant(pdf)), pos(Variant(book)), pos(Variant("Data")), pos(Variant("Summary")),
                   named("strPassword", Variant("secret")), named("strWriteResPassword", Variant("w")),
                   named("strHeader", Variant("Page &P")), named("lngHeaderAlignment", Variant(int32_t{5})),
                   named("lngFirstPageNumber", Variant(int32_t{3}))});
  ASSERT_TRUE(exists(pdf));
  EXPECT_EQ(pages(pdf), 2);
  const std::string text = tool({"pdftotext", "-layout", unixPath(pdf), "-"});
  for (const char* inside : {"City1 ", "City60", "600"}) EXPECT_NE(text.find(inside), std::string::npos) << inside;
  for (const char* outside : {"Outside", "TitleB", "far1", "NoteA"})
    EXPECT_EQ(text.find(outside), std::string::npos) << outside << "\n" << text;
  // The header, numbered from 3, stands at the right of each page.
  for (int page : {1, 2}) {
    const std::string words =
        tool({"pdftotext", "-bbox", "-f", std::to_string(page), "-l", std::to_string(page), unixPath(pdf), "-"});
    std::smatch m;
    ASSERT_TRUE(std::regex_search(
        words, m, std::regex(R"re(<word xMin="([\d.]+)"[^>]*>Page</word>\s*<word[^>]*>(\d+)</word>)re")))
        << words;
    EXPECT_GT(std::stod(m[1]), 400.0) << words;
    EXPECT_EQ(m[2], std::to_string(page + 2));
  }
  EXPECT_EQ(filesIn(temp), tempBefore);
  expectNoExcelAlive();
}

TEST_F(ExcelConversions, TwoSheetsThroughThePdfPrinterMergedInOrder) {
  installRelay();
  const std::string pdf = bench + "\\sheets.pdf";
  Variant sheets = Variant(dv::Array(dv::VarType::Variant, {dv::Bound{0, 2}}));
  sheets.arrayValue().at(0) = Variant("Notes");
  sheets.arrayValue().at(1) = Variant("Data");
  Variant ranges = Variant(dv::Array(dv::VarType::Variant, {dv::Bound{0, 2}}));
  ranges.arrayValue().at(0) = Variant("used_range");
  ranges.arrayValue().at(1) = Variant("A1:B3");
  converter->call("CreatePDFfromMultiExcel2",
                  {pos(Variant(pdf)), pos(Variant(book)), pos(sheets), pos(ranges),
                   named("strPassword", Variant("secret")), named("strWriteResPassword", Variant("w"))});
  ASSERT_TRUE(exists(pdf));
  EXPECT_EQ(pages(pdf), 2);
  const std::string text = tool({"pdftotext", "-layout", unixPath(pdf), "-"});
  const size_t notes = text.find("NoteA"), data = text.find("City2");
  ASSERT_NE(notes, std::string::npos) << text;
  ASSERT_NE(data, std::string::npos) << text;
  EXPECT_LT(notes, data);
  EXPECT_EQ(text.find("City3"), std::string::npos);
  EXPECT_EQ(filesIn(temp), tempBefore);
  expectNoExcelAlive();
}

TEST_F(ExcelConversions, ARejectedRangeIsInvalidWorksheetRangeAndExcelIsGone) {
  const std::string pdf = bench + "\\bad.pdf";
  try {
    converter->call("CreatePDFfromExcel",
                    {pos(Variant(pdf)), pos(Variant(book)), pos(Variant("Data")), pos(Variant("B0:Q")),
                     named("strPassword", Variant("secret")), named("strWriteResPassword", Variant("w"))});
    FAIL() << "no error";
  } catch (const dv::AutomationError& e) {
    EXPECT_EQ(e.number(), -2147467008);
    EXPECT_EQ(e.description(), "Invalid worksheet range");
    EXPECT_EQ(e.source(), "Docvane");
  }
  EXPECT_FALSE(exists(pdf));
  EXPECT_EQ(filesIn(temp), tempBefore);
  expectNoExcelAlive();
}

}  // namespace
