// dv-pdftool on real files: the facts it reads, every edit operation
// checked with qpdf and poppler's own programs, refused requests that leave
// the file as it was, encrypted files, page text, and the launcher the
// Windows side runs Unix programs with.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>

#include "document/document_test_pdf.h"
#include "dv/standins/pdf_tool.h"

namespace dv::standins {
namespace {

namespace fs = std::filesystem;
using Kind = PdfToolAnswer::Kind;

std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string tool(const std::vector<std::string>& argv) {
  const ToolResult r = runTool(argv);
  EXPECT_TRUE(r.ok()) << argv.front() << ": " << r.output;
  return r.output;
}

class PdfToolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("dv-pdftool-test-" + std::to_string(std::random_device()()));
    fs::create_directories(dir);
    // Four pages saying "Page N", with an outline two levels deep.
    book = file("book.pdf");
    std::string ps = "/Helvetica findfont 20 scalefont setfont ";
    for (int i = 1; i <= 4; ++i) ps += "72 700 moveto (Page " + std::to_string(i) + ") show showpage ";
    ps +=
        "[/Title (Intro) /Page 1 /OUT pdfmark [/Title (Chapter) /Page 2 /Count 2 /OUT pdfmark "
        "[/Title (Part A) /Page 3 /OUT pdfmark [/Title (Part B) /Page 4 /OUT pdfmark "
        "[/Title (Book) /Author (Ann) /DOCINFO pdfmark";
    const ToolResult gs = runTool({"gs", "-q", "-dNOPAUSE", "-dBATCH", "-sDEVICE=pdfwrite", "-o", book, "-c", ps});
    ASSERT_TRUE(gs.ok()) << gs.output;
    secret = file("secret.pdf");
    ASSERT_TRUE(runTool({"qpdf", "--encrypt", "user pw", "owner", "256", "--", book, secret}).ok());
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir, ec);
  }

 public:
  // For the checks of the table below.
  std::string file(const std::string& name) const { return (dir / name).string(); }

  Json facts(const std::string& path, const std::string& password = {}) {
    PdfToolAnswer a = pdfFacts(toolRunner(), path, password);
    EXPECT_TRUE(a.ok()) << a.error;
    return a.json;
  }
  PdfToolAnswer edit(const Json& operations, const std::string& target = {}, const std::string& source = {},
                     const std::string& password = {}) {
    const std::string from = source.empty() ? book : source;
    return editPdf(toolRunner(), from, password, Json{{"operations", operations}}, target.empty() ? from : target);
  }
  // The text of each page, as pdftotext reads it.
  std::vector<std::string> pageTexts(const std::string& path) {
    std::vector<std::string> pages;
    std::stringstream all(tool({"pdftotext", "-layout", path, "-"}));
    std::string page;
    while (std::getline(all, page, '\f')) {
      page.erase(0, page.find_first_not_of(" \n"));
      page.erase(page.find_last_not_of(" \n") + 1);
      if (!page.empty()) pages.push_back(page);
    }
    return pages;
  }
  // Each page's rotation, as pdfinfo reports it.
  std::vector<int> rotations(const std::string& path) {
    std::stringstream lines(tool({"pdfinfo", "-f", "1", "-l", "100", path}));
    std::vector<int> out;
    for (std::string line; std::getline(lines, line);) {
      const size_t at = line.find(" rot:");
      if (line.rfind("Page ", 0) == 0 && at != std::string::npos) out.push_back(std::stoi(line.substr(at + 5)));
    }
    return out;
  }
  // qpdf's own reading of a part of the file.
  Json qpdfJson(const std::string& path, const std::string& key) {
    return Json::parse(tool({"qpdf", "--json=2", "--json-key=" + key, path}))[key];
  }

  fs::path dir;
  std::string book, secret;
};

