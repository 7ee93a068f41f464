#include "rom/rebuild_file.h"

#include "rom/compressions_ahead.h"
#include "rom/ffs_file.h"
#include "rom/messages.h"
#include "rom/section.h"
#include "util/le.h"

namespace kalvire::rom {

namespace {

constexpr uint64_t kUncompressedLengthOffset = 4;
constexpr uint8_t kCompressionCompressed = 1;

// The file of record `file_index` as it lies in its buffer; nullopt when it does not.
std::optional<std::span<const uint8_t>> RecordFile(const RomWorkspace& ws, uint32_t file_index) {
  if (file_index >= ws.m_file_count) return std::nullopt;
  const FileRecord& record = ws.m_files[file_index];
  if (record.size < kFfsHeaderSize) return std::nullopt;
  return util::Slice(ws.Buffer(record.file.buffer), record.file.offset, record.size);
}

// A section whose bytes the flattened file holds decoded: the flattened file and the stored one
// lay out differently behind it.
bool IsDecodedSection(std::span<const uint8_t> section) {
  const uint8_t type = section[3];
  if (type != kSectionCompression && type != kSectionGuidDefined) return false;
  return section.size() > kCompressionTypeOffset && section[kCompressionTypeOffset] != 0;
}

// The module's section at `offset` of the stored file, when every section before it was copied
// whole into the flattened file, so that the flattened offset names the same place here.
std::optional<std::span<const uint8_t>> ModuleSection(std::span<const uint8_t> file,
                                                      uint64_t offset) {
  uint64_t pos = kFfsHeaderSize;
  for (;;) {
    const auto header = ReadSectionHeader(file, pos);
    if (!header || header->size < kSectionHeaderSize || header->size > file.size() - pos) {
      return std::nullopt;
    }
    const auto section = file.subspan(pos, header->size);
    if (pos == offset) return section;
    if (pos > offset || IsDecodedSection(section)) return std::nullopt;
    pos += Align4(header->size);
  }
}

std::vector<uint8_t> Joined(std::span<const uint8_t> head, std::span<const uint8_t> tail) {
  std::vector<uint8_t> out;
  out.reserve(head.size() + tail.size());
  out.insert(out.end(), head.begin(), head.end());
  out.insert(out.end(), tail.begin(), tail.end());
  return out;
}

std::optional<std::vector<uint8_t>> Refuse(RomContext context) {
  ShowPlainMessage(context, kMsgModuleNotRebuildable);
  return std::nullopt;
}

// The module data as its own section: the file up to the section, then the data. The edits keep
// the header at the start of the data current; its Size becomes the data size only when no
// other section follows it in the data (a PE32 section followed by the user-interface section
// keeps its own Size, so the name is not folded into the image).
std::optional<std::vector<uint8_t>> PlainFile(RomContext context, std::span<const uint8_t> file,
                                              const ModuleRebuild& rebuild, bool stored) {
  const uint64_t header_size = stored ? kCompressionHeaderSize : kSectionHeaderSize;
  if (rebuild.data.size() < header_size) return Refuse(context);
  std::vector<uint8_t> out = Joined(file.first(rebuild.data_offset), rebuild.data);
  uint8_t* section = out.data() + rebuild.data_offset;
  const uint32_t declared = util::LoadLe24(section);
  if (stored || Align4(declared) >= rebuild.data.size()) {
    WriteSectionSize(section, uint32_t(rebuild.data.size()));
  }
  if (stored) {
    util::StoreLe32(section + kUncompressedLengthOffset,
                    uint32_t(rebuild.data.size() - kCompressionHeaderSize));
  }
  return out;
}

std::optional<std::vector<uint8_t>> CompressedFile(RomContext context,
                                                   std::span<const uint8_t> file,
                                                   uint64_t section_offset, uint64_t header_size,
                                                   std::span<const uint8_t> data,
                                                   SectionCodec codec, uint32_t version,
                                                   const char* size_query_message) {
  auto payload = CompressSectionData(context, data, codec, version, size_query_message);
  if (!payload) return std::nullopt;
  std::vector<uint8_t> out = Joined(file.first(section_offset + header_size), *payload);
  WriteSectionSize(out.data() + section_offset, uint32_t(header_size + payload->size()));
  return out;
}

}  // namespace

std::optional<std::vector<uint8_t>> CompressSectionData(RomContext context,
                                                        std::span<const uint8_t> data,
                                                        SectionCodec codec, uint32_t version,
                                                        const char* size_query_message) {
  std::optional<SectionCompression> compressed;
  if (context.ahead) compressed = context.ahead->Take(data, codec, version);
  if (!compressed) compressed = CompressSection(data, codec, version);
  if (compressed->size_status != codec::kCodecBufferTooSmall) {
    ShowPlainMessage(context, size_query_message);
  }
  if (compressed->status != codec::kCodecSuccess) {
    ShowPlainMessage(context, kMsgCompressFailed);
    return std::nullopt;
  }
  return std::move(compressed->bytes);
}

std::optional<std::vector<uint8_t>> BuildModuleFile(RomContext context, uint32_t file_index,
                                                    const ModuleRebuild& rebuild) {
  const auto file = RecordFile(context.workspace, file_index);
  if (!file) return Refuse(context);
  const auto section = ModuleSection(*file, rebuild.data_offset);
  if (!section) return Refuse(context);
  const uint8_t type = (*section)[3];
  switch (type) {
    case kSectionPe32:
    case kSectionFreeform:
      return PlainFile(context, *file, rebuild, false);
    case kSectionCompression: {
      if (section->size() < kCompressionHeaderSize) return Refuse(context);
      if ((*section)[kCompressionTypeOffset] == kCompressionStored) {
        return PlainFile(context, *file, rebuild, true);
      }
      auto out = CompressedFile(context, *file, rebuild.data_offset, kCompressionHeaderSize,
                                rebuild.data, SectionCodec::kTiano, rebuild.compression_version,
                                rebuild.size_query_message);
      if (!out) return std::nullopt;
      uint8_t* header = out->data() + rebuild.data_offset;
      util::StoreLe32(header + kUncompressedLengthOffset, uint32_t(rebuild.data.size()));
      if (rebuild.set_compression_type) header[kCompressionTypeOffset] = kCompressionCompressed;
      return out;
    }
    case kSectionGuidDefined:
      // Only a section that Open decoded as LZMA holds the module's data in compressed form.
      if (!IsDecodedSection(*section) || section->size() < kGuidDefinedHeaderSize) {
        return Refuse(context);
      }
      return CompressedFile(context, *file, rebuild.data_offset, kGuidDefinedHeaderSize,
                            rebuild.data, SectionCodec::kLzma, 0, rebuild.size_query_message);
    default:
      return Refuse(context);
  }
}

void StartModuleCompression(RomContext context, uint32_t file_index, const ModuleRebuild& rebuild) {
  if (!context.ahead) return;
  const auto file = RecordFile(context.workspace, file_index);
  if (!file) return;
  const auto section = ModuleSection(*file, rebuild.data_offset);
  if (!section) return;
  // The same sections as BuildModuleFile compresses; a start it does not take costs only time.
  const uint8_t type = (*section)[3];
  if (type == kSectionCompression && section->size() >= kCompressionHeaderSize &&
      (*section)[kCompressionTypeOffset] != kCompressionStored) {
    context.ahead->Start(rebuild.data, SectionCodec::kTiano, rebuild.compression_version);
  } else if (type == kSectionGuidDefined && IsDecodedSection(*section) &&
             section->size() >= kGuidDefinedHeaderSize) {
    context.ahead->Start(rebuild.data, SectionCodec::kLzma, 0);
  }
}

std::optional<std::vector<uint8_t>> BuildNestedVolumeFile(RomContext context) {
  const RomWorkspace& ws = context.workspace;
  const NestedVolume& nested = ws.m_nested;
  const auto file = RecordFile(ws, nested.file_index);
  const std::span<const uint8_t> volume = ws.Buffer(nested.buffer);
  if (!file || volume.size() < nested.decoded_size) return Refuse(context);
  const auto header = ReadSectionHeader(*file, nested.section_offset);
  if (!header) return Refuse(context);
  const std::span<const uint8_t> data = volume.first(nested.decoded_size);
  if (header->type == kSectionGuidDefined) {
    if (nested.section_offset + kGuidDefinedHeaderSize > file->size()) return Refuse(context);
    return CompressedFile(context, *file, nested.section_offset, kGuidDefinedHeaderSize, data,
                          SectionCodec::kLzma, 0, kMsgCompressionSizeFailed);
  }
  if (header->type != kSectionCompression ||
      nested.section_offset + kCompressionHeaderSize > file->size()) {
    return Refuse(context);
  }
  const uint8_t compression = (*file)[nested.section_offset + kCompressionTypeOffset];
  if (compression == kCompressionStored) {
    // A volume stored uncompressed goes back as it is; compressing it would contradict the
    // section's CompressionType.
    std::vector<uint8_t> out =
        Joined(file->first(nested.section_offset + kCompressionHeaderSize), data);
    WriteSectionSize(out.data() + nested.section_offset,
                     uint32_t(kCompressionHeaderSize + data.size()));
    return out;
  }
  const SectionCodec codec =
      compression == kCompressionLzma ? SectionCodec::kLzma : SectionCodec::kTiano;
  return CompressedFile(context, *file, nested.section_offset, kCompressionHeaderSize, data, codec,
                        1, kMsgCompressionSizeFailed);
}

}  // namespace kalvire::rom
