// The VB runtime rules: error numbers and texts, conversions, strings,
// dates, comparison and the file statements.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "dv/fakes/fake_files.h"
#include "dv/vb.h"

namespace {

using dv::Variant;
using dv::VarType;
namespace vb = dv::vb;

int vbErrorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const dv::AutomationError& e) {
    return vb::runtimeErrorOf(e.number());
  }
  return 0;
}

TEST(VbErrors, NumbersAndStandardTexts) {
  EXPECT_EQ(vb::runtimeErrorNumber(1004), static_cast<int32_t>(0x800A03EC));
  EXPECT_EQ(vb::runtimeErrorOf(static_cast<int32_t>(0x800A000D)), 13);
  EXPECT_EQ(vb::runtimeErrorOf(vb::kLibraryError), 0);
  const std::pair<int, const char*> texts[] = {
      {5, "Invalid procedure call or argument"},
      {6, "Overflow"},
      {9, "Subscript out of range"},
      {13, "Type mismatch"},
      {53, "File not found"},
      {55, "File already open"},
      {75, "Path/File access error"},
      {76, "Path not found"},
      {91, "Object variable or With block variable not set"},
      {429, "ActiveX component can't create object"},
      {438, "Object doesn't support this property or method"},
      {1004, "Application-defined or object-defined error"},
  };
  for (const auto& [n, text] : texts) {
    try {
      vb::raise(n);
    } catch (const dv::AutomationError& e) {
      EXPECT_EQ(e.number(), vb::runtimeErrorNumber(n));
      EXPECT_EQ(e.description(), text) << n;
      EXPECT_EQ(e.source(), "Docvane");
    }
  }
  try {
    vb::raiseLibrary("File x does not exist.");
  } catch (const dv::AutomationError& e) {
    EXPECT_EQ(e.number(), -2147467008);
    EXPECT_EQ(e.source(), "Docvane");
    EXPECT_EQ(e.description(), "File x does not exist.");
  }
}

TEST(VbNumbers, CIntAndCLngRoundHalvesToEvenAndOverflow) {
  EXPECT_EQ(vb::CInt(Variant(0.5)), 0);
  EXPECT_EQ(vb::CInt(Variant(1.5)), 2);
  EXPECT_EQ(vb::CInt(Variant(2.5)), 2);
  EXPECT_EQ(vb::CInt(Variant(-2.5)), -2);
  EXPECT_EQ(vb::CInt(Variant(-1.5)), -2);
  EXPECT_EQ(vb::CInt(Variant(2.50001)), 3);
  EXPECT_EQ(vb::CInt(Variant(32767.4)), 32767);
  EXPECT_EQ(vb::CInt(Variant(-32768.5)), -32768);  // rounds to even, inside
  EXPECT_EQ(vbErrorOf([] { vb::CInt(Variant(32767.5)); }), 6);
  EXPECT_EQ(vbErrorOf([] { vb::CInt(Variant(-32769)); }), 6);
  EXPECT_EQ(vb::CLng(Variant(2147483647.0)), 2147483647);
  EXPECT_EQ(vbErrorOf([] { vb::CLng(Variant(2147483647.5)); }), 6);
  EXPECT_EQ(vb::CLng(Variant(-2147483648.0)), INT32_MIN);
  EXPECT_EQ(vb::CByte(Variant(255.4)), 255);
  EXPECT_EQ(vbErrorOf([] { vb::CByte(Variant(-1)); }), 6);
  EXPECT_EQ(vb::CInt(Variant(true)), -1);
  EXPECT_EQ(vb::CInt(Variant()), 0);
  EXPECT_EQ(vbErrorOf([] { vb::CInt(Variant::null()); }), 94);
  EXPECT_EQ(vbErrorOf([] { vb::CInt(Variant::missing()); }), 13);
  EXPECT_EQ(vbErrorOf([] { vb::CSng(Variant(1e300)); }), 6);
}

