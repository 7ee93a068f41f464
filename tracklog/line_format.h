// printf-like filling of the message and track log patterns, without printf's buffer sizes:
// the texts filled in (item texts, DMI strings, lines of a `.log`) have no length limit.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>

namespace kalvire::tracklog {

using FormatArg = std::variant<std::string_view, int64_t>;

// Replaces, in order, each "%s" by a text, "%d" by a signed decimal, "%x" and "%X" by
// hexadecimal in lower and upper case (of the number as unsigned 64 bits). A directive whose
// argument is missing or of the other kind is left out; any other '%' is copied.
std::string FormatText(std::string_view pattern, std::initializer_list<FormatArg> args);

}  // namespace kalvire::tracklog
