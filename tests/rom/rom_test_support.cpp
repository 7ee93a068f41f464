#include "rom_test_support.h"

namespace kalvire::rom::test {

void CountingViewHost::CreateControls(platform::ViewControls& controls) {
  ++created;
  m_host.CreateControls(controls);
}

void CountingViewHost::DestroyControls(platform::ViewControls& controls) {
  if (controls.setup_tree) ++destroyed;
  m_host.DestroyControls(controls);
}

void CountingViewHost::AdoptControls() {
  if (created > destroyed + 1) ++destroyed;
  m_host.AdoptControls();
}

TestEditor::TestEditor() {
  editor->controls.prompter = &prompter;
  editor->controls.host = &host;
}

std::vector<std::string> TestEditor::MessageTexts() const {
  std::vector<std::string> texts;
  for (const auto& message : prompter.Messages()) texts.push_back(message.request.text);
  return texts;
}

}  // namespace kalvire::rom::test
