#include "dmi/latin1.h"

#include <cstdint>

namespace kalvire::dmi {

std::string Latin1ToUtf8(std::string_view bytes) {
  std::string text;
  text.reserve(bytes.size());
  for (const char c : bytes) {
    const auto b = uint8_t(c);
    if (b < 0x80) {
      text.push_back(c);
    } else {
      text.push_back(char(0xC0 | (b >> 6)));
      text.push_back(char(0x80 | (b & 0x3F)));
    }
  }
  return text;
}

std::optional<std::string> Utf8ToLatin1(std::string_view text) {
  std::string bytes;
  bytes.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const auto lead = uint8_t(text[i]);
    if (lead == 0) return std::nullopt;
    if (lead < 0x80) {
      bytes.push_back(char(lead));
      continue;
    }
    // Only the two-byte forms of U+0080 to U+00FF (lead bytes C2 and C3) are Latin-1; C0 and
    // C1 would be overlong forms of ASCII, and anything longer lies above U+00FF.
    if (lead != 0xC2 && lead != 0xC3) return std::nullopt;
    if (i + 1 >= text.size()) return std::nullopt;
    const auto next = uint8_t(text[i + 1]);
    if ((next & 0xC0) != 0x80) return std::nullopt;
    bytes.push_back(char(((lead & 0x1F) << 6) | (next & 0x3F)));
    ++i;
  }
  return bytes;
}

}  // namespace kalvire::dmi
