// notepad.exe as the conversions use it: "notepad.exe /p <file>" prints the
// text on the default printer and ends, without a window (Wine's own
// Notepad shows a Print dialog instead). The text is laid out as Word's
// stand-in lays out a plain text (Courier 10, one-inch margins, Letter)
// and sent raw to the queue. "/pt <file> <printer>" prints on that
// printer. The command line goes to the stand-ins' journal.
#include <windows.h>
#include <shellapi.h>

#include <string>

#include "dv/standins/printing.h"
#include "dv/win32/handle.h"
#include "word/word_document.h"

namespace {

std::string readFile(const std::string& path, bool& ok) {
  dv::win32::UniqueHandle f(
      CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  ok = f.valid();
  std::string data;
  if (!ok) return data;
  char buffer[65536];
  DWORD n = 0;
  while (ReadFile(f.get(), buffer, sizeof buffer, &n, nullptr) && n > 0) data.append(buffer, n);
  return data;
}

std::string narrow(const wchar_t* w) {
  int n = WideCharToMultiByte(CP_ACP, 0, w, -1, nullptr, 0, nullptr, nullptr);
  std::string s(n > 0 ? static_cast<size_t>(n - 1) : 0, '\0');
  if (n > 1) WideCharToMultiByte(CP_ACP, 0, w, -1, s.data(), n, nullptr, nullptr);
  return s;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  namespace printing = dv::standins::printing;
  namespace word = dv::standins::word;
  const std::string commandLine = GetCommandLineA();
  printing::journal("notepad.exe " + commandLine.substr(commandLine.find(' ') == std::string::npos
                                                            ? commandLine.size()
                                                            : commandLine.find(' ') + 1));
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (!argv) return 2;
  std::string mode = argc > 1 ? narrow(argv[1]) : std::string();
  std::string file = argc > 2 ? narrow(argv[2]) : std::string();
  std::string printer = argc > 3 ? narrow(argv[3]) : std::string();
  LocalFree(argv);
  if (lstrcmpiA(mode.c_str(), "/p") == 0) {
    printer = printing::defaultPrinter();
  } else if (lstrcmpiA(mode.c_str(), "/pt") != 0) {
    return 2;  // only printing is played
  }
  bool ok = false;
  const std::string text = readFile(file, ok);
  if (!ok || printer.empty()) return 1;
  std::string title = file.substr(file.find_last_of("\\/") == std::string::npos ? 0 : file.find_last_of("\\/") + 1);
  word::Layout layout;
  const auto pages = word::paginate(word::parseDocumentFile(text).text, layout);
  std::vector<int> all;
  for (int p = 1; p <= static_cast<int>(pages.size()); ++p) all.push_back(p);
  const std::string ps = word::renderPostScript(pages, all, layout, title);
  return printing::sendPostScript(printer, title + " - Notepad", ps).empty() ? 0 : 1;
}
