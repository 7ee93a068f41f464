#include "setup/setup_model.h"

#include <algorithm>

namespace kalvire::setup {

SetupModel::SetupModel()
    : nodes(kNodeCapacity),
      node_items(kNodeCapacity, platform::kNoItem),
      node_states(kNodeCapacity),
      var_stores(kVarStoreCapacity) {}

void SetupModel::Clear() {
  std::fill(nodes.begin(), nodes.end(), NodeRecord{});
  std::fill(node_items.begin(), node_items.end(), platform::kNoItem);
  std::fill(node_states.begin(), node_states.end(), NodeState{});
  node_count = 0;
  std::fill(var_stores.begin(), var_stores.end(), VarStoreRecord{});
  var_store_count = 0;
  current_value_width = kNoValueWidth;
  root_item = platform::kNoItem;
}

}  // namespace kalvire::setup
