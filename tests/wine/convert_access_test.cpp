// Access reports through the registered Docvane.dll and the Access
// stand-in, from a VBScript client (clients/convert_access.vbs, run with
// cscript in a fresh work folder) on SQLite databases built here from the
// SQL text in data/ and read by the stand-in through Wine's odbc32,
// unixODBC and the SQLite ODBC driver. The files the client wrote are read
// back with qpdf, poppler and Ghostscript; the journal shows every Access
// quit and released, and the default printer is what it was.
#include <windows.h>

#include <gtest/gtest.h>

#include <regex>

#include "bench_files.h"
#include "dv/standins/com_hosting.h"
#include "dv/standins/tools.h"
#include "dv/win32/handle.h"
#include "install_printer.h"

namespace {

using dv::winetest::env;
using dv::winetest::exists;
using dv::winetest::slurp;

constexpr DWORD kClientBoundMs = 240000;

std::string defaultDevice() {
  char buffer[512] = {};
  GetProfileStringA("windows", "device", "", buffer, sizeof buffer);
  return buffer;
}

class AccessConversions : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    work = env("DV_BENCH_DIR") + "\\access";
    CreateDirectoryA(work.c_str(), nullptr);
    journal = work + "\\journal.txt";
    DeleteFileA(journal.c_str());
    RegDeleteTreeA(HKEY_CURRENT_USER, dv::standins::com::kConfigKey);
    dv::win32::UniqueHkey key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, dv::standins::com::kConfigKey, 0, nullptr, 0, KEY_WRITE, nullptr, key.put(),
                        nullptr) == ERROR_SUCCESS)
      RegSetValueExA(key.get(), "JournalFile", 0, REG_SZ, reinterpret_cast<const BYTE*>(journal.c_str()),
                     static_cast<DWORD>(journal.size() + 1));
    setup = buildDatabase("sales.mdb", {"access_sales.sql", "access_password.sql"}) +
            buildDatabase("open.mdb", {"access_sales.sql"});
    // The PDF printer and "Generic PostScript Printer" come with the
    // stand-ins; PDFWriter is what a viewer-5 machine adds.
    setup += dv::winetest::installFilePrinter("Acrobat PDFWriter");
    setup += dv::winetest::installRelay();
    // A default printer to come back to: the one Access 9 must find again.
    original = defaultDevice();
    WriteProfileStringA("windows", "device", "Acrobat PDFWriter,winspool,FILE:");
    deviceBefore = defaultDevice();
    output = runClient();
    deviceAfter = defaultDevice();
  }
  static void TearDownTestSuite() {
    WriteProfileStringA("windows", "device", original.empty() ? nullptr : original.c_str());
    RegDeleteTreeA(HKEY_CURRENT_USER, dv::standins::com::kConfigKey);
    // Only the queue this test added: the stand-ins' own stay for the tests after it.
    dv::winetest::removePrinter("Acrobat PDFWriter");
  }

  static std::string unixPath(const std::string& name) {
    return dv::standins::toolRunner().toolPath(work + "\\" + name);
  }
  static dv::standins::ToolResult tool(const std::vector<std::string>& argv) { return dv::standins::runTool(argv); }

  // The database from the SQL files, written by the sqlite3 program.
  static std::string buildDatabase(const std::string& name, std::initializer_list<const char*> scripts) {
    DeleteFileA((work + "\\" + name).c_str());
    for (const char* script : scripts) {
      const std::string sql = dv::standins::toolRunner().toolPath(env("DV_TEST_DATA") + "\\" + script);
      auto r = tool({"sqlite3", unixPath(name), ".read " + sql});
      if (!r.ok()) return name + ": " + r.output + " ";
    }
    return {};
  }

  static std::string runClient() {
    return dv::winetest::runScript(dv::winetest::clientScript("convert_access.vbs"), {work}, work + "\\client.txt",
                                   kClientBoundMs)
        .describe();
  }

  static std::string text(const std::string& name) {
    return tool({"pdftotext", "-layout", unixPath(name), "-"}).output;
  }
  static int pages(const std::string& name) {
    const std::string info = tool({"pdfinfo", unixPath(name)}).output;
    const auto at = info.find("Pages:");
    return at == std::string::npos ? -1 : std::stoi(info.substr(at + 6));
  }
  static void expectSoundPdf(const std::string& name) {
    ASSERT_TRUE(exists(work + "\\" + name)) << name << "\n" << output;
    auto check = tool({"qpdf", "--check", unixPath(name)});
    EXPECT_TRUE(check.ok()) << name << "\n" << check.output;
  }

  static inline std::string work, journal, setup, output, original, deviceBefore, deviceAfter;
};

