// The JSON form of a diff, which `diff --json` prints and `edit --apply` reads back as the
// changes to carry to another image.
#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "editor/image_diff.h"

namespace kalvire::cli {

nlohmann::ordered_json DiffToJson(const editor::ImageDiff& diff, const std::string& a,
                                  const std::string& b);

// The diff `json` holds; nullopt with the reason in `error` when it is not one.
std::optional<editor::ImageDiff> DiffFromJson(const nlohmann::json& json, std::string& error);

}  // namespace kalvire::cli
