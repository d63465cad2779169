// Reading delimited text files into two-dimensional arrays: the public
// TextFileToArray of CreatePDF and Document, and the parsing that the
// composer's text-file tables share.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "dv/host.h"
#include "dv/variant.h"

namespace dv::lib {

// Status results of TextFileToArray.
inline constexpr int16_t kTextFileRead = 1;
inline constexpr int16_t kTextFileCannotOpen = -1;
inline constexpr int16_t kTextFileNotArray = -2;

// The bytes of a text file as UTF-8: a UTF-8 byte-order mark is dropped,
// valid UTF-8 is kept as it is, anything else is read in the system's ANSI
// code page (what Notepad and Excel write such files in on that machine).
std::string decodeTextFile(FileSystem& files, std::string bytes);

// One text split into lines (CR LF, LF or CR) and fields. The delimiter is
// one character; an empty one means ",". A longer delimiter matches nothing,
// so every line becomes a single field. Fields are views into the text,
// which must outlive this object.
class DelimitedText {
 public:
  DelimitedText(std::string_view text, std::string_view delimiter, bool removeQuotes);

  int32_t rowCount() const { return static_cast<int32_t>(lines_.size()); }
  // One more than the largest number of delimiters on a line (at least 1).
  int32_t columnCount() const { return columns_; }

  // Calls f(row, column, field) for every field in row order; a line's
  // trailing delimiter does not open an extra field.
  template <typename F>
  void forEachField(F&& f) const {
    for (size_t row = 0; row < lines_.size(); ++row) {
      std::string_view line = lines_[row];
      int32_t column = 0;
      if (!matchable_) {
        f(static_cast<int32_t>(row), 0, line);
        continue;
      }
      size_t start = 0;
      for (;;) {
        const size_t hit = line.find(delimiter_, start);
        if (hit == std::string_view::npos) {
          // The rest of a line without a trailing delimiter is its last field.
          f(static_cast<int32_t>(row), column, unquote(line.substr(start)));
          break;
        }
        f(static_cast<int32_t>(row), column++, unquote(line.substr(start, hit - start)));
        start = hit + delimiter_.size();
        if (start == line.size()) break;
      }
    }
  }

  // A (0 to rows - 1, 0 to columns - 1) array of the given element type
  // (Variant or String); cells of short lines stay at the type's initial value.
  Array toArray(VarType elementType = VarType::Variant) const;

 private:
  std::string_view unquote(std::string_view field) const {
    if (removeQuotes_ && field.size() >= 2 && field.front() == '"' && field.back() == '"')
      return field.substr(1, field.size() - 2);
    return field;
  }

  std::vector<std::string_view> lines_;
  std::string delimiter_;
  bool matchable_ = true;
  bool removeQuotes_ = false;
  int32_t columns_ = 1;
};

// TextFileToArray: reads strTextFile into varArray, re-dimensioned to
// (0 to lines - 1, 0 to largest delimiter count). Returns kTextFileRead,
// kTextFileCannotOpen or kTextFileNotArray (varArray holds neither an array
// nor Empty; it is left unchanged). Raises nothing.
int16_t TextFileToArray(FileSystem& files, const std::string& strTextFile, Variant& varArray,
                        std::string_view strDelimiter, bool blnRemoveQuotes);

}  // namespace dv::lib
