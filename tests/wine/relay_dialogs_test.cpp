// dlgrelay.exe against real dialogs: modal dialogs shaped like the
// viewer's and the printer drivers' (built here from in-memory templates),
// Wine's own common file dialogs and Wine's "Print to File" dialog. Each
// test starts the relay exactly as the library does (hidden, command line
// only), shows the dialog and checks what the dialog received.
#include <gtest/gtest.h>
#include <windows.h>
#include <commdlg.h>
#include <richedit.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "dv/win32/handle.h"
#include "install_printer.h"

namespace {

std::string env(const char* name) {
  char buffer[2048];
  DWORD n = GetEnvironmentVariableA(name, buffer, sizeof buffer);
  return n > 0 && n < sizeof buffer ? std::string(buffer, n) : std::string();
}

std::string folderOf(const std::string& path) { return path.substr(0, path.find_last_of('\\')); }

std::string relayPath() {
  std::string build = env("DV_BUILD_DIR");
  if (build.empty()) {
    // Run by hand: the program sits in <build>\wine-tests.
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    build = folderOf(folderOf(self));
  }
  return build + "\\relay\\dlgrelay.exe";
}

std::string scratch() {
  std::string dir = env("DV_BENCH_DIR");
  if (dir.empty()) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    dir = std::string(temp) + "dlgrelay-test";
    CreateDirectoryA(dir.c_str(), nullptr);
  }
  return dir;
}

void writeFile(const std::string& path, const std::string& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr) << path;
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

std::string readFile(const std::string& path) {
  std::string out;
  if (FILE* f = std::fopen(path.c_str(), "rb")) {
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
    std::fclose(f);
  }
  return out;
}

// One relay process, started hidden like the library starts it. Ended by
// the destructor if a failing test left it running.
class Relay {
 public:
  explicit Relay(const std::string& fields, const std::string& program = relayPath()) {
    std::string line = program + " " + fields;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = SW_HIDE;
    started_ = GetTickCount64();
    PROCESS_INFORMATION pi{};
    if (CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
      process_.reset(pi.hProcess);
      dv::win32::UniqueHandle thread(pi.hThread);
      pid_ = pi.dwProcessId;
    }
  }
  ~Relay() {
    if (process_.valid() && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) TerminateProcess(process_.get(), 1);
  }
  bool started() const { return process_.valid(); }
  DWORD pid() const { return pid_; }
  // True when the relay ended within the bound.
  bool waitExit(DWORD ms) {
    if (!process_.valid() || WaitForSingleObject(process_.get(), ms) != WAIT_OBJECT_0) return false;
    ended_ = GetTickCount64();
    return true;
  }
  uint64_t lifetimeMs() const { return ended_ - started_; }

 private:
  dv::win32::UniqueHandle process_;
  DWORD pid_ = 0;
  uint64_t started_ = 0, ended_ = 0;
};

// Cancels this process's dialogs when the relay failed to end them, so a
// failing test fails instead of hanging the run in a dialog nobody answers.
class Watchdog {
 public:
  explicit Watchdog(DWORD ms = 20000) : ms_(ms) {
    stop_.reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    thread_.reset(CreateThread(nullptr, 0, run, this, 0, nullptr));
  }
  ~Watchdog() {
    SetEvent(stop_.get());
    WaitForSingleObject(thread_.get(), 10000);
  }
  bool fired() const { return fired_; }

 private:
  static DWORD WINAPI run(void* param) {
    auto* self = static_cast<Watchdog*>(param);
    if (WaitForSingleObject(self->stop_.get(), self->ms_) != WAIT_TIMEOUT) return 0;
    self->fired_ = true;
    do {
      EnumWindows(cancelOwn, static_cast<LPARAM>(GetCurrentProcessId()));
    } while (WaitForSingleObject(self->stop_.get(), 500) == WAIT_TIMEOUT);
    return 0;
  }
  static BOOL CALLBACK cancelOwn(HWND h, LPARAM pid) {
    DWORD owner = 0;
    GetWindowThreadProcessId(h, &owner);
    if (owner == static_cast<DWORD>(pid) && IsWindowVisible(h)) {
      PostMessageA(h, WM_COMMAND, IDCANCEL, 0);
      PostMessageA(h, WM_COMMAND, IDNO, 0);
    }
    return TRUE;
  }
  DWORD ms_;
  dv::win32::UniqueHandle stop_;
  dv::win32::UniqueHandle thread_;
  std::atomic<bool> fired_{false};
};

// ---- Dialogs from in-memory templates ----

