// SHA-256 digests of byte spans, for telling whether two modules hold the same bytes.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace kalvire::util {

// The SHA-256 digest of `data` as 64 lower-case hexadecimal digits.
std::string Sha256Hex(std::span<const uint8_t> data);

}  // namespace kalvire::util
