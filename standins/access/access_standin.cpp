#include "access/access_standin.h"

#include <atomic>
#include <memory>

#include "access/access_printing.h"
#include "access/access_report.h"
#include "dv/vb.h"
#include "word/word_standin.h"

namespace dv::standins::access {

namespace {

constexpr uint32_t kKeyRead = 0x20019;
constexpr const char* kCurVerKey = "SOFTWARE\\Classes\\Access.Application\\CurVer";
// Without a CurVer the stand-in is Access 2003.
constexpr int kDefaultVersion = 11;
constexpr int32_t kAcViewNormal = 0;

[[noreturn]] void raiseAccess(int32_t number, const std::string& description) {
  throw AutomationError(number, kErrorSource, description);
}

[[noreturn]] void unknownName() { throw AutomationError(kUnknownName, kErrorSource, "Unknown name."); }

std::string registryDefault(Registry& registry, const std::string& key) {
  RegKey handle = 0;
  if (registry.openKey(kHkeyLocalMachine, key, kKeyRead, handle) != 0) return {};
  uint32_t type = 0, size = 0;
  std::string value;
  if (registry.queryValue(handle, "", type, nullptr, size) == 0 && size > 0) {
    std::vector<uint8_t> data(size);
    if (registry.queryValue(handle, "", type, &data, size) == 0) value.assign(data.begin(), data.end());
  }
  registry.closeKey(handle);
  while (!value.empty() && value.back() == '\0') value.pop_back();
  return value;
}

Environment& env() {
  Environment& e = environment();
  if (!e.files) raiseAccess(accessError(2004), "There isn't enough memory to perform this operation.");
  return e;
}

// The version CurVer names ("Access.Application.9" -> 9).
int installedVersion() {
  Environment& e = environment();
  if (!e.registry) return kDefaultVersion;
  const std::string value = registryDefault(*e.registry, kCurVerKey);
  const size_t dot = value.rfind('.');
  if (dot == std::string::npos) return kDefaultVersion;
  const int version = static_cast<int>(vb::Val(value.substr(dot + 1)));
  return version > 0 ? version : kDefaultVersion;
}

std::atomic<int> g_running{0};

struct AccessState {
  int version = kDefaultVersion;
  bool quit = false;
  bool visible = true;
  std::string printer;  // the application's Printer (device name)
  std::unique_ptr<Database> database;
  std::string databasePath;
};

void requireRunning(const AccessState& a) {
  if (a.quit) raiseAccess(static_cast<int32_t>(0x800706BAu), "The RPC server is unavailable.");
}

// Members Access 9 does not have fail as unknown names there.
void requirePrinters(const AccessState& a) {
  requireRunning(a);
  if (a.version < 10) unknownName();
}

class ApplicationObject : public StandIn {
 public:
  ApplicationObject() : StandIn(applicationClass()), state(std::make_shared<AccessState>()) {
    ++g_running;
    state->version = installedVersion();
    if (Environment& e = environment(); e.printers) state->printer = e.printers->defaultPrinter();
  }
  std::shared_ptr<AccessState> state;
  ObjectPtr doCmd;  // one DoCmd per application, as Access hands out
};

class PrintersObject : public StandIn {
 public:
  PrintersObject() : StandIn(printersClass()) {}
  std::vector<std::string> names;
};

class PrinterObject : public StandIn {
 public:
  PrinterObject() : StandIn(printerClass()) {}
};

class DoCmdObject : public StandIn {
 public:
  DoCmdObject() : StandIn(doCmdClass()) {}
  std::shared_ptr<AccessState> state;
};

template <class T>
std::shared_ptr<T> make(const ClassDef& cls) {
  return std::static_pointer_cast<T>(cls.create());
}

ParamDef opt(std::string name) { return ParamDef{std::move(name), TypeDesc{}, true}; }
ParamDef req(std::string name) { return ParamDef{std::move(name), TypeDesc{}, false}; }

std::string argString(Invocation& in, size_t i) {
  Variant v = in.argOr(i, Variant(std::string()));
  return v.isMissing() || v.isEmpty() || v.isNull() ? std::string() : vb::CStr(v);
}

// The PDF printer as Acrobat installs it: the name the newest Distiller
// key records.
std::string pdfPrinterName() {
  std::string name = "Adobe PDF";
  if (Registry* r = environment().registry) {
    for (const char* v : {"5.0", "6.0", "7.0", "8.0", "9.0", "10.0"}) {
      std::string recorded =
          registryDefault(*r, std::string("SOFTWARE\\Adobe\\Acrobat Distiller\\") + v + "\\PrinterName");
      if (!recorded.empty()) name = recorded;
    }
  }
  return name;
}

// The printers Access lists: the machine's queues, then the PDF printer
// when the spooler does not hold it already.
std::vector<std::string> printerNames() {
  Environment& e = env();
  std::vector<std::string> names = e.queues ? e.queues() : std::vector<std::string>{};
  const std::string pdf = pdfPrinterName();
  bool listed = false;
  for (const std::string& n : names) listed = listed || vb::compareText(n, pdf) == 0;
  if (!listed) names.push_back(pdf);
  return names;
}

ObjectPtr printerObject(const std::string& device) {
  auto p = make<PrinterObject>(printerClass());
  p->field("DeviceName") = Variant(device);
  p->field("Port") = Variant(printerPort(device));
  p->field("DriverName") = Variant(std::string("winspool"));
  return p;
}

Variant openDatabase(Invocation& in) {
  auto& self = in.as<ApplicationObject>();
  AccessState& a = *self.state;
  requireRunning(a);
  if (a.version < 10 && in.has(2)) unknownName();
  const std::string path = vb::CStr(in.arg(0));
  Environment& e = env();
  if (!e.files->fileExists(path))
    raiseAccess(kCannotOpenDatabase,
                "Microsoft Access can't open the database because it is missing, or opened "
                "exclusively by another user, or it is not an ADP file.");
  std::unique_ptr<Database> db;
  std::string password;
  try {
    db = Database::open(e.databasePath ? e.databasePath(path) : path);
    password = db->password();
  } catch (const DatabaseError&) {
    raiseAccess(accessError(2573), "This database is in an unexpected state; Microsoft Access can't open it.");
  }
  // Under automation nobody can type the password Access asks for: a
  // missing one fails like a wrong one.
  if (!password.empty() && argString(in, 2) != password) raiseAccess(kNotAValidPassword, "Not a valid password.");
  a.database = std::move(db);
  a.databasePath = path;
  return {};
}

Variant openReport(Invocation& in) {
  auto& self = in.as<DoCmdObject>();
  AccessState& a = *self.state;
  requireRunning(a);
  const std::string name = vb::CStr(in.arg(0));
  if (!a.database) raiseAccess(kActionNotAvailable, "The command or action 'OpenReport' isn't available now.");
  std::optional<ReportDefinition> report;
  std::string filterCondition;
  const std::string filterName = argString(in, 2), where = argString(in, 3);
  try {
    report = a.database->report(name);
    if (report && !vb::Trim(filterName).empty()) {
      std::optional<std::string> saved = a.database->filter(filterName);
      if (!saved) raiseAccess(kObjectMissing, "Microsoft Access can't find the object '" + filterName + "'.");
      filterCondition = *saved;
    }
  } catch (const DatabaseError&) {
    raiseAccess(accessError(2573), "This database is in an unexpected state; Microsoft Access can't open it.");
  }
  if (!report)
    raiseAccess(kReportMissing, "The report name '" + name +
                                    "' you entered in either the property sheet or macro is misspelled or refers to "
                                    "a report that doesn't exist.");
  if (vb::CLng(in.argOr(1, Variant(kAcViewNormal))) != kAcViewNormal) return {};  // design or preview: nothing printed
  PrintedReport printed{report->title.empty() ? report->name : report->title, report->columns, {}};
  try {
    printed.rows = a.database->rows(*report, filterCondition, where);
  } catch (const DatabaseError&) {
    raiseAccess(kSyntaxError, "Syntax error (missing operator) in query expression '" + where + "'.");
  }
  // Access 9 prints only to the system default printer.
  const std::string printer = a.version < 10 && env().printers ? env().printers->defaultPrinter() : a.printer;
  printReport(printer, renderReport(printed), report->name);
  return {};
}

}  // namespace

static Environment g_environment;

void setEnvironment(Environment e) { g_environment = std::move(e); }

Environment& environment() {
#ifdef _WIN32
  static const bool installed = [] {
    if (!g_environment.files) installPlatformEnvironment();
    return true;
  }();
  (void)installed;
#endif
  return g_environment;
}

int runningInstances() { return g_running.load(); }
void resetRunningInstances() { g_running = 0; }

const TypeLibDef& accessLib() {
  static const TypeLibDef lib{"Access", 9, 0, "Microsoft Access Object Library (stand-in)"};
  return lib;
}

const ClassDef& applicationClass() {
  static const ClassDef cls = [] {
    ClassDef c(accessLib(), "Application", {"Access.Application"});
    c.property(
        "Visible", {VarType::Bool},
        [](Invocation& in) -> Variant {
          auto& self = in.as<ApplicationObject>();
          requireRunning(*self.state);
          return Variant(self.state->visible);
        },
        [](Invocation& in) -> Variant {
          auto& self = in.as<ApplicationObject>();
          requireRunning(*self.state);
          self.state->visible = vb::CBool(in.value());
          return {};
        });
    c.objectProperty("Printers", [](Invocation& in) -> Variant {
      auto& self = in.as<ApplicationObject>();
      requirePrinters(*self.state);
      auto list = make<PrintersObject>(printersClass());
      list->names = printerNames();
      return Variant(ObjectPtr(list));
    });
    c.objectProperty(
        "Printer",
        [](Invocation& in) -> Variant {
          auto& self = in.as<ApplicationObject>();
          requirePrinters(*self.state);
          return Variant(printerObject(self.state->printer));
        },
        [](Invocation& in) -> Variant {
          auto& self = in.as<ApplicationObject>();
          requirePrinters(*self.state);
          ObjectPtr chosen = asObject(in.value());
          // One of ours is read directly, so the journal shows only the
          // caller's calls; a foreign object is asked.
          if (auto* mine = dynamic_cast<PrinterObject*>(chosen.get()))
            self.state->printer = vb::CStr(mine->field("DeviceName"));
          else self.state->printer = vb::CStr(chosen->get("DeviceName"));
          return {};
        });
    c.method("OpenCurrentDatabase", {req("filepath"), opt("Exclusive"), opt("bstrPassword")}, {VarType::Empty},
             openDatabase);
    c.method("CloseCurrentDatabase", {}, {VarType::Empty}, [](Invocation& in) -> Variant {
      auto& self = in.as<ApplicationObject>();
      requireRunning(*self.state);
      self.state->database.reset();
      self.state->databasePath.clear();
      return {};
    });
    c.objectProperty("DoCmd", [](Invocation& in) -> Variant {
      auto& self = in.as<ApplicationObject>();
      requireRunning(*self.state);
      if (!self.doCmd) {
        auto cmd = make<DoCmdObject>(doCmdClass());
        cmd->state = self.state;
        self.doCmd = cmd;
      }
      return Variant(self.doCmd);
    });
    c.method("Quit", {opt("Option")}, {VarType::Empty}, [](Invocation& in) -> Variant {
      auto& self = in.as<ApplicationObject>();
      requireRunning(*self.state);
      self.state->quit = true;
      self.state->database.reset();
      --g_running;
      return {};
    });
    c.factory([] { return std::make_shared<ApplicationObject>(); });
    c.help("Microsoft Access (stand-in)");
    return c;
  }();
  return cls;
}

const ClassDef& printersClass() {
  static const ClassDef cls = [] {
    ClassDef c(accessLib(), "Printers", {});
    c.method("Item", {req("Index")}, {VarType::Object}, [](Invocation& in) -> Variant {
      auto& self = in.as<PrintersObject>();
      const Variant& index = in.arg(0).target();
      if (index.isString()) {
        for (const std::string& n : self.names)
          if (vb::compareText(n, index.stringValue()) == 0) return Variant(printerObject(n));
      } else {
        const int32_t i = vb::CLng(index);
        if (i >= 0 && i < static_cast<int32_t>(self.names.size()))
          return Variant(printerObject(self.names[static_cast<size_t>(i)]));
      }
      raiseAccess(kInvalidProcedureCall, "Invalid procedure call or argument");
    });
    c.defaultMember("Item");
    c.property("Count", {VarType::Int32}, [](Invocation& in) -> Variant {
      return Variant(static_cast<int32_t>(in.as<PrintersObject>().names.size()));
    });
    c.factory([] { return std::make_shared<PrintersObject>(); });
    return c;
  }();
  return cls;
}

const ClassDef& printerClass() {
  static const ClassDef cls = [] {
    ClassDef c(accessLib(), "Printer", {});
    c.field("DeviceName", {VarType::String}, Variant(std::string()), true);
    c.field("Port", {VarType::String}, Variant(std::string()), true);
    c.field("DriverName", {VarType::String}, Variant(std::string()), true);
    c.factory([] { return std::make_shared<PrinterObject>(); });
    return c;
  }();
  return cls;
}

const ClassDef& doCmdClass() {
  static const ClassDef cls = [] {
    ClassDef c(accessLib(), "DoCmd", {});
    c.method(
        "OpenReport",
        {req("ReportName"), opt("View"), opt("FilterName"), opt("WhereCondition"), opt("WindowMode"), opt("OpenArgs")},
        {VarType::Empty}, openReport);
    c.method("Close", {opt("ObjectType"), opt("ObjectName"), opt("Save")}, {VarType::Empty},
             [](Invocation& in) -> Variant {
               requireRunning(*in.as<DoCmdObject>().state);
               return {};
             });
    c.factory([] { return std::make_shared<DoCmdObject>(); });
    return c;
  }();
  return cls;
}

}  // namespace dv::standins::access
