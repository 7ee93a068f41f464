#include "tracklog/track_log.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>

#include "setup/ifr_layout.h"
#include "setup/node_edit.h"
#include "tracklog_fixture.h"

namespace kalvire::tracklog::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

std::string Hex(uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "%x", value);
  return text;
}

std::string Header(OpenedImage& image, uint32_t node) {
  return "Node No: " + Hex(node) + " String: " + image.ItemText(node);
}

TEST(BuildTrackLog, AnImageAsOpenedHasNoChanges) {
  auto image = OpenImage(DefaultHistoryImage());
  ASSERT_TRUE(image);
  image->editor().controls.track_log->AddString("    Visibility changed");
  BuildTrackLog(image->editor());
  EXPECT_THAT(image->TrackLog(), IsEmpty());
}

TEST(BuildTrackLog, ListsEveryChangedSettingOfANodeInOrder) {
  auto image = OpenImage(DefaultHistoryImage());
  ASSERT_TRUE(image);
  rom::Editor& ed = image->editor();
  std::vector<uint64_t> values;
  const uint32_t node = image->OneOfWithOptions(values);
  const setup::NodeState& state = ed.setup.node_states[node];
  ASSERT_EQ(state.baseline_visibility, 1);
  const uint64_t new_value = values[0] == state.baseline_value ? values[1] : values[0];
  const uint8_t new_level = state.baseline_access == 3 ? 1 : 3;

  setup::ApplyOptimalSelection(ed, node, uint32_t(new_value));
  setup::ChangeNodeSetting(ed, setup::kChangeAccessLevel, new_level, 0, node);
  setup::ChangeNodeSetting(ed, setup::kChangeVisibility, 0, 0, node);
  BuildTrackLog(ed);
  EXPECT_THAT(image->TrackLog(),
              ElementsAre(Header(*image, node), "    Visibility changed to Hide",
                          "    Access Level is changed from default option :" +
                              Hex(state.baseline_access) + " to option :" + Hex(new_level),
                          "    Optimal option is Changed from Default Option :" +
                              std::to_string(int32_t(state.baseline_value)) +
                              " to option :" + std::to_string(int32_t(new_value))));
  EXPECT_EQ(state.optimal_changed, 1u);

  // Setting everything back leaves nothing to list.
  setup::ApplyOptimalSelection(ed, node, uint32_t(state.baseline_value));
  setup::ChangeNodeSetting(ed, setup::kChangeAccessLevel, state.baseline_access, 0, node);
  setup::ChangeNodeSetting(ed, setup::kChangeVisibility, 1, 0, node);
  BuildTrackLog(ed);
  EXPECT_THAT(image->TrackLog(), IsEmpty());
}

TEST(BuildTrackLog, AValueChangeWithoutItsFlagGivesTheHeaderAlone) {
  auto image = OpenImage(DefaultHistoryImage());
  ASSERT_TRUE(image);
  rom::Editor& ed = image->editor();
  std::vector<uint64_t> values;
  const uint32_t node = image->OneOfWithOptions(values);
  setup::NodeState& state = ed.setup.node_states[node];
  setup::ApplyOptimalSelection(ed, node,
                               uint32_t(values[0] == state.baseline_value ? values[1] : values[0]));
  state.optimal_changed = 0;
  BuildTrackLog(ed);
  EXPECT_THAT(image->TrackLog(), ElementsAre(Header(*image, node)));
}

