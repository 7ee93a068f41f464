#include "ui/gui_thread_controls.h"

#include "setup/commands.h"
#include "ui/gui_thread.h"

namespace kalvire::ui {

using platform::TreeItem;

class GuiThreadTree final : public platform::TreeControl,
                            public std::enable_shared_from_this<GuiThreadTree> {
 public:
  explicit GuiThreadTree(platform::TreeControl& target) : m_target(target) {}
  platform::TreeControl& Target() const { return m_target; }

  // The target's notifications reach the handler set on this proxy, on the interface thread,
  // for as long as the proxy lives.
  void TakeSelectionNotifications() {
    std::weak_ptr<GuiThreadTree> proxy = weak_from_this();
    RunOnGuiThread([&] {
      m_target.SetSelectionHandler([proxy](TreeItem item) {
        if (const auto alive = proxy.lock()) alive->NotifySelectionChanged(item);
      });
    });
  }

  TreeItem InsertItem(TreeItem parent, const std::string& text) override {
    return CallOnGuiThread([&] { return m_target.InsertItem(parent, text); });
  }
  void SetItemData(TreeItem item, uint32_t data) override {
    RunOnGuiThread([&] { m_target.SetItemData(item, data); });
  }
  uint32_t GetItemData(TreeItem item) const override {
    return CallOnGuiThread([&] { return m_target.GetItemData(item); });
  }
  std::string GetItemText(TreeItem item) const override {
    return CallOnGuiThread([&] { return m_target.GetItemText(item); });
  }
  void SetItemText(TreeItem item, const std::string& text) override {
    RunOnGuiThread([&] { m_target.SetItemText(item, text); });
  }
  TreeItem GetParentItem(TreeItem item) const override {
    return CallOnGuiThread([&] { return m_target.GetParentItem(item); });
  }
  TreeItem GetChildItem(TreeItem item) const override {
    return CallOnGuiThread([&] { return m_target.GetChildItem(item); });
  }
  TreeItem GetNextSiblingItem(TreeItem item) const override {
    return CallOnGuiThread([&] { return m_target.GetNextSiblingItem(item); });
  }
  int GetCount() const override {
    return CallOnGuiThread([&] { return m_target.GetCount(); });
  }
  void SelectItem(TreeItem item) override {
    RunOnGuiThread([&] { m_target.SelectItem(item); });
  }
  TreeItem GetSelectedItem() const override {
    return CallOnGuiThread([&] { return m_target.GetSelectedItem(); });
  }
  void DeleteAllItems() override {
    RunOnGuiThread([&] { m_target.DeleteAllItems(); });
  }
  void SetItemColor(TreeItem item, platform::ItemColor color) override {
    RunOnGuiThread([&] { m_target.SetItemColor(item, color); });
  }
  platform::ItemColor GetItemColor(TreeItem item) const override {
    return CallOnGuiThread([&] { return m_target.GetItemColor(item); });
  }
  void SetItemFont(TreeItem item, const std::string& face_name) override {
    RunOnGuiThread([&] { m_target.SetItemFont(item, face_name); });
  }
  std::optional<platform::ItemColorEntry> FindColorEntry(TreeItem item) const override {
    return CallOnGuiThread([&] { return m_target.FindColorEntry(item); });
  }

 private:
  platform::TreeControl& m_target;
};

class GuiThreadList final : public platform::ListControl {
 public:
  explicit GuiThreadList(platform::ListControl& target) : m_target(target) {}
  platform::ListControl& Target() const { return m_target; }

  int AddString(const std::string& text) override {
    return CallOnGuiThread([&] { return m_target.AddString(text); });
  }
  int GetCount() const override {
    return CallOnGuiThread([&] { return m_target.GetCount(); });
  }
  std::string GetText(int index) const override {
    return CallOnGuiThread([&] { return m_target.GetText(index); });
  }
  void ResetContent() override {
    RunOnGuiThread([&] { m_target.ResetContent(); });
  }