TEST_F(PdfToolTest, FactsOfAFileWithOutlineInformationAndFields) {
  const Json f = facts(book);
  EXPECT_EQ(f["pageCount"], 4);
  EXPECT_EQ(f["size"], static_cast<long long>(fs::file_size(book)));
  EXPECT_EQ(f["pages"][0]["mediaBox"], Json::parse("[0.0, 0.0, 595.0, 842.0]"));
  EXPECT_EQ(f["pages"][3]["rotate"], 0);
  EXPECT_EQ(f["info"]["Title"], "Book");
  EXPECT_EQ(f["info"]["Author"], "Ann");
  EXPECT_EQ(f["encryption"]["encrypted"], false);
  ASSERT_EQ(f["outline"].size(), 2u);
  EXPECT_EQ(f["outline"][1]["title"], "Chapter");
  EXPECT_EQ(f["outline"][1]["page"], 2);
  EXPECT_EQ(f["outline"][1]["kids"][1], (Json{{"title", "Part B"}, {"page", 4}}));
  EXPECT_EQ(f["ids"].size(), 2u);

  const std::string form = file("form.pdf");
  testing::writeTestPdf(form, 2, "Form", {"name", "city", "name"});
  const Json g = facts(form);
  EXPECT_EQ(g["ids"], Json::parse(R"(["00112233445566778899aabbccddeeff", "ffeeddccbbaa99887766554433221100"])"));
  ASSERT_EQ(g["fields"].size(), 2u);  // a field with two widgets is one field
  for (const char* key : {"name", "type", "value", "page"})
    EXPECT_EQ(g["fields"][0][key], (Json{{"name", "name"}, {"type", "text"}, {"value", ""}, {"page", 1}})[key]);
  EXPECT_EQ(g["fields"][1]["name"], "city");
  ASSERT_EQ(g["annotations"].size(), 3u);
  EXPECT_EQ(g["annotations"][0]["subtype"], "Widget");
  EXPECT_EQ(g["annotations"][0]["rect"], Json::parse("[72.0, 700.0, 272.0, 720.0]"));
  EXPECT_TRUE(g["outline"].empty());
  EXPECT_EQ(g["info"]["CreationDate"], "D:20240102030405");

  std::ofstream(file("broken.pdf")) << "not a pdf";
  EXPECT_EQ(pdfFacts(toolRunner(), file("broken.pdf"), "").kind, Kind::Unreadable);
  EXPECT_EQ(pdfFacts(toolRunner(), file("missing.pdf"), "").kind, Kind::Unreadable);
}

struct EditCase {
  const char* name;
  const char* operations;
  std::function<void(PdfToolTest&, const std::string& out)> check;
};