struct Item {
  std::wstring cls;
  std::string text;
  WORD id;
  DWORD style;
  short x, y, cx, cy;
  std::string name;
  std::vector<std::string> entries;  // combo box list
};

struct Outcome {
  INT_PTR ended = 0;                // the id that ended the dialog, -1 on time-out
  std::vector<std::string> events;  // "click <name>" in the order the dialog saw them
  std::map<std::string, std::string> text;
  std::map<std::string, int> selection;
  std::map<std::string, int> checked;
};

struct DialogLayout {
  std::string title;
  std::vector<Item> items;
  short cx = 260, cy = 140;
  int exactWidth = 0, exactHeight = 0;  // pixels, set after creation
  DWORD timeoutMs = 20000;
  bool untitled = false;
  // Runs on a button click before the default handling; return true when
  // it took care of the click.
  std::function<bool(HWND dialog, WORD id, Outcome& outcome)> onClick;
};

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE | WS_TABSTOP;
constexpr DWORD kButton = kChild | BS_PUSHBUTTON;
constexpr DWORD kDefault = kChild | BS_DEFPUSHBUTTON;
constexpr DWORD kEdit = kChild | WS_BORDER | ES_AUTOHSCROLL;
constexpr DWORD kList = kChild | CBS_DROPDOWNLIST | WS_VSCROLL;
constexpr DWORD kLabel = WS_CHILD | WS_VISIBLE | SS_LEFT;

class TemplateBuilder {
 public:
  const DLGTEMPLATE* build(const DialogLayout& layout) {
    words_.clear();
    DWORD style =
        DS_MODALFRAME | DS_SETFONT | WS_POPUP | WS_VISIBLE | (layout.untitled ? WS_BORDER : WS_CAPTION | WS_SYSMENU);
    dword(style);
    dword(0);
    words_.push_back(static_cast<WORD>(layout.items.size()));
    for (short v : {short(20), short(20), layout.cx, layout.cy}) words_.push_back(static_cast<WORD>(v));
    words_.push_back(0);  // no menu
    words_.push_back(0);  // the dialog class
    string(widen(layout.title));
    words_.push_back(8);
    string(L"MS Shell Dlg");
    for (const Item& item : layout.items) {
      if (words_.size() % 2) words_.push_back(0);  // items are DWORD-aligned
      dword(item.style);
      dword(0);
      for (short v : {item.x, item.y, item.cx, item.cy}) words_.push_back(static_cast<WORD>(v));
      words_.push_back(item.id);
      string(item.cls);
      string(widen(item.text));
      words_.push_back(0);  // no creation data
    }
    return reinterpret_cast<const DLGTEMPLATE*>(words_.data());
  }

 private:
  static std::wstring widen(const std::string& s) {
    std::wstring w(s.size() + 1, L'\0');
    int n = MultiByteToWideChar(CP_ACP, 0, s.c_str(), -1, w.data(), static_cast<int>(w.size()));
    w.resize(n > 0 ? static_cast<size_t>(n - 1) : 0);
    return w;
  }
  void dword(DWORD v) {
    words_.push_back(LOWORD(v));
    words_.push_back(HIWORD(v));
  }
  void string(const std::wstring& s) {
    for (wchar_t c : s) words_.push_back(static_cast<WORD>(c));
    words_.push_back(0);
  }
  std::vector<WORD> words_;
};

struct Running {
  const DialogLayout* layout;
  Outcome* outcome;
};

const Item* itemById(const DialogLayout& layout, int id) {
  for (const Item& i : layout.items)
    if (i.id == id) return &i;
  return nullptr;
}

void capture(HWND dialog, const DialogLayout& layout, Outcome& out) {
  for (const Item& i : layout.items) {
    HWND h = GetDlgItem(dialog, i.id);
    if (i.name.empty() || !h) continue;
    if (i.cls == L"ComboBox") {
      out.selection[i.name] = static_cast<int>(SendMessageA(h, CB_GETCURSEL, 0, 0));
    } else if (i.cls == L"Button" && (i.style & BS_TYPEMASK) == BS_AUTOCHECKBOX) {
      out.checked[i.name] = static_cast<int>(SendMessageA(h, BM_GETCHECK, 0, 0));
    } else if (i.cls != L"Button" && i.cls != L"Static") {
      char text[512] = "";
      GetWindowTextA(h, text, sizeof text);
      out.text[i.name] = text;
    }
  }
}

