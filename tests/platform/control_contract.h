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
using ListFactory = std::unique_ptr<ListControl> (*)();
using ComboFactory = std::unique_ptr<ComboControl> (*)();
using ButtonFactory = std::unique_ptr<ButtonControl> (*)();

class TreeControlContract : public testing::TestWithParam<TreeFactory> {
 protected:
  void SetUp() override { ASSERT_NE(m_tree, nullptr); }
  std::vector<std::string> Children(TreeItem parent) {
    std::vector<std::string> texts;
    for (TreeItem i = m_tree->GetChildItem(parent); i != kNoItem; i = m_tree->GetNextSiblingItem(i))
      texts.push_back(m_tree->GetItemText(i));
    return texts;
  }
  std::unique_ptr<TreeControl> m_tree = GetParam()();
};

TEST_P(TreeControlContract, KeepsInsertionOrderParentLinksTextAndAll32BitsOfData) {
  TreeControl& tree = *m_tree;
  const TreeItem bios = tree.InsertItem(kRootItem, "BIOS");
  const TreeItem main = tree.InsertItem(bios, "Main");
  const TreeItem advanced = tree.InsertItem(bios, "Advanced");
  const TreeItem dmi = tree.InsertItem(kNoItem, "DMI");  // kNoItem also means the top level
  const TreeItem cpu = tree.InsertItem(advanced, "CPU");
  const TreeItem boot = tree.InsertItem(bios, "Boot");  // after items of other levels
  EXPECT_NE(bios, kNoItem);
  EXPECT_NE(bios, kRootItem);
  EXPECT_EQ(tree.GetCount(), 6);
  EXPECT_EQ(Children(kRootItem), (std::vector<std::string>{"BIOS", "DMI"}));
  EXPECT_EQ(Children(bios), (std::vector<std::string>{"Main", "Advanced", "Boot"}));
  EXPECT_EQ(Children(advanced), std::vector<std::string>{"CPU"});
  EXPECT_EQ(tree.GetChildItem(main), kNoItem);
  EXPECT_EQ(tree.GetChildItem(dmi), kNoItem);
  EXPECT_EQ(tree.GetParentItem(bios), kRootItem);
  EXPECT_EQ(tree.GetParentItem(dmi), kRootItem);
  EXPECT_EQ(tree.GetParentItem(boot), bios);
  EXPECT_EQ(tree.GetParentItem(cpu), advanced);

  tree.SetItemText(main, "Quiet Boot");
  EXPECT_EQ(tree.GetItemText(main), "Quiet Boot");
  EXPECT_EQ(tree.GetItemText(advanced), "Advanced");
  EXPECT_EQ(tree.GetItemData(cpu), 0u);
  // Setup items carry the opcode in the top byte, so the high bits must survive.
  for (const uint32_t data : {0xFFFFFFFFu, 0x2A123456u, 0x80000000u, 1u}) {
    tree.SetItemData(boot, data);
    EXPECT_EQ(tree.GetItemData(boot), data);
  }
  EXPECT_EQ(tree.GetItemData(cpu), 0u);
}

TEST_P(TreeControlContract, ColourEntriesFollowTheColourMap) {
  TreeControl& tree = *m_tree;
  const TreeItem plain = tree.InsertItem(kRootItem, "plain");
  const TreeItem edited = tree.InsertItem(kRootItem, "edited");
  const TreeItem with_font = tree.InsertItem(kRootItem, "font");
  EXPECT_EQ(tree.GetItemColor(plain), kDefaultTextColor);
  tree.SetItemColor(edited, kColorRed);
  EXPECT_EQ(tree.GetItemColor(edited), kColorRed);
  ASSERT_TRUE(tree.FindColorEntry(edited).has_value());
  EXPECT_EQ(tree.FindColorEntry(edited)->face_name, "");
  // Reverting an edit paints the item black; the entry stays.
  tree.SetItemColor(edited, kColorBlack);
  ASSERT_TRUE(tree.FindColorEntry(edited).has_value());
  EXPECT_EQ(tree.FindColorEntry(edited)->color, kColorBlack);
  tree.SetItemFont(with_font, "Courier New");
  EXPECT_EQ(tree.GetItemColor(with_font), kDefaultTextColor);
  tree.SetItemColor(with_font, kColorRed);
  EXPECT_EQ(tree.FindColorEntry(with_font)->face_name, "Courier New");
  tree.SetItemFont(with_font, "Arial");
  EXPECT_EQ(tree.GetItemColor(with_font), kColorRed);
  EXPECT_FALSE(tree.FindColorEntry(plain).has_value());
}

