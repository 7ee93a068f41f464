// Firmware images built from values: sections, FFS files and firmware volumes that serialize
// themselves bottom-up, so that every size, checksum, alignment and padding byte follows from
// the content. Used by kalvire-mkrom and by the tests to lay out synthetic images.
//
// Layout rules applied here (UEFI PI volume/file/section formats):
// - a section is its 4-byte header (24-bit size including the header, type) plus body; sections
//   follow each other at 4-byte alignment inside a file or an encapsulation, padded with zeros;
//   the last section of a file or an encapsulation is not padded;
// - a file is a 24-byte header (name, header checksum, data checksum, type, attributes, 24-bit
//   size, state) plus its sections; the header checksum makes the 8-bit sum of bytes 0-22 without
//   byte 17 zero (PI computes it with the state byte and the data checksum taken as 0); the data
//   checksum is 0xAA unless the file has the checksum attribute (0x40);
// - files follow each other at 8-byte alignment from the volume start, the gaps and the free
//   space after the last file hold the erase byte (0xFF with erase polarity 1, else 0x00); a file
//   whose data needs a wider alignment gets a pad file in front of it;
// - a volume header is 56 bytes plus a block map of one entry and its terminator (72 bytes); its
//   16-bit checksum covers those 72 bytes; an extended header (name GUID, size) follows at offset
//   72 and is followed by 4 erase bytes, so the first file starts at 96.
//
// Values that cannot be laid out (a volume too small for its files, a section over 16 MiB, a
// codec failure) make the builder throw std::invalid_argument naming the cause.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "tools/guid.h"

namespace kalvire::tools {

using Bytes = std::vector<uint8_t>;

// Section types (EFI_SECTION_*).
enum class SectionType : uint8_t {
  kCompression = 0x01,
  kGuidDefined = 0x02,
  kPe32 = 0x10,
  kTe = 0x12,
  kDxeDepex = 0x13,
  kVersion = 0x14,
  kUserInterface = 0x15,
  kFvImage = 0x17,
  kFreeformGuid = 0x18,
  kRaw = 0x19,
  kPeiDepex = 0x1B,
};

// How a compression section stores its content.
enum class Compression : uint8_t {
  kStored,  // CompressionType 0: the child sections as they are
  kEfi,     // CompressionType 1, EFI stream (Tiano_Compress version 1)
  kTiano,   // CompressionType 1, Tiano stream (Tiano_Compress version 2)
  kLzma,    // CompressionType 2, LZMA section payload
};

// One section. Leaves carry their body bytes; encapsulations (compression, LZMA GUID-defined)
// carry child sections and encode them when serialized.
class Section {
 public:
  // A leaf of any type with the given body (header added when serialized).
  static Section Leaf(SectionType type, Bytes body);
  static Section Pe32(Bytes image) { return Leaf(SectionType::kPe32, std::move(image)); }
  static Section Raw(Bytes body) { return Leaf(SectionType::kRaw, std::move(body)); }
  static Section FvImage(Bytes volume) { return Leaf(SectionType::kFvImage, std::move(volume)); }
  // UCS-2 name, NUL-terminated.
  static Section UserInterface(std::string_view name);
  // 16-bit build number, then the UCS-2 version text.
  static Section Version(uint16_t build, std::string_view text);
  // Dependency expression "TRUE END" (DXE or PEI), the 6-byte section of most drivers.
  static Section DepexTrue(SectionType type = SectionType::kDxeDepex);
  // Freeform subtype GUID section: header, 16-byte subtype GUID, body (20-byte header in all).
  static Section FreeformGuid(const Guid& subtype, Bytes body);
  // GUID-defined section with a 24-byte header (GUID, DataOffset 24, attributes) and `data`.
  static Section GuidDefined(const Guid& guid, uint16_t attributes, Bytes data);

  // Compression section (9-byte header) over the children.
  static Section Compressed(Compression compression, std::vector<Section> children);
  // GUID-defined section of the LZMA GUID over the children (processing-required attribute).
  static Section LzmaGuided(std::vector<Section> children);

  // Asks that the body of this section start at a multiple of `alignment` (a power of two,
  // 8 or more) from the start of its file's data; the file inserts a raw pad section in front
  // and takes the alignment into its attributes. Only honoured for sections directly in a file.
  Section& AlignBody(uint32_t alignment);

  SectionType type() const { return m_type; }
  uint32_t body_alignment() const { return m_body_alignment; }
  // The whole section: header and body, no trailing padding.
  Bytes Serialize() const;
  // For encapsulations: the bytes the codec is given (children joined as in a file). Empty for
  // leaves.
  Bytes EncodedInput() const;

