// Annotations, text search and markup on a Document: notes, free text and
// stamps built through the JavaScript object's property protocol, the two
// property records, listing and removing annotations, and the phrase search
// behind the find-and-annotate members and GetTextCoordinates.
//
// Creating members ignore every error (a wrong page leaves no annotation);
// the search members and the listing stop at the first error and raise it
// again with the library's source; the property members raise only when
// the named annotation cannot be found.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "document/document.h"
#include "dv/variant.h"

namespace dv::lib {

// The public record TextAnnotType, field by field in declaration order.
struct TextAnnotRecord {
  std::string Name;
  std::string contents;
  int16_t State = 0;
  int16_t Page = 0;
  Variant Point;
  Variant PopupRect;
  std::string Author;
  std::string Subject;
  std::string NoteIcon;
  Variant StrokeColor;
  bool PopupOpen = false;
  int16_t Width = 0;
  bool Lock = false;
  bool ReadOnly = false;
};

// The public record FreeTextAnnotType.
struct FreeTextAnnotRecord {
  std::string Name;
  std::string contents;
  int16_t Alignment = 0;
  Variant StrokeColor;
  Variant FillColor;
  std::string TextFont;
  int16_t TextSize = 0;
  int16_t Page = 0;
  Variant Rect;
  std::string Author;
  std::string Subject;
  int16_t Width = 0;
  bool Lock = false;
  bool ReadOnly = false;
  int16_t Rotate = 0;
};

// The options a note takes after its page and text (CreateComment,
// CreateTextAnnot).
struct NoteOptions {
  Variant varColor;  // an Acrobat colour array, else the default yellow
  std::string strAuthor, strSubject;
  int16_t intLeftMargin = 0, intTopMargin = 0;
  int32_t lngNoteIcon = 2;
  std::string strName;
  bool blnLock = false, blnReadOnly = false, blnPopupOpen = false;
  int32_t lngNoteState = 0;
  int16_t intBorderWidth = 1;
  float sngOpacity = 1.0f;
};

struct FreeTextOptions {
  Variant varColor;  // text colour, else black
  std::string strAuthor, strSubject, strName;
  bool blnLock = false, blnReadOnly = false;
  int32_t lngAlignment = 0;
  Variant varFillColor;  // else white
  int32_t lngFont = 0;
  int16_t intFontSize = 8;
  int16_t intBorderWidth = 1;
  int32_t lngRotation = 0;
  float sngOpacity = 1.0f;
};

struct StampOptions {
  Variant varColor;  // else red
  std::string strAuthor, strSubject;
  int16_t intLeftMargin = 0, intTopMargin = 0;  // accepted, not used
  int32_t lngStampIcon = 0;
  std::string strName;
  bool blnLock = false, blnReadOnly = false, blnPopupOpen = false;
};

// The page range and comparison every search member takes after its text.
struct SearchRange {
  int32_t lngStartPage = 0, lngEndPage = 0;
  bool blnCaseSensitive = false;
};

struct CommentSearchOptions {
  int32_t lngNoteIcon = 8;
  Variant varColor;
  std::string strAuthor, strSubject;
  int16_t intBorderWidth = 1;
  bool blnLock = false, blnReadOnly = false;
  int32_t lngAlignment = 0;  // accepted, not used: a note has no alignment
  int32_t lngNoteState = 0;
  bool blnTransparent = true;
};

struct MarkupOptions {
  Variant varColor;  // else the member's default colour
  std::string strAuthor, strSubject;
  bool blnLock = false, blnReadOnly = false, blnTransparent = false;
  std::string strContents;
  bool blnHidden = false;
  std::string strName;
  bool blnPopupOpen = false, blnNoView = false, blnToggleNoView = false;
};

struct OverwriteOptions {
  int32_t lngFont = 0;
  Variant varColor, varFillColor;
  bool blnBorder = false;
  int16_t intY = 0;
};

// ---- Creating (errors ignored) ----
void CreateComment(Document& doc, int32_t lngPage, const std::string& strComment, const NoteOptions& o);
void CreateTextAnnot(Document& doc, int32_t lngPage, const std::string& strText, const NoteOptions& o);
void CreateFreeTextAnnot(Document& doc, int32_t lngPage, const Variant& varRectangle, const std::string& strText,
                         const FreeTextOptions& o);
void CreateStampAnnot(Document& doc, int32_t lngPage, const Variant& varRectangle, const std::string& strText,
                      const StampOptions& o);

// ---- Properties through the records ----
TextAnnotRecord GetTextAnnotProperties(Document& doc, const std::string& strName, int32_t lngPage);
FreeTextAnnotRecord GetFreeTextAnnotProperties(Document& doc, const std::string& strName, int32_t lngPage);
void SetTextAnnotProperties(Document& doc, const std::string& strName, int32_t lngPage, const TextAnnotRecord& fldt);
void SetFreeTextAnnotProperties(Document& doc, const std::string& strName, int32_t lngPage,
                                const FreeTextAnnotRecord& fldt);

// ---- Listing and removing (stop on error) ----
// The names of the annotations of a page (lngPage from 1) or of the whole
// document (0), strings in a variant array from 0; the result is their number.
int32_t GetAnnotations(Document& doc, Variant& varAnnots, int32_t lngPage);
int32_t RemoveAnnotations(Document& doc, int32_t lngPage);

// ---- Search (stop on error) ----
// The markup kinds, by their annotation type.
enum class Markup { Highlight, Squiggly, StrikeOut, Underline };

int32_t FindAndCommentText(Document& doc, const std::string& strFindText, const std::string& strText,
                           const SearchRange& range, const CommentSearchOptions& o);
int32_t FindAndMarkupText(Document& doc, Markup kind, const std::string& strFindText, const SearchRange& range,
                          const MarkupOptions& o);
// intWidth 0 becomes 6 points per character of strReplaceText, written back.
int32_t FindAndOverwriteText(Document& doc, const std::string& strFindText, const std::string& strReplaceText,
                             const SearchRange& range, int16_t& intWidth, const OverwriteOptions& o);
// The first quad of the first word of the first match; the 16-bit -1 when
// nothing matches.
Variant GetTextCoordinates(Document& doc, const std::string& strFindText, const SearchRange& range);

// One match of the phrase search: its page index (from 0) and, when asked
// for, the quads Acrobat gives for each of its words.
struct PhraseMatch {
  int32_t page = 0;
  std::vector<Variant> wordQuads;  // per word: GetPageNthWordQuads as returned
  // The first quad of word j (eight numbers).
  Variant firstQuad(size_t j) const;
};
// The phrase search shared by the members above: calls `onMatch` for every
// non-overlapping occurrence, in page and word order, until it returns
// false; the result is the number of matches seen.
int32_t findPhrase(Document& doc, const std::string& strFindText, const SearchRange& range, bool withQuads,
                   const std::function<bool(const PhraseMatch&)>& onMatch);

}  // namespace dv::lib
