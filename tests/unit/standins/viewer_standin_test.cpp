// The application side of the viewer stand-in on real PDF files: one shared
// viewer, its window class by version, the Open command with its dialogs,
// passwords checked against the file, printing with a job record, and
// bookmarks from the file's outline.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "dv/standins/viewer_app.h"
#include "dv/standins/tools.h"
#include "dv/vb.h"

namespace dv::standins {
namespace {

namespace fs = std::filesystem;

// Plays the person at the screen: answers the dialogs from a script.
class ScriptedUi : public ViewerUi {
 public:
  void start(const std::string& windowClass) override { events.push_back("start " + windowClass); }
  void show() override { events.push_back("show"); }
  void end() override { events.push_back("end"); }
  std::optional<std::string> ask(const std::string& caption, const std::string&, bool) override {
    events.push_back("ask " + caption);
    if (answers.empty()) return std::nullopt;
    auto a = answers.front();
    answers.erase(answers.begin());
    return a;
  }
  std::vector<std::optional<std::string>> answers;
  std::vector<std::string> events;
};

class ViewerStandInTest : public ::testing::Test {
 protected:
  // The journal keeps the objects passed as arguments; they must die
  // outside the framework's lock, so a copy holds them over the reset.
  static void resetControl() {
    std::vector<JournalEntry> keep = Control::instance().journal();
    Control::instance().reset();
  }
  void SetUp() override {
    resetControl();
    SharedViewer::instance().reset();
    SharedViewer::instance().setUi(&ui);
    dir =
        fs::temp_directory_path() / ("dv_viewer_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                                     "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir);
    plain = (dir / "plain.pdf").string();
    secret = (dir / "secret.pdf").string();
    ASSERT_TRUE(runTool({"gs", "-q", "-dNOPAUSE", "-dBATCH", "-sDEVICE=pdfwrite", "-o", plain, "-c",
                         "showpage showpage showpage"})
                    .ok());
    ASSERT_TRUE(runTool({"qpdf", "--encrypt", "s3cret pw", "owner", "256", "--", plain, secret}).ok());
  }
  void TearDown() override {
    SharedViewer::instance().reset();
    SharedViewer::instance().setUi(nullptr);
    resetControl();
    fs::remove_all(dir);
  }
  ObjectPtr create(const char* progId) { return findClassByProgId(progId)->create(); }
  ObjectPtr activeView(const ObjectPtr& app) {
    Variant v = app->call("GetActiveDoc");
    return v.objectValue();
  }

