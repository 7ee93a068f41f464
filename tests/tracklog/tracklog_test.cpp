// The track log: its lines, the .log file, the import of one, and the history files a save
// appends behind the NVRAM store file.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "dmi/dmi_parse.h"
#include "editor/headless_view.h"
#include "editor/open_image.h"
#include "rom/ffs_file.h"
#include "rom/firmware_walk.h"
#include "setup/baseline.h"
#include "setup/commands.h"
#include "setup/ifr_layout.h"
#include "setup/node_edit.h"
#include "setup/node_lookup.h"
#include "setup/option_delete.h"
#include "setup/parse_forms.h"
#include "setup/string_edit.h"
#include "support/shown_texts.h"
#include "support/test_data.h"
#include "tools/modules_image.h"
#include "tracklog/history.h"
#include "tracklog/import_parse.h"
#include "tracklog/import_settings.h"
#include "tracklog/track_log.h"
#include "tracklog/track_log_file.h"

namespace kalvire::tracklog {
namespace {

using Bytes = std::vector<uint8_t>;
using test::ReadTextFile;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

constexpr std::time_t kMonday = 1709553600;  // Monday, 4 March 2024, 12:00 UTC
constexpr char kNoRoom[] = "Error: Unable to log history. space left is too small!!!";

const Bytes& Plain() {
  static const Bytes image = tools::BuildModulesImage();
  return image;
}

std::string Hex(uint64_t value) {
  std::ostringstream text;
  text << std::hex << value;
  return text.str();
}

// An opened image with what Open leaves to the setup and DMI models completed.
struct Image {
  explicit Image(const Bytes& bytes, const std::string& name = "board.rom") {
    if (editor::OpenRomImageBytes(ed, bytes, name) != 1) ADD_FAILURE() << "the image does not open";
    if (ed.setup.node_count == 0) {
      EXPECT_EQ(
          setup::ParseSetupForms(ed, ed.workspace.m_setup_module.Data(), *ed.controls.setup_tree),
          1);
      EXPECT_EQ(setup::CaptureBaseline(ed), 1);
    }
    if (ed.dmi.structure_count == 0) {
      EXPECT_EQ(dmi::ParseDmiTable(ed), 1);
    }
    setup::ConnectSetupTree(ed);
  }
  std::vector<std::string> Log() { return test::EntryTexts(*ed.controls.track_log); }
  std::string LogText() {
    std::string text;
    for (const std::string& line : Log()) text += line + "\n";
    return text;
  }
  std::vector<std::string> Messages() { return test::MessageTexts(view.prompter); }
  std::string Text(uint32_t node) {
    return ed.controls.setup_tree->GetItemText(ed.setup.node_items[node]);
  }
  void SetText(uint32_t node, const std::string& text) {
    ed.controls.setup_tree->SetItemText(ed.setup.node_items[node], text);
  }
  std::string Header(uint32_t node) { return "Node No: " + Hex(node) + " String: " + Text(node); }
  setup::ControlState State(uint32_t node) {
    setup::ControlState state;
    setup::ReadControlState(ed, ed.setup.node_items[node], state);
    return state;
  }
  void Import(const std::string& text) {
    std::istringstream log(text);
    ImportSettingsFrom(ed, log);
  }
  void Hide(uint32_t node) { setup::ChangeNodeSetting(ed, setup::kChangeVisibility, 0, 0, node); }
  // A value of `node`'s question other than its current one: the other state of a CHECKBOX,
  // another option of a ONE_OF, a neighbour inside a NUMERIC's range.
  std::optional<uint64_t> OtherValue(uint32_t node) {
    const setup::ControlState state = State(node);
    const int32_t width = ed.setup.current_value_width;
    if (width < 0 || Text(node).empty()) return std::nullopt;
    const auto data = ed.workspace.m_setup_module.Data();
    const uint32_t offset =
        setup::ItemOffset(ed.controls.setup_tree->GetItemData(ed.setup.node_items[node]));
    if (data[offset] == setup::kOpCheckbox) return state.value == 0 ? 1 : 0;
    if (data[offset] == setup::kOpOneOf) {
      for (const uint64_t option : setup::OneOfOptionOffsets(data, offset)) {
        const auto value = setup::ReadValue(data, option + setup::kIfrOptionValue, width);
        if (value && *value != state.value) return value;
      }
    } else if (data[offset] == setup::kOpNumeric) {
      const auto low = setup::ReadValue(data, offset + setup::kIfrNumericRange, width);
      const auto high = setup::ReadValue(data, offset + setup::kIfrNumericRange + width, width);
      if (low && high && *low != *high)
        return state.value < *high ? state.value + 1 : state.value - 1;
    }
    return std::nullopt;
  }
  // The first node of `opcode` for which `accept` holds.
  uint32_t Find(uint8_t opcode, const std::function<bool(uint32_t)>& accept = {}) {
    for (uint32_t node = 0; node < ed.setup.node_count; ++node) {
      const uint32_t data = ed.controls.setup_tree->GetItemData(ed.setup.node_items[node]);
      if (setup::ItemOpcode(data) == opcode && (!accept || accept(node))) return node;
    }
    ADD_FAILURE() << "no node of opcode " << int(opcode);
    return 0;
  }
  uint32_t Question(uint8_t opcode) {
    return Find(opcode, [&](uint32_t n) { return OtherValue(n).has_value(); });
  }
  editor::HeadlessEditor view;
  editor::Editor& ed = *view.editor;
};

TEST(TrackLogLines, EveryFormatAsItIsWritten) {
  const std::pair<std::string, const char*> lines[] = {
      {NodeHeaderLine(0x1a, "Boot"), "Node No: 1a String: Boot"},
      {NodeHeaderLine(0xffffffff, ""), "Node No: ffffffff String: NULL STRING"},
      {AccessLine(0, 0xB), "    Access Level is changed from default option :0 to option :B"},
      {OptimalLine(1, 0xFFFFFFFF),
       "    Optimal option is Changed from Default Option :1 to option :-1"},
      {OptimalLine(0x100000000, 0x7FFFFFFF),
       "    Optimal option is Changed from Default Option :0 to option :2147483647"},
      {NodeTextLine("New \"x\"", ""), "    BIOS String is changed to \"New \"x\"\" from \"\" "},
      {DeletedOptionLine("Auto"), "    Option \"Auto\" is deleted"},
      {DmiHeaderLine("System Information (Type 1)", 0x1f, 2),
       "System Information (Type 1) Node: 1f[2]"},
      {DmiStringLine("X", "Y"), "      DMI String is changed  to \"X\" from \" Y \""},
  };
  for (const auto& [line, expected] : lines) EXPECT_EQ(line, expected);
}

TEST(BuildTrackLog, ListsEveryChangedSettingOfANodeInOrderAndNothingOnceSetBack) {
  Image image(Plain());
  editor::Editor& ed = image.ed;
  ed.controls.track_log->AddString("    Visibility changed");
  BuildTrackLog(ed);
  EXPECT_THAT(image.Log(), IsEmpty()) << "an image as opened has no changes";
  const uint32_t node = image.Question(setup::kOpOneOf);
  const setup::NodeState& state = ed.setup.node_states[node];
  const uint64_t value = *image.OtherValue(node);
  const uint8_t level = state.baseline_access == 3 ? 1 : 3;
  setup::ApplyOptimalSelection(ed, node, uint32_t(value));
  setup::ChangeNodeSetting(ed, setup::kChangeAccessLevel, level, 0, node);
  image.Hide(node);
  BuildTrackLog(ed);
  EXPECT_THAT(image.Log(), ElementsAre(image.Header(node), "    Visibility changed to Hide",
                                       AccessLine(state.baseline_access, level),
                                       OptimalLine(state.baseline_value, value)));
  EXPECT_EQ(state.optimal_changed, 1u);
  ed.setup.node_states[node].optimal_changed = 0;  // a value change without its flag
  BuildTrackLog(ed);
  EXPECT_EQ(image.Log().size(), 3u);
  setup::ApplyOptimalSelection(ed, node, uint32_t(state.baseline_value));
  setup::ChangeNodeSetting(ed, setup::kChangeAccessLevel, state.baseline_access, 0, node);
  setup::ChangeNodeSetting(ed, setup::kChangeVisibility, 1, 0, node);
  BuildTrackLog(ed);
  EXPECT_THAT(image.Log(), IsEmpty());
}

TEST(BuildTrackLog, TextsDeletedOptionsTheLastNodeAndDmiStrings) {
  Image image(Plain());
  editor::Editor& ed = image.ed;
  const uint32_t renamed = image.Find(setup::kOpText);
  const std::string old_text = image.Text(renamed);
  const uint32_t pruned = image.Question(setup::kOpOneOf);
  const uint32_t last = ed.setup.node_count - 1;
  const std::string last_text = image.Text(last);
  ASSERT_LT(renamed, pruned);
  image.SetText(renamed, "Something else");
  image.SetText(renamed, old_text);
  image.SetText(last, "Last one");
  setup::NodeState& state = ed.setup.node_states[pruned];
  state.option_deleted = 1;
  state.deleted_option_count = 2;
  state.deleted_options[0] = "Auto";
  state.deleted_options[1] = "Disabled";
  std::vector<std::string>& strings = ed.dmi.current[1].strings;
  const std::string maker = strings[0], version = strings[2];
  strings[0] = "Other Maker";
  strings[2] = "Rev 2.0";
  BuildTrackLog(ed);
  EXPECT_THAT(
      image.Log(),
      ElementsAre(image.Header(pruned), "    Option \"Auto\" is deleted",
                  "    Option \"Disabled\" is deleted",
                  "Node No: " + Hex(last) + " String: " + last_text,
                  "    BIOS String is changed to \"Last one\" from \"" + last_text + "\" ",
                  "System Information (Type 1) Node: 1[0]",
                  "      DMI String is changed  to \"Other Maker\" from \" " + maker + " \"",
                  "System Information (Type 1) Node: 1[2]",
                  "      DMI String is changed  to \"Rev 2.0\" from \" " + version + " \""));
  // A deleted-option count past the name slots lists only the slots; an empty baseline text.
  image.SetText(last, last_text);
  strings[0] = maker;
  strings[2] = version;
  state.deleted_option_count = 1000;
  ed.setup.node_states[renamed].baseline_text.fill(0);
  BuildTrackLog(ed);
  const std::vector<std::string> log = image.Log();
  ASSERT_EQ(log.size(), 2 + 1u + setup::kDeletedOptionSlots);
  EXPECT_EQ(log[0], "Node No: " + Hex(renamed) + " String: NULL STRING");
  EXPECT_EQ(log[1], "    BIOS String is changed to \"" + old_text + "\" from \"\" ");
}

TEST(FullTrackLog, ShowsItsWaitTextAndRestoresTheCaption) {
  Image image(Plain());
  ASSERT_EQ(image.view.prompter.WindowTitle(), "KALVIRE - [board.rom]");
  image.ed.dmi.current[0].strings[0] = "Vendor";
  FullTrackLog(image.ed);
  EXPECT_EQ(image.Log().size(), 2u);
  const auto& titles = image.view.prompter.Titles();
  ASSERT_GE(titles.size(), 2u);
  EXPECT_EQ(titles[titles.size() - 2],
            "KALVIRE - [board.rom] - [Please Wait While Loading Track log...]");
  EXPECT_EQ(titles.back(), "KALVIRE - [board.rom]");
}

TEST(ImportParse, StringToLongReadsAsStrtolWithA32BitLong) {
  const struct {
    const char* text;
    int base;
    int32_t expected;
  } cases[] = {{"1f String: x", 16, 0x1F},
               {" \t 2A", 16, 0x2A},
               {"0x1F", 16, 0x1F},
               {"0X1f", 16, 0x1F},
               {"zZ", 36, 35 * 36 + 35},
               {"0xg", 16, 0},
               {"-5", 16, -5},
               {"+7", 10, 7},
               {"12abc", 10, 12},
               {"abc", 10, 0},
               {"", 16, 0},
               {"-", 10, 0},
               {"7fffffff", 16, INT32_MAX},
               {"80000000", 16, INT32_MAX},
               {"99999999999", 10, INT32_MAX},
               {"-2147483648", 10, INT32_MIN},
               {"-99999999999", 10, INT32_MIN},
               {"\n\v\f\r9", 10, 9},
               {" - 3", 10, 0}};
  for (const auto& c : cases) EXPECT_EQ(StringToLong(c.text, c.base), c.expected) << c.text;
}

TEST(ImportParse, TheFirstKeywordInTableOrderDecidesTheLineKind) {
  const struct {
    const char* line;
    std::optional<LineKind> kind;
    const char* value;
  } cases[] = {
      {"Node No: 1a String: Boot", LineKind::kNodeHeader, "1a String: Boot"},
      {"    Visibility changed to Hide", LineKind::kVisibility, "Hide"},
      {"    Access Level is changed from default option :0 to option :3", LineKind::kAccessLevel,
       "Access Level is changed from default option :0 to option :3"},
      {"    Optimal option is Changed", LineKind::kOptimal, "Optimal option is Changed"},
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
      {"", std::nullopt, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    const auto match = MatchLineKeyword(c.line);
    ASSERT_EQ(match.has_value(), c.kind.has_value());
    if (!match) continue;
    EXPECT_EQ(match->keyword->kind, *c.kind);
    EXPECT_EQ(match->value, c.value);
  }
}

// Each edit, listed by the track log and imported into another open of the same bytes, makes
// the same modules, image and track log there.
void ExpectImportRepeats(const Bytes& bytes, const std::function<void(Image&)>& edit) {
  Image image(bytes);
  edit(image);
  BuildTrackLog(image.ed);
  const std::vector<std::string> log = image.Log();
  ASSERT_FALSE(log.empty());
  Image other(bytes);
  other.Import(image.LogText());
  EXPECT_THAT(other.Messages(), IsEmpty());
  const rom::RomWorkspace &a = image.ed.workspace, &b = other.ed.workspace;
  EXPECT_EQ(b.m_setup_form_modified, a.m_setup_form_modified);
  EXPECT_EQ(b.m_setup_string_modified, a.m_setup_string_modified);
  EXPECT_TRUE(b.m_amitse_module.file == a.m_amitse_module.file);
  EXPECT_TRUE(b.m_setup_module.file == a.m_setup_module.file);
  EXPECT_TRUE(b.m_working_image == a.m_working_image);
  EXPECT_EQ(b.m_dmi_modified, a.m_dmi_modified);
  EXPECT_EQ(other.ed.dmi.current[2].strings, image.ed.dmi.current[2].strings);
  BuildTrackLog(other.ed);
  EXPECT_EQ(other.Log(), log);
}

TEST(ImportSettings, EveryKindOfChangeIsRepeated) {
  for (const uint8_t opcode : {setup::kOpCheckbox, setup::kOpOneOf, setup::kOpNumeric}) {
    SCOPED_TRACE("optimal default of opcode " + Hex(opcode));
    ExpectImportRepeats(Plain(), [opcode](Image& image) {
      const uint32_t node = image.Question(opcode);
      setup::ApplyOptimalSelection(image.ed, node, uint32_t(*image.OtherValue(node)));
      EXPECT_TRUE(image.ed.setup.node_states[node].optimal_changed);
    });
  }
  ExpectImportRepeats(Plain(), [](Image& image) {
    const uint32_t one_of = image.Question(setup::kOpOneOf);
    setup::ChangeNodeSetting(image.ed, setup::kChangeAccessLevel, 2, 0, one_of);
    image.Hide(image.Find(setup::kOpCheckbox));
    image.ed.controls.setup_tree->SelectItem(image.ed.setup.node_items[one_of]);
    setup::DeleteOption(image.ed, one_of, image.ed.controls.delete_option_combo->GetText(1));
    setup::EditSetupString(image.ed, image.Find(setup::kOpText), "Renamed by the log");
    image.ed.dmi.current[2].strings[1] = "KV-B460M Pro";
    image.ed.workspace.m_dmi_modified = true;
  });
}

TEST(ImportSettings, DmiLinesApplyUnderTheirHeaderOnly) {
  Image image(Plain());
  std::vector<std::string>& strings = image.ed.dmi.current[1].strings;
  const std::string product = strings[1];
  image.Import(" DMI String is changed to \" Other \" from \" " + product + " \"\n");  // no header
  EXPECT_EQ(strings[1], product);
  EXPECT_FALSE(image.ed.workspace.m_dmi_modified);
  image.Import(
      "System Information (Type 1) Node: 1[1]\r\n"
      "      DMI String is changed  to \"First\" from \" x \"\n"
      "      DMI String is changed  to \"Second\" from \" x \"\n");
  EXPECT_EQ(strings[1], "Second");
  EXPECT_THAT(image.Log(), ElementsAre("DMI string is changed to \"Second\" to \"First\""));
  EXPECT_TRUE(image.ed.workspace.m_dmi_modified);
  const platform::TreeControl& dmi_tree = *image.ed.controls.dmi_tree;  // its item turns red
  platform::TreeItem item = dmi_tree.GetChildItem(dmi_tree.GetChildItem(platform::kRootItem));
  while (item != platform::kNoItem && dmi_tree.GetItemData(item) != 1)
    item = dmi_tree.GetNextSiblingItem(item);
  EXPECT_EQ(dmi_tree.GetItemColor(item), platform::kColorRed);
  const std::string header = "System Information (Type 1) Node: 1[1]\n";
  image.ed.workspace.m_dmi_modified = false;
  image.Import(header + "      DMI String is changed  to \"Second\" from \" x \"\n");
  EXPECT_FALSE(image.ed.workspace.m_dmi_modified) << "the same text is no change";
  image.Import(header + "      DMI String is changed  to \"\" from \" x \"\n");
  EXPECT_EQ(strings[1], " ");
}

TEST(ImportSettings, MismatchedNodeTextsAndDmiTypesAskBeforeApplying) {
  Image image(Plain());
  const uint32_t node = image.Find(setup::kOpCheckbox);
  const std::string lines = "Node No: " + Hex(node) +
                            " String: Other board's text\n"
                            "    Visibility changed to Hide\n"
                            "    Access Level is changed from default option :0 to option :3\n"
                            "OEM Strings (Type 11) Node: 1[0]\n"
                            "      DMI String is changed  to \"Changed\" from \" x \"\n";
  const std::string maker = image.ed.dmi.current[1].strings[0];
  image.Import(lines);  // the queue is empty: No
  ASSERT_EQ(image.view.prompter.Messages().size(), 2u);
  const auto& request = image.view.prompter.Messages()[0].request;
  EXPECT_EQ(request.text, "String ID of current ROM \"" + image.Text(node) +
                              "\" does not match with imported String ID \"Other board's "
                              "text\".This may result in undefined behaviour. Do you still want "
                              "to apply changes?");
  EXPECT_EQ(request.caption, "Confirm Modify Settings");
  EXPECT_EQ(request.icon, platform::MessageIcon::kQuestion);
  EXPECT_EQ(request.buttons, platform::MessageButtons::kYesNo);
  EXPECT_EQ(request.default_button, platform::MessageAnswer::kNo);
  EXPECT_EQ(image.Messages()[1],
            "DMI String Type of current ROM \"System Information (Type 1)\" does not match with "
            "imported DMI String Type \"OEM Strings (Type 11)\".This may result in undefined "
            "behaviour. Do you still want to apply changes?");
  EXPECT_EQ(image.State(node).visible, 1);
  EXPECT_EQ(image.ed.dmi.current[1].strings[0], maker);
  image.view.prompter.SetDefaultAnswer(true);
  image.Import(lines);
  EXPECT_EQ(image.State(node).visible, 0);
  EXPECT_EQ(image.State(node).access_level, 3);
  EXPECT_EQ(image.ed.dmi.current[1].strings[0], "Changed");

  Image null(Plain());  // NULL STRING matches an empty baseline text
  null.ed.setup.node_states[node].baseline_text.fill(0);
  null.Import("Node No: " + Hex(node) + " String: NULL STRING\n    Visibility changed to Hide\n");
  EXPECT_THAT(null.Messages(), IsEmpty());
  EXPECT_EQ(null.State(node).visible, 0);
}

TEST(ImportSettings, AHeaderWithTheTextOfOneOtherNodeOffersThatNode) {
  Image image(Plain());
  const uint32_t numbered = image.Find(setup::kOpCheckbox);
  uint32_t moved = 0;  // a node whose text no other node has
  for (uint32_t node = 0; node < image.ed.setup.node_count; ++node) {
    uint32_t same = 0;
    for (uint32_t other = 0; other < image.ed.setup.node_count; ++other)
      same += image.Text(other) == image.Text(node);
    if (same == 1 && node != numbered && !image.Text(node).empty()) moved = node;
  }
  ASSERT_NE(moved, 0u);
  const std::string lines = "Node No: " + Hex(numbered) + " String: " + image.Text(moved) +
                            "\n    Visibility changed to Hide\n";
  image.view.prompter.QueueAnswer(true);
  image.Import(lines);
  ASSERT_EQ(image.Messages().size(), 1u);
  EXPECT_EQ(image.Messages()[0], "String ID of current ROM \"" + image.Text(numbered) +
                                     "\" does not match with imported String ID \"" +
                                     image.Text(moved) + "\". Node " + Hex(moved) +
                                     " is the only node with the imported text: apply the "
                                     "changes to node " +
                                     Hex(moved) + " instead?");
  EXPECT_EQ(image.State(moved).visible, 0);
  EXPECT_EQ(image.State(numbered).visible, 1);

  Image declined(Plain());  // No: the question of the numbered node follows
  declined.view.prompter.QueueAnswer(false);
  declined.view.prompter.QueueAnswer(true);
  declined.Import(lines);
  ASSERT_EQ(declined.Messages().size(), 2u);
  EXPECT_THAT(declined.Messages()[1], HasSubstr("does not match"));
  EXPECT_EQ(declined.State(numbered).visible, 0);
  EXPECT_EQ(declined.State(moved).visible, 1);
}

TEST(ImportSettings, LinesWithoutTheirNodeOrNamingWhatTheImageLacksAreSkipped) {
  Image image(Plain());
  editor::Editor& ed = image.ed;
  const uint32_t nodes = ed.setup.node_count, structures = ed.dmi.structure_count;
  const uint32_t checkbox = image.Find(setup::kOpCheckbox);
  const std::vector<std::string> dmi_before = ed.dmi.current[1].strings;
  const Bytes spf = ed.workspace.m_amitse_module.file;
  image.Import("====KALVIRE=====\n    Visibility changed to Hide\nNode No: " + Hex(checkbox) +
               "\n    Visibility changed to Hide\n");  // a header without "String: "
  EXPECT_EQ(ed.workspace.m_amitse_module.file, spf);
  EXPECT_FALSE(ed.workspace.m_setup_form_modified);
  image.Import("Node No: " + Hex(nodes) + " String: x\n" +                         // line 1
               "    Visibility changed to Hide\n" +                                // 2
               "Node No: -1 String: x\n" +                                         // 3
               "System Information (Type 1) Node: " + Hex(structures) + "[0]\n" +  // 4
               "      DMI String is changed  to \"a\" from \" b \"\n" +            // 5
               "System Information (Type 1) Node: 1[" + Hex(dmi_before.size()) + "]\n" +
               "      DMI String is changed  to \"a\" from \" b \"\n" +  // 7
               "System Information (Type 1) Node: 1\n" +                 // 8
               image.Header(checkbox) + "\n    Visibility changed to Hide\n");
  EXPECT_EQ(image.State(checkbox).visible, 0);
  EXPECT_EQ(ed.dmi.current[1].strings, dmi_before);
  EXPECT_THAT(image.Messages(), IsEmpty());
  const std::vector<std::string> log = image.Log();
  ASSERT_GE(log.size(), 5u);
  const std::string n = std::to_string(nodes);
  EXPECT_THAT(
      std::vector<std::string>(log.end() - 5, log.end()),
      ElementsAre(
          "    Import: line 1 skipped, node " + Hex(nodes) + " is not in the node table (" + n +
              " nodes)",
          "    Import: line 3 skipped, node ffffffff is not in the node table (" + n + " nodes)",
          "    Import: line 4 skipped, DMI structure " + Hex(structures) +
              " is not in the DMI table (" + std::to_string(structures) + " structures)",
          "    Import: line 7 skipped, DMI structure 1 has no string " + Hex(dmi_before.size()) +
              " (" + std::to_string(dmi_before.size()) + " strings)",
          "    Import: line 8 skipped, the DMI header has no string index"));
}

TEST(SaveTrackLog, ProposesTheImageNameWithALogExtension) {
  for (const auto& [file, proposed] : {std::pair{"board.rom", "board.log"},
                                       {"BOARD.ROM", "BOARD.log"},
                                       {"v1.rom.bin", "v1.rom.log"},
                                       {"board", "board.log"}}) {
    SCOPED_TRACE(file);
    Image image(Plain(), file);
    image.view.prompter.QueueFilePath(std::nullopt);
    SaveTrackLog(image.ed);
    ASSERT_EQ(image.view.prompter.FileRequests().size(), 1u);
    const platform::FileDialogRequest& request = image.view.prompter.FileRequests()[0];
    EXPECT_EQ(request.initial_name, proposed);
    EXPECT_TRUE(request.save);
    EXPECT_EQ(request.default_extension, ".log");
    EXPECT_EQ(request.filter, "Log Files (*.log)|*.log|All Files (*.*)|*.*||");
    EXPECT_FALSE(request.overwrite_prompt);
  }
}

TEST(SaveTrackLog, ReplacesAFileOnlyAfterYesAndTheOpenImageNever) {
  const test::TempDir dir;
  const std::string image_path = dir.Path("open-image.bin"), log = dir.Path("existing.log"),
                    link = dir.Path("link.log");
  test::WriteFileOrFail(image_path, Plain());
  std::ofstream(log) << "earlier log\n";
  Image image(Plain(), image_path);
  image.ed.controls.track_log->AddString("Node No: 1a String: Boot");
  image.view.prompter.QueueFilePath(log);
  image.view.prompter.QueueAnswer(false);
  SaveTrackLog(image.ed);
  EXPECT_EQ(ReadTextFile(log), "earlier log\n");
  const platform::MessageBoxRequest& asked = image.view.prompter.Messages().at(0).request;
  EXPECT_EQ(asked.text, std::filesystem::path(log).filename().string() +
                            " already exists. Do you want to replace it?");
  EXPECT_EQ(asked.caption, "Confirm Save Track Log");
  EXPECT_EQ(asked.buttons, platform::MessageButtons::kYesNo);
  EXPECT_EQ(asked.default_button, platform::MessageAnswer::kNo);
  image.view.prompter.QueueFilePath(log);
  image.view.prompter.QueueAnswer(true);
  SaveTrackLog(image.ed);
  EXPECT_EQ(ReadTextFile(log), "Node No: 1a String: Boot\n");

  std::filesystem::create_symlink(image_path, link);
  const std::filesystem::path file(image_path);
  for (const std::string& chosen :
       {image_path, (file.parent_path() / "." / file.filename()).string(), link}) {
    SCOPED_TRACE(chosen);
    image.view.prompter.QueueFilePath(chosen);
    image.view.prompter.QueueAnswer(true);  // a replace question must not even be asked
    SaveTrackLog(image.ed);
    const platform::RecordedMessage& shown = image.view.prompter.Messages().back();
    EXPECT_EQ(shown.request.text, "Error: The track log cannot be written over the open image.");
    EXPECT_EQ(shown.request.icon, platform::MessageIcon::kError);
  }
  EXPECT_EQ(image.view.prompter.Messages().size(), 5u);
  EXPECT_TRUE(test::ReadFileOrFail(image_path) == Plain());
}

TEST(SaveTrackLog, WritesWhatTheListShowsAndImportReadsItBack) {
  Image image(Plain());
  editor::Editor& ed = image.ed;
  image.Hide(image.Find(setup::kOpCheckbox));
  ed.dmi.current[3].strings[0] = "Another Maker";
  const test::TempDir dir;
  const std::string path = dir.Path("board.log");
  image.view.prompter.QueueFilePath(path);
  SaveTrackLog(ed);  // a new file: no question
  EXPECT_THAT(image.Messages(), IsEmpty());
  EXPECT_EQ(ReadTextFile(path), "    Visibility changed\n");
  FullTrackLog(ed);
  ASSERT_TRUE(WriteTrackLogFile(*ed.controls.track_log, path));
  EXPECT_EQ(ReadTextFile(path), image.LogText());
  EXPECT_FALSE(WriteTrackLogFile(*ed.controls.track_log, "/nonexistent-folder/x.log"));

  Image other(Plain());
  other.view.prompter.QueueFilePath(path);
  ImportSettings(other.ed);
  const platform::FileDialogRequest& request = other.view.prompter.FileRequests().at(0);
  EXPECT_FALSE(request.save);
  EXPECT_EQ(request.default_extension, ".log");
  EXPECT_EQ(request.filter, "LOG Files (*.log)|*.log|All Files (*.*)|*.*||");
  BuildTrackLog(other.ed);
  EXPECT_EQ(other.Log(), image.Log());

  Image untouched(Plain());  // Cancel changes nothing; a missing file says why
  untouched.view.prompter.QueueFilePath(std::nullopt);
  ImportSettings(untouched.ed);
  untouched.view.prompter.QueueFilePath("/nonexistent-folder/board.log");
  ImportSettings(untouched.ed);
  EXPECT_EQ(ImportSettingsFile(untouched.ed, "/nonexistent-folder/board.log"), 0);
  EXPECT_EQ(untouched.view.prompter.FileRequests().size(), 2u);
  EXPECT_THAT(untouched.Messages(),
              ElementsAre(HasSubstr("Error: Unable to read the track log: cannot open "
                                    "/nonexistent-folder/board.log: No such file or directory"),
                          HasSubstr("Error: Unable to read the track log")));
  EXPECT_FALSE(untouched.ed.workspace.m_setup_form_modified);
}

TEST(History, DatesAndTheFileHeader) {
  const char* tz = std::getenv("TZ");
  const std::string saved = tz ? tz : "";
  setenv("TZ", "UTC0", 1);
  tzset();
  EXPECT_EQ(FormatHistoryDate(kMonday), "Monday, March 04, 2024");
  EXPECT_EQ(FormatHistoryDate(kMonday + 25 * 86400), "Friday, March 29, 2024");
  tz ? setenv("TZ", saved.c_str(), 1) : unsetenv("TZ");
  tzset();

  const std::string text = "====KALVIRE=====\n";
  const Bytes file = BuildHistoryFile(text);
  ASSERT_EQ(file.size(), 24 + text.size());
  // The header sums to 0 with the file checksum (0xAA) and the State (0xF8) taken as 0.
  EXPECT_THAT(Bytes(file.begin(), file.begin() + 24),
              ElementsAre(0x05, 0x7A, 0x0A, 0x83, 0x67, 0x96, 0xFD, 0x46, 0xA3, 0xF4, 0x6A, 0x7B,
                          0x90, 0x3B, 0xEE, 0x73, 0xDE, 0xAA, 0x01, 0x04, 41, 0, 0, 0xF8));
  EXPECT_EQ(std::string(file.begin() + 24, file.end()), text);
}

TEST(AppendHistory, TwoSavesChainTwoFilesBehindTheNvramStoreAndChangeNothingElse) {
  Image image(Plain());
  rom::RomWorkspace& ws = image.ed.workspace;
  const HistoryArea area = *FindHistoryArea(ws);
  const rom::FileRecord& marker = ws.m_files[area.marker_index];
  EXPECT_EQ(marker.name, rom::kNvramStoreGuid);
  EXPECT_EQ(area.buffer, rom::kWorkingImageBuffer);
  EXPECT_EQ(area.first, rom::Align8(marker.file.offset + marker.size) + 256);
  EXPECT_EQ(area.end, ws.m_volumes[marker.volume_index].start.offset +
                          ws.m_volumes[marker.volume_index].fv_length);
  const Bytes before = ws.m_working_image;
  EXPECT_EQ(AppendHistory(image.ed, kMonday), 0);  // nothing to write without a change
  EXPECT_TRUE(ws.m_working_image == before);

  image.Hide(image.Find(setup::kOpCheckbox));
  ASSERT_EQ(AppendHistory(image.ed, kMonday), 1);
  const std::string first = image.LogText();
  ws.m_setup_form_modified = false;  // what a successful save does to the flags
  image.SetText(image.Find(setup::kOpText), "Second change");
  ws.m_setup_string_modified = true;
  ASSERT_EQ(AppendHistory(image.ed, kMonday), 1);
  const std::string header = "====KALVIRE=====\n=====" + FormatHistoryDate(kMonday) + "====\n";
  const HistoryChain chain = ReadHistoryChain(ws, area);
  ASSERT_EQ(chain.files.size(), 2u);
  EXPECT_EQ(chain.files[0].offset, area.first);
  EXPECT_EQ(chain.files[0].text, header + first);
  EXPECT_EQ(chain.files[1].offset, rom::Align8(area.first + chain.files[0].size));
  EXPECT_EQ(chain.files[1].text, header + image.LogText());
  EXPECT_TRUE(chain.files[0].history_name && chain.files[1].history_name);
  EXPECT_FALSE(chain.broken);
  Bytes expected = before;
  for (const HistoryFile& file : chain.files) {
    const Bytes bytes = BuildHistoryFile(file.text);
    std::copy(bytes.begin(), bytes.end(), expected.begin() + file.offset);
  }
  EXPECT_TRUE(ws.m_working_image == expected);
  const uint32_t files = ws.m_file_count;  // the walk still ends the volume at the free space
  ASSERT_EQ(rom::WalkFirmwareVolumes(image.ed), 1);
  EXPECT_EQ(ws.m_file_count, files);
  ws.m_files[area.marker_index].name = {};  // without an NVRAM store the first file marks it
  EXPECT_EQ(FindHistoryArea(ws)->end, ws.m_files[1].file.offset);
}

// A marker volume whose length runs into another volume: the history stops at that volume.
TEST(AppendHistory, StopsAtAVolumeTheMarkerVolumeRunsInto) {
  Image image(Plain());
  rom::RomWorkspace& ws = image.ed.workspace;
  const HistoryArea area = *FindHistoryArea(ws);
  image.Hide(image.Find(setup::kOpCheckbox));
  BuildTrackLog(image.ed);
  const std::string header = "====KALVIRE=====\n=====" + FormatHistoryDate(kMonday) + "====\n";
  const uint64_t next = area.first + 24 + header.size() + image.LogText().size() - 1;
  ASSERT_LT(next, area.end);
  ws.m_volumes[ws.m_volume_count++] = {{rom::kWorkingImageBuffer, next}, 0x100, next + 72, 0};
  EXPECT_EQ(FindHistoryArea(ws)->end, next);
  const Bytes before = ws.m_working_image;
  EXPECT_EQ(AppendHistory(image.ed, kMonday), kHistoryNoRoom);
  EXPECT_THAT(image.Messages(), ElementsAre(kNoRoom));
  EXPECT_TRUE(ws.m_working_image == before);
}

TEST(AppendHistory, TheFileMustFitTheAreaToTheByteAndAChainBehindABrokenFileTakesNone) {
  Image image(Plain());
  rom::RomWorkspace& ws = image.ed.workspace;
  const HistoryArea area = *FindHistoryArea(ws);
  image.Hide(image.Find(setup::kOpCheckbox));
  BuildTrackLog(image.ed);
  const std::string header = "====KALVIRE=====\n=====" + FormatHistoryDate(kMonday) + "====\n";
  const uint64_t size = 24 + header.size() + image.LogText().size();
  rom::VolumeRecord& volume = ws.m_volumes[ws.m_files[area.marker_index].volume_index];
  const Bytes before = ws.m_working_image;
  volume.fv_length = uint32_t(area.first + size - 1 - volume.start.offset);
  EXPECT_EQ(AppendHistory(image.ed, kMonday), kHistoryNoRoom);
  EXPECT_THAT(image.Messages(), ElementsAre(kNoRoom));
  EXPECT_TRUE(ws.m_working_image == before);
  volume.fv_length += 1;
  EXPECT_EQ(AppendHistory(image.ed, kMonday), 1);
  const HistoryChain chain = ReadHistoryChain(ws, *FindHistoryArea(ws));
  ASSERT_EQ(chain.files.size(), 1u);
  EXPECT_EQ(chain.files[0].offset + chain.files[0].size, FindHistoryArea(ws)->end);

  Image broken(Plain());
  broken.Hide(broken.Find(setup::kOpCheckbox));
  Bytes& bytes = broken.ed.workspace.m_working_image;
  std::fill_n(bytes.begin() + area.first + 20, 3, 0);  // a size below the header
  bytes[area.first + 23] = 0xF8;
  const Bytes kept = bytes;
  EXPECT_EQ(AppendHistory(broken.ed, kMonday), kHistoryNoRoom);
  EXPECT_TRUE(bytes == kept);
  EXPECT_THAT(broken.Messages(), ElementsAre(kNoRoom));
}

}  // namespace
}  // namespace kalvire::tracklog
