// Helpers shared by the Wine tests of Docvane.dll.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <cstdlib>
#include <string>

#include "dv/win32/com.h"
#include "dv/win32/text.h"

namespace dvtest {

using dv::win32::ComPtr;

// Docvane.dll of the build under test (the bench passes its folder).
inline std::wstring docvanePath() {
  const char* build = std::getenv("DV_BUILD_DIR");
  std::string path = std::string(build ? build : ".") + "\\library\\com\\Docvane.dll";
  return dv::win32::widen(path);
}

inline std::string utf8(BSTR text) { return dv::win32::fromBstr(text); }
inline std::string utf8(const wchar_t* text) { return dv::win32::narrow(text ? text : L""); }

}  // namespace dvtest
