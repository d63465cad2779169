// The Word stand-in's own document handling: what it prints must follow
// the page setup, page numbers and page ranges the library asks for, or
// the end-to-end tests would prove nothing.
#include <gtest/gtest.h>

#include <string>

#include "word/word_document.h"

namespace dv::standins::word {
namespace {

std::string numberedLines(int count) {
  std::string text;
  for (int i = 1; i <= count; ++i) text += "line " + std::to_string(i) + "\n";
  return text;
}

int countOf(const std::string& haystack, const std::string& needle) {
  int n = 0;
  for (size_t at = haystack.find(needle); at != std::string::npos; at = haystack.find(needle, at + 1)) ++n;
  return n;
}

TEST(WordStandInDocument, PasswordHeaderLinesAreNotText) {
  DocumentFile f =
      parseDocumentFile("#Password:  secret \r\n#write-password: w\r\nBody\r\n#password: not a header\r\n");
  EXPECT_EQ(f.password, "secret");
  EXPECT_EQ(f.writePassword, "w");
  EXPECT_EQ(f.text, "Body\n#password: not a header\n");
  DocumentFile plain = parseDocumentFile("just text");
  EXPECT_EQ(plain.password, "");
  EXPECT_EQ(plain.text, "just text");
}

TEST(WordStandInDocument, OrientationChangesTheNumberOfPages) {
  const std::string text = numberedLines(120);
  EXPECT_EQ(paginate(text, Orientation::Portrait).size(), 3u);   // 54 lines a page
  EXPECT_EQ(paginate(text, Orientation::Landscape).size(), 4u);  // 39 lines a page
  auto pages = paginate(text, Orientation::Portrait);
  EXPECT_EQ(pages[1].front(), "line 55");
}

TEST(WordStandInDocument, FormFeedsBreakPagesAndLongLinesWrapAtBlanks) {
  auto pages = paginate("one\fwo\ntwo\f", Orientation::Portrait);
  ASSERT_EQ(pages.size(), 2u);
  EXPECT_EQ(pages[0], std::vector<std::string>{"one"});
  EXPECT_EQ(pages[1], (std::vector<std::string>{"wo", "two"}));

  std::string word(100, 'x');
  auto wrapped = paginate("aaa " + word + " bb", Orientation::Portrait)[0];
  ASSERT_EQ(wrapped.size(), 3u);
  EXPECT_EQ(wrapped[0], "aaa");
  EXPECT_EQ(wrapped[1], std::string(78, 'x'));
  EXPECT_EQ(wrapped[2], std::string(22, 'x') + " bb");
  EXPECT_EQ(paginate("", Orientation::Portrait).size(), 1u);
}

TEST(WordStandInDocument, PageListsFollowWordsSyntax) {
  EXPECT_EQ(parsePageList("2", 5), (std::vector<int>{2}));
  EXPECT_EQ(parsePageList(" 4-5, 1 ,2-3", 5), (std::vector<int>{1, 2, 3, 4, 5}));
  EXPECT_EQ(parsePageList("3-", 5), (std::vector<int>{3, 4, 5}));
  EXPECT_EQ(parsePageList("2-9", 3), (std::vector<int>{2, 3}));
  EXPECT_FALSE(parsePageList("9", 3).has_value());  // selects nothing
  EXPECT_FALSE(parsePageList("3-2", 5).has_value());
  EXPECT_FALSE(parsePageList("a", 5).has_value());
  EXPECT_FALSE(parsePageList("1,,2", 5).has_value());
  EXPECT_FALSE(parsePageList("0", 5).has_value());
}

TEST(WordStandInDocument, PostScriptHasTheSelectedPagesInTheirOrientation) {
  auto pages = paginate(numberedLines(120), Orientation::Landscape);
  Layout layout;
  layout.orientation = Orientation::Landscape;
  std::string ps = renderPostScript(pages, {2, 4}, layout, "doc");
  EXPECT_EQ(ps.rfind("%!PS-Adobe-3.0\n", 0), 0u);
  EXPECT_NE(ps.find("%%Pages: 2\n"), std::string::npos);
  EXPECT_NE(ps.find("/PageSize [792 612]"), std::string::npos);
  EXPECT_NE(ps.find("%%Page: 2 1\n"), std::string::npos);
  EXPECT_NE(ps.find("%%Page: 4 2\n"), std::string::npos);
  EXPECT_EQ(countOf(ps, "showpage"), 2);
  EXPECT_NE(ps.find("(line 40)"), std::string::npos);
  EXPECT_EQ(ps.find("(line 1)"), std::string::npos);
}

TEST(WordStandInDocument, PageNumbersHonourPlaceAlignmentAndFirstPage) {
  auto pages = paginate(numberedLines(100), Orientation::Portrait);
  Layout layout;
  layout.footer = {true, NumberAlignment::Right, false};
  std::string ps = renderPostScript(pages, {1, 2}, layout, "doc");
  // No number on page 1; page 2's number right-aligned in the footer.
  EXPECT_EQ(ps.find("(1) "), std::string::npos);
  EXPECT_NE(ps.find("(2) 534 31 L"), std::string::npos);
  layout.footer = {};
  layout.header = {true, NumberAlignment::Left, true};
  ps = renderPostScript(pages, {1}, layout, "doc");
  EXPECT_NE(ps.find("(1) 72 756 L"), std::string::npos);
}

TEST(WordStandInDocument, TextIsEscapedForPostScript) {
  std::string ps = renderPostScript({{"a(b)\\c\xe9"}}, {1}, {}, "t");
  EXPECT_NE(ps.find("(a\\(b\\)\\\\c\\351)"), std::string::npos);
}

}  // namespace
}  // namespace dv::standins::word
