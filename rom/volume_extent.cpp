#include "rom/volume_extent.h"

#include <algorithm>

namespace kalvire::rom {

namespace {

bool InsideFileOf(const RomWorkspace& ws, uint32_t index, BufferPos pos) {
  for (uint32_t i = 0; i < ws.m_file_count; ++i) {
    const FileRecord& file = ws.m_files[i];
    if (file.volume_index == index && file.file.buffer == pos.buffer &&
        pos.offset >= file.file.offset && pos.offset - file.file.offset < file.size) {
      return true;
    }
  }
  return false;
}

uint64_t ClaimedEnd(const RomWorkspace& ws, const VolumeRecord& volume) {
  return std::min<uint64_t>(volume.start.offset + volume.fv_length,
                            ws.Buffer(volume.start.buffer).size());
}

}  // namespace

int OverlappedVolume(const RomWorkspace& ws, uint32_t index) {
  if (index >= ws.m_volume_count) return -1;
  const VolumeRecord& volume = ws.m_volumes[index];
  uint64_t end = ClaimedEnd(ws, volume);
  int overlapped = -1;
  for (uint32_t k = 0; k < ws.m_volume_count; ++k) {
    const BufferPos other = ws.m_volumes[k].start;
    if (k == index || other.buffer != volume.start.buffer || other.offset <= volume.start.offset ||
        other.offset >= end || InsideFileOf(ws, index, other)) {
      continue;
    }
    end = other.offset;
    overlapped = int(k);
  }
  return overlapped;
}

uint64_t WalkedVolumeEnd(const RomWorkspace& ws, uint32_t index) {
  if (index >= ws.m_volume_count) return 0;
  const int overlapped = OverlappedVolume(ws, index);
  if (overlapped >= 0) return ws.m_volumes[overlapped].start.offset;
  return ClaimedEnd(ws, ws.m_volumes[index]);
}

}  // namespace kalvire::rom
