// The single-byte Windows code pages the portable side can convert itself:
// 1252 (Western) and 1251 (Cyrillic), plus 65001 (UTF-8, unchanged). The
// Win32 host asks Windows instead; the fakes and tools use these.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace dv::codepage {

inline constexpr uint32_t kWestern = 1252;
inline constexpr uint32_t kCyrillic = 1251;
inline constexpr uint32_t kUtf8 = 65001;

bool known(uint32_t codePage);
// Bytes of the code page as UTF-8. Bytes the code page leaves undefined
// become the control character of the same value, as Windows maps them.
std::string decode(uint32_t codePage, std::string_view bytes);
// UTF-8 as bytes of the code page; nullopt when a character has no byte
// there (or the text is not UTF-8).
std::optional<std::string> encode(uint32_t codePage, std::string_view text);

}  // namespace dv::codepage
