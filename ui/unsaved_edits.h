// The question asked before the open image is left behind (the window closes, another image
// is opened) while it has edits that no save has written.
#pragma once

#include <functional>
#include <string>

#include "editor/editor.h"
#include "editor/save_image.h"

namespace kalvire::ui {

// "Save changes to NAME?" with NAME the open file's name.
std::string SaveChangesQuestion(const rom::RomWorkspace& workspace);

// Returns true when the caller may go on: the image has no unsaved edits, the person chose
// Discard, or chose Save and `save` wrote every edit. Cancel, closing the box, or a save that
// did not succeed return false and leave the image and its edits as they are. Without a
// prompter nobody can be asked: false when there is something to lose.
bool SettleUnsavedEdits(editor::Editor& editor, const std::function<editor::SaveOutcome()>& save);

}  // namespace kalvire::ui
