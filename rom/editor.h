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

// Creates and destroys the view's child controls. Open creates a new set for the image it
// opens while the current image keeps its own; the new set replaces the current one only when
// the image opened, and is destroyed again when it did not.
class ViewHost {
 public:
  virtual ~ViewHost() = default;
  // Creates a new set of controls, hidden, and stores it in `controls`; the set the view shows
  // now stays as it is.
  virtual void CreateControls(ViewControls& controls) = 0;
  // Destroys the set that `controls` points to and sets its pointers to null.
  virtual void DestroyControls(ViewControls& controls) = 0;
  // Destroys the set the view shows now and shows the set created last in its place.
  virtual void AdoptControls() = 0;
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

  // Not child controls: they live as long as the view. Without a host the controls above are
  // fixed: every Open fills the same ones, also an Open that fails.
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
