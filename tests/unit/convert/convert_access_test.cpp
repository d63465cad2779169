// The six Access members end to end on the in-memory machine, the Access
// stand-in reading a real SQLite database through unixODBC: the exact
// Access calls for Access 9 and 11 and viewers 5, 5.5 and 8, the default
// printer, PDFWriter's registry value and the relays, the parts of the
// multi-report members, and the error exit. A failure at every outside
// call is in journal/.
#include <algorithm>
#include <map>
#include <regex>

#include "access/access_standin.h"
#include "convert/access.h"
#include "convert_fixture.h"
#include "dv/vb.h"
#include "standins/access_test_database.h"

namespace dv::lib::testing {
namespace {

using Lines = std::vector<std::string>;

const char* kSecretDb = "c:\\docs\\sales.mdb";  // with a password
const char* kOpenDb = "c:\\docs\\open.mdb";     // without
const char* kPassword = "Op3n Sesame";
const char* kPdf = "c:\\out\\report.pdf";
const char* kPs = "c:\\out\\report.ps";

// Journal without creations, objects numbered per class from 1 in order of
// appearance, temporary names replaced by N.
Lines calls() {
  Lines out;
  static const std::regex temp(R"(c:\\temp\\\d+\.(ps|pdf))", std::regex::icase);
  std::map<std::string, std::string> renamed;
  std::map<std::string, int> perClass;
  for (const std::string& line : journalWithoutDestroys()) {
    if (line.size() > 7 && line.compare(line.size() - 7, 7, " create") == 0) continue;
    const std::string object = line.substr(0, line.find(' '));
    const std::string cls = object.substr(0, object.find('#'));
    auto [it, fresh] = renamed.emplace(object, "");
    if (fresh) it->second = cls + "#" + std::to_string(++perClass[cls]);
    static const std::regex printer(R"(\(Printer#\d+\))");
    out.push_back(std::regex_replace(
        std::regex_replace(it->second + line.substr(object.size()), temp, "c:\\temp\\N.$1"), printer, "(Printer)"));
  }
  return out;
}

Lines renamedTemp(const Lines& lines) {
  static const std::regex temp(R"(c:\\temp\\\d+\.(ps|pdf))", std::regex::icase);
  Lines out;
  for (const std::string& l : lines) out.push_back(std::regex_replace(l, temp, "c:\\temp\\N.$1"));
  return out;
}

Array strings(std::initializer_list<const char*> items) {
  Array a(VarType::Variant, {Bound{0, static_cast<uint32_t>(items.size())}});
  int32_t i = 0;
  for (const char* s : items) a.at(i++) = Variant(s);
  return a;
}

enum class Member { PS, PS2, PDF, PDF2, Multi, Multi2 };

// CreatePDFfromMultiPDF recorded: the files it is given, in order, written
// one after the other into the target.
class RecordingMerge : public CreatePdfConversion {
 public:
  RecordingMerge(CreatePdf& owner, fakes::FakeFileSystem& files) : CreatePdfConversion(owner), files_(files) {}
  void createPdfFromMultiPdf(const std::string& pdf, const Variant& list, bool createBookmarks) override {
    EXPECT_FALSE(createBookmarks);
    std::string merged;
    Lines names;
    const Array& a = list.arrayValue();
    for (int32_t i = a.lbound(); i <= a.ubound(); ++i) {
      names.push_back(vb::CStr(a.at(i)));
      merged += files_.contents(names.back()).value_or("<missing>");
    }
    merges.push_back(names);
    files_.addFile(pdf, merged);
  }
  std::vector<Lines> merges;

