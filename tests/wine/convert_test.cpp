// Conversions through the registered Docvane.dll, called the way a C++
// client calls it (CoCreateInstance, IDispatch by name, a sink connected
// through the connection point): PostScript with the job events, several
// PostScript files in order, Word through the PDF printer with the real
// dlgrelay.exe answering the Word stand-in's dialog, and Word's errors.
#include <windows.h>

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <map>

#include "bench_files.h"
#include "install_printer.h"
#include "dv/standins/com_hosting.h"
#include "dv/standins/tools.h"
#include "dv/vb.h"
#include "dv/win32/automation.h"
#include "dv/win32/handle.h"

namespace {

using dv::pos;
using dv::Variant;

using dv::winetest::env;
using dv::winetest::exists;
using dv::winetest::slurp;

void write(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

std::string postScript(const std::string& label, int pages) {
  std::string ps = "%!PS-Adobe-3.0\n%%Pages: " + std::to_string(pages) + "\n%%EndComments\n";
  for (int i = 1; i <= pages; ++i)
    ps += "%%Page: " + std::to_string(i) + " " + std::to_string(i) +
          "\n/Helvetica findfont 24 scalefont setfont 72 700 moveto (" + label + " page " + std::to_string(i) +
          ") show showpage\n";
  return ps + "%%EOF\n";
}

struct Recorder : dv::EventSink {
  std::vector<std::string> seen;
  void onEvent(std::string_view name, std::vector<Variant>& args) override {
    std::string s(name);
    for (auto& a : args) s += " " + dv::vb::CStr(a);
    seen.push_back(s);
  }
};

class Conversions : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(apartment.ok());
    RegDeleteTreeA(HKEY_CURRENT_USER, dv::standins::com::kConfigKey);
    bench = env("DV_BENCH_DIR");
    ASSERT_FALSE(bench.empty());
    journal = bench + "\\convert-journal-" + ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".txt";
    DeleteFileA(journal.c_str());
    dv::win32::UniqueHkey key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, dv::standins::com::kConfigKey, 0, nullptr, 0, KEY_WRITE, nullptr,
                              key.put(), nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key.get(), "JournalFile", 0, REG_SZ, reinterpret_cast<const BYTE*>(journal.c_str()),
                   static_cast<DWORD>(journal.size() + 1));
    converter = automation.createObject("Docvane.CreatePDF");
  }
  void TearDown() override {
    converter.reset();
    RegDeleteTreeA(HKEY_CURRENT_USER, dv::standins::com::kConfigKey);
  }
  std::string tool(const std::vector<std::string>& argv, bool* ok = nullptr) {
    auto r = dv::standins::runTool(argv);
    if (ok) *ok = r.ok();
    return r.output;
  }
  std::string unixPath(const std::string& p) { return dv::standins::toolRunner().toolPath(p); }
  int pages(const std::string& pdf) {
    std::string info = tool({"pdfinfo", unixPath(pdf)});
    auto at = info.find("Pages:");
    return at == std::string::npos ? -1 : std::stoi(info.substr(at + 6));
  }
  std::string pdfText(const std::string& pdf) { return tool({"pdftotext", "-layout", unixPath(pdf), "-"}); }
  void installRelay() { ASSERT_EQ(dv::winetest::installRelay(), ""); }

  dv::win32::ComApartment apartment;
  dv::win32::Win32Automation automation;
  dv::ObjectPtr converter;
  std::string bench, journal;
};

