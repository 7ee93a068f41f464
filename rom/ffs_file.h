// FFS file header: reading, the kinds the walk tells apart, checksum and alignment.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "rom/known_guids.h"

namespace kalvire::rom {

inline constexpr uint64_t kFfsHeaderSize = 24;
inline constexpr uint64_t kFfsHeaderChecksumOffset = 16;
inline constexpr uint64_t kFfsFileChecksumOffset = 17;
inline constexpr uint64_t kFfsSizeOffset = 20;
inline constexpr uint8_t kFileTypeVolumeImage = 0x0B;
inline constexpr uint8_t kFileTypePad = 0xF0;
inline constexpr uint64_t kFfsTypeOffset = 18;
inline constexpr uint64_t kFfsAttributesOffset = 19;
inline constexpr uint64_t kFfsStateOffset = 23;
// FFS3 files over 16 MiB: attribute 0x01, Size 0 and a 64-bit size behind the 24-byte header.
inline constexpr uint64_t kFfsLargeHeaderSize = 32;
inline constexpr uint8_t kFfsAttribLargeFile = 0x01;
// The file must stay where it is: moving it breaks code that finds it by address.
inline constexpr uint8_t kFfsAttribFixed = 0x04;
inline constexpr uint8_t kFfsAttribChecksum = 0x40;
// The file checksum of a file without the checksum attribute.
inline constexpr uint8_t kFfsFixedFileChecksum = 0xAA;
// A Size field of all ones: a file whose size was never written.
inline constexpr uint32_t kFfsSizeUnset = 0xFFFFFF;

struct FfsFileHeader {
  Guid name{};
  uint8_t type = 0;
  uint8_t attributes = 0;
  uint32_t size = 0;  // 24-bit, header included
  uint8_t state = 0;
};

// The header at `offset`; empty when its 24 bytes do not fit in `buffer`.
std::optional<FfsFileHeader> ReadFfsFileHeader(std::span<const uint8_t> buffer, uint64_t offset);

// A name of sixteen 0xFF bytes: erased flash or a pad file.
bool IsErasedName(const Guid& name);

// The header checksum byte: the two's complement of the 8-bit sum of header bytes 0 to 22,
// bytes 16 and 17 not counted. `header` must hold at least 23 bytes.
uint8_t FfsHeaderChecksum(std::span<const uint8_t> header);

// Whether a whole file header (24 bytes, or 32 for a large file) has a matching header
// checksum: its 8-bit sum, with State and the file checksum counted as zero, is zero.
bool FfsHeaderChecksumHolds(std::span<const uint8_t> header);

// Writes the 24-bit Size of the file header at the start of `file` and then its header
// checksum. `file` must hold at least the 24-byte header.
void WriteFfsFileSize(std::span<uint8_t> file, uint32_t size);

// The file checksum byte the data of `file` (everything behind its 24-byte header) needs: the
// two's complement of its 8-bit sum with the checksum attribute, kFfsFixedFileChecksum without.
uint8_t FfsFileChecksum(std::span<const uint8_t> file);

// The alignment its attributes ask for the file's data (what follows its header), from the
// volume start: bits 3..5 select 1 (8 in practice), 16, 128, 512, 1K, 4K, 32K or 64K; in an
// FFS3 volume attribute 0x02 selects the second table, 128K to 16M.
uint64_t FfsDataAlignment(uint8_t attributes, bool ffs3);

constexpr uint64_t Align4(uint64_t value) {
  return (value + 3) & ~uint64_t{3};
}
constexpr uint64_t Align8(uint64_t value) {
  return (value + 7) & ~uint64_t{7};
}

}  // namespace kalvire::rom
