// Enumeration texts and colour arrays sent to Acrobat's JavaScript.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "document/mappings.h"
#include "dv/vb.h"

namespace dv::lib {
namespace {

struct Table {
  const char* name;
  std::function<std::string(int32_t)> map;
  std::vector<const char*> texts;  // value i gives texts[i]
  const char* fallback;
};

TEST(MappingsTest, EveryTableWithItsFallback) {
  const std::vector<Table> tables = {
      {"alignment", alignmentText, {"left", "center", "right"}, "left"},
      {"layout",
       layoutText,
       {"SinglePage", "OneColumn", "TwoColumnLeft", "TwoColumnRight", "TwoPageLeft", "TwoPageRight"},
       "SinglePage"},
      {"document trigger",
       documentTriggerText,
       {"WillClose", "WillSave", "DidSave", "WillPrint", "DidPrint"},
       "WillClose"},
      {"page trigger", pageTriggerText, {"Open", "Close"}, "Open"},
      {"font",
       fontText,
       {"Times-Roman", "Times-Bold", "Times-Italic", "Times-BoldItalic", "Helvetica", "Helvetica-Bold",
        "Helvetica-Oblique", "Helvetica-BoldOblique", "Courier", "Courier-Bold", "Courier-Oblique",
        "Courier-BoldOblique", "Symbol", "ZapfDingbats"},
       "Times-Roman"},
      {"document field trigger",
       documentFieldTriggerText,
       {"MouseUp", "MouseDown", "MouseEnter", "MouseExit", "OnFocus", "OnBlur", "Keystroke", "Validate", "Calculate",
        "Format"},
       ""},
      {"field trigger",
       fieldTriggerText,
       {"MouseUp", "MouseDown", "MouseEnter", "MouseExit", "OnFocus", "OnBlur", "Keystroke", "Validate", "Calculate",
        "Format"},
       "MouseUp"},
      {"border", borderStyleText, {"solid", "beveled", "dashed", "inset", "underline"}, "solid"},
      {"glyph", glyphStyleText, {"check", "cross", "diamond", "circle", "star", "square"}, "check"},
      {"highlight", highlightText, {"none", "invert", "push", "outline"}, "none"},
      {"note icon",
       noteIconText,
       {"Check", "Circle", "Comment", "Cross", "Help", "Insert", "Key", "NewParagraph", "Note", "Paragraph",
        "RightArrow", "RightPointer", "Star", "UpArrow", "UpLeftArrow"},
       "Note"},
      {"note state", noteStateText, {"None", "Accepted", "Rejected", "Cancelled", "Completed"}, "None"},
      {"stamp icon",
       stampIconText,
       {"Approved", "AsIs", "Confidential", "Departmental", "Draft", "Experimental", "Expired", "Final", "ForComment",
        "ForPublicRelease", "NotApproved", "NotForPublicRelease", "Sold", "TopSecret"},
       "Approved"},
      {"page label", pageLabelStyleText, {"D", "R", "r", "A", "a", ""}, "D"},
      {"tab order", pageTabOrderText, {"rows", "columns", "structure"}, ""},
  };
  for (const Table& t : tables) {
    SCOPED_TRACE(t.name);
    for (size_t i = 0; i < t.texts.size(); ++i) EXPECT_EQ(t.map(static_cast<int32_t>(i)), t.texts[i]) << i;
    for (int32_t outside : {-1, static_cast<int32_t>(t.texts.size()), 99, INT32_MIN, INT32_MAX})
      EXPECT_EQ(t.map(outside), t.fallback) << outside;
  }
  // dvnNone (10) differs between the Document's and the Field's table.
  EXPECT_EQ(documentFieldTriggerText(10), "");
  EXPECT_EQ(fieldTriggerText(10), "MouseUp");
}

TEST(MappingsTest, FileTypesAndThePdfaRule) {
  const char* suffixes[] = {"pdf", "eps", "html-3-20",  "html-4-01-css-1-00", "jpeg", "jp2k",     "doc", "png",
                            "ps",  "rtf", "accesstext", "plain-text",         "tiff", "xml-1-00", "xdp"};
  for (int32_t i = 1; i < 15; ++i) {
    EXPECT_EQ(fileTypeText(i, "9.0"), std::string("com.adobe.acrobat.") + suffixes[i]);
    EXPECT_EQ(fileTypeText(i, ""), std::string("com.adobe.acrobat.") + suffixes[i]);
  }
  EXPECT_EQ(fileTypeText(15, "9.0"), "com.adobe.acrobat.pdf");
  EXPECT_EQ(fileTypeText(-3, "9.0"), "com.adobe.acrobat.pdf");
  // Only dvnPDF itself turns into PDF/A, from version 8 on (leading number).
  EXPECT_EQ(fileTypeText(0, "7.0"), "com.adobe.acrobat.pdf");
  EXPECT_EQ(fileTypeText(0, "7.99"), "com.adobe.acrobat.pdf");
  EXPECT_EQ(fileTypeText(0, ""), "com.adobe.acrobat.pdf");
  EXPECT_EQ(fileTypeText(0, "Acrobat 9"), "com.adobe.acrobat.pdf");
  EXPECT_EQ(fileTypeText(0, "8.0"), "com.callas.preflight.pdfa");
  EXPECT_EQ(fileTypeText(0, "10.1.2"), "com.callas.preflight.pdfa");
}

Variant colorArray(VarType elementType = VarType::Variant, int32_t lower = 0, uint32_t count = 4) {
  return Variant(Array(elementType, {Bound{lower, count}}));
}

TEST(SetColorTest, EveryColourWithItsComponentTypes) {
  struct Expect {
    const char* space;
    int component;  // index set, 0 for none
    double value;
  };
  const Expect expected[] = {{"T", 0, 0},    {"G", 0, 0},    {"G", 1, 1},    {"RGB", 1, 1},
                             {"RGB", 2, 1},  {"RGB", 3, 1},  {"CMYK", 1, 1}, {"CMYK", 2, 1},
                             {"CMYK", 3, 1}, {"G", 1, 0.25}, {"G", 1, 0.5},  {"G", 1, 0.75}};
  for (int32_t color = 0; color < 12; ++color) {
    SCOPED_TRACE(color);
    Variant v = colorArray();
    v.arrayValue().at(2) = Variant("stale");
    SetColor(color, v);
    const Array& a = v.arrayValue();
    EXPECT_EQ(a.at(0).stringValue(), expected[color].space);
    for (int32_t i = 1; i <= 3; ++i) {
      const Variant& e = a.at(i);
      const bool set = i == expected[color].component;
      // Greys are doubles; every other component is a 16-bit integer.
      const VarType type = set && color >= 9 ? VarType::Double : VarType::Int16;
      EXPECT_EQ(e.type(), type) << i;
      EXPECT_DOUBLE_EQ(vb::CDbl(e), set ? expected[color].value : 0.0) << i;
    }
  }
  for (int32_t outside : {-1, 12, 1000}) {
    Variant v = colorArray();
    SetColor(outside, v);
    EXPECT_EQ(v.arrayValue().at(0).stringValue(), "T");
  }
}

TEST(SetColorTest, WritesThroughAReferenceAndIntoLargerArrays) {
  Variant callers = colorArray(VarType::Variant, 0, 6);
  Variant slot = Variant::ref(callers);
  SetColor(11, slot);
  EXPECT_EQ(callers.arrayValue().at(0).stringValue(), "G");
  EXPECT_DOUBLE_EQ(callers.arrayValue().at(1).doubleValue(), 0.75);
  EXPECT_TRUE(callers.arrayValue().at(5).isEmpty());
}

TEST(SetColorTest, WrongArraysFailAndStayUnchanged) {
  auto errorOf = [](int32_t color, Variant& v) {
    try {
      SetColor(color, v);
    } catch (const AutomationError& e) {
      return vb::runtimeErrorOf(e.number());
    }
    return 0;
  };
  Variant notArray("x");
  EXPECT_EQ(errorOf(3, notArray), vb::kTypeMismatch);
  Variant empty;
  EXPECT_EQ(errorOf(3, empty), vb::kTypeMismatch);
  Variant tooShort = colorArray(VarType::Variant, 0, 3);
  tooShort.arrayValue().at(1) = Variant("kept");
  EXPECT_EQ(errorOf(3, tooShort), vb::kSubscriptOutOfRange);
  EXPECT_EQ(tooShort.arrayValue().at(1).stringValue(), "kept");
  Variant fromOne = colorArray(VarType::Variant, 1, 4);
  EXPECT_EQ(errorOf(3, fromOne), vb::kSubscriptOutOfRange);
  Variant twoDims(Array(VarType::Variant, {Bound{0, 4}, Bound{0, 4}}));
  EXPECT_EQ(errorOf(3, twoDims), vb::kSubscriptOutOfRange);
  // A numeric array cannot hold the colour space name: nothing is changed.
  Variant doubles = colorArray(VarType::Double);
  doubles.arrayValue().at(1) = Variant(0.5);
  EXPECT_EQ(errorOf(3, doubles), vb::kTypeMismatch);
  EXPECT_DOUBLE_EQ(doubles.arrayValue().at(1).doubleValue(), 0.5);
}

}  // namespace
}  // namespace dv::lib
