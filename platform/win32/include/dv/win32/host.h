// Every Win32 host service in one place, the counterpart of the fakes'
// FakeHost:
//
//   dv::win32::ComApartment apartment;
//   dv::win32::Win32Host win32;
//   Library library(win32.host());
#pragma once

#include "dv/host.h"
#include "dv/win32/automation.h"
#include "dv/win32/files.h"
#include "dv/win32/printers.h"
#include "dv/win32/registry.h"
#include "dv/win32/services.h"
#include "dv/win32/windows.h"

namespace dv::win32 {

struct Win32Host {
  Win32Host() = default;
  Win32Host(const Win32Host&) = delete;
  Win32Host& operator=(const Win32Host&) = delete;

  // Refers to the members below; the Win32Host must outlive it.
  dv::Host host() {
    return dv::Host{registry,  files, processes, shell,    windows, printers,
                    clipboard, clock, pump,      keyboard, ui,      automation};
  }

  Win32Registry registry;
  Win32FileSystem files;
  Win32Processes processes;
  Win32Shell shell;
  Win32Windows windows;
  Win32Printers printers;
  Win32Clipboard clipboard;
  Win32Clock clock;
  Win32Pump pump;
  Win32Keyboard keyboard;
  Win32Ui ui;
  Win32Automation automation;
};

}  // namespace dv::win32
