// Locating and starting dlgrelay on a real system: the probe DLL (which
// links the library core like Docvane.dll) is loaded from a folder with a
// blank in its name, and a stand-in relay that records its module path and
// command line is put into that folder and/or the system directory.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "dv/win32/handle.h"

namespace {

std::string env(const char* name) {
  char buf[4096];
  DWORD n = GetEnvironmentVariableA(name, buf, sizeof buf);
  return (n > 0 && n < sizeof buf) ? std::string(buf, n) : std::string();
}

std::string systemDirectory() {
  char buf[MAX_PATH];
  UINT n = GetSystemDirectoryA(buf, MAX_PATH);
  return std::string(buf, n);
}

void removeTree(const std::string& dir) {
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA((dir + "\\*").c_str(), &fd);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      std::string name = fd.cFileName;
      if (name == "." || name == "..") continue;
      std::string full = dir + "\\" + name;
      if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        removeTree(full);
      } else {
        DeleteFileA(full.c_str());
      }
    } while (FindNextFileA(h, &fd));
    FindClose(h);
  }
  RemoveDirectoryA(dir.c_str());
}

std::string readFile(const std::string& path) {
  dv::win32::UniqueHandle f(
      CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!f.valid()) return {};
  std::string data(GetFileSize(f.get(), nullptr), '\0');
  DWORD read = 0;
  ReadFile(f.get(), data.data(), static_cast<DWORD>(data.size()), &read, nullptr);
  data.resize(read);
  return data;
}

struct RelayRun {
  std::string module;
  std::string commandLine;
};

using StartOpen = int (*)(const char*, const char*, char*, int);
using StartOne = int (*)(const char*, char*, int);
using Folder = int (*)(char*, int);

class RelayLaunchOnWindows : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string build = env("DV_BUILD_DIR");
    std::string bench = env("DV_BENCH_DIR");
    ASSERT_FALSE(build.empty()) << "run through scripts/wine-bench.sh";
    ASSERT_FALSE(bench.empty());
    support_ = build + "\\wine-support";
    root_ = bench + "\\relaylaunch " + std::to_string(GetCurrentProcessId());
    libFolder_ = root_ + "\\Docvane Probe Folder";
    logs_ = root_ + "\\logs";
    ASSERT_TRUE(CreateDirectoryA(root_.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(libFolder_.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(logs_.c_str(), nullptr));
    ASSERT_TRUE(CopyFileA((support_ + "\\relaylaunch_probe.dll").c_str(), (libFolder_ + "\\probe.dll").c_str(), FALSE));
    SetEnvironmentVariableA("DV_RELAY_LOG_DIR", logs_.c_str());
    module_ = LoadLibraryA((libFolder_ + "\\probe.dll").c_str());
    ASSERT_NE(module_, nullptr);
    startOpen_ = reinterpret_cast<StartOpen>(GetProcAddress(module_, "dvProbeStartOpenRelays"));
    startSave_ = reinterpret_cast<StartOne>(GetProcAddress(module_, "dvProbeStartSavePdfFileAs"));
    startVisio2_ = reinterpret_cast<StartOne>(GetProcAddress(module_, "dvProbeStartPrintToFileVisio2"));
    folder_ = reinterpret_cast<Folder>(GetProcAddress(module_, "dvProbeLibraryFolder"));
    ASSERT_TRUE(startOpen_ && startSave_ && startVisio2_ && folder_);
  }

  void TearDown() override {
    if (module_) FreeLibrary(module_);
    DeleteFileA(systemRelay().c_str());
    removeTree(root_);
  }

  std::string systemRelay() const { return systemDirectory() + "\\dlgrelay.exe"; }
  std::string libraryRelay() const { return libFolder_ + "\\dlgrelay.exe"; }
  bool placeRelay(const std::string& target) {
    return CopyFileA((support_ + "\\relaylaunch_stub_relay.exe").c_str(), target.c_str(), FALSE) != 0;
  }

  // The runs recorded so far, after waiting (bounded) for `expected` of them.
  std::vector<RelayRun> waitForRuns(size_t expected) {
    std::vector<RelayRun> runs;
    for (int i = 0; i < 150; ++i) {
      runs.clear();
      WIN32_FIND_DATAA fd;
      HANDLE h = FindFirstFileA((logs_ + "\\relay-*.txt").c_str(), &fd);
      if (h != INVALID_HANDLE_VALUE) {
        do {
          std::string record = readFile(logs_ + "\\" + fd.cFileName);
          size_t tab = record.find('\t');
          if (tab != std::string::npos) runs.push_back({record.substr(0, tab), record.substr(tab + 1)});
        } while (FindNextFileA(h, &fd));
        FindClose(h);
      }
      if (runs.size() >= expected) break;
      Sleep(100);
    }
    // Runs start back to back; order them by what they were given.
    std::sort(runs.begin(), runs.end(),
              [](const RelayRun& a, const RelayRun& b) { return a.commandLine < b.commandLine; });
    return runs;
  }

  std::string root_, libFolder_, logs_, support_;
  HMODULE module_ = nullptr;
  StartOpen startOpen_ = nullptr;
  StartOne startSave_ = nullptr;
  StartOne startVisio2_ = nullptr;
  Folder folder_ = nullptr;
  char message_[1024] = {};
};

