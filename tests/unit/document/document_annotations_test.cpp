// Annotations, the phrase search and markup on a scripted Acrobat: exact
// call sequences, geometry from the page height, default colours, error
// behaviour, and the search on word lists.
#include <gtest/gtest.h>

#include "document/annotations.h"
#include "document/scripted_acrobat.h"
#include "dv/fakes/fake_host.h"
#include "frame/library_values.h"

namespace dv::lib {
namespace {

using testing::ScriptedAcrobat;
using testing::ScriptedObject;
using testing::show;
using Lines = std::vector<std::string>;

class AnnotationsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fake.automation.registerProgId("AcroExch.PDDoc",
                                   [this] { return ObjectPtr(std::make_shared<ScriptedObject>(acro, "pddoc")); });
    libraryValues().OpenDocumentPath = "c:\\docs\\a.pdf";
    doc = std::make_unique<Document>(fake.host());
    ASSERT_TRUE(doc->isOpen());
  }
  // The journal from the first line starting with `from`.
  Lines journalFrom(const std::string& from = "") const {
    Lines out;
    bool on = from.empty();
    for (const auto& l : acro.journal) {
      on = on || l.rfind(from, 0) == 0;
      if (on) out.push_back(l);
    }
    return out;
  }
  // The lines of one annotation and the colours read for it: from its
  // addAnnot (or the start) to the next addAnnot.
  Lines of(const std::string& id) const {
    const auto& j = acro.journal;
    auto from = std::find(j.begin(), j.end(), "addAnnot -> " + id);
    from = from == j.end() ? j.begin() : from + 1;
    Lines out;
    for (auto it = from; it != j.end() && it->rfind("addAnnot", 0) != 0; ++it)
      if (it->rfind(id + " ", 0) == 0 || it->rfind("Color.", 0) == 0) out.push_back(*it);
    return out;
  }
  static Lines protocol(const std::string& id, const Lines& writes) {
    Lines out = {id + " getProps", id + " Delay=True"};
    for (const auto& w : writes) out.push_back(w.rfind("Color.", 0) == 0 ? w : id + " " + w);
    out.push_back(id + " Delay=False");
    out.push_back(id + " setProps(<object>)");
    return out;
  }
  static Lines concat(Lines a, const Lines& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
  }
  static AutomationError errorOf(const std::function<void()>& f) {
    try {
      f();
    } catch (const AutomationError& e) {
      return e;
    }
    return AutomationError(0, "", "no error");
  }

  ScriptedAcrobat acro;
  fakes::FakeHost fake;
  std::unique_ptr<Document> doc;
};

const Lines kPageTwoSize = {"AcquirePage(1&)", "page GetSize", "size y"};

TEST_F(AnnotationsTest, CreateCommentWritesTwoPassesWithGeometryFromThePageHeight) {
  acro.pageHeight = 600;
  NoteOptions o;
  o.intLeftMargin = 50;
  o.intTopMargin = 20;
  o.strAuthor = "Ann";
  o.strName = "   ";  // blank: no name written
  CreateComment(*doc, 2, "Hi", o);
  const Lines expected =
      concat(concat(concat(kPageTwoSize, {"addAnnot -> A1"}), protocol("A1", {"Type=\"Text\"", "contents=\"Hi\""})),
             protocol("A1", {"State=\"None\"", "Page=1&", "Point=(50%, 580%)", "PopupRect=(0%, 500%, 200%, 600%)",
                             "Author=\"Ann\"", "Subject=\"\"", "NoteIcon=\"Comment\"", "Color.yellow",
                             "StrokeColor=(\"RGB\", 1&, 1&, 0&)", "Lock=False", "ReadOnly=False", "PopupOpen=False",
                             "Width=1%", "opacity=1!"}));
  EXPECT_EQ(journalFrom(), expected);
}

