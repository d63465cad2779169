#include "dv/trace.h"

#include <atomic>
#include <exception>
#include <string>

#include "dv/automation.h"

namespace dv {

namespace {
std::atomic<TraceSink> gSink{nullptr};
thread_local std::string tErrorText;
}  // namespace

void setTraceSink(TraceSink sink) { gSink.store(sink); }

void trace(std::string_view where, std::string_view what) {
  TraceSink sink = gSink.load();
  if (!sink) return;
  std::string line = "Docvane: ";
  line.append(where).append(": ").append(what);
  sink(line);
}

std::string_view currentErrorText() {
  try {
    throw;
  } catch (const AutomationError& e) {
    tErrorText = e.description();
  } catch (const std::exception& e) {
    tErrorText = e.what();
  } catch (...) {
    tErrorText = "unknown error";
  }
  return tErrorText;
}

}  // namespace dv
