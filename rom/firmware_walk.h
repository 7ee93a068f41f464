// The walk over the image's firmware volumes and files that fills the volume and file tables.
#pragma once

#include <cstdint>

#include "rom/rom_context.h"

namespace kalvire::rom {

inline constexpr int kWalkNestedVolumeUndecodable = 25;

// Rebuilds the volume table, the file table and the nested volume from the working image.
// Returns 1; 0 when no firmware volume was found (after "Error: Invalid Image type"; both tables
// are then empty); 25 when a compressed volume inside a firmware-volume-image file cannot be
// decoded (no message; the tables hold what was walked before it). Nothing is read outside a
// buffer: a header that would pass its volume ends that volume's walk, and a full table stops
// accepting records (both noted in the workspace's diagnostics).
int WalkFirmwareVolumes(RomContext context);

// Zeroes every file record.
void ClearFileTable(RomWorkspace& workspace);

// Free bytes after the last file of the volume at `volume_start`: 0 when the files reach the
// volume's end or the volume header cannot be read.
uint32_t VolumeFreeSpace(const RomWorkspace& workspace, BufferPos volume_start);

}  // namespace kalvire::rom
