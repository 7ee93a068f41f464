// Import Settings: the changes recorded in a `.log` file applied to the open image by node
// number and DMI structure, through the same operations the controls use.
#pragma once

#include <istream>
#include <string>

#include "tracklog/log_context.h"

namespace kalvire::tracklog {

// Applies the lines of `log` in order. A node header (or DMI header) selects the node (or DMI
// string) that the change lines below it apply to; a header whose text (or type name) differs
// from the open image's asks "Confirm Modify Settings", and anything but Yes skips its change
// lines. A node number, DMI structure or string index that the open image does not have skips
// its line; those lines are listed in the track log list after the last operation.
void ImportSettingsFrom(LogContext editor, std::istream& log);

// The same for the file at `path`; returns 0, changing nothing, when it cannot be opened.
int ImportSettingsFile(LogContext editor, const std::string& path);

// The Import Settings command: asks for a `.log` file and imports it. Cancel, or a file that
// cannot be opened, ends it without a message.
void ImportSettings(LogContext editor);

}  // namespace kalvire::tracklog
