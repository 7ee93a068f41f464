#include "setup/commands.h"

#include "setup/node_display.h"
#include "setup/node_edit.h"
#include "setup/option_delete.h"
#include "setup/string_edit.h"

namespace kalvire::setup {

void ConnectSetupTree(SetupContext editor) {
  if (editor.controls.setup_tree) {
    editor.controls.setup_tree->SetSelectionHandler(
        [editor](platform::TreeItem) { ShowNodeDetails(editor); });
  }
}

void HideSelectedNode(SetupContext editor) {
  ChangeNodeSetting(editor, kChangeVisibility, 0, 0, kSelectedNode);
}

void ShowSelectedNode(SetupContext editor) {
  ChangeNodeSetting(editor, kChangeVisibility, 1, 0, kSelectedNode);
}

void ChangeSelectedAccessLevel(SetupContext editor) {
  const platform::ComboControl* combo = editor.controls.access_level_combo;
  if (!combo || combo->GetCurSel() < 0) return;
  ChangeNodeSetting(editor, kChangeAccessLevel, uint32_t(combo->GetCurSel()), 0, kSelectedNode);
}

void ChangeSelectedOptimalOption(SetupContext editor) {
  if (editor.workspace.m_format_marker != rom::kFormatMarkerOpened) return;
  ApplyOptimalSelection(editor, kSelectedNode, 0);
}

void EnableOptionDelete(SetupContext editor) {
  if (editor.controls.delete_button) editor.controls.delete_button->SetEnabled(true);
}

void EditSelectedString(SetupContext editor) {
  if (editor.workspace.m_format_marker != rom::kFormatMarkerOpened) return;
  EditSetupString(editor, kSelectedNode, "");
}

void DeleteSelectedOption(SetupContext editor) {
  DeleteOption(editor, kSelectedNode, "");
}

}  // namespace kalvire::setup
