// What every implementation of the control interfaces must do, headless or desktop. A test
// program includes this header in exactly one source file and instantiates the suites with its
// own factories, e.g.
//   INSTANTIATE_TEST_SUITE_P(Headless, TreeControlContract, testing::Values(&MakeHeadlessTree));
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/controls.h"

namespace kalvire::platform::contract {

using TreeFactory = std::unique_ptr<TreeControl> (*)();
using ListFactory = std::unique_ptr<ListControl> (*)();
using ComboFactory = std::unique_ptr<ComboControl> (*)();
using ButtonFactory = std::unique_ptr<ButtonControl> (*)();

class TreeControlContract : public testing::TestWithParam<TreeFactory> {
 protected:
  void SetUp() override { ASSERT_NE(m_tree, nullptr); }
  std::unique_ptr<TreeControl> m_tree = GetParam()();
};

// Top level: "BIOS" (children "Main", "Advanced" (child "CPU"), "Boot"), then "DMI".
TEST_P(TreeControlContract, KeepsInsertionOrderAndParentLinks) {
  TreeControl& tree = *m_tree;
  const TreeItem bios = tree.InsertItem(kRootItem, "BIOS");
  const TreeItem main = tree.InsertItem(bios, "Main");
  const TreeItem advanced = tree.InsertItem(bios, "Advanced");
  const TreeItem dmi = tree.InsertItem(kNoItem, "DMI");  // kNoItem also means the top level
  const TreeItem cpu = tree.InsertItem(advanced, "CPU");
  const TreeItem boot = tree.InsertItem(bios, "Boot");  // after items of other levels

  const std::set<TreeItem> handles{bios, main, advanced, dmi, cpu, boot};
  EXPECT_EQ(handles.size(), 6u);
  EXPECT_FALSE(handles.count(kNoItem));
  EXPECT_FALSE(handles.count(kRootItem));
  EXPECT_EQ(tree.GetCount(), 6);

  EXPECT_EQ(tree.GetChildItem(kRootItem), bios);
  EXPECT_EQ(tree.GetNextSiblingItem(bios), dmi);
  EXPECT_EQ(tree.GetNextSiblingItem(dmi), kNoItem);
  std::vector<std::string> bios_children;
  for (TreeItem item = tree.GetChildItem(bios); item != kNoItem;
       item = tree.GetNextSiblingItem(item)) {
    bios_children.push_back(tree.GetItemText(item));
  }
  EXPECT_EQ(bios_children, (std::vector<std::string>{"Main", "Advanced", "Boot"}));
  EXPECT_EQ(tree.GetChildItem(advanced), cpu);
  EXPECT_EQ(tree.GetNextSiblingItem(cpu), kNoItem);
  EXPECT_EQ(tree.GetChildItem(main), kNoItem);
  EXPECT_EQ(tree.GetChildItem(dmi), kNoItem);

  EXPECT_EQ(tree.GetParentItem(bios), kRootItem);
  EXPECT_EQ(tree.GetParentItem(dmi), kRootItem);
  EXPECT_EQ(tree.GetParentItem(main), bios);
  EXPECT_EQ(tree.GetParentItem(boot), bios);
  EXPECT_EQ(tree.GetParentItem(cpu), advanced);
}

TEST_P(TreeControlContract, ItemDataKeepsAll32Bits) {
  TreeControl& tree = *m_tree;
  const TreeItem fresh = tree.InsertItem(kRootItem, "fresh");
  EXPECT_EQ(tree.GetItemData(fresh), 0u);
  // Setup items carry the opcode in the top byte, so the high bits must survive.
  for (const uint32_t data : {0xFFFFFFFFu, 0x2A123456u, 0x80000000u, 0x00000001u, 0u}) {
    SCOPED_TRACE(data);
    const TreeItem item = tree.InsertItem(kRootItem, "item");
    tree.SetItemData(item, data);
    EXPECT_EQ(tree.GetItemData(item), data);
  }
  EXPECT_EQ(tree.GetItemData(fresh), 0u);
}

TEST_P(TreeControlContract, SetItemTextChangesOnlyThatItem) {
  TreeControl& tree = *m_tree;
  const TreeItem first = tree.InsertItem(kRootItem, "Boot Mode");
  const TreeItem second = tree.InsertItem(first, "Boot Mode");
  tree.SetItemText(second, "Quiet Boot");
  EXPECT_EQ(tree.GetItemText(first), "Boot Mode");
  EXPECT_EQ(tree.GetItemText(second), "Quiet Boot");
  tree.SetItemText(first, "");
  EXPECT_EQ(tree.GetItemText(first), "");
}

TEST_P(TreeControlContract, ColourEntriesFollowTheColourMap) {
  TreeControl& tree = *m_tree;
  const TreeItem plain = tree.InsertItem(kRootItem, "plain");
  const TreeItem edited = tree.InsertItem(kRootItem, "edited");
  const TreeItem with_font = tree.InsertItem(kRootItem, "font");

  EXPECT_EQ(tree.GetItemColor(plain), kDefaultTextColor);
  EXPECT_FALSE(tree.FindColorEntry(plain).has_value());

  tree.SetItemColor(edited, kColorRed);
  EXPECT_EQ(tree.GetItemColor(edited), kColorRed);
  ASSERT_TRUE(tree.FindColorEntry(edited).has_value());
  EXPECT_EQ(tree.FindColorEntry(edited)->face_name, "");

  // Reverting an edit paints the item black; the entry stays.
  tree.SetItemColor(edited, kColorBlack);
  EXPECT_EQ(tree.GetItemColor(edited), kColorBlack);
  ASSERT_TRUE(tree.FindColorEntry(edited).has_value());
  EXPECT_EQ(tree.FindColorEntry(edited)->color, kColorBlack);

  tree.SetItemFont(with_font, "Courier New");
  EXPECT_EQ(tree.GetItemColor(with_font), kDefaultTextColor);
  tree.SetItemColor(with_font, kColorRed);
  ASSERT_TRUE(tree.FindColorEntry(with_font).has_value());
  EXPECT_EQ(tree.FindColorEntry(with_font)->face_name, "Courier New");
  EXPECT_EQ(tree.FindColorEntry(with_font)->color, kColorRed);
  tree.SetItemFont(with_font, "Arial");
  EXPECT_EQ(tree.GetItemColor(with_font), kColorRed);

  EXPECT_FALSE(tree.FindColorEntry(plain).has_value());
}

TEST_P(TreeControlContract, SelectItemNotifiesOncePerCallAfterSelecting) {
  TreeControl& tree = *m_tree;
  const TreeItem first = tree.InsertItem(kRootItem, "first");
  const TreeItem second = tree.InsertItem(first, "second");
  std::vector<TreeItem> notified;
  std::vector<TreeItem> selected_during_handler;
  tree.SetSelectionHandler([&](TreeItem item) {
    notified.push_back(item);
    selected_during_handler.push_back(tree.GetSelectedItem());
  });
  EXPECT_EQ(tree.GetSelectedItem(), kNoItem);

  tree.SelectItem(second);
  tree.SelectItem(first);
  tree.SelectItem(first);  // selecting again refreshes again
  EXPECT_EQ(tree.GetSelectedItem(), first);
  tree.SelectItem(kNoItem);
  EXPECT_EQ(tree.GetSelectedItem(), kNoItem);

  const std::vector<TreeItem> expected{second, first, first, kNoItem};
  EXPECT_EQ(notified, expected);
  EXPECT_EQ(selected_during_handler, expected);
}

TEST_P(TreeControlContract, SelectionWithoutOrWithReplacedHandler) {
  TreeControl& tree = *m_tree;
  const TreeItem item = tree.InsertItem(kRootItem, "item");
  tree.SelectItem(item);  // no handler set
  EXPECT_EQ(tree.GetSelectedItem(), item);

  // A capture too large for the handler's inline storage, read after the handler replaced
  // itself: the running handler must still be alive.
  const std::string marker(100, 'm');
  std::vector<std::string> first_seen;
  int second_calls = 0;
  tree.SetSelectionHandler([&, marker](TreeItem) {
    tree.SetSelectionHandler([&](TreeItem) { ++second_calls; });
    first_seen.push_back(marker);
  });
  tree.SelectItem(item);
  tree.SelectItem(item);
  EXPECT_EQ(first_seen, std::vector<std::string>{marker});
  EXPECT_EQ(second_calls, 1);
}

TEST_P(TreeControlContract, DeleteAllItemsForgetsItemsColoursAndSelection) {
  TreeControl& tree = *m_tree;
  const TreeItem old_root = tree.InsertItem(kRootItem, "BIOS");
  const TreeItem old_child = tree.InsertItem(old_root, "Main");
  tree.SetItemData(old_child, 0x2A123456);
  tree.SetItemColor(old_child, kColorRed);
  tree.SelectItem(old_child);
  int notifications = 0;
  tree.SetSelectionHandler([&](TreeItem) { ++notifications; });

  tree.DeleteAllItems();
  EXPECT_EQ(tree.GetCount(), 0);
  EXPECT_EQ(tree.GetChildItem(kRootItem), kNoItem);
  EXPECT_EQ(tree.GetSelectedItem(), kNoItem);
  EXPECT_EQ(notifications, 0);

  // Handles of the old items name nothing, even once new items exist.
  const TreeItem new_root = tree.InsertItem(kRootItem, "DMI");
  const TreeItem new_child = tree.InsertItem(new_root, "BIOS Information");
  EXPECT_NE(new_root, old_root);
  EXPECT_NE(new_root, old_child);
  EXPECT_NE(new_child, old_root);
  EXPECT_NE(new_child, old_child);
  EXPECT_EQ(tree.GetItemText(old_child), "");
  EXPECT_EQ(tree.GetItemData(old_child), 0u);
  EXPECT_EQ(tree.GetParentItem(old_child), kNoItem);
  EXPECT_EQ(tree.GetItemColor(old_child), kDefaultTextColor);
  EXPECT_FALSE(tree.FindColorEntry(new_child).has_value());
  EXPECT_EQ(tree.GetChildItem(kRootItem), new_root);
  EXPECT_EQ(tree.GetNextSiblingItem(new_root), kNoItem);
}

TEST_P(TreeControlContract, UnknownHandlesChangeNothing) {
  TreeControl& tree = *m_tree;
  const TreeItem stale = tree.InsertItem(kRootItem, "stale");
  tree.DeleteAllItems();
  const TreeItem live = tree.InsertItem(kRootItem, "live");
  tree.SelectItem(live);
  int notifications = 0;
  tree.SetSelectionHandler([&](TreeItem) { ++notifications; });

  for (const TreeItem unknown : {stale, kNoItem}) {
    SCOPED_TRACE(unknown);
    EXPECT_EQ(tree.InsertItem(stale, "orphan"), kNoItem);
    tree.SetItemData(unknown, 7);
    tree.SetItemText(unknown, "x");
    tree.SetItemColor(unknown, kColorRed);
    tree.SetItemFont(unknown, "Arial");
    EXPECT_EQ(tree.GetItemData(unknown), 0u);
    EXPECT_EQ(tree.GetItemText(unknown), "");
    EXPECT_EQ(tree.GetItemColor(unknown), kDefaultTextColor);
    EXPECT_FALSE(tree.FindColorEntry(unknown).has_value());
    EXPECT_EQ(tree.GetParentItem(unknown), kNoItem);
    EXPECT_EQ(tree.GetChildItem(unknown), kNoItem);
    EXPECT_EQ(tree.GetNextSiblingItem(unknown), kNoItem);
  }
  tree.SelectItem(stale);
  EXPECT_EQ(tree.GetSelectedItem(), live);
  EXPECT_EQ(notifications, 0);
  EXPECT_EQ(tree.GetCount(), 1);
  EXPECT_EQ(tree.GetParentItem(kRootItem), kNoItem);
  EXPECT_EQ(tree.GetNextSiblingItem(kRootItem), kNoItem);
}

class ListControlContract : public testing::TestWithParam<ListFactory> {
 protected:
  void SetUp() override { ASSERT_NE(m_list, nullptr); }
  std::unique_ptr<ListControl> m_list = GetParam()();
};

TEST_P(ListControlContract, AddStringAppendsInOrder) {
  ListControl& list = *m_list;
  const std::vector<std::string> lines{"    Visibility changed", "", "    Visibility changed"};
  for (size_t i = 0; i < lines.size(); ++i) EXPECT_EQ(list.AddString(lines[i]), int(i));
  ASSERT_EQ(list.GetCount(), 3);
  for (size_t i = 0; i < lines.size(); ++i) EXPECT_EQ(list.GetText(int(i)), lines[i]);
  EXPECT_EQ(list.GetText(-1), "");
  EXPECT_EQ(list.GetText(3), "");
}

TEST_P(ListControlContract, ResetContentStartsOver) {
  ListControl& list = *m_list;
  list.AddString("a");
  list.AddString("b");
  list.ResetContent();
  EXPECT_EQ(list.GetCount(), 0);
  EXPECT_EQ(list.GetText(0), "");
  EXPECT_EQ(list.AddString("c"), 0);
  EXPECT_EQ(list.GetText(0), "c");
}

class ComboControlContract : public testing::TestWithParam<ComboFactory> {
 protected:
  void SetUp() override { ASSERT_NE(m_combo, nullptr); }
  void Fill(const std::vector<std::string>& entries) {
    for (const std::string& entry : entries) m_combo->AddString(entry);
  }
  std::unique_ptr<ComboControl> m_combo = GetParam()();
};

TEST_P(ComboControlContract, SelectionStaysWithinTheEntries) {
  ComboControl& combo = *m_combo;
  EXPECT_EQ(combo.GetCurSel(), -1);
  combo.SetCurSel(0);
  EXPECT_EQ(combo.GetCurSel(), -1);

  EXPECT_EQ(combo.AddString("Default"), 0);
  EXPECT_EQ(combo.AddString("Extended User"), 1);
  EXPECT_EQ(combo.AddString("User"), 2);
  EXPECT_EQ(combo.AddString("Supervisor"), 3);
  EXPECT_EQ(combo.GetCurSel(), -1);  // adding selects nothing
  EXPECT_EQ(combo.GetText(2), "User");
  EXPECT_EQ(combo.GetText(4), "");

  struct Case {
    int requested;
    int selected;
  };
  for (const Case c :
       {Case{3, 3}, Case{0, 0}, Case{4, -1}, Case{2, 2}, Case{-1, -1}, Case{1, 1}, Case{-7, -1}}) {
    SCOPED_TRACE(c.requested);
    combo.SetCurSel(c.requested);
    EXPECT_EQ(combo.GetCurSel(), c.selected);
  }

  combo.SetCurSel(2);
  combo.ResetContent();
  EXPECT_EQ(combo.GetCount(), 0);
  EXPECT_EQ(combo.GetCurSel(), -1);
  EXPECT_EQ(combo.AddString("Disabled"), 0);
  EXPECT_EQ(combo.GetCurSel(), -1);
}

TEST_P(ComboControlContract, FindStringMatchesWholeTextFirst) {
  Fill({"Enabled", "Disabled", "Enabled", "Auto"});
  EXPECT_EQ(m_combo->FindString("Enabled"), 0);
  EXPECT_EQ(m_combo->FindString("Auto"), 3);
  EXPECT_EQ(m_combo->FindString("Dis"), -1);
  EXPECT_EQ(m_combo->FindString("enabled"), -1);
  EXPECT_EQ(m_combo->FindString(""), -1);
}

TEST_P(ComboControlContract, DeleteStringKeepsTheSelectedEntry) {
  struct Case {
    const char* name;
    int selected_before;
    int deleted;
    int selected_after;
    int count_after;
  };
  for (const Case c :
       {Case{"before the selection", 2, 0, 1, 3}, Case{"the selected entry", 2, 2, -1, 3},
        Case{"after the selection", 1, 3, 1, 3}, Case{"nothing selected", -1, 1, -1, 3},
        Case{"outside the entries", 2, 4, 2, 4}, Case{"negative index", 2, -1, 2, 4}}) {
    SCOPED_TRACE(c.name);
    m_combo->ResetContent();
    Fill({"A", "B", "C", "D"});
    m_combo->SetCurSel(c.selected_before);
    const std::string selected_text = m_combo->GetText(c.selected_before);
    m_combo->DeleteString(c.deleted);
    EXPECT_EQ(m_combo->GetCount(), c.count_after);
    EXPECT_EQ(m_combo->GetCurSel(), c.selected_after);
    if (c.selected_after >= 0) {
      EXPECT_EQ(m_combo->GetText(c.selected_after), selected_text);
    }
  }
}

TEST_P(ComboControlContract, EnabledStateIsKept) {
  ComboControl& combo = *m_combo;
  EXPECT_TRUE(combo.IsEnabled());
  combo.SetEnabled(false);
  Fill({"Default"});
  combo.SetCurSel(0);
  EXPECT_FALSE(combo.IsEnabled());
  EXPECT_EQ(combo.GetCurSel(), 0);  // a disabled combo still shows its selection
  combo.SetEnabled(true);
  EXPECT_TRUE(combo.IsEnabled());
}

class ButtonControlContract : public testing::TestWithParam<ButtonFactory> {
 protected:
  void SetUp() override {
    ASSERT_NE(m_hide, nullptr);
    ASSERT_NE(m_show, nullptr);
  }
  std::unique_ptr<ButtonControl> m_hide = GetParam()();
  std::unique_ptr<ButtonControl> m_show = GetParam()();
};

TEST_P(ButtonControlContract, StatesAreIndependent) {
  ButtonControl& button = *m_hide;
  EXPECT_FALSE(button.IsChecked());
  EXPECT_TRUE(button.IsEnabled());
  EXPECT_TRUE(button.IsVisible());

  // Each row sets one state and must leave the other two as the row before left them.
  struct Step {
    int which;  // 0 checked, 1 enabled, 2 visible
    bool value;
    bool checked, enabled, visible;
  };
  for (const Step s : {Step{1, false, false, false, true}, Step{0, true, true, false, true},
                       Step{2, false, true, false, false}, Step{1, true, true, true, false},
                       Step{0, false, false, true, false}, Step{2, true, false, true, true}}) {
    SCOPED_TRACE(testing::Message() << "state " << s.which << " := " << s.value);
    if (s.which == 0) button.SetChecked(s.value);
    if (s.which == 1) button.SetEnabled(s.value);
    if (s.which == 2) button.SetVisible(s.value);
    EXPECT_EQ(button.IsChecked(), s.checked);
    EXPECT_EQ(button.IsEnabled(), s.enabled);
    EXPECT_EQ(button.IsVisible(), s.visible);
  }
}

TEST_P(ButtonControlContract, RadioPairIsSetByTheCaller) {
  m_show->SetChecked(true);
  m_hide->SetChecked(true);  // checking one does not uncheck the other by itself
  EXPECT_TRUE(m_show->IsChecked());
  m_show->SetChecked(false);
  EXPECT_TRUE(m_hide->IsChecked());
  EXPECT_FALSE(m_show->IsChecked());
}

}  // namespace kalvire::platform::contract
