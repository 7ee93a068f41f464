// Node numbers on the command line are hexadecimal, as the track log prints them ("Node No: %x").
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "util/hex_text.h"

namespace kalvire::cli {

// "1a", "1A" and "0x1a" all give 26; empty for anything else or a value past 32 bits.
inline std::optional<uint32_t> ParseNodeNumber(std::string text) {
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) text.erase(0, 2);
  if (text.empty() || text.size() > 8) return std::nullopt;
  uint32_t value = 0;
  for (char c : text) {
    int digit;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if ((c | 0x20) >= 'a' && (c | 0x20) <= 'f') {
      digit = (c | 0x20) - 'a' + 10;
    } else {
      return std::nullopt;
    }
    value = value << 4 | uint32_t(digit);
  }
  return value;
}

// The track log's form of a node number (also of DMI structure and string indexes): "1a".
inline std::string FormatNodeNumber(uint32_t value) {
  return util::BareHexText(value);
}

}  // namespace kalvire::cli
