// The document side of the Word stand-in: reading a stand-in document,
// laying it out on pages and printing the pages as PostScript. Kept free
// of automation so that it can be tested on its own.
//
// A stand-in document is a text file. Lines at its very top of the form
// "#password: <text>" and "#write-password: <text>" protect it like a Word
// document with an open or modify password; the rest is the text. A form
// feed starts a new page; long lines wrap at blanks.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace dv::standins::word {

struct DocumentFile {
  std::string password;       // empty: none
  std::string writePassword;  // empty: none
  std::string text;
};
DocumentFile parseDocumentFile(const std::string& bytes);

enum class Orientation { Portrait = 0, Landscape = 1 };

// Word's WdPageNumberAlignment values used by PageNumbers.Add.
enum class NumberAlignment { Left = 0, Center = 1, Right = 2 };

struct PageNumbers {
  bool present = false;
  NumberAlignment alignment = NumberAlignment::Center;
  bool firstPage = true;  // whether page 1 shows its number
};

// The one font of a whole text document (its Content.Font).
struct TextFont {
  std::string name = "Courier New";
  float size = 10;  // points
  bool bold = false;
  bool italic = false;
  bool underline = false;
  int32_t color = 0;  // Word's colour value: red in the low byte
};

struct Layout {
  Orientation orientation = Orientation::Portrait;
  PageNumbers header;
  PageNumbers footer;
  TextFont font;
  float topMargin = 72, leftMargin = 72, rightMargin = 72, bottomMargin = 72;  // points
};

// US Letter with the layout's margins; lines of the font's size and 1.2
// times that apart (Courier 10 on 12 points with one-inch margins unless
// changed).
struct PageGeometry {
  int width, height;  // points
  int columns, lines;
};
PageGeometry geometry(Orientation orientation);
PageGeometry geometry(const Layout& layout);

// The PostScript font a Word font name prints with: Courier for the
// Courier family, Helvetica for Arial and its kin, Times otherwise, in the
// face bold and italic ask for.
std::string postScriptFont(const TextFont& font);

// The document's text broken into pages of lines.
std::vector<std::vector<std::string>> paginate(const std::string& text, Orientation orientation);
std::vector<std::vector<std::string>> paginate(const std::string& text, const Layout& layout);

// Word's page list ("1-3, 5, 8-"): the page numbers it selects from a
// document of `pageCount` pages, in document order without repeats.
// nullopt when the text is not a valid page list.
std::optional<std::vector<int>> parsePageList(const std::string& pages, int pageCount);

// A PostScript string literal of the bytes of `s`: parentheses and
// backslashes escaped, bytes outside printable ASCII as octal escapes.
std::string psString(const std::string& s);

// The pages (numbers counted from 1) as a DSC-conforming PostScript job.
std::string renderPostScript(const std::vector<std::vector<std::string>>& pages, const std::vector<int>& selected,
                             const Layout& layout, const std::string& title);

}  // namespace dv::standins::word