TEST_F(Conversions, PostScriptEventsReachAConnectedSinkDuringTheCall) {
  std::string ps = bench + "\\events.ps", pdf = bench + "\\events.pdf";
  write(ps, postScript("events", 2));
  auto recorder = std::make_shared<Recorder>();
  auto connection = converter->advise(recorder);
  Variant distiller("");
  converter->call("CreatePDFfromPS", {pos(Variant(pdf)), pos(Variant(ps)), pos(Variant::ref(distiller))});
  std::vector<std::string> jobEvents;
  for (const auto& s : recorder->seen)
    if (s.rfind("LogMessage", 0) != 0 && s.rfind("PercentDone", 0) != 0) jobEvents.push_back(s);
  EXPECT_EQ(jobEvents, (std::vector<std::string>{"JobStart " + ps + " " + pdf, "PageNumber 1", "PageNumber 2",
                                                 "JobDone " + ps + " " + pdf}));
  EXPECT_NE(std::find_if(recorder->seen.begin(), recorder->seen.end(),
                         [](const std::string& s) { return s.rfind("PercentDone", 0) == 0; }),
            recorder->seen.end());
  EXPECT_EQ(dv::vb::CStr(distiller), dv::vb::CStr(converter->call("PrinterName")));
  ASSERT_TRUE(exists(pdf));
  bool ok = false;
  std::string check = tool({"qpdf", "--check", unixPath(pdf)}, &ok);
  EXPECT_TRUE(ok) << check;
  EXPECT_EQ(pages(pdf), 2);
}

TEST_F(Conversions, SeveralPostScriptFilesGiveOnePdfWithTheirPagesInOrder) {
  std::string a = bench + "\\first.ps", b = bench + "\\second.ps", pdf = bench + "\\both.pdf";
  write(a, postScript("first", 2));
  write(b, postScript("second", 1));
  dv::Array files(dv::VarType::Variant, {dv::Bound{0, 3}});
  files.at(0) = Variant(a);
  files.at(1) = Variant(bench + "\\missing.ps");
  files.at(2) = Variant(b);
  Variant list(files);
  converter->call("CreatePDFfromMultiPS", {pos(Variant(pdf)), pos(Variant::ref(list))});
  ASSERT_TRUE(exists(pdf));
  EXPECT_EQ(pages(pdf), 3);
  std::string text = pdfText(pdf);
  size_t p1 = text.find("first page 1"), p2 = text.find("first page 2"), p3 = text.find("second page 1");
  EXPECT_TRUE(p1 != std::string::npos && p2 != std::string::npos && p3 != std::string::npos) << text;
  EXPECT_LT(p1, p2);
  EXPECT_LT(p2, p3);
  EXPECT_FALSE(exists(bench + "\\both.ps"));
}

TEST_F(Conversions, WordThroughThePdfPrinterWithTheRealRelay) {
  installRelay();
  std::string doc = bench + "\\letter.txt", pdf = bench + "\\letter.pdf";
  std::string text;
  for (int i = 1; i <= 60; ++i) text += "Letter line " + std::to_string(i) + "\r\n";
  write(doc, text);
  Variant landscape(true), footer(true);
  converter->call("CreatePDFfromWord2", {pos(Variant(pdf)), pos(Variant(doc)), dv::named("blnLandscape", landscape),
                                         dv::named("blnPageNumberInFooter", footer)});
  ASSERT_TRUE(exists(pdf));
  EXPECT_EQ(pages(pdf), 2);  // 39 lines a landscape page
  std::string info = tool({"pdfinfo", unixPath(pdf)});
  EXPECT_NE(info.find("792 x 612"), std::string::npos) << info;
  std::string j = slurp(journal);
  EXPECT_NE(j.find("call PrintOut(Background:=False)"), std::string::npos) << j;
  EXPECT_NE(j.find("call Quit()"), std::string::npos) << j;
}

// Page 1 as a viewer shows it: "<width> x <height> rot <r>", and whether
// its words lie flat and read top down, left to right.
struct PageView {
  std::string geometry;
  bool upright = false;
};

