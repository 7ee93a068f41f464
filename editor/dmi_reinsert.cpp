// ReinsertDmiModule: the DMI module goes back only when it fits; otherwise the module as it
// lies in the image is loaded again and the DMI edits are dropped.
#include "editor/dmi_reinsert.h"

#include <algorithm>
#include <vector>

#include "dmi/dmi_parse.h"
#include "dmi/messages.h"
#include "editor/messages.h"
#include "rom/ffs_file.h"
#include "rom/firmware_walk.h"
#include "rom/messages.h"
#include "rom/module_extract.h"
#include "rom/rebuild_file.h"
#include "rom/reinsert.h"

namespace kalvire::editor {

namespace {

std::optional<uint32_t> FindDmiFile(const rom::RomWorkspace& ws) {
  for (uint32_t i = 0; i < ws.m_file_count; ++i) {
    if (ws.m_files[i].name == rom::kDmiModuleGuid) return i;
  }
  return std::nullopt;
}

// The new file fits when it needs no more room than the old one, or no more than the volume's
// free space besides; and the chain behind it must stay inside the volume on erased bytes.
bool DmiFileFits(const rom::RomWorkspace& ws, uint32_t file_index, uint64_t new_length) {
  const rom::FileRecord& record = ws.m_files[file_index];
  const uint64_t old_room = rom::Align8(record.size);
  const uint64_t new_room = rom::Align8(new_length);
  const bool room =
      new_room <= old_room ||
      new_room - old_room <= rom::VolumeFreeSpace(ws, ws.m_volumes[record.volume_index].start);
  return room && rom::FileFitsInVolume(ws, file_index, new_length);
}

// Loads the DMI module, its tables and its tree again from the image, which still holds the
// module as it was loaded. Returns kDmiModuleRestored in every case: the edited module was not
// written, and the image holds the old one.
int RestoreDmiModule(Editor& editor) {
  rom::RomWorkspace& ws = editor.workspace;
  const std::string title = editor.Title();
  editor.SetTitle(platform::TitleWith(title, kWaitLoadingFile));
  dmi::ResetDmiTables(editor);
  if (platform::TreeControl* tree = editor.controls.dmi_tree) {
    tree->DeleteAllItems();
    tree->SetItemData(tree->InsertItem(platform::kRootItem, dmi::kDmiRootText), 0);
  }
  // The slot is refilled; the compression version found is not taken over.
  const uint32_t version = ws.m_dmi_module.compression_version;
  ws.m_dmi_module.data_size = 0;
  const int extracted = rom::ExtractModule(editor, rom::kDmiModuleGuid, ws.m_dmi_module);
  ws.m_dmi_module.compression_version = version;
  if (extracted != 1) {
    editor.SetTitle(editor.base_title);
    return kDmiModuleRestored;
  }
  if (dmi::CheckDmiEndOfTable(ws.m_dmi_module.Data()) != 1) {
    rom::ShowPlainMessage(editor, rom::kMsgDesiredModuleMissing);
    editor.SetTitle(editor.base_title);
    return kDmiModuleRestored;
  }
  dmi::ParseDmiTable(editor);
  editor.SetTitle(title);
  return kDmiModuleRestored;
}

int ReinsertBuffer(Editor& editor, std::span<const uint8_t> data, rom::CompressionsAhead* ahead) {
  rom::RomWorkspace& ws = editor.workspace;
  const auto file_index = FindDmiFile(ws);
  if (!file_index || !ws.m_dmi_module.Present()) {
    rom::ShowPlainMessage(editor, rom::kMsgModuleNotRebuildable);
    return 0;
  }
  rom::ModuleRebuild rebuild;
  rebuild.data = data;
  rebuild.data_offset = ws.m_dmi_module.data_offset;
  rebuild.compression_version = ws.m_dmi_module.compression_version;
  rebuild.size_query_message = kMsgCompressedSizeFailed;
  rom::RomContext context = editor;
  context.ahead = ahead;
  auto file = rom::BuildModuleFile(context, *file_index, rebuild);
  if (!file) return 0;
  if (!DmiFileFits(ws, *file_index, file->size())) {
    rom::ShowPlainMessage(editor, kMsgNoSpaceForDmi);
    return RestoreDmiModule(editor);
  }
  if (rom::ReinsertFile(editor, *file, ws.m_files[*file_index].volume_index, *file_index) != 1) {
    return 0;
  }
  // The slot holds the module as it now lies in the image, as the other slots do after a save.
  const std::span<uint8_t> slot = ws.m_dmi_module.Data();
  if (slot.size() == data.size()) std::copy(data.begin(), data.end(), slot.begin());
  return 1;
}

}  // namespace

int ReinsertDmiModule(Editor& editor, rom::CompressionsAhead* ahead) {
  std::vector<uint8_t> data;
  data.swap(editor.dmi.rebuild_buffer);
  if (!editor.workspace.m_dmi_modified) return 1;
  // An empty buffer: the serialization refused the table after its own message.
  if (data.empty()) return 0;
  return ReinsertBuffer(editor, data, ahead);
}

}  // namespace kalvire::editor