 private:
  platform::ListControl& m_target;
};

class GuiThreadCombo final : public platform::ComboControl {
 public:
  explicit GuiThreadCombo(platform::ComboControl& target) : m_target(target) {}
  platform::ComboControl& Target() const { return m_target; }

  int AddString(const std::string& text) override {
    return CallOnGuiThread([&] { return m_target.AddString(text); });
  }
  int GetCount() const override {
    return CallOnGuiThread([&] { return m_target.GetCount(); });
  }
  std::string GetText(int index) const override {
    return CallOnGuiThread([&] { return m_target.GetText(index); });
  }
  int FindString(const std::string& text) const override {
    return CallOnGuiThread([&] { return m_target.FindString(text); });
  }
  void DeleteString(int index) override {
    RunOnGuiThread([&] { m_target.DeleteString(index); });
  }
  void ResetContent() override {
    RunOnGuiThread([&] { m_target.ResetContent(); });
  }
  void SetCurSel(int index) override {
    RunOnGuiThread([&] { m_target.SetCurSel(index); });
  }
  int GetCurSel() const override {
    return CallOnGuiThread([&] { return m_target.GetCurSel(); });
  }
  void SetEnabled(bool enabled) override {
    RunOnGuiThread([&] { m_target.SetEnabled(enabled); });
  }
  bool IsEnabled() const override {
    return CallOnGuiThread([&] { return m_target.IsEnabled(); });
  }

 private:
  platform::ComboControl& m_target;
};

class GuiThreadButton final : public platform::ButtonControl {
 public:
  explicit GuiThreadButton(platform::ButtonControl& target) : m_target(target) {}
  platform::ButtonControl& Target() const { return m_target; }

  void SetChecked(bool checked) override {
    RunOnGuiThread([&] { m_target.SetChecked(checked); });
  }
  bool IsChecked() const override {
    return CallOnGuiThread([&] { return m_target.IsChecked(); });
  }
  void SetEnabled(bool enabled) override {
    RunOnGuiThread([&] { m_target.SetEnabled(enabled); });
  }
  bool IsEnabled() const override {
    return CallOnGuiThread([&] { return m_target.IsEnabled(); });
  }
  void SetVisible(bool visible) override {
    RunOnGuiThread([&] { m_target.SetVisible(visible); });
  }
  bool IsVisible() const override {
    return CallOnGuiThread([&] { return m_target.IsVisible(); });
  }