TEST_F(PdfToolTest, EveryEditOperationAsOtherProgramsSeeIt) {
  const std::string extra = file("extra.pdf");
  ASSERT_TRUE(runTool({"gs", "-q", "-dNOPAUSE", "-dBATCH", "-sDEVICE=pdfwrite", "-o", extra, "-c",
                       "/Helvetica findfont 20 scalefont setfont 72 700 moveto (Extra 1) show showpage "
                       "72 700 moveto (Extra 2) show showpage [/Title (Appendix) /Page 2 /OUT pdfmark"})
                  .ok());
  std::ofstream(file("note.txt")) << "attached text";
  const std::vector<EditCase> cases{
      {"insert after page 1 with the outline", R"([{"op": "insertPages", "file": "EXTRA", "after": 1}])",
       [](PdfToolTest& t, const std::string& out) {
         EXPECT_EQ(t.pageTexts(out),
                   (std::vector<std::string>{"Page 1", "Extra 1", "Extra 2", "Page 2", "Page 3", "Page 4"}));
         const Json outlines = t.qpdfJson(out, "outlines");
         ASSERT_EQ(outlines.size(), 3u);
         EXPECT_EQ(outlines[2]["title"], "Appendix");
         EXPECT_EQ(outlines[2]["destpageposfrom1"], 3);
         EXPECT_EQ(outlines[1]["kids"][1]["destpageposfrom1"], 6);  // the old entries follow their pages
       }},
      {"insert one page at the front without outline",
       R"([{"op": "insertPages", "file": "EXTRA", "after": 0, "first": 2, "last": 2, "outline": false}])",
       [](PdfToolTest& t, const std::string& out) {
         EXPECT_EQ(t.pageTexts(out).front(), "Extra 2");
         EXPECT_EQ(t.qpdfJson(out, "outlines").size(), 2u);
       }},
      {"delete pages 2 to 3", R"([{"op": "deletePages", "first": 2, "last": 3}])",
       [](PdfToolTest& t, const std::string& out) {
         EXPECT_EQ(t.pageTexts(out), (std::vector<std::string>{"Page 1", "Page 4"}));
       }},
      {"move the last page to the front, then page 2 to the end",
       R"([{"op": "movePage", "page": 4, "to": 1}, {"op": "movePage", "page": 2, "to": 4}])",
       [](PdfToolTest& t, const std::string& out) {
         EXPECT_EQ(t.pageTexts(out), (std::vector<std::string>{"Page 4", "Page 2", "Page 3", "Page 1"}));
       }},
      {"rotate pages 2 and 3, then page 3 once more",
       R"([{"op": "setRotation", "first": 2, "last": 3, "rotate": 90},
           {"op": "setRotation", "first": 3, "rotate": 180, "relative": true}])",
       [](PdfToolTest& t, const std::string& out) {
         EXPECT_EQ(t.rotations(out), (std::vector<int>{0, 90, 270, 0}));
       }},
      {"set and remove information entries",
       R"([{"op": "setInfo", "entries": {"Title": "Caf\u00e9 \u00fcber", "Author": null, "Custom": "x"}}])",
       [](PdfToolTest&, const std::string& out) {
         const std::string info = tool({"pdfinfo", "-custom", "-enc", "UTF-8", out});
         EXPECT_NE(info.find("Title:           Caf\xc3\xa9 \xc3\xbc"
                             "ber\n"),
                   std::string::npos)
             << info;
         EXPECT_EQ(info.find("Author:"), std::string::npos);
         EXPECT_NE(info.find("Custom:          x\n"), std::string::npos);
       }},
      {"replace the outline",
       R"([{"op": "setOutline", "items": [{"title": "One", "page": 4, "kids": [{"title": "Two"}]}]}])",
       [](PdfToolTest& t, const std::string& out) {
         const Json outlines = t.qpdfJson(out, "outlines");
         ASSERT_EQ(outlines.size(), 1u);
         EXPECT_EQ(outlines[0]["title"], "One");
         EXPECT_EQ(outlines[0]["destpageposfrom1"], 4);
         EXPECT_EQ(outlines[0]["kids"][0]["title"], "Two");
         EXPECT_TRUE(outlines[0]["kids"][0]["destpageposfrom1"].is_null());
       }},
      {"page labels",
       R"([{"op": "setPageLabels", "ranges": [{"firstPage": 1, "style": "r"},
                                              {"firstPage": 3, "style": "D", "prefix": "A-", "start": 5}]}])",
       [](PdfToolTest& t, const std::string& out) {
         const Json labels = t.qpdfJson(out, "pagelabels");
         ASSERT_EQ(labels.size(), 2u);
         EXPECT_EQ(labels[1]["index"], 2);
         EXPECT_EQ(labels[1]["label"]["/P"], "u:A-");
         EXPECT_EQ(labels[1]["label"]["/St"], 5);
         const Json f = t.facts(out);
         EXPECT_EQ(f["pageLabels"][0], (Json{{"firstPage", 1}, {"style", "r"}, {"prefix", ""}, {"start", 1}}));
       }},
      {"page mode, attachment",
       R"([{"op": "setPageMode", "mode": "UseAttachments"}, {"op": "attach", "key": "note", "file": "NOTE"}])",
       [](PdfToolTest& t, const std::string& out) {
         EXPECT_NE(tool({"qpdf", "--list-attachments", out}).find("note"), std::string::npos);
         EXPECT_EQ(t.facts(out)["pageMode"], "UseAttachments");
         ASSERT_TRUE(extractPdfAttachment(toolRunner(), out, "", "note", t.file("back.txt")).ok());
         EXPECT_EQ(slurp(t.file("back.txt")), "attached text");
         EXPECT_EQ(extractPdfAttachment(toolRunner(), out, "", "other", t.file("no.txt")).kind, Kind::Refused);
       }},
      {"encrypt with 128 bits",
       R"([{"op": "encrypt", "userPassword": "u", "ownerPassword": "o", "bits": 128, "permissions": {"print": false}}])",
       [](PdfToolTest& t, const std::string& out) {
         EXPECT_EQ(runTool({"qpdf", "--requires-password", out}).exitCode, 0);
         EXPECT_NE(tool({"qpdf", "--password=u", "--show-encryption", out}).find("print high resolution: not allowed"),
                   std::string::npos);
         const Json e = t.facts(out, "u")["encryption"];
         EXPECT_EQ(e["bits"], 128);
         EXPECT_EQ(e["passwordNeeded"], true);
         EXPECT_EQ(e["permissions"]["print"], false);
       }},
  };
  for (const EditCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::string ops = c.operations;
    for (auto [mark, path] : {std::pair{"EXTRA", extra}, std::pair{"NOTE", file("note.txt")}})
      if (size_t at = ops.find(mark); at != std::string::npos) ops.replace(at, std::string(mark).size(), path);
    const std::string out = file("out.pdf");
    const PdfToolAnswer a = edit(Json::parse(ops), out);
    ASSERT_TRUE(a.ok()) << a.error;
    EXPECT_EQ(runTool({"qpdf", "--password=u", "--check", out}).exitCode, 0);
    c.check(*this, out);
  }
}

