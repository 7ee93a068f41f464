#include "ui/kalvire_view.h"

#include <QContextMenuEvent>
#include <QLabel>
#include <QMenu>
#include <QResizeEvent>
#include <QShortcut>
#include <new>

#include "dmi/dmi_edit.h"
#include "editor/open_image.h"
#include "editor/save_image.h"
#include "rom/messages.h"
#include "setup/commands.h"
#include "setup/messages.h"
#include "setup/option_delete.h"
#include "tracklog/import_settings.h"
#include "tracklog/track_log.h"
#include "tracklog/track_log_file.h"
#include "ui/qt_controls.h"
#include "ui/tree_ctrl_x.h"
#include "ui/unsaved_edits.h"
#include "ui/view_layout.h"

namespace kalvire::ui {

namespace {

constexpr std::array<Qt::Key, CKALVIRE_1View::kHotKeyCount> kHotKeyLetters = {
    Qt::Key_I, Qt::Key_T, Qt::Key_L, Qt::Key_S, Qt::Key_C,
    Qt::Key_O, Qt::Key_D, Qt::Key_P, Qt::Key_M, Qt::Key_B};

enum HotKey {
  kHotKeyImport = 0,
  kHotKeyFullTrackLog = 1,
  kHotKeySaveTrackLog = 2,
  kHotKeyToggleVisibility = 3,
  kHotKeyAccessLevel = 4,
  kHotKeyDeleteOption = 5,
  kHotKeyDelete = 6,
  kHotKeyOptimalOption = 7,
  kHotKeySetupTree = 8,
  kHotKeyDmiTree = 9,
};

template <typename Widget>
Widget* Place(Widget* widget, const char* name, int id, const QRect& rect, bool visible) {
  widget->setObjectName(QLatin1String(name));
  widget->setProperty("controlId", id);
  widget->setGeometry(rect);
  widget->setVisible(visible);
  return widget;
}

// A closed drop-down list takes its natural height at the top of its rectangle; the rest of the
// rectangle is what the open list may cover.
QtComboBox* PlaceCombo(QtComboBox* combo, const char* name, int id, const QRect& rect,
                       bool visible) {
  Place(combo, name, id, rect, visible);
  combo->setGeometry(rect.left(), rect.top(), rect.width(), combo->sizeHint().height());
  const int line = std::max(combo->fontMetrics().height(), 1);
  combo->setMaxVisibleItems(std::max((rect.height() - combo->height()) / line, 1));
  return combo;
}

constexpr int kUnaddressedLabel = 65535;

QLabel* MakeLabel(const QString& text, QWidget* parent) {
  auto* label = new QLabel(UnderlinedMnemonic(text), parent);
  label->setTextFormat(Qt::RichText);
  return label;
}

}  // namespace

struct CKALVIRE_1View::Controls {
  // The parent of every control of the set, as large as the view; hidden until the set is
  // adopted.
  QWidget* page = nullptr;
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
  QtComboBox* delete_option_combo = nullptr;
  QLabel* optimal_option_label = nullptr;
  QtComboBox* optimal_option_combo = nullptr;
};

CKALVIRE_1View::CKALVIRE_1View(QWidget* parent) : QWidget(parent), m_prompter(this) {
  setObjectName("CKALVIRE_1View");
  m_editor->controls.prompter = &m_prompter;
  m_editor->controls.host = this;
}

CKALVIRE_1View::~CKALVIRE_1View() {
  DestroyControls(m_editor->controls);
}

template <typename Command>
void CKALVIRE_1View::RunLong(Command command) {
  const BusyScope busy(m_prompter);
  try {
    command();
  } catch (const std::bad_alloc&) {
    m_prompter.ShowPlain(rom::kMsgFailedToAllocateMemory);
  }
  ShowModified();
}

std::function<void()> CKALVIRE_1View::EditSlot(std::function<void(editor::Editor&)> operation) {
  return [this, operation] {
    operation(*m_editor);
    ShowModified();
  };
}

void CKALVIRE_1View::ShowModified() {
  m_prompter.ShowModified(m_editor->workspace.HasUnsavedEdits());
}

bool CKALVIRE_1View::SettleUnsavedEdits() {
  return ui::SettleUnsavedEdits(*m_editor, [this] { return SaveRomImage(); });
}

void CKALVIRE_1View::OpenRomImage() {
  if (!SettleUnsavedEdits()) return;
  RunLong([this] { editor::OpenRomImage(*m_editor); });
  NoteOpenedImage();
}

bool CKALVIRE_1View::OpenRomImagePath(const std::string& path) {
  int opened = 0;
  RunLong([&] { opened = editor::OpenRomImagePath(*m_editor, path); });
  NoteOpenedImage();
  return opened == 1;
}

editor::SaveOutcome CKALVIRE_1View::SaveRomImage() {
  editor::SaveOutcome outcome;
  RunLong([&] { outcome = editor::SaveRomImage(*m_editor); });
  return outcome;
}

editor::SaveOutcome CKALVIRE_1View::SaveRomImageAs() {
  editor::SaveOutcome outcome;
  RunLong([&] { outcome = editor::SaveRomImageAs(*m_editor); });
  NoteOpenedImage();
  return outcome;
}

void CKALVIRE_1View::NoteOpenedImage() {
  if (m_editor->workspace.m_image_loaded) emit imageOpened();
}

void CKALVIRE_1View::DestroyControls(platform::ViewControls& controls) {
  for (std::unique_ptr<Controls>* set : {&m_created, &m_controls}) {
    if (*set && controls.setup_tree == (*set)->setup_tree) {
      delete (*set)->page;
      set->reset();
    }
  }
  controls.ForgetChildControls();
}

void CKALVIRE_1View::AdoptControls() {
  if (!m_created) return;
  if (m_controls) delete m_controls->page;
  m_controls = std::move(m_created);
  m_controls->page->show();
}

void CKALVIRE_1View::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  for (Controls* set : {m_controls.get(), m_created.get()}) {
    if (set) set->page->resize(size());
  }
}

