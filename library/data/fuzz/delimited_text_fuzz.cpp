// libFuzzer target: the delimited-text reader. The first byte picks the
// delimiter, quote removal and the caller's array; the rest is the file.
// Besides sanitizer reports, a finding is: decoded text that is not UTF-8,
// a field outside the text or the reported shape, or TextFileToArray
// answering differently from the parser it wraps.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "data/delimited_text.h"
#include "dv/fakes/fake_files.h"
#include "dv/variant.h"

namespace {

[[noreturn]] void finding(const char* what) {
  std::fprintf(stderr, "finding: %s\n", what);
  std::abort();
}

// Delimiters a caller passes: empty (","), one ASCII or multi-byte
// character, a line break, a quote, and texts longer than one character.
const char* const kDelimiters[] = {"",   ",",  ";",        "\t",           "|",  "\"", " ",
                                   "\r", "\n", "\xC3\xA9", "\xE2\x82\xAC", "ab", ",,", "\xC3"};

bool validUtf8(std::string_view s) {
  for (size_t i = 0; i < s.size();) {
    const auto b = static_cast<unsigned char>(s[i]);
    size_t n = b < 0x80 ? 1 : (b & 0xE0) == 0xC0 ? 2 : (b & 0xF0) == 0xE0 ? 3 : (b & 0xF8) == 0xF0 ? 4 : 0;
    if (n == 0 || i + n > s.size()) return false;
    for (size_t k = 1; k < n; ++k)
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    i += n;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const uint8_t mode = data[0];
  const std::string delimiter = kDelimiters[(mode & 0x0F) % std::size(kDelimiters)];
  const bool removeQuotes = mode & 0x10;
  const std::string bytes(reinterpret_cast<const char*>(data + 1), size - 1);

  // Both code pages the fake file system knows: Windows-1252 and -1251.
  const uint32_t codePage = (mode & 0x40) ? 1251 : 1252;
  dv::fakes::FakeFileSystem decoding;
  decoding.setAnsiCodePage(codePage);
  const std::string text = dv::lib::decodeTextFile(decoding, bytes);
  if (!validUtf8(text)) finding("decoded text is not UTF-8");

  const dv::lib::DelimitedText parsed(text, delimiter, removeQuotes);
  const int32_t rows = parsed.rowCount();
  const int32_t columns = parsed.columnCount();
  if (columns < 1) finding("fewer than one column");
  int32_t lastRow = -1;
  parsed.forEachField([&](int32_t row, int32_t column, std::string_view field) {
    if (row < lastRow || row >= rows || column < 0 || column >= columns) finding("field outside the shape");
    if (!field.empty() && (field.data() < text.data() || field.data() + field.size() > text.data() + text.size()))
      finding("field outside the text");
    lastRow = row;
  });

  // Through the file seam, into the kind of array the caller holds.
  dv::fakes::FakeFileSystem files;
  files.setAnsiCodePage(codePage);  // decoded as above
  files.addFile("C:\\in.txt", bytes);
  dv::Variant array;
  if (mode & 0x20) array = dv::Variant(dv::Array(dv::VarType::String, {dv::Bound{0, 1}}));
  if (dv::lib::TextFileToArray(files, "C:\\in.txt", array, delimiter, removeQuotes) != dv::lib::kTextFileRead)
    finding("a readable file was not read");
  const dv::Array& read = array.arrayValue();
  if (read.rank() != 2 || read.ubound(1) != rows - 1 || read.ubound(2) != columns - 1)
    finding("array shape differs from the parse");
  if ((mode & 0x20) && read.elementType() != dv::VarType::String) finding("a String array changed its type");

  // A caller's variable that holds neither an array nor Empty stays as it was.
  dv::Variant number(int32_t{7});
  if (dv::lib::TextFileToArray(files, "C:\\in.txt", number, delimiter, removeQuotes) != dv::lib::kTextFileNotArray ||
      number.type() != dv::VarType::Int32 || number.int32Value() != 7)
    finding("a non-array variable was touched");
  return 0;
}