// Clicks on controls that send no notification (rich edits) are logged
// from their window procedure.
LRESULT CALLBACK loggingProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  auto original = reinterpret_cast<WNDPROC>(GetPropA(h, "dv.proc"));
  if (msg == WM_LBUTTONDOWN) {
    HWND dialog = GetParent(h);
    auto* run = reinterpret_cast<Running*>(GetWindowLongPtrA(dialog, DWLP_USER));
    if (const Item* item = run ? itemById(*run->layout, GetDlgCtrlID(h)) : nullptr)
      run->outcome->events.push_back("click " + item->name);
  }
  return CallWindowProcA(original, h, msg, wp, lp);
}

INT_PTR CALLBACK dialogProc(HWND dialog, UINT msg, WPARAM wp, LPARAM lp) {
  auto* run = reinterpret_cast<Running*>(GetWindowLongPtrA(dialog, DWLP_USER));
  switch (msg) {
    case WM_INITDIALOG: {
      run = reinterpret_cast<Running*>(lp);
      SetWindowLongPtrA(dialog, DWLP_USER, lp);
      for (const Item& i : run->layout->items) {
        HWND h = GetDlgItem(dialog, i.id);
        for (const std::string& e : i.entries) SendMessageA(h, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(e.c_str()));
        if (!i.entries.empty()) SendMessageA(h, CB_SETCURSEL, 0, 0);
        if (i.cls.rfind(L"RichEdit", 0) == 0 || i.cls.rfind(L"RICHEDIT", 0) == 0) {
          SetPropA(h, "dv.proc", reinterpret_cast<HANDLE>(GetWindowLongPtrA(h, GWLP_WNDPROC)));
          SetWindowLongPtrA(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(loggingProc));
        }
      }
      if (run->layout->exactWidth)
        SetWindowPos(dialog, nullptr, 0, 0, run->layout->exactWidth, run->layout->exactHeight,
                     SWP_NOMOVE | SWP_NOZORDER);
      SetTimer(dialog, 1, run->layout->timeoutMs, nullptr);
      return TRUE;
    }
    case WM_TIMER:
      if (run) {
        capture(dialog, *run->layout, *run->outcome);
        run->outcome->events.push_back("timeout");
      }
      EndDialog(dialog, -1);
      return TRUE;
    case WM_COMMAND: {
      if (!run || HIWORD(wp) != BN_CLICKED) break;
      WORD id = LOWORD(wp);
      const Item* item = itemById(*run->layout, id);
      if (!item || item->cls != L"Button") break;
      run->outcome->events.push_back("click " + item->name);
      if (run->layout->onClick && run->layout->onClick(dialog, id, *run->outcome)) return TRUE;
      if (id == IDOK || id == IDCANCEL || id == IDYES || id == IDNO) {
        capture(dialog, *run->layout, *run->outcome);
        EndDialog(dialog, id);
      }
      return TRUE;
    }
    case WM_CLOSE:
      EndDialog(dialog, IDCANCEL);
      return TRUE;
  }
  return FALSE;
}

Outcome showDialog(const DialogLayout& layout, HWND owner = nullptr) {
  TemplateBuilder builder;
  Outcome outcome;
  Running run{&layout, &outcome};
  outcome.ended = DialogBoxIndirectParamA(GetModuleHandleA(nullptr), builder.build(layout), owner, dialogProc,
                                          reinterpret_cast<LPARAM>(&run));
  return outcome;
}

Item label(const std::string& text, short y) { return Item{L"Static", text, 0xFFFF, kLabel, 7, y, 180, 10, "", {}}; }
Item button(const std::string& text, WORD id, const std::string& name, short x, short y, bool isDefault = false) {
  return Item{L"Button", text, id, isDefault ? kDefault : kButton, x, y, 50, 14, name, {}};
}
Item edit(WORD id, const std::string& name, short y, DWORD extra = 0) {
  return Item{L"Edit", "", id, kEdit | extra, 7, y, 180, 14, name, {}};
}
Item combo(WORD id, const std::string& name, short y, std::vector<std::string> entries, short x = 7) {
  return Item{L"ComboBox", "", id, kList, x, y, 120, 100, name, std::move(entries)};
}

// A single edit, OK (default) and Cancel: the shape of the file-name,
// password and address dialogs.
DialogLayout oneEdit(const std::string& title, DWORD editStyle = 0) {
  DialogLayout layout;
  layout.title = title;
  layout.items = {label("&Name:", 7), edit(100, "edit", 20, editStyle), button("OK", IDOK, "ok", 140, 100, true),
                  button("Cancel", IDCANCEL, "cancel", 200, 100)};
  return layout;
}