TEST(BuildTrackLog, TextChangesAndDeletedOptions) {
  auto image = OpenImage(DefaultHistoryImage());
  ASSERT_TRUE(image);
  rom::Editor& ed = image->editor();
  const uint32_t renamed = image->FindNode(setup::kOpText);
  const std::string old_text = image->ItemText(renamed);
  std::vector<uint64_t> values;
  const uint32_t pruned = image->OneOfWithOptions(values);
  ASSERT_LT(renamed, pruned) << "the lines below are in node order";

  {
    SCOPED_TRACE("a text changed and changed back");
    image->SetItemText(renamed, "Something else");
    image->SetItemText(renamed, old_text);
    BuildTrackLog(ed);
    EXPECT_THAT(image->TrackLog(), IsEmpty());
  }
  {
    SCOPED_TRACE("a changed text and a node whose only change is two deleted options");
    image->SetItemText(renamed, "Renamed \"item\"");
    setup::NodeState& state = ed.setup.node_states[pruned];
    state.option_deleted = 1;
    state.deleted_option_count = 2;
    state.deleted_options[0] = "Auto";
    state.deleted_options[1] = "Disabled";
    BuildTrackLog(ed);
    EXPECT_THAT(
        image->TrackLog(),
        ElementsAre("Node No: " + Hex(renamed) + " String: " + old_text,
                    "    BIOS String is changed to \"Renamed \"item\"\" from \"" + old_text + "\" ",
                    Header(*image, pruned), "    Option \"Auto\" is deleted",
                    "    Option \"Disabled\" is deleted"));
  }
  {
    SCOPED_TRACE("a deleted-option count past the name slots lists only the slots");
    image->SetItemText(renamed, old_text);
    ed.setup.node_states[pruned].deleted_option_count = 1000;
    BuildTrackLog(ed);
    EXPECT_EQ(image->TrackLog().size(), 1u + setup::kDeletedOptionSlots);
  }
}

TEST(BuildTrackLog, AnEmptyBaselineTextPrintsAsNullString) {
  auto image = OpenImage(DefaultHistoryImage());
  ASSERT_TRUE(image);
  rom::Editor& ed = image->editor();
  const uint32_t node = image->FindNode(setup::kOpText);
  ed.setup.node_states[node].baseline_text.fill(0);
  BuildTrackLog(ed);
  EXPECT_THAT(image->TrackLog(), ElementsAre("Node No: " + Hex(node) + " String: NULL STRING",
                                             "    BIOS String is changed to \"" +
                                                 image->ItemText(node) + "\" from \"\" "));
}

TEST(BuildTrackLog, TheLastNodeIsListedLikeEveryOther) {
  auto image = OpenImage(DefaultHistoryImage());
  ASSERT_TRUE(image);
  rom::Editor& ed = image->editor();
  const uint32_t last = ed.setup.node_count - 1;
  const std::string old_text = image->ItemText(last);
  image->SetItemText(last, "Last one");
  BuildTrackLog(ed);
  EXPECT_THAT(image->TrackLog(),
              ElementsAre("Node No: " + Hex(last) + " String: " + old_text,
                          "    BIOS String is changed to \"Last one\" from \"" + old_text + "\" "));
}

TEST(BuildTrackLog, EveryChangedDmiStringGetsItsOwnHeader) {
  auto image = OpenImage(DefaultHistoryImage());
  ASSERT_TRUE(image);
  rom::Editor& ed = image->editor();
  // Structure 1 is the System Information of the sample board.
  std::vector<std::string>& strings = ed.dmi.current[1].strings;
  ASSERT_GE(strings.size(), 3u);
  const std::string manufacturer = strings[0];
  const std::string version = strings[2];
  strings[0] = "Other Maker";
  strings[2] = "Rev 2.0";
  BuildTrackLog(ed);
  EXPECT_THAT(
      image->TrackLog(),
      ElementsAre("System Information (Type 1) Node: 1[0]",
                  "      DMI String is changed  to \"Other Maker\" from \" " + manufacturer + " \"",
                  "System Information (Type 1) Node: 1[2]",
                  "      DMI String is changed  to \"Rev 2.0\" from \" " + version + " \""));
  strings[0] = manufacturer;
  strings[2] = version;
  BuildTrackLog(ed);
  EXPECT_THAT(image->TrackLog(), IsEmpty());
}

TEST(FullTrackLog, ShowsItsWaitTextAndRestoresTheCaption) {
  auto image = OpenImage(DefaultHistoryImage());
  ASSERT_TRUE(image);
  const std::string caption = image->prompter().WindowTitle();
  ASSERT_EQ(caption, "KALVIRE - [board.rom]");
  image->editor().dmi.current[0].strings[0] = "Vendor";
  FullTrackLog(image->editor());
  EXPECT_EQ(image->TrackLog().size(), 2u);
  const auto& titles = image->prompter().Titles();
  ASSERT_GE(titles.size(), 2u);
  EXPECT_EQ(titles[titles.size() - 2],
            "KALVIRE - [board.rom] - [Please Wait While Loading Track log...]");
  EXPECT_EQ(titles.back(), caption);
}

}  // namespace
}  // namespace kalvire::tracklog::test
