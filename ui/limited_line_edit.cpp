#include "ui/limited_line_edit.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <algorithm>

namespace kalvire::ui {

LimitedLineEdit::LimitedLineEdit(int limit, QWidget* parent)
    : QLineEdit(parent), m_limit(std::max(limit, 0)) {
  connect(this, &QLineEdit::textChanged, this, &LimitedLineEdit::OnTextChanged);
}

void LimitedLineEdit::SetPresetText(const QString& text) {
  m_presetting = true;
  setText(text);
  m_accepted = text;
  m_presetting = false;
}

void LimitedLineEdit::OnTextChanged(const QString& text) {
  if (m_presetting) return;
  const qsizetype grown = text.size() - m_accepted.size();
  if (text.size() <= m_limit || grown <= 0) {
    m_accepted = text;
    return;
  }
  // Keep as much of the inserted text as fits, the way a limited edit control cuts a paste.
  const int cursor = cursorPosition();
  const qsizetype insert_start = std::max<qsizetype>(cursor - grown, 0);
  const qsizetype room = std::max<qsizetype>(m_limit - m_accepted.size(), 0);
  const QString kept = text.left(insert_start + room) + text.mid(cursor);
  m_presetting = true;
  setText(kept);
  setCursorPosition(int(insert_start + room));
  m_presetting = false;
  m_accepted = kept;
}

bool LimitedLineEdit::CheckLimit() {
  if (!ExceedsLimit()) return true;
  QMessageBox::warning(this, QGuiApplication::applicationDisplayName(),
                       tr("Please enter no more than %1 characters.").arg(m_limit));
  setFocus();
  selectAll();
  return false;
}

}  // namespace kalvire::ui
