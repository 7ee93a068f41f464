// The SMBIOS structure table of the DMI module as the editor holds it: one record per
// structure in two tables, the current one that the string edits change and the baseline one
// left as loaded, which the track log compares against.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace kalvire::dmi {

inline constexpr size_t kDmiTableCapacity = 800;  // records, the end-of-table one included
inline constexpr uint32_t kEmptyField = 0xFFFFFFFF;
inline constexpr uint8_t kEndOfTableType = 127;
inline constexpr uint8_t kEndOfTableLength = 4;
// Type, length and handle: every formatted area holds at least these.
inline constexpr uint8_t kStructureHeaderSize = 4;

// One structure: its formatted area as loaded and its string set. The formatted area is never
// changed, so the string numbers it holds keep pointing at the same strings.
struct DmiStructure {
  uint32_t type = kEmptyField;    // kEmptyField: the record is not in use
  uint32_t length = kEmptyField;  // of the formatted area, header included
  std::vector<uint8_t> formatted;
  std::vector<std::string> strings;  // string number k is element k - 1; raw single bytes

  bool InUse() const { return type != kEmptyField; }
};

struct DmiTables {
  DmiTables() : current(kDmiTableCapacity), baseline(kDmiTableCapacity) {}

  // Record i of both tables describes the same structure. Records 0 to structure_count are in
  // use; record structure_count is the end-of-table structure (type 127, length 4).
  std::vector<DmiStructure> current;
  std::vector<DmiStructure> baseline;
  uint32_t structure_count = 0;
  // The module data laid out again from the current table, for the reinsertion on save;
  // empty when there is none.
  std::vector<uint8_t> rebuild_buffer;
};

}  // namespace kalvire::dmi
