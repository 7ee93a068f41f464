#include "platform/scripted_prompter.h"

#include <gtest/gtest.h>

#include <sstream>

namespace kalvire::platform {
namespace {

TEST(ScriptedPrompter, AnswersFromItsQueuesThenAsCancelAndRecordsAndEchoesEveryBox) {
  ScriptedPrompter prompter;
  std::ostringstream echo;
  prompter.ShowPlain("before the echo");
  prompter.SetEcho(&echo);
  prompter.QueueAnswer(true);
  prompter.QueueAnswer(false);
  prompter.QueueChoice(MessageAnswer::kDiscard);
  prompter.ShowError("Error: Failed to open the file");
  EXPECT_TRUE(prompter.AskYesNo("first?", "Save"));
  EXPECT_FALSE(prompter.AskYesNo("second?", "Save"));
  EXPECT_FALSE(prompter.AskYesNo("third?", "Save"));  // queue empty: No
  prompter.SetDefaultAnswer(true);
  EXPECT_TRUE(prompter.AskYesNo("fourth?", "Save"));
  const MessageBoxRequest three_way{"Save changes?", "", MessageIcon::kQuestion,
                                    MessageButtons::kSaveDiscardCancel, MessageAnswer::kSave};
  EXPECT_EQ(prompter.ShowMessage(three_way), MessageAnswer::kDiscard);
  EXPECT_EQ(prompter.ShowMessage(three_way), MessageAnswer::kCancel);
  prompter.SetEcho(nullptr);
  prompter.ShowPlain("after the echo");
  EXPECT_EQ(echo.str(),
            "Error: Failed to open the file\nfirst?\nsecond?\nthird?\nfourth?\nSave changes?\n"
            "Save changes?\n");

  const struct {
    MessageAnswer answer;
    bool unanswered;
    MessageIcon icon;
  } expected[] = {{MessageAnswer::kOk, false, MessageIcon::kNone},
                  {MessageAnswer::kOk, false, MessageIcon::kError},
                  {MessageAnswer::kYes, false, MessageIcon::kQuestion},
                  {MessageAnswer::kNo, false, MessageIcon::kQuestion},
                  {MessageAnswer::kNo, true, MessageIcon::kQuestion},
                  {MessageAnswer::kYes, true, MessageIcon::kQuestion},
                  {MessageAnswer::kDiscard, false, MessageIcon::kQuestion},
                  {MessageAnswer::kCancel, true, MessageIcon::kQuestion},
                  {MessageAnswer::kOk, false, MessageIcon::kNone}};
  const std::vector<RecordedMessage>& log = prompter.Messages();
  ASSERT_EQ(log.size(), std::size(expected));
  for (size_t i = 0; i < log.size(); ++i) {
    SCOPED_TRACE(log[i].request.text);
    EXPECT_EQ(log[i].answer, expected[i].answer);
    EXPECT_EQ(log[i].unanswered, expected[i].unanswered);
    EXPECT_EQ(log[i].request.icon, expected[i].icon);
  }
  EXPECT_EQ(log[2].request.buttons, MessageButtons::kYesNo);
  EXPECT_EQ(log[2].request.caption, "Save");
  EXPECT_EQ(log[6].request.default_button, MessageAnswer::kSave);
}

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
  ASSERT_EQ(prompter.FileRequests().size(), 7u);
  EXPECT_EQ(prompter.FileRequests()[2].initial_name, "in.rom");
  EXPECT_EQ(prompter.FileRequests()[3].default_extension, "log");

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

TEST(ScriptedPrompter, DmiDialogChangesOnlyTheScriptedSlotsAndTitlesAreRecorded) {
  ScriptedPrompter prompter("KALVIRE");
  EXPECT_FALSE(prompter.QueueDmiEdits(DmiEdits{{8, "x"}}));
  EXPECT_FALSE(prompter.QueueDmiEdits(DmiEdits{{-1, "x"}}));
  EXPECT_TRUE(prompter.QueueDmiEdits(DmiEdits{{0, "Board"}, {7, std::string(70, 'v')}}));
  EXPECT_TRUE(prompter.QueueDmiEdits(std::nullopt));
  DmiDialogData data;
  data.values = {"a", "b", "c", "d", "", "", "", "h"};
  EXPECT_TRUE(prompter.EditDmiStrings(data));
  EXPECT_EQ(data.values,
            (std::array<std::string, 8>{"Board", "b", "c", "d", "", "", "", std::string(64, 'v')}));
  const DmiDialogData before_cancel = data;
  EXPECT_FALSE(prompter.EditDmiStrings(data));  // scripted Cancel
  EXPECT_FALSE(prompter.EditDmiStrings(data));  // queue empty
  EXPECT_EQ(data.values, before_cancel.values);
  // The record shows what the dialog was opened with, not what came back.
  ASSERT_EQ(prompter.DmiRequests().size(), 3u);
  EXPECT_EQ(prompter.DmiRequests()[0].values[0], "a");
  EXPECT_EQ(prompter.DmiRequests()[1].values[0], "Board");

  EXPECT_EQ(prompter.WindowTitle(), "KALVIRE");
  prompter.SetBusy(true);
  prompter.SetWindowTitle("KALVIRE - [ Please Wait While Loading File...]");
  EXPECT_TRUE(prompter.IsBusy());
  prompter.SetWindowTitle("KALVIRE - [sample.rom]");
  prompter.SetBusy(false);
  EXPECT_EQ(prompter.WindowTitle(), "KALVIRE - [sample.rom]");
  EXPECT_EQ(prompter.Titles().size(), 2u);
  EXPECT_EQ(prompter.BusyOnCount(), 1);
  EXPECT_EQ(prompter.BusyOffCount(), 1);
  EXPECT_FALSE(prompter.IsBusy());
}

}  // namespace
}  // namespace kalvire::platform
