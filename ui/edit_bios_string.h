// CEditBIOSString: the "Update Data" dialog, one edit field that the setup string editing and
// the numeric optimal default entry preset and read back.
#pragma once

#include <QDialog>
#include <QString>

namespace kalvire::ui {

class LimitedLineEdit;

class CEditBIOSString final : public QDialog {
  Q_OBJECT

 public:
  // `max_length` limits the field (the setup texts take 100 characters).
  CEditBIOSString(const QString& title, int max_length, QWidget* parent = nullptr);

  void SetText(const QString& text);
  QString Text() const;
  LimitedLineEdit& Field() { return *m_field; }

  void accept() override;

 private:
  LimitedLineEdit* m_field = nullptr;
};

}  // namespace kalvire::ui