const std::vector<std::string> kEntries = {"entry 0", "entry 1", "entry 2", "entry 3", "entry 4",
                                           "entry 5", "entry 6", "entry 7", "entry 8"};

// ---- Our own dialogs ----

TEST(RelayDialogs, OpenTypesThePathAndPressesEnter) {
  // Unquoted program path with blanks, as the library writes it.
  std::string dir = scratch() + "\\relay copy";
  CreateDirectoryA(dir.c_str(), nullptr);
  std::string copy = dir + "\\dlgrelay.exe";
  ASSERT_TRUE(CopyFileA(relayPath().c_str(), copy.c_str(), FALSE)) << relayPath();
  Relay relay("OPEN~OPEN~C:\\Docs\\a b.pdf~", copy);
  ASSERT_TRUE(relay.started());
  Outcome o = showDialog(oneEdit("Open"));
  EXPECT_EQ(o.ended, IDOK);
  EXPECT_EQ(o.text["edit"], "C:\\Docs\\a b.pdf");
  EXPECT_TRUE(relay.waitExit(10000));
}

TEST(RelayDialogs, PasswordInAQuotedCommandLine) {
  Relay relay("password~password~p@ss word~", "\"" + relayPath() + "\"");
  Outcome o = showDialog(oneEdit("Password", ES_PASSWORD));
  EXPECT_EQ(o.ended, IDOK);
  EXPECT_EQ(o.text["edit"], "p@ss word");
  EXPECT_TRUE(relay.waitExit(10000));
}

TEST(RelayDialogs, WithoutTheFinalTildeNothingIsTyped) {
  Relay relay("open~open~C:\\a.pdf");
  DialogLayout layout = oneEdit("Open");
  layout.timeoutMs = 5000;
  Outcome o = showDialog(layout);
  EXPECT_EQ(o.ended, -1);
  EXPECT_EQ(o.text["edit"], "");
  EXPECT_TRUE(relay.waitExit(10000));
}

TEST(RelayDialogs, SaveAsAnswersTheOverwriteQuestionWithYes) {
  DialogLayout confirm;
  confirm.title = "Save As";
  confirm.cx = 200;
  confirm.cy = 60;
  // Yes comes first but is not the default: only the Y key answers Yes.
  confirm.items = {button("&Yes", IDYES, "yes", 40, 40), button("&No", IDNO, "no", 100, 40, true),
                   label("The file already exists. Replace it?", 7)};
  DialogLayout layout = oneEdit("Save As");
  INT_PTR answer = 0;
  layout.onClick = [&](HWND dialog, WORD id, Outcome& outcome) {
    if (id != IDOK) return false;
    answer = showDialog(confirm, dialog).ended;
    capture(dialog, layout, outcome);
    EndDialog(dialog, IDOK);
    return true;
  };
  Relay relay("save as~save as~C:\\out\\reduced.pdf~");
  Outcome o = showDialog(layout);
  EXPECT_EQ(o.ended, IDOK);
  EXPECT_EQ(o.text["edit"], "C:\\out\\reduced.pdf");
  EXPECT_EQ(answer, IDYES);
  EXPECT_TRUE(relay.waitExit(10000));
}

DialogLayout saveAsWithType() {
  DialogLayout layout;
  layout.title = "Save As";
  layout.cx = 300;
  layout.cy = 160;
  layout.items = {combo(200, "lookIn", 7, {"Desktop", "Documents"}),  //
                  label("File &name:", 30),                           //
                  edit(100, "name", 42),                              //
                  combo(201, "recent", 62, {"a.pdf", "b.pdf"}),       //
                  combo(202, "type", 82, kEntries),                   //
                  edit(101, "later", 102),                            //
                  button("&Save", IDOK, "save", 190, 140, true),      //
                  button("Cancel", IDCANCEL, "cancel", 245, 140)};
  return layout;
}

TEST(RelayDialogs, SaveAsWithTypePicksTheEntryOfTheThirdComboBox) {
  {
    Relay relay("save as~Save As~C:\\out\\x.rtf~6~");
    Outcome o = showDialog(saveAsWithType());
    EXPECT_EQ(o.ended, IDOK);
    EXPECT_EQ(o.text["name"], "C:\\out\\x.rtf");
    EXPECT_EQ(o.text["later"], "");  // after the third combo box: not reached
    EXPECT_EQ(o.selection["type"], 6);
    EXPECT_EQ(o.selection["lookIn"], 0);
    EXPECT_TRUE(relay.waitExit(10000));
  }
  {
    // Viewer 8 and later: the first entry of the type list is skipped.
    Relay relay("save as8~save as~C:\\out\\x.txt~3~");
    Outcome o = showDialog(saveAsWithType());
    EXPECT_EQ(o.ended, IDOK);
    EXPECT_EQ(o.selection["type"], 4);
    EXPECT_TRUE(relay.waitExit(10000));
  }
}

