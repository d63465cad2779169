// Every outside call of every member that drives an application, made to
// fail in turn. Each row of kMembers runs its member once to record the
// calls it makes (the stand-ins' journal and the viewer double's), then
// once per call with that call failing, and checks the error exit: the
// error comes back with its number and description (source Docvane), no
// application object is left alive, an opened document is closed without
// saving, an application that was created is quit, the default printer is
// the one from before, the file system is as before (no temporary file, no
// partial output) and no relay waits for a dialog that will never come.
// How to add a member: see README.md in this folder.
#include <algorithm>
#include <cctype>
#include <functional>
#include <iostream>
#include <map>
#include <set>

#include "../convert/convert_fixture.h"
#include "../viewer/viewer_fake_merge.h"
#include "../viewer/viewer_fake_viewer.h"
#include "convert/distiller.h"
#include "convert/excel.h"
#include "convert/generic.h"
#include "convert/text_file.h"
#include "convert/word.h"
#include "dv/vb.h"
#include "viewer/menu_operations.h"
#include "viewer/pdf_bookmarks.h"
#include "viewer/pdf_merge.h"
#include "viewer/viewer_operations.h"

namespace dv::lib::testing {
namespace {

constexpr int32_t kInjected = static_cast<int32_t>(0x800A1066u);

struct Totals {
  int members = 0, calls = 0, injected = 0, problems = 0;
};
Totals& totals() {
  static Totals t;
  return t;
}

// One outside call of the recorded run.
struct Site {
  bool viewer = false;  // the viewer double, else a stand-in
  std::string cls;      // stand-in class or viewer object kind
  std::string member;
  int nth = 0;  // the nth call of the member on its object (viewer: on all objects of the kind)
  std::string line;
  std::string key() const { return cls + "." + member; }
};

class EveryFailure;

struct Row {
  Row(std::string n, std::function<void(EveryFailure&)> r, std::vector<std::string> out = {},
      std::vector<std::string> ign = {}, bool stays = false)
      : name(std::move(n)), run(std::move(r)), outputs(std::move(out)), ignored(std::move(ign)), viewerStays(stays) {}
  std::string name;
  std::function<void(EveryFailure&)> run;
  // Files the member writes; they are removed after a successful run.
  std::vector<std::string> outputs;
  // "Class.Member" of calls whose failure the member ignores by design:
  // for these a successful return is the expected outcome.
  std::vector<std::string> ignored;
  // The member leaves the viewer running with its document in view (OpenPDF).
  bool viewerStays = false;
};

class EveryFailure : public ConvertFixture {
 public:
  using ConvertFixture::ctx;
  using ConvertFixture::owner;

  void SetUp() override {
    ConvertFixture::SetUp();
    fake.files.addFile("c:\\docs\\report.txt", [] {
      std::string text;
      for (int i = 1; i <= 80; ++i) text += "Report line " + std::to_string(i) + "\n";
      return text;
    }());
    fake.files.addFolder("c:\\ps");
    fake.files.addFile("c:\\ps\\one.ps", "%!PS one");
    fake.files.addFile("c:\\ps\\two.ps", "%!PS two");
    fake.files.addFile("c:\\docs\\book.txt",
                       "#password: pw\n#name: Totals=North!A1:B2\n[North]\na\tb\n1\t2\n[South]\nc\n");
    // The viewer double takes the viewer's ProgIDs over from the stand-ins.
    viewer = std::make_shared<dv::testing::FakeViewer>();
    for (const char* progId : {"AcroExch.App", "AcroExch.AVDoc", "AcroExch.PDDoc", "AcroExch.PDBookmark"})
      fake.automation.registerProgId(progId, [this, id = std::string(progId)] { return viewer->create(id); });
    fake.files.addFolder("c:\\pdf");
    addPdf("c:\\pdf\\plain.pdf", 3, "");
    addPdf("c:\\pdf\\secret.pdf", 2, "pw");
    viewer->files["c:\\pdf\\plain.pdf"].outline = {{"Intro", 0, {}}, {"Part", 1, {{"Detail", 2, {}}}}};
    merge = dv::testing::addMergeMembers(*viewer, fake.files);
    // Images open as one-page documents; a document in view is valid.
    addPdf("c:\\docs\\photo.jpg", 1, "");
    viewer->extensions.push_back([](dv::testing::FakeViewer::Obj& self, std::string_view member, Args&,
                                    const Variant*) -> std::optional<Variant> {
      if (self.kind == "AVDoc" && member == "IsValid") return Variant(!self.path.empty());
      if (self.kind == "PDDoc" && member == "SetInfo") return Variant(true);
      return std::nullopt;
    });
    merge->pageTexts["c:\\pdf\\plain.pdf"] = {"intro", "part one", "the detail"};
    viewer->onOpenMenu = [this] { openRelays = 0; };
    fake.processes.setOnStart([this](const std::string& commandLine) {
      const std::vector<std::string> fields = relayFields(commandLine);
      if (fields.size() < 3) return;
      if (fields[0] == "open") viewer->dialogPath = fields[2], ++openRelays;
      if (fields[0] == "password") viewer->dialogPassword = fields[2], ++openRelays;
      if (fields[0] == "save pdf file as") ++saveRelays;
    });
  }
  void TearDown() override {
    viewer->onOpenMenu = nullptr;
    ConvertFixture::TearDown();
  }

