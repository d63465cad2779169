// The Distiller stand-in with the real Ghostscript: job events in order,
// RunFile with client drive letters, failures that leave no PDF, bounds.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <fstream>

#include "dv/fakes/fake_automation.h"
#include "dv/standins/distiller.h"
#include "dv/standins/registration.h"
#include "dv/standins/tools.h"
#include "dv/fakes/fake_files.h"
#include "word/word_document.h"
#include "word/word_standin.h"

namespace dv::standins {
namespace {

namespace fs = std::filesystem;

std::string page(const std::string& text) {
  return "/Helvetica findfont 20 scalefont setfont 72 700 moveto (" + text + ") show showpage\n";
}

struct Events : EventSink {
  std::vector<std::string> seen;
  void onEvent(std::string_view name, std::vector<Variant>& args) override {
    std::string s(name);
    for (auto& a : args) {
      EXPECT_TRUE(a.isByRef()) << name;  // Distiller passes every argument by reference
      s += " " + (a.type() == VarType::String ? a.stringValue() : std::to_string(a.int32Value()));
    }
    seen.push_back(s);
  }
  std::vector<std::string> without(const std::string& prefix) const {
    std::vector<std::string> r;
    for (const auto& s : seen)
      if (s.rfind(prefix, 0) != 0) r.push_back(s);
    return r;
  }
};

class DistillerStandIn : public ::testing::Test {
 protected:
  void SetUp() override {
    Control::instance().reset();
    dir = fs::temp_directory_path() / ("distiller-" + std::to_string(::getpid()) + "-" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
    registerStandIns(automation);
  }
  void TearDown() override {
    fs::remove_all(dir);
    Control::instance().reset();
  }
  std::string write(const std::string& name, const std::string& content) {
    std::ofstream(dir / name, std::ios::binary) << content;
    return (dir / name).string();
  }
  int pages(const std::string& pdf) {
    ToolResult r = runTool({"pdfinfo", pdf});
    auto at = r.output.find("Pages:");
    return r.ok() && at != std::string::npos ? std::stoi(r.output.substr(at + 6)) : -1;
  }
  fs::path dir;
  fakes::FakeAutomation automation;
};

TEST_F(DistillerStandIn, ConvertsTwoPagesAndReportsTheJobInOrder) {
  std::string ps = write("two.ps", "%!PS\n" + page("one") + page("two"));
  std::string pdf = (dir / "two.pdf").string();
  ObjectPtr d = automation.createObject("PdfDistiller.PdfDistiller");
  auto events = std::make_shared<Events>();
  auto connection = d->advise(events);
  d->let("bShowWindow", Variant(false));
  d->let("bSpoolJobs", Variant(false));
  Variant r =
      d->call("FileToPDF", {named("strOutputPDF", pdf), named("strInputPostScript", ps), named("strJobOptions", "")});
  EXPECT_EQ(r.int16Value(), kDistillOk);

  EXPECT_EQ(pages(pdf), 2);
  EXPECT_FALSE(fs::exists(pdf + ".part"));
  std::vector<std::string> expected = {"OnJobStart " + ps + " " + pdf, "OnPageNumber 1", "OnPageNumber 2",
                                       "OnJobDone " + ps + " " + pdf};
  auto seen = events->without("OnPercentDone");
  EXPECT_EQ(events->without("OnPercentDone"), expected);
  // Percentages rise, end at 100, and come between start and done.
  int last = -1;
  for (size_t i = 0; i < events->seen.size(); ++i) {
    const std::string& s = events->seen[i];
    if (s.rfind("OnPercentDone ", 0) != 0) continue;
    int p = std::stoi(s.substr(14));
    EXPECT_GT(p, last);
    last = p;
    EXPECT_GT(i, 0u);
    EXPECT_LT(i, events->seen.size() - 1);
  }
  EXPECT_EQ(last, 100);

  auto lines = Control::instance().journalLines();
  const std::string n = std::dynamic_pointer_cast<StandIn>(d)->objectName();
  ASSERT_GE(lines.size(), 5u);
  EXPECT_EQ(lines[1], n + " let bShowWindow(False)");
  EXPECT_EQ(lines[2], n + " let bSpoolJobs(False)");
  EXPECT_EQ(lines[3], n + " call FileToPDF(strOutputPDF:=\"" + pdf + "\", strInputPostScript:=\"" + ps +
                          "\", strJobOptions:=\"\")");
  EXPECT_EQ(lines[4], n + " event OnJobStart(\"" + ps + "\", \"" + pdf + "\")");
  EXPECT_FALSE(d->get("bShowWindow").boolValue());
}

// A runner that shows the native tools a drive letter, as Wine does.
class DriveRunner : public ToolRunner {
 public:
  DriveRunner(ToolRunner& inner, std::string folder) : inner_(inner), folder_(std::move(folder)) {}
  std::string toolPath(const std::string& p) override { return inner_.toolPath(p); }
  std::vector<std::pair<char, std::string>> drives() override { return {{'Q', folder_}}; }
  std::string scratchFolder() override { return inner_.scratchFolder(); }
  ToolResult run(const std::vector<std::string>& argv, const LineHandler& onLine,
                 std::chrono::milliseconds timeout) override {
    return inner_.run(argv, onLine, timeout);
  }

