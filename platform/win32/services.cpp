// The smaller host services on Win32.
#include "dv/win32/services.h"

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <map>
#include <vector>

#include "dv/vb.h"
#include "dv/win32/files.h"
#include "dv/win32/handle.h"
#include "dv/win32/text.h"

namespace dv::win32 {

// ---- Processes ----

bool Win32Processes::startHidden(const std::string& commandLine) {
  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESHOWWINDOW;
  si.wShowWindow = SW_HIDE;
  PROCESS_INFORMATION pi{};
  // CreateProcessW may write into the command line buffer.
  std::wstring cmd = widen(commandLine);
  cmd.push_back(L'\0');
  if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
  UniqueHandle thread(pi.hThread);
  std::shared_ptr<void> process(pi.hProcess, [](void* h) { CloseHandle(h); });
  std::lock_guard<std::mutex> lock(mu_);
  // Handles of programs that have ended are not needed any more.
  std::erase_if(started_, [](const auto& s) { return WaitForSingleObject(s.second.get(), 0) != WAIT_TIMEOUT; });
  started_.emplace_back(commandLine, std::move(process));
  return true;
}

void Win32Processes::endStarted(const std::string& commandLine) {
  std::lock_guard<std::mutex> lock(mu_);
  std::erase_if(started_, [&](const auto& s) {
    if (s.first != commandLine) return false;
    if (WaitForSingleObject(s.second.get(), 0) == WAIT_TIMEOUT) TerminateProcess(s.second.get(), 1);
    return true;
  });
}

// ---- Shell ----

std::string Win32Shell::specialFolder(int csidl) {
  wchar_t buffer[MAX_PATH + 1] = {0};
  if (!SHGetSpecialFolderPathW(nullptr, buffer, csidl, FALSE)) return std::string();
  return narrow(buffer);
}

namespace {
// An address inside this module, to find the module it was linked into.
void moduleAnchor() {}

std::wstring moduleFileName(HMODULE module) {
  std::wstring buffer(MAX_PATH, L'\0');
  for (int attempt = 0; attempt < 6; ++attempt) {
    const DWORD n = GetModuleFileNameW(module, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return std::wstring();
    if (n < buffer.size()) {
      buffer.resize(n);
      return buffer;
    }
    buffer.resize(buffer.size() * 2);  // truncated
  }
  return std::wstring();
}
}  // namespace

std::string Win32Shell::libraryFolder() {
  HMODULE module = nullptr;
  if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                          reinterpret_cast<LPCWSTR>(&moduleAnchor), &module)) {
    return std::string();
  }
  const std::wstring path = moduleFileName(module);
  const size_t slash = path.find_last_of(L"\\/");
  if (slash == std::wstring::npos) return std::string();
  return narrow(path.substr(0, slash + 1));
}

std::string Win32Shell::systemDirectory() {
  wchar_t buffer[MAX_PATH + 1] = {0};
  const UINT n = GetSystemDirectoryW(buffer, MAX_PATH + 1);
  if (n == 0 || n > MAX_PATH) return std::string();
  return narrow(std::wstring_view(buffer, n));
}

intptr_t Win32Shell::execute(const std::string& verb, const std::string& file, const std::string& parameters,
                             const std::string& directory, int showCommand) {
  const std::wstring v = widen(verb), f = widen(file), p = widen(parameters), d = widen(directory);
  const HINSTANCE r = ShellExecuteW(nullptr, v.empty() ? nullptr : v.c_str(), f.c_str(),
                                    p.empty() ? nullptr : p.c_str(), d.empty() ? nullptr : d.c_str(), showCommand);
  return reinterpret_cast<intptr_t>(r);
}

// ---- Clipboard ----

namespace {
class ClipboardLock {
 public:
  // Another program may hold the clipboard for a moment; try for a bounded
  // time (about half a second).
  ClipboardLock() {
    for (int attempt = 0; attempt < 10 && !open_; ++attempt) {
      open_ = OpenClipboard(nullptr) != FALSE;
      if (!open_) Sleep(50);
    }
  }
  ~ClipboardLock() {
    if (open_) CloseClipboard();
  }
  bool open() const { return open_; }