TEST_F(AccessConversions, TheClientRanEveryCall) {
  EXPECT_EQ(setup, "");
  EXPECT_NE(output.find("END-OF-SCRIPT"), std::string::npos) << output;
  EXPECT_EQ(output.find("FAIL"), std::string::npos) << output;
}

TEST_F(AccessConversions, WhereConditionLeavesOnlyMatchingRows) {
  expectSoundPdf("norway.pdf");
  const std::string t = text("norway.pdf");
  for (const char* shown : {"Customers", "Bergen Fiskehandel", "Nordlys Kafe", "Page 1 of 1"})
    EXPECT_NE(t.find(shown), std::string::npos) << shown << "\n" << t;
  for (const char* hidden : {"Alfreds", "Comercio", "Wartian"}) EXPECT_EQ(t.find(hidden), std::string::npos) << hidden;
}

TEST_F(AccessConversions, PdfPrinterWithTheRelayAndPdfWriterWithoutIt) {
  for (const char* name : {"relay.pdf", "writer.pdf"}) {
    SCOPED_TRACE(name);
    expectSoundPdf(name);
    EXPECT_EQ(pages(name), 1);
  }
  EXPECT_NE(text("relay.pdf").find("Orders by Region"), std::string::npos);
  EXPECT_NE(text("writer.pdf").find("Alfreds Futterkiste"), std::string::npos);
}

TEST_F(AccessConversions, ThreeReportsMergedInOrderWithNoPartsLeft) {
  expectSoundPdf("three.pdf");
  ASSERT_EQ(pages("three.pdf"), 3);
  const char* titles[] = {"Orders by Region", "Customers", "Orders by Region"};
  for (int page = 1; page <= 3; ++page) {
    const auto r =
        tool({"pdftotext", "-f", std::to_string(page), "-l", std::to_string(page), unixPath("three.pdf"), "-"});
    EXPECT_EQ(r.output.find(titles[page - 1]), 0u) << page << "\n" << r.output;
  }
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA("c:\\temp\\*.pdf", &data);
  EXPECT_EQ(find, INVALID_HANDLE_VALUE) << data.cFileName;
  if (find != INVALID_HANDLE_VALUE) FindClose(find);
}

TEST_F(AccessConversions, PostScriptFilesAreReadByGhostscript) {
  for (const char* name : {"customers.ps", "nine.ps"}) {
    SCOPED_TRACE(name);
    ASSERT_TRUE(exists(work + "\\" + name)) << output;
    auto r =
        tool({"gs", "-q", "-dNOPAUSE", "-dBATCH", "-dSAFER", "-sDEVICE=txtwrite", "-sOutputFile=-", unixPath(name)});
    EXPECT_TRUE(r.ok()) << r.output;
    if (std::string(name) == "customers.ps") {
      EXPECT_NE(r.output.find("Nordlys Kafe"), std::string::npos) << r.output;
      EXPECT_EQ(r.output.find("Alfreds"), std::string::npos) << r.output;
    } else {
      EXPECT_NE(r.output.find("Gravlax"), std::string::npos) << r.output;
      EXPECT_EQ(r.output.find("Guarana"), std::string::npos) << r.output;
    }
  }
}

TEST_F(AccessConversions, AccessNineLeavesTheDefaultPrinterAndNoAccessRuns) {
  // The printer itself: the driver field is written from the [Devices]
  // entry, which names Wine's driver where the prefix wrote "winspool".
  EXPECT_EQ(deviceAfter.substr(0, deviceAfter.find(',')), deviceBefore.substr(0, deviceBefore.find(',')));
  const std::string j = slurp(journal);
  std::smatch m;
  std::string rest = j;
  int created = 0;
  while (std::regex_search(rest, m, std::regex(R"((Application#\d+) create)"))) {
    ++created;
    EXPECT_NE(j.find(m[1].str() + " destroy"), std::string::npos) << m[1];
    EXPECT_NE(j.find(m[1].str() + " call Quit("), std::string::npos) << m[1];
    rest = m.suffix();
  }
  EXPECT_GE(created, 8) << j;
}

}  // namespace
