// The small host-service doubles.
#include "dv/fakes/fake_services.h"

#include <cmath>

#include "dv/vb.h"

namespace dv::fakes {

namespace {
constexpr int64_t kMsPerDay = 86'400'000;
}

bool FakeProcesses::startHidden(const std::string& commandLine) {
  if (failing_) return false;
  started_.push_back(commandLine);
  if (onStart_) onStart_(commandLine);
  return true;
}

FakeShell::FakeShell() {
  folders_[kCsidlPersonal] = "C:\\Users\\user\\Documents";
  folders_[kCsidlAppData] = "C:\\Users\\user\\AppData\\Roaming";
  folders_[kCsidlWindows] = "C:\\Windows";
  folders_[kCsidlSystem] = "C:\\Windows\\system32";
  folders_[kCsidlProgramFiles] = "C:\\Program Files";
}

std::string FakeShell::specialFolder(int csidl) {
  const auto it = folders_.find(csidl);
  return it == folders_.end() ? std::string() : it->second;
}

intptr_t FakeShell::execute(const std::string& verb, const std::string& file, const std::string& parameters,
                            const std::string& directory, int showCommand) {
  executions_.push_back(ShellExecution{verb, file, parameters, directory, showCommand});
  return executeResult_;
}

bool FakeClipboard::saveBitmap(const std::string& path) {
  if (!bitmap_) return false;
  return files_.writeFile(path, *bitmap_);
}

// A Tuesday morning, far from midnight, so tests that do not care about the
// wrap never meet it.
FakeClock::FakeClock() : localMs_(static_cast<int64_t>(vb::DateSerial(2024, 1, 2)) * kMsPerDay + 10 * 3'600'000) {}

double FakeClock::secondsSinceMidnight() {
  advanceMs(perReadMs_);
  return static_cast<double>(localMs_ % kMsPerDay) / 1000.0;
}

uint64_t FakeClock::tickMs() {
  advanceMs(perReadMs_);
  return tickMs_;
}

void FakeClock::sleepMs(uint32_t ms) {
  advanceMs(ms);
  sleptMs_ += ms;
  ++sleeps_;
  ++sleepsByLength_[ms];
  for (auto& hook : hooks_) hook();
}

double FakeClock::now() const {
  const int64_t days = localMs_ / kMsPerDay;
  return static_cast<double>(days) + static_cast<double>(localMs_ % kMsPerDay) / kMsPerDay;
}

void FakeClock::setNow(double oleDate) {
  // Dates before 1899 are out of scope for a test clock.
  localMs_ = std::llround(std::max(0.0, oleDate) * kMsPerDay);
}

void FakeClock::setTimeOfDay(double seconds) {
  localMs_ = localMs_ / kMsPerDay * kMsPerDay + std::llround(seconds * 1000.0) % kMsPerDay;
}

void FakeClock::advanceMs(uint64_t ms) {
  localMs_ += static_cast<int64_t>(ms);
  tickMs_ += ms;
}

void FakePump::pump() {
  ++count_;
  if (callback_) callback_();
  for (auto& hook : hooks_) hook();
}

}  // namespace dv::fakes
