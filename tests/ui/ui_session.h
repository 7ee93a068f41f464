// The desktop application as a person starts it, on the offscreen platform: the sample image
// in a temporary folder, settings in a temporary file, and a driver that answers the dialogs.
#pragma once

#include <QMessageBox>
#include <QPointer>
#include <QTemporaryDir>
#include <QTimer>
#include <deque>
#include <functional>
#include <ostream>

#include "app/kalvire_app.h"
#include "ui/kalvire_view.h"
#include "ui/qt_controls.h"
#include "ui/tree_ctrl_x.h"

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& text, std::ostream* out) {  // readable in failure messages
  *out << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QStringList& texts, std::ostream* out) {
  *out << '{' << texts.join(QStringLiteral(", ")).toStdString() << '}';
}
QT_END_NAMESPACE

namespace kalvire::ui::test {

QByteArray FileBytes(const QString& path);
bool WriteFile(const QString& path, const QByteArray& bytes);

struct ShownMessage {
  QString caption, text;
  QMessageBox::Icon icon;
  QMessageBox::StandardButtons buttons;
  QMessageBox::StandardButton default_button;
};

// Answers the modal dialogs and popup menus the program opens: each expected one goes to its
// handler, in order. Other message boxes are recorded and answered Yes, else OK, else Cancel;
// other menus are recorded and closed; any other modal widget is recorded and rejected.
class ModalDriver {
 public:
  using Handler = std::function<void(QWidget*)>;
  ModalDriver();
  // The next modal dialog of class `class_name` goes to `handler`, which must close it.
  void Expect(const char* class_name, Handler handler);
  // The next message box is recorded and answered with `key` typed into it.
  void ExpectKey(Qt::Key key);
  void ExpectFile(const QString& path);  // the next file dialog chooses `path`
  void ExpectMenu(const QString& choice);
  bool AllHandled() const { return m_handlers.empty(); }
  void ClearRecords() { messages.clear(), menus.clear(), unexpected.clear(); }

  std::vector<ShownMessage> messages;
  std::vector<QStringList> menus;
  std::vector<std::string> unexpected;

 private:
  void Poll();
  void Record(const QMessageBox& box);

  QTimer m_timer;
  std::deque<std::pair<std::string, Handler>> m_handlers;
  QPointer<QWidget> m_last_handled;
};

class AppSession {
 public:
  AppSession();
  // Starts the application with `file` on the command line (empty: none), frame active.
  bool Start(const QString& file);

  app::CKALVIRE_1App& App() { return *m_app; }
  app::CMainFrame& Frame() { return m_app->MainFrame(); }
  CKALVIRE_1View& View() { return Frame().View(); }
  editor::Editor& Editor() { return View().Editor(); }
  ModalDriver& Driver() { return m_driver; }
  QString Path(const QString& name) const { return m_dir.filePath(name); }
  QString SamplePath() const { return Path("sample.rom"); }
  QString WriteSample(const QString& name);  // the sample image at Path(name)

  // Every child control of the view (of each page of controls it holds).
  QList<QWidget*> Controls();
  CTreeCtrlX& SetupTree() { return *View().findChild<CTreeCtrlX*>("setupTree"); }
  CTreeCtrlX& DmiTree() { return *View().findChild<CTreeCtrlX*>("dmiTree"); }
  QtRadioButton* Radio(const char* name) { return View().findChild<QtRadioButton*>(name); }
  QtPushButton* Button(const char* name) { return View().findChild<QtPushButton*>(name); }
  QtComboBox& Combo(const char* name) { return *View().findChild<QtComboBox*>(name); }
  std::vector<std::string> TrackLogLines();
  // The title as the title bar shows it, with the modified mark ("*") resolved.
  QString ShownTitle();

  // The first ONE_OF question but `other` that can be hidden, is shown, and has two options
  // or more in both option combos, left selected; kNoItem when none.
  platform::TreeItem Question(platform::TreeItem other = platform::kNoItem);
  uint32_t NodeOf(platform::TreeItem item);
  // Hides Question() with clicks, as a person does; returns its node (~0u when none).
  uint32_t HideAQuestion();
  platform::TreeItem DmiItem(const std::string& text);  // a DMI structure by its text
  void ClickItem(CTreeCtrlX& tree, platform::TreeItem item);
  void DoubleClickItem(CTreeCtrlX& tree, platform::TreeItem item);
  void PressAlt(Qt::Key key);  // typed into the frame

 private:
  QTemporaryDir m_dir;
  ModalDriver m_driver;
  std::unique_ptr<app::CKALVIRE_1App> m_app;
};

}  // namespace kalvire::ui::test
