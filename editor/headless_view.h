// A view without a window: the child controls are headless ones and questions are answered by
// a script. The command-line tool and the tests run the editor through it, on the same code
// path as the desktop view.
#pragma once

#include <memory>

#include "editor/editor.h"
#include "platform/headless_controls.h"
#include "platform/headless_tree.h"
#include "platform/scripted_prompter.h"

namespace kalvire::editor {

class HeadlessViewHost final : public platform::ViewHost {
 public:
  HeadlessViewHost();
  ~HeadlessViewHost() override;

  void CreateControls(platform::ViewControls& controls) override;
  void DestroyControls(platform::ViewControls& controls) override;
  void AdoptControls() override;

 private:
  struct ControlSet;
  static void Fill(ControlSet& set, platform::ViewControls& controls);

  std::unique_ptr<ControlSet> m_current;  // the set the view shows
  std::unique_ptr<ControlSet> m_created;  // made by an Open that has not finished yet
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

}  // namespace kalvire::editor
