// Every in-memory double in one place, wired together the way the real
// machine hangs together: written files get the clock's time, the
// clipboard saves into the fake file system, and each pump or sleep ticks
// the file system's hook (a file growing while the code waits for it).
//
//   dv::fakes::FakeHost fake;
//   fake.registry.setString(dv::kHkeyLocalMachine, "SOFTWARE\\...", "", "9.0");
//   SomethingUnderTest thing(fake.host());
#pragma once

#include "dv/fakes/fake_automation.h"
#include "dv/fakes/fake_files.h"
#include "dv/fakes/fake_printers.h"
#include "dv/fakes/fake_registry.h"
#include "dv/fakes/fake_services.h"
#include "dv/fakes/fake_windows.h"
#include "dv/host.h"

namespace dv::fakes {

struct FakeHost {
  FakeHost();
  FakeHost(const FakeHost&) = delete;
  FakeHost& operator=(const FakeHost&) = delete;

  // The seam value handed to the code under test; it refers to the members
  // below, so the FakeHost must outlive it.
  dv::Host host();

  FakeRegistry registry;
  FakeFileSystem files;
  FakeProcesses processes;
  FakeShell shell;
  FakeWindows windows;
  FakePrinters printers;
  FakeClipboard clipboard{files};
  FakeClock clock;
  FakePump pump;
  FakeKeyboard keyboard;
  FakeUi ui;
  FakeAutomation automation;
};

}  // namespace dv::fakes
