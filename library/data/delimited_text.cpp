#include "data/delimited_text.h"

#include <algorithm>
#include <cstdint>
#include <exception>
#include <optional>
#include <utility>

namespace dv::lib {

namespace {

// Length of the well-formed UTF-8 sequence at s[i], or 0.
size_t utf8SequenceLength(std::string_view s, size_t i) {
  const auto b = static_cast<unsigned char>(s[i]);
  size_t n;
  uint32_t min;
  if (b < 0x80) return 1;
  if ((b & 0xE0) == 0xC0) {
    n = 2;
    min = 0x80;
  } else if ((b & 0xF0) == 0xE0) {
    n = 3;
    min = 0x800;
  } else if ((b & 0xF8) == 0xF0) {
    n = 4;
    min = 0x10000;
  } else return 0;
  if (i + n > s.size()) return 0;
  uint32_t cp = b & (0x7F >> n);
  for (size_t k = 1; k < n; ++k) {
    const auto c = static_cast<unsigned char>(s[i + k]);
    if ((c & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (c & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return n;
}

bool isUtf8(std::string_view s) {
  size_t i = 0;
  while (i < s.size()) {
    // Plain ASCII runs dominate delimited files; skip them eight at a time.
    while (i + 8 <= s.size()) {
      uint64_t chunk = 0;
      for (size_t k = 0; k < 8; ++k) chunk |= static_cast<uint64_t>(static_cast<unsigned char>(s[i + k])) << (8 * k);
      if (chunk & 0x8080808080808080ull) break;
      i += 8;
    }
    if (i >= s.size()) break;
    const size_t n = utf8SequenceLength(s, i);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

bool isSingleCharacter(std::string_view s) {
  if (s.empty()) return false;
  const size_t n = utf8SequenceLength(s, 0);
  return n != 0 ? n == s.size() : s.size() == 1;
}

}  // namespace

std::string decodeTextFile(FileSystem& files, std::string bytes) {
  if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) bytes.erase(0, 3);
  if (isUtf8(bytes)) return bytes;
  return files.fromAnsi(bytes);
}

DelimitedText::DelimitedText(std::string_view text, std::string_view delimiter, bool removeQuotes)
    : delimiter_(delimiter.empty() ? std::string(",") : std::string(delimiter)), removeQuotes_(removeQuotes) {
  matchable_ = isSingleCharacter(delimiter_);

  // First pass: the lines, and the most delimiters any of them holds.
  size_t most = 0;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    lines_.push_back(line);
    if (matchable_) {
      size_t count = 0;
      if (delimiter_.size() == 1) {
        count = static_cast<size_t>(std::count(line.begin(), line.end(), delimiter_[0]));
      } else {
        for (size_t hit = line.find(delimiter_); hit != std::string_view::npos;
             hit = line.find(delimiter_, hit + delimiter_.size()))
          ++count;
      }
      most = std::max(most, count);
    }
    pos = end;
    if (pos < text.size() && text[pos] == '\r') ++pos;
    if (pos < text.size() && text[pos] == '\n') ++pos;
  }
  // Indexes are 32-bit; a line with more delimiters than that cannot be
  // addressed anyway and gets its overflow dropped.
  columns_ = static_cast<int32_t>(std::min<size_t>(most, INT32_MAX - 1) + 1);
}

Array DelimitedText::toArray(VarType elementType) const {
  const auto rows = static_cast<uint32_t>(lines_.size());
  Array array(elementType, {Bound{0, rows}, Bound{0, static_cast<uint32_t>(columns_)}});
  std::vector<Variant>& cells = array.elements();
  // Elements are stored first index fastest: cell (r, c) sits at r + c * rows.
  forEachField([&](int32_t row, int32_t column, std::string_view field) {
    if (column < columns_) cells[static_cast<size_t>(row) + static_cast<size_t>(column) * rows] = Variant(field);
  });
  return array;
}

int16_t TextFileToArray(FileSystem& files, const std::string& strTextFile, Variant& varArray,
                        std::string_view strDelimiter, bool blnRemoveQuotes) {
  try {
    std::optional<std::string> bytes = files.readFile(strTextFile);
    if (!bytes) return kTextFileCannotOpen;
    if (!varArray.isArray() && !varArray.isEmpty()) return kTextFileNotArray;

    // A caller's String array stays a String array; everything else becomes
    // a Variant array, as ReDim on a variant does.
    const VarType elementType =
        varArray.isArray() && varArray.type() == VarType::String ? VarType::String : VarType::Variant;
    const std::string text = decodeTextFile(files, std::move(*bytes));
    Array array = DelimitedText(text, strDelimiter, blnRemoveQuotes).toArray(elementType);
    varArray.target() = Variant(std::move(array));
    return kTextFileRead;
  } catch (const std::exception&) {
    // A file too large to hold as an array, or one the file system fails to
    // deliver, is a file this call cannot read; the caller's array is kept.
    return kTextFileCannotOpen;
  }
}

}  // namespace dv::lib
