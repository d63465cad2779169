// Document members for annotations, text search and markup: argument and
// record conversion around library/document/annotations.h.
#include "com_util.h"
#include "document/annotations.h"
#include "document_object.h"
#include "dv/win32/automation.h"

namespace dv::com {

namespace {

template <typename Body>
HRESULT annots(Body&& body) {
  return comCall(IID__Document, std::forward<Body>(body));
}

// By-reference arguments; null (an early-bound caller's omitted optional)
// reads as the declared default.
std::string str(const BSTR* b) { return b ? fromBstr(*b) : std::string(); }
bool on(const VARIANT_BOOL* b, bool absent = false) { return b ? *b != VARIANT_FALSE : absent; }
template <typename T>
T num(const T* p, T absent = 0) {
  return p ? *p : absent;
}
Variant var(const VARIANT* v) { return v ? win32::fromVariant(*v) : Variant::missing(); }

lib::SearchRange range(const LONG* start, const LONG* end, const VARIANT_BOOL* caseSensitive) {
  return lib::SearchRange{num(start), num(end), on(caseSensitive)};
}

lib::NoteOptions noteOptions(VARIANT* varColor, BSTR* strAuthor, BSTR* strSubject, short* intLeftMargin,
                             short* intTopMargin, LONG* lngNoteIcon, LONG defaultIcon, BSTR* strName,
                             VARIANT_BOOL* blnLock, VARIANT_BOOL* blnReadOnly, VARIANT_BOOL* blnPopupOpen,
                             LONG* lngNoteState, short* intBorderWidth, float* sngOpacity) {
  lib::NoteOptions o;
  o.varColor = var(varColor);
  o.strAuthor = str(strAuthor);
  o.strSubject = str(strSubject);
  o.intLeftMargin = num(intLeftMargin);
  o.intTopMargin = num(intTopMargin);
  o.lngNoteIcon = num(lngNoteIcon, defaultIcon);
  o.strName = str(strName);
  o.blnLock = on(blnLock);
  o.blnReadOnly = on(blnReadOnly);
  o.blnPopupOpen = on(blnPopupOpen);
  o.lngNoteState = num(lngNoteState);
  o.intBorderWidth = num(intBorderWidth, short{1});
  o.sngOpacity = num(sngOpacity, 1.0f);
  return o;
}

// Record fields <-> the core's records.
void put(BSTR& field, const std::string& value) {
  SysFreeString(field);
  field = allocBstr(value);
}
void put(VARIANT& field, const Variant& value) {
  VariantClear(&field);
  win32::toVariant(value, field);
}
VARIANT_BOOL flagOf(bool b) { return b ? VARIANT_TRUE : VARIANT_FALSE; }

void fill(TextAnnotType& out, const lib::TextAnnotRecord& r) {
  put(out.Name, r.Name);
  put(out.contents, r.contents);
  out.State = r.State;
  out.Page = r.Page;
  put(out.Point, r.Point);
  put(out.PopupRect, r.PopupRect);
  put(out.Author, r.Author);
  put(out.Subject, r.Subject);
  put(out.NoteIcon, r.NoteIcon);
  put(out.StrokeColor, r.StrokeColor);
  out.PopupOpen = flagOf(r.PopupOpen);
  out.Width = r.Width;
  out.Lock = flagOf(r.Lock);
  out.ReadOnly = flagOf(r.ReadOnly);
}

void fill(FreeTextAnnotType& out, const lib::FreeTextAnnotRecord& r) {
  put(out.Name, r.Name);
  put(out.contents, r.contents);
  out.Alignment = r.Alignment;
  put(out.StrokeColor, r.StrokeColor);
  put(out.FillColor, r.FillColor);
  put(out.TextFont, r.TextFont);
  out.TextSize = r.TextSize;
  out.Page = r.Page;
  put(out.Rect, r.Rect);
  put(out.Author, r.Author);
  put(out.Subject, r.Subject);
  out.Width = r.Width;
  out.Lock = flagOf(r.Lock);
  out.ReadOnly = flagOf(r.ReadOnly);
  out.Rotate = r.Rotate;
}

lib::TextAnnotRecord recordOf(const TextAnnotType& in) {
  lib::TextAnnotRecord r;
  r.Name = fromBstr(in.Name);
  r.contents = fromBstr(in.contents);
  r.State = in.State;
  r.Page = in.Page;
  r.Point = win32::fromVariant(in.Point);
  r.PopupRect = win32::fromVariant(in.PopupRect);
  r.Author = fromBstr(in.Author);
  r.Subject = fromBstr(in.Subject);
  r.NoteIcon = fromBstr(in.NoteIcon);
  r.StrokeColor = win32::fromVariant(in.StrokeColor);
  r.PopupOpen = in.PopupOpen != VARIANT_FALSE;
  r.Width = in.Width;
  r.Lock = in.Lock != VARIANT_FALSE;
  r.ReadOnly = in.ReadOnly != VARIANT_FALSE;
  return r;
}

lib::FreeTextAnnotRecord recordOf(const FreeTextAnnotType& in) {
  lib::FreeTextAnnotRecord r;
  r.Name = fromBstr(in.Name);
  r.contents = fromBstr(in.contents);
  r.Alignment = in.Alignment;
  r.StrokeColor = win32::fromVariant(in.StrokeColor);
  r.FillColor = win32::fromVariant(in.FillColor);
  r.TextFont = fromBstr(in.TextFont);
  r.TextSize = in.TextSize;
  r.Page = in.Page;
  r.Rect = win32::fromVariant(in.Rect);
  r.Author = fromBstr(in.Author);
  r.Subject = fromBstr(in.Subject);
  r.Width = in.Width;
  r.Lock = in.Lock != VARIANT_FALSE;
  r.ReadOnly = in.ReadOnly != VARIANT_FALSE;
  r.Rotate = in.Rotate;
  return r;
}

// The caller's variable, whether it came as a VARIANT or one by reference.
VARIANT& target(VARIANT& v) { return V_VT(&v) == (VT_BYREF | VT_VARIANT) && V_VARIANTREF(&v) ? *V_VARIANTREF(&v) : v; }

HRESULT markup(lib::Document& core, lib::Markup kind, BSTR* strFindText, LONG* lngStartPage, LONG* lngEndPage,
               VARIANT_BOOL* blnCaseSensitive, VARIANT* varColor, BSTR* strAuthor, BSTR* strSubject,
               VARIANT_BOOL* blnLock, VARIANT_BOOL* blnReadOnly, VARIANT_BOOL* blnTransparent, BSTR* strContents,
               VARIANT_BOOL* blnHidden, BSTR* strName, VARIANT_BOOL* blnPopupOpen, VARIANT_BOOL* blnNoView,
               VARIANT_BOOL* blnToggleNoView, LONG* lngCount) {
  if (!lngCount) return E_POINTER;
  *lngCount = 0;
  return annots([&] {
    lib::MarkupOptions o;
    o.varColor = var(varColor);
    o.strAuthor = str(strAuthor);
    o.strSubject = str(strSubject);
    o.blnLock = on(blnLock);
    o.blnReadOnly = on(blnReadOnly);
    o.blnTransparent = on(blnTransparent);
    o.strContents = str(strContents);
    o.blnHidden = on(blnHidden);
    o.strName = str(strName);
    o.blnPopupOpen = on(blnPopupOpen);
    o.blnNoView = on(blnNoView);
    o.blnToggleNoView = on(blnToggleNoView);
    *lngCount =
        lib::FindAndMarkupText(core, kind, str(strFindText), range(lngStartPage, lngEndPage, blnCaseSensitive), o);
  });
}

}  // namespace

HRESULT DocumentObject::CreateComment(LONG* lngPage, BSTR* strComment, VARIANT* varColor, BSTR* strAuthor,
                                      BSTR* strSubject, short* intLeftMargin, short* intTopMargin, LONG* lngNoteIcon,
                                      BSTR* strName, VARIANT_BOOL* blnLock, VARIANT_BOOL* blnReadOnly,
                                      VARIANT_BOOL* blnPopupOpen, LONG* lngNoteState, short* intBorderWidth,
                                      float* sngOpacity) {
  if (!lngPage) return E_POINTER;
  return annots([&] {
    lib::CreateComment(
        *core_, *lngPage, str(strComment),
        noteOptions(varColor, strAuthor, strSubject, intLeftMargin, intTopMargin, lngNoteIcon, 2, strName, blnLock,
                    blnReadOnly, blnPopupOpen, lngNoteState, intBorderWidth, sngOpacity));
  });
}

HRESULT DocumentObject::CreateTextAnnot(LONG* lngPage, BSTR* strText, VARIANT* varColor, BSTR* strAuthor,
                                        BSTR* strSubject, short* intLeftMargin, short* intTopMargin, LONG* lngNoteIcon,
                                        BSTR* strName, VARIANT_BOOL* blnLock, VARIANT_BOOL* blnReadOnly,
                                        VARIANT_BOOL* blnPopupOpen, LONG* lngNoteState, short* intBorderWidth,
                                        float* sngOpacity) {
  if (!lngPage) return E_POINTER;
  return annots([&] {
    lib::CreateTextAnnot(
        *core_, *lngPage, str(strText),
        noteOptions(varColor, strAuthor, strSubject, intLeftMargin, intTopMargin, lngNoteIcon, 8, strName, blnLock,
                    blnReadOnly, blnPopupOpen, lngNoteState, intBorderWidth, sngOpacity));
  });
}

HRESULT DocumentObject::CreateFreeTextAnnot(LONG* lngPage, VARIANT* varRectangle, BSTR* strText, VARIANT* varColor,
                                            BSTR* strAuthor, BSTR* strSubject, BSTR* strName, VARIANT_BOOL* blnLock,
                                            VARIANT_BOOL* blnReadOnly, LONG* lngAlignment, VARIANT* varFillColor,
                                            LONG* lngFont, short* intFontSize, short* intBorderWidth, LONG* lngRotation,
                                            float* sngOpacity) {
  if (!lngPage) return E_POINTER;
  return annots([&] {
    lib::FreeTextOptions o;
    o.varColor = var(varColor);
    o.strAuthor = str(strAuthor);
    o.strSubject = str(strSubject);
    o.strName = str(strName);
    o.blnLock = on(blnLock);
    o.blnReadOnly = on(blnReadOnly);
    o.lngAlignment = num(lngAlignment);
    o.varFillColor = var(varFillColor);
    o.lngFont = num(lngFont);
    o.intFontSize = num(intFontSize, short{8});
    o.intBorderWidth = num(intBorderWidth, short{1});
    o.lngRotation = num(lngRotation);
    o.sngOpacity = num(sngOpacity, 1.0f);
    lib::CreateFreeTextAnnot(*core_, *lngPage, var(varRectangle), str(strText), o);
  });
}

HRESULT DocumentObject::CreateStampAnnot(LONG* lngPage, VARIANT* varRectangle, BSTR* strText, VARIANT* varColor,
                                         BSTR* strAuthor, BSTR* strSubject, short* intLeftMargin, short* intTopMargin,
                                         LONG* lngStampIcon, BSTR* strName, VARIANT_BOOL* blnLock,
                                         VARIANT_BOOL* blnReadOnly, VARIANT_BOOL* blnPopupOpen) {
  if (!lngPage) return E_POINTER;
  return annots([&] {
    lib::StampOptions o;
    o.varColor = var(varColor);
    o.strAuthor = str(strAuthor);
    o.strSubject = str(strSubject);
    o.intLeftMargin = num(intLeftMargin);
    o.intTopMargin = num(intTopMargin);
    o.lngStampIcon = num(lngStampIcon);
    o.strName = str(strName);
    o.blnLock = on(blnLock);
    o.blnReadOnly = on(blnReadOnly);
    o.blnPopupOpen = on(blnPopupOpen);
    lib::CreateStampAnnot(*core_, *lngPage, var(varRectangle), str(strText), o);
  });
}

HRESULT DocumentObject::GetTextAnnotProperties(BSTR* strName, LONG* lngPage, TextAnnotType* fldt) {
  if (!lngPage || !fldt) return E_POINTER;
  return annots([&] { fill(*fldt, lib::GetTextAnnotProperties(*core_, str(strName), *lngPage)); });
}

HRESULT DocumentObject::GetFreeTextAnnotProperties(BSTR* strName, LONG* lngPage, FreeTextAnnotType* fldt) {
  if (!lngPage || !fldt) return E_POINTER;
  return annots([&] { fill(*fldt, lib::GetFreeTextAnnotProperties(*core_, str(strName), *lngPage)); });
}

HRESULT DocumentObject::SetTextAnnotProperties(BSTR* strName, LONG* lngPage, TextAnnotType* fldt) {
  if (!lngPage || !fldt) return E_POINTER;
  return annots([&] { lib::SetTextAnnotProperties(*core_, str(strName), *lngPage, recordOf(*fldt)); });
}

HRESULT DocumentObject::SetFreeTextAnnotProperties(BSTR* strName, LONG* lngPage, FreeTextAnnotType* fldt) {
  if (!lngPage || !fldt) return E_POINTER;
  return annots([&] { lib::SetFreeTextAnnotProperties(*core_, str(strName), *lngPage, recordOf(*fldt)); });
}

HRESULT DocumentObject::GetAnnotations(VARIANT* varAnnots, LONG* lngPage, LONG* lngCount) {
  if (!varAnnots || !lngCount) return E_POINTER;
  *lngCount = 0;
  return annots([&] {
    Variant names;
    *lngCount = lib::GetAnnotations(*core_, names, num(lngPage));
    VARIANT& out = target(*varAnnots);
    VariantClear(&out);
    win32::toVariant(names, out);
  });
}

HRESULT DocumentObject::RemoveAnnotations(LONG* lngPage, LONG* lngCount) {
  if (!lngCount) return E_POINTER;
  *lngCount = 0;
  return annots([&] { *lngCount = lib::RemoveAnnotations(*core_, num(lngPage)); });
}

HRESULT DocumentObject::FindAndCommentText(BSTR* strFindText, BSTR* strText, LONG* lngStartPage, LONG* lngEndPage,
                                           VARIANT_BOOL* blnCaseSensitive, LONG* lngNoteIcon, VARIANT* varColor,
                                           BSTR* strAuthor, BSTR* strSubject, short* intBorderWidth,
                                           VARIANT_BOOL* blnLock, VARIANT_BOOL* blnReadOnly, LONG* lngAlignment,
                                           LONG* lngNoteState, VARIANT_BOOL* blnTransparent, LONG* lngCount) {
  if (!lngCount) return E_POINTER;
  *lngCount = 0;
  return annots([&] {
    lib::CommentSearchOptions o;
    o.lngNoteIcon = num(lngNoteIcon, LONG{8});
    o.varColor = var(varColor);
    o.strAuthor = str(strAuthor);
    o.strSubject = str(strSubject);
    o.intBorderWidth = num(intBorderWidth, short{1});
    o.blnLock = on(blnLock);
    o.blnReadOnly = on(blnReadOnly);
    o.lngAlignment = num(lngAlignment);
    o.lngNoteState = num(lngNoteState);
    o.blnTransparent = on(blnTransparent, true);
    *lngCount = lib::FindAndCommentText(*core_, str(strFindText), str(strText),
                                        range(lngStartPage, lngEndPage, blnCaseSensitive), o);
  });
}

HRESULT DocumentObject::FindAndHighlightText(BSTR* strFindText, LONG* lngStartPage, LONG* lngEndPage,
                                             VARIANT_BOOL* blnCaseSensitive, VARIANT* varHighlightColor,
                                             BSTR* strAuthor, BSTR* strSubject, VARIANT_BOOL* blnLock,
                                             VARIANT_BOOL* blnReadOnly, VARIANT_BOOL* blnTransparent, BSTR* strContents,
                                             VARIANT_BOOL* blnHidden, BSTR* strName, VARIANT_BOOL* blnPopupOpen,
                                             VARIANT_BOOL* blnNoView, VARIANT_BOOL* blnToggleNoView, LONG* lngCount) {
  return markup(*core_, lib::Markup::Highlight, strFindText, lngStartPage, lngEndPage, blnCaseSensitive,
                varHighlightColor, strAuthor, strSubject, blnLock, blnReadOnly, blnTransparent, strContents, blnHidden,
                strName, blnPopupOpen, blnNoView, blnToggleNoView, lngCount);
}

HRESULT DocumentObject::FindAndSquigglyText(BSTR* strFindText, LONG* lngStartPage, LONG* lngEndPage,
                                            VARIANT_BOOL* blnCaseSensitive, VARIANT* varSquigglyColor, BSTR* strAuthor,
                                            BSTR* strSubject, VARIANT_BOOL* blnLock, VARIANT_BOOL* blnReadOnly,
                                            VARIANT_BOOL* blnTransparent, BSTR* strContents, VARIANT_BOOL* blnHidden,
                                            BSTR* strName, VARIANT_BOOL* blnPopupOpen, VARIANT_BOOL* blnNoView,
                                            VARIANT_BOOL* blnToggleNoView, LONG* lngCount) {
  return markup(*core_, lib::Markup::Squiggly, strFindText, lngStartPage, lngEndPage, blnCaseSensitive,
                varSquigglyColor, strAuthor, strSubject, blnLock, blnReadOnly, blnTransparent, strContents, blnHidden,
                strName, blnPopupOpen, blnNoView, blnToggleNoView, lngCount);
}

HRESULT DocumentObject::FindAndStrikeoutText(BSTR* strFindText, LONG* lngStartPage, LONG* lngEndPage,
                                             VARIANT_BOOL* blnCaseSensitive, VARIANT* varStrikeoutColor,
                                             BSTR* strAuthor, BSTR* strSubject, VARIANT_BOOL* blnLock,
                                             VARIANT_BOOL* blnReadOnly, VARIANT_BOOL* blnTransparent, BSTR* strContents,
                                             VARIANT_BOOL* blnHidden, BSTR* strName, VARIANT_BOOL* blnPopupOpen,
                                             VARIANT_BOOL* blnNoView, VARIANT_BOOL* blnToggleNoView, LONG* lngCount) {
  return markup(*core_, lib::Markup::StrikeOut, strFindText, lngStartPage, lngEndPage, blnCaseSensitive,
                varStrikeoutColor, strAuthor, strSubject, blnLock, blnReadOnly, blnTransparent, strContents, blnHidden,
                strName, blnPopupOpen, blnNoView, blnToggleNoView, lngCount);
}

HRESULT DocumentObject::FindAndUnderlineText(BSTR* strFindText, LONG* lngStartPage, LONG* lngEndPage,
                                             VARIANT_BOOL* blnCaseSensitive, VARIANT* varUnderlineColor,
                                             BSTR* strAuthor, BSTR* strSubject, VARIANT_BOOL* blnLock,
                                             VARIANT_BOOL* blnReadOnly, VARIANT_BOOL* blnTransparent, BSTR* strContents,
                                             VARIANT_BOOL* blnHidden, BSTR* strName, VARIANT_BOOL* blnPopupOpen,
                                             VARIANT_BOOL* blnNoView, VARIANT_BOOL* blnToggleNoView, LONG* lngCount) {
  return markup(*core_, lib::Markup::Underline, strFindText, lngStartPage, lngEndPage, blnCaseSensitive,
                varUnderlineColor, strAuthor, strSubject, blnLock, blnReadOnly, blnTransparent, strContents, blnHidden,
                strName, blnPopupOpen, blnNoView, blnToggleNoView, lngCount);
}

HRESULT DocumentObject::FindAndOverwriteText(BSTR* strFindText, BSTR* strReplaceText, LONG* lngStartPage,
                                             LONG* lngEndPage, VARIANT_BOOL* blnCaseSensitive, LONG* lngFont,
                                             short* intWidth, VARIANT* varColor, VARIANT* varFillColor,
                                             VARIANT_BOOL* blnBorder, short* intY, LONG* lngCount) {
  if (!lngCount) return E_POINTER;
  *lngCount = 0;
  short width = num(intWidth);
  // The width goes back to the caller's variable even when the search then fails.
  struct WriteBack {
    short* to;
    const short& value;
    ~WriteBack() {
      if (to) *to = value;
    }
  } writeBack{intWidth, width};
  return annots([&] {
    lib::OverwriteOptions o;
    o.lngFont = num(lngFont);
    o.varColor = var(varColor);
    o.varFillColor = var(varFillColor);
    o.blnBorder = on(blnBorder);
    o.intY = num(intY);
    *lngCount = lib::FindAndOverwriteText(*core_, str(strFindText), str(strReplaceText),
                                          range(lngStartPage, lngEndPage, blnCaseSensitive), width, o);
  });
}

HRESULT DocumentObject::GetTextCoordinates(BSTR* strFindText, LONG* lngStartPage, LONG* lngEndPage,
                                           VARIANT_BOOL* blnCaseSensitive, VARIANT* varQuad) {
  if (!varQuad) return E_POINTER;
  VariantInit(varQuad);
  return annots([&] {
    win32::toVariant(
        lib::GetTextCoordinates(*core_, str(strFindText), range(lngStartPage, lngEndPage, blnCaseSensitive)), *varQuad);
  });
}

}  // namespace dv::com
