// viewer_server.exe: the viewer stand-in as the viewer is on a desktop - one
// process that every client shares. COM starts it for the first viewer
// object (a local server), it shows a hidden main window whose class
// follows the viewer version of the registry, shows the viewer's modal
// "Open" and "Password" dialogs. The viewer ends with App Exit, when its
// main window is closed or destroyed (which is how the library's
// CloseAcrobat ends a viewer), or, never shown, when its last automation
// object is released; the process leaves a few seconds after that.
//
//   viewer_server.exe /RegServer     registers the viewer classes
//   viewer_server.exe /UnregServer   removes them
#include <windows.h>

#include <string>
#include <vector>

#include "dv/standins/viewer_app.h"
#include "dv/standins/com_hosting.h"
#include "dv/standins/viewer_server.h"
#include "dv/vb.h"
#include "dv/win32/com.h"
#include "dv/win32/handle.h"
#include "dv/win32/text.h"
#include "viewer_dialogs_win32.h"

namespace {

using dv::standins::SharedViewer;
using dv::win32::narrow;
using dv::win32::widen;

// The class objects this process offers; withdrawn as soon as the viewer
// ends, so that a client creating a viewer object then starts a new one.
std::vector<DWORD> g_classCookies;

void revokeClassObjects() {
  for (DWORD cookie : g_classCookies) CoRevokeClassObject(cookie);
  g_classCookies.clear();
}

constexpr int kEditId = 100;
constexpr int kPromptId = 101;

// ---- The dialogs: an in-memory template of one label, one edit field and
// OK (the default button) and Cancel. ----
class DialogTemplate {
 public:
  DialogTemplate(const std::wstring& caption, bool secret) {
    DLGTEMPLATE t{};
    t.style = DS_MODALFRAME | DS_SETFONT | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE;
    t.cdit = 4;
    t.cx = 260;
    t.cy = 70;
    raw(&t, sizeof t);
    word(0);  // no menu
    word(0);  // the dialog class
    text(caption);
    word(8);
    text(L"MS Shell Dlg");
    item(SS_LEFT | WS_CHILD | WS_VISIBLE, 7, 7, 246, 18, kPromptId, 0x0082, L"");
    item(ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP | WS_CHILD | WS_VISIBLE | (secret ? ES_PASSWORD : 0), 7, 28, 246, 14,
         kEditId, 0x0081, L"");
    item(BS_DEFPUSHBUTTON | WS_TABSTOP | WS_CHILD | WS_VISIBLE, 146, 49, 50, 14, IDOK, 0x0080, L"OK");
    item(BS_PUSHBUTTON | WS_TABSTOP | WS_CHILD | WS_VISIBLE, 203, 49, 50, 14, IDCANCEL, 0x0080, L"Cancel");
  }
  const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(bytes_.data()); }

 private:
  void align() {
    while (bytes_.size() % 4) bytes_.push_back(0);
  }
  void raw(const void* p, size_t n) {
    const auto* b = static_cast<const unsigned char*>(p);
    bytes_.insert(bytes_.end(), b, b + n);
  }
  void word(WORD w) { raw(&w, sizeof w); }
  void text(const std::wstring& s) { raw(s.c_str(), (s.size() + 1) * sizeof(wchar_t)); }
  void item(DWORD style, short x, short y, short cx, short cy, WORD id, WORD atom, const std::wstring& title) {
    align();
    DLGITEMTEMPLATE it{};
    it.style = style;
    it.x = x;
    it.y = y;
    it.cx = cx;
    it.cy = cy;
    it.id = id;
    raw(&it, sizeof it);
    word(0xFFFF);
    word(atom);
    text(title);
    word(0);  // no creation data
  }
  std::vector<unsigned char> bytes_;
};

struct DialogState {
  std::wstring prompt;
  UINT giveUpMs;
  std::wstring answer;
};

constexpr UINT_PTR kGiveUpTimer = 1;

// How long a dialog of the viewer waits for an answer: nobody answering
// must not hang a run for ever, and the setting shortens the wait where
// callers pass captions no relay finds.
UINT dialogGiveUpMs() {
  const double seconds = dv::vb::Val(dv::standins::Control::instance().setting("ViewerDialogSeconds", "60"));
  return static_cast<UINT>(seconds > 0 ? seconds * 1000 : 60000);
}

