// The Tiano/EFI compressed stream stored in firmware compression sections.
//
// Stream layout: 4-byte compressed size (bit-stream bytes after the header), 4-byte
// uncompressed size, then the bit stream. Version 1 (EFI) and version 2 (Tiano) differ only
// in the width of the position-set count field (4 or 5 bits).
//
// The codec/ folder: the Tiano/EFI codec and the LZMA section layer. It uses util/ only.
#pragma once

#include <cstdint>
#include <span>

#include "codec/codec_status.h"

namespace kalvire::codec {

// Size of the decoder's working area that callers supply to the decoders.
inline constexpr uint32_t kTianoScratchSize = 13368;

// Always stores kTianoScratchSize into scratch_size. Returns kCodecInvalid when the source is
// shorter than the 8-byte header (destination_size untouched); otherwise stores the header's
// uncompressed size into destination_size and returns kCodecSuccess.
CodecStatus Tiano_GetInfo(std::span<const uint8_t> source, uint32_t& destination_size,
                          uint32_t& scratch_size);

// Decodes `source` (header included) into `destination`, whose size must equal the header's
// uncompressed size. `version` is 1 (EFI) or 2 (Tiano). `scratch` must hold at least
// kTianoScratchSize bytes (any alignment; a smaller one is refused). Returns kCodecSuccess or
// kCodecInvalid; never reads outside the source (nor past the declared compressed size) and never
// writes outside the destination. A header with uncompressed size 0 succeeds at once without
// touching anything else.
CodecStatus Tiano_Decompress(std::span<const uint8_t> source, std::span<uint8_t> destination,
                             std::span<uint8_t> scratch, uint32_t version);

// Version 1 decode; kCodecInvalid when the scratch is smaller than kTianoScratchSize.
CodecStatus Efi_Decompress(std::span<const uint8_t> source, std::span<uint8_t> destination,
                           std::span<uint8_t> scratch);

// Encodes `source` as a stream of `version` (1 or 2). Output bytes are written only inside
// `destination` (which may be empty to measure). On return destination_size holds the whole
// stream's size; the result is kCodecBufferTooSmall when that exceeds destination.size(),
// kCodecOutOfResources when working memory was not available (destination_size untouched),
// kCodecInvalid for a version other than 1 or 2, else kCodecSuccess.
CodecStatus Tiano_Compress(std::span<const uint8_t> source, std::span<uint8_t> destination,
                           uint32_t& destination_size, uint32_t version);

}  // namespace kalvire::codec
