// Generic, image, miscellaneous-file and text-file conversions through the
// registered Docvane.dll, end to end: the script client
// (clients/convert_generic.vbs) under cscript with the real dlgrelay.exe
// answering the PDF printer, then what it left checked with the Unix
// tools: qpdf, pdfinfo, pdfimages, pdftotext and Ghostscript.
#include <windows.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <regex>

#include "bench_files.h"
#include "dv/standins/com_hosting.h"
#include "dv/standins/printing.h"
#include "dv/standins/tools.h"
#include "dv/win32/handle.h"

namespace {

using dv::winetest::env;
using dv::winetest::exists;
using dv::winetest::slurp;

dv::standins::ToolResult tool(const std::vector<std::string>& argv) { return dv::standins::runTool(argv); }
std::string unixPath(const std::string& p) { return dv::standins::toolRunner().toolPath(p); }

int pages(const std::string& pdf) {
  const std::string info = tool({"pdfinfo", unixPath(pdf)}).output;
  const auto at = info.find("Pages:");
  return at == std::string::npos ? -1 : std::stoi(info.substr(at + 6));
}

std::string info(const std::string& pdf, const std::string& key) {
  const std::string all = tool({"pdfinfo", unixPath(pdf)}).output;
  const std::regex line("(^|\n)" + key + ":\\s*([^\n]*)");
  std::smatch m;
  return std::regex_search(all, m, line) ? std::string(m[2]) : std::string();
}

// pdfimages -list: "width height" of every image, in order.
std::vector<std::string> imageSizes(const std::string& pdf) {
  std::vector<std::string> out;
  std::istringstream in(tool({"pdfimages", "-list", unixPath(pdf)}).output);
  std::string line;
  std::getline(in, line);
  std::getline(in, line);
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string page, num, type, width, height;
    if (fields >> page >> num >> type >> width >> height) out.push_back(width + " " + height);
  }
  return out;
}

