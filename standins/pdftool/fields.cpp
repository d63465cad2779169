// Form fields in the file: reading every property PDF has a place for,
// writing a field (created with its widget on its page, or changed), and
// removing one. The JSON form is the viewer stand-in's (FormField):
// name, type, page (from 1), rect (left, top, right, bottom), props by
// JavaScript name, items (text, export value), actions by trigger,
// captions (normal, down, rollover).
#include "fields.h"

#include <qpdf/QPDFAcroFormDocumentHelper.hh>
#include <qpdf/QPDFAnnotationObjectHelper.hh>
#include <qpdf/QPDFFormFieldObjectHelper.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>

#include <qpdf/Buffer.hh>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <set>
#include <sstream>

namespace dv::pdftool {

namespace {

using QOH = QPDFObjectHandle;

// Field flags (/Ff), by bit.
constexpr int kReadOnly = 1 << 0, kRequired = 1 << 1;
constexpr int kMultiline = 1 << 12, kPassword = 1 << 13, kFileSelect = 1 << 20, kDoNotSpellCheck = 1 << 22,
              kDoNotScroll = 1 << 23, kComb = 1 << 24;
constexpr int kNoToggleToOff = 1 << 14, kRadio = 1 << 15, kPushbutton = 1 << 16, kRadiosInUnison = 1 << 25;
constexpr int kCombo = 1 << 17, kEdit = 1 << 18, kMultiSelect = 1 << 21, kCommitOnSelChange = 1 << 26;
// Annotation flags (/F).
constexpr int kHidden = 2, kPrint = 4, kNoView = 32;

struct Pair {
  const char* js;
  const char* pdf;
};
const Pair kTriggers[] = {{"MouseUp", "/U"},  {"MouseDown", "/D"}, {"MouseEnter", "/E"}, {"MouseExit", "/X"},
                          {"OnFocus", "/Fo"}, {"OnBlur", "/Bl"},   {"Keystroke", "/K"},  {"Format", "/F"},
                          {"Validate", "/V"}, {"Calculate", "/C"}};
const Pair kBorders[] = {{"solid", "/S"}, {"dashed", "/D"}, {"beveled", "/B"}, {"inset", "/I"}, {"underline", "/U"}};
const Pair kHighlights[] = {{"none", "/N"}, {"invert", "/I"}, {"push", "/P"}, {"outline", "/O"}};
// Check box glyphs: ZapfDingbats characters.
const Pair kStyles[] = {{"check", "4"},  {"cross", "8"}, {"diamond", "u"},
                        {"circle", "l"}, {"star", "H"},  {"square", "n"}};
const char* const kScaleWhen[] = {"/A", "/N", "/B", "/S"};

const char* pdfOf(const Pair* table, size_t n, const std::string& js, const char* fallback) {
  for (size_t i = 0; i < n; ++i)
    if (js == table[i].js) return table[i].pdf;
  return fallback;
}
std::string jsOf(const Pair* table, size_t n, const std::string& pdf, const std::string& fallback) {
  for (size_t i = 0; i < n; ++i)
    if (pdf == table[i].pdf) return table[i].js;
  return fallback;
}
#define DV_TABLE(t) t, std::size(t)

bool flag(const Json& props, const char* name) {
  return props.contains(name) && props[name].is_boolean() && props[name].get<bool>();
}
std::string text(const Json& props, const char* name, const std::string& fallback = "") {
  return props.contains(name) && props[name].is_string() ? props[name].get<std::string>() : fallback;
}
double number(const Json& props, const char* name, double fallback = 0) {
  return props.contains(name) && props[name].is_number() ? props[name].get<double>() : fallback;
}

std::vector<std::string> strings(const Json& v) {
  std::vector<std::string> out;
  if (v.is_array()) {
    for (const Json& e : v)
      if (e.is_string()) out.push_back(e.get<std::string>());
  } else if (v.is_string()) {
    out.push_back(v.get<std::string>());
  }
  return out;
}

// A colour of the stand-in (["RGB", 1, 0, 0]) as a PDF array; null for transparent.
QOH pdfColour(const Json& c) {
  if (!c.is_array() || c.empty() || !c[0].is_string() || c[0] == "T") return QOH::newNull();
  QOH out = QOH::newArray();
  for (size_t i = 1; i < c.size(); ++i)
    if (c[i].is_number()) out.appendItem(QOH::newReal(c[i].get<double>(), 4, true));
  return out;
}
Json jsColour(QOH c) {
  if (!c.isArray()) return Json::array({"T"});
  std::vector<double> n;
  for (int i = 0; i < c.getArrayNItems(); ++i)
    if (c.getArrayItem(i).isNumber()) n.push_back(c.getArrayItem(i).getNumericValue());
  const char* space = n.size() == 1 ? "G" : n.size() == 3 ? "RGB" : n.size() == 4 ? "CMYK" : nullptr;
  if (!space) return Json::array({"T"});
  Json out = Json::array({space});
  for (double d : n) out.push_back(d);
  return out;
}
// The colour operator of a default appearance.
std::string colourOperator(const Json& c) {
  std::ostringstream s;
  QOH a = pdfColour(c);
  if (a.isNull()) return "0 g";
  for (int i = 0; i < a.getArrayNItems(); ++i) s << a.getArrayItem(i).getNumericValue() << " ";
  s << (a.getArrayNItems() == 1 ? "g" : a.getArrayNItems() == 3 ? "rg" : "k");
  return s.str();
}

std::string fontResourceName(const std::string& font) {
  std::string name;
  for (char c : font)
    if (std::isalnum(static_cast<unsigned char>(c))) name += c;
  return name.empty() ? "Helv" : name;
}

QOH jsAction(const std::string& script) {
  QOH a = QOH::newDictionary();
  a.replaceKey("/S", QOH::newName("/JavaScript"));
  a.replaceKey("/JS", QOH::newUnicodeString(script));
  return a;
}

QOH dictOrNew(QOH parent, const std::string& key) {
  QOH d = parent.getKey(key);
  if (!d.isDictionary()) {
    d = QOH::newDictionary();
    parent.replaceKey(key, d);
  }
  return d;
}

// A check box's or radio button's appearance: the glyph on, nothing off.
QOH boxAppearance(QPDF& pdf, double w, double h, const std::string& glyph, const Json& ink, bool on) {
  std::ostringstream s;
  if (on) {
    const double size = std::max(1.0, std::min(w, h) * 0.8);
    s << "q BT /ZaDb " << size << " Tf " << colourOperator(ink) << " " << (w - size * 0.75) / 2 << " "
      << (h - size * 0.7) / 2 << " Td (" << glyph << ") Tj ET Q";
  }
  QOH stream = QOH::newStream(&pdf, s.str());
  QOH dict = stream.getDict();
  dict.replaceKey("/Type", QOH::newName("/XObject"));
  dict.replaceKey("/Subtype", QOH::newName("/Form"));
  dict.replaceKey("/BBox", QOH::newArray({QOH::newInteger(0), QOH::newInteger(0), QOH::newReal(w, 2, true),
                                          QOH::newReal(h, 2, true)}));
  QOH zapf = QOH::parse("<< /Type /Font /Subtype /Type1 /BaseFont /ZapfDingbats >>");
  dict.replaceKey("/Resources", QOH::parse("<< /Font << >> >>"));
  dict.getKey("/Resources").getKey("/Font").replaceKey("/ZaDb", zapf);
  return stream;
}

std::string onStateOf(const Json& props) {
  const std::vector<std::string> exports = strings(props.value("ExportValues", Json()));
  return exports.empty() || exports[0].empty() ? "Yes" : exports[0];
}

// The name of a PDF name object without its slash, decoded.
std::string nameText(QOH n) { return n.isName() ? n.getName().substr(1) : std::string(); }

}  // namespace

std::optional<QPDFFormFieldObjectHelper> findField(QPDF& pdf, const std::string& name) {
  QPDFAcroFormDocumentHelper form(pdf);
  for (QPDFFormFieldObjectHelper& f : form.getFormFields())
    if (f.getFullyQualifiedName() == name) return f;
  return std::nullopt;
}

void removeField(QpdfDocument& doc, const Json& which) {
  if (!which.is_string()) refuse("setField: \"remove\" must name a field");
  const std::string name = which.get<std::string>();
  QPDF& pdf = doc.pdf;
  std::optional<QPDFFormFieldObjectHelper> field = findField(pdf, name);
  if (!field) refuse("setField: no field " + name + " to remove");
  QPDFAcroFormDocumentHelper form(pdf);
  std::set<QPDFObjGen> gone;
  gone.insert(field->getObjectHandle().getObjGen());
  for (QPDFAnnotationObjectHelper& w : form.getAnnotationsForField(*field))
    gone.insert(w.getObjectHandle().getObjGen());
  form.removeFormFields(gone);
  for (QPDFPageObjectHelper& page : QPDFPageDocumentHelper(pdf).getAllPages()) {
    QOH annots = page.getObjectHandle().getKey("/Annots");
    if (!annots.isArray()) continue;
    QOH kept = QOH::newArray();
    for (int i = 0; i < annots.getArrayNItems(); ++i)
      if (!gone.count(annots.getArrayItem(i).getObjGen())) kept.appendItem(annots.getArrayItem(i));
    page.getObjectHandle().replaceKey("/Annots", kept);
  }
  QOH co = pdf.getRoot().getKey("/AcroForm").getKey("/CO");
  if (co.isArray()) {
    QOH kept = QOH::newArray();
    for (int i = 0; i < co.getArrayNItems(); ++i)
      if (!gone.count(co.getArrayItem(i).getObjGen())) kept.appendItem(co.getArrayItem(i));
    pdf.getRoot().getKey("/AcroForm").replaceKey("/CO", kept);
  }
}

void setField(QpdfDocument& doc, const Json& op) {
  const Json& f = op.contains("field") ? op["field"] : Json();
  if (!f.is_object() || !f.contains("name") || !f["name"].is_string() || f["name"].get<std::string>().empty())
    refuse("setField: the field has no name");
  QPDF& pdf = doc.pdf;
  const std::string name = f["name"].get<std::string>();
  const std::string type = f.value("type", std::string("text"));
  const Json props = f.value("props", Json::object());
  std::vector<QPDFPageObjectHelper> pages = QPDFPageDocumentHelper(pdf).getAllPages();
  const int pageNumber = f.value("page", 1);
  if (pageNumber < 1 || pageNumber > static_cast<int>(pages.size()))
    refuse("setField: no page " + std::to_string(pageNumber));
  QPDFPageObjectHelper page = pages[static_cast<size_t>(pageNumber - 1)];
  std::vector<double> r;
  for (const Json& n : f.value("rect", Json::array()))
    if (n.is_number()) r.push_back(n.get<double>());
  if (r.size() != 4) refuse("setField: \"rect\" needs four numbers");

  QPDFAcroFormDocumentHelper form(pdf);
  QOH acroForm = pdf.getRoot().getKey("/AcroForm");
  if (!acroForm.isDictionary()) {
    acroForm = pdf.makeIndirectObject(QOH::parse("<< /Fields [] >>"));
    pdf.getRoot().replaceKey("/AcroForm", acroForm);
  }
  // An existing field is written over in place; a new one is one
  // dictionary that is both the field and its widget.
  QOH dict;
  if (std::optional<QPDFFormFieldObjectHelper> existing = findField(pdf, name)) {
    dict = existing->getObjectHandle();
  } else {
    dict = pdf.makeIndirectObject(QOH::newDictionary());
    dict.replaceKey("/Type", QOH::newName("/Annot"));
    dict.replaceKey("/Subtype", QOH::newName("/Widget"));
    dict.replaceKey("/T", QOH::newUnicodeString(name));
    form.addFormField(QPDFFormFieldObjectHelper(dict));
    QOH annots = page.getObjectHandle().getKey("/Annots");
    if (!annots.isArray()) {
      annots = QOH::newArray();
      page.getObjectHandle().replaceKey("/Annots", annots);
    }
    annots.appendItem(dict);
  }
  dict.replaceKey("/P", page.getObjectHandle());
  const double llx = std::min(r[0], r[2]), urx = std::max(r[0], r[2]);
  const double lly = std::min(r[1], r[3]), ury = std::max(r[1], r[3]);
  dict.replaceKey("/Rect", QOH::newArray({QOH::newReal(llx, 2, true), QOH::newReal(lly, 2, true),
                                          QOH::newReal(urx, 2, true), QOH::newReal(ury, 2, true)}));

  int ff = 0;
  if (flag(props, "ReadOnly")) ff |= kReadOnly;
  if (flag(props, "Required")) ff |= kRequired;
  const char* ft = "/Tx";
  if (type == "text") {
    if (flag(props, "MultiLine")) ff |= kMultiline;
    if (flag(props, "Password")) ff |= kPassword;
    if (flag(props, "FileSelect")) ff |= kFileSelect;
    if (flag(props, "DoNotSpellCheck")) ff |= kDoNotSpellCheck;
    if (flag(props, "DoNotScroll")) ff |= kDoNotScroll;
    if (flag(props, "Comb")) ff |= kComb;
  } else if (type == "button" || type == "checkbox" || type == "radiobutton") {
    ft = "/Btn";
    if (type == "button") ff |= kPushbutton;
    if (type == "radiobutton") ff |= kRadio | kNoToggleToOff;
    if (type == "radiobutton" && flag(props, "RadiosInUnison")) ff |= kRadiosInUnison;
  } else if (type == "combobox" || type == "listbox") {
    ft = "/Ch";
    if (type == "combobox") ff |= kCombo;
    if (type == "combobox" && flag(props, "Editable")) ff |= kEdit;
    if (type == "listbox" && flag(props, "MultipleSelection")) ff |= kMultiSelect;
    if (flag(props, "DoNotSpellCheck")) ff |= kDoNotSpellCheck;
    if (flag(props, "CommitOnSelChange")) ff |= kCommitOnSelChange;
  } else if (type == "signature") {
    ft = "/Sig";
  } else {
    refuse("setField: unknown type " + type);
  }
  dict.replaceKey("/FT", QOH::newName(ft));
  dict.replaceKey("/Ff", QOH::newInteger(ff));

  const int display = static_cast<int>(number(props, "Display", 0));
  int annotFlags = display == 1 ? kHidden : display == 2 ? 0 : display == 3 ? kNoView | kPrint : kPrint;
  if (props.contains("Print") && props["Print"].is_boolean() && !props["Print"].get<bool>()) annotFlags &= ~kPrint;
  dict.replaceKey("/F", QOH::newInteger(annotFlags));

  const std::string alignment = text(props, "Alignment", "left");
  dict.replaceKey("/Q", QOH::newInteger(alignment == "center" ? 1 : alignment == "right" ? 2 : 0));
  const int charLimit = static_cast<int>(number(props, "CharLimit", 0));
  if (type == "text" && charLimit > 0) dict.replaceKey("/MaxLen", QOH::newInteger(charLimit));
  else dict.removeKey("/MaxLen");

  // Default appearance: font (in the form's resources), size, colour.
  const std::string font = text(props, "TextFont", "Helvetica");
  const std::string resource = fontResourceName(font);
  QOH dr = dictOrNew(acroForm, "/DR");
  QOH fonts = dictOrNew(dr, "/Font");
  if (!fonts.hasKey("/" + resource)) {
    QOH fontDict = pdf.makeIndirectObject(QOH::parse("<< /Type /Font /Subtype /Type1 >>"));
    fontDict.replaceKey("/BaseFont", QOH::newName("/" + font));
    if (font != "Symbol" && font != "ZapfDingbats") fontDict.replaceKey("/Encoding", QOH::newName("/WinAnsiEncoding"));
    fonts.replaceKey("/" + resource, fontDict);
  }
  if (!fonts.hasKey("/ZaDb"))
    fonts.replaceKey("/ZaDb",
                     pdf.makeIndirectObject(QOH::parse("<< /Type /Font /Subtype /Type1 /BaseFont /ZapfDingbats >>")));
  std::ostringstream da;
  const bool box = type == "checkbox" || type == "radiobutton";
  da << "/" << (box ? std::string("ZaDb") : resource) << " " << number(props, "TextSize", 0) << " Tf "
     << colourOperator(props.value("TextColor", Json()));
  dict.replaceKey("/DA", QOH::newString(da.str()));

  QOH mk = QOH::newDictionary();
  if (QOH bg = pdfColour(props.value("FillColor", Json())); !bg.isNull()) mk.replaceKey("/BG", bg);
  if (QOH bc = pdfColour(props.value("StrokeColor", Json())); !bc.isNull()) mk.replaceKey("/BC", bc);
  const int rotation = static_cast<int>(number(props, "Rotation", 0));
  if (rotation != 0) mk.replaceKey("/R", QOH::newInteger(rotation));
  const Json captions = f.value("captions", Json::array());
  const char* captionKeys[] = {"/CA", "/AC", "/RC"};
  if (type == "button") {
    for (size_t i = 0; i < 3 && i < captions.size(); ++i)
      if (captions[i].is_string() && !captions[i].get<std::string>().empty())
        mk.replaceKey(captionKeys[i], QOH::newUnicodeString(captions[i].get<std::string>()));
    mk.replaceKey("/TP", QOH::newInteger(static_cast<int>(number(props, "ButtonPosition", 0))));
    QOH fit = QOH::newDictionary();
    fit.replaceKey("/A", QOH::newArray({QOH::newReal(number(props, "ButtonAlignX", 50) / 100, 2, true),
                                        QOH::newReal(number(props, "ButtonAlignY", 50) / 100, 2, true)}));
    fit.replaceKey("/FB", QOH::newBool(flag(props, "ButtonFitBounds")));
    fit.replaceKey("/S", QOH::newName(number(props, "ButtonScaleHow", 0) == 1 ? "/A" : "/P"));
    const int when = static_cast<int>(number(props, "ButtonScaleWhen", 0));
    fit.replaceKey("/SW", QOH::newName(kScaleWhen[when >= 0 && when < 4 ? when : 0]));
    mk.replaceKey("/IF", fit);
  }
  if (box) mk.replaceKey("/CA", QOH::newString(pdfOf(DV_TABLE(kStyles), text(props, "Style", "check"), "4")));
  dict.replaceKey("/MK", mk);

  QOH bs = QOH::newDictionary();
  bs.replaceKey("/W", QOH::newInteger(static_cast<int>(number(props, "LineWidth", 1))));
  bs.replaceKey("/S", QOH::newName(pdfOf(DV_TABLE(kBorders), text(props, "BorderStyle", "solid"), "/S")));
  dict.replaceKey("/BS", bs);
  if (type == "button")
    dict.replaceKey("/H", QOH::newName(pdfOf(DV_TABLE(kHighlights), text(props, "Highlight", "none"), "/N")));

  const std::string userName = text(props, "UserName");
  if (!userName.empty()) dict.replaceKey("/TU", QOH::newUnicodeString(userName));
  else dict.removeKey("/TU");
  const std::string submitName = text(props, "SubmitName");
  if (!submitName.empty()) dict.replaceKey("/TM", QOH::newUnicodeString(submitName));
  else dict.removeKey("/TM");

  // Items, value and default value.
  const Json value = props.value("Value", Json(""));
  const std::string defaultValue = text(props, "DefaultValue");
  if (type == "combobox" || type == "listbox") {
    QOH opt = QOH::newArray();
    std::vector<std::pair<std::string, std::string>> items;
    for (const Json& item : f.value("items", Json::array()))
      if (item.is_array() && item.size() == 2 && item[0].is_string() && item[1].is_string())
        items.emplace_back(item[0].get<std::string>(), item[1].get<std::string>());
    for (const auto& [display, exported] : items)
      opt.appendItem(display == exported
                         ? QOH::newUnicodeString(display)
                         : QOH::newArray({QOH::newUnicodeString(exported), QOH::newUnicodeString(display)}));
    dict.replaceKey("/Opt", opt);
    const std::vector<std::string> selected = strings(value);
    QOH indices = QOH::newArray();
    for (size_t i = 0; i < items.size(); ++i)
      if (std::find(selected.begin(), selected.end(), items[i].second) != selected.end())
        indices.appendItem(QOH::newInteger(static_cast<long long>(i)));
    if (value.is_array()) {
      QOH v = QOH::newArray();
      for (const std::string& s : selected) v.appendItem(QOH::newUnicodeString(s));
      dict.replaceKey("/V", v);
    } else {
      dict.replaceKey("/V", QOH::newUnicodeString(selected.empty() ? "" : selected[0]));
    }
    if (indices.getArrayNItems() > 0) dict.replaceKey("/I", indices);
    else dict.removeKey("/I");
  } else if (box) {
    const std::string on = onStateOf(props);
    const std::string current = value.is_string() ? value.get<std::string>() : "Off";
    dict.replaceKey("/V", QOH::newName("/" + (current == on ? on : std::string("Off"))));
    dict.replaceKey("/AS", QOH::newName("/" + (current == on ? on : std::string("Off"))));
    dict.replaceKey("/DV", QOH::newName("/" + (defaultValue == on ? on : std::string("Off"))));
    const std::string glyph = pdfOf(DV_TABLE(kStyles), text(props, "Style", "check"), "4");
    QOH normal = QOH::newDictionary();
    normal.replaceKey("/" + on,
                      boxAppearance(pdf, urx - llx, ury - lly, glyph, props.value("TextColor", Json()), true));
    normal.replaceKey("/Off", boxAppearance(pdf, urx - llx, ury - lly, glyph, Json(), false));
    QOH ap = QOH::newDictionary();
    ap.replaceKey("/N", normal);
    dict.replaceKey("/AP", ap);
  } else if (type == "text") {
    dict.replaceKey("/V", QOH::newUnicodeString(value.is_string() ? value.get<std::string>() : ""));
  }
  if (!box && type != "button" && type != "signature") {
    if (!defaultValue.empty()) dict.replaceKey("/DV", QOH::newUnicodeString(defaultValue));
    else dict.removeKey("/DV");
  }

  // Actions: MouseUp is the widget's own action, the others additional ones.
  dict.removeKey("/A");
  QOH aa = QOH::newDictionary();
  const Json actions = f.value("actions", Json::object());
  for (const auto& [trigger, script] : actions.items()) {
    if (!script.is_string()) continue;
    if (trigger == "MouseUp") dict.replaceKey("/A", jsAction(script.get<std::string>()));
    else if (std::string key = pdfOf(DV_TABLE(kTriggers), trigger, ""); !key.empty())
      aa.replaceKey(key, jsAction(script.get<std::string>()));
  }
  if (aa.getKeys().empty()) dict.removeKey("/AA");
  else dict.replaceKey("/AA", aa);

  // Calculation order: fields with a Calculate action, by CalcOrderIndex.
  QOH co = acroForm.getKey("/CO");
  QOH order = QOH::newArray();
  if (co.isArray())
    for (int i = 0; i < co.getArrayNItems(); ++i)
      if (co.getArrayItem(i).getObjGen() != dict.getObjGen()) order.appendItem(co.getArrayItem(i));
  if (aa.hasKey("/C")) {
    const int at = std::clamp(static_cast<int>(number(props, "CalcOrderIndex", 0)), 0, order.getArrayNItems());
    order.insertItem(at, dict);
  }
  if (order.getArrayNItems() > 0) acroForm.replaceKey("/CO", order);
  else acroForm.removeKey("/CO");

  // Text and choice appearances come from libqpdf; viewers draw the rest.
  acroForm.replaceKey("/NeedAppearances", QOH::newBool(true));
}

void finishFields(QPDF& pdf) {
  QPDFAcroFormDocumentHelper form(pdf);
  if (!form.hasAcroForm()) return;
  form.generateAppearancesIfNeeded();
  // Buttons and signatures keep no generated appearance: viewers draw them.
  pdf.getRoot().getKey("/AcroForm").replaceKey("/NeedAppearances", QOH::newBool(true));
}

Json fieldFacts(QPDF& pdf, QPDFFormFieldObjectHelper& field, QPDFAnnotationObjectHelper& widget, int page,
                const std::string& type, const std::string& path) {
  QOH w = widget.getObjectHandle();
  const int ff = field.getFlags();
  Json props = Json::object();
  props["ReadOnly"] = (ff & kReadOnly) != 0;
  props["Required"] = (ff & kRequired) != 0;
  if (type == "text") {
    props["MultiLine"] = (ff & kMultiline) != 0;
    props["Password"] = (ff & kPassword) != 0;
    props["FileSelect"] = (ff & kFileSelect) != 0;
    props["DoNotSpellCheck"] = (ff & kDoNotSpellCheck) != 0;
    props["DoNotScroll"] = (ff & kDoNotScroll) != 0;
    props["Comb"] = (ff & kComb) != 0;
    QOH maxLen = field.getInheritableFieldValue("/MaxLen");
    props["CharLimit"] = maxLen.isInteger() ? maxLen.getIntValueAsInt() : 0;
  }
  if (type == "radiobutton") props["RadiosInUnison"] = (ff & kRadiosInUnison) != 0;
  if (type == "combobox" || type == "listbox") {
    props["Editable"] = (ff & kEdit) != 0;
    props["MultipleSelection"] = (ff & kMultiSelect) != 0;
    props["DoNotSpellCheck"] = (ff & kDoNotSpellCheck) != 0;
    props["CommitOnSelChange"] = (ff & kCommitOnSelChange) != 0;
  }
  const int f = widget.getFlags();
  props["Print"] = (f & kPrint) != 0;
  props["Display"] = (f & kHidden) ? 1 : (f & kNoView) ? 3 : (f & kPrint) ? 0 : 2;
  const int q = field.getQuadding();
  props["Alignment"] = q == 1 ? "center" : q == 2 ? "right" : "left";

  // Default appearance: "/Res size Tf colour op".
  std::istringstream da(field.getDefaultAppearance());
  std::vector<std::string> tokens{std::istream_iterator<std::string>(da), std::istream_iterator<std::string>()};
  for (size_t i = 0; i < tokens.size(); ++i) {
    if (tokens[i] == "Tf" && i >= 2) {
      props["TextSize"] = static_cast<int>(std::lround(std::atof(tokens[i - 1].c_str())));
      QOH font = pdf.getRoot().getKey("/AcroForm").getKey("/DR").getKey("/Font").getKey(tokens[i - 2]);
      if (font.isDictionary() && font.getKey("/BaseFont").isName() && tokens[i - 2] != "/ZaDb")
        props["TextFont"] = nameText(font.getKey("/BaseFont"));
    }
    const size_t n = tokens[i] == "g" ? 1 : tokens[i] == "rg" ? 3 : tokens[i] == "k" ? 4 : 0;
    if (n && i >= n) {
      Json c = Json::array({n == 1 ? "G" : n == 3 ? "RGB" : "CMYK"});
      for (size_t k = i - n; k < i; ++k) c.push_back(std::atof(tokens[k].c_str()));
      props["TextColor"] = c;
    }
  }

  QOH mk = w.getKey("/MK");
  props["FillColor"] = jsColour(mk.isDictionary() ? mk.getKey("/BG") : QOH::newNull());
  props["StrokeColor"] = jsColour(mk.isDictionary() ? mk.getKey("/BC") : QOH::newNull());
  props["Rotation"] = mk.isDictionary() && mk.getKey("/R").isInteger() ? mk.getKey("/R").getIntValueAsInt() : 0;
  Json captions = Json::array({"", "", ""});
  if (mk.isDictionary()) {
    const char* captionKeys[] = {"/CA", "/AC", "/RC"};
    if (type == "button")
      for (int i = 0; i < 3; ++i)
        if (mk.getKey(captionKeys[i]).isString()) captions[i] = mk.getKey(captionKeys[i]).getUTF8Value();
    if ((type == "checkbox" || type == "radiobutton") && mk.getKey("/CA").isString())
      props["Style"] = jsOf(DV_TABLE(kStyles), mk.getKey("/CA").getStringValue(), "check");
    if (type == "button") {
      if (mk.getKey("/TP").isInteger()) props["ButtonPosition"] = mk.getKey("/TP").getIntValueAsInt();
      QOH fit = mk.getKey("/IF");
      if (fit.isDictionary()) {
        QOH a = fit.getKey("/A");
        if (a.isArray() && a.getArrayNItems() == 2) {
          props["ButtonAlignX"] = static_cast<int>(std::lround(a.getArrayItem(0).getNumericValue() * 100));
          props["ButtonAlignY"] = static_cast<int>(std::lround(a.getArrayItem(1).getNumericValue() * 100));
        }
        props["ButtonFitBounds"] = fit.getKey("/FB").isBool() && fit.getKey("/FB").getBoolValue();
        props["ButtonScaleHow"] = nameText(fit.getKey("/S")) == "A" ? 1 : 0;
        const std::string when = nameText(fit.getKey("/SW"));
        props["ButtonScaleWhen"] = when == "N" ? 1 : when == "B" ? 2 : when == "S" ? 3 : 0;
      }
    }
  }
  QOH bs = w.getKey("/BS");
  if (bs.isDictionary()) {
    if (bs.getKey("/W").isNumber())
      props["LineWidth"] = static_cast<int>(std::lround(bs.getKey("/W").getNumericValue()));
    if (bs.getKey("/S").isName()) props["BorderStyle"] = jsOf(DV_TABLE(kBorders), bs.getKey("/S").getName(), "solid");
  }
  if (w.getKey("/H").isName()) props["Highlight"] = jsOf(DV_TABLE(kHighlights), w.getKey("/H").getName(), "none");
  QOH tu = field.getInheritableFieldValue("/TU");
  props["UserName"] = tu.isString() ? tu.getUTF8Value() : "";
  QOH tm = field.getInheritableFieldValue("/TM");
  props["SubmitName"] = tm.isString() ? tm.getUTF8Value() : "";

  Json items = Json::array();
  QOH v = field.getValue();
  QOH dv = field.getDefaultValue();
  if (type == "combobox" || type == "listbox") {
    QOH opt = field.getInheritableFieldValue("/Opt");
    if (opt.isArray())
      for (int i = 0; i < opt.getArrayNItems(); ++i) {
        QOH o = opt.getArrayItem(i);
        if (o.isString()) items.push_back({o.getUTF8Value(), o.getUTF8Value()});
        else if (o.isArray() && o.getArrayNItems() == 2)
          items.push_back({o.getArrayItem(1).getUTF8Value(), o.getArrayItem(0).getUTF8Value()});
      }
    if (v.isArray()) {
      Json list = Json::array();
      for (int i = 0; i < v.getArrayNItems(); ++i)
        if (v.getArrayItem(i).isString()) list.push_back(v.getArrayItem(i).getUTF8Value());
      props["Value"] = list;
    } else {
      props["Value"] = v.isString() ? v.getUTF8Value() : "";
    }
    props["DefaultValue"] = dv.isString() ? dv.getUTF8Value() : "";
  } else if (type == "checkbox" || type == "radiobutton") {
    // The on-state of the widget's appearances is its export value.
    std::string on = "Yes";
    QOH normal = w.getKey("/AP").getKey("/N");
    if (normal.isDictionary())
      for (const std::string& key : normal.getKeys())
        if (key != "/Off") on = key.substr(1);
    props["ExportValues"] = Json::array({on});
    props["Value"] = v.isName() ? nameText(v) : "Off";
    props["DefaultValue"] = dv.isName() ? nameText(dv) : "";
  } else if (type == "text") {
    props["Value"] = v.isString() ? v.getUTF8Value() : "";
    props["DefaultValue"] = dv.isString() ? dv.getUTF8Value() : "";
  }

  Json actions = Json::object();
  auto readAction = [&](QOH a, const std::string& trigger) {
    if (!a.isDictionary()) return;
    QOH js = a.getKey("/JS");
    if (js.isString()) {
      actions[trigger] = js.getUTF8Value();
    } else if (js.isStream()) {
      std::shared_ptr<Buffer> data = js.getStreamData(qpdf_dl_generalized);
      actions[trigger] = std::string(reinterpret_cast<const char*>(data->getBuffer()), data->getSize());
    }
  };
  readAction(w.getKey("/A"), "MouseUp");
  for (QOH holder : {field.getObjectHandle(), w}) {
    QOH aa = holder.getKey("/AA");
    if (!aa.isDictionary()) continue;
    for (const std::string& key : aa.getKeys()) {
      const std::string trigger = jsOf(DV_TABLE(kTriggers), key, "");
      if (!trigger.empty()) readAction(aa.getKey(key), trigger);
    }
  }
  int calcIndex = 0;
  QOH co = pdf.getRoot().getKey("/AcroForm").getKey("/CO");
  if (co.isArray())
    for (int i = 0; i < co.getArrayNItems(); ++i)
      if (co.getArrayItem(i).getObjGen() == field.getObjectHandle().getObjGen()) calcIndex = i;
  props["CalcOrderIndex"] = calcIndex;

  QOH r = w.getKey("/Rect");
  Json rect = Json::array();
  if (r.isRectangle()) {
    const QOH::Rectangle box = r.getArrayAsRectangle();
    rect = {box.llx, box.ury, box.urx, box.lly};  // left, top, right, bottom
  }
  Json out{{"name", field.getFullyQualifiedName()},
           {"type", type},
           {"value", field.getValueAsString()},
           {"page", page},
           {"rect", rect},
           {"flags", ff},
           {"annotationFlags", f},
           {"props", props},
           {"items", items},
           {"actions", actions},
           {"captions", captions}};
  if (type == "signature") out["signatureStatus"] = signatureStatus(v, path);
  return out;
}

}  // namespace dv::pdftool
