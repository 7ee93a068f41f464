// The DMI step of a save: the serialized DMI module goes back into its volume when it fits.
#pragma once

#include "editor/editor.h"

namespace kalvire::editor {

// The DMI module from the DMI rebuild buffer, when the DMI modified flag is set. When the new
// file needs more room than the old one's place plus the volume's free space, shows "No space
// to insert new DMI Module.Hence old DMI module is restored.", reloads the DMI module, its
// tables and its tree from the image, and returns kDmiModuleRestored: the image keeps the old
// module. The rebuild buffer is dropped whatever the outcome. Returns 1 when written or nothing
// to do; 0 after a message when the module cannot be rebuilt.
inline constexpr int kDmiModuleRestored = 2;
// A compression of the module started ahead on `ahead` is taken when it fits the data.
int ReinsertDmiModule(Editor& editor, rom::CompressionsAhead* ahead = nullptr);

}  // namespace kalvire::editor
