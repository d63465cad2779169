// The file-system seam on kernel32's wide functions.
#include "dv/win32/files.h"

#include <windows.h>
#include <oleauto.h>

#include <algorithm>

#include "dv/vb.h"
#include "dv/win32/handle.h"
#include "dv/win32/text.h"

namespace dv::win32 {

namespace {

// FindClose, not CloseHandle, ends a search.
struct FindHandle {
  HANDLE h;
  ~FindHandle() {
    if (h != INVALID_HANDLE_VALUE) FindClose(h);
  }
};

// File times are UTC; VB shows (and compares) local times.
double toOleDate(const FILETIME& utc) {
  FILETIME local;
  SYSTEMTIME st;
  double date = 0;
  if (FileTimeToLocalFileTime(&utc, &local) && FileTimeToSystemTime(&local, &st)) {
    SystemTimeToVariantTime(&st, &date);
  }
  return date;
}

std::optional<WIN32_FILE_ATTRIBUTE_DATA> attributes(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(widen(path).c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
  return data;
}

}  // namespace

std::optional<int64_t> Win32FileSystem::fileLength(const std::string& path) {
  const auto a = attributes(path);
  if (!a || (a->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) return std::nullopt;
  return (static_cast<int64_t>(a->nFileSizeHigh) << 32) | a->nFileSizeLow;
}

bool Win32FileSystem::fileExists(const std::string& path) {
  const auto a = attributes(path);
  return a && !(a->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool Win32FileSystem::folderExists(const std::string& path) {
  const auto a = attributes(path);
  return a && (a->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool Win32FileSystem::deleteFile(const std::string& path) { return DeleteFileW(widen(path).c_str()) != FALSE; }

bool Win32FileSystem::replaceFile(const std::string& from, const std::string& to) {
  return MoveFileExW(widen(from).c_str(), widen(to).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED) !=
         FALSE;
}

int Win32FileSystem::createFolder(const std::string& path) {
  if (path.empty()) return vb::kPathNotFound;
  if (CreateDirectoryW(widen(path).c_str(), nullptr)) return 0;
  // VB's MkDir reports an existing entry (or a refused one) as 75 and a
  // missing parent or a bad name as 76.
  switch (GetLastError()) {
    case ERROR_PATH_NOT_FOUND:
    case ERROR_FILE_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
      return vb::kPathNotFound;
    default:
      return vb::kPathFileAccess;
  }
}

std::vector<FileEntry> Win32FileSystem::list(const std::string& pattern) {
  std::vector<FileEntry> out;
  WIN32_FIND_DATAW fd;
  FindHandle find{FindFirstFileW(widen(pattern).c_str(), &fd)};
  if (find.h == INVALID_HANDLE_VALUE) return out;
  do {
    const std::wstring_view name = fd.cFileName;
    if (name == L"." || name == L"..") continue;
    FileEntry e;
    e.name = narrow(name);
    e.directory = (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    e.size = e.directory ? 0 : (static_cast<int64_t>(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow;
    e.modified = toOleDate(fd.ftLastWriteTime);
    out.push_back(std::move(e));
  } while (FindNextFileW(find.h, &fd));
  return out;
}

std::optional<std::string> Win32FileSystem::readFile(const std::string& path) {
  // Share everything: the file may still be open in the program writing it.
  UniqueHandle file(CreateFileW(widen(path).c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return std::nullopt;
  std::string bytes;
  char buffer[64 * 1024];
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr)) return std::nullopt;
    if (got == 0) break;
    bytes.append(buffer, got);
  }
  return bytes;
}

bool Win32FileSystem::writeFile(const std::string& path, const std::string& bytes) {
  const std::wstring wide = widen(path);
  UniqueHandle file(
      CreateFileW(wide.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return false;
  size_t done = 0;
  while (done < bytes.size()) {
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 20));
    DWORD wrote = 0;
    if (!WriteFile(file.get(), bytes.data() + done, chunk, &wrote, nullptr) || wrote == 0) {
      // Leave no half-written file behind.
      file.reset();
      DeleteFileW(wide.c_str());
      return false;
    }
    done += wrote;
  }
  return true;
}

std::string Win32FileSystem::currentDirectory() {
  const DWORD n = GetCurrentDirectoryW(0, nullptr);
  std::wstring buffer(n, L'\0');
  const DWORD got = GetCurrentDirectoryW(n, buffer.data());
  buffer.resize(got < n ? got : 0);
  return narrow(buffer);
}

namespace {

// A path the name conversions can take: below MAX_PATH, or in the
// extended-length form (the "\\?\" prefix) below the system's 32767.
// Wine's conversions copy a longer path into a fixed buffer on the stack
// and overrun it.
bool convertiblePath(const std::wstring& wide) {
  const bool extended = wide.rfind(L"\\\\?\\", 0) == 0;
  if (wide.size() < MAX_PATH || (extended && wide.size() < 32767)) return true;
  SetLastError(ERROR_FILENAME_EXCED_RANGE);
  return false;
}

}  // namespace

std::string Win32FileSystem::longPathName(const std::string& path) {
  const std::wstring wide = widen(path);
  if (!convertiblePath(wide)) return std::string();
  DWORD n = GetLongPathNameW(wide.c_str(), nullptr, 0);
  if (n == 0) return std::string();
  std::wstring buffer(n, L'\0');
  const DWORD got = GetLongPathNameW(wide.c_str(), buffer.data(), n);
  if (got == 0 || got >= n) return std::string();
  buffer.resize(got);
  return narrow(buffer);
}

std::string Win32FileSystem::shortPathName(const std::string& path) {
  const std::wstring wide = widen(path);
  if (!convertiblePath(wide)) return std::string();
  DWORD n = GetShortPathNameW(wide.c_str(), nullptr, 0);
  if (n == 0) return std::string();
  std::wstring buffer(n, L'\0');
  const DWORD got = GetShortPathNameW(wide.c_str(), buffer.data(), n);
  if (got == 0 || got >= n) return std::string();
  buffer.resize(got);
  return narrow(buffer);
}

uint32_t Win32FileSystem::ansiCodePage() { return GetACP(); }

std::string Win32FileSystem::fromAnsi(std::string_view bytes) { return win32::fromAnsi(bytes); }

std::optional<std::string> Win32FileSystem::toAnsi(std::string_view text) { return toAnsiExactly(text); }

}  // namespace dv::win32
