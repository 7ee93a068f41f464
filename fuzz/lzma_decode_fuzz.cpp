// Arbitrary bytes as an LZMA section payload: decoding either fails cleanly or fills exactly
// the declared size, and never touches memory outside the two buffers.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "codec/lzma_section.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kalvire::codec;
  const std::span<const uint8_t> payload(data, size);
  const uint64_t declared = Lzma_GetDecodedSize(payload);
  if (declared > (1u << 20)) return 0;  // real modules are far smaller; keep runs fast
  std::vector<uint8_t> out(declared);
  const CodecStatus status = Lzma_Decompress(payload, out);
  if (status != kCodecSuccess && status != kCodecInvalid) __builtin_trap();
  return 0;
}
