// What the track-log operations work on: every part of the open image the log describes or an
// import changes, and the window title the history record names.
//
// The tracklog/ folder: the track log, the history file, the .log file and its import. It uses
// setup/, dmi/ and the folders below them.
#pragma once

#include <string>

#include "dmi/dmi_context.h"
#include "setup/setup_context.h"

namespace kalvire::tracklog {

struct LogContext {
  rom::RomWorkspace& workspace;
  platform::ViewControls& controls;
  setup::SetupModel& setup;
  dmi::DmiTables& dmi;
  // The window title before the first Open.
  const std::string& base_title;

  operator rom::RomContext() const { return {workspace, controls.prompter}; }
  operator setup::SetupContext() const { return {workspace, controls, setup}; }
  operator dmi::DmiContext() const { return {workspace, controls, dmi}; }
};

}  // namespace kalvire::tracklog
