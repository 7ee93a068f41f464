// The main view's state without its widgets: the workspace plus the controls the operations
// touch, seen through the platform interfaces. The desktop view and the command-line tool each
// own one Editor and supply their own controls.
#pragma once

#include "dmi/dmi_tables.h"
#include "platform/controls.h"
#include "platform/prompter.h"
#include "rom/rom_workspace.h"
#include "setup/setup_model.h"

namespace kalvire::rom {

struct ViewControls;

// Creates and destroys the view's child controls. Open creates them once the file has been
// read and walked, and destroys them again when it fails later.
class ViewHost {
 public:
  virtual ~ViewHost() = default;
  // Destroys any previous controls, creates new ones and stores them in `controls`.
  virtual void CreateControls(ViewControls& controls) = 0;
  // Destroys the child controls and sets their pointers to null.
  virtual void DestroyControls(ViewControls& controls) = 0;
};

// Null pointers stand for controls that do not exist (before the first Open, after a failed one).
struct ViewControls {
  platform::TreeControl* setup_tree = nullptr;
  platform::TreeControl* dmi_tree = nullptr;
  platform::ListControl* track_log = nullptr;
  platform::ButtonControl* hide_radio = nullptr;
  platform::ButtonControl* show_radio = nullptr;
  platform::ComboControl* access_level_combo = nullptr;
  platform::ComboControl* delete_option_combo = nullptr;
  platform::ComboControl* optimal_option_combo = nullptr;
  platform::ButtonControl* delete_button = nullptr;
  platform::ButtonControl* import_button = nullptr;

  // Not child controls: they live as long as the view.
  platform::Prompter* prompter = nullptr;
  ViewHost* host = nullptr;
};

struct Editor {
  RomWorkspace workspace;
  ViewControls controls;
  dmi::DmiTables dmi;
  setup::SetupModel setup;
};

// Message boxes of the ROM layer; nothing is shown when the editor has no prompter.
inline void ShowPlainMessage(Editor& editor, const char* text) {
  if (editor.controls.prompter) editor.controls.prompter->ShowPlain(text);
}
inline void ShowErrorMessage(Editor& editor, const char* text) {
  if (editor.controls.prompter) editor.controls.prompter->ShowError(text);
}

}  // namespace kalvire::rom
