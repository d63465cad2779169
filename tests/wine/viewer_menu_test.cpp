// The menu-driven file operations end to end: a VBScript client calls
// Docvane.CreatePDF through real COM, the library starts the real dlgrelay
// for each dialog, the viewer stand-in shows its real modal dialogs (viewer
// versions 7 and 8 set in the prefix) and writes real files, which are
// checked here with the Unix tools.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "bench_files.h"
#include "dv/standins/com_hosting.h"
#include "dv/standins/tools.h"
#include "dv/win32/handle.h"

namespace {

using dv::winetest::env;
using dv::winetest::exists;
using dv::winetest::slurp;

void write(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

class ViewerMenu : public ::testing::Test {
 protected:
  void SetUp() override {
    bench = env("DV_BENCH_DIR");
    ASSERT_FALSE(bench.empty());
    RegDeleteTreeA(HKEY_CURRENT_USER, dv::standins::com::kConfigKey);
    ASSERT_EQ(dv::winetest::installRelay(), "");
    // Two pages with web addresses, written without compression.
    source = bench + "\\menu-source.pdf";
    const std::string made = bench + "\\menu-made.pdf";
    tool({"gs", "-q", "-dNOPAUSE", "-dBATCH", "-sDEVICE=pdfwrite", "-dCompressPages=false", "-o", unix(made), "-c",
          "/Helvetica findfont 12 scalefont setfont 72 600 moveto (Visit www.example.com or https://docvane.test/x) "
          "show 1 1 30 { 15 mul 100 add 72 exch moveto (Lorem ipsum dolor sit amet, consectetur adipiscing elit.) "
          "show } for showpage 72 600 moveto (Page two http://two.test) show showpage"});
    tool({"qpdf", "--stream-data=uncompress", "--object-streams=disable", unix(made), unix(source)});
    ASSERT_TRUE(exists(source));
  }
  void TearDown() override { RegDeleteTreeA(HKEY_CURRENT_USER, dv::standins::com::kConfigKey); }

  void viewerVersion(const char* version) {
    dv::win32::UniqueHkey key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\AcroExch.App\\AcrobatVersion", 0, nullptr, 0,
                              KEY_WRITE, nullptr, key.put(), nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key.get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(version),
                   static_cast<DWORD>(strlen(version) + 1));
  }
  // The stand-ins' journal of calls and dialogs, for a failure's message.
  static void journalTo(const std::string& path) {
    dv::win32::UniqueHkey key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, dv::standins::com::kConfigKey, 0, nullptr, 0, KEY_WRITE, nullptr,
                              key.put(), nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key.get(), "JournalFile", 0, REG_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                   static_cast<DWORD>(path.size() + 1));
  }
  std::string copyOfSource(const std::string& name) {
    const std::string path = bench + "\\" + name;
    EXPECT_TRUE(CopyFileA(source.c_str(), path.c_str(), FALSE));
    return path;
  }

  static std::string unix(const std::string& path) { return dv::standins::toolRunner().toolPath(path); }
  static dv::standins::ToolResult run(const std::vector<std::string>& argv) { return dv::standins::runTool(argv); }
  static std::string tool(const std::vector<std::string>& argv) {
    const dv::standins::ToolResult r = run(argv);
    EXPECT_TRUE(r.ok()) << argv[0] << ": " << r.output;
    return r.output;
  }

