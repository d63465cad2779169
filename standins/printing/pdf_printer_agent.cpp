// pdf_printer_agent.exe: the stand-in PDF printer's back end. The printer's
// port pipes every finished job into `--spool`, which stores it and starts
// `--job <file>` on its own, so that the print call returns first. The job
// then shows the printer's modal "Save PDF File As" dialog and writes the
// PDF with Ghostscript, or the PostScript itself for a name ending in
// ".ps". A cancelled dialog writes nothing; the stored job is always
// deleted.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <optional>
#include <string>

#include "dv/win32/handle.h"
#include "word/word_standin.h"

namespace {

std::string readAll(HANDLE in) {
  std::string data;
  char buffer[65536];
  DWORD n = 0;
  while (ReadFile(in, buffer, sizeof buffer, &n, nullptr) && n > 0) data.append(buffer, n);
  return data;
}

bool writeFile(const std::string& path, const std::string& data) {
  dv::win32::UniqueHandle f(
      CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!f.valid()) return false;
  DWORD written = 0;
  return WriteFile(f.get(), data.data(), static_cast<DWORD>(data.size()), &written, nullptr) && written == data.size();
}

std::optional<std::string> readFile(const std::string& path) {
  dv::win32::UniqueHandle f(
      CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!f.valid()) return std::nullopt;
  return readAll(f.get());
}

std::string selfPath() {
  char path[MAX_PATH + 1] = {};
  DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  return std::string(path, n);
}

// Stores the job from standard input and hands it to a detached job
// process.
int spool() {
  std::string job = readAll(GetStdHandle(STD_INPUT_HANDLE));
  if (job.empty()) return 1;
  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  std::string folder = std::string(temp) + "DvPdfPrinter";
  CreateDirectoryA(folder.c_str(), nullptr);
  char name[MAX_PATH] = {};
  if (!GetTempFileNameA(folder.c_str(), "job", 0, name) || !writeFile(name, job)) return 1;

  std::string command = "\"" + selfPath() + "\" --job \"" + name + "\"";
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, DETACHED_PROCESS, nullptr, nullptr, &si, &pi)) {
    DeleteFileA(name);
    return 1;
  }
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return 0;
}

bool endsWithPs(const std::string& path) {
  return path.size() >= 3 && lstrcmpiA(path.substr(path.size() - 3).c_str(), ".ps") == 0;
}

int printJob(const std::string& jobFile) {
  namespace word = dv::standins::word;
  std::optional<std::string> postScript = readFile(jobFile);
  int status = 1;
  if (postScript) {
    word::installPlatformEnvironment();
    std::optional<std::string> target = word::environment().askPdfFileName(word::kSavePdfDialogCaption);
    if (!target || target->empty()) {
      status = 0;  // cancelled: nothing is written
    } else {
      std::optional<std::string> bytes = endsWithPs(*target) ? postScript : word::pdfWithGhostscript(*postScript);
      // Written beside the target and renamed, so nobody reads half a file.
      const std::string part = *target + ".part";
      if (bytes && writeFile(part, *bytes) && MoveFileExA(part.c_str(), target->c_str(), MOVEFILE_REPLACE_EXISTING))
        status = 0;
      else DeleteFileA(part.c_str());
    }
  }
  DeleteFileA(jobFile.c_str());
  return status;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (!argv) return 2;
  auto narrow = [](const wchar_t* w) {
    int n = WideCharToMultiByte(CP_ACP, 0, w, -1, nullptr, 0, nullptr, nullptr);
    std::string s(n > 0 ? n - 1 : 0, '\0');
    if (n > 1) WideCharToMultiByte(CP_ACP, 0, w, -1, s.data(), n, nullptr, nullptr);
    return s;
  };
  std::string mode = argc > 1 ? narrow(argv[1]) : std::string();
  std::string file = argc > 2 ? narrow(argv[2]) : std::string();
  LocalFree(argv);
  if (mode == "--spool") return spool();
  if (mode == "--job" && !file.empty()) return printJob(file);
  return 2;
}
