// The set of child controls one Open makes for the main view, laid out to follow the window's
// size: the setup tree (with its find bar) on the left; on the right the edit controls of the
// selected node, its details, the DMI tree and the track log, with splitters between them.
#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QSplitter;
class QToolButton;

namespace kalvire::ui {

class CTreeCtrlX;
class QtComboBox;
class QtListBox;
class QtPushButton;
class QtRadioButton;

struct ControlPage {
  // The parent of every control of the set, as large as the view; hidden until the set is
  // adopted.
  QWidget* page = nullptr;
  QSplitter* main_splitter = nullptr;   // setup side | edit side
  QSplitter* right_splitter = nullptr;  // details | DMI tables | track log
  CTreeCtrlX* setup_tree = nullptr;
  CTreeCtrlX* dmi_tree = nullptr;
  QtListBox* track_log = nullptr;
  QLabel* dmi_tables_label = nullptr;
  QtRadioButton* hide_radio = nullptr;
  QtRadioButton* show_radio = nullptr;
  QLabel* track_log_label = nullptr;
  QtPushButton* full_track_log_button = nullptr;
  QtPushButton* save_track_log_button = nullptr;
  QtPushButton* import_button = nullptr;
  QLabel* bios_menu_label = nullptr;
  QLabel* visibility_label = nullptr;
  QLabel* access_level_label = nullptr;
  QtPushButton* delete_button = nullptr;
  QtComboBox* access_level_combo = nullptr;
  QLabel* delete_option_label = nullptr;
  QtComboBox* delete_option_combo = nullptr;
  QLabel* optimal_option_label = nullptr;
  QtComboBox* optimal_option_combo = nullptr;
  QPlainTextEdit* details = nullptr;
  QLabel* legend = nullptr;
  // The find bar over the setup tree, hidden until asked for.
  QWidget* find_bar = nullptr;
  QLineEdit* find_field = nullptr;
  QtComboBox* find_filter = nullptr;  // all, changed or hidden items
  QLabel* find_status = nullptr;
  QToolButton* find_next = nullptr;
  QToolButton* find_previous = nullptr;
  QToolButton* find_close = nullptr;
};

// The minimum size that keeps every control of a page usable.
inline constexpr QSize kControlPageMinimum{760, 520};

// Makes the controls as children of a new hidden page under `parent`, the page as large as
// `parent`. The controls are created in the order the tab order follows.
ControlPage BuildControlPage(QWidget* parent);

}  // namespace kalvire::ui
