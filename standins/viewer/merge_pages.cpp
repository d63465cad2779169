// Merging and bookmarking in the viewer stand-in: PDDoc Create, InsertPages
// and SetFlags, AVDoc FindText on the real page text, the "NewBookmark"
// menu item, and the page object of a page view.
#include <algorithm>
#include <filesystem>

#include "dv/standins/viewer_app.h"
#include "dv/vb.h"

namespace dv::standins {

namespace {

constexpr TypeDesc kBool{VarType::Bool};
constexpr TypeDesc kLong{VarType::Int32};
constexpr TypeDesc kVariant{VarType::Variant};
constexpr TypeDesc kObject{VarType::Object};

// A copy of the source's pages as they are now: its file, or with pending
// changes the document as it would be saved. Nothing when it cannot be made.
std::shared_ptr<PageSnapshot> snapshotOf(ViewerDocument& source) {
  ToolRunner& tools = toolRunner();
  const std::string folder = tools.scratchFolder();
  const std::string file = (std::filesystem::path(folder) / "pages.pdf").string();
  auto snapshot = std::make_shared<PageSnapshot>(folder, file);
  const bool pending = !source.pending.inserts.empty() || source.outlineChanged || source.dirty;
  if (pending) {
    PdfChanges changes = source.pending;
    if (source.outlineChanged) changes.outline = outlineEditItems(*documentOutline(source));
    if (!writePdf(tools, source.facts, source.contentFile(), file, changes)) return nullptr;
  } else {
    std::error_code ec;
    std::filesystem::copy_file(source.contentFile(), file, ec);
    if (ec) return nullptr;
  }
  return snapshot;
}

struct PageMap {
  int32_t first, count, to;
};
int32_t mapPage(int32_t page, const void* context) {
  const auto* m = static_cast<const PageMap*>(context);
  return page >= m->first && page < m->first + m->count ? page - m->first + m->to : -1;
}

}  // namespace

void addPdDocMergeMembers(ClassDef& c, std::shared_ptr<ViewerDocument>& (*slot)(Invocation&)) {
  c.method("Create", {}, kBool, [slot](Invocation& inv) {
    // A new document without pages; it becomes a file at its first save.
    auto doc = std::make_shared<ViewerDocument>();
    doc->outline = outlineFromFacts(Json::array());
    slot(inv) = std::move(doc);
    return Variant(true);
  });
  c.method("InsertPages",
           {{"nInsertPageAfter", kLong},
            {"iPDDocSource", kObject},
            {"nStartPage", kLong},
            {"nNumPages", kLong},
            {"bBookmarks", kVariant}},
           kBool, [slot](Invocation& inv) {
             std::shared_ptr<ViewerDocument>& target = slot(inv);
             std::shared_ptr<ViewerDocument> source = pdDocDocument(asObject(inv.arg(1)));
             if (!target || target->closed || !source || source->closed || source->path.empty()) return Variant(false);
             const int32_t after = vb::CLng(inv.arg(0));
             const int32_t start = vb::CLng(inv.arg(2));
             const int32_t count = vb::CLng(inv.arg(3));
             if (after < -1 || after > target->facts.pages - 1) return Variant(false);
             if (start < 0 || count < 1 || start + count > source->facts.pages) return Variant(false);
             std::shared_ptr<PageSnapshot> snapshot = snapshotOf(*source);
             if (!snapshot) return Variant(false);
             target->pending.inserts.push_back(
                 PageInsert{snapshot, source->facts.password, after + 1, start + 1, start + count});
             // Pages after the insertion move back; the source's bookmarks
             // follow at the end of the outline.
             OutlinePtr outline = documentOutline(*target);
             shiftOutlinePages(*outline, after + 1, count);
             if (vb::CBool(inv.argOr(4, Variant(false)))) {
               const PageMap map{start, count, after + 1};
               appendOutlineCopy(*documentOutline(*source), outline, mapPage, &map);
             }
             target->facts.pages += count;
             target->outlineChanged = target->dirty = true;
             return Variant(true);
           });
  // PDDocNeedsSave and the other flags change nothing the stand-in keeps:
  // it saves whatever it is asked to.
  c.method("SetFlags", {{"nFlags", kLong}}, kVariant, [slot](Invocation& inv) {
    if (!slot(inv)) throw AutomationError(static_cast<int32_t>(0x80004005u), "AcroExch.PDDoc", "No document.");
    return Variant();
  });
}

bool findTextInView(ViewerView& view, const std::string& text, bool caseSensitive, bool wholeWords, bool reset) {
  const std::vector<std::string> wanted = vb::Split(vb::Trim(text), " ");
  if (vb::Trim(text).empty()) return false;
  if (!view.text) {
    PdfToolAnswer answer = pdfText(toolRunner(), view.path, view.password, 1, 0, TextParts::WordsOnly);
    if (!answer.ok()) return false;
    view.text = std::make_shared<const Json>(std::move(answer.json));
  }
  const Json& pages = view.text->at("pages");
  auto same = [&](const std::string& word, const std::string& want, bool whole) {
    if (whole) return caseSensitive ? word == want : vb::compareText(word, want) == 0;
    return vb::InStr(1, word, want, !caseSensitive) > 0;
  };
  // From the front, after the last find, or from the top of the current page.
  int32_t page = 0;
  size_t word = 0;
  if (!reset) {
    if (view.foundPage >= 0) {
      page = view.foundPage;
      word = view.foundWord + 1;
    } else {
      page = view.currentPage;
    }
  }
  for (; page < static_cast<int32_t>(pages.size()); ++page, word = 0) {
    const Json& p = pages.at(static_cast<size_t>(page));
    const Json& words = p.at("words");
    for (; word + wanted.size() <= words.size(); ++word) {
      bool match = true;
      for (size_t k = 0; k < wanted.size() && match; ++k) {
        // Inside a phrase the words are whole; its ends may be parts of words.
        const bool whole = wholeWords || (k > 0 && k + 1 < wanted.size());
        match = same(words.at(word + k).at("text").get<std::string>(), wanted[k], whole);
      }
      if (!match) continue;
      const Json& box = words.at(word).at("box");
      view.currentPage = page;
      view.foundPage = page;
      view.foundWord = word;
      // Word boxes count from the top left; destinations from the bottom left.
      view.foundLeft = box.at(0).get<double>();
      view.foundTop = p.at("height").get<double>() - box.at(1).get<double>();
      return true;
    }
  }
  return false;
}

bool newBookmark() {
  SharedViewer& viewer = SharedViewer::instance();
  ViewerView* view = viewer.active();
  if (!view) return false;
  std::shared_ptr<ViewerDocument> doc = pdDocDocument(viewer.pdDocOf(*view));
  if (!doc || doc->closed) return false;
  auto node = std::make_shared<OutlineNode>();
  node->title = "Untitled";
  node->page = view->currentPage;
  if (view->foundPage == view->currentPage) {
    node->left = view->foundLeft;
    node->top = view->foundTop;
  }
  OutlinePtr root = documentOutline(*doc);
  insertOutlineChild(root, std::move(node), root->children.size());
  doc->outlineChanged = doc->dirty = true;
  return true;
}

}  // namespace dv::standins
