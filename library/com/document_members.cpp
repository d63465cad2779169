// Document members, the enumeration texts of Field, and TextFileToArray on
// CreatePDF: argument conversion around the document core.
#include "create_pdf_object.h"
#include "document_object.h"
#include "field_object.h"
#include "collection_object.h"
#include "com_util.h"
#include "data/delimited_text.h"
#include "document/mappings.h"
#include "dv/vb.h"
#include "dv/win32/automation.h"

namespace dv::com {

namespace {

template <typename Body>
HRESULT doc(Body&& body) {
  return comCall(IID__Document, std::forward<Body>(body));
}

template <typename Get>
HRESULT text(BSTR* out, Get&& get) {
  if (!out) return E_POINTER;
  *out = nullptr;
  return doc([&] { *out = allocBstr(get()); });
}

template <typename Get>
HRESULT flag(VARIANT_BOOL* out, Get&& get) {
  if (!out) return E_POINTER;
  return doc([&] { *out = get() ? VARIANT_TRUE : VARIANT_FALSE; });
}

template <typename Get>
HRESULT variant(VARIANT* out, Get&& get) {
  if (!out) return E_POINTER;
  VariantInit(out);
  return doc([&] { win32::toVariant(get(), *out); });
}

std::string str(BSTR* b) { return b ? fromBstr(*b) : std::string(); }
// A by-reference boolean; null (an early-bound caller's omitted argument) is the default.
bool on(const VARIANT_BOOL* b, bool absent) { return b ? *b != VARIANT_FALSE : absent; }

// TextFileToArray of CreatePDF and Document: a status, never an error.
HRESULT textFileToArray(REFIID iid, FileSystem& files, BSTR* strTextFile, VARIANT* varArray, BSTR strDelimiter,
                        VARIANT_BOOL* blnRemoveQuotes, short* intResult) {
  if (!intResult || !varArray || !blnRemoveQuotes) return E_POINTER;
  *intResult = lib::kTextFileCannotOpen;
  return comCall(iid, [&] {
    Variant value = win32::fromVariant(*varArray);
    Variant slot = Variant::ref(value);
    *intResult =
        lib::TextFileToArray(files, str(strTextFile), slot, fromBstr(strDelimiter), *blnRemoveQuotes != VARIANT_FALSE);
    if (*intResult == lib::kTextFileRead) writeBack(varArray, value);
  });
}

template <typename Map>
HRESULT mapped(BSTR* out, const void* in, int32_t value, Map&& map) {
  if (!in) return E_POINTER;
  return text(out, [&] { return map(value); });
}

}  // namespace

HRESULT CreatePdfObject::TextFileToArray(BSTR* strTextFile, VARIANT* varArray, BSTR strDelimiter,
                                         VARIANT_BOOL* blnRemoveQuotes, short* intResult) {
  return textFileToArray(IID__CreatePDF, core_->host().files, strTextFile, varArray, strDelimiter, blnRemoveQuotes,
                         intResult);
}

// ---- Viewer information ----
HRESULT DocumentObject::get_AcrobatFormsVersion(BSTR* s) {
  return text(s, [&] { return core_->AcrobatFormsVersion(); });
}
HRESULT DocumentObject::get_AcrobatLanguage(BSTR* s) {
  return text(s, [&] { return core_->AcrobatLanguage(); });
}
HRESULT DocumentObject::get_AcrobatPlatform(BSTR* s) {
  return text(s, [&] { return core_->AcrobatPlatform(); });
}
HRESULT DocumentObject::get_AcrobatViewerType(BSTR* s) {
  return text(s, [&] { return core_->AcrobatViewerType(); });
}
HRESULT DocumentObject::get_AcrobatViewerVariation(BSTR* s) {
  return text(s, [&] { return core_->AcrobatViewerVariation(); });
}
HRESULT DocumentObject::get_AcrobatViewerVersion(BSTR* s) {
  return text(s, [&] { return core_->AcrobatViewerVersion(); });
}

// ---- Properties ----
#define DV_TEXT_GET(Name)                                       \
  HRESULT DocumentObject::get_##Name(BSTR* s) {                 \
    return text(s, [&] { return core_->textProperty(#Name); }); \
  }
#define DV_TEXT_LET(Name)                                                 \
  HRESULT DocumentObject::put_##Name(BSTR s) {                            \
    return doc([&] { core_->letProperty(#Name, Variant(fromBstr(s))); }); \
  }
#define DV_FLAG_GET(Name)                                       \
  HRESULT DocumentObject::get_##Name(VARIANT_BOOL* b) {         \
    return flag(b, [&] { return core_->boolProperty(#Name); }); \
  }
#define DV_FLAG_LET(Name)                                                        \
  HRESULT DocumentObject::put_##Name(VARIANT_BOOL b) {                           \
    return doc([&] { core_->letProperty(#Name, Variant(b != VARIANT_FALSE)); }); \
  }
#define DV_LONG_GET(Name)                                 \
  HRESULT DocumentObject::get_##Name(long* n) {           \
    if (!n) return E_POINTER;                             \
    return doc([&] { *n = core_->longProperty(#Name); }); \
  }
#define DV_DATE_GET(Name)                                 \
  HRESULT DocumentObject::get_##Name(DATE* d) {           \
    if (!d) return E_POINTER;                             \
    return doc([&] { *d = core_->dateProperty(#Name); }); \
  }
#define DV_VARIANT_GET(Name)                                          \
  HRESULT DocumentObject::get_##Name(VARIANT* v) {                    \
    return variant(v, [&] { return core_->variantProperty(#Name); }); \
  }

DV_TEXT_GET(Author)
DV_TEXT_LET(Author)
DV_TEXT_GET(BaseURL)
DV_TEXT_LET(BaseURL)
DV_FLAG_GET(Calculate)
DV_FLAG_LET(Calculate)
DV_DATE_GET(CreationDate)
DV_TEXT_GET(Creator)
DV_VARIANT_GET(DataObjects)
DV_FLAG_GET(Dirty)
DV_FLAG_LET(Dirty)
DV_FLAG_GET(Disclosed)
DV_FLAG_LET(Disclosed)
DV_TEXT_GET(DocumentFilename)
DV_FLAG_GET(DynamicXFAForm)
DV_LONG_GET(FileSize)
DV_VARIANT_GET(Icons)
DV_TEXT_GET(MetaData)
DV_TEXT_LET(MetaData)
DV_DATE_GET(ModDate)
DV_FLAG_GET(NoAutoComplete)
DV_FLAG_LET(NoAutoComplete)
DV_FLAG_GET(NoCache)
DV_FLAG_LET(NoCache)
DV_LONG_GET(NumFields)
DV_LONG_GET(NumPages)
DV_LONG_GET(NumTemplates)
DV_FLAG_GET(PermStatusReady)
DV_TEXT_GET(Producer)
DV_TEXT_GET(SecurityHandler)
DV_VARIANT_GET(Sounds)
DV_TEXT_GET(Subject)
DV_TEXT_LET(Subject)
DV_VARIANT_GET(Templates)
DV_TEXT_GET(Title)
DV_TEXT_LET(Title)
DV_TEXT_GET(URL)
DV_TEXT_GET(Path)

#undef DV_TEXT_GET
#undef DV_TEXT_LET
#undef DV_FLAG_GET
#undef DV_FLAG_LET
#undef DV_LONG_GET
#undef DV_DATE_GET
#undef DV_VARIANT_GET

HRESULT DocumentObject::get_KeyWords(BSTR* s) {
  return text(s, [&] { return core_->KeyWords(); });
}
HRESULT DocumentObject::put_KeyWords(BSTR s) {
  return doc([&] { core_->KeyWords(fromBstr(s)); });
}
HRESULT DocumentObject::get_InstanceID(BSTR* s) {
  return text(s, [&] { return core_->InstanceID(); });
}
HRESULT DocumentObject::get_PermanentID(BSTR* s) {
  return text(s, [&] { return core_->PermanentID(); });
}
HRESULT DocumentObject::get_PageMode(BSTR* s) {
  return text(s, [&] { return core_->PageMode(); });
}

// ---- Operations ----
HRESULT DocumentObject::CreateJavaScriptObject(IDispatch** objJavaScript) {
  if (!objJavaScript) return E_POINTER;
  *objJavaScript = nullptr;
  return doc([&] {
    ObjectPtr js = core_->CreateJavaScriptObject();
    if (!js) return;  // Nothing when the document did not open
    Var v;
    win32::toVariant(Variant(js), v);
    if (v.vt == VT_DISPATCH && v.pdispVal) {
      *objJavaScript = v.pdispVal;
      v.pdispVal->AddRef();
    }
  });
}

HRESULT DocumentObject::CloseDoc() {
  return doc([&] { core_->CloseDoc(); });
}

HRESULT DocumentObject::Save(SaveType lngSave, BSTR* strPDF) {
  return doc([&] { core_->Save(static_cast<int32_t>(lngSave), Variant(str(strPDF))); });
}

HRESULT DocumentObject::SaveAs(BSTR* strPath, PDFFileType* lngFileType) {
  return doc([&] { core_->SaveAs(str(strPath), lngFileType ? static_cast<int32_t>(*lngFileType) : 0); });
}

HRESULT DocumentObject::SetPageView(PageViewStyle* lngPageView, VARIANT_BOOL* blnResult) {
  if (!lngPageView) return E_POINTER;
  return flag(blnResult, [&] { return core_->SetPageView(static_cast<int32_t>(*lngPageView)); });
}

HRESULT DocumentObject::PrintDocument(VARIANT_BOOL* blnShowWindow, long* lngStartPage, long* lngEndPage,
                                      VARIANT_BOOL* blnSilent, VARIANT_BOOL* blnShrinkToFit,
                                      VARIANT_BOOL* blnPrintAsImage, VARIANT_BOOL* blnReverse,
                                      VARIANT_BOOL* blnAnnotations) {
  // An early-bound caller may pass null for an omitted argument: the declared default then.
  return doc([&] {
    core_->PrintDocument(on(blnShowWindow, true), lngStartPage ? *lngStartPage : 0, lngEndPage ? *lngEndPage : 0,
                         on(blnSilent, false), on(blnShrinkToFit, false), on(blnPrintAsImage, false),
                         on(blnReverse, false), on(blnAnnotations, true));
  });
}

HRESULT DocumentObject::GetURL(BSTR* strURL, VARIANT_BOOL* blnAppend) {
  return doc([&] { core_->GetURL(str(strURL), on(blnAppend, true)); });
}

HRESULT DocumentObject::CalculateNow() {
  return doc([&] { core_->CalculateNow(); });
}

HRESULT DocumentObject::AttachFile(BSTR* strName, BSTR* strFile, VARIANT_BOOL* blnResult) {
  return flag(blnResult, [&] { return core_->AttachFile(str(strName), str(strFile)); });
}

HRESULT DocumentObject::ExportDataObject(BSTR* strName, BSTR* strPath, VARIANT_BOOL* blnAllowAuthorization) {
  return doc([&] { core_->ExportDataObject(str(strName), str(strPath), on(blnAllowAuthorization, false)); });
}

HRESULT DocumentObject::RemoveDataObject(BSTR* n) {
  return doc([&] { core_->removeNamed("RemoveDataObject", str(n)); });
}
HRESULT DocumentObject::DeleteSound(BSTR* n) {
  return doc([&] { core_->removeNamed("DeleteSound", str(n)); });
}
HRESULT DocumentObject::RemoveIcon(BSTR* n) {
  return doc([&] { core_->removeNamed("RemoveIcon", str(n)); });
}
HRESULT DocumentObject::RemoveScript(BSTR* n) {
  return doc([&] { core_->removeNamed("RemoveScript", str(n)); });
}
HRESULT DocumentObject::RemoveTemplate(BSTR* n) {
  return doc([&] { core_->removeNamed("RemoveTemplate", str(n)); });
}
HRESULT DocumentObject::RemoveField(BSTR* n) {
  return doc([&] { core_->removeNamed("RemoveField", str(n)); });
}

HRESULT DocumentObject::AddScript(BSTR* strName, BSTR* strScript) {
  return doc([&] { core_->AddScript(str(strName), str(strScript)); });
}

HRESULT DocumentObject::GetNthFieldName(short* intIndex, BSTR* strName) {
  if (!intIndex) return E_POINTER;
  return text(strName, [&] { return core_->GetNthFieldName(*intIndex); });
}

HRESULT DocumentObject::GetNthTemplate(short* intIndex, BSTR* strName) {
  if (!intIndex) return E_POINTER;
  return text(strName, [&] { return core_->GetNthTemplate(*intIndex); });
}

HRESULT DocumentObject::GetFieldsArray(VARIANT* varFields) {
  return variant(varFields, [&] { return Variant(core_->GetFieldsArray()); });
}

HRESULT DocumentObject::GetFields(IDispatch** colFields) {
  if (!colFields) return E_POINTER;
  *colFields = nullptr;
  return doc([&] { *colFields = newCollectionObject(core_->GetFields()); });
}

HRESULT DocumentObject::GetField(BSTR* strName, _Field** objField) {
  if (!objField) return E_POINTER;
  *objField = nullptr;
  HRESULT hr = doc([&] { core_->GetField(str(strName)); });
  if (FAILED(hr)) return hr;
  return FieldObject::create(objField);
}

HRESULT DocumentObject::TextFileToArray(BSTR* strTextFile, VARIANT* varArray, BSTR strDelimiter,
                                        VARIANT_BOOL* blnRemoveQuotes, short* intResult) {
  return textFileToArray(IID__Document, core_->host().files, strTextFile, varArray, strDelimiter, blnRemoveQuotes,
                         intResult);
}

// ---- Enumeration texts ----
HRESULT DocumentObject::GetAlignment(long* i, BSTR* s) { return mapped(s, i, i ? *i : 0, lib::alignmentText); }
HRESULT DocumentObject::GetLayout(LayoutType* i, BSTR* s) { return mapped(s, i, i ? *i : 0, lib::layoutText); }
HRESULT DocumentObject::GetDocumentTrigger(long* i, BSTR* s) {
  return mapped(s, i, i ? *i : 0, lib::documentTriggerText);
}
HRESULT DocumentObject::GetPageTrigger(PageTriggerType* i, BSTR* s) {
  return mapped(s, i, i ? *i : 0, lib::pageTriggerText);
}
HRESULT DocumentObject::GetFont(FontType* i, BSTR* s) { return mapped(s, i, i ? *i : 0, lib::fontText); }
HRESULT DocumentObject::GetTrigger(FieldTriggerType* i, BSTR* s) {
  return mapped(s, i, i ? *i : 0, lib::documentFieldTriggerText);
}
HRESULT DocumentObject::GetFieldBorder(FieldBorderType* i, BSTR* s) {
  return mapped(s, i, i ? *i : 0, lib::borderStyleText);
}
HRESULT DocumentObject::GetGlyphStyle(GlyphStyleType* i, BSTR* s) {
  return mapped(s, i, i ? *i : 0, lib::glyphStyleText);
}
HRESULT DocumentObject::GetNoteIcon(NoteIconType* i, BSTR* s) { return mapped(s, i, i ? *i : 0, lib::noteIconText); }
HRESULT DocumentObject::GetNoteState(NoteStateType* i, BSTR* s) { return mapped(s, i, i ? *i : 0, lib::noteStateText); }
HRESULT DocumentObject::GetStampIcon(StampIconType* i, BSTR* s) { return mapped(s, i, i ? *i : 0, lib::stampIconText); }
HRESULT DocumentObject::GetFileType(PDFFileType* i, BSTR* s) {
  return mapped(s, i, i ? *i : 0, [&](int32_t v) { return core_->GetFileType(v); });
}

HRESULT DocumentObject::SetColor(ColorType* lngColor, VARIANT* varColor) {
  if (!lngColor || !varColor) return E_POINTER;
  return doc([&] {
    Variant value = win32::fromVariant(*varColor);
    lib::SetColor(static_cast<int32_t>(*lngColor), value);
    writeBack(varColor, value);
  });
}

HRESULT FieldObject::GetAlignment(AlignmentType* i, BSTR* s) { return mapped(s, i, i ? *i : 0, lib::alignmentText); }
HRESULT FieldObject::GetFont(FontType* i, BSTR* s) { return mapped(s, i, i ? *i : 0, lib::fontText); }
HRESULT FieldObject::GetTrigger(FieldTriggerType* i, BSTR* s) {
  return mapped(s, i, i ? *i : 0, lib::fieldTriggerText);
}
HRESULT FieldObject::GetBorderStyle(BorderStyleType* i, BSTR* s) {
  return mapped(s, i, i ? *i : 0, lib::borderStyleText);
}
HRESULT FieldObject::GetGlyphStyle(GlyphStyleType* i, BSTR* s) { return mapped(s, i, i ? *i : 0, lib::glyphStyleText); }
HRESULT FieldObject::GetHighlight(HighlightType* i, BSTR* s) { return mapped(s, i, i ? *i : 0, lib::highlightText); }

}  // namespace dv::com
