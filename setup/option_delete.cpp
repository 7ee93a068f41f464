#include "setup/option_delete.h"

#include <vector>

#include "setup/change_texts.h"
#include "setup/ifr_layout.h"
#include "setup/messages.h"
#include "setup/node_display.h"
#include "setup/node_lookup.h"
#include "util/le.h"

namespace kalvire::setup {

namespace {

// `pattern` with each "%s" replaced by the next text, in order.
std::string FormatTexts(std::string_view pattern, std::initializer_list<std::string_view> texts) {
  std::string out;
  auto next = texts.begin();
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == '%' && i + 1 < pattern.size() && pattern[i + 1] == 's' &&
        next != texts.end()) {
      out += *next++;
      ++i;
    } else {
      out += pattern[i];
    }
  }
  return out;
}

// Picks the entry named `option_name` in the option-to-delete combo, selecting the entries in
// turn as a person going through the list would.
bool SelectOptionByName(platform::ComboControl& combo, const std::string& option_name) {
  for (int i = 0; i < combo.GetCount(); ++i) {
    combo.SetCurSel(i);
    if (combo.GetText(i) == option_name) return true;
  }
  return false;
}

}  // namespace

void DeleteOption(SetupContext editor, uint32_t node, const std::string& option_name) {
  rom::RomWorkspace& ws = editor.workspace;
  platform::ViewControls& c = editor.controls;
  if (!c.setup_tree || !c.delete_option_combo) return;
  platform::ComboControl& combo = *c.delete_option_combo;

  platform::TreeItem item = platform::kNoItem;
  std::optional<uint32_t> number;
  if (node == kSelectedNode) {
    item = c.setup_tree->GetSelectedItem();
    number = NodeOfItem(editor.setup, item);
    if (!number) {
      rom::ShowPlainMessage(editor, kMsgInvalidNodeNumber);
      return;
    }
  } else {
    item = ItemOfNode(editor.setup, node);
    if (item == platform::kNoItem) return;
    number = node;
    c.setup_tree->SelectItem(item);
    if (!SelectOptionByName(combo, option_name)) {
      if (c.prompter) {
        c.prompter->ShowError(
            FormatTexts(kMsgInvalidDeleteOption, {option_name, c.setup_tree->GetItemText(item)}));
      }
      return;
    }
  }
  const int index = combo.GetCurSel();
  const std::string name = combo.GetText(index);
  const uint32_t data = c.setup_tree->GetItemData(item);
  if (node == kSelectedNode && (!c.delete_button || !c.delete_button->IsEnabled())) return;
  if (ItemOpcode(data) == kOpCheckbox) {
    rom::ShowPlainMessage(editor, kMsgCheckboxOptionDelete);
    return;
  }
  if (index < 0) return;
  NodeState& state = editor.setup.node_states[*number];
  // The node state keeps the names of eight deleted options; a ninth deletion could not be
  // recorded, and the track log would lose it.
  if (state.deleted_option_count >= kDeletedOptionSlots) {
    rom::ShowPlainMessage(editor, kMsgDeletedOptionsFull);
    return;
  }

  if (ws.m_format_marker == rom::kFormatMarkerOpened) {
    // The same options, in the same order, as the combo was filled with.
    const std::span<uint8_t> setup = ws.m_setup_module.Data();
    const std::vector<uint64_t> options = OneOfOptionOffsets(setup, ItemOffset(data));
    if (size_t(index) >= options.size()) return;
    const uint64_t option = options[size_t(index)];
    // An option too short to hold its text reference has nothing to point elsewhere.
    if ((setup[option + 1] & kOpcodeLengthMask) < kIfrOptionText + 2 ||
        !util::Fits(setup, option + kIfrOptionText, 2)) {
      return;
    }
    util::StoreLe16(setup.data() + option + kIfrOptionText, kDeletedOptionStringId);
  }

  ShowNodeDetails(editor);
  combo.DeleteString(index);
  ws.m_setup_string_modified = true;
  state.option_deleted = 1;
  state.deleted_options[state.deleted_option_count++] = name;
  ShowNodeDetails(editor);
  if (c.track_log) c.track_log->AddString(FormatTexts(kLogOptionDeleted, {name}));
}

}  // namespace kalvire::setup
