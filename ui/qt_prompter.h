// The prompter of the desktop: real message boxes, file dialogs, the "Update Data" and "DMI
// Table" dialogs, the main window's title and the busy cursor.
#pragma once

#include <QPointer>
#include <QWidget>
#include <string>

#include "platform/prompter.h"

namespace kalvire::ui {

class ProgressDialog;

class QtPrompter final : public platform::Prompter {
 public:
  // Dialogs open over `owner`'s window, whose title is the one set and read.
  explicit QtPrompter(QWidget* owner);
  ~QtPrompter() override;

  // Without a person in front of the program (a headless run): messages go to standard error,
  // questions get the answer that changes nothing (No, Cancel) and every dialog is cancelled.
  void SetInteractive(bool interactive) { m_interactive = interactive; }

  platform::MessageAnswer ShowMessage(const platform::MessageBoxRequest& request) override;
  std::optional<std::string> AskFilePath(const platform::FileDialogRequest& request) override;
  std::optional<std::string> AskText(const platform::TextDialogRequest& request) override;
  bool EditDmiStrings(platform::DmiDialogData& data) override;
  std::string WindowTitle() const override;
  // The title is shown with Qt's modified marker placeholder behind it; WindowTitle() gives it
  // back without.
  void SetWindowTitle(const std::string& title) override;
  void SetBusy(bool busy) override;
  // Safe from any thread: the step reaches the progress dialog, if one is shown, through the
  // event queue.
  void ReportProgress(const std::string& step) override;

  // The dialog that shows the steps of the command that runs now (null: none), hidden while
  // a message box or another dialog of this prompter is open.
  void SetProgressDialog(ProgressDialog* dialog);

  // The title bar marks the window modified ("*" behind the title) or not.
  void ShowModified(bool modified);

  bool IsBusy() const { return m_busy_depth > 0; }

 private:
  QWidget* DialogParent() const;

  QPointer<QWidget> m_owner;
  QPointer<ProgressDialog> m_progress;
  bool m_interactive = true;
  int m_busy_depth = 0;
};

// Sets the prompter busy for as long as it lives.
class BusyScope {
 public:
  explicit BusyScope(platform::Prompter& prompter) : m_prompter(prompter) {
    m_prompter.SetBusy(true);
  }
  ~BusyScope() { m_prompter.SetBusy(false); }
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;

 private:
  platform::Prompter& m_prompter;
};

}  // namespace kalvire::ui
