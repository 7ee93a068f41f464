#include "rom/reinsert.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "rom/ffs_file.h"
#include "rom/messages.h"
#include "rom/volume.h"
#include "rom/volume_extent.h"
#include "util/le.h"

namespace kalvire::rom {

namespace {

// The volume a file record lies in, as far as the reinsertion needs it.
struct VolumeSpan {
  uint32_t buffer = kWorkingImageBuffer;
  uint64_t start = 0;
  uint64_t end = 0;  // one past the volume's last byte, inside the buffer
  uint8_t erase = 0xFF;
  bool ffs3 = false;

  uint64_t Relative(uint64_t offset) const { return offset - start; }
  // The next 8-byte boundary of the volume at or after `offset`.
  uint64_t Align8(uint64_t offset) const { return start + rom::Align8(offset - start); }
};

// Something behind the edited file that keeps its bytes when the volume is laid out again.
struct TailItem {
  uint64_t offset = 0;  // where it lies now
  uint64_t length = 0;  // the bytes that move: the file up to its 8-byte end, within the volume
  uint64_t header_size = kFfsHeaderSize;
  uint64_t alignment = 1;  // of the data behind the header, from the volume start
  bool erased_pad = false;
  bool anchored = false;          // the volume top file, a fixed file: it never moves
  bool after_free_space = false;  // erased bytes lie between it and what is in front of it
};

// One run of bytes that moves, and the pad files the new layout needs.
struct Move {
  uint64_t from = 0;
  uint64_t length = 0;
  uint64_t to = 0;
};
struct PadFile {
  uint64_t offset = 0;
  uint64_t size = 0;
};
struct Layout {
  std::vector<Move> moves;  // in volume order
  std::vector<PadFile> pads;
  uint64_t end = 0;  // one past the last byte the new layout uses
};

std::optional<VolumeSpan> FindVolume(const RomWorkspace& ws, uint32_t file_index) {
  if (file_index >= ws.m_file_count) return std::nullopt;
  const FileRecord& record = ws.m_files[file_index];
  if (record.volume_index >= ws.m_volume_count) return std::nullopt;
  const VolumeRecord& volume = ws.m_volumes[record.volume_index];
  const std::span<const uint8_t> buffer = ws.Buffer(record.file.buffer);
  const auto header = ReadVolumeHeader(buffer, volume.start.offset);
  if (volume.start.buffer != record.file.buffer || !header) return std::nullopt;
  VolumeSpan span;
  span.buffer = record.file.buffer;
  span.start = volume.start.offset;
  // The bytes the volume really owns: a length that runs into the next volume or past the
  // buffer does not make them its own.
  span.end = WalkedVolumeEnd(ws, record.volume_index);
  span.erase = header->EraseByte();
  span.ffs3 = header->IsFfs3();
  if (record.file.offset < span.start || record.file.offset > span.end ||
      record.size > span.end - record.file.offset) {
    return std::nullopt;
  }
  return span;
}

bool IsErased(std::span<const uint8_t> bytes, uint8_t erase) {
  return std::all_of(bytes.begin(), bytes.end(), [&](uint8_t b) { return b == erase; });
}

// The file whose header lies at `offset`, when its header fits and its size stays inside the
// volume; behind free space a file also needs a matching header checksum to count as one.
std::optional<TailItem> ReadItem(std::span<const uint8_t> volume, const VolumeSpan& span,
                                 uint64_t offset, bool after_free_space) {
  const auto header = ReadFfsFileHeader(volume, offset);
  if (!header) return std::nullopt;
  TailItem item;
  item.offset = offset;
  item.after_free_space = after_free_space;
  const bool large = span.ffs3 && (header->attributes & kFfsAttribLargeFile);
  item.header_size = large ? kFfsLargeHeaderSize : kFfsHeaderSize;
  if (!util::Fits(volume, offset, item.header_size)) return std::nullopt;
  const uint64_t size =
      large ? util::LoadLe64(volume.data() + offset + kFfsHeaderSize) : header->size;
  if (size < item.header_size || size > span.end - offset) return std::nullopt;
  if (after_free_space && !FfsHeaderChecksumHolds(volume.subspan(offset, item.header_size))) {
    return std::nullopt;
  }
  item.length = std::min(span.Align8(offset + size), span.end) - offset;
  item.alignment = FfsDataAlignment(header->attributes, span.ffs3);
  // The firmware reads a volume's files up to its free space, so only there does the fixed
  // attribute hold a file in place; behind free space only the volume top file stays.
  item.anchored =
      offset + size == span.end || (!after_free_space && (header->attributes & kFfsAttribFixed));
  item.erased_pad =
      header->type == kFileTypePad &&
      IsErased(volume.subspan(offset + item.header_size, size - item.header_size), span.erase);
  return item;
}

// Bytes in free space that do not start a file: they move as one run up to the last byte that
// is not erased, and stay where they are when that byte ends the volume.
TailItem LooseBytes(std::span<const uint8_t> volume, const VolumeSpan& span, uint64_t offset) {
  uint64_t last = span.end;
  while (last > offset && volume[last - 1] == span.erase) --last;
  TailItem item;
  item.offset = offset;
  item.length = std::min(span.Align8(last), span.end) - offset;
  item.header_size = 0;
  item.anchored = last == span.end;
  item.after_free_space = true;
  return item;
}

// Everything behind the file that ends (at its 8-byte end) at `from`, in volume order.
std::vector<TailItem> ReadTail(std::span<const uint8_t> buffer, const VolumeSpan& span,
                               uint64_t from) {
  const std::span<const uint8_t> volume = buffer.first(span.end);
  std::vector<TailItem> items;
  uint64_t pos = from;
  while (pos < span.end) {
    std::optional<TailItem> item;
    if (span.end - pos >= kFfsHeaderSize &&
        !IsErased(volume.subspan(pos, kFfsHeaderSize), span.erase)) {
      item = ReadItem(volume, span, pos, false);
      if (!item) {
        items.push_back(LooseBytes(volume, span, pos));
        break;
      }
    } else {
      const auto rest = volume.subspan(pos);
      const auto data =
          std::find_if(rest.begin(), rest.end(), [&](uint8_t b) { return b != span.erase; });
      if (data == rest.end()) break;
      const uint64_t candidate =
          span.start + (span.Relative(pos + uint64_t(data - rest.begin())) & ~uint64_t{7});
      item = ReadItem(volume, span, candidate, true);
      if (!item) {
        items.push_back(LooseBytes(volume, span, candidate));
        break;
      }
    }
    items.push_back(*item);
    pos = item->offset + item->length;
  }
  return items;
}

// The pad file the build tools put in front of a file that lands at `offset` misaligned: the
// smallest one (a header at least) after which the file's data lies on its alignment.
uint64_t AlignmentPadSize(const VolumeSpan& span, uint64_t offset, const TailItem& item) {
  const uint64_t data = span.Relative(offset) + item.header_size;
  if (data % item.alignment == 0) return 0;
  const uint64_t padded_data = span.Relative(offset) + kFfsHeaderSize + item.header_size;
  return (padded_data + item.alignment - 1) / item.alignment * item.alignment - item.header_size -
         span.Relative(offset);
}

// An erased pad file that only aligned the file behind it, or filled the space in front of a
// file that cannot move: the new layout makes its own.
bool ServesTheNext(const std::vector<TailItem>& items, size_t i) {
  return items[i].erased_pad && !items[i].after_free_space && i + 1 < items.size() &&
         !items[i + 1].after_free_space && (items[i + 1].alignment > 8 || items[i + 1].anchored);
}

// Where everything behind the file at `file` goes once the file is `new_length` bytes long;
// empty when it does not fit.
std::optional<Layout> PlanLayout(const VolumeSpan& span, uint64_t file, uint64_t old_length,
                                 uint64_t new_length, const std::vector<TailItem>& items) {
  Layout layout;
  uint64_t cursor = span.Align8(file + new_length);
  uint64_t old_cursor = span.Align8(file + old_length);
  bool filler_dropped = false;
  for (size_t i = 0; i < items.size(); ++i) {
    const TailItem& item = items[i];
    if (ServesTheNext(items, i)) {
      filler_dropped = true;
      old_cursor = item.offset + item.length;
      continue;
    }
    uint64_t to = cursor;
    if (item.anchored) {
      to = item.offset;
      if (to < cursor) return std::nullopt;
      const uint64_t gap = to - cursor;
      if (gap != 0 && (filler_dropped || !item.after_free_space)) {
        if (gap < kFfsHeaderSize || gap >= kFfsSizeUnset) return std::nullopt;
        layout.pads.push_back({cursor, gap});
      }
    } else if (item.after_free_space) {
      // Keeps its distance from what lies in front of it, as a history file written behind
      // its marker file does.
      to = item.offset + cursor - old_cursor;
      if (span.Relative(to + item.header_size) % item.alignment != 0) {
        return std::nullopt;
      }
    } else if (const uint64_t pad = AlignmentPadSize(span, cursor, item); pad != 0) {
      if (pad >= kFfsSizeUnset) return std::nullopt;
      layout.pads.push_back({cursor, pad});
      to = cursor + pad;
    }
    if (to > span.end || item.length > span.end - to) return std::nullopt;
    layout.moves.push_back({item.offset, item.length, to});
    cursor = span.Align8(to + item.length);
    old_cursor = item.offset + item.length;
    filler_dropped = false;
  }
  if (cursor > span.end) return std::nullopt;
  layout.end = cursor;
  return layout;
}

std::optional<Layout> PlanReinsertion(const RomWorkspace& ws, uint32_t file_index,
                                      uint64_t new_length, VolumeSpan& span,
                                      uint64_t& old_extent_end) {
  if (new_length < kFfsHeaderSize || new_length >= kFfsSizeUnset) return std::nullopt;
  const auto found = FindVolume(ws, file_index);
  if (!found) return std::nullopt;
  span = *found;
  const FileRecord& record = ws.m_files[file_index];
  const std::span<const uint8_t> buffer = ws.Buffer(span.buffer);
  const auto items = ReadTail(buffer, span, span.Align8(record.file.offset + record.size));
  old_extent_end = items.empty() ? span.Align8(record.file.offset + record.size)
                                 : items.back().offset + items.back().length;
  old_extent_end = std::min(old_extent_end, span.end);
  return PlanLayout(span, record.file.offset, record.size, new_length, items);
}

void SealHeader(std::span<uint8_t> file) {
  WriteFfsFileSize(file, uint32_t(file.size()));
  file[kFfsFileChecksumOffset] = FfsFileChecksum(file);
}

// A pad file header (name all 0xFF, type 0xF0, no attributes, state valid data); its body is
// the erased bytes already there.
void WritePadHeader(std::span<uint8_t> at, uint64_t size, uint8_t erase) {
  std::fill_n(at.begin(), 16, uint8_t{0xFF});
  at[kFfsFileChecksumOffset] = kFfsFixedFileChecksum;
  at[kFfsTypeOffset] = kFileTypePad;
  at[kFfsAttributesOffset] = 0;
  // Header construction, header valid and data valid set: 0x07, inverted with erase polarity 1.
  at[kFfsStateOffset] = erase == 0xFF ? 0xF8 : 0x07;
  WriteFfsFileSize(at, uint32_t(size));
}

// The file and volume records that lay in a moved run now lie where it went.
void MoveRecords(RomWorkspace& ws, uint32_t buffer, const std::vector<Move>& moves) {
  const auto new_offset = [&](uint64_t offset) {
    const auto after =
        std::upper_bound(moves.begin(), moves.end(), offset,
                         [](uint64_t value, const Move& move) { return value < move.from; });
    if (after == moves.begin()) return offset;
    const Move& move = *(after - 1);
    return offset < move.from + move.length ? offset - move.from + move.to : offset;
  };
  for (uint32_t i = 0; i < ws.m_file_count; ++i) {
    if (ws.m_files[i].file.buffer == buffer)
      ws.m_files[i].file.offset = new_offset(ws.m_files[i].file.offset);
  }
  for (uint32_t k = 0; k < ws.m_volume_count; ++k) {
    VolumeRecord& volume = ws.m_volumes[k];
    if (volume.start.buffer != buffer) continue;
    const uint64_t moved = new_offset(volume.start.offset);
    volume.first_file = volume.first_file - volume.start.offset + moved;
    volume.start.offset = moved;
  }
}

}  // namespace

bool FileFitsInVolume(const RomWorkspace& ws, uint32_t file_index, uint64_t new_length) {
  VolumeSpan span;
  uint64_t old_extent_end = 0;
  return PlanReinsertion(ws, file_index, new_length, span, old_extent_end).has_value();
}

int ReinsertFile(RomContext context, std::span<uint8_t> file, uint32_t volume_index,
                 uint32_t file_index) {
  RomWorkspace& ws = context.workspace;
  if (file_index >= ws.m_file_count || ws.m_files[file_index].volume_index != volume_index) {
    return 0;
  }
  VolumeSpan span;
  uint64_t old_extent_end = 0;
  const auto layout = PlanReinsertion(ws, file_index, file.size(), span, old_extent_end);
  if (!layout) {
    ShowPlainMessage(context, kMsgNoSpaceForFile);
    return 0;
  }
  SealHeader(file);

  // The new tail is put together aside, from the old bytes, and then written over the old one:
  // runs may move either way and overlap their old places.
  const uint64_t at = ws.m_files[file_index].file.offset;
  const uint64_t region_end = std::max(old_extent_end, layout->end);
  std::vector<uint8_t> tail(region_end - at, span.erase);
  std::copy(file.begin(), file.end(), tail.begin());
  const std::span<uint8_t> buffer = ws.Buffer(span.buffer);
  for (const Move& move : layout->moves) {
    std::copy_n(buffer.begin() + move.from, move.length, tail.begin() + (move.to - at));
  }
  for (const PadFile& pad : layout->pads) {
    WritePadHeader(std::span<uint8_t>(tail).subspan(pad.offset - at), pad.size, span.erase);
  }
  std::copy(tail.begin(), tail.end(), buffer.begin() + at);

  MoveRecords(ws, span.buffer, layout->moves);
  ws.m_files[file_index].size = uint32_t(file.size());
  return 1;
}

}  // namespace kalvire::rom
