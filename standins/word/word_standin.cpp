#include "word/word_standin.h"

#include <atomic>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "dv/standins/tools.h"
#include "dv/vb.h"
#include "word/composing.h"
#include "word/word_document.h"
#include "word/word_state.h"

namespace dv::standins::word {

namespace {

constexpr int32_t kWdPrintAllDocument = 0;
constexpr int32_t kWdPrintFromTo = 3;
constexpr int32_t kWdPrintRangeOfPages = 4;
constexpr uint32_t kKeyRead = 0x20019;

Environment& env() {
  Environment& e = environment();
  if (!e.files) raiseWord(wordError(4198), "Command failed");  // no machine to work on
  return e;
}

std::optional<PrinterInfo5> spoolerPrinter(const std::string& printer) {
  if (printer.empty() || !environment().printers) return std::nullopt;
  return environment().printers->printerInfo5(printer);
}

// The Acrobat PDF printer comes with the stand-in Acrobat: its dialog and
// its output are played here, not by the spooler, so it counts as
// installed even where the spooler has no such queue.
std::string printerPort(const std::string& printer) {
  if (auto info = spoolerPrinter(printer)) return info->portName;
  return isPdfPrinter(printer) ? "Ne00:" : "";
}

void ensurePrinter(WordState& w) {
  if (w.printerKnown) return;
  w.printerKnown = true;
  if (environment().printers) w.activePrinter = environment().printers->defaultPrinter();
}

std::string registryDefault(Registry& registry, const std::string& key) {
  RegKey handle = 0;
  if (registry.openKey(kHkeyLocalMachine, key, kKeyRead, handle) != 0) return {};
  uint32_t type = 0, size = 0;
  std::string value;
  if (registry.queryValue(handle, "", type, nullptr, size) == 0 && size > 0) {
    std::vector<uint8_t> data(size);
    if (registry.queryValue(handle, "", type, &data, size) == 0) {
      value.assign(data.begin(), data.begin() + size);
      while (!value.empty() && value.back() == '\0') value.pop_back();
    }
  }
  registry.closeKey(handle);
  return value;
}

std::atomic<int> g_running{0};

// ---- The objects ----

class ApplicationObject : public StandIn {
 public:
  ApplicationObject() : StandIn(applicationClass()), state(std::make_shared<WordState>()) { ++g_running; }
  std::shared_ptr<WordState> state;
  ObjectPtr documents;
};

class DocumentsObject : public StandIn {
 public:
  DocumentsObject() : StandIn(documentsClass()) {}
  std::shared_ptr<WordState> state;
};

class DocumentObject : public StandIn {
 public:
  DocumentObject() : StandIn(documentClass()) {}
  ~DocumentObject() override {
    // A document released without Close stays open in Word.
  }
  std::shared_ptr<DocState> doc;
};

class PageSetupObject : public StandIn {
 public:
  PageSetupObject() : StandIn(pageSetupClass()) {}
  std::shared_ptr<DocState> doc;
};

class SectionsObject : public StandIn {
 public:
  SectionsObject() : StandIn(sectionsClass()) {}
  std::shared_ptr<DocState> doc;
};

class SectionObject : public StandIn {
 public:
  SectionObject() : StandIn(sectionClass()) {}
  std::shared_ptr<DocState> doc;
};

// Headers or footers of the section, and the objects below them.
class HeadersFootersObject : public StandIn {
 public:
  HeadersFootersObject() : StandIn(headersFootersClass()) {}
  std::shared_ptr<DocState> doc;
  bool header = false;
};

class HeaderFooterObject : public StandIn {
 public:
  HeaderFooterObject() : StandIn(headerFooterClass()) {}
  std::shared_ptr<DocState> doc;
  bool header = false;
  int32_t index = 1;  // wdHeaderFooterPrimary
};

class PageNumbersObject : public StandIn {
 public:
  PageNumbersObject() : StandIn(pageNumbersClass()) {}
  std::shared_ptr<DocState> doc;
  bool header = false;
  int32_t index = 1;
};

class PageNumberObject : public StandIn {
 public:
  PageNumberObject() : StandIn(pageNumberClass()) {}
  int32_t alignment = 1;
};

template <class T>
std::shared_ptr<T> make(const ClassDef& cls) {
  return std::static_pointer_cast<T>(cls.create());
}

ParamDef opt(std::string name) { return ParamDef{std::move(name), TypeDesc{}, true}; }
ParamDef req(std::string name) { return ParamDef{std::move(name), TypeDesc{}, false}; }

bool argBool(Invocation& in, size_t i, bool fallback) {
  Variant v = in.argOr(i, Variant(fallback));
  return vb::CBool(v);
}

std::string argString(Invocation& in, size_t i) {
  Variant v = in.argOr(i, Variant(std::string()));
  return v.isMissing() || v.isEmpty() ? std::string() : vb::CStr(v);
}

Variant openDocument(Invocation& in) {
  auto& self = in.as<DocumentsObject>();
  requireRunning(*self.state);
  const std::string path = vb::CStr(in.arg(0));
  const std::string password = argString(in, 4);
  const std::string writePassword = argString(in, 7);
  auto bytes = env().files->readFile(path);
  if (!bytes) {
    // A file that is there but cannot be read (held by another program
    // without sharing, or not readable to this user) is not a missing one.
    const bool there = path.find_first_of("*?") == std::string::npos && !vb::Dir(*env().files, path).empty();
    if (there)
      raiseWord(kUnreadableFileError, "Word was unable to read this document. It may be corrupt. (" + path + ")");
    raiseWord(kFileNotFoundError, "This file could not be found. (" + path + ")");
  }
  DocumentFile file = parseDocumentFile(*bytes);
  if (!file.password.empty() && password != file.password)
    raiseWord(kWrongPasswordError, "The password is incorrect. Word cannot open the document. (" + path + ")");
  // Without a modify password the document opens read-only; a wrong one is refused.
  if (!file.writePassword.empty() && !writePassword.empty() && writePassword != file.writePassword)
    raiseWord(kWrongPasswordError, "The password is incorrect. Word cannot open the document. (" + path + ")");
  auto doc = std::make_shared<DocState>();
  doc->word = self.state;
  doc->path = path;
  doc->file = std::move(file);
  // A text document has one-inch margins all round.
  doc->textSetup.leftMargin = doc->textSetup.rightMargin = 72;
  ++self.state->openDocuments;
  auto obj = make<DocumentObject>(documentClass());
  obj->doc = doc;
  return Variant(ObjectPtr(obj));
}

std::vector<int> selectedPages(Invocation& in, int pageCount) {
  const int32_t range = vb::CLng(in.argOr(2, Variant(kWdPrintAllDocument)));
  std::vector<int> all;
  for (int p = 1; p <= pageCount; ++p) all.push_back(p);
  if (range == kWdPrintRangeOfPages) {
    auto chosen = parsePageList(argString(in, 8), pageCount);
    if (!chosen) raiseWord(kBadPageRangeError, "This is not a valid print range.");
    return *chosen;
  }
  if (range == kWdPrintFromTo) {
    const int from = vb::CInt(Variant(argString(in, 4)));
    const int to = vb::CInt(Variant(argString(in, 5)));
    if (from < 1 || to < from) raiseWord(kBadPageRangeError, "This is not a valid print range.");
    std::vector<int> chosen;
    for (int p = from; p <= std::min(to, pageCount); ++p) chosen.push_back(p);
    if (chosen.empty()) raiseWord(kBadPageRangeError, "This is not a valid print range.");
    return chosen;
  }
  return all;
}

Variant printOut(Invocation& in) {
  auto& self = in.as<DocumentObject>();
  DocState& d = *self.doc;
  requireOpen(d);
  ensurePrinter(*d.word);
  std::string title =
      d.path.substr(d.path.find_last_of("\\/") == std::string::npos ? 0 : d.path.find_last_of("\\/") + 1);
  std::string ps;
  if (d.composed) {
    ps = composedPostScript(d, title);
  } else {
    Layout layout = d.layout;
    layout.topMargin = d.textSetup.topMargin;
    layout.leftMargin = d.textSetup.leftMargin;
    layout.rightMargin = d.textSetup.rightMargin;
    layout.bottomMargin = d.textSetup.bottomMargin;
    auto pages = paginate(d.file.text, layout);
    std::vector<int> selected = selectedPages(in, static_cast<int>(pages.size()));
    ps = renderPostScript(pages, selected, layout, title);
  }
  const std::string outputFile = argString(in, 3);
  Environment& e = env();
  if (!outputFile.empty()) {
    if (!e.files->writeFile(outputFile, ps))
      raiseWord(wordError(5152), "This is not a valid file name. (" + outputFile + ")");
    return {};
  }
  if (argBool(in, 10, false)) raiseWord(wordError(4198), "Command failed");  // print to file needs a name here
  if (!isPdfPrinter(d.word->activePrinter)) return {};                       // goes to the printer; nothing to see
  // The PDF printer asks where to put the file, then writes it.
  if (!e.askPdfFileName) raiseWord(wordError(4198), "Command failed");
  std::optional<std::string> target = e.askPdfFileName(kSavePdfDialogCaption);
  if (!target || target->empty()) return {};  // cancelled: the job is dropped
  if (!e.writePdf || !e.writePdf(ps, *target)) raiseWord(wordError(4198), "Command failed");
  return {};
}

Variant closeDocument(Invocation& in) {
  auto& self = in.as<DocumentObject>();
  requireOpen(*self.doc);
  // Saving is never asked for by the library; a stand-in document stays as it is either way.
  self.doc->closed = true;
  --self.doc->word->openDocuments;
  return {};
}

void setPageNumbers(DocState& d, bool header, int32_t index, int32_t alignment, bool firstPage) {
  if (index != 1) return;  // only the primary header or footer is printed here
  if (d.composed) {
    PageNumbering& n = header ? d.composed->header : d.composed->footer;
    n = {true, alignment, firstPage};
    return;
  }
  PageNumbers& numbers = header ? d.layout.header : d.layout.footer;
  numbers.present = true;
  numbers.alignment = alignment == 0   ? NumberAlignment::Left
                      : alignment == 2 ? NumberAlignment::Right
                                       : NumberAlignment::Center;
  numbers.firstPage = firstPage;
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

bool printerInstalled(const std::string& printer) {
  return !printer.empty() && (spoolerPrinter(printer).has_value() || isPdfPrinter(printer));
}

int runningInstances() { return g_running.load(); }
void resetRunningInstances() { g_running = 0; }

bool writePdfWithGhostscript(FileSystem& files, const std::string& postScript, const std::string& pdfPath) {
  std::optional<std::string> pdf = pdfWithGhostscript(postScript);
  return pdf && files.writeFile(pdfPath, *pdf);
}

std::optional<std::string> pdfWithGhostscript(const std::string& postScript) {
  ToolRunner& runner = toolRunner();
  const std::string scratch = runner.scratchFolder();
  const char sep = scratch.find('\\') != std::string::npos ? '\\' : '/';
  const std::string psPath = scratch + sep + "job.ps";
  const std::string outPath = scratch + sep + "job.pdf";
  bool ok = false;
  {
    std::ofstream out(psPath, std::ios::binary);
    out << postScript;
    ok = static_cast<bool>(out);
  }
  if (ok) {
    // As the Distiller stand-in: no turning of pages by their orientation
    // comments, so landscape pages stay landscape with upright text.
    ToolResult r =
        runner.run({"gs", "-q", "-dNOPAUSE", "-dBATCH", "-dSAFER", "-sDEVICE=pdfwrite", "-dAutoRotatePages=/None",
                    "-sOutputFile=" + runner.toolPath(outPath), runner.toolPath(psPath)},
                   {}, std::chrono::seconds(120));
    ok = r.ok();
  }
  std::optional<std::string> pdf;
  if (ok) {
    std::ifstream in(outPath, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    if ((in.good() || in.eof()) && !bytes.str().empty()) pdf = bytes.str();
  }
  std::error_code ec;
  std::filesystem::remove_all(scratch, ec);
  return pdf;
}

bool isPdfPrinter(const std::string& printer) {
  if (printer.empty()) return false;
  for (const char* name : {"Adobe PDF", "Acrobat Distiller"}) {
    if (vb::compareText(printer, name) == 0) return true;
  }
  if (Registry* registry = environment().registry) {
    for (const char* version : {"5.0", "6.0", "7.0", "8.0", "9.0", "10.0"}) {
      std::string name =
          registryDefault(*registry, std::string("SOFTWARE\\Adobe\\Acrobat Distiller\\") + version + "\\PrinterName");
      if (!name.empty() && vb::compareText(printer, name) == 0) return true;
    }
  }
  return false;
}

const TypeLibDef& wordLib() {
  static const TypeLibDef lib{"Word", 8, 3, "Microsoft Word Object Library (stand-in)"};
  return lib;
}

const ClassDef& applicationClass() {
  static const ClassDef cls = [] {
    ClassDef c(wordLib(), "Application", {"Word.Application", "Word.Application.11"});
    c.objectProperty("Documents", [](Invocation& in) -> Variant {
      auto& self = in.as<ApplicationObject>();
      requireRunning(*self.state);
      if (!self.documents) {
        auto docs = make<DocumentsObject>(documentsClass());
        docs->state = self.state;
        self.documents = docs;
      }
      return Variant(self.documents);
    });
    c.property(
        "DisplayAlerts", {VarType::Int32},
        [](Invocation& in) -> Variant {
          auto& self = in.as<ApplicationObject>();
          requireRunning(*self.state);
          return Variant(self.state->displayAlerts);
        },
        [](Invocation& in) -> Variant {
          auto& self = in.as<ApplicationObject>();
          requireRunning(*self.state);
          self.state->displayAlerts = vb::CLng(in.value());
          return {};
        });
    c.property(
        "ActivePrinter", {VarType::String},
        [](Invocation& in) -> Variant {
          auto& self = in.as<ApplicationObject>();
          requireRunning(*self.state);
          ensurePrinter(*self.state);
          const std::string& name = self.state->activePrinter;
          if (name.empty()) return Variant(std::string());
          return Variant(name + " on " + printerPort(name));
        },
        [](Invocation& in) -> Variant {
          auto& self = in.as<ApplicationObject>();
          requireRunning(*self.state);
          std::string name = vb::CStr(in.value());
          // On a machine without a default printer Word reports none, and
          // a client putting that back is not an error.
          const bool noPrinter =
              name.empty() && (!environment().printers || environment().printers->defaultPrinter().empty());
          // Word takes "<printer> on <port>" as well as the bare name.
          if (!noPrinter && !printerInstalled(name)) {
            size_t on = name.rfind(" on ");
            if (on != std::string::npos && printerInstalled(name.substr(0, on))) name = name.substr(0, on);
            else raiseWord(kPrinterError, "There is a printer error.");
          }
          self.state->activePrinter = name;
          self.state->printerKnown = true;
          return {};
        });
    c.method("Quit", {opt("SaveChanges"), opt("OriginalFormat"), opt("RouteDocument")}, {VarType::Empty},
             [](Invocation& in) -> Variant {
               auto& self = in.as<ApplicationObject>();
               requireRunning(*self.state);
               self.state->quit = true;
               --g_running;
               return {};
             });
    c.method("InchesToPoints", {req("Inches")}, {VarType::Single}, [](Invocation& in) -> Variant {
      requireRunning(*in.as<ApplicationObject>().state);
      return Variant(vb::CSng(in.arg(0)) * 72.0f);
    });
    c.field("Visible", {VarType::Bool}, Variant(false));
    c.field("Name", {VarType::String}, Variant("Microsoft Word"), true);
    c.factory([] { return std::make_shared<ApplicationObject>(); });
    c.help("Microsoft Word (stand-in)");
    return c;
  }();
  return cls;
}

const ClassDef& documentsClass() {
  static const ClassDef cls = [] {
    ClassDef c(wordLib(), "Documents", {});
    c.method("Open",
             {req("FileName"), opt("ConfirmConversions"), opt("ReadOnly"), opt("AddToRecentFiles"),
              opt("PasswordDocument"), opt("PasswordTemplate"), opt("Revert"), opt("WritePasswordDocument"),
              opt("WritePasswordTemplate"), opt("Format"), opt("Encoding"), opt("Visible")},
             {VarType::Object}, openDocument);
    c.method("Add", {opt("Template"), opt("NewTemplate"), opt("DocumentType"), opt("Visible")}, {VarType::Object},
             [](Invocation& in) -> Variant {
               auto& self = in.as<DocumentsObject>();
               requireRunning(*self.state);
               auto obj = make<DocumentObject>(documentClass());
               obj->doc = newComposedDocument(self.state);
               ++self.state->openDocuments;
               return Variant(ObjectPtr(obj));
             });
    c.property("Count", {VarType::Int32}, [](Invocation& in) -> Variant {
      auto& self = in.as<DocumentsObject>();
      requireRunning(*self.state);
      return Variant(int32_t{self.state->openDocuments});
    });
    c.factory([] { return std::make_shared<DocumentsObject>(); });
    return c;
  }();
  return cls;
}

const ClassDef& documentClass() {
  static const ClassDef cls = [] {
    ClassDef c(wordLib(), "Document", {});
    c.objectProperty("PageSetup", [](Invocation& in) -> Variant {
      auto& self = in.as<DocumentObject>();
      requireOpen(*self.doc);
      auto obj = make<PageSetupObject>(pageSetupClass());
      obj->doc = self.doc;
      return Variant(ObjectPtr(obj));
    });
    c.objectProperty("Sections", [](Invocation& in) -> Variant {
      auto& self = in.as<DocumentObject>();
      requireOpen(*self.doc);
      auto obj = make<SectionsObject>(sectionsClass());
      obj->doc = self.doc;
      return Variant(ObjectPtr(obj));
    });
    c.method("PrintOut",
             {opt("Background"), opt("Append"), opt("Range"), opt("OutputFileName"), opt("From"), opt("To"),
              opt("Item"), opt("Copies"), opt("Pages"), opt("PageType"), opt("PrintToFile"), opt("Collate"),
              opt("FileName"), opt("ActivePrinterMacGX"), opt("ManualDuplexPrint"), opt("PrintZoomColumn"),
              opt("PrintZoomRow"), opt("PrintZoomPaperWidth"), opt("PrintZoomPaperHeight")},
             {VarType::Empty}, printOut);
    c.method("Close", {opt("SaveChanges"), opt("OriginalFormat"), opt("RouteDocument")}, {VarType::Empty},
             closeDocument);
    c.property("FullName", {VarType::String}, [](Invocation& in) -> Variant {
      auto& self = in.as<DocumentObject>();
      requireOpen(*self.doc);
      return Variant(self.doc->path);
    });
    declareComposingDocumentMembers(c, [](Invocation& in) { return in.as<DocumentObject>().doc; });
    c.factory([] { return std::make_shared<DocumentObject>(); });
    return c;
  }();
  return cls;
}

const ClassDef& pageSetupClass() {
  static const ClassDef cls = [] {
    ClassDef c(wordLib(), "PageSetup", {});
    c.property(
        "Orientation", {VarType::Int32},
        [](Invocation& in) -> Variant {
          auto& self = in.as<PageSetupObject>();
          requireOpen(*self.doc);
          return Variant(static_cast<int32_t>(self.doc->layout.orientation));
        },
        [](Invocation& in) -> Variant {
          auto& self = in.as<PageSetupObject>();
          requireOpen(*self.doc);
          const int32_t value = vb::CLng(in.value());
          if (value != 0 && value != 1) raiseWord(wordError(4608), "Value out of range");
          self.doc->layout.orientation = value == 1 ? Orientation::Landscape : Orientation::Portrait;
          self.doc->setup().orientation = value;
          return {};
        });
    declareComposingPageSetupMembers(c, [](Invocation& in) { return in.as<PageSetupObject>().doc; });
    c.factory([] { return std::make_shared<PageSetupObject>(); });
    return c;
  }();
  return cls;
}

const ClassDef& sectionsClass() {
  static const ClassDef cls = [] {
    ClassDef c(wordLib(), "Sections", {});
    c.method("Item", {req("Index")}, {VarType::Object}, [](Invocation& in) -> Variant {
      auto& self = in.as<SectionsObject>();
      requireOpen(*self.doc);
      if (vb::CLng(in.arg(0)) != 1)
        raiseWord(wordError(5941), "The requested member of the collection does not exist.");
      auto obj = make<SectionObject>(sectionClass());
      obj->doc = self.doc;
      return Variant(ObjectPtr(obj));
    });
    c.defaultMember("Item");
    c.property("Count", {VarType::Int32}, [](Invocation&) -> Variant { return Variant(int32_t{1}); });
    c.factory([] { return std::make_shared<SectionsObject>(); });
    return c;
  }();
  return cls;
}

const ClassDef& sectionClass() {
  static const ClassDef cls = [] {
    ClassDef c(wordLib(), "Section", {});
    for (bool header : {true, false}) {
      c.objectProperty(header ? "Headers" : "Footers", [header](Invocation& in) -> Variant {
        auto& self = in.as<SectionObject>();
        requireOpen(*self.doc);
        auto obj = make<HeadersFootersObject>(headersFootersClass());
        obj->doc = self.doc;
        obj->header = header;
        return Variant(ObjectPtr(obj));
      });
    }
    c.factory([] { return std::make_shared<SectionObject>(); });
    return c;
  }();
  return cls;
}

const ClassDef& headersFootersClass() {
  static const ClassDef cls = [] {
    ClassDef c(wordLib(), "HeadersFooters", {});
    c.method("Item", {req("Index")}, {VarType::Object}, [](Invocation& in) -> Variant {
      auto& self = in.as<HeadersFootersObject>();
      requireOpen(*self.doc);
      const int32_t index = vb::CLng(in.arg(0));
      if (index < 1 || index > 3) raiseWord(wordError(5941), "The requested member of the collection does not exist.");
      auto obj = make<HeaderFooterObject>(headerFooterClass());
      obj->doc = self.doc;
      obj->header = self.header;
      obj->index = index;
      return Variant(ObjectPtr(obj));
    });
    c.defaultMember("Item");
    c.factory([] { return std::make_shared<HeadersFootersObject>(); });
    return c;
  }();
  return cls;
}

const ClassDef& headerFooterClass() {
  static const ClassDef cls = [] {
    ClassDef c(wordLib(), "HeaderFooter", {});
    c.objectProperty("PageNumbers", [](Invocation& in) -> Variant {
      auto& self = in.as<HeaderFooterObject>();
      requireOpen(*self.doc);
      auto obj = make<PageNumbersObject>(pageNumbersClass());
      obj->doc = self.doc;
      obj->header = self.header;
      obj->index = self.index;
      return Variant(ObjectPtr(obj));
    });
    c.factory([] { return std::make_shared<HeaderFooterObject>(); });
    return c;
  }();
  return cls;
}

const ClassDef& pageNumbersClass() {
  static const ClassDef cls = [] {
    ClassDef c(wordLib(), "PageNumbers", {});
    c.method("Add", {opt("PageNumberAlignment"), opt("FirstPage")}, {VarType::Object}, [](Invocation& in) -> Variant {
      auto& self = in.as<PageNumbersObject>();
      requireOpen(*self.doc);
      const int32_t alignment = vb::CLng(in.argOr(0, Variant(int32_t{2})));  // wdAlignPageNumberRight
      if (alignment < 0 || alignment > 4) raiseWord(wordError(4608), "Value out of range");
      const bool firstPage = argBool(in, 1, true);
      setPageNumbers(*self.doc, self.header, self.index, alignment, firstPage);
      auto number = make<PageNumberObject>(pageNumberClass());
      number->alignment = alignment;
      return Variant(ObjectPtr(number));
    });
    c.factory([] { return std::make_shared<PageNumbersObject>(); });
    return c;
  }();
  return cls;
}

const ClassDef& pageNumberClass() {
  static const ClassDef cls = [] {
    ClassDef c(wordLib(), "PageNumber", {});
    c.property("Alignment", {VarType::Int32},
               [](Invocation& in) -> Variant { return Variant(in.as<PageNumberObject>().alignment); });
    c.factory([] { return std::make_shared<PageNumberObject>(); });
    return c;
  }();
  return cls;
}

}  // namespace dv::standins::word
