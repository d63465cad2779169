// The menu commands' dialogs as real modal windows: a template built from
// the layout (controls created in the layout's order, so dlgrelay lists
// and counts them in that order), run modally under the viewer's main
// window, and read back when confirmed. A dialog nobody answers gives up
// after a bound, as if cancelled.
#include "viewer_dialogs_win32.h"

#include <string>
#include <vector>

#include "dv/win32/text.h"

namespace dv::standins {

namespace {

using Kind = DialogControl::Kind;

constexpr UINT_PTR kGiveUpTimer = 1;
constexpr WORD kFirstId = 1000;

WORD idOf(const DialogControl& c, size_t index) {
  switch (c.kind) {
    case Kind::OkButton:
      return static_cast<WORD>(IDOK);
    case Kind::CancelButton:
      return static_cast<WORD>(IDCANCEL);
    case Kind::YesButton:
      return static_cast<WORD>(IDYES);
    default:
      return static_cast<WORD>(kFirstId + index);
  }
}

const wchar_t* classOf(Kind kind) {
  switch (kind) {
    case Kind::Label:
      return L"Static";
    case Kind::Edit:
    case Kind::PasswordEdit:
      return L"Edit";
    case Kind::ComboBox:
      return L"ComboBox";
    case Kind::RichEdit20:
      return L"RichEdit20W";
    case Kind::RichEdit50:
      return L"RICHEDIT50W";
    default:
      return L"Button";
  }
}

DWORD styleOf(const DialogControl& c) {
  const DWORD child = WS_CHILD | WS_VISIBLE;
  switch (c.kind) {
    case Kind::Label:
      return child | SS_LEFT;
    case Kind::Edit:
      return child | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL;
    case Kind::PasswordEdit:
      return child | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL | ES_PASSWORD;
    case Kind::ComboBox:
      return child | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST;
    case Kind::CheckBox:
      return child | WS_TABSTOP | BS_AUTOCHECKBOX;
    case Kind::RichEdit20:
    case Kind::RichEdit50:
      return child | WS_TABSTOP | WS_BORDER | ES_MULTILINE | ES_AUTOVSCROLL;
    case Kind::OkButton:
      return child | WS_TABSTOP | BS_DEFPUSHBUTTON;
    default:
      return child | WS_TABSTOP | (c.isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
  }
}

// DLGTEMPLATE and its items, WORD-aligned, items DWORD-aligned.
class Template {
 public:
  explicit Template(const DialogLayout& layout) {
    dword(DS_MODALFRAME | DS_SETFONT | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE);
    dword(0);
    words_.push_back(static_cast<WORD>(layout.controls.size()));
    for (int16_t v : {int16_t{0}, int16_t{0}, layout.cx, layout.cy}) words_.push_back(static_cast<WORD>(v));
    words_.push_back(0);  // no menu
    words_.push_back(0);  // the dialog class
    text(dv::win32::widen(layout.title));
    words_.push_back(8);
    text(L"MS Shell Dlg");
    for (size_t i = 0; i < layout.controls.size(); ++i) {
      const DialogControl& c = layout.controls[i];
      if (words_.size() % 2) words_.push_back(0);
      dword(styleOf(c));
      dword(0);
      for (int16_t v : {c.x, c.y, c.cx, c.cy}) words_.push_back(static_cast<WORD>(v));
      words_.push_back(idOf(c, i));
      text(classOf(c.kind));
      text(c.kind == Kind::ComboBox ? std::wstring() : dv::win32::widen(c.text));
      words_.push_back(0);  // no creation data
    }
  }
  const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

 private:
  void dword(DWORD v) {
    words_.push_back(LOWORD(v));
    words_.push_back(HIWORD(v));
  }
  void text(const std::wstring& s) {
    for (wchar_t c : s) words_.push_back(static_cast<WORD>(c));
    words_.push_back(0);
  }
  std::vector<WORD> words_;
};

struct Running {
  const DialogLayout* layout;
  UINT giveUpMs;
  DialogAnswer answer;
  bool confirmed = false;
};

int indexOfId(const DialogLayout& layout, WORD id) {
  for (size_t i = 0; i < layout.controls.size(); ++i)
    if (idOf(layout.controls[i], i) == id) return static_cast<int>(i);
  return -1;
}

std::string textOf(HWND h) {
  const int n = GetWindowTextLengthW(h);
  std::wstring w(static_cast<size_t>(n) + 1, L'\0');
  const int got = GetWindowTextW(h, w.data(), n + 1);
  w.resize(static_cast<size_t>(got > 0 ? got : 0));
  return dv::win32::narrow(w);
}

void capture(HWND dialog, Running& run) {
  const auto& controls = run.layout->controls;
  run.answer.texts.assign(controls.size(), std::string());
  run.answer.selections.assign(controls.size(), -1);
  run.answer.checked.assign(controls.size(), false);
  for (size_t i = 0; i < controls.size(); ++i) {
    HWND h = GetDlgItem(dialog, idOf(controls[i], i));
    if (!h) continue;
    switch (controls[i].kind) {
      case Kind::Edit:
      case Kind::PasswordEdit:
      case Kind::RichEdit20:
      case Kind::RichEdit50:
        run.answer.texts[i] = textOf(h);
        break;
      case Kind::ComboBox:
        run.answer.selections[i] = static_cast<int>(SendMessageW(h, CB_GETCURSEL, 0, 0));
        break;
      case Kind::CheckBox:
        run.answer.checked[i] = SendMessageW(h, BM_GETCHECK, 0, 0) == BST_CHECKED;
        break;
      default:
        break;
    }
  }
}

void enableByCheckBoxes(HWND dialog, const DialogLayout& layout) {
  for (size_t i = 0; i < layout.controls.size(); ++i) {
    const int by = layout.controls[i].enabledBy;
    if (by < 0) continue;
    const bool on = IsDlgButtonChecked(
                        dialog, idOf(layout.controls[static_cast<size_t>(by)], static_cast<size_t>(by))) == BST_CHECKED;
    EnableWindow(GetDlgItem(dialog, idOf(layout.controls[i], i)), on);
  }
}

// Rich edits send no notification for a click; their window procedure
// records it.
LRESULT CALLBACK richEditProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  auto original = reinterpret_cast<WNDPROC>(GetPropW(h, L"dv.proc"));
  if (msg == WM_LBUTTONDOWN) {
    auto* run = reinterpret_cast<Running*>(GetWindowLongPtrW(GetParent(h), DWLP_USER));
    const int index = run ? indexOfId(*run->layout, static_cast<WORD>(GetDlgCtrlID(h))) : -1;
    if (index >= 0) run->answer.clicks.push_back(index);
  }
  return CallWindowProcW(original, h, msg, wp, lp);
}

INT_PTR CALLBACK dialogProc(HWND dialog, UINT msg, WPARAM wp, LPARAM lp) {
  auto* run = reinterpret_cast<Running*>(GetWindowLongPtrW(dialog, DWLP_USER));
  switch (msg) {
    case WM_INITDIALOG: {
      run = reinterpret_cast<Running*>(lp);
      SetWindowLongPtrW(dialog, DWLP_USER, lp);
      const auto& controls = run->layout->controls;
      for (size_t i = 0; i < controls.size(); ++i) {
        HWND h = GetDlgItem(dialog, idOf(controls[i], i));
        if (controls[i].kind == Kind::ComboBox) {
          for (const std::string& e : controls[i].entries)
            SendMessageW(h, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(dv::win32::widen(e).c_str()));
          if (!controls[i].entries.empty()) SendMessageW(h, CB_SETCURSEL, 0, 0);
        }
        if (controls[i].kind == Kind::RichEdit20 || controls[i].kind == Kind::RichEdit50) {
          SetPropW(h, L"dv.proc", reinterpret_cast<HANDLE>(GetWindowLongPtrW(h, GWLP_WNDPROC)));
          SetWindowLongPtrW(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(richEditProc));
        }
      }
      enableByCheckBoxes(dialog, *run->layout);
      SetTimer(dialog, kGiveUpTimer, run->giveUpMs, nullptr);
      SetForegroundWindow(dialog);
      return TRUE;
    }
    case WM_TIMER:
      if (wp == kGiveUpTimer) EndDialog(dialog, IDCANCEL);
      return TRUE;
    case WM_COMMAND: {
      if (!run || HIWORD(wp) != BN_CLICKED) break;
      const WORD id = LOWORD(wp);
      const int index = indexOfId(*run->layout, id);
      if (index >= 0) run->answer.clicks.push_back(index);
      const Kind kind = index >= 0 ? run->layout->controls[static_cast<size_t>(index)].kind : Kind::Label;
      if (kind == Kind::CheckBox) enableByCheckBoxes(dialog, *run->layout);
      if (kind == Kind::OkButton || kind == Kind::YesButton) {
        capture(dialog, *run);
        run->confirmed = true;
        EndDialog(dialog, id);
      } else if (id == IDCANCEL) {
        // Escape and the close box too.
        EndDialog(dialog, IDCANCEL);
      }
      return TRUE;
    }
    case WM_DESTROY:
      KillTimer(dialog, kGiveUpTimer);
      break;
  }
  return FALSE;
}

}  // namespace

std::optional<DialogAnswer> runDialog(HWND owner, const DialogLayout& layout, UINT giveUpMs) {
  // The rich edit classes live in their own libraries.
  static const bool richEdits = LoadLibraryW(L"riched20.dll") != nullptr && LoadLibraryW(L"msftedit.dll") != nullptr;
  (void)richEdits;
  const Template t(layout);
  Running run{&layout, giveUpMs, {}, false};
  DialogBoxIndirectParamW(GetModuleHandleW(nullptr), t.get(), owner, dialogProc, reinterpret_cast<LPARAM>(&run));
  if (!run.confirmed) return std::nullopt;
  return run.answer;
}

}  // namespace dv::standins
