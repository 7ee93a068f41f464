// A one-line edit field with a character limit as the dialogs have it: typing and pasting stop
// at the limit, a longer preset text is shown whole, and the dialog refuses OK while the field
// holds more than the limit.
#pragma once

#include <QLineEdit>
#include <QString>

namespace kalvire::ui {

class LimitedLineEdit final : public QLineEdit {
  Q_OBJECT

 public:
  LimitedLineEdit(int limit, QWidget* parent = nullptr);

  // Sets the text without applying the limit.
  void SetPresetText(const QString& text);
  bool ExceedsLimit() const { return text().size() > m_limit; }
  int Limit() const { return m_limit; }

  // When the field holds more than its limit: tells so in the standard length message, puts
  // the focus on the field and returns false.
  bool CheckLimit();

 private:
  void OnTextChanged(const QString& text);

  int m_limit;
  QString m_accepted;
  bool m_presetting = false;
};

}  // namespace kalvire::ui
