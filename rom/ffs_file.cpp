#include "rom/ffs_file.h"

#include <algorithm>

#include "util/le.h"

namespace kalvire::rom {

std::optional<FfsFileHeader> ReadFfsFileHeader(std::span<const uint8_t> buffer, uint64_t offset) {
  if (!util::Fits(buffer, offset, kFfsHeaderSize)) return std::nullopt;
  const uint8_t* p = buffer.data() + offset;
  FfsFileHeader header;
  std::copy_n(p, 16, header.name.begin());
  header.type = p[18];
  header.attributes = p[19];
  header.size = util::LoadLe24(p + kFfsSizeOffset);
  header.state = p[23];
  return header;
}

bool IsErasedName(const Guid& name) {
  return std::all_of(name.begin(), name.end(), [](uint8_t b) { return b == 0xFF; });
}

uint8_t FfsHeaderChecksum(std::span<const uint8_t> header) {
  uint8_t sum = 0;
  for (size_t i = 0; i < 23; ++i) {
    if (i != kFfsHeaderChecksumOffset && i != kFfsFileChecksumOffset)
      sum = uint8_t(sum + header[i]);
  }
  return uint8_t(-sum);
}

}  // namespace kalvire::rom
