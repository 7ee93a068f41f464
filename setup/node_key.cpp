#include "setup/node_key.h"

#include <cstdio>
#include <map>
#include <numeric>
#include <tuple>
#include <unordered_map>

#include "setup/ifr_layout.h"
#include "util/hex_text.h"

namespace kalvire::setup {

namespace {

std::string Hex4(uint16_t value) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%04X", value);
  return text;
}

}  // namespace

bool KeyedByQuestion(const NodeInfo& node) {
  return node.question_id && *node.question_id != 0 && node.opcode != kOpRef &&
         !node.formset_guid.empty();
}

std::vector<std::string> NodeKeys(std::span<const NodeInfo> nodes) {
  std::vector<std::string> keys;
  keys.reserve(nodes.size());
  // (form, kind, prompt) -> how many such nodes came before.
  std::map<std::tuple<std::string, uint8_t, std::string>, uint32_t> places;
  for (const NodeInfo& node : nodes) {
    if (node.formset_guid.empty()) {
      char text[24];
      std::snprintf(text, sizeof text, "node %x", node.node);
      keys.emplace_back(text);
    } else if (node.opcode == kOpForm && node.form_id) {
      keys.push_back("form " + node.formset_guid + " " + Hex4(*node.form_id));
    } else if (KeyedByQuestion(node)) {
      keys.push_back("question " + node.formset_guid + " " + Hex4(*node.question_id));
    } else {
      const std::string form =
          node.formset_guid + " form " + (node.form_id ? Hex4(*node.form_id) : "none");
      const uint32_t place = places[{form, node.opcode, node.prompt}]++;
      keys.push_back(node.kind + " " + form + " \"" + node.prompt + "\" " + std::to_string(place));
    }
  }
  std::unordered_map<std::string, uint32_t> seen;
  for (std::string& key : keys) {
    const uint32_t times = ++seen[key];
    if (times > 1) key += " #" + std::to_string(times);
  }
  return keys;
}

std::string NodeStorage(const NodeInfo& node) {
  if (!node.varstore_offset) return {};
  return (node.varstore_name.empty() ? "VarStore " + util::HexText(node.varstore_id.value_or(0))
                                     : node.varstore_name) +
         "[" + util::HexText(*node.varstore_offset) + "]";
}

KeyedNodes DescribeAllNodes(SetupContext editor) {
  std::vector<uint32_t> numbers(editor.setup.node_count);
  std::iota(numbers.begin(), numbers.end(), 0u);
  KeyedNodes keyed;
  keyed.nodes = DescribeNodes(editor, numbers);
  for (NodeInfo& node : keyed.nodes)
    std::erase_if(node.options, [](const NodeOption& option) { return option.deleted; });
  keyed.keys = NodeKeys(keyed.nodes);
  return keyed;
}

}  // namespace kalvire::setup
