// The words of a document's pages as Acrobat's JavaScript hands them out
// (getPageNumWords, GetPageNthWord, GetPageNthWordQuads) and the pages of
// the PDDoc (AcquirePage, GetSize, GetNumber). Words and their boxes are
// poppler's (what pdftotext -bbox gives), read in one run of dv-pdftool the
// first time a document's words are asked for and kept with the document.
// The run goes on in the background, page after page: a page is answered as
// soon as the tool has read it, so a client asking page by page does not
// wait for the whole document first.
#include <atomic>
#include <cctype>
#include <charconv>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>

#include "dv/standins/pdf_file.h"
#include "dv/standins/pdf_tool.h"
#include "dv/standins/viewer_annotations.h"
#include "dv/standins/viewer_app.h"
#include "dv/vb.h"

namespace dv::standins {

namespace {

constexpr int32_t kEFail = static_cast<int32_t>(0x80004005u);

[[noreturn]] void rangeError(const char* parameter) {
  throw AutomationError(kEFail, "Acrobat JavaScript",
                        std::string("RangeError: Invalid argument value. ===> Parameter ") + parameter + ".");
}

[[noreturn]] void unreadable(const std::string& why) {
  throw AutomationError(kEFail, "Acrobat JavaScript", "The text of the document cannot be read: " + why);
}

struct PageWord {
  std::string text;
  double x0 = 0, top = 0, x1 = 0, bottom = 0;  // points from the page's top left
};
struct PageText {
  double height = 0;
  std::vector<PageWord> words;
};

// Reads one page as dv-pdftool writes it (text.cpp):
//   {"page":N,"height":H,"width":W,"words":[{"box":[x0,y0,x1,y1],"text":"..."},...]}
// by hand: a general JSON parser costs more here than the tool's own work.
class PageScanner {
 public:
  explicit PageScanner(std::string_view line) : s_(line) {}

  std::optional<PageText> page() {
    PageText page;
    double ignored = 0;
    if (!literal("{\"page\":") || !number(ignored) || !literal(",\"height\":") || !number(page.height) ||
        !literal(",\"width\":") || !number(ignored) || !literal(",\"words\":["))
      return std::nullopt;
    if (!literal("]")) {
      do {
        PageWord w;
        if (!literal("{\"box\":[") || !number(w.x0) || !literal(",") || !number(w.top) || !literal(",") ||
            !number(w.x1) || !literal(",") || !number(w.bottom) || !literal("],\"text\":") || !string(w.text) ||
            !literal("}"))
          return std::nullopt;
        page.words.push_back(std::move(w));
      } while (literal(","));
      if (!literal("]")) return std::nullopt;
    }
    if (!literal("}") || at_ != s_.size()) return std::nullopt;
    return page;
  }

 private:
  bool literal(std::string_view text) {
    if (s_.substr(at_, text.size()) != text) return false;
    at_ += text.size();
    return true;
  }
  bool number(double& value) {
    const auto r = std::from_chars(s_.data() + at_, s_.data() + s_.size(), value);
    if (r.ec != std::errc()) return false;
    at_ = static_cast<size_t>(r.ptr - s_.data());
    return true;
  }
  // A JSON string; one with escapes is decoded by the JSON library.
  bool string(std::string& value) {
    if (at_ >= s_.size() || s_[at_] != '"') return false;
    bool escaped = false;
    size_t end = at_ + 1;
    for (; end < s_.size() && s_[end] != '"'; ++end) {
      if (s_[end] != '\\') continue;
      escaped = true;
      ++end;
    }
    if (end >= s_.size()) return false;
    const std::string_view text = s_.substr(at_, end + 1 - at_);
    at_ = end + 1;
    if (!escaped) {
      value.assign(text.substr(1, text.size() - 2));
      return true;
    }
    const Json decoded = Json::parse(text, nullptr, false);
    if (!decoded.is_string()) return false;
    value = decoded.get<std::string>();
    return true;
  }

