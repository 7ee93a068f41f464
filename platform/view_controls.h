// The child controls of the main view and the host that creates them, as the operations see
// them: through the platform interfaces, whether the controls are Qt widgets or headless ones.
#pragma once

#include "platform/controls.h"
#include "platform/prompter.h"

namespace kalvire::platform {

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
  TreeControl* setup_tree = nullptr;
  TreeControl* dmi_tree = nullptr;
  ListControl* track_log = nullptr;
  ButtonControl* hide_radio = nullptr;
  ButtonControl* show_radio = nullptr;
  ComboControl* access_level_combo = nullptr;
  ComboControl* delete_option_combo = nullptr;
  ComboControl* optimal_option_combo = nullptr;
  ButtonControl* delete_button = nullptr;
  ButtonControl* import_button = nullptr;

  // Not child controls: they live as long as the view. Without a host the controls above are
  // fixed: every Open fills the same ones, also an Open that fails.
  Prompter* prompter = nullptr;
  ViewHost* host = nullptr;

  // Sets every child-control pointer to null; the prompter and the host stay.
  void ForgetChildControls() { *this = ViewControls{.prompter = prompter, .host = host}; }
};

}  // namespace kalvire::platform