TEST_F(AnnotationsTest, CreateTextAnnotDefaultsToTheNoteIconAndReordersItsLastWrites) {
  NoteOptions o;
  o.lngNoteIcon = 8;
  o.lngNoteState = 1;
  o.strName = "n1";
  o.varColor = Variant(Array::vector(VarType::Variant, {Variant("G"), Variant(0.5)}));
  o.blnLock = true;
  o.intBorderWidth = 3;
  o.sngOpacity = 0.25f;
  CreateTextAnnot(*doc, 1, "Body", o);
  EXPECT_EQ(of("A1"),
            concat(protocol("A1", {"Type=\"Text\"", "contents=\"Body\""}),
                   protocol("A1", {"State=\"Accepted\"", "Page=0&", "Point=(0%, 792%)",
                                   "PopupRect=(0%, 692%, 200%, 792%)", "Author=\"\"", "Subject=\"\"",
                                   "NoteIcon=\"Note\"", "StrokeColor=(\"G\", 0.5#)", "Name=\"n1\"", "PopupOpen=False",
                                   "Width=3%", "Lock=True", "ReadOnly=False", "opacity=0.25!"})));
  EXPECT_TRUE(acro.lines("Color.").empty());  // a given colour needs no default
}

TEST_F(AnnotationsTest, FreeTextAndStampWriteTheirPropertiesAndDefaultColours) {
  const Variant rect(Array::vector(VarType::Variant, {Variant(10), Variant(20), Variant(110), Variant(60)}));
  FreeTextOptions ft;
  ft.lngFont = 5;
  ft.strName = "f";
  CreateFreeTextAnnot(*doc, 1, rect, "Text", ft);
  EXPECT_EQ(of("A1"),
            concat(protocol("A1", {"Type=\"FreeText\"", "contents=\"Text\""}),
                   protocol("A1", {"Alignment=0&", "Color.black", "StrokeColor=(\"G\", 0&)", "Color.white",
                                   "FillColor=(\"G\", 1&)", "TextFont=\"Helvetica-Bold\"", "TextSize=8%", "Page=0&",
                                   "Rect=(10&, 20&, 110&, 60&)", "Author=\"\"", "Subject=\"\"", "Name=\"f\"",
                                   "Width=1%", "Lock=False", "ReadOnly=False", "Rotate=0&", "opacity=1!"})));
  EXPECT_TRUE(acro.lines("AcquirePage").empty());  // a free text needs no page size

  StampOptions st;
  st.lngStampIcon = 4;
  st.intLeftMargin = 300;  // accepted, not used
  st.blnPopupOpen = true;
  CreateStampAnnot(*doc, 2, rect, "Seen", st);
  EXPECT_EQ(of("A2"), concat(protocol("A2", {"Type=\"Stamp\"", "contents=\"Seen\""}),
                             protocol("A2", {"Page=1&", "Rect=(10&, 20&, 110&, 60&)",
                                             "PopupRect=(0%, 692%, 200%, 792%)", "Author=\"\"", "Subject=\"\"",
                                             "AP=\"Draft\"", "Color.red", "StrokeColor=(\"RGB\", 1&, 0&, 0&)",
                                             "PopupOpen=True", "Lock=False", "ReadOnly=False"})));
  EXPECT_EQ(acro.lines("AcquirePage"), Lines{"AcquirePage(1&)"});
}

TEST_F(AnnotationsTest, CreatingMembersIgnoreEveryError) {
  // A failing write is skipped and the rest still goes in.
  acro.failing = {"A1 Author=", "AcquirePage"};
  EXPECT_NO_THROW(CreateComment(*doc, 1, "Hi", NoteOptions{}));
  const Lines a1 = of("A1");
  EXPECT_EQ(std::count(a1.begin(), a1.end(), "A1 setProps(<object>)"), 2);
  EXPECT_NE(std::find(a1.begin(), a1.end(), "A1 Subject=\"\""), a1.end());
  // Without a page size the note sits at the origin.
  EXPECT_NE(std::find(a1.begin(), a1.end(), "A1 Point=(0%, 0%)"), a1.end());
  // No annotation at all: nothing to write, nothing reported.
  acro.failing = {"addAnnot"};
  EXPECT_NO_THROW(CreateFreeTextAnnot(*doc, 1, Variant(), "x", FreeTextOptions{}));
  EXPECT_NO_THROW(CreateStampAnnot(*doc, 1, Variant(), "x", StampOptions{}));
  EXPECT_TRUE(of("A2").empty());
}