INT_PTR CALLBACK dialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      SetWindowLongPtrW(dialog, DWLP_USER, lParam);
      const auto* state = reinterpret_cast<DialogState*>(lParam);
      SetDlgItemTextW(dialog, kPromptId, state->prompt.c_str());
      SetTimer(dialog, kGiveUpTimer, state->giveUpMs, nullptr);
      SetForegroundWindow(dialog);
      return TRUE;
    }
    case WM_TIMER:
      if (wParam != kGiveUpTimer) break;
      KillTimer(dialog, kGiveUpTimer);
      EndDialog(dialog, IDCANCEL);
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
        if (LOWORD(wParam) == IDOK) {
          auto* state = reinterpret_cast<DialogState*>(GetWindowLongPtrW(dialog, DWLP_USER));
          wchar_t buffer[1024] = {};
          GetDlgItemTextW(dialog, kEditId, buffer, 1024);
          state->answer = buffer;
        }
        EndDialog(dialog, LOWORD(wParam));
        return TRUE;
      }
      break;
  }
  return FALSE;
}

// ---- The main window and the dialogs as the shared viewer sees them ----
class Win32Ui : public dv::standins::ViewerUi {
 public:
  void start(const std::string& windowClass) override {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &Win32Ui::windowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = windowClass.c_str();
    RegisterClassExA(&wc);
    window_ = CreateWindowExA(0, windowClass.c_str(), "Adobe Acrobat Professional", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                              CW_USEDEFAULT, 640, 480, nullptr, nullptr, wc.hInstance, nullptr);
  }
  void show() override {
    if (window_) ShowWindow(window_, SW_SHOWNORMAL);
  }
  void setTitle(const std::string& title) override {
    if (window_) SetWindowTextA(window_, title.c_str());
  }
  // The viewer's window goes at once; the process stays a moment for the
  // clients' last calls and releases (see idleCheck), and a client that
  // creates a viewer object meanwhile simply starts the viewer again.
  void end() override {
    HWND w = window_;
    window_ = nullptr;
    if (w && IsWindow(w)) DestroyWindow(w);
  }
  std::optional<std::string> ask(const std::string& caption, const std::string& prompt, bool secret) override {
    DialogTemplate t(widen(caption), secret);
    DialogState state{widen(prompt), dialogGiveUpMs(), {}};
    const INT_PTR r = DialogBoxIndirectParamW(GetModuleHandleW(nullptr), t.get(), window_, dialogProc,
                                              reinterpret_cast<LPARAM>(&state));
    if (r != IDOK) return std::nullopt;
    return narrow(state.answer);
  }
  std::optional<dv::standins::DialogAnswer> showDialog(const dv::standins::DialogLayout& layout) override {
    std::optional<dv::standins::DialogAnswer> answer = dv::standins::runDialog(window_, layout, dialogGiveUpMs());
    std::string chosen;
    if (answer)
      for (int selection : answer->selections) chosen += (chosen.empty() ? "" : " ") + std::to_string(selection);
    // Which dialogs came up and how they ended, for the runs that go wrong.
    dv::standins::Control::instance().record(
        {"ViewerDialog",
         "event",
         layout.title,
         {{"", dv::Variant(answer ? "answered" : "unanswered")}, {"selections", dv::Variant(chosen)}},
         {}});
    return answer;
  }

 private:
  static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
      case WM_CLOSE:
        // Closing the main window ends the viewer, documents and all.
        SharedViewer::instance().end();
        return 0;
      case WM_DESTROY:
        // Also when another program sends WM_DESTROY itself: the viewer
        // ends with its window.
        if (SharedViewer::instance().running()) SharedViewer::instance().end();
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
  }
  HWND window_ = nullptr;
};

// A viewer that automation started and nobody has shown quits when its
// last automation object is released; a shown one stays until it is closed.
// The process goes once the viewer has ended and no client has held an
// object for a while (ending it at the very moment the viewer ends would
// race with a client that starts the viewer again right away), or when no
// client ever reaches it.
constexpr UINT kIdleCheckMs = 250;
constexpr DWORD kProcessIdleMs = 3000;
constexpr DWORD kNoClientMs = 60000;
bool g_hadClients = false;
DWORD g_startedAt = 0;
DWORD g_idleSince = 0;  // 0: not idle

