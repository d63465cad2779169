// The Document over the viewer stand-in, in process, on real PDF files.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "document/document.h"
#include "document_test_pdf.h"
#include "dv/fakes/fake_host.h"
#include "dv/standins/pdf_file.h"
#include "dv/standins/viewer_document.h"
#include "dv/vb.h"
#include "frame/library_values.h"

namespace dv::lib {
namespace {

using standins::Control;
using standins::JournalEntry;

class DocumentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Control::instance().reset();
    std::random_device rd;
    dir = std::filesystem::temp_directory_path() / ("dv-document-test-" + std::to_string(rd()));
    std::filesystem::create_directories(dir);
    fake.automation.registerProgId("AcroExch.PDDoc", [] { return standins::pdDocClass().create(); });
    libraryValues().AcrobatVersionText = "9.0";
  }
  void TearDown() override {
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    Control::instance().reset();
  }

  std::string file(const std::string& name) { return (dir / name).string(); }
  std::string pdf(const std::string& name, int pages = 2, const std::string& title = "",
                  const std::vector<std::string>& fields = {}) {
    testing::writeTestPdf(file(name), pages, title, fields);
    return file(name);
  }
  // What CreatePDF.OpenDocument does: the path goes through the thread's
  // values, then the Document is created.
  std::unique_ptr<Document> open(const std::string& path) {
    libraryValues().OpenDocumentPath = path;
    return std::make_unique<Document>(fake.host());
  }
  // Journal entries of one member, in order.
  static std::vector<JournalEntry> calls(const std::string& member) {
    std::vector<JournalEntry> out;
    for (const auto& e : Control::instance().journal())
      if (e.member == member) out.push_back(e);
    return out;
  }
  static std::map<std::string, std::string> infoOf(const std::string& path) {
    auto facts = standins::readPdf(standins::toolRunner(), path);
    return facts ? facts->info : std::map<std::string, std::string>{};
  }
  static int vbErrorOf(const std::function<void()>& f) {
    try {
      f();
    } catch (const AutomationError& e) {
      return vb::runtimeErrorOf(e.number());
    }
    return 0;
  }

  std::filesystem::path dir;
  fakes::FakeHost fake;
};

TEST_F(DocumentTest, OpensAsPDDocAndReadsTheFile) {
  auto d = open(pdf("a.pdf", 3, "Old"));
  ASSERT_TRUE(d->isOpen());
  EXPECT_EQ(d->longProperty("NumPages"), 3);
  EXPECT_EQ(d->textProperty("Title"), "Old");
  EXPECT_EQ(d->textProperty("Producer"), "document tests");
  EXPECT_EQ(d->longProperty("FileSize"), static_cast<int32_t>(std::filesystem::file_size(file("a.pdf"))));
  const vb::DateParts created = vb::dateParts(d->dateProperty("CreationDate"));
  EXPECT_EQ(created.year, 2024);
  EXPECT_EQ(created.second, 5);
  EXPECT_EQ(d->PermanentID(), "00112233445566778899aabbccddeeff");
  EXPECT_EQ(d->InstanceID(), "ffeeddccbbaa99887766554433221100");
  EXPECT_EQ(d->PageMode(), "1");
  EXPECT_EQ(d->AcrobatLanguage(), "ENU");
  EXPECT_EQ(d->AcrobatViewerVersion(), "9");
  // No security handler is JavaScript's null; the text property gives "".
  EXPECT_EQ(d->textProperty("SecurityHandler"), "");
  // Opened as a document only: the path by reference, then its JavaScript object.
  ASSERT_EQ(fake.automation.creations(), std::vector<std::string>{"AcroExch.PDDoc"});
  const auto opens = calls("Open");
  ASSERT_EQ(opens.size(), 1u);
  EXPECT_EQ(vb::CStr(opens[0].args[0].second), file("a.pdf"));
  EXPECT_EQ(calls("GetJSObject").size(), 1u);
}

TEST_F(DocumentTest, TitleAndKeywordsSavedIntoTheFileItWasOpenedFrom) {
  const std::string path = pdf("a.pdf", 2, "Old");
  {
    auto d = open(path);
    d->letProperty("Title", Variant("New title"));
    d->KeyWords("alpha, beta");
    EXPECT_TRUE(d->boolProperty("Dirty"));
    d->Save(1, Variant::missing());
    d->CloseDoc();
  }
  const auto info = infoOf(path);
  EXPECT_EQ(info.at("Title"), "New title");
  EXPECT_EQ(info.at("Keywords"), "alpha, beta");
  EXPECT_EQ(info.count("ModDate"), 1u);
  // PDDoc.Save got its type as a 32-bit integer by reference.
  const auto saves = calls("Save");
  ASSERT_EQ(saves.size(), 1u);
  EXPECT_EQ(saves[0].args[0].second.type(), VarType::Int32);
  EXPECT_EQ(saves[0].args[0].second.int32Value(), 1);
  EXPECT_EQ(vb::CStr(saves[0].args[1].second), path);
  auto again = open(path);
  EXPECT_EQ(again->textProperty("Title"), "New title");
  EXPECT_EQ(again->KeyWords(), "alpha, beta");
}

