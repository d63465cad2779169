// Behaviour every implementation of the host seam shares.
#include "dv/host.h"

namespace dv {

long deliverRegistryValue(std::vector<uint8_t> value, std::vector<uint8_t>* data, uint32_t& size) {
  constexpr long kSuccess = 0, kMoreData = 234;
  const auto needed = static_cast<uint32_t>(value.size());
  if (data != nullptr && size < needed) {
    size = needed;
    return kMoreData;
  }
  if (data != nullptr) *data = std::move(value);
  size = needed;
  return kSuccess;
}

}  // namespace dv
