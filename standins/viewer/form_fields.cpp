#include "dv/standins/form_fields.h"

#include <algorithm>
#include <cmath>

#include "dv/standins/signing.h"
#include "dv/standins/viewer_document.h"
#include "dv/vb.h"

namespace dv::standins {

namespace {

constexpr int32_t kEFail = static_cast<int32_t>(0x80004005u);

[[noreturn]] void jsError(const std::string& text) { throw AutomationError(kEFail, "Acrobat JavaScript", text); }
[[noreturn]] void badValue(const std::string& parameter) {
  jsError("RangeError: Invalid argument value. ===> Parameter " + parameter + ".");
}

TypeDesc anyType() { return TypeDesc{}; }
ParamDef param(std::string name, bool optional = false) { return ParamDef{std::move(name), TypeDesc{}, optional}; }

const char* const kKinds[] = {"text", "button", "checkbox", "radiobutton", "combobox", "listbox", "signature"};
const char* const kTriggers[] = {"MouseUp", "MouseDown", "MouseEnter", "MouseExit", "OnFocus",
                                 "OnBlur",  "Keystroke", "Validate",   "Calculate", "Format"};
const char* const kHighlights[] = {"none", "invert", "push", "outline"};

Variant colourArray(std::vector<Variant> items) { return Array::vector(VarType::Variant, std::move(items)); }

// The stored properties, by JavaScript name, with the value a new field has.
struct Stored {
  const char* name;
  VarType type;  // Variant: checked by the property's own rule
  Variant initial;
};
const std::vector<Stored>& storedProperties() {
  using T = VarType;
  static const std::vector<Stored> table{
      {"ReadOnly", T::Bool, false},
      {"Alignment", T::String, "left"},
      {"BorderStyle", T::String, "solid"},
      {"ButtonAlignX", T::Int32, int32_t{50}},
      {"ButtonAlignY", T::Int32, int32_t{50}},
      {"ButtonFitBounds", T::Bool, false},
      {"ButtonPosition", T::Int32, int32_t{0}},
      {"ButtonScaleHow", T::Int32, int32_t{0}},
      {"ButtonScaleWhen", T::Int32, int32_t{0}},
      {"CalcOrderIndex", T::Int32, int32_t{0}},
      {"CharLimit", T::Int32, int32_t{0}},
      {"Comb", T::Bool, false},
      {"CommitOnSelChange", T::Bool, false},
      {"DefaultValue", T::String, ""},
      {"Delay", T::Bool, false},
      {"DoNotScroll", T::Bool, false},
      {"DoNotSpellCheck", T::Bool, false},
      {"Display", T::Int32, int32_t{0}},
      {"Editable", T::Bool, false},
      {"ExportValues", T::Variant, Variant::null()},
      {"FileSelect", T::Bool, false},
      {"FillColor", T::Variant, colourArray({"T"})},
      {"Highlight", T::String, "none"},
      {"LineWidth", T::Int32, int32_t{1}},
      {"MultiLine", T::Bool, false},
      {"MultipleSelection", T::Bool, false},
      {"Password", T::Bool, false},
      {"Print", T::Bool, true},
      {"RadiosInUnison", T::Bool, false},
      {"Required", T::Bool, false},
      {"Rotation", T::Int32, int32_t{0}},
      {"StrokeColor", T::Variant, colourArray({"T"})},
      {"Style", T::String, "check"},
      {"SubmitName", T::String, ""},
      {"TextColor", T::Variant, colourArray({"G", 0.0})},
      {"TextFont", T::String, "Helvetica"},
      {"TextSize", T::Int32, int32_t{0}},
      {"UserName", T::String, ""},
      {"Value", T::Variant, ""},
  };
  return table;
}
const Stored* findStored(const std::string& name) {
  for (const Stored& s : storedProperties())
    if (name == s.name) return &s;
  return nullptr;
}

bool isColour(const Variant& v) {
  if (!v.isArray() || v.arrayValue().rank() != 1 || v.arrayValue().size() == 0) return false;
  const std::vector<Variant>& e = v.arrayValue().elements();
  if (!e[0].isString()) return false;
  const std::string space = e[0].stringValue();
  const size_t components = space == "T" ? 0 : space == "G" ? 1 : space == "RGB" ? 3 : space == "CMYK" ? 4 : 99;
  if (components == 99 || e.size() < components + 1) return false;
  for (size_t i = 1; i <= components; ++i)
    if (!e[i].isNumeric()) return false;
  return true;
}

// A colour array as Acrobat keeps it: the space and its components as doubles.
Variant normalColour(const Variant& v) {
  const std::vector<Variant>& e = v.arrayValue().elements();
  const std::string space = e[0].stringValue();
  const size_t components = space == "T" ? 0 : space == "G" ? 1 : space == "RGB" ? 3 : 4;
  std::vector<Variant> out{space};
  for (size_t i = 1; i <= components; ++i) out.emplace_back(vb::CDbl(e[i]));
  return colourArray(std::move(out));
}

std::vector<std::string> stringsOf(const Variant& v) {
  std::vector<std::string> out;
  if (v.isArray())
    for (const Variant& e : v.arrayValue().elements()) out.push_back(vb::CStr(e));
  else if (!v.isNull() && !v.isEmpty() && !v.isMissing()) out.push_back(vb::CStr(v));
  return out;
}

Variant stringArray(const std::vector<std::string>& items) {
  std::vector<Variant> out(items.begin(), items.end());
  return Array::vector(VarType::Variant, std::move(out));
}

// ---- the JavaScript objects ----

class JsFieldStandIn : public StandIn {
 public:
  using StandIn::StandIn;
  std::shared_ptr<ViewerDocument> doc;
  std::string name;
  FormField& live() {
    if (!doc || doc->closed) jsError("InvalidGetError: The document has been closed.");
    FormField* f = formOf(*doc).find(name);
    if (!f) jsError("InvalidGetError: The field " + name + " no longer exists.");
    return *f;
  }
};

class HandlerStandIn : public StandIn {
 public:
  using StandIn::StandIn;
  std::string certificate;  // the digital ID of the login, as the client named it
  std::string password;
  bool loggedIn = false;
};

FormField& fieldOf(Invocation& inv) { return inv.as<JsFieldStandIn>().live(); }

// Marks a field for the next save and the document as changed.
void touch(Invocation& inv, FormField& f) {
  f.changed = true;
  inv.as<JsFieldStandIn>().doc->dirty = true;
}

ObjectPtr fieldObject(const std::shared_ptr<ViewerDocument>& doc, const std::string& name) {
  auto object = std::static_pointer_cast<JsFieldStandIn>(jsFieldClass().create());
  object->doc = doc;
  object->name = name;
  return object;
}

std::string exportOf(const FormField& f, int32_t widget) {
  const std::vector<std::string> exports = stringsOf(f.props.at("ExportValues"));
  if (widget < static_cast<int32_t>(exports.size())) return exports[static_cast<size_t>(widget)];
  return "Yes";
}

bool isBox(const FormField& f) { return f.type == "checkbox" || f.type == "radiobutton"; }
bool isChoice(const FormField& f) { return f.type == "combobox" || f.type == "listbox"; }

int32_t widgetArg(Invocation& inv, const FormField& f) {
  if (!isBox(f)) jsError("TypeError: The field is not a check box or radio button.");
  const int32_t widget = vb::CLng(inv.arg(0));
  if (widget != 0) badValue("nWidget");  // one widget per field
  return widget;
}

// The index of the item a value names (its export value, else its text).
int32_t itemIndexOf(const FormField& f, const std::string& value) {
  for (size_t i = 0; i < f.items.size(); ++i)
    if (f.items[i].second == value) return static_cast<int32_t>(i);
  for (size_t i = 0; i < f.items.size(); ++i)
    if (f.items[i].first == value) return static_cast<int32_t>(i);
  return -1;
}

Variant currentIndices(const FormField& f) {
  const Variant& value = f.props.at("Value");
  if (value.isArray()) {
    std::vector<Variant> out;
    for (const std::string& v : stringsOf(value)) out.emplace_back(itemIndexOf(f, v));
    return Array::vector(VarType::Variant, std::move(out));
  }
  return Variant(itemIndexOf(f, vb::CStr(value)));
}

void setCurrentIndices(FormField& f, const Variant& given) {
  auto exportAt = [&](int32_t i) {
    if (i < 0 || i >= static_cast<int32_t>(f.items.size())) badValue("currentValueIndices");
    return f.items[static_cast<size_t>(i)].second;
  };
  if (given.isArray()) {
    std::vector<std::string> values;
    for (const Variant& e : given.arrayValue().elements()) values.push_back(exportAt(vb::CLng(e)));
    f.props["Value"] = stringArray(values);
  } else {
    f.props["Value"] = Variant(exportAt(vb::CLng(given)));
  }
}

void addItem(FormField& f, const std::string& text, const std::string& exported, int32_t at) {
  const auto pair = std::make_pair(text, exported);
  if (at < 0 || at > static_cast<int32_t>(f.items.size())) f.items.push_back(pair);
  else f.items.insert(f.items.begin() + at, pair);
}

// Assigns a stored property with the rules of its type.
void assignProperty(FormField& f, const std::string& name, const Variant& given) {
  const Stored* s = findStored(name);
  if (!s) jsError("TypeError: " + name + " is not a property of a field.");
  const Variant& v = given.target();
  // An omitted value changes nothing: the library writes Value (and the
  // export values of a box) even when its client gave none.
  if (vb::IsMissing(v)) return;
  if (name == "Value") {
    f.props["Value"] = v.isArray() ? stringArray(stringsOf(v)) : Variant(vb::CStr(v));
    return;
  }
  if (name == "FillColor" || name == "StrokeColor" || name == "TextColor") {
    if (!isColour(v)) badValue(name);
    f.props[name] = normalColour(v);
    return;
  }
  if (name == "ExportValues") {
    if (!v.isArray()) badValue(name);
    f.props[name] = stringArray(stringsOf(v));
    return;
  }
  if (name == "Highlight" && v.isNumeric()) {
    const int32_t n = vb::CLng(v);
    if (n < 0 || n > 3) badValue(name);
    f.props[name] = Variant(kHighlights[n]);
    return;
  }
  f.props[name] = vb::convert(v, s->type);
}

Variant readProperty(FormField& f, const std::string& name) {
  if (name == "Hidden") return Variant(vb::CLng(f.props.at("Display")) == 1);
  if (name == "CurrentValueIndices") return currentIndices(f);
  if (name == "Name") return Variant(f.name);
  if (name == "Type") return Variant(f.type);
  if (name == "Page") return Variant(f.page);
  if (name == "NumItems") return Variant(static_cast<int32_t>(f.items.size()));
  if (name == "Rect") {
    std::vector<Variant> r(f.rect.begin(), f.rect.end());
    return Array::vector(VarType::Variant, std::move(r));
  }
  if (name == "ValueAsString") {
    const Variant& value = f.props.at("Value");
    std::string text;
    for (const std::string& s : stringsOf(value)) text += (text.empty() ? "" : ",") + s;
    return Variant(text);
  }
  auto it = f.props.find(name);
  if (it == f.props.end()) jsError("TypeError: " + name + " is not a property of a field.");
  return it->second;
}

void writeProperty(FormField& f, const std::string& name, const Variant& value) {
  if (name == "Hidden") {
    f.props["Display"] = Variant(int32_t{vb::CBool(value) ? 1 : 0});
  } else if (name == "CurrentValueIndices") {
    setCurrentIndices(f, value.target());
  } else if (name == "Rect") {
    const Variant& v = value.target();
    if (!v.isArray() || v.arrayValue().size() != 4) badValue("Rect");
    f.rect.clear();
    for (const Variant& e : v.arrayValue().elements()) f.rect.push_back(vb::CDbl(e));
  } else {
    assignProperty(f, name, value);
  }
}

std::shared_ptr<FormField> newField(const std::string& name, const std::string& type, int32_t page,
                                    std::vector<double> rect) {
  auto f = std::make_shared<FormField>();
  f->name = name;
  f->type = type;
  f->page = page;
  f->rect = std::move(rect);
  for (const Stored& s : storedProperties()) f->props[s.name] = s.initial;
  if (type == "checkbox" || type == "radiobutton") f->props["Value"] = Variant("Off");
  return f;
}

Variant toVariant(const Json& j) {
  if (j.is_boolean()) return Variant(j.get<bool>());
  if (j.is_number_integer()) return Variant(static_cast<int32_t>(j.get<long long>()));
  if (j.is_number()) return Variant(j.get<double>());
  if (j.is_string()) return Variant(j.get<std::string>());
  if (j.is_array()) {
    std::vector<Variant> items;
    for (const Json& e : j) items.push_back(toVariant(e));
    return Array::vector(VarType::Variant, std::move(items));
  }
  return Variant::null();
}

Json toJson(const Variant& v) {
  if (v.isArray()) {
    Json out = Json::array();
    for (const Variant& e : v.arrayValue().elements()) out.push_back(toJson(e));
    return out;
  }
  switch (v.type()) {
    case VarType::Bool:
      return v.boolValue();
    case VarType::Int16:
    case VarType::Int32:
    case VarType::Byte:
      return vb::CLng(v);
    case VarType::Single:
    case VarType::Double:
      return vb::CDbl(v);
    case VarType::String:
      return v.stringValue();
    default:
      return nullptr;
  }
}

}  // namespace

FormField* FormState::find(const std::string& name) {
  for (auto& f : fields)
    if (f->name == name) return f.get();
  return nullptr;
}

Json fieldToJson(const FormField& f) {
  Json props = Json::object();
  for (const auto& [name, value] : f.props)
    if (name != "Delay") props[name] = toJson(value);
  Json items = Json::array();
  for (const auto& [text, exported] : f.items) items.push_back(Json::array({text, exported}));
  return Json{{"name", f.name},       {"type", f.type},
              {"page", f.page + 1},   {"rect", f.rect},
              {"props", props},       {"items", items},
              {"actions", f.actions}, {"captions", Json::array({f.captions[0], f.captions[1], f.captions[2]})}};
}

std::shared_ptr<FormField> fieldFromJson(const Json& j) {
  std::vector<double> rect;
  if (j.contains("rect") && j.at("rect").is_array())
    for (const Json& n : j.at("rect"))
      if (n.is_number()) rect.push_back(n.get<double>());
  auto f = newField(j.value("name", std::string()), j.value("type", std::string("text")), j.value("page", 1) - 1, rect);
  if (j.contains("props") && j.at("props").is_object())
    for (const auto& [name, value] : j.at("props").items())
      if (findStored(name) && !value.is_null()) f->props[name] = toVariant(value);
  if (j.contains("items") && j.at("items").is_array())
    for (const Json& item : j.at("items"))
      if (item.is_array() && item.size() == 2 && item[0].is_string() && item[1].is_string())
        f->items.emplace_back(item[0].get<std::string>(), item[1].get<std::string>());
  if (j.contains("actions") && j.at("actions").is_object())
    for (const auto& [trigger, script] : j.at("actions").items())
      if (script.is_string()) f->actions[trigger] = script.get<std::string>();
  if (j.contains("captions") && j.at("captions").is_array())
    for (size_t i = 0; i < 3 && i < j.at("captions").size(); ++i)
      if (j.at("captions")[i].is_string()) f->captions[i] = j.at("captions")[i].get<std::string>();
  f->signatureStatus = j.value("signatureStatus", 0);
  return f;
}

FormState& formOf(ViewerDocument& doc) {
  if (!doc.form) {
    doc.form = std::make_shared<FormState>();
    const Json fields = doc.facts.all.value("fields", Json::array());
    for (const Json& j : fields)
      if (j.is_object() && j.contains("name")) doc.form->fields.push_back(fieldFromJson(j));
  }
  return *doc.form;
}

void removeFormField(ViewerDocument& doc, const std::string& name) {
  FormState& form = formOf(doc);
  auto it = std::find_if(form.fields.begin(), form.fields.end(), [&](const auto& f) { return f->name == name; });
  if (it == form.fields.end()) return;
  form.fields.erase(it);
  form.removed.push_back(name);
}

std::vector<Json> formOperations(ViewerDocument& doc) {
  std::vector<Json> ops;
  if (!doc.form) return ops;
  for (const std::string& name : doc.form->removed) ops.push_back({{"op", "setField"}, {"remove", name}});
  for (const auto& f : doc.form->fields)
    if (f->changed) ops.push_back({{"op", "setField"}, {"field", fieldToJson(*f)}});
  return ops;
}

const ClassDef& jsFieldClass() {
  static const ClassDef cls = [] {
    ClassDef c(acrobatTypeLib(), "JSField", {});
    c.caseSensitive();
    c.factory([] { return std::make_shared<JsFieldStandIn>(jsFieldClass()); });
    // Name-addressed access to any property: the default member.
    c.property(
        "property", anyType(), [](Invocation& inv) { return readProperty(fieldOf(inv), vb::CStr(inv.arg(0))); },
        [](Invocation& inv) {
          FormField& f = fieldOf(inv);
          writeProperty(f, vb::CStr(inv.arg(0)), inv.value());
          touch(inv, f);
          return Variant();
        },
        {param("cName")});
    c.defaultMember("property");
    for (const Stored& s : storedProperties()) {
      const std::string name = s.name;
      c.property(
          name, TypeDesc{s.type}, [name](Invocation& inv) { return readProperty(fieldOf(inv), name); },
          [name](Invocation& inv) {
            FormField& f = fieldOf(inv);
            writeProperty(f, name, inv.value());
            touch(inv, f);
            return Variant();
          });
    }
    for (const char* derived : {"Hidden", "CurrentValueIndices", "Rect"}) {
      const std::string name = derived;
      c.property(
          name, anyType(), [name](Invocation& inv) { return readProperty(fieldOf(inv), name); },
          [name](Invocation& inv) {
            FormField& f = fieldOf(inv);
            writeProperty(f, name, inv.value());
            touch(inv, f);
            return Variant();
          });
    }
    for (const char* readOnly : {"Name", "Type", "Page", "NumItems", "ValueAsString"}) {
      const std::string name = readOnly;
      c.property(name, anyType(), [name](Invocation& inv) { return readProperty(fieldOf(inv), name); });
    }

    c.method("setAction", {param("cTrigger"), param("cScript")}, anyType(), [](Invocation& inv) {
      FormField& f = fieldOf(inv);
      const std::string trigger = vb::CStr(inv.arg(0));
      if (std::find(std::begin(kTriggers), std::end(kTriggers), trigger) == std::end(kTriggers)) badValue("cTrigger");
      f.actions[trigger] = vb::CStr(inv.arg(1));
      touch(inv, f);
      return Variant();
    });
    c.method("buttonSetCaption", {param("cCaption"), param("nFace", true)}, anyType(), [](Invocation& inv) {
      FormField& f = fieldOf(inv);
      if (f.type != "button") jsError("TypeError: The field is not a button.");
      const int32_t face = vb::CLng(inv.argOr(1, Variant(int32_t{0})));
      if (face < 0 || face > 2) badValue("nFace");
      f.captions[face] = vb::CStr(inv.arg(0));
      touch(inv, f);
      return Variant();
    });
    c.method("buttonGetCaption", {param("nFace", true)}, anyType(), [](Invocation& inv) {
      FormField& f = fieldOf(inv);
      if (f.type != "button") jsError("TypeError: The field is not a button.");
      const int32_t face = vb::CLng(inv.argOr(0, Variant(int32_t{0})));
      if (face < 0 || face > 2) badValue("nFace");
      return Variant(f.captions[face]);
    });
    c.method("insertItemAt", {param("cName"), param("cExport", true), param("nIdx", true)}, anyType(),
             [](Invocation& inv) {
               FormField& f = fieldOf(inv);
               if (!isChoice(f)) jsError("TypeError: The field is not a list.");
               const std::string text = vb::CStr(inv.arg(0));
               addItem(f, text, vb::CStr(inv.argOr(1, Variant(text))), vb::CLng(inv.argOr(2, Variant(int32_t{0}))));
               touch(inv, f);
               return Variant();
             });
    c.method("deleteItemAt", {param("nIdx", true)}, anyType(), [](Invocation& inv) {
      FormField& f = fieldOf(inv);
      if (!isChoice(f)) jsError("TypeError: The field is not a list.");
      int32_t at = inv.has(0) && !inv.arg(0).isMissing() ? vb::CLng(inv.arg(0)) : vb::CLng(currentIndices(f));
      if (at < 0 || at >= static_cast<int32_t>(f.items.size())) badValue("nIdx");
      f.items.erase(f.items.begin() + at);
      touch(inv, f);
      return Variant();
    });
    c.method("ClearItems", {}, anyType(), [](Invocation& inv) {
      FormField& f = fieldOf(inv);
      if (!isChoice(f)) jsError("TypeError: The field is not a list.");
      f.items.clear();
      f.props["Value"] = Variant("");
      touch(inv, f);
      return Variant();
    });
    c.method("getItemAt", {param("nIdx"), param("bExportValue", true)}, anyType(), [](Invocation& inv) {
      FormField& f = fieldOf(inv);
      if (!isChoice(f)) jsError("TypeError: The field is not a list.");
      int32_t at = vb::CLng(inv.arg(0));
      if (at == -1) at = static_cast<int32_t>(f.items.size()) - 1;
      if (at < 0 || at >= static_cast<int32_t>(f.items.size())) badValue("nIdx");
      const auto& item = f.items[static_cast<size_t>(at)];
      return Variant(vb::CBool(inv.argOr(1, Variant(true))) ? item.second : item.first);
    });
    c.method("SetItems", {param("oArray")}, anyType(), [](Invocation& inv) {
      FormField& f = fieldOf(inv);
      if (!isChoice(f)) jsError("TypeError: The field is not a list.");
      const Variant& given = inv.arg(0).target();
      if (!given.isArray()) badValue("oArray");
      std::vector<std::pair<std::string, std::string>> items;
      for (const Variant& e : given.arrayValue().elements()) {
        if (e.isArray()) {
          const std::vector<std::string> pair = stringsOf(e);
          if (pair.size() != 2) badValue("oArray");
          items.emplace_back(pair[0], pair[1]);
        } else {
          items.emplace_back(vb::CStr(e), vb::CStr(e));
        }
      }
      f.items = std::move(items);
      touch(inv, f);
      return Variant();
    });
    c.method("checkThisBox", {param("nWidget"), param("bCheckIt", true)}, anyType(), [](Invocation& inv) {
      FormField& f = fieldOf(inv);
      const int32_t widget = widgetArg(inv, f);
      f.props["Value"] = Variant(vb::CBool(inv.argOr(1, Variant(true))) ? exportOf(f, widget) : std::string("Off"));
      touch(inv, f);
      return Variant();
    });
    c.method("defaultIsChecked", {param("nWidget"), param("bIsDefaultChecked", true)}, anyType(), [](Invocation& inv) {
      FormField& f = fieldOf(inv);
      const int32_t widget = widgetArg(inv, f);
      f.props["DefaultValue"] =
          Variant(vb::CBool(inv.argOr(1, Variant(true))) ? exportOf(f, widget) : std::string("Off"));
      touch(inv, f);
      return Variant(true);
    });
    c.method("IsBoxChecked", {param("nWidget")}, anyType(), [](Invocation& inv) {
      FormField& f = fieldOf(inv);
      return Variant(vb::CStr(f.props.at("Value")) == exportOf(f, widgetArg(inv, f)));
    });
    c.method("IsDefaultChecked", {param("nWidget")}, anyType(), [](Invocation& inv) {
      FormField& f = fieldOf(inv);
      return Variant(vb::CStr(f.props.at("DefaultValue")) == exportOf(f, widgetArg(inv, f)));
    });
    c.method("getArray", {}, anyType(), [](Invocation& inv) {
      auto& self = inv.as<JsFieldStandIn>();
      FormField& f = self.live();
      // The terminal fields below this one: names that continue it after a dot.
      std::vector<Variant> children;
      for (const auto& other : formOf(*self.doc).fields)
        if (other->name.size() > f.name.size() && other->name.compare(0, f.name.size(), f.name) == 0 &&
            other->name[f.name.size()] == '.')
          children.emplace_back(fieldObject(self.doc, other->name));
      if (children.empty()) children.emplace_back(fieldObject(self.doc, f.name));
      return Variant(Array::vector(VarType::Variant, std::move(children)));
    });
    c.method("SignatureInfo", {param("oSig", true)}, anyType(), [](Invocation& inv) {
      FormField& f = fieldOf(inv);
      auto info = jsSignatureInfoClass().create();
      info->field("Status") = Variant(f.type == "signature" ? f.signatureStatus : int32_t{-1});
      return Variant(ObjectPtr(info));
    });
    c.method(
        "signatureSign",
        {param("oSig"), param("oInfo", true), param("cDIPath", true), param("bUI", true), param("cLegalAttest", true)},
        anyType(), [](Invocation& inv) {
          auto& self = inv.as<JsFieldStandIn>();
          FormField& f = self.live();
          if (f.type != "signature") jsError("TypeError: The field is not a signature field.");
          auto handler = std::dynamic_pointer_cast<HandlerStandIn>(inv.arg(0).target().objectValue());
          if (!handler || !handler->loggedIn) jsError("NotAllowedError: The security handler is not logged in.");
          if (f.signatureStatus != 0) jsError("NotAllowedError: The field is already signed.");
          signViewerDocument(*self.doc, f.name, handler->certificate, handler->password);
          return Variant(true);
        });
    return c;
  }();
  return cls;
}

const ClassDef& jsSignatureInfoClass() {
  static const ClassDef cls = [] {
    ClassDef c(acrobatTypeLib(), "JSSignatureInfo", {});
    c.caseSensitive();
    c.factory([] { return std::make_shared<StandIn>(jsSignatureInfoClass()); });
    c.field("Status", TypeDesc{VarType::Int32}, Variant(int32_t{0}), true);
    return c;
  }();
  return cls;
}

const ClassDef& jsSecurityHandlerClass() {
  static const ClassDef cls = [] {
    ClassDef c(acrobatTypeLib(), "JSSecurityHandler", {});
    c.caseSensitive();
    c.factory([] { return std::make_shared<HandlerStandIn>(jsSecurityHandlerClass()); });
    c.property("isLoggedIn", TypeDesc{VarType::Bool},
               [](Invocation& inv) { return Variant(inv.as<HandlerStandIn>().loggedIn); });
    c.method("login", {param("cPassword", true), param("cDIPath", true)}, TypeDesc{VarType::Bool}, [](Invocation& inv) {
      auto& self = inv.as<HandlerStandIn>();
      const std::string password = vb::CStr(inv.argOr(0, Variant("")));
      const std::string path = vb::CStr(inv.argOr(1, Variant("")));
      self.loggedIn = checkDigitalId(path, password);
      if (self.loggedIn) {
        self.certificate = path;
        self.password = password;
      }
      return Variant(self.loggedIn);
    });
    c.method("logout", {}, TypeDesc{VarType::Bool}, [](Invocation& inv) {
      auto& self = inv.as<HandlerStandIn>();
      self.loggedIn = false;
      self.certificate.clear();
      self.password.clear();
      return Variant(true);
    });
    return c;
  }();
  return cls;
}

const ClassDef& jsSecurityClass() {
  static const ClassDef cls = [] {
    ClassDef c(acrobatTypeLib(), "JSSecurity", {});
    c.caseSensitive();
    c.factory([] { return std::make_shared<StandIn>(jsSecurityClass()); });
    c.method("getHandler", {param("cName"), param("bUIEngine", true)}, anyType(), [](Invocation& inv) {
      // Only the certificate handler signs; others are JavaScript's null.
      if (vb::CStr(inv.arg(0)) != "Adobe.PPKLite") return Variant::null();
      return Variant(ObjectPtr(jsSecurityHandlerClass().create()));
    });
    return c;
  }();
  return cls;
}

void addFormMembers(ClassDef& c) {
  auto docOf = [](Invocation& inv) { return jsDocument(inv); };
  c.method("addField", {param("cName"), param("cFieldType"), param("nPageNum"), param("oCoords")}, anyType(),
           [docOf](Invocation& inv) {
             std::shared_ptr<ViewerDocument> doc = docOf(inv);
             const std::string name = vb::CStr(inv.arg(0));
             const std::string type = vb::CStr(inv.arg(1));
             const int32_t page = vb::CLng(inv.arg(2));
             const Variant& coords = inv.arg(3).target();
             if (name.empty()) badValue("cName");
             if (std::find(std::begin(kKinds), std::end(kKinds), type) == std::end(kKinds)) badValue("cFieldType");
             if (page < 0 || page >= doc->facts.pages) badValue("nPageNum");
             if (!coords.isArray() || coords.arrayValue().size() != 4) badValue("oCoords");
             std::vector<double> rect;
             for (const Variant& e : coords.arrayValue().elements()) {
               if (!e.isNumeric()) badValue("oCoords");
               rect.push_back(vb::CDbl(e));
             }
             FormState& form = formOf(*doc);
             if (form.find(name)) jsError("NotAllowedError: A field named " + name + " already exists.");
             auto f = newField(name, type, page, std::move(rect));
             f->changed = true;
             form.fields.push_back(f);
             doc->fields.push_back(name);
             doc->dirty = true;
             return Variant(fieldObject(doc, name));
           });
  c.method("GetField", {param("cName")}, anyType(), [docOf](Invocation& inv) {
    std::shared_ptr<ViewerDocument> doc = docOf(inv);
    const std::string name = vb::CStr(inv.arg(0));
    if (!formOf(*doc).find(name)) return Variant::null();
    return Variant(fieldObject(doc, name));
  });
  // Color: the document's colour object, shared with the annotations
  // (annotations.cpp).
  c.objectProperty("security", [docOf](Invocation& inv) {
    docOf(inv);
    return Variant(ObjectPtr(jsSecurityClass().create()));
  });
}

}  // namespace dv::standins