TEST(VbNumbers, StringsConvertStrictly) {
  EXPECT_EQ(vb::CInt(Variant(" 12 ")), 12);
  EXPECT_EQ(vb::CLng(Variant("\t-7")), -7);
  EXPECT_EQ(vb::CDbl(Variant("1.5E3")), 1500.0);
  EXPECT_EQ(vb::CDbl(Variant(".5")), 0.5);
  EXPECT_EQ(vb::CLng(Variant("&H10")), 16);
  EXPECT_EQ(vb::CInt(Variant("&HFFFF")), -1);
  EXPECT_EQ(vb::CInt(Variant("2.5")), 2);
  for (const char* bad : {"abc", "", "  ", "12x", "1.2.3", "&H", "&HG", "1e", "- 1"}) {
    EXPECT_EQ(vbErrorOf([&] { vb::CDbl(Variant(bad)); }), 13) << '"' << bad << '"';
  }
  EXPECT_EQ(vbErrorOf([] { vb::CInt(Variant("40000")); }), 6);
  EXPECT_EQ(vbErrorOf([] { vb::CDbl(Variant("1e999")); }), 6);
}

TEST(VbNumbers, ValTakesTheLeadingNumber) {
  EXPECT_EQ(vb::Val("8.0"), 8.0);
  EXPECT_EQ(vb::Val("10.1.2"), 10.1);
  EXPECT_EQ(vb::Val(" 7x"), 7.0);
  EXPECT_EQ(vb::Val("x"), 0.0);
  EXPECT_EQ(vb::Val(""), 0.0);
  EXPECT_EQ(vb::Val("1 2 3"), 123.0);  // blanks anywhere are skipped
  EXPECT_EQ(vb::Val("-.5abc"), -0.5);
  EXPECT_EQ(vb::Val("2e3"), 2000.0);
  EXPECT_EQ(vb::Val("2e"), 2.0);
  EXPECT_EQ(vb::Val("1d2"), 100.0);
  EXPECT_EQ(vb::Val("&HFF"), 255.0);
  EXPECT_EQ(vb::Val("&hffff"), -1.0);
  EXPECT_EQ(vb::Val("&H10000"), 65536.0);
  EXPECT_EQ(vb::Val("&O17"), 15.0);
  EXPECT_EQ(vb::Val("&H"), 0.0);
  EXPECT_EQ(vb::Val("+3"), 3.0);
  EXPECT_EQ(vb::Val("."), 0.0);
  EXPECT_EQ(vbErrorOf([] { vb::Val("1e400"); }), 6);
}

TEST(VbNumbers, CheckedSixteenBitArithmetic) {
  EXPECT_EQ(vb::add16(32766, 1), 32767);
  EXPECT_EQ(vbErrorOf([] { vb::add16(32767, 1); }), 6);
  EXPECT_EQ(vbErrorOf([] { vb::mul16(200, 200); }), 6);
  EXPECT_EQ(vb::mul16(-128, 256), -32768);
  EXPECT_EQ(vb::roundHalfEven(-0.5), 0.0);
  EXPECT_EQ(vb::roundHalfEven(3.5), 4.0);
}

TEST(VbConversions, CStrAndCBool) {
  EXPECT_EQ(vb::CStr(Variant(true)), "True");
  EXPECT_EQ(vb::CStr(Variant(false)), "False");
  EXPECT_EQ(vb::CStr(Variant(int16_t{-5})), "-5");
  EXPECT_EQ(vb::CStr(Variant(0.5)), "0.5");
  EXPECT_EQ(vb::CStr(Variant(1.0 / 3)), "0.333333333333333");
  EXPECT_EQ(vb::CStr(Variant(1e15)), "1E+15");
  EXPECT_EQ(vb::CStr(Variant(123456789012345.0)), "123456789012345");
  EXPECT_EQ(vb::CStr(Variant(0.00001)), "1E-05");
  EXPECT_EQ(vb::CStr(Variant(-0.0)), "0");
  EXPECT_EQ(vb::CStr(Variant(0.1f)), "0.1");
  // The largest double's 15 digits round up past it: its text, as VB's,
  // overflows when read back.
  EXPECT_EQ(vb::CStr(Variant(-std::numeric_limits<double>::max())), "-1.79769313486232E+308");
  EXPECT_EQ(vbErrorOf([] { vb::CDbl(Variant("-1.79769313486232E+308")); }), 6);
  EXPECT_EQ(vb::CDbl(Variant(vb::CStr(Variant(1.79769313486231e308)))), 1.79769313486231e308);
  EXPECT_EQ(vb::CStr(Variant()), "");
  EXPECT_EQ(vbErrorOf([] { vb::CStr(Variant::null()); }), 94);
  EXPECT_TRUE(vb::CBool(Variant(" true ")));
  EXPECT_FALSE(vb::CBool(Variant("FALSE")));
  EXPECT_TRUE(vb::CBool(Variant("-1")));
  EXPECT_FALSE(vb::CBool(Variant("0")));
  EXPECT_TRUE(vb::CBool(Variant(0.1)));
  EXPECT_EQ(vbErrorOf([] { vb::CBool(Variant("yes")); }), 13);
}

