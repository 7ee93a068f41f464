#include "platform/headless_tree.h"

namespace kalvire::platform {

const HeadlessTree::Item* HeadlessTree::Find(TreeItem item) const {
  const auto it = m_items.find(item);
  return it == m_items.end() ? nullptr : &it->second;
}

HeadlessTree::Item* HeadlessTree::Find(TreeItem item) {
  const auto it = m_items.find(item);
  return it == m_items.end() ? nullptr : &it->second;
}

TreeItem HeadlessTree::InsertItem(TreeItem parent, const std::string& text) {
  const bool top_level = parent == kRootItem || parent == kNoItem;
  Item* parent_item = top_level ? nullptr : Find(parent);
  if (!top_level && parent_item == nullptr) return kNoItem;

  const TreeItem handle = m_next_handle++;
  TreeItem& first = top_level ? m_first_top : parent_item->first_child;
  TreeItem& last = top_level ? m_last_top : parent_item->last_child;
  if (last != kNoItem) {
    Find(last)->next_sibling = handle;
  } else {
    first = handle;
  }
  last = handle;
  m_items.emplace(handle, Item{top_level ? kRootItem : parent, kNoItem, kNoItem, kNoItem, text, 0});
  return handle;
}

void HeadlessTree::SetItemData(TreeItem item, uint32_t data) {
  if (Item* found = Find(item)) found->data = data;
}

uint32_t HeadlessTree::GetItemData(TreeItem item) const {
  const Item* found = Find(item);
  return found ? found->data : 0;
}

std::string HeadlessTree::GetItemText(TreeItem item) const {
  const Item* found = Find(item);
  return found ? found->text : std::string();
}

void HeadlessTree::SetItemText(TreeItem item, const std::string& text) {
  if (Item* found = Find(item)) found->text = text;
}

TreeItem HeadlessTree::GetParentItem(TreeItem item) const {
  const Item* found = Find(item);
  return found ? found->parent : kNoItem;
}

TreeItem HeadlessTree::GetChildItem(TreeItem item) const {
  if (item == kRootItem) return m_first_top;
  const Item* found = Find(item);
  return found ? found->first_child : kNoItem;
}

TreeItem HeadlessTree::GetNextSiblingItem(TreeItem item) const {
  const Item* found = Find(item);
  return found ? found->next_sibling : kNoItem;
}

void HeadlessTree::SelectItem(TreeItem item) {
  if (item != kNoItem && Find(item) == nullptr) return;
  m_selected = item;
  NotifySelectionChanged(item);
}

void HeadlessTree::DeleteAllItems() {
  m_items.clear();
  m_colors.clear();
  m_first_top = kNoItem;
  m_last_top = kNoItem;
  m_selected = kNoItem;
}

void HeadlessTree::SetItemColor(TreeItem item, ItemColor color) {
  if (Find(item) == nullptr) return;
  m_colors[item].color = color;
}

ItemColor HeadlessTree::GetItemColor(TreeItem item) const {
  const auto it = m_colors.find(item);
  return it == m_colors.end() ? kDefaultTextColor : it->second.color;
}

void HeadlessTree::SetItemFont(TreeItem item, const std::string& face_name) {
  if (Find(item) == nullptr) return;
  m_colors[item].face_name = face_name;
}

std::optional<ItemColorEntry> HeadlessTree::FindColorEntry(TreeItem item) const {
  const auto it = m_colors.find(item);
  if (it == m_colors.end()) return std::nullopt;
  return it->second;
}

}  // namespace kalvire::platform