 private:
  bool open_ = false;
};

class GlobalLockGuard {
 public:
  explicit GlobalLockGuard(HGLOBAL h) : h_(h), p_(GlobalLock(h)) {}
  ~GlobalLockGuard() {
    if (p_) GlobalUnlock(h_);
  }
  const BYTE* data() const { return static_cast<const BYTE*>(p_); }

 private:
  HGLOBAL h_;
  void* p_;
};
}  // namespace

bool Win32Clipboard::saveBitmap(const std::string& path) {
  ClipboardLock lock;
  if (!lock.open()) return false;
  HANDLE dib = GetClipboardData(CF_DIB);
  if (!dib) return false;
  GlobalLockGuard mem(dib);
  const SIZE_T dibSize = GlobalSize(dib);
  if (!mem.data() || dibSize < sizeof(BITMAPINFOHEADER)) return false;
  const auto* info = reinterpret_cast<const BITMAPINFOHEADER*>(mem.data());
  // Where the pixels start: header, optional bit masks, colour table.
  DWORD colours = info->biClrUsed;
  if (colours == 0 && info->biBitCount <= 8) colours = 1u << info->biBitCount;
  DWORD masks = 0;
  if (info->biSize == sizeof(BITMAPINFOHEADER) && info->biCompression == BI_BITFIELDS) masks = 3 * sizeof(DWORD);
  const DWORD offset = sizeof(BITMAPFILEHEADER) + info->biSize + masks + colours * sizeof(RGBQUAD);
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;  // "BM"
  file.bfSize = static_cast<DWORD>(sizeof file + dibSize);
  file.bfOffBits = offset;
  std::string bytes(reinterpret_cast<const char*>(&file), sizeof file);
  bytes.append(reinterpret_cast<const char*>(mem.data()), dibSize);
  return Win32FileSystem().writeFile(path, bytes);
}

// ---- Clock ----

double Win32Clock::secondsSinceMidnight() {
  SYSTEMTIME st;
  GetLocalTime(&st);
  return st.wHour * 3600.0 + st.wMinute * 60.0 + st.wSecond + st.wMilliseconds / 1000.0;
}

uint64_t Win32Clock::tickMs() { return GetTickCount64(); }

void Win32Clock::sleepMs(uint32_t ms) { Sleep(ms); }

// ---- Message pump ----

void Win32Pump::pump() {
  // Bound the work of one DoEvents: messages posted while we dispatch must
  // not keep the caller here.
  MSG msg;
  for (int n = 0; n < 10000 && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE); ++n) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

// ---- Keyboard ----

namespace {

struct KeyStroke {
  WORD vk = 0;
  wchar_t ch = 0;  // a character typed as itself (KEYEVENTF_UNICODE)
};

const std::map<std::string, WORD>& namedKeys() {
  static const std::map<std::string, WORD> keys = {
      {"ENTER", VK_RETURN},  {"TAB", VK_TAB},        {"ESC", VK_ESCAPE}, {"ESCAPE", VK_ESCAPE}, {"BS", VK_BACK},
      {"BKSP", VK_BACK},     {"BACKSPACE", VK_BACK}, {"DEL", VK_DELETE}, {"DELETE", VK_DELETE}, {"INS", VK_INSERT},
      {"INSERT", VK_INSERT}, {"HOME", VK_HOME},      {"END", VK_END},    {"PGUP", VK_PRIOR},    {"PGDN", VK_NEXT},
      {"UP", VK_UP},         {"DOWN", VK_DOWN},      {"LEFT", VK_LEFT},  {"RIGHT", VK_RIGHT},   {"SPACE", VK_SPACE},
  };
  return keys;
}

void addKey(std::vector<INPUT>& out, WORD vk, bool up) {
  INPUT in{};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = vk;
  in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  out.push_back(in);
}

void addStroke(std::vector<INPUT>& out, const KeyStroke& k) {
  if (k.vk) {
    addKey(out, k.vk, false);
    addKey(out, k.vk, true);
    return;
  }
  // Type a character as its key on the current layout, so that held
  // modifiers act on it ("+a" gives "A", "^c" copies), pressing Shift,
  // Ctrl or Alt where the layout needs them for the character.
  const SHORT scan = VkKeyScanW(k.ch);
  if (scan != -1) {
    const WORD vk = LOBYTE(scan);
    const BYTE shifts = HIBYTE(scan);
    std::vector<WORD> extra;
    if (shifts & 1) extra.push_back(VK_SHIFT);
    if (shifts & 2) extra.push_back(VK_CONTROL);
    if (shifts & 4) extra.push_back(VK_MENU);
    for (WORD m : extra) addKey(out, m, false);
    addKey(out, vk, false);
    addKey(out, vk, true);
    for (auto m = extra.rbegin(); m != extra.rend(); ++m) addKey(out, *m, true);
    return;
  }
  // Not on the keyboard: send the character itself.
  for (bool up : {false, true}) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wScan = k.ch;
    in.ki.dwFlags = KEYEVENTF_UNICODE | (up ? KEYEVENTF_KEYUP : 0);
    out.push_back(in);
  }
}

}  // namespace

