// Word's surroundings on Windows: the machine's files, printers and
// registry, the PDF printer's "Save PDF File As" dialog as a real modal
// window (so that dlgrelay can find and fill it), and Ghostscript.
#include <windows.h>

#include <string>
#include <vector>

#include "dv/win32/host.h"
#include "word/word_standin.h"

namespace dv::standins::word {

namespace {

constexpr WORD kEditId = 1001;
constexpr UINT_PTR kGiveUpTimer = 1;
// Nobody answering the dialog must not hang a test run for ever; the real
// printer would wait, but a stand-in that never returns proves nothing.
constexpr UINT kGiveUpMs = 120000;

struct DialogState {
  std::string result;
  bool accepted = false;
};

// An in-memory dialog template: caption, a label, the file-name edit and
// Save/Cancel buttons, laid out like a small save dialog.
class TemplateBuilder {
 public:
  void align() {
    while (bytes_.size() % 4) bytes_.push_back(0);
  }
  template <class T>
  void put(const T& value) {
    const auto* p = reinterpret_cast<const uint8_t*>(&value);
    bytes_.insert(bytes_.end(), p, p + sizeof(T));
  }
  void text(const char* s) {
    for (; *s; ++s) put<WCHAR>(static_cast<WCHAR>(static_cast<unsigned char>(*s)));
    put<WCHAR>(0);
  }
  void item(DWORD style, short x, short y, short cx, short cy, WORD id, WORD classAtom, const char* title) {
    align();
    DLGITEMTEMPLATE t{};
    t.style = style | WS_CHILD | WS_VISIBLE;
    t.x = x;
    t.y = y;
    t.cx = cx;
    t.cy = cy;
    t.id = id;
    put(t);
    put<WORD>(0xFFFF);
    put<WORD>(classAtom);
    text(title);
    put<WORD>(0);  // no creation data
  }
  std::vector<uint8_t>& bytes() { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
};

std::vector<uint8_t> saveDialogTemplate(const std::string& caption) {
  TemplateBuilder b;
  DLGTEMPLATE t{};
  t.style = DS_MODALFRAME | DS_SETFONT | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE;
  t.cdit = 4;
  t.cx = 260;
  t.cy = 60;
  b.put(t);
  b.put<WORD>(0);  // no menu
  b.put<WORD>(0);  // default class
  b.text(caption.c_str());
  b.put<WORD>(8);
  b.text("MS Shell Dlg");
  b.item(SS_LEFT, 7, 9, 40, 8, 0xFFFF, 0x0082, "File &name:");
  b.item(ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 50, 7, 203, 12, kEditId, 0x0081, "");
  b.item(BS_DEFPUSHBUTTON | WS_TABSTOP, 146, 38, 50, 14, IDOK, 0x0080, "&Save");
  b.item(BS_PUSHBUTTON | WS_TABSTOP, 203, 38, 50, 14, IDCANCEL, 0x0080, "Cancel");
  return b.bytes();
}

INT_PTR CALLBACK saveDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* state = reinterpret_cast<DialogState*>(GetWindowLongPtrA(dialog, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG:
      SetWindowLongPtrA(dialog, DWLP_USER, lParam);
      SetTimer(dialog, kGiveUpTimer, kGiveUpMs, nullptr);
      return TRUE;
    case WM_TIMER:
      if (wParam == kGiveUpTimer) EndDialog(dialog, IDCANCEL);
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK && state) {
        char buffer[1024] = {};
        GetDlgItemTextA(dialog, kEditId, buffer, sizeof buffer);
        state->result = buffer;
        state->accepted = true;
        EndDialog(dialog, IDOK);
        return TRUE;
      }
      if (LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
      }
      break;
    case WM_DESTROY:
      KillTimer(dialog, kGiveUpTimer);
      break;
  }
  return FALSE;
}

std::optional<std::string> askWithDialog(const std::string& caption) {
  std::vector<uint8_t> tmpl = saveDialogTemplate(caption);
  DialogState state;
  DialogBoxIndirectParamA(GetModuleHandleA(nullptr), reinterpret_cast<LPCDLGTEMPLATEA>(tmpl.data()), nullptr,
                          saveDialogProc, reinterpret_cast<LPARAM>(&state));
  if (!state.accepted) return std::nullopt;
  return state.result;
}

}  // namespace

void installPlatformEnvironment() {
  static dv::win32::Win32Host machine;
  Environment e;
  e.files = &machine.files;
  e.printers = &machine.printers;
  e.registry = &machine.registry;
  e.askPdfFileName = askWithDialog;
  e.writePdf = [](const std::string& postScript, const std::string& pdfPath) {
    return writePdfWithGhostscript(machine.files, postScript, pdfPath);
  };
  setEnvironment(std::move(e));
}

}  // namespace dv::standins::word
