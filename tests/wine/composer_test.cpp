// NewDocument end to end: a VBScript client composes a document through
// the registered Docvane.dll and the Word stand-in (composer_compose.vbs),
// and this program checks the real files with the Unix tools: the PDFs,
// their text positions, fonts and pictures, and the working file as RTF.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <regex>
#include <sstream>

#include "bench_files.h"
#include "dv/standins/com_hosting.h"
#include "dv/standins/tools.h"

namespace {

using dv::winetest::env;
using dv::winetest::exists;
using dv::winetest::slurp;

struct Word {
  double xMin, yMin, xMax, yMax;
  int page;
};

class Composer : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    RegDeleteTreeA(HKEY_CURRENT_USER, dv::standins::com::kConfigKey);
    out = env("DV_BENCH_DIR") + "\\composer";
    CreateDirectoryA(out.c_str(), nullptr);
    const std::string u = unixPath(out);
    // The pictures: a JPEG of 192 x 144 pixels and a PNG of 96 x 48, both at 96 dpi.
    jpegMade = dv::standins::runTool({"gs", "-q", "-dSAFER", "-sDEVICE=jpeg", "-r96", "-g192x144", "-o",
                                      u + "/photo.jpg", "-c", "0 0 1 setrgbcolor 0 0 200 200 rectfill showpage"})
                   .ok();
    pngMade = dv::standins::runTool({"gs", "-q", "-dSAFER", "-sDEVICE=png16m", "-r96", "-g96x48", "-o", u + "/logo.png",
                                     "-c", "0 1 0 setrgbcolor 0 0 100 100 rectfill showpage"})
                  .ok();
    const dv::winetest::ScriptRun run =
        dv::winetest::runScript(env("DV_SOURCE_DIR") + "\\tests\\wine\\data\\composer_compose.vbs",
                                {out, out + "\\photo.jpg", out + "\\logo.png"}, out + "\\script.txt", 240000);
    scriptEnded = run.finished;
    scriptOutput = run.output;
  }

  static std::string unixPath(const std::string& p) { return dv::standins::toolRunner().toolPath(p); }
  static std::string tool(const std::vector<std::string>& argv, bool* ok = nullptr) {
    auto r = dv::standins::runTool(argv);
    if (ok) *ok = r.ok();
    return r.output;
  }
  // Every word of the PDF with its box (points from the top left) and page.
  static std::vector<std::pair<std::string, Word>> words(const std::string& pdf) {
    const std::string html = tool({"pdftotext", "-bbox", unixPath(pdf), "-"});
    std::vector<std::pair<std::string, Word>> all;
    int page = 0;
    for (size_t p = 0; p < html.size(); ++p) {
      if (html.compare(p, 6, "<page ") == 0) ++page;
      if (html.compare(p, 6, "<word ") != 0) continue;
      Word w{0, 0, 0, 0, page};
      std::sscanf(html.c_str() + p, "<word xMin=\"%lf\" yMin=\"%lf\" xMax=\"%lf\" yMax=\"%lf\">", &w.xMin, &w.yMin,
                  &w.xMax, &w.yMax);
      const size_t open = html.find('>', p) + 1;
      all.push_back({html.substr(open, html.find('<', open) - open), w});
    }
    return all;
  }

  static inline std::string out, scriptOutput;
  static inline bool jpegMade = false, pngMade = false, scriptEnded = false;
};

TEST_F(Composer, TheScriptComposedSavedAndClosed) {
  ASSERT_TRUE(jpegMade && pngMade);
  ASSERT_TRUE(scriptEnded);
  EXPECT_NE(scriptOutput.find("END-OF-SCRIPT"), std::string::npos) << scriptOutput;
  EXPECT_EQ(scriptOutput.find("FAIL"), std::string::npos) << scriptOutput;
  EXPECT_GE(std::count(scriptOutput.begin(), scriptOutput.end(), '\n'), 15) << scriptOutput;
}

TEST_F(Composer, ThePdfIsSoundA4LandscapeWithTwoPages) {
  const std::string pdf = out + "\\composed.pdf";
  ASSERT_TRUE(exists(pdf)) << scriptOutput;
  bool ok = false;
  tool({"qpdf", "--check", unixPath(pdf)}, &ok);
  EXPECT_TRUE(ok);
  const std::string info = tool({"pdfinfo", unixPath(pdf)});
  EXPECT_TRUE(std::regex_search(info, std::regex(R"(Pages:\s+2\n)"))) << info;
  EXPECT_TRUE(std::regex_search(info, std::regex(R"(Page size:\s+841.89 x 595.28 pts)"))) << info;
  EXPECT_TRUE(exists(out + "\\first.pdf"));
}

