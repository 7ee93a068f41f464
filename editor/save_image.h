// The Save and Save As commands: the rebuild of an edited image and the write of the file.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>

#include "editor/editor.h"

namespace kalvire::editor {

// Puts the whole image into the file at `path`; false, with the file as it was, on failure.
using ImageWriter = std::function<bool(const std::string& path, std::span<const uint8_t> image,
                                       std::string& error)>;

// The writer the commands use: a temporary file beside `path`, flushed, renamed over it.
bool WriteImageAtomically(const std::string& path, std::span<const uint8_t> image,
                          std::string& error);

// How a save ended. `saved` is true only when the file holds every edit that is kept.
struct SaveOutcome {
  bool saved = false;
  // The image has no room behind its NVRAM store for the history file: the save went on
  // without it, after "Error: Unable to log history. space left is too small!!!".
  bool history_skipped = false;
  // The rebuilt DMI module did not fit: its old bytes stay in the image and the DMI edits are
  // gone, after "No space to insert new DMI Module.Hence old DMI module is restored.".
  bool dmi_restored = false;
};

// What the rebuild sequence did. `refusal` holds the reason a module could not be rebuilt or
// written back; such a save must not be written.
struct RebuildOutcome {
  bool history_skipped = false;
  bool dmi_restored = false;
  std::optional<std::string> refusal;
};

// Append history, the module rebuilds, the DMI serialization and reinsertion, the nested volume
// and the walk, in that order. The first step that fails to put a module back stops the
// sequence and names the reason, which is not shown; the history and DMI-restore messages are.
RebuildOutcome RunRebuildSequence(Editor& editor);

// The Save command: asks "Overwrite existing file?" and writes the workspace path, rebuilding
// first when a modified flag is set. On success shows "Successfully saved the .ROM file",
// clears the flags and enables Import. The rebuilt image is verified before it is written
// (every file of every volume sound, the same files in each volume as before); a rebuild that
// fails verification shows "Error: Unable to save the file." and the reason on a second line,
// a write that fails shows "Error: Unable to save the file."; either way the file stays as it
// was and the workspace as it was before the save.
// A module that cannot be rebuilt or written back refuses the whole save the same way: nothing
// is written and the workspace is as before. An image whose layout is damaged (FindImageDamage),
// or that had verify problems in a volume the save writes, is written only when the person
// answers Yes to the question (caption "Save Damaged Image", default No) that lists them; No
// leaves the file and the workspace as they were.
SaveOutcome SaveRomImage(Editor& editor, const ImageWriter& writer = WriteImageAtomically);

// The Save As command: asks for a path, and about an existing file before anything is rebuilt
// (No leaves the workspace untouched), then rebuilds when edited and writes as Save does. On
// success the path and the title name the new file.
SaveOutcome SaveRomImageAs(Editor& editor, const ImageWriter& writer = WriteImageAtomically);

}  // namespace kalvire::editor