void CKALVIRE_1View::CreateControls(platform::ViewControls& controls) {
  if (m_created) delete m_created->page;
  auto c = std::make_unique<Controls>();
  QWidget* page = c->page = new QWidget(this);
  page->setObjectName("controlPage");
  page->setGeometry(rect());
  page->hide();
  // Created in this order so that the tab order and the stacking follow it.
  c->track_log = Place(new QtListBox(page), "trackLogList", 281, layout::kTrackLog, true);
  c->track_log->SetHorizontalExtent(layout::kTrackLogExtent);
  c->setup_tree = Place(new CTreeCtrlX(page), "setupTree", 4641, layout::kSetupTree, true);
  c->dmi_tree = Place(new CTreeCtrlX(page), "dmiTree", 280, layout::kDmiTree, true);
  c->dmi_tree->SetItemData(c->dmi_tree->InsertItem(platform::kRootItem, "DMI"), 0);
  c->dmi_tables_label = Place(MakeLabel(tr("DMI Ta&bles:"), page), "dmiTablesLabel",
                              kUnaddressedLabel, layout::kDmiTablesLabel, true);
  c->hide_radio =
      Place(new QtRadioButton(tr("Hid&e"), page), "hideRadio", 4096, layout::kHideRadio, true);
  c->show_radio =
      Place(new QtRadioButton(tr("&Show"), page), "showRadio", 4097, layout::kShowRadio, true);
  c->track_log_label = Place(MakeLabel(tr("Track Log Option:"), page), "trackLogLabel",
                             kUnaddressedLabel, layout::kTrackLogLabel, true);
  c->full_track_log_button = Place(new QtPushButton(tr("Full &Track Log"), page),
                                   "fullTrackLogButton", 4176, layout::kFullTrackLogButton, true);
  c->save_track_log_button = Place(new QtPushButton(tr("Save Track &Log"), page),
                                   "saveTrackLogButton", 4192, layout::kSaveTrackLogButton, true);
  c->import_button = Place(new QtPushButton(tr("&Import Settings"), page), "importButton", 4208,
                           layout::kImportButton, true);
  c->bios_menu_label = Place(MakeLabel(tr("BIOS &Menu:"), page), "biosMenuLabel", kUnaddressedLabel,
                             layout::kBiosMenuLabel, true);
  c->visibility_label = Place(MakeLabel(tr("Chang&e Vi&sibility:"), page), "visibilityLabel",
                              kUnaddressedLabel, layout::kVisibilityLabel, true);
  c->access_level_label = Place(MakeLabel(tr("&Change Access Level:"), page), "accessLevelLabel",
                                kUnaddressedLabel, layout::kAccessLevelLabel, false);
  c->delete_button = Place(new QtPushButton(tr("&Delete"), page), "deleteButton", 4099,
                           layout::kDeleteButton, false);
  c->hide_radio->SetEnabled(false);
  c->show_radio->SetEnabled(false);
  c->delete_button->SetEnabled(false);
  c->access_level_combo =
      PlaceCombo(new QtComboBox(page), "accessLevelCombo", 5192, layout::kAccessLevelCombo, false);
  for (const char* level : setup::kAccessLevelNames) c->access_level_combo->AddString(level);
  c->access_level_combo->SetEnabled(false);
  c->delete_option_combo = PlaceCombo(new QtComboBox(page), "deleteOptionCombo", 5376,
                                      layout::kDeleteOptionCombo, false);
  c->optimal_option_label =
      Place(MakeLabel(tr("O&ptimal BIOS Option:"), page), "optimalOptionLabel", kUnaddressedLabel,
            layout::kOptimalOptionLabel, true);
  c->optimal_option_combo = PlaceCombo(new QtComboBox(page), "optimalOptionCombo", 5392,
                                       layout::kOptimalOptionCombo, true);

  controls.setup_tree = c->setup_tree;
  controls.dmi_tree = c->dmi_tree;
  controls.track_log = c->track_log;
  controls.hide_radio = c->hide_radio;
  controls.show_radio = c->show_radio;
  controls.access_level_combo = c->access_level_combo;
  controls.delete_option_combo = c->delete_option_combo;
  controls.optimal_option_combo = c->optimal_option_combo;
  controls.delete_button = c->delete_button;
  controls.import_button = c->import_button;
  ConnectControls(*c);
  m_created = std::move(c);
  RegisterHotKeys();
}

