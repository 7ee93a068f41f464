#include "modal_driver.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QMenu>
#include <QPushButton>
#include <QTest>

namespace kalvire::ui::test {

ModalDriver::ModalDriver() {
  m_timer.setInterval(5);
  QObject::connect(&m_timer, &QTimer::timeout, [this] { Poll(); });
  m_timer.start();
}

ModalDriver::~ModalDriver() {
  m_timer.stop();
}

void ModalDriver::Expect(const char* class_name, Handler handler) {
  m_handlers.push_back({class_name, std::move(handler), false, {}});
}

void ModalDriver::ExpectKey(Qt::Key key) {
  Expect("QMessageBox", [this, key](QWidget* widget) {
    Record(*static_cast<QMessageBox*>(widget));
    QTest::keyClick(widget, key);
  });
}

void ModalDriver::ExpectMenu(QString choice) {
  m_handlers.push_back({"QMenu", {}, true, std::move(choice)});
}

std::vector<QString> ModalDriver::MessageTexts() const {
  std::vector<QString> texts;
  for (const ShownMessage& message : m_messages) texts.push_back(message.text);
  return texts;
}

void ModalDriver::ClearRecords() {
  m_messages.clear();
  m_menus.clear();
  m_unexpected.clear();
}

void ModalDriver::Poll() {
  if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
    if (menu == m_last_handled) return;
    m_last_handled = menu;
    QStringList texts;
    for (const QAction* action : menu->actions()) texts << action->text();
    m_menus.push_back(texts);
    QAction* chosen = nullptr;
    if (!m_handlers.empty() && m_handlers.front().menu) {
      for (QAction* action : menu->actions()) {
        if (action->text() == m_handlers.front().choice) chosen = action;
      }
      m_handlers.pop_front();
    }
    if (chosen) {
      // Chosen with the keyboard, the way QMenu::exec() learns which action ended it.
      menu->setActiveAction(chosen);
      QTest::keyClick(menu, Qt::Key_Return);
    } else {
      menu->close();
    }
    return;
  }
  QWidget* modal = QApplication::activeModalWidget();
  if (!modal || modal == m_last_handled || !modal->isVisible()) return;
  m_last_handled = modal;
  const std::string class_name = modal->metaObject()->className();
  if (!m_handlers.empty() && !m_handlers.front().menu &&
      m_handlers.front().class_name == class_name) {
    Handler handler = std::move(m_handlers.front().handler);
    m_handlers.pop_front();
    handler(modal);
    return;
  }
  if (auto* box = qobject_cast<QMessageBox*>(modal)) {
    Answer(*box);
    return;
  }
  m_unexpected.push_back(class_name);
  if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
}

void ModalDriver::Record(const QMessageBox& box) {
  m_messages.push_back({box.windowTitle(), box.text(), box.icon(), box.standardButtons(),
                        box.standardButton(box.defaultButton())});
}

void ModalDriver::Answer(QMessageBox& box) {
  Record(box);
  QAbstractButton* button = nullptr;
  if (box.standardButtons() & QMessageBox::Yes) {
    button = box.button(m_answer_yes ? QMessageBox::Yes : QMessageBox::No);
  } else {
    button = box.button(QMessageBox::Ok);
  }
  if (button) {
    button->click();
  } else {
    box.reject();
  }
}

}  // namespace kalvire::ui::test