TEST(VbDates, SerialsPartsAndTexts) {
  EXPECT_EQ(vb::DateSerial(1899, 12, 30), 0.0);
  EXPECT_EQ(vb::DateSerial(2000, 1, 1), 36526.0);
  EXPECT_EQ(vb::DateSerial(2000, 13, 1), vb::DateSerial(2001, 1, 1));
  EXPECT_EQ(vb::DateSerial(2000, 3, 0), vb::DateSerial(2000, 2, 29));
  EXPECT_EQ(vb::DateSerial(2000, 0, 1), vb::DateSerial(1999, 12, 1));
  EXPECT_DOUBLE_EQ(vb::TimeSerial(18, 0, 0), 0.75);
  const auto p = vb::dateParts(36526.0 + vb::TimeSerial(13, 5, 9));
  EXPECT_EQ(p.year, 2000);
  EXPECT_EQ(p.hour, 13);
  EXPECT_EQ(p.second, 9);
  EXPECT_EQ(vb::dateParts(-1.25).day, 29);  // 29 Dec 1899 06:00
  EXPECT_EQ(vb::dateParts(-1.25).hour, 6);
  // 23:59:59.7 rounds into the next day.
  const auto q = vb::dateParts(36526.0 + 86399.7 / 86400.0);
  EXPECT_EQ(q.day, 2);
  EXPECT_EQ(q.hour, 0);

  EXPECT_EQ(vb::CStr(Variant::date(36526.0 + vb::TimeSerial(13, 5, 9))), "1/1/2000 1:05:09 PM");
  EXPECT_EQ(vb::CStr(Variant::date(36526.0)), "1/1/2000");
  EXPECT_EQ(vb::CStr(Variant::date(0.0)), "12:00:00 AM");
  EXPECT_EQ(vb::CStr(Variant::date(0.5)), "12:00:00 PM");
  // The ends of the OLE date range, and dates a client may hand over beyond them.
  EXPECT_EQ(vb::CStr(Variant::date(-657434.0)), "1/1/100");
  EXPECT_EQ(vb::CStr(Variant::date(2958465.5)), "12/31/9999 12:00:00 PM");
  for (double outside : {-657434.5, 2958466.0, 5.07612e+106, -1e300, std::nan(""), HUGE_VAL}) {
    EXPECT_EQ(vbErrorOf([&] { vb::dateParts(outside); }), 5) << outside;
    EXPECT_EQ(vbErrorOf([&] { vb::CStr(Variant::date(outside)); }), 5) << outside;
    EXPECT_EQ(vbErrorOf([&] { vb::CDate(Variant(outside)); }), 6) << outside;
  }

  EXPECT_EQ(vb::CDate(Variant("1/1/2000")), 36526.0);
  EXPECT_EQ(vb::CDate(Variant("2000-01-01 18:00")), 36526.75);
  EXPECT_EQ(vb::CDate(Variant("1/2/30")), vb::DateSerial(1930, 1, 2));
  EXPECT_EQ(vb::CDate(Variant("1/2/29")), vb::DateSerial(2029, 1, 2));
  EXPECT_DOUBLE_EQ(vb::CDate(Variant("6:00 PM")), 0.75);
  EXPECT_DOUBLE_EQ(vb::CDate(Variant("12:00:00 AM")), 0.0);
  for (const char* bad : {"2/30/2000", "13/1/2000", "x", "1/1/2000 25:00", "", "5 PM x"}) {
    EXPECT_EQ(vbErrorOf([&] { vb::CDate(Variant(bad)); }), 13) << bad;
  }
  // Text dates survive a round trip through CStr.
  const double when = vb::DateSerial(2026, 12, 7) + vb::TimeSerial(21, 16, 14);
  EXPECT_DOUBLE_EQ(vb::CDate(Variant(vb::CStr(Variant::date(when)))), when);
}

