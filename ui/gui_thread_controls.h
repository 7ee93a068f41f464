// The editor's controls, prompter and view host as a command running on a background thread
// sees them: proxies that run every call on the interface thread, where the widgets are.
#pragma once

#include <memory>
#include <vector>

#include "editor/editor.h"

namespace kalvire::ui {

class GuiThreadTree;
class GuiThreadList;
class GuiThreadCombo;
class GuiThreadButton;

// Everything the prompter shows runs on the interface thread; ReportProgress goes straight
// through, as the prompter interface allows it from the command's thread.
class GuiThreadPrompter final : public platform::Prompter {
 public:
  explicit GuiThreadPrompter(platform::Prompter& target) : m_target(target) {}

  platform::MessageAnswer ShowMessage(const platform::MessageBoxRequest& request) override;
  std::optional<std::string> AskFilePath(const platform::FileDialogRequest& request) override;
  std::optional<std::string> AskText(const platform::TextDialogRequest& request) override;
  bool EditDmiStrings(platform::DmiDialogData& data) override;
  std::string WindowTitle() const override;
  void SetWindowTitle(const std::string& title) override;
  void SetBusy(bool busy) override;
  void ReportProgress(const std::string& step) override { m_target.ReportProgress(step); }

 private:
  platform::Prompter& m_target;
};

// While it lives, `editor`'s controls, prompter and host are proxies, also the controls that
// an Open creates meanwhile; its destruction puts the real ones back. Made and destroyed on the
// interface thread, before and after the command's thread runs.
class GuiThreadControls final : public platform::ViewHost {
 public:
  explicit GuiThreadControls(editor::Editor& editor);
  ~GuiThreadControls() override;
  GuiThreadControls(const GuiThreadControls&) = delete;
  GuiThreadControls& operator=(const GuiThreadControls&) = delete;

  void CreateControls(platform::ViewControls& controls) override;
  void DestroyControls(platform::ViewControls& controls) override;
  void AdoptControls() override;

 private:
  // The proxies of `real`'s child controls stored in `proxied`; `created` for a new set, whose
  // trees send their selection notifications to the handlers set on the proxies.
  void Wrap(const platform::ViewControls& real, platform::ViewControls& proxied, bool created);
  // The real controls behind the proxies of `controls`, put in their place.
  void Unwrap(platform::ViewControls& controls) const;

  editor::Editor& m_editor;
  platform::Prompter* m_real_prompter;
  platform::ViewHost* m_real_host;
  std::unique_ptr<GuiThreadPrompter> m_prompter;
  std::vector<std::shared_ptr<GuiThreadTree>> m_trees;
  std::vector<std::unique_ptr<GuiThreadList>> m_lists;
  std::vector<std::unique_ptr<GuiThreadCombo>> m_combos;
  std::vector<std::unique_ptr<GuiThreadButton>> m_buttons;
};

}  // namespace kalvire::ui
