#include "ui/qt_controls.h"

#include <QKeyEvent>
#include <QScrollBar>
#include <algorithm>

#include "ui/qt_text.h"

namespace kalvire::ui {

bool HasEnabledStyle(const QWidget& widget) {
  return !widget.testAttribute(Qt::WA_ForceDisabled);
}

bool HasVisibleStyle(const QWidget& widget) {
  return !(widget.testAttribute(Qt::WA_WState_ExplicitShowHide) &&
           widget.testAttribute(Qt::WA_WState_Hidden));
}

void DropMnemonicShortcut(QAbstractButton& button) {
  button.setShortcut(QKeySequence());
}

QString UnderlinedMnemonic(const QString& text) {
  QString html;
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] == QLatin1Char('&') && i + 1 < text.size()) {
      ++i;
      if (text[i] != QLatin1Char('&')) {
        html += QStringLiteral("<u>") + QString(text[i]).toHtmlEscaped() + QStringLiteral("</u>");
        continue;
      }
    }
    html += QString(text[i]).toHtmlEscaped();
  }
  return html;
}

QtListBox::QtListBox(QWidget* parent) : QListWidget(parent) {
  setSelectionMode(QAbstractItemView::SingleSelection);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setUniformItemSizes(true);
}

void QtListBox::SetHorizontalExtent(int pixels) {
  m_horizontal_extent = std::max(0, pixels);
  updateGeometries();
}

int QtListBox::AddString(const std::string& text) {
  addItem(FromLatin1(text));
  return count() - 1;
}

std::string QtListBox::GetText(int index) const {
  const QListWidgetItem* line = item(index);
  return line ? ToLatin1(line->text()) : std::string();
}

void QtListBox::updateGeometries() {
  QListWidget::updateGeometries();
  QScrollBar* bar = horizontalScrollBar();
  const int visible = viewport()->width();
  const int needed = std::max(m_horizontal_extent - visible, 0);
  if (needed > bar->maximum()) {
    bar->setRange(0, needed);
    bar->setPageStep(visible);
  }
}

QtComboBox::QtComboBox(QWidget* parent) : QComboBox(parent) {
  setEditable(false);
}

void QtComboBox::keyPressEvent(QKeyEvent* event) {
  const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  if (enter && event->modifiers() == Qt::NoModifier && currentIndex() >= 0) {
    event->accept();
    emit activated(currentIndex());
    return;
  }
  QComboBox::keyPressEvent(event);
}

int QtComboBox::AddString(const std::string& text) {
  const int selected = currentIndex();
  addItem(FromLatin1(text));
  // Qt selects the first entry of an empty combo; a drop-down list selects nothing by itself.
  if (selected < 0) setCurrentIndex(-1);
  return count() - 1;
}

std::string QtComboBox::GetText(int index) const {
  if (index < 0 || index >= count()) return {};
  return ToLatin1(itemText(index));
}

int QtComboBox::FindString(const std::string& text) const {
  if (text.empty()) return -1;
  return findText(FromLatin1(text), Qt::MatchExactly | Qt::MatchCaseSensitive);
}

void QtComboBox::DeleteString(int index) {
  if (index < 0 || index >= count()) return;
  const bool was_selected = index == currentIndex();
  removeItem(index);
  // Qt moves the selection to a neighbour; removing the selected entry leaves none.
  if (was_selected) setCurrentIndex(-1);
}

void QtComboBox::SetCurSel(int index) {
  setCurrentIndex(index >= 0 && index < count() ? index : -1);
}

bool QtComboBox::IsEnabled() const {
  return HasEnabledStyle(*this);
}

QtPushButton::QtPushButton(const QString& text, QWidget* parent) : QPushButton(text, parent) {
  DropMnemonicShortcut(*this);
}

bool QtPushButton::IsEnabled() const {
  return HasEnabledStyle(*this);
}

bool QtPushButton::IsVisible() const {
  return HasVisibleStyle(*this);
}

QtRadioButton::QtRadioButton(const QString& text, QWidget* parent) : QRadioButton(text, parent) {
  setAutoExclusive(false);
  DropMnemonicShortcut(*this);
}

bool QtRadioButton::IsEnabled() const {
  return HasEnabledStyle(*this);
}

bool QtRadioButton::IsVisible() const {
  return HasVisibleStyle(*this);
}

}  // namespace kalvire::ui
