// The command lines of dv-pdftool and dv-launch: --name=value options,
// positional words, and after "--" the words of a program to run.
#pragma once

#include <cerrno>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "pdftool.h"

namespace dv::pdftool {

struct Arguments {
  std::string command;  // names the caller in messages
  std::map<std::string, std::string> options;
  std::vector<std::string> positional;
  std::vector<std::string> rest;

  bool has(const std::string& name) const { return options.count(name) != 0; }
  std::string option(const std::string& name, const std::string& fallback = {}) const {
    auto it = options.find(name);
    return it == options.end() ? fallback : it->second;
  }
  std::string required(const std::string& name) const {
    if (!has(name)) refuse(command + ": --" + name + "= is missing");
    return option(name);
  }
  const std::string& file() const {
    if (positional.size() != 1) refuse(command + ": exactly one file is expected");
    return positional.front();
  }
  long long number(const std::string& name, long long fallback) const {
    if (!has(name)) return fallback;
    const std::string text = option(name);
    char* end = nullptr;
    errno = 0;
    const long long n = std::strtoll(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno != 0) refuse(command + ": --" + name + " must be a number");
    return n;
  }
};

// Reads argv[first..argc).
inline Arguments parseArguments(int argc, char** argv, int first, const std::string& command) {
  Arguments a;
  a.command = command;
  for (int i = first; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--") {
      a.rest.assign(argv + i + 1, argv + argc);
      break;
    }
    if (arg.rfind("--", 0) == 0) {
      const size_t eq = arg.find('=');
      if (eq == std::string::npos) refuse(command + ": option " + arg + " needs a value (--name=value)");
      a.options[arg.substr(2, eq - 2)] = arg.substr(eq + 1);
    } else {
      a.positional.push_back(arg);
    }
  }
  return a;
}

}  // namespace dv::pdftool
