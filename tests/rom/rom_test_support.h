// An Editor wired to a scripted prompter and a view host that counts its calls.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/scripted_prompter.h"
#include "rom/editor.h"
#include "rom/headless_view.h"

namespace kalvire::rom::test {

// The command-line tool's host, counting the sets it makes and drops.
class CountingViewHost final : public ViewHost {
 public:
  void CreateControls(ViewControls& controls) override;
  void DestroyControls(ViewControls& controls) override;
  void AdoptControls() override;
  int created = 0;
  int destroyed = 0;  // sets dropped, by a failed Open or by adopting a new one

 private:
  HeadlessViewHost m_host;
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
