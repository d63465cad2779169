#include "bench_files.h"

#include <windows.h>

#include <fstream>
#include <sstream>

#include "dv/win32/handle.h"

namespace dv::winetest {

std::string env(const char* name) {
  char buf[4096];
  DWORD n = GetEnvironmentVariableA(name, buf, sizeof buf);
  return (n > 0 && n < sizeof buf) ? std::string(buf, n) : std::string();
}

std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

bool exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string ScriptRun::describe() const {
  if (!started) return "cscript did not start";
  if (!finished) return "the script did not finish in time: " + output;
  return output;
}

ScriptRun runScript(const std::string& script, const std::vector<std::string>& arguments, const std::string& outFile,
                    unsigned long boundMs) {
  ScriptRun run;
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  win32::UniqueHandle out(CreateFileA(outFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                      CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!out.valid()) return run;
  STARTUPINFOA si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdOutput = si.hStdError = out.get();
  si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  std::string line = "cscript.exe //nologo \"" + script + "\"";
  for (const std::string& a : arguments) line += " \"" + a + "\"";
  PROCESS_INFORMATION pi{};
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) return run;
  run.started = true;
  win32::UniqueHandle process(pi.hProcess), thread(pi.hThread);
  run.finished = WaitForSingleObject(pi.hProcess, boundMs) == WAIT_OBJECT_0;
  if (!run.finished) {
    TerminateProcess(pi.hProcess, 4);
    WaitForSingleObject(pi.hProcess, 10000);
  }
  out.reset();
  run.output = slurp(outFile);
  return run;
}

std::string installRelay() {
  char system[MAX_PATH];
  if (!GetSystemDirectoryA(system, MAX_PATH)) return "no system folder";
  const std::string from = env("DV_BUILD_DIR") + "\\relay\\dlgrelay.exe";
  if (!CopyFileA(from.c_str(), (std::string(system) + "\\dlgrelay.exe").c_str(), FALSE))
    return "dlgrelay.exe not copied from " + from + " (error " + std::to_string(GetLastError()) + ")";
  return "";
}

std::string clientScript(const std::string& name) { return env("DV_SOURCE_DIR") + "\\tests\\wine\\clients\\" + name; }

}  // namespace dv::winetest
