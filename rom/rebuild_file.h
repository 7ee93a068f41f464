// New file images for the rebuild on save: a module's FFS file with its data stored again the
// way its section held it, and the firmware-volume-image file of the nested volume.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "rom/rom_context.h"
#include "rom/section_compression.h"

namespace kalvire::rom {

// Compresses `data` by the two-call protocol: a size query with no destination (anything but
// "buffer too small" shows `size_query_message` and the size reported is used all the same),
// then the compression into a buffer of that size. nullopt after "Error: Tiano_Compress failed."
// when the second call does not succeed. `version` is the Tiano stream version (1 or 2), 0 for
// LZMA. The result of a compression of the same bytes started ahead is taken when there is one.
std::optional<std::vector<uint8_t>> CompressSectionData(RomContext context,
                                                        std::span<const uint8_t> data,
                                                        SectionCodec codec, uint32_t version,
                                                        const char* size_query_message);

// How one module's data goes back into its file.
struct ModuleRebuild {
  std::span<const uint8_t> data;  // the module data to store
  uint32_t data_offset = 0;       // the slot's data offset: where the module's section begins
  uint32_t compression_version = 0;
  const char* size_query_message = nullptr;
  // The Setup module marks a Tiano section as compressed (CompressionType 1) again; the others
  // keep the byte as it was.
  bool set_compression_type = false;
};

// The new file of record `file_index` holding `rebuild.data`: the file's bytes up to the
// module's section (and that section's own header when it is compressed), then the data as
// its section stores it: as it is in a PE32, free-form or stored compression section, Tiano or
// EFI compressed in a compression section, LZMA compressed in a GUID-defined one. nullopt after
// a message when the section is not where the data offset says, is of another kind, or the
// compression fails.
std::optional<std::vector<uint8_t>> BuildModuleFile(RomContext context, uint32_t file_index,
                                                    const ModuleRebuild& rebuild);

// Starts on context.ahead the compression BuildModuleFile(context, file_index, rebuild) will ask
// for, when the module's section is a compressed one; nothing without a context.ahead. May
// throw std::bad_alloc.
void StartModuleCompression(RomContext context, uint32_t file_index, const ModuleRebuild& rebuild);

// The firmware-volume-image file of the nested volume with the volume buffer compressed again
// as its section stores it. nullopt after a message when it cannot be built.
std::optional<std::vector<uint8_t>> BuildNestedVolumeFile(RomContext context);

}  // namespace kalvire::rom
