// The headless controls keep the control contract, and the scripted prompter's dialogs answer
// the way the dialogs of the desktop would.
#include <gtest/gtest.h>

#include "platform/control_contract.h"
#include "platform/headless_controls.h"
#include "platform/headless_tree.h"
#include "platform/scripted_prompter.h"

namespace kalvire::platform {
namespace contract {

INSTANTIATE_TEST_SUITE_P(Headless, TreeControlContract,
                         testing::Values(&Make<TreeControl, HeadlessTree>));
INSTANTIATE_TEST_SUITE_P(Headless, ComboControlContract,
                         testing::Values(&Make<ComboControl, HeadlessCombo>));

}  // namespace contract
namespace {

// The boxes, file and DMI dialogs, titles and echo of the scripted prompter are checked through
// the command-line tool and the editor; the text dialog is checked here.
TEST(ScriptedPrompter, TextDialogTakesQueuedTextsCutToTheLimit) {
  ScriptedPrompter prompter;
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

}  // namespace
}  // namespace kalvire::platform
