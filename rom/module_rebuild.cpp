#include "rom/module_rebuild.h"

#include "rom/known_guids.h"
#include "rom/messages.h"
#include "rom/rebuild_file.h"
#include "rom/reinsert.h"

namespace kalvire::rom {

namespace {

// The first file record named by one of `names`.
std::optional<uint32_t> FindFileIndex(const RomWorkspace& ws, std::initializer_list<Guid> names) {
  for (uint32_t i = 0; i < ws.m_file_count; ++i) {
    for (const Guid& name : names) {
      if (ws.m_files[i].name == name) return i;
    }
  }
  return std::nullopt;
}

std::optional<uint32_t> SetupFileIndex(const RomWorkspace& ws) {
  return FindFileIndex(ws, {kSetupModuleGuid, kSetupPackageListAltGuid});
}

ModuleRebuild SlotRebuild(const ModuleSlot& slot, std::span<const uint8_t> data) {
  ModuleRebuild rebuild;
  rebuild.data = data;
  rebuild.data_offset = slot.data_offset;
  rebuild.compression_version = slot.compression_version;
  rebuild.size_query_message = kMsgCompressionSizeFailed;
  return rebuild;
}

void StartSlotCompression(RomContext context, std::optional<uint32_t> file_index,
                          const ModuleSlot& slot, std::span<const uint8_t> data) {
  if (file_index && slot.Present()) {
    StartModuleCompression(context, *file_index, SlotRebuild(slot, data));
  }
}

int RebuildModule(RomContext context, std::optional<uint32_t> file_index, const ModuleSlot& slot,
                  bool set_compression_type) {
  if (!file_index || !slot.Present()) {
    ShowPlainMessage(context, kMsgModuleNotRebuildable);
    return 0;
  }
  ModuleRebuild rebuild = SlotRebuild(slot, slot.Data());
  rebuild.set_compression_type = set_compression_type;
  auto file = BuildModuleFile(context, *file_index, rebuild);
  if (!file) return 0;
  const uint32_t volume = context.workspace.m_files[*file_index].volume_index;
  return ReinsertFile(context, *file, volume, *file_index);
}

}  // namespace

int RebuildTseModule(RomContext context) {
  RomWorkspace& ws = context.workspace;
  if (!ws.m_setup_form_modified) return 1;
  ReportProgress(context, "Rebuilding module AmiTse");
  return RebuildModule(context, FindFileIndex(ws, {ws.m_amitse_name}), ws.m_amitse_module, false);
}

int RebuildSetupModule(RomContext context) {
  RomWorkspace& ws = context.workspace;
  if (!ws.m_setup_string_modified) return 1;
  ReportProgress(context, "Rebuilding module Setup");
  return RebuildModule(context, SetupFileIndex(ws), ws.m_setup_module, true);
}

void StartModuleCompressions(RomContext context) {
  const RomWorkspace& ws = context.workspace;
  if (ws.m_setup_string_modified) {
    StartSlotCompression(context, SetupFileIndex(ws), ws.m_setup_module, ws.m_setup_module.Data());
  }
  if (ws.m_setup_form_modified) {
    StartSlotCompression(context, FindFileIndex(ws, {ws.m_amitse_name}), ws.m_amitse_module,
                         ws.m_amitse_module.Data());
  }
}

void StartDmiCompression(RomContext context, std::span<const uint8_t> data) {
  const RomWorkspace& ws = context.workspace;
  StartSlotCompression(context, FindFileIndex(ws, {kDmiModuleGuid}), ws.m_dmi_module, data);
}

int RebuildNestedVolume(RomContext context) {
  RomWorkspace& ws = context.workspace;
  // The decoded buffer tells whether there is a nested volume; a file index of 0 is a real
  // record.
  if (ws.m_nested.buffer == kWorkingImageBuffer) return 0;
  if (ws.m_nested.file_index < ws.m_files.size()) {
    ReportProgress(context, "Compressing the nested volume of file " +
                                FormatGuid(ws.m_files[ws.m_nested.file_index].name));
  }
  auto file = BuildNestedVolumeFile(context);
  if (!file) return 0;
  return ReinsertFile(context, *file, ws.m_nested.volume_index, ws.m_nested.file_index);
}

}  // namespace kalvire::rom
