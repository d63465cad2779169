// A stand-in for dlgrelay.exe in the relay-launching tests: it answers no
// dialog, it only records how it was started. Each run writes one file
// "<DV_RELAY_LOG_DIR>\relay-<pid>.txt" holding its own module path, a tab
// and its whole command line, so runs started back to back never share a
// file. Without DV_RELAY_LOG_DIR it does nothing.
#include <windows.h>

#include <string>

#include "dv/win32/handle.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  char dir[MAX_PATH] = {};
  DWORD n = GetEnvironmentVariableA("DV_RELAY_LOG_DIR", dir, sizeof(dir));
  if (n == 0 || n >= sizeof(dir)) return 1;
  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, sizeof(self));
  std::string record = std::string(self) + "\t" + GetCommandLineA();
  std::string target = std::string(dir) + "\\relay-" + std::to_string(GetCurrentProcessId()) + ".txt";
  // Written under a temporary name and renamed, so a reader never sees half a record.
  std::string partial = target + ".part";
  BOOL ok = FALSE;
  {
    dv::win32::UniqueHandle file(
        CreateFileA(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) return 1;
    DWORD written = 0;
    ok = WriteFile(file.get(), record.data(), static_cast<DWORD>(record.size()), &written, nullptr);
  }
  if (!ok || !MoveFileA(partial.c_str(), target.c_str())) return 1;
  return 0;
}
