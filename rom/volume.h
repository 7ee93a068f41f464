// Firmware volume header: reading, validation and the position of a volume's first file.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "rom/known_guids.h"

namespace kalvire::rom {

// Where the first file lies when the volume has no extended header.
inline constexpr uint64_t kVolumeFirstFileOffset = 72;
inline constexpr uint64_t kVolumeFileSystemGuidOffset = 16;
inline constexpr uint64_t kVolumeSignatureOffset = 40;
// The FFS3 file system: the only one in which files may be larger than 16 MiB and ask for
// alignments above 64 KiB.
inline constexpr Guid kFfs3FileSystemGuid = MakeGuid("5473C07A-3DCB-4DCA-BD6F-1E9689E7349A");

struct FirmwareVolumeHeader {
  Guid file_system{};
  uint32_t fv_length = 0;      // low 32 bits of the 64-bit FvLength
  bool has_signature = false;  // "_FVH" at offset 40
  uint16_t header_length = 0;
  uint16_t ext_header_offset = 0;  // 0: no extended header
  uint32_t attributes = 0;

  // The value of erased flash in this volume (attribute bit 11, erase polarity).
  uint8_t EraseByte() const { return (attributes & 0x800) ? 0xFF : 0x00; }
  bool IsFfs3() const { return file_system == kFfs3FileSystemGuid; }
};

// The fixed header fields of the volume at `start`; empty when they do not fit in `buffer`.
std::optional<FirmwareVolumeHeader> ReadVolumeHeader(std::span<const uint8_t> buffer,
                                                     uint64_t start);

// Offset in `buffer` of the first file header of the volume at `start`: start + 72 without an
// extended header; with one, the position after the extended header and its 16-bit-sized entries
// (up to the first entry size 0xFFFF) plus 4. Empty when a field it needs lies outside the
// volume, an entry size is 0, or the result passes the volume's end.
std::optional<uint64_t> FirstFileOffset(std::span<const uint8_t> buffer, uint64_t start,
                                        const FirmwareVolumeHeader& header);

// A volume worth recording: "_FVH" present, FvLength within `buffer`, first file computable.
// On success the header and the first file offset are stored.
bool ReadValidVolume(std::span<const uint8_t> buffer, uint64_t start, FirmwareVolumeHeader& header,
                     uint64_t& first_file);

}  // namespace kalvire::rom
