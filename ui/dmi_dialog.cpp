#include "ui/dmi_dialog.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

#include "ui/dialog_units.h"
#include "ui/limited_line_edit.h"
#include "ui/qt_text.h"

namespace kalvire::ui {

namespace {

struct Rect {
  int left, top, width, height;
};

// The labels do not sit on one straight column; their places are kept as laid out.
constexpr std::array<Rect, CDmiDialog1::kSlots> kLabelRects = {{{18, 87, 229, 8},
                                                                {18, 111, 229, 8},
                                                                {19, 135, 229, 8},
                                                                {19, 159, 230, 8},
                                                                {19, 183, 229, 8},
                                                                {18, 207, 231, 8},
                                                                {19, 232, 229, 8},
                                                                {18, 255, 228, 8}}};

QRect Place(const DialogUnits& units, const Rect& r) {
  return units.ToPixels(r.left, r.top, r.width, r.height);
}

// The character count sits at the right end of the label row, above the end of the field.
constexpr int kValueLeft = 18;
constexpr int kValueWidth = 230;
constexpr int kValueRight = kValueLeft + kValueWidth;
constexpr int kLengthWidth = 28;

void ShowLength(QLabel& length, const LimitedLineEdit& value) {
  length.setText(QStringLiteral("%1/%2").arg(value.text().size()).arg(value.Limit()));
}

}  // namespace

CDmiDialog1::CDmiDialog1(QWidget* parent) : QDialog(parent) {
  setObjectName("CDmiDialog1");
  setWindowTitle(tr("DMI Table"));
  setModal(true);
  QFont font(QStringLiteral("Consolas"));
  font.setPointSize(10);
  font.setStyleHint(QFont::Monospace);
  setFont(font);
  const DialogUnits units(font);
  setFixedSize(units.X(263), units.Y(307));

  auto* formatted_group = new QGroupBox(tr("Formatted Area"), this);
  formatted_group->setGeometry(Place(units, {7, 7, 248, 61}));
  auto* strings_group = new QGroupBox(tr("Text Strings"), this);
  strings_group->setGeometry(Place(units, {7, 72, 248, 210}));

  const int limit = platform::DmiDialogData::kMaxValueLength;
  m_formatted = new LimitedLineEdit(limit, this);
  m_formatted->setObjectName("edit1006");
  m_formatted->setReadOnly(true);
  m_formatted->setGeometry(Place(units, {15, 20, 230, 40}));
  for (int k = 0; k < kSlots; ++k) {
    m_values[size_t(k)] = new LimitedLineEdit(limit, this);
    m_values[size_t(k)]->setObjectName(QStringLiteral("edit%1").arg(1007 + k));
    m_values[size_t(k)]->setGeometry(Place(units, {kValueLeft, 96 + 24 * k, kValueWidth, 14}));
    m_labels[size_t(k)] = new QLabel(this);
    m_labels[size_t(k)]->setObjectName(QStringLiteral("label%1").arg(1060 + k));
    Rect label = kLabelRects[size_t(k)];
    label.width = kValueRight - kLengthWidth - label.left;
    m_labels[size_t(k)]->setGeometry(Place(units, label));
    QLabel* length = new QLabel(this);
    length->setObjectName(QStringLiteral("length%1").arg(1007 + k));
    length->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    length->setGeometry(
        Place(units, {kValueRight - kLengthWidth, label.top, kLengthWidth, label.height}));
    m_lengths[size_t(k)] = length;
    LimitedLineEdit* value = m_values[size_t(k)];
    connect(value, &QLineEdit::textChanged, length,
            [length, value] { ShowLength(*length, *value); });
    ShowLength(*length, *value);
  }

  auto* ok = new QPushButton(tr("OK"), this);
  ok->setObjectName("okButton");
  ok->setDefault(true);
  ok->setGeometry(Place(units, {150, 288, 50, 14}));
  auto* cancel = new QPushButton(tr("Cancel"), this);
  cancel->setObjectName("cancelButton");
  cancel->setGeometry(Place(units, {204, 288, 50, 14}));
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void CDmiDialog1::Load(const platform::DmiDialogData& data) {
  setWindowTitle(FromUtf8(data.title));
  // The field converts to capitals, so the bytes read in upper-case hex.
  m_formatted->SetPresetText(FromUtf8(data.formatted_text).toUpper());
  for (int k = 0; k < kSlots; ++k) {
    const std::string& value = data.values[size_t(k)];
    m_values[size_t(k)]->SetPresetText(FromUtf8(value));
    m_labels[size_t(k)]->setText(FromUtf8(data.labels[size_t(k)]));
    m_values[size_t(k)]->setVisible(!value.empty());
    m_labels[size_t(k)]->setVisible(!value.empty());
    m_lengths[size_t(k)]->setVisible(!value.empty());
  }
}

void CDmiDialog1::Store(platform::DmiDialogData& data) const {
  for (int k = 0; k < kSlots; ++k) data.values[size_t(k)] = ToUtf8(m_values[size_t(k)]->text());
}

void CDmiDialog1::accept() {
  for (LimitedLineEdit* value : m_values) {
    if (!value->isHidden() && !value->CheckLimit()) return;
  }
  QDialog::accept();
}

}  // namespace kalvire::ui