  std::string_view s_;
  size_t at_ = 0;
};

std::optional<PageText> pageText(std::string_view line) { return PageScanner(line).page(); }

}  // namespace

// The words of one state of a document, read by one run of dv-pdftool on a
// thread of its own. Dropping them stops the run.
struct PageWords {
  PageWords(std::shared_ptr<PageSnapshot> keep, std::string file, std::string password)
      : keep_(std::move(keep)),
        reader_([this, file = std::move(file), password = std::move(password)] { read(file, password); }) {}
  ~PageWords() {
    stop_ = true;
    reader_.join();
  }
  PageWords(const PageWords&) = delete;
  PageWords& operator=(const PageWords&) = delete;

  // Page p (from 0) once the tool has read it; nullptr when the document
  // has no such page. Raises when the text cannot be read. The tool's run
  // is bounded, so is the wait.
  const PageText* page(int32_t p) {
    std::unique_lock<std::mutex> lock(mu_);
    cv_.wait(lock, [&] { return done_ || static_cast<size_t>(p) < pages_.size(); });
    if (static_cast<size_t>(p) < pages_.size()) return &pages_[static_cast<size_t>(p)];
    if (!error_.empty()) unreadable(error_);
    return nullptr;
  }

 private:
  void read(const std::string& file, const std::string& password) {
    std::string error;
    try {
      const PdfToolAnswer answer = pdfWordsByPage(toolRunner(), file, password, [&](std::string_view line) {
        std::optional<PageText> text = pageText(line);
        if (!text) error = "dv-pdftool gave a page in a form not known here";
        if (!text || stop_) return false;
        std::lock_guard<std::mutex> lock(mu_);
        pages_.push_back(std::move(*text));  // a deque: pages handed out stay where they are
        cv_.notify_all();
        return true;
      });
      if (!answer.ok() && !stop_ && error.empty()) error = answer.error;
    } catch (const std::exception& e) {
      error = e.what();
    }
    std::lock_guard<std::mutex> lock(mu_);
    error_ = std::move(error);
    done_ = true;
    cv_.notify_all();
  }