TEST_F(AnnotationsTest, PropertyRecordsReadAndWriteInRecordOrder) {
  const Variant point(Array::vector(VarType::Int16, {Variant(int16_t{5}), Variant(int16_t{6})}));
  acro.annot({{"Page", Variant(int32_t{1})},
              {"Name", Variant("n1")},
              {"contents", Variant("old")},
              {"State", Variant("Accepted")},  // text: not a 16-bit number, left 0
              {"Point", point},
              {"Width", Variant(2.6)},
              {"Lock", Variant(true)},
              {"NoteIcon", Variant("Key")}});
  const TextAnnotRecord r = GetTextAnnotProperties(*doc, "n1", 2);
  EXPECT_EQ(r.Name, "n1");
  EXPECT_EQ(r.contents, "old");
  EXPECT_EQ(r.State, 0);
  EXPECT_EQ(r.Page, 1);
  EXPECT_EQ(show(r.Point), "(5%, 6%)");
  EXPECT_EQ(r.Width, 3);
  EXPECT_TRUE(r.Lock);
  EXPECT_FALSE(r.ReadOnly);
  EXPECT_EQ(r.NoteIcon, "Key");
  EXPECT_EQ(acro.lines("GetAnnot"), Lines{"GetAnnot(1&, \"n1\")"});
  EXPECT_EQ(acro.lines("A1 Page")[0], "A1 Page");
  Lines reads;
  for (const auto& l : of("A1"))
    if (l != "A1 getProps") reads.push_back(l.substr(3));
  EXPECT_EQ(reads, (Lines{"Name", "contents", "State", "Page", "Point", "PopupRect", "Author", "Subject", "NoteIcon",
                          "StrokeColor", "PopupOpen", "Width", "Lock", "ReadOnly"}));

  acro.journal.clear();
  TextAnnotRecord w = r;
  w.contents = "new";
  w.Author = "Bo";
  SetTextAnnotProperties(*doc, "n1", 2, w);
  EXPECT_EQ(journalFrom("A1"),
            concat(protocol("A1", {"contents=\"new\""}),
                   protocol("A1", {"Name=\"n1\"", "State=0%", "Page=1%", "Point=(5%, 6%)",
                                   "PopupRect=", "Author=\"Bo\"", "Subject=\"\"", "NoteIcon=\"Key\"",
                                   "StrokeColor=", "PopupOpen=False", "Width=3%", "Lock=True", "ReadOnly=False"})));

  acro.journal.clear();
  FreeTextAnnotRecord f;
  f.Name = "n1";
  f.Page = 1;  // stays on its page
  f.Rotate = 90;
  SetFreeTextAnnotProperties(*doc, "n1", 2, f);
  Lines names;
  for (const auto& l : journalFrom("A1"))
    if (l.find('=') != std::string::npos) names.push_back(l.substr(3, l.find('=') - 3));
  EXPECT_EQ(names,
            (Lines{"Delay", "contents", "Delay", "Delay", "Name", "Alignment", "StrokeColor", "FillColor", "TextFont",
                   "TextSize", "Page", "Rect", "Author", "Subject", "Width", "Lock", "ReadOnly", "Rotate", "Delay"}));
  EXPECT_EQ(GetFreeTextAnnotProperties(*doc, "n1", 2).Rotate, 90);
}

TEST_F(AnnotationsTest, PropertyMembersRaiseAgainForAMissingAnnotation) {
  acro.annot({{"Page", Variant(int32_t{0})}, {"Name", Variant("n1")}});
  for (const auto& call : std::vector<std::function<void()>>{
           [&] { GetTextAnnotProperties(*doc, "n1", 2); }, [&] { GetFreeTextAnnotProperties(*doc, "zz", 1); },
           [&] { SetTextAnnotProperties(*doc, "n1", 2, TextAnnotRecord{}); },
           [&] { SetFreeTextAnnotProperties(*doc, "zz", 1, FreeTextAnnotRecord{}); }}) {
    const AutomationError e = errorOf(call);
    EXPECT_EQ(vb::runtimeErrorOf(e.number()), vb::kObjectNotSet);
    EXPECT_EQ(e.source(), "Docvane");
  }
  // Acrobat's own failure keeps its number and description.
  acro.failing = {"GetAnnot"};
  const AutomationError e = errorOf([&] { GetTextAnnotProperties(*doc, "n1", 1); });
  EXPECT_EQ(e.number(), static_cast<int32_t>(0x80004005u));
  EXPECT_EQ(e.description(), "failed: GetAnnot(0&, \"n1\")");
  EXPECT_EQ(e.source(), "Docvane");
  // Single property errors after the annotation was found are ignored.
  acro.failing = {"A1 Name", "A1 Author="};
  EXPECT_EQ(GetTextAnnotProperties(*doc, "n1", 1).Name, "");
  EXPECT_NO_THROW(SetTextAnnotProperties(*doc, "n1", 1, TextAnnotRecord{}));
}

