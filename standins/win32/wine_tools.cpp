// The tool runner under Wine. CreateProcess starts a Unix program but
// returns no process handle and connects no pipes, so every tool runs
// under dv-launch (standins/pdftool/launch_main.cpp), which sends the tool's
// output to a file, records its pid, ends it when its time is up and
// finally makes its status file appear; we poll those files. The launcher
// gets its argument vector on a command line quoted by the rules Wine
// splits it with, so no shell ever reads it. Client paths become Unix
// paths with kernel32's wine_get_unix_file_name.
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

constexpr const char* kToolKey = "Software\\DvStandins";
constexpr const char* kToolValue = "PdfTool";
constexpr const wchar_t* kToolName = L"dv-pdftool";
constexpr const wchar_t* kLauncherName = L"dv-launch";

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

bool exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::wstring folderOf(const std::wstring& path) {
  const size_t cut = path.find_last_of(L"\\/");
  return cut == std::wstring::npos ? std::wstring() : path.substr(0, cut + 1);
}

// One argument as CommandLineToArgvW (and Wine, for a Unix program) reads it.
std::wstring quoted(const std::wstring& arg) {
  if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring::npos) return arg;
  std::wstring out = L"\"";
  size_t backslashes = 0;
  for (wchar_t c : arg) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    // Backslashes before a quote are doubled, and the quote escaped.
    out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    out.push_back(c);
  }
  out.append(backslashes * 2, L'\\');  // they precede the closing quote
  return out + L"\"";
}

// The folder of dv-pdftool and dv-launch as a Windows path (with its final
// backslash): the folder of the module holding this code (standins.dll,
// viewer_server.exe) when they are there, else the one registration found.
std::wstring toolFolder() {
  HMODULE self = nullptr;
  if (GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                         reinterpret_cast<LPCWSTR>(&toolFolder), &self)) {
    wchar_t module[MAX_PATH + 1];
    const DWORD n = GetModuleFileNameW(self, module, MAX_PATH);
    if (n > 0 && n < MAX_PATH) {
      const std::wstring folder = folderOf(std::wstring(module, n));
      if (exists(folder + kToolName)) return folder;
    }
  }
  wchar_t value[MAX_PATH + 1] = {};
  DWORD size = sizeof value - sizeof(wchar_t);
  if (RegGetValueW(HKEY_LOCAL_MACHINE, dv::win32::widen(kToolKey).c_str(), dv::win32::widen(kToolValue).c_str(),
                   RRF_RT_REG_SZ, nullptr, value, &size) == ERROR_SUCCESS &&
      exists(value))
    return folderOf(value);
  return {};
}

constexpr DWORD kPollMs = 5;
// The launcher ends a tool when its time is up; this much longer we wait
// for the launcher itself before ending the tool from here.
constexpr auto kLauncherGrace = std::chrono::seconds(5);

class WineToolRunner : public ToolRunner {
 public:
  WineToolRunner() {
    HMODULE k32 = GetModuleHandleA("kernel32.dll");
    unixName_ = reinterpret_cast<UnixNameFn>(reinterpret_cast<void*>(GetProcAddress(k32, "wine_get_unix_file_name")));
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

  ToolResult run(const std::vector<std::string>& argv, const LineHandler& onLine,
                 std::chrono::milliseconds timeout) override {
    ToolResult result;
    const std::wstring folder = toolFolder();
    if (!unixName_ || folder.empty() || argv.empty()) return result;
    const std::wstring launcher = folder + kLauncherName;
    const std::string dir = scratchFolder();
    const std::string output = dir + "\\output.txt", status = dir + "\\status", pidFile = dir + "\\pid";
    std::vector<std::string> args{"--output=" + toolPath(output), "--status=" + toolPath(status),
                                  "--pid=" + toolPath(pidFile),
                                  "--timeout-ms=" + std::to_string(std::max<long long>(1, timeout.count())), "--"};
    args.insert(args.end(), argv.begin(), argv.end());
    if (!start(launcher, args)) {
      std::error_code ec;
      fs::remove_all(dir, ec);
      return result;
    }
    result.started = true;

    const auto deadline = std::chrono::steady_clock::now() + timeout + kLauncherGrace;
    size_t consumed = 0;  // bytes of the output file already handed on
    LineSplitter lines(onLine);
    // False when the line handler asked to stop.
    auto drain = [&] {
      std::string fresh = readFrom(output, consumed);
      if (fresh.empty()) return !lines.stopped();
      consumed += fresh.size();
      result.output += fresh;
      return lines.feed(fresh);
    };
    bool finished = false;
    while (!(finished = GetFileAttributesA(status.c_str()) != INVALID_FILE_ATTRIBUTES)) {
      if (!drain()) {
        result.stopped = true;
        break;
      }
      if (std::chrono::steady_clock::now() >= deadline) break;
      // The end of a job is seen at most one interval late: short enough
      // that a conversion does not wait noticeably for its own end, long
      // enough that the polling costs nothing worth measuring.
      Sleep(kPollMs);
    }
    const std::string code = finished ? readAll(status) : std::string();
    if (result.stopped || !finished || code == "timeout") {
      result.timedOut = !result.stopped;
      // The launcher did not end the tool: end it from here.
      const std::string pid = readAll(pidFile);
      if (!finished && !pid.empty() && pid.find_first_not_of("0123456789") == std::string::npos)
        start(launcher, {"--kill=" + pid});
    } else if (!drain() || !lines.finish()) {
      result.stopped = true;
    } else {
      result.exitCode = std::atoi(code.c_str());
    }
    std::error_code ec;
    fs::remove_all(dir, ec);
    return result;
  }

 private:
  static bool start(const std::wstring& program, const std::vector<std::string>& args) {
    std::wstring commandLine = quoted(program);
    for (const std::string& a : args) commandLine += L" " + quoted(dv::win32::widen(a));
    std::vector<wchar_t> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back(L'\0');
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(program.c_str(), buffer.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                        &si, &pi))
      return false;
    // For a Unix program Wine fills in no process information: what comes
    // back can be stack garbage that happens to be the value of one of our
    // own handles (a held file, COM's event of a call in progress). Only
    // handles that really are the started process and thread are closed.
    if (pi.dwProcessId != 0 && GetProcessId(pi.hProcess) == pi.dwProcessId) CloseHandle(pi.hProcess);
    if (pi.dwThreadId != 0 && GetThreadId(pi.hThread) == pi.dwThreadId) CloseHandle(pi.hThread);
    return true;
  }

  UnixNameFn unixName_ = nullptr;
};

}  // namespace

ToolRunner& nativeToolRunner() {
  static WineToolRunner runner;
  return runner;
}

std::string pdfToolPath() {
  const std::wstring folder = toolFolder();
  return folder.empty() ? std::string("dv-pdftool")
                        : nativeToolRunner().toolPath(dv::win32::narrow(folder + kToolName, CP_ACP));
}

bool recordPdfTool(const std::wstring& modulePath) {
  const std::wstring tool = folderOf(modulePath) + kToolName;
  if (!exists(tool)) return false;
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kToolKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
      ERROR_SUCCESS)
    return false;
  const std::wstring name = dv::win32::widen(kToolValue);
  const LONG rc = RegSetValueExW(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(tool.c_str()),
                                 static_cast<DWORD>((tool.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(key);
  return rc == ERROR_SUCCESS;
}

}  // namespace dv::standins
