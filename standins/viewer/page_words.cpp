// The words of a document's pages as Acrobat's JavaScript hands them out
// (getPageNumWords, GetPageNthWord, GetPageNthWordQuads) and the pages of
// the PDDoc (AcquirePage, GetSize, GetNumber). Words and their boxes are
// poppler's (what pdftotext -bbox gives), read in one run of dv-pdftool the
// first time a document's words are asked for and kept with the document.
#include <cctype>

#include "dv/standins/pdf_tool.h"
#include "dv/standins/viewer_annotations.h"
#include "dv/standins/viewer_app.h"
#include "dv/vb.h"

namespace dv::standins {

struct PageWord {
  std::string text;
  double x0 = 0, top = 0, x1 = 0, bottom = 0;  // points from the page's top left
};
struct PageText {
  double height = 0;
  std::vector<PageWord> words;
};
struct PageWords {
  std::vector<PageText> pages;
};

namespace {

constexpr int32_t kEFail = static_cast<int32_t>(0x80004005u);

[[noreturn]] void rangeError(const char* parameter) {
  throw AutomationError(kEFail, "Acrobat JavaScript",
                        std::string("RangeError: Invalid argument value. ===> Parameter ") + parameter + ".");
}

PageWords& wordsOf(ViewerDocument& d) {
  if (d.words) return *d.words;
  PdfToolAnswer answer = pdfText(toolRunner(), d.contentFile(), d.facts.password, 1, 0, TextParts::WordsOnly);
  if (!answer.ok())
    throw AutomationError(kEFail, "Acrobat JavaScript", "The text of the document cannot be read: " + answer.error);
  auto words = std::make_shared<PageWords>();
  for (const Json& page : answer.json.value("pages", Json::array())) {
    PageText text;
    text.height = page.value("height", 0.0);
    for (const Json& w : page.value("words", Json::array())) {
      const Json box = w.value("box", Json::array());
      if (box.size() != 4) continue;
      text.words.push_back(PageWord{w.value("text", std::string()), box[0].get<double>(), box[1].get<double>(),
                                    box[2].get<double>(), box[3].get<double>()});
    }
    words->pages.push_back(std::move(text));
  }
  d.words = std::move(words);
  return *d.words;
}

const PageText& pageOf(ViewerDocument& d, const Variant& index) {
  PageWords& words = wordsOf(d);
  const int32_t p = vb::CLng(index);
  if (p < 0 || p >= static_cast<int32_t>(words.pages.size())) rangeError("nPage");
  return words.pages[static_cast<size_t>(p)];
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
