// What every implementation of the control interfaces must do, headless or desktop. A test
// program includes this header in exactly one source file and instantiates the suites with its
// own factories, e.g.
//   INSTANTIATE_TEST_SUITE_P(Headless, TreeControlContract, testing::Values(&MakeHeadlessTree));
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/controls.h"

namespace kalvire::platform::contract {

using TreeFactory = std::unique_ptr<TreeControl> (*)();
using ComboFactory = std::unique_ptr<ComboControl> (*)();
template <typename Control, typename Made, auto... arguments>
std::unique_ptr<Control> Make() {
  return std::make_unique<Made>(arguments...);
}
using Items = std::vector<TreeItem>;
using Texts = std::vector<std::string>;

class TreeControlContract : public testing::TestWithParam<TreeFactory> {
 protected:
  Texts Children(TreeItem parent) {
    Texts texts;
    for (TreeItem i = tree.GetChildItem(parent); i != kNoItem; i = tree.GetNextSiblingItem(i))
      texts.push_back(tree.GetItemText(i));
    return texts;
  }
  std::unique_ptr<TreeControl> m_tree = GetParam()();
  TreeControl& tree = *m_tree;
};

TEST_P(TreeControlContract, KeepsInsertionOrderParentLinksTextAndAll32BitsOfData) {
  const TreeItem bios = tree.InsertItem(kRootItem, "BIOS");
  const TreeItem main = tree.InsertItem(bios, "Main");
  const TreeItem advanced = tree.InsertItem(bios, "Advanced");
  const TreeItem dmi = tree.InsertItem(kNoItem, "DMI");  // kNoItem also means the top level
  const TreeItem cpu = tree.InsertItem(advanced, "CPU");
  const TreeItem boot = tree.InsertItem(bios, "Boot");  // after items of other levels
  EXPECT_EQ(tree.GetCount(), 6);
  EXPECT_EQ(Children(kRootItem), (Texts{"BIOS", "DMI"}));
  EXPECT_EQ(Children(bios), (Texts{"Main", "Advanced", "Boot"}));
  EXPECT_EQ(Children(advanced), Texts{"CPU"});
  EXPECT_EQ(tree.GetChildItem(dmi), kNoItem);
  EXPECT_EQ((Items{tree.GetParentItem(bios), tree.GetParentItem(dmi), tree.GetParentItem(boot),
                   tree.GetParentItem(cpu)}),
            (Items{kRootItem, kRootItem, bios, advanced}));
  tree.SetItemText(main, "Quiet Boot");
  EXPECT_EQ(Children(bios), (Texts{"Quiet Boot", "Advanced", "Boot"}));
  // Setup items carry the opcode in the top byte, so the high bits must survive.
  tree.SetItemData(boot, 0xFFFFFFFFu);
  tree.SetItemData(main, 0x2A123456u);
  EXPECT_EQ((Items{tree.GetItemData(boot), tree.GetItemData(main), tree.GetItemData(cpu)}),
            (Items{0xFFFFFFFFu, 0x2A123456u, 0}));
}

TEST_P(TreeControlContract, ColourEntriesFollowTheColourMap) {
  const TreeItem plain = tree.InsertItem(kRootItem, "plain");
  const TreeItem edited = tree.InsertItem(kRootItem, "edited");
  const TreeItem with_font = tree.InsertItem(kRootItem, "font");
  tree.SetItemColor(edited, kColorRed);
  tree.SetItemColor(edited, kColorBlack);  // a reverted edit: painted black, the entry stays
  EXPECT_EQ(tree.FindColorEntry(edited).value().color, kColorBlack);
  EXPECT_EQ(tree.FindColorEntry(edited).value().face_name, "");
  tree.SetItemFont(with_font, "Courier New");
  EXPECT_EQ(tree.GetItemColor(with_font), kDefaultTextColor);
  tree.SetItemColor(with_font, kColorRed);
  EXPECT_EQ(tree.FindColorEntry(with_font).value().face_name, "Courier New");
  tree.SetItemFont(with_font, "Arial");
  EXPECT_EQ((std::vector{tree.GetItemColor(with_font), tree.GetItemColor(plain)}),
            (std::vector{kColorRed, kDefaultTextColor}));
  EXPECT_FALSE(tree.FindColorEntry(plain).has_value());
}

TEST_P(TreeControlContract, SelectItemNotifiesOncePerCallAfterSelecting) {
  const TreeItem first = tree.InsertItem(kRootItem, "first");
  const TreeItem second = tree.InsertItem(first, "second");
  tree.SelectItem(first);  // no handler set
  Items notified, selected;
  tree.SetSelectionHandler([&](TreeItem item) {
    notified.push_back(item);
    selected.push_back(tree.GetSelectedItem());
  });
  for (const TreeItem item : {second, first, first, kNoItem}) tree.SelectItem(item);
  EXPECT_EQ(notified, (Items{second, first, first, kNoItem}));  // selecting again notifies again
  EXPECT_EQ(selected, notified);
}

TEST_P(TreeControlContract, DeletedAndUnknownHandlesNameNothing) {
  const TreeItem old_root = tree.InsertItem(kRootItem, "BIOS");
  const TreeItem stale = tree.InsertItem(old_root, "Main");
  tree.SetItemColor(stale, kColorRed);
  tree.SelectItem(stale);
  int notifications = 0;
  tree.SetSelectionHandler([&](TreeItem) { ++notifications; });
  tree.DeleteAllItems();
  EXPECT_EQ((Items{TreeItem(tree.GetCount()), tree.GetChildItem(kRootItem), tree.GetSelectedItem(),
                   TreeItem(notifications)}),
            (Items{0, kNoItem, kNoItem, 0}));

  const TreeItem live = tree.InsertItem(kRootItem, "DMI");
  EXPECT_FALSE(live == stale || tree.FindColorEntry(live).has_value());
  tree.SelectItem(live);
  for (const TreeItem unknown : {stale, kNoItem}) {
    SCOPED_TRACE(unknown);
    EXPECT_EQ(tree.InsertItem(stale, "orphan"), kNoItem);
    tree.SetItemData(unknown, 7);
    tree.SetItemText(unknown, "x");
    tree.SetItemColor(unknown, kColorRed);
    tree.SetItemFont(unknown, "Arial");
    EXPECT_EQ(tree.GetItemText(unknown), "");
    EXPECT_FALSE(tree.FindColorEntry(unknown).has_value());
    EXPECT_EQ((Items{tree.GetItemData(unknown), tree.GetParentItem(unknown),
                     tree.GetChildItem(unknown), tree.GetNextSiblingItem(unknown)}),
              (Items{0, kNoItem, kNoItem, kNoItem}));
  }
  tree.SelectItem(stale);
  EXPECT_EQ((Items{tree.GetSelectedItem(), TreeItem(notifications), TreeItem(tree.GetCount())}),
            (Items{live, 1, 1}));  // one notification: selecting `live`
}

class ComboControlContract : public testing::TestWithParam<ComboFactory> {
 protected:
  void Fill(const Texts& entries) {
    for (const std::string& entry : entries) combo.AddString(entry);
  }
  std::unique_ptr<ComboControl> m_combo = GetParam()();
  ComboControl& combo = *m_combo;
};

TEST_P(ComboControlContract, SelectionStaysWithinTheEntries) {
  combo.SetCurSel(0);
  EXPECT_EQ(combo.GetCurSel(), -1);
  Fill({"Enabled", "Disabled", "Enabled", "Auto"});
  EXPECT_EQ(combo.AddString("User"), 4);
  EXPECT_EQ(combo.GetCurSel(), -1);  // adding selects nothing
  EXPECT_EQ(combo.GetText(4) + combo.GetText(5), "User");
  // Each request, what it selects; a disabled combo still shows its selection.
  combo.SetEnabled(false);
  for (const auto& [requested, selected] : {std::pair{4, 4}, {0, 0}, {5, -1}, {2, 2}, {-7, -1}}) {
    combo.SetCurSel(requested);
    EXPECT_EQ(combo.GetCurSel(), selected) << requested;
  }
  EXPECT_FALSE(combo.IsEnabled());
  combo.SetEnabled(true);
  EXPECT_TRUE(combo.IsEnabled());
  // The whole text, first match, case counts.
  for (const auto& [text, found] :
       {std::pair{"Enabled", 0}, {"Auto", 3}, {"Dis", -1}, {"enabled", -1}, {"", -1}})
    EXPECT_EQ(combo.FindString(text), found) << text;
  combo.ResetContent();
  EXPECT_EQ(std::pair(combo.GetCount(), combo.GetCurSel()), std::pair(0, -1));
}

TEST_P(ComboControlContract, DeleteStringKeepsTheSelectedEntry) {
  struct Case {
    int selected_before, deleted, selected_after, count_after;
  };
  for (const Case c : {Case{2, 0, 1, 3}, Case{2, 2, -1, 3}, Case{1, 3, 1, 3}, Case{-1, 1, -1, 3},
                       Case{2, 4, 2, 4}, Case{2, -1, 2, 4}}) {
    SCOPED_TRACE(testing::Message() << c.deleted << " with " << c.selected_before << " selected");
    combo.ResetContent();
    Fill({"A", "B", "C", "D"});
    combo.SetCurSel(c.selected_before);
    const std::string selected_text = combo.GetText(c.selected_before);
    combo.DeleteString(c.deleted);
    EXPECT_EQ(combo.GetCount(), c.count_after);
    EXPECT_EQ(combo.GetCurSel(), c.selected_after);
    EXPECT_EQ(combo.GetText(c.selected_after), c.selected_after < 0 ? "" : selected_text);
  }
}

}  // namespace kalvire::platform::contract
