// A scripted viewer for the viewer-operation tests: App, AVDoc, PDDoc, the
// document's JavaScript object and bookmarks as in-memory automation
// objects that journal every call as one line ("AVDoc.Open(a.pdf,)"), so a
// test can assert the exact sequence, and that fail on request.
#pragma once

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "dv/automation.h"
#include "dv/vb.h"

namespace dv::testing {

struct FakeBookmark {
  std::string name;
  int page = 0;
  std::vector<FakeBookmark> children;
  double left = 0, top = 0;  // where the bookmark's destination scrolls the page
  std::string action = {};   // the JavaScript of a bookmark made by createChild
};

struct FakePdf {
  int pages = 1;
  std::string password;  // empty: not encrypted
  std::vector<FakeBookmark> outline;
};

// Windows paths name the same file in any case.
struct PathLess {
  bool operator()(const std::string& a, const std::string& b) const { return vb::compareText(a, b) < 0; }
};

class FakeViewer : public std::enable_shared_from_this<FakeViewer> {
 public:
  std::map<std::string, FakePdf, PathLess> files;  // by path
  std::vector<std::string> journal;
  // "Object.Member" -> error raised instead of the call.
  std::map<std::string, AutomationError> failures;
  // "Object.Member" of every call in order, and one call made to fail: the
  // nth call of that key (counted from 1 over all objects of the kind).
  std::vector<std::string> callKeys;
  struct NthFailure {
    std::string key;
    int nth = 0;
    AutomationError error;
  };
  std::optional<NthFailure> failAt;
  // Objects handed out and not yet released.
  int live = 0;
  // Runs when the Open menu item runs: the open dialogs have been answered.
  std::function<void()> onOpenMenu;
  // What the open dialogs will be given when App MenuItemExecute "Open"
  // runs (the relays' part); empty path: nobody answers.
  std::string dialogPath, dialogPassword;

  // State of the viewer.
  std::string activeDoc;  // path of the front document, empty when none
  int currentPage = 0;
  bool shown = false;
  int appsCreated = 0;
  std::map<std::string, FakeBookmark, PathLess> roots;  // outline trees handed out, by path

  void fail(const std::string& member, int32_t number, const std::string& description) {
    failures.emplace(member, AutomationError(number, "FakeViewer", description));
  }
  // Journal lines starting with prefix.
  std::vector<std::string> calls(const std::string& prefix = "") const {
    std::vector<std::string> out;
    for (const auto& l : journal)
      if (l.rfind(prefix, 0) == 0) out.push_back(l);
    return out;
  }

  ObjectPtr create(std::string_view progId);

  // Members of the objects (implemented below the classes).
  class Obj;
  // Further members, asked first after a call is journaled and its failure
  // checked: an answer ends the call, nullopt goes on to the members here.
  using Extension =
      std::function<std::optional<Variant>(Obj& self, std::string_view member, Args& args, const Variant* letValue)>;
  std::vector<Extension> extensions;
  ObjectPtr make(std::string kind, std::string path = "", const FakeBookmark* bookmark = nullptr);
  Variant invoke(Obj& self, std::string_view member, Args& args, const Variant* letValue);
};

inline std::string render(const Variant& v) {
  if (v.isObject()) return "<obj>";
  if (v.type() == VarType::Bool) return v.boolValue() ? "True" : "False";
  if (v.isMissing()) return "<missing>";
  return vb::CStr(v);
}

class FakeViewer::Obj : public Object {
 public:
  Obj(std::shared_ptr<FakeViewer> viewer, std::string kind, std::string path, const FakeBookmark* bookmark)
      : viewer(std::move(viewer)), kind(std::move(kind)), path(std::move(path)), bookmark(bookmark) {
    ++this->viewer->live;
  }
  ~Obj() override { --viewer->live; }
  Obj(const Obj&) = delete;
  Obj& operator=(const Obj&) = delete;
  Variant get(std::string_view m, Args a) override { return viewer->invoke(*this, m, a, nullptr); }
  void let(std::string_view m, const Variant& v, Args a) override { viewer->invoke(*this, m, a, &v); }
  void set(std::string_view m, const Variant& v, Args a) override { viewer->invoke(*this, m, a, &v); }
  Variant call(std::string_view m, Args a) override { return viewer->invoke(*this, m, a, nullptr); }

