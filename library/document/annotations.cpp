#include "document/annotations.h"

#include <algorithm>
#include <climits>
#include <utility>

#include "document/mappings.h"
#include "dv/vb.h"

namespace dv::lib {

namespace {

// An error of a member that stops on error reaches the client with the
// library's source and the outside number and description.
[[noreturn]] void reraise(const AutomationError& e) {
  throw AutomationError(e.number(), vb::kLibrarySource, e.description());
}

template <typename F>
auto stopping(F&& f) {
  try {
    return f();
  } catch (const AutomationError& e) {
    reraise(e);
  }
}

// One statement whose error is skipped, as the creating members skip them.
template <typename F>
void ignoring(F&& f) {
  try {
    f();
  } catch (const AutomationError&) {
  }
}

bool hasName(const std::string& name) { return !vb::Trim(name).empty(); }

// lngPage - 1 with VB's overflow for the smallest 32-bit number.
int32_t pageIndex(int32_t lngPage) {
  if (lngPage == INT32_MIN) vb::raise(vb::kOverflow);
  return lngPage - 1;
}
std::function<Variant()> pageIndexOf(int32_t lngPage) {
  return [lngPage] { return Variant(pageIndex(lngPage)); };
}

// 16-bit subtraction with VB's overflow.
int16_t sub16(int16_t a, int16_t b) { return vb::CInt(Variant(static_cast<int32_t>(a) - b)); }

Variant int16Array(std::vector<int16_t> values) {
  std::vector<Variant> items(values.begin(), values.end());
  return Variant(Array::vector(VarType::Int16, std::move(items)));
}

// The named member of the JavaScript Color object ("yellow", "black" ...).
Variant namedColor(Document& doc, const char* name) { return asObject(doc.jsObject().get("Color"))->get(name); }

// The property writes of one pass, in order.
class Writes {
 public:
  Writes& add(const char* name, std::function<Variant()> value) {
    items_.emplace_back(name, std::move(value));
    return *this;
  }
  Writes& add(const char* name, Variant value) {
    return add(name, [v = std::move(value)] { return v; });
  }
  Writes& addIf(bool when, const char* name, Variant value) { return when ? add(name, std::move(value)) : *this; }
  const std::vector<std::pair<const char*, std::function<Variant()>>>& items() const { return items_; }

