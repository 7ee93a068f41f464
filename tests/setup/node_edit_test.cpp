#include "setup/node_edit.h"
#include "setup/commands.h"
#include "setup/ifr_layout.h"
#include "setup/option_delete.h"
#include "setup_view.h"

namespace kalvire::setup::test {
namespace {

constexpr uint32_t kBlack = platform::kColorBlack, kRed = platform::kColorRed;
std::string OptimalLine(int from, int to) {
  return "    Optimal option is Changed from Default Option :" + std::to_string(from) +
         " to option :" + std::to_string(to);
}

TEST(ChangeNodeSetting, VisibilityAndAccessLevel) {
  auto v = OpenTestMenu();
  const uint32_t node = NodeOf(kBootMode);
  v->Select(node);
  EXPECT_TRUE(v->hide().IsVisible() && v->show().IsChecked() && !v->hide().IsChecked());
  HideSelectedNode(v->editor);
  EXPECT_EQ(v->Flags(kBootMode), 0x10u);  // visible bit cleared, the others untouched
  EXPECT_EQ(v->Color(node), kRed);
  EXPECT_THAT(v->Log(), ElementsAre("    Visibility changed"));
  EXPECT_TRUE(v->editor.workspace.m_setup_form_modified);
  v->Select(node);  // re-selecting lists the difference with a full stop
  EXPECT_THAT(v->Log(), ElementsAre("    Visibility changed."));
  ShowSelectedNode(v->editor);
  EXPECT_EQ(v->Flags(kBootMode), 0x11u);
  EXPECT_EQ(v->Color(node), kBlack);
  const uint32_t vendor = NodeOf(kVendor);
  ChangeNodeSetting(v->editor, kChangeAccessLevel, 3, 0, vendor);
  EXPECT_EQ(v->Flags(kVendor), 0x07u);
  ChangeNodeSetting(v->editor, kChangeVisibility, 0, 0, vendor);
  ChangeNodeSetting(v->editor, kChangeVisibility, 1, 0, vendor);
  EXPECT_EQ(v->Color(vendor), kRed);  // access still changed
  ChangeNodeSetting(v->editor, kChangeAccessLevel, 0, 0, vendor);
  EXPECT_EQ(v->Color(vendor), kBlack);
  v->Select(vendor);
  EXPECT_THAT(v->Log(), IsEmpty());
  v->access().SetCurSel(2);  // the GUI's way in
  ChangeSelectedAccessLevel(v->editor);
  EXPECT_EQ(v->Flags(kVendor), 0x05u);
  EXPECT_THAT(v->Log(),
              ElementsAre("    Access Level is changed from default option :0 to option:2"));
}

TEST(ApplyOptimalSelection, OneOfsAndCheckboxesWriteRecordAndStdDefaults) {
  auto v = OpenTestMenu();
  const uint32_t node = NodeOf(kBootMode);
  ApplyOptimalSelection(v->editor, node, 2);
  EXPECT_EQ(util::LoadLe16(v->Control(kBootMode) + 66), 2);
  EXPECT_EQ(v->VariableByte("Setup", 4) + 256 * v->VariableByte("Setup", 5), 2);
  EXPECT_THAT(v->Log(), ElementsAre(OptimalLine(1, 2)));
  EXPECT_EQ(v->Color(node), kRed);
  v->Select(node);
  EXPECT_THAT(SetupView::Entries(v->optimal()), ElementsAre("Legacy", "UEFI", "Dual"));
  EXPECT_EQ(v->optimal().GetCurSel(), 2);
  v->optimal().SetCurSel(1);  // "UEFI" brings it back to the baseline
  ChangeSelectedOptimalOption(v->editor);
  EXPECT_EQ(util::LoadLe16(v->Control(kBootMode) + 66), 1);
  EXPECT_EQ(v->VariableByte("Setup", 4), 1);
  EXPECT_EQ(v->Color(node), kBlack);
  // A checkbox compares with its stored default.
  v->Select(NodeOf(kChecked));
  EXPECT_THAT(SetupView::Entries(v->optimal()), ElementsAre("Disabled", "Enabled"));
  EXPECT_EQ(v->optimal().GetCurSel(), 1);
  EXPECT_THAT(v->Log(), IsEmpty());
  v->optimal().SetCurSel(0);
  ChangeSelectedOptimalOption(v->editor);
  EXPECT_EQ(v->Control(kChecked)[65] + v->VariableByte("Setup", 62), 0);
  EXPECT_THAT(v->Log(), ElementsAre(OptimalLine(1, 0)));
  ApplyOptimalSelection(v->editor, NodeOf(kChecked), 1);  // enabled again is the default again
  EXPECT_EQ(v->Control(kChecked)[65], 1);
  EXPECT_THAT(v->Log(), IsEmpty());
}

TEST(ApplyOptimalSelection, NumericWritesEveryWidthAtItsPlaceAndNothingElse) {
  auto v = OpenTestMenu();
  const uint64_t places[4] = {65, 66, 68, 72};
  for (uint32_t i = 0; i < 4; ++i) {
    const uint32_t width = 1u << i, item = kNumber1 + i;
    SCOPED_TRACE(width);
    Bytes expected = v->editor.workspace.m_amitse_module.file;
    const size_t record =
        size_t(v->Control(item) - v->editor.workspace.m_amitse_module.file.data());
    ApplyOptimalSelection(v->editor, NodeOf(item), 200);
    for (uint32_t b = 0; b < width; ++b) expected[record + places[i] + b] = b == 0 ? 200 : 0;
    EXPECT_EQ(v->editor.workspace.m_amitse_module.file, expected);
    EXPECT_EQ(v->VariableByte("Setup", 16 + 8 * i), 200);
    EXPECT_EQ(v->VariableByte("Setup", 16 + 8 * i + width), 0);  // nothing past the width
    EXPECT_THAT(v->Log(), ElementsAre(OptimalLine(10, 200)));
  }
  ApplyOptimalSelection(v->editor, NodeOf(kNumber2), 5);  // both ends of the range are taken
  EXPECT_EQ(util::LoadLe16(v->Control(kNumber2) + 66), 5);
}

TEST(ApplyOptimalSelection, OneOfOfDataLengthZeroWarnsAndWritesOneByte) {
  auto v = OpenTestMenu();
  util::StoreLe16(v->Control(kZero) + kControlDataLength, 0);
  ChangeNodeSetting(v->editor, kChangeOptimal, 1, 0, NodeOf(kZero));
  EXPECT_THAT(v->Messages(), ElementsAre("Warning: Invalid Control Data Length - Changes in "
                                         "optimal value may not reflect on flashing"));
  EXPECT_EQ(v->prompter.Messages().at(0).request.icon, platform::MessageIcon::kNone);
  EXPECT_EQ(v->Control(kZero)[65] + v->VariableByte("Setup", 61), 2);
}

TEST(WriteStdDefault, UsesTheQuestionsVariableStoreOrSetup) {
  auto v = OpenTestMenu();
  const uint32_t node = NodeOf(kOther);
  ChangeNodeSetting(v->editor, kChangeOptimal, 1, 0, node);
  EXPECT_EQ(v->VariableByte("Custom", 2) - v->VariableByte("Setup", 2), 1);
  // A VarOffset past the variable's 8 bytes writes nothing into what follows.
  util::StoreLe16(v->SetupData().data() + v->Offset(node) + 10, 60);
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
}

// The string ids of the ONE_OF_OPTIONs after the question of `node`, read from the bytes.
std::vector<uint16_t> OptionTextIds(SetupView& v, uint32_t node) {
  std::vector<uint16_t> ids;
  const std::span<const uint8_t> d = v.SetupData();
  uint64_t pos = v.Offset(node);
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
  EXPECT_THAT(SetupView::Entries(v->deletes()), ElementsAre("Off", "Auto", "On", "Boost"));
  v->deletes().SetCurSel(2);
  DeleteSelectedOption(v->editor);  // Delete not enabled by a pick: nothing
  EXPECT_EQ(OptionTextIds(*v, node), ids);
  EnableOptionDelete(v->editor);
  DeleteSelectedOption(v->editor);
  EXPECT_THAT(OptionTextIds(*v, node), ElementsAre(ids[0], ids[1], 2, ids[3]));
  EXPECT_TRUE(v->editor.workspace.m_setup_string_modified);
  EXPECT_THAT(v->Log(), ElementsAre("    BIOS Option \"On\" is deleted \""));
  EXPECT_THAT(SetupView::Entries(v->deletes()), ElementsAre("Off", "Auto", "Reserved", "Boost"));
  // By name, as an import does: the node is selected first.
  v->Select(NodeOf(kFastBoot));
  DeleteOption(v->editor, node, "Boost");
  EXPECT_EQ(v->tree().GetSelectedItem(), v->Item(node));
  EXPECT_THAT(OptionTextIds(*v, node), ElementsAre(ids[0], ids[1], 2, 2));
  EXPECT_EQ(v->editor.setup.node_states[node].deleted_options[1], "Boost");
  // No more than eight deletions on one node.
  const uint32_t many = NodeOf(kMany);
  for (int i = 1; i <= 9; ++i) DeleteOption(v->editor, many, "Choice " + std::to_string(i));
  const std::vector<uint16_t> left = OptionTextIds(*v, many);
  EXPECT_EQ(std::count(left.begin(), left.end(), 2), 8);
  EXPECT_NE(left[8], 2);
  EXPECT_EQ(v->editor.setup.node_states[many].deleted_option_count, 8u);
  EXPECT_THAT(v->Messages(),
              ElementsAre("Error: No more than 8 options can be deleted from one node"));
}

}  // namespace
}  // namespace kalvire::setup::test
