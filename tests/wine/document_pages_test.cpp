// Page operations from a VBScript client (clients/document_pages.vbs, run
// with cscript in a fresh work folder) through the registered Docvane.dll
// and the viewer stand-in, then the files it saved read back with the
// Unix tools: qpdf --check, pdfinfo (pages and rotations), pdftotext page
// by page, and the page labels from qpdf's JSON.
#include <windows.h>

#include <gtest/gtest.h>

#include <sstream>

#include <nlohmann/json.hpp>

#include "bench_files.h"
#include "dv/standins/tools.h"
#include "dv/win32/handle.h"

namespace {

using dv::winetest::env;
using dv::winetest::slurp;
using Json = nlohmann::json;

// The script's bound: two conversions and a dozen page operations, each a
// run of dv-pdftool from Wine.
constexpr DWORD kClientBoundMs = 240000;

class DocumentPages : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    work = env("DV_BENCH_DIR") + "\\document_pages";
    dv::standins::runTool({"rm", "-rf", dv::standins::toolRunner().toolPath(work)});
    CreateDirectoryA(work.c_str(), nullptr);
    output = runClient();
  }
  // The client's output, or why there is none.
  static std::string runClient() {
    return dv::winetest::runScript(dv::winetest::clientScript("document_pages.vbs"), {work}, work + "\\client.txt",
                                   kClientBoundMs)
        .describe();
  }
  static std::string unixPath(const std::string& name) {
    return dv::standins::toolRunner().toolPath(work + "\\" + name);
  }
  static std::string tool(const std::vector<std::string>& argv) {
    const dv::standins::ToolResult r = dv::standins::runTool(argv);
    EXPECT_TRUE(r.ok()) << argv[0] << ": " << r.output;
    return r.output;
  }
  // pdfinfo's "Pages:" and each page's "rot:".
  static std::pair<int, std::vector<int>> pagesAndRotations(const std::string& name) {
    std::istringstream info(tool({"pdfinfo", "-f", "1", "-l", "99", unixPath(name)}));
    int pages = 0;
    std::vector<int> rotations;
    for (std::string line; std::getline(info, line);) {
      if (line.rfind("Pages:", 0) == 0) pages = std::stoi(line.substr(6));
      const size_t rot = line.find(" rot: ");
      if (line.rfind("Page ", 0) == 0 && rot != std::string::npos) rotations.push_back(std::stoi(line.substr(rot + 6)));
    }
    return {pages, rotations};
  }
  static std::vector<std::string> texts(const std::string& name, int pages) {
    std::vector<std::string> out;
    for (int n = 1; n <= pages; ++n) {
      std::string t = tool({"pdftotext", "-f", std::to_string(n), "-l", std::to_string(n), unixPath(name), "-"});
      std::erase_if(t, [](char c) { return c == '\n' || c == '\f' || c == '\r'; });
      while (!t.empty() && t.back() == ' ') t.pop_back();
      out.push_back(t);
    }
    return out;
  }

  static std::string work, output;
};
std::string DocumentPages::work, DocumentPages::output;

TEST_F(DocumentPages, TheClientsChecksPass) {
  EXPECT_NE(output.find("END-OF-SCRIPT"), std::string::npos) << output;
  EXPECT_EQ(output.find("FAIL "), std::string::npos) << output;
  EXPECT_NE(output.find("PASS "), std::string::npos) << output;
}

TEST_F(DocumentPages, TheSavedFileHoldsThePagesInTheirNewOrder) {
  EXPECT_NE(tool({"qpdf", "--check", unixPath("book.pdf")}).find("No syntax or stream encoding errors"),
            std::string::npos);
  const auto [pages, rotations] = pagesAndRotations("book.pdf");
  ASSERT_EQ(pages, 6);
  EXPECT_EQ(texts("book.pdf", pages),
            (std::vector<std::string>{"Extra 1", "Extra 2", "Page 5", "Page 1", "Page 2", ""}));
  EXPECT_EQ(rotations, (std::vector<int>{0, 0, 90, 90, 0, 0}));
  const Json labels =
      Json::parse(tool({"qpdf", "--json=2", "--json-key=pagelabels", unixPath("book.pdf")}), nullptr, false);
  ASSERT_TRUE(labels.is_object());
  ASSERT_EQ(labels.at("pagelabels").size(), 1u);
  EXPECT_EQ(labels.at("pagelabels")[0].at("label").at("/S"), "/r");
}

TEST_F(DocumentPages, TheExtractedFileHoldsTheRange) {
  EXPECT_NE(tool({"qpdf", "--check", unixPath("extracted.pdf")}).find("No syntax or stream encoding errors"),
            std::string::npos);
  const auto [pages, rotations] = pagesAndRotations("extracted.pdf");
  ASSERT_EQ(pages, 2);
  EXPECT_EQ(texts("extracted.pdf", pages), (std::vector<std::string>{"Page 5", "Page 1"}));
  EXPECT_EQ(rotations, (std::vector<int>{90, 90}));
}

}  // namespace