 private:
  std::vector<std::pair<const char*, std::function<Variant()>>> items_;
};

enum class OnError { Ignore, Stop };

// The property protocol: getProps, Delay True, the writes, Delay False,
// setProps. Ignoring errors skips the failing statement only, as the
// original's error handling does; a props object that could not be read
// then takes no writes.
void runPass(Object& annot, const Writes& writes, OnError mode) {
  auto step = [mode](auto&& f) {
    if (mode == OnError::Ignore) ignoring(f);
    else f();
  };
  ObjectPtr props;
  step([&] { props = asObject(annot.get("getProps")); });
  if (!props) return;
  step([&] { props->let("Delay", Variant(true)); });
  for (const auto& item : writes.items()) step([&] { props->let(item.first, item.second()); });
  step([&] { props->let("Delay", Variant(false)); });
  step([&] { annot.call("setProps", {pos(Variant(props))}); });
}

// Height of a page (from 1) as the PDDoc reports it, as a 16-bit number.
int16_t pageHeight(Document& doc, int32_t lngPage) {
  ObjectPtr page = asObject(doc.pdDoc().get("AcquirePage", {pos(pageIndex(lngPage))}));
  ObjectPtr size = asObject(page->get("GetSize"));
  return vb::CInt(size->get("y"));
}

// A popup 200 points wide and 100 high in the top left corner.
Variant popupRect(int16_t y) { return int16Array({0, sub16(y, 100), 200, y}); }

struct NoteSpec {
  std::function<Variant()> page;  // the page index written
  std::string contents;
  Variant point, popup;
  std::string state, author, subject, icon, name;
  std::function<Variant()> color;
  bool lock = false, readOnly = false, popupOpen = false;
  int16_t width = 1;
  Variant opacity;
  bool textOrder = false;  // CreateTextAnnot's order of the last writes
};

void createNote(Document& doc, const NoteSpec& n, OnError mode) {
  ObjectPtr annot;
  if (mode == OnError::Ignore) ignoring([&] { annot = asObject(doc.jsObject().get("addAnnot")); });
  else annot = asObject(doc.jsObject().get("addAnnot"));
  if (!annot) return;
  runPass(*annot, Writes().add("Type", Variant("Text")).add("contents", Variant(n.contents)), mode);
  Writes second;
  second.add("State", Variant(n.state))
      .add("Page", n.page)
      .add("Point", n.point)
      .add("PopupRect", n.popup)
      .add("Author", Variant(n.author))
      .add("Subject", Variant(n.subject))
      .add("NoteIcon", Variant(n.icon))
      .add("StrokeColor", n.color)
      .addIf(hasName(n.name), "Name", Variant(n.name));
  if (n.textOrder) {
    second.add("PopupOpen", Variant(n.popupOpen))
        .add("Width", Variant(n.width))
        .add("Lock", Variant(n.lock))
        .add("ReadOnly", Variant(n.readOnly));
  } else {
    second.add("Lock", Variant(n.lock))
        .add("ReadOnly", Variant(n.readOnly))
        .add("PopupOpen", Variant(n.popupOpen))
        .add("Width", Variant(n.width));
  }
  second.add("opacity", n.opacity);
  runPass(*annot, second, mode);
}

std::function<Variant()> colorOr(Document& doc, const Variant& given, const char* fallback) {
  if (given.isArray()) return [given] { return given; };
  return [&doc, fallback] { return namedColor(doc, fallback); };
}

void createNoteAt(Document& doc, int32_t lngPage, const std::string& text, const NoteOptions& o, bool textOrder) {
  int16_t y = 0;
  ignoring([&] { y = pageHeight(doc, lngPage); });
  NoteSpec n;
  n.page = pageIndexOf(lngPage);
  n.contents = text;
  ignoring([&] { n.point = int16Array({o.intLeftMargin, sub16(y, o.intTopMargin)}); });
  ignoring([&] { n.popup = popupRect(y); });
  n.state = noteStateText(o.lngNoteState);
  n.author = o.strAuthor;
  n.subject = o.strSubject;
  n.icon = noteIconText(o.lngNoteIcon);
  n.color = colorOr(doc, o.varColor, "yellow");
  n.name = o.strName;
  n.lock = o.blnLock;
  n.readOnly = o.blnReadOnly;
  n.popupOpen = o.blnPopupOpen;
  n.width = o.intBorderWidth;
  n.opacity = Variant(o.sngOpacity);
  n.textOrder = textOrder;
  createNote(doc, n, OnError::Ignore);
}

// The annotation's props object for the property members; a missing
// annotation (Acrobat answers null) fails with the library's source.
std::pair<ObjectPtr, ObjectPtr> findAnnot(Document& doc, const std::string& strName, int32_t lngPage) {
  return stopping([&] {
    ObjectPtr annot = asObject(doc.jsObject().get("GetAnnot", {pos(pageIndex(lngPage)), pos(strName)}));
    ObjectPtr props = asObject(annot->get("getProps"));
    return std::make_pair(annot, props);
  });
}

template <typename T, typename Convert>
void readField(Object& props, const char* name, T& field, Convert convert) {
  ignoring([&] { field = convert(props.get(name)); });
}

std::string text(const Variant& v) { return vb::CStr(v); }
Variant asIs(const Variant& v) { return v; }

// Pass 1 writes the contents, pass 2 every other field in record order.
void setRecord(Object& annot, ObjectPtr props, const std::string& contents, const Writes& rest) {
  auto pass = [&](const Writes& writes) {
    if (!props) return;
    ignoring([&] { props->let("Delay", Variant(true)); });
    for (const auto& item : writes.items()) ignoring([&] { props->let(item.first, item.second()); });
    ignoring([&] { props->let("Delay", Variant(false)); });
    ignoring([&] { annot.call("setProps", {pos(Variant(props))}); });
  };
  pass(Writes().add("contents", Variant(contents)));
  props.reset();
  ignoring([&] { props = asObject(annot.get("getProps")); });
  pass(rest);
}

// The annotations getAnnots answers: none when it answers null.
std::vector<ObjectPtr> annotationsOf(Document& doc, bool onePage, int32_t lngPage) {
  Object& js = doc.jsObject();
  js.call("syncAnnotScan");
  const Variant found = onePage ? js.get("getAnnots", {pos(pageIndex(lngPage))}) : js.get("getAnnots");
  std::vector<ObjectPtr> out;
  if (found.isNull() || found.isEmpty()) return out;
  if (!found.isArray()) vb::raise(vb::kTypeMismatch);
  for (const Variant& a : found.arrayValue().elements()) out.push_back(asObject(a));
  return out;
}

const char* markupType(Markup kind) {
  switch (kind) {
    case Markup::Highlight:
      return "Highlight";
    case Markup::Squiggly:
      return "Squiggly";
    case Markup::StrikeOut:
      return "StrikeOut";
    case Markup::Underline:
      return "Underline";
  }
  return "Highlight";
}

}  // namespace

// ---- Creating ----

void CreateComment(Document& doc, int32_t lngPage, const std::string& strComment, const NoteOptions& o) {
  createNoteAt(doc, lngPage, strComment, o, false);
}

void CreateTextAnnot(Document& doc, int32_t lngPage, const std::string& strText, const NoteOptions& o) {
  createNoteAt(doc, lngPage, strText, o, true);
}

void CreateFreeTextAnnot(Document& doc, int32_t lngPage, const Variant& varRectangle, const std::string& strText,
                         const FreeTextOptions& o) {
  ObjectPtr annot;
  ignoring([&] { annot = asObject(doc.jsObject().get("addAnnot")); });
  if (!annot) return;
  runPass(*annot, Writes().add("Type", Variant("FreeText")).add("contents", Variant(strText)), OnError::Ignore);
  Writes second;
  second.add("Alignment", Variant(o.lngAlignment))
      .add("StrokeColor", colorOr(doc, o.varColor, "black"))
      .add("FillColor", colorOr(doc, o.varFillColor, "white"))
      .add("TextFont", Variant(fontText(o.lngFont)))
      .add("TextSize", Variant(o.intFontSize))
      .add("Page", pageIndexOf(lngPage))
      .add("Rect", varRectangle)
      .add("Author", Variant(o.strAuthor))
      .add("Subject", Variant(o.strSubject))
      .addIf(hasName(o.strName), "Name", Variant(o.strName))
      .add("Width", Variant(o.intBorderWidth))
      .add("Lock", Variant(o.blnLock))
      .add("ReadOnly", Variant(o.blnReadOnly))
      .add("Rotate", Variant(o.lngRotation))
      .add("opacity", Variant(o.sngOpacity));
  runPass(*annot, second, OnError::Ignore);
}

void CreateStampAnnot(Document& doc, int32_t lngPage, const Variant& varRectangle, const std::string& strText,
                      const StampOptions& o) {
  int16_t y = 0;
  ignoring([&] { y = pageHeight(doc, lngPage); });
  Variant popup;
  ignoring([&] { popup = popupRect(y); });
  ObjectPtr annot;
  ignoring([&] { annot = asObject(doc.jsObject().get("addAnnot")); });
  if (!annot) return;
  runPass(*annot, Writes().add("Type", Variant("Stamp")).add("contents", Variant(strText)), OnError::Ignore);
  Writes second;
  second.add("Page", pageIndexOf(lngPage))
      .add("Rect", varRectangle)
      .add("PopupRect", popup)
      .add("Author", Variant(o.strAuthor))
      .add("Subject", Variant(o.strSubject))
      .add("AP", Variant(stampIconText(o.lngStampIcon)))
      .add("StrokeColor", colorOr(doc, o.varColor, "red"))
      .addIf(hasName(o.strName), "Name", Variant(o.strName))
      .add("PopupOpen", Variant(o.blnPopupOpen))
      .add("Lock", Variant(o.blnLock))
      .add("ReadOnly", Variant(o.blnReadOnly));
  runPass(*annot, second, OnError::Ignore);
}

// ---- Properties ----

TextAnnotRecord GetTextAnnotProperties(Document& doc, const std::string& strName, int32_t lngPage) {
  auto [annot, props] = findAnnot(doc, strName, lngPage);
  TextAnnotRecord r;
  Object& p = *props;
  readField(p, "Name", r.Name, text);
  readField(p, "contents", r.contents, text);
  readField(p, "State", r.State, vb::CInt);
  readField(p, "Page", r.Page, vb::CInt);
  readField(p, "Point", r.Point, asIs);
  readField(p, "PopupRect", r.PopupRect, asIs);
  readField(p, "Author", r.Author, text);
  readField(p, "Subject", r.Subject, text);
  readField(p, "NoteIcon", r.NoteIcon, text);
  readField(p, "StrokeColor", r.StrokeColor, asIs);
  readField(p, "PopupOpen", r.PopupOpen, vb::CBool);
  readField(p, "Width", r.Width, vb::CInt);
  readField(p, "Lock", r.Lock, vb::CBool);
  readField(p, "ReadOnly", r.ReadOnly, vb::CBool);
  return r;
}

FreeTextAnnotRecord GetFreeTextAnnotProperties(Document& doc, const std::string& strName, int32_t lngPage) {
  auto [annot, props] = findAnnot(doc, strName, lngPage);
  FreeTextAnnotRecord r;
  Object& p = *props;
  readField(p, "Name", r.Name, text);
  readField(p, "contents", r.contents, text);
  readField(p, "Alignment", r.Alignment, vb::CInt);
  readField(p, "StrokeColor", r.StrokeColor, asIs);
  readField(p, "FillColor", r.FillColor, asIs);
  readField(p, "TextFont", r.TextFont, text);
  readField(p, "TextSize", r.TextSize, vb::CInt);
  readField(p, "Page", r.Page, vb::CInt);
  readField(p, "Rect", r.Rect, asIs);
  readField(p, "Author", r.Author, text);
  readField(p, "Subject", r.Subject, text);
  readField(p, "Width", r.Width, vb::CInt);
  readField(p, "Lock", r.Lock, vb::CBool);
  readField(p, "ReadOnly", r.ReadOnly, vb::CBool);
  readField(p, "Rotate", r.Rotate, vb::CInt);
  return r;
}

void SetTextAnnotProperties(Document& doc, const std::string& strName, int32_t lngPage, const TextAnnotRecord& f) {
  auto [annot, props] = findAnnot(doc, strName, lngPage);
  setRecord(*annot, props, f.contents,
            Writes()
                .add("Name", Variant(f.Name))
                .add("State", Variant(f.State))
                .add("Page", Variant(f.Page))
                .add("Point", f.Point)
                .add("PopupRect", f.PopupRect)
                .add("Author", Variant(f.Author))
                .add("Subject", Variant(f.Subject))
                .add("NoteIcon", Variant(f.NoteIcon))
                .add("StrokeColor", f.StrokeColor)
                .add("PopupOpen", Variant(f.PopupOpen))
                .add("Width", Variant(f.Width))
                .add("Lock", Variant(f.Lock))
                .add("ReadOnly", Variant(f.ReadOnly)));
}

void SetFreeTextAnnotProperties(Document& doc, const std::string& strName, int32_t lngPage,
                                const FreeTextAnnotRecord& f) {
  auto [annot, props] = findAnnot(doc, strName, lngPage);
  setRecord(*annot, props, f.contents,
            Writes()
                .add("Name", Variant(f.Name))
                .add("Alignment", Variant(f.Alignment))
                .add("StrokeColor", f.StrokeColor)
                .add("FillColor", f.FillColor)
                .add("TextFont", Variant(f.TextFont))
                .add("TextSize", Variant(f.TextSize))
                .add("Page", Variant(f.Page))
                .add("Rect", f.Rect)
                .add("Author", Variant(f.Author))
                .add("Subject", Variant(f.Subject))
                .add("Width", Variant(f.Width))
                .add("Lock", Variant(f.Lock))
                .add("ReadOnly", Variant(f.ReadOnly))
                .add("Rotate", Variant(f.Rotate)));
}

// ---- Listing and removing ----

int32_t GetAnnotations(Document& doc, Variant& varAnnots, int32_t lngPage) {
  return stopping([&] {
    std::vector<Variant> names;
    for (const ObjectPtr& annot : annotationsOf(doc, lngPage != 0, lngPage))
      names.emplace_back(vb::CStr(asObject(annot->get("getProps"))->get("Name")));
    const auto count = static_cast<int32_t>(names.size());
    // Variant elements holding the names, as GetFieldsArray gives them:
    // script clients index variant arrays without trouble.
    varAnnots = Variant(Array::vector(VarType::Variant, std::move(names)));
    return count;
  });
}

int32_t RemoveAnnotations(Document& doc, int32_t lngPage) {
  return stopping([&] {
    const std::vector<ObjectPtr> annots = annotationsOf(doc, lngPage > 0, lngPage);
    for (const ObjectPtr& annot : annots) annot->call("destroy");
    return static_cast<int32_t>(annots.size());
  });
}

// ---- Search ----

Variant PhraseMatch::firstQuad(size_t j) const {
  const Variant& quads = wordQuads.at(j);
  if (!quads.isArray()) vb::raise(vb::kTypeMismatch);
  const Array& a = quads.arrayValue();
  return a.at(a.lbound());
}

int32_t findPhrase(Document& doc, const std::string& strFindText, const SearchRange& range, bool withQuads,
                   const std::function<bool(const PhraseMatch&)>& onMatch) {
  return stopping([&] {
    const auto k = static_cast<int32_t>(std::count(strFindText.begin(), strFindText.end(), ' '));
    const int32_t first = Document::startPageIndex(range.lngStartPage);
    const int32_t last = doc.endPageIndex(range.lngEndPage);
    Object& js = doc.jsObject();
    int32_t count = 0;
    for (int32_t p = first; p <= last; ++p) {
      const int16_t n = vb::CInt(js.get("getPageNumWords", {pos(p)}));
      // A candidate of k + 1 words must end on the page's last word at the
      // latest: reading past it fails.
      for (int32_t w = 0; w <= n - 1 - k;) {
        PhraseMatch match;
        match.page = p;
        std::string candidate;
        for (int32_t j = 0; j <= k; ++j) {
          const auto index = static_cast<int16_t>(w + j);
          const Variant word = js.get("GetPageNthWord", {pos(p), pos(index), pos(false)});
          if (word.isString()) {
            std::string s = word.stringValue();
            std::erase_if(s, [](char c) { return c == '\r' || c == '\n'; });
            candidate += s;
          } else {
            candidate += vb::CStr(word);
          }
        }
        candidate = vb::Trim(candidate);
        const bool equal = range.blnCaseSensitive ? vb::compareBinary(candidate, strFindText) == 0
                                                  : vb::compareText(candidate, strFindText) == 0;
        if (!equal) {
          ++w;
          continue;
        }
        // Positions only for the words of a match: a search reads every
        // word of its pages once and nothing more.
        if (withQuads)
          for (int32_t j = 0; j <= k; ++j)
            match.wordQuads.push_back(js.get("GetPageNthWordQuads", {pos(p), pos(static_cast<int16_t>(w + j))}));
        ++count;
        if (!onMatch(match)) return count;
        // Every non-overlapping occurrence counts, the next one may start
        // right after this one.
        w += k + 1;
      }
    }
    return count;
  });
}

int32_t FindAndCommentText(Document& doc, const std::string& strFindText, const std::string& strText,
                           const SearchRange& range, const CommentSearchOptions& o) {
  return findPhrase(doc, strFindText, range, true, [&](const PhraseMatch& m) {
    NoteSpec n;
    n.page = [p = m.page] { return Variant(p); };
    n.contents = strText;
    n.point = m.firstQuad(0);
    n.popup = popupRect(pageHeight(doc, m.page + 1));
    n.state = noteStateText(o.lngNoteState);
    n.author = o.strAuthor;
    n.subject = o.strSubject;
    n.icon = noteIconText(o.lngNoteIcon);
    n.color = colorOr(doc, o.varColor, "yellow");
    n.name = "Comment" + std::to_string(m.page + 1);
    n.lock = o.blnLock;
    n.readOnly = o.blnReadOnly;
    // The notes stay closed, whatever the phrase: a page of matches with
    // open popups would cover the text they mark.
    n.popupOpen = false;
    n.width = o.intBorderWidth;
    n.opacity = Variant(o.blnTransparent ? 0.5f : 1.0f);
    n.textOrder = true;
    createNote(doc, n, OnError::Stop);
    return true;
  });
}

int32_t FindAndMarkupText(Document& doc, Markup kind, const std::string& strFindText, const SearchRange& range,
                          const MarkupOptions& o) {
  const char* type = markupType(kind);
  const char* fallback = kind == Markup::Highlight ? "yellow" : "red";
  return findPhrase(doc, strFindText, range, true, [&](const PhraseMatch& m) {
    for (const Variant& quads : m.wordQuads) {
      ObjectPtr annot = asObject(doc.jsObject().get("addAnnot"));
      runPass(*annot,
              Writes()
                  .add("Page", Variant(m.page))
                  .add("StrokeColor", colorOr(doc, o.varColor, fallback))
                  .add("Type", Variant(type)),
              OnError::Ignore);
      Writes second;
      second.add("quads", quads)
          .addIf(!o.strAuthor.empty(), "Author", Variant(o.strAuthor))
          .addIf(!o.strSubject.empty(), "Subject", Variant(o.strSubject))
          .addIf(o.blnLock, "Lock", Variant(true))
          .addIf(o.blnReadOnly, "ReadOnly", Variant(true))
          .addIf(o.blnTransparent, "opacity", Variant(0.5f))
          .addIf(!o.strContents.empty(), "contents", Variant(o.strContents))
          .addIf(o.blnHidden, "Hidden", Variant(true))
          .addIf(!o.strName.empty(), "Name", Variant(o.strName))
          .addIf(o.blnNoView, "noView", Variant(true))
          .addIf(o.blnPopupOpen, "PopupOpen", Variant(true))
          .addIf(o.blnToggleNoView, "toggleNoView", Variant(true));
      runPass(*annot, second, OnError::Stop);
    }
    return true;
  });
}

int32_t FindAndOverwriteText(Document& doc, const std::string& strFindText, const std::string& strReplaceText,
                             const SearchRange& range, int16_t& intWidth, const OverwriteOptions& o) {
  if (intWidth == 0) {
    // 6 points per character.
    intWidth = stopping([&] { return vb::CInt(Variant(static_cast<double>(6 * vb::Len(strReplaceText)))); });
  }
  const int16_t width = intWidth;
  const auto last = static_cast<size_t>(std::count(strFindText.begin(), strFindText.end(), ' '));
  return findPhrase(doc, strFindText, range, true, [&](const PhraseMatch& m) {
    const Array first = m.firstQuad(0).arrayValue();
    const Array end = m.firstQuad(last).arrayValue();
    const double x1 = vb::CDbl(first.at(first.lbound())), y1 = vb::CDbl(first.at(first.lbound() + 1));
    const double x2 = vb::CDbl(end.at(end.lbound())), y2 = vb::CDbl(end.at(end.lbound() + 1));
    // 13.8 points: the height of one line of the 8-point text.
    std::vector<Variant> rect = {Variant(x1), Variant(y1 - 13.8 + o.intY), Variant(x2 + width), Variant(y2 + o.intY)};
    FreeTextOptions ft;
    ft.varColor = o.varColor;
    ft.varFillColor = o.varFillColor;
    ft.blnLock = true;
    ft.blnReadOnly = true;
    ft.lngAlignment = 0;
    ft.lngFont = o.lngFont;
    ft.intFontSize = 8;
    ft.intBorderWidth = o.blnBorder ? 1 : 0;
    ft.lngRotation = 0;
    ft.sngOpacity = 1.0f;
    CreateFreeTextAnnot(doc, m.page + 1, Variant(Array::vector(VarType::Variant, std::move(rect))), strReplaceText, ft);
    return true;
  });
}

Variant GetTextCoordinates(Document& doc, const std::string& strFindText, const SearchRange& range) {
  Variant quad(int16_t{-1});
  findPhrase(doc, strFindText, range, true, [&](const PhraseMatch& m) {
    quad = m.firstQuad(0);
    return false;
  });
  return quad;
}

}  // namespace dv::lib