  static std::vector<std::string> relayFields(const std::string& commandLine) {
    return vb::Split(commandLine.substr(commandLine.find("\" ") + 2), "~");
  }
  // Relays of this run that were ended, by their keyword.
  int relaysEnded(const std::string& keyword) const {
    const std::vector<std::string>& ended = fake.processes.ended();
    return static_cast<int>(std::count_if(ended.begin() + static_cast<std::ptrdiff_t>(endedBefore), ended.end(),
                                          [&](const std::string& l) { return relayFields(l)[0] == keyword; }));
  }

  void addPdf(const std::string& path, int pages, const std::string& password) {
    fake.files.addFile(path, "%PDF-1.4");
    viewer->files[path].pages = pages;
    viewer->files[path].password = password;
  }
  dv::lib::ViewerContext viewerContext() {
    return ViewerContext{host, [] { return 9.0; }};
  }

  // Back to the state before a run: no journal, no failure, no dialogs.
  void freshRun() {
    standins::Control::instance().reset();
    standins::word::resetRunningInstances();
    standins::excel::resetRunningInstances();
    viewer->journal.clear();
    viewer->callKeys.clear();
    viewer->failAt.reset();
    viewer->activeDoc.clear();
    viewer->dialogPath.clear();
    viewer->dialogPassword.clear();
    openRelays = 0;
    saveRelays = 0;
    dialogs = 0;
    endedBefore = fake.processes.ended().size();
  }

  // The outside calls of the last run, in order.
  std::vector<Site> sites() const {
    std::vector<Site> out;
    std::map<std::string, int> perObject;
    for (const standins::JournalEntry& e : standins::Control::instance().journal()) {
      if (e.kind != "get" && e.kind != "let" && e.kind != "set" && e.kind != "call") continue;
      const int nth = ++perObject[e.object + "." + e.member];
      out.push_back({false, e.object.substr(0, e.object.find('#')), e.member, nth, e.text()});
    }
    std::map<std::string, int> perKey;
    for (size_t i = 0; i < viewer->callKeys.size(); ++i) {
      const std::string& key = viewer->callKeys[i];
      out.push_back({true, key.substr(0, key.find('.')), key.substr(key.find('.') + 1), ++perKey[key], key});
    }
    return out;
  }

  void inject(const Site& s, const std::string& text) {
    if (s.viewer) {
      viewer->failAt = dv::testing::FakeViewer::NthFailure{s.key(), s.nth, AutomationError(kInjected, "Viewer", text)};
    } else {
      standins::Control::instance().injectFailure({s.cls, s.member, s.nth, kInjected, text, ""});
    }
  }

