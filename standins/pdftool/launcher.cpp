// Running a Unix program for a Windows process under Wine, which can start
// a Unix program but gets neither its handle nor its output. The program's
// output goes to a file the caller reads as it grows; its pid and finally
// its exit status go to files that appear complete (written beside, then
// renamed), so the status file's appearance is the end of the run.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "pdftool.h"

extern char** environ;

namespace dv::pdftool {

std::string temporaryBeside(const std::string& path) {
  static std::atomic<int> counter{0};
  const std::filesystem::path p(path);
  const std::string name =
      "." + p.filename().string() + ".dvtmp-" + std::to_string(getpid()) + "-" + std::to_string(counter++);
  return (p.parent_path() / name).string();
}

void writeFileAtomically(const std::string& path, const std::string& data) {
  const std::string temporary = temporaryBeside(path);
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out << data;
    out.close();
    if (!out) {
      std::remove(temporary.c_str());
      refuse("cannot write " + path);
    }
  }
  if (std::rename(temporary.c_str(), path.c_str()) != 0) {
    std::remove(temporary.c_str());
    refuse("cannot replace " + path);
  }
}

namespace {

// Waits for the child until the deadline; false when it is still running.
bool waitUntil(pid_t pid, std::chrono::steady_clock::time_point deadline, int& status) {
  // A pidfd makes the end visible at once, without polling.
  const int fd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
  for (;;) {
    const pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) break;
    if (done < 0 && errno != EINTR) {
      status = 0;
      break;
    }
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      if (fd >= 0) close(fd);
      return false;
    }
    if (fd >= 0) {
      pollfd p{fd, POLLIN, 0};
      poll(&p, 1, static_cast<int>(std::min<long long>(left.count(), 1000)));
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }
  if (fd >= 0) close(fd);
  return true;
}

}  // namespace

int runProgram(const std::vector<std::string>& argv, const std::string& outputFile, const std::string& statusFile,
               const std::string& pidFile, long long timeoutMs) {
  if (timeoutMs <= 0) refuse("run: --timeout-ms must be positive");
  // A program started from Wine may come without a usable PATH.
  const char* path = std::getenv("PATH");
  if (!path || !*path) setenv("PATH", "/usr/local/bin:/usr/bin:/bin", 1);

  const int out = open(outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (out < 0) refuse("run: cannot write " + outputFile);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out, 1);
  posix_spawn_file_actions_adddup2(&actions, out, 2);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  // Its own process group, so that ending it ends whatever it started.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
  posix_spawnattr_setpgroup(&attributes, 0);
  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t pid = 0;
  const int rc = posix_spawnp(&pid, args[0], &actions, &attributes, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  close(out);
  if (rc != 0) {
    // As a shell reports a program it cannot find.
    writeFileAtomically(statusFile, "127");
    return 0;
  }
  writeFileAtomically(pidFile, std::to_string(pid));

  int status = 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  if (!waitUntil(pid, deadline, status)) {
    kill(-pid, SIGKILL);
    kill(pid, SIGKILL);
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    writeFileAtomically(statusFile, "timeout");
    return 0;
  }
  const int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  writeFileAtomically(statusFile, std::to_string(code));
  return 0;
}

}  // namespace dv::pdftool
