// The viewer keeps the file of every open document open itself, shared for
// reading only: while a document is open its file can be read, but not
// deleted, replaced or written by anyone else. A document saved over its
// own file renews its hold on the new file.
#pragma once

#include <memory>
#include <string>

namespace dv::standins {

class FileHold {
 public:
  // Holds the file at a client path; a file that cannot be opened (missing,
  // or held for writing elsewhere) gives a hold on nothing.
  static std::shared_ptr<FileHold> take(const std::string& clientPath);
  // Whether the stand-in holds the file at this path now (Windows paths
  // name a file in any case).
  static bool held(const std::string& clientPath);

  ~FileHold();
  FileHold(const FileHold&) = delete;
  FileHold& operator=(const FileHold&) = delete;

  const std::string& path() const { return path_; }

 private:
  explicit FileHold(std::string path) : path_(std::move(path)) {}
  std::string path_;
  void* handle_ = nullptr;  // the open file on Windows; unused elsewhere, where files cannot be held
};

}  // namespace dv::standins
