// What the DMI operations work on: the workspace of the open image, the view's controls and the
// structure tables.
//
// The dmi/ folder: the SMBIOS structure table and its string edits. It uses rom/ and the
// folders below it.
#pragma once

#include "dmi/dmi_tables.h"
#include "platform/view_controls.h"
#include "rom/rom_context.h"

namespace kalvire::dmi {

struct DmiContext {
  rom::RomWorkspace& workspace;
  platform::ViewControls& controls;
  DmiTables& dmi;

  operator rom::RomContext() const { return {workspace, controls.prompter}; }
};

}  // namespace kalvire::dmi
