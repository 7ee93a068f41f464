// What the setup operations work on: the workspace of the open image, the view's controls and
// the setup model.
//
// The setup/ folder: the setup form model and its edits. It uses rom/ and the folders below it.
#pragma once

#include "platform/view_controls.h"
#include "rom/rom_context.h"
#include "setup/setup_model.h"

namespace kalvire::setup {

struct SetupContext {
  rom::RomWorkspace& workspace;
  platform::ViewControls& controls;
  SetupModel& setup;

  operator rom::RomContext() const { return {workspace, controls.prompter}; }
};

}  // namespace kalvire::setup
