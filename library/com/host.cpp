#include "dv/win32/host.h"

#include "module.h"

namespace dv::com {

Host host() {
  // The Win32 services hold no per-object state; one set serves every
  // object of the process.
  static win32::Win32Host services;
  return services.host();
}

}  // namespace dv::com