void CKALVIRE_1View::ConnectControls(Controls& c) {
  // An automatic radio pair: the person's click checks one and clears the other.
  connect(c.hide_radio, &QAbstractButton::clicked, this, [this] {
    m_controls->show_radio->SetChecked(false);
    setup::HideSelectedNode(*m_editor);
    ShowModified();
  });
  connect(c.show_radio, &QAbstractButton::clicked, this, [this] {
    m_controls->hide_radio->SetChecked(false);
    setup::ShowSelectedNode(*m_editor);
    ShowModified();
  });
  connect(c.access_level_combo, &QComboBox::activated, this,
          EditSlot(setup::ChangeSelectedAccessLevel));
  connect(c.optimal_option_combo, &QComboBox::activated, this,
          EditSlot(setup::ChangeSelectedOptimalOption));
  connect(c.delete_option_combo, &QComboBox::activated, this, EditSlot(setup::EnableOptionDelete));
  connect(c.delete_button, &QAbstractButton::clicked, this, EditSlot(setup::DeleteSelectedOption));
  connect(c.setup_tree, &QTreeWidget::itemDoubleClicked, this, EditSlot(setup::EditSelectedString));
  connect(c.dmi_tree, &QTreeWidget::itemDoubleClicked, this, EditSlot(dmi::EditDmiString));
  c.dmi_tree->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(c.dmi_tree, &QWidget::customContextMenuRequested, this, [this] {
    // The menu acts on the selected structure, wherever the click was.
    QMenu menu(this);
    QAction* edit = menu.addAction(tr("Edit"));
    if (menu.exec(QCursor::pos()) != edit) return;
    dmi::EditDmiString(*m_editor);
    ShowModified();
  });
  connect(c.full_track_log_button, &QAbstractButton::clicked, this,
          [this] { RunLong([this] { tracklog::FullTrackLog(*m_editor); }); });
  connect(c.save_track_log_button, &QAbstractButton::clicked, this,
          [this] { tracklog::SaveTrackLog(*m_editor); });
  connect(c.import_button, &QAbstractButton::clicked, this,
          [this] { RunLong([this] { tracklog::ImportSettings(*m_editor); }); });
}

