// The Access stand-in on a real SQLite database through unixODBC: the
// database's reports, filters and password, conditions that can only
// filter, Access's errors, the versions' object models and where each
// printer sends a report.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "access/access_database.h"
#include "access/access_report.h"
#include "access/access_standin.h"
#include "access_test_database.h"
#include "dv/fakes/fake_host.h"
#include "dv/standins/standin.h"
#include "dv/vb.h"

namespace dv::standins::access {
namespace {

const char* kDb = "c:\\data\\sales.mdb";
const char* kOpenDb = "c:\\data\\open.mdb";  // without a password

class AccessStandIn : public ::testing::Test {
 public:
  void SetUp() override {
    Control::instance().reset();
    resetRunningInstances();
    realDb = dv::testing::accessTestDatabase("standin.mdb", {"access_sales.sql", "access_password.sql"});
    openDb = dv::testing::accessTestDatabase("standin-open.mdb", {"access_sales.sql"});
    fake.files.addFile(kDb, "SQLite format 3");
    fake.files.addFile(kOpenDb, "SQLite format 3");
    fake.printers.addPrinter("Generic PostScript Printer", "FILE:");
    fake.printers.addPrinter("Office Laser", "LPT1:");
    fake.printers.addPrinter("Acrobat PDFWriter", "LPT2:");
    fake.printers.setDefault("Office Laser");
    Environment e;
    e.files = &fake.files;
    e.printers = &fake.printers;
    e.registry = &fake.registry;
    e.queues = [] {
      return std::vector<std::string>{"Generic PostScript Printer", "Office Laser", "Acrobat PDFWriter"};
    };
    e.databasePath = [this](const std::string& path) { return path == kDb ? realDb : path == kOpenDb ? openDb : path; };
    e.askFileName = [this](const std::string& caption) -> std::optional<std::string> {
      asked.push_back(caption);
      return answer;
    };
    e.spool = [this](const std::string& path, std::function<std::optional<std::string>()> produce) {
      if (auto bytes = produce()) spooled[path] = *bytes;
    };
    e.makePdf = [](const std::string& ps) -> std::optional<std::string> { return "%PDF-1.4\n" + ps; };
    e.sendToQueue = [this](const std::string& printer, const std::string&, const std::string& ps) -> std::string {
      queued.push_back(printer);
      if (auto target = environment().askFileName("Save PDF File As")) spooled[*target] = "%PDF-1.4\n" + ps;
      return {};
    };
    setEnvironment(e);
  }
  void TearDown() override {
    setEnvironment({});
    Control::instance().reset();
  }

  void version(const std::string& curVer) {
    fake.registry.setString(kHkeyLocalMachine, "SOFTWARE\\Classes\\Access.Application\\CurVer", "", curVer);
  }
  ObjectPtr access() { return applicationClass().create(); }
  ObjectPtr opened(const std::string& password = "Op3n Sesame") {
    ObjectPtr a = access();
    a->call("OpenCurrentDatabase", {pos(kDb), pos(false), pos(password)});
    return a;
  }
  static void printReport(Object& a, const std::string& name, const std::string& filter = "",
                          const std::string& where = "") {
    asObject(a.get("DoCmd"))->call("OpenReport", {pos(name), pos(int16_t{0}), pos(filter), pos(where)});
  }
  static int32_t errorOf(const std::function<void()>& f) {
    try {
      f();
    } catch (const AutomationError& e) {
      return e.number();
    }
    return 0;
  }

  fakes::FakeHost fake;
  std::string realDb, openDb;
  std::vector<std::string> asked;
  std::optional<std::string> answer = std::string("c:\\out\\report.ps");
  std::map<std::string, std::string> spooled;
  std::vector<std::string> queued;  // the queues raw jobs went to
};

TEST(AccessDatabase, ConditionsArePartsOfOneStatementInParentheses) {
  ReportDefinition r{"R", "T", "orders", "region, id", {"region", "amount"}};
  EXPECT_EQ(reportStatement(r, "", " "), R"(SELECT "region", "amount" FROM "orders" ORDER BY region, id)");
  EXPECT_EQ(reportStatement(r, "a = 1", "b = 2 OR 1 = 1"),
            R"(SELECT "region", "amount" FROM "orders" WHERE (a = 1) AND (b = 2 OR 1 = 1) ORDER BY region, id)");
}

TEST_F(AccessStandIn, DatabaseReadsReportsFiltersAndRowsThroughOdbc) {
  auto db = Database::open(realDb);
  EXPECT_EQ(db->password(), "Op3n Sesame");
  auto report = db->report("ORDERS BY REGION");  // Access names ignore case
  ASSERT_TRUE(report);
  EXPECT_EQ(report->columns, (std::vector<std::string>{"region", "customer", "product", "amount"}));
  EXPECT_FALSE(db->report("Nothing"));
  auto nordic = db->filter("nordic customers");
  ASSERT_TRUE(nordic);
  auto customers = db->report("Customer List");
  Rows rows = db->rows(*customers, *nordic, "city <> 'Oulu'");
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0], (std::vector<std::string>{"Bergen Fiskehandel", "Bergen", "Norway"}));
  EXPECT_EQ(rows[1][0], "Nordlys Kafe");
}

