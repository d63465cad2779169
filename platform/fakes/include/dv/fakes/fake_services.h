// Small in-memory doubles for the host services that only need to record
// what the code asked for, or answer with what a test set up: processes,
// shell, clipboard, clock, message pump, keyboard and message boxes.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "dv/host.h"

namespace dv::fakes {

// Records the command lines it is asked to start; a test can make starting
// fail, or react to a start (for example by playing the started program).
class FakeProcesses : public dv::Processes {
 public:
  bool startHidden(const std::string& commandLine) override;
  void endStarted(const std::string& commandLine) override { ended_.push_back(commandLine); }

  const std::vector<std::string>& started() const { return started_; }
  const std::vector<std::string>& ended() const { return ended_; }
  void setFailing(bool failing) { failing_ = failing; }
  void setOnStart(std::function<void(const std::string&)> onStart) { onStart_ = std::move(onStart); }

 private:
  std::vector<std::string> started_;
  std::vector<std::string> ended_;
  bool failing_ = false;
  std::function<void(const std::string&)> onStart_;
};

// CSIDL numbers of the folders the fake knows out of the box.
inline constexpr int kCsidlPersonal = 0x0005;
inline constexpr int kCsidlAppData = 0x001A;
inline constexpr int kCsidlWindows = 0x0024;
inline constexpr int kCsidlSystem = 0x0025;
inline constexpr int kCsidlProgramFiles = 0x0026;

struct ShellExecution {
  std::string verb, file, parameters, directory;
  int showCommand = 0;
  bool operator==(const ShellExecution&) const = default;
};

class FakeShell : public dv::Shell {
 public:
  FakeShell();
  std::string specialFolder(int csidl) override;
  std::string libraryFolder() override { return libraryFolder_; }
  std::string systemDirectory() override { return systemDirectory_; }
  intptr_t execute(const std::string& verb, const std::string& file, const std::string& parameters,
                   const std::string& directory, int showCommand) override;

  // An empty path makes the folder unknown (the call fails).
  void setSpecialFolder(int csidl, const std::string& path) { folders_[csidl] = path; }
  void setLibraryFolder(const std::string& path) { libraryFolder_ = path; }
  void setSystemDirectory(const std::string& path) { systemDirectory_ = path; }
  // The value execute() returns (> 32 is success; 2 is "file not found").
  void setExecuteResult(intptr_t result) { executeResult_ = result; }
  const std::vector<ShellExecution>& executions() const { return executions_; }

 private:
  std::map<int, std::string> folders_;
  std::string libraryFolder_ = "C:\\Program Files\\Docvane\\";
  std::string systemDirectory_ = "C:\\Windows\\system32";
  intptr_t executeResult_ = 42;
  std::vector<ShellExecution> executions_;
};

// Holds a bitmap (already in BMP file form) or nothing; saving writes it
// through the file system it is given.
class FakeClipboard : public dv::Clipboard {
 public:
  explicit FakeClipboard(dv::FileSystem& files) : files_(files) {}
  bool saveBitmap(const std::string& path) override;

  void setBitmap(std::string bmpBytes) { bitmap_ = std::move(bmpBytes); }
  void clear() { bitmap_.reset(); }

 private:
  dv::FileSystem& files_;
  std::optional<std::string> bitmap_;
};

// Time that moves only when the code sleeps (or a test advances it), so
// every wait runs instantly and deterministically. The local time of day
// wraps at midnight exactly as VB's Timer does.
class FakeClock : public dv::Clock {
 public:
  FakeClock();
  double secondsSinceMidnight() override;
  uint64_t tickMs() override;
  void sleepMs(uint32_t ms) override;

  // Local date and time as an OLE date.
  double now() const;
  void setNow(double oleDate);
  // Moves the local time to `seconds` after midnight of the current day.
  void setTimeOfDay(double seconds);
  // Moves time on without running the hooks (not a sleep).
  void advanceMs(uint64_t ms);
  // Time that passes on every secondsSinceMidnight()/tickMs() read, for
  // code that polls the clock without sleeping.
  void setAdvancePerReadMs(uint32_t ms) { perReadMs_ = ms; }
  // Runs after every sleep, once time has moved.
  void addHook(std::function<void()> hook) { hooks_.push_back(std::move(hook)); }

  uint64_t sleptMs() const { return sleptMs_; }
  int sleeps() const { return sleeps_; }
  // How many sleeps lasted exactly `ms`.
  int sleepsOf(uint32_t ms) const {
    const auto it = sleepsByLength_.find(ms);
    return it == sleepsByLength_.end() ? 0 : it->second;
  }

 private:
  int64_t localMs_;  // milliseconds since 30 Dec 1899 00:00 local time
  uint64_t tickMs_ = 5'000'000;
  uint32_t perReadMs_ = 0;
  uint64_t sleptMs_ = 0;
  int sleeps_ = 0;
  std::map<uint32_t, int> sleepsByLength_;
  std::vector<std::function<void()>> hooks_;
};

// Counts DoEvents calls; hooks let a test act "while messages are pumped".
class FakePump : public dv::MessagePump {
 public:
  void pump() override;
  int count() const { return count_; }
  // A test's own reaction to a pump, replacing any earlier one.
  void setCallback(std::function<void()> callback) { callback_ = std::move(callback); }
  // Permanent wiring (the fake host uses it to tick the file system).
  void addHook(std::function<void()> hook) { hooks_.push_back(std::move(hook)); }

 private:
  int count_ = 0;
  std::function<void()> callback_;
  std::vector<std::function<void()>> hooks_;
};

class FakeKeyboard : public dv::Keyboard {
 public:
  void sendKeys(const std::string& keys) override { sent_.push_back(keys); }
  const std::vector<std::string>& sent() const { return sent_; }

 private:
  std::vector<std::string> sent_;
};

struct MessageBoxCall {
  std::string text, caption;
  bool operator==(const MessageBoxCall&) const = default;
};

class FakeUi : public dv::UserInterface {
 public:
  void messageBox(const std::string& text, const std::string& caption) override {
    boxes_.push_back(MessageBoxCall{text, caption});
  }
  const std::vector<MessageBoxCall>& boxes() const { return boxes_; }

 private:
  std::vector<MessageBoxCall> boxes_;
};

}  // namespace dv::fakes
