#include "ui/kalvire_view.h"

#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QResizeEvent>
#include <QShortcut>
#include <new>

#include "dmi/dmi_edit.h"
#include "editor/compare_image.h"
#include "editor/open_image.h"
#include "editor/save_image.h"
#include "rom/messages.h"
#include "setup/commands.h"
#include "setup/messages.h"
#include "setup/node_info.h"
#include "setup/node_lookup.h"
#include "setup/option_delete.h"
#include "tracklog/import_settings.h"
#include "tracklog/track_log.h"
#include "tracklog/track_log_file.h"
#include "ui/compare_dialog.h"
#include "ui/control_page.h"
#include "ui/qt_controls.h"
#include "ui/qt_text.h"
#include "ui/setup_find.h"
#include "ui/setup_item_look.h"
#include "ui/tree_ctrl_x.h"
#include "ui/unsaved_edits.h"

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

}  // namespace

struct CKALVIRE_1View::Controls : ControlPage {
  SetupFinder* finder = nullptr;
};

CKALVIRE_1View::CKALVIRE_1View(QWidget* parent) : QWidget(parent), m_prompter(this) {
  setObjectName("CKALVIRE_1View");
  m_editor->controls.prompter = &m_prompter;
  m_editor->controls.host = this;
  const std::pair<QKeySequence, FindKey> find_keys[] = {
      {QKeySequence::Find, FindKey::kOpen},
      {QKeySequence::FindNext, FindKey::kNext},
      {QKeySequence::FindPrevious, FindKey::kPrevious}};
  for (const auto& [keys, key] : find_keys) {
    auto* shortcut = new QShortcut(keys, this);
    connect(shortcut, &QShortcut::activated, this, [this, key] { OnFindKey(key); });
  }
}

CKALVIRE_1View::~CKALVIRE_1View() {
  DestroyControls(m_editor->controls);
}

