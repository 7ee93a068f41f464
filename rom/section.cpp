#include "rom/section.h"

#include "codec/lzma_section.h"
#include "codec/tiano.h"
#include "util/large_buffer.h"
#include "util/le.h"

namespace kalvire::rom {

std::optional<SectionHeader> ReadSectionHeader(std::span<const uint8_t> buffer, uint64_t offset) {
  if (!util::Fits(buffer, offset, kSectionHeaderSize)) return std::nullopt;
  return SectionHeader{util::LoadLe24(buffer.data() + offset), buffer[offset + 3]};
}

std::optional<SectionExtent> ReadSectionExtent(std::span<const uint8_t> buffer, uint64_t offset,
                                               uint64_t end) {
  if (end > buffer.size()) return std::nullopt;
  const auto stream = buffer.first(end);
  const auto header = ReadSectionHeader(stream, offset);
  if (!header) return std::nullopt;
  SectionExtent extent{header->type, kSectionHeaderSize, header->size};
  if (header->size == kSectionSizeExtended) {
    const auto large = util::ReadLe32(stream, offset + kSectionHeaderSize);
    if (!large) return std::nullopt;
    extent.header_size = 8;
    extent.size = *large;
  }
  if (extent.size < extent.header_size || !util::Fits(stream, offset, extent.size)) {
    return std::nullopt;
  }
  return extent;
}

bool DecodeLzmaPayload(std::span<const uint8_t> payload, std::vector<uint8_t>& out) {
  if (payload.size() < codec::kLzmaHeaderSize) return false;
  const uint64_t size = codec::Lzma_GetDecodedSize(payload) & 0xFFFFFFFFu;
  if (size > kMaxDecodedSize) return false;
  util::ResizeLargeBuffer(out, size);
  return codec::Lzma_Decompress(payload, out) == codec::kCodecSuccess;
}

bool DecodeEfiPayload(std::span<const uint8_t> payload, std::vector<uint8_t>& out) {
  uint32_t size = 0;
  uint32_t scratch_size = 0;
  if (codec::Tiano_GetInfo(payload, size, scratch_size) != codec::kCodecSuccess) return false;
  if (size > kMaxDecodedSize) return false;
  util::ResizeLargeBuffer(out, size);
  std::vector<uint8_t> scratch(scratch_size);
  return codec::Efi_Decompress(payload, out, scratch) == codec::kCodecSuccess;
}

}  // namespace kalvire::rom
