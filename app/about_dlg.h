// CAboutDlg: the about box.
#pragma once

#include <QDialog>

namespace kalvire::app {

class CAboutDlg final : public QDialog {
  Q_OBJECT

 public:
  explicit CAboutDlg(QWidget* parent = nullptr);
};

}  // namespace kalvire::app