  // Runs a VBScript client (`pdf` is a Docvane.CreatePDF, `Check ok, what`
  // prints PASS or FAIL) and returns its output; every check must pass and
  // the script must reach its end.
  std::string script(const std::string& name, const std::string& body) {
    const std::string file = bench + "\\" + name + ".vbs";
    write(file,
          "Option Explicit\r\nDim pdf, n\r\nSet pdf = CreateObject(\"Docvane.CreatePDF\")\r\n"
          "Sub Check(ok, what)\r\n  If ok Then\r\n    WScript.Echo \"PASS \" & what\r\n  Else\r\n"
          "    WScript.Echo \"FAIL \" & what\r\n  End If\r\nEnd Sub\r\n" +
              body + "\r\nWScript.Echo \"END-OF-SCRIPT\"\r\n");
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    EXPECT_TRUE(CreatePipe(&readEnd, &writeEnd, &sa, 0));
    dv::win32::UniqueHandle reader(readEnd), writer(writeEnd);
    SetHandleInformation(reader.get(), HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = writer.get();
    si.hStdError = writer.get();
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    std::string line = "cscript.exe //nologo \"" + file + "\"";
    PROCESS_INFORMATION pi{};
    EXPECT_TRUE(CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi));
    dv::win32::UniqueHandle process(pi.hProcess), thread(pi.hThread);
    writer.reset();
    std::string out;
    char buffer[4096];
    DWORD n = 0;
    while (ReadFile(reader.get(), buffer, sizeof buffer, &n, nullptr) && n > 0) out.append(buffer, n);
    WaitForSingleObject(process.get(), 240000);
    EXPECT_NE(out.find("END-OF-SCRIPT"), std::string::npos) << out;
    EXPECT_EQ(out.find("FAIL"), std::string::npos) << out;
    return out;
  }

  std::string bench, source;
};

TEST_F(ViewerMenu, ReduceFileSizeOnViewer7WritesASmallerPdf14WithTheSameText) {
  viewerVersion("7.0");
  const std::string pdf = copyOfSource("menu-reduce.pdf");
  const std::string before = tool({"pdftotext", unix(pdf), "-"});
  const auto sizeBefore = slurp(pdf).size();
  const std::string journal = bench + "\\menu-reduce.journal";
  journalTo(journal);
  script("menu_reduce", "pdf.ReduceFileSize \"" + pdf + "\", \"\", 1\r\nCheck True, \"ReduceFileSize returned\"");
  EXPECT_LT(slurp(pdf).size(), sizeBefore) << slurp(journal);
  // pdfinfo pads its labels to a width that differs between versions.
  const std::string info = tool({"pdfinfo", unix(pdf)});
  const size_t label = info.find("PDF version:");
  ASSERT_NE(label, std::string::npos) << info;
  EXPECT_EQ(info.substr(info.find_first_not_of(' ', label + 12), 3), "1.4") << info << slurp(journal);
  EXPECT_EQ(tool({"pdftotext", unix(pdf), "-"}), before);
  tool({"qpdf", "--check", unix(pdf)});
}

TEST_F(ViewerMenu, SaveFileAsTextPngAndPostScriptOnViewer8) {
  viewerVersion("8.0");
  const std::string text = bench + "\\menu-saved.txt", png = bench + "\\menu-saved.png", ps = bench + "\\menu-saved.ps";
  write(text, "an older file");  // deleted before the viewer writes
  const std::string pdf = copyOfSource("menu-saveas.pdf");
  script("menu_saveas", "pdf.SaveFileAs \"" + pdf + "\", \"" + text + "\", \"\", 11\r\n" +    //
                            "pdf.SaveFileAs \"" + pdf + "\", \"" + png + "\", \"\", 7\r\n" +  //
                            "pdf.SaveFileAs \"" + pdf + "\", \"" + ps + "\", \"\", 8\r\n" +
                            "Check True, \"SaveFileAs returned\"");
  EXPECT_NE(tool({"file", "-b", unix(png)}).find("PNG image"), std::string::npos);
  EXPECT_NE(tool({"file", "-b", unix(ps)}).find("PostScript"), std::string::npos);
  EXPECT_NE(tool({"file", "-b", unix(text)}).find("text"), std::string::npos);
  EXPECT_EQ(slurp(text), tool({"pdftotext", "-enc", "UTF-8", unix(pdf), "-"}));
}

