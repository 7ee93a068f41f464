#include "ui/control_page.h"

#include <QBoxLayout>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QToolButton>

#include "setup/messages.h"
#include "ui/qt_controls.h"
#include "ui/tree_ctrl_x.h"

namespace kalvire::ui {

namespace {

constexpr int kUnaddressedLabel = 65535;
constexpr int kTrackLogExtent = 5000;

template <typename Widget>
Widget* Name(Widget* widget, const char* name, int id) {
  widget->setObjectName(QLatin1String(name));
  widget->setProperty("controlId", id);
  return widget;
}

QLabel* MakeLabel(const QString& text, const char* name, QWidget* buddy = nullptr) {
  auto* label = Name(new QLabel(UnderlinedMnemonic(text)), name, kUnaddressedLabel);
  label->setTextFormat(Qt::RichText);
  label->setBuddy(buddy);
  return label;
}

QToolButton* MakeToolButton(const QString& text, const QString& tip, const char* name) {
  auto* button = new QToolButton;
  button->setObjectName(QLatin1String(name));
  button->setText(text);
  button->setToolTip(tip);
  button->setAutoRaise(true);
  return button;
}

// A label above the control it names, as one widget for a splitter.
QWidget* Captioned(QLabel* label, QWidget* control) {
  auto* box = new QWidget;
  auto* column = new QVBoxLayout(box);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(2);
  column->addWidget(label);
  column->addWidget(control, 1);
  return box;
}

QWidget* BuildFindBar(ControlPage& c) {
  auto* bar = new QWidget;
  bar->setObjectName("findBar");
  auto* row = new QHBoxLayout(bar);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(2);
  c.find_field = new QLineEdit;
  c.find_field->setObjectName("findField");
  c.find_field->setPlaceholderText(QObject::tr("Find prompt, help, option, node, question id"));
  c.find_field->setClearButtonEnabled(true);
  c.find_previous = MakeToolButton(QStringLiteral("\u25B2"),
                                   QObject::tr("Previous match (Shift+F3)"), "findPreviousButton");
  c.find_next =
      MakeToolButton(QStringLiteral("\u25BC"), QObject::tr("Next match (F3)"), "findNextButton");
  c.find_filter = new QtComboBox;
  c.find_filter->setObjectName("findFilterCombo");
  c.find_filter->setToolTip(QObject::tr("Show all items, or only the changed or hidden ones"));
  for (const char* entry : {"All items", "Changed items", "Hidden items"})
    c.find_filter->addItem(QObject::tr(entry));
  c.find_status = new QLabel;
  c.find_status->setObjectName("findStatus");
  c.find_close =
      MakeToolButton(QStringLiteral("\u2715"), QObject::tr("Close (Esc)"), "findCloseButton");
  row->addWidget(c.find_field, 1);
  row->addWidget(c.find_previous);
  row->addWidget(c.find_next);
  row->addWidget(c.find_status);
  row->addWidget(c.find_filter);
  row->addWidget(c.find_close);
  bar->hide();
  return bar;
}

QWidget* BuildSetupSide(ControlPage& c) {
  auto* side = new QWidget;
  side->setObjectName("setupSide");
  auto* column = new QVBoxLayout(side);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(3);
  c.setup_tree = Name(new CTreeCtrlX, "setupTree", 4641);
  c.bios_menu_label = MakeLabel(QObject::tr("BIOS &Menu:"), "biosMenuLabel", c.setup_tree);
  c.find_bar = BuildFindBar(c);
  c.legend = new QLabel(QObject::tr(
      "<span style='color:#c00000'>Red</span>: changed &nbsp; <span style='color:gray'><i>Grey "
      "italic</i></span>: hidden &nbsp; <i>(empty ...)</i>: no prompt"));
  c.legend->setObjectName("treeLegend");
  c.legend->setTextFormat(Qt::RichText);
  column->addWidget(c.bios_menu_label);
  column->addWidget(c.find_bar);
  column->addWidget(c.setup_tree, 1);
  column->addWidget(c.legend);
  return side;
}

QWidget* BuildEditControls(ControlPage& c) {
  auto* box = new QWidget;
  box->setObjectName("editControls");
  auto* grid = new QGridLayout(box);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->setHorizontalSpacing(12);
  grid->setVerticalSpacing(3);
  c.optimal_option_combo = Name(new QtComboBox, "optimalOptionCombo", 5392);
  c.optimal_option_label =
      MakeLabel(QObject::tr("O&ptimal BIOS Option:"), "optimalOptionLabel", c.optimal_option_combo);
  c.access_level_combo = Name(new QtComboBox, "accessLevelCombo", 5192);
  for (const char* level : setup::kAccessLevelNames) c.access_level_combo->AddString(level);
  c.access_level_combo->SetEnabled(false);
  c.access_level_label =
      MakeLabel(QObject::tr("&Change Access Level:"), "accessLevelLabel", c.access_level_combo);
  c.hide_radio = Name(new QtRadioButton(QObject::tr("Hid&e")), "hideRadio", 4096);
  c.show_radio = Name(new QtRadioButton(QObject::tr("&Show")), "showRadio", 4097);
  c.hide_radio->SetEnabled(false);
  c.show_radio->SetEnabled(false);
  c.visibility_label = MakeLabel(QObject::tr("Chang&e Vi&sibility:"), "visibilityLabel");
  c.delete_option_combo = Name(new QtComboBox, "deleteOptionCombo", 5376);
  c.delete_option_label =
      MakeLabel(QObject::tr("Delete &Option:"), "deleteOptionLabel", c.delete_option_combo);
  c.delete_button = Name(new QtPushButton(QObject::tr("&Delete")), "deleteButton", 4099);
  c.delete_button->SetEnabled(false);

  auto* radios = new QHBoxLayout;
  radios->addWidget(c.hide_radio);
  radios->addWidget(c.show_radio);
  radios->addStretch(1);
  grid->addWidget(c.optimal_option_label, 0, 0);
  grid->addWidget(c.access_level_label, 0, 1);
  grid->addWidget(c.visibility_label, 0, 2);
  grid->addWidget(c.optimal_option_combo, 1, 0);
  grid->addWidget(c.access_level_combo, 1, 1);
  grid->addLayout(radios, 1, 2);
  grid->addWidget(c.delete_option_label, 2, 0);
  grid->addWidget(c.delete_option_combo, 3, 0, 1, 2);
  grid->addWidget(c.delete_button, 3, 2, Qt::AlignLeft);
  grid->setColumnStretch(0, 3);
  grid->setColumnStretch(1, 2);
  grid->setColumnStretch(2, 2);
  return box;
}

QWidget* BuildEditSide(ControlPage& c) {
  auto* side = new QWidget;
  side->setObjectName("editSide");
  auto* column = new QVBoxLayout(side);
  column->setContentsMargins(0, 0, 0, 0);
  column->addWidget(BuildEditControls(c));

  c.details = Name(new QPlainTextEdit, "detailsPane", kUnaddressedLabel);
  c.details->setReadOnly(true);
  c.details->setLineWrapMode(QPlainTextEdit::NoWrap);
  c.details->setPlaceholderText(QObject::tr("Select an item of the BIOS menu to see its details"));
  auto* details_label = MakeLabel(QObject::tr("Details:"), "detailsLabel", c.details);

  c.dmi_tree = Name(new CTreeCtrlX, "dmiTree", 280);
  c.dmi_tree->SetItemData(c.dmi_tree->InsertItem(platform::kRootItem, "DMI"), 0);
  c.dmi_tables_label = MakeLabel(QObject::tr("DMI Ta&bles:"), "dmiTablesLabel", c.dmi_tree);
  c.track_log = Name(new QtListBox, "trackLogList", 281);
  c.track_log->SetHorizontalExtent(kTrackLogExtent);
  c.track_log_label = MakeLabel(QObject::tr("Track Log Option:"), "trackLogLabel");

  c.right_splitter = new QSplitter(Qt::Vertical);
  c.right_splitter->setObjectName("rightSplitter");
  c.right_splitter->setChildrenCollapsible(false);
  c.right_splitter->addWidget(Captioned(details_label, c.details));
  c.right_splitter->addWidget(Captioned(c.dmi_tables_label, c.dmi_tree));
  c.right_splitter->addWidget(Captioned(c.track_log_label, c.track_log));
  c.right_splitter->setSizes({220, 200, 180});
  column->addWidget(c.right_splitter, 1);

  c.import_button = Name(new QtPushButton(QObject::tr("&Import Settings")), "importButton", 4208);
  c.full_track_log_button =
      Name(new QtPushButton(QObject::tr("Full &Track Log")), "fullTrackLogButton", 4176);
  c.save_track_log_button =
      Name(new QtPushButton(QObject::tr("Save Track &Log")), "saveTrackLogButton", 4192);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(c.import_button);
  buttons->addWidget(c.full_track_log_button);
  buttons->addWidget(c.save_track_log_button);
  column->addLayout(buttons);
  return side;
}

}  // namespace

ControlPage BuildControlPage(QWidget* parent) {
  ControlPage c;
  c.page = new QWidget(parent);
  c.page->setObjectName("controlPage");
  c.page->hide();
  auto* outer = new QHBoxLayout(c.page);
  outer->setContentsMargins(8, 4, 8, 4);
  c.main_splitter = new QSplitter(Qt::Horizontal);
  c.main_splitter->setObjectName("mainSplitter");
  c.main_splitter->setChildrenCollapsible(false);
  c.main_splitter->addWidget(BuildSetupSide(c));
  c.main_splitter->addWidget(BuildEditSide(c));
  c.main_splitter->setStretchFactor(0, 1);
  c.main_splitter->setStretchFactor(1, 1);
  c.main_splitter->setSizes({400, 520});
  outer->addWidget(c.main_splitter);
  c.page->setMinimumSize(kControlPageMinimum);
  c.page->setGeometry(parent->rect());
  return c;
}

}  // namespace kalvire::ui
