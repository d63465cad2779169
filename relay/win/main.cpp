// dlgrelay.exe: reads its command line and answers one dialog. It never
// creates a window of its own, writes nothing and reports nothing.
#include <windows.h>

#include <string>

#include "dv/win32/windows.h"
#include "relay/core/relay.h"

namespace {

std::string toUtf8(const wchar_t* w) {
  int n = WideCharToMultiByte(CP_UTF8, 0, w, -1, nullptr, 0, nullptr, nullptr);
  if (n <= 1) return {};
  std::string s(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, w, -1, s.data(), n, nullptr, nullptr);
  s.resize(static_cast<size_t>(n - 1));
  return s;
}

class SystemClock : public dv::Clock {
 public:
  double secondsSinceMidnight() override {
    SYSTEMTIME t;
    GetLocalTime(&t);
    return t.wHour * 3600.0 + t.wMinute * 60.0 + t.wSecond + t.wMilliseconds / 1000.0;
  }
  uint64_t tickMs() override { return GetTickCount64(); }
  void sleepMs(uint32_t ms) override { Sleep(ms); }
};

// DoEvents: the relay owns no windows, but yielding keeps the busy search
// from starving the process whose dialog it waits for.
class ThreadPump : public dv::MessagePump {
 public:
  void pump() override {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    Sleep(0);
  }
};

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  wchar_t ownPath[MAX_PATH * 4];
  DWORD n = GetModuleFileNameW(nullptr, ownPath, sizeof ownPath / sizeof ownPath[0]);
  if (n == 0 || n >= sizeof ownPath / sizeof ownPath[0]) ownPath[0] = L'\0';

  dv::win32::Win32Windows windows;
  SystemClock clock;
  ThreadPump pump;
  dv::relay::RelayEnv env{windows, clock, pump};
  try {
    dv::relay::run(env, dv::relay::argumentsOf(toUtf8(GetCommandLineW()), toUtf8(ownPath)));
  } catch (...) {
    // Nobody reads the outcome; a failed relay simply leaves the dialog
    // to the user.
  }
  return 0;
}