TEST_F(DocumentTest, SavePathAndTypeRules) {
  const std::string first = pdf("first.pdf", 1, "First");
  const std::string second = pdf("second.pdf", 1, "Second");
  auto a = open(first);
  auto b = open(second);
  // An unknown type counts as an incremental save; a blank path means the
  // document's own file, even after another document was opened.
  a->letProperty("Subject", Variant("from a"));
  a->Save(5, Variant("   "));
  const auto saves = calls("Save");
  ASSERT_EQ(saves.size(), 1u);
  EXPECT_EQ(saves[0].args[0].second.int32Value(), 0);
  EXPECT_EQ(vb::CStr(saves[0].args[1].second), first);
  EXPECT_EQ(infoOf(first).at("Subject"), "from a");
  EXPECT_EQ(infoOf(second).count("Subject"), 0u);
  // An explicit path writes a new file and leaves the old one alone.
  b->letProperty("Author", Variant("B"));
  b->Save(1, Variant(file("copy.pdf")));
  EXPECT_EQ(infoOf(file("copy.pdf")).at("Author"), "B");
  EXPECT_EQ(infoOf(second).count("Author"), 0u);
}

TEST_F(DocumentTest, SaveThatWritesNothingIsAnError) {
  auto d = open(pdf("a.pdf"));
  try {
    d->Save(1, Variant((dir / "no-such-folder" / "x.pdf").string()));
    FAIL() << "no error";
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.number(), vb::kLibraryError);
    EXPECT_NE(e.description().find("could not be saved"), std::string::npos);
  }
}

TEST_F(DocumentTest, SaveAsWithAndWithoutConversion) {
  libraryValues().AcrobatVersionText = "9.0";
  auto d = open(pdf("a.pdf", 2, "T"));
  d->SaveAs(file("plain.pdf"), 0);
  d->SaveAs(file("text.txt"), 10);  // dvnTXT
  const auto saves = calls("SaveAs");
  ASSERT_EQ(saves.size(), 2u);
  ASSERT_EQ(saves[0].args.size(), 1u);
  EXPECT_EQ(vb::CStr(saves[0].args[0].second), file("plain.pdf"));
  ASSERT_EQ(saves[1].args.size(), 2u);
  EXPECT_EQ(vb::CStr(saves[1].args[1].second), "com.adobe.acrobat.accesstext");
  EXPECT_EQ(infoOf(file("plain.pdf")).at("Title"), "T");
  EXPECT_TRUE(std::filesystem::exists(file("text.txt")));
  // The PDF/A identifier for dvnPDF follows the recorded viewer version.
  EXPECT_EQ(d->GetFileType(0), "com.callas.preflight.pdfa");
  libraryValues().AcrobatVersionText = "7.0";
  EXPECT_EQ(d->GetFileType(0), "com.adobe.acrobat.pdf");
}

TEST_F(DocumentTest, PrintDocumentPageRange) {
  auto d = open(pdf("a.pdf", 4));
  d->PrintDocument(true, 0, 0, false, false, false, false, true);
  d->PrintDocument(false, 2, 3, true, true, true, true, false);
  // Only the end page follows the common rule; a start below 1 passes as it is.
  d->PrintDocument(true, -2, -1, false, false, false, false, true);
  const auto prints = calls("Print");
  ASSERT_EQ(prints.size(), 3u);
  auto args = [&](size_t n) {
    std::vector<std::string> out;
    for (const auto& a : prints[n].args) out.push_back(vb::CStr(a.second));
    return out;
  };
  EXPECT_EQ(args(0), (std::vector<std::string>{"True", "0", "3", "False", "False", "False", "False", "True"}));
  EXPECT_EQ(args(1), (std::vector<std::string>{"False", "1", "2", "True", "True", "True", "True", "False"}));
  EXPECT_EQ(args(2)[1], "-2");
  EXPECT_EQ(args(2)[2], "3");
  EXPECT_EQ(prints[0].args[1].second.type(), VarType::Int32);
}

TEST_F(DocumentTest, ReleaseClosesOnceWithoutSaving) {
  const std::string path = pdf("a.pdf", 1, "Kept");
  {
    auto d = open(path);
    d->letProperty("Title", Variant("Lost"));
  }
  auto closes = calls("CloseDoc");
  ASSERT_EQ(closes.size(), 1u);
  EXPECT_TRUE(closes[0].args[0].second.boolValue());
  EXPECT_EQ(infoOf(path).at("Title"), "Kept");

  Control::instance().clearJournal();
  {
    auto d = open(path);
    d->CloseDoc();
    EXPECT_FALSE(d->isOpen());
  }
  EXPECT_EQ(calls("CloseDoc").size(), 1u);
}

