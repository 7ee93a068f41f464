#include "editor/headless_view.h"

#include "setup/messages.h"

namespace kalvire::editor {

struct HeadlessViewHost::ControlSet {
  platform::HeadlessTree setup_tree;
  platform::HeadlessTree dmi_tree;
  platform::HeadlessList track_log;
  platform::HeadlessButton hide_radio;
  platform::HeadlessButton show_radio;
  platform::HeadlessCombo access_level_combo;
  platform::HeadlessCombo delete_option_combo;
  platform::HeadlessCombo optimal_option_combo;
  platform::HeadlessButton delete_button;
  platform::HeadlessButton import_button;
};

HeadlessViewHost::HeadlessViewHost() = default;
HeadlessViewHost::~HeadlessViewHost() = default;

void HeadlessViewHost::Fill(ControlSet& s, platform::ViewControls& controls) {
  controls.setup_tree = &s.setup_tree;
  controls.dmi_tree = &s.dmi_tree;
  controls.track_log = &s.track_log;
  controls.hide_radio = &s.hide_radio;
  controls.show_radio = &s.show_radio;
  controls.access_level_combo = &s.access_level_combo;
  controls.delete_option_combo = &s.delete_option_combo;
  controls.optimal_option_combo = &s.optimal_option_combo;
  controls.delete_button = &s.delete_button;
  controls.import_button = &s.import_button;
}

void HeadlessViewHost::CreateControls(platform::ViewControls& controls) {
  auto set = std::make_unique<ControlSet>();
  // The state the desktop view gives its controls when it creates them.
  set->dmi_tree.SetItemData(set->dmi_tree.InsertItem(platform::kRootItem, "DMI"), 0);
  set->hide_radio.SetEnabled(false);
  set->show_radio.SetEnabled(false);
  set->delete_button.SetEnabled(false);
  set->delete_button.SetVisible(false);
  for (const char* level : setup::kAccessLevelNames) set->access_level_combo.AddString(level);
  set->access_level_combo.SetEnabled(false);
  m_created = std::move(set);
  Fill(*m_created, controls);
}

void HeadlessViewHost::DestroyControls(platform::ViewControls& controls) {
  for (std::unique_ptr<ControlSet>* set : {&m_created, &m_current}) {
    if (*set && controls.setup_tree == &(*set)->setup_tree) set->reset();
  }
  controls.ForgetChildControls();
}

void HeadlessViewHost::AdoptControls() {
  if (m_created) m_current = std::move(m_created);
}

HeadlessEditor::HeadlessEditor() {
  editor->controls.prompter = &prompter;
  editor->controls.host = &host;
}

}  // namespace kalvire::editor
