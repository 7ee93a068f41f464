#include <functional>

#include "setup/commands.h"
#include "setup/ifr_layout.h"
#include "setup/node_edit.h"
#include "setup/option_delete.h"
#include "setup_view.h"

namespace kalvire::setup::test {
namespace {

constexpr uint32_t kBlack = platform::kColorBlack, kRed = platform::kColorRed;

TEST(ChangeNodeSetting, HideAndShowTheSelectedNode) {
  auto v = OpenTestMenu();
  const uint32_t node = NodeOf(kBootMode);
  v->Select(node);
  EXPECT_TRUE(v->hide.IsVisible() && v->show.IsChecked() && !v->hide.IsChecked());
  HideSelectedNode(v->editor);
  EXPECT_EQ(v->Flags(kBootMode), 0x10u);  // visible bit cleared, the others untouched
  EXPECT_EQ(v->tree.GetItemColor(v->Item(node)), kRed);
  EXPECT_THAT(v->Log(), ElementsAre("    Visibility changed"));
  EXPECT_TRUE(v->editor.workspace.m_setup_form_modified);
  v->Select(node);  // re-selecting lists the difference with a full stop
  EXPECT_THAT(v->Log(), ElementsAre("    Visibility changed."));
  EXPECT_TRUE(v->hide.IsChecked() && !v->show.IsChecked());
  ShowSelectedNode(v->editor);
  EXPECT_EQ(v->Flags(kBootMode), 0x11u);
  EXPECT_EQ(v->tree.GetItemColor(v->Item(node)), kBlack);
  EXPECT_EQ(v->editor.setup.node_states[node].visibility_changed, 0);
  EXPECT_THAT(v->Log(), IsEmpty());
}

TEST(ChangeNodeSetting, AccessLevelAndVisibilityTogether) {
  auto v = OpenTestMenu();
  const uint32_t node = NodeOf(kVendor);
  ChangeNodeSetting(v->editor, kChangeAccessLevel, 3, 0, node);
  EXPECT_EQ(v->Flags(kVendor), 0x07u);
  EXPECT_THAT(v->Log(),
              ElementsAre("    Access Level is changed from default option :0 to option:3"));
  ChangeNodeSetting(v->editor, kChangeVisibility, 0, 0, node);
  ChangeNodeSetting(v->editor, kChangeVisibility, 1, 0, node);
  EXPECT_EQ(v->tree.GetItemColor(v->Item(node)), kRed);  // access still changed
  ChangeNodeSetting(v->editor, kChangeAccessLevel, 0, 0, node);
  EXPECT_EQ(v->tree.GetItemColor(v->Item(node)), kBlack);
  EXPECT_EQ(v->editor.setup.node_states[node].access_changed, 0);
  v->Select(node);
  EXPECT_THAT(v->Log(), IsEmpty());
  v->access_combo.SetCurSel(2);  // the GUI's way in
  ChangeSelectedAccessLevel(v->editor);
  EXPECT_EQ(v->Flags(kVendor), 0x05u);
  EXPECT_THAT(v->Log(),
              ElementsAre("    Access Level is changed from default option :0 to option:2"));
}

// Edits that refuse: the message, its icon, and the SPF data and the defaults left alone.
TEST(ChangeNodeSetting, RefusalsChangeNothing) {
  struct Case {
    const char* name;
    std::function<void(SetupView&)> act;
    const char* message;  // nullptr: none
    platform::MessageIcon icon;
  };
  const Case cases[] = {
      {"node past the table",
       [](SetupView& v) {
         ChangeNodeSetting(v.editor, kChangeVisibility, 0, 0, v.editor.setup.node_count);
       },
       nullptr,
       {}},
      {"form", [](SetupView& v) { ChangeNodeSetting(v.editor, kChangeOptimal, 1, 0, 0); },
       "Error: Optimal options cannot be modified for FORM OP", platform::MessageIcon::kNone},
      {"value of no option",
       [](SetupView& v) { ApplyOptimalSelection(v.editor, NodeOf(kBootMode), 7); },
       nullptr,
       {}},
      {"numeric below", [](SetupView& v) { ApplyOptimalSelection(v.editor, NodeOf(kNumber2), 4); },
       "Error: not a valid value. Please enter value between 5 to 200",
       platform::MessageIcon::kError},
      {"numeric above",
       [](SetupView& v) { ApplyOptimalSelection(v.editor, NodeOf(kNumber2), 201); },
       "Error: not a valid value. Please enter value between 5 to 200",
       platform::MessageIcon::kError},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto v = OpenTestMenu();
    const Bytes spf = v->editor.workspace.m_amitse_module.file,
                image = v->editor.workspace.m_working_image;
    c.act(*v);
    EXPECT_EQ(v->editor.workspace.m_amitse_module.file, spf);
    EXPECT_EQ(v->editor.workspace.m_working_image, image);
    EXPECT_FALSE(v->editor.workspace.m_setup_form_modified);
    EXPECT_EQ(v->Messages(),
              c.message ? std::vector<std::string>{c.message} : std::vector<std::string>{});
    if (c.message) EXPECT_EQ(v->prompter.Messages()[0].request.icon, c.icon);
  }
  // The display of a FORM offers no visibility or access change.
  auto v = OpenTestMenu();
  v->Select(0);
  EXPECT_FALSE(v->hide.IsVisible() || v->show.IsEnabled() || v->access_combo.IsEnabled());
  EXPECT_TRUE(v->show.IsChecked());
  EXPECT_EQ(v->access_combo.GetCurSel(), 0);
}

TEST(ApplyOptimalSelection, OneOfWritesRecordAndStdDefaults) {
  auto v = OpenTestMenu();
  const uint32_t node = NodeOf(kBootMode);
  ApplyOptimalSelection(v->editor, node, 2);
  EXPECT_EQ(util::LoadLe16(v->Control(kBootMode) + 66), 2);
  EXPECT_EQ(v->VariableByte("Setup", 4), 2);
  EXPECT_EQ(v->VariableByte("Setup", 5), 0);
  EXPECT_EQ(v->VariableByte("Setup", 6), 0);
  EXPECT_THAT(v->Log(),
              ElementsAre("    Optimal option is Changed from Default Option :1 to option :2"));
  EXPECT_EQ(v->tree.GetItemColor(v->Item(node)), kRed);
  v->Select(node);
  EXPECT_THAT(SetupView::Entries(v->optimal_combo), ElementsAre("Legacy", "UEFI", "Dual"));
  EXPECT_EQ(v->optimal_combo.GetText(v->optimal_combo.GetCurSel()), "Dual");
  EXPECT_FALSE(v->delete_button.IsEnabled());
  v->optimal_combo.SetCurSel(1);  // "UEFI" brings it back to the baseline
  ChangeSelectedOptimalOption(v->editor);
  EXPECT_EQ(util::LoadLe16(v->Control(kBootMode) + 66), 1);
  EXPECT_EQ(v->VariableByte("Setup", 4), 1);
  EXPECT_EQ(v->tree.GetItemColor(v->Item(node)), kBlack);
  EXPECT_EQ(v->editor.setup.node_states[node].optimal_changed, 0u);
  // The unscoped one-of lists no options.
  v->Select(NodeOf(kLoose));
  EXPECT_EQ(v->optimal_combo.GetCount() + v->delete_combo.GetCount(), 0);
}

TEST(ApplyOptimalSelection, CheckboxesCompareWithTheirStoredDefault) {
  auto v = OpenTestMenu();
  v->Select(NodeOf(kFastBoot));
  EXPECT_THAT(SetupView::Entries(v->optimal_combo), ElementsAre("Disabled", "Enabled"));
  EXPECT_EQ(v->optimal_combo.GetCurSel(), 0);
  v->optimal_combo.SetCurSel(1);
  ChangeSelectedOptimalOption(v->editor);
  EXPECT_EQ(v->Control(kFastBoot)[65], 1);
  EXPECT_EQ(v->VariableByte("Setup", 8), 1);

  const uint32_t node = NodeOf(kChecked);
  EXPECT_EQ(v->editor.setup.node_states[node].baseline_value, 1u);
  v->Select(node);
  EXPECT_EQ(v->optimal_combo.GetCurSel(), 1);
  EXPECT_THAT(v->Log(), IsEmpty());
  v->optimal_combo.SetCurSel(0);
  ChangeSelectedOptimalOption(v->editor);
  EXPECT_EQ(v->Control(kChecked)[65], 0);
  EXPECT_EQ(v->VariableByte("Setup", 62), 0);
  EXPECT_THAT(v->Log(),
              ElementsAre("    Optimal option is Changed from Default Option :1 to option :0"));
  EXPECT_EQ(v->editor.setup.node_states[node].optimal_changed, 1u);
  ApplyOptimalSelection(v->editor, node, 1);  // enabled again is the default again
  EXPECT_EQ(v->Control(kChecked)[65], 1);
  EXPECT_THAT(v->Log(), IsEmpty());
  EXPECT_EQ(v->tree.GetItemColor(v->Item(node)), kBlack);
}

TEST(ApplyOptimalSelection, NumericWritesEveryWidthAtItsPlaceAndNothingElse) {
  auto v = OpenTestMenu();
  const uint64_t places[4] = {65, 66, 68, 72};
  for (uint32_t i = 0; i < 4; ++i) {
    const uint32_t width = 1u << i, item = kNumber1 + i;
    SCOPED_TRACE(width);
    const Bytes before = v->editor.workspace.m_amitse_module.file;
    const size_t record =
        size_t(v->Control(item) - v->editor.workspace.m_amitse_module.file.data());
    ApplyOptimalSelection(v->editor, NodeOf(item), 200);
    Bytes expected = before;
    for (uint32_t b = 0; b < width; ++b) expected[record + places[i] + b] = b == 0 ? 200 : 0;
    EXPECT_EQ(v->editor.workspace.m_amitse_module.file, expected);
    EXPECT_EQ(v->VariableByte("Setup", 16 + 8 * i), 200);
    EXPECT_EQ(v->VariableByte("Setup", 16 + 8 * i + width), 0);  // nothing past the width
    EXPECT_THAT(
        v->Log(),
        ElementsAre("    Optimal option is Changed from Default Option :10 to option :200"));
  }
  ApplyOptimalSelection(v->editor, NodeOf(kNumber2), 5);  // both ends of the range are taken
  EXPECT_EQ(util::LoadLe16(v->Control(kNumber2) + 66), 5);
}

TEST(ApplyOptimalSelection, NumericOfTheSelectedNodeAsksInUpdateData) {
  auto v = OpenTestMenu();
  v->Select(NodeOf(kNumber4));
  EXPECT_EQ(v->optimal_combo.GetText(0), "10");
  v->prompter.QueueText(std::nullopt);  // Cancel
  v->prompter.QueueText("150");
  ChangeSelectedOptimalOption(v->editor);
  EXPECT_EQ(util::LoadLe32(v->Control(kNumber4) + 68), 10u);
  ChangeSelectedOptimalOption(v->editor);
  EXPECT_EQ(util::LoadLe32(v->Control(kNumber4) + 68), 150u);
  ASSERT_EQ(v->prompter.TextRequests().size(), 2u);
  EXPECT_EQ(v->prompter.TextRequests()[0].title, "Update Data");
  EXPECT_EQ(v->prompter.TextRequests()[0].initial_text, "10");
  EXPECT_EQ(v->prompter.TextRequests()[0].max_length, 100);
  EXPECT_THAT(SetupView::Entries(v->optimal_combo), ElementsAre("150"));
  EXPECT_EQ(v->optimal_combo.GetCurSel(), 0);
}

TEST(ApplyOptimalSelection, ControlDataLengthOfNoWidth) {
  auto v = OpenTestMenu();
  util::StoreLe16(v->Control(kNumber1) + kControlDataLength, 3);
  ApplyOptimalSelection(v->editor, NodeOf(kNumber1), 20);
  EXPECT_THAT(v->Messages(), ElementsAre("Error: ControlDataLength value is not valid"));
  EXPECT_EQ(v->prompter.Messages()[0].request.icon, platform::MessageIcon::kError);
  EXPECT_EQ(v->Control(kNumber1)[65], 10);
  // A one-of of length 0 warns, and writes one byte as a one-of.
  util::StoreLe16(v->Control(kZero) + kControlDataLength, 0);
  ChangeNodeSetting(v->editor, kChangeOptimal, 1, 0, NodeOf(kZero));
  EXPECT_EQ(v->Messages().back(),
            "Warning: Invalid Control Data Length - Changes in optimal value may not reflect on "
            "flashing");
  EXPECT_EQ(v->prompter.Messages().back().request.icon, platform::MessageIcon::kNone);
  EXPECT_EQ(v->Control(kZero)[65], 1);
  EXPECT_EQ(v->VariableByte("Setup", 61), 1);
}

TEST(WriteStdDefault, UsesTheQuestionsVariableStoreOrSetup) {
  auto v = OpenTestMenu();
  const uint32_t node = NodeOf(kOther);
  ChangeNodeSetting(v->editor, kChangeOptimal, 1, 0, node);
  EXPECT_EQ(v->VariableByte("Custom", 2), 1);
  EXPECT_EQ(v->VariableByte("Setup", 2), 0);
  v->editor.setup.var_stores[1].var_store_id = 9;  // no store of that id: "Setup"
  ChangeNodeSetting(v->editor, kChangeOptimal, 0, 0, node);
  ChangeNodeSetting(v->editor, kChangeOptimal, 1, 0, node);
  EXPECT_EQ(v->VariableByte("Setup", 2), 1);
  // A VarOffset past the variable's 8 bytes writes nothing into what follows.
  util::StoreLe16(v->SetupData().data() + ItemOffset(v->tree.GetItemData(v->Item(node))) + 10, 60);
  v->editor.setup.var_stores[1].var_store_id = 2;
  const Bytes image = v->editor.workspace.m_working_image;
  ChangeNodeSetting(v->editor, kChangeOptimal, 0, 0, node);
  EXPECT_EQ(v->editor.workspace.m_working_image, image);
  EXPECT_EQ(v->Control(kOther)[65], 0);
  // Without the store the record still changes, and the box says so.
  v->editor.workspace.m_working_image.assign(64, 0xFF);
  ChangeNodeSetting(v->editor, kChangeOptimal, 0, 0, NodeOf(kBootMode));
  EXPECT_EQ(util::LoadLe16(v->Control(kBootMode) + 66), 0);
  EXPECT_THAT(v->Messages(),
              ElementsAre("Error: Unable to find desired module. Check the .ROM file"));
  EXPECT_EQ(v->tree.GetItemColor(v->Item(NodeOf(kBootMode))), kRed);
}

TEST(ShowNodeDetails, ListsAChangedItemText) {
  auto v = OpenTestMenu();
  const uint32_t node = NodeOf(kInfo);
  v->tree.SetItemText(v->Item(node), "Renamed");
  v->Select(node);
  EXPECT_THAT(v->Log(), ElementsAre("    String is changed to \"Renamed \" from \" Info \""));
  EXPECT_EQ(v->tree.GetItemColor(v->Item(node)), kRed);
  v->tree.SetItemText(v->Item(node), "Info");
  v->editor.setup.node_states[node].option_deleted = 1;  // a deleted option keeps it red
  v->Select(node);
  EXPECT_THAT(v->Log(), IsEmpty());
  EXPECT_EQ(v->tree.GetItemColor(v->Item(node)), kRed);
}

// The string ids of the ONE_OF_OPTIONs after the question of `node`, read from the bytes.
std::vector<uint16_t> OptionTextIds(SetupView& v, uint32_t node) {
  std::vector<uint16_t> ids;
  const std::span<const uint8_t> d = v.SetupData();
  uint64_t pos = ItemOffset(v.tree.GetItemData(v.Item(node)));
  for (pos += d[pos + 1] & 0x7F; d[pos] != kOpEnd; pos += d[pos + 1] & 0x7F) {
    if (d[pos] == kOpOneOfOption) ids.push_back(util::LoadLe16(d.data() + pos + 2));
  }
  return ids;
}

TEST(DeleteOption, PointsTheOptionPastTheDefaultsAtStringTwo) {
  auto v = OpenTestMenu();
  const uint32_t node = NodeOf(kMode);
  const std::vector<uint16_t> ids = OptionTextIds(*v, node);
  v->Select(node);
  EXPECT_THAT(SetupView::Entries(v->delete_combo), ElementsAre("Off", "Auto", "On", "Boost"));
  v->delete_combo.SetCurSel(2);
  DeleteSelectedOption(v->editor);  // Delete not enabled by a pick: nothing
  EXPECT_EQ(OptionTextIds(*v, node), ids);
  EnableOptionDelete(v->editor);
  EXPECT_TRUE(v->delete_button.IsEnabled());
  DeleteSelectedOption(v->editor);
  EXPECT_THAT(OptionTextIds(*v, node), ElementsAre(ids[0], ids[1], 2, ids[3]));
  EXPECT_TRUE(v->editor.workspace.m_setup_string_modified);
  const NodeState& state = v->editor.setup.node_states[node];
  EXPECT_EQ(state.option_deleted, 1);
  EXPECT_EQ(state.deleted_option_count, 1u);
  EXPECT_EQ(state.deleted_options[0], "On");
  EXPECT_THAT(v->Log(), ElementsAre("    BIOS Option \"On\" is deleted \""));
  EXPECT_THAT(SetupView::Entries(v->delete_combo), ElementsAre("Off", "Auto", "Reserved", "Boost"));
  EXPECT_FALSE(v->delete_button.IsEnabled());
  EXPECT_EQ(v->tree.GetItemColor(v->Item(node)), kRed);
  // By name, as an import does: the node is selected first.
  v->Select(NodeOf(kFastBoot));
  DeleteOption(v->editor, node, "Boost");
  EXPECT_EQ(v->tree.GetSelectedItem(), v->Item(node));
  EXPECT_THAT(OptionTextIds(*v, node), ElementsAre(ids[0], ids[1], 2, 2));
  EXPECT_EQ(state.deleted_options[1], "Boost");
  EXPECT_THAT(v->Messages(), IsEmpty());
}

TEST(DeleteOption, RefusalsChangeNothing) {
  struct Case {
    const char* name;
    std::function<void(SetupView&)> act;
    const char* message;
    platform::MessageIcon icon;
  };
  const Case cases[] = {
      {"unknown option name", [](SetupView& v) { DeleteOption(v.editor, NodeOf(kMode), "Turbo"); },
       "Invalid delete option \"Turbo\" for node \"Mode\"", platform::MessageIcon::kError},
      {"question without options",
       [](SetupView& v) { DeleteOption(v.editor, NodeOf(kNumber1), "0"); },
       "Invalid delete option \"0\" for node \"Number 1\"", platform::MessageIcon::kError},
      {"no node selected",
       [](SetupView& v) {
         v.tree.SelectItem(v.editor.setup.root_item);
         DeleteSelectedOption(v.editor);
       },
       "Invlaid node number", platform::MessageIcon::kNone},
      {"checkbox",
       [](SetupView& v) {
         v.Select(NodeOf(kFastBoot));
         v.delete_button.SetEnabled(true);
         DeleteSelectedOption(v.editor);
       },
       "Check Box option deletion is not allowed", platform::MessageIcon::kNone},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto v = OpenTestMenu();
    const Bytes before(v->SetupData().begin(), v->SetupData().end());
    c.act(*v);
    EXPECT_TRUE(std::equal(before.begin(), before.end(), v->SetupData().begin()));
    EXPECT_FALSE(v->editor.workspace.m_setup_string_modified);
    for (uint32_t n = 0; n < v->editor.setup.node_count; ++n) {
      EXPECT_EQ(v->editor.setup.node_states[n].option_deleted, 0);
    }
    EXPECT_THAT(v->Messages(), ElementsAre(c.message));
    EXPECT_EQ(v->prompter.Messages()[0].request.icon, c.icon);
  }
}

TEST(DeleteOption, NinthDeletionOnOneNodeIsRefused) {
  auto v = OpenTestMenu();
  const uint32_t node = NodeOf(kMany);
  for (int i = 1; i <= 8; ++i) DeleteOption(v->editor, node, "Choice " + std::to_string(i));
  const NodeState& state = v->editor.setup.node_states[node];
  ASSERT_EQ(state.deleted_option_count, 8u);
  EXPECT_EQ(state.deleted_options[7], "Choice 8");
  EXPECT_THAT(v->Messages(), IsEmpty());
  const std::vector<uint16_t> ids = OptionTextIds(*v, node);
  DeleteOption(v->editor, node, "Choice 9");
  EXPECT_EQ(state.deleted_option_count, 8u);
  EXPECT_EQ(OptionTextIds(*v, node), ids);
  EXPECT_NE(ids[8], 2);
  EXPECT_THAT(v->Messages(),
              ElementsAre("Error: No more than 8 options can be deleted from one node"));
}

}  // namespace
}  // namespace kalvire::setup::test
