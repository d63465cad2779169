// The smaller host services on Win32: processes, shell, clipboard, clock,
// message pump, simulated keystrokes and message boxes.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "dv/host.h"

namespace dv::win32 {

// CreateProcess with a hidden window; nothing waits for the program. The
// process handle is kept until the program has ended, so that endStarted
// can end it.
class Win32Processes : public dv::Processes {
 public:
  bool startHidden(const std::string& commandLine) override;
  void endStarted(const std::string& commandLine) override;

 private:
  std::mutex mu_;
  std::vector<std::pair<std::string, std::shared_ptr<void>>> started_;  // command line, process handle
};

class Win32Shell : public dv::Shell {
 public:
  std::string specialFolder(int csidl) override;
  // The folder of the module this code is linked into (Docvane.dll inside
  // the server, the test program in a test), ending in "\".
  std::string libraryFolder() override;
  std::string systemDirectory() override;
  intptr_t execute(const std::string& verb, const std::string& file, const std::string& parameters,
                   const std::string& directory, int showCommand) override;
};

// Saves the clipboard's device-independent bitmap as a .bmp file.
class Win32Clipboard : public dv::Clipboard {
 public:
  bool saveBitmap(const std::string& path) override;
};

class Win32Clock : public dv::Clock {
 public:
  double secondsSinceMidnight() override;
  uint64_t tickMs() override;
  void sleepMs(uint32_t ms) override;
};

// DoEvents: dispatches what is queued for the calling thread now. A flood
// of messages cannot keep it busy forever, and a WM_QUIT it meets is put
// back for the thread's own message loop.
class Win32Pump : public dv::MessagePump {
 public:
  void pump() override;
};

// SendKeys to the foreground window through SendInput. Supported: plain
// characters, "~" (Enter), the modifiers "+" "^" "%" on one key or a
// "(group)", and {ENTER} {TAB} {ESC} {BS} {DEL} {INSERT} {HOME} {END}
// {PGUP} {PGDN} {UP} {DOWN} {LEFT} {RIGHT} {F1}..{F16}, "{key n}" repeats,
// and "{+}" "{^}" "{%}" "{~}" "{(}" "{)}" "{{}" "{}}" as literal characters.
// An unknown {key} raises "Invalid procedure call or argument" (5).
class Win32Keyboard : public dv::Keyboard {
 public:
  void sendKeys(const std::string& keys) override;
};

class Win32Ui : public dv::UserInterface {
 public:
  void messageBox(const std::string& text, const std::string& caption) override;
};

}  // namespace dv::win32
