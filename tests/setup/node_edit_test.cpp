#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "rom/messages.h"
#include "setup/commands.h"
#include "setup/ifr_layout.h"
#include "setup/messages.h"
#include "setup/node_edit.h"
#include "setup_view.h"

namespace kalvire::setup::test {
namespace {

using ::testing::ElementsAre;

struct EditMenu {
  MenuBuilder b;
  uint32_t form = 0, one_of = 0, checkbox = 0, text = 0, unscoped = 0, zero_length = 0;
  uint32_t numeric[4] = {};  // widths 1, 2, 4, 8
  uint32_t other_store = 0;
  uint32_t checked = 0;           // a checkbox whose optimal default is 1
  std::vector<size_t> variables;  // data offsets of "Setup" and "Custom" in the image
};

EditMenu MakeEditMenu() {
  EditMenu m;
  MenuBuilder& b = m.b;
  b.FormSet(b.Str("Main"));
  b.VarStore(1, "Setup");
  b.VarStore(2, "Custom");
  m.form = b.Form(1024, b.Str("Main"));
  m.one_of =
      b.OneOf(b.Str("Mode"), 1, 4, 2, {{"Off", 0}, {"Auto", 1}, {"On", 2}}, PopupControl(2, 1));
  m.checkbox = b.Checkbox(b.Str("Check"), 1, 8, CheckboxControl(0));
  m.text = b.Text(b.Str("Info"));
  const int widths[4] = {1, 2, 4, 8};
  for (int i = 0; i < 4; ++i) {
    m.numeric[i] = b.Numeric(b.Str("Number " + std::to_string(widths[i])), 1, 16 + 8 * i, widths[i],
                             5, 200, NumericControl(uint16_t(widths[i]), 10));
  }
  m.unscoped = b.OneOf(b.Str("Loose"), 1, 60, 1, {{"L1", 1}}, PopupControl(1, 1), false);
  m.zero_length = b.OneOf(b.Str("Zero"), 1, 61, 1, {{"Z0", 0}, {"Z1", 1}}, PopupControl(0, 0));
  m.other_store = b.OneOf(b.Str("Other"), 2, 2, 1, {{"O0", 0}, {"O1", 1}}, PopupControl(1, 0));
  m.checked = b.Checkbox(b.Str("Checked"), 1, 62, CheckboxControl(1));
  return m;
}

struct Loaded {
  EditMenu menu;
  std::unique_ptr<SetupView> view;
  rom::Editor& editor() { return view->editor; }
  platform::TreeItem item(uint32_t node) { return view->editor.setup.node_items[node]; }
  uint8_t* record(uint32_t node) {
    return view->editor.workspace.m_amitse_module.file.data() + menu.b.ControlRecordOffset(node);
  }
  uint32_t flags(uint32_t node) { return util::LoadLe32(record(node) + kControlFlags); }
  std::vector<uint8_t>& image() { return view->editor.workspace.m_working_image; }
};

Loaded Load() {
  Loaded l{MakeEditMenu(), MakeView()};
  l.view->editor.workspace.m_working_image =
      NvramImage({{"Setup", 80}, {"Custom", 8}}, &l.menu.variables);
  EXPECT_EQ(LoadMenu(*l.view, l.menu.b), 1);
  return l;
}

TEST(ChangeNodeSetting, HideAndShowTheSelectedNode) {
  Loaded l = Load();
  l.view->tree.SelectItem(l.item(l.menu.one_of));
  EXPECT_TRUE(l.view->hide.IsVisible() && l.view->show.IsChecked() && !l.view->hide.IsChecked());
  HideSelectedNode(l.editor());
  EXPECT_EQ(l.flags(l.menu.one_of) & 1, 0u);
  EXPECT_EQ(l.flags(l.menu.one_of) & ~1u, 0x10u);  // other bits untouched
  EXPECT_EQ(l.view->tree.GetItemColor(l.item(l.menu.one_of)), platform::kColorRed);
  EXPECT_THAT(LogLines(l.view->track_log), ElementsAre("    Visibility changed"));
  EXPECT_TRUE(l.editor().workspace.m_setup_form_modified);

  // Re-selecting lists the difference with a full stop.
  l.view->tree.SelectItem(l.item(l.menu.one_of));
  EXPECT_THAT(LogLines(l.view->track_log), ElementsAre("    Visibility changed."));
  EXPECT_TRUE(l.view->hide.IsChecked() && !l.view->show.IsChecked());

  ShowSelectedNode(l.editor());
  EXPECT_EQ(l.flags(l.menu.one_of) & 1, 1u);
  EXPECT_EQ(l.view->tree.GetItemColor(l.item(l.menu.one_of)), platform::kColorBlack);
  EXPECT_EQ(l.editor().setup.node_states[l.menu.one_of].visibility_changed, 0);
  EXPECT_TRUE(LogLines(l.view->track_log).empty());
}

TEST(ChangeNodeSetting, ShowingAgainStaysRedWhileAccessIsChanged) {
  Loaded l = Load();
  const uint32_t node = l.menu.text;
  ChangeNodeSetting(l.editor(), kChangeAccessLevel, 3, 0, node);
  EXPECT_EQ(l.flags(node) & kFlagAccessMask, 3u << 1);
  EXPECT_THAT(LogLines(l.view->track_log),
              ElementsAre("    Access Level is changed from default option :0 to option:3"));
  ChangeNodeSetting(l.editor(), kChangeVisibility, 0, 0, node);
  ChangeNodeSetting(l.editor(), kChangeVisibility, 1, 0, node);
  EXPECT_EQ(l.view->tree.GetItemColor(l.item(node)), platform::kColorRed);
  // Access back to its baseline: black, and nothing left to list.
  ChangeNodeSetting(l.editor(), kChangeAccessLevel, 0, 0, node);
  EXPECT_EQ(l.view->tree.GetItemColor(l.item(node)), platform::kColorBlack);
  EXPECT_EQ(l.editor().setup.node_states[node].access_changed, 0);
  l.view->tree.SelectItem(l.item(node));
  EXPECT_TRUE(LogLines(l.view->track_log).empty());
  // The access-level combo is the GUI's way in.
  l.view->access_combo.SetCurSel(2);
  ChangeSelectedAccessLevel(l.editor());
  EXPECT_EQ(l.flags(node) & kFlagAccessMask, 2u << 1);
  EXPECT_THAT(LogLines(l.view->track_log),
              ElementsAre("    Access Level is changed from default option :0 to option:2"));
}

TEST(ChangeNodeSetting, NodeNumberPastTheTableChangesNothing) {
  Loaded l = Load();
  const auto before = l.editor().workspace.m_amitse_module.file;
  ChangeNodeSetting(l.editor(), kChangeVisibility, 0, 0, l.editor().setup.node_count);
  EXPECT_EQ(l.editor().workspace.m_amitse_module.file, before);
  EXPECT_FALSE(l.editor().workspace.m_setup_form_modified);
}

TEST(ChangeNodeSetting, FormRefusesOptimalDefaults) {
  Loaded l = Load();
  const auto before = l.editor().workspace.m_amitse_module.file;
  ChangeNodeSetting(l.editor(), kChangeOptimal, 1, 0, l.menu.form);
  ASSERT_EQ(l.view->prompter.Messages().size(), 1u);
  EXPECT_EQ(l.view->prompter.Messages()[0].request.text,
            "Error: Optimal options cannot be modified for FORM OP");
  EXPECT_EQ(l.view->prompter.Messages()[0].request.icon, platform::MessageIcon::kNone);
  EXPECT_EQ(l.editor().workspace.m_amitse_module.file, before);
  EXPECT_FALSE(l.editor().workspace.m_setup_form_modified);
  // The display of a FORM offers no visibility or access change.
  EXPECT_FALSE(l.view->hide.IsVisible() || l.view->show.IsEnabled());
  EXPECT_TRUE(l.view->show.IsChecked());
  EXPECT_FALSE(l.view->access_combo.IsEnabled());
  EXPECT_EQ(l.view->access_combo.GetCurSel(), 0);
}

TEST(ApplyOptimalSelection, OneOfByNodeNumberWritesRecordAndStdDefaults) {
  Loaded l = Load();
  const uint32_t node = l.menu.one_of;
  ApplyOptimalSelection(l.editor(), node, 2);
  EXPECT_EQ(util::LoadLe16(l.record(node) + 66), 2);
  EXPECT_EQ(util::LoadLe16(l.image().data() + l.menu.variables[0] + 4), 2);
  EXPECT_EQ(l.image()[l.menu.variables[0] + 6], 0);  // the byte after the value
  EXPECT_THAT(LogLines(l.view->track_log),
              ElementsAre("    Optimal option is Changed from Default Option :1 to option :2"));
  EXPECT_EQ(l.view->tree.GetItemColor(l.item(node)), platform::kColorRed);
  // The display now selects "On" among the options it lists.
  l.view->tree.SelectItem(l.item(node));
  EXPECT_EQ(l.view->optimal_combo.GetCount(), 3);
  EXPECT_EQ(l.view->optimal_combo.GetText(l.view->optimal_combo.GetCurSel()), "On");
  EXPECT_EQ(l.view->delete_combo.GetCount(), 3);
  EXPECT_FALSE(l.view->delete_button.IsEnabled());
  l.view->delete_combo.SetCurSel(0);
  EnableOptionDelete(l.editor());
  EXPECT_TRUE(l.view->delete_button.IsEnabled());

  // Choosing "Auto" in the combo brings it back to the baseline.
  l.view->optimal_combo.SetCurSel(l.view->optimal_combo.FindString("Auto"));
  ChangeSelectedOptimalOption(l.editor());
  EXPECT_EQ(util::LoadLe16(l.record(node) + 66), 1);
  EXPECT_EQ(l.view->tree.GetItemColor(l.item(node)), platform::kColorBlack);
  EXPECT_EQ(l.editor().setup.node_states[node].optimal_changed, 0u);
}

TEST(ApplyOptimalSelection, ImportValueMatchingNoOptionChangesNothing) {
  Loaded l = Load();
  const auto spf = l.editor().workspace.m_amitse_module.file;
  const auto image = l.image();
  ApplyOptimalSelection(l.editor(), l.menu.one_of, 7);
  EXPECT_EQ(l.editor().workspace.m_amitse_module.file, spf);
  EXPECT_EQ(l.image(), image);
  EXPECT_FALSE(l.editor().workspace.m_setup_form_modified);
}

TEST(ApplyOptimalSelection, UnscopedOneOfHasNoOptions) {
  Loaded l = Load();
  l.view->tree.SelectItem(l.item(l.menu.unscoped));
  EXPECT_EQ(l.view->optimal_combo.GetCount(), 0);
  EXPECT_EQ(l.view->delete_combo.GetCount(), 0);
}

TEST(ApplyOptimalSelection, CheckboxOffersDisabledAndEnabled) {
  Loaded l = Load();
  l.view->tree.SelectItem(l.item(l.menu.checkbox));
  ASSERT_EQ(l.view->optimal_combo.GetCount(), 2);
  EXPECT_EQ(l.view->optimal_combo.GetText(0), "Disabled");
  EXPECT_EQ(l.view->optimal_combo.GetText(1), "Enabled");
  EXPECT_EQ(l.view->optimal_combo.GetCurSel(), 0);
  l.view->optimal_combo.SetCurSel(1);
  ChangeSelectedOptimalOption(l.editor());
  EXPECT_EQ(l.record(l.menu.checkbox)[65], 1);
  EXPECT_EQ(l.image()[l.menu.variables[0] + 8], 1);
}

TEST(ApplyOptimalSelection, CheckboxChangesCompareWithItsStoredDefault) {
  Loaded l = Load();
  const uint32_t node = l.menu.checked;
  EXPECT_EQ(l.editor().setup.node_states[node].baseline_value, 1u);
  l.view->tree.SelectItem(l.item(node));
  EXPECT_EQ(l.view->optimal_combo.GetCurSel(), 1);
  EXPECT_TRUE(LogLines(l.view->track_log).empty());
  EXPECT_EQ(l.view->tree.GetItemColor(l.item(node)), platform::kColorBlack);

  l.view->optimal_combo.SetCurSel(0);
  ChangeSelectedOptimalOption(l.editor());
  EXPECT_EQ(l.record(node)[65], 0);
  EXPECT_EQ(l.image()[l.menu.variables[0] + 62], 0);
  EXPECT_THAT(LogLines(l.view->track_log),
              ElementsAre("    Optimal option is Changed from Default Option :1 to option :0"));
  EXPECT_EQ(l.view->tree.GetItemColor(l.item(node)), platform::kColorRed);
  EXPECT_EQ(l.editor().setup.node_states[node].optimal_changed, 1u);

  // Enabled again is the default again.
  ApplyOptimalSelection(l.editor(), node, 1);
  EXPECT_EQ(l.record(node)[65], 1);
  EXPECT_TRUE(LogLines(l.view->track_log).empty());
  EXPECT_EQ(l.view->tree.GetItemColor(l.item(node)), platform::kColorBlack);
  EXPECT_EQ(l.editor().setup.node_states[node].optimal_changed, 0u);
}

TEST(ApplyOptimalSelection, NumericWritesEveryWidthAtItsPlace) {
  Loaded l = Load();
  const int widths[4] = {1, 2, 4, 8};
  const uint64_t places[4] = {65, 66, 68, 72};
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(widths[i]);
    const uint32_t node = l.menu.numeric[i];
    const auto before = l.editor().workspace.m_amitse_module.file;
    ApplyOptimalSelection(l.editor(), node, 200);
    const size_t record = l.menu.b.ControlRecordOffset(node);
    const auto& after = l.editor().workspace.m_amitse_module.file;
    for (size_t k = 0; k < after.size(); ++k) {
      const bool value_byte = k >= record + places[i] && k < record + places[i] + widths[i];
      if (value_byte) {
        EXPECT_EQ(after[k], k == record + places[i] ? 200 : 0) << k;
      } else if (after[k] != before[k]) {
        ADD_FAILURE() << "byte " << k << " changed";
        break;
      }
    }
    const size_t variable = l.menu.variables[0] + 16 + 8 * i;
    EXPECT_EQ(l.image()[variable], 200);
    EXPECT_EQ(l.image()[variable + widths[i]], 0);  // nothing past the width
    EXPECT_THAT(
        LogLines(l.view->track_log),
        ElementsAre("    Optimal option is Changed from Default Option :10 to option :200"));
  }
}

TEST(ApplyOptimalSelection, NumericRangeIsCheckedAtBothEnds) {
  Loaded l = Load();
  const uint32_t node = l.menu.numeric[1];
  for (const uint32_t accepted : {5u, 200u}) {
    ApplyOptimalSelection(l.editor(), node, accepted);
    EXPECT_EQ(util::LoadLe16(l.record(node) + 66), accepted);
  }
  for (const uint32_t refused : {4u, 201u}) {
    SCOPED_TRACE(refused);
    const auto spf = l.editor().workspace.m_amitse_module.file;
    const size_t shown = l.view->prompter.Messages().size();
    ApplyOptimalSelection(l.editor(), node, refused);
    ASSERT_EQ(l.view->prompter.Messages().size(), shown + 1);
    EXPECT_EQ(l.view->prompter.Messages().back().request.text,
              "Error: not a valid value. Please enter value between 5 to 200");
    EXPECT_EQ(l.view->prompter.Messages().back().request.icon, platform::MessageIcon::kError);
    EXPECT_EQ(l.editor().workspace.m_amitse_module.file, spf);
  }
}

TEST(ApplyOptimalSelection, NumericOfTheSelectedNodeAsksInUpdateData) {
  Loaded l = Load();
  const uint32_t node = l.menu.numeric[2];
  l.view->tree.SelectItem(l.item(node));
  EXPECT_EQ(l.view->optimal_combo.GetText(0), "10");
  l.view->prompter.QueueText(std::nullopt);  // Cancel
  l.view->prompter.QueueText("150");
  ChangeSelectedOptimalOption(l.editor());
  EXPECT_EQ(util::LoadLe32(l.record(node) + 68), 10u);
  ChangeSelectedOptimalOption(l.editor());
  EXPECT_EQ(util::LoadLe32(l.record(node) + 68), 150u);
  ASSERT_EQ(l.view->prompter.TextRequests().size(), 2u);
  EXPECT_EQ(l.view->prompter.TextRequests()[0].title, "Update Data");
  EXPECT_EQ(l.view->prompter.TextRequests()[0].initial_text, "10");
  EXPECT_EQ(l.view->prompter.TextRequests()[0].max_length, 100);
  EXPECT_EQ(l.view->optimal_combo.GetCount(), 1);
  EXPECT_EQ(l.view->optimal_combo.GetText(l.view->optimal_combo.GetCurSel()), "150");
}

TEST(ApplyOptimalSelection, NumericWithoutValueWidthIsRefused) {
  Loaded l = Load();
  const uint32_t node = l.menu.numeric[0];
  util::StoreLe16(l.record(node) + kControlDataLength, 3);
  ApplyOptimalSelection(l.editor(), node, 20);
  ASSERT_FALSE(l.view->prompter.Messages().empty());
  EXPECT_EQ(l.view->prompter.Messages().back().request.text,
            "Error: ControlDataLength value is not valid");
  EXPECT_EQ(l.view->prompter.Messages().back().request.icon, platform::MessageIcon::kError);
  EXPECT_EQ(l.record(node)[65], 10);
}

TEST(ChangeNodeSetting, ZeroControlDataLengthWarnsAndWritesTheByte) {
  Loaded l = Load();
  ChangeNodeSetting(l.editor(), kChangeOptimal, 1, 0, l.menu.zero_length);
  ASSERT_EQ(l.view->prompter.Messages().size(), 1u);
  EXPECT_EQ(l.view->prompter.Messages()[0].request.text,
            "Warning: Invalid Control Data Length - Changes in optimal value may not reflect on "
            "flashing");
  EXPECT_EQ(l.view->prompter.Messages()[0].request.icon, platform::MessageIcon::kNone);
  EXPECT_EQ(l.record(l.menu.zero_length)[65], 1);
  EXPECT_EQ(l.image()[l.menu.variables[0] + 61], 1);  // width 1 from the ONE_OF fallback
}

TEST(WriteStdDefault, UsesTheQuestionsVariableStoreOrSetup) {
  Loaded l = Load();
  ChangeNodeSetting(l.editor(), kChangeOptimal, 1, 0, l.menu.other_store);
  EXPECT_EQ(l.image()[l.menu.variables[1] + 2], 1);  // "Custom", VarOffset 2
  EXPECT_EQ(l.image()[l.menu.variables[0] + 2], 0);

  // Without a store of that id the default goes to "Setup".
  l.editor().setup.var_stores[1].var_store_id = 9;
  ChangeNodeSetting(l.editor(), kChangeOptimal, 0, 0, l.menu.other_store);
  ChangeNodeSetting(l.editor(), kChangeOptimal, 1, 0, l.menu.other_store);
  EXPECT_EQ(l.image()[l.menu.variables[0] + 2], 1);
}

TEST(WriteStdDefault, MissingStoreIsReportedAfterTheRecordChanged) {
  Loaded l = Load();
  l.image().assign(64, 0xFF);
  ChangeNodeSetting(l.editor(), kChangeOptimal, 0, 0, l.menu.one_of);
  EXPECT_EQ(util::LoadLe16(l.record(l.menu.one_of) + 66), 0);
  ASSERT_EQ(l.view->prompter.Messages().size(), 1u);
  EXPECT_EQ(l.view->prompter.Messages()[0].request.text, rom::kMsgDesiredModuleMissing);
  EXPECT_EQ(l.view->tree.GetItemColor(l.item(l.menu.one_of)), platform::kColorRed);
}

TEST(WriteStdDefault, NeverWritesPastTheVariable) {
  Loaded l = Load();
  // "Custom" holds 8 bytes; a question at VarOffset 60 of it would write into what follows.
  util::StoreLe16(l.editor().workspace.m_setup_module.file.data() +
                      l.menu.b.NodeOffset(l.menu.other_store) + 10,
                  60);
  const auto image = l.image();
  ChangeNodeSetting(l.editor(), kChangeOptimal, 1, 0, l.menu.other_store);
  EXPECT_EQ(l.image(), image);
  EXPECT_EQ(l.record(l.menu.other_store)[65], 1);
}

TEST(ShowNodeDetails, ListsAChangedItemText) {
  Loaded l = Load();
  l.view->tree.SetItemText(l.item(l.menu.text), "Renamed");
  l.view->tree.SelectItem(l.item(l.menu.text));
  EXPECT_THAT(LogLines(l.view->track_log),
              ElementsAre("    String is changed to \"Renamed \" from \" Info \""));
  EXPECT_EQ(l.view->tree.GetItemColor(l.item(l.menu.text)), platform::kColorRed);
  // A deleted option keeps the item red too.
  l.view->tree.SetItemText(l.item(l.menu.text), "Info");
  l.editor().setup.node_states[l.menu.text].option_deleted = 1;
  l.view->tree.SelectItem(l.item(l.menu.text));
  EXPECT_TRUE(LogLines(l.view->track_log).empty());
  EXPECT_EQ(l.view->tree.GetItemColor(l.item(l.menu.text)), platform::kColorRed);
}

}  // namespace
}  // namespace kalvire::setup::test