template <typename Command>
void CKALVIRE_1View::RunLong(Command command) {
  if (m_background.Running()) return;
  const BusyScope busy(m_prompter);
  try {
    m_background.Run(*m_editor, m_prompter, this, command);
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
  if (!m_controls) return;
  m_controls->finder->Invalidate();  // an edit may have changed the texts it searches
  ShowSelectedNodeDetails();
}

void CKALVIRE_1View::ShowSelectedNodeDetails() {
  if (!m_controls || m_prompter.IsBusy()) return;
  QPlainTextEdit& pane = *m_controls->details;
  const auto node = setup::NodeOfItem(m_editor->setup, m_controls->setup_tree->GetSelectedItem());
  if (!node) {
    pane.clear();
    return;
  }
  QString text;
  for (const std::string& line : setup::FormatNodeInfo(setup::DescribeNode(*m_editor, *node)))
    text += FromLatin1(line) + QLatin1Char('\n');
  pane.setPlainText(text);
}

void CKALVIRE_1View::OnFindKey(FindKey key) {
  if (!m_controls || m_prompter.IsBusy()) return;
  SetupFinder& finder = *m_controls->finder;
  switch (key) {
    case FindKey::kOpen:
      finder.ShowBar();
      break;
    case FindKey::kNext:
    case FindKey::kPrevious:
      if (m_controls->find_bar->isHidden()) {
        finder.ShowBar();
      } else {
        finder.Step(key == FindKey::kNext);
      }
      break;
    case FindKey::kClose:
      finder.HideBar();
      break;
  }
}

bool CKALVIRE_1View::SettleUnsavedEdits() {
  return ui::SettleUnsavedEdits(*m_editor, [this] { return SaveRomImage(); });
}

void CKALVIRE_1View::OpenRomImage() {
  if (m_background.Running()) return;
  if (!SettleUnsavedEdits()) return;
  RunLong([this] { editor::OpenRomImage(*m_editor); });
  NoteOpenedImage();
}

bool CKALVIRE_1View::OpenRomImagePath(const std::string& path) {
  if (m_background.Running()) return false;
  int opened = 0;
  RunLong([&] { opened = editor::OpenRomImagePath(*m_editor, path); });
  NoteOpenedImage();
  return opened == 1;
}

bool CKALVIRE_1View::OpenRomImageFile(const std::string& path) {
  return SettleUnsavedEdits() && OpenRomImagePath(path);
}

editor::SaveOutcome CKALVIRE_1View::SaveRomImage() {
  if (m_background.Running()) return {};
  editor::SaveOutcome outcome;
  RunLong([&] { outcome = editor::SaveRomImage(*m_editor); });
  return outcome;
}

editor::SaveOutcome CKALVIRE_1View::SaveRomImageAs() {
  if (m_background.Running()) return {};
  editor::SaveOutcome outcome;
  RunLong([&] { outcome = editor::SaveRomImageAs(*m_editor); });
  NoteOpenedImage();
  return outcome;
}

void CKALVIRE_1View::CompareWithImage(const std::string& path) {
  if (m_background.Running() || !m_controls) return;
  std::optional<editor::Comparison> comparison;
  RunLong([&] {
    comparison = path.empty() ? editor::CompareWithImage(*m_editor)
                              : editor::CompareWithImagePath(*m_editor, path);
  });
  if (!comparison) return;
  if (m_compare) m_compare->close();
  m_compare = new CompareDialog(*comparison, m_editor->workspace.m_path, this);
  m_compared_controls = m_controls.get();
  connect(m_compare, &CompareDialog::nodeChosen, this, [this](quint32 node) { SelectNode(node); });
  m_compare->show();
}

CompareDialog* CKALVIRE_1View::ComparisonShown() const {
  return m_compare;
}

bool CKALVIRE_1View::SelectNode(uint32_t node) {
  if (!m_controls || node >= m_editor->setup.node_count) return false;
  CTreeCtrlX& tree = *m_controls->setup_tree;
  const platform::TreeItem item = setup::ItemOfNode(m_editor->setup, node);
  QTreeWidgetItem* widget = tree.WidgetItem(item);
  if (!widget) return false;
  if (widget->isHidden()) m_controls->finder->SetFilter(SetupFinder::Filter::kAll);
  tree.SelectItem(item);
  tree.scrollToItem(widget);
  return true;
}

void CKALVIRE_1View::NoteOpenedImage() {
  // The comparison's node numbers are those of the image it was made with.
  if (m_compare && m_compared_controls != m_controls.get()) m_compare->close();
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
  m_controls->page->resize(size());
  m_controls->page->show();
  updateGeometry();  // the window now keeps the page's minimum size
}

void CKALVIRE_1View::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  for (Controls* set : {m_controls.get(), m_created.get()}) {
    if (set) set->page->resize(size());
  }
}

QSize CKALVIRE_1View::minimumSizeHint() const {
  return m_controls ? kControlPageMinimum : QWidget::minimumSizeHint();
}

void CKALVIRE_1View::CreateControls(platform::ViewControls& controls) {
  if (m_created) delete m_created->page;
  auto c = std::make_unique<Controls>(Controls{BuildControlPage(this)});
  c->finder = new SetupFinder(*m_editor, *c);
  auto* close_find = new QShortcut(Qt::Key_Escape, c->find_bar);
  close_find->setContext(Qt::WidgetWithChildrenShortcut);
  connect(close_find, &QShortcut::activated, this, [this] { OnFindKey(FindKey::kClose); });
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
  // While a command runs the model may be half made: the tree draws plain items meanwhile.
  c->setup_tree->SetLookProvider([this](platform::TreeItem item) {
    return m_prompter.IsBusy() ? CTreeCtrlX::ItemLook{} : SetupItemLook(*m_editor, item);
  });
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
  connect(c.setup_tree, &QTreeWidget::itemSelectionChanged, this,
          &CKALVIRE_1View::ShowSelectedNodeDetails);
  c.setup_tree->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(c.setup_tree, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    QMenu menu(this);
    menu.setObjectName("editPopupMenu");
    QAction* edit = menu.addAction(tr("Edit"));
    edit->setObjectName("actionSetupStringEdit");
    if (menu.exec(m_controls->setup_tree->viewport()->mapToGlobal(at)) != edit) return;
    setup::EditSelectedString(*m_editor);
    ShowModified();
  });
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
  if (m_background.Running()) return;
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
      if (m_controls) FocusControl(m_controls->delete_button);
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

}  // namespace kalvire::ui