  std::shared_ptr<FakeViewer> viewer;
  std::string kind;  // App, AVDoc, PDDoc, JSO, Bookmark, PDBookmark
  std::string path;  // the document it addresses
  const FakeBookmark* bookmark;
};

inline ObjectPtr FakeViewer::make(std::string kind, std::string path, const FakeBookmark* bookmark) {
  return std::make_shared<Obj>(shared_from_this(), std::move(kind), std::move(path), bookmark);
}

inline ObjectPtr FakeViewer::create(std::string_view progId) {
  journal.push_back("create " + std::string(progId));
  if (progId == "AcroExch.App") {
    ++appsCreated;
    return make("App");
  }
  if (progId == "AcroExch.AVDoc") return make("AVDoc");
  if (progId == "AcroExch.PDDoc") return make("PDDoc");
  if (progId == "AcroExch.PDBookmark") return make("PDBookmark");
  vb::raise(vb::kCantCreateObject);
}

inline Variant FakeViewer::invoke(Obj& self, std::string_view member, Args& args, const Variant* letValue) {
  std::string line = self.kind + "." + std::string(member);
  if (self.kind == "Bookmark") line = "Bookmark[" + self.bookmark->name + "]." + std::string(member);
  std::string argText;
  for (const auto& a : args) argText += (argText.empty() ? "" : ",") + render(a.value);
  if (letValue) line += "=" + render(*letValue);
  else if (!args.empty() ||
           (member != "Children" && member != "Name" && member != "NumPages" && member != "BookMarkRoot"))
    line += "(" + argText + ")";
  journal.push_back(line);
  const std::string key = self.kind + "." + std::string(member);
  if (auto f = failures.find(key); f != failures.end()) throw f->second;
  callKeys.push_back(key);
  if (failAt && failAt->key == key &&
      static_cast<int>(std::count(callKeys.begin(), callKeys.end(), key)) == failAt->nth)
    throw failAt->error;

  for (const Extension& extension : extensions)
    if (std::optional<Variant> answer = extension(self, member, args, letValue)) return *answer;
  auto arg = [&](size_t i) { return i < args.size() ? args[i].value : Variant(); };
  auto docOf = [&](const std::string& p) -> FakePdf& {
    auto it = files.find(p);
    if (it == files.end()) throw AutomationError(static_cast<int32_t>(0x80004005), "FakeViewer", "no document");
    return it->second;
  };
  if (self.kind == "App") {
    if (member == "MenuItemExecute") {
      if (vb::CStr(arg(0)) == "Open" && onOpenMenu) onOpenMenu();
      if (vb::CStr(arg(0)) == "Open" && !dialogPath.empty()) {
        auto it = files.find(dialogPath);
        if (it != files.end() && (it->second.password.empty() || it->second.password == dialogPassword))
          activeDoc = dialogPath;
      }
      return true;
    }
    if (member == "GetActiveDoc") {
      if (activeDoc.empty()) return Variant();
      return make("AVDoc", activeDoc);
    }
    if (member == "Show") {
      shown = true;
      return true;
    }
    if (member == "Exit") {
      activeDoc.clear();
      return true;
    }
  }
  if (self.kind == "AVDoc") {
    if (member == "Open") {
      auto it = files.find(vb::CStr(arg(0)));
      if (it == files.end() || !it->second.password.empty()) return false;
      self.path = vb::CStr(arg(0));
      activeDoc = self.path;
      currentPage = 0;
      return true;
    }
    if (member == "GetPDDoc") return make("PDDoc", self.path);
    if (member == "Close") {
      if (activeDoc == self.path) activeDoc.clear();
      return true;
    }
    if (member == "PrintPages" || member == "PrintPagesSilent") return true;
  }
  if (self.kind == "PDDoc") {
    if (member == "Open") {
      auto it = files.find(vb::CStr(arg(0)));
      if (it == files.end() || !it->second.password.empty()) return false;
      self.path = vb::CStr(arg(0));
      return true;
    }
    if (member == "OpenAVDoc") {
      activeDoc = self.path;
      return make("AVDoc", self.path);
    }
    if (member == "GetNumPages") return static_cast<int32_t>(docOf(self.path).pages);
    if (member == "GetJSObject") return make("JSO", self.path);
    if (member == "Close") return true;
    if (member == "Save") return true;
  }
  if (self.kind == "JSO") {
    if (member == "AddWebLinks") return Variant();
    if (member == "NumPages") return static_cast<int32_t>(docOf(self.path).pages);
    if (member == "PageNum") {
      if (letValue) currentPage = vb::CLng(*letValue);
      return static_cast<int32_t>(currentPage);
    }
    if (member == "BookMarkRoot") {
      auto [it, added] = roots.try_emplace(self.path, FakeBookmark{"Root", 0, docOf(self.path).outline});
      return make("Bookmark", self.path, &it->second);
    }
  }
  if (self.kind == "Bookmark") {
    if (member == "Name") return self.bookmark->name;
    if (member == "Children") {
      if (self.bookmark->children.empty())
        throw AutomationError(static_cast<int32_t>(0x80004005), "FakeViewer", "no children");
      std::vector<Variant> items;
      for (const auto& c : self.bookmark->children) items.emplace_back(make("Bookmark", self.path, &c));
      return Array::vector(VarType::Variant, std::move(items));
    }
    if (member == "Execute") {
      currentPage = self.bookmark->page;
      return Variant();
    }
  }
  if (self.kind == "PDBookmark") {
    if (member == "GetByTitle") return true;
    if (member == "Perform") return true;
  }
  throw AutomationError(static_cast<int32_t>(0x80020006), "FakeViewer", "Unknown name.");  // DISP_E_UNKNOWNNAME
}

}  // namespace dv::testing
