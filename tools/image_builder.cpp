#include "tools/image_builder.h"

#include <algorithm>
#include <stdexcept>
#include <string>

#include "codec/lzma_section.h"
#include "codec/tiano.h"
#include "util/le.h"

namespace kalvire::tools {
namespace {

constexpr uint32_t kMaxSectionSize = 0xFFFFFF;
constexpr uint32_t kFfsHeaderSize = 24;
constexpr uint32_t kVolumeHeaderSize = 72;  // 56 fixed bytes, one block map entry, terminator
constexpr uint32_t kExtHeaderSize = 20;     // volume name and ExtHeaderSize, no entries
constexpr uint16_t kGuidedProcessingRequired = 0x01;
constexpr uint32_t kFvbErasePolarity = 0x800;

void AppendLe16(Bytes& out, uint16_t v) {
  out.push_back(uint8_t(v));
  out.push_back(uint8_t(v >> 8));
}

Bytes WithSectionHeader(SectionType type, std::span<const uint8_t> header_rest,
                        std::span<const uint8_t> body) {
  const uint64_t size = 4 + header_rest.size() + body.size();
  if (size > kMaxSectionSize) {
    throw std::invalid_argument("section of type " + std::to_string(int(type)) + " is " +
                                std::to_string(size) + " bytes, over the 24-bit size field");
  }
  Bytes out(4);
  util::StoreLe24(out.data(), uint32_t(size));
  out[3] = uint8_t(type);
  AppendBytes(out, header_rest);
  AppendBytes(out, body);
  return out;
}

Bytes TianoEncode(std::span<const uint8_t> input, uint32_t version) {
  uint32_t needed = 0;
  codec::CodecStatus status = codec::Tiano_Compress(input, {}, needed, version);
  if (status != codec::kCodecBufferTooSmall && status != codec::kCodecSuccess) {
    throw std::invalid_argument(std::string("Tiano_Compress size query failed: ") +
                                codec::CodecStatusName(status));
  }
  Bytes out(needed);
  uint32_t written = 0;
  status = codec::Tiano_Compress(input, out, written, version);
  if (status != codec::kCodecSuccess) {
    throw std::invalid_argument(std::string("Tiano_Compress failed: ") +
                                codec::CodecStatusName(status));
  }
  out.resize(written);
  return out;
}

Bytes LzmaEncode(std::span<const uint8_t> input) {
  Bytes out(codec::Lzma_CompressBound(uint32_t(input.size())));
  uint32_t written = 0;
  const codec::CodecStatus status = codec::Lzma_Compress(input, out, written);
  if (status != codec::kCodecSuccess) {
    throw std::invalid_argument(std::string("Lzma_Compress failed: ") +
                                codec::CodecStatusName(status));
  }
  out.resize(written);
  return out;
}

// File data alignments by their attribute code (bits 3-5); code 0 is the 8 bytes every file
// start has.
constexpr uint32_t kAlignmentEncodings[] = {8, 16, 128, 512, 1024, 4096, 32768, 65536};

// The attribute bits 3-5 that encode a file data alignment.
uint8_t AlignmentAttribute(uint32_t alignment) {
  for (uint8_t code = 0; code < 8; ++code) {
    if (kAlignmentEncodings[code] >= alignment) return uint8_t(code << 3);
  }
  throw std::invalid_argument("file data alignment " + std::to_string(alignment) +
                              " is wider than 64 KiB");
}

uint32_t RoundedAlignment(uint32_t alignment) {
  for (uint32_t value : kAlignmentEncodings) {
    if (value >= alignment) return value;
  }
  return alignment;
}

}  // namespace

uint8_t Checksum8(std::span<const uint8_t> bytes) {
  uint8_t sum = 0;
  for (uint8_t b : bytes) sum = uint8_t(sum + b);
  return uint8_t(0x100 - sum);
}

uint16_t Checksum16(std::span<const uint8_t> bytes) {
  uint16_t sum = 0;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    sum = uint16_t(sum + util::LoadLe16(bytes.data() + i));
  }
  return uint16_t(0x10000 - sum);
}

uint8_t FfsHeaderChecksum(std::span<const uint8_t> header) {
  uint8_t sum = 0;
  for (size_t i = 0; i < 23 && i < header.size(); ++i) {
    if (i != 16 && i != 17) sum = uint8_t(sum + header[i]);
  }
  return uint8_t(0x100 - sum);
}

void AppendBytes(Bytes& out, std::span<const uint8_t> bytes) {
  const size_t at = out.size();
  out.resize(at + bytes.size());
  std::copy(bytes.begin(), bytes.end(), out.begin() + at);
}

