// The text builder and TextFileToArray.
#include <gtest/gtest.h>

#include "data/text_builder.h"
#include "data/delimited_text.h"
#include "dv/fakes/fake_files.h"
#include "dv/vb.h"

namespace dv::lib {
namespace {

class TextFileToArrayTest : public ::testing::Test {
 protected:
  // Reads `content` with the given options into a fresh Empty variant.
  Array read(const std::string& content, std::string_view delimiter = ",", bool removeQuotes = false) {
    fs.addFile("c:\\data.txt", content);
    Variant v;
    EXPECT_EQ(TextFileToArray(fs, "c:\\data.txt", v, delimiter, removeQuotes), kTextFileRead);
    return v.arrayValue();
  }
  static std::string cell(const Array& a, int32_t r, int32_t c) { return vb::CStr(a.at(r, c)); }
  fakes::FakeFileSystem fs;
};

TEST_F(TextFileToArrayTest, ShortLinesLeaveTheirLastCellsEmpty) {
  // 2, 4 and 3 commas: three rows, five columns.
  Array a = read("a,b,c\r\n1,2,3,4,5\r\nx,y,z,w\r\n");
  ASSERT_EQ(a.rank(), 2);
  EXPECT_EQ(a.lbound(1), 0);
  EXPECT_EQ(a.ubound(1), 2);
  EXPECT_EQ(a.lbound(2), 0);
  EXPECT_EQ(a.ubound(2), 4);
  EXPECT_EQ(cell(a, 0, 2), "c");
  EXPECT_TRUE(a.at(0, 3).isEmpty());
  EXPECT_TRUE(a.at(0, 4).isEmpty());
  EXPECT_EQ(cell(a, 1, 4), "5");
  EXPECT_EQ(cell(a, 2, 3), "w");
  EXPECT_TRUE(a.at(2, 4).isEmpty());
}

TEST_F(TextFileToArrayTest, LineEndingsAndTrailingDelimiters) {
  // LF-only and CR-only files split into lines as CR LF ones do; a final
  // line break opens no extra row; an empty line is one empty cell; a
  // trailing delimiter opens no extra field but still counts as a column.
  Array a = read("a,b,\n\nlast");
  ASSERT_EQ(a.ubound(1), 2);
  ASSERT_EQ(a.ubound(2), 2);
  EXPECT_EQ(cell(a, 0, 1), "b");
  EXPECT_TRUE(a.at(0, 2).isEmpty());
  EXPECT_TRUE(a.at(1, 0).isString());
  EXPECT_EQ(cell(a, 1, 0), "");
  EXPECT_EQ(cell(a, 2, 0), "last");

  Array cr = read("1;2\r3;4\r", ";");
  EXPECT_EQ(cr.ubound(1), 1);
  EXPECT_EQ(cell(cr, 1, 1), "4");

  // Empty fields between delimiters are kept as empty strings.
  Array gaps = read(",,x\r\n");
  EXPECT_EQ(cell(gaps, 0, 0), "");
  EXPECT_EQ(cell(gaps, 0, 2), "x");
}

TEST_F(TextFileToArrayTest, DelimiterRules) {
  // Empty means a comma.
  Array comma = read("a,b;c", "");
  EXPECT_EQ(comma.ubound(2), 1);
  EXPECT_EQ(cell(comma, 0, 1), "b;c");
  // A tab works like any other single character.
  Array tab = read("a\tb\r\n", "\t");
  EXPECT_EQ(cell(tab, 0, 1), "b");
  // Two characters match nothing: each line is one cell, as written.
  Array two = read("a;;b,c\r\nd;;\r\n", ";;");
  ASSERT_EQ(two.ubound(2), 0);
  EXPECT_EQ(cell(two, 0, 0), "a;;b,c");
  EXPECT_EQ(cell(two, 1, 0), "d;;");
  // One character outside ASCII is still one character.
  Array section = read("x\xC2\xA7y\r\n", "\xC2\xA7");
  EXPECT_EQ(section.ubound(2), 1);
  EXPECT_EQ(cell(section, 0, 1), "y");
}

TEST_F(TextFileToArrayTest, QuotesAreRemovedOnlyWhenAsked) {
  const std::string line = "\"x\",\"\",\"open,y\",\"";
  Array kept = read(line, ",", false);
  EXPECT_EQ(cell(kept, 0, 0), "\"x\"");
  Array removed = read(line, ",", true);
  EXPECT_EQ(cell(removed, 0, 0), "x");
  EXPECT_EQ(cell(removed, 0, 1), "");
  // Fields are split first: a delimiter inside quotes still splits.
  EXPECT_EQ(cell(removed, 0, 2), "\"open");
  EXPECT_EQ(cell(removed, 0, 3), "y\"");
  // A lone quote is not a quoted field.
  EXPECT_EQ(cell(removed, 0, 4), "\"");
}

TEST_F(TextFileToArrayTest, ResultsForBadInputLeaveTheVariantAlone) {
  Variant text("keep");
  EXPECT_EQ(TextFileToArray(fs, "c:\\missing.txt", text, ",", false), kTextFileCannotOpen);
  fs.addFile("c:\\d.txt", "a,b");
  // An unopenable file is reported before the variant is looked at.
  EXPECT_EQ(TextFileToArray(fs, "c:\\missing.txt", text, ",", false), kTextFileCannotOpen);
  EXPECT_EQ(TextFileToArray(fs, "c:\\d.txt", text, ",", false), kTextFileNotArray);
  EXPECT_EQ(text.stringValue(), "keep");
  Variant number(int32_t{5});
  EXPECT_EQ(TextFileToArray(fs, "c:\\d.txt", number, ",", false), kTextFileNotArray);
  Variant null = Variant::null();
  EXPECT_EQ(TextFileToArray(fs, "c:\\d.txt", null, ",", false), kTextFileNotArray);
  // A file held open by another program cannot be read either.
  fs.setLocked("c:\\d.txt", true);
  Variant array(Array(VarType::Variant, {Bound{0, 2}}));
  EXPECT_EQ(TextFileToArray(fs, "c:\\d.txt", array, ",", false), kTextFileCannotOpen);
  EXPECT_EQ(array.arrayValue().ubound(1), 1);
}

TEST_F(TextFileToArrayTest, FillsTheCallersVariableThroughAReference) {
  fs.addFile("c:\\d.txt", "a,b\r\nc,d\r\n");
  // A dynamic array of another shape is re-dimensioned; a String array stays one.
  Variant callers(Array(VarType::String, {Bound{1, 7}}));
  Variant slot = Variant::ref(callers);
  ASSERT_EQ(TextFileToArray(fs, "c:\\d.txt", slot, ",", false), kTextFileRead);
  const Array& a = callers.arrayValue();
  EXPECT_EQ(a.elementType(), VarType::String);
  EXPECT_EQ(a.ubound(1), 1);
  EXPECT_EQ(vb::CStr(a.at(1, 1)), "d");

  Variant fromEmpty;
  ASSERT_EQ(TextFileToArray(fs, "c:\\d.txt", fromEmpty, ",", false), kTextFileRead);
  EXPECT_EQ(fromEmpty.arrayValue().elementType(), VarType::Variant);
}

TEST_F(TextFileToArrayTest, EmptyFileGivesAnArrayWithoutRows) {
  Array a = read("");
  EXPECT_EQ(a.ubound(1), -1);
  EXPECT_EQ(a.ubound(2), 0);
}

TEST_F(TextFileToArrayTest, AnsiFilesAreReadInTheSystemsCodePage) {
  // The same bytes mean different letters on a Western and on a Cyrillic
  // machine; a UTF-8 file (with or without its mark) reads the same on both.
  struct Case {
    uint32_t codePage;
    const char* bytes;
    const char* first;
    const char* second;
  } cases[] = {
      {1252, "Caf\xE9,\x80", "Caf\xC3\xA9", "\xE2\x82\xAC"},
      {1251, "Caf\xE9,\x80", "Caf\xD0\xB9", "\xD0\x82"},
      {1251, "\xCF\xF0\xE8\xE2\xE5\xF2,\x88", "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82", "\xE2\x82\xAC"},
      {1252,
       "\xEF\xBB\xBF"
       "Caf\xC3\xA9,\xE2\x82\xAC",
       "Caf\xC3\xA9", "\xE2\x82\xAC"},
      {1251, "Caf\xC3\xA9,\xE2\x82\xAC", "Caf\xC3\xA9", "\xE2\x82\xAC"},
  };
  for (const Case& c : cases) {
    fs.setAnsiCodePage(c.codePage);
    Array a = read(c.bytes);
    EXPECT_EQ(cell(a, 0, 0), c.first) << c.codePage << " " << c.bytes;
    EXPECT_EQ(cell(a, 0, 1), c.second) << c.codePage << " " << c.bytes;
  }
}

TEST(ClsConcatTest, BuildsTextAcrossPiecesAndStartsAfreshAfterTakeText) {
  TextBuilder c;
  for (int i = 0; i < 2000; ++i) c.Append("0123456789");
  EXPECT_EQ(c.length(), 20000);
  std::string text = c.TakeText();
  ASSERT_EQ(text.size(), 20000u);
  EXPECT_EQ(text.substr(19990), "0123456789");
  // Appending after TakeText without Clear starts a new text.
  c.Append("abc");
  EXPECT_EQ(c.TakeText(), "abc");
  c.Append("x");
  c.Clear();
  EXPECT_EQ(c.TakeText(), "");
  // Text with NUL characters survives (the buffer is not NUL-terminated text).
  c.Append(std::string_view("a\0b", 3));
  EXPECT_EQ(c.TakeText(), std::string("a\0b", 3));
}

TEST(ClsConcatTest, GrowthIsGeometric) {
  // Two million small pieces: the buffer moves a logarithmic number of
  // times, never once per few thousand characters.
  TextBuilder c;
  for (int i = 0; i < 2000000; ++i) c.Append("0123456789");
  EXPECT_EQ(c.length(), 20000000);
  EXPECT_LE(c.growthCount(), 12u);
  // One big piece into an empty builder grows it once, to at least its size.
  TextBuilder big;
  big.Append(std::string(20000, 'x'));
  EXPECT_EQ(big.growthCount(), 1u);
  EXPECT_GE(big.capacity(), 20000u);
}

}  // namespace
}  // namespace dv::lib
