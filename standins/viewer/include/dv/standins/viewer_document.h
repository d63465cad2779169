// The document side of the Acrobat stand-in: AcroExch.PDDoc and the
// JavaScript object of an open document (with its App object).
//
// Documents are real PDF files: page count, document information, IDs,
// page mode, form field names and attachments come from the file; Save and
// SaveAs write real files (dv-pdftool, and poppler for other formats). What a
// file does not hold (base URL, calculation flags, document scripts) lives
// in the stand-in's state for as long as the document is open.
//
// The application side (AcroExch.App, AVDoc windows and the viewer's
// dialogs) sits beside this in the same type library and opens documents
// through openViewerDocument().
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "dv/standins/file_hold.h"
#include "dv/standins/pdf_file.h"
#include "dv/standins/standin.h"
#include "dv/standins/viewer_outline.h"

namespace dv::standins {

struct FormState;

// The "Acrobat" type library of the viewer's automation classes.
const TypeLibDef& acrobatTypeLib();
// "AcroExch.PDDoc".
const ClassDef& pdDocClass();
// The JavaScript Doc object (from PDDoc.GetJSObject) and its App object.
// JavaScript names are case-sensitive, so these classes are too.
const ClassDef& jsDocClass();
const ClassDef& jsAppClass();

struct PageWords;      // page_words.cpp
struct AnnotationSet;  // annotations.cpp

// One open document, shared by the PDDoc and JavaScript objects on it.
struct ViewerDocument : std::enable_shared_from_this<ViewerDocument> {
  std::string path;  // as the client named it
  PdfFacts facts;
  PdfChanges pending;  // written at the next save
  std::map<std::string, std::string> info;
  int32_t pageMode = 1;
  std::vector<std::string> fields;
  std::shared_ptr<FormState> form;  // the fields themselves, read when first needed
  std::vector<std::string> dataObjects;
  std::map<std::string, std::string> scripts;
  std::map<std::string, std::string> importedFiles;  // data object -> source file
  bool dirty = false;
  bool closed = false;
  // The viewer holds the file of an open document.
  std::shared_ptr<FileHold> hold;
  void close() {
    closed = true;
    hold.reset();
    words.reset();
  }
  // The outline in memory (documentOutline), and whether it differs from the file's.
  OutlinePtr outline;
  bool outlineChanged = false;
  // State a file does not hold.
  std::string layout = "SinglePage";
  std::string baseURL, metaData;
  bool calculate = true, disclosed = false, noAutoComplete = false, noCache = false;
  // The pages as the page operations left them: a working copy with every
  // change made so far, which a save writes out. Until the first page
  // operation the document's own file.
  std::shared_ptr<PageSnapshot> working;
  const std::string& contentFile() const { return working ? working->file : path; }
  // Page words and annotations, read from the file when first needed.
  std::shared_ptr<PageWords> words;
  std::shared_ptr<AnnotationSet> annotations;
};

// Opens a real PDF; nothing when it is missing, damaged, or encrypted with
// an open password other than `password`. Facts already read from the file
// (`known`) spare reading it again while its size is still theirs.
std::shared_ptr<ViewerDocument> openViewerDocument(const std::string& path, const std::string& password = {},
                                                   std::shared_ptr<const PdfFacts> known = nullptr);
// A PDDoc on a document the viewer has open: the viewer already knows the
// open password its dialog was given, which PDDoc.Open cannot take.
ObjectPtr pdDocOnViewerFile(const std::string& path, const std::string& password,
                            std::shared_ptr<const PdfFacts> known = nullptr);
// Writes the document (with its pending changes) to `target` and makes
// that the document's file. False when writing fails.
bool saveViewerDocument(ViewerDocument& doc, const std::string& target, bool linearize = false);

// The JavaScript object for a document (what PDDoc.GetJSObject returns).
ObjectPtr makeJsDoc(std::shared_ptr<ViewerDocument> doc);
// The document of a call on the JavaScript object; raises when it is closed.
std::shared_ptr<ViewerDocument> jsDocument(Invocation& inv);

// The document's outline in memory, read from its file on first use.
OutlinePtr documentOutline(ViewerDocument& doc);
// The document a PDDoc object has open; nullptr for any other object.
std::shared_ptr<ViewerDocument> pdDocDocument(const ObjectPtr& pdDoc);

// PDDoc Create (a new document without pages, not yet a file),
// InsertPages (pages and outline taken from the source at the call) and
// SetFlags; `slot` reaches the document a PDDoc has open (merge_pages.cpp).
void addPdDocMergeMembers(ClassDef& c, std::shared_ptr<ViewerDocument>& (*slot)(Invocation&));

}  // namespace dv::standins
