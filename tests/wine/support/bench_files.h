// Small helpers the Wine test programs share: the bench's environment
// variables and whole-file reads (journals, logs, outputs).
#pragma once

#include <string>

namespace dv::winetest {

// The variable's value, or an empty string when it is unset or longer than
// a Windows path plausibly is.
std::string env(const char* name);

// The whole file as bytes; empty when it cannot be read.
std::string slurp(const std::string& path);

// True when a file or folder of that name exists.
bool exists(const std::string& path);

}  // namespace dv::winetest
