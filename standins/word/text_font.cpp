// Content.Font of a document opened from a file: one font for the whole
// text, which printing lays out (wrapping and lines per page follow the
// size). Reset goes back to the document's own font.
#include <cmath>

#include "dv/vb.h"
#include "word/composing.h"
#include "word/word_standin.h"
#include "word/word_state.h"

namespace dv::standins::word {

namespace {

class TextRangeObject : public StandIn {
 public:
  TextRangeObject() : StandIn(textRangeClass()) {}
  std::shared_ptr<DocState> doc;
};

class TextFontObject : public StandIn {
 public:
  TextFontObject() : StandIn(textFontClass()) {}
  std::shared_ptr<DocState> doc;
};

TextFont& fontOf(Invocation& in) {
  DocState& d = *in.as<TextFontObject>().doc;
  requireOpen(d);
  return d.layout.font;
}

// Word's True is -1; a set flag reads back that way.
Variant flag(bool on) { return Variant(int32_t{on ? -1 : 0}); }
bool isSet(const Variant& v) { return vb::CLng(v) != 0; }

void fontProperty(ClassDef& c, const char* name, VarType type, std::function<Variant(const TextFont&)> get,
                  std::function<void(TextFont&, const Variant&)> let) {
  c.property(
      name, {type}, [get](Invocation& in) -> Variant { return get(fontOf(in)); },
      [let](Invocation& in) -> Variant {
        let(fontOf(in), in.value());
        return {};
      });
}

}  // namespace

const ClassDef& textRangeClass() {
  static const ClassDef cls = [] {
    ClassDef c(wordLib(), "TextRange", {});
    c.objectProperty("Font", [](Invocation& in) -> Variant {
      auto& self = in.as<TextRangeObject>();
      requireOpen(*self.doc);
      auto f = std::static_pointer_cast<TextFontObject>(textFontClass().create());
      f->doc = self.doc;
      return Variant(ObjectPtr(f));
    });
    c.factory([] { return std::make_shared<TextRangeObject>(); });
    return c;
  }();
  return cls;
}

const ClassDef& textFontClass() {
  static const ClassDef cls = [] {
    ClassDef c(wordLib(), "TextFont", {});
    fontProperty(
        c, "Name", VarType::String, [](const TextFont& f) { return Variant(f.name); },
        [](TextFont& f, const Variant& v) { f.name = vb::CStr(v); });
    fontProperty(
        c, "Size", VarType::Single, [](const TextFont& f) { return Variant(f.size); },
        [](TextFont& f, const Variant& v) {
          const float size = vb::CSng(v);
          if (size < 1 || size > 1638) raiseWord(wordError(4608), "Value out of range");
          f.size = std::round(size * 2) / 2;  // Word keeps half points
        });
    fontProperty(
        c, "Color", VarType::Int32, [](const TextFont& f) { return Variant(f.color); },
        [](TextFont& f, const Variant& v) { f.color = vb::CLng(v); });
    fontProperty(
        c, "Bold", VarType::Int32, [](const TextFont& f) { return flag(f.bold); },
        [](TextFont& f, const Variant& v) { f.bold = isSet(v); });
    fontProperty(
        c, "Italic", VarType::Int32, [](const TextFont& f) { return flag(f.italic); },
        [](TextFont& f, const Variant& v) { f.italic = isSet(v); });
    // WdUnderline: 0 none, 1 single; True counts as single.
    fontProperty(
        c, "Underline", VarType::Int32, [](const TextFont& f) { return Variant(int32_t{f.underline ? 1 : 0}); },
        [](TextFont& f, const Variant& v) { f.underline = isSet(v); });
    c.method("Reset", {}, {VarType::Empty}, [](Invocation& in) -> Variant {
      fontOf(in) = TextFont{};
      return {};
    });
    c.factory([] { return std::make_shared<TextFontObject>(); });
    return c;
  }();
  return cls;
}

Variant textContent(const std::shared_ptr<DocState>& doc) {
  auto r = std::static_pointer_cast<TextRangeObject>(textRangeClass().create());
  r->doc = doc;
  return Variant(ObjectPtr(r));
}

}  // namespace dv::standins::word