TEST_F(Composer, TextIsReplacedPlacedInsideTheMarginsAndNumberedFromPageTwo) {
  const auto all = words(out + "\\composed.pdf");
  ASSERT_FALSE(all.empty()) << scriptOutput;
  std::map<std::string, Word> at;
  double left = 1e9;
  for (const auto& [text, w] : all) {
    at.emplace(text, w);
    left = std::min(left, w.xMin);
  }
  EXPECT_TRUE(at.count("NEWWORD"));
  EXPECT_FALSE(at.count("OLDWORD"));
  EXPECT_TRUE(at.count("oldword"));  // the search matched case
  EXPECT_TRUE(at.count("Added"));
  EXPECT_NEAR(left, 54, 1.5);  // the left margin of 0.75 inch
  ASSERT_TRUE(at.count("Composed") && at.count("title"));
  EXPECT_NEAR((at["Composed"].xMin + at["title"].xMax) / 2, (54 + 841.89 - 72) / 2, 3);  // centred
  ASSERT_TRUE(at.count("aligned") && at.count("italic"));
  EXPECT_NEAR(at["italic"].xMax, 841.89 - 72, 1.5);  // right-aligned at the right margin
  EXPECT_EQ(at["Second"].page, 2);
  // Under a top margin of half an inch and the empty paragraph every
  // PrintDocln leaves before its own (Word's Paragraphs.Add).
  EXPECT_NEAR(at["Composed"].yMin, 36 + 12 * 1.15 + 2, 4);
  // The page number: only on page 2, right-aligned, 0.3 inch above the bottom edge.
  int numbers = 0;
  for (const auto& [text, w] : all) {
    if (text != "1" && text != "2") continue;
    ++numbers;
    EXPECT_EQ(text, "2");
    EXPECT_EQ(w.page, 2);
    EXPECT_NEAR(w.xMax, 841.89 - 72, 1.5);
    EXPECT_NEAR(595.28 - w.yMax, 0.3 * 72, 3);
  }
  EXPECT_EQ(numbers, 1);
}

TEST_F(Composer, FontsAndPicturesAreThoseOfTheDocument) {
  const std::string pdf = unixPath(out + "\\composed.pdf");
  const std::string fonts = tool({"pdffonts", pdf});
  // Arial bold, Courier New italic and Times New Roman on the standard fonts, embedded.
  for (const char* family : {"+Helvetica-Bold ", "+Courier-Oblique ", "+Times-Roman "})
    EXPECT_NE(fonts.find(family), std::string::npos) << fonts;
  const std::string images = tool({"pdfimages", "-list", pdf});
  std::istringstream lines(images);
  std::string line;
  std::vector<std::string> rows;
  while (std::getline(lines, line))
    if (std::regex_search(line, std::regex(R"(^\s+\d+\s+\d+\s+image)"))) rows.push_back(line);
  ASSERT_EQ(rows.size(), 2u) << images;
  EXPECT_TRUE(std::regex_search(rows[0], std::regex(R"(\s192\s+144\s+rgb\s+3\s+8\s+jpeg\s.*\s96\s+96\s)"))) << rows[0];
  EXPECT_TRUE(std::regex_search(rows[1], std::regex(R"(\s96\s+48\s+\w+\s+3\s.*\s96\s+96\s)"))) << rows[1];
}

TEST_F(Composer, TheWorkingFileWasRtfWithTheComposedText) {
  ASSERT_TRUE(exists(out + "\\working.doc")) << scriptOutput;
  EXPECT_EQ(slurp(out + "\\working.doc").rfind("{\\rtf1", 0), 0u);
  bool ok = false;
  const std::string text = tool({"unrtf", "--nopict", "--text", unixPath(out + "\\working.doc")}, &ok);
  ASSERT_TRUE(ok) << text;
  for (const char* expected : {"Composed title", "Right aligned italic", "Plain start underlined blue",
                               "Replace NEWWORD here and oldword there", "Added after the first save"})
    EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;
}

}  // namespace
