// The objects of Word's object model a document composed through
// automation hands out: Range, Font, Paragraphs, Paragraph,
// ParagraphFormat, Bookmarks, Bookmark, Find, Replacement, Shapes, Shape;
// and the composing members of Document and PageSetup. Their state is the
// document's model (composed_document.h).
#pragma once

#include <functional>
#include <memory>

#include "dv/standins/standin.h"
#include "word/word_state.h"

namespace dv::standins::word {

const ClassDef& rangeClass();
const ClassDef& fontClass();
const ClassDef& paragraphsClass();
const ClassDef& paragraphClass();
const ClassDef& paragraphFormatClass();
const ClassDef& bookmarksClass();
const ClassDef& bookmarkClass();
const ClassDef& findClass();
const ClassDef& replacementClass();
const ClassDef& shapesClass();
const ClassDef& shapeClass();

// The document of the object a member is called on.
using DocOf = std::function<std::shared_ptr<DocState>(Invocation&)>;

// Document: Content, Paragraphs, Bookmarks, Shapes, Save, SaveAs.
void declareComposingDocumentMembers(ClassDef& document, const DocOf& docOf);
// PageSetup: PaperSize, the margins, HeaderDistance, FooterDistance,
// PageWidth, PageHeight.
void declareComposingPageSetupMembers(ClassDef& pageSetup, const DocOf& docOf);

// Content of a document opened from a file: a range whose Font is the
// whole text's (text_font.cpp).
const ClassDef& textRangeClass();
const ClassDef& textFontClass();
Variant textContent(const std::shared_ptr<DocState>& doc);

// What Documents.Add makes: a new empty document named "DocumentN".
std::shared_ptr<DocState> newComposedDocument(const std::shared_ptr<WordState>& word);

// The document's PostScript when printed (composed documents only).
std::string composedPostScript(const DocState& doc, const std::string& title);

// A picture file as the model keeps it: JPEG as it is, other formats
// turned into an EPS program by img2pdf and pdftops. Raises Word's error
// for a file that is missing or no picture.
Picture loadPicture(const std::string& path);

}  // namespace dv::standins::word
