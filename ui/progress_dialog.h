// The modal dialog that names the step a long command has reached, with a busy bar. It appears
// only when the command takes longer than a short delay and makes way for the command's own
// dialogs. It has no Cancel: an image half written cannot be taken back.
#pragma once

#include <QDialog>
#include <QTimer>
#include <chrono>

class QLabel;

namespace kalvire::ui {

class ProgressDialog final : public QDialog {
  Q_OBJECT

 public:
  // Over `parent`'s window. From its construction to its destruction the person's input to
  // that window is ignored, also before the dialog appears: the command owns the editor.
  explicit ProgressDialog(QWidget* parent);
  ~ProgressDialog() override;

  void SetStep(const QString& step);
  QString Step() const;
  // A dialog of the command opens (true) or closes (false); this one is hidden meanwhile.
  // Calls nest.
  void MakeWay(bool other_dialog_open);

  // How long a command runs before the dialog appears (300 ms unless set).
  static void SetDelay(std::chrono::milliseconds delay);

 protected:
  // Escape and the title bar's close do not end a command that cannot be stopped.
  void reject() override {}
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void ShowWhenDue();

  QWidget* m_window;
  QLabel* m_step;
  QTimer m_delay;
  bool m_due = false;
  int m_others_open = 0;
};

}  // namespace kalvire::ui
