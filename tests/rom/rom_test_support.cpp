#include "rom_test_support.h"

namespace kalvire::rom::test {

void CountingViewHost::CreateControls(ViewControls& controls) {
  DestroyControls(controls);
  --destroyed;  // the implicit destroy of the previous controls is not counted
  ++created;
  m_setup_tree = std::make_unique<platform::HeadlessTree>();
  m_dmi_tree = std::make_unique<platform::HeadlessTree>();
  m_track_log = std::make_unique<platform::HeadlessList>();
  m_optimal = std::make_unique<platform::HeadlessCombo>();
  controls.setup_tree = m_setup_tree.get();
  controls.dmi_tree = m_dmi_tree.get();
  controls.track_log = m_track_log.get();
  controls.optimal_option_combo = m_optimal.get();
}

void CountingViewHost::DestroyControls(ViewControls& controls) {
  ++destroyed;
  controls.setup_tree = nullptr;
  controls.dmi_tree = nullptr;
  controls.track_log = nullptr;
  controls.optimal_option_combo = nullptr;
  m_setup_tree.reset();
  m_dmi_tree.reset();
  m_track_log.reset();
  m_optimal.reset();
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
