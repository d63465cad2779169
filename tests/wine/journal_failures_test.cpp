// Every outside call made to fail in turn, through real COM: each row runs
// its member of the registered Docvane.CreatePDF once with the stand-ins'
// journal on, then once per journaled call with a failure rule for that
// call (HKCU\Software\DvStandins\Failures\<Class.Member#N>), and checks
// the error exit: the error comes back unchanged (source Docvane), every
// stand-in object created is destroyed, an opened Word document is closed
// without saving and Word quit, the default printer and the temporary
// folder are as before, no partial output stays and no dlgrelay.exe runs.
// How to add a member: see README.md.
#include <windows.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <iostream>
#include <map>
#include <set>
#include <sstream>

#include "bench_files.h"
#include "dv/standins/com_hosting.h"
#include "dv/vb.h"
#include "dv/win32/automation.h"

namespace {

using dv::pos;
using dv::Variant;
using dv::winetest::env;
using dv::winetest::exists;
using dv::winetest::slurp;

constexpr int32_t kInjected = static_cast<int32_t>(0x800A1066u);
// dlgrelay gives up on a dialog after 30 s; a relay still running later
// than that was left behind.
constexpr DWORD kRelayBoundMs = 35000;
constexpr DWORD kRelayGraceMs = 5000;

struct Totals {
  int members = 0, calls = 0, injected = 0, problems = 0;
};
Totals totals;

void write(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

void setConfig(const std::string& subKey, const std::string& name, const std::string& value) {
  std::string path = std::string(dv::standins::com::kConfigKey) + (subKey.empty() ? "" : "\\" + subKey);
  HKEY key;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
      ERROR_SUCCESS)
    return;
  RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                 static_cast<DWORD>(value.size() + 1));
  RegCloseKey(key);
}

void clearFailures() {
  RegDeleteTreeA(HKEY_CURRENT_USER, (std::string(dv::standins::com::kConfigKey) + "\\Failures").c_str());
}

std::string defaultPrinter() {
  char buf[1024] = {};
  GetProfileStringA("windows", "device", "", buf, sizeof buf);
  return buf;
}

int relaysRunning() {
  int n = 0;
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snap == INVALID_HANDLE_VALUE) return 0;
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32First(snap, &entry); more; more = Process32Next(snap, &entry))
    if (lstrcmpiA(entry.szExeFile, "dlgrelay.exe") == 0) ++n;
  CloseHandle(snap);
  return n;
}

// A journal line: "Class#K kind Member(args)[ -> error 0x...]".
struct Line {
  std::string object, kind, member, text;
};

std::vector<Line> readJournal(const std::string& path) {
  std::vector<Line> out;
  std::istringstream in(slurp(path));
  std::string text;
  while (std::getline(in, text)) {
    if (!text.empty() && text.back() == '\r') text.pop_back();
    Line l;
    l.text = text;
    std::istringstream words(text);
    words >> l.object >> l.kind;
    std::string rest;
    std::getline(words, rest);
    rest.erase(0, rest.find_first_not_of(' '));
    l.member = rest.substr(0, rest.find('('));
    out.push_back(l);
  }
  return out;
}

struct Site {
  std::string cls, member, text;
  int nth = 0;
  std::string target() const { return cls + "." + member + "#" + std::to_string(nth); }
};

class JournalFailures;

struct Row {
  Row(std::string n, std::function<void(JournalFailures&)> r, std::vector<std::string> out = {},
      std::vector<std::string> ign = {})
      : name(std::move(n)), run(std::move(r)), outputs(std::move(out)), ignored(std::move(ign)) {}
  std::string name;
  std::function<void(JournalFailures&)> run;
  std::vector<std::string> outputs;  // files the member writes (under the bench folder)
  std::vector<std::string> ignored;  // "Class.Member" whose failure the member ignores by design
};