TEST_P(TreeControlContract, SelectItemNotifiesOncePerCallAfterSelecting) {
  TreeControl& tree = *m_tree;
  const TreeItem first = tree.InsertItem(kRootItem, "first");
  const TreeItem second = tree.InsertItem(first, "second");
  tree.SelectItem(first);  // no handler set
  std::vector<TreeItem> notified, selected;
  tree.SetSelectionHandler([&](TreeItem item) {
    notified.push_back(item);
    selected.push_back(tree.GetSelectedItem());
  });
  tree.SelectItem(second);
  tree.SelectItem(first);
  tree.SelectItem(first);  // selecting again refreshes again
  tree.SelectItem(kNoItem);
  EXPECT_EQ(tree.GetSelectedItem(), kNoItem);
  const std::vector<TreeItem> expected{second, first, first, kNoItem};
  EXPECT_EQ(notified, expected);
  EXPECT_EQ(selected, expected);

  // A capture too large for the handler's inline storage, read after the handler replaced
  // itself: the running handler must still be alive.
  const std::string marker(100, 'm');
  std::vector<std::string> seen;
  int second_calls = 0;
  tree.SetSelectionHandler([&, marker](TreeItem) {
    tree.SetSelectionHandler([&](TreeItem) { ++second_calls; });
    seen.push_back(marker);
  });
  tree.SelectItem(first);
  tree.SelectItem(first);
  EXPECT_EQ(seen, std::vector<std::string>{marker});
  EXPECT_EQ(second_calls, 1);
}

TEST_P(TreeControlContract, DeletedAndUnknownHandlesNameNothing) {
  TreeControl& tree = *m_tree;
  const TreeItem old_root = tree.InsertItem(kRootItem, "BIOS");
  const TreeItem stale = tree.InsertItem(old_root, "Main");
  tree.SetItemData(stale, 0x2A123456);
  tree.SetItemColor(stale, kColorRed);
  tree.SelectItem(stale);
  int notifications = 0;
  tree.SetSelectionHandler([&](TreeItem) { ++notifications; });
  tree.DeleteAllItems();
  EXPECT_EQ(tree.GetCount(), 0);
  EXPECT_EQ(tree.GetChildItem(kRootItem), kNoItem);
  EXPECT_EQ(tree.GetSelectedItem(), kNoItem);
  EXPECT_EQ(notifications, 0);

  const TreeItem live = tree.InsertItem(kRootItem, "DMI");
  EXPECT_NE(live, old_root);
  EXPECT_NE(live, stale);
  EXPECT_FALSE(tree.FindColorEntry(live).has_value());
  tree.SelectItem(live);
  notifications = 0;
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
  std::unique_ptr<ListControl> m_list = GetParam()();
};

TEST_P(ListControlContract, AddStringAppendsAndResetContentStartsOver) {
  ListControl& list = *m_list;
  const std::vector<std::string> lines{"    Visibility changed", "", "    Visibility changed"};
  for (size_t i = 0; i < lines.size(); ++i) EXPECT_EQ(list.AddString(lines[i]), int(i));
  ASSERT_EQ(list.GetCount(), 3);
  for (size_t i = 0; i < lines.size(); ++i) EXPECT_EQ(list.GetText(int(i)), lines[i]);
  EXPECT_EQ(list.GetText(-1), "");
  EXPECT_EQ(list.GetText(3), "");
  list.ResetContent();
  EXPECT_EQ(list.GetCount(), 0);
  EXPECT_EQ(list.GetText(0), "");
  EXPECT_EQ(list.AddString("c"), 0);
}

