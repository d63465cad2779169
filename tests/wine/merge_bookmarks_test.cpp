// Merging and bookmarks from a VBScript client (clients/merge_bookmarks.vbs,
// run with cscript in a fresh work folder), then the files it wrote read
// back with qpdf and poppler: every file passes qpdf --check, the merges
// hold their pages in order and every input's outline with its
// destinations, the new bookmarks lead to their texts' pages, and the
// copied outline is JavaScript that turns the page and scrolls.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

#include <nlohmann/json.hpp>

#include "bench_files.h"
#include "dv/standins/tools.h"
#include "dv/win32/handle.h"

namespace {

using dv::winetest::env;
using dv::winetest::slurp;
using Json = nlohmann::json;

// The script's bound: eleven calls, each starting the viewer and dv-pdftool.
constexpr DWORD kClientBoundMs = 240000;

class MergeBookmarks : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    work = env("DV_BENCH_DIR") + "\\merge_bookmarks";
    const std::string unixWork = dv::standins::toolRunner().toolPath(work);
    dv::standins::runTool({"rm", "-rf", unixWork});
    CreateDirectoryA(work.c_str(), nullptr);
    output = runClient();
  }
  // The client's output, or why there is none.
  static std::string runClient() {
    return dv::winetest::runScript(dv::winetest::clientScript("merge_bookmarks.vbs"), {work}, work + "\\client.txt",
                                   kClientBoundMs)
        .describe();
  }
  static std::string unixPath(const std::string& name) {
    return dv::standins::toolRunner().toolPath(work + "\\" + name);
  }
  static dv::standins::ToolResult tool(const std::vector<std::string>& argv) { return dv::standins::runTool(argv); }
  static Json outline(const std::string& name) {
    const auto r = tool({"qpdf", "--json", "--json-key=outlines", "--json-key=qpdf", unixPath(name)});
    EXPECT_TRUE(r.ok()) << r.output;
    return Json::parse(r.output, nullptr, false);
  }
  // "title@page" of the outline, nesting in parentheses.
  static std::string shape(const Json& items) {
    std::string s;
    for (const Json& o : items) {
      s += (s.empty() ? "" : " ") + o.at("title").get<std::string>();
      if (o.at("destpageposfrom1").is_number()) s += "@" + std::to_string(o.at("destpageposfrom1").get<int>());
      if (!o.at("kids").empty()) s += " (" + shape(o.at("kids")) + ")";
    }
    return s;
  }
  static std::string pageText(const std::string& name, int page) {
    const std::string p = std::to_string(page);
    return tool({"pdftotext", "-f", p, "-l", p, unixPath(name), "-"}).output;
  }

  static std::string work, output;
};
std::string MergeBookmarks::work, MergeBookmarks::output;

TEST_F(MergeBookmarks, TheClientsChecksPass) {
  EXPECT_NE(output.find("END-OF-SCRIPT"), std::string::npos) << output;
  EXPECT_EQ(output.find("FAIL "), std::string::npos) << output;
  EXPECT_NE(output.find("PASS "), std::string::npos) << output;
}

TEST_F(MergeBookmarks, EveryWrittenFilePassesQpdfCheck) {
  for (const char* name : {"two.pdf", "dir\\charlie.pdf", "bysize.pdf", "marked.pdf", "copied.pdf"}) {
    const auto r = tool({"qpdf", "--check", unixPath(name)});
    EXPECT_TRUE(r.ok()) << name << ": " << r.output;
  }
}

TEST_F(MergeBookmarks, TheMergeHoldsThePagesAndEveryOutlineInOrder) {
  const Json j = outline("two.pdf");
  ASSERT_TRUE(j.is_object());
  EXPECT_EQ(shape(j.at("outlines")), "Alpha@1 Alpha end@2 Beta@3 (Methods@4 Results@5) Gamma@6");
  // Destinations keep the point they scroll to.
  const Json& methods = j.at("outlines")[2].at("kids")[0].at("dest");
  EXPECT_EQ(methods[1], "/XYZ");
  EXPECT_EQ(methods[2].get<double>(), 72);
  EXPECT_EQ(methods[3].get<double>(), 620);
  for (auto [page, text] : {std::pair{1, "Alpha start"}, std::pair{3, "Beta cover"}, std::pair{6, "Gamma only"}})
    EXPECT_NE(pageText("two.pdf", page).find(text), std::string::npos) << page;
}

TEST_F(MergeBookmarks, TheFolderIsMergedInItsSortOrder) {
  // Sorted by name descending: charlie (3 pages), bravo (2), alpha (1).
  const auto pages = tool({"qpdf", "--show-npages", unixPath("dir\\charlie.pdf")});
  EXPECT_EQ(pages.output.substr(0, pages.output.find('\n')), "6");
  EXPECT_EQ(tool({"qpdf", "--show-npages", unixPath("dir\\alpha.pdf")}).output.substr(0, 1), "1");  // untouched
}

TEST_F(MergeBookmarks, NewBookmarksLeadToTheirTextsPages) {
  const Json j = outline("marked.pdf");
  ASSERT_TRUE(j.is_object());
  EXPECT_EQ(shape(j.at("outlines")), "two@2 Three@3 One@1");
  EXPECT_NE(pageText("marked.pdf", 2).find("Two"), std::string::npos);
  EXPECT_NE(pageText("marked.pdf", 3).find("Three"), std::string::npos);
}

TEST_F(MergeBookmarks, TheCopiedOutlineIsJavaScriptThatTurnsThePage) {
  const Json j = outline("copied.pdf");
  ASSERT_TRUE(j.is_object());
  EXPECT_EQ(shape(j.at("outlines")), "Intro Chapter (Part A Part B) Intro@1 Chapter@2 (Part A@3 Part B@4)");
  // The actions' scripts, by the outline items' objects.
  std::vector<std::string> scripts;
  const Json& objects = j.at("qpdf")[1];
  for (const auto& [key, value] : objects.items()) {
    if (!value.contains("value")) continue;
    const Json& v = value.at("value");
    if (v.is_object() && v.value("/S", "") == "/JavaScript") scripts.push_back(v.value("/JS", ""));
  }
  std::sort(scripts.begin(), scripts.end());
  // The book's destinations name no point: the view stands at 0, 0.
  EXPECT_EQ(scripts,
            (std::vector<std::string>{"u:this.pageNum = 0;this.scroll(0,0);", "u:this.pageNum = 1;this.scroll(0,0);",
                                      "u:this.pageNum = 2", "u:this.pageNum = 3"}));
}

}  // namespace
