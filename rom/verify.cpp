#include "rom/verify.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "rom/ffs_file.h"
#include "rom/firmware_walk.h"
#include "rom/image_damage.h"
#include "rom/volume.h"
#include "util/hex_text.h"
#include "util/le.h"

namespace kalvire::rom {

namespace {

// File states, as read with the volume's erase polarity applied; the highest bit set counts.
constexpr uint8_t kStateDataValid = 0x04;
constexpr uint8_t kStateDeleted = 0x10;

struct VolumeView {
  std::span<const uint8_t> buffer;
  uint64_t start = 0;
  uint64_t end = 0;
  uint64_t first_file = 0;
  bool ffs3 = false;
  uint8_t erase = 0xFF;
  std::string label;
};

class VolumeChecker {
 public:
  VolumeChecker(const VolumeView& volume, VerifyResult& result)
      : m_volume(volume), m_result(result) {
    m_result.files.push_back({volume.label, {}});
  }

  void Run() {
    uint64_t cur = m_volume.first_file;
    while (cur < m_volume.end) {
      const uint64_t left = m_volume.end - cur;
      if (left < kFfsHeaderSize || IsErased(cur, kFfsHeaderSize)) {
        // Free space; a file may still follow it (a volume-top file, or a history file).
        const auto next = NextFileAfterFreeSpace(cur);
        if (!next) return;
        cur = *next;
        continue;
      }
      const auto next = CheckFile(cur);
      if (!next) return;
      cur = *next;
    }
  }

 private:
  bool IsErased(uint64_t offset, uint64_t width) const {
    const auto bytes = m_volume.buffer.subspan(offset, width);
    return std::all_of(bytes.begin(), bytes.end(), [&](uint8_t b) { return b == m_volume.erase; });
  }

  void Report(const std::string& file, uint64_t offset, const std::string& reason) {
    m_result.problems.push_back({m_volume.label, file, offset - m_volume.start, reason});
  }

  bool HeaderChecksumHolds(uint64_t offset, uint64_t header_size) const {
    return FfsHeaderChecksumHolds(m_volume.buffer.subspan(offset, header_size));
  }

  // The 8-byte-aligned position of the first non-erased byte after `cur` when a file header
  // with a correct checksum starts there; empty when the rest of the volume is erased or holds
  // something that is not a file (reported).
  std::optional<uint64_t> NextFileAfterFreeSpace(uint64_t cur) {
    const auto rest = m_volume.buffer.subspan(cur, m_volume.end - cur);
    const auto it =
        std::find_if(rest.begin(), rest.end(), [&](uint8_t b) { return b != m_volume.erase; });
    if (it == rest.end()) return std::nullopt;
    const uint64_t data = cur + uint64_t(it - rest.begin());
    const uint64_t candidate = m_volume.start + ((data - m_volume.start) & ~uint64_t{7});
    if (candidate > cur &&
        util::Fits(m_volume.buffer.first(m_volume.end), candidate, kFfsHeaderSize) &&
        HeaderChecksumHolds(candidate, kFfsHeaderSize)) {
      return candidate;
    }
    Report("", data, "bytes other than the erase value in the free space");
    return std::nullopt;
  }

  // Checks the file at `cur`; the position of the next one, or empty when the walk of the
  // volume cannot go on.
  std::optional<uint64_t> CheckFile(uint64_t cur) {
    const auto volume = m_volume.buffer.first(m_volume.end);
    const FfsFileHeader header = *ReadFfsFileHeader(volume, cur);
    const uint8_t attributes = volume[cur + kFfsAttributesOffset];
    // Pad files (some of them named) come and go as files move on a save: they are checked but
    // not listed.
    const bool pad = volume[cur + kFfsTypeOffset] == kFileTypePad;
    const std::string name = IsErasedName(header.name) ? "pad file" : FormatGuid(header.name);
    const bool large = m_volume.ffs3 && (attributes & kFfsAttribLargeFile);
    const uint64_t header_size = large ? kFfsLargeHeaderSize : kFfsHeaderSize;
    if (!util::Fits(volume, cur, header_size)) {
      Report(name, cur, "the large file header passes the volume's end");
      return std::nullopt;
    }
    const uint64_t size =
        large ? util::LoadLe64(volume.data() + cur + kFfsHeaderSize) : header.size;
    if (!HeaderChecksumHolds(cur, header_size)) {
      Report(name, cur,
             "header checksum " + util::HexText(volume[cur + kFfsHeaderChecksumOffset]) +
                 " does not match the header");
    }
    if (size < header_size) {
      Report(name, cur, "Size " + util::HexText(size) + " is smaller than the file header");
      return std::nullopt;
    }
    if (size > m_volume.end - cur) {
      Report(name, cur,
             "the file passes the volume's end by " + util::HexText(size - (m_volume.end - cur)) +
                 " bytes");
      return std::nullopt;
    }
    CheckState(name, cur, volume[cur + kFfsStateOffset]);
    CheckDataChecksum(name, cur, header_size, size, attributes);
    CheckAlignment(name, cur, header_size, attributes);
    if (!pad && header.name != kHistoryFileGuid) {
      m_result.files.back().names.push_back(header.name);
    }
    return m_volume.start + Align8(cur - m_volume.start + size);
  }

