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

uint64_t FfsDataAlignment(uint8_t attributes, bool ffs3) {
  constexpr uint8_t kAlignmentPower[8] = {0, 4, 7, 9, 10, 12, 15, 16};
  constexpr uint8_t kAlignment2Power[8] = {17, 18, 19, 20, 21, 22, 23, 24};
  constexpr uint8_t kAttribDataAlignment2 = 0x02;
  const uint8_t selector = (attributes >> 3) & 7;
  const bool second_table = ffs3 && (attributes & kAttribDataAlignment2);
  return uint64_t{1} << (second_table ? kAlignment2Power[selector] : kAlignmentPower[selector]);
}

uint8_t FfsHeaderChecksum(std::span<const uint8_t> header) {
  uint8_t sum = 0;
  for (size_t i = 0; i < 23; ++i) {
    if (i != kFfsHeaderChecksumOffset && i != kFfsFileChecksumOffset)
      sum = uint8_t(sum + header[i]);
  }
  return uint8_t(-sum);
}

void WriteFfsFileSize(std::span<uint8_t> file, uint32_t size) {
  util::StoreLe24(file.data() + kFfsSizeOffset, size);
  file[kFfsHeaderChecksumOffset] = FfsHeaderChecksum(file);
}

uint8_t FfsFileChecksum(std::span<const uint8_t> file) {
  if ((file[kFfsAttributesOffset] & kFfsAttribChecksum) == 0) return kFfsFixedFileChecksum;
  uint8_t sum = 0;
  for (size_t i = kFfsHeaderSize; i < file.size(); ++i) sum = uint8_t(sum + file[i]);
  return uint8_t(-sum);
}

bool FfsHeaderChecksumHolds(std::span<const uint8_t> header) {
  if (header.size() < kFfsHeaderSize) return false;
  uint8_t expected = FfsHeaderChecksum(header);
  for (size_t i = kFfsHeaderSize; i < header.size(); ++i) expected = uint8_t(expected - header[i]);
  return header[kFfsHeaderChecksumOffset] == expected;
}

}  // namespace kalvire::rom