void AppendUcs2(Bytes& out, std::string_view text) {
  for (char c : text) AppendLe16(out, uint8_t(c));
  AppendLe16(out, 0);
}

// --- sections -------------------------------------------------------------------------------

Section Section::Leaf(SectionType type, Bytes body) {
  Section s;
  s.m_type = type;
  s.m_body = std::move(body);
  return s;
}

Section Section::UserInterface(std::string_view name) {
  Bytes body;
  AppendUcs2(body, name);
  return Leaf(SectionType::kUserInterface, std::move(body));
}

Section Section::Version(uint16_t build, std::string_view text) {
  Bytes body;
  AppendLe16(body, build);
  AppendUcs2(body, text);
  return Leaf(SectionType::kVersion, std::move(body));
}

Section Section::DepexTrue(SectionType type) {
  return Leaf(type, Bytes{0x06, 0x08});  // TRUE, END
}

Section Section::FreeformGuid(const Guid& subtype, Bytes body) {
  Bytes full(subtype.begin(), subtype.end());
  full.insert(full.end(), body.begin(), body.end());
  return Leaf(SectionType::kFreeformGuid, std::move(full));
}

Section Section::GuidDefined(const Guid& guid, uint16_t attributes, Bytes data) {
  Bytes body(guid.begin(), guid.end());
  AppendLe16(body, 24);  // DataOffset from the section start
  AppendLe16(body, attributes);
  body.insert(body.end(), data.begin(), data.end());
  return Leaf(SectionType::kGuidDefined, std::move(body));
}

Section Section::Compressed(Compression compression, std::vector<Section> children) {
  Section s;
  s.m_kind = Kind::kCompression;
  s.m_type = SectionType::kCompression;
  s.m_compression = compression;
  s.m_children = std::move(children);
  return s;
}

Section Section::LzmaGuided(std::vector<Section> children) {
  Section s;
  s.m_kind = Kind::kLzmaGuided;
  s.m_type = SectionType::kGuidDefined;
  s.m_compression = Compression::kLzma;
  s.m_children = std::move(children);
  return s;
}

Section& Section::AlignBody(uint32_t alignment) {
  if (alignment < 8 || (alignment & (alignment - 1)) != 0) {
    throw std::invalid_argument("section body alignment must be a power of two of 8 or more");
  }
  if (m_kind == Kind::kCompression) {
    // A 9-byte header cannot be moved to an aligned body with 4-byte aligned pad sections.
    throw std::invalid_argument("a compression section's body cannot be aligned");
  }
  m_body_alignment = alignment;
  return *this;
}

Bytes Section::EncodedInput() const {
  return m_kind == Kind::kLeaf ? Bytes{} : JoinSections(m_children);
}

Bytes Section::Serialize() const {
  switch (m_kind) {
    case Kind::kLeaf:
      return WithSectionHeader(m_type, {}, m_body);
    case Kind::kCompression: {
      const Bytes input = JoinSections(m_children);
      Bytes header_rest(5);
      util::StoreLe32(header_rest.data(), uint32_t(input.size()));
      header_rest[4] = m_compression == Compression::kStored ? 0
                       : m_compression == Compression::kLzma ? 2
                                                             : 1;
      return WithSectionHeader(m_type, header_rest, EncodePayload(m_compression, input));
    }
    case Kind::kLzmaGuided: {
      const Bytes payload = EncodePayload(Compression::kLzma, JoinSections(m_children));
      Bytes header_rest(kLzmaSectionGuid.begin(), kLzmaSectionGuid.end());
      AppendLe16(header_rest, 24);
      AppendLe16(header_rest, kGuidedProcessingRequired);
      return WithSectionHeader(m_type, header_rest, payload);
    }
  }
  return {};
}

Bytes JoinSections(const std::vector<Section>& sections) {
  Bytes out;
  for (size_t i = 0; i < sections.size(); ++i) {
    const Bytes one = sections[i].Serialize();
    out.insert(out.end(), one.begin(), one.end());
    if (i + 1 < sections.size()) out.resize(AlignUp(out.size(), 4), 0);
  }
  return out;
}

Bytes EncodePayload(Compression compression, std::span<const uint8_t> input) {
  switch (compression) {
    case Compression::kStored:
      return Bytes(input.begin(), input.end());
    case Compression::kEfi:
      return TianoEncode(input, 1);
    case Compression::kTiano:
      return TianoEncode(input, 2);
    case Compression::kLzma:
      return LzmaEncode(input);
  }
  return {};
}

