// An Editor wired to a scripted prompter and a view host that counts its calls.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "editor/editor.h"
#include "editor/headless_view.h"
#include "platform/scripted_prompter.h"

namespace kalvire::rom::test {

// The command-line tool's host, counting the sets it makes and drops.
class CountingViewHost final : public platform::ViewHost {
 public:
  void CreateControls(platform::ViewControls& controls) override;
  void DestroyControls(platform::ViewControls& controls) override;
  void AdoptControls() override;
  int created = 0;
  int destroyed = 0;  // sets dropped, by a failed Open or by adopting a new one

 private:
  editor::HeadlessViewHost m_host;
};

struct TestEditor {
  TestEditor();
  platform::ScriptedPrompter prompter{"KALVIRE"};
  CountingViewHost host;
  std::unique_ptr<editor::Editor> editor = std::make_unique<editor::Editor>();
  RomWorkspace& ws() { return editor->workspace; }
  // Texts of every message box shown so far.
  std::vector<std::string> MessageTexts() const;
};

}  // namespace kalvire::rom::test
