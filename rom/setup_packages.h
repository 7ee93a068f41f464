// The HII package list of the Setup module and the setup string table built from its en-US
// strings.
#pragma once

#include <cstdint>
#include <span>

#include "rom/rom_workspace.h"

namespace kalvire::rom {

// The Setup module data holds no HII package list (the locate and the forms parse).
inline constexpr int kNoPackageList = -12;

// Finds the package list in the Setup module data (by the Setup module's GUID or the
// alternative one, whichever occurs first), records its forms and en-US string packages and
// builds the setup string table. Returns 1; -12 when no package list is found; 0 when the list
// has no en-US string package (the table is then empty).
int LocateSetupPackages(RomWorkspace& workspace);

// Empties the setup string table and sets its count to 0.
void ClearSetupStringTable(RomWorkspace& workspace);

// Fills the setup string table from string blocks: each 0x14 byte (a UCS-2 string block) closes
// a record, every byte other than 0x00 and 0x14 is kept as text. Texts longer than the record
// holds are cut; blocks past the table's capacity are dropped (both noted in the diagnostics).
void BuildSetupStringTable(RomWorkspace& workspace, std::span<const uint8_t> string_data);

}  // namespace kalvire::rom