TEST_F(AccessStandIn, ConditionsCanOnlyFilter) {
  auto db = Database::open(realDb);
  auto orders = db->report("Orders by Region");
  for (const char* hostile : {"1=1); DELETE FROM orders; --", "1=1) OR (1=1", "0); DROP TABLE orders; SELECT (1"}) {
    try {
      db->rows(*orders, "", hostile);
    } catch (const DatabaseError&) {
    }
  }
  EXPECT_EQ(Database::open(realDb)->rows(*orders, "", "").size(), 5u);
  EXPECT_THROW(Database::open("/nonexistent/folder/none.mdb"), DatabaseError);
  EXPECT_FALSE(std::filesystem::exists("/nonexistent/folder/none.mdb"));
}

TEST_F(AccessStandIn, ErrorsAreAccesssOwn) {
  struct Case {
    const char* what;
    std::function<void(AccessStandIn&)> call;
    int32_t number;
  };
  const Case cases[] = {
      {"wrong password", [](AccessStandIn& t) { t.opened("open sesame"); }, kNotAValidPassword},
      {"missing password", [](AccessStandIn& t) { t.access()->call("OpenCurrentDatabase", {pos(kDb)}); },
       kNotAValidPassword},
      {"missing file", [](AccessStandIn& t) { t.access()->call("OpenCurrentDatabase", {pos("c:\\data\\x.mdb")}); },
       kCannotOpenDatabase},
      {"missing report", [](AccessStandIn& t) { printReport(*t.opened(), "Invoices"); }, kReportMissing},
      {"bad condition", [](AccessStandIn& t) { printReport(*t.opened(), "Customer List", "", "city = = 'x'"); },
       kSyntaxError},
      {"missing filter", [](AccessStandIn& t) { printReport(*t.opened(), "Customer List", "Southern"); },
       kObjectMissing},
      {"report without database",
       [](AccessStandIn& t) { asObject(t.access()->get("DoCmd"))->call("OpenReport", {pos("Customer List")}); },
       kActionNotAvailable},
      {"missing printer",
       [](AccessStandIn& t) { asObject(t.access()->get("Printers"))->get("Item", {pos("Nowhere")}); },
       kInvalidProcedureCall},
  };
  for (const Case& c : cases) EXPECT_EQ(errorOf([&] { c.call(*this); }), c.number) << c.what;
  EXPECT_TRUE(spooled.empty());
}

TEST_F(AccessStandIn, AccessNineLacksPrintersAndPasswords) {
  version("Access.Application.9");
  ObjectPtr a = access();
  EXPECT_EQ(errorOf([&] { a->get("Printers"); }), kUnknownName);
  EXPECT_EQ(errorOf([&] { a->get("Printer"); }), kUnknownName);
  EXPECT_EQ(errorOf([&] {
              a->call("OpenCurrentDatabase", {named("filepath", kDb), named("bstrPassword", "x")});
            }),
            kUnknownName);
  version("Access.Application.11");
  ObjectPtr b = access();
  ObjectPtr printers = asObject(b->get("Printers"));
  EXPECT_EQ(vb::CLng(printers->get("Count")), 4);  // three queues and the PDF printer
  EXPECT_EQ(vb::CStr(asObject(printers->get("Item", {pos(int32_t{0})}))->get("Port")), "FILE:");
  EXPECT_EQ(vb::CStr(asObject(b->get("Printer"))->get("DeviceName")), "Office Laser");
}