TEST(VbConversions, ConvertToElementTypes) {
  EXPECT_EQ(vb::convert(Variant("5"), VarType::Int32).int32Value(), 5);
  EXPECT_EQ(vb::convert(Variant(1), VarType::String).stringValue(), "1");
  EXPECT_EQ(vb::convert(Variant(2.0), VarType::Date).dateValue(), 2.0);
  EXPECT_TRUE(vb::convert(Variant(), VarType::Object).isObject());
  EXPECT_EQ(vbErrorOf([] { vb::convert(Variant(1), VarType::Object); }), 13);
  Variant x(3);
  const Variant copied = vb::convert(Variant::ref(x), VarType::Variant);
  EXPECT_FALSE(copied.isByRef());
  EXPECT_EQ(vbErrorOf([] { vb::convert(Variant(dv::Array(VarType::Variant, {})), VarType::String); }), 13);
}

TEST(VbStrings, TrimCaseAndComparison) {
  EXPECT_EQ(vb::Trim("  a b  "), "a b");
  EXPECT_EQ(vb::Trim("\ta\t"), "\ta\t");  // blanks only
  EXPECT_EQ(vb::LTrim("  x "), "x ");
  EXPECT_EQ(vb::RTrim("  x "), "  x");
  EXPECT_EQ(vb::UCase("straße äöü"), "STRAßE ÄÖÜ");
  EXPECT_EQ(vb::LCase("ÀÉÎ Œ Š Ÿ"), "àéî œ š ÿ");
  EXPECT_EQ(vb::LCase("×"), "×");  // the multiplication sign is not a letter
  EXPECT_EQ(vb::compareText("Save PDF File As", "save pdf file as"), 0);
  EXPECT_EQ(vb::compareText("Ärger", "ärger"), 0);
  EXPECT_LT(vb::compareText("apple", "Banana"), 0);
  EXPECT_GT(vb::compareBinary("apple", "Banana"), 0);
  EXPECT_LT(vb::compareText("ab", "abc"), 0);
}

TEST(VbStrings, PositionsCountCharacters) {
  EXPECT_EQ(vb::Len("Büro"), 4);
  EXPECT_EQ(vb::InStr(1, "c:\\Büro\\x.pdf", "\\x"), 8);
  EXPECT_EQ(vb::InStr(1, "Hello", "LL"), 0);
  EXPECT_EQ(vb::InStr(1, "Hello", "LL", true), 3);
  EXPECT_EQ(vb::InStr(4, "abcabc", "a"), 4);
  EXPECT_EQ(vb::InStr(5, "abcabc", "a"), 0);
  EXPECT_EQ(vb::InStr(1, "", "a"), 0);
  EXPECT_EQ(vb::InStr(2, "abc", ""), 2);
  EXPECT_EQ(vbErrorOf([] { vb::InStr(0, "abc", "a"); }), 5);
  EXPECT_EQ(vb::InStrRev("c:\\ä\\b\\f.txt", "\\"), 7);
  EXPECT_EQ(vb::InStrRev("abc", "x"), 0);
  EXPECT_EQ(vb::Left("Büro", 2), "Bü");
  EXPECT_EQ(vb::Right("Büro", 3), "üro");
  EXPECT_EQ(vb::Right("ab", 5), "ab");
  EXPECT_EQ(vb::Mid("Büro", 2, 2), "ür");
  EXPECT_EQ(vb::Mid("Büro", 3), "ro");
  EXPECT_EQ(vb::Mid("abc", 9), "");
  EXPECT_EQ(vbErrorOf([] { vb::Left("a", -1); }), 5);
  EXPECT_EQ(vbErrorOf([] { vb::Mid("a", 0); }), 5);
  EXPECT_EQ(vb::Replace("a.b.c", ".", "~~"), "a~~b~~c");
  EXPECT_EQ(vb::Replace("abc", "", "x"), "abc");
  EXPECT_EQ(vb::Split("a~b~~", "~"), (std::vector<std::string>{"a", "b", "", ""}));
  EXPECT_TRUE(vb::Split("", "~").empty());
}

