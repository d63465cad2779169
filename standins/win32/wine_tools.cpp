// The tool runner under Wine. CreateProcessA starts a Unix program but
// returns no process handle and connects no pipes, so a tool runs inside a
// small /bin/sh script that sends its output to a file, records its pid and
// finally writes its exit status and then a marker file; we poll those files.
// Client paths become Unix paths with kernel32's wine_get_unix_file_name.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "dv/standins/tools.h"

#include "dv/win32/text.h"

namespace dv::standins {

namespace {

namespace fs = std::filesystem;

using UnixNameFn = char*(CDECL*)(LPCWSTR);
using DosNameFn = WCHAR*(CDECL*)(LPCSTR);

// A single-quoted word for /bin/sh.
std::string shellWord(const std::string& s) {
  std::string out = "'";
  for (char c : s) {
    if (c == '\'') out += "'\\''";
    else out += c;
  }
  return out + "'";
}

std::string readAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// What the tool appended to its output file since `offset`: reading only
// the new part keeps frequent polling cheap however long the output gets.
std::string readFrom(const std::string& path, size_t offset) {
  std::ifstream in(path, std::ios::binary);
  if (!in || !in.seekg(static_cast<std::streamoff>(offset))) return {};
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

constexpr DWORD kPollMs = 5;

class WineToolRunner : public ToolRunner {
 public:
  WineToolRunner() {
    HMODULE k32 = GetModuleHandleA("kernel32.dll");
    unixName_ = reinterpret_cast<UnixNameFn>(reinterpret_cast<void*>(GetProcAddress(k32, "wine_get_unix_file_name")));
    dosName_ = reinterpret_cast<DosNameFn>(reinterpret_cast<void*>(GetProcAddress(k32, "wine_get_dos_file_name")));
  }

  std::string toolPath(const std::string& clientPath) override {
    if (!unixName_) return clientPath;
    std::wstring w = dv::win32::widen(clientPath, CP_ACP);
    char* p = unixName_(w.c_str());
    if (!p) return clientPath;
    std::string s(p);
    HeapFree(GetProcessHeap(), 0, p);
    return s;
  }

  std::vector<std::pair<char, std::string>> drives() override {
    std::vector<std::pair<char, std::string>> result;
    if (!unixName_) return result;
    DWORD mask = GetLogicalDrives();
    for (int i = 0; i < 26; ++i) {
      if (!(mask & (1u << i))) continue;
      char letter = static_cast<char>('A' + i);
      std::string folder = toolPath(std::string(1, letter) + ":\\");
      if (!folder.empty() && folder != std::string(1, letter) + ":\\") result.emplace_back(letter, folder);
    }
    return result;
  }

  std::string scratchFolder() override {
    char temp[MAX_PATH + 1];
    DWORD n = GetTempPathA(sizeof temp, temp);
    if (n == 0 || n > MAX_PATH) throw std::runtime_error("no temporary folder");
    for (int attempt = 0; attempt < 100; ++attempt) {
      char name[64];
      std::snprintf(name, sizeof name, "dvstandin-%lu-%lu-%d", GetCurrentProcessId(), GetTickCount(), attempt);
      std::string dir = std::string(temp) + name;
      if (CreateDirectoryA(dir.c_str(), nullptr)) return dir;
    }
    throw std::runtime_error(std::string("cannot create a scratch folder in ") + temp);
  }

  ToolResult run(const std::vector<std::string>& argv, const std::function<void(std::string_view)>& onLine,
                 std::chrono::milliseconds timeout) override {
    ToolResult result;
    if (!unixName_ || !dosName_ || argv.empty()) return result;
    std::string dir = scratchFolder();
    std::string script = dir + "\\run.sh", output = dir + "\\output.txt", status = dir + "\\status",
                finishedMarker = dir + "\\finished",
                pidFile = dir + "\\pid";
    {
      std::ofstream s(script, std::ios::binary);
      s << "PATH=/usr/local/bin:/usr/bin:/bin; export PATH\n";
      std::string cmd;
      for (const auto& a : argv) cmd += shellWord(a) + " ";
      s << cmd << ">" << shellWord(toolPath(output)) << " 2>&1 </dev/null &\n";
      s << "echo $! >" << shellWord(toolPath(pidFile)) << "\n";
      s << "wait $!\n";
      // The status is complete before its marker appears; both are shell
      // built-ins, so the end of a job costs no further process start.
      s << "echo $? >" << shellWord(toolPath(status)) << "\n";
      s << ": >" << shellWord(toolPath(finishedMarker)) << "\n";
      if (!s) {
        fs::remove_all(dir);
        return result;
      }
    }
    if (!start("\"" + toolPath(script) + "\"")) {
      std::error_code ec;
      fs::remove_all(dir, ec);
      return result;
    }
    result.started = true;

    auto deadline = std::chrono::steady_clock::now() + timeout;
    size_t consumed = 0;  // bytes of the output file already handed on
    std::string pending;
    auto drain = [&] {
      std::string fresh = readFrom(output, consumed);
      if (fresh.empty()) return;
      consumed += fresh.size();
      result.output += fresh;
      pending += fresh;
      size_t nl;
      while ((nl = pending.find('\n')) != std::string::npos) {
        std::string line = pending.substr(0, nl);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        pending.erase(0, nl + 1);
        if (onLine) onLine(line);
      }
    };
    bool finished = false;
    while (!(finished = GetFileAttributesA(finishedMarker.c_str()) != INVALID_FILE_ATTRIBUTES)) {
      drain();
      if (std::chrono::steady_clock::now() >= deadline) break;
      // The end of a job is seen at most one interval late: short enough
      // that a conversion does not wait noticeably for its own end, long
      // enough that the polling costs nothing worth measuring.
      Sleep(kPollMs);
    }
    if (!finished) {
      result.timedOut = true;
      std::string pid = readAll(pidFile);
      while (!pid.empty() && (pid.back() == '\n' || pid.back() == '\r')) pid.pop_back();
      if (!pid.empty() && pid.find_first_not_of("0123456789") == std::string::npos) {
        // Ends the tool; the script then writes its status and ends too.
        std::string kill = dir + "\\kill.sh";
        std::ofstream(kill, std::ios::binary) << "kill -9 " << pid << "\n";
        start("\"" + toolPath(kill) + "\"");
        for (int i = 0; i < 250 && GetFileAttributesA(finishedMarker.c_str()) == INVALID_FILE_ATTRIBUTES; ++i) Sleep(20);
      }
    } else {
      drain();
      if (!pending.empty() && onLine) onLine(pending);
      result.exitCode = std::atoi(readAll(status).c_str());
    }
    std::error_code ec;
    fs::remove_all(dir, ec);
    return result;
  }

 private:
  bool start(const std::string& arguments) {
    WCHAR* shell = dosName_("/bin/sh");
    if (!shell) return false;
    std::string commandLine = "\"" + dv::win32::narrow(shell, CP_ACP) + "\" " + arguments;
    HeapFree(GetProcessHeap(), 0, shell);
    std::vector<char> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back('\0');
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi))
      return false;
    // Wine hands back no handles for a Unix program; close any it does give.
    if (pi.hThread) CloseHandle(pi.hThread);
    if (pi.hProcess) CloseHandle(pi.hProcess);
    return true;
  }

  UnixNameFn unixName_ = nullptr;
  DosNameFn dosName_ = nullptr;
};

}  // namespace

ToolRunner& nativeToolRunner() {
  static WineToolRunner runner;
  return runner;
}

}  // namespace dv::standins
