// A scripted Acrobat for the annotation and search tests: a PDDoc whose
// pages have a given height, and a JavaScript object with scripted word
// lists, annotations with props objects, and the Color object. Every call
// is one journal line ("addAnnot -> A1", "A1 Page=0&", "GetPageNthWord(0&,
// 2%, False)"), numbers with VB's type suffixes (% 16-bit, & 32-bit, ! single,
// # double), so a test asserts exact sequences; any line prefix can be made
// to fail.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "dv/automation.h"
#include "dv/vb.h"

namespace dv::testing {

inline std::string show(const Variant& v) {
  if (v.isArray()) {
    std::string s = "(";
    for (const Variant& e : v.arrayValue().elements()) s += (s.size() > 1 ? ", " : "") + show(e);
    return s + ")";
  }
  switch (v.type()) {
    case VarType::Int16:
      return std::to_string(v.int16Value()) + "%";
    case VarType::Int32:
      return std::to_string(v.int32Value()) + "&";
    case VarType::Single:
    case VarType::Double: {
      std::string s = vb::CStr(v);
      return s + (v.type() == VarType::Single ? "!" : "#");
    }
    case VarType::String:
      return "\"" + v.stringValue() + "\"";
    case VarType::Bool:
      return v.boolValue() ? "True" : "False";
    case VarType::Object:
      return "<object>";
    case VarType::Null:
      return "Null";
    default:
      return vb::CStr(v);
  }
}

struct ScriptedAcrobat;

class ScriptedObject : public Object {
 public:
  ScriptedObject(ScriptedAcrobat& a, std::string name) : acro(a), id(std::move(name)) {}
  Variant get(std::string_view member, Args args) override { return call(member, std::move(args)); }
  void set(std::string_view member, const Variant& value, Args args) override { let(member, value, std::move(args)); }
  void let(std::string_view member, const Variant& value, Args) override;
  Variant call(std::string_view member, Args args) override;

  ScriptedAcrobat& acro;
  std::string id;
  std::map<std::string, Variant> props;  // an annotation's properties
  bool destroyed = false;
};

struct ScriptedAcrobat {
  int32_t pages = 1;
  int16_t pageHeight = 792;
  std::map<int32_t, std::vector<std::string>> words;  // page index -> words, unstripped
  std::vector<std::shared_ptr<ScriptedObject>> annots;
  std::vector<std::string> journal;
  std::set<std::string> failing;  // journal line prefixes that fail
  bool annotsNullWhenNone = true;
  int made = 0;

