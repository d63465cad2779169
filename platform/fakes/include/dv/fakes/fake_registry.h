// An in-memory registry with the result codes of the ANSI Reg* calls: a key
// tree under the predefined roots, handles that must be closed, access
// masks that are enforced (a key opened for reading cannot be written),
// keys (with their subtrees) a test can make refuse access, and the two
// views of a 64-bit machine: opened without a view flag a key is read in
// the 64-bit view, with KEY_WOW64_32KEY HKLM\Software and
// HKEY_CLASSES_ROOT are redirected under Software\Wow6432Node. Test set-up
// writes the 32-bit view by naming that path.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "dv/host.h"

namespace dv::fakes {

// Win32 codes and constants the fake and its tests use.
inline constexpr long kErrorSuccess = 0;
inline constexpr long kErrorFileNotFound = 2;
inline constexpr long kErrorAccessDenied = 5;
inline constexpr long kErrorInvalidHandle = 6;
inline constexpr long kErrorMoreData = 234;
inline constexpr long kErrorKeyDeleted = 1018;
inline constexpr uint32_t kRegSz = 1;
inline constexpr uint32_t kRegDword = 4;
inline constexpr uint32_t kKeyQueryValue = 0x0001;
inline constexpr uint32_t kKeySetValue = 0x0002;
inline constexpr uint32_t kKeyCreateSubKey = 0x0004;
inline constexpr uint32_t kKeyRead = 0x20019;
inline constexpr uint32_t kKeyWrite = 0x20006;
inline constexpr uint32_t kKeyAllAccess = 0xF003F;
inline constexpr uint32_t kKeyWow64_64Key = 0x0100;
inline constexpr uint32_t kKeyWow64_32Key = 0x0200;
// Where the 32-bit registry view of HKLM\Software lives on 64-bit Windows.
inline constexpr const char* kWow6432Node = "SOFTWARE\\Wow6432Node";

class FakeRegistry : public dv::Registry {
 public:
  // What a denied key and its subkeys refuse: everything, or only opening
  // for writing and writing (HKEY_LOCAL_MACHINE for a user without
  // administrator rights).
  enum class Denial { None, All, Writes };

  FakeRegistry();
  ~FakeRegistry() override;

  long openKey(RegKey root, const std::string& subKey, uint32_t access, RegKey& result) override;
  long createKey(RegKey parent, const std::string& subKey, uint32_t access, RegKey& result,
                 uint32_t* disposition) override;
  long queryValue(RegKey key, const std::string& name, uint32_t& type, std::vector<uint8_t>* data,
                  uint32_t& size) override;
  long setValue(RegKey key, const std::string& name, uint32_t type, const std::vector<uint8_t>& data) override;
  long deleteValue(RegKey key, const std::string& name) override;
  long deleteKey(RegKey parent, const std::string& subKey) override;
  long closeKey(RegKey key) override;

  // ---- Test set-up and inspection (no handles, no access checks) ----
  // HKEY_CLASSES_ROOT is the view of HKLM\Software\Classes, as on a machine
  // where the user has no per-user class registrations.
  void setRaw(RegKey root, const std::string& path, const std::string& name, uint32_t type, std::vector<uint8_t> data);
  void setString(RegKey root, const std::string& path, const std::string& name, const std::string& value);
  void setDword(RegKey root, const std::string& path, const std::string& name, uint32_t value);
  void createPath(RegKey root, const std::string& path);
  bool hasKey(RegKey root, const std::string& path) const;
  bool hasValue(RegKey root, const std::string& path, const std::string& name) const;
  // REG_SZ text without its terminating NUL; nullopt when missing.
  std::optional<std::string> getString(RegKey root, const std::string& path, const std::string& name) const;
  std::optional<uint32_t> getDword(RegKey root, const std::string& path, const std::string& name) const;
  std::optional<uint32_t> valueType(RegKey root, const std::string& path, const std::string& name) const;
  void deny(RegKey root, const std::string& path, Denial denial);
  // Handles opened and not yet closed: a leak check for tests.
  size_t openHandles() const { return handles_.size(); }
  // Every key path that exists below a root, for diagnostics.
  std::vector<std::string> keysBelow(RegKey root, const std::string& path) const;

 private:
  struct Value {
    std::string name;
    uint32_t type = 0;
    std::vector<uint8_t> data;
  };
  struct Node {
    std::string name;
    Node* parent = nullptr;
    bool deleted = false;
    Denial denial = Denial::None;
    std::map<std::string, std::shared_ptr<Node>> children;  // by folded name
    std::map<std::string, Value> values;                    // by folded name
  };
  struct Handle {
    std::shared_ptr<Node> node;
    uint32_t access = 0;
  };

  const Handle* resolve(RegKey key, Handle& predefined, long& error) const;
  std::shared_ptr<Node> walk(const std::shared_ptr<Node>& from, const std::string& path) const;
  std::shared_ptr<Node> walkOrCreate(const std::shared_ptr<Node>& from, const std::string& path, bool& created);
  std::shared_ptr<Node> rootNode(RegKey root) const;
  const Value* findValue(RegKey root, const std::string& path, const std::string& name) const;
  static bool refuses(const Node& node, uint32_t access);
  // The root and path a request reaches in the view its access mask asks for.
  static std::string viewPath(RegKey root, const std::string& subKey, uint32_t access, RegKey& viewRoot);

  std::shared_ptr<Node> machine_, user_, users_, classes_;
  std::map<RegKey, Handle> handles_;
  RegKey nextHandle_ = 0x1000;
};

}  // namespace dv::fakes
