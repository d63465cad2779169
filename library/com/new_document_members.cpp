// NewDocument members: argument conversion around the composer core.
#include "com_util.h"
#include "new_document_object.h"

namespace dv::com {

namespace {

template <typename Body>
HRESULT composer(Body&& body) {
  return comCall(IID__NewDocument, std::forward<Body>(body));
}

std::string str(const BSTR* b) { return b ? fromBstr(*b) : std::string(); }
// A by-reference boolean; null (an early-bound caller's omitted argument) is False.
bool on(const VARIANT_BOOL* b) { return b && *b != VARIANT_FALSE; }

}  // namespace

HRESULT NewDocumentObject::get_IsOpen(VARIANT_BOOL* blnIsOpen) {
  if (!blnIsOpen) return E_POINTER;
  return composer([&] { *blnIsOpen = core_->IsOpen() ? VARIANT_TRUE : VARIANT_FALSE; });
}

#define DV_LENGTH(Name)                                     \
  HRESULT NewDocumentObject::get_##Name(float* sngInches) { \
    if (!sngInches) return E_POINTER;                       \
    return composer([&] { *sngInches = core_->Name(); });   \
  }                                                         \
  HRESULT NewDocumentObject::put_##Name(float sngInches) {  \
    return composer([&] { core_->set##Name(sngInches); });  \
  }
DV_LENGTH(TopMargin)
DV_LENGTH(BottomMargin)
DV_LENGTH(LeftMargin)
DV_LENGTH(RightMargin)
DV_LENGTH(HeaderDistance)
DV_LENGTH(FooterDistance)
#undef DV_LENGTH

HRESULT NewDocumentObject::get_PageSize(LONG* lngPageSize) {
  if (!lngPageSize) return E_POINTER;
  return composer([&] { *lngPageSize = core_->PageSize(); });
}

HRESULT NewDocumentObject::put_PageSize(LONG lngPageSize) {
  return composer([&] { core_->setPageSize(lngPageSize); });
}

HRESULT NewDocumentObject::get_Landscape(VARIANT_BOOL* blnLandscape) {
  if (!blnLandscape) return E_POINTER;
  return composer([&] { *blnLandscape = core_->Landscape() ? VARIANT_TRUE : VARIANT_FALSE; });
}

HRESULT NewDocumentObject::put_Landscape(VARIANT_BOOL blnLandscape) {
  return composer([&] { core_->setLandscape(blnLandscape != VARIANT_FALSE); });
}

HRESULT NewDocumentObject::PrintDoc(BSTR strText, LONG intTextStyle, LONG lngColor, short intSize, BSTR strFont) {
  return composer([&] { core_->PrintDoc(fromBstr(strText), intTextStyle, lngColor, intSize, fromBstr(strFont)); });
}

HRESULT NewDocumentObject::PrintDocln(BSTR strText, LONG intTextJustify, LONG intTextStyle, LONG lngColor,
                                      short intSize, BSTR strFont) {
  return composer([&] {
    core_->PrintDocln(fromBstr(strText), intTextJustify, intTextStyle, lngColor, intSize, fromBstr(strFont));
  });
}

HRESULT NewDocumentObject::NewLine(short intLines) {
  return composer([&] { core_->NewLine(intLines); });
}

HRESULT NewDocumentObject::AddPageBreak() {
  return composer([&] { core_->AddPageBreak(); });
}

HRESULT NewDocumentObject::AddPageNumber(VARIANT_BOOL blnInFooter, LONG intPageNoAlignment, VARIANT_BOOL blnFirstPage) {
  return composer(
      [&] { core_->AddPageNumber(blnInFooter != VARIANT_FALSE, intPageNoAlignment, blnFirstPage != VARIANT_FALSE); });
}

HRESULT NewDocumentObject::FindAndReplace(BSTR strTextToFind, BSTR strReplaceWithText, VARIANT_BOOL blnMatchCase,
                                          VARIANT_BOOL blnMatchWholeWord) {
  return composer([&] {
    core_->FindAndReplace(fromBstr(strTextToFind), fromBstr(strReplaceWithText), blnMatchCase != VARIANT_FALSE,
                          blnMatchWholeWord != VARIANT_FALSE);
  });
}

HRESULT NewDocumentObject::AddImage(BSTR strImageFile, float sngLeft, float sngTop, float sngWidth, float sngHeight) {
  return composer([&] { core_->AddImage(fromBstr(strImageFile), sngLeft, sngTop, sngWidth, sngHeight); });
}

// strDistiller is by reference but, unlike CreatePDF's conversions, never
// written back: the printer chosen for a blank one stays the composer's.
HRESULT NewDocumentObject::Save(BSTR strPDF, BSTR* strDistiller, VARIANT_BOOL* blnShowWindow,
                                VARIANT_BOOL* blnSpoolJobs, BSTR* strJobOptionsFile, VARIANT_BOOL* blnApplySecurity) {
  return composer([&] {
    lib::ComposerSaveOptions options;
    options.distiller = str(strDistiller);
    options.showWindow = on(blnShowWindow);
    options.spoolJobs = on(blnSpoolJobs);
    options.jobOptionsFile = str(strJobOptionsFile);
    options.applySecurity = blnApplySecurity && *blnApplySecurity == VARIANT_TRUE;
    core_->Save(fromBstr(strPDF), options);
  });
}

HRESULT NewDocumentObject::CloseDoc() {
  return composer([&] { core_->CloseDoc(); });
}

}  // namespace dv::com
