#include "tracklog/line_format.h"

#include <charconv>

namespace kalvire::tracklog {

namespace {

void AppendNumber(std::string& out, char directive, int64_t number) {
  char digits[24];
  std::to_chars_result result;
  if (directive == 'd') {
    result = std::to_chars(digits, digits + sizeof digits, number);
  } else {
    result = std::to_chars(digits, digits + sizeof digits, uint64_t(number), 16);
    if (directive == 'X') {
      for (char* c = digits; c != result.ptr; ++c) {
        if (*c >= 'a' && *c <= 'f') *c = char(*c - 'a' + 'A');
      }
    }
  }
  out.append(digits, result.ptr);
}

}  // namespace

std::string FormatText(std::string_view pattern, std::initializer_list<FormatArg> args) {
  std::string out;
  out.reserve(pattern.size());
  auto next = args.begin();
  for (size_t i = 0; i < pattern.size(); ++i) {
    const char c = pattern[i];
    const char directive = i + 1 < pattern.size() ? pattern[i + 1] : '\0';
    const bool known = directive == 's' || directive == 'd' || directive == 'x' || directive == 'X';
    if (c != '%' || !known) {
      out.push_back(c);
      continue;
    }
    ++i;
    if (next == args.end()) continue;
    const FormatArg& arg = *next++;
    if (directive == 's') {
      if (const auto* text = std::get_if<std::string_view>(&arg)) out.append(*text);
    } else if (const auto* number = std::get_if<int64_t>(&arg)) {
      AppendNumber(out, directive, *number);
    }
  }
  return out;
}

}  // namespace kalvire::tracklog
