#include "rom/headless_view.h"

#include "setup/messages.h"

namespace kalvire::rom {

void HeadlessViewHost::CreateControls(ViewControls& controls) {
  DestroyControls(controls);
  m_setup_tree = std::make_unique<platform::HeadlessTree>();
  m_dmi_tree = std::make_unique<platform::HeadlessTree>();
  m_track_log = std::make_unique<platform::HeadlessList>();
  m_hide_radio = std::make_unique<platform::HeadlessButton>();
  m_show_radio = std::make_unique<platform::HeadlessButton>();
  m_access_level_combo = std::make_unique<platform::HeadlessCombo>();
  m_delete_option_combo = std::make_unique<platform::HeadlessCombo>();
  m_optimal_option_combo = std::make_unique<platform::HeadlessCombo>();
  m_delete_button = std::make_unique<platform::HeadlessButton>();
  m_import_button = std::make_unique<platform::HeadlessButton>();

  controls.setup_tree = m_setup_tree.get();
  controls.dmi_tree = m_dmi_tree.get();
  controls.track_log = m_track_log.get();
  controls.hide_radio = m_hide_radio.get();
  controls.show_radio = m_show_radio.get();
  controls.access_level_combo = m_access_level_combo.get();
  controls.delete_option_combo = m_delete_option_combo.get();
  controls.optimal_option_combo = m_optimal_option_combo.get();
  controls.delete_button = m_delete_button.get();
  controls.import_button = m_import_button.get();

  // The state the desktop view gives its controls when it creates them.
  m_dmi_tree->SetItemData(m_dmi_tree->InsertItem(platform::kRootItem, "DMI"), 0);
  m_hide_radio->SetEnabled(false);
  m_show_radio->SetEnabled(false);
  m_delete_button->SetEnabled(false);
  m_delete_button->SetVisible(false);
  for (const char* level : setup::kAccessLevelNames) m_access_level_combo->AddString(level);
  m_access_level_combo->SetEnabled(false);
}

void HeadlessViewHost::DestroyControls(ViewControls& controls) {
  controls.setup_tree = nullptr;
  controls.dmi_tree = nullptr;
  controls.track_log = nullptr;
  controls.hide_radio = nullptr;
  controls.show_radio = nullptr;
  controls.access_level_combo = nullptr;
  controls.delete_option_combo = nullptr;
  controls.optimal_option_combo = nullptr;
  controls.delete_button = nullptr;
  controls.import_button = nullptr;
  m_setup_tree.reset();
  m_dmi_tree.reset();
  m_track_log.reset();
  m_hide_radio.reset();
  m_show_radio.reset();
  m_access_level_combo.reset();
  m_delete_option_combo.reset();
  m_optimal_option_combo.reset();
  m_delete_button.reset();
  m_import_button.reset();
}

HeadlessEditor::HeadlessEditor() {
  editor->controls.prompter = &prompter;
  editor->controls.host = &host;
}

}  // namespace kalvire::rom
