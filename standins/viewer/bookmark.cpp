// Bookmarks of real PDF files: the outline read with dv-pdftool, offered as the
// PDBookmark automation object and as the JavaScript bookmark tree, both over
// the outline an open document keeps in memory.
#include <cctype>
#include <functional>

#include "dv/standins/tools.h"
#include "dv/vb.h"
#include "dv/standins/viewer_app.h"
#include "dv/standins/pdf_file.h"

namespace dv::standins {

namespace {

constexpr TypeDesc kBool{VarType::Bool};
constexpr TypeDesc kString{VarType::String};
constexpr TypeDesc kVariant{VarType::Variant};
constexpr TypeDesc kObject{VarType::Object};
constexpr int32_t kEFail = static_cast<int32_t>(0x80004005u);

// Files nest outlines as deep as the file does; a deeper tree than this is
// taken for a damaged file rather than followed.
constexpr int kMaxOutlineDepth = 200;

void readEntries(const Json& list, std::vector<OutlineEntry>& out, int depth) {
  if (depth > kMaxOutlineDepth || !list.is_array()) return;
  for (const Json& item : list) {
    if (!item.is_object()) continue;
    OutlineEntry e;
    e.title = item.value("title", std::string());
    const Json page = item.value("page", Json());
    e.page = page.is_number_integer() ? page.get<int32_t>() - 1 : -1;
    if (item.contains("kids")) readEntries(item.at("kids"), e.children, depth + 1);
    out.push_back(std::move(e));
  }
}

// Turns the document's window to `page` (counted from 0) and the point the
// destination names, where it names one.
void goTo(const std::string& path, int32_t page, std::optional<double> left, std::optional<double> top) {
  if (page < 0) return;
  ViewerView* view = SharedViewer::instance().find(path);
  if (!view || page >= view->pages) return;
  view->currentPage = page;
  if (left) view->mouseX = *left;
  if (top) view->mouseY = *top;
}

// The two statements a copied bookmark's script holds: "this.pageNum = n"
// and "this.scroll(x, y)". Anything else is a script the stand-in cannot
// run, which fails as the viewer's console would report it.
void runBookmarkScript(const std::string& path, const std::string& script) {
  std::optional<int32_t> page;
  std::optional<double> x, y;
  for (std::string statement : vb::Split(script, ";")) {
    statement = vb::Trim(statement);
    if (statement.empty()) continue;
    std::string compact;
    for (char c : statement)
      if (!std::isspace(static_cast<unsigned char>(c))) compact += c;
    if (compact.rfind("this.pageNum=", 0) == 0) {
      page = static_cast<int32_t>(vb::Val(compact.substr(13)));
    } else if (compact.rfind("this.scroll(", 0) == 0 && compact.back() == ')') {
      const std::vector<std::string> values = vb::Split(compact.substr(12, compact.size() - 13), ",");
      if (values.size() != 2) throw AutomationError(kEFail, "JavaScript", "SyntaxError: " + statement);
      x = vb::Val(values[0]);
      y = vb::Val(values[1]);
    } else {
      throw AutomationError(kEFail, "JavaScript", "The stand-in cannot run " + statement);
    }
  }
  ViewerView* view = SharedViewer::instance().find(path);
  if (!view) return;
  if (page) goTo(path, *page, std::nullopt, std::nullopt);
  if (x) view->mouseX = *x;
  if (y) view->mouseY = *y;
}

void perform(const std::string& path, const OutlineNode& node) {
  if (!node.javaScript.empty()) {
    runBookmarkScript(path, node.javaScript);
    return;
  }
  goTo(path, node.page, node.left, node.top);
}

// The PDBookmark object: empty until GetByTitle finds a bookmark.
class AcroPDBookmark : public StandIn {
 public:
  using StandIn::StandIn;
  std::shared_ptr<ViewerDocument> doc;
  OutlinePtr node;
};

// A node of the JavaScript bookmark tree; `owner` keeps the tree (and the
// document it belongs to) alive.
class JsBookmark : public StandIn {
 public:
  JsBookmark(std::shared_ptr<void> owner, OutlinePtr node, std::shared_ptr<ViewerDocument> doc, std::string path)
      : StandIn(jsBookmarkClass()),
        owner(std::move(owner)),
        node(std::move(node)),
        doc(std::move(doc)),
        path(std::move(path)) {}
  std::shared_ptr<void> owner;
  OutlinePtr node;
  std::shared_ptr<ViewerDocument> doc;  // nullptr for a tree read from a file alone
  std::string path;
};

ObjectPtr jsNode(const JsBookmark& from, OutlinePtr node) {
  return std::make_shared<JsBookmark>(from.owner, std::move(node), from.doc, from.path);
}

}  // namespace

std::vector<OutlineEntry> readOutline(const std::string& clientPath, const std::string& password) {
  std::vector<OutlineEntry> entries;
  const PdfToolAnswer facts = pdfFacts(toolRunner(), clientPath, password);
  if (facts.ok() && facts.json.contains("outline")) readEntries(facts.json.at("outline"), entries, 0);
  return entries;
}

const ClassDef& acroPDBookmarkClass() {
  static const ClassDef cls = [] {
    ClassDef c(acrobatTypeLib(), "AcroPDBookmark", {"AcroExch.PDBookmark"});
    c.help("A bookmark of a document.");
    c.method("GetByTitle", {{"iAcroPDDoc", kObject}, {"bookmarkTitle", kString}}, kBool, [](Invocation& in) -> Variant {
      auto& self = in.as<AcroPDBookmark>();
      self.doc.reset();
      self.node.reset();
      std::shared_ptr<ViewerDocument> doc = pdDocDocument(asObject(in.arg(0)));
      if (!doc || doc->closed) return false;
      if (OutlinePtr node = findOutlineTitle(documentOutline(*doc), vb::CStr(in.arg(1)))) {
        self.doc = doc;
        self.node = node;
      }
      return self.node != nullptr;
    });
    c.method("Perform", {{"iAcroAVDoc", kObject}}, kBool, [](Invocation& in) -> Variant {
      auto& self = in.as<AcroPDBookmark>();
      if (!self.node) return false;
      perform(self.doc->path, *self.node);
      return true;
    });
    c.method("IsValid", {}, kBool, [](Invocation& in) -> Variant { return in.as<AcroPDBookmark>().node != nullptr; });
    c.method("GetTitle", {}, kString, [](Invocation& in) -> Variant {
      auto& self = in.as<AcroPDBookmark>();
      return self.node ? self.node->title : std::string();
    });
    c.method("SetTitle", {{"newTitle", kString}}, kBool, [](Invocation& in) -> Variant {
      auto& self = in.as<AcroPDBookmark>();
      if (!self.node || self.doc->closed) return false;
      self.node->title = vb::CStr(in.arg(0));
      self.doc->outlineChanged = self.doc->dirty = true;
      return true;
    });
    c.factory([]() -> std::shared_ptr<StandIn> { return std::make_shared<AcroPDBookmark>(acroPDBookmarkClass()); });
    return c;
  }();
  return cls;
}

const ClassDef& jsBookmarkClass() {
  static const ClassDef cls = [] {
    ClassDef c(acrobatTypeLib(), "JSBookmark", {});
    c.property("name", kString, [](Invocation& in) -> Variant { return in.as<JsBookmark>().node->title; });
    c.property("children", kVariant, [](Invocation& in) -> Variant {
      auto& self = in.as<JsBookmark>();
      // A bookmark without children answers null, which reaches an
      // automation client as a failed property read.
      if (self.node->children.empty()) throw AutomationError(kEFail, "JavaScript", "children is null");
      std::vector<Variant> items;
      for (const OutlinePtr& child : self.node->children) items.emplace_back(jsNode(self, child));
      return Array::vector(VarType::Variant, std::move(items));
    });
    c.property("parent", kObject, [](Invocation& in) -> Variant {
      auto& self = in.as<JsBookmark>();
      OutlinePtr parent = self.node->parent.lock();
      if (!parent) throw AutomationError(kEFail, "JavaScript", "parent is null");  // the root's
      return Variant(jsNode(self, parent));
    });
    c.method("execute", {}, kVariant, [](Invocation& in) -> Variant {
      auto& self = in.as<JsBookmark>();
      perform(self.doc ? self.doc->path : self.path, *self.node);
      return Variant();
    });
    c.method("createChild", {{"cName", kString}, {"cExpr", kString, true}, {"nIndex", kVariant, true}}, kVariant,
             [](Invocation& in) -> Variant {
               auto& self = in.as<JsBookmark>();
               if (!self.doc || self.doc->closed)
                 throw AutomationError(kEFail, "JavaScript", "The document is closed.");
               const int32_t index = vb::CLng(in.argOr(2, Variant(int32_t{0})));
               if (index < 0 || static_cast<size_t>(index) > self.node->children.size())
                 throw AutomationError(kEFail, "JavaScript",
                                       "RangeError: Invalid argument value. ===> Parameter nIndex.");
               auto child = std::make_shared<OutlineNode>();
               child->title = vb::CStr(in.arg(0));
               child->javaScript = vb::CStr(in.argOr(1, Variant(std::string())));
               insertOutlineChild(self.node, std::move(child), static_cast<size_t>(index));
               self.doc->outlineChanged = self.doc->dirty = true;
               return Variant();
             });
    return c;
  }();
  return cls;
}

ObjectPtr bookmarkRoot(const std::string& path, const std::string& password) {
  const PdfToolAnswer facts = pdfFacts(toolRunner(), path, password);
  OutlinePtr root = outlineFromFacts(facts.ok() ? facts.json.value("outline", Json::array()) : Json::array());
  return std::make_shared<JsBookmark>(root, root, nullptr, path);
}

ObjectPtr bookmarkRootOf(std::shared_ptr<ViewerDocument> doc) {
  OutlinePtr root = documentOutline(*doc);
  const std::string path = doc->path;
  return std::make_shared<JsBookmark>(doc, root, doc, path);
}

}  // namespace dv::standins
