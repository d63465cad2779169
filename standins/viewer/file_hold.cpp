#include "dv/standins/file_hold.h"

#include <algorithm>
#include <mutex>
#include <vector>

#include "dv/vb.h"

#ifdef _WIN32
#include <windows.h>

#include "dv/win32/text.h"
#endif

namespace dv::standins {

namespace {

std::mutex& lock() {
  static std::mutex m;
  return m;
}
std::vector<const FileHold*>& holds() {
  static std::vector<const FileHold*> list;
  return list;
}

}  // namespace

std::shared_ptr<FileHold> FileHold::take(const std::string& clientPath) {
  std::shared_ptr<FileHold> hold(new FileHold(clientPath));
#ifdef _WIN32
  // Shared for reading only, as the viewer opens its documents: deleting,
  // renaming over or writing the file fails with a sharing violation.
  HANDLE h = CreateFileW(win32::widen(clientPath).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return hold;
  hold->handle_ = h;
#endif
  std::lock_guard<std::mutex> guard(lock());
  holds().push_back(hold.get());
  return hold;
}

bool FileHold::held(const std::string& clientPath) {
  std::lock_guard<std::mutex> guard(lock());
  return std::any_of(holds().begin(), holds().end(),
                     [&](const FileHold* h) { return vb::compareText(h->path(), clientPath) == 0; });
}

FileHold::~FileHold() {
  {
    std::lock_guard<std::mutex> guard(lock());
    std::erase(holds(), this);
  }
#ifdef _WIN32
  if (handle_) CloseHandle(static_cast<HANDLE>(handle_));
#endif
}

}  // namespace dv::standins
