// Bookmarks of real PDF files: the outline read with dv-pdftool, offered as the
// PDBookmark automation object and as the JavaScript bookmark tree.
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

const OutlineEntry* findByTitle(const std::vector<OutlineEntry>& entries, const std::string& title) {
  for (const auto& e : entries) {
    if (e.title == title) return &e;
    if (const OutlineEntry* inner = findByTitle(e.children, title)) return inner;
  }
  return nullptr;
}

void goToPage(const std::string& path, int32_t page) {
  if (page < 0) return;
  if (ViewerView* view = SharedViewer::instance().find(path)) view->currentPage = page;
}

// The PDBookmark object: empty until GetByTitle finds a bookmark.
class AcroPDBookmark : public StandIn {
 public:
  using StandIn::StandIn;
  std::optional<OutlineEntry> entry;
  std::string path;
};

// A node of the JavaScript bookmark tree; the tree is shared by its nodes.
class JsBookmark : public StandIn {
 public:
  JsBookmark(std::shared_ptr<const OutlineEntry> root, const OutlineEntry* node, std::string path)
      : StandIn(jsBookmarkClass()), root(std::move(root)), node(node), path(std::move(path)) {}
  std::shared_ptr<const OutlineEntry> root;
  const OutlineEntry* node;
  std::string path;
};

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
      self.entry.reset();
      const ViewerView* view = SharedViewer::instance().documentOf(asObject(in.arg(0)));
      if (!view) return false;
      const std::vector<OutlineEntry> outline = readOutline(view->path, view->password);
      if (const OutlineEntry* e = findByTitle(outline, vb::CStr(in.arg(1)))) {
        self.entry = *e;
        self.path = view->path;
      }
      return self.entry.has_value();
    });
    c.method("Perform", {{"iAcroAVDoc", kObject}}, kBool, [](Invocation& in) -> Variant {
      auto& self = in.as<AcroPDBookmark>();
      if (!self.entry) return false;
      goToPage(self.path, self.entry->page);
      return true;
    });
    c.method("IsValid", {}, kBool, [](Invocation& in) -> Variant { return in.as<AcroPDBookmark>().entry.has_value(); });
    c.method("GetTitle", {}, kString, [](Invocation& in) -> Variant {
      auto& self = in.as<AcroPDBookmark>();
      return self.entry ? self.entry->title : std::string();
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
      if (self.node->children.empty())
        throw AutomationError(static_cast<int32_t>(0x80004005u), "JavaScript", "children is null");
      std::vector<Variant> items;
      for (const OutlineEntry& child : self.node->children)
        items.emplace_back(ObjectPtr(std::make_shared<JsBookmark>(self.root, &child, self.path)));
      return Array::vector(VarType::Variant, std::move(items));
    });
    c.method("execute", {}, kVariant, [](Invocation& in) -> Variant {
      auto& self = in.as<JsBookmark>();
      goToPage(self.path, self.node->page);
      return Variant();
    });
    return c;
  }();
  return cls;
}

ObjectPtr bookmarkRoot(const std::string& path, const std::string& password) {
  auto root = std::make_shared<OutlineEntry>();
  root->title = "Root";
  root->children = readOutline(path, password);
  const OutlineEntry* node = root.get();
  return std::make_shared<JsBookmark>(std::move(root), node, path);
}

}  // namespace dv::standins
