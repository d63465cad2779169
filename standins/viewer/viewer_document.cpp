#include "dv/standins/viewer_document.h"

#include <algorithm>
#include <ctime>
#include <filesystem>

#include "dv/standins/viewer_annotations.h"
#include "dv/standins/form_fields.h"
#include "dv/standins/viewer_app.h"
#include "dv/standins/viewer_menu.h"
#include "dv/standins/viewer_server.h"
#include "dv/vb.h"

namespace dv::standins {

namespace {

constexpr int32_t kEFail = static_cast<int32_t>(0x80004005u);

// JavaScript exceptions reach automation clients as a failed call with the
// exception's text.
[[noreturn]] void jsError(const std::string& text) { throw AutomationError(kEFail, "Acrobat JavaScript", text); }

std::string nowAsPdfDate() {
  const std::time_t t = std::time(nullptr);
  std::tm local{};
#ifdef _WIN32
  localtime_s(&local, &t);
#else
  localtime_r(&t, &local);
#endif
  return oleToPdfDate(vb::DateSerial(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday) +
                      vb::TimeSerial(local.tm_hour, local.tm_min, local.tm_sec));
}

std::string fileNameOf(const std::string& path) {
  const size_t cut = path.find_last_of("\\/");
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

// Acrobat's device-independent path: c:\dir\a.pdf -> /c/dir/a.pdf.
std::string devicePath(const std::string& path) {
  std::string p = path;
  std::replace(p.begin(), p.end(), '\\', '/');
  if (p.size() >= 2 && p[1] == ':') p = "/" + std::string(1, p[0]) + p.substr(2);
  return p;
}

TypeDesc variantType() { return TypeDesc{}; }
ParamDef param(std::string name, bool optional = false) { return ParamDef{std::move(name), TypeDesc{}, optional}; }

class PDDocStandIn : public StandIn {
 public:
  using StandIn::StandIn;
  std::shared_ptr<ViewerDocument> doc;
  ViewerDocument& open() {
    if (!doc) jsError("The document is not open.");
    return *doc;
  }
};

class JsDocStandIn : public StandIn {
 public:
  using StandIn::StandIn;
  std::shared_ptr<ViewerDocument> doc;
  ViewerDocument& live() {
    if (!doc || doc->closed) jsError("InvalidGetError: The document has been closed.");
    return *doc;
  }
};

ViewerDocument& pd(Invocation& inv) { return inv.as<PDDocStandIn>().open(); }
std::shared_ptr<ViewerDocument>& pdSlot(Invocation& inv) { return inv.as<PDDocStandIn>().doc; }
ViewerDocument& js(Invocation& inv) { return inv.as<JsDocStandIn>().live(); }

Variant infoDate(const ViewerDocument& d, const std::string& key) {
  auto it = d.info.find(key);
  if (it == d.info.end()) return Variant::null();
  auto ole = pdfDateToOle(it->second);
  return ole ? Variant::date(*ole) : Variant::null();
}

void setInfo(ViewerDocument& d, const std::string& key, const std::string& value) {
  d.info[key] = value;
  d.pending.info[key] = value;
  d.dirty = true;
}

Variant namesOrNull(const std::vector<std::string>& names) {
  if (names.empty()) return Variant::null();
  std::vector<Variant> items(names.begin(), names.end());
  return Array::vector(VarType::Variant, std::move(items));
}

bool fileExists(const std::string& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(path, ec);
}

// A JavaScript SaveAs conversion that poppler can produce: the program's
// arguments for source and target as the tools see them, and the file it
// writes when that is not the target itself.
struct Conversion {
  std::vector<std::string> argv;
  std::string writes;  // suffix poppler adds to the target, empty when none
};

std::optional<Conversion> conversionFor(const std::string& id, const std::string& src, const std::string& dst) {
  const std::string prefix = "com.adobe.acrobat.";
  if (id.rfind(prefix, 0) != 0) return std::nullopt;
  const std::string kind = id.substr(prefix.size());
  if (kind == "ps") return Conversion{{"pdftops", src, dst}, ""};
  if (kind == "eps") return Conversion{{"pdftops", "-eps", "-f", "1", "-l", "1", src, dst}, ""};
  if (kind == "plain-text" || kind == "accesstext") return Conversion{{"pdftotext", "-enc", "UTF-8", src, dst}, ""};
  if (kind == "html-3-20" || kind == "html-4-01-css-1-00")
    return Conversion{{"pdftotext", "-enc", "UTF-8", "-htmlmeta", src, dst}, ""};
  const char* format = kind == "png" ? "png" : kind == "jpeg" ? "jpeg" : kind == "tiff" ? "tiff" : nullptr;
  if (!format) return std::nullopt;
  // The first page as one picture; pdftocairo appends the format's
  // extension to the name it is given.
  const std::string extension = kind == "jpeg" ? "jpg" : kind == "tiff" ? "tif" : "png";
  return Conversion{{"pdftocairo", std::string("-") + format, "-singlefile", "-f", "1", "-l", "1", src, dst + ".dvimg"},
                    ".dvimg." + extension};
}

}  // namespace

std::shared_ptr<ViewerDocument> openViewerDocument(const std::string& path, const std::string& password,
                                                   std::shared_ptr<const PdfFacts> known) {
  std::optional<PdfFacts> facts;
  std::error_code ec;
  if (known && known->password == password && std::filesystem::file_size(path, ec) == uintmax_t(known->fileSize) && !ec)
    facts = *known;
  else facts = readPdf(toolRunner(), path, password);
  if (!facts) return nullptr;
  auto doc = std::make_shared<ViewerDocument>();
  doc->path = path;
  doc->hold = FileHold::take(path);
  doc->info = facts->info;
  doc->pageMode = pageModeNumber(facts->pageMode);
  doc->fields = facts->fieldNames;
  doc->dataObjects = facts->attachments;
  doc->facts = std::move(*facts);
  return doc;
}

OutlinePtr documentOutline(ViewerDocument& doc) {
  if (!doc.outline) doc.outline = outlineFromFacts(doc.facts.all.value("outline", Json::array()));
  return doc.outline;
}

std::shared_ptr<ViewerDocument> pdDocDocument(const ObjectPtr& pdDoc) {
  auto self = std::dynamic_pointer_cast<PDDocStandIn>(pdDoc);
  return self ? self->doc : nullptr;
}

bool saveViewerDocument(ViewerDocument& doc, const std::string& target, bool linearize) {
  // Another open document's file is held: the viewer cannot write over it.
  if (vb::compareText(target, doc.path) != 0 && FileHold::held(target)) return false;
  PdfChanges changes = doc.pending;
  if (doc.outlineChanged) changes.outline = outlineEditItems(*documentOutline(doc));
  // The fields first: a signature among the further operations covers them.
  std::vector<Json> fieldChanges = formOperations(doc);
  changes.operations.insert(changes.operations.begin(), fieldChanges.begin(), fieldChanges.end());
  // Acrobat stamps the modification date on every save.
  changes.info["ModDate"] = nowAsPdfDate();
  // What the viewer's menu commands changed in the document's window.
  takeMenuChanges(doc.path, changes);
  if (linearize) changes.write["linearize"] = true;
  PdfFacts facts;
  if (!writePdf(toolRunner(), doc.facts, doc.contentFile(), target, changes, &facts)) return false;
  doc.path = target;
  doc.working.reset();
  if (!doc.closed) {
    // The file just written, not the one it replaced.
    doc.hold = FileHold::take(target);
    if (ViewerView* view = SharedViewer::instance().find(target)) {
      view->hold = FileHold::take(target);
      view->facts.reset();  // its file is the one just written
    }
  }
  doc.facts = std::move(facts);
  doc.info = doc.facts.info;
  doc.pending = PdfChanges{};
  doc.outlineChanged = false;
  doc.form.reset();  // read again from the file written
  doc.fields = doc.facts.fieldNames;
  doc.dirty = false;
  return true;
}

const TypeLibDef& acrobatTypeLib() {
  static const TypeLibDef lib{"Acrobat", 1, 0, "Adobe Acrobat 9.0 Type Library"};
  return lib;
}

const ClassDef& pdDocClass() {
  static const ClassDef cls = [] {
    ClassDef c(acrobatTypeLib(), "AcroPDDoc", {"AcroExch.PDDoc"});
    c.factory([] { return std::make_shared<PDDocStandIn>(pdDocClass()); });
    c.method("Open", {param("szFullPath")}, TypeDesc{VarType::Bool}, [](Invocation& inv) {
      auto& self = inv.as<PDDocStandIn>();
      self.doc = openViewerDocument(vb::CStr(inv.arg(0)));
      return Variant(self.doc != nullptr);
    });
    c.method("OpenAVDoc", {param("szTitle")}, TypeDesc{VarType::Object}, [](Invocation& inv) {
      // Shows the document in a window of the viewer (the one it already
      // has, or a new one under the given title) and returns that window.
      ViewerDocument& d = pd(inv);
      SharedViewer& viewer = SharedViewer::instance();
      ViewerView* view = viewer.find(d.path);
      if (!view) view = &viewer.add(d.path, d.facts.password, d.facts.pages, vb::CStr(inv.argOr(0, std::string())));
      // The window shows this document: its PDDoc is this one.
      viewer.attachPdDoc(view->id, std::static_pointer_cast<Object>(inv.as<PDDocStandIn>().shared_from_this()));
      return Variant(viewObject(*view));
    });
    c.method("Close", {}, TypeDesc{VarType::Bool}, [](Invocation& inv) {
      auto& self = inv.as<PDDocStandIn>();
      if (self.doc) self.doc->close();
      self.doc.reset();
      return Variant(true);
    });
    c.method("GetJSObject", {}, TypeDesc{VarType::Object}, [](Invocation& inv) {
      auto& self = inv.as<PDDocStandIn>();
      if (!self.doc) return Variant(ObjectPtr());  // Nothing, as Acrobat gives for a closed PDDoc
      return Variant(makeJsDoc(self.doc));
    });
    c.method("GetNumPages", {}, TypeDesc{VarType::Int32}, [](Invocation& inv) { return Variant(pd(inv).facts.pages); });
    addPdDocMergeMembers(c, pdSlot);
    c.method("GetFileName", {}, TypeDesc{VarType::String},
             [](Invocation& inv) { return Variant(fileNameOf(pd(inv).path)); });
    c.method("GetInfo", {param("szInfoKey")}, TypeDesc{VarType::String}, [](Invocation& inv) {
      const ViewerDocument& d = pd(inv);
      auto it = d.info.find(vb::CStr(inv.arg(0)));
      return Variant(it == d.info.end() ? std::string() : it->second);
    });
    c.method("SetInfo", {param("szInfoKey"), param("szBuffer")}, TypeDesc{VarType::Bool}, [](Invocation& inv) {
      setInfo(pd(inv), vb::CStr(inv.arg(0)), vb::CStr(inv.arg(1)));
      return Variant(true);
    });
    c.method("GetInstanceID", {}, TypeDesc{VarType::String},
             [](Invocation& inv) { return Variant(pd(inv).facts.instanceId); });
    c.method("GetPermanentID", {}, TypeDesc{VarType::String},
             [](Invocation& inv) { return Variant(pd(inv).facts.permanentId); });
    c.method("GetPageMode", {}, TypeDesc{VarType::Int32}, [](Invocation& inv) { return Variant(pd(inv).pageMode); });
    c.method("SetPageMode", {param("nPageMode")}, TypeDesc{VarType::Bool}, [](Invocation& inv) {
      ViewerDocument& d = pd(inv);
      const int32_t mode = vb::CLng(inv.arg(0));
      if (mode < 0 || mode > 6) return Variant(false);
      // "Don't care" leaves the file's mode alone.
      if (mode != 0) {
        d.pageMode = mode;
        d.pending.pageMode = pageModeName(mode);
        d.dirty = true;
      }
      return Variant(true);
    });
    // nType: 0 incremental, 1 full, 4 linearized (further flags copy,
    // garbage collection). The stand-in always writes a complete file, which
    // readers cannot tell apart; a linearized one is linearized for real.
    c.method("Save", {param("nType"), param("szFullPath")}, TypeDesc{VarType::Bool}, [](Invocation& inv) {
      constexpr int32_t kPDSaveLinearized = 4;
      const bool linearize = (vb::CLng(inv.arg(0)) & kPDSaveLinearized) != 0;
      return Variant(saveViewerDocument(pd(inv), vb::CStr(inv.arg(1)), linearize));
    });
    addPageMembers(c, pd);
    return c;
  }();
  return cls;
}

ObjectPtr pdDocOnViewerFile(const std::string& path, const std::string& password,
                            std::shared_ptr<const PdfFacts> known) {
  auto pdDoc = std::static_pointer_cast<PDDocStandIn>(pdDocClass().create());
  pdDoc->doc = openViewerDocument(path, password, std::move(known));
  return pdDoc;
}

const ClassDef& jsAppClass() {
  static const ClassDef cls = [] {
    ClassDef c(acrobatTypeLib(), "JSApp", {});
    c.caseSensitive();
    c.factory([] { return std::make_shared<StandIn>(jsAppClass()); });
    auto version = [](Invocation&) { return Variant(vb::Val(Control::instance().setting("AcrobatVersion", "9.0"))); };
    c.property("formsVersion", TypeDesc{VarType::Double}, version);
    c.field("language", TypeDesc{VarType::String}, Variant("ENU"), true);
    c.field("platform", TypeDesc{VarType::String}, Variant("WIN"), true);
    c.field("viewerType", TypeDesc{VarType::String}, Variant("Exchange-Pro"), true);
    c.field("viewerVariation", TypeDesc{VarType::String}, Variant("Full"), true);
    c.property("viewerVersion", TypeDesc{VarType::Double}, version);
    return c;
  }();
  return cls;
}

const ClassDef& jsDocClass() {
  static const ClassDef cls = [] {
    ClassDef c(acrobatTypeLib(), "JSDoc", {});
    c.caseSensitive();
    c.factory([] { return std::make_shared<JsDocStandIn>(jsDocClass()); });
    using Get = Variant (*)(ViewerDocument&);
    auto ro = [&c](const char* name, VarType type, Get get) {
      c.property(name, TypeDesc{type}, [get](Invocation& inv) { return get(js(inv)); });
    };
    auto info = [&c](const char* name, const char* key, bool writable) {
      std::string k = key;
      Handler letter;
      if (writable)
        letter = [k](Invocation& inv) {
          setInfo(js(inv), k, vb::CStr(inv.value()));
          return Variant();
        };
      c.property(
          name, TypeDesc{VarType::String},
          [k](Invocation& inv) {
            const ViewerDocument& d = js(inv);
            auto it = d.info.find(k);
            return Variant(it == d.info.end() ? std::string() : it->second);
          },
          letter);
    };
    auto flag = [&c](const char* name, bool ViewerDocument::*member) {
      c.property(
          name, TypeDesc{VarType::Bool}, [member](Invocation& inv) { return Variant(js(inv).*member); },
          [member](Invocation& inv) {
            js(inv).*member = vb::CBool(inv.value());
            return Variant();
          });
    };
    auto text = [&c](const char* name, std::string ViewerDocument::*member) {
      c.property(
          name, TypeDesc{VarType::String}, [member](Invocation& inv) { return Variant(js(inv).*member); },
          [member](Invocation& inv) {
            ViewerDocument& d = js(inv);
            d.*member = vb::CStr(inv.value());
            d.dirty = true;
            return Variant();
          });
    };

    info("Author", "Author", true);
    info("Title", "Title", true);
    info("Subject", "Subject", true);
    info("Creator", "Creator", false);
    info("Producer", "Producer", false);
    text("BaseURL", &ViewerDocument::baseURL);
    text("MetaData", &ViewerDocument::metaData);
    flag("Calculate", &ViewerDocument::calculate);
    flag("Dirty", &ViewerDocument::dirty);
    flag("Disclosed", &ViewerDocument::disclosed);
    flag("NoAutoComplete", &ViewerDocument::noAutoComplete);
    flag("NoCache", &ViewerDocument::noCache);
    ro("CreationDate", VarType::Date, [](ViewerDocument& d) { return infoDate(d, "CreationDate"); });
    ro("ModDate", VarType::Date, [](ViewerDocument& d) { return infoDate(d, "ModDate"); });
    ro("DataObjects", VarType::Variant, [](ViewerDocument& d) { return namesOrNull(d.dataObjects); });
    ro("Icons", VarType::Variant, [](ViewerDocument&) { return Variant::null(); });
    ro("Sounds", VarType::Variant, [](ViewerDocument&) { return Variant::null(); });
    ro("DocumentFilename", VarType::String, [](ViewerDocument& d) { return Variant(fileNameOf(d.path)); });
    ro("Path", VarType::String, [](ViewerDocument& d) { return Variant(devicePath(d.path)); });
    ro("URL", VarType::String, [](ViewerDocument& d) {
      std::string p = devicePath(d.path);
      if (p.size() >= 3 && p[0] == '/' && p[2] == '/') p = "/" + std::string(1, p[1]) + "|" + p.substr(2);
      return Variant("file://" + p);
    });
    ro("DynamicXFAForm", VarType::Bool, [](ViewerDocument&) { return Variant(false); });
    ro("FileSize", VarType::Int32, [](ViewerDocument& d) { return Variant(static_cast<int32_t>(d.facts.fileSize)); });
    ro("NumFields", VarType::Int32, [](ViewerDocument& d) { return Variant(static_cast<int32_t>(d.fields.size())); });
    ro("NumPages", VarType::Int32, [](ViewerDocument& d) { return Variant(d.facts.pages); });
    ro("PermStatusReady", VarType::Bool, [](ViewerDocument&) { return Variant(true); });
    // An unencrypted document has no security handler: JavaScript's null.
    ro("SecurityHandler", VarType::Variant, [](ViewerDocument&) { return Variant::null(); });
    // The outline, read from the file, and the page the document's window
    // shows (counted from 0; setting it turns the page there).
    c.objectProperty("BookMarkRoot", [](Invocation& inv) {
      js(inv);
      return Variant(bookmarkRootOf(inv.as<JsDocStandIn>().doc));
    });
    // The page layout, and where the view stands on its page (the point the
    // last bookmark performed scrolled to).
    c.property(
        "Layout", TypeDesc{VarType::String}, [](Invocation& inv) { return Variant(js(inv).layout); },
        [](Invocation& inv) {
          static const char* kLayouts[] = {"SinglePage",     "OneColumn",   "TwoColumnLeft",
                                           "TwoColumnRight", "TwoPageLeft", "TwoPageRight"};
          const std::string layout = vb::CStr(inv.value());
          if (std::find(std::begin(kLayouts), std::end(kLayouts), layout) == std::end(kLayouts))
            jsError("RangeError: Invalid argument value. ===> Set not possible, invalid or unknown.");
          js(inv).layout = layout;
          return Variant();
        });
    for (bool x : {true, false}) {
      c.property(x ? "mouseX" : "mouseY", TypeDesc{VarType::Double}, [x](Invocation& inv) {
        const ViewerView* view = SharedViewer::instance().find(js(inv).path);
        return Variant(view ? (x ? view->mouseX : view->mouseY) : 0.0);
      });
    }
    c.property(
        "PageNum", TypeDesc{VarType::Int32},
        [](Invocation& inv) {
          const ViewerView* view = SharedViewer::instance().find(js(inv).path);
          return Variant(view ? view->currentPage : int32_t{0});
        },
        [](Invocation& inv) {
          const int32_t page = vb::CLng(inv.value());
          ViewerView* view = SharedViewer::instance().find(js(inv).path);
          if (view && page >= 0 && page < view->pages) view->currentPage = page;
          return Variant();
        });
    c.objectProperty("App", [](Invocation& inv) {
      js(inv);
      return Variant(ObjectPtr(jsAppClass().create()));
    });

    c.method("CloseDoc", {param("bNoSave", true)}, variantType(), [](Invocation& inv) {
      ViewerDocument& d = js(inv);
      // Closing with saving asked writes the changes back to the file first.
      if (!vb::CBool(inv.argOr(0, Variant(false))) && d.dirty && !saveViewerDocument(d, d.path))
        jsError("The document could not be saved.");
      d.close();
      return Variant(false);
    });
    c.method("SaveAs", {param("cPath"), param("cConvID", true)}, variantType(), [](Invocation& inv) {
      ViewerDocument& d = js(inv);
      const std::string target = vb::CStr(inv.arg(0));
      const std::string conversion = vb::CStr(inv.argOr(1, Variant("")));
      if (conversion.empty() || conversion == "com.adobe.acrobat.pdf" || conversion == "com.callas.preflight.pdfa") {
        if (!saveViewerDocument(d, target)) jsError("UnsupportedValueError: The file could not be saved.");
        return Variant();
      }
      ToolRunner& tools = toolRunner();
      auto convert = conversionFor(conversion, tools.toolPath(d.contentFile()), tools.toolPath(target));
      if (!convert) jsError("UnsupportedValueError: Value is unsupported. ===> Parameter cConvID.");
      // Before the file names, where poppler's programs take options.
      if (!d.facts.password.empty()) convert->argv.insert(convert->argv.end() - 2, {"-upw", d.facts.password});
      if (!tools.run(convert->argv, {}, std::chrono::seconds(120)).ok()) jsError("The file could not be converted.");
      if (!convert->writes.empty()) {
        // Windows' rename does not replace an existing file.
        std::error_code ec;
        std::filesystem::remove(target, ec);
        std::filesystem::rename(target + convert->writes, target, ec);
        if (ec) jsError("The file could not be converted.");
      }
      return Variant();
    });
    // Printing, URL fetching and calculation change nothing the stand-in
    // keeps; the journal shows the calls and their arguments.
    c.method("Print",
             {param("bUI", true), param("nStart", true), param("nEnd", true), param("bSilent", true),
              param("bShrinkToFit", true), param("bPrintAsImage", true), param("bReverse", true),
              param("bAnnotations", true)},
             variantType(), [](Invocation& inv) {
               js(inv);
               return Variant();
             });
    c.method("GetURL", {param("cURL"), param("bAppend", true)}, variantType(), [](Invocation& inv) {
      js(inv);
      return Variant();
    });
    c.method("CalculateNow", {}, variantType(), [](Invocation& inv) {
      js(inv);
      return Variant();
    });
    c.method("importDataObject", {param("cName"), param("cDIPath", true)}, TypeDesc{VarType::Bool},
             [](Invocation& inv) {
               ViewerDocument& d = js(inv);
               const std::string name = vb::CStr(inv.arg(0));
               const std::string file = vb::CStr(inv.argOr(1, Variant("")));
               if (file.empty() || !fileExists(file)) jsError("NotAllowedError: The file cannot be imported.");
               if (std::find(d.dataObjects.begin(), d.dataObjects.end(), name) == d.dataObjects.end())
                 d.dataObjects.push_back(name);
               d.importedFiles[name] = file;
               d.pending.attach.emplace_back(name, file);
               d.dirty = true;
               return Variant(true);
             });
    c.method("ExportDataObject",
             {param("cName"), param("cDIPath", true), param("bAllowAuth", true), param("nLaunch", true)}, variantType(),
             [](Invocation& inv) {
               ViewerDocument& d = js(inv);
               const std::string name = vb::CStr(inv.arg(0));
               const std::string target = vb::CStr(inv.argOr(1, Variant("")));
               if (std::find(d.dataObjects.begin(), d.dataObjects.end(), name) == d.dataObjects.end())
                 jsError("TypeError: Invalid argument type. ===> Parameter cName.");
               // Without a path Acrobat asks the user where to put it.
               if (target.empty())
                 jsError("NotAllowedError: Security settings prevent access to this property or method.");
               auto imported = d.importedFiles.find(name);
               bool exported = false;
               if (imported != d.importedFiles.end()) {
                 std::error_code ec;
                 exported = std::filesystem::copy_file(imported->second, target,
                                                       std::filesystem::copy_options::overwrite_existing, ec);
               } else {
                 exported = extractPdfAttachment(toolRunner(), d.contentFile(), d.facts.password, name, target).ok();
               }
               if (!exported) jsError("The data object could not be exported.");
               return Variant();
             });
    c.method("RemoveDataObject", {param("cName")}, variantType(), [](Invocation& inv) {
      ViewerDocument& d = js(inv);
      const std::string name = vb::CStr(inv.arg(0));
      auto it = std::find(d.dataObjects.begin(), d.dataObjects.end(), name);
      if (it == d.dataObjects.end()) jsError("TypeError: Invalid argument type. ===> Parameter cName.");
      d.dataObjects.erase(it);
      if (d.importedFiles.erase(name) == 0) d.pending.detach.push_back(name);
      std::erase_if(d.pending.attach, [&](const auto& a) { return a.first == name; });
      d.dirty = true;
      return Variant();
    });
    // The stand-in's documents carry no sounds, icons or templates.
    for (const char* member : {"DeleteSound", "RemoveIcon", "RemoveTemplate"}) {
      c.method(member, {param("cName")}, variantType(), [](Invocation& inv) -> Variant {
        js(inv);
        jsError("TypeError: Invalid argument type. ===> Parameter cName.");
      });
    }
    c.method("RemoveScript", {param("cName")}, variantType(), [](Invocation& inv) {
      ViewerDocument& d = js(inv);
      if (d.scripts.erase(vb::CStr(inv.arg(0))) == 0)
        jsError("TypeError: Invalid argument type. ===> Parameter cName.");
      d.dirty = true;
      return Variant();
    });
    c.method("AddScript", {param("cName"), param("cScript")}, variantType(), [](Invocation& inv) {
      ViewerDocument& d = js(inv);
      d.scripts[vb::CStr(inv.arg(0))] = vb::CStr(inv.arg(1));
      d.dirty = true;
      return Variant();
    });
    c.method("RemoveField", {param("cName")}, variantType(), [](Invocation& inv) {
      ViewerDocument& d = js(inv);
      auto it = std::find(d.fields.begin(), d.fields.end(), vb::CStr(inv.arg(0)));
      if (it != d.fields.end()) {
        d.fields.erase(it);
        removeFormField(d, vb::CStr(inv.arg(0)));
        d.dirty = true;
      }
      return Variant();
    });
    c.method("GetNthFieldName", {param("nIndex")}, TypeDesc{VarType::String}, [](Invocation& inv) {
      const ViewerDocument& d = js(inv);
      const int32_t i = vb::CLng(inv.arg(0));
      if (i < 0 || i >= static_cast<int32_t>(d.fields.size()))
        jsError("RangeError: Invalid argument value. ===> Parameter nIndex.");
      return Variant(d.fields[static_cast<size_t>(i)]);
    });
    addPageWordMembers(c, js);
    addPageOperationMembers(c, js);
    addAnnotationMembers(c, js);
    addFormMembers(c);
    return c;
  }();
  return cls;
}

std::shared_ptr<ViewerDocument> jsDocument(Invocation& inv) {
  js(inv);
  return inv.as<JsDocStandIn>().doc;
}

ObjectPtr makeJsDoc(std::shared_ptr<ViewerDocument> doc) {
  auto js = std::static_pointer_cast<JsDocStandIn>(jsDocClass().create());
  js->doc = std::move(doc);
  return js;
}

}  // namespace dv::standins
