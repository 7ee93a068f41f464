// Firmware structures laid down byte by byte with every field as given, for images that must be
// wrong in a chosen way (a size past its file, a section size of 0) or hold only some modules.
// The well-formed builders are in image_builder.h; these reuse them where a field is not chosen.
#pragma once

#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#include "tools/guid.h"

namespace kalvire::tools::raw {

using Bytes = std::vector<uint8_t>;

Bytes Join(const std::vector<Bytes>& parts);
// A section header of 4 bytes with its 24-bit size, then `body`.
Bytes Section(uint8_t type, std::span<const uint8_t> body);
Bytes CompressionSection(uint8_t compression_type, uint32_t uncompressed_length,
                         std::span<const uint8_t> payload);
// An LZMA GUID-defined section (24-byte header) holding `payload`.
Bytes GuidDefinedSection(std::span<const uint8_t> payload);
Bytes LzmaPayload(std::span<const uint8_t> data);
void AppendSection(Bytes& stream, std::span<const uint8_t> section);  // 4-byte aligned
Bytes FfsFile(const Guid& name, uint8_t type, std::span<const uint8_t> sections);
// `file` with its data checksum attribute set and its file checksum made right.
Bytes WithDataChecksum(Bytes file);
// Sets byte `at` of the header of the file at `file` in `image` (the 24-bit size for `at` 20)
// and makes the header checksum right again.
void SetFfsHeaderField(Bytes& image, uint64_t file, size_t at, uint32_t value);
// The 24-byte header of a pad file named 10 11 .. 1F, its header checksum set.
Bytes FfsHeader(uint8_t attributes, uint32_t size);
Bytes PadFile(uint32_t size);
// Bytes all `value` but the first, `index`.
Guid TestGuid(uint8_t index, uint8_t value = 0x11);
// File TestGuid(index) with a raw section of `body_size` bytes of `index`.
Bytes RawFile(uint8_t index, size_t body_size = 36, uint8_t attributes = 0);

struct VolumeOptions {
  uint32_t fv_length = 0x1000;
  bool extended_header = false;
  Guid file_system = kFfs2Guid;
  bool signature = true;
};
// `files` 8-byte aligned after the header, erased (0xFF) to the end.
Bytes Volume(const std::vector<Bytes>& files, const VolumeOptions& options = {});

// An FFS3 volume header of `length` bytes at offset 8 of `buffer` bytes of 0xFF; from
// `ext_offset` on, an extended header with one entry of `entry` bytes.
Bytes VolumeHeader(uint32_t length, size_t buffer, uint16_t ext_offset = 0,
                   const char* signature = "_FVH", uint16_t entry = 6);

Bytes Package(uint8_t type, std::span<const uint8_t> body);
Bytes StringPackage(const char* language, std::span<const uint8_t> blocks);
Bytes PackageList(const Guid& guid, const std::vector<Bytes>& packages);

// A small image the editor opens: DMI module, NVRAM store, Setup module with a package list
// (en-US string blocks 14 41 00 42 00 00 00 14 43 00 00 00 14) and an AmiTse SPF module; each
// part can be left out.
struct SetupImageParts {
  bool dmi = true, dmi_end_of_table = true, nvram = true, setup = true, package_list = true;
  bool english_strings = true, amitse = true, amitse_second_name = false, amitse_pkg_guid = true;
};
Bytes SetupImage(const SetupImageParts& parts = {});

// `image` inside a capsule: a header of 0x800 bytes (name `guid`, HeaderSize, Flags 0x50000,
// CapsuleImageSize; filler after them), then the image and 0x230 bytes of signature.
inline constexpr size_t kCapsuleHeaderSize = 0x800, kCapsuleSignatureSize = 0x230;
Bytes Capsule(const Bytes& image, const Guid& guid);

// A Tiano/EFI stream laid by hand: its two sizes, then (value, bit count) fields, most
// significant bit first.
using BitFields = std::vector<std::pair<uint32_t, int>>;
Bytes TianoStream(uint32_t original_size, const std::vector<BitFields>& parts);

}  // namespace kalvire::tools::raw