TEST_F(AnnotationsTest, ListingAndRemovingByPage) {
  Variant names;
  // None at all: getAnnots answers null.
  EXPECT_EQ(GetAnnotations(*doc, names, 0), 0);
  ASSERT_TRUE(names.isArray());
  EXPECT_EQ(names.arrayValue().size(), 0u);
  EXPECT_EQ(RemoveAnnotations(*doc, 1), 0);

  acro.annot({{"Page", Variant(int32_t{0})}, {"Name", Variant("a")}});
  acro.annot({{"Page", Variant(int32_t{1})}, {"Name", Variant("b")}});
  acro.annot({{"Page", Variant(int32_t{1})}, {"Name", Variant("c")}});
  acro.journal.clear();
  EXPECT_EQ(GetAnnotations(*doc, names, 2), 2);
  EXPECT_EQ(show(names), "(\"b\", \"c\")");
  EXPECT_EQ(GetAnnotations(*doc, names, 0), 3);
  EXPECT_EQ(show(names), "(\"a\", \"b\", \"c\")");
  // A negative page is non-zero: GetAnnotations asks for that index.
  EXPECT_EQ(GetAnnotations(*doc, names, -1), 0);
  EXPECT_EQ(acro.lines("getAnnots"), (Lines{"getAnnots(1&)", "getAnnots", "getAnnots(-2&)"}));
  EXPECT_EQ(acro.lines("syncAnnotScan").size(), 3u);
  // RemoveAnnotations takes only pages above 0 as a page.
  acro.journal.clear();
  EXPECT_EQ(RemoveAnnotations(*doc, 2), 2);
  EXPECT_EQ(acro.lines("A"), (Lines{"A2 destroy", "A3 destroy"}));
  EXPECT_EQ(RemoveAnnotations(*doc, -1), 1);
  EXPECT_EQ(acro.lines("getAnnots"), (Lines{"getAnnots(1&)", "getAnnots"}));
  // The page index overflows as VB's arithmetic does.
  const AutomationError overflow = errorOf([&] { GetAnnotations(*doc, names, INT32_MIN); });
  EXPECT_EQ(vb::runtimeErrorOf(overflow.number()), vb::kOverflow);
  EXPECT_EQ(overflow.source(), "Docvane");
  // Stops on error, with the library's source.
  acro.failing = {"syncAnnotScan"};
  EXPECT_EQ(errorOf([&] { GetAnnotations(*doc, names, 0); }).source(), "Docvane");
  EXPECT_EQ(errorOf([&] { RemoveAnnotations(*doc, 0); }).source(), "Docvane");
}

struct SearchCase {
  const char* name;
  std::map<int32_t, std::vector<std::string>> words;
  std::string find;
  int32_t start = 0, end = 0;
  bool caseSensitive = false;
  int32_t count;
};

