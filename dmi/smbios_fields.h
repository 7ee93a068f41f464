// The string fields of the SMBIOS structure types: which byte of a formatted area holds the
// number of which string, and the name the SMBIOS standard gives that field.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace kalvire::dmi {

// The label of string `number` (from 1) of the structure whose whole formatted area, header
// included, is `formatted`: the names of the string fields that hold `number`, joined with
// " / ", then ":". A field counts only when the formatted area reaches its byte. A string no
// field refers to (every string of a type without string fields, such as OEM Strings) is
// "String N:". Reads nothing outside `formatted`.
std::string DmiStringLabel(std::span<const uint8_t> formatted, size_t number);

}  // namespace kalvire::dmi
