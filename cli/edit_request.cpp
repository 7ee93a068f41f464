#include "cli/edit_request.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <iterator>

#include "cli/node_number.h"
#include "setup/messages.h"

namespace kalvire::cli {

namespace {

// "N=REST" with a node number as the track log prints it.
std::optional<Edit> ParseNodeEdit(EditKind kind, const std::string& value) {
  Edit edit{kind, 0, 0, {}, {}};
  const size_t equals = value.find('=');
  const bool needs_value = kind != EditKind::kHide && kind != EditKind::kShow;
  const auto node = ParseNodeNumber(needs_value ? value.substr(0, equals) : value);
  if (!node || (needs_value && equals == std::string::npos)) return std::nullopt;
  edit.node = *node;
  if (!needs_value) return edit;
  edit.text = value.substr(equals + 1);
  if (kind == EditKind::kAccess) {
    const auto level = ParseAccessLevel(edit.text);
    if (!level) return std::nullopt;
    edit.number = *level;
  } else if (kind == EditKind::kDefault && edit.text.empty()) {
    return std::nullopt;
  }
  return edit;
}

// "I:J=TEXT": structure and string index in hexadecimal, as the track log prints them.
std::optional<Edit> ParseDmiEdit(const std::string& value) {
  const size_t colon = value.find(':');
  const size_t equals = value.find('=');
  if (colon == std::string::npos || equals == std::string::npos || equals < colon) {
    return std::nullopt;
  }
  const auto structure = ParseNodeNumber(value.substr(0, colon));
  const auto index = ParseNodeNumber(value.substr(colon + 1, equals - colon - 1));
  if (!structure || !index) return std::nullopt;
  return Edit{EditKind::kDmi, *structure, *index, value.substr(equals + 1), {}};
}

}  // namespace

bool SameTextIgnoringCase(std::string_view a, std::string_view b) {
  const auto lower = [](char c) { return char(std::tolower(static_cast<unsigned char>(c))); };
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [&](char x, char y) { return lower(x) == lower(y); });
}

std::optional<uint32_t> ParseNumber(const std::string& text) {
  // strtoull would also take blanks, a sign and a negative number wrapped around.
  if (text.empty() || !std::isdigit(static_cast<unsigned char>(text[0]))) return std::nullopt;
  char* end = nullptr;
  const unsigned long long value = std::strtoull(text.c_str(), &end, 0);
  if (*end != '\0' || value > UINT32_MAX) return std::nullopt;
  return uint32_t(value);
}

std::optional<uint32_t> ParseAccessLevel(const std::string& text) {
  for (uint32_t level = 0; level < std::size(setup::kAccessLevelNames); ++level) {
    if (SameTextIgnoringCase(text, setup::kAccessLevelNames[level])) return level;
  }
  const auto number = ParseNumber(text);
  if (number && *number < std::size(setup::kAccessLevelNames)) return number;
  return std::nullopt;
}

std::optional<Edit> ParseEdit(EditKind kind, const std::string& option, const std::string& value) {
  std::optional<Edit> edit;
  if (kind == EditKind::kDmi) {
    edit = ParseDmiEdit(value);
  } else if (kind == EditKind::kImport) {
    if (!value.empty()) edit = Edit{kind, 0, 0, value, {}};
  } else {
    edit = ParseNodeEdit(kind, value);
  }
  if (edit) edit->argument = option + " " + value;
  return edit;
}

}  // namespace kalvire::cli