  std::shared_ptr<PageSnapshot> keep_;  // the working copy read, kept until the run ends
  std::mutex mu_;
  std::condition_variable cv_;
  std::deque<PageText> pages_;
  bool done_ = false;
  std::string error_;
  std::atomic<bool> stop_{false};
  std::thread reader_;  // last: it starts once everything above is ready
};

namespace {

const PageText& pageOf(ViewerDocument& d, const Variant& index) {
  const int32_t p = vb::CLng(index);
  if (p < 0 || p >= d.facts.pages) rangeError("nPage");
  if (!d.words) d.words = std::make_shared<PageWords>(d.working, d.contentFile(), d.facts.password);
  const PageText* page = d.words->page(p);
  if (!page) rangeError("nPage");
  return *page;
}

const PageWord& wordOf(const PageText& page, const Variant& index) {
  const int32_t w = vb::CLng(index);
  if (w < 0 || w >= static_cast<int32_t>(page.words.size())) rangeError("nWord");
  return page.words[static_cast<size_t>(w)];
}

// Stripped: without the blanks and punctuation around the word.
std::string stripped(const std::string& word) {
  auto keep = [](char c) {
    const auto u = static_cast<unsigned char>(c);
    return u >= 0x80 || !(std::isspace(u) || std::ispunct(u));
  };
  size_t from = 0, to = word.size();
  while (from < to && !keep(word[from])) ++from;
  while (to > from && !keep(word[to - 1])) --to;
  return word.substr(from, to - from);
}

Variant numberArray(std::vector<double> values) {
  std::vector<Variant> items(values.begin(), values.end());
  return Variant(Array::vector(VarType::Variant, std::move(items)));
}

}  // namespace

void addPageWordMembers(ClassDef& c, DocumentOf js) {
  const ParamDef page{"nPage", TypeDesc{}, true}, word{"nWord", TypeDesc{}, true}, strip{"bStrip", TypeDesc{}, true};
  c.method("getPageNumWords", {page}, TypeDesc{VarType::Int32}, [js](Invocation& inv) {
    return Variant(static_cast<int32_t>(pageOf(js(inv), inv.argOr(0, Variant(int32_t{0}))).words.size()));
  });
  c.method("GetPageNthWord", {page, word, strip}, TypeDesc{VarType::String}, [js](Invocation& inv) {
    const PageText& p = pageOf(js(inv), inv.argOr(0, Variant(int32_t{0})));
    const PageWord& w = wordOf(p, inv.argOr(1, Variant(int32_t{0})));
    if (vb::CBool(inv.argOr(2, Variant(true)))) return Variant(stripped(w.text));
    // Acrobat keeps the blank that ends a word; the page's last word has none.
    return Variant(&w == &p.words.back() ? w.text : w.text + " ");
  });
  c.method("GetPageNthWordQuads", {page, word}, TypeDesc{}, [js](Invocation& inv) {
    const PageText& p = pageOf(js(inv), inv.argOr(0, Variant(int32_t{0})));
    const PageWord& w = wordOf(p, inv.argOr(1, Variant(int32_t{0})));
    // One quad in page space, upper left, upper right, lower left, lower right.
    const double top = p.height - w.top, bottom = p.height - w.bottom;
    return Variant(Array::vector(VarType::Variant, {numberArray({w.x0, top, w.x1, top, w.x0, bottom, w.x1, bottom})}));
  });
}

// ---- PDDoc pages ----

namespace {

class AcroPDPage : public StandIn {
 public:
  using StandIn::StandIn;
  int32_t number = 0;
  double width = 0, height = 0;
};

}  // namespace

const ClassDef& acroPointClass() {
  static const ClassDef cls = [] {
    ClassDef c(acrobatTypeLib(), "AcroPoint", {});
    c.factory([] { return std::make_shared<StandIn>(acroPointClass()); });
    c.field("x", TypeDesc{VarType::Int16}, Variant(int16_t{0}));
    c.field("y", TypeDesc{VarType::Int16}, Variant(int16_t{0}));
    return c;
  }();
  return cls;
}

const ClassDef& acroPDPageClass() {
  static const ClassDef cls = [] {
    ClassDef c(acrobatTypeLib(), "AcroPDPage", {});
    c.factory([] { return std::make_shared<AcroPDPage>(acroPDPageClass()); });
    // The crop box's size in points, as the viewer shows the page.
    c.method("GetSize", {}, TypeDesc{VarType::Object}, [](Invocation& inv) {
      auto& page = inv.as<AcroPDPage>();
      ObjectPtr point = acroPointClass().create();
      point->let("x", Variant(vb::CInt(Variant(page.width))));
      point->let("y", Variant(vb::CInt(Variant(page.height))));
      return Variant(point);
    });
    c.method("GetNumber", {}, TypeDesc{VarType::Int32},
             [](Invocation& inv) { return Variant(inv.as<AcroPDPage>().number); });
    return c;
  }();
  return cls;
}

ObjectPtr pageObject(int32_t number) {
  auto page = std::static_pointer_cast<AcroPDPage>(acroPDPageClass().create());
  page->number = number;
  return page;
}

void addPageMembers(ClassDef& c, DocumentOf pd) {
  c.method("AcquirePage", {ParamDef{"nPage", TypeDesc{}, false}}, TypeDesc{VarType::Object}, [pd](Invocation& inv) {
    ViewerDocument& d = pd(inv);
    const int32_t n = vb::CLng(inv.arg(0));
    const Json pages = d.facts.all.value("pages", Json::array());
    if (n < 0 || n >= static_cast<int32_t>(pages.size()))
      throw AutomationError(kEFail, "AcroExch.PDDoc", "The page " + std::to_string(n) + " does not exist.");
    auto page = std::static_pointer_cast<AcroPDPage>(acroPDPageClass().create());
    page->number = n;
    const Json& facts = pages[static_cast<size_t>(n)];
    const Json box = facts.value("cropBox", facts.value("mediaBox", Json::array()));
    if (box.size() == 4) {
      page->width = box[2].get<double>() - box[0].get<double>();
      page->height = box[3].get<double>() - box[1].get<double>();
    }
    const int rotate = facts.value("rotate", 0);
    if (rotate == 90 || rotate == 270) std::swap(page->width, page->height);
    return Variant(ObjectPtr(page));
  });
}

}  // namespace dv::standins
