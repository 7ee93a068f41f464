// SMBIOS structure tables for the DMI module: structures with their string sets, the
// end-of-table structure, and the freeform section that carries the table in the module.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/image_builder.h"

namespace kalvire::tools {

struct SmbiosStructure {
  uint8_t type = 0;
  uint16_t handle = 0;
  Bytes fields;  // the formatted area after the 4-byte header (type, length, handle)
  std::vector<std::string> strings;
};

// Structures back to back, each followed by its strings and a NUL (two NULs without strings),
// then the end-of-table structure (type 127, length 4) with the next handle and two NULs.
Bytes BuildSmbiosTable(const std::vector<SmbiosStructure>& structures);

// The freeform section (subtype kDmiTableSectionGuid) whose body is the table followed by 0xFF
// up to `area_size` bytes: the module data the editor works on. Throws when the table does not
// fit, or when a byte 0x7F occurs before the end-of-table structure (the editor finds the end of
// the table by the first 0x7F 0x04 it meets).
Section BuildDmiSection(const std::vector<SmbiosStructure>& structures, uint32_t area_size);
// The DMI module data of `size` bytes in all: that section alone (the table at 20), or inside a
// stored compression section (the table at 29).
Bytes DmiModuleData(const std::vector<SmbiosStructure>& structures, size_t size,
                    bool stored = false);

// A structure of `type` whose formatted area is four bytes naming its first strings.
SmbiosStructure SmbiosStringsStructure(uint8_t type, std::vector<std::string> strings);

// Typical structures; string fields refer to the strings in the order given. A System
// Enclosure lays `contained_elements` 3-byte element records before its SKU Number.
SmbiosStructure SmbiosBiosInformation(uint16_t handle, std::string vendor, std::string version,
                                      std::string date);
SmbiosStructure SmbiosSystemInformation(uint16_t handle, std::string manufacturer,
                                        std::string product, std::string version,
                                        std::string serial, std::string sku, std::string family);
SmbiosStructure SmbiosBaseboardInformation(uint16_t handle, uint16_t chassis_handle,
                                           std::string manufacturer, std::string product,
                                           std::string version, std::string serial,
                                           std::string asset_tag, std::string location);
SmbiosStructure SmbiosSystemEnclosure(uint16_t handle, std::string manufacturer,
                                      std::string version, std::string serial,
                                      std::string asset_tag, std::string sku,
                                      uint8_t contained_elements = 0);
SmbiosStructure SmbiosProcessorInformation(uint16_t handle, std::string socket,
                                           std::string manufacturer, std::string version,
                                           std::string serial, std::string asset_tag,
                                           std::string part_number);
SmbiosStructure SmbiosOemStrings(uint16_t handle, std::vector<std::string> strings);

}  // namespace kalvire::tools
