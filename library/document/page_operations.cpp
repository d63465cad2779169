#include "document/page_operations.h"

#include <climits>
#include <vector>

#include "document/mappings.h"
#include "dv/vb.h"

namespace dv::lib {

namespace {

// v - 1 with VB's overflow for the smallest 32-bit number.
int32_t minusOne(int32_t v) {
  if (v == INT32_MIN) vb::raise(vb::kOverflow);
  return v - 1;
}

// An "after" argument: v - 1 from 1 up, the last page for 0, negative values as they are.
int32_t afterIndex(Document& doc, int32_t v) {
  if (v > 0) return v - 1;
  if (v == 0) return doc.longProperty("NumPages") - 1;
  return v;
}

// The optional source range of InsertPages and ReplacePages after the two
// leading arguments: none, a start alone, or an end with the start (the
// omitted-argument marker when the start is 0).
Args withSourceRange(Args args, int32_t start, int32_t end) {
  if (end != 0) {
    args.push_back(start != 0 ? pos(minusOne(start)) : pos(Variant::missing()));
    args.push_back(pos(minusOne(end)));
  } else if (start != 0) {
    args.push_back(pos(minusOne(start)));
  }
  return args;
}

Variant rangeCall(Document& doc, std::string_view member, int32_t start, int32_t end) {
  if (start == 0 && end == 0) return doc.jsObject().call(member);
  const int32_t first = Document::startPageIndex(start);
  return doc.jsObject().call(member, {pos(first), pos(doc.endPageIndex(end))});
}

// DeletePages and ExtractPages: a non-zero page less one, else the ends.
int32_t firstOf(int32_t start) { return start != 0 ? minusOne(start) : 0; }
int32_t lastOf(Document& doc, int32_t end) { return end != 0 ? minusOne(end) : doc.longProperty("NumPages") - 1; }

}  // namespace

void AddThumbnails(Document& doc, int32_t lngStartPage, int32_t lngEndPage) {
  rangeCall(doc, "AddThumbnails", lngStartPage, lngEndPage);
}
void RemoveThumbnails(Document& doc, int32_t lngStartPage, int32_t lngEndPage) {
  rangeCall(doc, "RemoveThumbnails", lngStartPage, lngEndPage);
}
int32_t AddWebLinks(Document& doc, int32_t lngStartPage, int32_t lngEndPage) {
  return vb::CLng(rangeCall(doc, "AddWebLinks", lngStartPage, lngEndPage));
}
int32_t RemoveWebLinks(Document& doc, int32_t lngStartPage, int32_t lngEndPage) {
  return vb::CLng(rangeCall(doc, "RemoveWebLinks", lngStartPage, lngEndPage));
}

void DeletePages(Document& doc, int32_t lngStartPage, int32_t lngEndPage) {
  // Without pages the viewer deletes its default, the first page.
  if (lngStartPage == 0 && lngEndPage == 0) {
    doc.jsObject().call("DeletePages");
    return;
  }
  const int32_t first = firstOf(lngStartPage);
  doc.jsObject().call("DeletePages", {pos(first), pos(lastOf(doc, lngEndPage))});
}

void ExtractPages(Document& doc, int32_t lngStartPage, int32_t lngEndPage, const std::string& strPath) {
  const int32_t first = firstOf(lngStartPage);
  const int32_t last = lastOf(doc, lngEndPage);
  doc.jsObject().call("ExtractPages", {pos(first), pos(last), pos(strPath)});
}

void InsertPages(Document& doc, const std::string& strSourcePDF, int32_t lngInsertAfterPage, int32_t lngStartPage,
                 int32_t lngEndPage) {
  const int32_t after = afterIndex(doc, lngInsertAfterPage);
  doc.jsObject().call("InsertPages", withSourceRange({pos(after), pos(strSourcePDF)}, lngStartPage, lngEndPage));
}

void ReplacePages(Document& doc, const std::string& strSourcePDF, int32_t lngReplaceStartPage, int32_t lngStartPage,
                  int32_t lngEndPage) {
  const int32_t at = Document::keptStartIndex(lngReplaceStartPage);
  doc.jsObject().call("ReplacePages", withSourceRange({pos(at), pos(strSourcePDF)}, lngStartPage, lngEndPage));
}

void MovePage(Document& doc, int32_t lngPage, int32_t lngMoveAfterPage) {
  const int32_t page = Document::startPageIndex(lngPage);
  const int32_t after = afterIndex(doc, lngMoveAfterPage);
  doc.jsObject().call("MovePage", {pos(page), pos(after)});
}

void NewPage(Document& doc, int32_t lngInsertAfterPage) {
  const Variant box = doc.jsObject().get("getPageBox", {pos("Crop")});
  if (!box.isArray()) vb::raise(vb::kTypeMismatch);
  const Array& b = box.arrayValue();
  // [left, top, right, bottom]: the size is right - left by top - bottom,
  // also for a box that does not start at 0,0.
  const double width = vb::CDbl(b.at(2)) - vb::CDbl(b.at(0));
  const double height = vb::CDbl(b.at(1)) - vb::CDbl(b.at(3));
  // The viewer counts this argument from 1; 0 puts the page before the first.
  int32_t after = 0;
  if (lngInsertAfterPage != -1) after = lngInsertAfterPage >= 1 ? lngInsertAfterPage : doc.longProperty("NumPages");
  doc.jsObject().call("NewPage", {pos(after), pos(width), pos(height)});
}

void CreateTemplate(Document& doc, int32_t lngPage) {
  // The viewer's first argument is the template's name, the second its
  // page: the index goes as both, so the name stays what it always was and
  // the template is made from the page asked for.
  const int32_t page = Document::startPageIndex(lngPage);
  doc.jsObject().call("CreateTemplate", {pos(page), pos(page)});
}

void SpawnPageFromTemplate(Document& doc, const std::string& strTemplate, int32_t lngPage, bool blnRenameFields,
                           bool blnOverlayPage) {
  const int32_t page = Document::keptStartIndex(lngPage);
  doc.jsObject().call("SpawnPageFromTemplate",
                      {pos(strTemplate), pos(page), pos(blnRenameFields), pos(blnOverlayPage)});
}

void SetPageRotations(Document& doc, int32_t lngStartPage, int32_t lngEndPage, int32_t& lngRotation) {
  const int32_t first = Document::keptStartIndex(lngStartPage);
  const int32_t last = doc.endPageIndex(lngEndPage);
  Variant rotation(lngRotation);
  doc.jsObject().call("SetPageRotations", {pos(first), pos(last), pos(Variant::ref(rotation))});
}

int16_t GetPageRotation(Document& doc, int32_t lngPage) {
  return vb::CInt(doc.jsObject().get("GetPageRotation", {pos(Document::keptStartIndex(lngPage))}));
}

void SetPageLabels(Document& doc, int32_t lngStartPage, int32_t lngPageNumberStyle,
                   const std::string& strPageNumberPrefix, int32_t lngFirstPageNumber) {
  const int32_t page = Document::startPageIndex(lngStartPage);
  const std::string style = pageLabelStyleText(lngPageNumberStyle);
  // No style: the page alone, which takes the label off.
  if (style.empty()) {
    doc.jsObject().call("SetPageLabels", {pos(page)});
    return;
  }
  Variant label(
      Array::vector(VarType::Variant, {Variant(style), Variant(strPageNumberPrefix), Variant(lngFirstPageNumber)}));
  doc.jsObject().call("SetPageLabels", {pos(page), pos(label)});
}

std::string GetPageLabel(Document& doc, int32_t lngPage) {
  return vb::CStr(doc.jsObject().get("GetPageLabel", {pos(Document::startPageIndex(lngPage))}));
}

void SetPageTabOrder(Document& doc, int32_t lngPage, int32_t lngPageTabOrder) {
  const int32_t page = doc.endPageIndex(lngPage);
  doc.jsObject().call("SetPageTabOrder", {pos(page), pos(pageTabOrderText(lngPageTabOrder))});
}

void FlattenPages(Document& doc, int32_t lngStartPage, int32_t lngEndPage) {
  const int32_t first = Document::startPageIndex(lngStartPage);
  const int32_t last = doc.endPageIndex(lngEndPage);
  // 0: annotations that are not printed stay as they are.
  doc.jsObject().call("FlattenPages", {pos(first), pos(last), pos(int16_t{0})});
}

std::string GetPageNthWord(Document& doc, int32_t lngPage, int16_t intWordIndex, bool blnStrip) {
  const int32_t page = lngPage != 0 ? minusOne(lngPage) : 0;
  return vb::CStr(doc.jsObject().get("GetPageNthWord", {pos(page), pos(intWordIndex), pos(blnStrip)}));
}

Variant GetPageNthWordQuads(Document& doc, int32_t lngPage, int16_t intWordIndex) {
  const int32_t page = lngPage != 0 ? minusOne(lngPage) : 0;
  return doc.jsObject().get("GetPageNthWordQuads", {pos(page), pos(intWordIndex)});
}

int32_t GetPagesWordCount(Document& doc, int32_t lngPage, Variant& varPages) {
  try {
    if (lngPage >= 1) {
      const int16_t count = vb::CInt(doc.jsObject().get("getPageNumWords", {pos(lngPage - 1)}));
      varPages = Variant(Array::vector(VarType::Variant, {Variant(count)}));
      return count;
    }
    const int32_t pages = doc.longProperty("NumPages");
    std::vector<Variant> counts;
    int32_t total = 0;
    for (int32_t i = 0; i < pages; ++i) {
      const int16_t count = vb::CInt(doc.jsObject().get("getPageNumWords", {pos(i)}));
      counts.emplace_back(count);
      total = vb::CLng(Variant(static_cast<double>(total) + count));
    }
    varPages = Variant(Array::vector(VarType::Variant, std::move(counts)));
    return total;
  } catch (const AutomationError& e) {
    throw AutomationError(e.number(), vb::kLibrarySource, e.description());
  }
}

void AddWatermarkFromFile(Document& doc, const std::string& strSourcePDF, int32_t lngSourcePage,
                          const WatermarkPlacement& at) {
  const int32_t sourcePage = Document::startPageIndex(lngSourcePage);
  const int32_t first = Document::startPageIndex(at.lngStartPage);
  const int32_t last = doc.endPageIndex(at.lngEndPage);
  doc.jsObject().call(
      "AddWatermarkFromFile",
      {pos(strSourcePDF), pos(sourcePage), pos(first), pos(last), pos(at.blnOnTop), pos(at.blnOnScreen),
       pos(at.blnOnPrint), pos(at.intHorizAlign), pos(at.intVertAlign), pos(at.intHorizValue), pos(at.intVertValue),
       pos(at.blnPercentage), pos(at.sngScale), pos(at.blnFixedPrint), pos(at.lngRotation), pos(at.sngOpacity)});
}

void AddWatermarkFromText(Document& doc, const WatermarkText& text, const WatermarkPlacement& at) {
  const std::string font = fontText(text.lngFont);
  const Variant color = text.varColor.isArray() ? text.varColor : asObject(doc.jsObject().get("Color"))->get("black");
  auto stamp = [&](const std::string& words, int32_t first, int32_t last) {
    doc.jsObject().call("AddWatermarkFromText",
                        {pos(words), pos(text.lngAlignment), pos(font), pos(text.intTextSize), pos(color), pos(first),
                         pos(last), pos(at.blnOnTop), pos(at.blnOnScreen), pos(at.blnOnPrint), pos(at.intHorizAlign),
                         pos(at.intVertAlign), pos(at.intHorizValue), pos(at.intVertValue), pos(at.blnPercentage),
                         pos(at.sngScale), pos(at.blnFixedPrint), pos(at.lngRotation), pos(at.sngOpacity)});
  };
  const int32_t first = Document::startPageIndex(at.lngStartPage);
  const int32_t last = doc.endPageIndex(at.lngEndPage);
  if (!text.blnIncludePageNo) {
    stamp(text.strText, first, last);
    return;
  }
  // One call per page; the number follows the text directly, the seed's
  // counter when one is given, else the page's own number.
  int32_t counter = text.lngPageNoSeed;
  for (int32_t i = first; i <= last; ++i) {
    int32_t number = i + 1;
    if (text.lngPageNoSeed != 0) number = counter++;
    stamp(text.strText + std::to_string(number), i, i);
  }
}

}  // namespace dv::lib
