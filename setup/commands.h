// The view's reactions to its setup controls, so that the desktop and the command-line tool
// route them the same way.
#pragma once

#include "rom/editor.h"

namespace kalvire::setup {

// Makes every selection change of the setup tree run ShowNodeDetails. The editor must outlive
// the tree's use of the handler.
void ConnectSetupTree(rom::Editor& editor);

void HideSelectedNode(rom::Editor& editor);  // the Hide radio
void ShowSelectedNode(rom::Editor& editor);  // the Show radio
// The access-level combo's selection changed: that level for the selected node.
void ChangeSelectedAccessLevel(rom::Editor& editor);
// The optimal-option combo's selection changed (only once an image has been opened).
void ChangeSelectedOptimalOption(rom::Editor& editor);
// The option-to-delete combo's selection changed: Delete becomes available.
void EnableOptionDelete(rom::Editor& editor);
// A double-click on the setup tree or its context menu's Edit (only once an image has been
// opened): edit the selected node's string in the "Update Data" dialog.
void EditSelectedString(rom::Editor& editor);
// The Delete button: delete the option selected in the option-to-delete combo.
void DeleteSelectedOption(rom::Editor& editor);

}  // namespace kalvire::setup
