// Small firmware images built byte by byte for the ROM tests: sections, FFS files and volumes
// with correct sizes, alignment and header checksums.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "rom/known_guids.h"

namespace kalvire::rom::test {

using Bytes = std::vector<uint8_t>;

Bytes Section(uint8_t type, std::span<const uint8_t> body);
// A compression section: UncompressedLength, CompressionType, then the payload.
Bytes CompressionSection(uint8_t compression_type, uint32_t uncompressed_length,
                         std::span<const uint8_t> payload);
// A GUID-defined section with a 24-byte header, the LZMA GUID and the payload.
Bytes GuidDefinedSection(std::span<const uint8_t> payload);
// An LZMA section payload of `data`.
Bytes LzmaPayload(std::span<const uint8_t> data);

// Appends a section to a section stream, padding the stream to 4 bytes first.
void AppendSection(Bytes& stream, std::span<const uint8_t> section);

Bytes FfsFile(const Guid& name, uint8_t type, std::span<const uint8_t> sections);
Bytes PadFile(uint32_t size);

struct VolumeOptions {
  uint32_t fv_length = 0x1000;
  bool extended_header = false;
  Guid file_system = kFfs2FileSystemGuid;
  bool signature = true;
};
// A volume holding `files` 8-byte aligned after its header, erased (0xFF) to its end.
Bytes Volume(const std::vector<Bytes>& files, const VolumeOptions& options = {});

// A GUID whose bytes are all `value` except the first, which is `index`.
Guid TestGuid(uint8_t index, uint8_t value = 0x11);

void Append(Bytes& out, std::span<const uint8_t> bytes);

}  // namespace kalvire::rom::test
