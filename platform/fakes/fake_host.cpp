// Wiring of the in-memory doubles into one host.
#include "dv/fakes/fake_host.h"

namespace dv::fakes {

FakeHost::FakeHost() {
  files.setDateSource([this] { return clock.now(); });
  clock.addHook([this] { files.tick(); });
  pump.addHook([this] { files.tick(); });
}

dv::Host FakeHost::host() {
  return dv::Host{registry,  files, processes, shell,    windows, printers,
                  clipboard, clock, pump,      keyboard, ui,      automation};
}

}  // namespace dv::fakes
