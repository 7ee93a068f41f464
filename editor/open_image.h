// The Open command and the two searches it shares with the setup form model.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "editor/editor.h"

namespace kalvire::editor {

// The Open command: asks for a file with the prompter's open dialog and opens it as
// OpenRomImagePath does. Cancelling changes nothing. Every outcome is shown to the user.
void OpenRomImage(Editor& editor);

// Opens the ROM image at `path` without a dialog (command-line tool, tests): reads the file,
// walks it, creates a new set of controls, locates and extracts the DMI, Setup and AmiTse SPF
// modules and builds the setup string table, all beside the image that is open now. Returns 1
// when the new image has replaced it; 0 after the failure's messages, with the open image, its
// edits, its controls and the window title exactly as they were.
int OpenRomImagePath(Editor& editor, const std::string& path);

// The same as OpenRomImagePath for bytes already in memory; `path` names them in the title.
int OpenRomImageBytes(Editor& editor, std::vector<uint8_t> bytes, const std::string& path);

}  // namespace kalvire::editor
