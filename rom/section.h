// Section headers and the decoding of compressed section payloads.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "util/le.h"

namespace kalvire::rom {

inline constexpr uint8_t kSectionCompression = 0x01;
inline constexpr uint8_t kSectionGuidDefined = 0x02;
inline constexpr uint8_t kSectionPe32 = 0x10;
inline constexpr uint8_t kSectionDxeDepex = 0x13;
inline constexpr uint8_t kSectionVolumeImage = 0x17;
inline constexpr uint8_t kSectionFreeform = 0x18;
inline constexpr uint8_t kSectionRaw = 0x19;
inline constexpr uint8_t kSectionPeiDepex = 0x1B;
inline constexpr uint8_t kSectionErased = 0xFF;

inline constexpr uint64_t kSectionHeaderSize = 4;
inline constexpr uint64_t kCompressionHeaderSize = 9;   // + UncompressedLength, CompressionType
inline constexpr uint64_t kGuidDefinedHeaderSize = 24;  // + GUID, DataOffset, Attributes
inline constexpr uint64_t kCompressionTypeOffset = 8;
inline constexpr uint8_t kCompressionStored = 0;
// The compression type that some images use for LZMA inside a compression section.
inline constexpr uint8_t kCompressionLzma = 2;
// A 24-bit Size of all ones means the real size follows the header in 32 bits (large sections).
inline constexpr uint32_t kSectionSizeExtended = 0xFFFFFF;

// Decoded sizes above this are treated as corrupt: no module or volume of this kind of image
// comes near it, and a hostile header must not make the editor allocate gigabytes.
inline constexpr uint64_t kMaxDecodedSize = 64u << 20;

struct SectionHeader {
  uint32_t size = 0;  // 24-bit Size, header included
  uint8_t type = 0;
};

// The 4-byte header at `offset`; empty when it does not fit in `buffer`.
std::optional<SectionHeader> ReadSectionHeader(std::span<const uint8_t> buffer, uint64_t offset);

// Writes the 24-bit Size of the section header at `header`.
inline void WriteSectionSize(uint8_t* header, uint32_t size) {
  util::StoreLe24(header, size);
}

// The extent of the section at `offset` of a section stream ending at `end`: header size
// (4, or 8 for a large section) and total size. Empty when the header or the body leaves the
// stream, or the size is smaller than its header.
struct SectionExtent {
  uint8_t type = 0;
  uint64_t header_size = 0;
  uint64_t size = 0;
};
std::optional<SectionExtent> ReadSectionExtent(std::span<const uint8_t> buffer, uint64_t offset,
                                               uint64_t end);

// Decodes an LZMA section payload (properties, 64-bit size, stream) into `out`, sized to the
// declared size. False for a size above kMaxDecodedSize or any codec failure.
bool DecodeLzmaPayload(std::span<const uint8_t> payload, std::vector<uint8_t>& out);

// Decodes an EFI (version 1) compressed payload into `out`, sized from its stream header.
// False for a size above kMaxDecodedSize or any codec failure.
bool DecodeEfiPayload(std::span<const uint8_t> payload, std::vector<uint8_t>& out);

}  // namespace kalvire::rom
