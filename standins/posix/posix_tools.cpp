// The native tool runner: tools are child processes whose merged output
// is read through a pipe as it is written.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <random>

#include "dv/standins/tools.h"

extern char** environ;

namespace dv::standins {

namespace {

class PosixToolRunner : public ToolRunner {
 public:
  std::string toolPath(const std::string& clientPath) override { return clientPath; }
  std::vector<std::pair<char, std::string>> drives() override { return {}; }

  std::string scratchFolder() override {
    std::random_device rd;
    auto base = std::filesystem::temp_directory_path();
    for (int i = 0; i < 100; ++i) {
      auto dir = base / ("dv-standin-" + std::to_string(getpid()) + "-" + std::to_string(rd()));
      std::error_code ec;
      if (std::filesystem::create_directory(dir, ec)) return dir.string();
    }
    throw std::runtime_error("cannot create a scratch folder in " + base.string());
  }

  ToolResult run(const std::vector<std::string>& argv, const LineHandler& onLine,
                 std::chrono::milliseconds timeout) override {
    ToolResult result;
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return result;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 2);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = 0;
    int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (rc != 0) {
      close(fds[0]);
      return result;
    }
    result.started = true;

    auto deadline = std::chrono::steady_clock::now() + timeout;
    LineSplitter lines(onLine);
    char buf[65536];
    bool open = true;
    while (open) {
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) {
        result.timedOut = true;
        kill(pid, SIGKILL);
        break;
      }
      pollfd p{fds[0], POLLIN, 0};
      int n = poll(&p, 1, static_cast<int>(std::min<int64_t>(left.count(), 200)));
      if (n < 0 && errno != EINTR) break;
      if (n <= 0) continue;
      ssize_t got = read(fds[0], buf, sizeof buf);
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) {
        open = false;
        break;
      }
      result.output.append(buf, static_cast<size_t>(got));
      if (!lines.feed(std::string_view(buf, static_cast<size_t>(got)))) {
        result.stopped = true;
        kill(pid, SIGKILL);
        break;
      }
    }
    close(fds[0]);
    if (!result.timedOut && !result.stopped && !lines.finish()) result.stopped = true;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (!result.timedOut && !result.stopped)
      result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return result;
  }
};

}  // namespace

std::string pdfToolPath() {
  const char* chosen = std::getenv("DV_PDFTOOL");
  if (chosen && *chosen) return chosen;
  return DV_PDFTOOL_PATH;
}

ToolRunner& nativeToolRunner() {
  static PosixToolRunner runner;
  return runner;
}

}  // namespace dv::standins
