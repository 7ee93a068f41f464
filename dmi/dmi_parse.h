// Reading the SMBIOS structure table of the DMI module into the DMI tables and the DMI tree.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "dmi/dmi_context.h"
#include "dmi/dmi_tables.h"

namespace kalvire::dmi {

// The freeform section that holds the table: 4-byte common header and 16-byte subtype GUID.
inline constexpr uint64_t kDmiSectionHeaderSize = 20;

// Where the structure table begins in the module data. The data begins with the 20-byte
// header of the freeform section that holds the table, and 9 bytes earlier still (at the
// header of the compression section) when the module was stored without compression. A table
// begins with a BIOS Information structure, type 0, so a byte 0 at offset 20 tells the first
// layout: 20; otherwise 29. nullopt when the data does not reach offset 20.
std::optional<uint64_t> DmiTableOffset(std::span<const uint8_t> data);

// Empties every record of both tables, sets the structure count to 0 and drops the rebuild
// buffer.
void ResetDmiTables(DmiTables& tables);
void ResetDmiTables(DmiContext editor);

enum class DmiParseStatus {
  kOk,
  kNotEnded,           // no end-of-table structure before the data ends
  kStructureTooShort,  // a formatted area shorter than the structure header
  kTooManyStructures,  // more than kDmiTableCapacity records would be needed
};

// Fills both tables from the module data: every structure up to and including the end-of-table
// structure (type 127, length 4), whose index becomes the structure count. Reads nothing
// outside `data`. On any status but kOk the tables are left empty.
DmiParseStatus ParseDmiData(std::span<const uint8_t> data, DmiTables& tables);

// Parses the workspace's DMI module data into editor.dmi and adds one tree item per structure
// of a named type, in table order, as the last children of the DMI root item, with the
// structure's index as item data. The DMI root is the first top-level item of the DMI tree
// (the view creates it with the tree); a tree without items gets one, "DMI", first. Without a
// DMI tree only the tables are filled. Returns 1; 0 after a message when the table cannot be
// taken whole, with the tables empty and no tree items added.
int ParseDmiTable(DmiContext editor);

// 1 when the DMI module data holds, from offset 256 on, an end-of-table structure header
// (its first type-127 byte followed by its length 4) and after it a 0xFF byte; else 0.
int CheckDmiEndOfTable(std::span<const uint8_t> data);

// The names of the types that can be edited, "" for every other type.
const char* DmiTypeName(uint32_t type);

}  // namespace kalvire::dmi
