// dlgrelay.exe: reads its command line and answers one dialog. It never
// creates a window of its own, writes nothing and reports nothing.
#include <windows.h>

#include <string>

#include "dv/win32/text.h"
#include "dv/win32/windows.h"
#include "relay/core/relay.h"

namespace {

// The relay's own clock and pump rather than those of the host services:
// those would link the shell and OLE into a program that is started once
// per dialog and needs neither.
class RelayClock : public dv::Clock {
 public:
  double secondsSinceMidnight() override {
    SYSTEMTIME t;
    GetLocalTime(&t);
    return t.wHour * 3600.0 + t.wMinute * 60.0 + t.wSecond + t.wMilliseconds / 1000.0;
  }
  uint64_t tickMs() override { return GetTickCount64(); }
  void sleepMs(uint32_t ms) override { Sleep(ms); }
};

// The relay owns no windows; serving its queue between search attempts
// is all DoEvents has to do here.
class RelayPump : public dv::MessagePump {
 public:
  void pump() override {
    MSG msg;
    for (int n = 0; n < 1000 && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE); ++n) DispatchMessageA(&msg);
  }
};

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  wchar_t ownPath[MAX_PATH * 4];
  DWORD n = GetModuleFileNameW(nullptr, ownPath, sizeof ownPath / sizeof ownPath[0]);
  if (n == 0 || n >= sizeof ownPath / sizeof ownPath[0]) ownPath[0] = L'\0';

  dv::win32::Win32Windows windows;
  RelayClock clock;
  RelayPump pump;
  dv::relay::RelayEnv env{windows, clock, pump};
  try {
    dv::relay::run(env, dv::relay::argumentsOf(dv::win32::narrow(GetCommandLineW()), dv::win32::narrow(ownPath)));
  } catch (...) {
    // Nobody reads the outcome; a failed relay simply leaves the dialog
    // to the user.
  }
  return 0;
}
