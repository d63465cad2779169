// The bench's promises to every other test: the paths it hands over
// through the environment are real and writable, and a crash prints a
// backtrace instead of waiting in a dialog.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "dv/win32/handle.h"

namespace {

std::string env(const char* name) {
  char buf[4096];
  DWORD n = GetEnvironmentVariableA(name, buf, sizeof buf);
  return (n > 0 && n < sizeof buf) ? std::string(buf, n) : std::string();
}

TEST(BenchEnvironment, HandsOverExistingFolders) {
  for (const char* name : {"DV_SOURCE_DIR", "DV_BUILD_DIR", "DV_TEST_DATA", "DV_BENCH_DIR"}) {
    std::string path = env(name);
    ASSERT_FALSE(path.empty()) << name;
    DWORD attributes = GetFileAttributesA(path.c_str());
    ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES) << name << "=" << path;
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY) << name << "=" << path;
  }
  std::string list = env("DV_SOURCE_DIR") + "\\tests\\wine\\register.list";
  EXPECT_NE(GetFileAttributesA(list.c_str()), INVALID_FILE_ATTRIBUTES) << list;
}

TEST(BenchEnvironment, ScratchFolderIsWritable) {
  std::string path = env("DV_BENCH_DIR") + "\\bench_env_probe.txt";
  DWORD written = 0;
  {
    dv::win32::UniqueHandle h(
        CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(h.valid());
    EXPECT_TRUE(WriteFile(h.get(), "probe", 5, &written, nullptr));
  }
  EXPECT_EQ(written, 5u);
  WIN32_FILE_ATTRIBUTE_DATA data{};
  ASSERT_TRUE(GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data));
  EXPECT_EQ(data.nFileSizeLow, 5u);
  EXPECT_TRUE(DeleteFileA(path.c_str()));
}

TEST(BenchEnvironment, CrashDialogIsOff) {
  DWORD value = 1, size = sizeof value, type = 0;
  LONG rc = RegGetValueA(HKEY_CURRENT_USER, "Software\\Wine\\WineDbg", "ShowCrashDialog", RRF_RT_REG_DWORD, &type,
                         &value, &size);
  ASSERT_EQ(rc, ERROR_SUCCESS);
  EXPECT_EQ(value, 0u);
}

}  // namespace