DialogLayout reduceFileSize() {
  DialogLayout layout;
  layout.title = "Reduce File Size";
  layout.items = {label("&Make compatible with:", 7),
                  combo(200, "compat", 20,
                        {"Retain existing", "Acrobat 4.0", "Acrobat 5.0", "Acrobat 6.0", "Acrobat 7.0", "Acrobat 8.0"}),
                  button("OK", IDOK, "ok", 140, 100, true), button("Cancel", IDCANCEL, "cancel", 200, 100)};
  return layout;
}

TEST(RelayDialogs, ReduceFileSizeSelectsTheCompatibilityAndConfirms) {
  struct Case {
    const char* fields;
    int selected;
  };
  for (const Case& c :
       {Case{"reduce file size~reduce file size~2~", 2}, Case{"reduce file size~reduce file size~3~", 5},
        Case{"reduce file size8~reduce file size~0~", 1}}) {
    Relay relay(c.fields);
    Outcome o = showDialog(reduceFileSize());
    EXPECT_EQ(o.ended, IDOK) << c.fields;
    EXPECT_EQ(o.selection["compat"], c.selected) << c.fields;
    EXPECT_TRUE(relay.waitExit(10000));
  }
}

TEST(RelayDialogs, PasswordSecurityTicksRequireBeforeTypingThePassword) {
  DialogLayout layout;
  layout.title = "Password Security - Settings";
  layout.cx = 300;
  layout.items = {Item{L"Button",
                       "&Require a password to open the document",
                       300,
                       kChild | BS_AUTOCHECKBOX,
                       7,
                       7,
                       250,
                       12,
                       "require",
                       {}},
                  label("Document &Open Password:", 24),
                  Item{L"Edit", "", 100, kEdit | WS_DISABLED, 7, 36, 180, 14, "password", {}},
                  Item{L"Button", "Restrict &editing", 301, kChild | BS_AUTOCHECKBOX, 7, 56, 250, 12, "restrict", {}},
                  button("OK", IDOK, "ok", 180, 110, true),
                  button("Cancel", IDCANCEL, "cancel", 240, 110)};
  // The password box opens only once the box is ticked, as in the viewer.
  layout.onClick = [](HWND dialog, WORD id, Outcome&) {
    if (id != 300) return false;
    EnableWindow(GetDlgItem(dialog, 100), IsDlgButtonChecked(dialog, 300) == BST_CHECKED);
    return true;
  };
  Relay relay("password security - settings~password security - settings~open sesame~");
  Outcome o = showDialog(layout);
  EXPECT_EQ(o.ended, IDOK);
  EXPECT_EQ(o.checked["require"], BST_CHECKED);
  EXPECT_EQ(o.checked["restrict"], BST_UNCHECKED);
  EXPECT_EQ(o.text["password"], "open sesame");
  EXPECT_TRUE(relay.waitExit(15000));
}

// Viewer 6: box buttons Left/Center/Right, combos font, size, two others,
// date style, page style; the custom text in a RichEdit20W.
DialogLayout headersFooters6() {
  DialogLayout layout;
  layout.title = "Add Headers & Footers";
  layout.cx = 360;
  layout.cy = 200;
  layout.items = {button("Left", 401, "box0", 7, 7),
                  button("Center", 402, "box1", 60, 7),
                  button("Right", 403, "box2", 113, 7),
                  combo(201, "font", 27, kEntries),
                  combo(202, "size", 27, kEntries, 140),
                  combo(203, "other3", 47, kEntries),
                  combo(204, "other4", 47, kEntries, 140),
                  combo(205, "date", 67, kEntries),
                  combo(206, "page", 67, kEntries, 140),
                  Item{L"RichEdit20W", "", 300, kChild | WS_BORDER, 7, 90, 180, 14, "custom", {}},
                  button("&Insert", 411, "insDate", 270, 67),
                  button("Ins&ert", 412, "insPage", 270, 87),
                  button("Inser&t", 413, "insText", 270, 107),
                  button("OK", IDOK, "ok", 240, 180, true),
                  button("Cancel", IDCANCEL, "cancel", 300, 180)};
  return layout;
}

