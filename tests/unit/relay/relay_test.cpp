// The relay on the in-memory window tree and a clock that only moves when
// the relay searches or sleeps: exact message sequences, the search bound
// and the settle, without waiting for real time.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "dv/fakes/fake_services.h"
#include "dv/fakes/fake_windows.h"
#include "relay/core/relay.h"

namespace {

using dv::Hwnd;
using dv::Rect;
using dv::fakes::FakeWindows;
using dv::fakes::WindowMessage;
using Lines = std::vector<std::string>;

// A clock that moves while the relay serves its message queue (once per
// search attempt), so a search that finds nothing ends after a bounded
// number of attempts without real waiting.
struct SteppingTime {
  SteppingTime(uint64_t step) {
    pump.addHook([this, step] { clock.advanceMs(step); });
  }
  uint64_t elapsed() { return clock.tickMs() - start; }
  dv::fakes::FakeClock clock;
  dv::fakes::FakePump pump;
  uint64_t start = clock.tickMs();
};

class RelayTest : public ::testing::Test {
 protected:
  Hwnd add(Hwnd parent, const std::string& cls, const std::string& text, const std::string& name, Rect rect = {}) {
    Hwnd h = windows.create(parent, cls, text, rect);
    names[h] = name;
    return h;
  }

  void run(const std::string& args) {
    dv::relay::RelayEnv env{windows, time.clock, time.pump};
    dv::relay::run(env, args);
  }

  // The journal in a readable form: "text edit=C:\a.pdf", "key edit 13",
  // "click ok" for a button-down/button-up pair at (0, 0).
  Lines messages() const {
    Lines out;
    const auto& j = windows.journal();
    for (size_t i = 0; i < j.size(); ++i) {
      const WindowMessage& m = j[i];
      std::string who = names.count(m.window) ? names.at(m.window) : std::to_string(m.window);
      if (m.kind == WindowMessage::Kind::SendText && m.message == dv::wm::kSetText) {
        out.push_back("text " + who + "=" + m.text);
      } else if (m.kind == WindowMessage::Kind::Post && m.message == dv::wm::kKeyDown && m.lParam == 0) {
        out.push_back("key " + who + " " + std::to_string(m.wParam));
      } else if (m.kind == WindowMessage::Kind::Post && m.message == dv::wm::kLButtonDown && m.wParam == 0 &&
                 m.lParam == 0 && i + 1 < j.size() && j[i + 1].window == m.window &&
                 j[i + 1].kind == WindowMessage::Kind::Post && j[i + 1].message == dv::wm::kLButtonUp &&
                 j[i + 1].wParam == 0 && j[i + 1].lParam == 0) {
        out.push_back("click " + who);
        ++i;
      } else {
        out.push_back("other " + who + " " + std::to_string(m.message));
      }
    }
    return out;
  }

  // The one-second sleeps (settle, handlers); every other sleep is a
  // pause between two search attempts.
  void expectSleeps(int count) {
    const int pauses = time.clock.sleepsOf(dv::relay::kSearchPauseMs);
    EXPECT_EQ(time.clock.sleepsOf(1000), count);
    EXPECT_EQ(time.clock.sleeps(), count + pauses);
    EXPECT_EQ(time.clock.sleptMs(), 1000u * static_cast<unsigned>(count) + dv::relay::kSearchPauseMs * pauses);
  }

