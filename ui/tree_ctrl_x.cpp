#include "ui/tree_ctrl_x.h"

#include <QHeaderView>
#include <QHelpEvent>
#include <QStyledItemDelegate>
#include <QToolTip>

#include "ui/qt_text.h"

namespace kalvire::ui {

namespace {

constexpr int kHandleRole = Qt::UserRole + 1;

}  // namespace

QColor ToQColor(platform::ItemColor color, const QPalette& palette) {
  if (color == platform::kDefaultTextColor) return palette.color(QPalette::Text);
  return QColor(int(color & 0xFF), int((color >> 8) & 0xFF), int((color >> 16) & 0xFF));
}

// The colour pass: items with an entry get its colour and face. The selected item keeps the
// standard selection look while the tree has the focus; without the focus it is drawn like any
// other item, on the window background, so that a changed item stays recognisable.
class ColorMapDelegate final : public QStyledItemDelegate {
 public:
  explicit ColorMapDelegate(CTreeCtrlX& tree) : QStyledItemDelegate(&tree), m_tree(tree) {}

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
    QStyledItemDelegate::initStyleOption(option, index);
    const auto handle = index.data(kHandleRole).value<qulonglong>();
    const CTreeCtrlX::ItemLook look = m_tree.LookOf(handle);
    const bool placeholder = option->text.isEmpty() && !look.placeholder.isEmpty();
    if (placeholder) option->text = look.placeholder;
    if (placeholder || look.hidden) option->font.setItalic(true);
    if (look.hidden) option->palette.setColor(QPalette::Text, QColor(Qt::gray));
    const auto entry = m_tree.FindColorEntry(handle);
    if (!entry) return;
    const bool selected = option->state & QStyle::State_Selected;
    if (selected && m_tree.hasFocus()) return;
    option->state &= ~QStyle::State_Selected;
    // A hidden item keeps its grey unless it is changed (red).
    if (look.hidden && entry->color == platform::kColorBlack) return;
    const QColor color = ToQColor(entry->color, option->palette);
    option->palette.setColor(QPalette::Text, color);
    option->palette.setColor(QPalette::HighlightedText, color);
    if (!entry->face_name.empty()) option->font.setFamily(FromLatin1(entry->face_name));
  }

  bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                 const QModelIndex& index) override {
    if (event->type() == QEvent::ToolTip) {
      const CTreeCtrlX::ItemLook look = m_tree.LookOf(index.data(kHandleRole).value<qulonglong>());
      QStringList tips;
      if (look.hidden) tips << QObject::tr("Hidden in the setup menu");
      if (index.data().toString().isEmpty() && !look.placeholder.isEmpty())
        tips << QObject::tr("This item has no prompt text");
      if (!tips.isEmpty()) {
        QToolTip::showText(event->globalPos(), tips.join('\n'), view);
        return true;
      }
    }
    return QStyledItemDelegate::helpEvent(event, view, option, index);
  }

 private:
  CTreeCtrlX& m_tree;
};

CTreeCtrlX::CTreeCtrlX(QWidget* parent) : QTreeWidget(parent) {
  setObjectName("CTreeCtrlX");
  setHeaderHidden(true);
  setColumnCount(1);
  setRootIsDecorated(true);
  setItemsExpandable(true);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setUniformRowHeights(true);
  setFocusPolicy(Qt::StrongFocus);
  header()->setSectionResizeMode(QHeaderView::ResizeToContents);
  header()->setStretchLastSection(false);
  setItemDelegate(new ColorMapDelegate(*this));
  m_selection_connection = connect(this, &QTreeWidget::itemSelectionChanged, this,
                                   &CTreeCtrlX::OnPersonChangedSelection);
}

// The base class empties the tree after this destructor has run; the selection changes that
// causes must not reach the owner's handler.
CTreeCtrlX::~CTreeCtrlX() {
  disconnect(m_selection_connection);
}

const CTreeCtrlX::Node* CTreeCtrlX::Find(platform::TreeItem item) const {
  const auto it = m_items.find(item);
  return it == m_items.end() ? nullptr : &it->second;
}

QTreeWidgetItem* CTreeCtrlX::WidgetItem(platform::TreeItem item) const {
  const Node* node = Find(item);
  return node ? node->widget : nullptr;
}

platform::TreeItem CTreeCtrlX::HandleOf(const QTreeWidgetItem* item) {
  return item ? item->data(0, kHandleRole).value<qulonglong>() : platform::kNoItem;
}

platform::TreeItem CTreeCtrlX::InsertItem(platform::TreeItem parent, const std::string& text) {
  const bool top_level = parent == platform::kRootItem || parent == platform::kNoItem;
  Node* parent_node = nullptr;
  if (!top_level) {
    const auto it = m_items.find(parent);
    if (it == m_items.end()) return platform::kNoItem;
    parent_node = &it->second;
  }
  const platform::TreeItem handle = m_next_handle++;
  auto* widget = new QTreeWidgetItem(QStringList{FromLatin1(text)});
  widget->setData(0, kHandleRole, qulonglong(handle));

  Node node;
  node.widget = widget;
  node.parent = top_level ? platform::kRootItem : parent;
  platform::TreeItem& last = top_level ? m_last_top : parent_node->last_child;
  platform::TreeItem& first = top_level ? m_first_top : parent_node->first_child;
  if (last != platform::kNoItem) {
    m_items.at(last).next_sibling = handle;
  } else {
    first = handle;
  }
  last = handle;
  if (top_level) {
    addTopLevelItem(widget);
  } else {
    parent_node->widget->addChild(widget);
  }
  m_items.emplace(handle, node);
  return handle;
}

