#include "rom/volume.h"

#include <algorithm>

#include "util/le.h"

namespace kalvire::rom {

using util::ReadLe16;
using util::ReadLe32;

namespace {

constexpr uint64_t kFixedHeaderSize = 56;  // through ExtHeaderOffset and its reserved byte
constexpr uint64_t kExtHeaderSizeOffset = 16;
constexpr uint16_t kExtEntryListEnd = 0xFFFF;

}  // namespace

std::optional<FirmwareVolumeHeader> ReadVolumeHeader(std::span<const uint8_t> buffer,
                                                     uint64_t start) {
  if (!util::Fits(buffer, start, kFixedHeaderSize)) return std::nullopt;
  const uint8_t* p = buffer.data() + start;
  FirmwareVolumeHeader header;
  std::copy_n(p + kVolumeFileSystemGuidOffset, 16, header.file_system.begin());
  header.fv_length = util::LoadLe32(p + 32);
  header.has_signature = p[40] == '_' && p[41] == 'F' && p[42] == 'V' && p[43] == 'H';
  header.attributes = util::LoadLe32(p + 44);
  header.header_length = util::LoadLe16(p + 48);
  header.ext_header_offset = util::LoadLe16(p + 52);
  return header;
}

std::optional<uint64_t> FirstFileOffset(std::span<const uint8_t> buffer, uint64_t start,
                                        const FirmwareVolumeHeader& header) {
  const uint64_t volume_end = std::min<uint64_t>(start + header.fv_length, buffer.size());
  const auto volume = buffer.first(volume_end);
  if (header.ext_header_offset == 0) {
    const uint64_t first = start + kVolumeFirstFileOffset;
    if (first > volume_end) return std::nullopt;
    return first;
  }
  // The extended header is located relative to a 72-byte header, as the images of this layout
  // are built; a different HeaderLength shifts it.
  const int64_t shifted =
      int64_t(start + kVolumeFirstFileOffset) + header.ext_header_offset - header.header_length;
  if (shifted < int64_t(start)) return std::nullopt;
  uint64_t pos = uint64_t(shifted);
  const auto ext_size = ReadLe32(volume, pos + kExtHeaderSizeOffset);
  if (!ext_size) return std::nullopt;
  pos += *ext_size;
  for (;;) {
    const auto entry_size = ReadLe16(volume, pos);
    if (!entry_size || *entry_size == 0) return std::nullopt;
    if (*entry_size == kExtEntryListEnd) break;
    pos += *entry_size;
  }
  pos += 4;
  if (pos > volume_end) return std::nullopt;
  return pos;
}

bool ReadValidVolume(std::span<const uint8_t> buffer, uint64_t start, FirmwareVolumeHeader& header,
                     uint64_t& first_file) {
  const auto read = ReadVolumeHeader(buffer, start);
  if (!read || !read->has_signature || !util::Fits(buffer, start, read->fv_length)) return false;
  const auto first = FirstFileOffset(buffer, start, *read);
  if (!first) return false;
  header = *read;
  first_file = *first;
  return true;
}

}  // namespace kalvire::rom
