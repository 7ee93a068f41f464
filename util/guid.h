// GUIDs as the 16 bytes stored in firmware (the first three fields little-endian), written in
// registry form in the source so that they can be checked against the standards by eye. Shared
// by the editor and the image builder, which keep their own lists of GUIDs.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace kalvire::util {

using Guid = std::array<uint8_t, 16>;

namespace detail {
constexpr uint8_t HexNibble(char c) {
  return uint8_t(c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10);
}
constexpr uint8_t HexByte(std::string_view text, size_t at) {
  return uint8_t(HexNibble(text[at]) << 4 | HexNibble(text[at + 1]));
}
}  // namespace detail

// "8C8CE578-8A3D-4F1C-9935-896185C32DD3" -> stored bytes 78 E5 8C 8C 3D 8A 1C 4F 99 35 ...
constexpr Guid GuidFromText(std::string_view text) {
  constexpr size_t kTextPositions[16] = {6, 4, 2, 0, 11, 9, 16, 14, 19, 21, 24, 26, 28, 30, 32, 34};
  Guid guid{};
  for (size_t i = 0; i < 16; ++i) guid[i] = detail::HexByte(text, kTextPositions[i]);
  return guid;
}

}  // namespace kalvire::util
