// Edit requests: {"operations": [{"op": "<name>", ...}, ...]}, applied in
// order to the document in memory and written once at the end, so a
// refused operation leaves the target as it was. Every operation is one
// function in kOperations below; a new kind of edit is a new entry there.
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFEmbeddedFileDocumentHelper.hh>
#include <qpdf/QPDFFileSpecObjectHelper.hh>
#include <qpdf/QPDFOutlineDocumentHelper.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <set>

#include "page_operations.h"
#include "fields.h"
#include "qpdf_document.h"

namespace dv::pdftool {

namespace {

constexpr int kMaxOutlineDepth = 200;

struct EncryptionChange {
  bool decrypt = false;
  std::string user, owner;
  int bits = 256;
  std::map<std::string, bool> allow;
};

struct Edit {
  QpdfDocument& doc;
  std::optional<EncryptionChange> encryption;
  std::optional<Json> signature;      // a "sign" operation, done while writing
  const std::string* name = nullptr;  // of the operation being applied, for messages

  [[noreturn]] void refuse(const std::string& why) const { pdftool::refuse(*name + ": " + why); }

  // Members of the operation, checked for type.
  const Json& member(const Json& op, const char* key) const {
    auto it = op.find(key);
    if (it == op.end()) refuse(std::string("\"") + key + "\" is missing");
    return *it;
  }
  std::string text(const Json& op, const char* key) const {
    const Json& v = member(op, key);
    if (!v.is_string()) refuse(std::string("\"") + key + "\" must be a string");
    return v.get<std::string>();
  }
  std::string textOr(const Json& op, const char* key, const std::string& fallback) const {
    return op.contains(key) ? text(op, key) : fallback;
  }
  long long integer(const Json& op, const char* key) const {
    const Json& v = member(op, key);
    if (!v.is_number_integer()) refuse(std::string("\"") + key + "\" must be an integer");
    return v.get<long long>();
  }
  bool flag(const Json& op, const char* key, bool fallback) const {
    if (!op.contains(key)) return fallback;
    const Json& v = op.at(key);
    if (!v.is_boolean()) refuse(std::string("\"") + key + "\" must be true or false");
    return v.get<bool>();
  }
  // A page number of the document as it is now (1-based); `extra` allows
  // one past the end where a position rather than a page is meant.
  int page(const Json& op, const char* key, int extra = 0) const {
    const long long n = integer(op, key);
    const long long count = pageCount();
    if (n < 1 || n > count + extra)
      refuse(std::string("\"") + key + "\" is " + std::to_string(n) + ", the document has " + std::to_string(count) +
             " page(s)");
    return static_cast<int>(n);
  }
  int pageOr(const Json& op, const char* key, int fallback) const {
    return op.contains(key) ? page(op, key) : fallback;
  }

