#include "tracklog/import_settings.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <limits>
#include <optional>
#include <sstream>

#include "setup/baseline.h"
#include "setup/ifr_layout.h"
#include "setup/node_edit.h"
#include "setup/node_lookup.h"
#include "setup/option_delete.h"
#include "setup/string_edit.h"
#include "support/test_data.h"
#include "tracklog/import_parse.h"
#include "tracklog/track_log.h"
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

TEST(StringToLong, ReadsAsStrtolWithA32BitLong) {
  struct Case {
    const char* text;
    int base;
    int32_t expected;
  };
  constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
  constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
  const Case cases[] = {
      {"1f String: x", 16, 0x1F},
      {" \t 2A", 16, 0x2A},
      {"0x1F", 16, 0x1F},
      {"0X1f", 16, 0x1F},
      {"0xg", 16, 0},
      {"-5", 16, -5},
      {"+7", 10, 7},
      {"12abc", 10, 12},
      {"abc", 10, 0},
      {"", 16, 0},
      {"-", 10, 0},
      {"7fffffff", 16, kMax},
      {"80000000", 16, kMax},
      {"99999999999", 10, kMax},
      {"-2147483648", 10, kMin},
      {"-99999999999", 10, kMin},
      {"\n\v\f\r9", 10, 9},
      {" - 3", 10, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(StringToLong(c.text, c.base), c.expected);
  }
}

TEST(MatchLineKeyword, TheFirstKeywordInTableOrderDecides) {
  struct Case {
    const char* line;
    std::optional<LineKind> kind;
    const char* value;
  };
  const Case cases[] = {
      {"Node No: 1a String: Boot", LineKind::kNodeHeader, "1a String: Boot"},
      {"    Visibility changed to Hide", LineKind::kVisibility, "Hide"},
      {"    Access Level is changed from default option :0 to option :3", LineKind::kAccessLevel,
       "Access Level is changed from default option :0 to option :3"},
      {"    Optimal option is Changed from Default Option :1 to option :0", LineKind::kOptimal,
       "Optimal option is Changed from Default Option :1 to option :0"},
      // A new text that holds a keyword of an earlier kind makes the line that kind.
      {"    BIOS String is changed to \"Optimal\" from \"Old\" ", LineKind::kOptimal,
       "Optimal\" from \"Old\" "},
      {"    BIOS String is changed to \"New\" from \"Old\" ", LineKind::kNodeText,
       "New\" from \"Old\" "},
      {"    Option \"Auto\" is deleted", LineKind::kDeletedOption, "Auto\" is deleted"},
      {"System Information (Type 1) Node: 1[2]", LineKind::kDmiHeader, "Node: 1[2]"},
      {"      DMI String is changed  to \"X\" from \" Y \"", LineKind::kDmiString,
       "X\" from \" Y \""},
      {"Visibility", LineKind::kVisibility, ""},
      {"====KALVIRE=====", std::nullopt, ""},
      {"=====Monday, March 04, 2024====", std::nullopt, ""},
      {"", std::nullopt, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    const auto match = MatchLineKeyword(c.line);
    ASSERT_EQ(match.has_value(), c.kind.has_value());
    if (!match) continue;
    EXPECT_EQ(match->keyword->kind, *c.kind);
    EXPECT_EQ(match->value, c.value);
  }
}

class ImportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    image = OpenImage(DefaultHistoryImage());
    ASSERT_TRUE(image);
  }
  rom::Editor& ed() { return image->editor(); }
  void Import(const std::string& text) {
    std::istringstream log(text);
    ImportSettingsFrom(ed(), log);
  }
  setup::ControlState State(uint32_t node) {
    setup::ControlState state;
    setup::ReadControlState(ed(), ed().setup.node_items[node], state);
    return state;
  }
  std::string NodeHeader(uint32_t node) {
    return "Node No: " + Hex(node) + " String: " + image->ItemText(node) + "\n";
  }

  std::unique_ptr<OpenedImage> image;
};

