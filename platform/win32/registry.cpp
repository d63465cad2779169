// The registry seam on RegOpenKeyExA and friends.
#include "dv/win32/registry.h"

#include <windows.h>

#include "dv/win32/text.h"

namespace dv::win32 {

namespace {

// The seam's predefined roots are the 32-bit values; on x64 the HKEY
// constants are those values sign-extended, so map them explicitly.
HKEY toHkey(RegKey key) {
  switch (key) {
    case kHkeyClassesRoot:
      return HKEY_CLASSES_ROOT;
    case kHkeyCurrentUser:
      return HKEY_CURRENT_USER;
    case kHkeyLocalMachine:
      return HKEY_LOCAL_MACHINE;
    case kHkeyUsers:
      return HKEY_USERS;
    default:
      return reinterpret_cast<HKEY>(static_cast<uintptr_t>(key));
  }
}

bool isPredefined(RegKey key) {
  return key == kHkeyClassesRoot || key == kHkeyCurrentUser || key == kHkeyLocalMachine || key == kHkeyUsers;
}

bool isText(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

}  // namespace

long Win32Registry::openKey(RegKey root, const std::string& subKey, uint32_t access, RegKey& result) {
  HKEY h = nullptr;
  const LONG rc = RegOpenKeyExA(toHkey(root), toAnsi(subKey).c_str(), 0, access, &h);
  if (rc == ERROR_SUCCESS) result = reinterpret_cast<uintptr_t>(h);
  return rc;
}

long Win32Registry::createKey(RegKey parent, const std::string& subKey, uint32_t access, RegKey& result,
                              uint32_t* disposition) {
  HKEY h = nullptr;
  DWORD disp = 0;
  const LONG rc = RegCreateKeyExA(toHkey(parent), toAnsi(subKey).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access,
                                  nullptr, &h, &disp);
  if (rc == ERROR_SUCCESS) {
    result = reinterpret_cast<uintptr_t>(h);
    if (disposition) *disposition = disp;
  }
  return rc;
}

long Win32Registry::queryValue(RegKey key, const std::string& name, uint32_t& type, std::vector<uint8_t>* data,
                               uint32_t& size) {
  const std::string ansiName = toAnsi(name);
  // Read the whole value first; it may change between the size query and
  // the read, so grow and retry a few times.
  std::vector<BYTE> raw;
  DWORD rawType = 0, rawSize = 0;
  LONG rc = RegQueryValueExA(toHkey(key), ansiName.c_str(), nullptr, &rawType, nullptr, &rawSize);
  for (int attempt = 0; rc == ERROR_SUCCESS; ++attempt) {
    raw.resize(rawSize + 2);
    DWORD got = static_cast<DWORD>(raw.size());
    rc = RegQueryValueExA(toHkey(key), ansiName.c_str(), nullptr, &rawType, raw.data(), &got);
    if (rc == ERROR_SUCCESS) {
      raw.resize(got);
      break;
    }
    if (rc != ERROR_MORE_DATA || attempt == 3) break;  // a value that keeps growing: report it
    rawSize = got;
    rc = ERROR_SUCCESS;
  }
  if (rc != ERROR_SUCCESS) return rc;
  std::vector<uint8_t> value;
  if (isText(rawType)) {
    const std::string utf8 = fromAnsi(std::string_view(reinterpret_cast<const char*>(raw.data()), raw.size()));
    value.assign(utf8.begin(), utf8.end());
  } else {
    value.assign(raw.begin(), raw.end());
  }
  type = rawType;
  return deliverRegistryValue(std::move(value), data, size);
}

long Win32Registry::setValue(RegKey key, const std::string& name, uint32_t type, const std::vector<uint8_t>& data) {
  std::string bytes(data.begin(), data.end());
  if (isText(type)) bytes = toAnsi(bytes);
  return RegSetValueExA(toHkey(key), toAnsi(name).c_str(), 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                        static_cast<DWORD>(bytes.size()));
}

long Win32Registry::deleteValue(RegKey key, const std::string& name) {
  return RegDeleteValueA(toHkey(key), toAnsi(name).c_str());
}

long Win32Registry::deleteKey(RegKey parent, const std::string& subKey) {
  return RegDeleteKeyA(toHkey(parent), toAnsi(subKey).c_str());
}

long Win32Registry::closeKey(RegKey key) {
  if (isPredefined(key)) return ERROR_SUCCESS;
  return RegCloseKey(toHkey(key));
}

}  // namespace dv::win32
