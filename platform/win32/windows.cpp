#include "dv/win32/windows.h"

#include <windows.h>

#include "dv/win32/text.h"

namespace dv::win32 {

namespace {

HWND toHwnd(Hwnd h) { return reinterpret_cast<HWND>(h); }
Hwnd fromHwnd(HWND h) { return reinterpret_cast<Hwnd>(h); }

BOOL CALLBACK collectWindow(HWND window, LPARAM param) {
  reinterpret_cast<std::vector<Hwnd>*>(param)->push_back(fromHwnd(window));
  return TRUE;
}

}  // namespace

Hwnd Win32Windows::findWindow(const std::optional<std::string>& className, const std::optional<std::string>& caption) {
  std::string cls = className ? toAnsi(*className) : std::string();
  std::string title = caption ? toAnsi(*caption) : std::string();
  return fromHwnd(FindWindowA(className ? cls.c_str() : nullptr, caption ? title.c_str() : nullptr));
}

Hwnd Win32Windows::firstChild(Hwnd parent) { return fromHwnd(GetWindow(toHwnd(parent), GW_CHILD)); }

Hwnd Win32Windows::nextSibling(Hwnd window) { return fromHwnd(GetWindow(toHwnd(window), GW_HWNDNEXT)); }

std::vector<Hwnd> Win32Windows::desktopChildren() {
  std::vector<Hwnd> out;
  EnumChildWindows(GetDesktopWindow(), collectWindow, reinterpret_cast<LPARAM>(&out));
  return out;
}

std::string Win32Windows::className(Hwnd window) {
  char buffer[256];
  int n = GetClassNameA(toHwnd(window), buffer, sizeof buffer);
  return n > 0 ? fromAnsi(std::string(buffer, static_cast<size_t>(n))) : std::string();
}

std::string Win32Windows::text(Hwnd window) {
  if (window == 0) return {};
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutA(toHwnd(window), WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, sendTimeoutMs_, &length) ||
      length == 0)
    return {};
  std::string buffer(length + 1, '\0');
  DWORD_PTR copied = 0;
  if (!SendMessageTimeoutA(toHwnd(window), WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(buffer.data()),
                           SMTO_ABORTIFHUNG, sendTimeoutMs_, &copied))
    return {};
  buffer.resize(copied < length + 1 ? copied : length);
  return fromAnsi(buffer);
}

Rect Win32Windows::rect(Hwnd window) {
  RECT r{};
  if (!GetWindowRect(toHwnd(window), &r)) return {};
  return Rect{r.left, r.top, r.right, r.bottom};
}

bool Win32Windows::isWindow(Hwnd window) { return window != 0 && IsWindow(toHwnd(window)); }

bool Win32Windows::isVisible(Hwnd window) { return window != 0 && IsWindowVisible(toHwnd(window)); }

intptr_t Win32Windows::send(Hwnd window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutA(toHwnd(window), message, wParam, lParam, SMTO_ABORTIFHUNG, sendTimeoutMs_, &result))
    return 0;
  return static_cast<intptr_t>(result);
}

bool Win32Windows::post(Hwnd window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  return PostMessageA(toHwnd(window), message, wParam, lParam) != 0;
}

intptr_t Win32Windows::sendText(Hwnd window, uint32_t message, uintptr_t wParam, const std::string& text) {
  DWORD_PTR result = 0;
  if (window == kHwndBroadcast) {
    // Broadcast in its Unicode form: every window gets the text in its own
    // character set either way, and Wine's ANSI broadcast hands the windows
    // the ANSI bytes as if they were UTF-16.
    std::wstring wide = widen(text, CP_UTF8);
    if (!SendMessageTimeoutW(toHwnd(window), message, wParam, reinterpret_cast<LPARAM>(wide.c_str()), SMTO_ABORTIFHUNG,
                             sendTimeoutMs_, &result))
      return 0;
    return static_cast<intptr_t>(result);
  }
  std::string ansi = toAnsi(text);
  if (!SendMessageTimeoutA(toHwnd(window), message, wParam, reinterpret_cast<LPARAM>(ansi.c_str()), SMTO_ABORTIFHUNG,
                           sendTimeoutMs_, &result))
    return 0;
  return static_cast<intptr_t>(result);
}

}  // namespace dv::win32
