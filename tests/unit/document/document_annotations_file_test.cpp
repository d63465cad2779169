// Annotations and the phrase search through the viewer stand-in, in
// process, on a real PDF with text: words and quads from poppler, the
// annotations saved into the file and read back on reopening.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <random>

#include "document/annotations.h"
#include "dv/fakes/fake_host.h"
#include "dv/standins/pdf_file.h"
#include "dv/standins/viewer_document.h"
#include "dv/vb.h"
#include "frame/library_values.h"

namespace dv::lib {
namespace {

using standins::Json;

// A PDF whose pages show lines of Helvetica text at known places: line i
// of a page at x 72, baseline 700 - 20 i, 12 points.
void writeTextPdf(const std::string& path, const std::vector<std::vector<std::string>>& pages) {
  std::vector<std::string> objects;
  const int n = static_cast<int>(pages.size());
  std::string kids;
  for (int i = 0; i < n; ++i) kids += std::to_string(4 + 2 * i) + " 0 R ";
  objects.push_back("<< /Type /Catalog /Pages 2 0 R >>");
  objects.push_back("<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(n) + " >>");
  objects.push_back("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>");
  for (int i = 0; i < n; ++i) {
    std::string content = "BT /F1 12 Tf";
    for (size_t l = 0; l < pages[static_cast<size_t>(i)].size(); ++l)
      content += " 1 0 0 1 72 " + std::to_string(700 - 20 * static_cast<int>(l)) + " Tm (" +
                 pages[static_cast<size_t>(i)][l] + ") Tj";
    content += " ET";
    objects.push_back(
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Resources << /Font << /F1 3 0 R >> >> "
        "/Contents " +
        std::to_string(5 + 2 * i) + " 0 R >>");
    objects.push_back("<< /Length " + std::to_string(content.size()) + " >>\nstream\n" + content + "\nendstream");
  }
  std::string pdf = "%PDF-1.4\n";
  std::vector<size_t> offsets;
  for (size_t i = 0; i < objects.size(); ++i) {
    offsets.push_back(pdf.size());
    pdf += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
  }
  const size_t xref = pdf.size();
  pdf += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
  for (size_t offset : offsets) {
    char line[24];
    std::snprintf(line, sizeof line, "%010zu 00000 n \n", offset);
    pdf += line;
  }
  pdf += "trailer\n<< /Size " + std::to_string(objects.size() + 1) + " /Root 1 0 R >>\nstartxref\n" +
         std::to_string(xref) + "\n%%EOF\n";
  std::ofstream(path, std::ios::binary) << pdf;
}

// Counts the tool runs of the stand-ins.
class CountingRunner : public standins::ToolRunner {
 public:
  explicit CountingRunner(standins::ToolRunner& inner) : inner_(inner) {}
  std::string toolPath(const std::string& p) override { return inner_.toolPath(p); }
  std::vector<std::pair<char, std::string>> drives() override { return inner_.drives(); }
  std::string scratchFolder() override { return inner_.scratchFolder(); }
  standins::ToolResult run(const std::vector<std::string>& argv, const standins::LineHandler& onLine,
                           std::chrono::milliseconds timeout) override {
    ++runs;
    return inner_.run(argv, onLine, timeout);
  }
  std::atomic<int> runs{0};

 private:
  standins::ToolRunner& inner_;
};

class AnnotationsFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    standins::Control::instance().reset();
    dir = std::filesystem::temp_directory_path() / ("dv-annotations-test-" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(dir);
    fake.automation.registerProgId("AcroExch.PDDoc", [] { return standins::pdDocClass().create(); });
    path = (dir / "text.pdf").string();
    writeTextPdf(path, {{"The Grand Total is due", "Total TOTAL total"}, {"Nothing here"}, {"A Grand Total again"}});
  }
  void TearDown() override {
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    standins::Control::instance().reset();
  }
  std::unique_ptr<Document> open() {
    libraryValues().OpenDocumentPath = path;
    return std::make_unique<Document>(fake.host());
  }
  Json markup() {
    auto facts = standins::readPdf(standins::toolRunner(), path);
    return facts ? facts->all.value("markupAnnotations", Json::array()) : Json::array();
  }
  // pdftotext -bbox's box of the nth word of a page, from the top left.
  std::vector<double> box(int page, size_t word) {
    auto text = standins::pdfText(standins::toolRunner(), path, "", page, page);
    return text.json.at("pages").at(0).at("words").at(word).at("box").get<std::vector<double>>();
  }

  std::filesystem::path dir;
  std::string path;
  fakes::FakeHost fake;
};

TEST_F(AnnotationsFileTest, WordsQuadsAndTheirErrors) {
  auto d = open();
  Object& js = d->jsObject();
  EXPECT_EQ(vb::CLng(js.get("getPageNumWords", {pos(0)})), 8);
  EXPECT_EQ(vb::CStr(js.get("GetPageNthWord", {pos(0), pos(1), pos(false)})), "Grand ");
  EXPECT_EQ(vb::CStr(js.get("GetPageNthWord", {pos(0), pos(1)})), "Grand");
  EXPECT_EQ(vb::CStr(js.get("GetPageNthWord", {pos(0), pos(7), pos(false)})), "total");  // the page's last word
  const Variant quads = js.get("GetPageNthWordQuads", {pos(0), pos(1)});
  const std::vector<double> b = box(1, 1);
  const Array& q = quads.arrayValue().at(0).arrayValue();
  EXPECT_NEAR(vb::CDbl(q.at(0)), b[0], 0.01);
  EXPECT_NEAR(vb::CDbl(q.at(1)), 792 - b[1], 0.01);
  EXPECT_NEAR(vb::CDbl(q.at(6)), b[2], 0.01);
  EXPECT_NEAR(vb::CDbl(q.at(7)), 792 - b[3], 0.01);
  for (const Args& args : {Args{pos(0), pos(8)}, Args{pos(3), pos(0)}, Args{pos(0), pos(-1)}}) {
    try {
      js.get("GetPageNthWord", args);
      ADD_FAILURE() << "no RangeError";
    } catch (const AutomationError& e) {
      EXPECT_EQ(e.description().rfind("RangeError", 0), 0u) << e.description();
    }
  }
  // The text is read once for the document.
  CountingRunner counting(standins::toolRunner());
  standins::setToolRunner(&counting);
  js.get("GetPageNthWord", {pos(2), pos(0)});
  js.get("getPageNumWords", {pos(1)});
  standins::setToolRunner(nullptr);
  EXPECT_EQ(counting.runs, 0);
  // Page sizes from the PDDoc.
  ObjectPtr size = asObject(asObject(d->pdDoc().get("AcquirePage", {pos(1)}))->get("GetSize"));
  EXPECT_EQ(vb::CLng(size->get("x")), 612);
  EXPECT_EQ(vb::CLng(size->get("y")), 792);
}

TEST_F(AnnotationsFileTest, SearchMembersOnRealText) {
  auto d = open();
  // Case-insensitive by default; the phrase joined through Acrobat's blanks.
  EXPECT_EQ(findPhrase(*d, "total", {}, false, [](const PhraseMatch&) { return true; }), 5);
  EXPECT_EQ(findPhrase(*d, "Total", {0, 0, true}, false, [](const PhraseMatch&) { return true; }), 3);
  EXPECT_EQ(findPhrase(*d, "Total TOTAL total", {}, false, [](const PhraseMatch&) { return true; }), 1);
  const Variant quad = GetTextCoordinates(*d, "grand total", SearchRange{3, 3, false});
  const std::vector<double> b = box(3, 1);
  EXPECT_NEAR(vb::CDbl(quad.arrayValue().at(0)), b[0], 0.01);
  EXPECT_NEAR(vb::CDbl(quad.arrayValue().at(1)), 792 - b[1], 0.01);
  EXPECT_EQ(GetTextCoordinates(*d, "absent", {}).int16Value(), -1);
}

TEST_F(AnnotationsFileTest, AnnotationsSavedReadBackAndRemoved) {
  {
    auto d = open();
    EXPECT_EQ(FindAndMarkupText(*d, Markup::Highlight, "Grand Total", {}, MarkupOptions{}), 2);
    NoteOptions note;
    note.strAuthor = "Ann";
    note.strName = "n1";
    note.intLeftMargin = 30;
    note.intTopMargin = 40;
    CreateComment(*d, 2, "A note", note);
    FreeTextOptions ft;
    ft.strName = "f1";
    ft.lngAlignment = 1;
    CreateFreeTextAnnot(*d, 2,
                        Variant(Array::vector(VarType::Variant, {Variant(10), Variant(20), Variant(210), Variant(60)})),
                        "Free", ft);
    d->Save(1, Variant::missing());
    d->CloseDoc();
  }
  const Json annots = markup();
  ASSERT_EQ(annots.size(), 6u);  // four highlights (two words each), the note and the free text
  std::map<std::string, Json> byName;
  int highlights = 0;
  for (const Json& a : annots) {
    if (a.at("subtype") == "Highlight") {
      ++highlights;
      EXPECT_EQ(a.at("color"), Json::array({0, 0, 1, 0}));  // Color.yellow
      EXPECT_EQ(a.at("quadPoints").size(), 8u);
    }
    byName[a.value("name", std::string())] = a;
  }
  EXPECT_EQ(highlights, 4);
  const Json& n1 = byName.at("n1");
  EXPECT_EQ(n1.at("subtype"), "Text");
  EXPECT_EQ(n1.at("page"), 2);
  EXPECT_EQ(n1.at("author"), "Ann");
  EXPECT_EQ(n1.at("contents"), "A note");
  EXPECT_EQ(n1.at("icon"), "Comment");
  EXPECT_EQ(n1.at("rect"), Json::array({30, 732, 50, 752}));
  EXPECT_EQ(n1.at("popup").at("rect"), Json::array({0, 692, 200, 792}));
  const Json& f1 = byName.at("f1");
  EXPECT_EQ(f1.at("subtype"), "FreeText");
  EXPECT_EQ(f1.at("fill"), Json::array({1}));
  EXPECT_EQ(f1.at("textColor"), Json::array({0}));
  EXPECT_EQ(f1.at("align"), 1);
  EXPECT_EQ(f1.at("font"), "Times-Roman");

  // Reopened: the names, the record, then removal of page 2's annotations.
  {
    auto d = open();
    Variant names;
    EXPECT_EQ(GetAnnotations(*d, names, 2), 2);
    const TextAnnotRecord r = GetTextAnnotProperties(*d, "n1", 2);
    EXPECT_EQ(r.contents, "A note");
    EXPECT_EQ(r.Author, "Ann");
    EXPECT_EQ(r.Page, 1);
    EXPECT_EQ(r.NoteIcon, "Comment");
    TextAnnotRecord changed = r;
    changed.contents = "Changed";
    changed.Lock = true;
    SetTextAnnotProperties(*d, "n1", 2, changed);
    EXPECT_EQ(GetTextAnnotProperties(*d, "n1", 2).contents, "Changed");
    EXPECT_EQ(RemoveAnnotations(*d, 1), 2);
    d->Save(1, Variant::missing());
  }
  int onPageOne = 0;
  for (const Json& a : markup()) {
    onPageOne += a.at("page") == 1;
    if (a.value("name", "") == "n1") {
      EXPECT_EQ(a.at("contents"), "Changed");
      EXPECT_EQ(a.at("flags").get<int>() & 128, 128);
    }
  }
  EXPECT_EQ(onPageOne, 0);
  EXPECT_EQ(markup().size(), 4u);
}

}  // namespace
}  // namespace dv::lib
