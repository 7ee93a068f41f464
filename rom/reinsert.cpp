#include "rom/reinsert.h"

#include <algorithm>
#include <cstring>

#include "rom/ffs_file.h"
#include "rom/messages.h"
#include "util/le.h"

namespace kalvire::rom {

namespace {

constexpr uint8_t kErased = 0xFF;
constexpr uint8_t kNoDataChecksum = 0xAA;
constexpr uint8_t kAttributeChecksum = 0x40;
constexpr uint64_t kAttributesOffset = 19;

void SealHeader(std::span<uint8_t> file) {
  util::StoreLe24(file.data() + kFfsSizeOffset, uint32_t(file.size()));
  file[kFfsHeaderChecksumOffset] = FfsHeaderChecksum(file);
  uint8_t checksum = kNoDataChecksum;
  if (file[kAttributesOffset] & kAttributeChecksum) {
    uint8_t sum = 0;
    for (size_t i = kFfsHeaderSize; i < file.size(); ++i) sum = uint8_t(sum + file[i]);
    checksum = uint8_t(-sum);
  }
  file[kFfsFileChecksumOffset] = checksum;
}

// Everything that lay in [from, to) of the buffer now lies `delta` bytes further on.
void MoveRecords(RomWorkspace& ws, uint32_t buffer, uint64_t from, uint64_t to, int64_t delta) {
  const auto inside = [&](const BufferPos& pos) {
    return pos.buffer == buffer && pos.offset >= from && pos.offset < to;
  };
  for (uint32_t i = 0; i < ws.m_file_count; ++i) {
    if (inside(ws.m_files[i].file)) ws.m_files[i].file.offset += delta;
  }
  for (uint32_t k = 0; k < ws.m_volume_count; ++k) {
    VolumeRecord& volume = ws.m_volumes[k];
    if (!inside(volume.start)) continue;
    volume.start.offset += delta;
    volume.first_file += delta;
  }
}

}  // namespace

bool FindFileChain(const RomWorkspace& ws, uint32_t file_index, FileChain& chain) {
  if (file_index >= ws.m_file_count) return false;
  const FileRecord& record = ws.m_files[file_index];
  if (record.volume_index >= ws.m_volume_count) return false;
  const VolumeRecord& volume = ws.m_volumes[record.volume_index];
  const std::span<const uint8_t> buffer = ws.Buffer(record.file.buffer);
  if (volume.start.buffer != record.file.buffer || !util::Fits(buffer, volume.start.offset, 0)) {
    return false;
  }
  chain.buffer = record.file.buffer;
  chain.file = record.file.offset;
  chain.volume_end =
      std::min<uint64_t>(volume.start.offset + volume.fv_length, uint64_t(buffer.size()));
  if (chain.file < volume.start.offset || chain.file > chain.volume_end ||
      record.size > chain.volume_end - chain.file) {
    return false;
  }
  chain.old_end = std::min(chain.file + Align8(record.size), chain.volume_end);
  // Everything up to the last byte that is not erased moves with the file: the files behind it,
  // pad files, and history files written into the space behind a file. Only the erased end of
  // the volume is free.
  const uint8_t* bytes = buffer.data();
  uint64_t last = chain.volume_end;
  while (last > chain.old_end && bytes[last - 1] == kErased) --last;
  const uint64_t start = volume.start.offset;
  chain.tail_end = std::min(start + Align8(last - start), chain.volume_end);
  return true;
}

bool FileFitsInVolume(const RomWorkspace& ws, uint32_t file_index, uint64_t new_length) {
  FileChain chain;
  if (new_length < kFfsHeaderSize || new_length >= kFfsSizeUnset ||
      !FindFileChain(ws, file_index, chain)) {
    return false;
  }
  const uint64_t new_end = chain.file + Align8(new_length);
  return new_end <= chain.volume_end &&
         chain.tail_end - chain.old_end <= chain.volume_end - new_end;
}

int ReinsertFile(Editor& editor, std::span<uint8_t> file, uint32_t volume_index,
                 uint32_t file_index) {
  RomWorkspace& ws = editor.workspace;
  if (file_index >= ws.m_file_count || ws.m_files[file_index].volume_index != volume_index) {
    return 0;
  }
  if (!FileFitsInVolume(ws, file_index, file.size())) {
    ShowPlainMessage(editor, kMsgNoSpaceForFile);
    return 0;
  }
  FileChain chain;
  FindFileChain(ws, file_index, chain);
  SealHeader(file);

  // Moving the tail first lets the new file grow over where the tail was.
  const std::span<uint8_t> buffer = ws.Buffer(chain.buffer);
  const uint64_t new_end = chain.file + Align8(file.size());
  const uint64_t tail_length = chain.tail_end - chain.old_end;
  std::memmove(buffer.data() + new_end, buffer.data() + chain.old_end, tail_length);
  std::copy(file.begin(), file.end(), buffer.begin() + chain.file);
  std::fill(buffer.begin() + chain.file + file.size(), buffer.begin() + new_end, kErased);
  if (new_end + tail_length < chain.tail_end) {
    std::fill(buffer.begin() + new_end + tail_length, buffer.begin() + chain.tail_end, kErased);
  }

  const int64_t delta = int64_t(new_end) - int64_t(chain.old_end);
  if (delta != 0) MoveRecords(ws, chain.buffer, chain.old_end, chain.tail_end, delta);
  ws.m_files[file_index].size = uint32_t(file.size());
  return 1;
}

}  // namespace kalvire::rom