  // What is still alive: stand-in instances by class, viewer objects.
  std::vector<std::string> leftAlive() const {
    std::vector<std::string> out;
    std::set<std::string> classes;
    for (const standins::ClassDef* c : standins::allClasses()) classes.insert(c->name());
    for (const std::string& c : classes)
      if (int n = standins::Control::instance().liveCount(c)) out.push_back(c + " x" + std::to_string(n));
    if (standins::word::runningInstances() != 0) out.push_back("Word running");
    if (standins::excel::runningInstances() != 0) out.push_back("Excel running");
    if (viewer->live != 0) out.push_back("viewer objects x" + std::to_string(viewer->live));
    return out;
  }

  // Problems of an error exit, one text each; empty when it is clean.
  std::vector<std::string> exitProblems(const Row& row, const std::set<std::string>& filesBefore,
                                        const std::string& printerBefore) {
    std::vector<std::string> p;
    for (const std::string& a : leftAlive()) p.push_back("left alive: " + a);
    if (owner().objAdobeDistiller) p.push_back("objAdobeDistiller still set");
    // Word: every opened document closed without saving, every instance quit.
    std::map<std::string, std::string> state;  // object -> what happened to it
    for (const standins::JournalEntry& e : standins::Control::instance().journal()) {
      if (e.kind != "call") continue;
      // Word's documents and Excel's workbooks alike.
      const bool opener = e.object.rfind("Documents#", 0) == 0 || e.object.rfind("Workbooks#", 0) == 0;
      const bool document = e.object.rfind("Document#", 0) == 0 || e.object.rfind("Workbook#", 0) == 0;
      if (e.member == "Open" && opener && !e.error) state["document"] += "o";
      // A Close that failed is tried again on the error exit; the one that worked counts.
      if (e.member == "Close" && document && !e.error) {
        const bool noSave =
            !e.args.empty() && e.args.front().second.type() == VarType::Bool && !e.args.front().second.boolValue();
        state["document"] += noSave ? "c" : "s";
      }
    }
    for (const standins::JournalEntry& e : standins::Control::instance().journal()) {
      if (e.object.rfind("Application#", 0) != 0) continue;
      if (e.kind == "create") state[e.object] += "+";
      if (e.kind == "call" && e.member == "Quit") state[e.object] += "q";
    }
    for (const auto& [object, s] : state) {
      if (object == "document") {
        if (std::count(s.begin(), s.end(), 'o') != std::count(s.begin(), s.end(), 'c') ||
            s.find('s') != std::string::npos)
          p.push_back("Word document not closed without saving (" + s + ")");
      } else if (s.find('q') == std::string::npos) {
        p.push_back(object + " not quit");
      }
    }
    // Viewer: the view closed and the viewer ended, unless it is meant to stay.
    if (row.viewerStays) {
      for (const std::string& l : viewer->journal)
        if (l.rfind("AVDoc.Close", 0) == 0 || l.rfind("App.Exit", 0) == 0 || l.rfind("PDDoc.Close", 0) == 0)
          p.push_back("closed what it leaves open on purpose: " + l);
    } else {
      if (!viewer->activeDoc.empty()) p.push_back("document left open in the viewer: " + viewer->activeDoc);
      const auto& j = viewer->journal;
      if (std::find(j.begin(), j.end(), "create AcroExch.App") != j.end() &&
          std::find(j.begin(), j.end(), "App.Exit()") == j.end())
        p.push_back("viewer not ended");
    }
    if (fake.printers.defaultPrinter() != printerBefore)
      p.push_back("default printer is " + fake.printers.defaultPrinter() + ", was " + printerBefore);
    const std::vector<std::string> now = fake.files.allFiles();
    for (const std::string& f : now)
      if (!filesBefore.count(f)) p.push_back("file left behind: " + f);
    for (const std::string& f : filesBefore)
      if (std::find(now.begin(), now.end(), f) == now.end()) p.push_back("file lost: " + f);
    if (saveRelays > dialogs + relaysEnded("save pdf file as"))
      p.push_back("a relay waits for a PDF file dialog that was never shown");
    if (openRelays > relaysEnded("open") + relaysEnded("password"))
      p.push_back("relays wait for open dialogs that were never shown");
    return p;
  }

