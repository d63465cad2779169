#include <gtest/gtest.h>

#include <string>

#include "dv/fakes/fake_host.h"
#include "dv/vb.h"
#include "relaylaunch/relay_command.h"
#include "relaylaunch/relay_launch.h"

using dv::fakes::FakeHost;
using namespace dv::lib;

namespace {

// ---- Command lines: every dialog, as whole strings ----

TEST(RelayCommandLines, EveryDialogOfTheProtocol) {
  HeaderFooterFields header{2, 5, 1, 2, 0, 0, "Confidential", 1};
  struct Case {
    RelayCommand command;
    const char* tail;
  } cases[] = {
      {relayOpen(caption::kOpen, "C:\\Docs\\a.pdf"), "open~open~C:\\Docs\\a.pdf~"},
      {relayPassword(caption::kPassword, "s3cret"), "password~password~s3cret~"},
      {relayReduceFileSize(7.0, caption::kReduceFileSize, 2), "reduce file size~reduce file size~2~"},
      {relayReduceFileSize(8.0, caption::kReduceFileSize, 3), "reduce file size8~reduce file size~3~"},
      {relaySaveAs(caption::kSaveAs, "C:\\Docs\\a.pdf"), "save as~save as~C:\\Docs\\a.pdf~"},
      {relaySaveAsWithType(7.0, caption::kSaveAs, "C:\\Docs\\a.doc", 4), "save as~save as~C:\\Docs\\a.doc~4~"},
      {relaySaveAsWithType(8.0, caption::kSaveAs, "C:\\Docs\\a.rtf", 3), "save as8~save as~C:\\Docs\\a.rtf~3~"},
      {relayPasswordSecurity(caption::kPasswordSecurity, "pw"),
       "password security - settings~password security - settings~pw~"},
      {relayConfirmOpenPassword(caption::kConfirmOpenPassword, "pw"),
       "adobe acrobat - confirm open document password~adobe acrobat - confirm open document password~pw~"},
      {relayAcrobatNotice(), "adobe acrobat~adobe acrobat~"},
      {relayHeadersFooters(7.0, caption::kHeadersFooters, header),
       "add headers & footers~add headers & footers~2~5~1~2~0~0~Confidential~1~7~"},
      {relayHeadersFooters(6.0, caption::kHeadersFooters, header),
       "add headers & footers~add headers & footers~2~5~1~2~0~0~Confidential~1~6~"},
      {relayWebCapture(caption::kWebCapture, "http://example.com/a?b=1"),
       "create pdf from web page~create pdf from web page~http://example.com/a?b=1~"},
      {relayWebCaptureFailure(caption::kWebCaptureFailure), "error: nothing done~error: nothing done~"},
      {relayWebCaptureErrors(caption::kWebCaptureErrors), "there were errors~there were errors~"},
      {relaySavePdfFileAs(caption::kSavePdfFileAs, "C:\\out\\b.pdf"),
       "save pdf file as~save pdf file as~C:\\out\\b.pdf~"},
      {relaySavePdfFileAsFixedCaption("C:\\out\\s.pdf"), "save pdf file as~save pdf file as~C:\\out\\s.pdf~"},
      {relayPrintToFile(caption::kPrintToFile, "C:\\temp\\x.ps"), "print to file~print to file~C:\\temp\\x.ps~"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.command.tail(), c.tail);
}

TEST(RelayCommandLines, CallerCaptionsNumbersAndEmptyFields) {
  // A localized viewer's captions go in field 1 as given; the keyword stays.
  EXPECT_EQ(relayOpen("Öffnen", "C:\\a.pdf").tail(), "open~Öffnen~C:\\a.pdf~");
  EXPECT_EQ(relaySaveAsWithType(8.0, "Speichern unter", "C:\\t.txt", 3).tail(),
            "save as8~Speichern unter~C:\\t.txt~3~");
  // Negative header fields keep their sign; an empty custom text is an empty field.
  HeaderFooterFields f{0, 0, -1, 0, -1, 2, "", 0};
  EXPECT_EQ(relayHeadersFooters(7.5, "add headers & footers", f).tail(),
            "add headers & footers~add headers & footers~0~0~-1~0~-1~2~~0~7~");
  EXPECT_EQ(relaySaveAsWithType(9.0, "save as", "C:\\a", -2147483647 - 1).tail(),
            "save as8~save as~C:\\a~-2147483648~");
  // Passwords go exactly as given, blanks included.
  EXPECT_EQ(relayPassword("password", "  pw ").tail(), "password~password~  pw ~");
}

TEST(RelayCommandLines, ViewerVersionThresholds) {
  EXPECT_EQ(relayReduceFileSize(7.0, "r", 0).keyword(), "reduce file size");
  EXPECT_EQ(relayReduceFileSize(7.1, "r", 0).keyword(), "reduce file size8");
  EXPECT_EQ(relayReduceFileSize(0, "r", 0).keyword(), "reduce file size");
  EXPECT_EQ(relaySaveAsWithType(7.9, "s", "f", 0).keyword(), "save as");
  EXPECT_EQ(relaySaveAsWithType(8.0, "s", "f", 0).keyword(), "save as8");
  EXPECT_EQ(relayHeadersFooters(6.9, "h", {}).tail().substr(relayHeadersFooters(6.9, "h", {}).tail().size() - 2), "6~");
  EXPECT_EQ(relayHeadersFooters(7.0, "h", {}).tail().substr(relayHeadersFooters(7.0, "h", {}).tail().size() - 2), "7~");
}

// ---- Locating and starting ----

class RelayLaunch : public ::testing::Test {
 protected:
  RelayLaunch() {
    fake.shell.setLibraryFolder("C:\\Program Files\\Docvane\\");
    fake.files.addFolder("C:\\Windows\\system32");
    fake.files.addFolder("C:\\Program Files\\Docvane");
  }
  void expectLibraryError(const std::function<void()>& call, const std::string& description) {
    try {
      call();
      ADD_FAILURE() << "no error raised";
    } catch (const dv::AutomationError& e) {
      EXPECT_EQ(e.number(), -2147467008);
      EXPECT_EQ(e.source(), "Docvane");
      EXPECT_EQ(e.description(), description);
    }
  }
  FakeHost fake;
  dv::Host host = fake.host();
};

TEST_F(RelayLaunch, SystemDirectoryWinsOverTheLibraryFolder) {
  fake.files.addFile("C:\\Windows\\system32\\dlgrelay.exe", "MZ");
  fake.files.addFile("C:\\Program Files\\Docvane\\dlgrelay.exe", "MZ");
  locateRelay(host).start({relayOpen("open", "C:\\Docs\\a.pdf"), relayPassword("password", "pw")});
  ASSERT_EQ(fake.processes.started().size(), 2u);
  EXPECT_EQ(fake.processes.started()[0], "\"C:\\Windows\\system32\\dlgrelay.exe\" open~open~C:\\Docs\\a.pdf~");
  EXPECT_EQ(fake.processes.started()[1], "\"C:\\Windows\\system32\\dlgrelay.exe\" password~password~pw~");
}

TEST_F(RelayLaunch, LibraryFolderWhenTheSystemDirectoryHasNone) {
  fake.files.addFile("C:\\Program Files\\Docvane\\dlgrelay.exe", "MZ");
  // A folder named dlgrelay.exe is not the program.
  fake.files.addFolder("C:\\Windows\\system32\\dlgrelay.exe");
  locateRelay(host).start({relaySavePdfFileAs("save pdf file as", "C:\\out\\b.pdf")});
  ASSERT_EQ(fake.processes.started().size(), 1u);
  // Quoted: the folder has a blank.
  EXPECT_EQ(fake.processes.started()[0],
            "\"C:\\Program Files\\Docvane\\dlgrelay.exe\" save pdf file as~save pdf file as~C:\\out\\b.pdf~");
}

TEST_F(RelayLaunch, MissingRelayRaisesTheLibraryErrorAndStartsNothing) {
  expectLibraryError([&] { locateRelay(host); },
                     "Error! Can't find file DLGRELAY.EXE. Please copy this file into the same path as DOCVANE.DLL or "
                     "into your Window's System Directory.");
  expectLibraryError([&] { locateRelay(host, MissingRelayText::System32Directory); },
                     "Error! Can't find file DLGRELAY.EXE. Please copy this file into the same path as DOCVANE.DLL or "
                     "into your Window's System32 Directory.");
  EXPECT_FALSE(findRelay(host).has_value());
  EXPECT_TRUE(fake.processes.started().empty());
}

TEST_F(RelayLaunch, UnknownSystemDirectoryIsNotTakenForTheDriveRoot) {
  fake.shell.setSpecialFolder(37, "");
  fake.files.addFile("C:\\dlgrelay.exe", "MZ");
  EXPECT_FALSE(findRelay(host).has_value());
  fake.files.addFile("C:\\Program Files\\Docvane\\dlgrelay.exe", "MZ");
  ASSERT_TRUE(findRelay(host).has_value());
  EXPECT_EQ(findRelay(host)->program(), "C:\\Program Files\\Docvane\\dlgrelay.exe");
}

TEST_F(RelayLaunch, FailureToStartIsIgnoredAndOnlyStartedRelaysAreEnded) {
  fake.files.addFile("C:\\Windows\\system32\\dlgrelay.exe", "MZ");
  fake.processes.setFailing(true);
  std::vector<std::string> started;
  EXPECT_NO_THROW(started = locateRelay(host).start({relayWebCaptureFailure("error: nothing done")}));
  EXPECT_TRUE(started.empty());
  fake.processes.setFailing(false);
  std::vector<std::string> open;
  ASSERT_TRUE(startOpenRelays(host, "C:\\Docs\\a.pdf", "pw", "open", "password", &open));
  EXPECT_EQ(open, fake.processes.started());
  endRelays(host, open);
  EXPECT_EQ(fake.processes.ended(), open);
}

TEST_F(RelayLaunch, OpenRelaysOnlyForANonBlankPassword) {
  // Blank passwords need no relay, so a missing relay does not matter.
  EXPECT_FALSE(startOpenRelays(host, "C:\\Docs\\a.pdf", "", "open", "password"));
  EXPECT_FALSE(startOpenRelays(host, "C:\\Docs\\a.pdf", "   ", "open", "password"));
  EXPECT_TRUE(fake.processes.started().empty());

  expectLibraryError([&] { startOpenRelays(host, "C:\\Docs\\a.pdf", "pw", "open", "password"); },
                     missingRelayDescription());
  EXPECT_TRUE(fake.processes.started().empty());

  fake.files.addFile("C:\\Windows\\system32\\dlgrelay.exe", "MZ");
  EXPECT_TRUE(startOpenRelays(host, "C:\\Docs\\a.pdf", " pw ", "Öffnen", "Kennwort"));
  ASSERT_EQ(fake.processes.started().size(), 2u);
  EXPECT_EQ(fake.processes.started()[0], "\"C:\\Windows\\system32\\dlgrelay.exe\" open~Öffnen~C:\\Docs\\a.pdf~");
  EXPECT_EQ(fake.processes.started()[1], "\"C:\\Windows\\system32\\dlgrelay.exe\" password~Kennwort~ pw ~");
}

// ---- "~" in fields: short names expanded, the rest refused ----

class RelayFields : public RelayLaunch {
 protected:
  RelayFields() {
    fake.files.addFile("C:\\Windows\\system32\\dlgrelay.exe", "MZ");
    fake.files.addFolder("C:\\Users\\runneradmin\\AppData\\Local\\Temp");
    fake.files.addShortName("C:\\Users\\runneradmin", "RUNNER~1");
    fake.files.addFolder("C:\\Program Files\\Docvane Output");
    fake.files.addShortName("C:\\Program Files", "PROGRA~1");
    fake.files.addShortName("C:\\Program Files\\Docvane Output", "DOCVAN~1");
    fake.files.addFile("C:\\Program Files\\Docvane Output\\existing report.pdf", "%PDF");
    fake.files.addShortName("C:\\Program Files\\Docvane Output\\existing report.pdf", "EXISTI~1.PDF");
  }
  std::string started(size_t i = 0) const { return fake.processes.started().at(i); }
  const std::string relay = "\"C:\\Windows\\system32\\dlgrelay.exe\" ";
};

TEST_F(RelayFields, ShortNamesOfExistingFilesAreExpanded) {
  locateRelay(host).start({relayOpen("open", "C:\\PROGRA~1\\DOCVAN~1\\EXISTI~1.PDF")});
  EXPECT_EQ(started(), relay + "open~open~C:\\Program Files\\Docvane Output\\existing report.pdf~");
}

TEST_F(RelayFields, FilesStillToBeWrittenGetTheLongFormOfTheirFolder) {
  locateRelay(host).start(
      {relaySavePdfFileAs("save pdf file as", "C:\\Users\\RUNNER~1\\AppData\\Local\\Temp\\dv12.pdf")});
  EXPECT_EQ(started(),
            relay + "save pdf file as~save pdf file as~C:\\Users\\runneradmin\\AppData\\Local\\Temp\\dv12.pdf~");
  locateRelay(host).start({relayPrintToFile("print to file", "C:\\PROGRA~1\\DOCVAN~1\\new.ps", "strPSFile")});
  EXPECT_EQ(started(1), relay + "print to file~print to file~C:\\Program Files\\Docvane Output\\new.ps~");
}

TEST_F(RelayFields, PathsWithoutTildeArePassedExactlyAsGiven) {
  // No normalisation of case, separators or missing folders.
  locateRelay(host).start({relaySaveAs("save as", "c:/NoSuchFolder/A.PDF")});
  EXPECT_EQ(started(), relay + "save as~save as~c:/NoSuchFolder/A.PDF~");
}

TEST_F(RelayFields, TildeThatCannotBeExpandedIsRefusedBeforeAnyRelayStarts) {
  // The open relay alone would be fine; neither may start.
  expectLibraryError(
      [&] {
        locateRelay(host).start(
            {relayOpen("open", "C:\\Docs\\a.pdf"), relaySaveAsWithType(8, "save as", "D:\\NOSUCH~1\\out.rtf", 3)});
      },
      "The path D:\\NOSUCH~1\\out.rtf in strFile contains \"~\", which DLGRELAY.EXE reads as a field separator, and "
      "has no long form without it. Please use a path without \"~\".");
  // A "~" that is part of the long name itself.
  fake.files.addFolder("C:\\backup~old");
  expectLibraryError(
      [&] { locateRelay(host).start({relaySavePdfFileAs("save pdf file as", "C:\\backup~old\\x.pdf")}); },
      "The path C:\\backup~old\\x.pdf in strPDFFile contains \"~\", which DLGRELAY.EXE reads as a field "
      "separator, and has no long form without it. Please use a path without \"~\".");
  EXPECT_TRUE(fake.processes.started().empty());
}

TEST_F(RelayFields, TildeInPasswordsCaptionsAndTextsNamesTheFieldNotTheValue) {
  try {
    startOpenRelays(host, "C:\\Docs\\a.pdf", "pa~ss", "open", "password");
    ADD_FAILURE() << "no error raised";
  } catch (const dv::AutomationError& e) {
    EXPECT_EQ(e.number(), dv::vb::kLibraryError);
    EXPECT_NE(e.description().find("strOpenPassword"), std::string::npos);
    EXPECT_EQ(e.description().find("pa~ss"), std::string::npos);
  }
  expectLibraryError([&] { locateRelay(host).start({relayWebCapture("create~pdf", "http://x/")}); },
                     "The value of strCreateWindowCaption contains \"~\", which DLGRELAY.EXE reads as a field "
                     "separator. Please use a value without \"~\".");
  HeaderFooterFields f;
  f.strCustomText = "a~b";
  EXPECT_THROW(locateRelay(host).start({relayHeadersFooters(7, "add headers & footers", f)}), dv::AutomationError);
  EXPECT_THROW(locateRelay(host).start({relayWebCapture("create pdf from web page", "http://host/~user/")}),
               dv::AutomationError);
  EXPECT_TRUE(fake.processes.started().empty());
}

}  // namespace
