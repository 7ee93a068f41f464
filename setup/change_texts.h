// The change texts of the track log list and the message texts with numbers in them.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace kalvire::setup {

// `pattern` with each "%d" replaced by the next number, in order.
std::string FormatNumbers(std::string_view pattern, std::initializer_list<int64_t> numbers);

// "    Access Level is changed from default option :B to option:N", both upper-case hex.
std::string AccessChangeText(uint8_t baseline_level, uint32_t new_level);

// "    Optimal option is Changed from Default Option :B to option :N", each the signed decimal
// of its low 32 bits.
std::string OptimalChangeText(uint64_t baseline_value, uint64_t new_value);

// "    String is changed to \"NEW \" from \" OLD \"".
std::string StringChangeText(std::string_view current_text, std::string_view baseline_text);

// The signed decimal of a value's low 32 bits, as the option lists and the texts show values.
std::string SignedLow32(uint64_t value);

}  // namespace kalvire::setup
