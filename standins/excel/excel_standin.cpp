#include "excel/excel_standin.h"

#include <atomic>
#include <memory>

#include "dv/vb.h"
#include "excel/excel_workbook.h"
#include "word/word_standin.h"

namespace dv::standins::excel {

namespace {

[[noreturn]] void raiseExcel(int32_t number, const std::string& description) {
  throw AutomationError(number, kErrorSource, description);
}

// The machine Excel prints on: the Word stand-in's files, printers,
// registry and PDF printer dialog.
word::Environment& machine() {
  word::Environment& e = word::environment();
  if (!e.files) raiseExcel(kApplicationError, "Application-defined or object-defined error");
  return e;
}

struct ExcelState {
  bool quit = false;
  bool displayAlerts = true;
  int openWorkbooks = 0;
};

struct BookState {
  std::shared_ptr<ExcelState> excel;
  std::string path;
  WorkbookFile file;
  std::vector<PageSetup> setups;  // one per sheet, for the workbook's life
  bool closed = false;
};

// One sheet of an open workbook, as its objects share it.
struct SheetState {
  std::shared_ptr<BookState> book;
  size_t index = 0;  // into book->file.sheets
  Sheet& sheet() { return book->file.sheets[index]; }
  PageSetup& setup() { return book->setups[index]; }
};

void requireRunning(const ExcelState& x) {
  if (x.quit) raiseExcel(static_cast<int32_t>(0x800706BAu), "The RPC server is unavailable.");
}

void requireOpen(const BookState& b) {
  requireRunning(*b.excel);
  if (b.closed) raiseExcel(static_cast<int32_t>(0x800A01A8u), "Object required");
}

std::atomic<int> g_running{0};

class ApplicationObject : public StandIn {
 public:
  ApplicationObject() : StandIn(applicationClass()), state(std::make_shared<ExcelState>()) { ++g_running; }
  std::shared_ptr<ExcelState> state;
  ObjectPtr workbooks;
};

class WorkbooksObject : public StandIn {
 public:
  WorkbooksObject() : StandIn(workbooksClass()) {}
  std::shared_ptr<ExcelState> state;
};

class WorkbookObject : public StandIn {
 public:
  WorkbookObject() : StandIn(workbookClass()) {}
  std::shared_ptr<BookState> book;
};

class SheetsObject : public StandIn {
 public:
  SheetsObject() : StandIn(sheetsClass()) {}
  std::shared_ptr<BookState> book;
};

class WorksheetObject : public StandIn {
 public:
  WorksheetObject() : StandIn(worksheetClass()) {}
  std::shared_ptr<SheetState> sheet;
};

class PageSetupObject : public StandIn {
 public:
  PageSetupObject() : StandIn(pageSetupClass()) {}
  std::shared_ptr<SheetState> sheet;
};

class RangeObject : public StandIn {
 public:
  RangeObject() : StandIn(rangeClass()) {}
  std::shared_ptr<SheetState> sheet;
  CellRange cells;
};

template <class T>
std::shared_ptr<T> make(const ClassDef& cls) {
  return std::static_pointer_cast<T>(cls.create());
}

ParamDef opt(std::string name) { return ParamDef{std::move(name), TypeDesc{}, true}; }
ParamDef req(std::string name) { return ParamDef{std::move(name), TypeDesc{}, false}; }

std::string argString(Invocation& in, size_t i) {
  Variant v = in.argOr(i, Variant(std::string()));
  return v.isMissing() || v.isEmpty() ? std::string() : vb::CStr(v);
}

std::string fileName(const std::string& path) {
  const size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

Variant openWorkbook(Invocation& in) {
  auto& self = in.as<WorkbooksObject>();
  requireRunning(*self.state);
  const std::string path = vb::CStr(in.arg(0));
  auto bytes = machine().files->readFile(path);
  if (!bytes)
    raiseExcel(kApplicationError, "'" + path +
                                      "' could not be found. Check the spelling of the file name, and verify that "
                                      "the file location is correct.");
  WorkbookFile file = parseWorkbookFile(*bytes);
  // Under automation nobody can type a password Excel asks for: a missing
  // one fails like a wrong one.
  if (!file.password.empty() && argString(in, 4) != file.password) raiseExcel(kApplicationError, kWrongPasswordText);
  if (!file.writePassword.empty() && argString(in, 5) != file.writePassword)
    raiseExcel(kApplicationError, kWrongPasswordText);
  auto book = std::make_shared<BookState>();
  book->excel = self.state;
  book->path = path;
  book->file = std::move(file);
  ++self.state->openWorkbooks;
  book->setups.resize(book->file.sheets.size());
  auto obj = make<WorkbookObject>(workbookClass());
  obj->book = book;
  return Variant(ObjectPtr(obj));
}

std::shared_ptr<SheetState> findSheet(SheetsObject& self, const Variant& index) {
  const Variant& v = index.target();
  const std::vector<Sheet>& sheets = self.book->file.sheets;
  auto at = [&](size_t i) {
    auto s = std::make_shared<SheetState>();
    s->book = self.book;
    s->index = i;
    return s;
  };
  if (v.isString()) {
    for (size_t i = 0; i < sheets.size(); ++i)
      if (vb::compareText(sheets[i].name, v.stringValue()) == 0 && sheets[i].name.size() == v.stringValue().size())
        return at(i);
  } else if (v.isNumeric()) {
    const double d = vb::CDbl(v);
    if (d >= 1 && d < static_cast<double>(sheets.size()) + 0.5) return at(static_cast<size_t>(vb::CLng(v) - 1));
  }
  raiseExcel(kSubscriptOutOfRange, "Subscript out of range");
}

// Where Excel would print: the ActivePrinter argument ("<name>" or
// "<name> on <port>"), which must be an installed printer.
std::string choosePrinter(Invocation& in) {
  std::string printer = argString(in, 4);
  if (printer.empty()) {
    word::Environment& e = machine();
    return e.printers ? e.printers->defaultPrinter() : std::string();
  }
  if (word::printerInstalled(printer)) return printer;
  const size_t on = printer.rfind(" on ");
  if (on != std::string::npos && word::printerInstalled(printer.substr(0, on))) return printer.substr(0, on);
  raiseExcel(kApplicationError, "PrintOut method of Range class failed");
}

void spool(const std::string& path, std::function<std::optional<std::string>()> produce) {
  Environment& e = environment();
  if (e.spool) {
    e.spool(path, std::move(produce));
    return;
  }
  // Without a spooler (a native run that installed none) the job is done
  // at once.
  if (auto bytes = produce()) machine().files->writeFile(path, *bytes);
}

Variant printOut(Invocation& in) {
  auto& self = in.as<RangeObject>();
  SheetState& s = *self.sheet;
  requireOpen(*s.book);
  const std::string printer = choosePrinter(in);
  const bool toFile = vb::CBool(in.argOr(5, Variant(false)));
  const std::string target = argString(in, 7);
  const std::string title = fileName(s.book->path);
  // A range with nothing in it prints nothing, and no file appears.
  if (!hasContent(s.sheet(), self.cells)) return {};
  std::string ps = renderPostScript(s.sheet(), self.cells, s.setup(), title);
  if (toFile) {
    // Excel would ask for the file name in a dialog nobody answers here.
    if (target.empty()) raiseExcel(kApplicationError, "PrintOut method of Range class failed");
    spool(target, [ps = std::move(ps)]() -> std::optional<std::string> { return ps; });
    return {};
  }
  if (!word::isPdfPrinter(printer)) return {};  // goes to paper; nothing to see
  word::Environment& e = machine();
  if (!e.askPdfFileName) raiseExcel(kApplicationError, "PrintOut method of Range class failed");
  std::optional<std::string> pdf = e.askPdfFileName(word::kSavePdfDialogCaption);
  if (!pdf || pdf->empty()) return {};  // cancelled: the job is dropped
  spool(*pdf, [ps = std::move(ps)]() -> std::optional<std::string> {
    Environment& x = environment();
    return x.makePdf ? x.makePdf(ps) : std::nullopt;
  });
  return {};
}

// A string property of the page setup.
void setupText(ClassDef& c, const char* name, std::string PageSetup::*member) {
  c.property(
      name, {VarType::String},
      [member](Invocation& in) -> Variant {
        auto& self = in.as<PageSetupObject>();
        requireOpen(*self.sheet->book);
        return Variant(self.sheet->setup().*member);
      },
      [member](Invocation& in) -> Variant {
        auto& self = in.as<PageSetupObject>();
        requireOpen(*self.sheet->book);
        self.sheet->setup().*member = vb::CStr(in.value());
        return {};
      });
}

void setupMargin(ClassDef& c, const char* name, double PageSetup::*member) {
  c.property(
      name, {VarType::Double},
      [member](Invocation& in) -> Variant {
        auto& self = in.as<PageSetupObject>();
        requireOpen(*self.sheet->book);
        return Variant(self.sheet->setup().*member);
      },
      [member, name](Invocation& in) -> Variant {
        auto& self = in.as<PageSetupObject>();
        requireOpen(*self.sheet->book);
        const double points = vb::CDbl(in.value());
        if (points < 0 || points > 1000)
          raiseExcel(kApplicationError, std::string("Unable to set the ") + name + " property of the PageSetup class");
        self.sheet->setup().*member = points;
        return {};
      });
}

}  // namespace

static Environment g_environment;

void setEnvironment(Environment e) { g_environment = std::move(e); }

Environment& environment() {
#ifdef _WIN32
  static const bool installed = [] {
    if (!g_environment.spool) installPlatformEnvironment();
    return true;
  }();
  (void)installed;
#endif
  return g_environment;
}

int runningInstances() { return g_running.load(); }
void resetRunningInstances() { g_running = 0; }

const TypeLibDef& excelLib() {
  static const TypeLibDef lib{"Excel", 1, 5, "Microsoft Excel Object Library (stand-in)"};
  return lib;
}

const ClassDef& applicationClass() {
  static const ClassDef cls = [] {
    ClassDef c(excelLib(), "Application", {"Excel.Application", "Excel.Application.11"});
    c.objectProperty("Workbooks", [](Invocation& in) -> Variant {
      auto& self = in.as<ApplicationObject>();
      requireRunning(*self.state);
      if (!self.workbooks) {
        auto books = make<WorkbooksObject>(workbooksClass());
        books->state = self.state;
        self.workbooks = books;
      }
      return Variant(self.workbooks);
    });
    c.property(
        "DisplayAlerts", {VarType::Bool},
        [](Invocation& in) -> Variant {
          auto& self = in.as<ApplicationObject>();
          requireRunning(*self.state);
          return Variant(self.state->displayAlerts);
        },
        [](Invocation& in) -> Variant {
          auto& self = in.as<ApplicationObject>();
          requireRunning(*self.state);
          self.state->displayAlerts = vb::CBool(in.value());
          return {};
        });
    c.method("InchesToPoints", {req("Inches")}, {VarType::Double}, [](Invocation& in) -> Variant {
      auto& self = in.as<ApplicationObject>();
      requireRunning(*self.state);
      return Variant(vb::CDbl(in.arg(0)) * 72.0);
    });
    c.method("Quit", {}, {VarType::Empty}, [](Invocation& in) -> Variant {
      auto& self = in.as<ApplicationObject>();
      requireRunning(*self.state);
      self.state->quit = true;
      --g_running;
      return {};
    });
    c.field("Visible", {VarType::Bool}, Variant(false));
    c.field("Name", {VarType::String}, Variant("Microsoft Excel"), true);
    c.factory([] { return std::make_shared<ApplicationObject>(); });
    c.help("Microsoft Excel (stand-in)");
    return c;
  }();
  return cls;
}

const ClassDef& workbooksClass() {
  static const ClassDef cls = [] {
    ClassDef c(excelLib(), "Workbooks", {});
    c.method("Open",
             {req("Filename"), opt("UpdateLinks"), opt("ReadOnly"), opt("Format"), opt("Password"),
              opt("WriteResPassword"), opt("IgnoreReadOnlyRecommended"), opt("Origin"), opt("Delimiter"),
              opt("Editable"), opt("Notify"), opt("Converter"), opt("AddToMru"), opt("Local"), opt("CorruptLoad")},
             {VarType::Object}, openWorkbook);
    c.property("Count", {VarType::Int32}, [](Invocation& in) -> Variant {
      auto& self = in.as<WorkbooksObject>();
      requireRunning(*self.state);
      return Variant(int32_t{self.state->openWorkbooks});
    });
    c.factory([] { return std::make_shared<WorkbooksObject>(); });
    return c;
  }();
  return cls;
}

const ClassDef& workbookClass() {
  static const ClassDef cls = [] {
    ClassDef c(excelLib(), "Workbook", {});
    c.objectProperty("Worksheets", [](Invocation& in) -> Variant {
      auto& self = in.as<WorkbookObject>();
      requireOpen(*self.book);
      auto obj = make<SheetsObject>(sheetsClass());
      obj->book = self.book;
      return Variant(ObjectPtr(obj));
    });
    c.method("Close", {opt("SaveChanges"), opt("Filename"), opt("RouteWorkbook")}, {VarType::Empty},
             [](Invocation& in) -> Variant {
               auto& self = in.as<WorkbookObject>();
               requireOpen(*self.book);
               // The library never saves; a stand-in workbook stays as it is either way.
               self.book->closed = true;
               --self.book->excel->openWorkbooks;
               return {};
             });
    c.property("FullName", {VarType::String}, [](Invocation& in) -> Variant {
      auto& self = in.as<WorkbookObject>();
      requireOpen(*self.book);
      return Variant(self.book->path);
    });
    c.factory([] { return std::make_shared<WorkbookObject>(); });
    return c;
  }();
  return cls;
}

const ClassDef& sheetsClass() {
  static const ClassDef cls = [] {
    ClassDef c(excelLib(), "Sheets", {});
    c.method("Item", {req("Index")}, {VarType::Object}, [](Invocation& in) -> Variant {
      auto& self = in.as<SheetsObject>();
      requireOpen(*self.book);
      auto obj = make<WorksheetObject>(worksheetClass());
      obj->sheet = findSheet(self, in.arg(0));
      return Variant(ObjectPtr(obj));
    });
    c.defaultMember("Item");
    c.property("Count", {VarType::Int32}, [](Invocation& in) -> Variant {
      auto& self = in.as<SheetsObject>();
      requireOpen(*self.book);
      return Variant(static_cast<int32_t>(self.book->file.sheets.size()));
    });
    c.factory([] { return std::make_shared<SheetsObject>(); });
    return c;
  }();
  return cls;
}

const ClassDef& worksheetClass() {
  static const ClassDef cls = [] {
    ClassDef c(excelLib(), "Worksheet", {});
    c.objectProperty("PageSetup", [](Invocation& in) -> Variant {
      auto& self = in.as<WorksheetObject>();
      requireOpen(*self.sheet->book);
      auto obj = make<PageSetupObject>(pageSetupClass());
      obj->sheet = self.sheet;
      return Variant(ObjectPtr(obj));
    });
    c.objectProperty("UsedRange", [](Invocation& in) -> Variant {
      auto& self = in.as<WorksheetObject>();
      requireOpen(*self.sheet->book);
      auto obj = make<RangeObject>(rangeClass());
      obj->sheet = self.sheet;
      obj->cells = usedRange(self.sheet->sheet());
      return Variant(ObjectPtr(obj));
    });
    c.method("Range", {req("Cell1"), opt("Cell2")}, {VarType::Object}, [](Invocation& in) -> Variant {
      auto& self = in.as<WorksheetObject>();
      requireOpen(*self.sheet->book);
      std::optional<CellRange> cells;
      const Variant& first = in.arg(0).target();
      if (first.isString()) {
        cells = resolveRange(self.sheet->book->file, self.sheet->sheet(), first.stringValue());
        if (cells && in.has(1)) {
          auto second = resolveRange(self.sheet->book->file, self.sheet->sheet(), argString(in, 1));
          cells = second ? std::optional<CellRange>(CellRange{std::min(cells->firstRow, second->firstRow),
                                                              std::min(cells->firstColumn, second->firstColumn),
                                                              std::max(cells->lastRow, second->lastRow),
                                                              std::max(cells->lastColumn, second->lastColumn)})
                         : std::nullopt;
        }
      }
      if (!cells) raiseExcel(kApplicationError, "Method 'Range' of object '_Worksheet' failed");
      auto obj = make<RangeObject>(rangeClass());
      obj->sheet = self.sheet;
      obj->cells = *cells;
      return Variant(ObjectPtr(obj));
    });
    c.property("Name", {VarType::String}, [](Invocation& in) -> Variant {
      auto& self = in.as<WorksheetObject>();
      requireOpen(*self.sheet->book);
      return Variant(self.sheet->sheet().name);
    });
    c.factory([] { return std::make_shared<WorksheetObject>(); });
    return c;
  }();
  return cls;
}

const ClassDef& pageSetupClass() {
  static const ClassDef cls = [] {
    ClassDef c(excelLib(), "PageSetup", {});
    c.property(
        "PrintGridlines", {VarType::Bool},
        [](Invocation& in) -> Variant {
          auto& self = in.as<PageSetupObject>();
          requireOpen(*self.sheet->book);
          return Variant(self.sheet->setup().printGridlines);
        },
        [](Invocation& in) -> Variant {
          auto& self = in.as<PageSetupObject>();
          requireOpen(*self.sheet->book);
          self.sheet->setup().printGridlines = vb::CBool(in.value());
          return {};
        });
    c.property(
        "Orientation", {VarType::Int32},
        [](Invocation& in) -> Variant {
          auto& self = in.as<PageSetupObject>();
          requireOpen(*self.sheet->book);
          return Variant(self.sheet->setup().orientation);
        },
        [](Invocation& in) -> Variant {
          auto& self = in.as<PageSetupObject>();
          requireOpen(*self.sheet->book);
          const int32_t value = vb::CLng(in.value());
          if (value != kPortrait && value != kLandscape)
            raiseExcel(kApplicationError, "Unable to set the Orientation property of the PageSetup class");
          self.sheet->setup().orientation = value;
          return {};
        });
    setupText(c, "LeftHeader", &PageSetup::leftHeader);
    setupText(c, "CenterHeader", &PageSetup::centerHeader);
    setupText(c, "RightHeader", &PageSetup::rightHeader);
    setupText(c, "LeftFooter", &PageSetup::leftFooter);
    setupText(c, "CenterFooter", &PageSetup::centerFooter);
    setupText(c, "RightFooter", &PageSetup::rightFooter);
    setupMargin(c, "TopMargin", &PageSetup::topMargin);
    setupMargin(c, "LeftMargin", &PageSetup::leftMargin);
    setupMargin(c, "RightMargin", &PageSetup::rightMargin);
    setupMargin(c, "BottomMargin", &PageSetup::bottomMargin);
    setupMargin(c, "HeaderMargin", &PageSetup::headerMargin);
    setupMargin(c, "FooterMargin", &PageSetup::footerMargin);
    c.property(
        "FirstPageNumber", {VarType::Int32},
        [](Invocation& in) -> Variant {
          auto& self = in.as<PageSetupObject>();
          requireOpen(*self.sheet->book);
          return Variant(self.sheet->setup().firstPageNumber);
        },
        [](Invocation& in) -> Variant {
          auto& self = in.as<PageSetupObject>();
          requireOpen(*self.sheet->book);
          self.sheet->setup().firstPageNumber = vb::CLng(in.value());
          return {};
        });
    c.factory([] { return std::make_shared<PageSetupObject>(); });
    return c;
  }();
  return cls;
}

const ClassDef& rangeClass() {
  static const ClassDef cls = [] {
    ClassDef c(excelLib(), "Range", {});
    c.method("PrintOut",
             {opt("From"), opt("To"), opt("Copies"), opt("Preview"), opt("ActivePrinter"), opt("PrintToFile"),
              opt("Collate"), opt("PrToFileName"), opt("IgnorePrintAreas")},
             {VarType::Empty}, printOut);
    c.property("Address", {VarType::String}, [](Invocation& in) -> Variant {
      auto& self = in.as<RangeObject>();
      requireOpen(*self.sheet->book);
      return Variant(address(self.cells));
    });
    c.factory([] { return std::make_shared<RangeObject>(); });
    return c;
  }();
  return cls;
}

}  // namespace dv::standins::excel
