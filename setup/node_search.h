// Finding setup nodes by what they show or store: prompt, help, option names, node number,
// question id and VarStore offset.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "setup/setup_context.h"

namespace kalvire::setup {

class NodeSearchIndex {
 public:
  // An empty index (Find finds nothing).
  NodeSearchIndex() = default;
  // Reads the searchable texts of every node of the open image in one walk over its forms
  // packages. Malformed data ends the walk; nodes past that point keep their prompt and number.
  explicit NodeSearchIndex(SetupContext editor);

  // The nodes one of whose texts holds `text` (Latin-1, as the tree holds texts), ignoring case,
  // in ascending node order. An empty `text` finds nothing.
  std::vector<uint32_t> Find(std::string_view text) const;

  uint32_t node_count() const { return uint32_t(m_starts.size()); }

 private:
  // The texts of all nodes, lower case, each text ended by '\n'; node n's texts start at
  // m_starts[n] and end where node n + 1's start.
  std::string m_texts;
  std::vector<uint32_t> m_starts;
};

// The titles of the forms above `node` in the setup tree, outermost first, joined with " > ";
// empty for a node directly under "BIOS" or a number past the node count.
std::string NodePath(SetupContext editor, uint32_t node);

}  // namespace kalvire::setup
