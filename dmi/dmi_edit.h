// Editing the strings of one structure of the current DMI table through the "DMI Table"
// dialog.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "dmi/dmi_context.h"
#include "dmi/dmi_tables.h"
#include "platform/prompter.h"

namespace kalvire::dmi {

// The formatted area as the dialog shows it: " %02x" for every byte, so 3 characters a byte.
std::string FormatFormattedArea(std::span<const uint8_t> bytes);

// The dialog for one structure: caption `title`, the formatted area, and for each of its first
// kSlots strings the string (as UTF-8) with the label of the fields that refer to it (see
// DmiStringLabel). Slots without a string keep empty texts; the dialog hides them.
platform::DmiDialogData MakeDmiDialogData(const DmiStructure& record, const std::string& title);

// ' DMI String is changed to " NEW " from " OLD "'
std::string DmiFeedbackLine(std::string_view new_value, std::string_view old_value);

// The Edit command of the DMI tree, on its selected item. The DMI root item (or no selection,
// or an item whose data names no structure) opens no dialog. On OK every shown string takes its
// slot's value, an empty value becomes a single space, and the track log list is cleared and
// gets one feedback line per changed string; a changed string sets the DMI modified flag. Values
// that are not Latin-1 text, and changed values longer than 64 characters, are refused with a
// message and nothing changes. Cancel changes nothing. After an OK the item is coloured (see
// ColorDmiStructureItem).
void EditDmiString(DmiContext editor);

// Colours `item`, the DMI tree item of structure `index`: red while the structure's strings
// differ from those the image had at Open, black once they are the same again. Does nothing
// without a DMI tree or for an index past the table.
void ColorDmiStructureItem(DmiContext editor, platform::TreeItem item, uint32_t index);

// ColorDmiStructureItem on the item of structure `index` under the DMI tree's root (an import
// changes strings without selecting it).
void ColorDmiStructure(DmiContext editor, uint32_t index);

}  // namespace kalvire::dmi
