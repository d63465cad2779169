// The registry seam over advapi32's ANSI functions. Key and value names and
// string data (REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ) cross the seam as UTF-8
// and are converted to and from the ANSI code page; sizes reported to the
// caller are those of the UTF-8 data, so the size query / ERROR_MORE_DATA
// protocol holds for what the caller actually receives.
#pragma once

#include "dv/host.h"

namespace dv::win32 {

class Win32Registry : public dv::Registry {
 public:
  long openKey(RegKey root, const std::string& subKey, uint32_t access, RegKey& result) override;
  long createKey(RegKey parent, const std::string& subKey, uint32_t access, RegKey& result,
                 uint32_t* disposition) override;
  long queryValue(RegKey key, const std::string& name, uint32_t& type, std::vector<uint8_t>* data,
                  uint32_t& size) override;
  long setValue(RegKey key, const std::string& name, uint32_t type, const std::vector<uint8_t>& data) override;
  long deleteValue(RegKey key, const std::string& name) override;
  long deleteKey(RegKey parent, const std::string& subKey) override;
  long closeKey(RegKey key) override;
};

}  // namespace dv::win32
