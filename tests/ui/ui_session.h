// The application started offscreen on a temporary sample image and settings, dialogs answered.
#pragma once

#include <gtest/gtest.h>

#include <QMessageBox>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
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
QT_END_NAMESPACE

namespace kalvire::ui::test {

QByteArray FileBytes(const QString& path);
bool WriteFile(const QString& path, const QByteArray& bytes);

struct ShownMessage {
  QString caption, text;
  QMessageBox::StandardButtons buttons;
  QMessageBox::StandardButton default_button;
};

// Answers modal dialogs: expected ones go to their handlers in order; other message boxes are
// recorded and answered Yes, else OK, else Cancel; any other modal widget is recorded, rejected.
class ModalDriver {
 public:
  using Handler = std::function<void(QWidget*)>;
  ModalDriver();
  // The next modal dialog of class `class_name` goes to `handler`, which must close it.
  void Expect(const char* class_name, Handler handler);
  template <typename Dialog>
  void Expect(const char* class_name, std::function<void(Dialog&)> handler) {
    Expect(class_name, [handler](QWidget* widget) { handler(*static_cast<Dialog*>(widget)); });
  }
  // The next dialog of `class_name` is rejected; its title goes to `title`.
  void ExpectReject(const char* class_name, QString* title = nullptr);
  void ExpectKey(Qt::Key key);           // the next message box is recorded and gets `key` typed
  void ExpectFile(const QString& path);  // the next file dialog chooses `path`
  bool AllHandled() const { return m_handlers.empty(); }
  void ClearRecords() { messages.clear(), unexpected.clear(); }

  std::vector<ShownMessage> messages;
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
  bool Start(const QString& file);  // `file` on the command line (empty: none), frame active

  app::CKALVIRE_1App& App() { return *m_app; }
  app::CMainFrame& Frame() { return m_app->MainFrame(); }
  CKALVIRE_1View& View() { return Frame().View(); }
  editor::Editor& Editor() { return View().Editor(); }
  ModalDriver& Driver() { return m_driver; }
  QString Path(const QString& name) const { return m_dir.filePath(name); }
  QString SamplePath() const { return Path("sample.rom"); }
  QString WriteSample(const QString& name);  // the sample image at Path(name)
  bool Open(const QString& path) { return View().OpenRomImagePath(path.toStdString()); }
  void Trigger(const char* action) { Frame().Action(action)->trigger(); }
  QString LastMessage() { return m_driver.messages.empty() ? "" : m_driver.messages.back().text; }

  // Every child control of the view (of each page of controls it holds).
  QList<QWidget*> Controls();
  CTreeCtrlX& SetupTree() { return *View().findChild<CTreeCtrlX*>("setupTree"); }
  CTreeCtrlX& DmiTree() { return *View().findChild<CTreeCtrlX*>("dmiTree"); }
  QtRadioButton* Radio(const char* name) { return View().findChild<QtRadioButton*>(name); }
  QtPushButton* Button(const char* name) { return View().findChild<QtPushButton*>(name); }
  QtComboBox& Combo(const char* name) { return *View().findChild<QtComboBox*>(name); }
  void Click(QAbstractButton* button) { QTest::mouseClick(button, Qt::LeftButton); }
  void Choose(QtComboBox& combo, int index) {  // as a person picks an entry of the open list
    combo.setCurrentIndex(index);
    emit combo.activated(index);
  }
  std::vector<std::string> TrackLogLines();
  QString ShownTitle() { return Frame().windowHandle()->title(); }  // with the "*" mark

  // The first shown ONE_OF question but `other` with 2+ options in both combos, left selected.
  platform::TreeItem Question(platform::TreeItem other = platform::kNoItem);
  uint32_t NodeOf(platform::TreeItem item);
  platform::TreeItem ItemOf(uint32_t node) { return Editor().setup.nodes[node].item; }
  platform::TreeItem DmiItem(const std::string& text);  // a DMI structure by its text
  void ClickItem(CTreeCtrlX& tree, platform::TreeItem item, bool twice = false);
  void PressAlt(Qt::Key key);  // typed into the frame

 private:
  QTemporaryDir m_dir;
  ModalDriver m_driver;
  std::unique_ptr<app::CKALVIRE_1App> m_app;
};

// A test that starts with the sample image open.
class SampleTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(s.Start(s.SamplePath())); }
  AppSession s;
};

}  // namespace kalvire::ui::test