 private:
  fakes::FakeFileSystem& files_;
};

class AccessMembers : public ConvertFixture {
 public:
  void SetUp() override {
    ConvertFixture::SetUp();
    standins::access::resetRunningInstances();
    secretDb = dv::testing::accessTestDatabase("convert-secret.mdb", {"access_sales.sql", "access_password.sql"});
    openDb = dv::testing::accessTestDatabase("convert-open.mdb", {"access_sales.sql"});
    fake.files.addFile(kSecretDb, "SQLite format 3");
    fake.files.addFile(kOpenDb, "SQLite format 3");
    fake.printers.addPrinter("Acrobat PDFWriter", "LPT2:");
    standins::access::Environment e;
    e.files = &fake.files;
    e.printers = &fake.printers;
    e.registry = &fake.registry;
    e.queues = [] {
      return Lines{"Acrobat Distiller", "Adobe PDF", "Generic PostScript Printer", "Office Laser", "Acrobat PDFWriter"};
    };
    e.databasePath = [this](const std::string& path) {
      return path == kSecretDb ? secretDb : path == kOpenDb ? openDb : path;
    };
    // The relay's part: the path of the most recent relay for this caption.
    e.askFileName = [this](const std::string& caption) -> std::optional<std::string> {
      asked.push_back(caption);
      if (static_cast<int>(asked.size()) == unansweredDialog) return std::nullopt;
      for (auto it = relays().rbegin(); it != relays().rend(); ++it) {
        auto fields = vb::Split(it->substr(it->find("\" ") + 2), "~");
        if (fields.size() >= 3 && vb::LCase(fields[1]) == vb::LCase(caption)) return fields[2];
      }
      return std::nullopt;
    };
    e.spool = [this](const std::string& path, std::function<std::optional<std::string>()> produce) {
      if (auto bytes = produce()) spooled.push_back({path, *bytes, fake.clock.tickMs(), 0});
    };
    e.makePdf = [](const std::string& ps) -> std::optional<std::string> { return "%PDF-1.4 printed\n" + ps; };
    // The PDF printer's agent: asks for the file once it has the job.
    e.sendToQueue = [](const std::string&, const std::string&, const std::string& ps) -> std::string {
      auto& env = standins::access::environment();
      if (auto target = env.askFileName("Save PDF File As"))
        env.spool(*target, [ps] { return std::optional<std::string>("%PDF-1.4 printed\n" + ps); });
      return {};
    };
    standins::access::setEnvironment(e);
    setVersions(11, "8.0");
  }
  void TearDown() override {
    merge_.reset();
    standins::access::setEnvironment({});
    ConvertFixture::TearDown();
  }

  void setVersions(int access, const char* viewer) {
    fake.registry.setString(kHkeyLocalMachine, "SOFTWARE\\Classes\\Access.Application\\CurVer", "",
                            "Access.Application." + std::to_string(access));
    fake.registry.setString(kHkeyLocalMachine, "SOFTWARE\\Classes\\AcroExch.App\\AcrobatVersion", "", viewer);
  }

  RecordingMerge& merge() {
    if (!merge_) merge_ = std::make_unique<RecordingMerge>(owner(), fake.files);
    return *merge_;
  }

  void run(Member m) {
    AccessSource source{owner().AccessVersion(), database, password};
    AccessReport report{"Customer List", filter, where};
    switch (m) {
      case Member::PS:
        createPSfromAccessReport(merge(), kPs, source, report, distiller, "save pdf file as");
        break;
      case Member::PS2:
        createPSfromAccessReport2(merge(), kPs, source, report, printer, "print to file");
        break;
      case Member::PDF:
        createPDFfromAccessReport(merge(), kPdf, source, report, pdfWriter, closeAcrobat, "save pdf file as");
        break;
      case Member::PDF2:
        createPDFfromAccessReport2(merge(), kPdf, source, report, printer, "print to file", {});
        break;
      case Member::Multi:
        createPDFfromMultiAccessReport(merge(), kPdf, source, reports, pdfWriter, closeAcrobat, "save pdf file as");
        break;
      case Member::Multi2:
        createPDFfromMultiAccessReport2(merge(), kPdf, source, reports, printer, "print to file", distiller, {});
        break;
    }
  }

  // What the in-memory machine has recorded so far: the checks below look
  // only at what came after.
  void mark() {
    writesMark = fake.printers.profileWrites().size();
    relaysMark = relays().size();
    asked.clear();
    fake.registry.setString(kHkeyCurrentUser, "Software\\Adobe\\Acrobat PDFWriter", "PDFFilename", "");
  }
  std::string defaultPrinter() { return fake.printers.defaultPrinter(); }
  // The default printers the calls set, in order.
  Lines defaultSwitches() {
    Lines out;
    const auto& writes = fake.printers.profileWrites();
    for (size_t i = writesMark; i < writes.size(); ++i)
      if (vb::LCase(writes[i].section) == "windows" && vb::LCase(writes[i].key) == "device")
        out.push_back(writes[i].value.substr(0, writes[i].value.find(',')));
    return out;
  }
  std::string pdfWriterTarget() {
    return fake.registry.getString(kHkeyCurrentUser, "Software\\Adobe\\Acrobat PDFWriter", "PDFFilename").value_or("");
  }
  // The relays' command lines without the program: "keyword~caption~path~".
  Lines relayTails() {
    Lines out;
    for (size_t i = relaysMark; i < relays().size(); ++i)
      out.push_back(relays()[i].substr(relays()[i].find("\" ") + 2));
    return renamedTemp(out);
  }
  size_t writesMark = 0, relaysMark = 0;