TEST_F(AnnotationsTest, PhraseSearchOnWordLists) {
  const std::vector<SearchCase> cases = {
      {"one word", {{0, {"The ", "Total ", "is ", "due"}}}, "Total", 0, 0, false, 1},
      {"phrase through trailing blanks", {{0, {"The ", "Grand ", "Total ", "is"}}}, "Grand Total", 0, 0, false, 1},
      {"words without blanks do not join", {{0, {"Grand", "Total"}}}, "Grand Total", 0, 0, false, 0},
      {"case-insensitive Total/TOTAL", {{0, {"TOTAL "}}}, "Total", 0, 0, false, 1},
      {"case-insensitive TOTAL/Total", {{0, {"Total "}}}, "TOTAL", 0, 0, false, 1},
      {"case-sensitive Total/TOTAL", {{0, {"TOTAL "}}}, "Total", 0, 0, true, 0},
      {"case-sensitive TOTAL/Total", {{0, {"Total "}}}, "TOTAL", 0, 0, true, 0},
      {"CR/LF removed", {{0, {"Grand \r\n", "To\rtal\n"}}}, "Grand Total", 0, 0, false, 1},
      {"three equal words", {{0, {"a ", "a ", "a "}}}, "a", 0, 0, false, 3},
      {"adjacent phrases", {{0, {"a ", "b ", "a ", "b "}}}, "a b", 0, 0, false, 2},
      {"overlapping occurrences count once", {{0, {"a ", "a ", "a "}}}, "a a", 0, 0, false, 1},
      {"phrase ending on the last word", {{0, {"x ", "Grand ", "Total"}}}, "Grand Total", 0, 0, false, 1},
      {"longer than the page", {{0, {"Grand "}}}, "Grand Total", 0, 0, false, 0},
      {"every page", {{0, {"x "}}, {1, {"x "}}, {2, {"x "}}}, "x", 0, 0, false, 3},
      {"pages 2 to 3", {{0, {"x "}}, {1, {"x "}}, {2, {"x "}}}, "x", 2, 3, false, 2},
      {"from page 3", {{0, {"x "}}, {1, {"x "}}, {2, {"x "}}}, "x", 3, 0, false, 1},
      {"up to page 1", {{0, {"x "}}, {1, {"x "}}, {2, {"x "}}}, "x", 0, 1, false, 1},
      {"empty page", {{0, {}}, {1, {"x "}}}, "x", 0, 0, false, 1},
  };
  for (const auto& c : cases) {
    acro.words = c.words;
    acro.pages = 3;
    acro.journal.clear();
    int32_t seen = 0;
    const int32_t count = findPhrase(*doc, c.find, SearchRange{c.start, c.end, c.caseSensitive}, false,
                                     [&](const PhraseMatch&) { return ++seen > 0; });
    EXPECT_EQ(count, c.count) << c.name;
    EXPECT_EQ(seen, c.count) << c.name;
  }
  // Words are read unstripped, 16-bit index, after the page's word count.
  acro.words = {{0, {"x ", "y "}}};
  acro.journal.clear();
  findPhrase(*doc, "y", SearchRange{1, 1, false}, false, [](const PhraseMatch&) { return true; });
  EXPECT_EQ(journalFrom(),
            (Lines{"getPageNumWords(0&)", "GetPageNthWord(0&, 0%, False)", "GetPageNthWord(0&, 1%, False)"}));
}

TEST_F(AnnotationsTest, SearchStopsOnErrorWithTheLibrarySource) {
  acro.words = {{0, {"a ", "b "}}};
  acro.failing = {"GetPageNthWord(0&, 1%"};
  const AutomationError e = errorOf([&] { FindAndMarkupText(*doc, Markup::Highlight, "b", {}, MarkupOptions{}); });
  EXPECT_EQ(e.source(), "Docvane");
  EXPECT_EQ(e.number(), static_cast<int32_t>(0x80004005u));
}

TEST_F(AnnotationsTest, MarkupMakesOneAnnotationPerWord) {
  acro.words = {{0, {"The ", "Grand ", "Total "}}};
  MarkupOptions o;
  o.strAuthor = "Ann";
  o.blnLock = true;
  o.blnTransparent = true;
  o.strName = "m";
  o.blnToggleNoView = true;
  EXPECT_EQ(FindAndMarkupText(*doc, Markup::Squiggly, "grand total", {}, o), 1);
  EXPECT_EQ(acro.lines("addAnnot"), (Lines{"addAnnot -> A1", "addAnnot -> A2"}));
  const std::string quad1 = show(ScriptedAcrobat::quadOf(0, 1)), quad2 = show(ScriptedAcrobat::quadOf(0, 2));
  const Lines pass1 = {"Page=0&", "Color.red", "StrokeColor=(\"RGB\", 1&, 0&, 0&)", "Type=\"Squiggly\""};
  EXPECT_EQ(of("A2"),
            concat(protocol("A2", pass1), protocol("A2", {"quads=" + quad2, "Author=\"Ann\"", "Lock=True",
                                                          "opacity=0.5!", "Name=\"m\"", "toggleNoView=True"})));
  EXPECT_EQ(of("A1")[10], "A1 quads=" + quad1);

  // A failing first pass is cleared; the quads still go in.
  acro.failing = {"A3 Type="};
  acro.journal.clear();
  EXPECT_EQ(FindAndMarkupText(*doc, Markup::Highlight, "The", {}, MarkupOptions{}), 1);
  EXPECT_EQ(
      of("A3"),
      concat(protocol("A3", {"Page=0&", "Color.yellow", "StrokeColor=(\"RGB\", 1&, 1&, 0&)", "Type=\"Highlight\""}),
             protocol("A3", {"quads=" + show(ScriptedAcrobat::quadOf(0, 0))})));
}