  static constexpr uint64_t stepMs = 7;
  FakeWindows windows;
  SteppingTime time{stepMs};
  std::map<Hwnd, std::string> names;
};

constexpr const char* kEnter = "13";

// ---- Command line ----

TEST(RelayCommandLine, FieldsAreClosedByTildeAndOnlyActionAndCaptionLowered) {
  using dv::relay::parseFields;
  EXPECT_EQ(parseFields("open~open~C:\\a.pdf~"), (Lines{"open", "open", "C:\\a.pdf"}));
  EXPECT_EQ(parseFields("  OPEN~Open File~C:\\A.PDF~  "), (Lines{"open", "open file", "C:\\A.PDF"}));
  // Text after the last "~" is dropped, so is everything without any "~".
  EXPECT_EQ(parseFields("open~open~C:\\a.pdf"), (Lines{"open", "open"}));
  EXPECT_TRUE(parseFields("open open C:\\a.pdf").empty());
  EXPECT_TRUE(parseFields("   ").empty());
  // Empty fields are fields; blanks inside and around data stay.
  EXPECT_EQ(parseFields("a~~ b ~~"), (Lines{"a", "", " b ", ""}));
  // Only blanks are trimmed, not tabs.
  EXPECT_EQ(parseFields("\tOpen~x~"), (Lines{"\topen", "x"}));
  // Non-ASCII text in the caption survives lower-casing intact.
  EXPECT_EQ(parseFields("open~\xC3\x96"
                        "FFNEN~x~")[1],
            "\xC3\x96"
            "ffnen");
}

TEST(RelayCommandLine, AtMost32767Fields) {
  auto fields = dv::relay::parseFields(std::string(40000, '~'));
  EXPECT_EQ(fields.size(), 32767u);
}

TEST(RelayCommandLine, ArgumentsFollowTheProgramPath) {
  using dv::relay::argumentsOf;
  const std::string own = "C:\\Program Files\\Docvane\\dlgrelay.exe";
  EXPECT_EQ(argumentsOf("\"C:\\Program Files\\Docvane\\dlgrelay.exe\" open~open~x~", own), " open~open~x~");
  // Unquoted, as the library writes it: the own path is skipped whole.
  EXPECT_EQ(argumentsOf("C:\\Program Files\\Docvane\\dlgrelay.exe open~open~x~", own), " open~open~x~");
  EXPECT_EQ(argumentsOf("c:\\program files\\docvane\\DLGRELAY.EXE open~open~x~", own), " open~open~x~");
  EXPECT_EQ(argumentsOf("C:\\Windows\\dlgrelay.exe save as~save as~C:\\a b.pdf~", own),
            " save as~save as~C:\\a b.pdf~");
  EXPECT_EQ(argumentsOf("dlgrelay.exe", own), "");
  EXPECT_EQ(argumentsOf("\"C:\\x y\\dlgrelay.exe", own), "");
  // A longer name that merely starts with the own path is not it.
  EXPECT_EQ(argumentsOf("C:\\Program Files\\Docvane\\dlgrelay.exe2 a~", own), " Files\\Docvane\\dlgrelay.exe2 a~");
  EXPECT_EQ(dv::relay::parseFields(argumentsOf("C:\\dlgrelay.exe   open~Open~x~  ", "")), (Lines{"open", "open", "x"}));
}

TEST(RelayCommandLine, IntegerFieldsAreDecimal16Bit) {
  using dv::relay::parseInt16;
  EXPECT_EQ(parseInt16("0"), 0);
  EXPECT_EQ(parseInt16("007"), 7);
  EXPECT_EQ(parseInt16("-1"), -1);
  EXPECT_EQ(parseInt16("32767"), 32767);
  EXPECT_EQ(parseInt16("-32768"), -32768);
  for (const char* bad : {"", "-", "32768", "-32769", "99999999999", "1.0", " 1", "1 ", "+1", "0x10", "1e2", "--1"})
    EXPECT_EQ(parseInt16(bad), std::nullopt) << bad;
}

// ---- Search and settle ----

TEST_F(RelayTest, OpenFillsFirstEditOfTheWindowFoundWithoutRegardToCase) {
  // The dialog opens while the relay is searching.
  int attempts = 0;
  windows.onSearch([&] {
    if (++attempts != 5) return;
    Hwnd dlg = add(0, "#32770", "Open", "dlg");
    add(dlg, "Static", "File &name:", "label");
    Hwnd combo = add(dlg, "ComboBox", "", "combo");
    add(combo, "Edit", "", "edit");
    add(dlg, "Edit", "", "edit2");
    add(dlg, "Button", "&Open", "ok");
  });
  run("OPEN~OPEN~C:\\a.pdf~");
  EXPECT_EQ(messages(), (Lines{"text edit=C:\\a.pdf", std::string("key edit ") + kEnter}));
  expectSleeps(1);
  EXPECT_EQ(windows.findCalls(), 5);
}

TEST_F(RelayTest, WithoutFinalTildeTheDialogIsFoundButNothingTyped) {
  Hwnd dlg = add(0, "#32770", "Open", "dlg");
  add(dlg, "Edit", "", "edit");
  run("open~open~C:\\a.pdf");
  EXPECT_TRUE(messages().empty());
  EXPECT_EQ(windows.findCalls(), 1);
  expectSleeps(1);
}

TEST_F(RelayTest, ADialogThatNeverOpensEndsAfterThirtySecondsAndTheSettle) {
  add(0, "#32770", "Something else", "dlg");
  run("open~open~C:\\a.pdf~");
  EXPECT_TRUE(messages().empty());
  // Searched for just over 30 s (one attempt and its pause at most), then
  // slept 1 s.
  uint64_t searched = time.elapsed() - 1000;
  EXPECT_GT(searched, 30000u);
  EXPECT_LE(searched, 30000u + stepMs + dv::relay::kSearchPauseMs);
  expectSleeps(1);
  // The message queue is served between attempts, and every attempt but
  // the last is followed by a pause: the search never spins.
  EXPECT_GE(time.pump.count(), windows.findCalls());
  EXPECT_EQ(time.clock.sleepsOf(dv::relay::kSearchPauseMs), windows.findCalls() - 1);
  EXPECT_LE(windows.findCalls(), 30000 / static_cast<int>(stepMs + dv::relay::kSearchPauseMs) + 2);
}

TEST_F(RelayTest, SearchAcrossMidnightNeitherEndsEarlyNorOverruns) {
  for (double start : {86399.9, 86390.0, 86370.5, 86369.9}) {
    FakeWindows w;
    SteppingTime t{250};
    t.clock.setTimeOfDay(start);
    dv::relay::RelayEnv env{w, t.clock, t.pump};
    dv::relay::run(env, "open~open~x~");
    EXPECT_GT(t.elapsed(), 31000u) << start;
    EXPECT_LE(t.elapsed(), 31000u + 250 + dv::relay::kSearchPauseMs) << start;
  }
  // A dialog that appears after midnight is still found.
  time.clock.setTimeOfDay(86395);
  Hwnd dlg = 0;
  windows.onSearch([&] {
    if (!dlg && time.clock.secondsSinceMidnight() < 100) {
      dlg = add(0, "#32770", "Password", "dlg");
      add(dlg, "Edit", "", "edit");
    }
  });
  run("password~password~secret~");
  EXPECT_EQ(messages(), (Lines{"text edit=secret", std::string("key edit ") + kEnter}));
}

TEST_F(RelayTest, NoFieldsMeansNoSearchHitAndTheFullWait) {
  add(0, "#32770", "", "untitled");
  run("open");
  EXPECT_TRUE(messages().empty());
  EXPECT_GT(time.elapsed(), 31000u);
  EXPECT_LE(time.elapsed(), 31000u + stepMs + dv::relay::kSearchPauseMs);
}

TEST_F(RelayTest, PrintToFileFindsTheUntitledDialogBySize) {
  add(0, "#32770", "", "other", Rect{0, 0, 384, 113});
  add(0, "#32771", "", "notdialog", Rect{0, 0, 384, 112});
  Hwnd main = add(0, "Main", "App", "main");
  Hwnd dlg = add(main, "#32770", "", "dlg", Rect{100, 200, 484, 312});
  add(dlg, "Static", "Output file name:", "label");
  add(dlg, "Edit", "", "edit");
  run("print to file~print to file~C:\\out.ps~");
  EXPECT_EQ(messages(), (Lines{"text edit=C:\\out.ps", std::string("key edit ") + kEnter}));
  EXPECT_EQ(windows.findCalls(), 1);

  // The other size, as a top-level window.
  FakeWindows w;
  SteppingTime t{1};
  Hwnd d2 = w.create(0, "#32770", "", Rect{10, 10, 384, 111});
  Hwnd e2 = w.create(d2, "Edit", "");
  dv::relay::RelayEnv env{w, t.clock, t.pump};
  EXPECT_EQ(dv::relay::findPrintToFileDialog(w), d2);
  dv::relay::run(env, "print to file~Print To File~x.ps~");
  ASSERT_EQ(w.journal().size(), 2u);
  EXPECT_EQ(w.journal()[0].window, e2);
}

TEST_F(RelayTest, OnlyPrintToFileLooksAtUntitledDialogs) {
  Hwnd dlg = add(0, "#32770", "", "dlg", Rect{0, 0, 384, 112});
  add(dlg, "Edit", "", "edit");
  run("save pdf file as~save pdf file as~C:\\out.pdf~");
  EXPECT_TRUE(messages().empty());
  EXPECT_EQ(windows.enumerateCalls(), 0);
}

// ---- The window list ----

TEST_F(RelayTest, WindowListIsPreOrderWithoutLabelsButWithTheirChildren) {
  Hwnd dlg = add(0, "#32770", "Dlg", "dlg");
  Hwnd a = add(dlg, "Button", "A", "a");
  Hwnd label = add(dlg, "STATIC", "label", "label");
  Hwnd inLabel = add(label, "Edit", "in label", "inLabel");
  Hwnd tat = add(dlg, "tat", "", "tat");
  Hwnd empty = add(dlg, "", "", "empty");
  Hwnd group = add(dlg, "ComboBoxEx32", "", "cbex");
  Hwnd combo = add(group, "ComboBox", "", "combo");
  Hwnd edit = add(combo, "Edit", "typed", "edit");
  Hwnd last = add(dlg, "Statics", "", "statics");
  dv::relay::RelayEnv env{windows, time.clock, time.pump};
  auto list = dv::relay::listChildWindows(env, dlg);
  std::vector<Hwnd> handles;
  for (auto& r : list) handles.push_back(r.window);
  EXPECT_EQ(handles, (std::vector<Hwnd>{dlg, a, inLabel, group, combo, edit, last}));
  EXPECT_EQ(list[5].text, "typed");
  EXPECT_EQ(list[5].className, "Edit");
  (void)tat;
  (void)empty;
  // A label as the dialog itself is left out too.
  auto fromLabel = dv::relay::listChildWindows(env, label);
  ASSERT_EQ(fromLabel.size(), 1u);
  EXPECT_EQ(fromLabel[0].window, inLabel);
}

TEST_F(RelayTest, NothingIsSentWhenTheDialogClosedDuringTheSettle) {
  Hwnd dlg = add(0, "#32770", "Open", "dlg");
  add(dlg, "Edit", "", "edit");
  time.clock.addHook([&] { windows.destroy(dlg); });
  dv::relay::RelayEnv env{windows, time.clock, time.pump};
  dv::relay::run(env, "open~open~x~");
  EXPECT_TRUE(messages().empty());
}

// ---- Handlers ----

TEST_F(RelayTest, FillFirstEditTakesEditOrRichEdit50ButGoToPageAlsoRichEdit20) {
  for (const char* action :
       {"password", "save pdf file as", "create pdf from web page", "adobe acrobat - confirm open document password"}) {
    FakeWindows w;
    SteppingTime t{1};
    Hwnd dlg = w.create(0, "#32770", "caption");
    w.create(dlg, "RichEdit20W", "");
    Hwnd rich = w.create(dlg, "RICHEDIT50W", "");
    w.create(dlg, "Edit", "");
    dv::relay::RelayEnv env{w, t.clock, t.pump};
    dv::relay::run(env, std::string(action) + "~caption~p w~");
    ASSERT_EQ(w.journal().size(), 2u) << action;
    EXPECT_EQ(w.journal()[0].window, rich);
    EXPECT_EQ(w.journal()[0].text, "p w");
    EXPECT_EQ(w.journal()[1], (WindowMessage{WindowMessage::Kind::Post, rich, dv::wm::kKeyDown, 13, 0, {}, true}));
  }
  Hwnd dlg = add(0, "#32770", "Go To Page", "dlg");
  add(dlg, "Button", "OK", "ok");
  add(dlg, "richedit20w", "", "rich20");
  add(dlg, "Edit", "", "edit");
  run("go to page~go to page~12~");
  EXPECT_EQ(messages(), (Lines{"text rich20=12", "key rich20 13"}));
}

TEST_F(RelayTest, PressDefaultButtonPostsEnterToTheFirstButton) {
  for (const char* action : {"adobe pdf - security", "error: nothing done", "there were errors", "conversion warnings",
                             "adobe acrobat", "create web links"}) {
    FakeWindows w;
    SteppingTime t{1};
    Hwnd dlg = w.create(0, "#32770", "Title");
    w.create(dlg, "Static", "Message");
    w.create(dlg, "button", "lower");
    Hwnd ok = w.create(dlg, "Button", "OK");
    w.create(dlg, "Button", "Cancel");
    dv::relay::RelayEnv env{w, t.clock, t.pump};
    dv::relay::run(env, std::string(action) + "~title~");
    ASSERT_EQ(w.journal().size(), 1u) << action;
    EXPECT_EQ(w.journal()[0], (WindowMessage{WindowMessage::Kind::Post, ok, dv::wm::kKeyDown, 13, 0, {}, true}));
  }
}

TEST_F(RelayTest, UnknownActionMissingDataOrBadIntegerDoNothing) {
  Hwnd dlg = add(0, "#32770", "Save As", "dlg");
  add(dlg, "Edit", "", "edit");
  for (int i = 0; i < 3; ++i) add(dlg, "ComboBox", "", "combo" + std::to_string(i));
  add(dlg, "Button", "OK", "ok");
  for (const char* line :
       {"unknown~save as~x~", "save as~save as~", "save as~save as~x~~", "save as~save as~x~1.5~",
        "save as8~save as~x~", "save as8~save as~x~40000~", "open~save as~", "print to file~save as~",
        "password security - settings~save as~", "reduce file size~save as~", "go to page~save as~",
        "add headers & footers~save as~0~0~0~0~0~0~t~0~", "add headers & footers~save as~0~0~0~0~~0~t~0~7~"}) {
    windows.clearJournal();
    run(line);
    EXPECT_TRUE(messages().empty()) << line;
  }
}

TEST_F(RelayTest, SaveAsConfirmsOverwriteWithY) {
  Hwnd dlg = add(0, "#32770", "Save As", "dlg");
  Hwnd cbex = add(dlg, "ComboBoxEx32", "", "cbex");
  Hwnd combo = add(cbex, "ComboBox", "", "combo");
  Hwnd edit = add(combo, "Edit", "", "edit");
  add(dlg, "Button", "&Save", "save");
  // The dialog answers Enter by asking before it replaces the file.
  windows.onMessage(edit, dv::wm::kKeyDown, [&] {
    Hwnd confirm = add(0, "#32770", "Save As", "confirm");
    add(confirm, "Static", "Replace?", "q");
    add(confirm, "Button", "&Yes", "yes");
    add(confirm, "Button", "&No", "no");
    windows.bringToTop(confirm);
  });
  run("save as~save as~C:\\out.pdf~");
  EXPECT_EQ(messages(), (Lines{"text edit=C:\\out.pdf", "key edit 13", "key yes 89"}));
  expectSleeps(2);
}

TEST_F(RelayTest, SaveAsWaitsForALateConfirmationBesideTheDialogStillOpen) {
  // A busy viewer: the name dialog is still there after the second, and
  // the question comes a while later.
  Hwnd dlg = add(0, "#32770", "Save As", "dlg");
  add(dlg, "Edit", "", "edit");
  add(dlg, "Button", "&Save", "save");
  int searches = 0;
  windows.onSearch([&] {
    if (++searches != 80) return;
    Hwnd confirm = add(0, "#32770", "Save As", "confirm");
    add(confirm, "Button", "&Yes", "yes");
    add(confirm, "Button", "&No", "no");
  });
  run("save as~save as~C:\\out.pdf~");
  EXPECT_EQ(messages(), (Lines{"text edit=C:\\out.pdf", "key edit 13", "key yes 89"}));
}

TEST_F(RelayTest, SaveAsWithoutEditStillLooksForTheConfirmation) {
  Hwnd dlg = add(0, "#32770", "Save As", "dlg");
  add(dlg, "Button", "&Save", "save");
  run("save as~save as~C:\\out.pdf~");
  // The dialog itself is the window titled "save as" still open.
  EXPECT_EQ(messages(), (Lines{"key save 89"}));
  expectSleeps(2);
}

TEST_F(RelayTest, SaveAsWithTypeSetsEveryEditAndStepsTheThirdCombo) {
  auto build = [this] {
    Hwnd dlg = add(0, "#32770", "Save As", "dlg");
    add(dlg, "ComboBox", "", "look");
    add(dlg, "Edit", "", "edit1");
    add(dlg, "ComboBox", "", "name");
    add(dlg, "Edit", "", "edit2");
    add(dlg, "ComboBox", "", "type");
    add(dlg, "Edit", "", "after");
    add(dlg, "ComboBox", "", "fourth");
    return dlg;
  };
  Hwnd dlg = build();
  run("save as~save as~C:\\out.txt~4~");
  EXPECT_EQ(messages(),
            (Lines{"text edit1=C:\\out.txt", "text edit2=C:\\out.txt", "click type", "key type 36", "key type 40",
                   "key type 40", "key type 40", "key type 40", "key type 13", "key type 13"}));
  windows.clearJournal();
  run("save as8~save as~C:\\out.txt~2~");
  EXPECT_EQ(messages(), (Lines{"text edit1=C:\\out.txt", "text edit2=C:\\out.txt", "click type", "key type 36",
                               "key type 40", "key type 40", "key type 40", "key type 13", "key type 13"}));
  windows.clearJournal();
  run("save as~save as~C:\\out.txt~-3~extra~");
  EXPECT_EQ(messages(), (Lines{"text edit1=C:\\out.txt", "text edit2=C:\\out.txt", "click type", "key type 36",
                               "key type 13", "key type 13"}));
  windows.clearJournal();
  run("save as8~save as~C:\\out.txt~0~");
  EXPECT_EQ(messages(), (Lines{"text edit1=C:\\out.txt", "text edit2=C:\\out.txt", "click type", "key type 36",
                               "key type 40", "key type 13", "key type 13"}));
  // Fewer than three combo boxes: only the text.
  windows.destroy(dlg);
  Hwnd small = add(0, "#32770", "Save As", "small");
  add(small, "ComboBox", "", "c1");
  add(small, "Edit", "", "e");
  add(small, "ComboBox", "", "c2");
  windows.clearJournal();
  run("save as~save as~C:\\out.txt~1~");
  EXPECT_EQ(messages(), (Lines{"text e=C:\\out.txt"}));
}

TEST_F(RelayTest, ReduceFileSizeStepsTheFirstCombo) {
  Hwnd dlg = add(0, "#32770", "Reduce File Size", "dlg");
  add(dlg, "Edit", "", "edit");
  add(dlg, "ComboBox", "", "c");
  add(dlg, "ComboBox", "", "c2");
  struct Case {
    const char* line;
    Lines expected;
  };
  const std::vector<Case> cases = {
      {"reduce file size~reduce file size~0~", {"click c", "key c 36", "key c 13", "key c 13"}},
      {"reduce file size~reduce file size~1~", {"click c", "key c 36", "key c 40", "key c 13", "key c 13"}},
      {"reduce file size~reduce file size~2~", {"click c", "key c 36", "key c 40", "key c 40", "key c 13", "key c 13"}},
      {"reduce file size~reduce file size~3~", {"click c", "key c 35", "key c 13", "key c 13"}},
      {"reduce file size~reduce file size~4~", {}},
      {"reduce file size~reduce file size~01~", {}},
      {"reduce file size8~reduce file size~0~", {"click c", "key c 36", "key c 40", "key c 13", "key c 13"}},
      {"reduce file size8~reduce file size~3~",
       {"click c", "key c 36", "key c 40", "key c 40", "key c 40", "key c 40", "key c 13", "key c 13"}},
      {"reduce file size8~reduce file size~4~", {"click c", "key c 35", "key c 13", "key c 13"}},
      {"reduce file size8~reduce file size~5~", {}},
      {"reduce file size8~reduce file size~-1~", {}},
  };
  for (const Case& c : cases) {
    windows.clearJournal();
    run(c.line);
    EXPECT_EQ(messages(), c.expected) << c.line;
  }
}

TEST_F(RelayTest, PasswordSecurityTicksRequireThenTypesThePassword) {
  Hwnd dlg = add(0, "#32770", "Password Security - Settings", "dlg");
  add(dlg, "Button", "Require", "noamp");
  add(dlg, "Button", "&require a password", "lower");
  add(dlg, "Button", "&Require a password to open the document", "require");
  add(dlg, "Button", "&Require", "require2");
  add(dlg, "RichEdit50W", "", "pw");
  add(dlg, "Edit", "", "pw2");
  add(dlg, "Button", "&Require again", "after");
  run("password security - settings~password security - settings~s3cret~");
  EXPECT_EQ(messages(), (Lines{"click require", "click require2", "text pw=s3cret", "key pw 13"}));
  expectSleeps(3);
}

// The viewer-6 headers and footers dialog: three box buttons, combos for
// font, size, two unused, date style and page style, a rich edit for the
// custom text and the three insert buttons.
class HeadersFooters6 : public RelayTest {
 protected:
  HeadersFooters6() {
    Hwnd dlg = add(0, "#32770", "Add Headers & Footers", "dlg");
    add(dlg, "Button", "Left", "box0");
    add(dlg, "Button", "Center", "box1");
    add(dlg, "Button", "Right", "box2");
    for (const char* n : {"font", "size", "x3", "x4", "date", "page"}) add(dlg, "ComboBox", "", n);
    add(dlg, "RichEdit20W", "", "custom");
    add(dlg, "Button", "&Insert", "insDate");
    add(dlg, "Button", "Ins&ert", "insPage");
    add(dlg, "Button", "Inser&t", "insText");
    add(dlg, "Button", "OK", "ok");
    add(dlg, "Button", "Cancel", "cancel");
  }
};

TEST_F(HeadersFooters6, SelectsEntriesThenPressesInsertAndBox) {
  run("add headers & footers~add headers & footers~2~1~3~2~0~1~  Draft ~0~6~");
  EXPECT_EQ(messages(), (Lines{"click font",        "key font 36", "key font 40", "key font 40", "key font 13",  //
                               "click size",        "key size 36", "key size 40", "key size 13",                 //
                               "click date",        "key date 36", "key date 13",                                //
                               "click page",        "key page 36", "key page 40", "key page 40", "key page 40",
                               "key page 13",                      //
                               "text custom=Draft",                //
                               "click insDate",     "click box1",  //
                               "click insPage",     "click box2",  //
                               "click insText",     "click box0",  "click ok"}));
}

TEST_F(HeadersFooters6, NegativeStylesEmptyTextAndOddBoxesSkipTheirSteps) {
  run("add headers & footers~add headers & footers~-1~0~-1~1~4~7~   ~2~6~");
  EXPECT_EQ(messages(), (Lines{"click size", "key size 36", "key size 13",                 //
                               "click date", "key date 36", "key date 40", "key date 40",  //
                               "key date 40", "key date 40", "key date 13",                //
                               "click insDate", "click ok"}));
}

class HeadersFooters7 : public RelayTest {
 protected:
  HeadersFooters7() {
    Hwnd dlg = add(0, "#32770", "Add Headers & Footers", "dlg");
    for (const char* n : {"date", "page", "font", "size", "x5"}) add(dlg, "ComboBox", "", n);
    add(dlg, "RICHEDIT50W", "", "box0");
    add(dlg, "RichEdit50W", "", "box1");
    add(dlg, "RichEdit50W", "", "box2");
    add(dlg, "RichEdit50W", "", "box3");
    add(dlg, "Button", "&Insert", "insDate");
    add(dlg, "Button", "Ins&ert", "insPage");
    add(dlg, "Button", "Inser&t", "insText");
    add(dlg, "Button", "OK", "ok");
  }
};

TEST_F(HeadersFooters7, BoxFirstThenButton) {
  run("add headers & footers~add headers & footers~1~0~2~0~3~2~Final~1~7~");
  EXPECT_EQ(messages(), (Lines{"click date",  "key date 36",     "key date 40", "key date 40", "key date 40",
                               "key date 13",                                                                  //
                               "click page",  "key page 36",     "key page 40", "key page 40", "key page 13",  //
                               "click font",  "key font 36",     "key font 40", "key font 13",                 //
                               "click size",  "key size 36",     "key size 13",                                //
                               "click box1",  "text box1=Final",                                               //
                               "click box2",  "click insDate",                                                 //
                               "click box0",  "click insPage",                                                 //
                               "click box1",  "click insText",   "click ok"}));
}

TEST_F(HeadersFooters7, NoPageNumberMeansNeitherPageButtonNorPageBox) {
  run("add headers & footers~add headers & footers~-1~-1~-1~2~-1~1~~5~7~");
  EXPECT_EQ(messages(), (Lines{"click ok"}));
  windows.clearJournal();
  // A custom-text box beyond the three boxes sets no text anywhere.
  run("add headers & footers~add headers & footers~-1~-1~-1~2~-1~1~Text~3~7~");
  EXPECT_EQ(messages(), (Lines{"click insText", "click ok"}));
}

}  // namespace