TEST_F(PdfToolTest, RefusedRequestsLeaveTheFileAsItWas) {
  const std::string before = slurp(book);
  const std::vector<std::pair<const char*, const char*>> bad{
      {R"([{"op": "deletePages", "first": 1, "last": 4}])", "at least one page"},
      {R"([{"op": "deletePages", "first": 5}])", "the document has 4 page(s)"},
      {R"([{"op": "setRotation", "rotate": 45}])", "multiple of 90"},
      {R"([{"op": "movePage", "page": 1}])", "\"to\" is missing"},
      {R"([{"op": "setInfo", "entries": {"Title": 3}}])", "must be a string or null"},
      {R"([{"op": "setPageMode", "mode": "Sideways"}])", "unknown page mode"},
      {R"([{"op": "setPageLabels", "ranges": [{"firstPage": 2}]}])", "starts at page 1"},
      {R"([{"op": "setOutline", "items": [{"title": "x", "page": 9}]}])", "\"page\" is 9"},
      {R"([{"op": "insertPages", "file": "/nonexistent.pdf"}])", "insertPages"},
      {R"([{"op": "encrypt", "bits": 64}])", "40, 128 or 256"},
      {R"([{"op": "detach", "key": "none"}])", "no embedded file"},
      // An operation that would succeed is not written when a later one fails.
      {R"([{"op": "deletePages", "first": 1}, {"op": "rotate"}])", "unknown operation rotate"},
      {R"({"op": "deletePages"})", "a list \"operations\""},
  };
  for (const auto& [operations, message] : bad) {
    SCOPED_TRACE(operations);
    const PdfToolAnswer a = edit(Json::parse(operations));
    EXPECT_FALSE(a.ok());
    EXPECT_NE(a.error.find(message), std::string::npos) << a.error;
  }
  const ToolResult notJson = runTool({pdfToolPath(), "edit", book, "--request-json={\"operations\": ["});
  EXPECT_EQ(notJson.exitCode, 1);
  EXPECT_NE(notJson.output.find("not JSON"), std::string::npos);
  EXPECT_EQ(runTool({pdfToolPath(), "edit", book}).exitCode, 1);  // no request at all
  EXPECT_EQ(runTool({pdfToolPath(), "shrink", book}).exitCode, 1);
  EXPECT_EQ(slurp(book), before);
  // No temporary file is left behind either.
  for (const auto& entry : fs::directory_iterator(dir))
    EXPECT_EQ(entry.path().filename().string().find(".dvtmp"), std::string::npos) << entry.path();
}

TEST_F(PdfToolTest, EncryptedFiles) {
  EXPECT_EQ(pdfFacts(toolRunner(), secret, "").kind, Kind::Password);
  EXPECT_EQ(pdfFacts(toolRunner(), secret, "wrong").kind, Kind::Password);
  const Json f = facts(secret, "user pw");
  EXPECT_EQ(f["pageCount"], 4);
  EXPECT_EQ(f["encryption"]["bits"], 256);
  EXPECT_EQ(f["encryption"]["passwordNeeded"], true);
  EXPECT_EQ(f["encryption"]["userPasswordMatched"], true);
  EXPECT_EQ(f["outline"][0]["title"], "Intro");

  // Edits keep the encryption; the owner password opens it too.
  const std::string kept = file("kept.pdf");
  ASSERT_TRUE(edit(Json::parse(R"([{"op": "deletePages", "first": 4}])"), kept, secret, "user pw").ok());
  EXPECT_EQ(facts(kept, "owner")["pageCount"], 3);
  EXPECT_EQ(pdfFacts(toolRunner(), kept, "").kind, Kind::Password);
  EXPECT_EQ(edit(Json::array(), file("x.pdf"), secret, "").kind, Kind::Password);

  const std::string plain = file("plain.pdf");
  ASSERT_TRUE(edit(Json::parse(R"([{"op": "decrypt"}])"), plain, secret, "user pw").ok());
  EXPECT_EQ(runTool({"qpdf", "--requires-password", plain}).exitCode, 2);  // 2: not encrypted
  const std::string again = file("again.pdf");
  ASSERT_TRUE(
      edit(Json::parse(R"([{"op": "encrypt", "userPassword": "", "ownerPassword": "boss"}])"), again, plain).ok());
  EXPECT_EQ(runTool({"qpdf", "--requires-password", again}).exitCode, 3);  // 3: encrypted, opens without one
  EXPECT_EQ(facts(again)["encryption"]["passwordNeeded"], false);
}

