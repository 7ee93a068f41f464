#include "setup/change_texts.h"

#include <cstdio>

#include "setup/messages.h"

namespace kalvire::setup {

std::string FormatNumbers(std::string_view pattern, std::initializer_list<int64_t> numbers) {
  std::string text;
  auto next = numbers.begin();
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == '%' && i + 1 < pattern.size() && pattern[i + 1] == 'd' &&
        next != numbers.end()) {
      text += std::to_string(*next++);
      ++i;
    } else {
      text += pattern[i];
    }
  }
  return text;
}

std::string AccessChangeText(uint8_t baseline_level, uint32_t new_level) {
  char numbers[2][12];
  std::snprintf(numbers[0], sizeof numbers[0], "%X", unsigned(baseline_level));
  std::snprintf(numbers[1], sizeof numbers[1], "%X", unsigned(new_level));
  return std::string(kLogAccessChangedFrom) + numbers[0] + kLogAccessChangedTo + numbers[1];
}

std::string SignedLow32(uint64_t value) {
  return std::to_string(int32_t(uint32_t(value)));
}

std::string OptimalChangeText(uint64_t baseline_value, uint64_t new_value) {
  return std::string(kLogOptimalChangedFrom) + SignedLow32(baseline_value) + kLogOptimalChangedTo +
         SignedLow32(new_value);
}

std::string StringChangeText(std::string_view current_text, std::string_view baseline_text) {
  std::string text(kLogStringChangedTo);
  text += current_text;
  text += kLogStringChangedFrom;
  text += baseline_text;
  text += kLogStringChangedEnd;
  return text;
}

}  // namespace kalvire::setup
