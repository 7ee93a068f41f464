// One compression of a module's or a volume's data as a save stores it: a size query, then the
// compression into a buffer of the size reported. A pure function of its inputs, so that it can
// run on any thread.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "codec/codec_status.h"

namespace kalvire::rom {

enum class SectionCodec { kTiano, kLzma };

struct SectionCompression {
  codec::CodecStatus size_status = codec::kCodecInvalid;  // of the size query
  codec::CodecStatus status = codec::kCodecInvalid;       // of the compression
  std::vector<uint8_t> bytes;  // the compressed data when `status` is success, else empty
};

// `version` is the Tiano stream version (1 or 2); LZMA ignores it. May throw std::bad_alloc.
SectionCompression CompressSection(std::span<const uint8_t> data, SectionCodec codec,
                                   uint32_t version);

}  // namespace kalvire::rom
