// A view without a window: the child controls are headless ones and questions are answered by
// a script. The command-line tool and the tests run the editor through it, on the same code
// path as the desktop view.
#pragma once

#include <memory>

#include "platform/headless_controls.h"
#include "platform/headless_tree.h"
#include "platform/scripted_prompter.h"
#include "rom/editor.h"

namespace kalvire::rom {

class HeadlessViewHost final : public ViewHost {
 public:
  void CreateControls(ViewControls& controls) override;
  void DestroyControls(ViewControls& controls) override;

 private:
  std::unique_ptr<platform::HeadlessTree> m_setup_tree;
  std::unique_ptr<platform::HeadlessTree> m_dmi_tree;
  std::unique_ptr<platform::HeadlessList> m_track_log;
  std::unique_ptr<platform::HeadlessButton> m_hide_radio;
  std::unique_ptr<platform::HeadlessButton> m_show_radio;
  std::unique_ptr<platform::HeadlessCombo> m_access_level_combo;
  std::unique_ptr<platform::HeadlessCombo> m_delete_option_combo;
  std::unique_ptr<platform::HeadlessCombo> m_optimal_option_combo;
  std::unique_ptr<platform::HeadlessButton> m_delete_button;
  std::unique_ptr<platform::HeadlessButton> m_import_button;
};

// An Editor with its headless controls and its scripted prompter.
struct HeadlessEditor {
  HeadlessEditor();
  HeadlessEditor(const HeadlessEditor&) = delete;
  HeadlessEditor& operator=(const HeadlessEditor&) = delete;

  platform::ScriptedPrompter prompter;
  HeadlessViewHost host;
  // The workspace holds large fixed tables: keep it off the stack.
  std::unique_ptr<Editor> editor = std::make_unique<Editor>();
};

}  // namespace kalvire::rom
