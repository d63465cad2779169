// The portable core of the Document object: one PDF opened as an
// AcroExch.PDDoc (never in a viewer window) and the Acrobat JavaScript
// object of that document, through which nearly every member works.
//
// Creation never fails: when the file cannot be opened the object holds no
// Acrobat objects, and every later member that needs one raises "Object
// variable or With block variable not set" (91), like a call on an empty
// object reference; members whose errors are ignored return their defaults.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "data/collection.h"
#include "dv/automation.h"
#include "dv/host.h"
#include "dv/variant.h"
#include "frame/objects.h"

namespace dv::lib {

// ProgID of the document object the core opens.
inline constexpr const char* kPDDocProgId = "AcroExch.PDDoc";

class Document : public DocumentCore {
 public:
  // Opens the path that CreatePDF.OpenDocument left in the thread's
  // OpenDocumentPath. Errors are ignored.
  explicit Document(Host host);
  // Closes the JavaScript document without saving unless CloseDoc did.
  ~Document() override;

  bool isOpen() const { return isOpen_; }
  // The Acrobat objects for the members of later parts; raise 91 when the
  // open failed.
  Object& pdDoc();
  Object& jsObject();
  // The JavaScript object as held (nothing when the open failed).
  const ObjectPtr& javaScriptObject() const { return js_; }
  // Depth counter of the bookmark walk.
  int16_t BookmarkLevel = 0;

  // ---- Viewer information: App.<property> as text ----
  std::string AcrobatFormsVersion();
  std::string AcrobatLanguage();
  std::string AcrobatPlatform();
  std::string AcrobatViewerType();
  std::string AcrobatViewerVariation();
  std::string AcrobatViewerVersion();

  // ---- Document properties, read and written on the JavaScript object ----
  std::string textProperty(std::string_view name);
  bool boolProperty(std::string_view name);
  int32_t longProperty(std::string_view name);
  double dateProperty(std::string_view name);      // an OLE date
  Variant variantProperty(std::string_view name);  // arrays, passed on as they come
  void letProperty(std::string_view name, const Variant& value);

  // ---- Document properties held by the PDDoc ----
  std::string KeyWords();
  void KeyWords(const std::string& value);
  std::string InstanceID();
  std::string PermanentID();
  std::string PageMode();

  // ---- Document-level operations ----
  // The JavaScript object itself; nothing when the open failed.
  ObjectPtr CreateJavaScriptObject() const { return js_; }
  void CloseDoc();  // errors ignored
  // lngSave other than 0 or 1 counts as 0 (incremental). An empty or
  // missing strPDF saves to the file this document was opened from.
  void Save(int32_t lngSave, const Variant& strPDF);
  void SaveAs(const std::string& strPath, int32_t lngFileType);
  bool SetPageView(int32_t lngPageView);
  void PrintDocument(bool blnShowWindow, int32_t lngStartPage, int32_t lngEndPage, bool blnSilent, bool blnShrinkToFit,
                     bool blnPrintAsImage, bool blnReverse, bool blnAnnotations);
  void GetURL(const std::string& strURL, bool blnAppend);
  void CalculateNow();
  bool AttachFile(const std::string& strName, const std::string& strFile);
  void ExportDataObject(const std::string& strName, const std::string& strPath, bool blnAllowAuthorization);
  // RemoveDataObject, DeleteSound, RemoveIcon, RemoveScript, RemoveTemplate
  // and RemoveField: the JavaScript member of the same name with strName.
  void removeNamed(std::string_view member, const std::string& strName);
  void AddScript(const std::string& strName, const std::string& strScript);
  std::string GetNthFieldName(int16_t intIndex);
  std::string GetNthTemplate(int16_t intIndex);
  // Field names (strings in a variant array from 0); empty when there are none or
  // the names cannot be read (errors ignored).
  Array GetFieldsArray();
  // A new collection of the field names, in index order (errors ignored).
  std::shared_ptr<Collection> GetFields();
  // Puts the name and the JavaScript object into the thread's field
  // hand-off, for the Field the caller creates next.
  void GetField(const std::string& strName);
  int16_t TextFileToArray(const std::string& strTextFile, Variant& varArray, std::string_view strDelimiter,
                          bool blnRemoveQuotes);
  // The conversion identifier SaveAs sends for a PDFFileType, by the
  // thread's recorded viewer version.
  std::string GetFileType(int32_t i) const;

  // Page conversion of the JavaScript calls: a start page s becomes s - 1
  // when positive, else 0; an end page e becomes e - 1 when positive, else
  // the last page (NumPages - 1, read from the document).
  static int32_t startPageIndex(int32_t s) { return s > 0 ? s - 1 : 0; }
  // The start rule that keeps a value of 0 or below as it is.
  static int32_t keptStartIndex(int32_t s) { return s > 0 ? s - 1 : s; }
  int32_t endPageIndex(int32_t e);

 private:
  std::string appText(std::string_view property);

  ObjectPtr pdDoc_;
  ObjectPtr js_;
  bool isOpen_ = false;
};

}  // namespace dv::lib
