// Comment and markup annotations (Text with its popup, FreeText, Stamp,
// Highlight, Squiggly, StrikeOut, Underline): read for the facts and
// written by the "setAnnotations" edit, through libqpdf's page and
// annotation helpers. Links, widgets and other kinds are left as they are.
#include <qpdf/QPDFAnnotationObjectHelper.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QUtil.hh>

#include <set>
#include <sstream>

#include "qpdf_document.h"

namespace dv::pdftool {

namespace {

const std::set<std::string> kMarkupKinds = {"Text",     "FreeText",  "Stamp",    "Highlight",
                                            "Squiggly", "StrikeOut", "Underline"};

std::string kindOf(QPDFAnnotationObjectHelper& a) {
  const std::string s = a.getSubtype();
  return s.empty() ? s : s.substr(1);
}

Json numbers(QPDFObjectHandle array) {
  Json out = Json::array();
  if (!array.isArray()) return out;
  for (QPDFObjectHandle item : array.aitems())
    if (item.isNumber()) out.push_back(item.getNumericValue());
  return out;
}

QPDFObjectHandle numberArray(const Json& values) {
  QPDFObjectHandle out = QPDFObjectHandle::newArray();
  if (values.is_array())
    for (const Json& v : values)
      if (v.is_number()) out.appendItem(QPDFObjectHandle::newReal(v.get<double>(), 4, true));
  return out;
}

std::string text(QPDFObjectHandle h) { return h.isString() ? h.getUTF8Value() : std::string(); }

// A PDF name from free text: blanks and delimiters have no place in one.
QPDFObjectHandle name(const std::string& s) {
  std::string clean;
  for (char c : s)
    if (c > ' ' && c < 127 && std::string("()<>[]{}/%#").find(c) == std::string::npos) clean += c;
  return QPDFObjectHandle::newName("/" + (clean.empty() ? std::string("None") : clean));
}

// The colour operator of a default appearance: gray, RGB or CMYK by the
// number of components.
std::string colourOperator(const Json& c) {
  std::ostringstream out;
  const size_t n = c.is_array() ? c.size() : 0;
  if (n != 1 && n != 3 && n != 4) return "0 g";
  for (const Json& v : c) out << (v.is_number() ? v.get<double>() : 0.0) << ' ';
  out << (n == 1 ? "g" : n == 3 ? "rg" : "k");
  return out.str();
}

// "/Helvetica 8 Tf 1 0 0 rg" -> font, size, colour.
void readDefaultAppearance(const std::string& da, Json& out) {
  std::istringstream in(da);
  std::vector<std::string> tokens;
  for (std::string t; in >> t;) tokens.push_back(t);
  Json pending = Json::array();
  for (size_t i = 0; i < tokens.size(); ++i) {
    const std::string& t = tokens[i];
    if (t == "Tf" && i >= 2) {
      out["font"] = tokens[i - 2].substr(tokens[i - 2][0] == '/' ? 1 : 0);
      out["fontSize"] = QUtil::string_to_int(tokens[i - 1].c_str());
      pending = Json::array();
    } else if (t == "g" || t == "rg" || t == "k") {
      out["textColor"] = pending;
      pending = Json::array();
    } else {
      char* end = nullptr;
      const double v = std::strtod(t.c_str(), &end);
      if (end && *end == '\0') pending.push_back(v);
      else pending = Json::array();
    }
  }
}

Json describe(QPDFAnnotationObjectHelper& a, int page) {
  QPDFObjectHandle d = a.getObjectHandle();
  const QPDFObjectHandle::Rectangle r = a.getRect();
  Json j{{"page", page},
         {"subtype", kindOf(a)},
         {"rect", {r.llx, r.lly, r.urx, r.ury}},
         {"contents", text(d.getKey("/Contents"))},
         {"author", text(d.getKey("/T"))},
         {"subject", text(d.getKey("/Subj"))},
         {"name", text(d.getKey("/NM"))},
         {"color", numbers(d.getKey("/C"))},
         {"flags", a.getFlags()}};
  if (QPDFObjectHandle ca = d.getKey("/CA"); ca.isNumber()) j["opacity"] = ca.getNumericValue();
  if (QPDFObjectHandle bs = d.getKey("/BS"); bs.isDictionary() && bs.getKey("/W").isNumber())
    j["borderWidth"] = bs.getKey("/W").getNumericValue();
  if (QPDFObjectHandle icon = d.getKey("/Name"); icon.isName()) j["icon"] = icon.getName().substr(1);
  if (QPDFObjectHandle state = d.getKey("/State"); state.isString()) j["state"] = state.getUTF8Value();
  if (QPDFObjectHandle popup = d.getKey("/Popup"); popup.isDictionary()) {
    QPDFObjectHandle open = popup.getKey("/Open");
    j["popup"] = {{"rect", numbers(popup.getKey("/Rect"))}, {"open", open.isBool() && open.getBoolValue()}};
  }
  if (QPDFObjectHandle da = d.getKey("/DA"); da.isString()) readDefaultAppearance(da.getUTF8Value(), j);
  if (QPDFObjectHandle q = d.getKey("/Q"); q.isInteger()) j["align"] = q.getIntValueAsInt();
  if (QPDFObjectHandle fill = d.getKey("/IC"); fill.isArray()) j["fill"] = numbers(fill);
  if (QPDFObjectHandle rotate = d.getKey("/Rotate"); rotate.isInteger()) j["rotate"] = rotate.getIntValueAsInt();
  if (QPDFObjectHandle quads = d.getKey("/QuadPoints"); quads.isArray()) j["quadPoints"] = numbers(quads);
  return j;
}

// The dictionary of one annotation described as describe() gives it.
QPDFObjectHandle build(const Json& a, QPDFObjectHandle page) {
  auto str = [&](const char* key) {
    return a.contains(key) && a.at(key).is_string() ? a.at(key).get<std::string>() : "";
  };
  const std::string kind = str("subtype");
  if (!kMarkupKinds.count(kind)) refuse("setAnnotations: unknown annotation type " + kind);
  if (!a.contains("rect") || !a.at("rect").is_array() || a.at("rect").size() != 4)
    refuse("setAnnotations: \"rect\" must be four numbers");
  QPDFObjectHandle d = QPDFObjectHandle::newDictionary();
  d.replaceKey("/Type", QPDFObjectHandle::newName("/Annot"));
  d.replaceKey("/Subtype", QPDFObjectHandle::newName("/" + kind));
  d.replaceKey("/Rect", numberArray(a.at("rect")));
  d.replaceKey("/P", page);
  for (const auto& [key, pdfKey] :
       {std::pair{"contents", "/Contents"}, {"author", "/T"}, {"subject", "/Subj"}, {"name", "/NM"}}) {
    if (!str(key).empty()) d.replaceKey(pdfKey, QPDFObjectHandle::newUnicodeString(str(key)));
  }
  d.replaceKey("/C", numberArray(a.value("color", Json::array())));
  d.replaceKey("/F", QPDFObjectHandle::newInteger(a.value("flags", 4)));
  if (a.contains("opacity") && a.at("opacity").is_number())
    d.replaceKey("/CA", QPDFObjectHandle::newReal(a.at("opacity").get<double>(), 3, true));
  if (a.contains("borderWidth") && a.at("borderWidth").is_number()) {
    QPDFObjectHandle bs = QPDFObjectHandle::newDictionary();
    bs.replaceKey("/W", QPDFObjectHandle::newReal(a.at("borderWidth").get<double>(), 2, true));
    d.replaceKey("/BS", bs);
  }
  if (!str("icon").empty()) d.replaceKey("/Name", name(str("icon")));
  if (!str("state").empty()) {
    d.replaceKey("/State", QPDFObjectHandle::newUnicodeString(str("state")));
    d.replaceKey("/StateModel", QPDFObjectHandle::newUnicodeString("Review"));
  }
  if (kind == "FreeText") {
    const std::string font = str("font").empty() ? "Helvetica" : str("font");
    std::ostringstream da;
    da << "/" << name(font).getName().substr(1) << ' ' << a.value("fontSize", 8) << " Tf "
       << colourOperator(a.value("textColor", Json::array()));
    d.replaceKey("/DA", QPDFObjectHandle::newString(da.str()));
    d.replaceKey("/Q", QPDFObjectHandle::newInteger(a.value("align", 0)));
    if (a.contains("fill")) d.replaceKey("/IC", numberArray(a.at("fill")));
    if (a.value("rotate", 0) != 0) d.replaceKey("/Rotate", QPDFObjectHandle::newInteger(a.value("rotate", 0)));
  }
  if (a.contains("quadPoints")) d.replaceKey("/QuadPoints", numberArray(a.at("quadPoints")));
  return d;
}

}  // namespace

Json markupAnnotationFacts(QPDF& pdf) {
  Json out = Json::array();
  std::vector<QPDFPageObjectHelper> pages = QPDFPageDocumentHelper(pdf).getAllPages();
  for (size_t i = 0; i < pages.size(); ++i)
    for (QPDFAnnotationObjectHelper& a : pages[i].getAnnotations())
      if (kMarkupKinds.count(kindOf(a))) out.push_back(describe(a, static_cast<int>(i) + 1));
  return out;
}

void setAnnotations(QpdfDocument& doc, const Json& op) {
  if (!op.contains("pages") || !op.at("pages").is_array()) refuse("setAnnotations: \"pages\" must be a list");
  std::vector<QPDFPageObjectHelper> pages = QPDFPageDocumentHelper(doc.pdf).getAllPages();
  for (const Json& entry : op.at("pages")) {
    const int n = entry.value("page", 0);
    if (n < 1 || n > static_cast<int>(pages.size())) refuse("setAnnotations: no page " + std::to_string(n));
    if (!entry.contains("annotations") || !entry.at("annotations").is_array())
      refuse("setAnnotations: \"annotations\" must be a list");
    QPDFPageObjectHelper& page = pages[static_cast<size_t>(n - 1)];
    QPDFObjectHandle pageObject = page.getObjectHandle();
    // Everything but the kinds this edit owns (and their popups) stays.
    QPDFObjectHandle kept = QPDFObjectHandle::newArray();
    for (QPDFAnnotationObjectHelper& a : page.getAnnotations()) {
      const std::string kind = kindOf(a);
      if (!kMarkupKinds.count(kind) && kind != "Popup") kept.appendItem(a.getObjectHandle());
    }
    for (const Json& a : entry.at("annotations")) {
      QPDFObjectHandle annot = doc.pdf.makeIndirectObject(build(a, pageObject));
      kept.appendItem(annot);
      if (a.contains("popup") && a.at("popup").is_object()) {
        const Json& p = a.at("popup");
        QPDFObjectHandle popup = QPDFObjectHandle::newDictionary();
        popup.replaceKey("/Type", QPDFObjectHandle::newName("/Annot"));
        popup.replaceKey("/Subtype", QPDFObjectHandle::newName("/Popup"));
        popup.replaceKey("/Rect", numberArray(p.value("rect", Json::array({0, 0, 0, 0}))));
        popup.replaceKey("/Open", QPDFObjectHandle::newBool(p.value("open", false)));
        popup.replaceKey("/Parent", annot);
        popup.replaceKey("/P", pageObject);
        popup = doc.pdf.makeIndirectObject(popup);
        annot.replaceKey("/Popup", popup);
        kept.appendItem(popup);
      }
    }
    pageObject.replaceKey("/Annots", kept);
  }
}

}  // namespace dv::pdftool
