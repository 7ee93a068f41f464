// The main window's title while an image is open: "<base title> - [<file name or wait text>]".
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/prompter.h"

namespace kalvire::platform {

inline constexpr char kTitleOpen[] = " - [";
inline constexpr char kTitleClose[] = "]";

// "<base> - [<inner>]".
std::string TitleWith(std::string_view base, std::string_view inner);
// What TitleWith put between the brackets of `title`, when `title` is one it made from `base`.
std::optional<std::string> TitleInner(std::string_view title, std::string_view base);
// Sets the window title; nothing without a prompter.
void SetTitle(Prompter* prompter, const std::string& title);

}  // namespace kalvire::platform