bool sameFile(const std::string& a, const std::string& b) { return lstrcmpiA(a.c_str(), b.c_str()) == 0; }

TEST_F(RelayLaunchOnWindows, LibraryFolderIsTheLoadedDllsFolder) {
  char folder[MAX_PATH] = {};
  folder_(folder, sizeof folder);
  EXPECT_TRUE(sameFile(folder, libFolder_ + "\\")) << folder;
}

TEST_F(RelayLaunchOnWindows, RelayNextToTheLibraryStartsQuotedWithItsFields) {
  ASSERT_TRUE(placeRelay(libraryRelay()));
  ASSERT_EQ(startOpen_("C:\\Docs\\a.pdf", " pw ", message_, sizeof message_), 1) << message_;
  auto runs = waitForRuns(2);
  ASSERT_EQ(runs.size(), 2u);
  EXPECT_TRUE(sameFile(runs[0].module, libraryRelay())) << runs[0].module;
  EXPECT_EQ(runs[0].commandLine, "\"" + libraryRelay() + "\" open~open~C:\\Docs\\a.pdf~");
  EXPECT_EQ(runs[1].commandLine, "\"" + libraryRelay() + "\" password~password~ pw ~");
}

TEST_F(RelayLaunchOnWindows, SystemDirectoryCopyWinsWhenBothExist) {
  ASSERT_TRUE(placeRelay(libraryRelay()));
  ASSERT_TRUE(placeRelay(systemRelay()));
  ASSERT_EQ(startSave_("C:\\out\\b.pdf", message_, sizeof message_), 1) << message_;
  auto runs = waitForRuns(1);
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_TRUE(sameFile(runs[0].module, systemRelay())) << runs[0].module;
  EXPECT_EQ(runs[0].commandLine, "\"" + systemRelay() + "\" save pdf file as~save pdf file as~C:\\out\\b.pdf~");
}

TEST_F(RelayLaunchOnWindows, MissingRelayRaisesTheLibraryErrorAndStartsNothing) {
  ASSERT_EQ(startSave_("C:\\out\\b.pdf", message_, sizeof message_), -1);
  EXPECT_STREQ(message_,
               "-2147467008|Docvane|Error! Can't find file DLGRELAY.EXE. Please copy this file into the same path as "
               "DOCVANE.DLL or into your Window's System Directory.");
  ASSERT_EQ(startVisio2_("C:\\out\\b.ps", message_, sizeof message_), -1);
  EXPECT_STREQ(message_,
               "-2147467008|Docvane|Error! Can't find file DLGRELAY.EXE. Please copy this file into the same path as "
               "DOCVANE.DLL or into your Window's System32 Directory.");
  // A blank password needs no relay and raises nothing.
  EXPECT_EQ(startOpen_("C:\\Docs\\a.pdf", "  ", message_, sizeof message_), 0);
  Sleep(500);
  EXPECT_TRUE(waitForRuns(0).empty());
}

TEST_F(RelayLaunchOnWindows, ShortPathIsHandedOverInItsLongForm) {
  ASSERT_TRUE(placeRelay(libraryRelay()));
  char shortFolder[MAX_PATH] = {};
  DWORD n = GetShortPathNameA(libFolder_.c_str(), shortFolder, MAX_PATH);
  ASSERT_GT(n, 0u);
  ASSERT_NE(std::string(shortFolder).find('~'), std::string::npos) << shortFolder;
  // The output file does not exist yet: its folder is expanded.
  std::string target = std::string(shortFolder) + "\\new output.pdf";
  ASSERT_EQ(startSave_(target.c_str(), message_, sizeof message_), 1) << message_;
  auto runs = waitForRuns(1);
  ASSERT_EQ(runs.size(), 1u);
  std::string expected = "save pdf file as~save pdf file as~" + libFolder_ + "\\new output.pdf~";
  std::string tail = runs[0].commandLine.substr(runs[0].commandLine.find("\" ") + 2);
  EXPECT_EQ(lstrcmpiA(tail.c_str(), expected.c_str()), 0) << tail;
}

}  // namespace
