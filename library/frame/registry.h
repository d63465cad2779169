// clsRegistry: the library's own reader and writer of the registry, with the
// ANSI registry API's semantics. It holds at most one open key; every
// OpenRegistry replaces it. Registry failures never raise: members return
// False, Empty or the diagnostic texts of GetValue.
#pragma once

#include <cstdint>
#include <string>

#include "dv/host.h"
#include "dv/variant.h"

namespace dv::lib {

// Registry value types (REG_*).
inline constexpr uint32_t kRegNone = 0;
inline constexpr uint32_t kRegSz = 1;
inline constexpr uint32_t kRegExpandSz = 2;
inline constexpr uint32_t kRegBinary = 3;
inline constexpr uint32_t kRegDword = 4;
inline constexpr uint32_t kRegDwordBigEndian = 5;
inline constexpr uint32_t kRegLink = 6;
inline constexpr uint32_t kRegMultiSz = 7;
inline constexpr uint32_t kRegResourceList = 8;
inline constexpr uint32_t kRegFullResourceDescriptor = 9;
inline constexpr uint32_t kRegResourceRequirementsList = 10;

// Access masks. OpenRegistry reads only: a user without administrator
// rights is refused write access to HKEY_LOCAL_MACHINE, and a read must not
// fail for that. The writing members reopen the key for writing first.
inline constexpr uint32_t kReadAccess = 0x20019;    // KEY_READ
inline constexpr uint32_t kWriteAccess = 0x2000F;   // read control, query/set value, create/enumerate subkeys
inline constexpr uint32_t kCreateAccess = 0xF003F;  // KEY_ALL_ACCESS

// Registry views (access-mask flags). Without one a key is read in the
// module's own view: the 64-bit view from the x86_64 DLL.
inline constexpr uint32_t kOwnView = 0;
inline constexpr uint32_t kView32 = 0x0200;  // KEY_WOW64_32KEY

class clsRegistry {
 public:
  clsRegistry(Registry& registry, UserInterface& ui);
  ~clsRegistry();
  clsRegistry(const clsRegistry&) = delete;
  clsRegistry& operator=(const clsRegistry&) = delete;

  // Creates (or opens) a subkey of the open key; the object stays on its key.
  // False also when the key cannot be opened for writing.
  bool CreateDirectory(const std::string& sNewDirName);
  // Writes a value of the open key. Types other than 1, 2, 4 and 7 show
  // "Unable to process that Type of data." and write nothing. False also
  // when the key cannot be opened for writing.
  bool CreateValue(const std::string& sValueName, const Variant& vWriteThis, int32_t& ldValueDataType,
                   const Variant& Multi_SZ_AddtlStrings = Variant::missing());
  // Reads a value of the open key (the empty name reads the default value).
  Variant GetValue(const std::string& VarName, bool& ReturnBinStr);
  Variant GetValue(const std::string& VarName) {
    bool binary = false;
    return GetValue(VarName, binary);
  }
  int32_t RegistryRootKey() const { return static_cast<int32_t>(root_); }
  const std::string& SubDirectory() const { return subKey_; }
  // Opens the key for reading, in the given view (kOwnView or kView32).
  bool OpenRegistry(int32_t RtHKey, const std::string& SbDr, uint32_t view = kOwnView);
  // Reopens the parent of the current subkey, in the same view. A subkey
  // without "\" raises "Invalid procedure call or argument" (5).
  Variant OneBackOnKey();
  bool CloseRegistry();

  bool keyOpen() const { return open_; }
  uint32_t view() const { return view_; }

 private:
  // Swaps the read handle for one that may write; false when refused (the
  // key stays open for reading).
  bool openForWriting();

  Registry& registry_;
  UserInterface& ui_;
  RegKey root_ = 0;
  std::string subKey_;
  RegKey key_ = 0;
  bool open_ = false;
  bool writable_ = false;
  uint32_t view_ = kOwnView;
};

// Opens a key of an outside application: in the module's own view, else in
// the 32-bit view, where a 32-bit Acrobat, Distiller or Office on 64-bit
// Windows keeps its keys. Every reading of such a key goes through here.
bool OpenApplicationKey(clsRegistry& registry, int32_t RtHKey, const std::string& SbDr);

// Position (from 1) of the last "\" in text, 0 when there is none.
int16_t FindLastBackslash(const std::string& text);

// The predefined root keys arrive from clients as 32-bit values
// (HKEY_LOCAL_MACHINE is &H80000002); the seam works with their
// zero-extended form.
RegKey rootKeyFromLong(int32_t value);

}  // namespace dv::lib
