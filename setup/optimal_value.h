// Which values a question takes as its optimal default.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "setup/node_info.h"

namespace kalvire::setup {

// Nullopt when `value` is one the question takes: the value of one of a ONE_OF's options, 0 or
// 1 for a CHECKBOX, a number within a NUMERIC's range. Otherwise why not, as a phrase after the
// node: "is a check box: its default is 0 or 1", "has no option of value 7 (0, 1, 2)".
std::optional<std::string> RefuseOptimalValue(const NodeInfo& node, uint64_t value);

}  // namespace kalvire::setup
