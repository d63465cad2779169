#include "document/mappings.h"

#include <array>
#include <initializer_list>

#include "dv/vb.h"

namespace dv::lib {

namespace {

std::string pick(std::initializer_list<const char*> table, int32_t value, const char* fallback) {
  if (value < 0 || static_cast<size_t>(value) >= table.size()) return fallback;
  return *(table.begin() + value);
}

const std::initializer_list<const char*> kFieldTriggers = {"MouseUp", "MouseDown", "MouseEnter", "MouseExit", "OnFocus",
                                                           "OnBlur",  "Keystroke", "Validate",   "Calculate", "Format"};

}  // namespace

std::string alignmentText(int32_t v) { return pick({"left", "center", "right"}, v, "left"); }

std::string layoutText(int32_t v) {
  return pick({"SinglePage", "OneColumn", "TwoColumnLeft", "TwoColumnRight", "TwoPageLeft", "TwoPageRight"}, v,
              "SinglePage");
}

std::string documentTriggerText(int32_t v) {
  return pick({"WillClose", "WillSave", "DidSave", "WillPrint", "DidPrint"}, v, "WillClose");
}

std::string pageTriggerText(int32_t v) { return pick({"Open", "Close"}, v, "Open"); }

std::string fontText(int32_t v) {
  return pick({"Times-Roman", "Times-Bold", "Times-Italic", "Times-BoldItalic", "Helvetica", "Helvetica-Bold",
               "Helvetica-Oblique", "Helvetica-BoldOblique", "Courier", "Courier-Bold", "Courier-Oblique",
               "Courier-BoldOblique", "Symbol", "ZapfDingbats"},
              v, "Times-Roman");
}

std::string documentFieldTriggerText(int32_t v) { return pick(kFieldTriggers, v, ""); }
std::string fieldTriggerText(int32_t v) { return pick(kFieldTriggers, v, "MouseUp"); }

std::string borderStyleText(int32_t v) {
  return pick({"solid", "beveled", "dashed", "inset", "underline"}, v, "solid");
}

std::string glyphStyleText(int32_t v) {
  return pick({"check", "cross", "diamond", "circle", "star", "square"}, v, "check");
}

std::string highlightText(int32_t v) { return pick({"none", "invert", "push", "outline"}, v, "none"); }

std::string noteIconText(int32_t v) {
  return pick({"Check", "Circle", "Comment", "Cross", "Help", "Insert", "Key", "NewParagraph", "Note", "Paragraph",
               "RightArrow", "RightPointer", "Star", "UpArrow", "UpLeftArrow"},
              v, "Note");
}

std::string noteStateText(int32_t v) {
  return pick({"None", "Accepted", "Rejected", "Cancelled", "Completed"}, v, "None");
}

std::string stampIconText(int32_t v) {
  return pick({"Approved", "AsIs", "Confidential", "Departmental", "Draft", "Experimental", "Expired", "Final",
               "ForComment", "ForPublicRelease", "NotApproved", "NotForPublicRelease", "Sold", "TopSecret"},
              v, "Approved");
}

std::string pageLabelStyleText(int32_t v) { return pick({"D", "R", "r", "A", "a", ""}, v, "D"); }

std::string pageTabOrderText(int32_t v) { return pick({"rows", "columns", "structure"}, v, ""); }

std::string fileTypeText(int32_t v, std::string_view acrobatVersionText) {
  if (v == 0 && vb::Val(acrobatVersionText) >= 8.0) return "com.callas.preflight.pdfa";
  return "com.adobe.acrobat." + pick({"pdf", "eps", "html-3-20", "html-4-01-css-1-00", "jpeg", "jp2k", "doc", "png",
                                      "ps", "rtf", "accesstext", "plain-text", "tiff", "xml-1-00", "xdp"},
                                     v, "pdf");
}

void SetColor(int32_t lngColor, Variant& varColor) {
  if (!varColor.isArray()) vb::raise(vb::kTypeMismatch);
  const Array& current = varColor.arrayValue();
  if (current.rank() != 1 || current.lbound(1) > 0 || current.ubound(1) < 3) vb::raise(vb::kSubscriptOutOfRange);

  // Work on a copy so that an element type that refuses a value (a Double
  // array cannot hold "RGB") leaves the caller's array untouched.
  Array color = current;
  auto put = [&color](int32_t index, const Variant& value) { color.put(std::span<const int32_t>(&index, 1), value); };
  for (int32_t i = 1; i <= 3; ++i) put(i, int16_t{0});

  const int16_t one = 1;
  switch (lngColor) {
    case 1:
      put(0, "G");
      break;
    case 2:
      put(0, "G");
      put(1, one);
      break;
    case 3:
      put(0, "RGB");
      put(1, one);
      break;
    case 4:
      put(0, "RGB");
      put(2, one);
      break;
    case 5:
      put(0, "RGB");
      put(3, one);
      break;
    case 6:
      put(0, "CMYK");
      put(1, one);
      break;
    case 7:
      put(0, "CMYK");
      put(2, one);
      break;
    case 8:
      put(0, "CMYK");
      put(3, one);
      break;
    case 9:
      put(0, "G");
      put(1, 0.25);
      break;
    case 10:
      put(0, "G");
      put(1, 0.5);
      break;
    case 11:
      put(0, "G");
      put(1, 0.75);
      break;
    default:
      put(0, "T");
      break;  // dvnTransparent and unknown colours
  }
  varColor.arrayValue() = std::move(color);
}

}  // namespace dv::lib
