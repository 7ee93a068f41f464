// CTreeCtrlX: the coloured tree of the main view. A Qt tree widget behind the TreeControl
// interface, with a per-item colour map that its paint pass applies: an item with an entry is
// drawn in the entry's colour and font, except the selected item while the tree has the
// keyboard focus, which keeps the standard selection look.
#pragma once

#include <QTreeWidget>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>

#include "platform/controls.h"

namespace kalvire::ui {

class CTreeCtrlX final : public QTreeWidget, public platform::TreeControl {
  Q_OBJECT

 public:
  explicit CTreeCtrlX(QWidget* parent = nullptr);
  ~CTreeCtrlX() override;

  platform::TreeItem InsertItem(platform::TreeItem parent, const std::string& text) override;
  void SetItemData(platform::TreeItem item, uint32_t data) override;
  uint32_t GetItemData(platform::TreeItem item) const override;
  std::string GetItemText(platform::TreeItem item) const override;
  void SetItemText(platform::TreeItem item, const std::string& text) override;
  platform::TreeItem GetParentItem(platform::TreeItem item) const override;
  platform::TreeItem GetChildItem(platform::TreeItem item) const override;
  platform::TreeItem GetNextSiblingItem(platform::TreeItem item) const override;
  int GetCount() const override { return static_cast<int>(m_items.size()); }
  void SelectItem(platform::TreeItem item) override;
  platform::TreeItem GetSelectedItem() const override;
  void DeleteAllItems() override;
  void SetItemColor(platform::TreeItem item, platform::ItemColor color) override;
  platform::ItemColor GetItemColor(platform::TreeItem item) const override;
  void SetItemFont(platform::TreeItem item, const std::string& face_name) override;
  std::optional<platform::ItemColorEntry> FindColorEntry(platform::TreeItem item) const override;

  // How the owner wants an item drawn besides its colour: hidden items in grey italics, and an
  // item without text as `placeholder` in italics. Asked for each item as it is painted.
  struct ItemLook {
    bool hidden = false;
    QString placeholder;
  };
  using LookProvider = std::function<ItemLook(platform::TreeItem)>;
  void SetLookProvider(LookProvider provider) { m_look = std::move(provider); }
  ItemLook LookOf(platform::TreeItem item) const { return m_look ? m_look(item) : ItemLook{}; }

  // The widget item of a handle (null for an unknown one) and the handle of a widget item.
  QTreeWidgetItem* WidgetItem(platform::TreeItem item) const;
  static platform::TreeItem HandleOf(const QTreeWidgetItem* item);

 protected:
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  // Children as a singly linked list in insertion order, so that walking the siblings of a
  // setup tree with thousands of items stays linear (Qt's own child lookups are linear each).
  struct Node {
    QTreeWidgetItem* widget = nullptr;
    platform::TreeItem parent = platform::kRootItem;
    platform::TreeItem first_child = platform::kNoItem;
    platform::TreeItem last_child = platform::kNoItem;
    platform::TreeItem next_sibling = platform::kNoItem;
    uint32_t data = 0;
  };

  const Node* Find(platform::TreeItem item) const;
  void OnPersonChangedSelection();
  void ExpandSingle(QTreeWidgetItem* selected);

  std::unordered_map<platform::TreeItem, Node> m_items;
  std::unordered_map<platform::TreeItem, platform::ItemColorEntry> m_colors;
  platform::TreeItem m_first_top = platform::kNoItem;
  platform::TreeItem m_last_top = platform::kNoItem;
  platform::TreeItem m_next_handle = 1;  // never reset: old handles stay invalid
  QTreeWidgetItem* m_previous_selection = nullptr;
  bool m_changing_selection = false;  // the interface selects: no second notification
  QMetaObject::Connection m_selection_connection;
  LookProvider m_look;

  friend class ColorMapDelegate;
};

// 0x00BBGGRR to a Qt colour; kDefaultTextColor is the palette's text colour.
QColor ToQColor(platform::ItemColor color, const QPalette& palette);

}  // namespace kalvire::ui