 private:
  platform::ButtonControl& m_target;
};

platform::MessageAnswer GuiThreadPrompter::ShowMessage(const platform::MessageBoxRequest& request) {
  return CallOnGuiThread([&] { return m_target.ShowMessage(request); });
}

std::optional<std::string> GuiThreadPrompter::AskFilePath(
    const platform::FileDialogRequest& request) {
  return CallOnGuiThread([&] { return m_target.AskFilePath(request); });
}

std::optional<std::string> GuiThreadPrompter::AskText(const platform::TextDialogRequest& request) {
  return CallOnGuiThread([&] { return m_target.AskText(request); });
}

bool GuiThreadPrompter::EditDmiStrings(platform::DmiDialogData& data) {
  return CallOnGuiThread([&] { return m_target.EditDmiStrings(data); });
}

std::string GuiThreadPrompter::WindowTitle() const {
  return CallOnGuiThread([&] { return m_target.WindowTitle(); });
}

void GuiThreadPrompter::SetWindowTitle(const std::string& title) {
  RunOnGuiThread([&] { m_target.SetWindowTitle(title); });
}

void GuiThreadPrompter::SetBusy(bool busy) {
  RunOnGuiThread([&] { m_target.SetBusy(busy); });
}

namespace {

template <typename Control, typename Proxies>
Control* UnwrapOne(Control* control, const Proxies& proxies) {
  for (const auto& proxy : proxies) {
    if (proxy.get() == control) return &proxy->Target();
  }
  return control;
}

}  // namespace

GuiThreadControls::GuiThreadControls(editor::Editor& editor)
    : m_editor(editor),
      m_real_prompter(editor.controls.prompter),
      m_real_host(editor.controls.host) {
  platform::ViewControls& controls = m_editor.controls;
  if (m_real_prompter) {
    m_prompter = std::make_unique<GuiThreadPrompter>(*m_real_prompter);
    controls.prompter = m_prompter.get();
  }
  if (m_real_host) controls.host = this;
  const platform::ViewControls real = controls;
  Wrap(real, controls, false);
}

GuiThreadControls::~GuiThreadControls() {
  platform::ViewControls& controls = m_editor.controls;
  Unwrap(controls);
  controls.prompter = m_real_prompter;
  controls.host = m_real_host;
  // A tree made meanwhile sent its notifications to its proxy; the editor takes them again.
  setup::ConnectSetupTree(m_editor);
}

void GuiThreadControls::CreateControls(platform::ViewControls& controls) {
  platform::ViewControls real{.prompter = controls.prompter, .host = m_real_host};
  RunOnGuiThread([&] { m_real_host->CreateControls(real); });
  Wrap(real, controls, true);
}

void GuiThreadControls::DestroyControls(platform::ViewControls& controls) {
  platform::ViewControls real = controls;
  Unwrap(real);
  RunOnGuiThread([&] { m_real_host->DestroyControls(real); });
  controls.ForgetChildControls();
}

void GuiThreadControls::AdoptControls() {
  RunOnGuiThread([&] { m_real_host->AdoptControls(); });
}

void GuiThreadControls::Wrap(const platform::ViewControls& real, platform::ViewControls& proxied,
                             bool created) {
  const auto tree = [&](platform::TreeControl* control) -> platform::TreeControl* {
    if (!control) return nullptr;
    m_trees.push_back(std::make_shared<GuiThreadTree>(*control));
    if (created) m_trees.back()->TakeSelectionNotifications();
    return m_trees.back().get();
  };
  const auto wrap = [](auto* control, auto& proxies) -> decltype(control) {
    if (!control) return nullptr;
    using Proxy = typename std::decay_t<decltype(proxies)>::value_type::element_type;
    proxies.push_back(std::make_unique<Proxy>(*control));
    return proxies.back().get();
  };
  proxied.setup_tree = tree(real.setup_tree);
  proxied.dmi_tree = tree(real.dmi_tree);
  proxied.track_log = wrap(real.track_log, m_lists);
  proxied.hide_radio = wrap(real.hide_radio, m_buttons);
  proxied.show_radio = wrap(real.show_radio, m_buttons);
  proxied.access_level_combo = wrap(real.access_level_combo, m_combos);
  proxied.delete_option_combo = wrap(real.delete_option_combo, m_combos);
  proxied.optimal_option_combo = wrap(real.optimal_option_combo, m_combos);
  proxied.delete_button = wrap(real.delete_button, m_buttons);
  proxied.import_button = wrap(real.import_button, m_buttons);
}

void GuiThreadControls::Unwrap(platform::ViewControls& controls) const {
  controls.setup_tree = UnwrapOne(controls.setup_tree, m_trees);
  controls.dmi_tree = UnwrapOne(controls.dmi_tree, m_trees);
  controls.track_log = UnwrapOne(controls.track_log, m_lists);
  controls.hide_radio = UnwrapOne(controls.hide_radio, m_buttons);
  controls.show_radio = UnwrapOne(controls.show_radio, m_buttons);
  controls.access_level_combo = UnwrapOne(controls.access_level_combo, m_combos);
  controls.delete_option_combo = UnwrapOne(controls.delete_option_combo, m_combos);
  controls.optimal_option_combo = UnwrapOne(controls.optimal_option_combo, m_combos);
  controls.delete_button = UnwrapOne(controls.delete_button, m_buttons);
  controls.import_button = UnwrapOne(controls.import_button, m_buttons);
}

}  // namespace kalvire::ui
