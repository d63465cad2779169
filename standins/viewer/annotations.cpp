// Comment and markup annotations of the viewer stand-in's documents, as
// Acrobat's JavaScript offers them: addAnnot, getAnnots (null when there
// are none), GetAnnot, syncAnnotScan and the Color object on the document;
// getProps, setProps and destroy on an annotation; a props object taking
// exactly the properties the library writes, in its spelling.
//
// The annotations come from the file when the document first needs them;
// every change marks the pages it touches, and saving rewrites those pages'
// comment and markup annotations through dv-pdftool ("setAnnotations").
#include <random>
#include <set>

#include "dv/standins/viewer_annotations.h"
#include "dv/vb.h"

namespace dv::standins {

struct AnnotEntry {
  std::map<std::string, Variant> props;
  bool live = true;
};
struct AnnotationSet {
  std::vector<std::shared_ptr<AnnotEntry>> list;
  std::set<int32_t> touched;  // page indexes to write at the next save
};

namespace {

constexpr int32_t kEFail = static_cast<int32_t>(0x80004005u);

[[noreturn]] void jsError(const std::string& text) { throw AutomationError(kEFail, "Acrobat JavaScript", text); }

// Every property the library writes, in its spelling. Flags are the PDF
// annotation flags they stand for.
const char* const kProperties[] = {"Type",     "contents",  "State",        "Page",        "Point",     "PopupRect",
                                   "Author",   "Subject",   "NoteIcon",     "StrokeColor", "Name",      "Lock",
                                   "ReadOnly", "PopupOpen", "Width",        "opacity",     "Alignment", "FillColor",
                                   "TextFont", "TextSize",  "Rect",         "Rotate",      "AP",        "quads",
                                   "Hidden",   "noView",    "toggleNoView", "Delay"};
const std::pair<const char*, int> kFlags[] = {
    {"Hidden", 2}, {"noView", 32}, {"ReadOnly", 64}, {"Lock", 128}, {"toggleNoView", 256}};
constexpr int kPrintFlag = 4;

Variant prop(const AnnotEntry& a, const std::string& name) {
  auto it = a.props.find(name);
  return it == a.props.end() ? Variant() : it->second;
}
bool flag(const AnnotEntry& a, const char* name) {
  const Variant v = prop(a, name);
  return !v.isEmpty() && !v.isNull() && vb::CBool(v);
}
std::string text(const AnnotEntry& a, const char* name) {
  const Variant v = prop(a, name);
  return v.isString() ? v.stringValue() : v.isEmpty() || v.isNull() ? std::string() : vb::CStr(v);
}
double number(const AnnotEntry& a, const char* name, double fallback) {
  const Variant v = prop(a, name);
  return v.isEmpty() || v.isNull() || v.isArray() ? fallback : vb::CDbl(v);
}
int32_t pageOf(const AnnotEntry& a) { return static_cast<int32_t>(number(a, "Page", 0)); }

// The numbers of an array (nested arrays flattened, text skipped).
void flatten(const Variant& v, std::vector<double>& out) {
  if (v.isArray()) {
    for (const Variant& e : v.arrayValue().elements()) flatten(e, out);
  } else if (v.isNumeric() || v.type() == VarType::Bool) {
    out.push_back(vb::CDbl(v));
  }
}
std::vector<double> numbersOf(const Variant& v) {
  std::vector<double> out;
  flatten(v, out);
  return out;
}
Variant numberArray(const std::vector<double>& values) {
  std::vector<Variant> items(values.begin(), values.end());
  return Variant(Array::vector(VarType::Variant, std::move(items)));
}

// Acrobat colour array <-> the components the file holds.
Json componentsOf(const Variant& colour) { return numbersOf(colour); }
Variant colourOf(const Json& components) {
  std::vector<Variant> items;
  const size_t n = components.is_array() ? components.size() : 0;
  items.emplace_back(n == 1 ? "G" : n == 3 ? "RGB" : n == 4 ? "CMYK" : "T");
  if (n == 1 || n == 3 || n == 4)
    for (const Json& c : components) items.emplace_back(c.is_number() ? c.get<double>() : 0.0);
  return Variant(Array::vector(VarType::Variant, std::move(items)));
}

std::string newName() {
  static std::mt19937 random{std::random_device{}()};
  static const char* digits = "0123456789abcdef";
  std::string s;
  for (int i = 0; i < 32; ++i) {
    if (i == 8 || i == 12 || i == 16 || i == 20) s += '-';
    s += digits[random() % 16];
  }
  return s;
}

// ---- Reading from and writing to the file ----

std::shared_ptr<AnnotEntry> fromFile(const Json& j) {
  auto a = std::make_shared<AnnotEntry>();
  auto& p = a->props;
  const std::string kind = j.value("subtype", std::string());
  p["Type"] = Variant(kind);
  p["Page"] = Variant(j.value("page", 1) - 1);
  p["contents"] = Variant(j.value("contents", std::string()));
  p["Author"] = Variant(j.value("author", std::string()));
  p["Subject"] = Variant(j.value("subject", std::string()));
  p["Name"] = Variant(j.value("name", std::string()));
  p["StrokeColor"] = colourOf(j.value("color", Json::array()));
  p["opacity"] = Variant(j.value("opacity", 1.0));
  p["Width"] = Variant(j.value("borderWidth", 1.0));
  const int flags = j.value("flags", 0);
  for (const auto& [name, bit] : kFlags) p[name] = Variant((flags & bit) != 0);
  const std::vector<double> rect = j.value("rect", std::vector<double>{0, 0, 0, 0});
  p["Rect"] = numberArray(rect);
  if (kind == "Text" && rect.size() == 4) p["Point"] = numberArray({rect[0], rect[3]});
  if (j.contains("icon")) p[kind == "Stamp" ? "AP" : "NoteIcon"] = Variant(j.at("icon").get<std::string>());
  if (j.contains("state")) p["State"] = Variant(j.at("state").get<std::string>());
  if (j.contains("popup")) {
    p["PopupRect"] = numberArray(j.at("popup").value("rect", std::vector<double>{}));
    p["PopupOpen"] = Variant(j.at("popup").value("open", false));
  }
  if (kind == "FreeText") {
    p["TextFont"] = Variant(j.value("font", std::string("Helvetica")));
    p["TextSize"] = Variant(j.value("fontSize", 0));
    if (j.contains("textColor")) p["StrokeColor"] = colourOf(j.at("textColor"));
    p["FillColor"] = colourOf(j.value("fill", Json::array()));
    p["Alignment"] = Variant(j.value("align", 0));
    p["Rotate"] = Variant(j.value("rotate", 0));
  }
  if (j.contains("quadPoints")) {
    const std::vector<double> q = j.at("quadPoints").get<std::vector<double>>();
    std::vector<Variant> quads;
    for (size_t i = 0; i + 8 <= q.size(); i += 8)
      quads.push_back(
          numberArray(std::vector<double>(q.begin() + static_cast<long>(i), q.begin() + static_cast<long>(i) + 8)));
    p["quads"] = Variant(Array::vector(VarType::Variant, std::move(quads)));
  }
  return a;
}

Json toFile(const AnnotEntry& a) {
  const std::string kind = text(a, "Type").empty() ? "Text" : text(a, "Type");
  int flags = kPrintFlag;
  for (const auto& [name, bit] : kFlags)
    if (flag(a, name)) flags |= bit;
  Json j{{"subtype", kind},
         {"contents", text(a, "contents")},
         {"author", text(a, "Author")},
         {"subject", text(a, "Subject")},
         {"name", text(a, "Name")},
         {"color", componentsOf(prop(a, "StrokeColor"))},
         {"opacity", number(a, "opacity", 1.0)},
         {"borderWidth", number(a, "Width", 1.0)},
         {"flags", flags}};
  std::vector<double> rect = numbersOf(prop(a, "Rect"));
  const std::vector<double> quads = numbersOf(prop(a, "quads"));
  if (kind == "Text") {
    // The note's icon hangs from its point: 20 points square.
    const std::vector<double> point = numbersOf(prop(a, "Point"));
    if (point.size() >= 2) rect = {point[0], point[1] - 20, point[0] + 20, point[1]};
    j["icon"] = text(a, "NoteIcon").empty() ? "Note" : text(a, "NoteIcon");
    if (prop(a, "State").isString() && !text(a, "State").empty()) j["state"] = text(a, "State");
  }
  if (kind == "Stamp") j["icon"] = text(a, "AP").empty() ? "Draft" : text(a, "AP");
  if (kind == "FreeText") {
    j["font"] = text(a, "TextFont");
    j["fontSize"] = static_cast<int>(number(a, "TextSize", 8));
    j["textColor"] = j["color"];
    j["fill"] = componentsOf(prop(a, "FillColor"));
    j["align"] = static_cast<int>(number(a, "Alignment", 0));
    j["rotate"] = static_cast<int>(number(a, "Rotate", 0));
  }
  if (!quads.empty()) {
    j["quadPoints"] = quads;
    // A markup's rectangle bounds its quads.
    if (kind != "Text" && kind != "FreeText" && kind != "Stamp") {
      double x0 = quads[0], y0 = quads[1], x1 = quads[0], y1 = quads[1];
      for (size_t i = 0; i + 1 < quads.size(); i += 2) {
        x0 = std::min(x0, quads[i]), x1 = std::max(x1, quads[i]);
        y0 = std::min(y0, quads[i + 1]), y1 = std::max(y1, quads[i + 1]);
      }
      rect = {x0, y0, x1, y1};
    }
  }
  if (rect.size() != 4) rect = {0, 0, 0, 0};
  j["rect"] = rect;
  const std::vector<double> popup = numbersOf(prop(a, "PopupRect"));
  if (popup.size() == 4) j["popup"] = {{"rect", popup}, {"open", flag(a, "PopupOpen")}};
  return j;
}

AnnotationSet& annotationsOf(ViewerDocument& d) {
  if (!d.annotations) {
    d.annotations = std::make_shared<AnnotationSet>();
    for (const Json& j : d.facts.all.value("markupAnnotations", Json::array()))
      d.annotations->list.push_back(fromFile(j));
  }
  return *d.annotations;
}

// The edit that writes the touched pages' annotations at the next save.
void changed(ViewerDocument& d, std::initializer_list<int32_t> pages) {
  AnnotationSet& set = annotationsOf(d);
  for (int32_t p : pages)
    if (p >= 0 && p < d.facts.pages) set.touched.insert(p);
  Json list = Json::array();
  for (int32_t p : set.touched) {
    Json annots = Json::array();
    for (const auto& a : set.list)
      if (a->live && pageOf(*a) == p) annots.push_back(toFile(*a));
    list.push_back({{"page", p + 1}, {"annotations", std::move(annots)}});
  }
  d.pending.annotations = Json{{"op", "setAnnotations"}, {"pages", std::move(list)}};
  d.dirty = true;
}

class JsAnnot : public StandIn {
 public:
  using StandIn::StandIn;
  std::shared_ptr<ViewerDocument> doc;
  std::shared_ptr<AnnotEntry> entry;
  AnnotEntry& live() {
    if (!entry->live || !doc || doc->closed) jsError("InvalidGetError: The annotation has been deleted.");
    return *entry;
  }
};

class JsAnnotProps : public StandIn {
 public:
  using StandIn::StandIn;
  std::map<std::string, Variant> values;
};

// An annotation keeps its document alive, as the JavaScript object does.
std::shared_ptr<ViewerDocument> shared(ViewerDocument& d) { return d.shared_from_this(); }

ObjectPtr annotObject(const std::shared_ptr<ViewerDocument>& doc, std::shared_ptr<AnnotEntry> entry) {
  auto a = std::static_pointer_cast<JsAnnot>(jsAnnotClass().create());
  a->doc = doc;
  a->entry = std::move(entry);
  return a;
}

}  // namespace

const ClassDef& jsAnnotPropsClass() {
  static const ClassDef cls = [] {
    ClassDef c(acrobatTypeLib(), "JSAnnotProps", {});
    c.caseSensitive();
    c.factory([] { return std::make_shared<JsAnnotProps>(jsAnnotPropsClass()); });
    for (const char* name : kProperties) {
      const std::string key = name;
      c.property(
          key, TypeDesc{},
          [key](Invocation& inv) {
            const auto& values = inv.as<JsAnnotProps>().values;
            auto it = values.find(key);
            return it == values.end() ? Variant() : it->second;
          },
          [key](Invocation& inv) {
            Variant v = inv.value();
            // A whole quad as the note's point: its upper left corner.
            if (key == "Point") {
              const std::vector<double> n = numbersOf(v);
              if (n.size() > 2) v = numberArray({n[0], n[1]});
            }
            inv.as<JsAnnotProps>().values[key] = v;
            return Variant();
          });
    }
    return c;
  }();
  return cls;
}

const ClassDef& jsAnnotClass() {
  static const ClassDef cls = [] {
    ClassDef c(acrobatTypeLib(), "JSAnnot", {});
    c.caseSensitive();
    c.factory([] { return std::make_shared<JsAnnot>(jsAnnotClass()); });
    c.method("getProps", {}, TypeDesc{VarType::Object}, [](Invocation& inv) {
      AnnotEntry& a = inv.as<JsAnnot>().live();
      auto props = std::static_pointer_cast<JsAnnotProps>(jsAnnotPropsClass().create());
      props->values = a.props;
      return Variant(ObjectPtr(props));
    });
    c.method("setProps", {ParamDef{"oProps", TypeDesc{}, false}}, TypeDesc{}, [](Invocation& inv) {
      auto& self = inv.as<JsAnnot>();
      AnnotEntry& a = self.live();
      const int32_t before = pageOf(a);
      ObjectPtr given = asObject(inv.arg(0));
      if (auto props = std::dynamic_pointer_cast<JsAnnotProps>(given)) {
        for (const auto& [k, v] : props->values)
          if (k != "Delay") a.props[k] = v;
      } else {
        jsError("TypeError: Invalid argument type. ===> Parameter oProps.");
      }
      changed(*self.doc, {before, pageOf(a)});
      return Variant();
    });
    c.method("destroy", {}, TypeDesc{}, [](Invocation& inv) {
      auto& self = inv.as<JsAnnot>();
      AnnotEntry& a = self.live();
      a.live = false;
      changed(*self.doc, {pageOf(a)});
      return Variant();
    });
    return c;
  }();
  return cls;
}

const ClassDef& jsColorClass() {
  static const ClassDef cls = [] {
    ClassDef c(acrobatTypeLib(), "JSColor", {});
    c.caseSensitive();
    c.factory([] { return std::make_shared<StandIn>(jsColorClass()); });
    const std::pair<const char*, std::vector<double>> colours[] = {
        {"transparent", {}},      {"black", {0}},      {"white", {1}},         {"red", {1, 0, 0}},
        {"green", {0, 1, 0}},     {"blue", {0, 0, 1}}, {"cyan", {1, 0, 0, 0}}, {"magenta", {0, 1, 0, 0}},
        {"yellow", {0, 0, 1, 0}}, {"dkGray", {0.25}},  {"gray", {0.5}},        {"ltGray", {0.75}}};
    for (const auto& [name, components] : colours) c.field(name, TypeDesc{}, colourOf(Json(components)), true);
    return c;
  }();
  return cls;
}

void addAnnotationMembers(ClassDef& c, DocumentOf js) {
  c.objectProperty("Color", [js](Invocation& inv) {
    js(inv);
    return Variant(ObjectPtr(jsColorClass().create()));
  });
  c.method("syncAnnotScan", {}, TypeDesc{}, [js](Invocation& inv) {
    annotationsOf(js(inv));
    return Variant();
  });
  c.method("addAnnot", {ParamDef{"oProps", TypeDesc{}, true}}, TypeDesc{VarType::Object}, [js](Invocation& inv) {
    ViewerDocument& d = js(inv);
    AnnotationSet& set = annotationsOf(d);
    auto entry = std::make_shared<AnnotEntry>();
    // A new annotation is a note on the first page, named as Acrobat names
    // one: uniquely.
    entry->props = {{"Type", Variant("Text")}, {"Page", Variant(int32_t{0})}, {"Name", Variant(newName())}};
    set.list.push_back(entry);
    changed(d, {0});
    return Variant(annotObject(shared(d), entry));
  });
  c.method("getAnnots", {ParamDef{"nPage", TypeDesc{}, true}}, TypeDesc{}, [js](Invocation& inv) {
    ViewerDocument& d = js(inv);
    const bool onePage = inv.has(0);
    const int32_t page = onePage ? vb::CLng(inv.arg(0)) : 0;
    std::vector<Variant> found;
    for (const auto& a : annotationsOf(d).list)
      if (a->live && (!onePage || pageOf(*a) == page)) found.emplace_back(annotObject(shared(d), a));
    if (found.empty()) return Variant::null();
    return Variant(Array::vector(VarType::Variant, std::move(found)));
  });
  c.method("GetAnnot", {ParamDef{"nPage", TypeDesc{}, false}, ParamDef{"cName", TypeDesc{}, false}}, TypeDesc{},
           [js](Invocation& inv) {
             ViewerDocument& d = js(inv);
             const int32_t page = vb::CLng(inv.arg(0));
             const std::string name = vb::CStr(inv.arg(1));
             for (const auto& a : annotationsOf(d).list)
               if (a->live && pageOf(*a) == page && text(*a, "Name") == name) return Variant(annotObject(shared(d), a));
             return Variant::null();
           });
}

}  // namespace dv::standins
