// The strings of the DMI table are single bytes; the dialogs and JSON speak UTF-8. Each byte
// is taken as the Latin-1 character of the same number, so any string survives the way there
// and back unchanged.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kalvire::dmi {

// Every byte as the UTF-8 form of the Latin-1 character it stands for.
std::string Latin1ToUtf8(std::string_view bytes);

// The Latin-1 bytes of UTF-8 text; nullopt when the text is not valid UTF-8 or holds a
// character above U+00FF or U+0000 (which would end a string inside its string set).
std::optional<std::string> Utf8ToLatin1(std::string_view text);

}  // namespace kalvire::dmi