 private:
  ToolRunner& inner_;
  std::string folder_;
};

TEST_F(DistillerStandIn, CombiningProgramRunsEachFileThroughRunFile) {
  write("one.ps", "%!PS\n" + page("one"));
  fs::create_directories(dir / "sub");
  write("sub/two.ps", "%!PS\n" + page("two") + page("three"));
  // The library's combining program: client paths with a drive letter,
  // forward slashes, and a save/restore around each file.
  std::string all = write("all.ps",
                          "/prun { /mysave save def\r\ndup = flush\r\nRunFile\r\nclear cleardictstack\r\n"
                          "mysave restore\r\n} def\r\n\r\n(Q:/one.ps) prun\r\n(q:/sub\\\\two.ps) prun\r\n");
  DriveRunner runner(toolRunner(), dir.string());
  setToolRunner(&runner);
  auto d = pdfDistillerClass().create();
  auto events = std::make_shared<Events>();
  auto c = d->advise(events);
  Variant r = d->call("FileToPDF", {pos(all), pos((dir / "all.pdf").string()), pos("")});
  setToolRunner(nullptr);
  EXPECT_EQ(r.int16Value(), kDistillOk);
  EXPECT_EQ(pages((dir / "all.pdf").string()), 3);
  auto seen = events->without("OnPercentDone");
  std::vector<std::string> expected = {"OnJobStart " + all + " " + (dir / "all.pdf").string(),
                                       "OnLogMessage Q:/one.ps",
                                       "OnPageNumber 1",
                                       "OnLogMessage q:/sub\\two.ps",
                                       "OnPageNumber 2",
                                       "OnPageNumber 3",
                                       "OnJobDone " + all + " " + (dir / "all.pdf").string()};
  EXPECT_EQ(seen, expected);
}

TEST_F(DistillerStandIn, FailedJobLeavesNoPdfBehind) {
  std::string bad = write("bad.ps", "%!PS\n" + page("one") + "nosuchoperator\n" + page("two"));
  std::string pdf = write("bad.pdf", "stale output of an earlier run");
  auto d = pdfDistillerClass().create();
  auto events = std::make_shared<Events>();
  auto c = d->advise(events);
  EXPECT_EQ(d->call("FileToPDF", {pos(bad), pos(pdf), pos("")}).int16Value(), kDistillFailed);
  EXPECT_FALSE(fs::exists(pdf));
  EXPECT_FALSE(fs::exists(pdf + ".part"));
  ASSERT_GE(events->seen.size(), 3u);
  EXPECT_EQ(events->seen.front(), "OnJobStart " + bad + " " + pdf);
  EXPECT_EQ(events->seen.back(), "OnJobFail " + bad + " " + pdf);
  bool undefinedLogged = false;
  for (const auto& s : events->seen) undefinedLogged |= s.find("/undefined in nosuchoperator") != std::string::npos;
  EXPECT_TRUE(undefinedLogged);
}

TEST_F(DistillerStandIn, RefusesMissingInputsWithoutStartingAJob) {
  auto d = pdfDistillerClass().create();
  auto events = std::make_shared<Events>();
  auto c = d->advise(events);
  std::string missing = (dir / "missing.ps").string();
  std::string pdf = (dir / "x.pdf").string();
  EXPECT_EQ(d->call("FileToPDF", {pos(missing), pos(pdf), pos("")}).int16Value(), kDistillBadArguments);
  std::string ps = write("ok.ps", "%!PS\n" + page("one"));
  EXPECT_EQ(d->call("FileToPDF", {pos(ps), pos(pdf), pos((dir / "none.joboptions").string())}).int16Value(),
            kDistillBadArguments);
  EXPECT_EQ(d->call("FileToPDF", {pos(ps), pos(""), pos("")}).int16Value(), kDistillBadArguments);
  for (const auto& s : events->seen) EXPECT_NE(s.rfind("OnJobStart", 0), 0u) << s;
  EXPECT_EQ(events->seen.back(), "OnJobFail " + ps + " ");
  EXPECT_FALSE(fs::exists(pdf));
}

TEST_F(DistillerStandIn, EndlessJobIsStoppedAtItsBound) {
  std::string loop = write("loop.ps", "%!PS\n{ } loop\n");
  std::string pdf = (dir / "loop.pdf").string();
  Control::instance().setSetting("DistillerTimeoutSeconds", "1");
  auto d = pdfDistillerClass().create();
  auto events = std::make_shared<Events>();
  auto c = d->advise(events);
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(d->call("FileToPDF", {pos(loop), pos(pdf), pos("")}).int16Value(), kDistillFailed);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
  EXPECT_FALSE(fs::exists(pdf));
  EXPECT_FALSE(fs::exists(pdf + ".part"));
  ASSERT_GE(events->seen.size(), 2u);
  EXPECT_NE(events->seen[events->seen.size() - 2].find("did not finish within 1 seconds"), std::string::npos);
}

TEST_F(DistillerStandIn, VersionSixClassAddsTheSecurityAwareConversion) {
  std::string ps = write("one.ps", "%!PS\n" + page("one"));
  std::string pdf = (dir / "one.pdf").string();
  ObjectPtr d6 = automation.createObject("PdfDistiller.PdfDistiller.6");
  EXPECT_EQ(d6->call("FileToPDF2", {pos(ps), pos(pdf), pos(""), pos(true)}).int16Value(), kDistillOk);
  EXPECT_EQ(pages(pdf), 1);
  ObjectPtr d = automation.createObject("PdfDistiller.PdfDistiller");
  try {
    d->call("FileToPDF2", {pos(ps), pos(pdf), pos(""), pos(true)});
    FAIL() << "PdfDistiller has no FileToPDF2";
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.number(), kUnknownName);
  }
}

TEST(DistillerPrologue, EscapesPathsForPostScriptStrings) {
  EXPECT_EQ(postScriptString("a(b)\\c"), "a\\(b\\)\\\\c");
  std::string p = distillerPrologue("/x/(odd).ps", {{'z', "/"}});
  EXPECT_NE(p.find("/DvTop (/x/\\(odd\\).ps) (r) file def"), std::string::npos);
  EXPECT_NE(p.find("90 (/)"), std::string::npos);  // drive letters upper-cased
}

// How a viewer shows page 1: pdfinfo's size and rotation, and whether the
// text reads upright (words wider than tall, the first line above the
// second, its words left to right), from the words poppler places.
struct PageLook {
  std::string size;
  std::string rotation;
  bool upright = false;
};

PageLook lookAt(const std::string& pdf) {
  PageLook look;
  ToolResult info = runTool({"pdfinfo", pdf});
  auto line = [&](const std::string& name) {
    const size_t at = info.output.find(name);
    if (at == std::string::npos) return std::string();
    return info.output.substr(at + name.size(), info.output.find('\n', at) - at - name.size());
  };
  double width = 0, height = 0;
  int rotation = -1;
  if (std::sscanf(line("Page size:").c_str(), " %lf x %lf", &width, &height) == 2)
    look.size = std::to_string(static_cast<int>(width)) + " x " + std::to_string(static_cast<int>(height));
  if (std::sscanf(line("Page rot:").c_str(), " %d", &rotation) == 1) look.rotation = std::to_string(rotation);
  ToolResult words = runTool({"pdftotext", "-bbox", "-f", "1", "-l", "1", pdf, "-"});
  struct Box {
    double x0, y0, x1, y1;
  };
  std::map<std::string, Box> boxes;
  bool allWide = true;
  for (size_t at = words.output.find("<word "); at != std::string::npos; at = words.output.find("<word ", at + 1)) {
    Box b{};
    if (std::sscanf(words.output.c_str() + at, "<word xMin=\"%lf\" yMin=\"%lf\" xMax=\"%lf\" yMax=\"%lf\">", &b.x0,
                    &b.y0, &b.x1, &b.y1) != 4)
      continue;
    size_t open = words.output.find('>', at) + 1;
    std::string word = words.output.substr(open, words.output.find('<', open) - open);
    if (word.size() >= 3) allWide = allWide && (b.x1 - b.x0) > (b.y1 - b.y0);
    boxes.emplace(word, b);
  }
  if (boxes.count("Minutes") && boxes.count("meeting") && boxes.count("Second")) {
    const Box& first = boxes["Minutes"];
    look.upright = allWide && first.y0 < boxes["Second"].y0 && first.x1 < boxes["meeting"].x0;
  }
  return look;
}

TEST_F(DistillerStandIn, WordPagesKeepTheirOrientationWithUprightTextOnEveryPath) {
  using word::Orientation;
  struct Case {
    Orientation orientation;
    const char* size;
  } cases[] = {{Orientation::Landscape, "792 x 612"}, {Orientation::Portrait, "612 x 792"}};
  for (const Case& c : cases) {
    word::Layout layout;
    layout.orientation = c.orientation;
    const std::string ps = word::renderPostScript(
        word::paginate("Minutes of the meeting\nSecond line of text\n", c.orientation), {1}, layout, "minutes");
    // Through Distiller (also the PostScript printer's path: the same job
    // printed to a file and distilled).
    const std::string psPath = write("minutes.ps", ps);
    const std::string distilled = (dir / "distilled.pdf").string();
    ObjectPtr d = automation.createObject("PdfDistiller.PdfDistiller");
    ASSERT_EQ(d->call("FileToPDF", {pos(psPath), pos(distilled), pos("")}).int16Value(), kDistillOk);
    // Through the PDF printer.
    fakes::FakeFileSystem files;
    files.addFolder("c:\\out");
    ASSERT_TRUE(word::writePdfWithGhostscript(files, ps, "c:\\out\\printed.pdf"));
    const std::string printed = write("printed.pdf", *files.contents("c:\\out\\printed.pdf"));

    for (const std::string& pdf : {distilled, printed}) {
      PageLook look = lookAt(pdf);
      EXPECT_EQ(look.size, c.size) << pdf;
      EXPECT_EQ(look.rotation, "0") << pdf;
      EXPECT_TRUE(look.upright) << pdf;
    }
  }
}

}  // namespace
}  // namespace dv::standins