// The hot keys stay registered from the first Open on, also when a later Open fails; they
// act on whatever controls exist at the time.
void CKALVIRE_1View::RegisterHotKeys() {
  if (HotKeysRegistered()) return;
  for (int id = 0; id < kHotKeyCount; ++id) {
    auto* shortcut = new QShortcut(QKeySequence(Qt::ALT | kHotKeyLetters[size_t(id)]), this);
    shortcut->setObjectName(QStringLiteral("hotKey%1").arg(id));
    // Application-wide, never system-wide: other programs keep their Alt keys.
    shortcut->setContext(Qt::ApplicationShortcut);
    connect(shortcut, &QShortcut::activated, this, [this, id] { OnHotKey(id); });
    m_hot_keys[size_t(id)] = shortcut;
  }
}

void CKALVIRE_1View::OnHotKey(int id) {
  switch (id) {
    case kHotKeyImport:
      RunLong([this] { tracklog::ImportSettings(*m_editor); });
      break;
    case kHotKeyFullTrackLog:
      RunLong([this] { tracklog::FullTrackLog(*m_editor); });
      break;
    case kHotKeySaveTrackLog:
      tracklog::SaveTrackLog(*m_editor);
      break;
    case kHotKeyToggleVisibility:
      ToggleVisibility();
      break;
    case kHotKeyAccessLevel:
      if (m_controls) FocusControl(m_controls->access_level_combo);
      break;
    case kHotKeyDeleteOption:
      if (m_controls) FocusControl(m_controls->delete_option_combo);
      break;
    case kHotKeyDelete:
      setup::DeleteOption(*m_editor, setup::kSelectedNode, "");
      break;
    case kHotKeyOptimalOption:
      if (m_controls) FocusControl(m_controls->optimal_option_combo);
      break;
    case kHotKeySetupTree:
      if (m_controls) FocusControl(m_controls->setup_tree);
      break;
    case kHotKeyDmiTree:
      if (m_controls) FocusControl(m_controls->dmi_tree);
      break;
    default:
      return;
  }
  ShowModified();
}

void CKALVIRE_1View::ToggleVisibility() {
  if (!m_controls) return;
  QtRadioButton& hide = *m_controls->hide_radio;
  QtRadioButton& show = *m_controls->show_radio;
  if (show.IsChecked()) {
    show.SetChecked(false);
    hide.SetChecked(true);
    setup::HideSelectedNode(*m_editor);
  } else {
    show.SetChecked(true);
    hide.SetChecked(false);
    setup::ShowSelectedNode(*m_editor);
  }
}

void CKALVIRE_1View::FocusControl(QWidget* widget) {
  if (widget) widget->setFocus(Qt::ShortcutFocusReason);
}

void CKALVIRE_1View::contextMenuEvent(QContextMenuEvent* event) {
  QPoint at = event->pos();
  if (event->reason() == QContextMenuEvent::Keyboard) {
    at = layout::kKeyboardMenuPoint;
  } else if (!layout::kContextMenuArea.contains(at)) {
    return;
  }
  QMenu menu(this);
  menu.setObjectName("editPopupMenu");
  QAction* edit = menu.addAction(tr("Edit"));
  edit->setObjectName("actionSetupStringEdit");
  if (menu.exec(mapToGlobal(at)) != edit) return;
  setup::EditSelectedString(*m_editor);
  ShowModified();
}

}  // namespace kalvire::ui
