// Answers the modal dialogs and popup menus that the program opens while a test drives it: each
// expected dialog gets its handler in order; message boxes that no handler claims are recorded
// and answered (Yes or OK; Cancel where there is neither) so that commands with several boxes
// run through.
#pragma once

#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace kalvire::ui::test {

struct ShownMessage {
  QString caption;
  QString text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QMessageBox::StandardButtons buttons;
  QMessageBox::StandardButton default_button = QMessageBox::NoButton;
};

class ModalDriver {
 public:
  using Handler = std::function<void(QWidget*)>;

  ModalDriver();
  ~ModalDriver();

  // The next modal dialog of class `class_name` (QObject::metaObject()->className(), e.g.
  // "QFileDialog" or "kalvire::ui::CDmiDialog1") is given to `handler`, which must close it.
  void Expect(const char* class_name, Handler handler);
  // The next message box is recorded and answered with `key` typed into it, as a person at
  // the keyboard answers (Return: the default button, Escape, a button's letter).
  void ExpectKey(Qt::Key key);
  // The next popup menu: its action texts are recorded and `choice` is triggered (empty:
  // the menu is closed without a choice).
  void ExpectMenu(QString choice);
  // The answer to question boxes that no handler claims.
  void SetAnswerYes(bool yes) { m_answer_yes = yes; }

  bool AllHandled() const { return m_handlers.empty(); }
  const std::vector<ShownMessage>& Messages() const { return m_messages; }
  std::vector<QString> MessageTexts() const;
  const std::vector<QStringList>& Menus() const { return m_menus; }
  // Modal widgets nobody expected; each was rejected.
  const std::vector<std::string>& Unexpected() const { return m_unexpected; }
  void ClearRecords();

 private:
  struct Expected {
    std::string class_name;
    Handler handler;
    bool menu = false;
    QString choice;
  };

  void Poll();
  void Answer(QMessageBox& box);
  void Record(const QMessageBox& box);

  QTimer m_timer;
  std::deque<Expected> m_handlers;
  QPointer<QWidget> m_last_handled;
  bool m_answer_yes = true;
  std::vector<ShownMessage> m_messages;
  std::vector<QStringList> m_menus;
  std::vector<std::string> m_unexpected;
};

}  // namespace kalvire::ui::test
