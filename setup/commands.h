// The view's reactions to its setup controls, so that the desktop and the command-line tool
// route them the same way.
#pragma once

#include "setup/setup_context.h"

namespace kalvire::setup {

// Makes every selection change of the setup tree run ShowNodeDetails. The editor must outlive
// the tree's use of the handler.
void ConnectSetupTree(SetupContext editor);

void HideSelectedNode(SetupContext editor);  // the Hide radio
void ShowSelectedNode(SetupContext editor);  // the Show radio
// The access-level combo's selection changed: that level for the selected node.
void ChangeSelectedAccessLevel(SetupContext editor);
// The optimal-option combo's selection changed (only once an image has been opened).
void ChangeSelectedOptimalOption(SetupContext editor);
// The option-to-delete combo's selection changed: Delete becomes available.
void EnableOptionDelete(SetupContext editor);
// A double-click on the setup tree or its context menu's Edit (only once an image has been
// opened): edit the selected node's string in the "Update Data" dialog.
void EditSelectedString(SetupContext editor);
// The Delete button: delete the option selected in the option-to-delete combo.
void DeleteSelectedOption(SetupContext editor);

}  // namespace kalvire::setup