TEST_F(DocumentTest, FailedOpenLeavesAnEmptyDocument) {
  auto d = open(file("missing.pdf"));
  EXPECT_FALSE(d->isOpen());
  EXPECT_EQ(calls("GetJSObject").size(), 0u);
  EXPECT_EQ(vbErrorOf([&] { d->longProperty("NumPages"); }), vb::kObjectNotSet);
  EXPECT_EQ(vbErrorOf([&] { d->KeyWords(); }), vb::kObjectNotSet);
  EXPECT_EQ(vbErrorOf([&] { d->Save(1, Variant::missing()); }), vb::kObjectNotSet);
  EXPECT_EQ(vbErrorOf([&] { d->AcrobatViewerType(); }), vb::kObjectNotSet);
  EXPECT_EQ(d->CreateJavaScriptObject(), nullptr);
  // Members whose errors are ignored give their defaults.
  EXPECT_EQ(vbErrorOf([&] { d->CloseDoc(); }), 0);
  Array names = d->GetFieldsArray();
  EXPECT_EQ(names.ubound(1), -1);
  EXPECT_EQ(vb::CLng(d->GetFields()->get("Count")), 0);
  // A PDDoc that failed to open is released, and nothing is closed later.
  d.reset();
  EXPECT_EQ(calls("CloseDoc").size(), 0u);
}

TEST_F(DocumentTest, FieldNamesAsArrayCollectionAndHandOff) {
  auto d = open(pdf("form.pdf", 1, "", {"name", "city", "zip"}));
  Array names = d->GetFieldsArray();
  ASSERT_EQ(names.ubound(1), 2);
  EXPECT_EQ(names.at(1).stringValue(), "city");
  ObjectPtr fields = d->GetFields();
  std::vector<std::string> items;
  for (const Variant& v : fields->items()) items.push_back(vb::CStr(v));
  EXPECT_EQ(items, (std::vector<std::string>{"name", "city", "zip"}));
  EXPECT_EQ(vb::CStr(fields->get("Item", {pos(int32_t{3})})), "zip");
  // Each call builds a new collection.
  EXPECT_NE(d->GetFields(), fields);
  EXPECT_EQ(d->GetNthFieldName(2), "zip");
  EXPECT_NE(vbErrorOf([&] { d->GetNthFieldName(7); }), -1);

  // A name that cannot be read stays empty; the others are still read.
  standins::FailureRule rule;
  rule.object = "JSDoc";
  rule.member = "GetNthFieldName";
  rule.nth = 0;
  rule.number = static_cast<int32_t>(0x80004005u);
  rule.description = "busy";
  Control::instance().injectFailure(rule);
  Array blank = d->GetFieldsArray();
  ASSERT_EQ(blank.ubound(1), 2);
  EXPECT_EQ(blank.at(0).stringValue(), "");
  Control::instance().clearFailures();

  d->GetField("city");
  FieldHandOff handOff = takeFieldHandOff();
  EXPECT_EQ(handOff.name, "city");
  EXPECT_EQ(handOff.javaScript, d->CreateJavaScriptObject());
}

TEST_F(DocumentTest, OutsideErrorsReachTheCallerUnchanged) {
  auto d = open(pdf("a.pdf"));
  standins::FailureRule rule;
  rule.object = "JSDoc";
  rule.member = "Title";
  rule.number = static_cast<int32_t>(0x80041234u);
  rule.description = "Acrobat is busy";
  Control::instance().injectFailure(rule);
  try {
    d->textProperty("Title");
    FAIL() << "no error";
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.number(), static_cast<int32_t>(0x80041234u));
    EXPECT_EQ(e.description(), "Acrobat is busy");
  }
}

TEST_F(DocumentTest, PassThroughMembersCallTheirJavaScriptNames) {
  auto d = open(pdf("a.pdf"));
  const std::string attachment = file("note.txt");
  std::ofstream(attachment) << "attached";
  EXPECT_TRUE(d->AttachFile("note", attachment));
  d->ExportDataObject("note", file("out.txt"), false);
  std::ifstream exported(file("out.txt"));
  std::string text;
  std::getline(exported, text);
  EXPECT_EQ(text, "attached");
  const auto exports = calls("ExportDataObject");
  ASSERT_EQ(exports.size(), 1u);
  ASSERT_EQ(exports[0].args.size(), 4u);
  EXPECT_EQ(exports[0].args[3].second.type(), VarType::Int16);
  d->AddScript("init", "var x = 1;");
  d->removeNamed("RemoveScript", "init");
  d->removeNamed("RemoveDataObject", "note");
  d->GetURL("http://example.com/", true);
  d->CalculateNow();
  EXPECT_TRUE(d->SetPageView(3));
  EXPECT_EQ(d->PageMode(), "3");
  d->Save(1, Variant::missing());
  auto facts = standins::readPdf(standins::toolRunner(), file("a.pdf"));
  ASSERT_TRUE(facts);
  EXPECT_EQ(facts->pageMode, "UseOutlines");
  EXPECT_TRUE(facts->attachments.empty());
  // A name the viewer does not know reaches the caller as its error.
  EXPECT_THROW(d->removeNamed("RemoveTemplate", "none"), AutomationError);
}

}  // namespace
}  // namespace dv::lib