class ComboControlContract : public testing::TestWithParam<ComboFactory> {
 protected:
  void Fill(const std::vector<std::string>& entries) {
    for (const std::string& entry : entries) m_combo->AddString(entry);
  }
  std::unique_ptr<ComboControl> m_combo = GetParam()();
};

TEST_P(ComboControlContract, SelectionStaysWithinTheEntries) {
  ComboControl& combo = *m_combo;
  combo.SetCurSel(0);
  EXPECT_EQ(combo.GetCurSel(), -1);
  Fill({"Enabled", "Disabled", "Enabled", "Auto"});
  EXPECT_EQ(combo.AddString("User"), 4);
  EXPECT_EQ(combo.GetCurSel(), -1);  // adding selects nothing
  EXPECT_EQ(combo.GetText(4), "User");
  EXPECT_EQ(combo.GetText(5), "");
  for (const auto [requested, selected] : {std::pair{4, 4}, {0, 0}, {5, -1}, {2, 2}, {-7, -1}}) {
    combo.SetCurSel(requested);
    EXPECT_EQ(combo.GetCurSel(), selected) << requested;
  }
  // The whole text, first match, case counts.
  EXPECT_EQ(combo.FindString("Enabled"), 0);
  EXPECT_EQ(combo.FindString("Auto"), 3);
  EXPECT_EQ(combo.FindString("Dis"), -1);
  EXPECT_EQ(combo.FindString("enabled"), -1);
  combo.SetEnabled(false);
  combo.SetCurSel(1);
  EXPECT_FALSE(combo.IsEnabled());
  EXPECT_EQ(combo.GetCurSel(), 1);  // a disabled combo still shows its selection
  combo.SetEnabled(true);
  EXPECT_TRUE(combo.IsEnabled());
  combo.ResetContent();
  EXPECT_EQ(combo.GetCount(), 0);
  EXPECT_EQ(combo.GetCurSel(), -1);
}

TEST_P(ComboControlContract, DeleteStringKeepsTheSelectedEntry) {
  struct Case {
    int selected_before, deleted, selected_after, count_after;
  };
  for (const Case c : {Case{2, 0, 1, 3}, Case{2, 2, -1, 3}, Case{1, 3, 1, 3}, Case{-1, 1, -1, 3},
                       Case{2, 4, 2, 4}, Case{2, -1, 2, 4}}) {
    SCOPED_TRACE(testing::Message() << c.deleted << " with " << c.selected_before << " selected");
    m_combo->ResetContent();
    Fill({"A", "B", "C", "D"});
    m_combo->SetCurSel(c.selected_before);
    const std::string selected_text = m_combo->GetText(c.selected_before);
    m_combo->DeleteString(c.deleted);
    EXPECT_EQ(m_combo->GetCount(), c.count_after);
    EXPECT_EQ(m_combo->GetCurSel(), c.selected_after);
    if (c.selected_after >= 0) EXPECT_EQ(m_combo->GetText(c.selected_after), selected_text);
  }
}

class ButtonControlContract : public testing::TestWithParam<ButtonFactory> {
 protected:
  std::unique_ptr<ButtonControl> m_hide = GetParam()();
  std::unique_ptr<ButtonControl> m_show = GetParam()();
};

TEST_P(ButtonControlContract, StatesAreIndependentAndARadioPairIsSetByTheCaller) {
  ButtonControl& button = *m_hide;
  EXPECT_FALSE(button.IsChecked());
  EXPECT_TRUE(button.IsEnabled());
  EXPECT_TRUE(button.IsVisible());
  // Each row sets one state (0 checked, 1 enabled, 2 visible) and leaves the other two.
  struct Step {
    int which;
    bool value, checked, enabled, visible;
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
  m_show->SetChecked(true);
  m_hide->SetChecked(true);  // checking one does not uncheck the other by itself
  EXPECT_TRUE(m_show->IsChecked());
}

}  // namespace kalvire::platform::contract