TEST_F(Conversions, LandscapeDocumentsGiveLandscapePagesWithUprightTextOnEveryPath) {
  installRelay();
  ASSERT_EQ(dv::winetest::installFilePrinter("Generic PostScript Printer"), "");
  std::string doc = bench + "\\minutes.txt";
  write(doc, "Minutes of the meeting\r\nSecond line\r\n");
  auto view = [&](const std::string& pdf) {
    PageView v;
    std::string info = tool({"pdfinfo", unixPath(pdf)});
    double w = 0, h = 0;
    int rot = -1;
    const size_t size = info.find("Page size:"), rotation = info.find("Page rot:");
    if (size != std::string::npos) std::sscanf(info.c_str() + size, "Page size: %lf x %lf", &w, &h);
    if (rotation != std::string::npos) std::sscanf(info.c_str() + rotation, "Page rot: %d", &rot);
    v.geometry = std::to_string(static_cast<int>(w)) + " x " + std::to_string(static_cast<int>(h)) + " rot " +
                 std::to_string(rot);
    std::string words = tool({"pdftotext", "-bbox", "-f", "1", "-l", "1", unixPath(pdf), "-"});
    std::map<std::string, std::array<double, 4>> at;
    bool flat = true;
    for (size_t p = words.find("<word "); p != std::string::npos; p = words.find("<word ", p + 1)) {
      std::array<double, 4> b{};
      if (std::sscanf(words.c_str() + p, "<word xMin=\"%lf\" yMin=\"%lf\" xMax=\"%lf\" yMax=\"%lf\">", &b[0], &b[1],
                      &b[2], &b[3]) != 4)
        continue;
      const size_t open = words.find('>', p) + 1;
      const std::string word = words.substr(open, words.find('<', open) - open);
      if (word.size() >= 3) flat = flat && b[2] - b[0] > b[3] - b[1];
      at[word] = b;
    }
    v.upright = flat && at.count("Minutes") && at.count("meeting") && at.count("Second") &&
                at["Minutes"][1] < at["Second"][1] && at["Minutes"][2] < at["meeting"][0];
    return v;
  };
  Variant landscape(true);
  const std::string viaDistiller = bench + "\\minutes_distilled.pdf", viaPdfPrinter = bench + "\\minutes_printed.pdf",
                    viaPostScript = bench + "\\minutes_postscript.pdf";
  converter->call("CreatePDFfromWord",
                  {pos(Variant(viaDistiller)), pos(Variant(doc)), dv::named("blnLandscape", landscape)});
  converter->call("CreatePDFfromWord2",
                  {pos(Variant(viaPdfPrinter)), pos(Variant(doc)), dv::named("blnLandscape", landscape)});
  converter->call("CreatePDFfromWord3",
                  {pos(Variant(viaPostScript)), pos(Variant(doc)), dv::named("blnLandscape", landscape)});
  for (const std::string& pdf : {viaDistiller, viaPdfPrinter, viaPostScript}) {
    ASSERT_TRUE(exists(pdf)) << pdf;
    PageView v = view(pdf);
    EXPECT_EQ(v.geometry, "792 x 612 rot 0") << pdf;
    EXPECT_TRUE(v.upright) << pdf << "\n" << tool({"pdftotext", "-bbox", unixPath(pdf), "-"});
  }
  // The queue stays: the stand-ins' registration installs it for every test.
}

TEST_F(Conversions, WordsErrorReachesTheClientAndWordIsQuit) {
  std::string doc = bench + "\\locked.txt";
  write(doc, "#password: right\r\nsecret\r\n");
  try {
    converter->call("CreatePDFfromWord",
                    {pos(Variant(bench + "\\locked.pdf")), pos(Variant(doc)), pos(Variant("wrong"))});
    FAIL() << "no error";
  } catch (const dv::AutomationError& e) {
    EXPECT_EQ(static_cast<uint32_t>(e.number()), 0x800A1520u);
    EXPECT_EQ(e.description(), "The password is incorrect. Word cannot open the document. (" + doc + ")");
    EXPECT_EQ(e.source(), "Docvane");
  }
  std::string j = slurp(journal);
  size_t open = j.find("call Open(\"" + doc + "\", PasswordDocument:=\"wrong\"");
  ASSERT_NE(open, std::string::npos) << j;
  EXPECT_NE(j.find("call Quit()", open), std::string::npos) << j;
  EXPECT_FALSE(exists(bench + "\\locked.pdf"));
}

}  // namespace