TEST(VbCompare, VariantsSortAsVbDoes) {
  EXPECT_LT(vb::compareVariants(Variant(2), Variant(10.5)), 0);
  EXPECT_GT(vb::compareVariants(Variant("2"), Variant("10")), 0);  // strings compare as text
  EXPECT_LT(vb::compareVariants(Variant(100), Variant("1")), 0);   // numbers before strings
  EXPECT_EQ(vb::compareVariants(Variant(), Variant(0)), 0);
  EXPECT_EQ(vb::compareVariants(Variant(), Variant("")), 0);
  EXPECT_LT(vb::compareVariants(Variant(), Variant("a")), 0);
  EXPECT_LT(vb::compareVariants(Variant::null(), Variant()), 0);
  EXPECT_EQ(vb::compareVariants(Variant("ABC"), Variant("abc"), true), 0);
  EXPECT_LT(vb::compareVariants(Variant("ABC"), Variant("abc"), false), 0);
  EXPECT_LT(vb::compareVariants(Variant(true), Variant(0)), 0);  // True is -1
  EXPECT_EQ(vbErrorOf([] { vb::compareVariants(Variant(dv::ObjectPtr()), Variant(1)); }), 13);
}

TEST(VbFiles, FileStatementsRaiseVbErrors) {
  dv::fakes::FakeFileSystem fs;
  fs.addFile("C:\\work\\a.pdf", "12345");
  fs.addFile("C:\\work\\b.tmp", "x");
  fs.addFile("C:\\work\\c.TMP", "y");
  fs.addFolder("C:\\work\\sub.tmp");
  EXPECT_EQ(vb::FileLen(fs, "c:\\WORK\\A.PDF"), 5);
  EXPECT_EQ(vbErrorOf([&] { vb::FileLen(fs, "C:\\work\\none.pdf"); }), 53);
  EXPECT_EQ(vb::Dir(fs, "C:\\work\\*.tmp").size(), 2u);  // the folder is left out

  vb::Kill(fs, "C:\\work\\*.tmp");
  EXPECT_FALSE(fs.exists("C:\\work\\b.tmp"));
  EXPECT_FALSE(fs.exists("C:\\work\\c.TMP"));
  EXPECT_TRUE(fs.exists("C:\\work\\sub.tmp"));
  EXPECT_EQ(vbErrorOf([&] { vb::Kill(fs, "C:\\work\\*.tmp"); }), 53);
  EXPECT_EQ(vbErrorOf([&] { vb::Kill(fs, "C:\\work\\sub.tmp"); }), 53);
  fs.setLocked("C:\\work\\a.pdf", true);
  EXPECT_EQ(vbErrorOf([&] { vb::Kill(fs, "C:\\work\\a.pdf"); }), 75);
  fs.setLocked("C:\\work\\a.pdf", false);
  vb::Kill(fs, "C:\\work\\a.pdf");
  EXPECT_FALSE(fs.exists("C:\\work\\a.pdf"));

  vb::MkDir(fs, "C:\\work\\new");
  EXPECT_TRUE(fs.folderExists("C:\\work\\new"));
  EXPECT_EQ(vbErrorOf([&] { vb::MkDir(fs, "C:\\work\\new"); }), 75);
  EXPECT_EQ(vbErrorOf([&] { vb::MkDir(fs, "C:\\nope\\new"); }), 76);
}

}  // namespace
