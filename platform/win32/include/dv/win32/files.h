// The file-system seam on kernel32. Paths cross the seam as UTF-8 and go to
// the wide (W) functions, so names outside the ANSI code page work too; the
// semantics are those of the ANSI calls VB makes (FindFirstFile listing,
// GetFileAttributesEx, CreateDirectory, GetLongPathName).
#pragma once

#include "dv/host.h"

namespace dv::win32 {

class Win32FileSystem : public dv::FileSystem {
 public:
  std::optional<int64_t> fileLength(const std::string& path) override;
  bool fileExists(const std::string& path) override;
  bool folderExists(const std::string& path) override;
  bool deleteFile(const std::string& path) override;
  bool replaceFile(const std::string& from, const std::string& to) override;
  int createFolder(const std::string& path) override;
  std::vector<FileEntry> list(const std::string& pattern) override;
  std::optional<std::string> readFile(const std::string& path) override;
  bool writeFile(const std::string& path, const std::string& bytes) override;
  std::string currentDirectory() override;
  std::string longPathName(const std::string& path) override;
  std::string shortPathName(const std::string& path) override;
  uint32_t ansiCodePage() override;
  std::string fromAnsi(std::string_view bytes) override;
  std::optional<std::string> toAnsi(std::string_view text) override;
};

}  // namespace dv::win32
