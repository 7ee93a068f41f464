// Arbitrary bytes as a Tiano/EFI stream, decoded with both versions into a destination of
// exactly the declared size: the status is success or invalid, nothing outside the buffers
// is touched, and a scratch left dirty by an earlier call changes nothing.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "codec/tiano.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kalvire::codec;
  const std::span<const uint8_t> source(data, size);
  uint32_t declared = 0;
  uint32_t scratch_size = 0;
  if (Tiano_GetInfo(source, declared, scratch_size) != kCodecSuccess) return 0;
  if (declared > (1u << 20)) return 0;  // real modules are far smaller; keep runs fast

  std::vector<uint8_t> scratch(scratch_size);
  for (uint32_t version : {1u, 2u}) {
    std::vector<uint8_t> first(declared);
    const CodecStatus status = Tiano_Decompress(source, first, scratch, version);
    if (status != kCodecSuccess && status != kCodecInvalid) __builtin_trap();

    std::vector<uint8_t> again(declared);
    const CodecStatus repeated = version == 1 ? Efi_Decompress(source, again, scratch)
                                              : Tiano_Decompress(source, again, scratch, 2);
    if (repeated != status || again != first) __builtin_trap();
  }
  return 0;
}
