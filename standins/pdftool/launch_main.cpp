// dv-launch: how the stand-ins under Wine start a Unix program
// (standins/win32/wine_tools.cpp). Kept apart from dv-pdftool so that a
// start loads no PDF libraries.
//
//   dv-launch --output=FILE --status=FILE --pid=FILE --timeout-ms=N -- PROGRAM [ARG...]
//   dv-launch --kill=PID      ends a program it started (and what that started)
#include <signal.h>

#include <iostream>

#include "arguments.h"
#include "pdftool.h"

int main(int argc, char** argv) {
  using namespace dv::pdftool;
  try {
    const Arguments a = parseArguments(argc, argv, 1, "dv-launch");
    if (a.has("kill")) {
      const long long pid = a.number("kill", 0);
      if (pid <= 1) refuse("dv-launch: not a pid: " + a.option("kill"));
      kill(static_cast<pid_t>(-pid), SIGKILL);
      kill(static_cast<pid_t>(pid), SIGKILL);
      return 0;
    }
    if (a.rest.empty()) refuse("dv-launch: no program after --");
    return runProgram(a.rest, a.required("output"), a.required("status"), a.required("pid"),
                      a.number("timeout-ms", 60000));
  } catch (const std::exception& e) {
    // Its starter reads only the files; this is for a person at a terminal.
    std::cerr << e.what() << "\n";
    return 1;
  }
}
