#include "rom/firmware_walk.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "rom/ffs_file.h"
#include "rom/messages.h"
#include "rom/section.h"
#include "rom/volume.h"
#include "util/le.h"

namespace kalvire::rom {

namespace {

// Volumes no longer than this hold no file worth listing.
constexpr uint64_t kMinWalkedVolumeLength = 88;
// Where the volume lies in the decoded data of a firmware-volume-image file of this layout:
// after a volume image section header, or after a 12-byte raw section and that header.
constexpr uint64_t kNestedVolumeInCompression = 4;
constexpr uint64_t kNestedVolumeInGuidDefined = 16;

enum class VolumeImageOutcome { kContinue, kVolumeDone, kUndecodable };

struct WalkContext {
  RomContext context;
  RomWorkspace& ws;
  bool volume_table_full = false;
  bool file_table_full = false;
};

void Note(WalkContext& ctx, const std::string& text) {
  ctx.ws.m_diagnostics.push_back(text);
}

bool AddVolume(WalkContext& ctx, BufferPos start, uint32_t fv_length, uint64_t first_file) {
  if (ctx.ws.m_volume_count == kVolumeCapacity) {
    if (!ctx.volume_table_full) {
      Note(ctx, "volume table full (" + std::to_string(kVolumeCapacity) +
                    " volumes): the volume at " + PositionText(start) +
                    " and later ones are not listed");
    }
    ctx.volume_table_full = true;
    return false;
  }
  ctx.ws.m_volumes[ctx.ws.m_volume_count++] = {start, fv_length, first_file, 0};
  return true;
}

bool IsRecorded(const RomWorkspace& ws, BufferPos start) {
  for (uint32_t k = 0; k < ws.m_volume_count; ++k) {
    const BufferPos& known = ws.m_volumes[k].start;
    if (known.buffer == start.buffer && known.offset == start.offset) return true;
  }
  return false;
}

// Records the volume at `start` (unless it is known already or the table is full) when its
// header is valid; false when it is not.
bool AddVolumeIfValid(WalkContext& ctx, BufferPos start) {
  FirmwareVolumeHeader header;
  uint64_t first_file = 0;
  if (!ReadValidVolume(ctx.ws.Buffer(start.buffer), start.offset, header, first_file)) {
    return false;
  }
  if (!IsRecorded(ctx.ws, start)) AddVolume(ctx, start, header.fv_length, first_file);
  return true;
}

// The first position base + 16 i holding `guid` in full.
std::optional<uint64_t> FindAlignedGuid(std::span<const uint8_t> image, uint64_t base,
                                        const Guid& guid) {
  for (uint64_t pos = base; pos <= image.size() && image.size() - pos >= 16; pos += 16) {
    if (std::memcmp(image.data() + pos, guid.data(), 16) == 0) return pos;
  }
  return std::nullopt;
}

// Volumes of the FFS2 file system with the "_FVH" signature, wherever they lie on a 16-byte
// step, so that volumes stored plainly inside other volumes are found too.
void SearchFfs2Volumes(WalkContext& ctx) {
  const std::span<const uint8_t> image = ctx.ws.m_working_image;
  uint64_t base = 0;
  while (const auto match = FindAlignedGuid(image, base, kFfs2FileSystemGuid)) {
    const uint64_t m = *match;
    const bool signed_volume =
        util::Fits(image, m + 24, 4) && std::memcmp(image.data() + m + 24, "_FVH", 4) == 0;
    if (m >= kVolumeFileSystemGuidOffset && signed_volume) {
      const BufferPos start{kWorkingImageBuffer, m - kVolumeFileSystemGuidOffset};
      if (!AddVolumeIfValid(ctx, start)) {
        Note(ctx, "volume at " + PositionText(start) +
                      ": its length or extended header passes the end of the image; not walked");
      }
    }
    base = m + 32;
  }
}

// Older images: volumes of the FFS1 file system, expected one after the other. No signature is
// required of them.
void SearchFfs1Volumes(WalkContext& ctx) {
  const std::span<const uint8_t> image = ctx.ws.m_working_image;
  uint64_t base = 0;
  while (base < image.size()) {
    const auto match = FindAlignedGuid(image, base, kFfs1FileSystemGuid);
    if (!match) break;
    const uint64_t m = *match;
    uint64_t length = 0;
    if (m >= kVolumeFileSystemGuidOffset) {
      const uint64_t start = m - kVolumeFileSystemGuidOffset;
      const auto header = ReadVolumeHeader(image, start);
      if (header && header->fv_length >= kVolumeFirstFileOffset &&
          util::Fits(image, start, header->fv_length)) {
        AddVolume(ctx, {kWorkingImageBuffer, start}, header->fv_length,
                  start + kVolumeFirstFileOffset);
        length = header->fv_length;
      } else {
        Note(ctx, "volume at " + PositionText({kWorkingImageBuffer, start}) +
                      ": its length passes the end of the image; not walked");
      }
    }
    // The next volume is expected right after this one, counted from where the search began;
    // a length that would lead back to this match continues after it instead.
    uint64_t next = base + length;
    if (next <= m) next = m + 16;
    base = next;
  }
}

// The volume found in the decoded data of a firmware-volume-image file: at the place this
// layout puts it, or else in every volume image section of the decoded data.
void AddDecodedVolumes(WalkContext& ctx, uint32_t buffer_id, uint64_t place) {
  if (AddVolumeIfValid(ctx, {buffer_id, place})) return;
  const std::span<const uint8_t> data = ctx.ws.Buffer(buffer_id);
  uint64_t offset = 0;
  bool found = false;
  while (const auto extent = ReadSectionExtent(data, offset, data.size())) {
    if (extent->type == kSectionVolumeImage) {
      found |= AddVolumeIfValid(ctx, {buffer_id, offset + extent->header_size});
    }
    offset += Align4(extent->size);
  }
  if (!found) Note(ctx, "decoded volume " + std::to_string(buffer_id) + " holds no valid volume");
}

VolumeImageOutcome DecodeNestedVolume(WalkContext& ctx, uint32_t volume_index, uint32_t file_index,
                                      std::span<const uint8_t> file, uint64_t offset) {
  const SectionHeader header = *ReadSectionHeader(file, offset);
  const bool guid_defined = header.type == kSectionGuidDefined;
  const uint64_t header_size = guid_defined ? kGuidDefinedHeaderSize : kCompressionHeaderSize;
  const BufferPos file_pos = ctx.ws.m_files[file_index].file;
  if (header.size < header_size || !util::Fits(file, offset, header.size)) {
    Note(ctx, "compressed volume section at " +
                  PositionText({file_pos.buffer, file_pos.offset + offset}) +
                  " passes its file's end");
    return VolumeImageOutcome::kUndecodable;
  }
  const auto section = file.subspan(offset, header.size);
  const auto payload = section.subspan(header_size);
  const uint8_t compression_type = section[kCompressionTypeOffset];
  std::vector<uint8_t> decoded;
  bool ok = false;
  if (guid_defined || compression_type == kCompressionLzma) {
    ok = DecodeLzmaPayload(payload, decoded);
  } else if (compression_type == kCompressionStored) {
    decoded.assign(payload.begin(), payload.end());
    ok = true;
  } else {
    ok = DecodeEfiPayload(payload, decoded);
  }
  if (!ok) {
    Note(ctx, "compressed volume section at " +
                  PositionText({file_pos.buffer, file_pos.offset + offset}) + " cannot be decoded");
    return VolumeImageOutcome::kUndecodable;
  }
  ctx.ws.m_decoded_volumes.push_back(std::move(decoded));
  const auto buffer_id = uint32_t(ctx.ws.m_decoded_volumes.size());
  ctx.ws.m_nested = {buffer_id, uint32_t(ctx.ws.m_decoded_volumes.back().size()), file_index,
                     uint32_t(offset), volume_index};
  AddDecodedVolumes(ctx, buffer_id,
                    guid_defined ? kNestedVolumeInGuidDefined : kNestedVolumeInCompression);
  return VolumeImageOutcome::kContinue;
}

// A firmware-volume-image file: its first section after the dependency and raw sections
// decides what it holds.
VolumeImageOutcome OpenVolumeImageFile(WalkContext& ctx, uint32_t volume_index, uint32_t file_index,
                                       std::span<const uint8_t> file) {
  uint64_t offset = kFfsHeaderSize;
  std::optional<SectionHeader> header;
  for (;;) {
    header = ReadSectionHeader(file, offset);
    if (!header) return VolumeImageOutcome::kContinue;
    const uint8_t type = header->type;
    if (type != kSectionPeiDepex && type != kSectionDxeDepex && type != kSectionRaw) break;
    if (header->size < kSectionHeaderSize) return VolumeImageOutcome::kContinue;
    offset += Align4(header->size);
  }
  switch (header->type) {
    case kSectionVolumeImage: {
      // The search finds plain volumes in the image on its 16-byte steps; one that is off that
      // step, or that lies in a decoded buffer, is taken from here.
      const BufferPos file_pos = ctx.ws.m_files[file_index].file;
      if (const auto extent = ReadSectionExtent(file, offset, file.size())) {
        AddVolumeIfValid(ctx, {file_pos.buffer, file_pos.offset + offset + extent->header_size});
      }
      return VolumeImageOutcome::kContinue;
    }
    case kSectionErased:
      return VolumeImageOutcome::kVolumeDone;
    case kSectionCompression:
    case kSectionGuidDefined:
      return DecodeNestedVolume(ctx, volume_index, file_index, file, offset);
    default:
      return VolumeImageOutcome::kContinue;
  }
}

// The size of a file whose Size was never written: up to the next volume when that one
// starts inside this volume after the header, else up to this volume's end.
uint64_t UnsetFileSize(const RomWorkspace& ws, uint32_t k, uint64_t cur, uint64_t volume_end) {
  if (k + 1 < ws.m_volume_count) {
    const BufferPos next = ws.m_volumes[k + 1].start;
    if (next.buffer == ws.m_volumes[k].start.buffer && next.offset >= cur + kFfsHeaderSize &&
        next.offset <= volume_end) {
      return next.offset - cur;
    }
  }
  return volume_end - cur;
}

// Walks the files of volume record k; false when a nested volume cannot be decoded.
bool WalkVolume(WalkContext& ctx, uint32_t k) {
  RomWorkspace& ws = ctx.ws;
  const VolumeRecord vol = ws.m_volumes[k];
  if (vol.fv_length <= kMinWalkedVolumeLength) return true;
  const std::span<const uint8_t> buffer = ws.Buffer(vol.start.buffer);
  const uint64_t volume_end = std::min<uint64_t>(vol.start.offset + vol.fv_length, buffer.size());
  const auto volume = buffer.first(volume_end);
  // The walk's range counts FvLength from the first file, so with an extended header it runs
  // a little past the volume; every header read is still kept inside the volume.
  const uint64_t end = vol.first_file + vol.fv_length - kVolumeFirstFileOffset;
  // A file is examined while its header lies inside both, so that the volume top file, which
  // ends exactly at the volume's end, is listed however small it is.
  const uint64_t header_limit = std::min(end, volume_end);
  uint64_t cur = vol.first_file;
  uint32_t count = 0;
  bool decodable = true;
  while (!ctx.file_table_full && cur <= header_limit && header_limit - cur >= kFfsHeaderSize) {
    const auto header = ReadFfsFileHeader(volume, cur);
    if (!header) {
      Note(ctx,
           "file header at " + PositionText({vol.start.buffer, cur}) + " passes its volume's end");
      break;
    }
    if (IsErasedName(header->name)) {
      if (header->type != kFileTypePad) break;  // free space begins
      if (header->size < kFfsHeaderSize) {
        Note(ctx, "pad file at " + PositionText({vol.start.buffer, cur}) +
                      " has a size below its header");
        break;
      }
      cur += Align8(header->size);
      continue;
    }
    const bool unset = header->size == kFfsSizeUnset;
    uint64_t size = header->size;
    if (unset) {
      size = UnsetFileSize(ws, k, cur, volume_end);
    } else if (size < kFfsHeaderSize || size > volume_end - cur) {
      Note(ctx, "file " + FormatGuid(header->name) + " at " +
                    PositionText({vol.start.buffer, cur}) +
                    " declares a size that passes its volume's end");
      break;
    }
    if (ws.m_file_count == kFileCapacity) {
      Note(ctx, "file table full (" + std::to_string(kFileCapacity) + " files): the file at " +
                    PositionText({vol.start.buffer, cur}) + " and later ones are not listed");
      ctx.file_table_full = true;
      break;
    }
    const uint32_t index = ws.m_file_count++;
    ws.m_files[index] = {{vol.start.buffer, cur}, header->name, uint32_t(size), k};
    ++count;
    if (header->type == kFileTypeVolumeImage) {
      const auto outcome = OpenVolumeImageFile(ctx, k, index, volume.subspan(cur, size));
      if (outcome == VolumeImageOutcome::kUndecodable) {
        decodable = false;
        break;
      }
      if (outcome == VolumeImageOutcome::kVolumeDone) break;
    }
    if (unset) break;
    cur += Align8(size);
  }
  ws.m_volumes[k].file_count = count;
  return decodable;
}

}  // namespace

void ClearFileTable(RomWorkspace& workspace) {
  std::fill(workspace.m_files.begin(), workspace.m_files.end(), FileRecord{});
  workspace.m_file_count = 0;
}

int WalkFirmwareVolumes(RomContext context) {
  ReportProgress(context, "Walking the firmware volumes");
  RomWorkspace& ws = context.workspace;
  WalkContext ctx{context, ws};
  ws.m_decoded_volumes.clear();
  // Positions into decoded buffers are offsets, but keeping the outer list from reallocating
  // keeps spans taken during the walk valid as well.
  ws.m_decoded_volumes.reserve(kVolumeCapacity);
  ws.m_nested = {};
  ws.m_volume_count = 0;
  SearchFfs2Volumes(ctx);
  if (ws.m_volume_count == 0) SearchFfs1Volumes(ctx);
  // The file table is cleared on every path, so no record of an earlier image outlives it.
  ClearFileTable(ws);
  if (ws.m_volume_count == 0) {
    ShowPlainMessage(context, kMsgInvalidImageType);
    return 0;
  }
  for (uint32_t k = 0; k < ws.m_volume_count; ++k) {
    if (!WalkVolume(ctx, k)) return kWalkNestedVolumeUndecodable;
  }
  return 1;
}

uint32_t VolumeFreeSpace(const RomWorkspace& workspace, BufferPos volume_start) {
  const auto buffer = workspace.Buffer(volume_start.buffer);
  const auto header = ReadVolumeHeader(buffer, volume_start.offset);
  if (!header) return 0;
  const auto volume =
      buffer.subspan(volume_start.offset,
                     std::min<uint64_t>(header->fv_length, buffer.size() - volume_start.offset));
  const uint64_t length = volume.size();
  uint64_t pos = header->header_length;
  if (header->ext_header_offset != 0) {
    const auto ext_size = util::ReadLe32(volume, header->ext_header_offset + 16);
    if (!ext_size) return 0;
    pos = uint64_t(header->ext_header_offset) + *ext_size;
    for (;;) {
      const auto entry_size = util::ReadLe16(volume, pos);
      if (!entry_size || *entry_size == 0) return 0;
      if (*entry_size == 0xFFFF) break;
      pos += *entry_size;
    }
    pos += 4;
  }
  while (pos < length) {
    const auto name_start = util::Slice(volume, pos, 8);
    if (!name_start) break;
    if (std::all_of(name_start->begin(), name_start->end(), [](uint8_t b) { return b == 0xFF; })) {
      break;
    }
    const auto size = util::ReadLe24(volume, pos + kFfsSizeOffset);
    // A file without a usable size leaves no free space that could be trusted.
    if (!size || *size < kFfsHeaderSize) return 0;
    pos += Align8(*size);
  }
  return pos >= length ? 0 : uint32_t(length - pos);
}

}  // namespace kalvire::rom
