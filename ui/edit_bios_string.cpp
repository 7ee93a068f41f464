#include "ui/edit_bios_string.h"

#include <QLabel>
#include <QPushButton>
#include <QValidator>

#include "ui/dialog_units.h"
#include "ui/limited_line_edit.h"

namespace kalvire::ui {

namespace {

// Setup strings are stored one byte a character: nothing beyond Latin-1 can be typed.
class Latin1Validator final : public QValidator {
 public:
  using QValidator::QValidator;
  State validate(QString& input, int&) const override {
    for (const QChar c : input) {
      if (c.unicode() > 0xFF) return Invalid;
    }
    return Acceptable;
  }
};

}  // namespace

CEditBIOSString::CEditBIOSString(const QString& title, int max_length, QWidget* parent)
    : QDialog(parent) {
  setObjectName("CEditBIOSString");
  setWindowTitle(title);
  setModal(true);
  QFont font(QStringLiteral("MS Shell Dlg"));
  font.setPointSize(8);
  font.setStyleHint(QFont::SansSerif);
  setFont(font);
  const DialogUnits units(font);
  setFixedSize(units.X(225), units.Y(68));

  m_field = new LimitedLineEdit(max_length, this);
  m_field->setObjectName("edit1006");
  m_field->setValidator(new Latin1Validator(m_field));
  m_field->setGeometry(units.ToPixels(10, 19, 208, 14));

  auto* label = new QLabel(this);
  label->setGeometry(units.ToPixels(9, 8, 52, 8));

  auto* ok = new QPushButton(tr("OK"), this);
  ok->setObjectName("okButton");
  ok->setDefault(true);
  ok->setGeometry(units.ToPixels(112, 47, 50, 14));
  auto* cancel = new QPushButton(tr("Cancel"), this);
  cancel->setObjectName("cancelButton");
  cancel->setGeometry(units.ToPixels(167, 47, 50, 14));
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  m_field->setFocus();
}

void CEditBIOSString::SetText(const QString& text) {
  m_field->SetPresetText(text);
  m_field->selectAll();
}

QString CEditBIOSString::Text() const {
  return m_field->text();
}

void CEditBIOSString::accept() {
  if (m_field->CheckLimit()) QDialog::accept();
}

}  // namespace kalvire::ui
