// The edits of `kalvire-cli edit` as given on the command line, before they meet an image.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kalvire::cli {

enum class EditKind { kHide, kShow, kAccess, kDefault, kString, kDeleteOption, kDmi, kImport };

struct Edit {
  EditKind kind = EditKind::kHide;
  uint32_t node = 0;     // or the DMI structure
  uint32_t number = 0;   // access level, default value or DMI string index
  std::string text;      // default value or option name, string, option to delete, DMI text, log
  std::string argument;  // the option and its value as given, for messages: "--hide 5"
};

// Whether the two texts are the same but for the case of ASCII letters.
bool SameTextIgnoringCase(std::string_view a, std::string_view b);

// A number as C reads one ("7", "0x10"); empty for anything else or a value past 32 bits.
std::optional<uint32_t> ParseNumber(const std::string& text);

// An access level by the name the access-level combo shows (any case), or by its number 0-3.
std::optional<uint32_t> ParseAccessLevel(const std::string& text);

// The value of one edit option: "N" for --hide and --show, "N=VALUE" for the other node edits
// (N hexadecimal, as the track log prints it), "I:J=TEXT" for --dmi, a path for --import.
// Empty when it does not have that form.
std::optional<Edit> ParseEdit(EditKind kind, const std::string& option, const std::string& value);

}  // namespace kalvire::cli
