// Laying the current DMI table out again as DMI module data, for the reinsertion on save.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "dmi/dmi_context.h"
#include "dmi/dmi_tables.h"

namespace kalvire::dmi {

// Builds module data as long as `data` from the current table: the leading bytes of `data` up
// to the table offset, every structure up to and including the end-of-table structure (the
// formatted area, then each string with its NUL and one more NUL, or two NULs without
// strings), then 0xFF to the end of the freeform section that holds the table, then the bytes
// of `data` behind that section unchanged (to the end of `data` when the section's size is not
// plausible). Returns false, with `out` empty, when the tables hold no parsed table or the
// structures would not fit before the filler's end.
bool BuildDmiModuleData(std::span<const uint8_t> data, const DmiTables& tables,
                        std::vector<uint8_t>& out);

// When the DMI modified flag is set, builds editor.dmi.rebuild_buffer from the current table
// (see BuildDmiModuleData) and returns 1; returns 1 without doing anything when the flag is
// clear. A table that has grown longer than the module is refused with a message: the rebuild
// buffer stays empty and 0 is returned, so the module in the image is left as it is.
int SerializeDmiModule(DmiContext editor);

}  // namespace kalvire::dmi
