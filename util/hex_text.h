// Offsets and sizes as messages and the command-line tool print them: "0x" and upper-case
// hexadecimal; node numbers and DMI indexes as the track log writes them: lower case, bare.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace kalvire::util {

inline std::string HexText(uint64_t value) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%llX", static_cast<unsigned long long>(value));
  return text;
}

inline std::string BareHexText(uint64_t value) {
  char text[24];
  std::snprintf(text, sizeof text, "%llx", static_cast<unsigned long long>(value));
  return text;
}

}  // namespace kalvire::util
