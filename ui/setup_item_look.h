// How the setup tree draws a node besides its colour: hidden questions in grey italics, and a
// node without a prompt as a placeholder naming its kind.
#pragma once

#include <cstdint>

#include "editor/editor.h"
#include "ui/tree_ctrl_x.h"

namespace kalvire::ui {

// "(empty subtitle)" and the like for `opcode`; "(empty item)" for one the tree does not name.
QString EmptyPromptPlaceholder(uint8_t opcode);

// Whether node `node` is hidden in the setup menu now (a form never is).
bool NodeHidden(const editor::Editor& editor, uint32_t node);

CTreeCtrlX::ItemLook SetupItemLook(const editor::Editor& editor, platform::TreeItem item);

}  // namespace kalvire::ui