class JournalFailures : public ::testing::Test {
 public:
  void SetUp() override {
    ASSERT_TRUE(apartment.ok());
    RegDeleteTreeA(HKEY_CURRENT_USER, dv::standins::com::kConfigKey);
    bench = env("DV_BENCH_DIR") + "\\journal";
    CreateDirectoryA(bench.c_str(), nullptr);
    journal = bench + "\\journal.txt";
    setConfig("", "JournalFile", journal);
    write(bench + "\\two.ps",
          "%!PS-Adobe-3.0\n%%Pages: 2\n%%EndComments\n"
          "/Helvetica findfont 24 scalefont setfont 72 700 moveto (one) show showpage\n"
          "72 700 moveto (two) show showpage\n%%EOF\n");
    std::string text;
    for (int i = 1; i <= 30; ++i) text += "Report line " + std::to_string(i) + "\r\n";
    write(bench + "\\report.txt", text);
    write(bench + "\\book.txt", "#password: pw\r\n#name: Totals=Data!A1:B2\r\n[Data]\r\na\tb\r\n1\t2\r\n");
    CopyFileA((env("DV_TEST_DATA") + "\\viewer_plain.pdf").c_str(), (bench + "\\plain.pdf").c_str(), FALSE);
    // The relay where the library looks first.
    ASSERT_EQ(dv::winetest::installRelay(), "");
    converter = automation.createObject("Docvane.CreatePDF");
    tempFolder = dv::vb::CStr(converter->get("TempFilePath"));
  }
  void TearDown() override {
    converter.reset();
    RegDeleteTreeA(HKEY_CURRENT_USER, dv::standins::com::kConfigKey);
  }