TEST_F(PdfToolTest, AnEditAsksForTheFactsOfWhatItWroteInTheSameRun) {
  // Encrypted anew by the edit: the facts come back read with the new password.
  const std::string out = file("reread.pdf");
  const Json request{{"operations", Json::parse(R"([{"op": "deletePages", "first": 4},
                                                    {"op": "encrypt", "userPassword": "new", "ownerPassword": "o"}])")},
                     {"factsAfter", {{"password", "new"}}}};
  const PdfToolAnswer answer = editPdf(toolRunner(), secret, "user pw", request, out);
  ASSERT_TRUE(answer.ok()) << answer.error;
  EXPECT_EQ(answer.json["pageCount"], 3);
  EXPECT_EQ(answer.json["encryption"]["userPasswordMatched"], true);
  EXPECT_EQ(answer.json["outline"][0]["title"], "Intro");
  EXPECT_EQ(answer.json["size"], static_cast<int64_t>(std::filesystem::file_size(out)));
  // A password that does not open what was written is the caller's error,
  // reported as such.
  const Json wrong{{"operations", Json::array()}, {"factsAfter", {{"password", "user pw"}}}};
  EXPECT_EQ(editPdf(toolRunner(), out, "new", wrong, file("reread2.pdf")).kind, Kind::Password);
}

TEST_F(PdfToolTest, PageTextAndWordPositionsAgreeWithPdftotext) {
  const PdfToolAnswer a = pdfText(toolRunner(), secret, "user pw", 2, 3);
  ASSERT_TRUE(a.ok()) << a.error;
  const Json& pages = a.json["pages"];
  ASSERT_EQ(pages.size(), 2u);
  EXPECT_EQ(pages[0]["page"], 2);
  EXPECT_NE(pages[1]["text"].get<std::string>().find("Page 3"), std::string::npos);
  ASSERT_EQ(pages[0]["words"].size(), 2u);
  EXPECT_EQ(pages[0]["words"][1]["text"], "2");
  // pdftotext -bbox: <word xMin="72.000000" yMin="..." ...>Page</word>
  const std::string html = tool({"pdftotext", "-upw", "user pw", "-f", "2", "-l", "2", "-bbox", secret, "-"});
  const size_t at = html.find("<word xMin=\"");
  ASSERT_NE(at, std::string::npos);
  const double xMin = std::stod(html.substr(at + 12));
  const double yMin = std::stod(html.substr(html.find("yMin=\"", at) + 6));
  EXPECT_NEAR(pages[0]["words"][0]["box"][0].get<double>(), xMin, 0.5);
  EXPECT_NEAR(pages[0]["words"][0]["box"][1].get<double>(), yMin, 0.5);
  EXPECT_EQ(pdfText(toolRunner(), book, "", 9, 9).kind, Kind::Refused);
  // The words alone: the same words and boxes, no page text.
  const PdfToolAnswer w = pdfText(toolRunner(), secret, "user pw", 2, 3, TextParts::WordsOnly);
  ASSERT_TRUE(w.ok()) << w.error;
  EXPECT_FALSE(w.json["pages"][0].contains("text"));
  EXPECT_EQ(w.json["pages"][0]["words"], pages[0]["words"]);
  EXPECT_EQ(w.json["pages"][1]["words"], pages[1]["words"]);

  // Page by page: every page a line of its own with the same words, and
  // reading stops when the reader has had enough.
  const PdfToolAnswer all = pdfText(toolRunner(), secret, "user pw", 1, 0, TextParts::WordsOnly);
  ASSERT_TRUE(all.ok()) << all.error;
  std::vector<Json> streamed;
  const PdfToolAnswer s = pdfWordsByPage(toolRunner(), secret, "user pw", [&](std::string_view line) {
    streamed.push_back(Json::parse(line));
    return true;
  });
  ASSERT_TRUE(s.ok()) << s.error;
  EXPECT_FALSE(s.json.contains("pages"));
  EXPECT_EQ(Json(streamed), all.json["pages"]);
  int seen = 0;
  const PdfToolAnswer cut =
      pdfWordsByPage(toolRunner(), secret, "user pw", [&](std::string_view) { return ++seen < 2; });
  EXPECT_FALSE(cut.ok());
  EXPECT_EQ(seen, 2);
  EXPECT_EQ(pdfWordsByPage(toolRunner(), secret, "wrong", [](std::string_view) { return true; }).kind, Kind::Password);
}

