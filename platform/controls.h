// The child controls of the main view as the editing operations see them. Each has a desktop
// (Qt) implementation and a headless one for the command-line tool and the tests.
#pragma once

#include <cstdint>
#include <string>

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

class TreeControl {
 public:
  virtual ~TreeControl() = default;
  // Appends an item under `parent` (kRootItem for the top level); returns its handle.
  virtual TreeItem InsertItem(TreeItem parent, const std::string& text) = 0;
  virtual void SetItemData(TreeItem item, uint32_t data) = 0;
  virtual uint32_t GetItemData(TreeItem item) const = 0;
  virtual std::string GetItemText(TreeItem item) const = 0;
  virtual void SetItemText(TreeItem item, const std::string& text) = 0;
  virtual TreeItem GetParentItem(TreeItem item) const = 0;  // kRootItem for top-level items
  virtual TreeItem GetChildItem(TreeItem item) const = 0;   // first child or kNoItem
  virtual TreeItem GetNextSiblingItem(TreeItem item) const = 0;
  virtual void SelectItem(TreeItem item) = 0;  // notifies the selection handler
  virtual TreeItem GetSelectedItem() const = 0;
  virtual void DeleteAllItems() = 0;
  // The colour map: an item without an entry is drawn in the default text colour.
  virtual void SetItemColor(TreeItem item, ItemColor color) = 0;
  virtual ItemColor GetItemColor(TreeItem item) const = 0;
};

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
  virtual void ResetContent() = 0;
  virtual void SetCurSel(int index) = 0;  // -1 clears the selection
  virtual int GetCurSel() const = 0;      // -1 when nothing is selected
  virtual void SetEnabled(bool enabled) = 0;
  virtual bool IsEnabled() const = 0;
};

// Push buttons and radio buttons.
class ButtonControl {
 public:
  virtual ~ButtonControl() = default;
  virtual void SetChecked(bool checked) = 0;
  virtual bool IsChecked() const = 0;
  virtual void SetEnabled(bool enabled) = 0;
  virtual bool IsEnabled() const = 0;
};

}  // namespace kalvire::platform