TEST_F(ViewerMenu, SetOpenPasswordEncryptsAndTheCountNeedsThePassword) {
  viewerVersion("8.0");
  const std::string pdf = copyOfSource("menu-secure.pdf");
  script("menu_secure", "pdf.SetOpenPassword \"" + pdf + "\", \"open sesame\"\r\n" + "n = pdf.GetNumPagesPDF(\"" + pdf +
                            "\", \"open sesame\")\r\n" +
                            "Check n = 2, \"GetNumPagesPDF with the new password counts 2 pages (\" & n & \")\"");
  EXPECT_EQ(run({"qpdf", "--requires-password", unix(pdf)}).exitCode, 0);
}

TEST_F(ViewerMenu, PageHeadersInTheirBoxesOnEveryPage) {
  for (const char* version : {"7.0", "6.0"}) {
    viewerVersion(version);
    const std::string pdf = copyOfSource(std::string("menu-headers") + version + ".pdf");
    // Font Helvetica (4), size 10 (4), "Page 1 of n" (3) in the centre, no
    // date, custom text on the right.
    script("menu_headers", "pdf.CreatePageHeaderInPDF \"" + pdf + "\", 4, 4, 3, 1, -1, 0, \"Confidential\", 2\r\n" +
                               "Check True, \"CreatePageHeaderInPDF returned\"");
    const std::string bbox = tool({"pdftotext", "-bbox", unix(pdf), "-"});
    for (int page = 1; page <= 2; ++page) {
      const size_t at = bbox.find("<page", page == 1 ? 0 : bbox.find("</page>") + 1);
      ASSERT_NE(at, std::string::npos);
      const std::string one = bbox.substr(at, bbox.find("</page>", at) - at);
      // "Page n of 2" around the middle of the top, the text at the right.
      for (const std::string& word : {std::string(">Page<"), ">" + std::to_string(page) + "<", std::string(">of<"),
                                      std::string(">2<"), std::string(">Confidential<")})
        EXPECT_NE(one.find(word), std::string::npos) << version << " page " << page << " " << word;
      const size_t confidential = one.find(">Confidential<");
      if (confidential == std::string::npos) continue;
      const size_t xMin = one.rfind("xMin=\"", confidential), yMin = one.rfind("yMin=\"", confidential);
      EXPECT_GT(std::stod(one.substr(xMin + 6)), 400.0) << version;  // right box of a 612-point page
      EXPECT_LT(std::stod(one.substr(yMin + 6)), 72.0) << version;   // at the top
    }
  }
}

TEST_F(ViewerMenu, LinksFromThePagesUrls) {
  viewerVersion("8.0");
  const std::string pdf = copyOfSource("menu-links.pdf");
  script("menu_links", "pdf.CreateLinksInPDF \"" + pdf + "\"\r\nCheck True, \"CreateLinksInPDF returned\"");
  const std::string json = tool({"qpdf", "--json", "--json-key=qpdf", unix(pdf)});
  for (const char* uri : {"http://www.example.com", "https://docvane.test/x", "http://two.test"})
    EXPECT_NE(json.find(std::string("\"u:") + uri + "\""), std::string::npos) << uri;
  EXPECT_NE(json.find("\"/Subtype\": \"/Link\""), std::string::npos);
}

TEST_F(ViewerMenu, SaveFileAsOntoItsOwnSourceFailsAndKeepsTheSource) {
  viewerVersion("8.0");
  const std::string pdf = copyOfSource("menu-self.pdf");
  const std::string before = slurp(pdf);
  script("menu_self", "On Error Resume Next\r\npdf.SaveFileAs \"" + pdf + "\", \"" + pdf + "\", \"\", 0\r\n" +
                          "Check Err.Number <> 0, \"saving onto the open source fails (\" & Err.Number & \" \" & "
                          "Err.Description & \")\"\r\nOn Error GoTo 0\r\n" +
                          "Check Not pdf.IsAcrobatHidden(), \"the error exit ended the viewer\"");
  EXPECT_EQ(slurp(pdf), before);
}

}  // namespace
