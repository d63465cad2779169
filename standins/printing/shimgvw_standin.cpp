// shimgvw.dll as rundll32 calls it: ImageView_PrintTo "/pt <image>
// <printer>" prints the picture fitted to a Letter page on that printer
// (img2pdf fits it, pdftops makes the PostScript, which goes raw to the
// queue). Its command line goes to the stand-ins' journal.
#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "dv/standins/printing.h"
#include "dv/standins/tools.h"

namespace {

std::string narrow(const wchar_t* w) {
  int n = WideCharToMultiByte(CP_ACP, 0, w, -1, nullptr, 0, nullptr, nullptr);
  std::string s(n > 0 ? static_cast<size_t>(n - 1) : 0, '\0');
  if (n > 1) WideCharToMultiByte(CP_ACP, 0, w, -1, s.data(), n, nullptr, nullptr);
  return s;
}

std::string readAll(const std::string& path) {
  HANDLE f = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  std::string data;
  if (f == INVALID_HANDLE_VALUE) return data;
  char buffer[65536];
  DWORD n = 0;
  while (ReadFile(f, buffer, sizeof buffer, &n, nullptr) && n > 0) data.append(buffer, n);
  CloseHandle(f);
  return data;
}

void printTo(const std::wstring& arguments) {
  namespace printing = dv::standins::printing;
  printing::journal("shimgvw.dll,ImageView_PrintTo " + narrow(arguments.c_str()));
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW((L"rundll32 " + arguments).c_str(), &argc);
  if (!argv) return;
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.push_back(narrow(argv[i]));
  LocalFree(argv);
  if (args.size() < 3 || lstrcmpiA(args[0].c_str(), "/pt") != 0) return;
  const std::string& image = args[1];
  const std::string& printer = args[2];

  dv::standins::ToolRunner& runner = dv::standins::toolRunner();
  const std::string scratch = runner.scratchFolder();
  const std::string pdf = scratch + "\\picture.pdf", ps = scratch + "\\picture.ps";
  const auto fitted = runner.run(
      {"img2pdf", "--pagesize", "Letter", "--fit", "into", "-o", runner.toolPath(pdf), runner.toolPath(image)}, {},
      std::chrono::seconds(120));
  if (fitted.ok()) {
    const auto converted =
        runner.run({"pdftops", "-level3", runner.toolPath(pdf), runner.toolPath(ps)}, {}, std::chrono::seconds(120));
    if (converted.ok()) printing::sendPostScript(printer, image, readAll(ps));
  }
  DeleteFileA(pdf.c_str());
  DeleteFileA(ps.c_str());
  RemoveDirectoryA(scratch.c_str());
}

std::wstring widen(const char* s) {
  int n = MultiByteToWideChar(CP_ACP, 0, s, -1, nullptr, 0);
  std::wstring w(n > 0 ? static_cast<size_t>(n - 1) : 0, L'\0');
  if (n > 1) MultiByteToWideChar(CP_ACP, 0, s, -1, w.data(), n);
  return w;
}

}  // namespace

extern "C" __declspec(dllexport) void CALLBACK ImageView_PrintToW(HWND, HINSTANCE, LPWSTR arguments, int) {
  printTo(arguments ? arguments : L"");
}

extern "C" __declspec(dllexport) void CALLBACK ImageView_PrintTo(HWND, HINSTANCE, LPSTR arguments, int) {
  printTo(widen(arguments ? arguments : ""));
}
