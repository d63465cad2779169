// The application side of the viewer stand-in: AcroExch.App, AcroExch.AVDoc
// and AcroExch.PDBookmark, over the one shared viewer.
#pragma once

#include <string>

#include "dv/standins/standin.h"
#include "dv/standins/viewer_server.h"

namespace dv::standins {

// "AcroExch.App": MenuItemExecute (the "Open" command with its dialogs, the
// read-aloud commands), GetActiveDoc, Show, Exit, GetNumAVDocs,
// CloseAllDocs.
const ClassDef& acroAppClass();
// "AcroExch.AVDoc": Open, GetPDDoc, Close, PrintPages, PrintPagesSilent,
// BringToFront, GetAVPageView, IsValid, GetTitle.
const ClassDef& acroAVDocClass();
// The page view of a window: GetPageNum, GoTo, GetDoc.
const ClassDef& acroAVPageViewClass();
// "AcroExch.PDBookmark": GetByTitle, Perform, IsValid, GetTitle.
const ClassDef& acroPDBookmarkClass();
// The JavaScript bookmark object (BookMarkRoot and its children).
const ClassDef& jsBookmarkClass();

// A view object on an open document window (App GetActiveDoc, PDDoc
// OpenAVDoc).
ObjectPtr viewObject(const ViewerView& view);
// The root of a document's outline as the JavaScript object shows it
// (doc.bookmarkRoot), read from the real file. The view's page follows a
// bookmark's execute().
ObjectPtr bookmarkRoot(const std::string& path, const std::string& password);
// The root of an open document's outline in memory (doc.bookmarkRoot):
// createChild adds to it, execute performs a bookmark's destination or its
// JavaScript ("this.pageNum = n", "this.scroll(x, y)").
ObjectPtr bookmarkRootOf(std::shared_ptr<ViewerDocument> doc);
// The page of a page view (AVPageView GetPage) and of PDDoc AcquirePage
// (page_words.cpp): GetNumber, GetSize.
const ClassDef& acroPDPageClass();
ObjectPtr pageObject(int32_t number);

// AVDoc FindText: searches the window's document, from the front (reset)
// or after the last text found there (else from its current page), for the
// words of `text`; turns to the page found. The words come from the page
// text as poppler reads it.
bool findTextInView(ViewerView& view, const std::string& text, bool caseSensitive, bool wholeWords, bool reset);
// The "NewBookmark" menu item: an "Untitled" bookmark at the end of the
// front document's outline, leading to the text last found there, else to
// its current page.
bool newBookmark();

// One entry of a PDF's outline.
struct OutlineEntry {
  std::string title;
  int32_t page = -1;  // counted from 0; -1 when it leads nowhere
  std::vector<OutlineEntry> children;
};
// The outline of a real PDF file (empty when it has none or cannot be read).
std::vector<OutlineEntry> readOutline(const std::string& clientPath, const std::string& password);

// The line a print appends to the job record (setting "PrintLog"): the file,
// the pages counted from 1, the printer and how it was printed.
std::string printJobLine(const std::string& file, int32_t first, int32_t last, const std::string& printer, bool silent);

}  // namespace dv::standins
