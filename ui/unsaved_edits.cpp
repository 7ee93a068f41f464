#include "ui/unsaved_edits.h"

#include <filesystem>

namespace kalvire::ui {

std::string SaveChangesQuestion(const rom::RomWorkspace& workspace) {
  return "Save changes to " + std::filesystem::path(workspace.m_path).filename().string() + "?";
}

bool SettleUnsavedEdits(editor::Editor& editor, const std::function<editor::SaveOutcome()>& save) {
  const rom::RomWorkspace& ws = editor.workspace;
  if (!ws.m_image_loaded || !ws.HasUnsavedEdits()) return true;
  platform::Prompter* prompter = editor.controls.prompter;
  if (!prompter) return false;
  const platform::MessageAnswer answer =
      prompter->ShowMessage({SaveChangesQuestion(ws),
                             {},
                             platform::MessageIcon::kQuestion,
                             platform::MessageButtons::kSaveDiscardCancel,
                             platform::MessageAnswer::kSave});
  switch (answer) {
    case platform::MessageAnswer::kDiscard:
      return true;
    case platform::MessageAnswer::kSave:
      return save().saved;
    default:
      return false;
  }
}

}  // namespace kalvire::ui
