#include "setup/optimal_value.h"

#include <algorithm>

#include "setup/ifr_layout.h"

namespace kalvire::setup {

std::optional<std::string> RefuseOptimalValue(const NodeInfo& node, uint64_t value) {
  switch (node.opcode) {
    case kOpOneOf: {
      const bool known = std::any_of(
          node.options.begin(), node.options.end(),
          [&](const NodeOption& option) { return !option.deleted && option.value == value; });
      if (known) return std::nullopt;
      std::string values;
      for (const NodeOption& option : node.options)
        if (!option.deleted) values += (values.empty() ? "" : ", ") + std::to_string(option.value);
      return "has no option of value " + std::to_string(value) + " (" + values + ")";
    }
    case kOpCheckbox:
      if (value <= 1) return std::nullopt;
      return "is a check box: its default is 0 or 1";
    case kOpNumeric:
      if (node.minimum && node.maximum && value >= *node.minimum && value <= *node.maximum)
        return std::nullopt;
      return "is a numeric question: its default is a number from " +
             std::to_string(node.minimum.value_or(0)) + " to " +
             std::to_string(node.maximum.value_or(0));
    default:
      return "is not a one-of, check box or numeric question";
  }
}

}  // namespace kalvire::setup