TEST_F(ImportTest, AFullTrackLogAppliesToAnotherOpenOfTheImage) {
  std::vector<uint64_t> values;
  const uint32_t one_of = image->OneOfWithOptions(values);
  const uint32_t checkbox = image->FindNode(setup::kOpCheckbox);
  const uint64_t new_value =
      values[0] == ed().setup.node_states[one_of].baseline_value ? values[1] : values[0];
  setup::ApplyOptimalSelection(ed(), one_of, uint32_t(new_value));
  setup::ChangeNodeSetting(ed(), setup::kChangeAccessLevel, 2, 0, one_of);
  setup::ChangeNodeSetting(ed(), setup::kChangeVisibility, 0, 0, checkbox);
  ed().dmi.current[2].strings[1] = "KV-B460M Pro";
  BuildTrackLog(ed());
  const std::vector<std::string> log = image->TrackLog();
  ASSERT_EQ(log.size(), 7u);
  std::string text;
  for (const std::string& line : log) text += line + "\n";

  auto other = OpenImage(DefaultHistoryImage());
  ASSERT_TRUE(other);
  std::istringstream stream(text);
  ImportSettingsFrom(other->editor(), stream);
  EXPECT_THAT(other->MessageTexts(), IsEmpty());
  EXPECT_TRUE(other->editor().workspace.m_setup_form_modified);
  EXPECT_TRUE(other->editor().workspace.m_dmi_modified);
  EXPECT_THAT(other->TrackLog(),
              ElementsAre("DMI string is changed to \"KV-B460M Pro\" to \"KV-B460M\""));
  EXPECT_EQ(other->editor().workspace.m_amitse_module.file, ed().workspace.m_amitse_module.file);
  BuildTrackLog(other->editor());
  EXPECT_EQ(other->TrackLog(), log);

  {
    SCOPED_TRACE("imported into the image it was built from: no question, no DMI change");
    ed().workspace.m_dmi_modified = false;
    Import(text);
    EXPECT_THAT(image->MessageTexts(), IsEmpty());
    EXPECT_FALSE(ed().workspace.m_dmi_modified);
    BuildTrackLog(ed());
    EXPECT_EQ(image->TrackLog(), log);
  }
}

TEST_F(ImportTest, AnOptimalLineAppliesTheValueBehindTheSecondColon) {
  std::vector<uint64_t> values;
  const uint32_t node = image->OneOfWithOptions(values);
  const uint64_t baseline = ed().setup.node_states[node].baseline_value;
  const uint64_t wanted = values[0] == baseline ? values[1] : values[0];
  Import(NodeHeader(node) +
         "    Optimal option is Changed from Default Option :" + std::to_string(int32_t(baseline)) +
         " to option :" + std::to_string(int32_t(wanted)) + "\r\n");
  EXPECT_EQ(State(node).value, wanted);
  EXPECT_EQ(ed().setup.node_states[node].optimal_changed, 1u);
}

TEST_F(ImportTest, ChangeLinesNeedANodeHeaderAbove) {
  const uint32_t node = image->FindNode(setup::kOpCheckbox);
  const std::vector<uint8_t> before = ed().workspace.m_amitse_module.file;
  Import(
      "====KALVIRE=====\n=====Monday, March 04, 2024====\n"
      "    Visibility changed to Hide\n"
      "    Access Level is changed from default option :0 to option :3\n"
      "Node No: " +
      Hex(node) +
      "\n"  // no "String: ": no current node
      "    Visibility changed to Hide\n");
  EXPECT_EQ(ed().workspace.m_amitse_module.file, before);
  EXPECT_FALSE(ed().workspace.m_setup_form_modified);
  EXPECT_THAT(image->MessageTexts(), IsEmpty());
}

