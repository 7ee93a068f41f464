// File > Compare With...: a second image opened beside the open one, read-only, and what
// differs between them.
#pragma once

#include <optional>
#include <string>

#include "editor/editor.h"
#include "editor/image_diff.h"

namespace kalvire::editor {

struct Comparison {
  std::string path;  // of the second image
  ImageDiff diff;    // the open image is "a", the second "b"
};

// Asks for the second image with the open dialog and opens it in a workspace of its own that
// nothing edits; the open image, its edits and the window title stay as they are. nullopt when
// the person cancelled, or when the second image cannot be opened: then the messages its Open
// gave are shown through `editor`'s prompter, as an Open shows them.
std::optional<Comparison> CompareWithImage(Editor& editor);

// The same for a path already chosen.
std::optional<Comparison> CompareWithImagePath(Editor& editor, const std::string& path);

}  // namespace kalvire::editor
