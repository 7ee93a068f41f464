// The tree control of the command-line tool and the tests: the same item, selection and colour
// behaviour as the desktop tree, without a window.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>

#include "platform/controls.h"

namespace kalvire::platform {

class HeadlessTree final : public TreeControl {
 public:
  TreeItem InsertItem(TreeItem parent, const std::string& text) override;
  void SetItemData(TreeItem item, uint32_t data) override;
  uint32_t GetItemData(TreeItem item) const override;
  std::string GetItemText(TreeItem item) const override;
  void SetItemText(TreeItem item, const std::string& text) override;
  TreeItem GetParentItem(TreeItem item) const override;
  TreeItem GetChildItem(TreeItem item) const override;
  TreeItem GetNextSiblingItem(TreeItem item) const override;
  int GetCount() const override { return static_cast<int>(m_items.size()); }
  void SelectItem(TreeItem item) override;
  TreeItem GetSelectedItem() const override { return m_selected; }
  void DeleteAllItems() override;
  void SetItemColor(TreeItem item, ItemColor color) override;
  ItemColor GetItemColor(TreeItem item) const override;
  void SetItemFont(TreeItem item, const std::string& face_name) override;
  std::optional<ItemColorEntry> FindColorEntry(TreeItem item) const override;

 private:
  // Children are a singly linked list in insertion order, so that every navigation step is
  // constant time even on a setup tree of thousands of siblings.
  struct Item {
    TreeItem parent = kRootItem;
    TreeItem first_child = kNoItem;
    TreeItem last_child = kNoItem;
    TreeItem next_sibling = kNoItem;
    std::string text;
    uint32_t data = 0;
  };

  const Item* Find(TreeItem item) const;
  Item* Find(TreeItem item);

  std::unordered_map<TreeItem, Item> m_items;
  std::unordered_map<TreeItem, ItemColorEntry> m_colors;
  TreeItem m_first_top = kNoItem;
  TreeItem m_last_top = kNoItem;
  TreeItem m_selected = kNoItem;
  TreeItem m_next_handle = 1;  // not reset by DeleteAllItems: old handles stay invalid
};

}  // namespace kalvire::platform