TEST_F(AnnotationsTest, CommentOverwriteAndCoordinatesActions) {
  acro.pages = 2;
  acro.words = {{0, {"x "}}, {1, {"Grand ", "Total ", "Grand ", "Total"}}};
  CommentSearchOptions c;
  EXPECT_EQ(FindAndCommentText(*doc, "Grand Total", "see", {2, 2, false}, c), 2);
  const Lines a1 = of("A1");
  const Lines second(a1.begin() + 6, a1.end());
  EXPECT_EQ(
      second,
      protocol("A1", {"State=\"None\"", "Page=1&", "Point=" + show(ScriptedAcrobat::quadOf(1, 0).arrayValue().at(0)),
                      "PopupRect=(0%, 692%, 200%, 792%)", "Author=\"\"", "Subject=\"\"", "NoteIcon=\"Note\"",
                      "Color.yellow", "StrokeColor=(\"RGB\", 1&, 1&, 0&)", "Name=\"Comment2\"", "PopupOpen=False",
                      "Width=1%", "Lock=False", "ReadOnly=False", "opacity=0.5!"}));
  EXPECT_EQ(of("A2")[10], "A2 Point=" + show(ScriptedAcrobat::quadOf(1, 2).arrayValue().at(0)));
  c.blnTransparent = false;
  FindAndCommentText(*doc, "x", "see", {1, 1, false}, c);
  EXPECT_EQ(of("A3").back(), "A3 setProps(<object>)");
  EXPECT_EQ(of("A3")[of("A3").size() - 3], "A3 opacity=1!");

  // Overwrite: width 0 becomes 6 per character and is written back; the
  // rectangle runs from the first word's corner to the last word's plus it.
  int16_t width = 0;
  OverwriteOptions o;
  o.intY = 2;
  o.blnBorder = true;
  EXPECT_EQ(FindAndOverwriteText(*doc, "Grand Total", "Sum!!", {2, 0, false}, width, o), 2);
  EXPECT_EQ(width, 30);
  const Lines a4 = of("A4");
  EXPECT_EQ(a4[2], "A4 Type=\"FreeText\"");
  EXPECT_NE(std::find(a4.begin(), a4.end(), "A4 Rect=(0#, 687.2#, 130#, 701#)"), a4.end());
  EXPECT_NE(std::find(a4.begin(), a4.end(), "A4 Width=1%"), a4.end());
  EXPECT_NE(std::find(a4.begin(), a4.end(), "A4 Lock=True"), a4.end());
  EXPECT_NE(std::find(a4.begin(), a4.end(), "A4 TextSize=8%"), a4.end());
  EXPECT_NE(std::find(a4.begin(), a4.end(), "A4 Page=1&"), a4.end());
  width = 7;
  FindAndOverwriteText(*doc, "Total", "x", {2, 2, false}, width, OverwriteOptions{});
  EXPECT_EQ(width, 7);

  EXPECT_EQ(show(GetTextCoordinates(*doc, "total", {})), show(ScriptedAcrobat::quadOf(1, 1).arrayValue().at(0)));
  const Variant none = GetTextCoordinates(*doc, "absent", {});
  EXPECT_EQ(none.type(), VarType::Int16);
  EXPECT_EQ(none.int16Value(), -1);
}

}  // namespace
}  // namespace dv::lib