TEST(RelayDialogs, HeadersAndFootersOfViewer6) {
  ASSERT_NE(LoadLibraryA("riched20.dll"), nullptr);
  Relay relay("add headers & footers~add headers & footers~2~1~3~2~0~1~ Draft ~0~6~");
  Outcome o = showDialog(headersFooters6());
  EXPECT_EQ(o.ended, IDOK);
  EXPECT_EQ(o.selection["font"], 2);
  EXPECT_EQ(o.selection["size"], 1);
  EXPECT_EQ(o.selection["date"], 0);
  EXPECT_EQ(o.selection["page"], 3);
  EXPECT_EQ(o.selection["other3"], 0);
  EXPECT_EQ(o.text["custom"], "Draft");
  // Insert button first, then the box that takes the item.
  EXPECT_EQ(o.events, (std::vector<std::string>{"click insDate", "click box1", "click insPage", "click box2",
                                                "click insText", "click box0", "click ok"}));
  EXPECT_TRUE(relay.waitExit(10000));
}

TEST(RelayDialogs, HeadersAndFootersWithoutPageNumber) {
  ASSERT_NE(LoadLibraryA("riched20.dll"), nullptr);
  Relay relay("add headers & footers~add headers & footers~0~0~-1~2~4~0~~0~6~");
  Outcome o = showDialog(headersFooters6());
  EXPECT_EQ(o.ended, IDOK);
  EXPECT_EQ(o.selection["date"], 4);
  EXPECT_EQ(o.selection["page"], 0);
  EXPECT_EQ(o.events, (std::vector<std::string>{"click insDate", "click box0", "click ok"}));
  EXPECT_TRUE(relay.waitExit(10000));
}

// Viewer 7: combos date, page, font, size; the three boxes are rich edits.
TEST(RelayDialogs, HeadersAndFootersOfViewer7) {
  ASSERT_NE(LoadLibraryA("msftedit.dll"), nullptr);
  DialogLayout layout;
  layout.title = "Add Headers & Footers";
  layout.cx = 360;
  layout.cy = 200;
  layout.items = {combo(201, "date", 7, kEntries),
                  combo(202, "page", 7, kEntries, 140),
                  combo(203, "font", 27, kEntries),
                  combo(204, "size", 27, kEntries, 140),
                  Item{L"RICHEDIT50W", "", 301, kChild | WS_BORDER, 7, 60, 100, 40, "box0", {}},
                  Item{L"RICHEDIT50W", "", 302, kChild | WS_BORDER, 110, 60, 100, 40, "box1", {}},
                  Item{L"RICHEDIT50W", "", 303, kChild | WS_BORDER, 213, 60, 100, 40, "box2", {}},
                  button("&Insert", 411, "insDate", 7, 120),
                  button("Ins&ert", 412, "insPage", 60, 120),
                  button("Inser&t", 413, "insText", 113, 120),
                  button("OK", IDOK, "ok", 240, 180, true),
                  button("Cancel", IDCANCEL, "cancel", 300, 180)};
  Relay relay("add headers & footers~add headers & footers~1~0~2~0~3~2~Final~1~7~");
  Outcome o = showDialog(layout);
  EXPECT_EQ(o.ended, IDOK);
  EXPECT_EQ(o.selection["date"], 3);
  EXPECT_EQ(o.selection["page"], 2);
  EXPECT_EQ(o.selection["font"], 1);
  EXPECT_EQ(o.selection["size"], 0);
  EXPECT_EQ(o.text["box1"], "Final");
  // The box first, then its insert button.
  EXPECT_EQ(o.events, (std::vector<std::string>{"click box1", "click box2", "click insDate", "click box0",
                                                "click insPage", "click box1", "click insText", "click ok"}));
  EXPECT_TRUE(relay.waitExit(10000));
}

TEST(RelayDialogs, UntitledPrintToFileDialogIsFoundBySize) {
  for (auto [w, h] : {std::pair{384, 112}, std::pair{374, 101}}) {
    DialogLayout layout;
    layout.untitled = true;
    layout.exactWidth = w;
    layout.exactHeight = h;
    layout.items = {label("&Output File Name:", 7), edit(100, "edit", 20), button("OK", IDOK, "ok", 140, 40, true),
                    button("Cancel", IDCANCEL, "cancel", 200, 40)};
    Relay relay("print to file~print to file~C:\\out\\job.ps~");
    Outcome o = showDialog(layout);
    EXPECT_EQ(o.ended, IDOK) << w;
    EXPECT_EQ(o.text["edit"], "C:\\out\\job.ps") << w;
    EXPECT_TRUE(relay.waitExit(10000));
  }
}

