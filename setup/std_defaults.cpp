#include "setup/std_defaults.h"

#include <cstring>
#include <string_view>

#include "rom/known_guids.h"
#include "rom/messages.h"
#include "setup/ifr_layout.h"
#include "setup/messages.h"
#include "setup/node_lookup.h"
#include "util/le.h"

namespace kalvire::setup {

namespace {

bool IsNvar(std::span<const uint8_t> image, uint64_t pos) {
  const auto signature = util::Slice(image, pos, 4);
  return signature && std::memcmp(signature->data(), kNvarSignature, 4) == 0;
}

// The NUL-terminated name of the entry at `pos`, or empty when no NUL ends it inside the image.
std::optional<std::string_view> NvarName(std::span<const uint8_t> image, uint64_t pos) {
  if (!util::Fits(image, pos, kNvarName)) return std::nullopt;
  const uint64_t start = pos + kNvarName;
  const void* nul = std::memchr(image.data() + start, 0, image.size() - start);
  if (!nul) return std::nullopt;
  return std::string_view(reinterpret_cast<const char*>(image.data() + start),
                          static_cast<const uint8_t*>(nul) - (image.data() + start));
}

}  // namespace

int FindQuestionVarStore(SetupContext editor, platform::TreeItem item, uint32_t opcode_offset,
                         QuestionVariable& variable) {
  const SetupModel& model = editor.setup;
  const platform::TreeControl* tree = editor.controls.setup_tree;
  std::string formset_title;
  if (tree) {
    if (item == platform::kNoItem) item = tree->GetSelectedItem();
    for (platform::TreeItem parent = tree->GetParentItem(item);
         parent != model.root_item && parent != platform::kRootItem && parent != platform::kNoItem;
         parent = tree->GetParentItem(item)) {
      item = parent;
    }
    formset_title = tree->GetItemText(item);
  }

  const std::span<const uint8_t> setup = editor.workspace.m_setup_module.Data();
  const auto var_store_id = util::ReadLe16(setup, uint64_t(opcode_offset) + kIfrQuestionVarStoreId);
  const auto var_offset = util::ReadLe16(setup, uint64_t(opcode_offset) + kIfrQuestionVarOffset);
  if (!var_store_id || !var_offset) return 0;
  variable.var_offset = *var_offset;
  variable.name = kDefaultVariableName;
  for (uint32_t i = 0; i < model.var_store_count; ++i) {
    const VarStoreRecord& store = model.var_stores[i];
    if (store.var_store_id != *var_store_id ||
        std::string_view(store.formset_title.data(),
                         strnlen(store.formset_title.data(), store.formset_title.size())) !=
            formset_title) {
      continue;
    }
    const std::string_view name(store.name.data(), strnlen(store.name.data(), store.name.size()));
    if (!name.empty()) variable.name = name;
    break;
  }
  return 1;
}

int WriteStdDefault(SetupContext editor, uint64_t value) {
  rom::RomWorkspace& ws = editor.workspace;
  const platform::TreeControl* tree = editor.controls.setup_tree;
  if (!tree) return 0;
  const platform::TreeItem selected = tree->GetSelectedItem();
  QuestionVariable variable;
  if (FindQuestionVarStore(editor, selected, ItemOffset(tree->GetItemData(selected)), variable) !=
      1) {
    return 0;
  }

  const std::span<uint8_t> image(ws.m_working_image);
  uint64_t after_guid = 0;
  if (rom::FindGuid(rom::kNvramStoreGuid, image, &after_guid) != 1) {
    rom::ShowPlainMessage(editor, rom::kMsgDesiredModuleMissing);
    return 0;
  }
  uint64_t pos = after_guid + kNvramFirstEntryGap;
  if (!IsNvar(image, pos)) return 0;
  const auto first_name = NvarName(image, pos);
  if (!first_name) return 0;
  // The defaults are nested inside the data of a first entry named "StdDefaults".
  if (*first_name == kStdDefaultsName) pos += kNvarName + first_name->size() + 1;

  while (IsNvar(image, pos)) {
    const auto name = NvarName(image, pos);
    if (!name) return 0;
    const uint16_t entry_size = util::LoadLe16(image.data() + pos + kNvarSize);
    const uint64_t data_start = pos + kNvarName + name->size() + 1;
    if (*name != variable.name) {
      // An entry that does not cover its own name cannot be stepped over.
      if (entry_size < data_start - pos) return 0;
      pos += entry_size;
      continue;
    }
    const int32_t width = editor.setup.current_value_width;
    if (ControlValueOffset(width) == 0) return 1;
    const uint64_t target = data_start + variable.var_offset;
    if (target + uint64_t(width) > pos + entry_size || !util::Fits(image, target, width)) {
      ws.m_diagnostics.push_back(kDiagDefaultOutsideVariable + variable.name);
      return 1;
    }
    WriteValue(image, target, width, value);
    return 1;
  }
  return 0;
}

}  // namespace kalvire::setup
