// Document members for pages and words: argument conversion around
// library/document/page_operations.h.
#include "com_util.h"
#include "document/page_operations.h"
#include "document_object.h"
#include "dv/win32/automation.h"

namespace dv::com {

namespace {

template <typename Body>
HRESULT pages(Body&& body) {
  return comCall(IID__Document, std::forward<Body>(body));
}

// By-reference arguments; null (an early-bound caller's omitted optional)
// reads as the declared default.
std::string str(const BSTR* b) { return b ? fromBstr(*b) : std::string(); }
bool on(const VARIANT_BOOL* b, bool absent) { return b ? *b != VARIANT_FALSE : absent; }
template <typename T>
T num(const T* p, T absent = 0) {
  return p ? *p : absent;
}

lib::WatermarkPlacement placement(LONG* lngStartPage, LONG* lngEndPage, VARIANT_BOOL* blnOnTop,
                                  VARIANT_BOOL* blnOnScreen, VARIANT_BOOL* blnOnPrint, float* sngScale,
                                  float* sngOpacity, short* intHorizAlign, short* intVertAlign, short* intHorizValue,
                                  short* intVertValue, VARIANT_BOOL* blnPercentage, VARIANT_BOOL* blnFixedPrint,
                                  LONG* lngRotation) {
  lib::WatermarkPlacement at;
  at.lngStartPage = num(lngStartPage);
  at.lngEndPage = num(lngEndPage);
  at.blnOnTop = on(blnOnTop, true);
  at.blnOnScreen = on(blnOnScreen, true);
  at.blnOnPrint = on(blnOnPrint, true);
  at.sngScale = num(sngScale, 1.0f);
  at.sngOpacity = num(sngOpacity, 1.0f);
  at.intHorizAlign = num(intHorizAlign, short{1});
  at.intVertAlign = num(intVertAlign, short{1});
  at.intHorizValue = num(intHorizValue);
  at.intVertValue = num(intVertValue);
  at.blnPercentage = on(blnPercentage, false);
  at.blnFixedPrint = on(blnFixedPrint, false);
  at.lngRotation = num(lngRotation);
  return at;
}

}  // namespace

HRESULT DocumentObject::AddThumbnails(LONG* lngStartPage, LONG* lngEndPage) {
  return pages([&] { lib::AddThumbnails(*core_, num(lngStartPage), num(lngEndPage)); });
}

HRESULT DocumentObject::RemoveThumbnails(LONG* lngStartPage, LONG* lngEndPage) {
  return pages([&] { lib::RemoveThumbnails(*core_, num(lngStartPage), num(lngEndPage)); });
}

HRESULT DocumentObject::AddWebLinks(LONG* lngStartPage, LONG* lngEndPage, LONG* lngLinks) {
  if (!lngLinks) return E_POINTER;
  *lngLinks = 0;
  return pages([&] { *lngLinks = lib::AddWebLinks(*core_, num(lngStartPage), num(lngEndPage)); });
}

HRESULT DocumentObject::RemoveWebLinks(LONG* lngStartPage, LONG* lngEndPage, LONG* lngLinks) {
  if (!lngLinks) return E_POINTER;
  *lngLinks = 0;
  return pages([&] { *lngLinks = lib::RemoveWebLinks(*core_, num(lngStartPage), num(lngEndPage)); });
}

HRESULT DocumentObject::DeletePages(LONG lngStartPage, LONG lngEndPage) {
  return pages([&] { lib::DeletePages(*core_, lngStartPage, lngEndPage); });
}

HRESULT DocumentObject::ExtractPages(LONG lngStartPage, LONG lngEndPage, BSTR* strPath) {
  return pages([&] { lib::ExtractPages(*core_, lngStartPage, lngEndPage, str(strPath)); });
}

HRESULT DocumentObject::InsertPages(BSTR* strSourcePDF, LONG lngInsertAfterPage, LONG lngStartPage, LONG lngEndPage) {
  return pages([&] { lib::InsertPages(*core_, str(strSourcePDF), lngInsertAfterPage, lngStartPage, lngEndPage); });
}

HRESULT DocumentObject::ReplacePages(BSTR* strSourcePDF, LONG lngReplaceStartPage, LONG lngStartPage, LONG lngEndPage) {
  return pages([&] { lib::ReplacePages(*core_, str(strSourcePDF), lngReplaceStartPage, lngStartPage, lngEndPage); });
}

HRESULT DocumentObject::MovePage(LONG lngPage, LONG lngMoveAfterPage) {
  return pages([&] { lib::MovePage(*core_, lngPage, lngMoveAfterPage); });
}

HRESULT DocumentObject::NewPage(LONG lngInsertAfterPage) {
  return pages([&] { lib::NewPage(*core_, lngInsertAfterPage); });
}

HRESULT DocumentObject::CreateTemplate(LONG* lngPage) {
  return pages([&] { lib::CreateTemplate(*core_, num(lngPage)); });
}

HRESULT DocumentObject::SpawnPageFromTemplate(BSTR* strTemplate, LONG* lngPage, VARIANT_BOOL* blnRenameFields,
                                              VARIANT_BOOL* blnOverlayPage) {
  return pages([&] {
    lib::SpawnPageFromTemplate(*core_, str(strTemplate), num(lngPage), on(blnRenameFields, true),
                               on(blnOverlayPage, true));
  });
}

HRESULT DocumentObject::SetPageRotations(LONG* lngStartPage, LONG* lngEndPage, LONG* lngRotation) {
  return pages([&] {
    int32_t rotation = num(lngRotation);
    lib::SetPageRotations(*core_, num(lngStartPage), num(lngEndPage), rotation);
  });
}

HRESULT DocumentObject::GetPageRotation(LONG* lngPage, short* intRotation) {
  if (!intRotation) return E_POINTER;
  *intRotation = 0;
  return pages([&] { *intRotation = lib::GetPageRotation(*core_, num(lngPage)); });
}

HRESULT DocumentObject::SetPageLabels(LONG* lngStartPage, LONG* lngPageNumberStyle, BSTR* strPageNumberPrefix,
                                      LONG* lngFirstPageNumber) {
  return pages([&] {
    lib::SetPageLabels(*core_, num(lngStartPage), num(lngPageNumberStyle), str(strPageNumberPrefix),
                       num(lngFirstPageNumber, LONG{1}));
  });
}

HRESULT DocumentObject::GetPageLabel(LONG* lngPage, BSTR* strLabel) {
  if (!strLabel) return E_POINTER;
  *strLabel = nullptr;
  return pages([&] { *strLabel = allocBstr(lib::GetPageLabel(*core_, num(lngPage))); });
}

HRESULT DocumentObject::SetPageTabOrder(LONG* lngPage, LONG* lngPageTabOrder) {
  if (!lngPage) return E_POINTER;
  return pages([&] { lib::SetPageTabOrder(*core_, *lngPage, num(lngPageTabOrder)); });
}

HRESULT DocumentObject::FlattenPages(LONG* lngStartPage, LONG* lngEndPage) {
  return pages([&] { lib::FlattenPages(*core_, num(lngStartPage), num(lngEndPage)); });
}

HRESULT DocumentObject::GetPageNthWord(LONG lngPage, short* intWordIndex, VARIANT_BOOL* blnStrip, BSTR* strWord) {
  if (!strWord) return E_POINTER;
  *strWord = nullptr;
  return pages(
      [&] { *strWord = allocBstr(lib::GetPageNthWord(*core_, lngPage, num(intWordIndex), on(blnStrip, false))); });
}

HRESULT DocumentObject::GetPageNthWordQuads(LONG lngPage, short* intWordIndex, VARIANT* varQuads) {
  if (!varQuads) return E_POINTER;
  VariantInit(varQuads);
  return pages([&] { win32::toVariant(lib::GetPageNthWordQuads(*core_, lngPage, num(intWordIndex)), *varQuads); });
}

HRESULT DocumentObject::GetPagesWordCount(LONG* lngPage, VARIANT* varPages, LONG* lngWords) {
  if (!lngWords) return E_POINTER;
  *lngWords = 0;
  return pages([&] {
    Variant counts;
    *lngWords = lib::GetPagesWordCount(*core_, num(lngPage), counts);
    if (varPages) writeBack(varPages, counts);
  });
}

HRESULT DocumentObject::AddWatermarkFromFile(BSTR* strSourcePDF, LONG* lngSourcePage, LONG* lngStartPage,
                                             LONG* lngEndPage, VARIANT_BOOL* blnOnTop, VARIANT_BOOL* blnOnScreen,
                                             VARIANT_BOOL* blnOnPrint, float* sngScale, float* sngOpacity,
                                             short* intHorizAlign, short* intVertAlign, short* intHorizValue,
                                             short* intVertValue, VARIANT_BOOL* blnPercentage,
                                             VARIANT_BOOL* blnFixedPrint, LONG* lngRotation) {
  return pages([&] {
    lib::AddWatermarkFromFile(
        *core_, str(strSourcePDF), num(lngSourcePage),
        placement(lngStartPage, lngEndPage, blnOnTop, blnOnScreen, blnOnPrint, sngScale, sngOpacity, intHorizAlign,
                  intVertAlign, intHorizValue, intVertValue, blnPercentage, blnFixedPrint, lngRotation));
  });
}

HRESULT DocumentObject::AddWatermarkFromText(BSTR* strText, LONG* lngAlignment, LONG* lngFont, short* intTextSize,
                                             VARIANT* varColor, LONG* lngStartPage, LONG* lngEndPage,
                                             VARIANT_BOOL* blnOnTop, VARIANT_BOOL* blnOnScreen,
                                             VARIANT_BOOL* blnOnPrint, float* sngScale, float* sngOpacity,
                                             VARIANT_BOOL* blnIncludePageNo, LONG* lngPageNoSeed, short* intHorizAlign,
                                             short* intVertAlign, short* intHorizValue, short* intVertValue,
                                             VARIANT_BOOL* blnPercentage, VARIANT_BOOL* blnFixedPrint,
                                             LONG* lngRotation) {
  return pages([&] {
    lib::WatermarkText text;
    text.strText = str(strText);
    text.lngAlignment = num(lngAlignment);
    text.lngFont = num(lngFont);
    text.intTextSize = num(intTextSize, short{24});
    text.varColor = varColor ? win32::fromVariant(*varColor) : Variant::missing();
    text.blnIncludePageNo = on(blnIncludePageNo, false);
    text.lngPageNoSeed = num(lngPageNoSeed);
    lib::AddWatermarkFromText(
        *core_, text,
        placement(lngStartPage, lngEndPage, blnOnTop, blnOnScreen, blnOnPrint, sngScale, sngOpacity, intHorizAlign,
                  intVertAlign, intHorizValue, intVertValue, blnPercentage, blnFixedPrint, lngRotation));
  });
}

}  // namespace dv::com