TEST(RelayDialogs, PressDefaultButtonEndsAMessageDialog) {
  DialogLayout layout;
  layout.title = "Conversion Warnings";
  layout.items = {label("Some pages were skipped.", 7), button("OK", IDOK, "ok", 140, 100, true),
                  button("Cancel", IDCANCEL, "cancel", 200, 100)};
  Relay relay("conversion warnings~conversion warnings~");
  Outcome o = showDialog(layout);
  EXPECT_EQ(o.ended, IDOK);
  EXPECT_TRUE(relay.waitExit(10000));
}

// ---- Wine's own dialogs ----

TEST(RelayWineDialogs, GetOpenFileNameReturnsTheTypedPath) {
  std::string path = scratch() + "\\to open.pdf";
  writeFile(path, "%PDF-1.4\n");
  Relay relay("open~open~" + path + "~");
  Watchdog dog;
  char file[MAX_PATH] = "";
  OPENFILENAMEA ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.lpstrFilter = "PDF files\0*.pdf\0All files\0*.*\0";
  ofn.lpstrFile = file;
  ofn.nMaxFile = MAX_PATH;
  ofn.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST;
  EXPECT_TRUE(GetOpenFileNameA(&ofn)) << CommDlgExtendedError();
  EXPECT_STREQ(file, path.c_str());
  EXPECT_FALSE(dog.fired());
  EXPECT_TRUE(relay.waitExit(10000));
}

TEST(RelayWineDialogs, GetSaveFileNameReturnsTheTypedPath) {
  std::string path = scratch() + "\\saved as.pdf";
  DeleteFileA(path.c_str());
  Relay relay("save as~save as~" + path + "~");
  Watchdog dog;
  char file[MAX_PATH] = "";
  OPENFILENAMEA ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.lpstrFilter = "PDF files\0*.pdf\0";
  ofn.lpstrFile = file;
  ofn.nMaxFile = MAX_PATH;
  ofn.Flags = OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST;
  EXPECT_TRUE(GetSaveFileNameA(&ofn)) << CommDlgExtendedError();
  EXPECT_STREQ(file, path.c_str());
  EXPECT_FALSE(dog.fired());
  EXPECT_TRUE(relay.waitExit(10000));
}

TEST(RelayWineDialogs, GetSaveFileNameOverwriteQuestionIsAnsweredYes) {
  std::string path = scratch() + "\\exists.pdf";
  writeFile(path, "old");
  // Wine titles its question like the dialog; the viewer's question is
  // titled "Save As" as well, which is what the relay looks for.
  Relay relay("save as~save as~" + path + "~");
  Watchdog dog;
  char file[MAX_PATH] = "";
  OPENFILENAMEA ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.lpstrFilter = "PDF files\0*.pdf\0";
  ofn.lpstrFile = file;
  ofn.nMaxFile = MAX_PATH;
  ofn.lpstrTitle = "Save As";
  ofn.Flags = OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST;
  EXPECT_TRUE(GetSaveFileNameA(&ofn)) << CommDlgExtendedError();
  EXPECT_STREQ(file, path.c_str());
  EXPECT_FALSE(dog.fired());
  EXPECT_TRUE(relay.waitExit(10000));
}

TEST(RelayWineDialogs, PrintToFileDialogOfStartDocWritesThePostScript) {
  const std::string printer = "Docvane PS File";
  ASSERT_EQ(dv::winetest::installFilePrinter(printer), "");
  std::string path = scratch() + "\\printed.ps";
  DeleteFileA(path.c_str());
  HDC dc = CreateDCA("WINSPOOL", printer.c_str(), nullptr, nullptr);
  ASSERT_NE(dc, nullptr);
  Relay relay("print to file~print to file~" + path + "~");
  DOCINFOA doc{};
  doc.cbSize = sizeof doc;
  doc.lpszDocName = "relay test";
  Watchdog dog;
  int job = StartDocA(dc, &doc);  // shows "Print to File" and waits for it
  EXPECT_GT(job, 0);
  EXPECT_FALSE(dog.fired());
  if (job > 0) {
    StartPage(dc);
    TextOutA(dc, 100, 100, "relay", 5);
    EndPage(dc);
    EndDoc(dc);
  }
  DeleteDC(dc);
  // The spooler writes the file once the job is complete.
  for (int i = 0; i < 100 && readFile(path).find("%%EOF") == std::string::npos; ++i) Sleep(100);
  std::string ps = readFile(path);
  EXPECT_EQ(ps.rfind("%!PS-Adobe", 0), 0u) << path;
  EXPECT_NE(ps.find("%%EOF"), std::string::npos);
  EXPECT_TRUE(relay.waitExit(10000));
}

