// The Compare With dialog: what differs between the open image and a second one, a row an item
// under "Setup nodes", "DMI strings" and "Firmware files". It stays open beside the window;
// double-clicking a setup row of a node the open image has (or Enter on it) selects that node in
// the tree.
#pragma once

#include <QDialog>
#include <string>

#include "editor/compare_image.h"

class QTreeWidget;

namespace kalvire::ui {

class CompareDialog final : public QDialog {
  Q_OBJECT

 public:
  // The data role of a setup row's first column that holds the node's number in the open image.
  static constexpr int kNodeRole = Qt::UserRole;

  CompareDialog(const editor::Comparison& comparison, const std::string& open_path,
                QWidget* parent);

  QTreeWidget& Rows() { return *m_rows; }

 signals:
  void nodeChosen(quint32 node);

 private:
  QTreeWidget* m_rows = nullptr;
};

}  // namespace kalvire::ui
