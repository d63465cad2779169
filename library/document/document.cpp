#include "document/document.h"

#include "data/collection.h"
#include "data/delimited_text.h"
#include "document/mappings.h"
#include "dv/vb.h"
#include "frame/library_values.h"

namespace dv::lib {

Document::Document(Host services) : DocumentCore(services) {
  // Errors are ignored: a document that does not open leaves this object
  // empty, and the failure shows at the first member that needs Acrobat.
  try {
    ObjectPtr pdDoc = host().automation.createObject(kPDDocProgId);
    if (!pdDoc) return;
    Variant pathArg(path());
    const Variant opened = pdDoc->get("Open", {pos(Variant::ref(pathArg))});
    if (!vb::CBool(opened)) return;
    pdDoc_ = std::move(pdDoc);
    try {
      js_ = asObject(pdDoc_->get("GetJSObject"));
    } catch (const AutomationError&) {
      js_.reset();
    }
    isOpen_ = true;
  } catch (const AutomationError&) {
  }
}

Document::~Document() {
  if (!isOpen_) return;
  try {
    jsObject().call("CloseDoc", {pos(true)});
  } catch (const AutomationError&) {
  }
}

Object& Document::pdDoc() {
  if (!pdDoc_) vb::raise(vb::kObjectNotSet);
  return *pdDoc_;
}

Object& Document::jsObject() {
  if (!js_) vb::raise(vb::kObjectNotSet);
  return *js_;
}

// ---- Viewer information ----

std::string Document::appText(std::string_view property) {
  return vb::CStr(asObject(jsObject().get("App"))->get(property));
}

std::string Document::AcrobatFormsVersion() { return appText("formsVersion"); }
std::string Document::AcrobatLanguage() { return appText("language"); }
std::string Document::AcrobatPlatform() { return appText("platform"); }
std::string Document::AcrobatViewerType() { return appText("viewerType"); }
std::string Document::AcrobatViewerVariation() { return appText("viewerVariation"); }
std::string Document::AcrobatViewerVersion() { return appText("viewerVersion"); }

// ---- Properties ----

std::string Document::textProperty(std::string_view name) {
  // JavaScript answers null where a document has no such text (no
  // security handler, for one); that reads as an empty text, not an error.
  const Variant value = jsObject().get(name);
  return value.isNull() ? std::string() : vb::CStr(value);
}
bool Document::boolProperty(std::string_view name) { return vb::CBool(jsObject().get(name)); }
int32_t Document::longProperty(std::string_view name) { return vb::CLng(jsObject().get(name)); }
double Document::dateProperty(std::string_view name) { return vb::CDate(jsObject().get(name)); }
Variant Document::variantProperty(std::string_view name) { return jsObject().get(name); }
void Document::letProperty(std::string_view name, const Variant& value) { jsObject().let(name, value); }

// Info dictionary keys are case-sensitive: the document's keywords are
// "Keywords" (a "KeyWords" entry would be a private key no reader shows).
std::string Document::KeyWords() { return vb::CStr(pdDoc().get("GetInfo", {pos("Keywords")})); }
void Document::KeyWords(const std::string& value) { pdDoc().call("SetInfo", {pos("Keywords"), pos(value)}); }
std::string Document::InstanceID() { return vb::CStr(pdDoc().get("GetInstanceID")); }
std::string Document::PermanentID() { return vb::CStr(pdDoc().get("GetPermanentID")); }
std::string Document::PageMode() { return vb::CStr(pdDoc().get("GetPageMode")); }

// ---- Operations ----

void Document::CloseDoc() {
  try {
    jsObject().call("CloseDoc", {pos(true)});
  } catch (const AutomationError&) {
  }
  isOpen_ = false;
}

void Document::Save(int32_t lngSave, const Variant& strPDF) {
  if (lngSave != 0 && lngSave != 1) lngSave = 0;
  std::string target = vb::IsMissing(strPDF) ? std::string() : vb::CStr(strPDF);
  // Without a path the document goes back to its own file. (Taking the
  // thread's most recent OpenDocument path instead would write this
  // document over another one opened after it.)
  if (vb::Trim(target).empty()) target = path();
  Variant type(lngSave);
  const Variant saved = pdDoc().call("Save", {pos(Variant::ref(type)), pos(target)});
  // The PDDoc reports a failed write through its result only; a Save that
  // wrote nothing must not look like one that did.
  if (saved.type() == VarType::Bool && !saved.boolValue())
    vb::raiseLibrary("The document could not be saved to " + target + ".");
}

std::string Document::GetFileType(int32_t i) const { return fileTypeText(i, libraryValues().AcrobatVersionText); }

void Document::SaveAs(const std::string& strPath, int32_t lngFileType) {
  if (lngFileType != 0) jsObject().call("SaveAs", {pos(strPath), pos(GetFileType(lngFileType))});
  else jsObject().call("SaveAs", {pos(strPath)});
}

bool Document::SetPageView(int32_t lngPageView) { return vb::CBool(pdDoc().get("SetPageMode", {pos(lngPageView)})); }

int32_t Document::endPageIndex(int32_t e) {
  if (e > 0) return e - 1;
  return longProperty("NumPages") - 1;
}

void Document::PrintDocument(bool blnShowWindow, int32_t lngStartPage, int32_t lngEndPage, bool blnSilent,
                             bool blnShrinkToFit, bool blnPrintAsImage, bool blnReverse, bool blnAnnotations) {
  // Unlike the common rule, a start page of 0 or below is passed unchanged.
  const int32_t start = lngStartPage > 0 ? lngStartPage - 1 : lngStartPage;
  const int32_t end = endPageIndex(lngEndPage);
  jsObject().call("Print", {pos(blnShowWindow), pos(start), pos(end), pos(blnSilent), pos(blnShrinkToFit),
                            pos(blnPrintAsImage), pos(blnReverse), pos(blnAnnotations)});
}

void Document::GetURL(const std::string& strURL, bool blnAppend) {
  jsObject().call("GetURL", {pos(strURL), pos(blnAppend)});
}

void Document::CalculateNow() { jsObject().call("CalculateNow"); }

bool Document::AttachFile(const std::string& strName, const std::string& strFile) {
  return vb::CBool(jsObject().get("importDataObject", {pos(strName), pos(strFile)}));
}

void Document::ExportDataObject(const std::string& strName, const std::string& strPath, bool blnAllowAuthorization) {
  jsObject().call("ExportDataObject", {pos(strName), pos(strPath), pos(blnAllowAuthorization), pos(int16_t{0})});
}

void Document::removeNamed(std::string_view member, const std::string& strName) {
  jsObject().call(member, {pos(strName)});
}

void Document::AddScript(const std::string& strName, const std::string& strScript) {
  jsObject().call("AddScript", {pos(strName), pos(strScript)});
}

std::string Document::GetNthFieldName(int16_t intIndex) {
  return vb::CStr(jsObject().get("GetNthFieldName", {pos(intIndex)}));
}

std::string Document::GetNthTemplate(int16_t intIndex) {
  return vb::CStr(jsObject().get("GetNthTemplate", {pos(intIndex)}));
}

Array Document::GetFieldsArray() {
  std::vector<Variant> names;
  int32_t count = 0;
  try {
    count = longProperty("NumFields");
  } catch (const AutomationError&) {
  }
  for (int32_t i = 0; i < count; ++i) {
    names.emplace_back(std::string());
    try {
      names.back() = Variant(vb::CStr(jsObject().get("GetNthFieldName", {pos(i)})));
    } catch (const AutomationError&) {
      // The name stays empty; the next one is still read.
    }
  }
  // Variant elements holding the names: script clients index and walk
  // variant arrays, while typed arrays defeat some script engines.
  return Array::vector(VarType::Variant, std::move(names));
}

std::shared_ptr<Collection> Document::GetFields() {
  auto fields = std::make_shared<Collection>();
  int32_t count = 0;
  try {
    count = longProperty("NumFields");
  } catch (const AutomationError&) {
    return fields;
  }
  for (int32_t i = 0; i < count; ++i) {
    try {
      fields->add(Variant(vb::CStr(jsObject().get("GetNthFieldName", {pos(i)}))));
    } catch (const AutomationError&) {
    }
  }
  return fields;
}

void Document::GetField(const std::string& strName) { putFieldHandOff(FieldHandOff{strName, js_}); }

int16_t Document::TextFileToArray(const std::string& strTextFile, Variant& varArray, std::string_view strDelimiter,
                                  bool blnRemoveQuotes) {
  return lib::TextFileToArray(host().files, strTextFile, varArray, strDelimiter, blnRemoveQuotes);
}

}  // namespace dv::lib