  ScriptedUi ui;
  fs::path dir;
  std::string plain, secret;
};

TEST_F(ViewerStandInTest, OneViewerWithTheWindowClassOfItsVersion) {
  Control::instance().setSetting("AcrobatVersion", "7.0");
  ObjectPtr app = create("AcroExch.App");
  ObjectPtr second = create("AcroExch.App");
  EXPECT_EQ(ui.events, (std::vector<std::string>{"start AdobeAcrobat"}));  // shared, hidden
  EXPECT_FALSE(SharedViewer::instance().visible());
  app->call("Show");
  EXPECT_TRUE(SharedViewer::instance().visible());
  second->call("Exit");
  EXPECT_FALSE(SharedViewer::instance().running());

  Control::instance().setSetting("AcrobatVersion", "10.1.2");
  create("AcroExch.AVDoc");  // any viewer object starts the viewer
  EXPECT_EQ(ui.events.back(), "start AcrobatSDIWindow");
  EXPECT_THROW(app->call("NoSuchMember"), AutomationError);
}

TEST_F(ViewerStandInTest, OpenCommandOpensWhatTheDialogsWereGiven) {
  ObjectPtr app = create("AcroExch.App");
  ui.answers = {secret, std::string("wrong")};
  EXPECT_TRUE(app->call("MenuItemExecute", {pos("Open")}).boolValue());
  EXPECT_EQ(activeView(app), nullptr);  // a wrong password opens nothing

  ui.answers = {secret, std::string("s3cret pw")};
  app->call("MenuItemExecute", {pos("Open")});
  ObjectPtr view = activeView(app);
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(SharedViewer::instance().active()->pages, 3);
  EXPECT_EQ(ui.events, (std::vector<std::string>{"start AcrobatSDIWindow", "ask Open", "ask Password", "ask Open",
                                                 "ask Password"}));

  // A plain file asks no password; cancelling the open dialog opens nothing.
  ui.answers = {plain};
  app->call("MenuItemExecute", {pos("Open")});
  EXPECT_EQ(SharedViewer::instance().active()->path, plain);
  ui.answers.clear();
  app->call("MenuItemExecute", {pos("Open")});
  EXPECT_EQ(SharedViewer::instance().documents().size(), 2u);
  EXPECT_FALSE(app->call("MenuItemExecute", {pos("NoSuchCommand")}).boolValue());
}

TEST_F(ViewerStandInTest, ViewOpenAddressesAnOpenDocumentAndRefusesAnUnreadableOne) {
  ObjectPtr avDoc = create("AcroExch.AVDoc");
  EXPECT_TRUE(avDoc->call("Open", {pos(plain), pos("")}).boolValue());
  EXPECT_TRUE(avDoc->call("Open", {pos(plain), pos("")}).boolValue());
  EXPECT_EQ(SharedViewer::instance().documents().size(), 1u);

  ObjectPtr other = create("AcroExch.AVDoc");
  EXPECT_FALSE(other->call("Open", {pos(secret), pos("")}).boolValue());  // nobody types the password
  EXPECT_FALSE(other->call("Open", {pos((dir / "missing.pdf").string()), pos("")}).boolValue());
  std::ofstream((dir / "broken.pdf").string()) << "not a pdf";
  EXPECT_FALSE(other->call("Open", {pos((dir / "broken.pdf").string()), pos("")}).boolValue());
  EXPECT_THROW(other->call("GetPDDoc"), AutomationError);

  EXPECT_TRUE(avDoc->call("Close", {pos(true)}).boolValue());
  EXPECT_FALSE(avDoc->call("IsValid").boolValue());
  EXPECT_TRUE(SharedViewer::instance().documents().empty());
}

TEST_F(ViewerStandInTest, PrintingWritesAJobRecord) {
  const std::string log = (dir / "jobs.txt").string();
  Control::instance().setSetting("PrintLog", log);
  Control::instance().setSetting("DefaultPrinter", "Office Laser");
  ObjectPtr avDoc = create("AcroExch.AVDoc");
  avDoc->call("Open", {pos(plain), pos("")});
  EXPECT_TRUE(avDoc->call("PrintPages", {pos(int32_t{1}), pos(int32_t{1}), pos(int16_t{2}), pos(true), pos(false)})
                  .boolValue());
  EXPECT_TRUE(
      avDoc->call("PrintPagesSilent", {pos(int32_t{0}), pos(int32_t{2}), pos(int16_t{2}), pos(true), pos(false)})
          .boolValue());
  // Pages outside the document print nothing.
  EXPECT_FALSE(avDoc->call("PrintPages", {pos(int32_t{0}), pos(int32_t{3}), pos(int16_t{2}), pos(true), pos(false)})
                   .boolValue());
  std::stringstream text;
  text << std::ifstream(log).rdbuf();
  EXPECT_EQ(text.str(), printJobLine(plain, 1, 1, "Office Laser", false) + "\r\n" +
                            printJobLine(plain, 0, 2, "Office Laser", true) + "\r\n");
  EXPECT_EQ(printJobLine("C:\\a.pdf", 1, 1, "P", false), "file=C:\\a.pdf\tpages=2-2\tprinter=P\tmode=normal");
  bool printed = false;
  for (const auto& line : Control::instance().journalLines())
    printed |= line.find("PrintPagesSilent") != std::string::npos;
  EXPECT_TRUE(printed);
}

class ViewerOutlineTest : public ViewerStandInTest {
 protected:
  void SetUp() override {
    ViewerStandInTest::SetUp();
    book = (dir / "book.pdf").string();
    const ToolResult gs =
        runTool({"gs", "-q", "-dNOPAUSE", "-dBATCH", "-sDEVICE=pdfwrite", "-o", book, "-c",
                 "showpage showpage showpage showpage [/Title (Intro) /Page 1 /OUT pdfmark "
                 "[/Title (Chapter) /Page 2 /Count 2 /OUT pdfmark [/Title (Part A) /Page 3 /OUT pdfmark "
                 "[/Title (Part B) /Page 4 /OUT pdfmark"});
    ASSERT_TRUE(gs.ok()) << gs.output;
  }
  std::string book;
};

TEST_F(ViewerOutlineTest, OutlineComesFromTheFile) {
  const auto outline = readOutline(book, "");
  ASSERT_EQ(outline.size(), 2u);
  EXPECT_EQ(outline[0].title, "Intro");
  EXPECT_EQ(outline[0].page, 0);
  ASSERT_EQ(outline[1].children.size(), 2u);
  EXPECT_EQ(outline[1].children[1].title, "Part B");
  EXPECT_EQ(outline[1].children[1].page, 3);
  EXPECT_TRUE(readOutline(plain, "").empty());
}

TEST_F(ViewerOutlineTest, BookmarksMoveTheView) {
  ObjectPtr avDoc = create("AcroExch.AVDoc");
  ASSERT_TRUE(avDoc->call("Open", {pos(book), pos("")}).boolValue());
  ViewerView* view = SharedViewer::instance().find(book);

  ObjectPtr root = bookmarkRoot(book, "");
  Array top = root->get("Children").arrayValue();
  ASSERT_EQ(top.size(), 2u);
  ObjectPtr chapter = top.at(1).objectValue();
  EXPECT_EQ(vb::CStr(chapter->get("Name")), "Chapter");
  ObjectPtr partB = chapter->get("Children").arrayValue().at(1).objectValue();
  partB->call("Execute");
  EXPECT_EQ(view->currentPage, 3);
  EXPECT_THROW(partB->get("Children"), AutomationError);  // a leaf

  ObjectPtr pdDoc = avDoc->call("GetPDDoc").objectValue();
  ObjectPtr bookmark = create("AcroExch.PDBookmark");
  EXPECT_FALSE(bookmark->call("GetByTitle", {pos(pdDoc), pos("part a")}).boolValue());  // exact titles
  EXPECT_TRUE(bookmark->call("GetByTitle", {pos(pdDoc), pos("Part A")}).boolValue());
  EXPECT_TRUE(bookmark->call("Perform", {pos(avDoc)}).boolValue());
  EXPECT_EQ(view->currentPage, 2);
}

// A document opened with its password through the viewer's dialogs: the
// PDDoc the window hands out reads the encrypted file, and its JavaScript
// object shows the outline and turns the window's page.
TEST_F(ViewerOutlineTest, EncryptedDocumentThroughTheWindowAndItsJavaScriptObject) {
  const std::string secretBook = (dir / "secret_book.pdf").string();
  ASSERT_TRUE(runTool({"qpdf", "--encrypt", "pw 2", "owner", "256", "--", book, secretBook}).ok());
  ObjectPtr app = create("AcroExch.App");
  ui.answers = {secretBook, std::string("pw 2")};
  app->call("MenuItemExecute", {pos("Open")});
  ObjectPtr view = activeView(app);
  ASSERT_NE(view, nullptr);
  ObjectPtr pdDoc = view->call("GetPDDoc").objectValue();
  EXPECT_EQ(vb::CLng(pdDoc->call("GetNumPages")), 4);

  ObjectPtr jso = pdDoc->call("GetJSObject").objectValue();
  EXPECT_EQ(vb::CLng(jso->get("NumPages")), 4);
  ObjectPtr intro = jso->get("BookMarkRoot").objectValue()->get("Children").arrayValue().at(0).objectValue();
  EXPECT_EQ(vb::CStr(intro->get("Name")), "Intro");
  jso->let("PageNum", Variant(int32_t{2}));
  EXPECT_EQ(vb::CLng(jso->get("PageNum")), 2);
  EXPECT_EQ(SharedViewer::instance().find(secretBook)->currentPage, 2);
  jso->let("PageNum", Variant(int32_t{4}));  // beyond the last page: stays
  jso->let("PageNum", Variant(int32_t{-1}));
  EXPECT_EQ(vb::CLng(jso->get("PageNum")), 2);
  EXPECT_THROW(jso->get("bookmarkroot"), AutomationError);  // JavaScript names are exact

  // A PDDoc opened by the client shows in a window of its own, once.
  ObjectPtr own = create("AcroExch.PDDoc");
  ASSERT_TRUE(own->call("Open", {pos(book)}).boolValue());
  ObjectPtr window = own->call("OpenAVDoc", {pos("Book")}).objectValue();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(vb::CStr(window->call("GetTitle")), "Book");
  own->call("OpenAVDoc", {pos("Again")});
  EXPECT_EQ(SharedViewer::instance().documents().size(), 2u);
  EXPECT_FALSE(create("AcroExch.PDDoc")->call("Open", {pos(secretBook)}).boolValue());  // no password, no document
}

}  // namespace
}  // namespace dv::standins
