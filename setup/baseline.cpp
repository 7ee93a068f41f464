#include "setup/baseline.h"

#include <algorithm>
#include <string>

#include "setup/ifr_layout.h"
#include "setup/node_control.h"
#include "setup/node_lookup.h"
#include "util/le.h"

namespace kalvire::setup {

int ReadControlState(SetupContext editor, platform::TreeItem item, ControlState& state) {
  state = ControlState{};
  editor.setup.current_value_width = kNoValueWidth;
  if (!NodeOfItem(editor.setup, item)) return 0;
  rom::RomWorkspace& ws = editor.workspace;
  const std::span<const uint8_t> data = ws.m_amitse_module.Data();
  if (editor.setup.spf_state_header_offset == 0) {
    const auto header = FindSpfHeader(data);
    if (!header) return 0;
    editor.setup.spf_state_header_offset = *header + kSpfGuidOffset;
  }

  NodeControl control;
  if (FindNodeControl(editor, item, control) != 1 || control.opcode == kOpForm) return 1;
  const uint64_t record = control.control_record;
  const uint32_t flags = util::LoadLe32(data.data() + record + kControlFlags);
  state.visible = uint8_t(flags & kFlagVisible);
  state.access_level = uint8_t((flags & kFlagAccessMask) >> kFlagAccessShift);

  const uint16_t type = util::LoadLe16(data.data() + record + kControlType);
  if (type != kControlTypePopupSel && type != kControlTypeNumeric) return 1;
  int32_t width = util::LoadLe16(data.data() + record + kControlDataLength);
  if (width != 1 && width != 2 && width != 4 && width != 8) {
    const bool eight_bit =
        control.opcode == kOpOneOf || control.opcode == kOpCheckbox || control.opcode == kOpNumeric;
    if (!eight_bit) return 1;
    width = 1;
  }
  state.value = ReadValue(data, record + ControlValueOffset(width), width).value_or(0);
  editor.setup.current_value_width = width;
  return 1;
}

int CaptureBaseline(SetupContext editor) {
  SetupModel& model = editor.setup;
  const platform::TreeControl* tree = editor.controls.setup_tree;
  editor.setup.spf_state_header_offset = 0;
  for (uint32_t node = 0; node < model.node_count; ++node) {
    const platform::TreeItem item = model.nodes[node].item;
    if (item == platform::kNoItem) continue;
    NodeState& state = model.node_states[node];
    state.baseline_text.fill(0);
    const std::string text = tree ? tree->GetItemText(item) : std::string();
    std::copy_n(text.begin(), std::min(text.size(), kItemTextSize - 1),
                state.baseline_text.begin());
    state.visibility_changed = 0;
    state.access_changed = 0;
    state.optimal_changed = 0;
    ControlState read;
    if (ReadControlState(editor, item, read) != 1) return 0;
    state.baseline_visibility = read.visible;
    state.baseline_access = read.access_level;
    state.baseline_value = read.value;
  }
  return 1;
}

}  // namespace kalvire::setup
