// The desktop application as a person starts it, on the offscreen platform: the sample image
// in a temporary folder named on the command line, settings in a temporary file, and a driver
// that answers the dialogs.
#pragma once

#include <QSettings>
#include <QTemporaryDir>
#include <functional>
#include <memory>
#include <string>

#include "app/kalvire_app.h"
#include "modal_driver.h"
#include "platform/controls.h"
#include "ui/kalvire_view.h"

namespace kalvire::ui {
class CTreeCtrlX;
class QtComboBox;
class QtListBox;
class QtPushButton;
class QtRadioButton;
}  // namespace kalvire::ui

namespace kalvire::ui::test {

// Writes the sample image into `dir` under `name`; returns its path.
QString WriteSampleImage(const QString& dir, const QString& name = QStringLiteral("sample.rom"));

class AppSession {
 public:
  AppSession();
  ~AppSession();

  // Starts the application with `file` on the command line (empty: none), shows the frame
  // and waits until it is the active window. False when the start failed.
  bool Start(const QString& file);

  app::CKALVIRE_1App& App() { return *m_app; }
  app::CMainFrame& Frame() { return m_app->MainFrame(); }
  CKALVIRE_1View& View() { return Frame().View(); }
  rom::Editor& Editor() { return View().Editor(); }
  ModalDriver& Driver() { return m_driver; }
  QString Path(const QString& name) const { return m_dir.filePath(name); }
  QString SamplePath() const { return m_sample; }

  // Every child control of the view (of each page of controls it holds).
  QList<QWidget*> Controls();
  // The view's child controls by object name; null when they do not exist.
  CTreeCtrlX* SetupTree();
  CTreeCtrlX* DmiTree();
  QtListBox* TrackLog();
  QtRadioButton* Radio(const char* name);
  QtPushButton* Button(const char* name);
  QtComboBox* Combo(const char* name);

  // The title as the title bar shows it: Qt's modified placeholder resolved ("*" or nothing).
  QString ShownTitle();
  // Hides the first question that can be hidden, with a click on the Hide radio as a person
  // does; returns its node (~0u when there is none).
  uint32_t HideAQuestion();

  std::vector<std::string> TrackLogLines();
  // Selects `item` of the setup tree by clicking it, as a person does.
  void ClickSetupItem(platform::TreeItem item);
  void DoubleClickItem(CTreeCtrlX& tree, platform::TreeItem item);
  // Alt plus `key`, typed into the frame.
  void PressAlt(Qt::Key key);

  // The DMI structure item whose text is `text`; kNoItem when there is none.
  platform::TreeItem DmiItem(const std::string& text);

  // The first node, in node order, whose item has `opcode` and for which `accept` holds
  // once it is selected; kNoItem when none.
  platform::TreeItem FindSetupItem(uint8_t opcode, const std::function<bool()>& accept);

 private:
  QTemporaryDir m_dir;
  QString m_sample;
  ModalDriver m_driver;
  std::unique_ptr<app::CKALVIRE_1App> m_app;
};

}  // namespace kalvire::ui::test
