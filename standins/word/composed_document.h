// The document model of a Word document composed through automation
// (Documents.Add): characters with their font, paragraph marks with their
// paragraph format, page breaks, pictures, page setup and page numbers.
// It prints as PostScript with Ghostscript's standard fonts and saves as
// RTF. Kept free of automation so that it can be tested on its own.
//
// As in Word, the text is one story of characters in which "\r" is a
// paragraph mark, "\f" a page break and "\v" a line break; a paragraph is
// the characters up to and including its mark, and the last mark (the
// final paragraph mark) can never be deleted or have anything after it.
// Text inserted at the end goes in front of the final mark; a paragraph
// mark inserted there splits the last paragraph, so the part before it ends
// with the new mark and the final mark goes on as the (empty) last
// paragraph: an object holding "the last paragraph" then addresses it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace dv::standins::word {

struct CharFormat {
  std::string name = "Times New Roman";
  float size = 12;
  int32_t color = 0;  // Word's colour value: red in the low byte
  bool bold = false;
  bool italic = false;
  bool underline = false;
  bool strikethrough = false;
  bool operator==(const CharFormat&) const = default;
};

struct ParagraphFormat {
  int32_t alignment = 0;  // WdParagraphAlignment: left, centre, right, justify
  float spaceAfter = 0;   // points
  bool operator==(const ParagraphFormat&) const = default;
};

struct PageSetup {
  int32_t paperSize = 2;                      // WdPaperSize
  float paperWidth = 612, paperHeight = 792;  // portrait points
  int32_t orientation = 0;
  float topMargin = 72, bottomMargin = 72, leftMargin = 90, rightMargin = 90;
  float headerDistance = 36, footerDistance = 36;
  float pageWidth() const { return orientation == 1 ? paperHeight : paperWidth; }
  float pageHeight() const { return orientation == 1 ? paperWidth : paperHeight; }
};

// Portrait width and height in points of a WdPaperSize; nullopt for
// wdPaperCustom (41) and values Word does not know.
std::optional<std::pair<float, float>> paperDimensions(int32_t paperSize);

struct PageNumbering {
  bool present = false;
  int32_t alignment = 2;  // WdPageNumberAlignment: left, centre, right, inside, outside
  bool firstPage = true;
};

struct Picture {
  enum class Kind { Jpeg, Eps };
  Kind kind = Kind::Jpeg;
  std::string data;      // JPEG bytes, or the EPS program of another format
  std::string original;  // the file as inserted (RTF embeds JPEG and PNG)
  std::string format;    // "jpeg", "png", "gif", "bmp", "tiff"
  int pixelWidth = 0, pixelHeight = 0, components = 3;
  float left = 0, top = 0, width = 0, height = 0;  // points
  bool positioned = false;                         // Left/Top given: from the margin and the paragraph's top
  uint32_t anchorMark = 0;                         // the paragraph it is anchored to
};

// What a picture file is: format, pixel size, resolution (dots per inch as
// the file records it, 96 when it records none) and colour components.
struct ImageFacts {
  std::string format;
  int width = 0, height = 0, components = 3;
  double dpiX = 96, dpiY = 96;
};
std::optional<ImageFacts> imageFacts(const std::string& bytes);

// A position range that follows the edits of the story, as Word's Range
// objects do: text inserted before it moves it, text inserted at its start
// goes in front of it.
struct LivePosition {
  size_t start = 0, end = 0;
};

class ComposedDocument {
 public:
  ComposedDocument();

  // The story as UTF-8 (marks as "\r").
  std::string text() const;
  std::string text(size_t start, size_t end) const;
  size_t size() const { return cells_.size(); }

  // A range the document keeps up to date while it lives.
  std::shared_ptr<LivePosition> track(size_t start, size_t end);

  // Inserts UTF-8 text at `at` (clamped in front of the final mark). CR LF,
  // CR and LF become paragraph marks, 11 a line break, 12 a page break.
  // Returns the number of characters inserted.
  size_t insert(size_t at, const std::string& text);
  // Replaces start..end with text; the final mark stays. Returns the end of
  // the new text.
  size_t replace(size_t start, size_t end, const std::string& text);

  // Paragraphs, identified by the id of their mark.
  std::vector<uint32_t> paragraphMarks() const;
  uint32_t lastParagraph() const;
  // start..end (end past the mark); nullopt once the mark is gone.
  std::optional<std::pair<size_t, size_t>> paragraphRange(uint32_t mark) const;
  // The paragraph holding position `at`.
  uint32_t paragraphAt(size_t at) const;
  ParagraphFormat& paragraphFormat(uint32_t mark);

  // Character formatting of start..end.
  CharFormat charFormat(size_t at) const;
  void formatChars(size_t start, size_t end, const std::function<void(CharFormat&)>& change);

  // Replaces every match within start..end (the first `limit` when it is
  // above 0); returns the number of matches replaced. Matches run across
  // changes of formatting; the replacement takes the formatting of the
  // match's first character.
  int replaceAll(size_t start, size_t end, const std::string& find, const std::string& replacement, bool matchCase,
                 bool matchWholeWord, int limit = 0);
  // Where the matches start.
  std::vector<size_t> matches(size_t start, size_t end, const std::string& find, bool matchCase, bool matchWholeWord,
                              int limit = 0) const;

  PageSetup setup;
  PageNumbering header, footer;
  std::vector<Picture> pictures;

  // Printing: pages laid out with the fonts' metrics, as a DSC PostScript job.
  std::string postScript(const std::string& title) const;
  int pageCount() const;
  // The document as RTF.
  std::string rtf() const;

 private:
  struct Cell {
    char32_t ch;
    uint32_t format;  // index into formats_
    uint32_t mark;    // id of a paragraph mark, 0 for other characters
  };
  uint32_t internFormat(const CharFormat& format);
  void shift(size_t at, long delta);

  std::vector<Cell> cells_;
  std::vector<CharFormat> formats_;
  std::vector<std::pair<uint32_t, ParagraphFormat>> paragraphFormats_;  // by mark id
  uint32_t nextMark_ = 1;
  std::vector<std::weak_ptr<LivePosition>> positions_;

  friend class Typesetter;
};

// The text of an RTF file as UTF-8, one "\n" per paragraph or line break:
// what Word shows of a document it opens. Destinations that are no text
// (font and colour tables, style sheets, pictures, "{\*...}") are left out;
// \'hh bytes are code page 1252, \uN characters replace their fallback.
std::string rtfPlainText(const std::string& rtf);

}  // namespace dv::standins::word
