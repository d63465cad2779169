// The page members of the viewer stand-in's JavaScript object, with
// Acrobat's JavaScript semantics and defaults: inserting, replacing,
// deleting, extracting and moving pages, new pages, page boxes, templates,
// rotations, labels, tab order, flattening, thumbnails and web links.
//
// Every operation rewrites a working copy of the open document (one
// dv-pdftool run with every change held so far and the operation after
// them); the document then reads its pages, fields, labels and words from
// that copy. The client's file changes only when the document is saved.
#include <algorithm>
#include <filesystem>

#include "dv/standins/form_fields.h"
#include "dv/standins/viewer_annotations.h"
#include "dv/standins/viewer_app.h"
#include "dv/standins/viewer_server.h"
#include "dv/vb.h"

namespace dv::standins {

namespace {

constexpr int32_t kEFail = static_cast<int32_t>(0x80004005u);

[[noreturn]] void jsError(const std::string& text) { throw AutomationError(kEFail, "Acrobat JavaScript", text); }
[[noreturn]] void rangeError(const std::string& parameter) {
  jsError("RangeError: Invalid argument value. ===> Parameter " + parameter + ".");
}
[[noreturn]] void operationFailed() { jsError("GeneralError: Operation failed."); }

ParamDef param(std::string name, bool optional = true) { return ParamDef{std::move(name), TypeDesc{}, optional}; }

// Every change the document holds, as a save would write it (without the
// modification date a save adds).
PdfChanges heldChanges(ViewerDocument& d) {
  PdfChanges changes = d.pending;
  if (d.outlineChanged) changes.outline = outlineEditItems(*documentOutline(d));
  std::vector<Json> fieldChanges = formOperations(d);
  changes.operations.insert(changes.operations.begin(), fieldChanges.begin(), fieldChanges.end());
  return changes;
}

// A new working copy: the document with its held changes and `ops` after
// them. Nothing of the document changes when the tool fails.
void rewrite(ViewerDocument& d, const std::vector<Json>& ops) {
  ToolRunner& tools = toolRunner();
  const std::string folder = tools.scratchFolder();
  auto working = std::make_shared<PageSnapshot>(folder, (std::filesystem::path(folder) / "working.pdf").string());
  PdfChanges changes = heldChanges(d);
  changes.operations.insert(changes.operations.end(), ops.begin(), ops.end());
  if (!writePdf(tools, d.facts, d.contentFile(), working->file, changes)) operationFailed();
  std::optional<PdfFacts> facts = readPdf(tools, working->file, d.facts.password);
  if (!facts) operationFailed();
  d.working = std::move(working);
  d.facts = std::move(*facts);
  d.pending = PdfChanges{};
  d.outline.reset();
  d.outlineChanged = false;
  d.form.reset();
  d.fields = d.facts.fieldNames;
  d.words.reset();
  d.annotations.reset();
  d.dirty = true;
  if (ViewerView* view = SharedViewer::instance().find(d.path)) {
    view->pages = d.facts.pages;
    view->text.reset();
    if (view->currentPage >= d.facts.pages) view->currentPage = std::max(0, d.facts.pages - 1);
  }
}

// An optional page argument (0-based) or nothing.
std::optional<int32_t> optionalPage(Invocation& inv, size_t i) {
  if (!inv.has(i) || inv.arg(i).isNull() || inv.arg(i).isEmpty()) return std::nullopt;
  return vb::CLng(inv.arg(i));
}

// Acrobat's page ranges: none = every page, a start alone = that page, an
// end alone = from the first page to it. Checked against `pages`.
struct Range {
  int32_t first, last;  // 0-based
};
Range rangeOf(Invocation& inv, size_t startAt, int32_t pages, const std::string& startName = "nStart",
              const std::string& endName = "nEnd") {
  const std::optional<int32_t> start = optionalPage(inv, startAt), end = optionalPage(inv, startAt + 1);
  Range r{start.value_or(0), end.value_or(start ? *start : pages - 1)};
  if (r.first < 0 || r.first >= pages) rangeError(startName);
  if (r.last < r.first || r.last >= pages) rangeError(endName);
  return r;
}

int32_t pageArg(Invocation& inv, size_t i, int32_t fallback, int32_t low, int32_t high, const std::string& name) {
  const int32_t p = optionalPage(inv, i).value_or(fallback);
  if (p < low || p > high) rangeError(name);
  return p;
}

// A source file's page count: the file must be a PDF the viewer can open.
int32_t sourcePages(const std::string& path) {
  std::error_code ec;
  if (path.empty() || !std::filesystem::is_regular_file(path, ec))
    jsError("UnsupportedValueError: Value is unsupported. ===> Parameter cPath.");
  std::optional<PdfFacts> facts = readPdf(toolRunner(), path);
  if (!facts) jsError("UnsupportedValueError: Value is unsupported. ===> Parameter cPath.");
  return facts->pages;
}

Json insertOperation(const std::string& path, int32_t after, Range source) {
  return Json{{"op", "insertPages"},     {"file", toolRunner().toolPath(path)},
              {"after", after},          {"first", source.first + 1},
              {"last", source.last + 1}, {"outline", false}};
}

// The Link annotations of pages first..last (0-based) in the file's facts.
int32_t linkCount(const ViewerDocument& d, Range r) {
  int32_t n = 0;
  for (const Json& a : d.facts.all.value("annotations", Json::array())) {
    const int32_t page = a.value("page", 0) - 1;
    if (a.value("subtype", std::string()) == "Link" && page >= r.first && page <= r.last) ++n;
  }
  return n;
}

const Json& pageFacts(const ViewerDocument& d, int32_t index) {
  static const Json none = Json::object();
  const Json& pages = d.facts.all.contains("pages") ? d.facts.all.at("pages") : none;
  if (!pages.is_array() || index < 0 || index >= static_cast<int32_t>(pages.size())) return none;
  return pages.at(static_cast<size_t>(index));
}

Variant numberArray(const std::vector<double>& values) {
  std::vector<Variant> items(values.begin(), values.end());
  return Variant(Array::vector(VarType::Variant, std::move(items)));
}

// ---- page labels ----

struct LabelRange {
  int32_t firstPage;  // from 1
  std::string style, prefix;
  int32_t start = 1;
};

std::vector<LabelRange> labelRanges(const ViewerDocument& d) {
  std::vector<LabelRange> out;
  for (const Json& j : d.facts.all.value("pageLabels", Json::array()))
    out.push_back({j.value("firstPage", 1), j.value("style", std::string()), j.value("prefix", std::string()),
                   j.value("start", 1)});
  return out;
}

std::string roman(int32_t n, bool upper) {
  static const std::pair<int, const char*> kDigits[] = {{1000, "m"}, {900, "cm"}, {500, "d"}, {400, "cd"}, {100, "c"},
                                                        {90, "xc"},  {50, "l"},   {40, "xl"}, {10, "x"},   {9, "ix"},
                                                        {5, "v"},    {4, "iv"},   {1, "i"}};
  std::string s;
  for (const auto& [value, text] : kDigits)
    for (; n >= value; n -= value) s += text;
  if (upper) std::transform(s.begin(), s.end(), s.begin(), [](char c) { return static_cast<char>(c - 'a' + 'A'); });
  return s;
}

// A, B, ... Z, AA, BB, ... as PDF readers number with letters.
std::string letters(int32_t n, bool upper) {
  if (n < 1) return "";
  const char c = static_cast<char>((upper ? 'A' : 'a') + (n - 1) % 26);
  return std::string(static_cast<size_t>((n - 1) / 26 + 1), c);
}

std::string labelText(const ViewerDocument& d, int32_t index) {
  const std::vector<LabelRange> ranges = labelRanges(d);
  const LabelRange* range = nullptr;
  for (const LabelRange& r : ranges)
    if (r.firstPage <= index + 1) range = &r;
  if (!range) return std::to_string(index + 1);
  const int32_t n = range->start + (index + 1 - range->firstPage);
  std::string number;
  if (range->style == "D") number = std::to_string(n);
  else if (range->style == "R" || range->style == "r") number = roman(n, range->style == "R");
  else if (range->style == "A" || range->style == "a") number = letters(n, range->style == "A");
  return range->prefix + number;
}

Json labelOperation(const std::vector<LabelRange>& ranges) {
  Json list = Json::array();
  for (const LabelRange& r : ranges)
    list.push_back({{"firstPage", r.firstPage}, {"style", r.style}, {"prefix", r.prefix}, {"start", r.start}});
  return Json{{"op", "setPageLabels"}, {"ranges", std::move(list)}};
}

std::vector<Variant> arrayItems(const Variant& v) {
  if (!v.isArray()) jsError("TypeError: Invalid argument type. ===> Parameter aLabel.");
  return v.arrayValue().elements();
}

// ---- templates ----

std::vector<std::string> templateNames(const ViewerDocument& d) {
  std::vector<std::string> names;
  for (const Json& t : d.facts.all.value("templates", Json::array())) names.push_back(t.value("name", std::string()));
  return names;
}

// ---- watermarks ----

// Acrobat's watermark members came with version 7: earlier viewers do not
// know their names.
void requireWatermarks() {
  if (vb::Val(Control::instance().setting("AcrobatVersion", "9.0")) < 7)
    throw AutomationError(kUnknownName, "Acrobat JavaScript", "Unknown name.");
}

// An Acrobat colour array ("G", "RGB", "CMYK" and their components; "T"
// and anything else black) as the tool's components.
Json colourComponents(const Variant& colour) {
  if (!colour.isArray()) return Json::array({0});
  const std::vector<Variant>& items = colour.arrayValue().elements();
  Json components = Json::array();
  for (size_t i = 1; i < items.size(); ++i) components.push_back(vb::CDbl(items[i]));
  const std::string space = items.empty() ? "" : vb::CStr(items[0]);
  const size_t wanted = space == "G" ? 1 : space == "RGB" ? 3 : space == "CMYK" ? 4 : 0;
  return wanted != 0 && components.size() == wanted ? components : Json::array({0});
}

// The placement arguments both members share, from index `at` on:
// bOnTop, bOnScreen, bOnPrint, nHorizAlign, nVertAlign, nHorizValue,
// nVertValue, bPercentage, nScale, bFixedPrint, nRotation, nOpacity.
// Showing on screen or in print only and fixed print sizes are not
// modelled: the mark is page content, shown and printed alike.
Json placement(Invocation& inv, size_t at, Range r) {
  const double opacity = vb::CDbl(inv.argOr(at + 11, Variant(1.0)));
  if (opacity < 0 || opacity > 1) rangeError("nOpacity");
  const double scale = vb::CDbl(inv.argOr(at + 8, Variant(1.0)));
  if (!(scale > 0 || scale == -1)) rangeError("nScale");
  return Json{{"op", "watermark"},
              {"first", r.first + 1},
              {"last", r.last + 1},
              {"onTop", vb::CBool(inv.argOr(at, Variant(true)))},
              {"hAlign", vb::CLng(inv.argOr(at + 3, Variant(int32_t{1})))},
              {"vAlign", vb::CLng(inv.argOr(at + 4, Variant(int32_t{1})))},
              {"hValue", vb::CDbl(inv.argOr(at + 5, Variant(0.0)))},
              {"vValue", vb::CDbl(inv.argOr(at + 6, Variant(0.0)))},
              {"percentage", vb::CBool(inv.argOr(at + 7, Variant(false)))},
              {"scale", scale},
              {"rotation", vb::CDbl(inv.argOr(at + 10, Variant(0.0)))},
              {"opacity", opacity}};
}

std::vector<ParamDef> placementParams(std::vector<ParamDef> leading) {
  for (const char* name : {"bOnTop", "bOnScreen", "bOnPrint", "nHorizAlign", "nVertAlign", "nHorizValue", "nVertValue",
                           "bPercentage", "nScale", "bFixedPrint", "nRotation", "nOpacity"})
    leading.push_back(param(name));
  return leading;
}

}  // namespace

void addPageOperationMembers(ClassDef& c, DocumentOf js) {
  const TypeDesc any{};
  c.method("InsertPages", {param("nPage"), param("cPath", false), param("nStart"), param("nEnd")}, any,
           [js](Invocation& inv) {
             ViewerDocument& d = js(inv);
             const int32_t after = pageArg(inv, 0, 0, -1, d.facts.pages - 1, "nPage");
             const std::string path = vb::CStr(inv.arg(1));
             const Range source = rangeOf(inv, 2, sourcePages(path));
             rewrite(d, {insertOperation(path, after + 1, source)});
             return Variant();
           });
  c.method("ReplacePages", {param("nPage"), param("cPath", false), param("nStart"), param("nEnd")}, any,
           [js](Invocation& inv) {
             ViewerDocument& d = js(inv);
             const int32_t at = pageArg(inv, 0, 0, 0, d.facts.pages - 1, "nPage");
             const std::string path = vb::CStr(inv.arg(1));
             const Range source = rangeOf(inv, 2, sourcePages(path));
             const int32_t count = source.last - source.first + 1;
             if (at + count > d.facts.pages) rangeError("nPage");
             // The new pages go in after the replaced ones, which then leave.
             rewrite(d, {insertOperation(path, at + count, source),
                         Json{{"op", "deletePages"}, {"first", at + 1}, {"last", at + count}}});
             return Variant();
           });
  c.method("DeletePages", {param("nStart"), param("nEnd")}, any, [js](Invocation& inv) {
    ViewerDocument& d = js(inv);
    // Without pages Acrobat deletes the first page.
    const Range r = inv.has(0) || inv.has(1) ? rangeOf(inv, 0, d.facts.pages) : Range{0, 0};
    if (r.first == 0 && r.last == d.facts.pages - 1) operationFailed();  // a document keeps one page
    rewrite(d, {Json{{"op", "deletePages"}, {"first", r.first + 1}, {"last", r.last + 1}}});
    return Variant();
  });
  c.method("ExtractPages", {param("nStart"), param("nEnd"), param("cPath")}, any, [js](Invocation& inv) {
    ViewerDocument& d = js(inv);
    const Range r = rangeOf(inv, 0, d.facts.pages);
    const std::string target = vb::CStr(inv.argOr(2, Variant("")));
    // Without a path Acrobat hands out a new document; the stand-in writes files only.
    if (target.empty()) jsError("NotAllowedError: Security settings prevent access to this property or method.");
    if (FileHold::held(target)) operationFailed();
    PdfChanges changes = heldChanges(d);
    changes.operations.push_back(Json{{"op", "keepPages"}, {"first", r.first + 1}, {"last", r.last + 1}});
    if (!writePdf(toolRunner(), d.facts, d.contentFile(), target, changes)) operationFailed();
    return Variant();
  });
  c.method("MovePage", {param("nPage"), param("nAfter")}, any, [js](Invocation& inv) {
    ViewerDocument& d = js(inv);
    const int32_t page = pageArg(inv, 0, 0, 0, d.facts.pages - 1, "nPage");
    const int32_t after = pageArg(inv, 1, d.facts.pages - 1, -1, d.facts.pages - 1, "nAfter");
    if (after == page) return Variant();
    // The page's number (from 1) once moved: after a page before it, or
    // in the place of the page it follows.
    const int32_t to = after < page ? after + 2 : after + 1;
    rewrite(d, {Json{{"op", "movePage"}, {"page", page + 1}, {"to", to}}});
    return Variant();
  });
  c.method("NewPage", {param("nPage"), param("nWidth"), param("nHeight")}, any, [js](Invocation& inv) {
    ViewerDocument& d = js(inv);
    // Counted from 1: the page the new one follows, 0 before the first.
    const int32_t after = pageArg(inv, 0, d.facts.pages, 0, d.facts.pages, "nPage");
    const double width = vb::CDbl(inv.argOr(1, Variant(612.0))), height = vb::CDbl(inv.argOr(2, Variant(792.0)));
    if (!(width > 0 && width <= 14400)) rangeError("nWidth");
    if (!(height > 0 && height <= 14400)) rangeError("nHeight");
    rewrite(d, {Json{{"op", "newPage"}, {"after", after}, {"width", width}, {"height", height}}});
    return Variant();
  });
  c.method("getPageBox", {param("cBox"), param("nPage")}, any, [js](Invocation& inv) {
    ViewerDocument& d = js(inv);
    const std::string name = vb::CStr(inv.argOr(0, Variant("Crop")));
    static const std::map<std::string, std::string> kBoxes{{"Art", "artBox"},     {"Bleed", "bleedBox"},
                                                           {"BBox", "mediaBox"},  {"Crop", "cropBox"},
                                                           {"Media", "mediaBox"}, {"Trim", "trimBox"}};
    auto box = kBoxes.find(name);
    if (box == kBoxes.end()) rangeError("cBox");
    const int32_t page = pageArg(inv, 1, 0, 0, d.facts.pages - 1, "nPage");
    const Json b = pageFacts(d, page).value(box->second, Json::array());
    if (b.size() != 4) operationFailed();
    // [left, top, right, bottom], as Acrobat's rectangles go.
    return numberArray({b[0].get<double>(), b[3].get<double>(), b[2].get<double>(), b[1].get<double>()});
  });
  c.method("CreateTemplate", {param("cName", false), param("nPage")}, any, [js](Invocation& inv) {
    ViewerDocument& d = js(inv);
    const std::string name = vb::CStr(inv.arg(0));
    if (name.empty()) rangeError("cName");
    const int32_t page = pageArg(inv, 1, 0, 0, d.facts.pages - 1, "nPage");
    rewrite(d, {Json{{"op", "createTemplate"}, {"name", name}, {"page", page + 1}}});
    return Variant();
  });
  c.method("SpawnPageFromTemplate", {param("cTemplate", false), param("nPage"), param("bRename"), param("bOverlay")},
           any, [js](Invocation& inv) {
             ViewerDocument& d = js(inv);
             const std::string name = vb::CStr(inv.arg(0));
             const std::vector<std::string> names = templateNames(d);
             if (std::find(names.begin(), names.end(), name) == names.end())
               jsError("TypeError: Invalid argument type. ===> Parameter cTemplate.");
             const bool overlay = vb::CBool(inv.argOr(3, Variant(true)));
             // Overlaid on a page, or inserted before one (or after the last).
             const int32_t page = pageArg(inv, 1, 0, 0, d.facts.pages - (overlay ? 1 : 0), "nPage");
             rewrite(d, {Json{{"op", "spawnTemplate"},
                              {"name", name},
                              {"page", page + 1},
                              {"rename", vb::CBool(inv.argOr(2, Variant(true)))},
                              {"overlay", overlay}}});
             return Variant();
           });
  c.property("Templates", any, [js](Invocation& inv) {
    const std::vector<std::string> names = templateNames(js(inv));
    if (names.empty()) return Variant::null();
    std::vector<Variant> items(names.begin(), names.end());
    return Variant(Array::vector(VarType::Variant, std::move(items)));
  });
  c.property("NumTemplates", TypeDesc{VarType::Int32},
             [js](Invocation& inv) { return Variant(static_cast<int32_t>(templateNames(js(inv)).size())); });
  c.method("GetNthTemplate", {param("nIndex", false)}, TypeDesc{VarType::String}, [js](Invocation& inv) {
    const std::vector<std::string> names = templateNames(js(inv));
    const int32_t i = vb::CLng(inv.arg(0));
    if (i < 0 || i >= static_cast<int32_t>(names.size())) rangeError("nIndex");
    return Variant(names[static_cast<size_t>(i)]);
  });
  c.method("SetPageRotations", {param("nStart"), param("nEnd"), param("nRotate")}, any, [js](Invocation& inv) {
    ViewerDocument& d = js(inv);
    const Range r = rangeOf(inv, 0, d.facts.pages);
    const int32_t rotate = vb::CLng(inv.argOr(2, Variant(int32_t{0})));
    if (rotate != 0 && rotate != 90 && rotate != 180 && rotate != 270) rangeError("nRotate");
    rewrite(d, {Json{{"op", "setRotation"}, {"first", r.first + 1}, {"last", r.last + 1}, {"rotate", rotate}}});
    return Variant();
  });
  c.method("GetPageRotation", {param("nPage")}, TypeDesc{VarType::Int32}, [js](Invocation& inv) {
    ViewerDocument& d = js(inv);
    const int32_t page = pageArg(inv, 0, 0, 0, d.facts.pages - 1, "nPage");
    return Variant(pageFacts(d, page).value("rotate", int32_t{0}));
  });
  c.method("SetPageLabels", {param("nPage"), param("aLabel")}, any, [js](Invocation& inv) {
    ViewerDocument& d = js(inv);
    const int32_t page = pageArg(inv, 0, 0, 0, d.facts.pages - 1, "nPage");
    std::vector<LabelRange> ranges = labelRanges(d);
    std::erase_if(ranges, [&](const LabelRange& r) { return r.firstPage == page + 1; });
    // Without a label the range starting at the page goes.
    if (inv.has(1)) {
      const std::vector<Variant> label = arrayItems(inv.arg(1));
      LabelRange r{page + 1, label.size() > 0 ? vb::CStr(label[0]) : "D", label.size() > 1 ? vb::CStr(label[1]) : "",
                   label.size() > 2 ? vb::CLng(label[2]) : 1};
      if (r.style.size() > 1 || (!r.style.empty() && std::string("DRrAa").find(r.style) == std::string::npos))
        rangeError("aLabel");
      if (r.start < 1) rangeError("aLabel");
      ranges.push_back(r);
    }
    std::sort(ranges.begin(), ranges.end(),
              [](const LabelRange& a, const LabelRange& b) { return a.firstPage < b.firstPage; });
    // Pages before the first range keep their plain numbers.
    if (!ranges.empty() && ranges.front().firstPage != 1) ranges.insert(ranges.begin(), LabelRange{1, "D", "", 1});
    rewrite(d, {labelOperation(ranges)});
    return Variant();
  });
  c.method("GetPageLabel", {param("nPage")}, TypeDesc{VarType::String}, [js](Invocation& inv) {
    ViewerDocument& d = js(inv);
    return Variant(labelText(d, pageArg(inv, 0, 0, 0, d.facts.pages - 1, "nPage")));
  });
  c.method("SetPageTabOrder", {param("nPage", false), param("cOrder", false)}, any, [js](Invocation& inv) {
    ViewerDocument& d = js(inv);
    const int32_t page = pageArg(inv, 0, 0, 0, d.facts.pages - 1, "nPage");
    static const std::map<std::string, std::string> kOrders{{"rows", "R"}, {"columns", "C"}, {"structure", "S"}};
    auto order = kOrders.find(vb::CStr(inv.arg(1)));
    if (order == kOrders.end()) rangeError("cOrder");
    rewrite(d, {Json{{"op", "setTabOrder"}, {"page", page + 1}, {"order", order->second}}});
    return Variant();
  });
  c.method("FlattenPages", {param("nStart"), param("nEnd"), param("nNonPrint")}, any, [js](Invocation& inv) {
    ViewerDocument& d = js(inv);
    const Range r = rangeOf(inv, 0, d.facts.pages);
    const int32_t nonPrint = vb::CLng(inv.argOr(2, Variant(int32_t{0})));
    if (nonPrint < 0 || nonPrint > 2) rangeError("nNonPrint");
    rewrite(d, {Json{{"op", "flattenPages"}, {"first", r.first + 1}, {"last", r.last + 1}, {"nonPrint", nonPrint}}});
    return Variant();
  });
  for (const char* member : {"AddThumbnails", "RemoveThumbnails"}) {
    const std::string op = member[0] == 'A' ? "addThumbnails" : "removeThumbnails";
    c.method(member, {param("nStart"), param("nEnd")}, any, [js, op](Invocation& inv) {
      ViewerDocument& d = js(inv);
      const Range r = rangeOf(inv, 0, d.facts.pages);
      rewrite(d, {Json{{"op", op}, {"first", r.first + 1}, {"last", r.last + 1}}});
      return Variant();
    });
  }
  c.method("AddWatermarkFromText",
           placementParams({param("cText", false), param("nTextAlign"), param("cFont"), param("nFontSize"),
                            param("aColor"), param("nStart"), param("nEnd")}),
           any, [js](Invocation& inv) {
             requireWatermarks();
             ViewerDocument& d = js(inv);
             const Range r = rangeOf(inv, 5, d.facts.pages);
             Json op = placement(inv, 7, r);
             const double size = vb::CDbl(inv.argOr(3, Variant(24.0)));
             if (!(size > 0 && size <= 1000)) rangeError("nFontSize");
             const std::string font = vb::CStr(inv.argOr(2, Variant("Helvetica")));
             op["text"] = Json{{"text", vb::CStr(inv.arg(0))},
                               {"align", vb::CLng(inv.argOr(1, Variant(int32_t{1})))},
                               {"font", font},
                               {"size", size},
                               {"color", colourComponents(inv.argOr(4, Variant()))}};
             static const char* kFonts[] = {
                 "Times-Roman", "Times-Bold",     "Times-Italic",      "Times-BoldItalic",
                 "Helvetica",   "Helvetica-Bold", "Helvetica-Oblique", "Helvetica-BoldOblique",
                 "Courier",     "Courier-Bold",   "Courier-Oblique",   "Courier-BoldOblique",
                 "Symbol",      "ZapfDingbats"};
             if (std::find(std::begin(kFonts), std::end(kFonts), font) == std::end(kFonts)) rangeError("cFont");
             rewrite(d, {op});
             return Variant();
           });
  c.method("AddWatermarkFromFile",
           placementParams({param("cDIPath", false), param("nSourcePage"), param("nStart"), param("nEnd")}), any,
           [js](Invocation& inv) {
             requireWatermarks();
             ViewerDocument& d = js(inv);
             const std::string path = vb::CStr(inv.arg(0));
             const int32_t sourcePage = vb::CLng(inv.argOr(1, Variant(int32_t{0})));
             if (sourcePage < 0 || sourcePage >= sourcePages(path)) rangeError("nSourcePage");
             const Range r = rangeOf(inv, 2, d.facts.pages);
             Json op = placement(inv, 4, r);
             op["file"] = Json{{"path", toolRunner().toolPath(path)}, {"page", sourcePage + 1}};
             rewrite(d, {op});
             return Variant();
           });
  // The number of links made or removed on those pages.
  for (const char* member : {"AddWebLinks", "RemoveWebLinks"}) {
    const bool adding = member[0] == 'A';
    c.method(member, {param("nStart"), param("nEnd")}, TypeDesc{VarType::Int32}, [js, adding](Invocation& inv) {
      ViewerDocument& d = js(inv);
      const Range r = rangeOf(inv, 0, d.facts.pages);
      const int32_t before = linkCount(d, r);
      rewrite(d,
              {Json{{"op", adding ? "addWebLinks" : "removeWebLinks"}, {"first", r.first + 1}, {"last", r.last + 1}}});
      const int32_t after = linkCount(d, r);
      return Variant(adding ? after - before : before - after);
    });
  }
}

}  // namespace dv::standins