  void CheckState(const std::string& name, uint64_t cur, uint8_t state) {
    const uint8_t effective = m_volume.erase == 0xFF ? uint8_t(~state) : state;
    uint8_t highest = 0x80;
    while (highest != 0 && (highest & effective) == 0) highest >>= 1;
    // Valid data, marked for update or deleted: the firmware uses or skips such a file;
    // anything else is a file whose writing never completed or whose header went bad.
    if (highest < kStateDataValid || highest > kStateDeleted) {
      Report(name, cur, "State " + util::HexText(state) + " does not mark a valid file");
    }
  }

  void CheckDataChecksum(const std::string& name, uint64_t cur, uint64_t header_size, uint64_t size,
                         uint8_t attributes) {
    const uint8_t stored = m_volume.buffer[cur + kFfsFileChecksumOffset];
    if ((attributes & kFfsAttribChecksum) == 0) {
      if (stored != kFfsFixedFileChecksum) {
        Report(name, cur,
               "file checksum " + util::HexText(stored) + " is not the fixed value 0xAA");
      }
      return;
    }
    const auto data = m_volume.buffer.subspan(cur + header_size, size - header_size);
    uint8_t sum = stored;
    for (const uint8_t b : data) sum = uint8_t(sum + b);
    if (sum != 0)
      Report(name, cur, "data checksum " + util::HexText(stored) + " does not match the data");
  }

  void CheckAlignment(const std::string& name, uint64_t cur, uint64_t header_size,
                      uint8_t attributes) {
    const uint64_t offset = cur - m_volume.start;
    if (offset % 8 != 0) {
      Report(name, cur, "the file does not start on an 8-byte boundary of its volume");
    }
    const uint64_t alignment = FfsDataAlignment(attributes, m_volume.ffs3);
    if ((offset + header_size) % alignment != 0) {
      Report(name, cur,
             "its data at volume offset " + util::HexText(offset + header_size) +
                 " is not aligned to " + util::HexText(alignment) + " as its attributes ask");
    }
  }

