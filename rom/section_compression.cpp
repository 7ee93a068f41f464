#include "rom/section_compression.h"

#include "codec/lzma_section.h"
#include "codec/tiano.h"

namespace kalvire::rom {

namespace {

codec::CodecStatus Compress(std::span<const uint8_t> data, std::span<uint8_t> out,
                            uint32_t& out_size, SectionCodec codec, uint32_t version) {
  if (codec == SectionCodec::kLzma) return codec::Lzma_Compress(data, out, out_size);
  return codec::Tiano_Compress(data, out, out_size, version);
}

}  // namespace

SectionCompression CompressSection(std::span<const uint8_t> data, SectionCodec codec,
                                   uint32_t version) {
  SectionCompression result;
  uint32_t size = 0;
  result.size_status = Compress(data, {}, size, codec, version);
  // The size reported is used whatever the query answered.
  std::vector<uint8_t> out(size);
  result.status = Compress(data, out, size, codec, version);
  if (result.status == codec::kCodecSuccess && size > out.size()) {
    result.status = codec::kCodecInvalid;
  }
  if (result.status == codec::kCodecSuccess) {
    out.resize(size);
    result.bytes = std::move(out);
  }
  return result;
}

}  // namespace kalvire::rom
