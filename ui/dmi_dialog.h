// CDmiDialog1: the "DMI Table" dialog. The formatted area of one SMBIOS structure as hex bytes,
// and its strings in up to eight labelled fields, each with a count of its characters against
// the limit ("12/64"); slots without a string are hidden.
#pragma once

#include <QDialog>
#include <array>

#include "platform/prompter.h"

class QLabel;

namespace kalvire::ui {

class LimitedLineEdit;

class CDmiDialog1 final : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kSlots = platform::DmiDialogData::kSlots;

  explicit CDmiDialog1(QWidget* parent = nullptr);

  // Shows `data`: the caption, the formatted area and the slots. A slot whose value is empty
  // is hidden with its label.
  void Load(const platform::DmiDialogData& data);
  // The values of the fields, into `data`.
  void Store(platform::DmiDialogData& data) const;

  LimitedLineEdit& ValueField(int slot) { return *m_values[size_t(slot)]; }
  QLabel& LabelField(int slot) { return *m_labels[size_t(slot)]; }
  QLabel& LengthField(int slot) { return *m_lengths[size_t(slot)]; }
  LimitedLineEdit& FormattedArea() { return *m_formatted; }

  void accept() override;

 private:
  LimitedLineEdit* m_formatted = nullptr;
  std::array<LimitedLineEdit*, kSlots> m_values{};
  std::array<QLabel*, kSlots> m_labels{};
  std::array<QLabel*, kSlots> m_lengths{};
};

}  // namespace kalvire::ui
