// The menu-driven file operations: exact journals of the viewer calls with
// the relays started in between, the clamps and version thresholds, and
// the error exits.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <functional>

#include "relaylaunch/relay_launch.h"
#include "viewer/menu_operations.h"
#include "viewer_fixture.h"

namespace dv::lib {
namespace {

using testing::Lines;

constexpr int32_t kLibraryError = -2147467008;

// The relays go into the viewer's journal where they start, so a test sees
// that each was started right before the menu item whose dialog it answers.
class MenuTest : public testing::ViewerFixture {
 protected:
  MenuTest() {
    fake.processes.setOnStart([this](const std::string& commandLine) {
      const std::string tail = commandLine.substr(commandLine.find(' ', commandLine.find(".exe")) + 1);
      viewer->journal.push_back("relay " + tail);
      const std::vector<std::string> fields = vb::Split(tail, "~");
      if (fields.size() >= 3 && fields[0] == "open") viewer->dialogPath = fields[2];
      if (fields.size() >= 3 && fields[0] == "password") viewer->dialogPassword = fields[2];
    });
    addPdf("C:\\d\\a.pdf", 3);
    addPdf("C:\\d\\s.pdf", 2, "pw");
  }
  void removeRelay() { fake.files.deleteFile(fake.shell.specialFolder(fakes::kCsidlSystem) + "\\dlgrelay.exe"); }