// --- files ----------------------------------------------------------------------------------

FfsFile FfsFile::WithSections(const Guid& name, FileType type, std::vector<Section> sections) {
  FfsFile f;
  f.name = name;
  f.type = type;
  f.sections = std::move(sections);
  return f;
}

FfsFile FfsFile::WithRawBody(const Guid& name, FileType type, Bytes body) {
  FfsFile f;
  f.name = name;
  f.type = type;
  f.raw_body = std::move(body);
  return f;
}

FfsFile FfsFile::Pad(uint32_t size) {
  if (size < kFfsHeaderSize) throw std::invalid_argument("a pad file needs 24 bytes at least");
  FfsFile f;
  f.name.fill(0xFF);
  f.type = FileType::kPad;
  f.raw_body = Bytes(size - kFfsHeaderSize);
  f.erased_body = true;
  return f;
}

FfsFile FfsFile::PadWithData(Bytes body) {
  FfsFile f;
  f.name.fill(0xFF);
  f.type = FileType::kPad;
  f.raw_body = std::move(body);
  return f;
}

FfsFile& FfsFile::AlignData(uint32_t alignment) {
  if (std::find(std::begin(kAlignmentEncodings), std::end(kAlignmentEncodings), alignment) ==
      std::end(kAlignmentEncodings)) {
    throw std::invalid_argument("file data alignment " + std::to_string(alignment) +
                                " has no attribute encoding");
  }
  data_alignment = alignment;
  return *this;
}

uint32_t FfsFile::EffectiveAlignment() const {
  uint32_t alignment = data_alignment;
  for (const Section& s : sections) alignment = std::max(alignment, s.body_alignment());
  return RoundedAlignment(alignment);
}

Bytes FfsFile::Serialize(bool erase_polarity) const {
  Bytes body;
  if (erased_body) {
    body.assign(raw_body ? raw_body->size() : 0, erase_polarity ? 0xFF : 0x00);
  } else if (raw_body) {
    body = *raw_body;
  } else {
    // Sections at 4-byte alignment; a section whose body needs wider alignment gets a raw
    // section in front that moves it there (offsets count from the file's data start, which
    // the volume aligns to the file's alignment).
    for (size_t i = 0; i < sections.size(); ++i) {
      const Section& s = sections[i];
      body.resize(AlignUp(body.size(), 4), 0);
      if (s.body_alignment() > 4) {
        const uint32_t header = s.type() == SectionType::kGuidDefined ? 24 : 4;
        uint64_t pad = AlignUp(body.size() + header, s.body_alignment()) - body.size() - header;
        if (pad > 0 && pad < 4) pad += s.body_alignment();
        if (pad > 0) {
          const Bytes raw = Section::Raw(Bytes(pad - 4, 0)).Serialize();
          body.insert(body.end(), raw.begin(), raw.end());
        }
      }
      const Bytes one = s.Serialize();
      body.insert(body.end(), one.begin(), one.end());
    }
  }
  const uint64_t size = kFfsHeaderSize + body.size();
  if (size > kMaxSectionSize) {
    throw std::invalid_argument("file of " + std::to_string(size) + " bytes needs a large file");
  }
  Bytes out(kFfsHeaderSize);
  std::copy(name.begin(), name.end(), out.begin());
  out[18] = uint8_t(type);
  out[19] =
      uint8_t((data_checksum ? kFfsAttribChecksum : 0) | AlignmentAttribute(EffectiveAlignment()));
  util::StoreLe24(out.data() + 20, uint32_t(size));
  out[16] = FfsHeaderChecksum(out);
  out[17] = data_checksum ? Checksum8(body) : 0xAA;
  // Header construction, header valid and data valid: bits 0-2 set, stored inverted when
  // erased flash reads 1.
  out[23] = erase_polarity ? 0xF8 : 0x07;
  AppendBytes(out, body);
  return out;
}

// --- volumes --------------------------------------------------------------------------------

uint32_t Volume::FirstFileOffset() const {
  return ext_name ? kVolumeHeaderSize + kExtHeaderSize + 4 : kVolumeHeaderSize;
}

