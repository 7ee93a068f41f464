// The editor: what ties the models together over one open image. It holds the workspace, the
// view's controls (seen through the platform interfaces), the DMI tables, the setup model and
// the window-title state, and hands each layer below the parts it works on. The desktop view
// and the command-line tool each own one Editor and supply their own controls.
//
// Layers, each a library of its own, each using only the ones below it:
//   util, codec, platform < rom (containers) < setup, dmi (models) < tracklog < editor
//   < ui, cli (faces) < app.
#pragma once

#include <cstdint>
#include <string>

#include "platform/window_title.h"
#include "tracklog/log_context.h"

namespace kalvire::editor {

struct Editor {
  rom::RomWorkspace workspace;
  platform::ViewControls controls;
  dmi::DmiTables dmi;
  setup::SetupModel setup;

  // The window title before the first Open, and the Opens so far.
  std::string base_title;
  uint32_t open_count = 0;

  // The title the window shows now (the base title when there is no window), and setting it.
  std::string Title() const {
    return controls.prompter ? controls.prompter->WindowTitle() : base_title;
  }
  void SetTitle(const std::string& title) { platform::SetTitle(controls.prompter, title); }

  operator rom::RomContext() { return {workspace, controls.prompter}; }
  operator setup::SetupContext() { return {workspace, controls, setup}; }
  operator dmi::DmiContext() { return {workspace, controls, dmi}; }
  operator tracklog::LogContext() { return {workspace, controls, setup, dmi, base_title}; }
};

}  // namespace kalvire::editor
