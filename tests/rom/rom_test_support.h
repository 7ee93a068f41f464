// An Editor wired to a scripted prompter and a view host that counts its calls.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/headless_controls.h"
#include "platform/headless_tree.h"
#include "platform/scripted_prompter.h"
#include "rom/editor.h"

namespace kalvire::rom::test {

class CountingViewHost final : public ViewHost {
 public:
  void CreateControls(ViewControls& controls) override;
  void DestroyControls(ViewControls& controls) override;
  int created = 0;
  int destroyed = 0;

 private:
  std::unique_ptr<platform::HeadlessTree> m_setup_tree;
  std::unique_ptr<platform::HeadlessTree> m_dmi_tree;
  std::unique_ptr<platform::HeadlessList> m_track_log;
  std::unique_ptr<platform::HeadlessCombo> m_optimal;
};

struct TestEditor {
  TestEditor();
  platform::ScriptedPrompter prompter{"KALVIRE"};
  CountingViewHost host;
  std::unique_ptr<Editor> editor = std::make_unique<Editor>();
  RomWorkspace& ws() { return editor->workspace; }
  // Texts of every message box shown so far.
  std::vector<std::string> MessageTexts() const;
};

}  // namespace kalvire::rom::test
