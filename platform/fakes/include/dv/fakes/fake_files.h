// An in-memory file system with Windows path rules: drive roots and UNC
// shares, "\" (or "/") separators, names compared without regard to case,
// 8.3 aliases a test registers, and entries listed in the order they were
// created. A test can lock files (in use by another process), mark them
// read-only, and install a hook that runs on every pump or sleep of the
// fake host, so a file can grow while the code under test waits for it.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "dv/host.h"

namespace dv::fakes {

class FakeFileSystem : public dv::FileSystem {
 public:
  FakeFileSystem();
  ~FakeFileSystem() override;

  std::optional<int64_t> fileLength(const std::string& path) override;
  bool fileExists(const std::string& path) override;
  bool folderExists(const std::string& path) override;
  bool deleteFile(const std::string& path) override;
  bool replaceFile(const std::string& from, const std::string& to) override;
  int createFolder(const std::string& path) override;
  std::vector<FileEntry> list(const std::string& pattern) override;
  std::optional<std::string> readFile(const std::string& path) override;
  bool writeFile(const std::string& path, const std::string& bytes) override;
  std::string currentDirectory() override { return currentDirectory_; }
  std::string longPathName(const std::string& path) override;
  std::string shortPathName(const std::string& path) override;
  uint32_t ansiCodePage() override { return codePage_; }
  std::string fromAnsi(std::string_view bytes) override;
  std::optional<std::string> toAnsi(std::string_view text) override;

  // ---- Test set-up and inspection ----
  // Both create missing parent folders (and the drive) on the way.
  void addFolder(const std::string& path);
  void addFile(const std::string& path, std::string bytes = {});
  void addFile(const std::string& path, std::string bytes, double modified);
  void appendFile(const std::string& path, const std::string& bytes);
  bool exists(const std::string& path) const;
  bool isFile(const std::string& path) const;
  std::optional<std::string> contents(const std::string& path) const;
  std::optional<double> modified(const std::string& path) const;
  void setModified(const std::string& path, double oleDate);
  // A locked file cannot be read, measured, written or deleted.
  void setLocked(const std::string& path, bool locked);
  void setReadOnly(const std::string& path, bool readOnly);
  // Registers the 8.3 alias of an existing entry ("PROGRA~1"); paths may
  // use it and longPathName() expands it.
  void addShortName(const std::string& path, const std::string& shortName);
  void setCurrentDirectory(const std::string& path) { currentDirectory_ = path; }
  // The machine's ANSI code page (one dv::codepage knows; default 1252).
  void setAnsiCodePage(uint32_t codePage);
  // Full paths of every file, in creation order per folder (depth first).
  std::vector<std::string> allFiles() const;

  // The modification time of files written through the seam.
  void setDateSource(std::function<double()> now) { now_ = std::move(now); }
  // Runs on every tick() (the fake host ticks on each pump and sleep).
  void setTickHook(std::function<void(FakeFileSystem&)> hook) { tickHook_ = std::move(hook); }
  void tick();

  // Windows wildcard match of one name ("*" any run, "?" one character,
  // "*.*" everything), without regard to case.
  static bool matches(std::string_view pattern, std::string_view name);

 private:
  struct Node;
  struct Parsed {
    std::string root;  // "C:" or "\\server\share", as written
    std::vector<std::string> parts;
    bool trailingSlash = false;
    bool valid = false;
  };
  Parsed parse(const std::string& path) const;
  Node* rootOf(const std::string& root) const;
  Node* find(const Parsed& p) const;
  Node* findParent(const Parsed& p) const;
  Node* ensureFolders(const Parsed& p, size_t count);
  static Node* child(const Node& folder, const std::string& name);
  static std::string folded(const std::string& s);

  std::vector<std::unique_ptr<Node>> roots_;
  std::string currentDirectory_ = "C:\\";
  uint32_t codePage_ = 1252;
  std::function<double()> now_;
  std::function<void(FakeFileSystem&)> tickHook_;
};

}  // namespace dv::fakes
