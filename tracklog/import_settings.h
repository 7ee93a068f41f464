// Import Settings: the changes recorded in a `.log` file applied to the open image by node
// number and DMI structure, through the same operations the controls use.
#pragma once

#include <cstdint>
#include <istream>
#include <string>

#include "tracklog/log_context.h"

namespace kalvire::tracklog {

// Applies the lines of `log` in order. A node header (or DMI header) selects the node (or DMI
// string) that the change lines below it apply to; a header whose text (or type name) differs
// from the open image's asks "Confirm Modify Settings", and anything but Yes skips its change
// lines. A node number, DMI structure or string index that the open image does not have skips
// its line, and so does a value the node does not take (an access level outside 0 to 3, an
// optimal value that is not one of the question's options or outside its range); those lines
// are listed in the track log list after the last operation. Returns how many lines were lines
// of a track log.
int64_t ImportSettingsFrom(LogContext editor, std::istream& log);

// The same for the file at `path`. Returns 0, changing nothing, after an error message when it
// cannot be read (a folder, a missing file) or when none of its lines is a track log's.
int ImportSettingsFile(LogContext editor, const std::string& path);

// The Import Settings command: asks for a `.log` file and imports it. Cancel ends it without a
// message.
void ImportSettings(LogContext editor);

}  // namespace kalvire::tracklog