  void removeOutputs(const Row& row) {
    for (const std::string& f : row.outputs) fake.files.deleteFile(f);
  }

  void check(const Row& row) {
    freshRun();
    row.run(*this);  // the normal run
    const std::vector<Site> recorded = sites();
    removeOutputs(row);
    std::set<std::string> filesBefore;
    for (const std::string& f : fake.files.allFiles()) filesBefore.insert(f);
    const std::string printerBefore = fake.printers.defaultPrinter();
    EXPECT_TRUE(leftAlive().empty()) << row.name << " leaves objects alive on its normal path";

    int injected = 0, problems = 0;
    std::set<std::string> seen;
    for (size_t i = 0; i < recorded.size(); ++i) {
      const Site& site = recorded[i];
      // A rule names a class, not one instance: the nth call of a second
      // instance is reached through the first one's.
      if (!seen.insert((site.viewer ? "v:" : "s:") + site.key() + "#" + std::to_string(site.nth)).second) continue;
      SCOPED_TRACE(row.name + ", call " + std::to_string(i + 1) + ": " + site.line);
      freshRun();
      const std::string text = "Injected failure " + std::to_string(i + 1);
      inject(site, text);
      ++injected;
      const bool ignoredByDesign = std::find(row.ignored.begin(), row.ignored.end(), site.key()) != row.ignored.end();
      std::vector<std::string> p;
      try {
        row.run(*this);
        if (!ignoredByDesign) p.push_back("success although the call failed");
        removeOutputs(row);
      } catch (const AutomationError& e) {
        if (ignoredByDesign) p.push_back("an ignored failure reached the caller");
        if (e.number() != kInjected || e.description() != text || e.source() != "Docvane")
          p.push_back("error changed to " + std::to_string(e.number()) + " " + e.source() + ": " + e.description());
      }
      for (const std::string& x : exitProblems(row, filesBefore, printerBefore)) p.push_back(x);
      for (const std::string& x : p) ADD_FAILURE() << x;
      problems += p.empty() ? 0 : 1;
      removeOutputs(row);
    }
    std::cout << "[ journal  ] " << row.name << ": " << recorded.size() << " outside calls, " << injected
              << " failures injected, " << problems << " problems\n";
    Totals& t = totals();
    ++t.members;
    t.calls += static_cast<int>(recorded.size());
    t.injected += injected;
    t.problems += problems;
  }