// ---- The program itself ----

struct VisibleWindowsOfProcess {
  DWORD pid;
  int visible = 0;
};

// An EnumWindows callback (stdcall on i686, so not a lambda).
BOOL CALLBACK countVisibleOfProcess(HWND h, LPARAM lp) {
  auto* f = reinterpret_cast<VisibleWindowsOfProcess*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(h, &pid);
  if (pid == f->pid && IsWindowVisible(h)) ++f->visible;
  return TRUE;
}

// Processor time (user and system) of the Unix process whose command line
// holds `token`, from /proc through Wine's Z: drive: Wine's GetProcessTimes
// reports no running times for other processes. nullopt when not found.
std::optional<uint64_t> unixCpuMs(const std::string& token) {
  WIN32_FIND_DATAA entry;
  HANDLE search = FindFirstFileA("Z:\\proc\\*", &entry);
  if (search == INVALID_HANDLE_VALUE) return std::nullopt;
  std::optional<uint64_t> found;
  do {
    const std::string pid = entry.cFileName;
    if (pid.find_first_not_of("0123456789") != std::string::npos) continue;
    if (readFile("Z:\\proc\\" + pid + "\\cmdline").find(token) == std::string::npos) continue;
    // Fields 14 and 15 (utime, stime, in 1/100 s) follow the ")" closing
    // the program name.
    const std::string stat = readFile("Z:\\proc\\" + pid + "\\stat");
    const size_t close = stat.rfind(')');
    unsigned long long user = 0, system = 0;
    if (close != std::string::npos &&
        std::sscanf(stat.c_str() + close + 1, " %*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %llu %llu", &user,
                    &system) == 2)
      found = (user + system) * 10;
  } while (!found && FindNextFileA(search, &entry));
  FindClose(search);
  return found;
}

TEST(RelayProgram, ADialogThatNeverOpensEndsTheRelayAfterAbout31SecondsWithoutSpinning) {
  // One word: Wine splits the Unix command line of a process at blanks.
  const std::string caption = "nosuchdialog" + std::to_string(GetTickCount64());
  Relay relay("open~" + caption + "~C:\\a.pdf~");
  ASSERT_TRUE(relay.started());
  Sleep(2000);
  // It owns no visible window while it searches.
  VisibleWindowsOfProcess find{relay.pid()};
  EnumWindows(countVisibleOfProcess, reinterpret_cast<LPARAM>(&find));
  EXPECT_EQ(find.visible, 0);
  // It pauses between its search attempts instead of keeping a core busy:
  // well under a second of processor time over 25 s of waiting (a relay
  // that spins takes seconds).
  const std::optional<uint64_t> before = unixCpuMs(caption);
  ASSERT_TRUE(before.has_value());
  Sleep(25000);
  const std::optional<uint64_t> after = unixCpuMs(caption);
  ASSERT_TRUE(after.has_value());
  EXPECT_LT(*after - *before, 1000u);
  ASSERT_TRUE(relay.waitExit(45000));
  EXPECT_GE(relay.lifetimeMs(), 30500u);
  EXPECT_LE(relay.lifetimeMs(), 36000u);
}

TEST(RelayProgram, IsAWindowsProgramWithoutRuntimeOrLibraryDependencies) {
  std::string image = readFile(relayPath());
  ASSERT_GT(image.size(), 0x400u);
  auto dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(image.data());
  auto nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(image.data() + dos->e_lfanew);
  EXPECT_EQ(nt->OptionalHeader.Subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI);
  // Map the import directory's RVAs to file offsets through the sections.
  auto sections = IMAGE_FIRST_SECTION(nt);
  auto offsetOf = [&](DWORD rva) -> size_t {
    for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i) {
      const auto& s = sections[i];
      if (rva >= s.VirtualAddress && rva < s.VirtualAddress + s.SizeOfRawData)
        return rva - s.VirtualAddress + s.PointerToRawData;
    }
    return 0;
  };
  const auto& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  size_t at = offsetOf(dir.VirtualAddress);
  ASSERT_NE(at, 0u);
  std::vector<std::string> dlls;
  for (auto imp = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(image.data() + at); imp->Name; ++imp) {
    std::string name = image.data() + offsetOf(imp->Name);
    for (char& c : name) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    dlls.push_back(name);
  }
  for (const std::string& dll : dlls)
    EXPECT_TRUE(dll == "kernel32.dll" || dll == "user32.dll" || dll == "msvcrt.dll") << dll;
}

}  // namespace
