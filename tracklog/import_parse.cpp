#include "tracklog/import_parse.h"

#include <algorithm>
#include <limits>

namespace kalvire::tracklog {

namespace {

bool IsCSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

int DigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'z') return c - 'a' + 10;
  if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
  return 99;
}

}  // namespace

std::optional<KeywordMatch> MatchLineKeyword(std::string_view line) {
  for (const LineKeyword& entry : kLineKeywords) {
    const size_t at = line.find(entry.keyword);
    if (at == std::string_view::npos) continue;
    KeywordMatch match;
    match.keyword = &entry;
    match.found = line.substr(at);
    const size_t skip = std::min(entry.value_prefix.size(), match.found.size());
    match.value = match.found.substr(skip);
    return match;
  }
  return std::nullopt;
}

int32_t StringToLong(std::string_view text, int base) {
  size_t i = 0;
  while (i < text.size() && IsCSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (base == 16 && i + 2 < text.size() && text[i] == '0' &&
      (text[i + 1] == 'x' || text[i + 1] == 'X') && DigitValue(text[i + 2]) < 16) {
    i += 2;
  }
  // The magnitude is kept up to one past the largest negative value, which saturates both ways.
  constexpr uint64_t kLimit = uint64_t(std::numeric_limits<int32_t>::max()) + 1;
  uint64_t magnitude = 0;
  for (; i < text.size() && DigitValue(text[i]) < base; ++i) {
    magnitude = std::min(kLimit + 1, magnitude * uint64_t(base) + uint64_t(DigitValue(text[i])));
  }
  if (negative) {
    return magnitude >= kLimit ? std::numeric_limits<int32_t>::min() : -int32_t(magnitude);
  }
  return magnitude >= kLimit ? std::numeric_limits<int32_t>::max() : int32_t(magnitude);
}

}  // namespace kalvire::tracklog
