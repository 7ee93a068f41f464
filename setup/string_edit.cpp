#include "setup/string_edit.h"

#include <algorithm>
#include <new>
#include <optional>
#include <vector>

#include "rom/messages.h"
#include "setup/messages.h"
#include "setup/node_lookup.h"
#include "setup/string_rewrite.h"
#include "util/le.h"

namespace kalvire::setup {

namespace {

constexpr uint8_t kBlockUcs2String = 0x14;

// String id n is the UCS-2 text behind the n-th 0x14 byte of the string data. The search stays
// inside the string package; the string must end with a 16-bit zero inside it too. Its stored
// length is what the rewrite replaces, whatever the item text shows of it (texts in the string
// table are cut and lose characters that are not single bytes).
std::optional<StringPlace> LocateString(std::span<const uint8_t> data,
                                        const rom::SetupPackages& packages, uint16_t string_id) {
  if (!packages.strings_package || string_id == 0) return std::nullopt;
  const uint64_t package = *packages.strings_package;
  const auto header = util::ReadLe32(data, package);
  if (!header) return std::nullopt;
  const uint64_t package_end = std::min<uint64_t>(package + (*header & kMax24), data.size());
  uint32_t counter = 0;
  for (uint64_t p = packages.string_data_offset; p < package_end; ++p) {
    if (data[p] != kBlockUcs2String || ++counter != string_id) continue;
    const uint64_t position = p + 1;
    for (uint64_t q = position; q + 2 <= package_end; q += 2) {
      if (util::LoadLe16(data.data() + q) == 0) return StringPlace{position, q - position};
    }
    return std::nullopt;
  }
  return std::nullopt;
}

// Each byte of the text, taken as Latin-1, becomes one UCS-2 character. A zero would end the
// string early and a 0x14 would open a string block of its own, shifting every later string id.
std::optional<std::vector<uint8_t>> EncodeText(const std::string& text) {
  std::vector<uint8_t> out;
  out.reserve(2 * text.size());
  for (const char c : text) {
    const uint8_t b = uint8_t(c);
    if (b == 0 || b == kBlockUcs2String) return std::nullopt;
    out.push_back(b);
    out.push_back(0);
  }
  return out;
}

// The module data replaced by `rewrite`; the bytes of the flattened file around it stay.
void StoreModuleData(rom::ModuleSlot& slot, std::vector<uint8_t> data) {
  const uint64_t start = std::min<uint64_t>(slot.data_offset, slot.file.size());
  const uint64_t end = std::min<uint64_t>(start + slot.data_size, slot.file.size());
  std::vector<uint8_t> file;
  file.reserve(slot.file.size() - (end - start) + data.size());
  file.insert(file.end(), slot.file.begin(), slot.file.begin() + start);
  file.insert(file.end(), data.begin(), data.end());
  file.insert(file.end(), slot.file.begin() + end, slot.file.end());
  slot.file = std::move(file);
  slot.data_size = uint32_t(data.size());
}

// The string table record of `string_id` made again from the rewritten data, as Open makes it:
// every byte other than 0x00 and 0x14 from just behind the string's block byte up to the next
// 0x14 (or the end of the string package), cut to what a record holds. The record after the
// last block keeps the length Open gave it. Ids past the table have no record.
void RefreshStringRecord(rom::RomWorkspace& ws, uint16_t string_id, uint64_t position) {
  if (string_id >= ws.m_string_count || string_id >= ws.m_strings.size()) return;
  const std::span<const uint8_t> data = ws.m_setup_module.Data();
  const auto header = util::ReadLe32(data, ws.m_setup_packages.strings_package.value_or(0));
  if (!header) return;
  const uint64_t package_end =
      std::min<uint64_t>(*ws.m_setup_packages.strings_package + (*header & kMax24), data.size());
  rom::StringRecord& record = ws.m_strings[string_id];
  record.text.fill(0);
  size_t length = 0;
  for (uint64_t p = position; p < package_end; ++p) {
    if (data[p] == kBlockUcs2String) {
      record.length = uint32_t(length);
      return;
    }
    if (data[p] != 0 && length < record.text.size() - 1) record.text[length++] = char(data[p]);
  }
}

void MapPackageOffsets(rom::SetupPackages& packages, const ModuleRewrite& rewrite) {
  packages.package_list_offset = rewrite.MapOffset(packages.package_list_offset);
  packages.string_data_offset = rewrite.MapOffset(packages.string_data_offset);
  if (packages.forms_package) packages.forms_package = rewrite.MapOffset(*packages.forms_package);
  if (packages.strings_package) {
    packages.strings_package = rewrite.MapOffset(*packages.strings_package);
  }
}

// Whether every node's opcode offset still fits the 24 bits of its item data after the move.
bool NodeOffsetsFit(const SetupContext editor, const ModuleRewrite& rewrite) {
  const platform::TreeControl& tree = *editor.controls.setup_tree;
  for (uint32_t n = 0; n < editor.setup.node_count; ++n) {
    const uint32_t data = tree.GetItemData(editor.setup.nodes[n].item);
    if (rewrite.MapOffset(ItemOffset(data)) > kMax24) return false;
  }
  return true;
}

void MoveNodeOffsets(SetupContext editor, const ModuleRewrite& rewrite) {
  platform::TreeControl& tree = *editor.controls.setup_tree;
  for (uint32_t n = 0; n < editor.setup.node_count; ++n) {
    const platform::TreeItem item = editor.setup.nodes[n].item;
    const uint32_t data = tree.GetItemData(item);
    const uint64_t moved = rewrite.MapOffset(ItemOffset(data));
    if (moved != ItemOffset(data)) tree.SetItemData(item, MakeItemData(ItemOpcode(data), moved));
  }
}

void EditString(SetupContext editor, uint32_t node, const std::string& text) {
  rom::RomWorkspace& ws = editor.workspace;
  platform::TreeControl* tree = editor.controls.setup_tree;
  if (!tree || !ws.m_setup_module.Present()) return;
  const bool pe32_layout = ws.m_setup_packages.package_list_guid_flag == 0;
  if (pe32_layout) {
    if (const char* message = CheckPe32Module(ws.m_setup_module.Data())) {
      rom::ShowPlainMessage(editor, message);
      return;
    }
  }

  platform::TreeItem item = platform::kNoItem;
  if (node == kSelectedNode) {
    item = tree->GetSelectedItem();
  } else {
    item = ItemOfNode(editor.setup, node);
    if (item == platform::kNoItem) return;
    tree->SelectItem(item);
  }
  if (item == platform::kNoItem) return;
  if (item == editor.setup.root_item) {
    rom::ShowPlainMessage(editor, kMsgRootFormString);
    return;
  }
  const std::string old_text = tree->GetItemText(item);
  const auto number = NodeOfItem(editor.setup, item);
  if (!number) return;
  const uint16_t string_id = editor.setup.nodes[*number].string_id;
  // Found before the dialog, so that nobody is asked for a text that cannot be stored.
  const auto place = LocateString(ws.m_setup_module.Data(), ws.m_setup_packages, string_id);
  if (!place) {
    rom::ShowPlainMessage(editor, kMsgStringNotFound);
    return;
  }

  std::string new_text = text;
  if (node == kSelectedNode) {
    if (!editor.controls.prompter) return;
    platform::TextDialogRequest request;
    request.initial_text = old_text;
    const auto answer = editor.controls.prompter->AskText(request);
    if (!answer) return;
    new_text = *answer;
  }
  // The same text again leaves everything as it is (the stored string may be longer than the
  // item shows, and writing the item's text would cut it).
  if (new_text == old_text) return;
  const auto encoded = EncodeText(new_text);
  if (!encoded) {
    rom::ShowPlainMessage(editor, kMsgStringNotStorable);
    return;
  }
  RewriteResult result =
      pe32_layout ? RewritePe32(ws.m_setup_module.Data(), ws.m_setup_packages, *place, *encoded)
                  : RewriteSection(ws.m_setup_module.Data(), ws.m_setup_packages, *place, *encoded);
  if (!result.rewrite) {
    rom::ShowPlainMessage(editor, result.message);
    return;
  }
  ModuleRewrite& rewrite = *result.rewrite;
  if (rewrite.data.size() > UINT32_MAX || !NodeOffsetsFit(editor, rewrite)) {
    rom::ShowPlainMessage(editor, kMsgStringTooLong);
    return;
  }

  StoreModuleData(ws.m_setup_module, std::move(rewrite.data));
  MapPackageOffsets(ws.m_setup_packages, rewrite);
  MoveNodeOffsets(editor, rewrite);
  // Option texts and form titles are read through the table; it has to show the new text now,
  // not only after the next Open.
  RefreshStringRecord(ws, string_id, place->position);
  for (uint32_t n = 0; n < editor.setup.node_count; ++n) {
    if (editor.setup.nodes[n].string_id == string_id) {
      tree->SetItemText(editor.setup.nodes[n].item, new_text);
    }
  }

  ws.m_setup_string_modified = true;
  tree->SetItemColor(item, platform::kColorRed);
  if (editor.controls.track_log) {
    editor.controls.track_log->AddString(std::string(kLogStringEditedTo) + new_text +
                                         kLogStringChangedFrom + old_text + kLogStringChangedEnd);
  }
}

}  // namespace

void EditSetupString(SetupContext editor, uint32_t node, const std::string& text) {
  try {
    EditString(editor, node, text);
  } catch (const std::bad_alloc&) {
    rom::ShowPlainMessage(editor, rom::kMsgFailedToAllocateMemory);
  }
}

}  // namespace kalvire::setup