 private:
  enum class Kind { kLeaf, kCompression, kLzmaGuided };
  Kind m_kind = Kind::kLeaf;
  SectionType m_type = SectionType::kRaw;
  Compression m_compression = Compression::kStored;
  Bytes m_body;
  std::vector<Section> m_children;
  uint32_t m_body_alignment = 1;
};

// The children joined at 4-byte alignment with zero padding, the last one unpadded: the body of
// a file, and the input of a compression or LZMA section.
Bytes JoinSections(const std::vector<Section>& sections);

// The payload of a compression section of the given kind over `input` (what follows its 9-byte
// header); for kLzma also the payload of an LZMA GUID-defined section.
Bytes EncodePayload(Compression compression, std::span<const uint8_t> input);

// FFS file types (EFI_FV_FILETYPE_*).
enum class FileType : uint8_t {
  kRaw = 0x01,
  kFreeform = 0x02,
  kSecurityCore = 0x03,
  kPeiCore = 0x04,
  kDxeCore = 0x05,
  kPeim = 0x06,
  kDriver = 0x07,
  kApplication = 0x09,
  kFvImage = 0x0B,
  kPad = 0xF0,
};

inline constexpr uint8_t kFfsAttribChecksum = 0x40;

// One FFS file: either sections or, for raw files, a raw body.
struct FfsFile {
  Guid name{};
  FileType type = FileType::kFreeform;
  std::vector<Section> sections;
  std::optional<Bytes> raw_body;  // used instead of sections when set
  bool data_checksum = false;     // sets attribute 0x40 and a real data checksum
  // Alignment of the file's data (after the 24-byte header) from the volume start, rounded up
  // to one of the attribute's encodings 8, 16, 128, 512, 1K, 4K, 32K, 64K (bits 3-5 hold 0-7).
  // Raised to the widest AlignBody() of its sections.
  uint32_t data_alignment = 1;
  // The body is raw_body's length of erase bytes, whatever raw_body holds (set by Pad()).
  bool erased_body = false;

  static FfsFile WithSections(const Guid& name, FileType type, std::vector<Section> sections);
  static FfsFile WithRawBody(const Guid& name, FileType type, Bytes body);
  // A pad file (name all 0xFF, type 0xF0) of `size` bytes including its header; body filled
  // with the erase byte.
  static FfsFile Pad(uint32_t size);
  // A pad file whose body is `body` as given: vendor data kept inside a pad file.
  static FfsFile PadWithData(Bytes body);

  // Asks that the file's data start at a multiple of `alignment` from the volume start (one of
  // the attribute's encodings); the volume puts a pad file in front when needed.
  FfsFile& AlignData(uint32_t alignment);

  // 8 or more: the attribute's encoding the file's data is aligned to.
  uint32_t EffectiveAlignment() const;
  // The complete file (header and body, not padded to 8) for a volume of the given erase
  // polarity (which decides the state byte and the pad body).
  Bytes Serialize(bool erase_polarity = true) const;
};

// Where a file landed inside its volume (offsets from the volume start).
struct FileLocation {
  Guid name{};
  FileType type = FileType::kFreeform;
  uint64_t offset = 0;
  uint32_t size = 0;
};

struct Volume {
  Guid file_system = kFfs2Guid;
  uint64_t size = 0x10000;  // FvLength; a multiple of block_size
  uint32_t block_size = 0x1000;
  bool erase_polarity = true;
  // Read/write/lock capabilities and status, alignment 16. Bit 11 (erase polarity) follows
  // erase_polarity; the alignment field (bits 16-20) is raised to the widest file alignment.
  uint32_t attributes = 0x0004FEFF;
  std::optional<Guid> ext_name;  // extended header with this volume name
  std::vector<FfsFile> files;
  // A file that ends exactly at the volume end (the volume top file of a boot block), with a
  // pad file filling the space after the other files. Its size must be a multiple of 8, and a
  // data alignment it asks for must hold where it ends up.
  std::optional<FfsFile> top_file;

  // The whole volume, `size` bytes. When `layout` is given, it receives every file's place,
  // pad files included.
  Bytes Serialize(std::vector<FileLocation>* layout = nullptr) const;
  // Offset of the first file from the volume start (72, or 96 with an extended header).
  uint32_t FirstFileOffset() const;
};

// A whole flash image: `size` bytes of `fill`, with byte runs placed at given offsets.
class FlashImage {
 public:
  explicit FlashImage(uint64_t size, uint8_t fill = 0xFF);
  // Places bytes at `offset`; throws when they leave the image or overlap earlier placements.
  FlashImage& Place(uint64_t offset, std::span<const uint8_t> bytes);
  const Bytes& bytes() const { return m_bytes; }
  Bytes Take() { return std::move(m_bytes); }

 private:
  Bytes m_bytes;
  std::vector<std::pair<uint64_t, uint64_t>> m_used;
};

// Checksums and alignment shared by the builders.
uint8_t Checksum8(std::span<const uint8_t> bytes);    // value that makes the 8-bit sum 0
uint16_t Checksum16(std::span<const uint8_t> bytes);  // value that makes the 16-bit sum 0
constexpr uint64_t AlignUp(uint64_t value, uint64_t alignment) {
  return (value + alignment - 1) / alignment * alignment;
}
// The FFS header checksum of a 24-byte file header (bytes 16, 17 and 23 not counted).
uint8_t FfsHeaderChecksum(std::span<const uint8_t> header);
// Appends bytes (resize and copy: g++ 12 reports false array-bounds warnings on
// vector::insert after a fixed-size start).
void AppendBytes(Bytes& out, std::span<const uint8_t> bytes);
// Appends text as UCS-2 with a terminating 16-bit zero.
void AppendUcs2(Bytes& out, std::string_view text);

}  // namespace kalvire::tools