  std::shared_ptr<dv::testing::FakeViewer> viewer;
  std::shared_ptr<dv::testing::FakeMergeState> merge;
  int openRelays = 0, saveRelays = 0;
  size_t endedBefore = 0;
  std::string distiller;
  std::string printer = kGenericPostScriptPrinter;
  DistillSettings settings;
};

WordOptions wordOptions() {
  WordOptions o;
  o.pageNumberInFooter = true;
  o.pageNumberInHeader = true;
  o.pages = "1";
  return o;
}

Variant psList() {
  Array a(VarType::Variant, {Bound{1, 2}});
  a.at(1) = Variant("c:\\ps\\one.ps");
  a.at(2) = Variant("c:\\ps\\two.ps");
  return Variant(a);
}

// Block T with every setting given, so that every call of the set-up is made.
TextFileOptions textOptions() {
  TextFileOptions o;
  o.font = "Arial";
  o.pageNumberInFooter = true;
  o.pageNumberInHeader = true;
  o.topMargin = o.leftMargin = o.rightMargin = o.bottomMargin = 36;
  return o;
}

const std::vector<std::string> kWordPageSetup = {"Document.PageSetup", "PageSetup.Orientation"};

const char* kBook = "c:\\docs\\book.txt";

// Every page setting given, so that every call of the setup is made.
ExcelSheetOptions excelSheet() {
  ExcelSheetOptions o;
  o.password = "pw";
  o.useGrid = true;
  o.landscape = true;
  o.header = "Page &P";
  o.footer = "Footer";
  o.margins = {0.5, 0.5, 0.5, 0.5, 0.25, 0.25};
  o.firstPageNumber = 3;
  return o;
}

ExcelSheetsOptions excelSheets() {
  ExcelSheetsOptions o;
  static_cast<ExcelPageOptions&>(o) = excelSheet();
  Array landscape(VarType::Variant, {Bound{0, 2}});
  landscape.at(0) = Variant(true);
  landscape.at(1) = Variant(false);
  o.landscape = Variant(landscape);
  o.firstPageNumber = Variant(int32_t{2});
  return o;
}

Variant pair(const char* a, const char* b) {
  Array list(VarType::Variant, {Bound{0, 2}});
  list.at(0) = Variant(a);
  list.at(1) = Variant(b);
  return Variant(list);
}

// Reading an outline skips every failing statement.
const std::vector<std::string> kOutlineReading = {
    "AVDoc.Open",       "AVDoc.GetAVPageView", "PageView.GetDoc", "PDDoc.GetJSObject", "JSO.Layout",
    "JSO.BookMarkRoot", "Bookmark.Children",   "Bookmark.Name",   "Bookmark.Execute",  "PageView.GetPage",
    "PDPage.GetNumber", "PageView.GetPageNum", "JSO.mouseX",      "JSO.mouseY",        "PDDoc.Close",
    "AVDoc.Close",      "JSO.CloseDoc"};
// Copying an outline reports a failed write by its result.
std::vector<std::string> outlineCopying() {
  std::vector<std::string> keys = kOutlineReading;
  for (const char* k : {"AVDoc.BringToFront", "PageView.GoTo", "Bookmark.createChild", "Bookmark.Parent",
                        "PDDoc.SetPageMode", "PDDoc.Save"})
    keys.push_back(k);
  return keys;
}

// The members and their normal arguments: one row each.
const std::vector<Row>& members() {
  static const std::vector<Row> rows = {
      {"CreatePDFfromPS",
       [](EveryFailure& f) { createPDFfromPS(f.ctx(), "c:\\out\\one.pdf", "c:\\ps\\one.ps", f.distiller, f.settings); },
       {"c:\\out\\one.pdf"}},
      {"CreatePDFfromMultiPS",
       [](EveryFailure& f) { createPDFfromMultiPS(f.ctx(), "c:\\out\\all.pdf", psList(), f.distiller, f.settings); },
       {"c:\\out\\all.pdf"}},
      {"CreatePDFfromWord",
       [](EveryFailure& f) {
         createPDFfromWord(f.ctx(), "c:\\out\\report.pdf", "c:\\docs\\report.txt", wordOptions(), f.distiller,
                           f.settings);
       },
       {"c:\\out\\report.pdf"},
       kWordPageSetup},
      {"CreatePDFfromWord2",
       [](EveryFailure& f) {
         createPDFfromWord2(f.ctx(), "c:\\out\\report.pdf", "c:\\docs\\report.txt", wordOptions(), f.distiller, false,
                            "save pdf file as");
       },
       {"c:\\out\\report.pdf"},
       kWordPageSetup},
      {"CreatePDFfromWord3",
       [](EveryFailure& f) {
         createPDFfromWord3(f.ctx(), "c:\\out\\report.pdf", "c:\\docs\\report.txt", f.printer, wordOptions(),
                            f.settings);
       },
       {"c:\\out\\report.pdf"},
       kWordPageSetup},
      {"CreatePSfromWord",
       [](EveryFailure& f) {
         createPSfromWord(f.ctx(), "c:\\out\\report.ps", "c:\\docs\\report.txt", wordOptions(), f.distiller);
       },
       {"c:\\out\\report.ps"},
       kWordPageSetup},
      {"CreatePSfromWord2",
       [](EveryFailure& f) {
         createPSfromWord2(f.ctx(), "c:\\out\\report.ps", "c:\\docs\\report.txt", f.printer, wordOptions());
       },
       {"c:\\out\\report.ps"},
       kWordPageSetup},
      {"CreatePDFfromTextFile",
       [](EveryFailure& f) {
         createPDFfromTextFile(f.ctx(), "c:\\out\\report.pdf", "c:\\docs\\report.txt", textOptions(), f.distiller,
                               f.settings);
       },
       {"c:\\out\\report.pdf"}},
      {"CreatePDFfromTextFile2",
       [](EveryFailure& f) {
         createPDFfromTextFile2(f.ctx(), "c:\\out\\report.pdf", "c:\\docs\\report.txt", textOptions(), f.distiller,
                                false, "save pdf file as");
       },
       {"c:\\out\\report.pdf"}},
      {"CreatePSfromTextFile",
       [](EveryFailure& f) {
         createPSfromTextFile(f.ctx(), "c:\\out\\report.ps", "c:\\docs\\report.txt", textOptions(), f.distiller);
       },
       {"c:\\out\\report.ps"}},
      {"CreatePDFfromMiscFile",
       [](EveryFailure& f) {
         createPDFfromMiscFile(f.ctx(), "c:\\out\\report.pdf", "c:\\docs\\report.txt", f.printer, f.settings);
       },
       {"c:\\out\\report.pdf"}},
      {"CreatePSfromMiscFile",
       [](EveryFailure& f) {
         createPSfromMiscFile(f.ctx(), "c:\\out\\report.ps", "c:\\docs\\report.txt", f.distiller);
       },
       {"c:\\out\\report.ps"}},
      {"CreatePSfromMiscFile2",
       [](EveryFailure& f) { createPSfromMiscFile2(f.ctx(), "c:\\out\\report.ps", "c:\\docs\\report.txt", f.printer); },
       {"c:\\out\\report.ps"}},
      {"CreatePDFfromImageFile",
       [](EveryFailure& f) {
         createPDFfromImageFile(f.ctx(), "c:\\out\\photo.pdf", "c:\\docs\\photo.jpg", {"T", "A", "S", "K"});
       },
       {"c:\\out\\photo.pdf"}},
      {"CreatePDFfromExcel",
       [](EveryFailure& f) {
         createPDFfromExcel(f.ctx(), "c:\\out\\book.pdf", kBook, Variant("North"), "Totals", excelSheet(), f.distiller,
                            f.settings);
       },
       {"c:\\out\\book.pdf"}},
      {"CreatePDFfromExcel2",
       [](EveryFailure& f) {
         createPDFfromExcel2(f.ctx(), "c:\\out\\book.pdf", kBook, Variant(int16_t{1}), "used_range", excelSheet(),
                             f.distiller, false, "save pdf file as");
       },
       {"c:\\out\\book.pdf"}},
      {"CreatePDFfromExcel3",
       [](EveryFailure& f) {
         createPDFfromExcel3(f.ctx(), "c:\\out\\book.pdf", kBook, Variant("South"), "A1", f.printer, excelSheet(),
                             f.settings);
       },
       {"c:\\out\\book.pdf"}},
      {"CreatePSfromExcel",
       [](EveryFailure& f) {
         createPSfromExcel(f.ctx(), "c:\\out\\book.ps", kBook, Variant("North"), "A1:B2", excelSheet(), f.distiller);
       },
       {"c:\\out\\book.ps"}},
      {"CreatePSfromExcel2",
       [](EveryFailure& f) {
         createPSfromExcel2(f.ctx(), "c:\\out\\book.ps", kBook, Variant("North"), "USED_RANGE", f.printer,
                            excelSheet());
       },
       {"c:\\out\\book.ps"}},
      {"CreatePDFfromMultiExcel",
       [](EveryFailure& f) {
         createPDFfromMultiExcel(f.ctx(), "c:\\out\\book.pdf", kBook, pair("North", "South"),
                                 pair("Totals", "used_range"), excelSheets(), f.distiller, f.settings);
       },
       {"c:\\out\\book.pdf"}},
      {"CreatePDFfromMultiExcel3",
       [](EveryFailure& f) {
         createPDFfromMultiExcel3(f.ctx(), "c:\\out\\book.pdf", kBook, pair("South", "North"), pair("A1", "A1:B2"),
                                  f.printer, excelSheets(), f.distiller, f.settings);
       },
       {"c:\\out\\book.pdf"}},
      {"GetNumPagesPDF",
       [](EveryFailure& f) {
         ViewerContext v = f.viewerContext();
         EXPECT_EQ(getNumPagesPdf(v, "c:\\pdf\\plain.pdf", {}), 3);
       }},
      {"GetNumPagesPDF (password)",
       [](EveryFailure& f) {
         ViewerContext v = f.viewerContext();
         OpenPassword pw;
         pw.password = "pw";
         EXPECT_EQ(getNumPagesPdf(v, "c:\\pdf\\secret.pdf", pw), 2);
       }},
      {"PrintPDF",
       [](EveryFailure& f) {
         ViewerContext v = f.viewerContext();
         PrintPdfRequest r;
         r.pdfFile = "c:\\pdf\\plain.pdf";
         r.printer = "Adobe PDF";
         printPdf(v, r);
       }},
      {"PrintPDFinDir",
       [](EveryFailure& f) {
         ViewerContext v = f.viewerContext();
         PrintPdfInDirRequest r;
         r.directory = "c:\\pdf";
         r.printer = "Adobe PDF";
         printPdfInDir(v, r);
       }},
      {"OpenPDF",
       [](EveryFailure& f) {
         ViewerContext v = f.viewerContext();
         OpenPdfRequest r;
         r.pdfFile = "c:\\pdf\\plain.pdf";
         r.bookmark = "Detail";
         r.goToPage = 2;
         r.readType = kReadDocument;
         openPdf(v, r);
       },
       // A bookmark whose Children fails is a leaf: the search goes on.
       {},
       {"Bookmark.Children"},
       true},
      {"OpenPDF (password)",
       [](EveryFailure& f) {
         ViewerContext v = f.viewerContext();
         OpenPdfRequest r;
         r.pdfFile = "c:\\pdf\\secret.pdf";
         r.open.password = "pw";
         openPdf(v, r);
       },
       {},
       {},
       true},
      {"ReduceFileSize",
       [](EveryFailure& f) {
         ViewerContext v = f.viewerContext();
         ReduceFileSizeRequest r;
         r.pdfFile = "c:\\pdf\\plain.pdf";
         r.version = 1;
         reduceFileSize(v, r);
       }},
      {"SaveFileAs (password)",
       [](EveryFailure& f) {
         ViewerContext v = f.viewerContext();
         SaveFileAsRequest r;
         r.pdfFile = "c:\\pdf\\secret.pdf";
         r.file = "c:\\out\\secret.txt";
         r.open.password = "pw";
         r.fileType = 10;
         saveFileAs(v, r);
       }},
      {"SetOpenPassword",
       [](EveryFailure& f) {
         ViewerContext v = f.viewerContext();
         SetOpenPasswordRequest r;
         r.pdfFile = "c:\\pdf\\plain.pdf";
         r.password = "new";
         setOpenPassword(v, r);
       }},
      {"CreatePageHeaderInPDF",
       [](EveryFailure& f) {
         ViewerContext v = f.viewerContext();
         PageHeaderRequest r;
         r.pdfFile = "c:\\pdf\\plain.pdf";
         r.pageStyle = 3;
         r.pageAlign = 1;
         r.customText = "Draft";
         r.customTextAlign = 2;
         createPageHeaderInPdf(v, r);
       }},
      {"CreateLinksInPDF",
       [](EveryFailure& f) {
         ViewerContext v = f.viewerContext();
         createLinksInPdf(v, "c:\\pdf\\plain.pdf", {});
       }},
      {"CreatePDFfromMultiPDF",
       [](EveryFailure& f) {
         ViewerContext v = f.viewerContext();
         Array files(VarType::Variant, {Bound{1, 3}});
         files.at(1) = Variant("c:\\pdf\\plain.pdf");
         files.at(2) = Variant("c:\\pdf\\none.pdf");
         files.at(3) = Variant("c:\\pdf\\plain.pdf");
         createPdfFromMultiPdf(v, "c:\\pdf\\merged.pdf", Variant(files), false);
       },
       {"c:\\pdf\\merged.pdf"}},
      {"CreatePDFfromMultiPDF (target among the inputs)",
       [](EveryFailure& f) {
         ViewerContext v = f.viewerContext();
         f.addPdf("c:\\pdf\\target.pdf", 2, "");
         createPdfFromMultiPdf(
             v, "c:\\pdf\\target.pdf",
             Variant(Array::vector(VarType::Variant, {Variant("c:\\pdf\\plain.pdf"), Variant("c:\\pdf\\target.pdf")})),
             true);
       }},
      {"CreatePDFfromMultiPDFinDir",
       [](EveryFailure& f) {
         ViewerContext v = f.viewerContext();
         f.addPdf("c:\\merge\\b.pdf", 2, "");
         f.addPdf("c:\\merge\\a.pdf", 1, "");
         MergeInDirRequest r;
         r.pdfFile = "c:\\pdf\\folder.pdf";
         r.directory = "c:\\merge";
         r.sortType = 1;  // by name
         createPdfFromMultiPdfInDir(v, r);
       },
       {"c:\\pdf\\folder.pdf"}},
      {"CreateBookmarksInPDF",
       [](EveryFailure& f) {
         ViewerContext v = f.viewerContext();
         CreateBookmarksRequest r;
         r.pdfFile = "c:\\pdf\\plain.pdf";
         r.titles = {"part", "nowhere", "detail"};
         createBookmarksInPdf(v, r);
       }},
      {"CreateBookmarkInPDF (password)",
       [](EveryFailure& f) {
         ViewerContext v = f.viewerContext();
         f.merge->pageTexts["c:\\pdf\\secret.pdf"] = {"one", "two"};
         CreateBookmarksRequest r;
         r.pdfFile = "c:\\pdf\\secret.pdf";
         r.titles = {"two"};
         r.single = true;
         r.open.password = "pw";
         createBookmarksInPdf(v, r);
       }},
      {"BookmarksToArray",
       [](EveryFailure& f) {
         ViewerContext v = f.viewerContext();
         Variant table;
         Variant slot = Variant::ref(table);
         bookmarksToArray(v, "c:\\pdf\\plain.pdf", slot);
       },
       {},
       kOutlineReading},
      {"BookmarksToPDF",
       [](EveryFailure& f) {
         ViewerContext v = f.viewerContext();
         f.addPdf("c:\\pdf\\target.pdf", 3, "");
         bookmarksToPdf(v, "c:\\pdf\\plain.pdf", "c:\\pdf\\target.pdf");
       },
       {},
       outlineCopying()},
      // Windows and messages only: no automation call to fail.
      {"CloseAcrobat", [](EveryFailure& f) { f.ctx().closeAcrobat(true, 10); }},
  };
  return rows;
}

void PrintTo(const Row& row, std::ostream* os) { *os << row.name; }

class EveryFailureOf : public EveryFailure, public ::testing::WithParamInterface<Row> {};

TEST_P(EveryFailureOf, Member) { check(GetParam()); }

INSTANTIATE_TEST_SUITE_P(Journal, EveryFailureOf, ::testing::ValuesIn(members()),
                         [](const ::testing::TestParamInfo<Row>& info) {
                           std::string n;
                           for (char c : info.param.name)
                             if (std::isalnum(static_cast<unsigned char>(c))) n += c;
                           return n;
                         });

// The counts of the whole table, once all rows ran.
class PrintTotals : public ::testing::Environment {
 public:
  void TearDown() override {
    const Totals& t = totals();
    if (t.members == 0) return;
    std::cout << "[ journal  ] members covered " << t.members << ", outside calls " << t.calls << ", failures injected "
              << t.injected << ", problems found " << t.problems << "\n";
  }
};
[[maybe_unused]] const auto* const kPrintTotals = ::testing::AddGlobalTestEnvironment(new PrintTotals);

}  // namespace
}  // namespace dv::lib::testing
