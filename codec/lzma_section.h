// The payload of an LZMA-compressed GUID-defined section: 5 property bytes, the 64-bit
// uncompressed size, then a raw LZMA1 stream without end marker.
#pragma once

#include <cstdint>
#include <span>

#include "codec/codec_status.h"

namespace kalvire::codec {

inline constexpr uint32_t kLzmaHeaderSize = 13;

// The size callers allocate for Lzma_Compress output: n + n/3 + 128 in 32-bit arithmetic.
constexpr uint32_t Lzma_CompressBound(uint32_t source_size) {
  return source_size + source_size / 3 + 128;
}

// When destination.size() is below Lzma_CompressBound, stores the bound into destination_size
// and returns kCodecBufferTooSmall without encoding. Otherwise encodes (dictionary 8 MiB, nice
// length 273, lc 3, lp 0, pb 2, binary-tree match finder with 4-byte hashing), stores
// 13 + stream length into destination_size and returns kCodecSuccess or kCodecInvalid.
CodecStatus Lzma_Compress(std::span<const uint8_t> source, std::span<uint8_t> destination,
                          uint32_t& destination_size);

// The uncompressed size stored at offset 5, or 0 when the payload is shorter than its header.
uint64_t Lzma_GetDecodedSize(std::span<const uint8_t> source);

// Decodes a payload into `destination`, which must hold at least the low 32 bits of the
// declared size; exactly that many bytes are produced. kCodecInvalid for a short header, a
// short destination, corrupt or truncated data, or a stream that does not end at that size.
CodecStatus Lzma_Decompress(std::span<const uint8_t> source, std::span<uint8_t> destination);

}  // namespace kalvire::codec
