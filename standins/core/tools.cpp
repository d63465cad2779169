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

ToolResult runTool(const std::vector<std::string>& argv, std::chrono::milliseconds timeout) {
  return toolRunner().run(argv, {}, timeout);
}

}  // namespace dv::standins
