// Reading the lines of a `.log` file: which kind of track log line each is, and the numbers in
// it.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace kalvire::tracklog {

// The line kinds, in the order in which their keywords are looked for.
enum class LineKind : uint8_t {
  kNodeHeader = 0,
  kVisibility = 1,
  kAccessLevel = 2,
  kOptimal = 3,
  kNodeText = 4,
  kDeletedOption = 5,
  kDmiHeader = 6,
  kDmiString = 7,
};

struct LineKeyword {
  LineKind kind;
  std::string_view keyword;       // identifies the line wherever it occurs
  std::string_view value_prefix;  // its length is skipped (not compared) to reach the value
  std::string_view delimiter;     // ends or introduces the part of the value that is used
};

inline constexpr std::array<LineKeyword, 8> kLineKeywords = {{
    {LineKind::kNodeHeader, "Node No: ", "Node No: ", "String: "},
    {LineKind::kVisibility, "Visibility", "Visibility changed to ", "Hide"},
    {LineKind::kAccessLevel, "Access Level", "", ":"},
    {LineKind::kOptimal, "Optimal", "", ":"},
    {LineKind::kNodeText, "BIOS String", "BIOS String is changed to \"", "\""},
    {LineKind::kDeletedOption, "Option", "Option \"", ""},
    {LineKind::kDmiHeader, "Node:", "", "["},
    {LineKind::kDmiString, "DMI String", "DMI String is changed  to \"", "\""},
}};

struct KeywordMatch {
  const LineKeyword* keyword = nullptr;
  std::string_view found;  // the line from the keyword's first occurrence to its end
  std::string_view value;  // `found` without as many characters as the value prefix has
};

// The first kind, in table order, whose keyword occurs anywhere in `line`; nullopt for none.
// A line shorter than the prefix behind its keyword has an empty value.
std::optional<KeywordMatch> MatchLineKeyword(std::string_view line);

// The number at the start of `text` as the C library's strtol reads it with a 32-bit long:
// leading white space skipped, an optional sign, for base 16 an optional "0x", then the digits
// of `base` as far as they go (none: 0); out of range saturates to the 32-bit limits.
int32_t StringToLong(std::string_view text, int base);

}  // namespace kalvire::tracklog
