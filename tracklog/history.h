// The history area: on every save that has changes to write, the track log goes into the image
// as a raw FFS file, behind the NVRAM store file and behind any history file of earlier saves.
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "tracklog/log_context.h"

namespace kalvire::tracklog {

// The first history file starts this far behind the end of the marker file.
inline constexpr uint64_t kHistoryGap = 256;
inline constexpr uint8_t kHistoryFileType = 0x01;  // raw
inline constexpr uint8_t kHistoryAttributes = 0x04;
inline constexpr uint8_t kHistoryFileChecksum = 0xAA;  // no data checksum
inline constexpr uint8_t kHistoryState = 0xF8;
inline constexpr uint32_t kMaxFfsSize = 0xFFFFFF;

// Where history files go: behind the marker file (the last file record, from the second on,
// named by the NVRAM store GUID, else the first record) up to the end of its volume (as far as
// its bytes are its own, rom::WalkedVolumeEnd) or the next file record in the same buffer,
// whichever comes first.
struct HistoryArea {
  uint32_t marker_index = 0;
  uint32_t buffer = rom::kWorkingImageBuffer;
  uint64_t first = 0;  // marker file end rounded up to 8, plus kHistoryGap
  uint64_t end = 0;    // one past the last byte a history file may use

  // The marker file fills its volume up to the end or to the next file: no history file fits.
  bool Empty() const { return end <= first; }
};

// The area of the image as last walked; nullopt when there is no file record.
std::optional<HistoryArea> FindHistoryArea(const rom::RomWorkspace& workspace);

// One file of the chain in the history area (State 0xF8 at byte 23), as written by earlier
// saves.
struct HistoryFile {
  uint64_t offset = 0;
  uint32_t size = 0;          // the 24-bit Size, header included
  bool history_name = false;  // its Name is rom::kHistoryFileGuid
  std::string text;           // the data, cut at the area's end
};

struct HistoryChain {
  std::vector<HistoryFile> files;
  uint64_t next = 0;    // where the next history file goes
  bool broken = false;  // a file with a Size below its header: nothing can go behind it
};

// Follows the chain from the area's first position, each file at the previous one's end
// rounded up to 8, while the State byte reads 0xF8 within the area.
HistoryChain ReadHistoryChain(const rom::RomWorkspace& workspace, const HistoryArea& area);

// "Monday, March 04, 2024": the local date of `moment`; empty when it has no local date.
std::string FormatHistoryDate(std::time_t moment);

// Append history, as Save runs it before the modules are rebuilt: only once an image is open
// and one of the three modified flags is set. Builds the track log (which the track log list
// then shows), puts the two header lines (application title, date of `now`) in front of it and
// writes it as a history file behind the last one. Returns 1 when the file was written; 0 when
// there was nothing to write; kHistoryNoRoom after "Error: Unable to log history. space left is
// too small!!!". The application title is the window title the view had before its first Open.
inline constexpr int kHistoryNoRoom = -1;
int AppendHistory(LogContext editor, std::time_t now);
int AppendHistory(LogContext editor);  // now from the system clock

// The bytes of a history file holding `text`: the 24-byte header and the text.
std::vector<uint8_t> BuildHistoryFile(const std::string& text);

}  // namespace kalvire::tracklog
