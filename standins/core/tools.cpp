#include "dv/standins/tools.h"

#include <atomic>

namespace dv::standins {

ToolRunner& nativeToolRunner();  // posix_tools.cpp, or the Windows host's

namespace {
std::atomic<ToolRunner*> g_runner{nullptr};
}

ToolRunner& toolRunner() {
  ToolRunner* r = g_runner.load();
  return r ? *r : nativeToolRunner();
}

void setToolRunner(ToolRunner* runner) { g_runner.store(runner); }

bool LineSplitter::hand(std::string_view line) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  if (onLine_ && !onLine_(line)) stopped_ = true;
  return !stopped_;
}

bool LineSplitter::feed(std::string_view output) {
  if (stopped_) return false;
  // Lines are cut where they end without moving what follows them each time.
  size_t begin = 0, nl;
  while ((nl = output.find('\n', begin)) != std::string_view::npos) {
    if (pending_.empty()) {
      if (!hand(output.substr(begin, nl - begin))) return false;
    } else {
      pending_.append(output.substr(begin, nl - begin));
      const bool more = hand(pending_);
      pending_.clear();
      if (!more) return false;
    }
    begin = nl + 1;
  }
  pending_.append(output.substr(begin));
  return true;
}

bool LineSplitter::finish() {
  if (stopped_ || pending_.empty()) return !stopped_;
  const bool more = hand(pending_);
  pending_.clear();
  return more;
}

ToolResult runTool(const std::vector<std::string>& argv, std::chrono::milliseconds timeout) {
  return toolRunner().run(argv, {}, timeout);
}

}  // namespace dv::standins
