#include "setup/commands.h"

#include "setup/node_display.h"
#include "setup/node_edit.h"
#include "setup/option_delete.h"
#include "setup/string_edit.h"

namespace kalvire::setup {

void ConnectSetupTree(rom::Editor& editor) {
  if (editor.controls.setup_tree) {
    editor.controls.setup_tree->SetSelectionHandler(
        [&editor](platform::TreeItem) { ShowNodeDetails(editor); });
  }
}

void HideSelectedNode(rom::Editor& editor) {
  ChangeNodeSetting(editor, kChangeVisibility, 0, 0, kSelectedNode);
}

void ShowSelectedNode(rom::Editor& editor) {
  ChangeNodeSetting(editor, kChangeVisibility, 1, 0, kSelectedNode);
}

void ChangeSelectedAccessLevel(rom::Editor& editor) {
  const platform::ComboControl* combo = editor.controls.access_level_combo;
  if (!combo || combo->GetCurSel() < 0) return;
  ChangeNodeSetting(editor, kChangeAccessLevel, uint32_t(combo->GetCurSel()), 0, kSelectedNode);
}

void ChangeSelectedOptimalOption(rom::Editor& editor) {
  if (editor.workspace.m_format_marker != rom::kFormatMarkerOpened) return;
  ApplyOptimalSelection(editor, kSelectedNode, 0);
}

void EnableOptionDelete(rom::Editor& editor) {
  if (editor.controls.delete_button) editor.controls.delete_button->SetEnabled(true);
}

void EditSelectedString(rom::Editor& editor) {
  if (editor.workspace.m_format_marker != rom::kFormatMarkerOpened) return;
  EditSetupString(editor, kSelectedNode, "");
}

void DeleteSelectedOption(rom::Editor& editor) {
  DeleteOption(editor, kSelectedNode, "");
}

}  // namespace kalvire::setup
