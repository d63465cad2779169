// UTF-8 / UTF-16 / ANSI conversions. Embedded NULs are kept (the lengths
// are passed explicitly), which REG_MULTI_SZ data needs.
#include "dv/win32/text.h"

#include <windows.h>

namespace dv::win32 {

std::wstring widen(std::string_view text, unsigned codePage) {
  if (text.empty()) return std::wstring();
  const int n = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
  return out;
}

std::string narrow(std::wstring_view text, unsigned codePage) {
  if (text.empty()) return std::string();
  const int n =
      WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
  return out;
}

std::string toAnsi(std::string_view utf8) { return narrow(widen(utf8, kCodePageUtf8), kCodePageAnsi); }
std::string fromAnsi(std::string_view ansi) { return narrow(widen(ansi, kCodePageAnsi), kCodePageUtf8); }

}  // namespace dv::win32