  static ReduceFileSizeRequest reduce(int32_t version, std::string password = "") {
    ReduceFileSizeRequest r;
    r.pdfFile = password.empty() ? "C:\\d\\a.pdf" : "C:\\d\\s.pdf";
    r.open.password = std::move(password);
    r.version = version;
    return r;
  }
  static SaveFileAsRequest saveAs(std::string target, int32_t type) {
    SaveFileAsRequest r;
    r.pdfFile = "C:\\d\\a.pdf";
    r.file = std::move(target);
    r.fileType = type;
    return r;
  }
  static SetOpenPasswordRequest secure(std::string password) {
    SetOpenPasswordRequest r;
    r.pdfFile = "C:\\d\\a.pdf";
    r.password = std::move(password);
    return r;
  }
  static PageHeaderRequest headers() {
    PageHeaderRequest r;
    r.pdfFile = "C:\\d\\a.pdf";
    r.fontName = 4;
    r.fontSize = 2;
    r.pageStyle = 3;
    r.pageAlign = 1;
    r.dateStyle = -1;
    r.dateAlign = 5;
    r.customText = "Draft";
    r.customTextAlign = 2;
    return r;
  }
};

const Lines kOpenWithTitle{"create AcroExch.App", "create AcroExch.PDDoc", "PDDoc.Open(C:\\d\\a.pdf)",
                           "PDDoc.OpenAVDoc(a.pdf)"};
const Lines kEnd{"AVDoc.Close(True)", "PDDoc.Close()", "App.Exit()"};

Lines join(std::initializer_list<Lines> parts) {
  Lines all;
  for (const Lines& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

TEST_F(MenuTest, ReduceFileSizeOpensWithTitleStartsBothRelaysThenRunsTheCommand) {
  reduceFileSize(ctx, reduce(1));
  EXPECT_EQ(viewer->journal, join({kOpenWithTitle,
                                   {"relay reduce file size8~reduce file size~1~",
                                    "relay save as~save as~C:\\d\\a.pdf~", "App.MenuItemExecute(ReduceFileSize)"},
                                   kEnd}));
}

TEST_F(MenuTest, ReduceFileSizeWithPasswordOpensThroughTheDialogsInTheLongForm) {
  reduceFileSize(ctx, reduce(2, "pw"));
  EXPECT_EQ(viewer->journal, join({{"create AcroExch.App", "create AcroExch.PDDoc", "relay open~open~C:\\d\\s.pdf~",
                                    "relay password~password~pw~", "App.MenuItemExecute(Open)", "create AcroExch.AVDoc",
                                    "AVDoc.Open(C:\\d\\s.pdf,)", "App.GetActiveDoc()", "AVDoc.GetPDDoc()",
                                    "relay reduce file size8~reduce file size~2~",
                                    "relay save as~save as~C:\\d\\s.pdf~", "App.MenuItemExecute(ReduceFileSize)"},
                                   kEnd}));
}

TEST_F(MenuTest, ReduceFileSizeLevelAndRelayByViewerVersion) {
  struct Case {
    double viewerVersion;
    int32_t level;
    const char* relay;
  };
  const Case cases[] = {
      {9.0, 9, "reduce file size8~reduce file size~0~"},   // outside 0 to 4
      {9.0, -1, "reduce file size8~reduce file size~0~"},  //
      {9.0, 4, "reduce file size8~reduce file size~4~"},   // the 8.0 level exists there
      {7.1, 3, "reduce file size8~reduce file size~3~"},   // strictly above 7.0
      {7.0, 3, "reduce file size~reduce file size~3~"},    // 7.0 exactly
      {7.0, 4, "reduce file size~reduce file size~3~"},    // that list ends at 7.0
      {6.0, 4, "reduce file size~reduce file size~3~"},    //
      {6.0, 2, "reduce file size~reduce file size~2~"},
  };
  for (const Case& c : cases) {
    viewer->journal.clear();
    version = c.viewerVersion;
    reduceFileSize(ctx, reduce(c.level));
    EXPECT_EQ(viewer->calls("relay reduce"), Lines{std::string("relay ") + c.relay})
        << c.viewerVersion << " " << c.level;
  }
}

TEST_F(MenuTest, SaveFileAsDeletesTheTargetThenStartsTheRelayByViewerVersion) {
  fake.files.addFile("C:\\out\\a.txt", "old");
  saveFileAs(ctx, saveAs("C:\\out\\a.txt", 10));
  EXPECT_FALSE(fake.files.exists("C:\\out\\a.txt"));
  EXPECT_EQ(viewer->journal,
            join({kOpenWithTitle, {"relay save as8~save as~C:\\out\\a.txt~10~", "App.MenuItemExecute(SaveAs)"}, kEnd}));

  struct Case {
    double viewerVersion;
    int32_t type;
    const char* relay;
  };
  const Case cases[] = {
      {8.0, 3, "relay save as8~save as~C:\\out\\b~3~"},  // from 8.0 on
      {7.5, 3, "relay save as~save as~C:\\out\\b~3~"},   // four fields below 8
      {9.0, -1, "relay save as8~save as~C:\\out\\b~0~"}, {9.0, 15, "relay save as8~save as~C:\\out\\b~0~"},
      {6.0, 14, "relay save as~save as~C:\\out\\b~14~"},
  };
  for (const Case& c : cases) {
    viewer->journal.clear();
    version = c.viewerVersion;
    saveFileAs(ctx, saveAs("C:\\out\\b", c.type));
    EXPECT_EQ(viewer->calls("relay"), Lines{c.relay}) << c.viewerVersion << " " << c.type;
  }
}

TEST_F(MenuTest, SaveFileAsOntoItsOpenSourceFailsAndKeepsTheSource) {
  // The viewer holds the file of its open document: it cannot be deleted.
  fake.files.setReadOnly("C:\\d\\a.pdf", true);
  try {
    saveFileAs(ctx, saveAs("C:\\d\\a.pdf", 0));
    FAIL();
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.number(), static_cast<int32_t>(0x800A0000 + 75));
    EXPECT_EQ(e.source(), "Docvane");
  }
  EXPECT_TRUE(fake.files.isFile("C:\\d\\a.pdf"));
  EXPECT_EQ(viewer->journal, join({kOpenWithTitle, kEnd}));
  EXPECT_TRUE(fake.processes.started().empty());
}

TEST_F(MenuTest, SetOpenPasswordStartsItsThreeRelaysThenSecuresAndSaves) {
  version = 5.0;  // no view title up to 5.0
  setOpenPassword(ctx, secure("new pw"));
  EXPECT_EQ(viewer->journal,
            join({{"create AcroExch.App", "create AcroExch.PDDoc", "PDDoc.Open(C:\\d\\a.pdf)", "PDDoc.OpenAVDoc()",
                   "relay password security - settings~password security - settings~new pw~",
                   "relay adobe acrobat - confirm open document password~adobe acrobat - confirm open document "
                   "password~new pw~",
                   "relay adobe acrobat~adobe acrobat~", "App.MenuItemExecute(SecureApplyPwdSecurity)",
                   "App.MenuItemExecute(Save)"},
                  kEnd}));
  viewer->journal.clear();
  version = 5.1;
  setOpenPassword(ctx, secure("x"));
  EXPECT_EQ(viewer->calls("PDDoc.OpenAVDoc"), Lines{"PDDoc.OpenAVDoc(a.pdf)"});
}

TEST_F(MenuTest, SeparatorInAnyRelayValueIsRefusedBeforeAnythingOpens) {
  const std::vector<std::function<void()>> calls = {
      [&] { setOpenPassword(ctx, secure("a~b")); },
      [&] { reduceFileSize(ctx, reduce(0, "p~w")); },
      [&] {
        PageHeaderRequest r = headers();
        r.customText = "x~y";
        createPageHeaderInPdf(ctx, r);
      },
  };
  for (const auto& call : calls) {
    try {
      call();
      ADD_FAILURE() << "no error";
    } catch (const AutomationError& e) {
      EXPECT_EQ(e.number(), kLibraryError);
      EXPECT_NE(e.description().find("\"~\""), std::string::npos) << e.description();
      EXPECT_EQ(e.description().find("a~b"), std::string::npos);  // passwords are never echoed
    }
  }
  EXPECT_TRUE(viewer->journal.empty());
}

TEST_F(MenuTest, PageHeaderRelayCarriesTheClampedFieldsAndTheLayoutOfTheVersion) {
  version = 7.0;
  createPageHeaderInPdf(ctx, headers());
  EXPECT_EQ(viewer->journal, join({kOpenWithTitle,
                                   {"relay add headers & footers~add headers & footers~4~2~3~1~-1~0~Draft~2~7~",
                                    "App.MenuItemExecute(COMP:AddHeadFoot)", "PDDoc.Save(0,C:\\d\\a.pdf)"},
                                   kEnd}));
  viewer->journal.clear();
  version = 6.9;
  PageHeaderRequest r = headers();
  r.pageAlign = -1;
  r.customTextAlign = 3;
  createPageHeaderInPdf(ctx, r);
  EXPECT_EQ(viewer->calls("relay"), Lines{"relay add headers & footers~add headers & footers~4~2~3~0~-1~0~Draft~0~6~"});
}

TEST_F(MenuTest, PageHeaderGoesOnWithoutARelay) {
  removeRelay();
  createPageHeaderInPdf(ctx, headers());
  EXPECT_EQ(viewer->journal,
            join({kOpenWithTitle, {"App.MenuItemExecute(COMP:AddHeadFoot)", "PDDoc.Save(0,C:\\d\\a.pdf)"}, kEnd}));
}

TEST_F(MenuTest, LinksThroughTheJavaScriptObjectThenSavedInPlace) {
  createLinksInPdf(ctx, "C:\\d\\a.pdf", {});
  EXPECT_EQ(viewer->journal,
            join({kOpenWithTitle, {"PDDoc.GetJSObject()", "JSO.AddWebLinks()", "PDDoc.Save(0,C:\\d\\a.pdf)"}, kEnd}));
}

// Every member, for the tests that treat them alike.
struct Member {
  const char* name;
  std::function<void(MenuTest&, ViewerContext&)> call;
};

class MenuMembersTest : public MenuTest {
 protected:
  std::vector<Member> members() {
    return {
        {"ReduceFileSize", [](MenuTest&, ViewerContext& c) { reduceFileSize(c, reduce(1)); }},
        {"SaveFileAs", [](MenuTest&, ViewerContext& c) { saveFileAs(c, saveAs("C:\\out\\x.txt", 10)); }},
        {"SetOpenPassword", [](MenuTest&, ViewerContext& c) { setOpenPassword(c, secure("pw")); }},
        {"CreatePageHeaderInPDF", [](MenuTest&, ViewerContext& c) { createPageHeaderInPdf(c, headers()); }},
        {"CreateLinksInPDF", [](MenuTest&, ViewerContext& c) { createLinksInPdf(c, "C:\\d\\a.pdf", {}); }},
    };
  }
  // Runs one member with `failAt` failing; checks the error exit.
  void expectErrorExit(const Member& m, const std::string& key, int nth) {
    viewer->journal.clear();
    viewer->callKeys.clear();
    viewer->failAt = testing::FakeViewer::NthFailure{
        key, nth, AutomationError(static_cast<int32_t>(0x80004005u), "Viewer", "broken")};
    const size_t relaysBefore = fake.processes.started().size();
    try {
      m.call(*this, ctx);
      ADD_FAILURE() << m.name << " " << key;
    } catch (const AutomationError& e) {
      EXPECT_EQ(e.number(), static_cast<int32_t>(0x80004005)) << m.name;
      EXPECT_EQ(e.description(), "broken");
      EXPECT_EQ(e.source(), "Docvane");
    }
    viewer->failAt.reset();
    const Lines& j = viewer->journal;
    ASSERT_GE(j.size(), 3u);
    EXPECT_EQ(Lines(j.end() - 3, j.end()), kEnd) << m.name << " " << key;
    EXPECT_EQ(viewer->live, 0) << m.name;
    // The relays of a failed menu item wait for nothing any more.
    const auto& started = fake.processes.started();
    const Lines mine(started.begin() + static_cast<std::ptrdiff_t>(relaysBefore), started.end());
    if (key == "App.MenuItemExecute" && nth == 1) {
      for (const std::string& line : mine) {
        const auto& ended = fake.processes.ended();
        EXPECT_NE(std::find(ended.begin(), ended.end(), line), ended.end()) << m.name << " left " << line;
      }
    }
  }
};

TEST_F(MenuMembersTest, FailureAtTheMenuItemOrTheSaveClosesEverythingAndRaisesTheError) {
  for (const Member& m : members()) {
    // CreateLinksInPDF runs no menu item: its step is the JavaScript call.
    if (std::string(m.name) == "CreateLinksInPDF") expectErrorExit(m, "JSO.AddWebLinks", 1);
    else expectErrorExit(m, "App.MenuItemExecute", 1);
    if (std::string(m.name) == "SetOpenPassword") expectErrorExit(m, "App.MenuItemExecute", 2);  // "Save"
    if (std::string(m.name).rfind("Create", 0) == 0) expectErrorExit(m, "PDDoc.Save", 1);
  }
}

TEST_F(MenuMembersTest, MissingPdfRaisesBeforeAnyObjectIsCreated) {
  for (const Member& m : members()) {
    viewer->journal.clear();
    try {
      // The same members on a file that is not there.
      fake.files.deleteFile("C:\\d\\a.pdf");
      m.call(*this, ctx);
      ADD_FAILURE() << m.name;
    } catch (const AutomationError& e) {
      EXPECT_EQ(e.number(), kLibraryError);
      EXPECT_EQ(e.description(), "File C:\\d\\a.pdf does not exist.");
    }
    EXPECT_TRUE(viewer->journal.empty()) << m.name;
  }
}

TEST_F(MenuMembersTest, MissingRelayRaisesThroughTheErrorExitExceptAtTheHeaders) {
  removeRelay();
  for (const Member& m : members()) {
    viewer->journal.clear();
    if (std::string(m.name) == "CreatePageHeaderInPDF" || std::string(m.name) == "CreateLinksInPDF") {
      m.call(*this, ctx);  // the one goes on without it, the other needs none
      continue;
    }
    try {
      m.call(*this, ctx);
      ADD_FAILURE() << m.name;
    } catch (const AutomationError& e) {
      EXPECT_EQ(e.number(), kLibraryError);
      EXPECT_EQ(e.description(), missingRelayDescription());
    }
    EXPECT_TRUE(viewer->calls("App.MenuItemExecute").empty()) << m.name;
    EXPECT_EQ(Lines(viewer->journal.end() - 3, viewer->journal.end()), kEnd) << m.name;
  }
  // With a password every member needs it for the open dialogs.
  viewer->journal.clear();
  EXPECT_THROW(createLinksInPdf(ctx, "C:\\d\\s.pdf", OpenPassword{"pw", "open", "password"}), AutomationError);
  EXPECT_TRUE(viewer->calls("App.MenuItemExecute").empty());
}

}  // namespace
}  // namespace dv::lib