Bytes Volume::Serialize(std::vector<FileLocation>* layout) const {
  if (block_size == 0 || size % block_size != 0 || size < FirstFileOffset()) {
    throw std::invalid_argument("volume size " + std::to_string(size) +
                                " is not a multiple of its block size or too small");
  }
  const uint8_t erase = erase_polarity ? 0xFF : 0x00;
  Bytes out(size, erase);
  // Fixed header.
  std::fill(out.begin(), out.begin() + kVolumeHeaderSize, 0);
  std::copy(file_system.begin(), file_system.end(), out.begin() + 16);
  util::StoreLe64(out.data() + 32, size);
  std::copy_n("_FVH", 4, out.begin() + 40);
  uint32_t alignment_bits = (attributes >> 16) & 0x1F;
  for (const FfsFile& file : files) {
    while ((1u << alignment_bits) < file.EffectiveAlignment()) ++alignment_bits;
  }
  if (top_file) {
    while ((1u << alignment_bits) < top_file->EffectiveAlignment()) ++alignment_bits;
  }
  const uint32_t stored_attributes = (attributes & ~0x001F0000u) | alignment_bits << 16;
  util::StoreLe32(out.data() + 44, erase_polarity ? stored_attributes | kFvbErasePolarity
                                                  : stored_attributes & ~kFvbErasePolarity);
  util::StoreLe16(out.data() + 48, kVolumeHeaderSize);
  util::StoreLe16(out.data() + 52, ext_name ? kVolumeHeaderSize : 0);
  out[55] = 2;  // revision
  util::StoreLe32(out.data() + 56, uint32_t(size / block_size));
  util::StoreLe32(out.data() + 60, block_size);
  util::StoreLe16(out.data() + 50, Checksum16(std::span(out).first(kVolumeHeaderSize)));
  if (ext_name) {
    std::copy(ext_name->begin(), ext_name->end(), out.begin() + kVolumeHeaderSize);
    util::StoreLe32(out.data() + kVolumeHeaderSize + 16, kExtHeaderSize);
  }

  if (layout) layout->clear();
  uint64_t pos = FirstFileOffset();
  auto place = [&](const FfsFile& file) {
    const Bytes bytes = file.Serialize(erase_polarity);
    if (bytes.size() > size - pos) {
      throw std::invalid_argument(
          "volume of " + std::to_string(size) + " bytes has no room for a file of " +
          std::to_string(bytes.size()) + " bytes at offset " + std::to_string(pos));
    }
    std::copy(bytes.begin(), bytes.end(), out.begin() + pos);
    if (layout) layout->push_back({file.name, file.type, pos, uint32_t(bytes.size())});
    pos = AlignUp(pos + bytes.size(), 8);
  };
  for (const FfsFile& file : files) {
    const uint32_t alignment = file.EffectiveAlignment();
    if (alignment > 8 && (pos + kFfsHeaderSize) % alignment != 0) {
      // The smallest pad file (a multiple of 8, at least a header) that puts the data there.
      uint64_t pad = AlignUp(pos + 2 * kFfsHeaderSize, alignment) - kFfsHeaderSize - pos;
      place(FfsFile::Pad(uint32_t(pad)));
    }
    place(file);
  }
  if (top_file) {
    const Bytes bytes = top_file->Serialize(erase_polarity);
    if (bytes.size() % 8 != 0) throw std::invalid_argument("a top file's size is a multiple of 8");
    if (bytes.size() > size - pos) {
      throw std::invalid_argument("no room for the top file of the volume");
    }
    const uint64_t top = size - bytes.size();
    if ((top + kFfsHeaderSize) % top_file->EffectiveAlignment() != 0) {
      throw std::invalid_argument("the top file's data cannot be aligned to " +
                                  std::to_string(top_file->EffectiveAlignment()) +
                                  " at the volume end");
    }
    if (top > pos && top - pos < kFfsHeaderSize) {
      throw std::invalid_argument("the gap before the top file is too small for a pad file");
    }
    if (top > pos) place(FfsFile::Pad(uint32_t(top - pos)));
    place(*top_file);
  }
  return out;
}

// --- flash image ----------------------------------------------------------------------------

FlashImage::FlashImage(uint64_t size, uint8_t fill) : m_bytes(size, fill) {}

FlashImage& FlashImage::Place(uint64_t offset, std::span<const uint8_t> bytes) {
  if (offset > m_bytes.size() || bytes.size() > m_bytes.size() - offset) {
    throw std::invalid_argument("placement at " + std::to_string(offset) + " leaves the image");
  }
  for (const auto& [start, end] : m_used) {
    if (offset < end && start < offset + bytes.size()) {
      throw std::invalid_argument("placement at " + std::to_string(offset) +
                                  " overlaps an earlier one");
    }
  }
  std::copy(bytes.begin(), bytes.end(), m_bytes.begin() + offset);
  m_used.emplace_back(offset, offset + bytes.size());
  return *this;
}

}  // namespace kalvire::tools
