// A small DLL that links the library core the way Docvane.dll does, so the
// relay-launching tests see LocateRelay from inside a loaded library: the
// "library folder" is this DLL's folder, not the test program's.
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <exception>
#include <string>

#include "dv/automation.h"
#include "dv/win32/host.h"
#include "relaylaunch/relay_launch.h"

namespace {

void copyOut(const std::string& text, char* out, int size) {
  if (!out || size <= 0) return;
  size_t n = std::min(text.size(), static_cast<size_t>(size - 1));
  std::memcpy(out, text.data(), n);
  out[n] = '\0';
}

// Runs a relay step; 1 when it returned, -1 with the error's description.
template <typename Step>
int run(Step step, char* message, int size) {
  try {
    dv::win32::Win32Host win32;
    dv::Host host = win32.host();
    return step(host) ? 1 : 0;
  } catch (const dv::AutomationError& e) {
    copyOut(std::to_string(e.number()) + "|" + e.source() + "|" + e.description(), message, size);
    return -1;
  } catch (const std::exception& e) {
    copyOut(e.what(), message, size);
    return -2;
  }
}

}  // namespace

extern "C" __declspec(dllexport) int dvProbeLibraryFolder(char* out, int size) {
  dv::win32::Win32Host win32;
  copyOut(win32.host().shell.libraryFolder(), out, size);
  return 1;
}

// The open-with-password step: 1 relays started, 0 none (blank password).
extern "C" __declspec(dllexport) int dvProbeStartOpenRelays(const char* pdf, const char* password, char* message,
                                                            int size) {
  return run([&](dv::Host& host) { return dv::lib::startOpenRelays(host, pdf, password, "open", "password"); }, message,
             size);
}

extern "C" __declspec(dllexport) int dvProbeStartSavePdfFileAs(const char* path, char* message, int size) {
  return run(
      [&](dv::Host& host) {
        dv::lib::locateRelay(host).start({dv::lib::relaySavePdfFileAs("save pdf file as", path)});
        return true;
      },
      message, size);
}

extern "C" __declspec(dllexport) int dvProbeStartPrintToFileVisio2(const char* path, char* message, int size) {
  return run(
      [&](dv::Host& host) {
        dv::lib::locateRelay(host, dv::lib::MissingRelayText::System32Directory)
            .start({dv::lib::relayPrintToFile("print to file", path)});
        return true;
      },
      message, size);
}
