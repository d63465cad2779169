// Page text and annotations of the viewer stand-in's documents: the words
// of a page with their quads (poppler's words, read once per document and
// kept), PDDoc.AcquirePage with its size, and the comment and markup
// annotations of the JavaScript object, read from the file and written back
// to it when the document is saved (dv-pdftool's "setAnnotations").
#pragma once

#include "dv/standins/standin.h"
#include "dv/standins/viewer_document.h"

namespace dv::standins {

// How a member of the PDDoc or JavaScript class reaches its open document
// (raising Acrobat's error when it is closed).
using DocumentOf = ViewerDocument& (*)(Invocation&);

// getPageNumWords, GetPageNthWord, GetPageNthWordQuads on the JavaScript object.
void addPageWordMembers(ClassDef& jsDoc, DocumentOf js);
// The page operations of the JavaScript object (page_operations.cpp).
void addPageOperationMembers(ClassDef& jsDoc, DocumentOf js);
// AcquirePage on the PDDoc.
void addPageMembers(ClassDef& pdDoc, DocumentOf pd);
// addAnnot, getAnnots, GetAnnot, syncAnnotScan and Color on the JavaScript object.
void addAnnotationMembers(ClassDef& jsDoc, DocumentOf js);

const ClassDef& acroPointClass();
const ClassDef& jsColorClass();
const ClassDef& jsAnnotClass();
const ClassDef& jsAnnotPropsClass();

}  // namespace dv::standins
