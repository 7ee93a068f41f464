// Offsets and sizes as the command-line tool prints them: "0x" and upper-case hexadecimal.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace kalvire::cli {

inline std::string HexText(uint64_t value) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%llX", static_cast<unsigned long long>(value));
  return text;
}

}  // namespace kalvire::cli
