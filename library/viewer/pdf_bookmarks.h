// Bookmarks through the viewer: creating them where a text is found
// (CreateBookmarksInPDF, CreateBookmarkInPDF), reading an outline into a
// table (BookmarksToArray) and copying one file's outline to another
// (BookmarksToPDF).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "dv/automation.h"
#include "viewer/viewer_operations.h"

namespace dv::lib {

struct CreateBookmarksRequest {
  std::string pdfFile;
  std::vector<std::string> titles;
  bool caseSensitive = false;
  bool wholeWordsOnly = false;
  bool reset = false;
  OpenPassword open;
  // CreateBookmarkInPDF: one title, and a second pause after renaming.
  bool single = false;
};

// The titles of varBookmarkTitles (a variant holding a one-dimensional
// array), from its lower to its upper bound.
std::vector<std::string> bookmarkTitles(const Variant& titles);

// CreateBookmarksInPDF / CreateBookmarkInPDF: for each title the viewer
// finds, a bookmark of that title leading to the found text; saved in place.
void createBookmarksInPdf(ViewerContext& ctx, const CreateBookmarksRequest& request);

// One bookmark as BookmarksToArray and BookmarksToPDF read it.
struct BookmarkRow {
  std::string name;
  int32_t level = 1;  // 1 for a top-level bookmark
  Variant page;       // zero-based page the view shows after the bookmark ran
  Variant x, y;       // the JavaScript document's mouseX and mouseY then (Empty when not read)
};

// BookmarksToArray: the bookmark table in `bookmarks` (rows 0 to count - 1;
// columns name, level, page and, from viewer version 7.0, mouseX and
// mouseY); the number of bookmarks. Errors are skipped statement by
// statement; the count reached is returned.
int32_t bookmarksToArray(ViewerContext& ctx, const std::string& pdfFile, Variant& bookmarks);

// BookmarksToPDF: the source's outline, re-created in the target as
// bookmarks with JavaScript actions; the number of bookmarks read, -1 when
// writing the target failed.
int32_t bookmarksToPdf(ViewerContext& ctx, const std::string& sourcePdf, const std::string& targetPdf);

// The JavaScript action of a copied bookmark: "this.pageNum = <page>", and
// from viewer version 7.0 ";this.scroll(<x>,<y>);" where both values exist.
std::string bookmarkAction(const BookmarkRow& row, double viewerVersion);

}  // namespace dv::lib
