#include "rom/image_damage.h"

#include <algorithm>
#include <cstring>

#include "rom/capsule.h"
#include "rom/ffs_file.h"
#include "rom/volume.h"
#include "rom/volume_extent.h"
#include "util/hex_text.h"
#include "util/le.h"

namespace kalvire::rom {

namespace {

using util::HexText;

constexpr uint64_t kVolumeHeaderFields = 56;
constexpr uint64_t kDescriptorSignatureOffset = 0x10;
constexpr uint32_t kDescriptorSignature = 0x0FF0A55A;
constexpr uint64_t kDescriptorRegions = 8;
constexpr uint64_t kDescriptorUnit = 0x1000;

bool IsFileSystemGuid(std::span<const uint8_t> bytes) {
  for (const Guid& guid : {kFfs1FileSystemGuid, kFfs2FileSystemGuid, kFfs3FileSystemGuid}) {
    if (std::equal(guid.begin(), guid.end(), bytes.begin())) return true;
  }
  return false;
}

bool IsErased(std::span<const uint8_t> bytes) {
  return std::all_of(bytes.begin(), bytes.end(), [](uint8_t b) { return b == 0xFF; }) ||
         std::all_of(bytes.begin(), bytes.end(), [](uint8_t b) { return b == 0x00; });
}

bool IsRecordedVolume(const RomWorkspace& ws, uint64_t start) {
  for (uint32_t k = 0; k < ws.m_volume_count; ++k) {
    const BufferPos& pos = ws.m_volumes[k].start;
    if (pos.buffer == kWorkingImageBuffer && pos.offset == start) return true;
  }
  return false;
}

// The first file of a volume that the end of the file cuts short, with the volume's label.
void ReportCutFile(std::span<const uint8_t> image, uint64_t start,
                   const FirmwareVolumeHeader& header, const std::string& label,
                   std::vector<VerifyProblem>& damage) {
  const auto first = FirstFileOffset(image, start, header);
  if (!first) return;
  uint64_t cur = *first;
  while (cur < image.size()) {
    const auto file = ReadFfsFileHeader(image, cur);
    if (file && IsErasedName(file->name) && file->type != kFileTypePad) return;
    if (file && file->size >= kFfsHeaderSize && file->size <= image.size() - cur) {
      cur = start + Align8(cur - start + file->size);
      continue;
    }
    // Erased bytes too few for a header, or a Size below one: the file table ended before.
    if ((!file && IsErased(image.subspan(cur))) || (file && file->size < kFfsHeaderSize)) return;
    const std::string name = file ? FormatGuid(file->name) : "";
    const std::string size = file ? "size " + HexText(file->size) + ", " : "";
    damage.push_back({label, name, cur - start,
                      "the file table is cut short by the end of the file (" + size +
                          HexText(image.size() - cur) + " bytes left)"});
    return;
  }
}

// Volume headers on the 16-byte steps the walk searches that it did not record because the
// end of the file cuts them or their length short. True when there is one.
bool ReportLostVolumes(const RomWorkspace& ws, std::vector<VerifyProblem>& damage) {
  const std::span<const uint8_t> image = ws.m_working_image;
  bool lost = false;
  for (uint64_t pos = 0; pos + kVolumeFileSystemGuidOffset + 16 <= image.size(); pos += 16) {
    if (!IsFileSystemGuid(image.subspan(pos + kVolumeFileSystemGuidOffset, 16))) continue;
    const uint64_t left = image.size() - pos;
    const bool signature_cut = left < kVolumeSignatureOffset + 4;
    if (!signature_cut && std::memcmp(image.data() + pos + kVolumeSignatureOffset, "_FVH", 4) != 0)
      continue;
    if (IsRecordedVolume(ws, pos)) continue;
    const std::string label = PositionText({kWorkingImageBuffer, pos});
    const auto header = ReadVolumeHeader(image, pos);
    if (!header) {
      damage.push_back({label, "", 0,
                        "the volume header is cut short by the end of the file (" + HexText(left) +
                            " of its " + HexText(kVolumeHeaderFields) + " bytes left)"});
    } else if (header->fv_length > left) {
      damage.push_back({label, "", 0,
                        "the volume runs past the end of the file (length " +
                            HexText(header->fv_length) + ", " + HexText(left) + " bytes left)"});
      ReportCutFile(image, pos, *header, label, damage);
    } else {
      continue;  // an FFS3 volume, which verify checks itself, or a header the walk refused
    }
    lost = true;
  }
  return lost;
}

void ReportOverlaps(const RomWorkspace& ws, std::vector<VerifyProblem>& damage) {
  for (uint32_t k = 0; k < ws.m_volume_count; ++k) {
    const int next = OverlappedVolume(ws, k);
    if (next < 0) continue;
    const VolumeRecord& volume = ws.m_volumes[k];
    const VolumeRecord& other = ws.m_volumes[uint32_t(next)];
    damage.push_back({PositionText(volume.start), "", 0,
                      "the volume's length " + HexText(volume.fv_length) + " runs " +
                          HexText(volume.start.offset + volume.fv_length - other.start.offset) +
                          " bytes into the volume at " + PositionText(other.start)});
  }
}

// The end of the highest region a flash descriptor at the image start describes; empty without
// a descriptor.
std::optional<uint64_t> DescriptorEnd(std::span<const uint8_t> image) {
  if (util::ReadLe32(image, kDescriptorSignatureOffset) != kDescriptorSignature) {
    return std::nullopt;
  }
  const auto map0 = util::ReadLe32(image, kDescriptorSignatureOffset + 4);
  if (!map0) return std::nullopt;
  const uint64_t regions = uint64_t((*map0 >> 16) & 0xFF) << 4;
  uint64_t end = 0;
  for (uint64_t r = 0; r < kDescriptorRegions; ++r) {
    const auto region = util::ReadLe32(image, regions + 4 * r);
    if (!region) break;
    const uint32_t base = *region & 0x7FFF;
    const uint32_t limit = (*region >> 16) & 0x7FFF;
    if (limit >= base) end = std::max<uint64_t>(end, (uint64_t(limit) + 1) * kDescriptorUnit);
  }
  return end;
}

// An image cut short: shorter than its descriptor's regions or its signed capsule's header
// says, or (without either) ending behind its last volume: a BIOS image ends with its boot
// block volume, so the end of the file cut that one off, or cut its header before the signature.
void ReportImageSize(const RomWorkspace& ws, bool volume_lost, std::vector<VerifyProblem>& damage) {
  const std::span<const uint8_t> image = ws.m_working_image;
  if (const auto end = DescriptorEnd(image)) {
    if (image.size() < *end) {
      damage.push_back({"", "", 0,
                        "the image holds " + HexText(image.size()) +
                            " bytes, but its flash descriptor's regions end at " + HexText(*end)});
    }
    return;
  }
  // The signature of a capsule follows its volumes.
  if (const auto capsule = FindSignedCapsule(image)) {
    if (image.size() < capsule->image_size) {
      damage.push_back({"", "", 0,
                        "the image holds " + HexText(image.size()) +
                            " bytes, but its capsule header says " + HexText(capsule->image_size)});
    }
    return;
  }
  if (volume_lost) return;
  uint64_t last_end = 0;
  for (uint32_t k = 0; k < ws.m_volume_count; ++k) {
    const VolumeRecord& volume = ws.m_volumes[k];
    if (volume.start.buffer != kWorkingImageBuffer) continue;
    last_end = std::max<uint64_t>(last_end, volume.start.offset + volume.fv_length);
  }
  if (last_end == 0 || last_end >= image.size()) return;
  const bool erased = IsErased(image.subspan(last_end));
  damage.push_back(
      {"", "", 0,
       "the image ends " + HexText(image.size() - last_end) +
           " bytes behind its last volume (which ends at image offset " + HexText(last_end) + ")" +
           (erased ? ", with no volume at its top" : " in bytes that are not erased")});
}

}  // namespace

std::vector<VerifyProblem> FindImageDamage(const RomWorkspace& workspace) {
  std::vector<VerifyProblem> damage;
  const bool volume_lost = ReportLostVolumes(workspace, damage);
  ReportOverlaps(workspace, damage);
  ReportImageSize(workspace, volume_lost, damage);
  return damage;
}

std::optional<std::string> DamageNotice(const std::vector<VerifyProblem>& damage) {
  if (damage.empty()) return std::nullopt;
  std::string text = "Warning: The image is damaged: " + FormatVerifyProblem(damage.front());
  if (damage.size() > 1) text += " (and " + std::to_string(damage.size() - 1) + " more)";
  return text + ".";
}

std::vector<std::string> WalkedImageNotices(const RomWorkspace& workspace) {
  std::vector<std::string> notices = ImageNotices(workspace.m_working_image);
  if (const auto damage = DamageNotice(FindImageDamage(workspace))) {
    notices.insert(notices.begin(), *damage);
  }
  return notices;
}

}  // namespace kalvire::rom