void Win32Keyboard::sendKeys(const std::string& keys) {
  const std::wstring w = widen(keys);
  std::vector<INPUT> inputs;
  std::vector<WORD> held;  // modifiers waiting for their key or group
  // For each open "(group)": how many modifiers were held when it opened;
  // those stay down until the group closes.
  std::vector<size_t> groupModifiers;
  auto releaseHeld = [&](size_t keep) {
    while (held.size() > keep) {
      addKey(inputs, held.back(), true);
      held.pop_back();
    }
  };
  auto afterKey = [&] {
    // A modifier applies to the next key only, unless a group is open.
    releaseHeld(groupModifiers.empty() ? 0 : groupModifiers.back());
  };
  for (size_t i = 0; i < w.size(); ++i) {
    const wchar_t c = w[i];
    if (c == L'+' || c == L'^' || c == L'%') {
      const WORD vk = c == L'+' ? VK_SHIFT : (c == L'^' ? VK_CONTROL : VK_MENU);
      addKey(inputs, vk, false);
      held.push_back(vk);
      continue;
    }
    if (c == L'(') {
      groupModifiers.push_back(held.size());
      continue;
    }
    if (c == L')' && !groupModifiers.empty()) {
      groupModifiers.pop_back();
      afterKey();
      continue;
    }
    KeyStroke stroke;
    int repeat = 1;
    if (c == L'~') {
      stroke.vk = VK_RETURN;
    } else if (c == L'{') {
      // "{}}" is a literal "}", so look for the closing brace from i + 2.
      const size_t close = w.find(L'}', i + 2);
      if (close == std::wstring::npos) vb::raise(vb::kInvalidProcedureCall);
      std::wstring inside = w.substr(i + 1, close - i - 1);
      i = close;
      if (const size_t blank = inside.find(L' '); blank != std::wstring::npos && blank > 0) {
        repeat = static_cast<int>(vb::Val(narrow(inside.substr(blank + 1))));
        inside.resize(blank);
      }
      const std::string name = vb::UCase(narrow(inside));
      if (inside.size() == 1 && !namedKeys().count(name)) {
        stroke.ch = inside[0];
      } else if (const auto it = namedKeys().find(name); it != namedKeys().end()) {
        stroke.vk = it->second;
      } else if (name.size() >= 2 && name[0] == 'F' && vb::Val(name.substr(1)) >= 1 && vb::Val(name.substr(1)) <= 16) {
        stroke.vk = static_cast<WORD>(VK_F1 + static_cast<int>(vb::Val(name.substr(1))) - 1);
      } else {
        releaseHeld(0);
        vb::raise(vb::kInvalidProcedureCall);
      }
    } else {
      stroke.ch = c;
    }
    for (int r = 0; r < repeat; ++r) addStroke(inputs, stroke);
    afterKey();
  }
  releaseHeld(0);
  if (!inputs.empty()) SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

// ---- Message boxes ----

void Win32Ui::messageBox(const std::string& text, const std::string& caption) {
  MessageBoxW(nullptr, widen(text).c_str(), widen(caption).c_str(), MB_OK | MB_SETFOREGROUND);
}

}  // namespace dv::win32
