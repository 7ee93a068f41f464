#include "rom_test_images.h"

#include <algorithm>
#include <cstring>

#include "codec/lzma_section.h"
#include "rom/ffs_file.h"
#include "util/le.h"

namespace kalvire::rom::test {

namespace {
constexpr Guid kLzmaSectionGuid = MakeGuid("EE4E5898-3914-4259-9D6E-DC7BD79403CF");
}

void Append(Bytes& out, std::span<const uint8_t> bytes) {
  out.insert(out.end(), bytes.begin(), bytes.end());
}

Bytes Section(uint8_t type, std::span<const uint8_t> body) {
  Bytes out(4);
  util::StoreLe24(out.data(), uint32_t(4 + body.size()));
  out[3] = type;
  Append(out, body);
  return out;
}

Bytes CompressionSection(uint8_t compression_type, uint32_t uncompressed_length,
                         std::span<const uint8_t> payload) {
  Bytes body(5);
  util::StoreLe32(body.data(), uncompressed_length);
  body[4] = compression_type;
  Append(body, payload);
  return Section(0x01, body);
}

Bytes GuidDefinedSection(std::span<const uint8_t> payload) {
  Bytes body(20);
  std::copy(kLzmaSectionGuid.begin(), kLzmaSectionGuid.end(), body.begin());
  util::StoreLe16(body.data() + 16, 24);  // DataOffset
  util::StoreLe16(body.data() + 18, 1);   // processing required
  Append(body, payload);
  return Section(0x02, body);
}

Bytes LzmaPayload(std::span<const uint8_t> data) {
  Bytes out(codec::Lzma_CompressBound(uint32_t(data.size())));
  uint32_t size = 0;
  if (codec::Lzma_Compress(data, out, size) != codec::kCodecSuccess) return {};
  out.resize(size);
  return out;
}

void AppendSection(Bytes& stream, std::span<const uint8_t> section) {
  stream.resize(Align4(stream.size()), 0);
  Append(stream, section);
}

Bytes FfsFile(const Guid& name, uint8_t type, std::span<const uint8_t> sections) {
  Bytes out(24);
  std::copy(name.begin(), name.end(), out.begin());
  out[18] = type;
  util::StoreLe24(out.data() + 20, uint32_t(24 + sections.size()));
  out[23] = 0xF8;
  out[17] = 0xAA;
  out[16] = FfsHeaderChecksum(out);
  Append(out, sections);
  return out;
}

Bytes PadFile(uint32_t size) {
  Bytes out(size, 0xFF);
  std::fill(out.begin() + 16, out.begin() + 24, 0);
  out[18] = kFileTypePad;
  util::StoreLe24(out.data() + 20, size);
  out[23] = 0xF8;
  out[17] = 0xAA;
  out[16] = FfsHeaderChecksum(out);
  return out;
}

Bytes Volume(const std::vector<Bytes>& files, const VolumeOptions& options) {
  Bytes out(options.fv_length, 0xFF);
  std::fill(out.begin(), out.begin() + 72, 0);
  std::copy(options.file_system.begin(), options.file_system.end(), out.begin() + 16);
  util::StoreLe64(out.data() + 32, options.fv_length);
  if (options.signature) std::memcpy(out.data() + 40, "_FVH", 4);
  util::StoreLe32(out.data() + 44, 0x0004FEFF);
  util::StoreLe16(out.data() + 48, 72);
  out[55] = 2;
  util::StoreLe32(out.data() + 56, options.fv_length / 0x1000);
  util::StoreLe32(out.data() + 60, 0x1000);
  size_t pos = 72;
  if (options.extended_header) {
    // Extended header right after the block map: 16-byte name, 32-bit size; the 0xFFFF left
    // after it ends its entry list and the first file follows 4 bytes later.
    util::StoreLe16(out.data() + 52, 72);
    std::fill(out.begin() + 72, out.begin() + 88, 0x5A);
    util::StoreLe32(out.data() + 88, 20);
    pos = 96;
  }
  for (const Bytes& file : files) {
    pos = Align8(pos);
    std::copy(file.begin(), file.end(), out.begin() + pos);
    pos += file.size();
  }
  return out;
}

Guid TestGuid(uint8_t index, uint8_t value) {
  Guid guid;
  guid.fill(value);
  guid[0] = index;
  return guid;
}

}  // namespace kalvire::rom::test
