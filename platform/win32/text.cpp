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

std::optional<std::string> toAnsiExactly(std::string_view utf8) {
  if (utf8.empty()) return std::string();
  // A UTF-8 system code page represents everything (and refuses the
  // default-character flag).
  if (GetACP() == kCodePageUtf8) return std::string(utf8);
  const std::wstring wide = widen(utf8, kCodePageUtf8);
  const int length = static_cast<int>(wide.size());
  BOOL usedDefault = FALSE;
  const int n =
      WideCharToMultiByte(kCodePageAnsi, WC_NO_BEST_FIT_CHARS, wide.data(), length, nullptr, 0, nullptr, &usedDefault);
  if (n <= 0 || usedDefault) return std::nullopt;
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(kCodePageAnsi, WC_NO_BEST_FIT_CHARS, wide.data(), length, out.data(), n, nullptr, &usedDefault);
  if (usedDefault) return std::nullopt;
  return out;
}

}  // namespace dv::win32