TEST_F(AccessStandIn, FilePortPrinterAsksForTheFileAndSpoolsTheReport) {
  ObjectPtr a = opened();
  a->set("Printer", Variant(asObject(asObject(a->get("Printers"))->get("Item", {pos("Generic PostScript Printer")}))));
  printReport(*a, "Customer List", "Nordic Customers", "city <> 'Oulu'");
  EXPECT_EQ(asked, std::vector<std::string>{"Print to File"});
  const std::string ps = spooled.at("c:\\out\\report.ps");
  EXPECT_EQ(ps.rfind("%!PS-Adobe-3.0", 0), 0u);
  for (const char* shown : {"(Customers)", "(name)", "(Bergen Fiskehandel)", "(Nordlys Kafe)", "(Page 1 of 1)"})
    EXPECT_NE(ps.find(shown), std::string::npos) << shown;
  EXPECT_EQ(ps.find("Wartian"), std::string::npos);
  EXPECT_EQ(ps.find("Alfreds"), std::string::npos);
}

TEST_F(AccessStandIn, PrintersByKind) {
  fake.registry.setString(kHkeyCurrentUser, "Software\\Adobe\\Acrobat PDFWriter", "PDFFilename", "c:\\out\\w.pdf");
  const std::string log = (std::filesystem::temp_directory_path() / "dv-access-print.log").string();
  std::filesystem::remove(log);
  Control::instance().setSetting("PrintLog", log);
  struct Case {
    const char* printer;
    std::vector<std::string> dialogs;
    const char* file;
  };
  const Case cases[] = {{"Acrobat PDFWriter", {}, "c:\\out\\w.pdf"},
                        {"Adobe PDF", {"Save PDF File As"}, "c:\\out\\report.ps"},
                        {"Office Laser", {}, nullptr}};
  for (const Case& c : cases) {
    asked.clear();
    spooled.clear();
    queued.clear();
    ObjectPtr a = opened();
    a->set("Printer", Variant(asObject(asObject(a->get("Printers"))->get("Item", {pos(c.printer)}))));
    printReport(*a, "Orders by Region");
    EXPECT_EQ(asked, c.dialogs) << c.printer;
    EXPECT_EQ(queued.size(), c.dialogs.size()) << c.printer;
    if (c.file) {
      EXPECT_EQ(spooled.at(c.file).rfind("%PDF-1.4\n%!PS", 0), 0u) << c.printer;
    } else {
      EXPECT_TRUE(spooled.empty());
    }
  }
  std::ifstream in(log);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_EQ(text.str(), "Orders by Region, Office Laser\r\n");
}

TEST_F(AccessStandIn, AccessNinePrintsToTheDefaultPrinter) {
  version("Access.Application.9");
  fake.printers.setDefault("Generic PostScript Printer");
  fake.registry.setString(kHkeyCurrentUser, "Software\\Adobe\\Acrobat PDFWriter", "PDFFilename", "");
  ObjectPtr a = access();
  a->call("OpenCurrentDatabase", {pos(kOpenDb)});
  EXPECT_EQ(errorOf([&] { printReport(*a, "Customer List"); }), 0);
  EXPECT_EQ(asked, std::vector<std::string>{"Print to File"});
}

TEST_F(AccessStandIn, QuitEndsTheInstance) {
  ObjectPtr a = opened();
  EXPECT_EQ(runningInstances(), 1);
  a->call("CloseCurrentDatabase");
  EXPECT_EQ(errorOf([&] { printReport(*a, "Customer List"); }), kActionNotAvailable);
  a->call("Quit", {pos(int16_t{2})});
  EXPECT_EQ(runningInstances(), 0);
  EXPECT_NE(errorOf([&] { a->get("DoCmd"); }), 0);
}

TEST(AccessReport, PagesAreNumberedOfTheirCount) {
  PrintedReport r{"Long", {"n"}, {}};
  for (int i = 0; i < kRowsPerPage * 2 + 1; ++i) r.rows.push_back({std::to_string(i)});
  const std::string ps = renderReport(r);
  EXPECT_EQ(pageCount(r), 3);
  EXPECT_NE(ps.find("%%Pages: 3"), std::string::npos);
  EXPECT_NE(ps.find("(Page 3 of 3)"), std::string::npos);
  EXPECT_EQ(pageCount(PrintedReport{"Empty", {"n"}, {}}), 1);
}

}  // namespace
}  // namespace dv::standins::access