  void note(const std::string& line) {
    journal.push_back(line);
    for (const std::string& f : failing)
      if (line.rfind(f, 0) == 0) throw AutomationError(static_cast<int32_t>(0x80004005u), "Acrobat", "failed: " + line);
  }
  std::shared_ptr<ScriptedObject> annot(const std::map<std::string, Variant>& props) {
    auto a = std::make_shared<ScriptedObject>(*this, "A" + std::to_string(++made));
    a->props = props;
    annots.push_back(a);
    return a;
  }
  // The live annotations of a page, or of every page.
  std::vector<std::shared_ptr<ScriptedObject>> live(std::optional<int32_t> page) const {
    std::vector<std::shared_ptr<ScriptedObject>> out;
    for (const auto& a : annots) {
      auto p = a->props.find("Page");
      if (!a->destroyed && (!page || (p != a->props.end() && vb::CLng(p->second) == *page))) out.push_back(a);
    }
    return out;
  }
  // Lines starting with prefix.
  std::vector<std::string> lines(const std::string& prefix = "") const {
    std::vector<std::string> out;
    for (const auto& l : journal)
      if (l.rfind(prefix, 0) == 0) out.push_back(l);
    return out;
  }
  // The quad of word w on page p: a 100 x 10 box per word, left to right.
  static Variant quadOf(int32_t p, int32_t w) {
    const double x0 = 100.0 * w, top = 700.0 - p, bottom = top - 10;
    std::vector<Variant> q = {x0, top, x0 + 90, top, x0, bottom, x0 + 90, bottom};
    return Variant(Array::vector(VarType::Variant, {Variant(Array::vector(VarType::Variant, std::move(q)))}));
  }
};

inline void ScriptedObject::let(std::string_view member, const Variant& value, Args) {
  acro.note(id + " " + std::string(member) + "=" + show(value));
  props[std::string(member)] = value;
}

inline Variant ScriptedObject::call(std::string_view m, Args args) {
  const std::string member(m);
  std::string line = id == "js" || id == "pddoc" ? member : id + " " + member;
  if (!args.empty()) {
    line += "(";
    for (size_t i = 0; i < args.size(); ++i) line += (i ? ", " : "") + show(args[i].value);
    line += ")";
  }
  auto arg = [&](size_t i) { return args.at(i).value; };
  auto rangeError = [] { throw AutomationError(static_cast<int32_t>(0x80004005u), "Acrobat", "RangeError"); };
  if (id == "pddoc") {
    if (member == "Open") return Variant(true);
    if (member == "GetJSObject") return Variant(ObjectPtr(std::make_shared<ScriptedObject>(acro, "js")));
    acro.note(line);
    if (member == "AcquirePage") return Variant(ObjectPtr(std::make_shared<ScriptedObject>(acro, "page")));
  } else if (id == "page") {
    acro.note(line);
    if (member == "GetSize") return Variant(ObjectPtr(std::make_shared<ScriptedObject>(acro, "size")));
  } else if (id == "size") {
    acro.note(line);
    if (member == "y") return Variant(acro.pageHeight);
    if (member == "x") return Variant(int16_t{612});
  } else if (id == "color") {
    acro.note("Color." + member);
    std::vector<Variant> c = {Variant("RGB"), Variant(member == "red" ? 1 : 0), Variant(0), Variant(0)};
    if (member == "black" || member == "white") c = {Variant("G"), Variant(member == "white" ? 1 : 0)};
    if (member == "yellow") c = {Variant("RGB"), Variant(1), Variant(1), Variant(0)};
    return Variant(Array::vector(VarType::Variant, std::move(c)));
  } else if (id == "js") {
    if (member == "Color") return Variant(ObjectPtr(std::make_shared<ScriptedObject>(acro, "color")));
    if (member == "addAnnot") {
      acro.note("addAnnot");
      auto a = acro.annot({});
      acro.journal.back() += " -> " + a->id;
      return Variant(ObjectPtr(a));
    }
    acro.note(line);
    if (member == "NumPages") return Variant(acro.pages);
    if (member == "syncAnnotScan") return Variant();
    if (member == "getAnnots") {
      auto found = acro.live(args.empty() ? std::nullopt : std::optional<int32_t>(vb::CLng(arg(0))));
      if (found.empty() && acro.annotsNullWhenNone) return Variant::null();
      std::vector<Variant> items;
      for (auto& a : found) items.emplace_back(ObjectPtr(a));
      return Variant(Array::vector(VarType::Variant, std::move(items)));
    }
    if (member == "GetAnnot") {
      for (auto& a : acro.live(vb::CLng(arg(0))))
        if (a->props.count("Name") && vb::CStr(a->props["Name"]) == vb::CStr(arg(1))) return Variant(ObjectPtr(a));
      return Variant::null();
    }
    if (member == "getPageNumWords") {
      auto it = acro.words.find(vb::CLng(arg(0)));
      return Variant(it == acro.words.end() ? int32_t{0} : static_cast<int32_t>(it->second.size()));
    }
    if (member == "GetPageNthWord" || member == "GetPageNthWordQuads") {
      const int32_t p = vb::CLng(arg(0)), w = vb::CLng(arg(1));
      auto it = acro.words.find(p);
      if (it == acro.words.end() || w < 0 || w >= static_cast<int32_t>(it->second.size())) rangeError();
      if (member == "GetPageNthWord") return Variant(it->second[static_cast<size_t>(w)]);
      return ScriptedAcrobat::quadOf(p, w);
    }
  } else {
    // An annotation or its props object.
    acro.note(line);
    if (member == "getProps") {
      auto p = std::make_shared<ScriptedObject>(acro, id);
      p->props = props;
      return Variant(ObjectPtr(p));
    }
    if (member == "setProps") {
      auto p = std::dynamic_pointer_cast<ScriptedObject>(asObject(arg(0)));
      for (auto& [k, v] : p->props)
        if (k != "Delay") props[k] = v;
      return Variant();
    }
    if (member == "destroy") {
      destroyed = true;
      for (auto& a : acro.annots)
        if (a->id == id) a->destroyed = true;
      return Variant();
    }
    auto it = props.find(member);
    if (it != props.end()) return it->second;
  }
  throw AutomationError(static_cast<int32_t>(0x80020006u), "Acrobat", "Unknown name: " + line);
}

}  // namespace dv::testing
