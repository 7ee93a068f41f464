// Writing a rebuilt FFS file back into its firmware volume, in place of the file it replaces,
// with the files behind it moved so that the volume stays a gapless chain.
#pragma once

#include <cstdint>
#include <span>

#include "rom/editor.h"

namespace kalvire::rom {

// Where the file of one record lies and what moves with it when its length changes.
struct FileChain {
  uint32_t buffer = kWorkingImageBuffer;
  uint64_t file = 0;     // the file header
  uint64_t old_end = 0;  // the file's end, rounded up to 8: where the files behind it begin
  // The end, rounded up to 8, of what lies behind the file before the volume's erased end.
  uint64_t tail_end = 0;
  uint64_t volume_end = 0;  // one past the volume's last byte
};

// The chain of file record `file_index`; false when the record or its volume does not describe
// a place inside its buffer.
bool FindFileChain(const RomWorkspace& workspace, uint32_t file_index, FileChain& chain);

// Whether a file of `new_length` bytes can take the place of record `file_index`: its length
// fits the 24-bit Size, and everything behind it, moved by the change of length, stays inside
// the volume (it can grow into the erased end of the volume only).
bool FileFitsInVolume(const RomWorkspace& workspace, uint32_t file_index, uint64_t new_length);

// Writes `file` (a whole FFS file, header first) in place of the file of record `file_index` of
// volume record `volume_index`: sets its Size, header checksum and file checksum (a data
// checksum when the file has the checksum attribute, else 0xAA), moves everything behind it up
// to the volume's erased end, erases what that leaves free and moves the file and volume records
// lying there with it. Returns 1; 0 without writing anything after "Error: No space in the firmware
// volume for the rebuilt file..." when the file does not fit (FileFitsInVolume), or without a
// message when the record does not belong to the volume.
int ReinsertFile(Editor& editor, std::span<uint8_t> file, uint32_t volume_index,
                 uint32_t file_index);

}  // namespace kalvire::rom