  std::string secretDb, openDb;
  std::string database = kSecretDb, password = kPassword, filter, where = "city <> 'Oulu'";
  std::string distiller, printer = "Generic PostScript Printer", pdfWriter = "Acrobat PDFWriter";
  bool closeAcrobat = false;
  AccessReports reports{Variant(strings({"Customer List", "Orders by Region", "Customer List"})), Variant::missing(),
                        Variant::missing()};
  Lines asked;
  int unansweredDialog = 0;  // the dialog (from 1) no relay answers

 private:
  std::unique_ptr<RecordingMerge> merge_;
};

const Lines kOpenWithPassword = {
    R"(Application#1 call OpenCurrentDatabase(filepath:="c:\docs\sales.mdb", bstrPassword:="Op3n Sesame"))"};
const Lines kPrintHidden = {R"(Application#1 get DoCmd())",
                            R"(DoCmd#1 call OpenReport("Customer List", 0, "", "city <> 'Oulu'", WindowMode:=1))",
                            R"(Application#1 get DoCmd())", R"(DoCmd#1 call Close(3, "Customer List", 2))"};

Lines concat(std::initializer_list<Lines> parts) {
  Lines all;
  for (const Lines& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

Lines selectPrinter(const std::string& name) {
  return {"Application#1 get Printers()", "Printers#1 get Item(\"" + name + "\")",
          "Application#1 set Printer(Printer)"};
}

TEST_F(AccessMembers, OneReportJournalsByAccessAndViewerVersion) {
  struct Case {
    const char* what;
    Member member;
    int access;
    const char* viewer;
    Lines journal;
    Lines relays;
    std::string pdfWriterTarget;
    Lines switches;  // default printers set
    Lines dialogs;
  };
  const Lines closeQuit2 = {"Application#1 call CloseCurrentDatabase()", "Application#1 call Quit(2)"};
  const Lines closeQuit = {"Application#1 call CloseCurrentDatabase()", "Application#1 call Quit()"};
  const Lines print9 = {R"(Application#1 get DoCmd())",
                        R"(DoCmd#1 call OpenReport("Customer List", 0, "", "city <> 'Oulu'"))",
                        R"(Application#1 get DoCmd())", R"(DoCmd#1 call Close(3, "Customer List", 2))"};
  const Lines open9 = {R"(Application#1 call OpenCurrentDatabase("c:\docs\open.mdb"))"};
  const Case cases[] = {
      {"PDF printer, Access 11, viewer 8",
       Member::PDF,
       11,
       "8.0",
       concat({selectPrinter("Adobe PDF"),
               {"Application#1 let Visible(False)"},
               kOpenWithPassword,
               kPrintHidden,
               closeQuit2}),
       {R"(save pdf file as~save pdf file as~c:\out\report.pdf~)"},
       "",
       {},
       {"Save PDF File As"}},
      {"PDFWriter, Access 11, viewer 5",
       Member::PDF,
       11,
       "5.0",
       concat({selectPrinter("Acrobat PDFWriter"),
               {"Application#1 let Visible(False)"},
               kOpenWithPassword,
               kPrintHidden,
               closeQuit2}),
       {},
       kPdf,
       {},
       {}},
      {"both, Access 11, viewer 5.5",
       Member::PDF,
       11,
       "5.5",
       concat({selectPrinter("Adobe PDF"),
               {"Application#1 let Visible(False)"},
               kOpenWithPassword,
               kPrintHidden,
               closeQuit2}),
       {R"(save pdf file as~save pdf file as~c:\out\report.pdf~)"},
       kPdf,
       {},
       {"Save PDF File As"}},
      {"PDF printer, Access 9, viewer 8",
       Member::PDF,
       9,
       "8.0",
       concat({{"Application#1 let Visible(False)"}, open9, print9, closeQuit2}),
       {R"(save pdf file as~save pdf file as~c:\out\report.pdf~)"},
       "",
       {"Adobe PDF", "Office Laser"},
       {"Save PDF File As"}},
      {"Distiller printer to PostScript, Access 11",
       Member::PS,
       11,
       "8.0",
       concat({selectPrinter("Adobe PDF"), kOpenWithPassword, kPrintHidden, closeQuit}),
       {R"(save pdf file as~save pdf file as~c:\out\report.ps~)"},
       "",
       {},
       {"Save PDF File As"}},
      {"print to file, Access 9",
       Member::PS2,
       9,
       "8.0",
       concat({open9, print9, closeQuit}),
       {R"(print to file~print to file~c:\out\report.ps~)"},
       "",
       {"Generic PostScript Printer", "Office Laser"},
       {"Print to File"}},
      {"print to file and Distiller, Access 11",
       Member::PDF2,
       11,
       "8.0",
       concat({selectPrinter("Generic PostScript Printer"),
               kOpenWithPassword,
               kPrintHidden,
               closeQuit,
               {"PdfDistiller#1 let bShowWindow(False)", "PdfDistiller#1 let bSpoolJobs(False)",
                R"(PdfDistiller#1 call FileToPDF("c:\temp\N.ps", "c:\out\report.pdf", ""))"}}),
       {R"(print to file~print to file~c:\temp\N.ps~)"},
       "",
       {},
       {"Print to File"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TearDown();
    SetUp();
    setVersions(c.access, c.viewer);
    database = c.access < 10 ? kOpenDb : kSecretDb;
    mark();
    run(c.member);
    Lines journal = calls();
    // Distiller's events are the pipeline's business, not this table's.
    std::erase_if(journal, [](const std::string& l) { return l.find(" event ") != std::string::npos; });
    EXPECT_EQ(journal, c.journal);
    EXPECT_EQ(relayTails(), c.relays);
    EXPECT_EQ(pdfWriterTarget(), c.pdfWriterTarget);
    EXPECT_EQ(defaultSwitches(), c.switches);
    EXPECT_EQ(asked, c.dialogs);
    EXPECT_EQ(defaultPrinter(), "Office Laser");
    const std::string out = c.member == Member::PS || c.member == Member::PS2 ? kPs : kPdf;
    ASSERT_TRUE(fake.files.exists(out));
    EXPECT_NE(fake.files.contents(out)->find("(Bergen Fiskehandel)"), std::string::npos);
    EXPECT_EQ(fake.files.contents(out)->find("(Wartian Herkku)"), std::string::npos);
    EXPECT_TRUE(tempFiles().empty());
    EXPECT_EQ(standins::access::runningInstances(), 0);
  }
}

TEST_F(AccessMembers, BlankDistillerIsSettledBeforeOldAccessGetsIt) {
  setVersions(9, "8.0");
  database = kOpenDb;
  distiller = "  ";
  mark();
  run(Member::PS);
  EXPECT_EQ(distiller, "Adobe PDF");
  EXPECT_EQ(defaultSwitches(), (Lines{"Adobe PDF", "Office Laser"}));
  EXPECT_TRUE(fake.files.exists(kPs));
}

TEST_F(AccessMembers, OldAccessWithoutADefaultPrinterLeavesNoneBehind) {
  // The PDF printer is the default for the print only, on the error path too.
  for (bool fails : {false, true}) {
    SCOPED_TRACE(fails ? "failing" : "succeeding");
    TearDown();
    SetUp();
    setVersions(9, "8.0");
    database = kOpenDb;
    fake.printers.setProfile("windows", "Device", "");
    mark();
    if (fails)
      standins::Control::instance().injectFailure(
          {"DoCmd", "OpenReport", 1, static_cast<int32_t>(0x800A1066), "Injected failure", "Access stand-in"});
    try {
      run(Member::PS2);
      EXPECT_FALSE(fails);
    } catch (const AutomationError&) {
      EXPECT_TRUE(fails);
    }
    EXPECT_EQ(defaultSwitches(), (Lines{"Generic PostScript Printer", ""}));
    EXPECT_EQ(defaultPrinter(), "");
  }
}

TEST_F(AccessMembers, MultiReportPartsAreMergedInOrderAndDeleted) {
  struct Case {
    const char* what;
    Member member;
    int access;
    Variant filters, wheres;
    Lines openReports;
  };
  const Variant nordic(strings({"Nordic Customers", "", "Nordic Customers"}));
  const Variant north(strings({"", "region = 'North'", ""}));
  const Case cases[] = {
      {"PDF printer, Access 11, filters as a string",
       Member::Multi,
       11,
       Variant("Nordic Customers"),
       north,
       {R"(DoCmd#1 call OpenReport("Customer List", View:=0, WhereCondition:="", WindowMode:=1))",
        R"(DoCmd#1 call OpenReport("Orders by Region", View:=0, WhereCondition:="region = 'North'", WindowMode:=1))",
        R"(DoCmd#1 call OpenReport("Customer List", View:=0, WhereCondition:="", WindowMode:=1))"}},
      {"print to file, Access 9",
       Member::Multi2,
       9,
       nordic,
       Variant::missing(),
       {R"(DoCmd#1 call OpenReport("Customer List", View:=0, FilterName:="Nordic Customers"))",
        R"(DoCmd#1 call OpenReport("Orders by Region", View:=0, FilterName:=""))",
        R"(DoCmd#1 call OpenReport("Customer List", View:=0, FilterName:="Nordic Customers"))"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TearDown();
    SetUp();
    setVersions(c.access, "8.0");
    database = c.access < 10 ? kOpenDb : kSecretDb;
    reports.filters = c.filters;
    reports.wheres = c.wheres;
    mark();
    run(c.member);
    Lines opens;
    for (const std::string& l : calls())
      if (l.find("OpenReport") != std::string::npos) opens.push_back(l);
    EXPECT_EQ(opens, c.openReports);
    ASSERT_TRUE(fake.files.exists(kPdf));
    if (c.member == Member::Multi) {
      ASSERT_EQ(merge().merges.size(), 1u);
      EXPECT_EQ(merge().merges[0].size(), 3u);
      const std::string pdf = *fake.files.contents(kPdf);
      const size_t first = pdf.find("(Customers)"), second = pdf.find("(Orders by Region)"),
                   third = pdf.find("(Customers)", second);
      EXPECT_TRUE(first < second && second < third && third != std::string::npos);
    }
    EXPECT_EQ(relayTails().size(), 3u);
    EXPECT_TRUE(tempFiles().empty());
    EXPECT_EQ(standins::access::runningInstances(), 0);
    EXPECT_EQ(defaultPrinter(), "Office Laser");
  }
}

TEST_F(AccessMembers, FailuresQuitAccessPutThePrinterBackAndRemoveTheParts) {
  struct Case {
    const char* what;
    Member member;
    int access;
    const char* failingClass;
    const char* failingMember;
    int nth;
  };
  const Case cases[] = {
      {"open, Access 11", Member::PDF, 11, "Application", "OpenCurrentDatabase", 1},
      {"open, Access 9", Member::PS2, 9, "Application", "OpenCurrentDatabase", 1},
      {"second report of three", Member::Multi, 9, "DoCmd", "OpenReport", 2},
      {"third report of three", Member::Multi2, 11, "DoCmd", "OpenReport", 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TearDown();
    SetUp();
    setVersions(c.access, "8.0");
    database = c.access < 10 ? kOpenDb : kSecretDb;
    mark();
    standins::Control::instance().injectFailure({c.failingClass, c.failingMember, c.nth,
                                                 static_cast<int32_t>(0x800A1066), "Injected failure",
                                                 "Access stand-in"});
    fake.files.addFile(kPdf, "old");
    try {
      run(c.member);
      ADD_FAILURE() << "no error";
    } catch (const AutomationError& e) {
      EXPECT_EQ(e.number(), static_cast<int32_t>(0x800A1066));
      EXPECT_EQ(e.description(), "Injected failure");
      EXPECT_EQ(e.source(), "Docvane");
    }
    EXPECT_EQ(calls().back().find("Application#1 call Quit("), 0u);
    EXPECT_EQ(standins::access::runningInstances(), 0);
    EXPECT_EQ(defaultPrinter(), "Office Laser");
    EXPECT_TRUE(tempFiles().empty());
    EXPECT_FALSE(fake.files.exists(kPs));
  }
}

TEST_F(AccessMembers, AReportWhoseDialogNobodyAnswersFailsAfterItsBoundWithNothingLeft) {
  for (Member m : {Member::Multi, Member::Multi2}) {
    SCOPED_TRACE(static_cast<int>(m));
    TearDown();
    SetUp();
    setVersions(9, "8.0");
    database = kOpenDb;
    printer = "Generic PostScript Printer";
    mark();
    unansweredDialog = 2;
    try {
      run(m);
      ADD_FAILURE();
    } catch (const AutomationError& e) {
      EXPECT_EQ(e.number(), -2147467008);
      EXPECT_NE(e.description().find("was not completely written in time"), std::string::npos) << e.description();
      EXPECT_EQ(e.source(), "Docvane");
    }
    EXPECT_EQ(asked.size(), 2u);
    EXPECT_EQ(calls().back(), m == Member::Multi ? "Application#1 call Quit(2)" : "Application#1 call Quit()");
    EXPECT_EQ(defaultPrinter(), "Office Laser");
    EXPECT_TRUE(tempFiles().empty());
    EXPECT_FALSE(fake.files.exists(kPdf));
    EXPECT_EQ(standins::access::runningInstances(), 0);
  }
}

TEST_F(AccessMembers, MissingRelayFailsAfterAccessOpenedAndQuitsIt) {
  fake.files.deleteFile("C:\\Windows\\system32\\dlgrelay.exe");
  setVersions(9, "8.0");
  database = kOpenDb;
  mark();
  try {
    run(Member::PDF);
    FAIL();
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.number(), -2147467008);
    EXPECT_NE(e.description().find("DLGRELAY.EXE"), std::string::npos);
  }
  EXPECT_EQ(calls().back(), "Application#1 call Quit(2)");
  EXPECT_EQ(defaultPrinter(), "Office Laser");
  EXPECT_TRUE(asked.empty());
}

TEST_F(AccessMembers, AccessErrorsReachTheCallerUnchanged) {
  struct Case {
    const char* what;
    std::function<void(AccessMembers&)> arrange;
    int32_t number;
    const char* description;
  };
  const Case cases[] = {
      {"wrong password", [](AccessMembers& t) { t.password = "open sesame"; }, standins::access::kNotAValidPassword,
       "Not a valid password."},
      {"missing report", [](AccessMembers& t) { t.reports.names = Variant(strings({"Invoices"})); },
       standins::access::kReportMissing,
       "The report name 'Invoices' you entered in either the property sheet or macro is misspelled or refers to a "
       "report that doesn't exist."},
      {"bad condition",
       [](AccessMembers& t) {
         t.reports.names = Variant(strings({"Customer List"}));
         t.reports.wheres = Variant(strings({"city = = 1"}));
       },
       standins::access::kSyntaxError, "Syntax error (missing operator) in query expression 'city = = 1'."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TearDown();
    SetUp();
    password = kPassword;
    reports = AccessReports{Variant(strings({"Customer List"})), Variant::missing(), Variant::missing()};
    c.arrange(*this);
    mark();
    try {
      run(Member::Multi);
      ADD_FAILURE();
    } catch (const AutomationError& e) {
      EXPECT_EQ(e.number(), c.number);
      EXPECT_EQ(e.description(), c.description);
    }
    EXPECT_EQ(standins::access::runningInstances(), 0);
    EXPECT_TRUE(tempFiles().empty());
  }
}

TEST_F(AccessMembers, MissingDatabaseOrReportListRaisesBeforeAccessStarts) {
  database = "c:\\docs\\nowhere.mdb";
  for (Member m : {Member::PS, Member::PS2, Member::PDF, Member::PDF2, Member::Multi, Member::Multi2}) {
    try {
      run(m);
      ADD_FAILURE();
    } catch (const AutomationError& e) {
      EXPECT_EQ(e.number(), -2147467008);
      EXPECT_EQ(e.description(), "File c:\\docs\\nowhere.mdb does not exist.");
    }
  }
  database = kSecretDb;
  reports.names = Variant("Customer List");
  try {
    run(Member::Multi2);
    ADD_FAILURE();
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.number(), vb::runtimeErrorNumber(vb::kTypeMismatch));
  }
  EXPECT_TRUE(standins::Control::instance().journal().empty());
  EXPECT_TRUE(defaultSwitches().empty());
}

}  // namespace
}  // namespace dv::lib::testing
