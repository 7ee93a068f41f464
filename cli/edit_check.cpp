#include "cli/edit_check.h"

#include <algorithm>
#include <vector>

#include "cli/node_number.h"
#include "dmi/latin1.h"
#include "platform/prompter.h"
#include "setup/ifr_layout.h"
#include "setup/messages.h"
#include "setup/node_control.h"
#include "setup/node_lookup.h"
#include "setup/string_rewrite.h"
#include "util/file_io.h"
#include "util/le.h"

namespace kalvire::cli {

namespace {

constexpr uint8_t kBlockUcs2String = 0x14;

std::string NodeName(uint32_t node) {
  return "node " + FormatNodeNumber(node);
}

struct OptionChoice {
  uint64_t value = 0;
  std::string name;
};

// The options of the ONE_OF at `offset` with the values the editor reads for them (the
// selected node's value width).
std::vector<OptionChoice> OneOfChoices(const editor::Editor& editor, uint64_t offset) {
  const std::span<const uint8_t> setup = editor.workspace.m_setup_module.Data();
  std::vector<OptionChoice> choices;
  for (const uint64_t option : setup::OneOfOptionOffsets(setup, offset)) {
    const auto value =
        setup::ReadValue(setup, option + setup::kIfrOptionValue, editor.setup.current_value_width);
    const auto text_id = util::ReadLe16(setup, option + setup::kIfrOptionText);
    if (!value) continue;
    choices.push_back(
        {*value, std::string(setup::StringText(editor.workspace, text_id.value_or(0)))});
  }
  return choices;
}

std::string ListChoices(const std::vector<OptionChoice>& choices) {
  std::string list;
  for (const OptionChoice& choice : choices) {
    if (!list.empty()) list += ", ";
    list += choice.name + "=" + std::to_string(choice.value);
  }
  return list;
}

}  // namespace

std::optional<std::string> EditCheck::Check(Edit& edit) {
  switch (edit.kind) {
    case EditKind::kImport: {
      std::vector<uint8_t> log;
      std::string error;
      if (!util::ReadWholeFile(edit.text, log, error)) return "cannot read the track log: " + error;
      return std::nullopt;
    }
    case EditKind::kDmi:
      return CheckDmi(edit);
    default:
      return CheckNode(edit);
  }
}

std::optional<std::string> EditCheck::CheckNode(Edit& edit) {
  const setup::SetupModel& model = m_editor.setup;
  if (edit.node >= model.node_count) {
    return NodeName(edit.node) + " is not in the node table (" + std::to_string(model.node_count) +
           " nodes)";
  }
  // Selecting the item shows the node as the editor does: value width and combo entries.
  const platform::TreeItem item = setup::ItemOfNode(model, edit.node);
  m_editor.controls.setup_tree->SelectItem(item);
  if (edit.kind == EditKind::kString) return CheckString(edit);
  if (edit.kind == EditKind::kDeleteOption) return CheckDeleteOption(edit);

  setup::NodeControl control;
  if (setup::FindNodeControl(m_editor, item, control) != 1) {
    return NodeName(edit.node) + " has no control record in the AmiTse setup data";
  }
  if (control.opcode == setup::kOpForm) {
    // The editor offers neither for a form: its control record is the first of its page.
    return NodeName(edit.node) + " is a form, which has no " +
           (edit.kind == EditKind::kDefault ? "optimal default"
                                            : "visibility or access level of its own");
  }
  if (edit.kind == EditKind::kDefault) return CheckDefault(edit);
  return std::nullopt;
}

std::optional<std::string> EditCheck::CheckDefault(Edit& edit) {
  const uint32_t data =
      m_editor.controls.setup_tree->GetItemData(setup::ItemOfNode(m_editor.setup, edit.node));
  const uint64_t offset = setup::ItemOffset(data);
  const std::span<const uint8_t> setup = m_editor.workspace.m_setup_module.Data();
  const auto number = ParseNumber(edit.text);
  const std::string node = NodeName(edit.node);
  switch (setup::ItemOpcode(data)) {
    case setup::kOpOneOf: {
      const std::vector<OptionChoice> choices = OneOfChoices(m_editor, offset);
      const auto by_value = std::find_if(choices.begin(), choices.end(), [&](const auto& choice) {
        return number && choice.value == *number;
      });
      const auto by_name = std::find_if(choices.begin(), choices.end(), [&](const auto& choice) {
        return choice.value <= UINT32_MAX && SameTextIgnoringCase(choice.name, edit.text);
      });
      const auto chosen = by_value != choices.end() ? by_value : by_name;
      if (chosen == choices.end()) {
        return node + " has no option of value or name \"" + edit.text +
               "\" (options: " + ListChoices(choices) + ")";
      }
      edit.number = uint32_t(chosen->value);
      return std::nullopt;
    }
    case setup::kOpCheckbox: {
      const auto flags = util::ReadU8(setup, offset + setup::kIfrCheckboxFlags);
      const auto question_flags = util::ReadU8(setup, offset + setup::kIfrQuestionFlags);
      const auto prompt = util::ReadLe16(setup, offset + setup::kIfrPrompt);
      // The editor leaves such a check box alone.
      if (!flags || !question_flags || !prompt ||
          (*flags == 0 && *question_flags == 0 && *prompt == 0)) {
        return node + " is a check box without flags or prompt, whose default is not edited";
      }
      if (number && *number <= 1) {
        edit.number = *number;
      } else if (SameTextIgnoringCase(edit.text, setup::kCheckboxDisabled)) {
        edit.number = 0;
      } else if (SameTextIgnoringCase(edit.text, setup::kCheckboxEnabled)) {
        edit.number = 1;
      } else {
        return node + " is a check box: its default is 0 (Disabled) or 1 (Enabled)";
      }
      return std::nullopt;
    }
    case setup::kOpNumeric: {
      const int32_t width = m_editor.setup.current_value_width;
      if (setup::ControlValueOffset(width) == 0) {
        return node + " has a control data length that holds no value";
      }
      const auto minimum = setup::ReadValue(setup, offset + setup::kIfrNumericRange, width);
      const auto maximum = setup::ReadValue(setup, offset + setup::kIfrNumericRange + width, width);
      if (!minimum || !maximum) return node + " has a range that lies outside the Setup data";
      if (!number || *number < *minimum || *number > *maximum) {
        return node + " is a numeric question: its default is a number from " +
               std::to_string(*minimum) + " to " + std::to_string(*maximum);
      }
      edit.number = *number;
      return std::nullopt;
    }
    default:
      return node + " is not a one-of, check box or numeric question: it has no optimal default";
  }
}

std::optional<std::string> EditCheck::CheckString(const Edit& edit) {
  const rom::RomWorkspace& ws = m_editor.workspace;
  if (ws.m_setup_packages.package_list_guid_flag == 0) {
    if (const char* message = setup::CheckPe32Module(ws.m_setup_module.Data())) return message;
  }
  const uint16_t string_id = m_editor.setup.nodes[edit.node].string_id;
  if (string_id == 0 || string_id >= ws.m_string_count) {
    return NodeName(edit.node) + " has no string in the setup string package";
  }
  // The "Update Data" dialog takes no more than this.
  const size_t limit = size_t(platform::TextDialogRequest{}.max_length);
  if (edit.text.size() > limit) {
    return "the text has " + std::to_string(edit.text.size()) +
           " characters; a setup string takes at most " + std::to_string(limit);
  }
  if (edit.text.find(char(kBlockUcs2String)) != std::string::npos) {
    return setup::kMsgStringNotStorable;
  }
  return std::nullopt;
}

std::optional<std::string> EditCheck::CheckDeleteOption(Edit& edit) {
  const std::string node = NodeName(edit.node);
  const platform::TreeItem item = setup::ItemOfNode(m_editor.setup, edit.node);
  if (setup::ItemOpcode(m_editor.controls.setup_tree->GetItemData(item)) != setup::kOpOneOf) {
    return node + " is not a one-of question: only the options of one can be deleted";
  }
  std::vector<std::string>& deleted = m_deleted[edit.node];
  if (m_editor.setup.node_states[edit.node].deleted_option_count + deleted.size() >=
      setup::kDeletedOptionSlots) {
    return node + " has " + std::to_string(setup::kDeletedOptionSlots) +
           " deleted options already, the most one node records";
  }
  // The entries the option-to-delete combo lists, less those this run deletes before.
  const platform::ComboControl& combo = *m_editor.controls.delete_option_combo;
  std::vector<std::string> entries;
  for (int i = 0; i < combo.GetCount(); ++i) entries.push_back(combo.GetText(i));
  for (const std::string& name : deleted) {
    const auto found = std::find(entries.begin(), entries.end(), name);
    if (found != entries.end()) entries.erase(found);
  }
  auto chosen = std::find(entries.begin(), entries.end(), edit.text);
  if (chosen == entries.end()) {
    chosen = std::find_if(entries.begin(), entries.end(), [&](const std::string& entry) {
      return SameTextIgnoringCase(entry, edit.text);
    });
  }
  if (chosen == entries.end()) {
    std::string list;
    for (const std::string& entry : entries) list += (list.empty() ? "" : ", ") + entry;
    return node + " has no option \"" + edit.text + "\" to delete (options: " + list + ")";
  }
  edit.text = *chosen;
  deleted.push_back(*chosen);
  return std::nullopt;
}

std::optional<std::string> EditCheck::CheckDmi(const Edit& edit) {
  const std::string structure = "DMI structure " + FormatNodeNumber(edit.node);
  if (edit.node >= m_editor.dmi.structure_count ||
      FindDmiStructureItem(*m_editor.controls.dmi_tree, edit.node) == platform::kNoItem) {
    return structure + " is not in the DMI tree (" + std::to_string(m_editor.dmi.structure_count) +
           " structures)";
  }
  const std::vector<std::string>& strings = m_editor.dmi.current[edit.node].strings;
  const size_t shown = std::min<size_t>(strings.size(), platform::DmiDialogData::kSlots);
  if (edit.number >= shown) {
    return structure + " has no string " + FormatNodeNumber(edit.number) + " in its dialog (" +
           std::to_string(shown) + " strings)";
  }
  const auto latin1 = dmi::Utf8ToLatin1(edit.text);
  if (!latin1) return "the text holds characters that are not Latin-1";
  const size_t limit = size_t(platform::DmiDialogData::kMaxValueLength);
  if (latin1->size() > limit && *latin1 != strings[edit.number]) {
    return "the text has " + std::to_string(latin1->size()) +
           " characters; a DMI string takes at most " + std::to_string(limit);
  }
  return std::nullopt;
}

platform::TreeItem FindDmiStructureItem(const platform::TreeControl& tree, uint32_t structure) {
  const platform::TreeItem root = tree.GetChildItem(platform::kRootItem);
  for (platform::TreeItem item = tree.GetChildItem(root); item != platform::kNoItem;
       item = tree.GetNextSiblingItem(item)) {
    if (tree.GetItemData(item) == structure) return item;
  }
  return platform::kNoItem;
}

}  // namespace kalvire::cli