  long long pageCount() const { return static_cast<long long>(doc.pdf.getAllPages().size()); }
  QPDFObjectHandle pageAt(int number) const { return doc.pdf.getAllPages().at(static_cast<size_t>(number - 1)); }
};

// ---- outlines ----

struct OutlineItem {
  std::string title;
  QPDFObjectHandle page = QPDFObjectHandle::newNull();  // null: no destination
  OutlineTarget target;
  std::vector<OutlineItem> kids;
};

// Requested items, with page numbers of the document as it is now.
std::vector<OutlineItem> requestedOutline(const Edit& e, const Json& items, int depth) {
  if (!items.is_array()) e.refuse("outline items must be a list");
  if (depth > kMaxOutlineDepth) e.refuse("the outline is nested too deeply");
  std::vector<OutlineItem> out;
  for (const Json& item : items) {
    if (!item.is_object()) e.refuse("an outline item must be an object");
    OutlineItem o;
    o.title = e.text(item, "title");
    if (item.contains("page") && !item.at("page").is_null()) o.page = e.pageAt(e.page(item, "page"));
    for (auto [key, slot] : {std::pair{"left", &o.target.left}, std::pair{"top", &o.target.top}}) {
      if (!item.contains(key) || item.at(key).is_null()) continue;
      if (!item.at(key).is_number()) e.refuse(std::string("\"") + key + "\" must be a number");
      *slot = item.at(key).get<double>();
    }
    o.target.javaScript = e.textOr(item, "javascript", "");
    if (item.contains("kids")) o.kids = requestedOutline(e, item.at("kids"), depth + 1);
    out.push_back(std::move(o));
  }
  return out;
}

// A file's outline with its pages mapped through `pageFor` (null when the
// destination is not among the mapped pages).
std::vector<OutlineItem> copiedOutline(std::vector<QPDFOutlineObjectHelper> items,
                                       const std::function<QPDFObjectHandle(QPDFObjectHandle)>& pageFor, int depth) {
  std::vector<OutlineItem> out;
  if (depth > kMaxOutlineDepth) return out;
  for (QPDFOutlineObjectHelper& item : items) {
    OutlineItem o;
    o.title = item.getTitle();
    QPDFObjectHandle dest = item.getDestPage();
    o.page = dest.isNull() ? QPDFObjectHandle::newNull() : pageFor(dest);
    o.target = outlineTarget(item);
    o.kids = copiedOutline(item.getKids(), pageFor, depth + 1);
    out.push_back(std::move(o));
  }
  return out;
}

// Appends items under `parent` (the outline root or an item) and returns
// how many were added in all, which is the number of visible items: every
// written item is open.
long long appendOutline(QPDF& pdf, QPDFObjectHandle parent, const std::vector<OutlineItem>& items) {
  long long added = 0;
  QPDFObjectHandle previous = parent.getKey("/Last");
  if (!previous.isDictionary()) previous = QPDFObjectHandle::newNull();
  for (const OutlineItem& item : items) {
    QPDFObjectHandle node = pdf.makeIndirectObject(QPDFObjectHandle::newDictionary());
    node.replaceKey("/Title", QPDFObjectHandle::newUnicodeString(item.title));
    node.replaceKey("/Parent", parent);
    writeOutlineTarget(pdf, node, item.page, item.target);
    if (previous.isNull()) {
      parent.replaceKey("/First", node);
    } else {
      previous.replaceKey("/Next", node);
      node.replaceKey("/Prev", previous);
    }
    parent.replaceKey("/Last", node);
    previous = node;
    const long long below = appendOutline(pdf, node, item.kids);
    if (below > 0) node.replaceKey("/Count", QPDFObjectHandle::newInteger(below));
    added += 1 + below;
  }
  QPDFObjectHandle count = parent.getKey("/Count");
  const long long before = count.isInteger() ? count.getIntValue() : 0;
  if (added > 0) parent.replaceKey("/Count", QPDFObjectHandle::newInteger((before < 0 ? -before : before) + added));
  return added;
}

QPDFObjectHandle outlineRoot(QPDF& pdf) {
  QPDFObjectHandle root = pdf.getRoot().getKey("/Outlines");
  if (root.isDictionary()) return root;
  root = pdf.makeIndirectObject(QPDFObjectHandle::parse("<< /Type /Outlines /Count 0 >>"));
  pdf.getRoot().replaceKey("/Outlines", root);
  return root;
}

// ---- operations ----

void insertPages(Edit& e, const Json& op) {
  const std::string file = e.text(op, "file");
  std::shared_ptr<QpdfDocument> source;
  try {
    source = openDocument(file, e.textOr(op, "password", ""));
  } catch (const Failure& f) {
    throw Failure(f.code, *e.name + ": " + f.what());
  }
  std::vector<QPDFObjectHandle> sourcePages = source->pdf.getAllPages();
  const long long sourceCount = static_cast<long long>(sourcePages.size());
  const long long first = op.contains("first") ? e.integer(op, "first") : 1;
  const long long last = op.contains("last") ? e.integer(op, "last") : sourceCount;
  if (first < 1 || last > sourceCount || first > last)
    e.refuse("pages " + std::to_string(first) + " to " + std::to_string(last) + " are not in " + file + " (" +
             std::to_string(sourceCount) + " page(s))");
  // "after": the page the new ones follow, 0 for the front; default the end.
  const long long after = op.contains("after") ? e.integer(op, "after") : e.pageCount();
  if (after < 0 || after > e.pageCount())
    e.refuse("\"after\" is " + std::to_string(after) + ", the document has " + std::to_string(e.pageCount()) +
             " page(s)");

  QPDFPageDocumentHelper pages(e.doc.pdf);
  std::map<QPDFObjGen, QPDFObjectHandle> copies;  // source page -> page in this document
  for (long long i = first; i <= last; ++i) {
    QPDFObjectHandle page = sourcePages[static_cast<size_t>(i - 1)];
    const long long position = after + (i - first);  // pages before the new one
    if (position == 0) {
      pages.addPage(page, true);
    } else {
      pages.addPageAt(page, false, e.pageAt(static_cast<int>(position)));
    }
    copies[page.getObjGen()] = e.pageAt(static_cast<int>(position + 1));
  }
  e.doc.sources.push_back(source);

  if (e.flag(op, "outline", true)) {
    QPDFOutlineDocumentHelper outlines(source->pdf);
    std::vector<OutlineItem> items = copiedOutline(
        outlines.getTopLevelOutlines(),
        [&](QPDFObjectHandle page) {
          auto it = copies.find(page.getObjGen());
          return it == copies.end() ? QPDFObjectHandle::newNull() : it->second;
        },
        0);
    if (!items.empty()) appendOutline(e.doc.pdf, outlineRoot(e.doc.pdf), items);
  }
}

void deletePages(Edit& e, const Json& op) {
  const int first = e.page(op, "first");
  const int last = e.pageOr(op, "last", first);
  if (last < first) e.refuse("\"last\" comes before \"first\"");
  if (first == 1 && last == e.pageCount()) e.refuse("a document keeps at least one page");
  std::vector<QPDFObjectHandle> all = e.doc.pdf.getAllPages();
  QPDFPageDocumentHelper pages(e.doc.pdf);
  for (int n = first; n <= last; ++n) pages.removePage(all[static_cast<size_t>(n - 1)]);
}

void movePage(Edit& e, const Json& op) {
  const int from = e.page(op, "page");
  const int to = e.page(op, "to");  // the page's number once moved
  if (from == to) return;
  QPDFObjectHandle page = e.pageAt(from);
  QPDFPageDocumentHelper pages(e.doc.pdf);
  pages.removePage(page);
  if (to == 1) {
    pages.addPage(page, true);
  } else {
    pages.addPageAt(page, false, e.pageAt(to - 1));
  }
}

void setRotation(Edit& e, const Json& op) {
  const int first = e.pageOr(op, "first", 1);
  const int last = e.pageOr(op, "last", op.contains("first") ? first : static_cast<int>(e.pageCount()));
  if (last < first) e.refuse("\"last\" comes before \"first\"");
  const long long angle = e.integer(op, "rotate");
  if (angle % 90 != 0) e.refuse("\"rotate\" must be a multiple of 90");
  const bool relative = e.flag(op, "relative", false);
  std::vector<QPDFPageObjectHelper> all = QPDFPageDocumentHelper(e.doc.pdf).getAllPages();
  for (int n = first; n <= last; ++n)
    all[static_cast<size_t>(n - 1)].rotatePage(static_cast<int>(angle % 360), relative);
}

bool plainName(const std::string& key) {
  if (key.empty()) return false;
  for (unsigned char c : key)
    if (c <= ' ' || c >= 0x7f || std::string("/()<>[]{}%#").find(static_cast<char>(c)) != std::string::npos)
      return false;
  return true;
}

void setInfo(Edit& e, const Json& op) {
  const Json& entries = e.member(op, "entries");
  if (!entries.is_object()) e.refuse("\"entries\" must be an object");
  for (const auto& [key, value] : entries.items()) {
    if (!plainName(key)) e.refuse("\"" + key + "\" is not a key of the document information");
    if (!value.is_string() && !value.is_null()) e.refuse("the value of " + key + " must be a string or null");
  }
  QPDF& pdf = e.doc.pdf;
  QPDFObjectHandle info = pdf.getTrailer().getKey("/Info");
  if (!info.isDictionary()) {
    info = pdf.makeIndirectObject(QPDFObjectHandle::newDictionary());
    pdf.getTrailer().replaceKey("/Info", info);
  }
  for (const auto& [key, value] : entries.items()) {
    if (value.is_null()) info.removeKey("/" + key);
    else info.replaceKey("/" + key, QPDFObjectHandle::newUnicodeString(value.get<std::string>()));
  }
}

void setPageMode(Edit& e, const Json& op) {
  const Json& mode = e.member(op, "mode");
  if (mode.is_null() || (mode.is_string() && mode.get<std::string>().empty())) {
    e.doc.pdf.getRoot().removeKey("/PageMode");
    return;
  }
  static const std::set<std::string> modes{"UseNone",    "UseOutlines", "UseThumbs",
                                           "FullScreen", "UseOC",       "UseAttachments"};
  if (!mode.is_string() || !modes.count(mode.get<std::string>())) e.refuse("unknown page mode " + mode.dump());
  e.doc.pdf.getRoot().replaceKey("/PageMode", QPDFObjectHandle::newName("/" + mode.get<std::string>()));
}

void setOutline(Edit& e, const Json& op) {
  std::vector<OutlineItem> items = requestedOutline(e, e.member(op, "items"), 0);
  QPDF& pdf = e.doc.pdf;
  pdf.getRoot().removeKey("/Outlines");
  if (!items.empty()) appendOutline(pdf, outlineRoot(pdf), items);
}

void setPageLabels(Edit& e, const Json& op) {
  const Json& ranges = e.member(op, "ranges");
  if (!ranges.is_array()) e.refuse("\"ranges\" must be a list");
  QPDFObjectHandle nums = QPDFObjectHandle::newArray();
  long long previous = 0;
  for (const Json& range : ranges) {
    if (!range.is_object()) e.refuse("a range must be an object");
    const int firstPage = e.page(range, "firstPage");
    if (previous == 0 && firstPage != 1) e.refuse("the first range starts at page 1");
    if (firstPage <= previous) e.refuse("ranges must follow each other");
    previous = firstPage;
    const std::string style = e.textOr(range, "style", "D");
    if (!style.empty() && std::string("DRrAa").find(style) == std::string::npos)
      e.refuse("style " + style + " is not one of D, R, r, A, a or empty");
    QPDFObjectHandle label = QPDFObjectHandle::newDictionary();
    if (!style.empty()) label.replaceKey("/S", QPDFObjectHandle::newName("/" + style));
    const std::string prefix = e.textOr(range, "prefix", "");
    if (!prefix.empty()) label.replaceKey("/P", QPDFObjectHandle::newUnicodeString(prefix));
    const long long start = range.contains("start") ? e.integer(range, "start") : 1;
    if (start < 1) e.refuse("\"start\" must be at least 1");
    if (start != 1) label.replaceKey("/St", QPDFObjectHandle::newInteger(start));
    nums.appendItem(QPDFObjectHandle::newInteger(firstPage - 1));
    nums.appendItem(label);
  }
  if (nums.getArrayNItems() == 0) {
    e.doc.pdf.getRoot().removeKey("/PageLabels");
    return;
  }
  QPDFObjectHandle tree = QPDFObjectHandle::newDictionary();
  tree.replaceKey("/Nums", nums);
  e.doc.pdf.getRoot().replaceKey("/PageLabels", e.doc.pdf.makeIndirectObject(tree));
}

void attach(Edit& e, const Json& op) {
  const std::string key = e.text(op, "key");
  const std::string file = e.text(op, "file");
  if (key.empty()) e.refuse("\"key\" is empty");
  std::error_code ec;
  if (!std::filesystem::is_regular_file(file, ec)) e.refuse(file + " is not a readable file");
  const std::string name = e.textOr(op, "fileName", std::filesystem::path(file).filename().string());
  QPDFEmbeddedFileDocumentHelper files(e.doc.pdf);
  files.replaceEmbeddedFile(key, QPDFFileSpecObjectHelper::createFileSpec(e.doc.pdf, name, file));
}

void detach(Edit& e, const Json& op) {
  const std::string key = e.text(op, "key");
  QPDFEmbeddedFileDocumentHelper files(e.doc.pdf);
  if (!files.removeEmbeddedFile(key)) e.refuse("no embedded file " + key);
}

void encrypt(Edit& e, const Json& op) {
  EncryptionChange c;
  c.user = e.textOr(op, "userPassword", "");
  c.owner = e.textOr(op, "ownerPassword", "");
  if (c.owner.empty()) c.owner = c.user;
  c.bits = op.contains("bits") ? static_cast<int>(e.integer(op, "bits")) : 256;
  if (c.bits != 40 && c.bits != 128 && c.bits != 256) e.refuse("\"bits\" must be 40, 128 or 256");
  for (const char* p : {"print", "modify", "extract", "annotate", "fillForms", "assemble", "accessibility"})
    c.allow[p] = true;
  if (op.contains("permissions")) {
    const Json& permissions = op.at("permissions");
    if (!permissions.is_object()) e.refuse("\"permissions\" must be an object");
    for (const auto& [name, value] : permissions.items()) {
      if (!c.allow.count(name)) e.refuse("unknown permission " + name);
      c.allow[name] = e.flag(permissions, name.c_str(), true);
    }
  }
  e.encryption = c;
}

void decrypt(Edit& e, const Json&) {
  e.encryption = EncryptionChange{};
  e.encryption->decrypt = true;
}

void annotations(Edit& e, const Json& op) { setAnnotations(e.doc, op); }
// The operations written in their own files.
void stamp(Edit& e, const Json& op) { stampText(e.doc, op); }
void webLinks(Edit& e, const Json& op) { addWebLinks(e.doc, op); }
// Form fields (fields.cpp): {"op": "setField", "field": {...}} writes one,
// {"op": "setField", "remove": NAME} takes one out; a signature is made
// while the file is written.
void putField(Edit& e, const Json& op) {
  if (op.contains("remove")) removeField(e.doc, op.at("remove"));
  else setField(e.doc, op);
}
void sign(Edit& e, const Json& op) { e.signature = op; }

using Operation = void (*)(Edit&, const Json&);
const std::map<std::string, Operation> kOperations{
    {"insertPages", insertPages},
    {"deletePages", deletePages},
    {"movePage", movePage},
    {"setRotation", setRotation},
    {"setInfo", setInfo},
    {"setPageMode", setPageMode},
    {"setOutline", setOutline},
    {"setPageLabels", setPageLabels},
    {"attach", attach},
    {"detach", detach},
    {"encrypt", encrypt},
    {"decrypt", decrypt},
    {"stampText", stamp},
    {"addWebLinks", webLinks},
    {"setAnnotations", annotations},
    {"setField", putField},
    {"sign", sign},
};

void applyEncryption(QPDFWriter& w, const EncryptionChange& c) {
  if (c.decrypt) {
    w.setPreserveEncryption(false);
    return;
  }
  auto allowed = [&](const char* p) { return c.allow.at(p); };
  const qpdf_r3_print_e print = allowed("print") ? qpdf_r3p_full : qpdf_r3p_none;
  if (c.bits == 256) {
    w.setR6EncryptionParameters(c.user.c_str(), c.owner.c_str(), allowed("accessibility"), allowed("extract"),
                                allowed("assemble"), allowed("annotate"), allowed("fillForms"), allowed("modify"),
                                print, true);
  } else if (c.bits == 128) {
    w.setR4EncryptionParametersInsecure(c.user.c_str(), c.owner.c_str(), allowed("accessibility"), allowed("extract"),
                                        allowed("assemble"), allowed("annotate"), allowed("fillForms"),
                                        allowed("modify"), print, true, true);
  } else {
    w.setR2EncryptionParametersInsecure(c.user.c_str(), c.owner.c_str(), allowed("print"), allowed("modify"),
                                        allowed("extract"), allowed("annotate"));
  }
}

}  // namespace

void applyRequest(const std::string& input, const std::string& password, const Json& request,
                  const std::string& output) {
  if (!request.is_object() || !request.contains("operations") || !request.at("operations").is_array())
    refuse("a request is an object with a list \"operations\"");
  if (request.contains("write")) checkWriteSettings(request.at("write"));
  // No input: a new document, as the viewer creates one.
  std::shared_ptr<QpdfDocument> doc = input.empty() ? newDocument() : openDocument(input, password);
  Edit edit{*doc, std::nullopt, std::nullopt};
  const Json& operations = request.at("operations");
  for (size_t i = 0; i < operations.size(); ++i) {
    const Json& op = operations[i];
    if (!op.is_object() || !op.contains("op") || !op.at("op").is_string())
      refuse("operation " + std::to_string(i + 1) + " has no \"op\"");
    const std::string name = op.at("op").get<std::string>();
    auto it = kOperations.find(name);
    if (it == kOperations.end() && !isPageEdit(name))
      refuse("operation " + std::to_string(i + 1) + ": unknown operation " + name);
    edit.name = &name;
    try {
      if (it == kOperations.end()) editPages(*doc, op);
      else it->second(edit, op);
    } catch (const Failure&) {
      throw;
    } catch (const std::exception& e) {
      refuse(name + ": " + e.what());
    }
  }

  const std::string temporary = temporaryBeside(output);
  try {
    finishFields(doc->pdf);
    QPDFWriter w(doc->pdf, temporary.c_str());
    if (edit.encryption) applyEncryption(w, *edit.encryption);
    if (request.contains("write")) applyWriteSettings(w, request.at("write"));
    if (edit.signature) prepareSignature(doc->pdf, *edit.signature, w);
    w.write();
    if (edit.signature) completeSignature(temporary, *edit.signature);
  } catch (const Failure&) {
    std::remove(temporary.c_str());
    throw;
  } catch (const std::exception& e) {
    std::remove(temporary.c_str());
    throw Failure(Exit::Unreadable, std::string("writing failed: ") + e.what());
  }
  std::error_code ec;
  std::filesystem::rename(temporary, output, ec);
  if (ec) {
    std::remove(temporary.c_str());
    throw Failure(Exit::Refused, "cannot replace " + output + ": " + ec.message());
  }
}

}  // namespace dv::pdftool
