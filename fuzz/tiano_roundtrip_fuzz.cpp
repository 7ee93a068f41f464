// Arbitrary bytes compressed in the version the first byte picks and decoded again: the
// measuring call and the filling call agree on the size, the header describes the stream, and
// the decoder gives back exactly the input.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "codec/tiano.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kalvire::codec;
  if (size == 0) return 0;
  const uint32_t version = 1 + (data[0] & 1);
  const std::span<const uint8_t> source(data + 1, size - 1);

  uint32_t needed = 0;
  if (Tiano_Compress(source, {}, needed, version) != kCodecBufferTooSmall) __builtin_trap();
  std::vector<uint8_t> stream(needed);
  uint32_t filled = 0;
  if (Tiano_Compress(source, stream, filled, version) != kCodecSuccess) __builtin_trap();
  if (filled != needed || needed < 9) __builtin_trap();

  uint32_t declared = 0;
  uint32_t scratch_size = 0;
  if (Tiano_GetInfo(stream, declared, scratch_size) != kCodecSuccess) __builtin_trap();
  if (declared != source.size()) __builtin_trap();
  std::vector<uint8_t> decoded(declared);
  std::vector<uint8_t> scratch(scratch_size);
  if (Tiano_Decompress(stream, decoded, scratch, version) != kCodecSuccess) __builtin_trap();
  if (!std::equal(decoded.begin(), decoded.end(), source.begin())) __builtin_trap();
  return 0;
}
