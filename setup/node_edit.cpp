#include "setup/node_edit.h"

#include <cstdlib>
#include <string>

#include "setup/change_texts.h"
#include "setup/ifr_layout.h"
#include "setup/messages.h"
#include "setup/node_control.h"
#include "setup/node_lookup.h"
#include "setup/std_defaults.h"
#include "util/le.h"

namespace kalvire::setup {

namespace {

using platform::TreeItem;

// The item the operation works on: the selected one, or node `node`'s after selecting it
// (selecting runs the node display, which sets the current value width for the node).
TreeItem ResolveItem(SetupContext editor, uint32_t node) {
  platform::TreeControl* tree = editor.controls.setup_tree;
  if (!tree) return platform::kNoItem;
  if (node == kSelectedNode) return tree->GetSelectedItem();
  const TreeItem item = ItemOfNode(editor.setup, node);
  if (item != platform::kNoItem) tree->SelectItem(item);
  return item;
}

void ColorItem(SetupContext editor, TreeItem item, bool red) {
  editor.controls.setup_tree->SetItemColor(item, red ? platform::kColorRed : platform::kColorBlack);
}

void AddLogLine(SetupContext editor, const std::string& line) {
  if (editor.controls.track_log) editor.controls.track_log->AddString(line);
}

void WriteOptimalValue(SetupContext editor, uint64_t record, uint64_t value) {
  const std::span<uint8_t> spf = editor.workspace.m_amitse_module.Data();
  int32_t width = util::LoadLe16(spf.data() + record + kControlDataLength);
  if (width == 0) {
    rom::ShowPlainMessage(editor, kMsgInvalidControlDataLength);
    width = 1;
  }
  // Other lengths leave the record as it is; the flags, texts and StdDefaults still follow.
  if (ControlValueOffset(width) != 0) {
    WriteValue(spf, record + ControlValueOffset(width), width, value);
  }
}

}  // namespace

void ChangeNodeSetting(SetupContext editor, uint8_t kind, uint32_t value_low, uint32_t value_high,
                       uint32_t node) {
  rom::RomWorkspace& ws = editor.workspace;
  const TreeItem item = ResolveItem(editor, node);
  const auto node_number = NodeOfItem(editor.setup, item);
  if (!node_number) return;
  NodeControl control;
  if (FindNodeControl(editor, item, control) != 1) {
    ws.m_setup_form_modified = true;
    return;
  }
  if (editor.controls.track_log) editor.controls.track_log->ResetContent();
  if (control.opcode == kOpForm && kind == kChangeOptimal) {
    rom::ShowPlainMessage(editor, kMsgFormHasNoOptimal);
    return;
  }

  NodeState& state = editor.setup.node_states[*node_number];
  const uint64_t value = uint64_t(value_high) << 32 | value_low;
  uint8_t* flags_place = ws.m_amitse_module.Data().data() + control.control_record + kControlFlags;
  const uint32_t flags = util::LoadLe32(flags_place);
  switch (kind) {
    case kChangeVisibility:
      util::StoreLe32(flags_place, (flags & ~kFlagVisible) | (value_low & kFlagVisible));
      if (value != state.baseline_visibility) {
        state.visibility_changed = 1;
        ColorItem(editor, item, true);
        AddLogLine(editor, kLogVisibilityChanged);
      } else {
        state.visibility_changed = 0;
        if (!state.access_changed && !state.optimal_changed) ColorItem(editor, item, false);
      }
      break;
    case kChangeAccessLevel:
      util::StoreLe32(flags_place, (flags & ~kFlagAccessMask) |
                                       ((value_low << kFlagAccessShift) & kFlagAccessMask));
      if (value != state.baseline_access) {
        state.access_changed = 1;
        ColorItem(editor, item, true);
        AddLogLine(editor, AccessChangeText(state.baseline_access, value_low));
      } else {
        state.access_changed = 0;
        if (!state.visibility_changed && !state.optimal_changed) ColorItem(editor, item, false);
      }
      break;
    case kChangeOptimal: {
      WriteOptimalValue(editor, control.control_record, value);
      const bool differs = value != state.baseline_value;
      if (differs) {
        state.optimal_changed = 1;
        ColorItem(editor, item, true);
        AddLogLine(editor, OptimalChangeText(state.baseline_value, value));
      } else {
        state.optimal_changed = 0;
        if (!state.visibility_changed && !state.access_changed) ColorItem(editor, item, false);
      }
      WriteStdDefault(editor, value);
      if (differs) ColorItem(editor, item, true);
      break;
    }
    default:
      break;
  }
  ws.m_setup_form_modified = true;
}

void ApplyOptimalSelection(SetupContext editor, uint32_t node, uint32_t value) {
  const TreeItem item = ResolveItem(editor, node);
  if (item == platform::kNoItem) return;
  const bool selected = node == kSelectedNode;
  const uint32_t data = editor.controls.setup_tree->GetItemData(item);
  const uint64_t offset = ItemOffset(data);
  const std::span<const uint8_t> setup = editor.workspace.m_setup_module.Data();
  const int32_t width = editor.setup.current_value_width;
  platform::ComboControl* combo = editor.controls.optimal_option_combo;

  switch (ItemOpcode(data)) {
    case kOpOneOf: {
      std::optional<uint64_t> chosen;
      const std::string wanted =
          selected && combo ? combo->GetText(combo->GetCurSel()) : std::string();
      for (const uint64_t option : OneOfOptionOffsets(setup, offset)) {
        if (selected) {
          const auto text_id = util::ReadLe16(setup, option + kIfrOptionText);
          if (StringText(editor.workspace, text_id.value_or(0)) != wanted) continue;
        } else if (ReadValue(setup, option + kIfrOptionValue, width) != uint64_t(value)) {
          continue;
        }
        chosen = option;
        break;
      }
      if (!chosen) return;
      const auto option_value = ReadValue(setup, *chosen + kIfrOptionValue, width);
      if (!option_value) return;
      ChangeNodeSetting(editor, kChangeOptimal, uint32_t(*option_value),
                        uint32_t(*option_value >> 32), node);
      return;
    }
    case kOpCheckbox: {
      const auto flags = util::ReadU8(setup, offset + kIfrCheckboxFlags);
      const auto question_flags = util::ReadU8(setup, offset + kIfrQuestionFlags);
      const auto prompt = util::ReadLe16(setup, offset + kIfrPrompt);
      if (!flags || !question_flags || !prompt) return;
      if (*flags == 0 && *question_flags == 0 && *prompt == 0) return;
      if (selected) {
        if (!combo || combo->GetCurSel() < 0) return;
        value = uint32_t(combo->GetCurSel());
      }
      ChangeNodeSetting(editor, kChangeOptimal, value, 0, node);
      return;
    }
    case kOpNumeric: {
      std::string text;
      if (selected) {
        platform::Prompter* prompter = editor.controls.prompter;
        if (!prompter) return;
        platform::TextDialogRequest request;
        request.initial_text = combo ? combo->GetText(0) : std::string();
        const auto answer = prompter->AskText(request);
        if (!answer) return;
        text = *answer;
      } else {
        text = std::to_string(value);
      }
      const uint64_t number = uint64_t(std::strtoll(text.c_str(), nullptr, 10));
      if (ControlValueOffset(width) == 0) {
        rom::ShowErrorMessage(editor, kMsgControlDataLengthNotValid);
        return;
      }
      const auto minimum = ReadValue(setup, offset + kIfrNumericRange, width);
      const auto maximum = ReadValue(setup, offset + kIfrNumericRange + width, width);
      if (!minimum || !maximum) return;
      if (number < *minimum || number > *maximum) {
        const std::string message = FormatNumbers(
            kMsgNumericOutOfRange, {int32_t(uint32_t(*minimum)), int32_t(uint32_t(*maximum))});
        if (editor.controls.prompter) editor.controls.prompter->ShowError(message);
        return;
      }
      if (combo) {
        combo->ResetContent();
        combo->SetCurSel(combo->AddString(std::to_string(number)));
      }
      ChangeNodeSetting(editor, kChangeOptimal, uint32_t(number), uint32_t(number >> 32), node);
      return;
    }
    default:
      return;
  }
}

}  // namespace kalvire::setup
