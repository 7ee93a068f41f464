#include "rom/module_extract.h"

#include <algorithm>
#include <cstring>

#include "codec/tiano.h"
#include "rom/ffs_file.h"
#include "rom/messages.h"
#include "rom/section.h"
#include "util/le.h"

namespace kalvire::rom {

namespace {

constexpr uint8_t kFlattenPaddingByte = 0xFD;
constexpr uint64_t kUncompressedLengthOffset = 4;
constexpr uint64_t kLzmaPayloadOffset = 24;

const FileRecord* FindFileRecord(const RomWorkspace& ws, const Guid& guid) {
  for (uint32_t i = 0; i < ws.m_file_count; ++i) {
    if (ws.m_files[i].name == guid) return &ws.m_files[i];
  }
  return nullptr;
}

// Appends a section as it is and pads the output to a multiple of 4.
void CopyWhole(std::vector<uint8_t>& out, std::span<const uint8_t> section) {
  out.insert(out.end(), section.begin(), section.end());
  out.resize(Align4(out.size()), 0);
}

// Decodes a Tiano/EFI payload, trying the Tiano version before the EFI one; the version that
// worked, or 0.
uint32_t DecodeTiano(std::span<const uint8_t> payload, std::span<uint8_t> destination) {
  std::vector<uint8_t> scratch(codec::kTianoScratchSize);
  for (const uint32_t version : {2u, 1u}) {
    if (codec::Tiano_Decompress(payload, destination, scratch, version) == codec::kCodecSuccess) {
      return version;
    }
  }
  return 0;
}

// Marks the alignment gaps between the sections of the flattened file.
void FillSectionPadding(std::vector<uint8_t>& out) {
  const uint64_t length = out.size();
  uint64_t pos = kFfsHeaderSize;
  while (pos + kFfsHeaderSize < length) {
    const uint64_t size = util::LoadLe24(out.data() + pos);
    if (size < kSectionHeaderSize) break;
    const uint64_t gap_begin = std::min(pos + size, length);
    const uint64_t gap_end = std::min(pos + Align4(size), length);
    std::fill(out.begin() + gap_begin, out.begin() + gap_end, kFlattenPaddingByte);
    pos += Align4(size);
  }
}

}  // namespace

int ExtractModule(RomContext context, const Guid& guid, ModuleSlot& slot) {
  RomWorkspace& ws = context.workspace;
  uint32_t version = slot.compression_version;
  slot.Clear();
  const FileRecord* record = FindFileRecord(ws, guid);
  if (!record) return 0;
  const auto source =
      util::Slice(ws.Buffer(record->file.buffer), record->file.offset, record->size);
  if (!source || record->size < kFfsHeaderSize) return 0;
  const std::vector<uint8_t> copy(source->begin(), source->end());
  const std::span<const uint8_t> file(copy);

  std::vector<uint8_t> out(copy.begin(), copy.begin() + kFfsHeaderSize);
  uint64_t data_offset = 0;
  uint64_t decoded_size = 0;
  uint64_t last_padding = 0;

  for (uint64_t offset = kFfsHeaderSize; offset < file.size();) {
    const auto header = ReadSectionHeader(file, offset);
    if (!header || header->size < kSectionHeaderSize || header->size > file.size() - offset) {
      ws.m_diagnostics.push_back("module " + FormatGuid(guid) + ": the section at file offset " +
                                 std::to_string(offset) + " passes the end of its file");
      return 0;
    }
    const auto section = file.subspan(offset, header->size);
    last_padding = Align4(header->size) - header->size;
    const bool has_type_byte = section.size() > kCompressionTypeOffset;
    switch (header->type) {
      case kSectionCompression: {
        if (section.size() < kCompressionHeaderSize) return kExtractShortCompressionSection;
        if (section[kCompressionTypeOffset] == kCompressionStored) {
          version = 0;
          data_offset = out.size();
          CopyWhole(out, section);
          break;
        }
        const uint32_t uncompressed = util::LoadLe32(section.data() + kUncompressedLengthOffset);
        decoded_size = uncompressed;
        uint32_t decoded_by = 0;
        if (uncompressed <= kMaxDecodedSize) {
          data_offset = out.size();
          out.resize(out.size() + uncompressed);
          decoded_by = DecodeTiano(section.subspan(kCompressionHeaderSize),
                                   std::span<uint8_t>(out).subspan(data_offset));
        }
        if (decoded_by == 0) {
          ShowPlainMessage(context, kMsgUnsupportedVersion);
          return 0;
        }
        version = decoded_by;
        break;
      }
      case kSectionGuidDefined:
        if (has_type_byte && section[kCompressionTypeOffset] != 0) {
          std::vector<uint8_t> decoded;
          if (section.size() < kLzmaPayloadOffset ||
              !DecodeLzmaPayload(section.subspan(kLzmaPayloadOffset), decoded)) {
            return kExtractLzmaUndecodable;
          }
          decoded_size = decoded.size();
          data_offset = out.size();
          out.insert(out.end(), decoded.begin(), decoded.end());
        } else {
          CopyWhole(out, section);
        }
        break;
      case kSectionPe32:
      case kSectionFreeform:
        data_offset = out.size();
        CopyWhole(out, section);
        break;
      default:
        CopyWhole(out, section);
        break;
    }
    offset += Align4(header->size);
  }

  FillSectionPadding(out);
  const uint64_t length = out.size() - last_padding;
  WriteFfsFileSize(out, uint32_t(length));

  // The last decoded size may belong to a section before the one the data starts at; the data
  // never reaches past the flattened file.
  const uint64_t tail = length > data_offset ? length - data_offset : 0;
  const uint64_t data_size =
      std::min<uint64_t>(std::max(decoded_size, tail), out.size() - data_offset);
  slot.file = std::move(out);
  slot.data_offset = uint32_t(data_offset);
  slot.data_size = uint32_t(data_size);
  slot.compression_version = version;
  return 1;
}

}  // namespace kalvire::rom
