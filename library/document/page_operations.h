// The Document's page members: inserting, deleting, moving, replacing and
// extracting pages, new pages, thumbnails, web links, templates,
// rotations, labels, tab order, flattening, watermarks and word access.
// Each translates its 1-based public page numbers into the 0-based
// arguments of one or more calls on the document's JavaScript object.
//
// Page rules (NumPages is read from the JavaScript object at the call):
//   S(p)  = p - 1 when p > 0, else 0          (Document::startPageIndex)
//   S'(p) = p - 1 when p > 0, else p          (Document::keptStartIndex)
//   E(p)  = p - 1 when p > 0, else NumPages - 1 (Document::endPageIndex)
// No member compares a page with NumPages: the viewer rejects pages out of
// range with its own error, which reaches the client unchanged.
#pragma once

#include <cstdint>
#include <string>

#include "document/document.h"

namespace dv::lib {

// Both 0: the JavaScript member without arguments (all pages); otherwise
// (S(start), E(end)).
void AddThumbnails(Document& doc, int32_t lngStartPage, int32_t lngEndPage);
void RemoveThumbnails(Document& doc, int32_t lngStartPage, int32_t lngEndPage);
// The number of links the viewer reports.
int32_t AddWebLinks(Document& doc, int32_t lngStartPage, int32_t lngEndPage);
int32_t RemoveWebLinks(Document& doc, int32_t lngStartPage, int32_t lngEndPage);

void DeletePages(Document& doc, int32_t lngStartPage, int32_t lngEndPage);
void ExtractPages(Document& doc, int32_t lngStartPage, int32_t lngEndPage, const std::string& strPath);
void InsertPages(Document& doc, const std::string& strSourcePDF, int32_t lngInsertAfterPage, int32_t lngStartPage,
                 int32_t lngEndPage);
void ReplacePages(Document& doc, const std::string& strSourcePDF, int32_t lngReplaceStartPage, int32_t lngStartPage,
                  int32_t lngEndPage);
void MovePage(Document& doc, int32_t lngPage, int32_t lngMoveAfterPage);
void NewPage(Document& doc, int32_t lngInsertAfterPage);

void CreateTemplate(Document& doc, int32_t lngPage);
void SpawnPageFromTemplate(Document& doc, const std::string& strTemplate, int32_t lngPage, bool blnRenameFields,
                           bool blnOverlayPage);

// The rotation goes by reference and comes back as it was.
void SetPageRotations(Document& doc, int32_t lngStartPage, int32_t lngEndPage, int32_t& lngRotation);
int16_t GetPageRotation(Document& doc, int32_t lngPage);
void SetPageLabels(Document& doc, int32_t lngStartPage, int32_t lngPageNumberStyle,
                   const std::string& strPageNumberPrefix, int32_t lngFirstPageNumber);
std::string GetPageLabel(Document& doc, int32_t lngPage);
void SetPageTabOrder(Document& doc, int32_t lngPage, int32_t lngPageTabOrder);
void FlattenPages(Document& doc, int32_t lngStartPage, int32_t lngEndPage);

std::string GetPageNthWord(Document& doc, int32_t lngPage, int16_t intWordIndex, bool blnStrip);
Variant GetPageNthWordQuads(Document& doc, int32_t lngPage, int16_t intWordIndex);
// Stops on error: the first failing call is raised again with its number
// and description. varPages receives the per-page counts (16-bit, from 0).
int32_t GetPagesWordCount(Document& doc, int32_t lngPage, Variant& varPages);

struct WatermarkPlacement {
  int32_t lngStartPage = 0, lngEndPage = 0;
  bool blnOnTop = true, blnOnScreen = true, blnOnPrint = true;
  float sngScale = 1.0f, sngOpacity = 1.0f;
  int16_t intHorizAlign = 1, intVertAlign = 1, intHorizValue = 0, intVertValue = 0;
  bool blnPercentage = false, blnFixedPrint = false;
  int32_t lngRotation = 0;
};
void AddWatermarkFromFile(Document& doc, const std::string& strSourcePDF, int32_t lngSourcePage,
                          const WatermarkPlacement& at);
struct WatermarkText {
  std::string strText;
  int32_t lngAlignment = 0, lngFont = 0;
  int16_t intTextSize = 24;
  Variant varColor;  // an array, or anything else for Color.black
  bool blnIncludePageNo = false;
  int32_t lngPageNoSeed = 0;
};
void AddWatermarkFromText(Document& doc, const WatermarkText& text, const WatermarkPlacement& at);

}  // namespace dv::lib
