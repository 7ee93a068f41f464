// How far a walked volume's bytes are its own, whatever its header claims.
#pragma once

#include <cstdint>

#include "rom/rom_workspace.h"

namespace kalvire::rom {

// One past the last byte of volume record `index` that belongs to it: the end its FvLength
// gives, cut at the end of its buffer and at the start of any other volume of the same buffer
// that starts inside it without lying inside one of its files. 0 for an unknown record.
uint64_t WalkedVolumeEnd(const RomWorkspace& workspace, uint32_t index);

// The record of the volume that volume record `index` runs into (as WalkedVolumeEnd cuts it),
// or -1 when it runs into none.
int OverlappedVolume(const RomWorkspace& workspace, uint32_t index);

}  // namespace kalvire::rom
