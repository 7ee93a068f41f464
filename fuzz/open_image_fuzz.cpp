// Arbitrary bytes opened as a ROM image: the walk, the extraction of every listed module, the
// package search on each, and the whole Open. Every table stays within its capacity and every
// record within its buffer.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "editor/headless_view.h"
#include "editor/open_image.h"
#include "rom/firmware_walk.h"
#include "rom/module_extract.h"
#include "rom/setup_packages.h"
#include "util/le.h"

using namespace kalvire::rom;

namespace {

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // One editor for the whole run, as the program keeps one: building its tables for every
  // input would cost more than the input itself. Open and the walk reset what they use.
  // The headless view gives Open the trees it fills, so the DMI and setup parses run too.
  static kalvire::editor::HeadlessEditor* const session = new kalvire::editor::HeadlessEditor();
  kalvire::editor::Editor* const editor = session->editor.get();
  RomWorkspace& ws = editor->workspace;
  ws.m_diagnostics.clear();
  ws.m_working_image.assign(data, data + size);

  const int walked = WalkFirmwareVolumes(*editor);
  Check(walked == 0 || walked == 1 || walked == kWalkNestedVolumeUndecodable);
  Check(ws.m_volume_count <= kVolumeCapacity && ws.m_file_count <= kFileCapacity);
  for (uint32_t i = 0; i < ws.m_file_count; ++i) {
    const FileRecord& file = ws.m_files[i];
    Check(file.volume_index < ws.m_volume_count);
    Check(kalvire::util::Fits(ws.Buffer(file.file.buffer), file.file.offset, file.size));
  }

  for (uint32_t i = 0; i < ws.m_file_count && i < 64; ++i) {
    ModuleSlot slot;
    if (ExtractModule(*editor, ws.m_files[i].name, slot) != 1) continue;
    Check(slot.data_offset <= slot.file.size());
    Check(slot.data_size <= slot.file.size() - slot.data_offset);
    ws.m_setup_module = std::move(slot);
    LocateSetupPackages(ws);
    Check(ws.m_string_count < kStringCapacity);
    VolumeFreeSpace(ws, ws.m_volumes[ws.m_files[i].volume_index].start);
  }

  kalvire::editor::OpenRomImageBytes(*editor, std::vector<uint8_t>(data, data + size), "fuzz.rom");
  return 0;
}