// How a runner hands on a program's output: in lines however the output
// comes, without line ends; a handler that has had enough ends the program.
TEST(ToolLinesTest, LinesHoweverTheOutputIsCutAndAHandlerThatStops) {
  const std::vector<std::string> expected{"first", "", "split across three", "crlf", "last"};
  const std::vector<std::vector<std::string>> cuts{
      {"first\n\nsplit across three\ncrlf\r\nlast"},
      {"fir", "st\n", "\nsplit ", "across ", "three\ncrlf\r", "\nlast"},
      {"first\n\nsplit across three\ncrlf\r\n", "last"},
  };
  for (const auto& cut : cuts) {
    std::vector<std::string> lines;
    const LineHandler keep = [&](std::string_view l) {
      lines.emplace_back(l);
      return true;
    };
    LineSplitter splitter(keep);
    for (const std::string& piece : cut) EXPECT_TRUE(splitter.feed(piece));
    EXPECT_TRUE(splitter.finish());
    EXPECT_EQ(lines, expected) << cut.size() << " pieces";
  }

  // A program that would write forever is ended at the line that was enough.
  std::vector<std::string> lines;
  const auto started = std::chrono::steady_clock::now();
  const ToolResult r = toolRunner().run(
      {"sh", "-c", "printf 'a\\r\\nb'; sleep 0.1; echo c; i=0; while :; do echo $i; i=$((i+1)); sleep 0.01; done"},
      [&](std::string_view l) {
        lines.emplace_back(l);
        return l != "3";
      },
      std::chrono::seconds(60));
  EXPECT_TRUE(r.started);
  EXPECT_TRUE(r.stopped);
  EXPECT_FALSE(r.timedOut);
  EXPECT_FALSE(r.ok());
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
  EXPECT_EQ(lines, (std::vector<std::string>{"a", "bc", "0", "1", "2", "3"}));
}

// dv-launch, through which the Windows side starts every Unix program.
TEST_F(PdfToolTest, LauncherWritesOutputPidAndStatusAndEndsWhatOverruns) {
  const std::string launcher = (fs::path(pdfToolPath()).parent_path() / "dv-launch").string();
  const std::string out = file("out.txt"), status = file("status"), pid = file("pid");
  auto launch = [&](std::vector<std::string> argv, const std::string& timeoutMs) {
    fs::remove(status);
    std::vector<std::string> call{launcher,       "--output=" + out,           "--status=" + status,
                                  "--pid=" + pid, "--timeout-ms=" + timeoutMs, "--"};
    call.insert(call.end(), argv.begin(), argv.end());
    const auto started = std::chrono::steady_clock::now();
    const ToolResult r = runTool(call);
    EXPECT_TRUE(r.ok()) << r.output;
    EXPECT_EQ(r.output, "");  // the launcher answers through its files
    return std::chrono::steady_clock::now() - started;
  };
  launch({"sh", "-c", "echo out; echo err >&2; exit 7"}, "10000");
  EXPECT_EQ(slurp(out), "out\nerr\n");
  EXPECT_EQ(slurp(status), "7");
  EXPECT_GT(std::stoi(slurp(pid)), 1);

  launch({"no-such-program-here"}, "10000");
  EXPECT_EQ(slurp(status), "127");

  const auto took = launch({"sh", "-c", "echo begun; sleep 30 & wait"}, "300");
  EXPECT_EQ(slurp(status), "timeout");
  EXPECT_EQ(slurp(out), "begun\n");
  EXPECT_LT(took, std::chrono::seconds(10));  // the tool and what it started were ended

  EXPECT_EQ(runTool({launcher, "--output=" + out, "--status=" + status, "--pid=" + pid, "--"}).exitCode, 1);
  EXPECT_EQ(runTool({launcher, "--output=" + out, "--", "true"}).exitCode, 1);  // no status file named
}

}  // namespace
}  // namespace dv::standins