void CTreeCtrlX::SetItemData(platform::TreeItem item, uint32_t data) {
  const auto it = m_items.find(item);
  if (it != m_items.end()) it->second.data = data;
}

uint32_t CTreeCtrlX::GetItemData(platform::TreeItem item) const {
  const Node* node = Find(item);
  return node ? node->data : 0;
}

std::string CTreeCtrlX::GetItemText(platform::TreeItem item) const {
  const Node* node = Find(item);
  return node ? ToLatin1(node->widget->text(0)) : std::string();
}

void CTreeCtrlX::SetItemText(platform::TreeItem item, const std::string& text) {
  const Node* node = Find(item);
  if (node) node->widget->setText(0, FromLatin1(text));
}

platform::TreeItem CTreeCtrlX::GetParentItem(platform::TreeItem item) const {
  const Node* node = Find(item);
  return node ? node->parent : platform::kNoItem;
}

platform::TreeItem CTreeCtrlX::GetChildItem(platform::TreeItem item) const {
  if (item == platform::kRootItem) return m_first_top;
  const Node* node = Find(item);
  return node ? node->first_child : platform::kNoItem;
}

platform::TreeItem CTreeCtrlX::GetNextSiblingItem(platform::TreeItem item) const {
  const Node* node = Find(item);
  return node ? node->next_sibling : platform::kNoItem;
}

void CTreeCtrlX::SelectItem(platform::TreeItem item) {
  QTreeWidgetItem* widget = nullptr;
  if (item != platform::kNoItem) {
    widget = WidgetItem(item);
    if (!widget) return;
  }
  m_changing_selection = true;
  if (widget) {
    setCurrentItem(widget);
    scrollToItem(widget);
  } else {
    clearSelection();
    setCurrentItem(nullptr);
  }
  m_previous_selection = widget;
  m_changing_selection = false;
  NotifySelectionChanged(item);
}

platform::TreeItem CTreeCtrlX::GetSelectedItem() const {
  const QList<QTreeWidgetItem*> selected = selectedItems();
  return selected.isEmpty() ? platform::kNoItem : HandleOf(selected.front());
}

void CTreeCtrlX::DeleteAllItems() {
  m_changing_selection = true;
  clear();
  m_changing_selection = false;
  m_items.clear();
  m_colors.clear();
  m_first_top = platform::kNoItem;
  m_last_top = platform::kNoItem;
  m_previous_selection = nullptr;
}

void CTreeCtrlX::SetItemColor(platform::TreeItem item, platform::ItemColor color) {
  const Node* node = Find(item);
  if (!node) return;
  m_colors[item].color = color;
  viewport()->update(visualItemRect(node->widget));
}

platform::ItemColor CTreeCtrlX::GetItemColor(platform::TreeItem item) const {
  const auto it = m_colors.find(item);
  return it == m_colors.end() ? platform::kDefaultTextColor : it->second.color;
}

void CTreeCtrlX::SetItemFont(platform::TreeItem item, const std::string& face_name) {
  const Node* node = Find(item);
  if (!node) return;
  m_colors[item].face_name = face_name;
  viewport()->update(visualItemRect(node->widget));
}

std::optional<platform::ItemColorEntry> CTreeCtrlX::FindColorEntry(platform::TreeItem item) const {
  const auto it = m_colors.find(item);
  if (it == m_colors.end()) return std::nullopt;
  return it->second;
}

void CTreeCtrlX::focusInEvent(QFocusEvent* event) {
  QTreeWidget::focusInEvent(event);
  viewport()->update();
}

void CTreeCtrlX::focusOutEvent(QFocusEvent* event) {
  QTreeWidget::focusOutEvent(event);
  viewport()->update();
}

void CTreeCtrlX::OnPersonChangedSelection() {
  if (m_changing_selection) return;
  const platform::TreeItem selected = GetSelectedItem();
  ExpandSingle(WidgetItem(selected));
  NotifySelectionChanged(selected);
}

// One branch open at a time: the newly selected item opens, and the previously selected one
// closes unless the new one lies inside it.
void CTreeCtrlX::ExpandSingle(QTreeWidgetItem* selected) {
  QTreeWidgetItem* previous = m_previous_selection;
  m_previous_selection = selected;
  if (previous && previous != selected) {
    bool ancestor = false;
    for (QTreeWidgetItem* up = selected; up && !ancestor; up = up->parent()) {
      ancestor = up == previous;
    }
    if (!ancestor) previous->setExpanded(false);
  }
  if (selected) selected->setExpanded(true);
}

}  // namespace kalvire::ui
