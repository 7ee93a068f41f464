#include "ui/progress_dialog.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>
#include <QWindow>

namespace kalvire::ui {

namespace {

std::chrono::milliseconds g_delay{300};

bool IsInput(QEvent::Type type) {
  switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::Drop:
    case QEvent::Close:
      return true;
    default:
      return false;
  }
}

// The window an event's receiver belongs to: a widget's own, a shortcut's or an action's
// through the widget it hangs on, a native window's through the widget it shows.
const QWidget* WindowOf(const QObject* receiver) {
  if (const auto* window = qobject_cast<const QWindow*>(receiver)) {
    for (const QWidget* top : QApplication::topLevelWidgets()) {
      if (top->windowHandle() == window) return top;
    }
    return nullptr;
  }
  for (const QObject* object = receiver; object; object = object->parent()) {
    if (object->isWidgetType()) return static_cast<const QWidget*>(object)->window();
  }
  return nullptr;
}

}  // namespace

ProgressDialog::ProgressDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      m_window(parent ? parent->window() : nullptr),
      m_step(new QLabel(this)) {
  setObjectName("progressDialog");
  // Its own title: the command's message boxes carry the bare application title.
  setWindowTitle(QGuiApplication::applicationDisplayName() + tr(" - Progress"));
  setModal(true);
  auto* bar = new QProgressBar(this);
  bar->setRange(0, 0);  // a busy bar: the steps have no known length
  bar->setTextVisible(false);
  m_step->setMinimumWidth(320);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_step);
  layout->addWidget(bar);
  m_delay.setSingleShot(true);
  connect(&m_delay, &QTimer::timeout, this, [this] {
    m_due = true;
    ShowWhenDue();
  });
  m_delay.start(g_delay);
  qApp->installEventFilter(this);
}

ProgressDialog::~ProgressDialog() {
  qApp->removeEventFilter(this);
}

void ProgressDialog::SetDelay(std::chrono::milliseconds delay) {
  g_delay = delay;
}

void ProgressDialog::SetStep(const QString& step) {
  m_step->setText(step);
  ShowWhenDue();
}

QString ProgressDialog::Step() const {
  return m_step->text();
}

void ProgressDialog::MakeWay(bool other_dialog_open) {
  m_others_open += other_dialog_open ? 1 : -1;
  if (m_others_open > 0) {
    hide();
  } else {
    m_others_open = 0;
    ShowWhenDue();
  }
}

void ProgressDialog::ShowWhenDue() {
  // Until the command names a step there is nothing to show.
  if (m_due && m_others_open == 0 && !m_step->text().isEmpty() && !isVisible()) show();
}

void ProgressDialog::closeEvent(QCloseEvent* event) {
  event->ignore();
}

bool ProgressDialog::eventFilter(QObject* watched, QEvent* event) {
  if (m_window && IsInput(event->type()) && WindowOf(watched) == m_window) return true;
  return QDialog::eventFilter(watched, event);
}

}  // namespace kalvire::ui
