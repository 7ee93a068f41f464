#include "dmi/dmi_edit.h"

#include <algorithm>
#include <new>
#include <optional>
#include <vector>

#include "dmi/latin1.h"
#include "dmi/messages.h"
#include "dmi/smbios_fields.h"
#include "rom/messages.h"

namespace kalvire::dmi {

namespace {

using platform::DmiDialogData;
size_t ShownSlots(const DmiStructure& record) {
  return std::min<size_t>(record.strings.size(), DmiDialogData::kSlots);
}

// The structure index the selected item stands for, or nullopt when it is the root, not an
// item, or names no structure of the table.
std::optional<uint32_t> SelectedStructure(const DmiContext editor) {
  const platform::TreeControl& tree = *editor.controls.dmi_tree;
  const platform::TreeItem item = tree.GetSelectedItem();
  if (item == platform::kNoItem) return std::nullopt;
  // The root is recognised by its children and, when the table listed nothing under it, by
  // being at the top level: its item data 0 would otherwise open structure 0.
  if (tree.GetChildItem(item) != platform::kNoItem) return std::nullopt;
  if (tree.GetParentItem(item) == platform::kRootItem) return std::nullopt;
  const uint32_t index = tree.GetItemData(item);
  if (index >= editor.dmi.structure_count) return std::nullopt;
  return index;
}

// The new strings for the shown slots, as Latin-1 bytes; nullopt after a message when one
// cannot be stored.
std::optional<std::vector<std::string>> TakeValues(DmiContext editor, const DmiStructure& record,
                                                   const DmiDialogData& data) {
  std::vector<std::string> values;
  for (size_t k = 0; k < ShownSlots(record); ++k) {
    std::optional<std::string> bytes = Utf8ToLatin1(data.values[k]);
    if (!bytes) {
      rom::ShowPlainMessage(editor, kMsgNotSingleByte);
      return std::nullopt;
    }
    // The dialog stops typing at the limit; a string loaded longer may stay as it is.
    if (bytes->size() > size_t(DmiDialogData::kMaxValueLength) && *bytes != record.strings[k]) {
      rom::ShowPlainMessage(editor, kMsgStringTooLong);
      return std::nullopt;
    }
    values.push_back(std::move(*bytes));
  }
  return values;
}

void ApplyValues(DmiContext editor, DmiStructure& record, std::vector<std::string>& values) {
  platform::ListControl* track_log = editor.controls.track_log;
  if (track_log) track_log->ResetContent();
  for (size_t k = 0; k < values.size(); ++k) {
    if (values[k] != record.strings[k]) {
      if (track_log) track_log->AddString(DmiFeedbackLine(values[k], record.strings[k]));
      editor.workspace.m_dmi_modified = true;
    }
    // An empty string would end the string set early and renumber every later string.
    record.strings[k] = values[k].empty() ? std::string(" ") : std::move(values[k]);
  }
}

}  // namespace

void ColorDmiStructureItem(DmiContext editor, platform::TreeItem item, uint32_t index) {
  if (!editor.controls.dmi_tree || index >= editor.dmi.structure_count) return;
  const bool edited = editor.dmi.current[index].strings != editor.dmi.baseline[index].strings;
  editor.controls.dmi_tree->SetItemColor(item,
                                         edited ? platform::kColorRed : platform::kColorBlack);
}

void ColorDmiStructure(DmiContext editor, uint32_t index) {
  const platform::TreeControl* tree = editor.controls.dmi_tree;
  if (!tree) return;
  const platform::TreeItem root = tree->GetChildItem(platform::kRootItem);
  for (platform::TreeItem item = root == platform::kNoItem ? root : tree->GetChildItem(root);
       item != platform::kNoItem; item = tree->GetNextSiblingItem(item)) {
    if (tree->GetItemData(item) == index) return ColorDmiStructureItem(editor, item, index);
  }
}

std::string FormatFormattedArea(std::span<const uint8_t> bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  text.reserve(bytes.size() * 3);
  for (const uint8_t b : bytes) {
    text.push_back(' ');
    text.push_back(kDigits[b >> 4]);
    text.push_back(kDigits[b & 0xF]);
  }
  return text;
}

DmiDialogData MakeDmiDialogData(const DmiStructure& record, const std::string& title) {
  DmiDialogData data;
  data.title = title;
  data.formatted_text = FormatFormattedArea(record.formatted);
  for (size_t k = 0; k < ShownSlots(record); ++k) {
    data.values[k] = Latin1ToUtf8(record.strings[k]);
    data.labels[k] = DmiStringLabel(record.formatted, k + 1);
  }
  return data;
}

std::string DmiFeedbackLine(std::string_view new_value, std::string_view old_value) {
  std::string line = kFeedbackChangedTo;
  line.append(new_value);
  line.append(kFeedbackFrom);
  line.append(old_value);
  line.append(kFeedbackEnd);
  return line;
}

void EditDmiString(DmiContext editor) {
  if (!editor.controls.dmi_tree || !editor.controls.prompter) return;
  try {
    const std::optional<uint32_t> index = SelectedStructure(editor);
    if (!index) return;
    DmiStructure& record = editor.dmi.current[*index];
    const std::string title =
        editor.controls.dmi_tree->GetItemText(editor.controls.dmi_tree->GetSelectedItem());
    DmiDialogData data = MakeDmiDialogData(record, title);
    if (!editor.controls.prompter->EditDmiStrings(data)) return;
    std::optional<std::vector<std::string>> values = TakeValues(editor, record, data);
    if (!values) return;
    ApplyValues(editor, record, *values);
    ColorDmiStructureItem(editor, editor.controls.dmi_tree->GetSelectedItem(), *index);
  } catch (const std::bad_alloc&) {
    rom::ShowPlainMessage(editor, rom::kMsgFailedToAllocateMemory);
  }
}

}  // namespace kalvire::dmi
