#include "frame/registry.h"

#include <cstdio>

#include "dv/vb.h"

namespace dv::lib {

namespace {

constexpr long kErrorSuccess = 0;
constexpr long kErrorFileNotFound = 2;
constexpr long kErrorAccessDenied = 5;
constexpr long kErrorMoreData = 234;

std::string hexBytes(const std::vector<uint8_t>& bytes, size_t count) {
  static const char digits[] = "0123456789ABCDEF";
  std::string text;
  text.reserve(count * 3);
  for (size_t i = 0; i < count && i < bytes.size(); ++i) {
    text += digits[bytes[i] >> 4];
    text += digits[bytes[i] & 0xF];
    text += ' ';
  }
  return text;
}

// Splits REG_MULTI_SZ data the way the value is laid out: every string ends
// in a zero and the list ends in one more zero, which yields a last, empty
// element. Data that lacks its terminators (written by a careless tool)
// still gives every string it holds.
Array splitMultiSz(const std::string& data) {
  std::vector<Variant> items;
  std::string rest = data;
  while (!rest.empty()) {
    size_t zero = rest.find('\0');
    if (zero == std::string::npos) {
      items.emplace_back(rest);
      break;
    }
    items.emplace_back(rest.substr(0, zero));
    rest.erase(0, zero + 1);
  }
  return Array::vector(VarType::String, std::move(items));
}

bool isSkippedExtraString(const Variant& value) {
  if (value.isNull() || value.isEmpty()) return true;
  std::string text = vb::CStr(value);
  return text.empty() || text == std::string(1, '\0');
}

}  // namespace

RegKey rootKeyFromLong(int32_t value) { return static_cast<RegKey>(static_cast<uint32_t>(value)); }

int16_t FindLastBackslash(const std::string& text) {
  size_t pos = text.rfind('\\');
  return pos == std::string::npos ? int16_t{0} : static_cast<int16_t>(pos + 1);
}

clsRegistry::clsRegistry(Registry& registry, UserInterface& ui) : registry_(registry), ui_(ui) {}

clsRegistry::~clsRegistry() {
  // Only a handle that is still open is closed: after a failed reopen the
  // field holds a handle that was already closed and may since belong to
  // someone else.
  if (open_) registry_.closeKey(key_);
}

bool clsRegistry::OpenRegistry(int32_t RtHKey, const std::string& SbDr, uint32_t view) {
  if (RtHKey == 0) {
    open_ = false;
    return false;
  }
  root_ = rootKeyFromLong(RtHKey);
  subKey_ = SbDr;
  view_ = view;
  if (open_) {
    CloseRegistry();
    open_ = false;
  }
  RegKey handle = 0;
  if (registry_.openKey(root_, subKey_, kReadAccess | view_, handle) != kErrorSuccess) return false;
  key_ = handle;
  open_ = true;
  writable_ = false;
  return true;
}

bool clsRegistry::openForWriting() {
  if (writable_) return true;
  RegKey handle = 0;
  if (registry_.openKey(root_, subKey_, kWriteAccess | view_, handle) != kErrorSuccess) return false;
  registry_.closeKey(key_);
  key_ = handle;
  writable_ = true;
  return true;
}

bool OpenApplicationKey(clsRegistry& registry, int32_t RtHKey, const std::string& SbDr) {
  return registry.OpenRegistry(RtHKey, SbDr, kOwnView) || registry.OpenRegistry(RtHKey, SbDr, kView32);
}

bool clsRegistry::CloseRegistry() {
  if (!open_) return false;
  if (registry_.closeKey(key_) != kErrorSuccess) return false;
  open_ = false;
  return true;
}

bool clsRegistry::CreateDirectory(const std::string& sNewDirName) {
  if (!open_ || !openForWriting()) return false;
  RegKey created = 0;
  uint32_t disposition = 0;
  if (registry_.createKey(key_, sNewDirName, kCreateAccess | view_, created, &disposition) != kErrorSuccess)
    return false;
  registry_.closeKey(created);
  return true;
}

bool clsRegistry::CreateValue(const std::string& sValueName, const Variant& vWriteThis, int32_t& ldValueDataType,
                              const Variant& Multi_SZ_AddtlStrings) {
  if (!open_) return false;
  const bool knownType =
      ldValueDataType == static_cast<int32_t>(kRegSz) || ldValueDataType == static_cast<int32_t>(kRegExpandSz) ||
      ldValueDataType == static_cast<int32_t>(kRegDword) || ldValueDataType == static_cast<int32_t>(kRegMultiSz);
  if (knownType && !openForWriting()) return false;
  std::vector<uint8_t> data;
  uint32_t type = static_cast<uint32_t>(ldValueDataType);
  switch (ldValueDataType) {
    case kRegSz:
    case kRegExpandSz: {
      std::string text = vb::CStr(vWriteThis);
      data.assign(text.begin(), text.end());
      data.push_back(0);
      break;
    }
    case kRegDword: {
      uint32_t number = static_cast<uint32_t>(vb::CLng(vWriteThis));
      for (int i = 0; i < 4; ++i) data.push_back(static_cast<uint8_t>(number >> (8 * i)));
      break;
    }
    case kRegMultiSz: {
      std::string text = vb::CStr(vWriteThis);
      text += '\0';
      if (!vb::IsMissing(Multi_SZ_AddtlStrings)) {
        auto append = [&](const Variant& item) {
          if (isSkippedExtraString(item)) return;
          text += vb::CStr(item);
          text += '\0';
        };
        const Variant& extra = Multi_SZ_AddtlStrings.target();
        if (extra.isArray()) {
          for (const Variant& item : extra.arrayValue().elements()) append(item.target());
        } else {
          append(extra);
        }
      }
      text += '\0';
      data.assign(text.begin(), text.end());
      break;
    }
    default:
      ui_.messageBox("Unable to process that Type of data.", vb::kLibrarySource);
      return false;
  }
  return registry_.setValue(key_, sValueName, type, data) == kErrorSuccess;
}

Variant clsRegistry::GetValue(const std::string& VarName, bool& ReturnBinStr) {
  if (!open_) return Variant();
  uint32_t type = 0;
  uint32_t size = 0;
  long result = registry_.queryValue(key_, VarName, type, nullptr, size);
  if (result == kErrorFileNotFound) return Variant();
  if (result == kErrorAccessDenied) return Variant("Access Denied");
  if (result != kErrorSuccess) return Variant("RegQueryValueEx Returned : (" + std::to_string(result) + ")");

  std::vector<uint8_t> buffer;
  // A value that grows between the two queries is read again with its new size.
  for (int attempt = 0;; ++attempt) {
    buffer.assign(size, 0);
    result = registry_.queryValue(key_, VarName, type, &buffer, size);
    if (result == kErrorMoreData && attempt < 3) continue;
    if (result != kErrorSuccess) return Variant();
    break;
  }
  if (buffer.size() > size) buffer.resize(size);
  std::string raw(buffer.begin(), buffer.end());

  switch (type) {
    case kRegNone:
      return Variant("Not defined value_type=REG_NONE");
    case kRegSz:
    case kRegExpandSz:
      // The stored size counts the terminating zero; a value written
      // without one keeps all of its characters.
      if (!raw.empty() && raw.back() == '\0') raw.pop_back();
      return Variant(raw);
    case kRegBinary:
    case kRegDword:
      if (ReturnBinStr) return Variant(raw);
      return Variant(hexBytes(buffer, size));
    case kRegDwordBigEndian:
      return Variant(raw);
    case kRegLink:
      return Variant("Not defined value_type=REG_LINK");
    case kRegMultiSz:
      return Variant(splitMultiSz(raw));
    case kRegResourceList:
      return Variant("Not defined value_type=REG_RESOURCE_LIST");
    case kRegFullResourceDescriptor:
      return Variant("Not defined value_type=REG_FULL_RESOURCE_DESCRIPTOR");
    case kRegResourceRequirementsList:
      return Variant("Not defined value_type=REG_RESOURCE_REQUIREMENTS_LIST");
    default:
      return Variant("value_type=" + std::to_string(type));
  }
}

Variant clsRegistry::OneBackOnKey() {
  int16_t position = FindLastBackslash(subKey_);
  if (position == 0) vb::raise(vb::kInvalidProcedureCall);
  subKey_ = subKey_.substr(0, static_cast<size_t>(position - 1));
  CloseRegistry();
  OpenRegistry(static_cast<int32_t>(root_), subKey_, view_);
  return Variant();
}

}  // namespace dv::lib
