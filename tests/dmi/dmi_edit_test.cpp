#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "dmi/dmi_edit.h"
#include "dmi/messages.h"
#include "dmi_test_support.h"

namespace kalvire::dmi::test {
namespace {

using platform::DmiEdits;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

// A dialog that hands back whatever values it is given, as one without the length limit would.
class UncheckedDmiPrompter final : public platform::Prompter {
 public:
  explicit UncheckedDmiPrompter(DmiEdits edits) : m_edits(std::move(edits)) {}
  platform::MessageAnswer ShowMessage(const platform::MessageBoxRequest& request) override {
    messages.push_back(request.text);
    return platform::MessageAnswer::kOk;
  }
  std::optional<std::string> AskFilePath(const platform::FileDialogRequest&) override { return {}; }
  std::optional<std::string> AskText(const platform::TextDialogRequest&) override { return {}; }
  bool EditDmiStrings(platform::DmiDialogData& data) override {
    for (const auto& [slot, value] : m_edits) data.values[slot] = value;
    return true;
  }
  std::string WindowTitle() const override { return {}; }
  void SetWindowTitle(const std::string&) override {}
  void SetBusy(bool) override {}
  std::vector<std::string> messages;

 private:
  DmiEdits m_edits;
};

std::string Repeat(const std::string& piece, int times) {
  std::string text;
  for (int i = 0; i < times; ++i) text += piece;
  return text;
}

TEST(EditDmiString, RootItemOpensNoDialog) {
  DmiEditor t;
  ASSERT_EQ(t.Load(DmiModuleData(BoardStructures(), 1024)), 1);
  t.EditStructure(-1);
  EXPECT_THAT(t.prompter.DmiRequests(), IsEmpty());

  // A root with nothing under it is still the root, not structure 0.
  DmiEditor empty;
  empty.EditStructure(-1);
  EXPECT_THAT(empty.prompter.DmiRequests(), IsEmpty());
}

TEST(EditDmiString, Type0WithThreeStringsShowsThreeLabelledSlots) {
  DmiEditor t;
  ASSERT_EQ(t.Load(DmiModuleData(BoardStructures(), 1024)), 1);
  t.EditStructure(0);
  ASSERT_EQ(t.prompter.DmiRequests().size(), 1u);
  const platform::DmiDialogData& d = t.prompter.DmiRequests()[0];
  EXPECT_EQ(d.title, "BIOS Information (Type 0)");
  EXPECT_THAT(d.labels,
              ElementsAre("BIOS Vendor:", "Version:", "Release Date:", "", "", "", "", ""));
  EXPECT_THAT(d.values, ElementsAre("Vendor", "1.23", "01/02/2024", "", "", "", "", ""));
  // Type 0, length 0x1A, handle 0, then string numbers 1 and 2 of vendor and version.
  EXPECT_EQ(d.formatted_text.size(), 3u * 0x1A);
  EXPECT_EQ(d.formatted_text.substr(0, 18), " 00 1a 00 00 01 02");
}

TEST(EditDmiString, FormattedAreaIsLowerCaseHexWithALeadingSpace) {
  const uint8_t bytes[] = {0x00, 0xAB, 0x7F, 0xFF, 0x0C};
  EXPECT_EQ(FormatFormattedArea(bytes), " 00 ab 7f ff 0c");
  EXPECT_EQ(FormatFormattedArea({}), "");
}

TEST(EditDmiString, ClearedFieldBecomesASpaceWithAFeedbackLine) {
  DmiEditor t;
  ASSERT_EQ(t.Load(DmiModuleData(BoardStructures(), 1024)), 1);
  t.track_log.AddString("an older line");
  t.prompter.QueueDmiEdits(DmiEdits{{0, ""}, {2, "12/31/2025"}});
  t.EditStructure(0);
  EXPECT_THAT(t.ed().dmi.current[0].strings, ElementsAre(" ", "1.23", "12/31/2025"));
  EXPECT_THAT(t.TrackLogLines(),
              ElementsAre(" DMI String is changed to \"  \" from \" Vendor \"",
                          " DMI String is changed to \" 12/31/2025 \" from \" 01/02/2024 \""));
  EXPECT_TRUE(t.ed().workspace.m_dmi_modified);
  EXPECT_THAT(t.ed().dmi.baseline[0].strings, ElementsAre("Vendor", "1.23", "01/02/2024"));
  EXPECT_EQ(t.ed().dmi.current[0].formatted, t.ed().dmi.baseline[0].formatted);
  EXPECT_EQ(t.tree.GetCount(), 6);
}

TEST(EditDmiString, OkWithoutChangeClearsTheTrackLogAndKeepsTheFlag) {
  for (const bool flag : {false, true}) {
    SCOPED_TRACE(flag);
    DmiEditor t;
    ASSERT_EQ(t.Load(DmiModuleData(BoardStructures(), 1024)), 1);
    t.ed().workspace.m_dmi_modified = flag;
    t.track_log.AddString("an older line");
    t.prompter.QueueDmiEdits(DmiEdits{});
    t.EditStructure(1);
    ASSERT_EQ(t.prompter.DmiRequests().size(), 1u);
    EXPECT_THAT(t.TrackLogLines(), IsEmpty());
    EXPECT_EQ(t.ed().workspace.m_dmi_modified, flag);
  }
}

TEST(EditDmiString, CancelChangesNothing) {
  DmiEditor t;
  ASSERT_EQ(t.Load(DmiModuleData(BoardStructures(), 1024)), 1);
  t.track_log.AddString("an older line");
  t.prompter.QueueDmiEdits(std::nullopt);
  t.EditStructure(1);
  EXPECT_THAT(t.TrackLogLines(), ElementsAre("an older line"));
  EXPECT_EQ(t.ed().dmi.current[1].strings[0], "Maker");
  EXPECT_FALSE(t.ed().workspace.m_dmi_modified);
}

TEST(EditDmiString, OemStringsAndMoreThanEightStrings) {
  std::vector<std::string> ten;
  for (int i = 1; i <= 10; ++i) ten.push_back("oem" + std::to_string(i));
  DmiEditor t;
  ASSERT_EQ(t.Load(DmiModuleData({Structure(0, 0, {"V"}), tools::SmbiosOemStrings(1, ten)}, 512)),
            1);
  t.prompter.QueueDmiEdits(DmiEdits{{7, "eighth"}});
  t.EditStructure(1);
  const platform::DmiDialogData& d = t.prompter.DmiRequests().at(0);
  EXPECT_EQ(d.labels[5], "OEM String 6:");
  EXPECT_EQ(d.labels[6], "OEM String 7");
  EXPECT_EQ(d.labels[7], "OEM String 8");
  EXPECT_EQ(d.values[7], "oem8");
  EXPECT_THAT(t.ed().dmi.current[1].strings,
              ElementsAre("oem1", "oem2", "oem3", "oem4", "oem5", "oem6", "oem7", "eighth", "oem9",
                          "oem10"));
  EXPECT_THAT(t.TrackLogLines(),
              ElementsAre(" DMI String is changed to \" eighth \" from \" oem8 \""));
}

TEST(EditDmiString, StringsOutsideAsciiTravelAsLatin1) {
  DmiEditor t;
  ASSERT_EQ(t.Load(DmiModuleData({Structure(0, 0, {"Caf\xE9"})}, 256)), 1);
  t.prompter.QueueDmiEdits(DmiEdits{{0,
                                     "Gr\xC3\xBC\xC3\x9F"
                                     "e"}});  // "Grüße" in UTF-8
  t.EditStructure(0);
  EXPECT_EQ(t.prompter.DmiRequests().at(0).values[0], "Caf\xC3\xA9");
  EXPECT_EQ(t.ed().dmi.current[0].strings[0],
            "Gr\xFC\xDF"
            "e");
  EXPECT_THAT(t.TrackLogLines(), ElementsAre(" DMI String is changed to \" Gr\xFC\xDF"
                                             "e \" from \" Caf\xE9 \""));
}

TEST(EditDmiString, ValuesThatCannotBeStoredAreRefusedWholly) {
  struct Case {
    const char* name;
    DmiEdits edits;
    const char* message;
  };
  const Case cases[] = {
      {"a character above U+00FF", {{0, "ok"}, {1, "10 \xE2\x82\xAC"}}, kMsgNotSingleByte},
      {"not UTF-8", {{1, "\xE9t\xE9"}}, kMsgNotSingleByte},
      {"a NUL", {{1, std::string("a\0b", 3)}}, kMsgNotSingleByte},
      {"65 characters", {{0, "ok"}, {2, std::string(65, 'x')}}, kMsgStringTooLong},
      {"65 Latin-1 characters", {{2, Repeat("\xC3\xA9", 65)}}, kMsgStringTooLong},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DmiEditor t;
    ASSERT_EQ(t.Load(DmiModuleData(BoardStructures(), 1024)), 1);
    UncheckedDmiPrompter prompter(c.edits);
    t.ed().controls.prompter = &prompter;
    t.track_log.AddString("an older line");
    t.EditStructure(0);
    EXPECT_THAT(prompter.messages, ElementsAre(c.message));
    EXPECT_THAT(t.ed().dmi.current[0].strings, ElementsAre("Vendor", "1.23", "01/02/2024"));
    EXPECT_THAT(t.TrackLogLines(), ElementsAre("an older line"));
    EXPECT_FALSE(t.ed().workspace.m_dmi_modified);
  }
}

TEST(EditDmiString, SixtyFourCharactersAreTakenAndALongLoadedStringMayStay) {
  const std::string long_loaded(70, 'L');
  DmiEditor t;
  ASSERT_EQ(t.Load(DmiModuleData({Structure(0, 0, {long_loaded, "short"})}, 256)), 1);
  UncheckedDmiPrompter prompter({{1, Repeat("\xC3\xA9", 64)}});
  t.ed().controls.prompter = &prompter;
  t.EditStructure(0);
  EXPECT_THAT(prompter.messages, IsEmpty());
  EXPECT_THAT(t.ed().dmi.current[0].strings, ElementsAre(long_loaded, std::string(64, '\xE9')));
}

TEST(EditDmiString, EditingBackLeavesTheFlagSet) {
  DmiEditor t;
  ASSERT_EQ(t.Load(DmiModuleData(BoardStructures(), 1024)), 1);
  t.prompter.QueueDmiEdits(DmiEdits{{1, "Box 8"}});
  t.prompter.QueueDmiEdits(DmiEdits{{1, "Box 7"}});
  t.EditStructure(1);
  t.EditStructure(1);
  EXPECT_EQ(t.prompter.DmiRequests().at(1).values[1], "Box 8");
  EXPECT_EQ(t.ed().dmi.current[1].strings[1], "Box 7");
  EXPECT_THAT(t.TrackLogLines(),
              ElementsAre(" DMI String is changed to \" Box 7 \" from \" Box 8 \""));
  EXPECT_TRUE(t.ed().workspace.m_dmi_modified);
}

TEST(EditDmiString, ItemDataOutsideTheTableOpensNoDialog) {
  DmiEditor t;
  ASSERT_EQ(t.Load(DmiModuleData(BoardStructures(), 1024)), 1);
  const auto stray = t.tree.InsertItem(t.root, "Stray");
  for (const uint32_t data : {6u, 799u, 5000u}) {
    t.tree.SetItemData(stray, data);
    t.tree.SelectItem(stray);
    EditDmiString(t.ed());
  }
  t.tree.SelectItem(platform::kNoItem);
  EditDmiString(t.ed());
  EXPECT_THAT(t.prompter.DmiRequests(), IsEmpty());
}

}  // namespace
}  // namespace kalvire::dmi::test