void write(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

class GenericConversions : public ::testing::Test {
 protected:
  void SetUp() override {
    RegDeleteTreeA(HKEY_CURRENT_USER, dv::standins::com::kConfigKey);
    dir = env("DV_BENCH_DIR") + "\\generic";
    CreateDirectoryA(dir.c_str(), nullptr);
    // The library looks for the relay in the system folder first.
    ASSERT_EQ(dv::winetest::installRelay(), "");
    // Pictures of known pixel sizes, drawn by Ghostscript.
    const struct {
      const char* name;
      const char* device;
      int width, height;
    } pictures[] = {{"photo.jpg", "jpeg", 300, 200},
                    {"one.png", "png16m", 120, 90},
                    {"two.png", "png16m", 90, 120},
                    {"three.tif", "tiff24nc", 200, 200}};
    for (const auto& p : pictures) {
      const std::string ps = dir + "\\picture.ps";
      write(ps, "%!PS\n<< /PageSize [" + std::to_string(p.width) + " " + std::to_string(p.height) +
                    "] >> setpagedevice 0.2 0.4 0.8 setrgbcolor 0 0 1000 1000 rectfill showpage\n");
      ASSERT_TRUE(tool({"gs", "-q", "-dSAFER", "-r72", "-sDEVICE=" + std::string(p.device), "-o",
                        unixPath(dir + "\\" + p.name), unixPath(ps)})
                      .ok());
    }
    // Ghostscript writes no GIF: Pillow, which img2pdf runs on with the
    // system's Python, makes one.
    ASSERT_TRUE(tool({"/usr/bin/python3", "-c",
                      "import sys; from PIL import Image; "
                      "Image.new('RGB', (64, 48), (200, 40, 40)).save(sys.argv[1], 'GIF')",
                      unixPath(dir + "\\four.gif")})
                    .ok());
    std::string notes;
    for (int i = 1; i <= 200; ++i) notes += "Notes line " + std::to_string(i) + "\r\n";
    write(dir + "\\notes.txt", notes);
    write(dir + "\\letter.rtf",
          "{\\rtf1\\ansi{\\fonttbl{\\f0 Times New Roman;}}\\f0\\fs24 Dear reader,\\par\r\n"
          "this {\\b letter} was printed by Word.\\par}\r\n");
    // The script records viewer versions; the prefix's own is put back.
    char version[64] = {};
    DWORD size = sizeof version;
    hadVersion =
        RegGetValueA(HKEY_LOCAL_MACHINE, kVersionKey, nullptr, RRF_RT_REG_SZ, nullptr, version, &size) == ERROR_SUCCESS;
    previousVersion = version;
    // A default printer the default-printer methods must put back.
    previousDefault = dv::standins::printing::defaultPrinter();
    SetDefaultPrinterA(dv::standins::printing::kGenericPostScriptPrinter);
  }
  void TearDown() override {
    if (!previousDefault.empty()) SetDefaultPrinterA(previousDefault.c_str());
    else WriteProfileStringA("windows", "device", nullptr);
    if (hadVersion)
      RegSetKeyValueA(HKEY_LOCAL_MACHINE, kVersionKey, nullptr, REG_SZ, previousVersion.c_str(),
                      static_cast<DWORD>(previousVersion.size() + 1));
    else RegDeleteKeyA(HKEY_LOCAL_MACHINE, kVersionKey);
  }
  std::string cscript(const std::string& script, const std::string& argument) {
    return dv::winetest::runScript(script, {argument}, dir + "\\cscript.txt", 270000).describe();
  }

  static constexpr const char* kVersionKey = "SOFTWARE\\Classes\\AcroExch.App\\AcrobatVersion";
  std::string dir, previousDefault, previousVersion;
  bool hadVersion = false;
};

TEST_F(GenericConversions, ScriptClientConvertsImagesTextAndMiscFiles) {
  const std::string output = cscript(env("DV_SOURCE_DIR") + "\\tests\\wine\\clients\\convert_generic.vbs", dir);
  EXPECT_NE(output.find("END-OF-SCRIPT"), std::string::npos) << output;
  EXPECT_EQ(output.find("FAIL"), std::string::npos) << output;

  // Every PDF is sound.
  for (const char* name : {"photo9.pdf", "photo7.pdf", "authored.pdf", "printed photo.pdf", "album.pdf", "letter.pdf",
                           "notes8.pdf", "notes10.pdf", "notes margin.pdf", "notepad.pdf"}) {
    SCOPED_TRACE(name);
    const std::string pdf = dir + "\\" + name;
    ASSERT_TRUE(exists(pdf));
    const auto check = tool({"qpdf", "--check", unixPath(pdf)});
    EXPECT_TRUE(check.ok()) << check.output;
  }
  // The viewer's conversion keeps the picture at its pixel size, and its
  // save is linearized.
  for (const char* name : {"photo9.pdf", "photo7.pdf", "authored.pdf"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(imageSizes(dir + "\\" + name), (std::vector<std::string>{"300 200"}));
    EXPECT_TRUE(tool({"qpdf", "--check-linearization", unixPath(dir + "\\" + name)}).ok());
  }
  EXPECT_EQ(info(dir + "\\authored.pdf", "Author"), "Ann Author");
  EXPECT_EQ(info(dir + "\\authored.pdf", "Title"), "");
  // The picture viewer fitted the photo to a Letter page.
  EXPECT_EQ(info(dir + "\\printed photo.pdf", "Page size"), "612 x 792 pts (letter)");
  EXPECT_EQ(imageSizes(dir + "\\printed photo.pdf").size(), 1u);
  // Four pages in the order given (PNG, PNG, TIFF, GIF), the missing image
  // skipped, no parts left.
  EXPECT_EQ(pages(dir + "\\album.pdf"), 4);
  EXPECT_EQ(imageSizes(dir + "\\album.pdf"), (std::vector<std::string>{"120 90", "90 120", "200 200", "64 48"}));
  // Word printed the letter; the text printed at 8 points takes fewer pages
  // than at 10; the margin moved the text.
  const std::string letter = tool({"pdftotext", unixPath(dir + "\\letter.pdf"), "-"}).output;
  EXPECT_NE(letter.find("this letter was printed by Word"), std::string::npos) << letter;
  EXPECT_EQ(letter.find("fonttbl"), std::string::npos) << letter;  // the file's text, not its markup
  EXPECT_EQ(pages(dir + "\\notes8.pdf"), 3);
  EXPECT_EQ(pages(dir + "\\notes10.pdf"), 4);
  const std::string margin = tool({"pdftotext", "-bbox", unixPath(dir + "\\notes margin.pdf"), "-"}).output;
  EXPECT_NE(margin.find("xMin=\"36."), std::string::npos) << margin.substr(0, 600);
  EXPECT_NE(tool({"pdftotext", unixPath(dir + "\\notepad.pdf"), "-"}).output.find("Notes line 200"), std::string::npos);
  // The PostScript files are PostScript Ghostscript reads.
  for (const char* name : {"notes.ps", "notepad.ps", "text output.ps"}) {
    SCOPED_TRACE(name);
    const std::string ps = dir + "\\" + name;
    ASSERT_TRUE(exists(ps));
    EXPECT_EQ(slurp(ps).rfind("%!PS", 0), 0u);
    EXPECT_TRUE(tool({"gs", "-q", "-dSAFER", "-dBATCH", "-dNOPAUSE", "-sDEVICE=nullpage", unixPath(ps)}).ok());
  }
  // The text output's lines are indented by four blanks.
  const std::string printed = dir + "\\text output.pdf";
  ASSERT_TRUE(
      tool({"gs", "-q", "-dSAFER", "-o", unixPath(printed), "-sDEVICE=pdfwrite", unixPath(dir + "\\text output.ps")})
          .ok());
  EXPECT_NE(tool({"pdftotext", unixPath(printed), "-"}).output.find("Notes line 1"), std::string::npos);
  // Nothing of the calls is left in the temporary folder.
  WIN32_FIND_DATAA found;
  HANDLE h = FindFirstFileA("C:\\Temp\\*.pdf", &found);
  EXPECT_EQ(h, INVALID_HANDLE_VALUE) << found.cFileName;
  if (h != INVALID_HANDLE_VALUE) FindClose(h);
}

}  // namespace