TEST_F(ImportTest, ANodeTextMismatchAsksBeforeApplying) {
  const uint32_t node = image->FindNode(setup::kOpCheckbox);
  const std::string current = image->ItemText(node);
  const std::string lines = "Node No: " + Hex(node) +
                            " String: Other board's text\n"
                            "    Visibility changed to Hide\n"
                            "    Access Level is changed from default option :0 to option :3\n";
  const std::string question = "String ID of current ROM \"" + current +
                               "\" does not match with imported String ID \"Other board's "
                               "text\".This may result in undefined behaviour. Do you still want "
                               "to apply changes?";
  {
    SCOPED_TRACE("No");
    image->prompter().QueueAnswer(false);
    Import(lines);
    ASSERT_EQ(image->prompter().Messages().size(), 1u);
    const auto& request = image->prompter().Messages()[0].request;
    EXPECT_EQ(request.text, question);
    EXPECT_EQ(request.caption, "Confirm Modify Settings");
    EXPECT_EQ(request.icon, platform::MessageIcon::kQuestion);
    EXPECT_EQ(request.buttons, platform::MessageButtons::kYesNo);
    EXPECT_EQ(request.default_button, platform::MessageAnswer::kNo);  // Enter answers No
    EXPECT_EQ(State(node).visible, 1);
  }
  {
    SCOPED_TRACE("Yes");
    image->prompter().QueueAnswer(true);
    Import(lines);
    EXPECT_EQ(State(node).visible, 0);
    EXPECT_EQ(State(node).access_level, 3);
  }
}

TEST_F(ImportTest, NullStringMatchesAnEmptyBaselineText) {
  const uint32_t node = image->FindNode(setup::kOpCheckbox);
  ed().setup.node_states[node].baseline_text.fill(0);
  Import("Node No: " + Hex(node) + " String: NULL STRING\n    Visibility changed to Hide\n");
  EXPECT_THAT(image->MessageTexts(), IsEmpty());
  EXPECT_EQ(State(node).visible, 0);
}

TEST_F(ImportTest, DmiStringLinesApplyOnlyUnderADmiHeader) {
  std::vector<std::string>& strings = ed().dmi.current[1].strings;
  const std::string product = strings[1];
  {
    SCOPED_TRACE("feedback lines of the DMI dialog have no header");
    Import(" DMI String is changed to \" Other \" from \" " + product + " \"\n");
    EXPECT_EQ(strings[1], product);
    EXPECT_FALSE(ed().workspace.m_dmi_modified);
  }
  {
    SCOPED_TRACE("two string lines under one header both apply to its string");
    Import(
        "System Information (Type 1) Node: 1[1]\n"
        "      DMI String is changed  to \"First\" from \" x \"\n"
        "      DMI String is changed  to \"Second\" from \" x \"\n");
    EXPECT_EQ(strings[1], "Second");
    EXPECT_THAT(image->TrackLog(), ElementsAre("DMI string is changed to \"Second\" to \"First\""));
    EXPECT_TRUE(ed().workspace.m_dmi_modified);
  }
  {
    SCOPED_TRACE("an empty new text is stored as one space");
    Import(
        "System Information (Type 1) Node: 1[1]\n"
        "      DMI String is changed  to \"\" from \" x \"\n");
    EXPECT_EQ(strings[1], " ");
  }
}

TEST_F(ImportTest, ADmiTypeMismatchAsksBeforeApplying) {
  std::vector<std::string>& strings = ed().dmi.current[1].strings;
  const std::string manufacturer = strings[0];
  const std::string lines =
      "OEM Strings (Type 11) Node: 1[0]\n"
      "      DMI String is changed  to \"Changed\" from \" x \"\n";
  image->prompter().QueueAnswer(false);
  Import(lines);
  EXPECT_EQ(strings[0], manufacturer);
  EXPECT_THAT(image->MessageTexts(),
              ElementsAre("DMI String Type of current ROM \"System Information (Type 1)\" does not "
                          "match with imported DMI String Type \"OEM Strings (Type 11)\".This may "
                          "result in undefined behaviour. Do you still want to apply changes?"));
  image->prompter().QueueAnswer(true);
  Import(lines);
  EXPECT_EQ(strings[0], "Changed");
}

