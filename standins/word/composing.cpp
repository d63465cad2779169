#include "word/composing.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "dv/standins/tools.h"
#include "dv/vb.h"

namespace dv::standins::word {

namespace {

constexpr int32_t kWdUndefined = 9999999;
constexpr int32_t kWdPageBreak = 7;
constexpr int32_t kWdLineBreak = 6;
constexpr int32_t kWdReplaceOne = 1;
constexpr int32_t kWdReplaceAll = 2;
constexpr int32_t kMsoPicture = 13;

[[noreturn]] void outOfRange() { raiseWord(wordError(4608), "Value out of range"); }
[[noreturn]] void noSuchMember() {
  raiseWord(wordError(5941), "The requested member of the collection does not exist.");
}

ComposedDocument& composed(DocState& d) {
  requireOpen(d);
  if (!d.composed)
    raiseWord(wordError(4605), "This method or property is not available because the document is not being edited.");
  return *d.composed;
}

ParamDef opt(std::string name) { return ParamDef{std::move(name), TypeDesc{}, true}; }
ParamDef req(std::string name) { return ParamDef{std::move(name), TypeDesc{}, false}; }

template <class T>
std::shared_ptr<T> make(const ClassDef& cls) {
  return std::static_pointer_cast<T>(cls.create());
}

// ---- The objects ----

// A span of the story: a live position, or the whole story (Content).
struct Span {
  std::shared_ptr<DocState> doc;
  std::shared_ptr<LivePosition> pos;  // null: the whole story
  std::pair<size_t, size_t> get() {
    ComposedDocument& c = composed(*doc);
    if (!pos) return {0, c.size()};
    return {std::min(pos->start, c.size()), std::min(pos->end, c.size())};
  }
};

class RangeObject : public StandIn {
 public:
  RangeObject() : StandIn(rangeClass()) {}
  Span span;
};

class FontObject : public StandIn {
 public:
  FontObject() : StandIn(fontClass()) {}
  Span span;
};

class ParagraphsObject : public StandIn {
 public:
  ParagraphsObject() : StandIn(paragraphsClass()) {}
  std::shared_ptr<DocState> doc;
};

// A paragraph is its mark: the object follows the mark wherever edits move it.
class ParagraphObject : public StandIn {
 public:
  explicit ParagraphObject(const ClassDef& cls) : StandIn(cls) {}
  std::shared_ptr<DocState> doc;
  uint32_t mark = 0;
  std::pair<size_t, size_t> range() {
    auto r = composed(*doc).paragraphRange(mark);
    if (!r) raiseWord(wordError(5825), "Object has been deleted.");
    return *r;
  }
  ParagraphFormat& format() {
    range();
    return composed(*doc).paragraphFormat(mark);
  }
};

class BookmarksObject : public StandIn {
 public:
  BookmarksObject() : StandIn(bookmarksClass()) {}
  std::shared_ptr<DocState> doc;
};

class BookmarkObject : public StandIn {
 public:
  BookmarkObject() : StandIn(bookmarkClass()) {}
  std::shared_ptr<DocState> doc;
  std::string name;
};

struct FindState {
  std::string text, replacement;
  bool matchCase = false, matchWholeWord = false, format = false, forward = true;
  int32_t wrap = 0;
};

class FindObject : public StandIn {
 public:
  FindObject() : StandIn(findClass()) {}
  Span span;
  std::shared_ptr<FindState> state = std::make_shared<FindState>();
};

class ReplacementObject : public StandIn {
 public:
  ReplacementObject() : StandIn(replacementClass()) {}
  std::shared_ptr<DocState> doc;
  std::shared_ptr<FindState> state;
};

class ShapesObject : public StandIn {
 public:
  ShapesObject() : StandIn(shapesClass()) {}
  std::shared_ptr<DocState> doc;
};

class ShapeObject : public StandIn {
 public:
  ShapeObject() : StandIn(shapeClass()) {}
  std::shared_ptr<DocState> doc;
  size_t index = 0;
  Picture& picture() {
    ComposedDocument& c = composed(*doc);
    if (index >= c.pictures.size()) raiseWord(wordError(5825), "Object has been deleted.");
    return c.pictures[index];
  }
};

Variant rangeOver(const std::shared_ptr<DocState>& doc, size_t start, size_t end) {
  auto r = make<RangeObject>(rangeClass());
  r->span = {doc, composed(*doc).track(start, end)};
  return Variant(ObjectPtr(r));
}

Variant paragraphObject(const std::shared_ptr<DocState>& doc, uint32_t mark) {
  auto p = make<ParagraphObject>(paragraphClass());
  p->doc = doc;
  p->mark = mark;
  return Variant(ObjectPtr(p));
}

Variant wordBool(bool b) { return Variant(int32_t{b ? -1 : 0}); }

// Font properties: what the span's first character has, set on all of it.
void fontProperty(ClassDef& c, const char* name, VarType type, std::function<Variant(const CharFormat&)> read,
                  std::function<void(CharFormat&, const Variant&)> write) {
  c.property(
      name, {type},
      [read](Invocation& in) -> Variant {
        auto [start, end] = in.as<FontObject>().span.get();
        return read(composed(*in.as<FontObject>().span.doc).charFormat(start));
      },
      [write](Invocation& in) -> Variant {
        auto& self = in.as<FontObject>();
        auto [start, end] = self.span.get();
        const Variant value = in.value();
        CharFormat probe;
        write(probe, value);  // refuses a bad value before anything changes
        composed(*self.span.doc).formatChars(start, end, [&](CharFormat& f) { write(f, value); });
        return {};
      });
}

bool flagValue(const Variant& v) {
  const int32_t n = vb::CLng(v);
  if (n == kWdUndefined) outOfRange();
  return n != 0;
}

std::string argString(Invocation& in, size_t i) {
  Variant v = in.argOr(i, Variant(std::string()));
  return v.isMissing() || v.isEmpty() ? std::string() : vb::CStr(v);
}

std::string fileName(const std::string& path) {
  const size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

void writeDocument(DocState& d, const std::string& path) {
  Environment& e = environment();
  std::string bytes = d.composed ? d.composed->rtf() : d.file.text;
  if (!e.files || !e.files->writeFile(path, bytes))
    raiseWord(wordError(5152), "This is not a valid file name. (" + path + ")");
}

std::string readWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

}  // namespace

// ---- Pictures ----

Picture loadPicture(const std::string& path) {
  Environment& e = environment();
  std::optional<std::string> bytes = e.files ? e.files->readFile(path) : std::nullopt;
  if (!bytes) raiseWord(wordError(5152), "This is not a valid file name. (" + path + ")");
  std::optional<ImageFacts> facts = imageFacts(*bytes);
  if (!facts) raiseWord(wordError(5917), "This is not a valid picture file. (" + path + ")");
  Picture p;
  p.original = *bytes;
  p.format = facts->format;
  p.pixelWidth = facts->width;
  p.pixelHeight = facts->height;
  p.components = facts->components;
  p.width = static_cast<float>(facts->width * 72.0 / facts->dpiX);
  p.height = static_cast<float>(facts->height * 72.0 / facts->dpiY);
  if (facts->format == "jpeg" && (facts->components == 1 || facts->components == 3 || facts->components == 4)) {
    p.kind = Picture::Kind::Jpeg;
    p.data = *bytes;
    return p;
  }
  // Other formats become image data through img2pdf, then an EPS program
  // through pdftops; the page img2pdf makes has the picture's own size.
  ToolRunner& runner = toolRunner();
  const std::string scratch = runner.scratchFolder();
  const char sep = scratch.find('\\') != std::string::npos ? '\\' : '/';
  const std::string image = scratch + sep + "picture." + facts->format;
  const std::string pdf = scratch + sep + "picture.pdf";
  const std::string eps = scratch + sep + "picture.eps";
  bool ok = false;
  {
    std::ofstream out(image, std::ios::binary);
    out << *bytes;
    ok = static_cast<bool>(out);
  }
  ok = ok &&
       runner.run({"img2pdf", "-o", runner.toolPath(pdf), runner.toolPath(image)}, {}, std::chrono::seconds(60)).ok();
  ok = ok &&
       runner.run({"pdftops", "-eps", runner.toolPath(pdf), runner.toolPath(eps)}, {}, std::chrono::seconds(60)).ok();
  if (ok) p.data = readWhole(eps);
  std::error_code ec;
  std::filesystem::remove_all(scratch, ec);
  if (!ok || p.data.empty()) raiseWord(wordError(5917), "This is not a valid picture file. (" + path + ")");
  p.kind = Picture::Kind::Eps;
  if (p.pixelWidth == 0) {
    float llx = 0, lly = 0, urx = 0, ury = 0;
    const size_t bb = p.data.find("%%BoundingBox:");
    if (bb != std::string::npos) std::sscanf(p.data.c_str() + bb + 14, "%f %f %f %f", &llx, &lly, &urx, &ury);
    p.width = urx - llx;
    p.height = ury - lly;
    p.pixelWidth = static_cast<int>(p.width * 96 / 72);
    p.pixelHeight = static_cast<int>(p.height * 96 / 72);
  }
  return p;
}

std::shared_ptr<DocState> newComposedDocument(const std::shared_ptr<WordState>& word) {
  auto d = std::make_shared<DocState>();
  d->word = word;
  d->composed = std::make_shared<ComposedDocument>();
  d->path = "Document" + std::to_string(++word->addedDocuments);
  return d;
}

std::string composedPostScript(const DocState& doc, const std::string& title) {
  return doc.composed->postScript(title);
}

// ---- Document and PageSetup members ----

void declareComposingDocumentMembers(ClassDef& c, const DocOf& docOf) {
  c.objectProperty("Content", [docOf](Invocation& in) -> Variant {
    auto d = docOf(in);
    requireOpen(*d);
    if (!d->composed) return textContent(d);
    auto r = make<RangeObject>(rangeClass());
    r->span = {d, nullptr};
    return Variant(ObjectPtr(r));
  });
  c.objectProperty("Paragraphs", [docOf](Invocation& in) -> Variant {
    auto d = docOf(in);
    composed(*d);
    auto p = make<ParagraphsObject>(paragraphsClass());
    p->doc = d;
    return Variant(ObjectPtr(p));
  });
  c.objectProperty("Bookmarks", [docOf](Invocation& in) -> Variant {
    auto d = docOf(in);
    composed(*d);
    auto b = make<BookmarksObject>(bookmarksClass());
    b->doc = d;
    return Variant(ObjectPtr(b));
  });
  c.objectProperty("Shapes", [docOf](Invocation& in) -> Variant {
    auto d = docOf(in);
    composed(*d);
    auto s = make<ShapesObject>(shapesClass());
    s->doc = d;
    return Variant(ObjectPtr(s));
  });
  c.method("SaveAs",
           {opt("FileName"), opt("FileFormat"), opt("LockComments"), opt("Password"), opt("AddToRecentFiles"),
            opt("WritePassword"), opt("ReadOnlyRecommended"), opt("EmbedTrueTypeFonts"), opt("SaveNativePictureFormat"),
            opt("SaveFormsData"), opt("SaveAsAOCELetter")},
           {VarType::Empty}, [docOf](Invocation& in) -> Variant {
             auto d = docOf(in);
             requireOpen(*d);
             std::string path = argString(in, 0);
             if (path.empty()) path = d->path;
             writeDocument(*d, path);
             d->path = path;
             return {};
           });
  c.method("Save", {}, {VarType::Empty}, [docOf](Invocation& in) -> Variant {
    auto d = docOf(in);
    requireOpen(*d);
    // A document never saved has no file yet: Word would ask for one.
    if (d->path.find_first_of("\\/") == std::string::npos) raiseWord(wordError(4198), "Command failed");
    writeDocument(*d, d->path);
    return {};
  });
  c.property("Name", {VarType::String}, [docOf](Invocation& in) -> Variant {
    auto d = docOf(in);
    requireOpen(*d);
    return Variant(fileName(d->path));
  });
}

void declareComposingPageSetupMembers(ClassDef& c, const DocOf& docOf) {
  c.property(
      "PaperSize", {VarType::Int32},
      [docOf](Invocation& in) -> Variant {
        auto d = docOf(in);
        requireOpen(*d);
        return Variant(d->setup().paperSize);
      },
      [docOf](Invocation& in) -> Variant {
        auto d = docOf(in);
        requireOpen(*d);
        const int32_t value = vb::CLng(in.value());
        PageSetup& s = d->setup();
        if (value == 41) {  // wdPaperCustom: keeps the dimensions it has
          s.paperSize = value;
          return {};
        }
        auto dims = paperDimensions(value);
        if (!dims) outOfRange();
        s.paperSize = value;
        s.paperWidth = dims->first;
        s.paperHeight = dims->second;
        return {};
      });
  using Length = float PageSetup::*;
  const std::pair<const char*, Length> lengths[] = {
      {"TopMargin", &PageSetup::topMargin},           {"BottomMargin", &PageSetup::bottomMargin},
      {"LeftMargin", &PageSetup::leftMargin},         {"RightMargin", &PageSetup::rightMargin},
      {"HeaderDistance", &PageSetup::headerDistance}, {"FooterDistance", &PageSetup::footerDistance}};
  for (const auto& length : lengths) {
    const char* name = length.first;
    const Length member = length.second;
    c.property(
        name, {VarType::Single},
        [docOf, member](Invocation& in) -> Variant {
          auto d = docOf(in);
          requireOpen(*d);
          return Variant(d->setup().*member);
        },
        [docOf, member](Invocation& in) -> Variant {
          auto d = docOf(in);
          requireOpen(*d);
          const float value = vb::CSng(in.value());
          if (value < 0 || value > 1584) outOfRange();  // Word's limit: 22 inches
          d->setup().*member = value;
          return {};
        });
  }
  c.property("PageWidth", {VarType::Single}, [docOf](Invocation& in) -> Variant {
    auto d = docOf(in);
    requireOpen(*d);
    return Variant(d->setup().pageWidth());
  });
  c.property("PageHeight", {VarType::Single}, [docOf](Invocation& in) -> Variant {
    auto d = docOf(in);
    requireOpen(*d);
    return Variant(d->setup().pageHeight());
  });
}

// ---- Range ----

const ClassDef& rangeClass() {
  static const ClassDef cls = [] {
    ClassDef c(wordLib(), "Range", {});
    c.property(
        "Text", {VarType::String},
        [](Invocation& in) -> Variant {
          auto& self = in.as<RangeObject>();
          auto [start, end] = self.span.get();
          return Variant(composed(*self.span.doc).text(start, end));
        },
        [](Invocation& in) -> Variant {
          auto& self = in.as<RangeObject>();
          auto [start, end] = self.span.get();
          ComposedDocument& doc = composed(*self.span.doc);
          const size_t newEnd = doc.replace(start, end, vb::CStr(in.value()));
          if (self.span.pos) {
            self.span.pos->start = start;
            self.span.pos->end = std::max(newEnd, end >= doc.size() ? doc.size() : newEnd);
          }
          return {};
        });
    c.property("Start", {VarType::Int32}, [](Invocation& in) -> Variant {
      return Variant(static_cast<int32_t>(in.as<RangeObject>().span.get().first));
    });
    c.property("End", {VarType::Int32}, [](Invocation& in) -> Variant {
      return Variant(static_cast<int32_t>(in.as<RangeObject>().span.get().second));
    });
    c.method("InsertAfter", {req("Text")}, {VarType::Empty}, [](Invocation& in) -> Variant {
      auto& self = in.as<RangeObject>();
      auto [start, end] = self.span.get();
      ComposedDocument& doc = composed(*self.span.doc);
      const size_t at = std::min(end, doc.size() - 1);
      const size_t n = doc.insert(at, vb::CStr(in.arg(0)));
      if (self.span.pos) self.span.pos->end = std::max(self.span.pos->end, at + n);
      return {};
    });
    c.method("InsertBefore", {req("Text")}, {VarType::Empty}, [](Invocation& in) -> Variant {
      auto& self = in.as<RangeObject>();
      auto [start, end] = self.span.get();
      ComposedDocument& doc = composed(*self.span.doc);
      const size_t n = doc.insert(start, vb::CStr(in.arg(0)));
      if (self.span.pos) self.span.pos->start = start, self.span.pos->end = end + n;
      return {};
    });
    c.method("InsertParagraphAfter", {}, {VarType::Empty}, [](Invocation& in) -> Variant {
      auto& self = in.as<RangeObject>();
      auto [start, end] = self.span.get();
      ComposedDocument& doc = composed(*self.span.doc);
      // After the final mark nothing can follow: the new mark goes in
      // front of it, and the final mark goes on as the last paragraph.
      const size_t at = std::min(end, doc.size() - 1);
      const size_t n = doc.insert(at, "\r");
      if (self.span.pos) self.span.pos->end = std::max(self.span.pos->end, at + n);
      return {};
    });
    c.method("InsertBreak", {opt("Type")}, {VarType::Empty}, [](Invocation& in) -> Variant {
      auto& self = in.as<RangeObject>();
      auto [start, end] = self.span.get();
      const int32_t type = vb::CLng(in.argOr(0, Variant(kWdPageBreak)));
      if (type != kWdPageBreak && type != kWdLineBreak) outOfRange();
      ComposedDocument& doc = composed(*self.span.doc);
      // The break replaces the range; the range ends up after it.
      const size_t after = doc.replace(start, end, type == kWdPageBreak ? "\f" : "\v");
      if (self.span.pos) self.span.pos->start = self.span.pos->end = after;
      return {};
    });
    c.objectProperty("Font", [](Invocation& in) -> Variant {
      auto& self = in.as<RangeObject>();
      self.span.get();
      auto f = make<FontObject>(fontClass());
      f->span = self.span;
      return Variant(ObjectPtr(f));
    });
    c.objectProperty("Paragraphs", [](Invocation& in) -> Variant {
      auto& self = in.as<RangeObject>();
      self.span.get();
      auto p = make<ParagraphsObject>(paragraphsClass());
      p->doc = self.span.doc;
      return Variant(ObjectPtr(p));
    });
    c.objectProperty("Find", [](Invocation& in) -> Variant {
      auto& self = in.as<RangeObject>();
      self.span.get();
      auto f = make<FindObject>(findClass());
      f->span = self.span;
      return Variant(ObjectPtr(f));
    });
    c.factory([] { return std::make_shared<RangeObject>(); });
    return c;
  }();
  return cls;
}

// ---- Font ----

const ClassDef& fontClass() {
  static const ClassDef cls = [] {
    ClassDef c(wordLib(), "Font", {});
    fontProperty(
        c, "Name", VarType::String, [](const CharFormat& f) { return Variant(f.name); },
        [](CharFormat& f, const Variant& v) { f.name = vb::CStr(v); });
    fontProperty(
        c, "Size", VarType::Single, [](const CharFormat& f) { return Variant(f.size); },
        [](CharFormat& f, const Variant& v) {
          const float size = vb::CSng(v);
          if (size < 1 || size > 1638) outOfRange();
          f.size = std::round(size * 2) / 2;  // Word keeps half points
        });
    fontProperty(
        c, "Color", VarType::Int32, [](const CharFormat& f) { return Variant(f.color); },
        [](CharFormat& f, const Variant& v) { f.color = vb::CLng(v); });
    fontProperty(
        c, "Bold", VarType::Int32, [](const CharFormat& f) { return wordBool(f.bold); },
        [](CharFormat& f, const Variant& v) { f.bold = flagValue(v); });
    fontProperty(
        c, "Italic", VarType::Int32, [](const CharFormat& f) { return wordBool(f.italic); },
        [](CharFormat& f, const Variant& v) { f.italic = flagValue(v); });
    // WdUnderline: 0 none, 1 single; True counts as single.
    fontProperty(
        c, "Underline", VarType::Int32, [](const CharFormat& f) { return Variant(int32_t{f.underline ? 1 : 0}); },
        [](CharFormat& f, const Variant& v) { f.underline = flagValue(v); });
    fontProperty(
        c, "StrikeThrough", VarType::Int32, [](const CharFormat& f) { return wordBool(f.strikethrough); },
        [](CharFormat& f, const Variant& v) { f.strikethrough = flagValue(v); });
    c.method("Reset", {}, {VarType::Empty}, [](Invocation& in) -> Variant {
      auto& self = in.as<FontObject>();
      auto [start, end] = self.span.get();
      composed(*self.span.doc).formatChars(start, end, [](CharFormat& f) { f = CharFormat{}; });
      return {};
    });
    c.factory([] { return std::make_shared<FontObject>(); });
    return c;
  }();
  return cls;
}

// ---- Paragraphs, Paragraph, ParagraphFormat ----

const ClassDef& paragraphsClass() {
  static const ClassDef cls = [] {
    ClassDef c(wordLib(), "Paragraphs", {});
    c.method("Add", {opt("Range")}, {VarType::Object}, [](Invocation& in) -> Variant {
      auto& self = in.as<ParagraphsObject>();
      ComposedDocument& doc = composed(*self.doc);
      Variant where = in.argOr(0, Variant());
      if (where.target().isObject()) {
        // A new paragraph in front of the given range.
        auto* range = dynamic_cast<RangeObject*>(where.target().objectValue().get());
        if (!range) raiseWord(static_cast<int32_t>(0x80020005u), "Type mismatch.");
        const size_t at = range->span.get().first;
        doc.insert(at, "\r");
        return paragraphObject(self.doc, doc.paragraphAt(at + 1));
      }
      // At the end: a new mark in front of the final one; the last paragraph is the new, empty one.
      doc.insert(doc.size() - 1, "\r");
      return paragraphObject(self.doc, doc.lastParagraph());
    });
    c.property("Count", {VarType::Int32}, [](Invocation& in) -> Variant {
      return Variant(static_cast<int32_t>(composed(*in.as<ParagraphsObject>().doc).paragraphMarks().size()));
    });
    c.method("Item", {req("Index")}, {VarType::Object}, [](Invocation& in) -> Variant {
      auto& self = in.as<ParagraphsObject>();
      const auto marks = composed(*self.doc).paragraphMarks();
      const int32_t index = vb::CLng(in.arg(0));
      if (index < 1 || static_cast<size_t>(index) > marks.size()) noSuchMember();
      return paragraphObject(self.doc, marks[static_cast<size_t>(index - 1)]);
    });
    c.defaultMember("Item");
    c.objectProperty("Last", [](Invocation& in) -> Variant {
      auto& self = in.as<ParagraphsObject>();
      return paragraphObject(self.doc, composed(*self.doc).lastParagraph());
    });
    c.factory([] { return std::make_shared<ParagraphsObject>(); });
    return c;
  }();
  return cls;
}

namespace {

void declareParagraphFormat(ClassDef& c) {
  c.property(
      "Alignment", {VarType::Int32},
      [](Invocation& in) -> Variant { return Variant(in.as<ParagraphObject>().format().alignment); },
      [](Invocation& in) -> Variant {
        const int32_t value = vb::CLng(in.value());
        if (value < 0 || value > 9) outOfRange();
        in.as<ParagraphObject>().format().alignment = value > 3 ? 3 : value;  // the distributed kinds justify
        return {};
      });
  c.property(
      "SpaceAfter", {VarType::Single},
      [](Invocation& in) -> Variant { return Variant(in.as<ParagraphObject>().format().spaceAfter); },
      [](Invocation& in) -> Variant {
        const float value = vb::CSng(in.value());
        if (value < 0 || value > 1584) outOfRange();
        in.as<ParagraphObject>().format().spaceAfter = value;
        return {};
      });
  c.method("Reset", {}, {VarType::Empty}, [](Invocation& in) -> Variant {
    in.as<ParagraphObject>().format() = ParagraphFormat{};
    return {};
  });
}

}  // namespace

const ClassDef& paragraphClass() {
  static const ClassDef cls = [] {
    ClassDef c(wordLib(), "Paragraph", {});
    c.objectProperty("Range", [](Invocation& in) -> Variant {
      auto& self = in.as<ParagraphObject>();
      auto [start, end] = self.range();
      return rangeOver(self.doc, start, end);
    });
    c.objectProperty("Format", [](Invocation& in) -> Variant {
      auto& self = in.as<ParagraphObject>();
      self.range();
      auto f = std::static_pointer_cast<ParagraphObject>(paragraphFormatClass().create());
      f->doc = self.doc;
      f->mark = self.mark;
      return Variant(ObjectPtr(f));
    });
    declareParagraphFormat(c);
    c.factory([] { return std::make_shared<ParagraphObject>(paragraphClass()); });
    return c;
  }();
  return cls;
}

const ClassDef& paragraphFormatClass() {
  static const ClassDef cls = [] {
    ClassDef c(wordLib(), "ParagraphFormat", {});
    declareParagraphFormat(c);
    c.factory([] { return std::make_shared<ParagraphObject>(paragraphFormatClass()); });
    return c;
  }();
  return cls;
}

// ---- Bookmarks ----

const ClassDef& bookmarksClass() {
  static const ClassDef cls = [] {
    ClassDef c(wordLib(), "Bookmarks", {});
    // Only Word's predefined bookmarks exist in a composed document.
    c.method("Item", {req("Index")}, {VarType::Object}, [](Invocation& in) -> Variant {
      auto& self = in.as<BookmarksObject>();
      composed(*self.doc);
      const std::string name = vb::CStr(in.arg(0));
      if (vb::compareText(name, "\\EndOfDoc") != 0 && vb::compareText(name, "\\StartOfDoc") != 0) noSuchMember();
      auto b = make<BookmarkObject>(bookmarkClass());
      b->doc = self.doc;
      b->name = name;
      return Variant(ObjectPtr(b));
    });
    c.defaultMember("Item");
    c.method("Exists", {req("Name")}, {VarType::Bool}, [](Invocation& in) -> Variant {
      const std::string name = vb::CStr(in.arg(0));
      return Variant(vb::compareText(name, "\\EndOfDoc") == 0 || vb::compareText(name, "\\StartOfDoc") == 0);
    });
    c.property("Count", {VarType::Int32}, [](Invocation&) -> Variant { return Variant(int32_t{0}); });
    c.factory([] { return std::make_shared<BookmarksObject>(); });
    return c;
  }();
  return cls;
}

const ClassDef& bookmarkClass() {
  static const ClassDef cls = [] {
    ClassDef c(wordLib(), "Bookmark", {});
    c.objectProperty("Range", [](Invocation& in) -> Variant {
      auto& self = in.as<BookmarkObject>();
      ComposedDocument& doc = composed(*self.doc);
      // The end of the document is in front of the final paragraph mark.
      const size_t at = vb::compareText(self.name, "\\EndOfDoc") == 0 ? doc.size() - 1 : 0;
      return rangeOver(self.doc, at, at);
    });
    c.property("Name", {VarType::String},
               [](Invocation& in) -> Variant { return Variant(in.as<BookmarkObject>().name); });
    c.factory([] { return std::make_shared<BookmarkObject>(); });
    return c;
  }();
  return cls;
}

// ---- Find ----

const ClassDef& findClass() {
  static const ClassDef cls = [] {
    ClassDef c(wordLib(), "Find", {});
    c.method("ClearFormatting", {}, {VarType::Empty}, [](Invocation& in) -> Variant {
      in.as<FindObject>().span.get();
      return {};
    });
    c.property(
        "Text", {VarType::String}, [](Invocation& in) -> Variant { return Variant(in.as<FindObject>().state->text); },
        [](Invocation& in) -> Variant {
          in.as<FindObject>().state->text = vb::CStr(in.value());
          return {};
        });
    using Flag = bool FindState::*;
    for (const auto& flag : {std::pair<const char*, Flag>{"MatchCase", &FindState::matchCase},
                             {"MatchWholeWord", &FindState::matchWholeWord},
                             {"Format", &FindState::format},
                             {"Forward", &FindState::forward}}) {
      const char* name = flag.first;
      const Flag member = flag.second;
      c.property(
          name, {VarType::Bool},
          [member](Invocation& in) -> Variant { return Variant(in.as<FindObject>().state.get()->*member); },
          [member](Invocation& in) -> Variant {
            in.as<FindObject>().state.get()->*member = vb::CBool(in.value());
            return {};
          });
    }
    c.property(
        "Wrap", {VarType::Int32}, [](Invocation& in) -> Variant { return Variant(in.as<FindObject>().state->wrap); },
        [](Invocation& in) -> Variant {
          in.as<FindObject>().state->wrap = vb::CLng(in.value());
          return {};
        });
    c.objectProperty("Replacement", [](Invocation& in) -> Variant {
      auto& self = in.as<FindObject>();
      auto r = make<ReplacementObject>(replacementClass());
      r->doc = self.span.doc;
      r->state = self.state;
      return Variant(ObjectPtr(r));
    });
    c.method(
        "Execute",
        {opt("FindText"), opt("MatchCase"), opt("MatchWholeWord"), opt("MatchWildcards"), opt("MatchSoundsLike"),
         opt("MatchAllWordForms"), opt("Forward"), opt("Wrap"), opt("Format"), opt("ReplaceWith"), opt("Replace"),
         opt("MatchKashida"), opt("MatchDiacritics"), opt("MatchAlefHamza"), opt("MatchControl")},
        {VarType::Bool}, [](Invocation& in) -> Variant {
          auto& self = in.as<FindObject>();
          FindState& s = *self.state;
          if (in.has(0)) s.text = vb::CStr(in.arg(0));
          if (in.has(1)) s.matchCase = vb::CBool(in.arg(1));
          if (in.has(2)) s.matchWholeWord = vb::CBool(in.arg(2));
          if (in.has(3) && vb::CBool(in.arg(3)))
            raiseWord(wordError(5560),
                      "The Find What text contains a Pattern Match expression which is not "
                      "valid.");  // wildcards are not played
          if (in.has(9)) s.replacement = vb::CStr(in.arg(9));
          const int32_t replace = vb::CLng(in.argOr(10, Variant(int32_t{0})));
          auto [start, end] = self.span.get();
          ComposedDocument& doc = composed(*self.span.doc);
          if (replace == kWdReplaceAll)
            return Variant(doc.replaceAll(start, end, s.text, s.replacement, s.matchCase, s.matchWholeWord) > 0);
          if (replace == kWdReplaceOne)
            return Variant(doc.replaceAll(start, end, s.text, s.replacement, s.matchCase, s.matchWholeWord, 1) > 0);
          const bool found = !doc.matches(start, end, s.text, s.matchCase, s.matchWholeWord, 1).empty();
          return Variant(found);
        });
    c.factory([] { return std::make_shared<FindObject>(); });
    return c;
  }();
  return cls;
}

const ClassDef& replacementClass() {
  static const ClassDef cls = [] {
    ClassDef c(wordLib(), "Replacement", {});
    c.method("ClearFormatting", {}, {VarType::Empty}, [](Invocation& in) -> Variant {
      requireOpen(*in.as<ReplacementObject>().doc);
      return {};
    });
    c.property(
        "Text", {VarType::String},
        [](Invocation& in) -> Variant { return Variant(in.as<ReplacementObject>().state->replacement); },
        [](Invocation& in) -> Variant {
          in.as<ReplacementObject>().state->replacement = vb::CStr(in.value());
          return {};
        });
    c.factory([] { return std::make_shared<ReplacementObject>(); });
    return c;
  }();
  return cls;
}

// ---- Shapes ----

const ClassDef& shapesClass() {
  static const ClassDef cls = [] {
    ClassDef c(wordLib(), "Shapes", {});
    c.method("AddPicture",
             {req("FileName"), opt("LinkToFile"), opt("SaveWithDocument"), opt("Left"), opt("Top"), opt("Width"),
              opt("Height"), opt("Anchor")},
             {VarType::Object}, [](Invocation& in) -> Variant {
               auto& self = in.as<ShapesObject>();
               ComposedDocument& doc = composed(*self.doc);
               size_t anchorAt = 0;
               Variant anchor = in.argOr(7, Variant());
               if (anchor.target().isObject()) {
                 auto* range = dynamic_cast<RangeObject*>(anchor.target().objectValue().get());
                 if (!range) raiseWord(static_cast<int32_t>(0x80020005u), "Type mismatch.");
                 anchorAt = range->span.get().first;
               }
               Picture p = loadPicture(vb::CStr(in.arg(0)));
               auto number = [&](size_t i) -> std::optional<float> {
                 if (!in.has(i)) return std::nullopt;
                 Variant v = in.arg(i);
                 if (v.target().isMissing() || v.target().isEmpty()) return std::nullopt;
                 return vb::CSng(v);
               };
               const auto left = number(3), top = number(4), width = number(5), height = number(6);
               const float ratio = p.height / std::max(0.01f, p.width);
               if (width && *width > 0 && height && *height > 0) {
                 p.width = *width;
                 p.height = *height;
               } else if (width && *width > 0) {
                 p.width = *width;
                 p.height = *width * ratio;
               } else if (height && *height > 0) {
                 p.height = *height;
                 p.width = *height / ratio;
               }
               if (left || top) {
                 p.positioned = true;
                 p.left = left.value_or(0);
                 p.top = top.value_or(0);
               }
               p.anchorMark = doc.paragraphAt(anchorAt);
               doc.pictures.push_back(std::move(p));
               auto shape = make<ShapeObject>(shapeClass());
               shape->doc = self.doc;
               shape->index = doc.pictures.size() - 1;
               return Variant(ObjectPtr(shape));
             });
    c.property("Count", {VarType::Int32}, [](Invocation& in) -> Variant {
      return Variant(static_cast<int32_t>(composed(*in.as<ShapesObject>().doc).pictures.size()));
    });
    c.factory([] { return std::make_shared<ShapesObject>(); });
    return c;
  }();
  return cls;
}

const ClassDef& shapeClass() {
  static const ClassDef cls = [] {
    ClassDef c(wordLib(), "Shape", {});
    using Field = float Picture::*;
    for (const auto& field : {std::pair<const char*, Field>{"Left", &Picture::left},
                              {"Top", &Picture::top},
                              {"Width", &Picture::width},
                              {"Height", &Picture::height}}) {
      const char* name = field.first;
      const Field member = field.second;
      c.property(name, {VarType::Single},
                 [member](Invocation& in) -> Variant { return Variant(in.as<ShapeObject>().picture().*member); });
    }
    c.property("Type", {VarType::Int32}, [](Invocation& in) -> Variant {
      in.as<ShapeObject>().picture();
      return Variant(kMsoPicture);
    });
    c.factory([] { return std::make_shared<ShapeObject>(); });
    return c;
  }();
  return cls;
}

}  // namespace dv::standins::word
