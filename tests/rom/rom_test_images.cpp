// The byte-level helpers of rom_test_images.h, laid out by the image builder of tools/.
#include "rom_test_images.h"

#include <cstring>
#include <numeric>

#include "tools/image_builder.h"
#include "util/le.h"

namespace kalvire::rom::test {

void Append(Bytes& out, std::span<const uint8_t> bytes) {
  tools::AppendBytes(out, bytes);
}

// Written by hand, not by the builder, so that sizes past the 24-bit fields can be made.
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
  return tools::Section::GuidDefined(tools::kLzmaSectionGuid, 1,
                                     Bytes(payload.begin(), payload.end()))
      .Serialize();
}

Bytes LzmaPayload(std::span<const uint8_t> data) {
  return tools::EncodePayload(tools::Compression::kLzma, data);
}

void AppendSection(Bytes& stream, std::span<const uint8_t> section) {
  stream.resize(tools::AlignUp(stream.size(), 4), 0);
  Append(stream, section);
}

Bytes FfsFile(const Guid& name, uint8_t type, std::span<const uint8_t> sections) {
  Bytes out(name.begin(), name.end());
  out.resize(24);
  out[18] = type;
  util::StoreLe24(out.data() + 20, uint32_t(24 + sections.size()));
  out[16] = tools::FfsHeaderChecksum(out);
  out[17] = 0xAA;
  out[23] = 0xF8;
  Append(out, sections);
  return out;
}

Bytes PadFile(uint32_t size) {
  return tools::FfsFile::Pad(size).Serialize();
}

Bytes Volume(const std::vector<Bytes>& files, const VolumeOptions& options) {
  tools::Volume volume{.file_system = options.file_system,
                       .size = options.fv_length,
                       .block_size = std::gcd(options.fv_length, 0x1000u)};
  if (options.extended_header) volume.ext_name = TestGuid(0x5A, 0x5A);
  Bytes out = volume.Serialize();
  if (!options.signature) std::memset(out.data() + 40, 0, 4);
  size_t pos = volume.FirstFileOffset();
  for (const Bytes& file : files) {
    pos = tools::AlignUp(pos, 8);
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