void CALLBACK idleCheck(HWND, UINT, UINT_PTR, DWORD) {
  SharedViewer& viewer = SharedViewer::instance();
  const long live = dv::standins::com::liveObjects();
  const DWORD now = GetTickCount();
  if (live > 0) {
    g_hadClients = true;
    g_idleSince = 0;
    return;
  }
  if (viewer.running() && !viewer.visible() && (g_hadClients || now - g_startedAt > kNoClientMs)) {
    g_hadClients = false;
    viewer.end();
  }
  if (viewer.running()) {
    g_idleSince = 0;
    return;
  }
  if (g_idleSince == 0) g_idleSince = now ? now : 1;
  if (now - g_idleSince >= kProcessIdleMs) {
    revokeClassObjects();
    PostQuitMessage(0);
  }
}

std::string registryText(HKEY root, const char* path) {
  dv::win32::UniqueHkey key;
  if (RegOpenKeyExA(root, path, 0, KEY_READ, key.put()) != ERROR_SUCCESS) return {};
  char buffer[256] = {};
  DWORD size = sizeof buffer - 1, type = 0;
  const LONG rc = RegQueryValueExA(key.get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
  return rc == ERROR_SUCCESS && type == REG_SZ ? std::string(buffer) : std::string();
}

std::string defaultPrinter() {
  char buffer[512] = {};
  DWORD size = sizeof buffer;
  // GetDefaultPrinterA lives in winspool; the profile entry serves as well.
  GetProfileStringA("windows", "device", "", buffer, size);
  std::string device = buffer;
  return device.substr(0, device.find(','));
}

bool isViewerClass(const dv::standins::ClassDef& c) {
  for (const auto& progId : c.progIds())
    if (progId.rfind("AcroExch.", 0) == 0) return true;
  return false;
}

std::wstring modulePath() {
  wchar_t path[MAX_PATH + 1];
  const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  return std::wstring(path, n);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
  namespace com = dv::standins::com;
  dv::win32::ComApartment apartment;
  if (!apartment.ok()) return 1;
  const std::string args = commandLine ? commandLine : "";
  if (args.find("RegServer") != std::string::npos || args.find("regserver") != std::string::npos) {
    const bool remove = args.find("Unreg") != std::string::npos || args.find("unreg") != std::string::npos;
    const HRESULT hr = remove ? com::unregisterServer(modulePath())
                              : com::registerServer(modulePath(), com::ServerKind::LocalServer, isViewerClass);
    return SUCCEEDED(hr) ? 0 : 2;
  }

  com::installHosting();
  Win32Ui ui;
  SharedViewer& viewer = SharedViewer::instance();
  viewer.setUi(&ui);
  viewer.setVersionSource(
      [] { return registryText(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\AcroExch.App\\AcrobatVersion"); });
  viewer.setPrinterSource(defaultPrinter);
  viewer.ensureRunning();

  for (const dv::standins::ClassDef* c : dv::standins::allClasses()) {
    if (!c->creatable() || !isViewerClass(*c)) continue;
    dv::win32::ComPtr<IUnknown> factory;
    const GUID clsid = com::classId(*c);
    if (FAILED(com::getClassObject(clsid, IID_IUnknown, factory.putVoid()))) continue;
    DWORD cookie = 0;
    if (SUCCEEDED(CoRegisterClassObject(clsid, factory.get(), CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE, &cookie)))
      g_classCookies.push_back(cookie);
  }

  g_startedAt = GetTickCount();
  SetTimer(nullptr, 0, kIdleCheckMs, idleCheck);

  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  // Class objects are withdrawn; calls already on their way are still
  // served for a moment before the process goes, so that no client sees its
  // last call fail with a broken connection.
  const DWORD until = GetTickCount() + 1000;
  for (DWORD now = GetTickCount(); static_cast<LONG>(until - now) > 0; now = GetTickCount()) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, until - now, QS_ALLINPUT);
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  revokeClassObjects();
  viewer.setUi(nullptr);
  return 0;
}
