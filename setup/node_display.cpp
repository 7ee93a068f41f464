#include "setup/node_display.h"

#include <cstring>
#include <string>

#include "setup/change_texts.h"
#include "setup/ifr_layout.h"
#include "setup/messages.h"
#include "setup/node_control.h"
#include "setup/node_lookup.h"
#include "util/le.h"

namespace kalvire::setup {

int ShowVisibilityState(SetupContext editor, bool enabled, uint8_t visible) {
  platform::ViewControls& c = editor.controls;
  for (platform::ButtonControl* radio : {c.hide_radio, c.show_radio}) {
    if (!radio) continue;
    radio->SetVisible(enabled);
    radio->SetEnabled(enabled);
  }
  if (enabled) {
    if (c.access_level_combo) c.access_level_combo->SetEnabled(true);
    if (c.show_radio) c.show_radio->SetChecked(visible == 1);
    if (c.hide_radio) c.hide_radio->SetChecked(visible != 1);
  } else if (c.show_radio) {
    c.show_radio->SetChecked(true);
  }
  return 0;
}

int ShowAccessLevel(SetupContext editor, bool enabled, uint8_t access_level, uint32_t /*node*/) {
  platform::ComboControl* combo = editor.controls.access_level_combo;
  if (!combo) return 0;
  combo->SetEnabled(enabled);
  combo->SetCurSel(enabled ? access_level : 0);
  return 0;
}

int FillOptionLists(SetupContext editor, uint32_t opcode_offset, uint8_t opcode, uint64_t value) {
  if (editor.workspace.m_format_marker != rom::kFormatMarkerOpened) return 0;
  platform::ViewControls& c = editor.controls;
  if (c.delete_button) c.delete_button->SetEnabled(false);
  platform::ComboControl* optimal = c.optimal_option_combo;
  if (!optimal) return 0;
  const std::span<const uint8_t> setup = editor.workspace.m_setup_module.Data();

  switch (opcode) {
    case kOpOneOf: {
      const auto length_byte = util::ReadU8(setup, uint64_t(opcode_offset) + 1);
      if (!length_byte || !(*length_byte & kOpcodeScopeBit)) return 0;
      int selected = 0;
      for (const uint64_t option : OneOfOptionOffsets(setup, opcode_offset)) {
        const auto text_id = util::ReadLe16(setup, option + kIfrOptionText);
        const std::string text(StringText(editor.workspace, text_id.value_or(0)));
        const int index = optimal->AddString(text);
        if (c.delete_option_combo) c.delete_option_combo->AddString(text);
        const auto option_value =
            ReadValue(setup, option + kIfrOptionValue, editor.setup.current_value_width);
        if (option_value && *option_value == value) selected = index;
      }
      optimal->SetCurSel(selected);
      return 0;
    }
    case kOpCheckbox:
      optimal->AddString(kCheckboxDisabled);
      optimal->AddString(kCheckboxEnabled);
      optimal->SetCurSel(value <= 1 ? int(value) : -1);
      return 0;
    case kOpNumeric:
      optimal->SetCurSel(optimal->AddString(SignedLow32(value)));
      return 0;
    default:
      return 0;
  }
}

void ShowNodeDetails(SetupContext editor) {
  SetupModel& model = editor.setup;
  platform::ViewControls& c = editor.controls;
  model.current_value_width = kNoValueWidth;
  if (c.delete_option_combo) c.delete_option_combo->ResetContent();
  if (c.optimal_option_combo) c.optimal_option_combo->ResetContent();
  if (c.track_log) c.track_log->ResetContent();
  if (!c.setup_tree) return;

  const platform::TreeItem item = c.setup_tree->GetSelectedItem();
  const auto node = NodeOfItem(model, item);
  if (!node) return;
  const std::string text = c.setup_tree->GetItemText(item).substr(0, kItemTextSize - 1);
  NodeControl control;
  if (FindNodeControl(editor, item, control) != 1) return;

  bool enabled = false;
  uint8_t visible = 1;
  uint8_t access = 0;
  uint64_t value = 0;
  if (control.opcode != kOpForm) {
    const std::span<const uint8_t> spf = editor.workspace.m_amitse_module.Data();
    const uint64_t record = control.control_record;
    const uint32_t flags = util::LoadLe32(spf.data() + record + kControlFlags);
    enabled = true;
    visible = uint8_t(flags & kFlagVisible);
    access = uint8_t((flags & kFlagAccessMask) >> kFlagAccessShift);
    int32_t width = util::LoadLe16(spf.data() + record + kControlDataLength);
    if (ControlValueOffset(width) == 0) {
      width = control.opcode == kOpOneOf || control.opcode == kOpCheckbox ? 1 : kNoValueWidth;
    }
    if (width != kNoValueWidth) {
      value = ReadValue(spf, record + ControlValueOffset(width), width).value_or(0);
    }
    model.current_value_width = width;
  }

  ShowVisibilityState(editor, enabled, visible);
  ShowAccessLevel(editor, enabled, access, *node);
  FillOptionLists(editor, control.opcode_offset, control.opcode, value);

  NodeState& state = model.node_states[*node];
  bool listed = false;
  const auto list = [&](const std::string& line) {
    if (c.track_log) c.track_log->AddString(line);
    listed = true;
  };
  if (enabled && visible != state.baseline_visibility) list(kLogVisibilityDiffers);
  if (enabled && access != state.baseline_access) {
    list(AccessChangeText(state.baseline_access, access));
  }
  const std::string_view baseline_text(state.baseline_text.data(),
                                       strnlen(state.baseline_text.data(), kItemTextSize));
  if (!baseline_text.empty() && baseline_text != text) list(StringChangeText(text, baseline_text));
  const bool value_differs = value != state.baseline_value;
  if (value_differs) {
    state.optimal_changed = 1;
    if (c.track_log) c.track_log->AddString(OptimalChangeText(state.baseline_value, value));
  } else {
    state.optimal_changed = 0;
  }
  const bool red = value_differs || listed || state.option_deleted;
  c.setup_tree->SetItemColor(item, red ? platform::kColorRed : platform::kColorBlack);
}

}  // namespace kalvire::setup
