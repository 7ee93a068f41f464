#include "tools/raw_image.h"

#include <algorithm>
#include <cstring>
#include <numeric>

#include "tools/image_builder.h"
#include "util/le.h"

namespace kalvire::tools::raw {

Bytes Join(const std::vector<Bytes>& parts) {
  Bytes out;
  for (const Bytes& part : parts) AppendBytes(out, part);
  return out;
}

Bytes Section(uint8_t type, std::span<const uint8_t> body) {
  Bytes out(4);
  util::StoreLe24(out.data(), uint32_t(4 + body.size()));
  out[3] = type;
  AppendBytes(out, body);
  return out;
}

Bytes CompressionSection(uint8_t compression_type, uint32_t uncompressed_length,
                         std::span<const uint8_t> payload) {
  Bytes body(5);
  util::StoreLe32(body.data(), uncompressed_length);
  body[4] = compression_type;
  AppendBytes(body, payload);
  return Section(0x01, body);
}

Bytes GuidDefinedSection(std::span<const uint8_t> payload) {
  return tools::Section::GuidDefined(kLzmaSectionGuid, 1, Bytes(payload.begin(), payload.end()))
      .Serialize();
}

Bytes LzmaPayload(std::span<const uint8_t> data) {
  return EncodePayload(Compression::kLzma, data);
}

void AppendSection(Bytes& stream, std::span<const uint8_t> section) {
  stream.resize(AlignUp(stream.size(), 4), 0);
  AppendBytes(stream, section);
}

Bytes FfsFile(const Guid& name, uint8_t type, std::span<const uint8_t> sections) {
  Bytes out(name.begin(), name.end());
  out.resize(24);
  out[18] = type;
  util::StoreLe24(out.data() + 20, uint32_t(24 + sections.size()));
  out[16] = FfsHeaderChecksum(out);
  out[17] = 0xAA;
  out[23] = 0xF8;
  AppendBytes(out, sections);
  return out;
}

Bytes WithDataChecksum(Bytes file) {
  file[19] |= 0x40;
  uint8_t sum = 0;
  for (size_t i = 24; i < file.size(); ++i) sum = uint8_t(sum + file[i]);
  file[17] = uint8_t(-sum);
  file[16] = FfsHeaderChecksum(std::span(file).first(24));
  return file;
}

void SetFfsHeaderField(Bytes& image, uint64_t file, size_t at, uint32_t value) {
  if (at == 20) {
    util::StoreLe24(image.data() + file + at, value);
  } else {
    image[file + at] = uint8_t(value);
  }
  image[file + 16] = FfsHeaderChecksum(std::span(image).subspan(file, 24));
}

Bytes FfsHeader(uint8_t attributes, uint32_t size) {
  Bytes h(24);
  for (int i = 0; i < 16; ++i) h[i] = uint8_t(0x10 + i);
  h[17] = 0x5C, h[18] = 0xF0, h[19] = attributes, h[23] = 0xF8;
  util::StoreLe24(h.data() + 20, size);
  h[16] = FfsHeaderChecksum(h);
  return h;
}

Bytes PadFile(uint32_t size) {
  return tools::FfsFile::Pad(size).Serialize();
}

Guid TestGuid(uint8_t index, uint8_t value) {
  Guid guid;
  guid.fill(value);
  guid[0] = index;
  return guid;
}

Bytes RawFile(uint8_t index, size_t body_size, uint8_t attributes) {
  Bytes file = FfsFile(TestGuid(index), 0x07, Section(0x19, Bytes(body_size, index)));
  file[19] = attributes;
  file[16] = FfsHeaderChecksum(file);
  return file;
}

Bytes Volume(const std::vector<Bytes>& files, const VolumeOptions& options) {
  tools::Volume volume;
  volume.file_system = options.file_system;
  volume.size = options.fv_length;
  volume.block_size = std::gcd(options.fv_length, 0x1000u);
  if (options.extended_header) volume.ext_name = TestGuid(0x5A, 0x5A);
  Bytes out = volume.Serialize();
  if (!options.signature) std::memset(out.data() + 40, 0, 4);
  size_t pos = volume.FirstFileOffset();
  for (const Bytes& file : files) {
    pos = AlignUp(pos, 8);
    std::copy(file.begin(), file.end(), out.begin() + pos);
    pos += file.size();
  }
  return out;
}

Bytes VolumeHeader(uint32_t length, size_t buffer, uint16_t ext_offset, const char* signature,
                   uint16_t entry) {
  Bytes b(buffer, 0xFF);
  uint8_t* v = b.data() + 8;
  std::copy(kFfs3Guid.begin(), kFfs3Guid.end(), v + 16);
  util::StoreLe64(v + 32, length | uint64_t(7) << 32);
  std::copy(signature, signature + 4, v + 40);
  util::StoreLe32(v + 44, 0x0004FEFF);
  util::StoreLe16(v + 48, 72);
  util::StoreLe16(v + 52, ext_offset);
  if (ext_offset != 0) {
    util::StoreLe32(v + ext_offset + 16, 20);      // extended header size
    util::StoreLe16(v + ext_offset + 20, entry);   // one entry
    util::StoreLe16(v + ext_offset + 26, 0xFFFF);  // end of the entries
  }
  return b;
}

Bytes Package(uint8_t type, std::span<const uint8_t> body) {
  Bytes out(4);
  util::StoreLe32(out.data(), uint32_t(4 + body.size()) | uint32_t(type) << 24);
  AppendBytes(out, body);
  return out;
}

Bytes StringPackage(const char* language, std::span<const uint8_t> blocks) {
  Bytes header(46 - 4 + 6, 0);
  util::StoreLe32(header.data(), 52);      // HdrSize
  util::StoreLe32(header.data() + 4, 52);  // StringInfoOffset
  std::memcpy(header.data() + 42, language, std::strlen(language));
  AppendBytes(header, blocks);
  return Package(0x04, header);
}

Bytes PackageList(const Guid& guid, const std::vector<Bytes>& packages) {
  Bytes out(guid.begin(), guid.end());
  out.resize(20);
  for (const Bytes& package : packages) AppendBytes(out, package);
  AppendBytes(out, Package(0xDF, {}));
  util::StoreLe32(out.data() + 16, uint32_t(out.size()));
  return out;
}

Bytes SetupImage(const SetupImageParts& parts) {
  std::vector<Bytes> files;
  if (parts.dmi) {
    // A type 0 structure reaching past offset 256 (where the end-of-table search starts).
    Bytes table(320, 0x00);
    table[17] = 240;
    if (parts.dmi_end_of_table) {
      const uint8_t end[] = {0x7F, 0x04, 0x22, 0x00, 0x00, 0x00};
      std::copy(std::begin(end), std::end(end), table.begin() + 258);
      std::fill(table.begin() + 264, table.end(), 0xFF);
    }
    files.push_back(FfsFile(kDmiFileGuid, 0x07, Section(0x18, table)));
  }
  if (parts.nvram) files.push_back(FfsFile(kNvramStoreGuid, 0x01, Section(0x19, Bytes(16, 0))));
  if (parts.setup) {
    Bytes body(8, 0x33);
    if (parts.package_list) {
      std::vector<Bytes> packages = {Package(0x02, Bytes(12, 0xA1))};
      const Bytes strings = {0x14, 'A', 0, 'B', 0, 0, 0, 0x14, 'C', 0, 0, 0, 0x14};
      if (parts.english_strings) packages.push_back(StringPackage("en-US", strings));
      packages.push_back(StringPackage("fr-FR", Bytes{0x14, 'Z', 0}));
      AppendBytes(body, PackageList(kSetupFileGuid, packages));
    }
    files.push_back(FfsFile(kSetupFileGuid, 0x07, Section(0x18, body)));
  }
  if (parts.amitse) {
    Bytes body(24, 0x44);
    if (parts.amitse_pkg_guid) AppendBytes(body, kAmitsePkgGuid);
    const Guid& name = parts.amitse_second_name ? kAmiTseAltFileGuid : kAmiTseFileGuid;
    files.push_back(FfsFile(name, 0x07, Section(0x18, body)));
  }
  return Volume(files, {.fv_length = 0x2000});
}

Bytes Capsule(const Bytes& image, const Guid& guid) {
  Bytes capsule(guid.begin(), guid.end());
  capsule.resize(kCapsuleHeaderSize);
  util::StoreLe32(&capsule[16], uint32_t(kCapsuleHeaderSize));
  util::StoreLe32(&capsule[20], 0x00050000);
  util::StoreLe32(&capsule[24],
                  uint32_t(kCapsuleHeaderSize + image.size() + kCapsuleSignatureSize));
  for (size_t i = 28; i < kCapsuleHeaderSize; ++i) capsule[i] = uint8_t(i * 7);
  AppendBytes(capsule, image);
  for (size_t i = 0; i < kCapsuleSignatureSize; ++i) capsule.push_back(uint8_t(0xA5 ^ i));
  return capsule;
}

Bytes TianoStream(uint32_t original_size, const std::vector<BitFields>& parts) {
  Bytes stream(8);
  size_t at = 0;
  for (const BitFields& part : parts) {
    for (const auto& [value, bits] : part) {
      for (int i = bits - 1; i >= 0; --i, ++at) {
        if (at % 8 == 0) stream.push_back(0);
        if ((value >> i) & 1) stream.back() |= uint8_t(0x80 >> (at % 8));
      }
    }
  }
  util::StoreLe32(stream.data(), uint32_t(stream.size() - 8));
  util::StoreLe32(stream.data() + 4, original_size);
  return stream;
}

}  // namespace kalvire::tools::raw