TEST_F(ImportTest, NumbersTheImageDoesNotHaveSkipTheirLinesAndAreListed) {
  const uint32_t node_count = ed().setup.node_count;
  const uint32_t structures = ed().dmi.structure_count;
  const uint32_t checkbox = image->FindNode(setup::kOpCheckbox);
  const std::vector<std::string> dmi_before = ed().dmi.current[1].strings;
  Import("Node No: " + Hex(node_count) + " String: x\n" +                    // line 1
         "    Visibility changed to Hide\n" +                                // 2, no current node
         "Node No: -1 String: x\n" +                                         // 3
         "System Information (Type 1) Node: " + Hex(structures) + "[0]\n" +  // 4
         "      DMI String is changed  to \"a\" from \" b \"\n" +            // 5, no current string
         "System Information (Type 1) Node: 1[" + Hex(uint32_t(dmi_before.size())) + "]\n" +
         "      DMI String is changed  to \"a\" from \" b \"\n" +     // 7
         "System Information (Type 1) Node: 1\n" +                    // 8, no string index
         NodeHeader(checkbox) + "    Visibility changed to Hide\n");  // 9, 10: applied
  EXPECT_EQ(State(checkbox).visible, 0);
  EXPECT_EQ(ed().dmi.current[1].strings, dmi_before);
  EXPECT_THAT(image->MessageTexts(), IsEmpty());
  const std::vector<std::string> log = image->TrackLog();
  ASSERT_GE(log.size(), 5u);
  const std::vector<std::string> listed(log.end() - 5, log.end());
  EXPECT_THAT(
      listed,
      ElementsAre("    Import: line 1 skipped, node " + Hex(node_count) +
                      " is not in the node table (" + std::to_string(node_count) + " nodes)",
                  "    Import: line 3 skipped, node ffffffff is not in the node table (" +
                      std::to_string(node_count) + " nodes)",
                  "    Import: line 4 skipped, DMI structure " + Hex(structures) +
                      " is not in the DMI table (" + std::to_string(structures) + " structures)",
                  "    Import: line 7 skipped, DMI structure 1 has no string " +
                      Hex(uint32_t(dmi_before.size())) + " (" + std::to_string(dmi_before.size()) +
                      " strings)",
                  "    Import: line 8 skipped, the DMI header has no string index"));
}

}  // namespace
}  // namespace kalvire::tracklog::test

namespace kalvire::tracklog::test {
namespace {

TEST(ImportSetupStrings, NodeTextAndDeletedOptionLinesRepeatTheEdits) {
  auto image = OpenImage(DefaultHistoryImage());
  ASSERT_TRUE(image);
  rom::Editor& ed = image->editor();
  std::vector<uint64_t> values;
  const uint32_t one_of = image->OneOfWithOptions(values);
  const uint32_t text_node = image->FindNode(setup::kOpText);
  ed.controls.setup_tree->SelectItem(ed.setup.node_items[one_of]);
  const platform::ComboControl& options = *ed.controls.delete_option_combo;
  ASSERT_GE(options.GetCount(), 2);
  const std::string option = options.GetText(1);

  setup::DeleteOption(ed, one_of, option);
  setup::EditSetupString(ed, text_node, "Renamed by the log");
  BuildTrackLog(ed);
  const std::vector<std::string> log = image->TrackLog();
  EXPECT_THAT(log, ::testing::Contains("    Option \"" + option + "\" is deleted"));
  EXPECT_THAT(log, ::testing::Contains(::testing::StartsWith(
                       "    BIOS String is changed to \"Renamed by the log\" from \"")));
  std::string text;
  for (const std::string& line : log) text += line + "\n";

  auto other = OpenImage(DefaultHistoryImage());
  ASSERT_TRUE(other);
  std::istringstream stream(text);
  ImportSettingsFrom(other->editor(), stream);
  EXPECT_THAT(other->MessageTexts(), IsEmpty());
  EXPECT_TRUE(other->editor().workspace.m_setup_string_modified);
  EXPECT_EQ(other->editor().workspace.m_setup_module.file, ed.workspace.m_setup_module.file);
  BuildTrackLog(other->editor());
  EXPECT_EQ(other->TrackLog(), log);
}

}  // namespace
}  // namespace kalvire::tracklog::test

