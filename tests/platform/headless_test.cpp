// The headless controls keep the control contract, and the scripted prompter's dialogs answer
// the way the dialogs of the desktop would.
#include <gtest/gtest.h>

#include "platform/control_contract.h"
#include "platform/headless_controls.h"
#include "platform/headless_tree.h"
#include "platform/scripted_prompter.h"

namespace kalvire::platform {
namespace contract {

template <typename Control, typename Made>
std::unique_ptr<Control> Make() {
  return std::make_unique<Made>();
}
INSTANTIATE_TEST_SUITE_P(Headless, TreeControlContract,
                         testing::Values(&Make<TreeControl, HeadlessTree>));
INSTANTIATE_TEST_SUITE_P(Headless, ListControlContract,
                         testing::Values(&Make<ListControl, HeadlessList>));
INSTANTIATE_TEST_SUITE_P(Headless, ComboControlContract,
                         testing::Values(&Make<ComboControl, HeadlessCombo>));
INSTANTIATE_TEST_SUITE_P(Headless, ButtonControlContract,
                         testing::Values(&Make<ButtonControl, HeadlessButton>));

}  // namespace contract
namespace {

// The boxes, titles and echo of the scripted prompter are checked through the command-line
// tool and the editor; these are the dialogs' own rules.
TEST(ScriptedPrompter, FileAndTextDialogsTakeQueuedAnswersAsTheDialogsWould) {
  ScriptedPrompter prompter;
  for (const char* path : {"/tmp/in.rom", "", "/tmp/out", "/tmp/track", "/tmp/d.d/image.bin"})
    prompter.QueueFilePath(std::string(path));
  prompter.QueueFilePath(std::nullopt);
  const FileDialogRequest open{false, "", "", "ROM Files (*.rom)|*.rom||"};
  const FileDialogRequest save{true, ".rom", "in.rom", "ROM Files (*.rom)|*.rom||"};
  EXPECT_EQ(prompter.AskFilePath(open), "/tmp/in.rom");
  EXPECT_EQ(prompter.AskFilePath(save), std::nullopt);  // an empty path
  EXPECT_EQ(prompter.AskFilePath(save), "/tmp/out.rom");
  EXPECT_EQ(prompter.AskFilePath({true, "log", "", ""}), "/tmp/track.log");
  EXPECT_EQ(prompter.AskFilePath(save), "/tmp/d.d/image.bin");
  EXPECT_EQ(prompter.AskFilePath(save), std::nullopt);
  EXPECT_EQ(prompter.AskFilePath(open), std::nullopt);  // queue empty
  EXPECT_EQ(prompter.FileRequests().size(), 7u);

  for (const auto& text : {std::optional<std::string>("Quiet Boot"), std::optional<std::string>(),
                           std::optional(std::string(120, 'x')), std::optional<std::string>("")})
    prompter.QueueText(text);
  EXPECT_EQ(prompter.AskText({"Update Data", "Boot", 100}), "Quiet Boot");
  EXPECT_EQ(prompter.AskText({"Update Data", "Boot", 100}), std::nullopt);
  EXPECT_EQ(prompter.AskText({"Update Data", "", 100}), std::string(100, 'x'));
  EXPECT_EQ(prompter.AskText({"Update Data", "", 0}), "");  // OK on an empty field
  EXPECT_EQ(prompter.AskText({"Update Data", "", 100}), std::nullopt);
  ASSERT_EQ(prompter.TextRequests().size(), 5u);
  EXPECT_EQ(prompter.TextRequests()[0].initial_text, "Boot");
}

TEST(ScriptedPrompter, DmiDialogChangesOnlyTheScriptedSlots) {
  ScriptedPrompter prompter;
  EXPECT_FALSE(prompter.QueueDmiEdits(DmiEdits{{8, "x"}}));
  EXPECT_FALSE(prompter.QueueDmiEdits(DmiEdits{{-1, "x"}}));
  EXPECT_TRUE(prompter.QueueDmiEdits(DmiEdits{{0, "Board"}, {7, std::string(70, 'v')}}));
  EXPECT_TRUE(prompter.QueueDmiEdits(std::nullopt));
  DmiDialogData data;
  data.values = {"a", "b", "c", "d", "", "", "", "h"};
  EXPECT_TRUE(prompter.EditDmiStrings(data));
  const std::array<std::string, 8> edited{"Board", "b", "c", "d", "", "", "", std::string(64, 'v')};
  EXPECT_EQ(data.values, edited);
  EXPECT_FALSE(prompter.EditDmiStrings(data));  // scripted Cancel
  EXPECT_FALSE(prompter.EditDmiStrings(data));  // queue empty
  EXPECT_EQ(data.values, edited);
  // The record shows what the dialog was opened with, not what came back.
  ASSERT_EQ(prompter.DmiRequests().size(), 3u);
  EXPECT_EQ(prompter.DmiRequests()[0].values[0], "a");
}

}  // namespace
}  // namespace kalvire::platform
