#include "tracklog/history.h"

#include <algorithm>
#include <cstring>

#include "rom/ffs_file.h"
#include "rom/messages.h"
#include "rom/volume_extent.h"
#include "tracklog/messages.h"
#include "tracklog/track_log.h"
#include "util/le.h"

namespace kalvire::tracklog {

namespace {

constexpr size_t kDateCapacity = 128;  // at most 127 characters and the NUL

std::string HistoryText(LogContext editor, std::time_t now) {
  std::string text = std::string(kHistoryTitleOpen) + editor.base_title + kHistoryTitleClose +
                     "\n" + kHistoryDateOpen + FormatHistoryDate(now) + kHistoryDateClose + "\n";
  BuildTrackLog(editor);
  const platform::ListControl* list = editor.controls.track_log;
  const int lines = list ? list->GetCount() : 0;
  for (int i = 0; i < lines; ++i) {
    text += list->GetText(i);
    text += '\n';
  }
  return text;
}

}  // namespace

std::optional<HistoryArea> FindHistoryArea(const rom::RomWorkspace& workspace) {
  const uint32_t count = std::min<uint32_t>(workspace.m_file_count, workspace.m_files.size());
  if (count == 0) return std::nullopt;
  uint32_t marker = 0;
  for (uint32_t k = count - 1; k >= 1; --k) {
    if (workspace.m_files[k].name == rom::kNvramStoreGuid) {
      marker = k;
      break;
    }
  }
  const rom::FileRecord& file = workspace.m_files[marker];
  const std::span<const uint8_t> buffer = workspace.Buffer(file.file.buffer);
  HistoryArea area;
  area.marker_index = marker;
  area.buffer = file.file.buffer;
  area.first = rom::Align8(file.file.offset + file.size) + kHistoryGap;
  area.end = buffer.size();
  if (file.volume_index < workspace.m_volume_count) {
    // Not past the bytes the volume really owns, whatever length its header claims.
    area.end = std::min<uint64_t>(area.end, rom::WalkedVolumeEnd(workspace, file.volume_index));
  }
  // A record of another buffer (a decoded volume) says nothing about positions in this one.
  if (marker + 1 < count) {
    const rom::BufferPos next = workspace.m_files[marker + 1].file;
    if (next.buffer == file.file.buffer && next.offset > file.file.offset) {
      area.end = std::min(area.end, next.offset);
    }
  }
  return area;
}

HistoryChain ReadHistoryChain(const rom::RomWorkspace& workspace, const HistoryArea& area) {
  const std::span<const uint8_t> buffer = workspace.Buffer(area.buffer);
  const uint64_t end = std::min<uint64_t>(area.end, buffer.size());
  HistoryChain chain;
  uint64_t pos = area.first;
  while (pos < end && end - pos >= rom::kFfsHeaderSize &&
         buffer[pos + rom::kFfsStateOffset] == kHistoryState) {
    const uint32_t size = util::LoadLe24(buffer.data() + pos + rom::kFfsSizeOffset);
    if (size < rom::kFfsHeaderSize) {
      chain.broken = true;
      break;
    }
    HistoryFile file;
    file.offset = pos;
    file.size = size;
    file.history_name = std::equal(rom::kHistoryFileGuid.begin(), rom::kHistoryFileGuid.end(),
                                   buffer.begin() + pos);
    const uint64_t text_end = std::min<uint64_t>(pos + size, end);
    file.text.assign(buffer.begin() + pos + rom::kFfsHeaderSize, buffer.begin() + text_end);
    chain.files.push_back(std::move(file));
    pos += rom::Align8(size);
  }
  chain.next = pos;
  return chain;
}

std::string FormatHistoryDate(std::time_t moment) {
  std::tm local{};
  if (!localtime_r(&moment, &local)) return {};
  char text[kDateCapacity];
  const size_t length = std::strftime(text, sizeof text, kHistoryDateFormat, &local);
  return std::string(text, length);
}

std::vector<uint8_t> BuildHistoryFile(const std::string& text) {
  std::vector<uint8_t> file(rom::kFfsHeaderSize + text.size());
  std::copy(rom::kHistoryFileGuid.begin(), rom::kHistoryFileGuid.end(), file.begin());
  file[rom::kFfsFileChecksumOffset] = kHistoryFileChecksum;
  file[rom::kFfsTypeOffset] = kHistoryFileType;
  file[rom::kFfsAttributesOffset] = kHistoryAttributes;
  file[rom::kFfsStateOffset] = kHistoryState;
  rom::WriteFfsFileSize(file, uint32_t(file.size()));
  std::copy(text.begin(), text.end(), file.begin() + rom::kFfsHeaderSize);
  return file;
}

int AppendHistory(LogContext editor, std::time_t now) {
  rom::RomWorkspace& ws = editor.workspace;
  if (ws.m_format_marker != rom::kFormatMarkerOpened || !ws.HasUnsavedEdits()) return 0;

  const std::string text = HistoryText(editor, now);
  const auto area = FindHistoryArea(ws);
  std::optional<HistoryChain> chain;
  if (area) chain = ReadHistoryChain(ws, *area);
  const uint64_t size = rom::kFfsHeaderSize + text.size();
  if (!area || chain->broken || size > kMaxFfsSize || chain->next > area->end ||
      size > area->end - chain->next) {
    rom::ShowPlainMessage(editor, kMsgHistorySpaceTooSmall);
    return kHistoryNoRoom;
  }
  const std::vector<uint8_t> file = BuildHistoryFile(text);
  std::copy(file.begin(), file.end(), ws.Buffer(area->buffer).begin() + chain->next);
  return 1;
}

int AppendHistory(LogContext editor) {
  return AppendHistory(editor, std::time(nullptr));
}

}  // namespace kalvire::tracklog
