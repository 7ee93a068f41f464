// Writing a rebuilt FFS file back into its firmware volume, in place of the file it replaces,
// with the files behind it moved so that the volume stays a valid chain of files.
#pragma once

#include <cstdint>
#include <span>

#include "rom/rom_context.h"

namespace kalvire::rom {

// Whether a file of `new_length` bytes can take the place of record `file_index`: its length
// fits the 24-bit Size, and the files behind it, laid out again (ReinsertFile), stay inside the
// volume and clear of the files that cannot move.
bool FileFitsInVolume(const RomWorkspace& workspace, uint32_t file_index, uint64_t new_length);

// Writes `file` (a whole FFS file, header first) in place of the file of record `file_index` of
// volume record `volume_index`: sets its Size, header checksum and file checksum (a data
// checksum when the file has the checksum attribute, else 0xAA) and lays out what lies behind
// it again, the way the firmware's build tools lay out a volume:
// - every file follows the previous one at the next 8-byte boundary of the volume, unchanged;
// - a file whose attributes ask for a wider data alignment gets a pad file in front of it when
//   it would otherwise be misaligned; the erased pad files that only served that alignment are
//   dropped first. Other pad files (spacers, and pads that carry data) move like files;
// - a file that ends at the volume's end (the volume top file) or has the fixed attribute
//   stays where it is, with a pad file filling the space in front of it where there was one;
// - what lies in free space behind the chain (history files written behind a file) keeps its
//   distance from the file in front of it.
// The records of the files and volumes that moved follow them. Returns 1; 0 without writing
// anything after "Error: No space in the firmware volume for the rebuilt file..." when the layout
// does not fit (FileFitsInVolume), or without a message when the record does not belong to the
// volume.
int ReinsertFile(RomContext context, std::span<uint8_t> file, uint32_t volume_index,
                 uint32_t file_index);

}  // namespace kalvire::rom