namespace kalvire::tracklog::test {
namespace {

// A value of `node`'s question other than its optimal default that an import can choose: the
// other state of a CHECKBOX, another option of a ONE_OF, a neighbour inside a NUMERIC's range.
std::optional<uint64_t> OtherValue(OpenedImage& image, uint32_t node) {
  rom::Editor& ed = image.editor();
  const platform::TreeItem item = ed.setup.node_items[node];
  setup::ControlState state;
  if (setup::ReadControlState(ed, item, state) != 1 || ed.setup.current_value_width < 0) {
    return std::nullopt;
  }
  const int32_t width = ed.setup.current_value_width;
  const auto data = ed.workspace.m_setup_module.Data();
  const uint32_t offset = setup::ItemOffset(ed.controls.setup_tree->GetItemData(item));
  switch (data[offset]) {
    case setup::kOpCheckbox:
      return state.value == 0 ? 1 : 0;
    case setup::kOpOneOf:
      for (const uint64_t option : setup::OneOfOptionOffsets(data, offset)) {
        const auto value = setup::ReadValue(data, option + setup::kIfrOptionValue, width);
        if (value && *value != state.value) return value;
      }
      return std::nullopt;
    case setup::kOpNumeric: {
      const auto low = setup::ReadValue(data, offset + setup::kIfrNumericRange, width);
      const auto high = setup::ReadValue(data, offset + setup::kIfrNumericRange + width, width);
      if (!low || !high || *low == *high) return std::nullopt;
      return state.value < *high ? state.value + 1 : state.value - 1;
    }
    default:
      return std::nullopt;
  }
}

// For every question kind that has an optimal default: its change in an image opened from
// `bytes` is listed by the track log, and importing that log into another open of the same
// bytes makes the same AmiTse data and StdDefaults.
void ExpectOptimalChangesRepeated(const Bytes& bytes) {
  for (const uint8_t opcode : {setup::kOpCheckbox, setup::kOpOneOf, setup::kOpNumeric}) {
    SCOPED_TRACE("opcode " + Hex(opcode));
    auto image = OpenImage(bytes);
    ASSERT_TRUE(image);
    rom::Editor& ed = image->editor();
    std::optional<uint64_t> wanted;
    const uint32_t node = image->FindNode(opcode, [&](uint32_t n) {
      wanted = OtherValue(*image, n);
      return wanted.has_value() && !image->ItemText(n).empty();
    });
    ASSERT_TRUE(wanted);
    const uint64_t baseline = ed.setup.node_states[node].baseline_value;
    ASSERT_NE(*wanted, baseline);

    setup::ApplyOptimalSelection(ed, node, uint32_t(*wanted));
    BuildTrackLog(ed);
    const std::vector<std::string> log = image->TrackLog();
    EXPECT_THAT(log, ElementsAre("Node No: " + Hex(node) + " String: " + image->ItemText(node),
                                 OptimalLine(baseline, *wanted)));
    std::string text;
    for (const std::string& line : log) text += line + "\n";

    auto other = OpenImage(bytes);
    ASSERT_TRUE(other);
    std::istringstream stream(text);
    ImportSettingsFrom(other->editor(), stream);
    EXPECT_THAT(other->MessageTexts(), IsEmpty());
    EXPECT_TRUE(other->editor().workspace.m_setup_form_modified);
    EXPECT_TRUE(other->editor().workspace.m_amitse_module.file ==
                ed.workspace.m_amitse_module.file);
    EXPECT_TRUE(other->editor().workspace.m_working_image == ed.workspace.m_working_image);
    BuildTrackLog(other->editor());
    EXPECT_EQ(other->TrackLog(), log);
  }
}

TEST(ImportOptimalDefaults, EveryQuestionKindIsListedAndRepeated) {
  ExpectOptimalChangesRepeated(DefaultHistoryImage());
}

TEST(ImportOptimalDefaults, EveryQuestionKindIsListedAndRepeatedInVendorImages) {
  const auto dir = kalvire::test::SharedImagesDir();
  if (!dir) GTEST_SKIP() << "no shared images folder beside the repository";
  for (const char* name : {"h61-bios-region.bin", "p7xxdm-full-flash.rom"}) {
    SCOPED_TRACE(name);
    ExpectOptimalChangesRepeated(kalvire::test::ReadFileOrFail(*dir / name));
  }
}

}  // namespace
}  // namespace kalvire::tracklog::test
