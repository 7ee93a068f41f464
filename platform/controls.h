// The child controls of the main view as the editing operations see them. Each has a desktop
// (Qt) implementation and a headless one for the command-line tool and the tests.
//
// The platform/ folder: the controls, prompts and window title as the operations see them,
// with headless implementations. It uses no other folder; ui/ implements it with Qt.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>

namespace kalvire::platform {

// Opaque handle of a tree item; kNoItem names no item, kRootItem the invisible root.
using TreeItem = uint64_t;
inline constexpr TreeItem kNoItem = 0;
inline constexpr TreeItem kRootItem = ~uint64_t{0};

// Item colours are 0x00BBGGRR values; kDefaultTextColor is the system window-text colour.
using ItemColor = uint32_t;
inline constexpr ItemColor kColorBlack = 0x000000;
inline constexpr ItemColor kColorRed = 0x0000FF;
inline constexpr ItemColor kDefaultTextColor = 0xFFFFFFFF;

// What the coloured tree draws a changed item with: its colour and its font face, where an
// empty face name means the control's own font.
struct ItemColorEntry {
  ItemColor color = kDefaultTextColor;
  std::string face_name;
};

// Handles are never reused, so a handle kept across DeleteAllItems names no item. Operations on
// kNoItem or an unknown handle change nothing; the getters then return 0, "", kNoItem or
// kDefaultTextColor.
class TreeControl {
 public:
  using SelectionHandler = std::function<void(TreeItem)>;

  virtual ~TreeControl() = default;
  // Appends an item as the last child of `parent` (kRootItem or kNoItem for the top level);
  // returns its handle, or kNoItem when `parent` names no item.
  virtual TreeItem InsertItem(TreeItem parent, const std::string& text) = 0;
  virtual void SetItemData(TreeItem item, uint32_t data) = 0;
  virtual uint32_t GetItemData(TreeItem item) const = 0;
  virtual std::string GetItemText(TreeItem item) const = 0;
  virtual void SetItemText(TreeItem item, const std::string& text) = 0;
  virtual TreeItem GetParentItem(TreeItem item) const = 0;  // kRootItem for top-level items
  // The first child or kNoItem; of kRootItem: the first top-level item.
  virtual TreeItem GetChildItem(TreeItem item) const = 0;
  virtual TreeItem GetNextSiblingItem(TreeItem item) const = 0;
  virtual int GetCount() const = 0;  // items of the whole tree
  // Selects `item` (kNoItem clears the selection) and then calls the selection handler once
  // with it, also when it was selected already; an unknown handle changes nothing.
  virtual void SelectItem(TreeItem item) = 0;
  virtual TreeItem GetSelectedItem() const = 0;
  // Removes every item and every colour entry; the selection becomes kNoItem without a
  // notification.
  virtual void DeleteAllItems() = 0;
  // The colour map: an item without an entry is drawn in the default text colour.
  // SetItemColor keeps an entry's face name, or makes an entry with an empty one.
  virtual void SetItemColor(TreeItem item, ItemColor color) = 0;
  virtual ItemColor GetItemColor(TreeItem item) const = 0;
  // SetItemFont keeps an entry's colour, or makes an entry with kDefaultTextColor.
  virtual void SetItemFont(TreeItem item, const std::string& face_name) = 0;
  virtual std::optional<ItemColorEntry> FindColorEntry(TreeItem item) const = 0;

  // The owner's reaction to a changed selection (the view shows the selected node's details).
  void SetSelectionHandler(SelectionHandler handler) { m_selection_handler = std::move(handler); }

 protected:
  void NotifySelectionChanged(TreeItem item) const {
    // A copy, so that a handler that replaces itself does not destroy the running function.
    const SelectionHandler handler = m_selection_handler;
    if (handler) handler(item);
  }

 private:
  SelectionHandler m_selection_handler;
};

// Lists and combos return "" for an index outside their lines.
class ListControl {
 public:
  virtual ~ListControl() = default;
  virtual int AddString(const std::string& text) = 0;  // returns the new line's index
  virtual int GetCount() const = 0;
  virtual std::string GetText(int index) const = 0;
  virtual void ResetContent() = 0;
};

class ComboControl {
 public:
  virtual ~ComboControl() = default;
  virtual int AddString(const std::string& text) = 0;
  virtual int GetCount() const = 0;
  virtual std::string GetText(int index) const = 0;
  virtual int FindString(const std::string& text) const = 0;  // first exact match, or -1
  // Removes one entry: removing the selected one clears the selection, removing one before it
  // keeps the same entry selected. An index outside the entries changes nothing.
  virtual void DeleteString(int index) = 0;
  virtual void ResetContent() = 0;        // also clears the selection
  virtual void SetCurSel(int index) = 0;  // -1, or an index outside the entries, clears it
  virtual int GetCurSel() const = 0;      // -1 when nothing is selected
  virtual void SetEnabled(bool enabled) = 0;
  virtual bool IsEnabled() const = 0;
};

// Push buttons and radio buttons. Checking one radio does not uncheck its partner: the
// callers set both, as the Hide/Show pair needs.
class ButtonControl {
 public:
  virtual ~ButtonControl() = default;
  virtual void SetChecked(bool checked) = 0;
  virtual bool IsChecked() const = 0;
  virtual void SetEnabled(bool enabled) = 0;
  virtual bool IsEnabled() const = 0;
  virtual void SetVisible(bool visible) = 0;
  virtual bool IsVisible() const = 0;
};

}  // namespace kalvire::platform
