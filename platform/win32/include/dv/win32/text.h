// Text at the Win32 boundary. The seams speak UTF-8; Windows speaks UTF-16
// (W functions, BSTR) or the ANSI code page (A functions).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace dv::win32 {

inline constexpr unsigned kCodePageAnsi = 0;      // CP_ACP
inline constexpr unsigned kCodePageUtf8 = 65001;  // CP_UTF8

std::wstring widen(std::string_view text, unsigned codePage = kCodePageUtf8);
std::string narrow(std::wstring_view text, unsigned codePage = kCodePageUtf8);
// UTF-8 <-> the ANSI code page, for the A functions. Characters the ANSI
// code page lacks become "?", as the A functions would show them.
std::string toAnsi(std::string_view utf8);
std::string fromAnsi(std::string_view ansi);
// UTF-8 in the ANSI code page without substitutes: nullopt when a
// character has no form there.
std::optional<std::string> toAnsiExactly(std::string_view utf8);

}  // namespace dv::win32