  const VolumeView& m_volume;
  VerifyResult& m_result;
};

std::optional<VolumeView> ViewVolume(const RomWorkspace& ws, BufferPos start, uint64_t first_file,
                                     VerifyResult& result) {
  VolumeView view;
  view.buffer = ws.Buffer(start.buffer);
  view.start = start.offset;
  view.label = PositionText(start);
  const auto header = ReadVolumeHeader(view.buffer, start.offset);
  if (!header || !util::Fits(view.buffer, start.offset, header->fv_length) ||
      first_file < start.offset || first_file > start.offset + header->fv_length) {
    result.problems.push_back({view.label, "", 0, "the volume passes the end of its buffer"});
    return std::nullopt;
  }
  view.end = start.offset + header->fv_length;
  view.first_file = first_file;
  view.ffs3 = header->IsFfs3();
  view.erase = header->EraseByte();
  return view;
}

bool IsListed(const std::vector<BufferPos>& listed, BufferPos start) {
  return std::any_of(listed.begin(), listed.end(), [&](BufferPos known) {
    return known.buffer == start.buffer && known.offset == start.offset;
  });
}

// FFS3 volumes, which the walk does not look for, on the same 16-byte steps it searches.
std::vector<BufferPos> FindFfs3Volumes(const RomWorkspace& ws) {
  std::vector<BufferPos> found;
  for (uint32_t id = 0; id <= ws.m_decoded_volumes.size(); ++id) {
    const auto buffer = ws.Buffer(id);
    for (uint64_t pos = 0; buffer.size() >= 56 && pos <= buffer.size() - 56; pos += 16) {
      if (std::memcmp(buffer.data() + pos + kVolumeFileSystemGuidOffset, kFfs3FileSystemGuid.data(),
                      16) == 0 &&
          std::memcmp(buffer.data() + pos + kVolumeSignatureOffset, "_FVH", 4) == 0) {
        found.push_back({id, pos});
      }
    }
  }
  return found;
}

}  // namespace

std::string FormatVerifyProblem(const VerifyProblem& problem) {
  if (problem.volume.empty()) return problem.reason;
  std::string line = "volume at " + problem.volume;
  if (!problem.file.empty()) line += ", file " + problem.file;
  if (!problem.file.empty() || problem.file_offset != 0)
    line += " at +" + util::HexText(problem.file_offset);
  return line + ": " + problem.reason;
}

VerifyResult VerifyWorkspace(const RomWorkspace& workspace) {
  VerifyResult result;
  std::vector<BufferPos> listed;
  for (uint32_t k = 0; k < workspace.m_volume_count; ++k) {
    const VolumeRecord& record = workspace.m_volumes[k];
    if (IsListed(listed, record.start)) continue;
    listed.push_back(record.start);
    if (const auto view = ViewVolume(workspace, record.start, record.first_file, result)) {
      VolumeChecker(*view, result).Run();
    }
  }
  for (const BufferPos start : FindFfs3Volumes(workspace)) {
    if (IsListed(listed, start)) continue;
    listed.push_back(start);
    FirmwareVolumeHeader header;
    uint64_t first_file = 0;
    if (!ReadValidVolume(workspace.Buffer(start.buffer), start.offset, header, first_file)) {
      result.problems.push_back(
          {PositionText(start), "", 0, "the volume passes the end of its buffer"});
      continue;
    }
    if (const auto view = ViewVolume(workspace, start, first_file, result)) {
      VolumeChecker(*view, result).Run();
    }
  }
  return result;
}

VerifyResult VerifyImage(std::span<const uint8_t> image) {
  RomWorkspace workspace;
  workspace.m_working_image.assign(image.begin(), image.end());
  const int walked = WalkFirmwareVolumes({workspace});
  VerifyResult result = VerifyWorkspace(workspace);
  const std::vector<VerifyProblem> damage = FindImageDamage(workspace);
  result.problems.insert(result.problems.end(), damage.begin(), damage.end());
  if (walked == 0 && result.files.empty()) {
    result.problems.push_back({"", "", 0, "no firmware volume found"});
  } else if (walked == kWalkNestedVolumeUndecodable) {
    const auto& notes = workspace.m_diagnostics;
    result.problems.push_back(
        {"", "", 0, notes.empty() ? "a compressed volume cannot be decoded" : notes.back()});
  }
  return result;
}

std::optional<std::string> CompareFileNames(const std::vector<VolumeFileNames>& before,
                                            const std::vector<VolumeFileNames>& after) {
  if (before.size() != after.size()) {
    return "the image holds " + std::to_string(after.size()) + " volumes instead of " +
           std::to_string(before.size());
  }
  for (size_t v = 0; v < before.size(); ++v) {
    const auto& old_names = before[v].names;
    const auto& new_names = after[v].names;
    const auto [old_it, new_it] =
        std::mismatch(old_names.begin(), old_names.end(), new_names.begin(), new_names.end());
    if (old_it == old_names.end() && new_it == new_names.end()) continue;
    const std::string where = "volume at " + after[v].volume + ": ";
    if (new_it == new_names.end()) return where + "file " + FormatGuid(*old_it) + " is missing";
    if (old_it == old_names.end()) return where + "file " + FormatGuid(*new_it) + " was added";
    return where + "file " + FormatGuid(*new_it) + " stands where " + FormatGuid(*old_it) +
           " stood";
  }
  return std::nullopt;
}

}  // namespace kalvire::rom
