// Whatever goes into the LZMA section encoder comes back out of the decoder unchanged.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "codec/lzma_section.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kalvire::codec;
  const std::span<const uint8_t> source(data, size);
  uint32_t packed_size = 0;
  if (Lzma_Compress(source, {}, packed_size) != kCodecBufferTooSmall) __builtin_trap();
  std::vector<uint8_t> packed(packed_size);
  if (Lzma_Compress(source, packed, packed_size) != kCodecSuccess) __builtin_trap();
  if (packed_size > packed.size() || Lzma_GetDecodedSize(packed) != size) __builtin_trap();
  packed.resize(packed_size);
  std::vector<uint8_t> back(size);
  if (Lzma_Decompress(packed, back) != kCodecSuccess) __builtin_trap();
  if (back != std::vector<uint8_t>(data, data + size)) __builtin_trap();
  return 0;
}
