// Page edits of the viewer's JavaScript page members: new blank pages,
// keeping a range (extraction), tab order, page templates and spawning
// them, flattening, thumbnails and removing web links. Page numbers in
// requests count from 1.
#include <poppler/cpp/poppler-document.h>
#include <poppler/cpp/poppler-global.h>
#include <poppler/cpp/poppler-image.h>
#include <poppler/cpp/poppler-page-renderer.h>
#include <poppler/cpp/poppler-page.h>
#include <qpdf/Buffer.hh>
#include <qpdf/QPDFAcroFormDocumentHelper.hh>
#include <qpdf/QPDFAnnotationObjectHelper.hh>
#include <qpdf/QPDFNameTreeObjectHelper.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <algorithm>
#include <cstring>
#include <optional>
#include <cmath>
#include <functional>
#include <map>
#include <memory>
#include <set>

#include "page_operations.h"

// Rendering thumbnails loads fontconfig, which keeps its configuration
// until the process ends; a sanitized build's leak check is told so
// through the sanitizer runtime's hooks.
// NOLINTBEGIN(bugprone-reserved-identifier)
extern "C" const char* __lsan_default_suppressions();
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig\n"; }
extern "C" const char* __lsan_default_options();
extern "C" const char* __lsan_default_options() { return "print_suppressions=0"; }
// NOLINTEND(bugprone-reserved-identifier)

namespace dv::pdftool {

namespace {

struct Request {
  QpdfDocument& doc;
  const Json& op;
  std::string name;

