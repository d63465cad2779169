// The merging and bookmark members of the scripted viewer: PDDoc Create,
// InsertPages (pages and outline taken at the call), Save (into the
// in-memory file system) and SetFlags; AVDoc FindText on page texts and
// the "NewBookmark" menu item; PDBookmark GetByTitle and SetTitle; the page
// view; the JavaScript object's Layout, mouseX and mouseY, CloseDoc; its
// bookmarks' createChild and Parent. With `holdFiles` an opened document's
// file is locked while it is open, as the viewer holds it.
#pragma once

#include <map>
#include <optional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "dv/fakes/fake_files.h"
#include "viewer_fake_viewer.h"

namespace dv::testing {

struct FakeMergeState {
  bool createFails = false;
  bool holdFiles = false;
  std::map<std::string, std::vector<std::string>, PathLess> pageTexts;  // by path: the words of each page
  int created = 0;
  double mouseX = 0, mouseY = 0;
  std::map<const void*, std::string> held;  // PDDoc object -> the file it holds
  // Documents saved, by the number their file's bytes carry ("%PDF-saved#n"),
  // so that a saved file moved or copied in the file system is still known.
  std::vector<FakePdf> saved;
  const FakePdf* savedAt(fakes::FakeFileSystem& files, const std::string& path) const {
    const std::optional<std::string> bytes = files.contents(path);
    const std::string tag = "%PDF-saved#";
    if (!bytes || bytes->rfind(tag, 0) != 0) return nullptr;
    const size_t n = static_cast<size_t>(std::stoul(bytes->substr(tag.size())));
    return n < saved.size() ? &saved[n] : nullptr;
  }
  std::map<const void*, std::pair<std::string, std::string>> pdBookmarks;  // object -> (path, title)
};

namespace fake_merge {

inline FakeBookmark* findTitle(std::vector<FakeBookmark>& list, const std::string& title) {
  for (auto& b : list) {
    if (b.name == title) return &b;
    if (FakeBookmark* inner = findTitle(b.children, title)) return inner;
  }
  return nullptr;
}

inline FakeBookmark* parentOf(FakeBookmark& node, const FakeBookmark* child) {
  for (auto& c : node.children) {
    if (&c == child) return &node;
    if (FakeBookmark* p = parentOf(c, child)) return p;
  }
  return nullptr;
}

inline void shiftPages(std::vector<FakeBookmark>& list, int by) {
  for (auto& b : list) {
    b.page += by;
    shiftPages(b.children, by);
  }
}

}  // namespace fake_merge

inline std::shared_ptr<FakeMergeState> addMergeMembers(FakeViewer& viewer, fakes::FakeFileSystem& files) {
  auto state = std::make_shared<FakeMergeState>();
  FakeViewer* v = &viewer;
  viewer.extensions.push_back([v, state, &files](FakeViewer::Obj& self, std::string_view member, Args& args,
                                                 const Variant* letValue) -> std::optional<Variant> {
    auto arg = [&](size_t i) { return i < args.size() ? args[i].value.target() : Variant(); };
    auto docOf = [&](const std::string& p) -> FakePdf& {
      auto it = v->files.find(p);
      if (it == v->files.end()) throw AutomationError(static_cast<int32_t>(0x80004005), "FakeViewer", "no document");
      return it->second;
    };
    const std::string& kind = self.kind;
    if (kind == "PDDoc") {
      if (member == "Open" && state->holdFiles) {
        const std::string path = vb::CStr(arg(0));
        if (v->files.count(path)) {
          files.setLocked(path, true);
          state->held[&self] = path;
        }
        return std::nullopt;  // the scripted viewer opens it
      }
      if (member == "Close") {
        if (auto h = state->held.find(&self); h != state->held.end()) {
          files.setLocked(h->second, false);
          state->held.erase(h);
        }
        return std::nullopt;
      }
      if (member == "OpenAVDoc") {
        v->currentPage = 0;  // a new window starts on the first page
        return std::nullopt;
      }
      if (member == "Create") {
        if (state->createFails) return Variant(false);
        self.path = "new:" + std::to_string(++state->created);
        v->files[self.path] = FakePdf{0, "", {}};
        return Variant(true);
      }
      if (member == "InsertPages") {
        // Changes stay in memory until a save: an opened file is copied first.
        if (self.path.rfind("new:", 0) != 0) {
          const std::string copy = "new:" + std::to_string(++state->created);
          v->files[copy] = docOf(self.path);
          self.path = copy;
        }
        FakePdf& target = docOf(self.path);
        auto* source = dynamic_cast<FakeViewer::Obj*>(asObject(arg(1)).get());
        if (!source) return Variant(false);
        const FakePdf copy = docOf(source->path);
        const int after = vb::CLng(arg(0));
        const int count = vb::CLng(arg(3));
        if (after + 1 != target.pages) return Variant(false);  // the merges only ever append
        std::vector<FakeBookmark> outline = copy.outline;
        fake_merge::shiftPages(outline, target.pages);
        target.pages += count;
        if (vb::CBool(arg(4))) target.outline.insert(target.outline.end(), outline.begin(), outline.end());
        return Variant(true);
      }
      if (member == "Save") {
        const std::string path = vb::CStr(arg(1));
        // An edited JavaScript outline is written with the document.
        if (auto root = v->roots.find(self.path); root != v->roots.end()) {
          docOf(self.path).outline = root->second.children;
          v->roots.erase(root);
        }
        const FakePdf saved = docOf(self.path);
        if (!files.writeFile(path, "%PDF-saved#" + std::to_string(state->saved.size()))) return Variant(false);
        state->saved.push_back(saved);
        v->files[path] = saved;
        return Variant(true);
      }
      if (member == "SetFlags" || member == "SetPageMode") return Variant(true);
    }
    if (kind == "AVDoc") {
      if (member == "FindText") {
        auto texts = state->pageTexts.find(self.path);
        if (texts == state->pageTexts.end()) return Variant(false);
        const std::string word = vb::CStr(arg(0));
        const int from = vb::CBool(arg(3)) ? 0 : v->currentPage;
        for (int p = from; p < static_cast<int>(texts->second.size()); ++p) {
          const std::string& text = texts->second[static_cast<size_t>(p)];
          if (vb::InStr(1, text, word, !vb::CBool(arg(1))) > 0) {
            v->currentPage = p;
            return Variant(true);
          }
        }
        return Variant(false);
      }
      if (member == "GetAVPageView") return Variant(v->make("PageView", self.path));
      if (member == "BringToFront") return Variant(true);
    }
    if (kind == "App" && member == "MenuItemExecute" && vb::CStr(arg(0)) == "NewBookmark") {
      docOf(v->activeDoc).outline.push_back(FakeBookmark{"Untitled", v->currentPage, {}});
      return Variant(true);
    }
    if (kind == "PDBookmark") {
      if (member == "GetByTitle") {
        auto* doc = dynamic_cast<FakeViewer::Obj*>(asObject(arg(0)).get());
        const std::string title = vb::CStr(arg(1));
        if (!doc || !fake_merge::findTitle(docOf(doc->path).outline, title)) return Variant(false);
        state->pdBookmarks[&self] = {doc->path, title};
        return Variant(true);
      }
      if (member == "SetTitle") {
        auto it = state->pdBookmarks.find(&self);
        if (it == state->pdBookmarks.end()) return Variant(false);
        FakeBookmark* b = fake_merge::findTitle(docOf(it->second.first).outline, it->second.second);
        if (!b) return Variant(false);
        b->name = vb::CStr(arg(0));
        it->second.second = b->name;
        return Variant(true);
      }
    }
    if (kind == "PageView") {
      if (member == "GetDoc") return Variant(v->make("PDDoc", self.path));
      if (member == "GetPage") return Variant(v->make("PDPage", self.path));
      if (member == "GetPageNum") return Variant(static_cast<int32_t>(v->currentPage));
      if (member == "GoTo") {
        v->currentPage = vb::CLng(arg(0));
        return Variant(true);
      }
    }
    if (kind == "PDPage" && member == "GetNumber") return Variant(static_cast<int32_t>(v->currentPage));
    if (kind == "JSO") {
      if (member == "Layout" && letValue) return Variant();
      if (member == "mouseX") return Variant(state->mouseX);
      if (member == "mouseY") return Variant(state->mouseY);
      if (member == "CloseDoc") {
        if (v->activeDoc == self.path) v->activeDoc.clear();  // its window closes with it
        return Variant(false);
      }
    }
    if (kind == "Bookmark") {
      auto* node = const_cast<FakeBookmark*>(self.bookmark);
      if (member == "Execute") {
        state->mouseX = node->left;
        state->mouseY = node->top;
        return std::nullopt;  // the scripted viewer turns the page
      }
      if (member == "createChild") {
        const int index = vb::CLng(arg(2));
        if (index < 0 || index > static_cast<int>(node->children.size())) return Variant(false);
        FakeBookmark made{vb::CStr(arg(0)), 0, {}};
        made.action = vb::CStr(arg(1));
        node->children.insert(node->children.begin() + index, std::move(made));
        return Variant();
      }
      if (member == "Parent") {
        auto root = v->roots.find(self.path);
        FakeBookmark* parent = root == v->roots.end() ? nullptr : fake_merge::parentOf(root->second, node);
        if (!parent) return Variant::null();
        return Variant(v->make("Bookmark", self.path, parent));
      }
    }
    return std::nullopt;
  });
  return state;
}

}  // namespace dv::testing