  std::vector<std::string> tempFiles() {
    std::vector<std::string> out;
    WIN32_FIND_DATAA data;
    HANDLE h = FindFirstFileA((tempFolder + "*").c_str(), &data);
    if (h == INVALID_HANDLE_VALUE) return out;
    do {
      if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) out.emplace_back(data.cFileName);
    } while (FindNextFileA(h, &data));
    FindClose(h);
    std::sort(out.begin(), out.end());
    return out;
  }

  std::vector<Site> sites(const std::vector<Line>& lines) {
    std::vector<Site> out;
    std::map<std::string, int> perObject;
    for (const Line& l : lines) {
      if (l.kind != "get" && l.kind != "let" && l.kind != "set" && l.kind != "call") continue;
      const int nth = ++perObject[l.object + "." + l.member];
      out.push_back({l.object.substr(0, l.object.find('#')), l.member, l.text, nth});
    }
    return out;
  }

  // Problems of an exit, one text each.
  std::vector<std::string> exitProblems(const Row& row, const std::vector<std::string>& tempBefore,
                                        const std::string& printerBefore) {
    std::vector<std::string> p;
    std::map<std::string, std::string> state;  // object -> events: + created, - destroyed, q quit, o/c/s document
    int opened = 0, closedNoSave = 0, saved = 0;
    const std::vector<Line> lines = readJournal(journal);
    // Wine's COM keeps a reference to an object its client passed back to
    // the object's own server as an argument (a source document handed to
    // InsertPages), so such an object outlives the call whatever the
    // library does; it must have been closed instead.
    std::set<std::string> passedBack, closed;
    for (const Line& l : lines) {
      if (l.kind == "call" && l.member == "Close" && l.text.find("-> error") == std::string::npos)
        closed.insert(l.object);
      if (l.kind != "call") continue;
      const size_t open = l.text.find('(');
      for (const Line& other : lines)
        if (other.kind == "create" && other.object != l.object && open != std::string::npos &&
            l.text.find(other.object, open) != std::string::npos)
          passedBack.insert(other.object);
    }
    for (const Line& l : lines) {
      const bool failed = l.text.find("-> error") != std::string::npos;
      if (l.kind == "create") state[l.object] += "+";
      if (l.kind == "destroy") state[l.object] += "-";
      if (l.kind == "call" && l.member == "Quit") state[l.object] += "q";
      // Word's documents and Excel's workbooks alike.
      const bool opener = l.object.rfind("Documents#", 0) == 0 || l.object.rfind("Workbooks#", 0) == 0;
      const bool document = l.object.rfind("Document#", 0) == 0 || l.object.rfind("Workbook#", 0) == 0;
      if (l.kind == "call" && l.member == "Open" && opener && !failed) ++opened;
      // A Close that failed is tried again on the error exit; the one that worked counts.
      if (l.kind == "call" && l.member == "Close" && document && !failed)
        ++(l.text.find("Close(False)") != std::string::npos ? closedNoSave : saved);
    }
    for (const auto& [object, s] : state) {
      if (std::count(s.begin(), s.end(), '+') != std::count(s.begin(), s.end(), '-')) {
        if (!passedBack.count(object)) p.push_back("left alive: " + object);
        else if (!closed.count(object)) p.push_back("not closed: " + object);
      }
      if (object.rfind("Application#", 0) == 0 && s.find('q') == std::string::npos) p.push_back(object + " not quit");
    }
    if (opened != closedNoSave || saved != 0) p.push_back("document or workbook not closed without saving");
    if (defaultPrinter() != printerBefore) p.push_back("default printer is " + defaultPrinter());
    for (const std::string& f : tempFiles())
      if (std::find(tempBefore.begin(), tempBefore.end(), f) == tempBefore.end())
        p.push_back("left in the temporary folder: " + f);
    for (const std::string& f : row.outputs)
      if (exists(bench + "\\" + f)) p.push_back("output left behind: " + f);
    // A relay that answered its dialog may take a moment to end.
    const DWORD start = GetTickCount();
    while (relaysRunning() > 0 && GetTickCount() - start < kRelayGraceMs) Sleep(100);
    if (relaysRunning() > 0) {
      p.push_back("dlgrelay.exe left waiting for a dialog");
      while (relaysRunning() > 0 && GetTickCount() - start < kRelayBoundMs) Sleep(250);
    }
    return p;
  }

  void removeOutputs(const Row& row) {
    for (const std::string& f : row.outputs) DeleteFileA((bench + "\\" + f).c_str());
  }

  void check(const Row& row) {
    clearFailures();
    DeleteFileA(journal.c_str());
    try {
      row.run(*this);
    } catch (const dv::AutomationError& e) {
      FAIL() << row.name << " fails without an injected failure: 0x" << std::hex << static_cast<uint32_t>(e.number())
             << " " << e.source() << ": " << e.description();
    }
    const std::vector<Site> recorded = sites(readJournal(journal));
    ASSERT_FALSE(recorded.empty()) << "no journal for " << row.name;
    removeOutputs(row);
    const std::vector<std::string> tempBefore = tempFiles();
    const std::string printerBefore = defaultPrinter();

    int injected = 0, problems = 0;
    for (size_t i = 0; i < recorded.size(); ++i) {
      const Site& site = recorded[i];
      SCOPED_TRACE(row.name + ", call " + std::to_string(i + 1) + ": " + site.text);
      const std::string text = "Injected failure " + std::to_string(i + 1);
      clearFailures();
      DeleteFileA(journal.c_str());
      std::ostringstream rule;
      rule << "0x" << std::hex << static_cast<uint32_t>(kInjected) << "|" << text;
      setConfig("Failures", site.target(), rule.str());
      ++injected;
      const bool ignoredByDesign =
          std::find(row.ignored.begin(), row.ignored.end(), site.cls + "." + site.member) != row.ignored.end();
      std::vector<std::string> p;
      try {
        row.run(*this);
        if (!ignoredByDesign) p.push_back("success although the call failed");
        removeOutputs(row);
      } catch (const dv::AutomationError& e) {
        if (ignoredByDesign) p.push_back("an ignored failure reached the caller");
        if (e.number() != kInjected || e.description() != text || e.source() != "Docvane")
          p.push_back("error changed to " + std::to_string(e.number()) + " " + e.source() + ": " + e.description());
      }
      clearFailures();
      for (const std::string& x : exitProblems(row, tempBefore, printerBefore)) p.push_back(x);
      for (const std::string& x : p) ADD_FAILURE() << x;
      problems += p.empty() ? 0 : 1;
      removeOutputs(row);
    }
    std::cout << "[ journal  ] " << row.name << ": " << recorded.size() << " outside calls, " << injected
              << " failures injected, " << problems << " problems" << std::endl;
    ++totals.members;
    totals.calls += static_cast<int>(recorded.size());
    totals.injected += injected;
    totals.problems += problems;
  }

  dv::win32::ComApartment apartment;
  dv::win32::Win32Automation automation;
  dv::ObjectPtr converter;
  std::string bench, journal, tempFolder;
};

const std::vector<std::string> kWordPageSetup = {"Document.PageSetup", "PageSetup.Orientation"};

