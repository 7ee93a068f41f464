// The setup menu as the editor holds it: one node per form, subtitle, text, question and form
// reference of the Setup module's forms, the tree item of each, the state each had when the
// image was opened, and the variable stores the questions keep their values in.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/controls.h"

namespace kalvire::setup {

inline constexpr size_t kNodeCapacity = 12288;
inline constexpr size_t kVarStoreCapacity = 512;
// Parse working tables; they live only during one parse.
inline constexpr size_t kFormCapacity = 800;
inline constexpr size_t kRefTextCapacity = 400;  // REF prompt texts kept per form
inline constexpr size_t kFormIdListCapacity = 2048;
inline constexpr size_t kFormMapCapacity = 10000;
inline constexpr uint16_t kFormMapFirstId = 1024;  // the map covers FormIds 1024 to 11023

inline constexpr size_t kItemTextSize = 256;  // NUL included
inline constexpr size_t kFormSetTitleSize = 200;
inline constexpr size_t kVarStoreNameSize = 40;
inline constexpr size_t kDeletedOptionSlots = 8;

// Stands for the item selected in the setup tree wherever an operation takes a node number.
inline constexpr uint32_t kSelectedNode = 0xFFFF;
// Current value width of a node without a value.
inline constexpr int32_t kNoValueWidth = -1;

struct NodeRecord {
  platform::TreeItem item = platform::kNoItem;
  uint16_t page_number = 0;
  uint16_t control_index = 0;
  uint16_t string_id = 0;  // the form title of a FORM, the prompt of every other node
};

// The state a node had at Open and what has been changed since.
struct NodeState {
  uint8_t baseline_visibility = 0;  // 1 shown, 0 hidden
  uint8_t visibility_changed = 0;
  uint8_t baseline_access = 0;  // 0 to 3
  uint8_t access_changed = 0;
  uint64_t baseline_value = 0;
  uint64_t optimal_changed = 0;
  uint8_t option_deleted = 0;
  uint32_t deleted_option_count = 0;
  std::array<std::string, kDeletedOptionSlots> deleted_options;
  std::array<char, kItemTextSize> baseline_text{};
};

struct VarStoreRecord {
  std::array<char, kFormSetTitleSize> formset_title{};  // text of the formset's title
  uint16_t var_store_id = 0;
  std::array<char, kVarStoreNameSize> name{};
};

// The tables are sized to their capacities once and cleared, never grown.
struct SetupModel {
  SetupModel();
  // Empties every table (what Open does before a parse).
  void Clear();

  std::vector<NodeRecord> nodes;               // kNodeCapacity records
  std::vector<platform::TreeItem> node_items;  // kNodeCapacity handles, node number -> item
  std::vector<NodeState> node_states;          // kNodeCapacity records
  uint32_t node_count = 0;

  std::vector<VarStoreRecord> var_stores;  // kVarStoreCapacity records
  uint32_t var_store_count = 0;

  // Width in bytes (1, 2, 4 or 8) of the selected question's value, or kNoValueWidth.
  int32_t current_value_width = kNoValueWidth;
  platform::TreeItem root_item = platform::kNoItem;  // "BIOS"

  // Where the SPF control and state headers were found in the AmiTse module; 0 until the first
  // lookup after an Open.
  uint64_t spf_control_header_offset = 0;
  uint64_t spf_state_header_offset = 0;
};

}  // namespace kalvire::setup
