// What the Wine benches share: the median of their rounds, a word quoted
// for the shell of their scripts, and their entry (arguments checked,
// errors printed).
#pragma once

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "dv/win32/automation.h"

namespace dv::bench {

inline double median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

inline std::string shellWord(const std::string& s) {
  std::string out = "'";
  for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

// argv: <work folder> [rounds]; run(folder, rounds) returns the exit code.
template <typename Run>
int benchMain(const char* name, int defaultRounds, int argc, char** argv, Run run) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s <work folder> [rounds]\n", name);
    return 2;
  }
  const int rounds = argc > 2 ? std::atoi(argv[2]) : defaultRounds;
  if (rounds < 1 || rounds > 100) {
    std::fprintf(stderr, "%s: rounds must be between 1 and 100\n", name);
    return 2;
  }
  try {
    return run(argv[1], rounds);
  } catch (const dv::AutomationError& e) {
    std::fprintf(stderr, "%s: %s (0x%08X)\n", name, e.description().c_str(), static_cast<unsigned>(e.number()));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s: %s\n", name, e.what());
  }
  return 1;
}

}  // namespace dv::bench