// The members and their normal arguments: one row each.
const std::vector<Row>& members() {
  static const std::vector<Row> rows = {
      {"CreatePDFfromPS",
       [](JournalFailures& f) {
         Variant distiller("");
         f.converter->call("CreatePDFfromPS", {pos(Variant(f.bench + "\\ps.pdf")), pos(Variant(f.bench + "\\two.ps")),
                                               pos(Variant::ref(distiller))});
       },
       {"ps.pdf"}},
      {"CreatePDFfromWord",
       [](JournalFailures& f) {
         Variant footer(true);
         f.converter->call("CreatePDFfromWord",
                           {pos(Variant(f.bench + "\\word.pdf")), pos(Variant(f.bench + "\\report.txt")),
                            dv::named("blnPageNumberInFooter", footer)});
       },
       {"word.pdf"},
       kWordPageSetup},
      {"CreatePDFfromWord2",
       [](JournalFailures& f) {
         f.converter->call("CreatePDFfromWord2",
                           {pos(Variant(f.bench + "\\word2.pdf")), pos(Variant(f.bench + "\\report.txt"))});
       },
       {"word2.pdf"},
       kWordPageSetup},
      {"CreatePDFfromExcel",
       [](JournalFailures& f) {
         f.converter->call("CreatePDFfromExcel",
                           {pos(Variant(f.bench + "\\excel.pdf")), pos(Variant(f.bench + "\\book.txt")),
                            pos(Variant("Data")), pos(Variant("Totals")), dv::named("strPassword", Variant("pw")),
                            dv::named("strHeader", Variant("&P")), dv::named("dblTopMargin", Variant(0.5))});
       },
       {"excel.pdf"}},
      {"CreatePDFfromExcel2",
       [](JournalFailures& f) {
         f.converter->call(
             "CreatePDFfromExcel2",
             {pos(Variant(f.bench + "\\excel2.pdf")), pos(Variant(f.bench + "\\book.txt")), pos(Variant(int16_t{1})),
              pos(Variant("used_range")), dv::named("strPassword", Variant("pw"))});
       },
       {"excel2.pdf"}},
      {"GetNumPagesPDF",
       [](JournalFailures& f) {
         EXPECT_GT(dv::vb::CLng(f.converter->call("GetNumPagesPDF", {pos(Variant(f.bench + "\\plain.pdf"))})), 0);
       }},
      {"CreateLinksInPDF",
       [](JournalFailures& f) { f.converter->call("CreateLinksInPDF", {pos(Variant(f.bench + "\\plain.pdf"))}); }},
      {"CreatePDFfromMultiPDF",
       [](JournalFailures& f) {
         Variant files(dv::Array::vector(dv::VarType::Variant,
                                         {Variant(f.bench + "\\plain.pdf"), Variant(f.bench + "\\plain.pdf")}));
         f.converter->call("CreatePDFfromMultiPDF", {pos(Variant(f.bench + "\\merged.pdf")), pos(files)});
       },
       {"merged.pdf"}},
      {"CreateBookmarkInPDF",
       [](JournalFailures& f) {
         CopyFileA((f.bench + "\\plain.pdf").c_str(), (f.bench + "\\marked.pdf").c_str(), FALSE);
         f.converter->call("CreateBookmarkInPDF", {pos(Variant(f.bench + "\\marked.pdf")), pos(Variant("Two"))});
       }},
  };
  return rows;
}

void PrintTo(const Row& row, std::ostream* os) { *os << row.name; }

class EveryFailureOf : public JournalFailures, public ::testing::WithParamInterface<Row> {};

TEST_P(EveryFailureOf, Member) { check(GetParam()); }

INSTANTIATE_TEST_SUITE_P(Journal, EveryFailureOf, ::testing::ValuesIn(members()),
                         [](const ::testing::TestParamInfo<Row>& info) { return info.param.name; });

class PrintTotals : public ::testing::Environment {
 public:
  void TearDown() override {
    std::cout << "[ journal  ] members covered " << totals.members << ", outside calls " << totals.calls
              << ", failures injected " << totals.injected << ", problems found " << totals.problems << std::endl;
  }
};
[[maybe_unused]] const auto* const kPrintTotals = ::testing::AddGlobalTestEnvironment(new PrintTotals);

}  // namespace