  [[noreturn]] void fail(const std::string& why) const { refuse(name + ": " + why); }
  long long integer(const char* key, std::optional<long long> fallback = std::nullopt) const {
    if (!op.contains(key)) {
      if (!fallback) fail(std::string("\"") + key + "\" is missing");
      return *fallback;
    }
    if (!op.at(key).is_number_integer()) fail(std::string("\"") + key + "\" must be an integer");
    return op.at(key).get<long long>();
  }
  double number(const char* key, double fallback) const {
    if (!op.contains(key)) return fallback;
    if (!op.at(key).is_number()) fail(std::string("\"") + key + "\" must be a number");
    return op.at(key).get<double>();
  }
  bool flag(const char* key, bool fallback) const {
    if (!op.contains(key)) return fallback;
    if (!op.at(key).is_boolean()) fail(std::string("\"") + key + "\" must be true or false");
    return op.at(key).get<bool>();
  }
  std::string text(const char* key) const {
    if (!op.contains(key) || !op.at(key).is_string()) fail(std::string("\"") + key + "\" must be a string");
    return op.at(key).get<std::string>();
  }
  std::vector<QPDFObjectHandle> pages() const { return doc.pdf.getAllPages(); }
  long long count() const { return static_cast<long long>(pages().size()); }
  // A page number of the document, from 1; `extra` allows positions past the end.
  long long page(const char* key, std::optional<long long> fallback = std::nullopt, long long low = 1,
                 long long extra = 0) const {
    const long long n = integer(key, fallback);
    if (n < low || n > count() + extra)
      fail(std::string("\"") + key + "\" is " + std::to_string(n) + ", the document has " + std::to_string(count()) +
           " page(s)");
    return n;
  }
  // "first" and "last", by default every page.
  std::pair<long long, long long> range() const {
    const long long first = page("first", 1);
    const long long last = page("last", count());
    if (last < first) fail("\"last\" comes before \"first\"");
    return {first, last};
  }
};

// {"op": "newPage", "after": n (0: before the first), "width": w, "height": h}
void newPage(Request& r) {
  const long long after = r.page("after", r.count(), 0);
  const double width = r.number("width", 612), height = r.number("height", 792);
  if (!(width > 0 && height > 0)) r.fail("the page needs a width and a height above 0");
  QPDF& pdf = r.doc.pdf;
  QPDFObjectHandle page = pdf.makeIndirectObject(QPDFObjectHandle::newDictionary());
  page.replaceKey("/Type", QPDFObjectHandle::newName("/Page"));
  page.replaceKey("/MediaBox", QPDFObjectHandle::newFromRectangle({0, 0, width, height}));
  page.replaceKey("/Resources", QPDFObjectHandle::newDictionary());
  page.replaceKey("/Contents", pdf.newStream(std::string()));
  QPDFPageDocumentHelper helper(pdf);
  if (after == 0 || r.count() == 0) helper.addPage(page, after == 0);
  else helper.addPageAt(page, false, r.pages()[static_cast<size_t>(after - 1)]);
}

// {"op": "keepPages", "first": a, "last": b}: every other page goes.
void keepPages(Request& r) {
  const auto [first, last] = r.range();
  std::vector<QPDFObjectHandle> all = r.pages();
  QPDFPageDocumentHelper helper(r.doc.pdf);
  for (long long n = 1; n <= static_cast<long long>(all.size()); ++n)
    if (n < first || n > last) helper.removePage(all[static_cast<size_t>(n - 1)]);
}

// {"op": "setTabOrder", "page": n, "order": "R"|"C"|"S"|""} (empty: none).
void setTabOrder(Request& r) {
  QPDFObjectHandle page = r.pages()[static_cast<size_t>(r.page("page") - 1)];
  const std::string order = r.text("order");
  if (order.empty()) page.removeKey("/Tabs");
  else if (order == "R" || order == "C" || order == "S")
    page.replaceKey("/Tabs", QPDFObjectHandle::newName("/" + order));
  else r.fail("order " + order + " is not R, C, S or empty");
}

// The catalog's name tree `key` (/Pages or /Templates of /Names), made when asked.
QPDFObjectHandle nameTree(QPDF& pdf, const char* key, bool make) {
  QPDFObjectHandle names = pdf.getRoot().getKey("/Names");
  if (!names.isDictionary()) {
    if (!make) return QPDFObjectHandle::newNull();
    names = pdf.makeIndirectObject(QPDFObjectHandle::newDictionary());
    pdf.getRoot().replaceKey("/Names", names);
  }
  QPDFObjectHandle tree = names.getKey(key);
  if (!tree.isDictionary() && make) {
    tree = QPDFNameTreeObjectHelper::newEmpty(pdf).getObjectHandle();
    names.replaceKey(key, tree);
  }
  return tree;
}

// {"op": "createTemplate", "name": t, "page": n}: a visible template, named
// in the catalog's /Pages tree.
void createTemplate(Request& r) {
  const std::string name = r.text("name");
  if (name.empty()) r.fail("a template needs a name");
  QPDFObjectHandle page = r.pages()[static_cast<size_t>(r.page("page") - 1)];
  QPDFNameTreeObjectHelper tree(nameTree(r.doc.pdf, "/Pages", true), r.doc.pdf);
  tree.insert(name, page);
}

QPDFObjectHandle templatePage(QPDF& pdf, const std::string& name) {
  for (const char* key : {"/Pages", "/Templates"}) {
    QPDFObjectHandle tree = nameTree(pdf, key, false);
    if (!tree.isDictionary()) continue;
    QPDFObjectHandle page;
    if (QPDFNameTreeObjectHelper(tree, pdf).findObject(name, page) && page.isDictionary()) return page;
  }
  return QPDFObjectHandle::newNull();
}

// A copy of a widget annotation (with its field entries when they share
// one dictionary) for a spawned page.
QPDFObjectHandle copyWidget(QPDF& pdf, QPDFObjectHandle annot, QPDFObjectHandle page) {
  QPDFObjectHandle copy = annot.shallowCopy();
  copy.replaceKey("/P", page);
  if (annot.getKey("/AP").isDictionary()) copy.replaceKey("/AP", annot.getKey("/AP").shallowCopy());
  return pdf.makeIndirectObject(copy);
}

// {"op": "spawnTemplate", "name": t, "page": n, "rename": true, "overlay": true}:
// the template's content and widgets over page n, or as a new page before
// it (n may then be one past the end). Renamed fields become
// P<index>.<template>.<name>, the index counted from 0.
void spawnTemplate(Request& r) {
  QPDF& pdf = r.doc.pdf;
  const std::string name = r.text("name");
  QPDFObjectHandle source = templatePage(pdf, name);
  if (!source.isDictionary()) r.fail("no template " + name);
  const bool overlay = r.flag("overlay", true), rename = r.flag("rename", true);
  const long long at = r.page("page", 1, 1, overlay ? 0 : 1);
  QPDFPageDocumentHelper helper(pdf);
  QPDFPageObjectHelper from(source);
  QPDFObjectHandle target;
  if (overlay) {
    target = r.pages()[static_cast<size_t>(at - 1)];
    QPDFPageObjectHelper onto(target);
    QPDFObjectHandle form = from.getFormXObjectForPage();
    QPDFObjectHandle resources = onto.getAttribute("/Resources", true);
    if (!resources.getKey("/XObject").isDictionary())
      resources.replaceKey("/XObject", QPDFObjectHandle::newDictionary());
    int suffix = 0;
    const std::string xname = resources.getUniqueResourceName("/Tpl", suffix);
    resources.getKey("/XObject").replaceKey(xname, form);
    onto.addPageContents(
        pdf.newStream("q " + onto.placeFormXObject(form, xname, onto.getTrimBox().getArrayAsRectangle()) + " Q\n"),
        false);
  } else {
    target = from.shallowCopyPage().getObjectHandle();
    target.removeKey("/Annots");
    if (at > r.count()) helper.addPage(target, false);
    else helper.addPageAt(target, true, r.pages()[static_cast<size_t>(at - 1)]);
  }
  long long index = 0;
  for (QPDFObjectHandle p : pdf.getAllPages()) {
    if (p.getObjGen() == target.getObjGen()) break;
    ++index;
  }
  QPDFObjectHandle annots = target.getKey("/Annots");
  if (!annots.isArray()) {
    annots = QPDFObjectHandle::newArray();
    target.replaceKey("/Annots", annots);
  }
  QPDFObjectHandle acroForm = pdf.getRoot().getKey("/AcroForm");
  QPDFObjectHandle sourceAnnots = source.getKey("/Annots");
  if (!sourceAnnots.isArray()) return;
  // Renamed: P<index> -> <template> -> the copied fields; otherwise the
  // copies join the fields they came from.
  QPDFObjectHandle group = QPDFObjectHandle::newNull();
  for (QPDFObjectHandle a : sourceAnnots.aitems()) {
    if (!a.isDictionary()) continue;
    QPDFObjectHandle copy = copyWidget(pdf, a, target);
    annots.appendItem(copy);
    if (!a.getKey("/Subtype").isNameAndEquals("/Widget") || !acroForm.isDictionary()) continue;
    if (rename) {
      if (group.isNull()) {
        QPDFObjectHandle top = pdf.makeIndirectObject(QPDFObjectHandle::newDictionary());
        top.replaceKey("/T", QPDFObjectHandle::newUnicodeString("P" + std::to_string(index)));
        top.replaceKey("/Kids", QPDFObjectHandle::newArray());
        group = pdf.makeIndirectObject(QPDFObjectHandle::newDictionary());
        group.replaceKey("/T", QPDFObjectHandle::newUnicodeString(name));
        group.replaceKey("/Parent", top);
        group.replaceKey("/Kids", QPDFObjectHandle::newArray());
        top.getKey("/Kids").appendItem(group);
        QPDFObjectHandle fields = acroForm.getKey("/Fields");
        if (!fields.isArray()) {
          fields = QPDFObjectHandle::newArray();
          acroForm.replaceKey("/Fields", fields);
        }
        fields.appendItem(top);
      }
      // A widget under a parent field: the copy's field is that parent's copy.
      QPDFObjectHandle field = copy;
      if (!copy.hasKey("/T") && copy.getKey("/Parent").isDictionary()) {
        QPDFObjectHandle parent = pdf.makeIndirectObject(copy.getKey("/Parent").shallowCopy());
        parent.replaceKey("/Kids", QPDFObjectHandle::newArray());
        parent.getKey("/Kids").appendItem(copy);
        copy.replaceKey("/Parent", parent);
        field = parent;
      }
      field.replaceKey("/Parent", group);
      group.getKey("/Kids").appendItem(field);
    } else if (a.hasKey("/T")) {
      // The original becomes the field of both widgets: a field with the
      // widget parts of the original and the copy as its kids.
      QPDFObjectHandle kid = pdf.makeIndirectObject(QPDFObjectHandle::newDictionary());
      for (const char* key : {"/Type", "/Subtype", "/Rect", "/AP", "/AS", "/F", "/MK", "/P", "/BS", "/Border"})
        if (a.hasKey(key)) kid.replaceKey(key, a.getKey(key));
      for (const char* key : {"/T", "/FT", "/V", "/DV", "/Ff", "/DA", "/Kids", "/Opt", "/TU", "/Q", "/MaxLen"})
        copy.removeKey(key);
      // a keeps its field entries; its widget entries move to the kid.
      for (const char* key : {"/Subtype", "/Rect", "/AP", "/AS", "/F", "/MK", "/P", "/BS", "/Border"}) a.removeKey(key);
      kid.replaceKey("/Parent", a);
      copy.replaceKey("/Parent", a);
      QPDFObjectHandle kids = QPDFObjectHandle::newArray();
      kids.appendItem(kid);
      kids.appendItem(copy);
      a.replaceKey("/Kids", kids);
      // The source page shows the kid where it showed the merged dictionary.
      QPDFObjectHandle srcAnnots = source.getKey("/Annots");
      for (int i = 0; i < srcAnnots.getArrayNItems(); ++i)
        if (srcAnnots.getArrayItem(i).getObjGen() == a.getObjGen()) srcAnnots.setArrayItem(i, kid);
    } else if (a.getKey("/Parent").isDictionary()) {
      a.getKey("/Parent").getKey("/Kids").appendItem(copy);
    }
  }
}

// Widgets of a page whose appearance flattening puts into the content.
std::set<QPDFObjGen> flattenedWidgets(QPDFObjectHandle page, bool nonPrintingToo) {
  std::set<QPDFObjGen> out;
  QPDFObjectHandle annots = page.getKey("/Annots");
  if (!annots.isArray()) return out;
  for (QPDFObjectHandle a : annots.aitems()) {
    if (!a.isDictionary() || !a.getKey("/Subtype").isNameAndEquals("/Widget")) continue;
    const int flags = a.getKey("/F").isInteger() ? a.getKey("/F").getIntValueAsInt() : 0;
    if (nonPrintingToo || (flags & an_print)) out.insert(a.getObjGen());
  }
  return out;
}

// Removes from a field list the fields all of whose widgets are in `gone`;
// true when the list item itself goes.
bool dropFlattened(QPDFObjectHandle field, const std::set<QPDFObjGen>& gone, int depth) {
  if (depth > 50 || !field.isDictionary()) return false;
  QPDFObjectHandle kids = field.getKey("/Kids");
  if (!kids.isArray()) return gone.count(field.getObjGen()) != 0;
  std::vector<QPDFObjectHandle> kept;
  for (QPDFObjectHandle kid : kids.aitems())
    if (!dropFlattened(kid, gone, depth + 1)) kept.push_back(kid);
  field.replaceKey("/Kids", QPDFObjectHandle::newArray(kept));
  return kept.empty();
}

// {"op": "flattenPages", "first": a, "last": b, "nonPrint": 0|1|2}: the
// annotations of those pages become page content. 0 keeps annotations
// that are not printed, 1 removes them, 2 flattens them too. Fields that
// lose every widget leave the form; the others stay.
void flattenPages(Request& r) {
  const auto [first, last] = r.range();
  const long long nonPrint = r.integer("nonPrint", 0);
  if (nonPrint < 0 || nonPrint > 2) r.fail("\"nonPrint\" must be 0, 1 or 2");
  QPDF& pdf = r.doc.pdf;
  QPDFAcroFormDocumentHelper form(pdf);
  form.generateAppearancesIfNeeded();
  std::vector<QPDFObjectHandle> all = r.pages();
  // Pages outside the range keep their annotations out of qpdf's reach.
  std::map<size_t, QPDFObjectHandle> setAside;
  std::set<QPDFObjGen> gone;
  for (size_t i = 0; i < all.size(); ++i) {
    const long long n = static_cast<long long>(i) + 1;
    if (n < first || n > last) {
      if (all[i].hasKey("/Annots")) {
        setAside[i] = all[i].getKey("/Annots");
        all[i].removeKey("/Annots");
      }
      continue;
    }
    const std::set<QPDFObjGen> widgets = flattenedWidgets(all[i], nonPrint == 2);
    gone.insert(widgets.begin(), widgets.end());
    if (nonPrint == 1) {
      QPDFObjectHandle annots = all[i].getKey("/Annots");
      if (annots.isArray()) {
        std::vector<QPDFObjectHandle> kept;
        for (QPDFObjectHandle a : annots.aitems()) {
          const int flags = a.isDictionary() && a.getKey("/F").isInteger() ? a.getKey("/F").getIntValueAsInt() : 0;
          if (flags & an_print) kept.push_back(a);
          else if (a.isDictionary() && a.getKey("/Subtype").isNameAndEquals("/Widget")) gone.insert(a.getObjGen());
        }
        all[i].replaceKey("/Annots", QPDFObjectHandle::newArray(kept));
      }
    }
  }
  QPDFObjectHandle acroForm = pdf.getRoot().getKey("/AcroForm");
  QPDFPageDocumentHelper(pdf).flattenAnnotations(nonPrint == 2 ? 0 : an_print, an_invisible | an_hidden);
  for (auto& [i, annots] : setAside) all[i].replaceKey("/Annots", annots);
  // qpdf drops the form with its widgets; the fields of other pages stay.
  if (acroForm.isDictionary()) {
    QPDFObjectHandle fields = acroForm.getKey("/Fields");
    if (fields.isArray()) {
      std::vector<QPDFObjectHandle> kept;
      for (QPDFObjectHandle f : fields.aitems())
        if (!dropFlattened(f, gone, 0)) kept.push_back(f);
      if (!kept.empty()) {
        acroForm.replaceKey("/Fields", QPDFObjectHandle::newArray(kept));
        pdf.getRoot().replaceKey("/AcroForm", acroForm);
      }
    }
  }
}

// The document as it is now, unencrypted, for poppler.
std::unique_ptr<poppler::document> popplerCopy(QPDF& pdf, std::shared_ptr<Buffer>& keep) {
  QPDFWriter writer(pdf);
  writer.setOutputMemory();
  writer.setPreserveEncryption(false);
  writer.write();
  keep = writer.getBufferSharedPointer();
  poppler::set_debug_error_function([](const std::string&, void*) {}, nullptr);
  return std::unique_ptr<poppler::document>(poppler::document::load_from_raw_data(
      reinterpret_cast<const char*>(keep->getBuffer()), static_cast<int>(keep->getSize())));
}

// {"op": "addThumbnails"|"removeThumbnails", "first": a, "last": b}: a
// thumbnail is the page rendered small (at most 106 pixels a side), an
// RGB image in the page's /Thumb.
void thumbnails(Request& r) {
  const auto [first, last] = r.range();
  std::vector<QPDFObjectHandle> all = r.pages();
  if (r.name == "removeThumbnails") {
    for (long long n = first; n <= last; ++n) all[static_cast<size_t>(n - 1)].removeKey("/Thumb");
    return;
  }
  std::shared_ptr<Buffer> buffer;
  std::unique_ptr<poppler::document> doc = popplerCopy(r.doc.pdf, buffer);
  if (!doc) throw Failure(Exit::Unreadable, r.name + ": the pages cannot be rendered");
  poppler::page_renderer renderer;
  renderer.set_image_format(poppler::image::format_argb32);
  for (long long n = first; n <= last; ++n) {
    std::unique_ptr<poppler::page> page(doc->create_page(static_cast<int>(n - 1)));
    if (!page) continue;
    const poppler::rectf box = page->page_rect(poppler::crop_box);
    const double longest = std::max({box.width(), box.height(), 1.0});
    const double dpi = 72.0 * 106.0 / longest;
    const poppler::image image = renderer.render_page(page.get(), dpi, dpi);
    if (!image.is_valid())
      throw Failure(Exit::Unreadable, r.name + ": page " + std::to_string(n) + " cannot be rendered");
    std::string rgb;
    rgb.reserve(static_cast<size_t>(image.width() * image.height() * 3));
    for (int y = 0; y < image.height(); ++y) {
      const auto* row = reinterpret_cast<const unsigned char*>(image.const_data() + y * image.bytes_per_row());
      for (int x = 0; x < image.width(); ++x) {
        uint32_t px;
        std::memcpy(&px, row + 4 * x, 4);
        rgb.push_back(static_cast<char>((px >> 16) & 0xff));
        rgb.push_back(static_cast<char>((px >> 8) & 0xff));
        rgb.push_back(static_cast<char>(px & 0xff));
      }
    }
    QPDFObjectHandle thumb = r.doc.pdf.newStream(rgb);
    QPDFObjectHandle dict = thumb.getDict();
    dict.replaceKey("/Width", QPDFObjectHandle::newInteger(image.width()));
    dict.replaceKey("/Height", QPDFObjectHandle::newInteger(image.height()));
    dict.replaceKey("/ColorSpace", QPDFObjectHandle::newName("/DeviceRGB"));
    dict.replaceKey("/BitsPerComponent", QPDFObjectHandle::newInteger(8));
    all[static_cast<size_t>(n - 1)].replaceKey("/Thumb", thumb);
  }
}

// {"op": "removeWebLinks", "first": a, "last": b}: Link annotations with a
// URI action leave those pages.
void removeWebLinks(Request& r) {
  const auto [first, last] = r.range();
  std::vector<QPDFObjectHandle> all = r.pages();
  for (long long n = first; n <= last; ++n) {
    QPDFObjectHandle page = all[static_cast<size_t>(n - 1)];
    QPDFObjectHandle annots = page.getKey("/Annots");
    if (!annots.isArray()) continue;
    std::vector<QPDFObjectHandle> kept;
    for (QPDFObjectHandle a : annots.aitems()) {
      const bool web = a.isDictionary() && a.getKey("/Subtype").isNameAndEquals("/Link") &&
                       a.getKey("/A").isDictionary() && a.getKey("/A").getKey("/S").isNameAndEquals("/URI");
      if (!web) kept.push_back(a);
    }
    page.replaceKey("/Annots", QPDFObjectHandle::newArray(kept));
  }
}

const std::map<std::string, void (*)(Request&)> kPageEdits{
    {"newPage", newPage},
    {"keepPages", keepPages},
    {"setTabOrder", setTabOrder},
    {"createTemplate", createTemplate},
    {"spawnTemplate", spawnTemplate},
    {"flattenPages", flattenPages},
    {"addThumbnails", thumbnails},
    {"removeThumbnails", thumbnails},
    {"removeWebLinks", removeWebLinks},
    {"watermark", [](Request& r) { addWatermark(r.doc, r.op); }},
};

}  // namespace

bool isPageEdit(const std::string& name) { return kPageEdits.count(name) != 0; }

void editPages(QpdfDocument& doc, const Json& op) {
  Request r{doc, op, op.value("op", std::string())};
  auto it = kPageEdits.find(r.name);
  if (it == kPageEdits.end()) refuse("unknown page edit " + r.name);
  it->second(r);
}

Json templateFacts(QPDF& pdf) {
  const std::map<QPDFObjGen, int> numbers = pageNumbers(pdf);
  Json out = Json::array();
  for (const char* key : {"/Pages", "/Templates"}) {
    QPDFObjectHandle tree = nameTree(pdf, key, false);
    if (!tree.isDictionary()) continue;
    for (const auto& [name, page] : QPDFNameTreeObjectHelper(tree, pdf).getAsMap()) {
      auto it = numbers.find(page.getObjGen());
      out.push_back({{"name", name},
                     {"page", it == numbers.end() ? Json() : Json(it->second)},
                     {"hidden", std::string(key) == "/Templates"}});
    }
  }
  return out;
}

}  // namespace dv::pdftool
