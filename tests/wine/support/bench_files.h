// Small helpers the Wine test programs share: the bench's environment
// variables, whole-file reads (journals, logs, outputs) and script clients
// run under cscript.
#pragma once

#include <string>
#include <vector>

namespace dv::winetest {

// The variable's value, or an empty string when it is unset or longer than
// a Windows path plausibly is.
std::string env(const char* name);

// The whole file as bytes; empty when it cannot be read.
std::string slurp(const std::string& path);

// True when a file or folder of that name exists.
bool exists(const std::string& path);

// A script client's run: whether cscript started and ended within its
// bound, and what it printed.
struct ScriptRun {
  bool started = false, finished = false;
  std::string output;
  // The output, or why it is not all there: for a test's failure message.
  std::string describe() const;
};

// Runs `cscript //nologo "<script>" "<argument>"...` with its output and
// errors going to `outFile`; a script still running after `boundMs` is
// ended.
ScriptRun runScript(const std::string& script, const std::vector<std::string>& arguments, const std::string& outFile,
                    unsigned long boundMs);

// Copies the build's dlgrelay.exe into the system folder, where the library
// looks for it first. Returns an empty string, or what went wrong.
std::string installRelay();

// The script of that name in tests\wine\clients of the source tree.
std::string clientScript(const std::string& name);

}  // namespace dv::winetest
