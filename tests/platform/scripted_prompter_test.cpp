#include "platform/scripted_prompter.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace kalvire::platform {
namespace {

TEST(ScriptedPrompter, RecordsEveryMessageBoxInOrder) {
  ScriptedPrompter prompter;
  prompter.ShowPlain("Successfully saved the .ROM file");
  prompter.ShowError("Error: Failed to open the file");
  prompter.ShowMessage({"Warning: x", "Caption", MessageIcon::kWarning, MessageButtons::kOk});

  const std::vector<RecordedMessage>& log = prompter.Messages();
  ASSERT_EQ(log.size(), 3u);
  EXPECT_EQ(log[0].request.text, "Successfully saved the .ROM file");
  EXPECT_EQ(log[0].request.icon, MessageIcon::kNone);
  EXPECT_EQ(log[1].request.text, "Error: Failed to open the file");
  EXPECT_EQ(log[1].request.icon, MessageIcon::kError);
  EXPECT_EQ(log[1].request.caption, "");
  EXPECT_EQ(log[2].request.caption, "Caption");
  EXPECT_EQ(log[2].request.icon, MessageIcon::kWarning);
  for (const RecordedMessage& message : log) {
    EXPECT_EQ(message.request.buttons, MessageButtons::kOk);
    EXPECT_EQ(message.answer, MessageAnswer::kOk);
    EXPECT_FALSE(message.unanswered);
  }
}

TEST(ScriptedPrompter, AnswersQuestionsFromTheQueueThenTheDefault) {
  ScriptedPrompter prompter;
  prompter.QueueAnswer(true);
  prompter.QueueAnswer(false);
  prompter.ShowPlain("plain boxes take no answer");
  EXPECT_TRUE(prompter.AskYesNo("first?", "Save"));
  EXPECT_FALSE(prompter.AskYesNo("second?", "Save"));
  EXPECT_FALSE(prompter.AskYesNo("third?", "Save"));  // queue empty: No
  prompter.SetDefaultAnswer(true);
  EXPECT_TRUE(prompter.AskYesNo("fourth?", "Save"));

  struct Expected {
    MessageAnswer answer;
    bool unanswered;
  };
  const std::vector<Expected> expected{{MessageAnswer::kOk, false},
                                       {MessageAnswer::kYes, false},
                                       {MessageAnswer::kNo, false},
                                       {MessageAnswer::kNo, true},
                                       {MessageAnswer::kYes, true}};
  const std::vector<RecordedMessage>& log = prompter.Messages();
  ASSERT_EQ(log.size(), expected.size());
  for (size_t i = 0; i < log.size(); ++i) {
    SCOPED_TRACE(log[i].request.text);
    EXPECT_EQ(log[i].answer, expected[i].answer);
    EXPECT_EQ(log[i].unanswered, expected[i].unanswered);
  }
  EXPECT_EQ(log[1].request.icon, MessageIcon::kQuestion);
  EXPECT_EQ(log[1].request.buttons, MessageButtons::kYesNo);
  EXPECT_EQ(log[1].request.caption, "Save");
}

TEST(ScriptedPrompter, SaveDiscardCancelTakesQueuedChoicesThenCancel) {
  ScriptedPrompter prompter;
  prompter.QueueChoice(MessageAnswer::kDiscard);
  prompter.QueueChoice(MessageAnswer::kSave);
  prompter.QueueAnswer(true);  // Yes/No answers are not taken by the three-way question
  const MessageBoxRequest question{"Save changes to board.rom?", "", MessageIcon::kQuestion,
                                   MessageButtons::kSaveDiscardCancel, MessageAnswer::kSave};
  EXPECT_EQ(prompter.ShowMessage(question), MessageAnswer::kDiscard);
  EXPECT_EQ(prompter.ShowMessage(question), MessageAnswer::kSave);
  EXPECT_EQ(prompter.ShowMessage(question), MessageAnswer::kCancel);
  EXPECT_TRUE(prompter.AskYesNo("still queued?", "Save"));

  const std::vector<RecordedMessage>& log = prompter.Messages();
  ASSERT_EQ(log.size(), 4u);
  EXPECT_FALSE(log[1].unanswered);
  EXPECT_TRUE(log[2].unanswered);
  EXPECT_EQ(log[0].request.default_button, MessageAnswer::kSave);
  EXPECT_EQ(log[3].request.default_button, std::nullopt);
}

TEST(ScriptedPrompter, FileDialogsTakeQueuedPathsAndRecordRequests) {
  ScriptedPrompter prompter;
  prompter.QueueFilePath("/tmp/in.rom");
  prompter.QueueFilePath(std::nullopt);
  prompter.QueueFilePath("/tmp/out");
  prompter.QueueFilePath("/tmp/track");
  prompter.QueueFilePath("");

  const FileDialogRequest open{false, "", "", "ROM Files (*.rom)|*.rom|All Files (*.*)|*.*||"};
  const FileDialogRequest save_rom{true, ".rom", "in.rom", "ROM Files (*.rom)|*.rom||"};
  const FileDialogRequest save_log{true, "log", "", "Log Files (*.log)|*.log||"};
  EXPECT_EQ(prompter.AskFilePath(open), "/tmp/in.rom");
  EXPECT_EQ(prompter.AskFilePath(save_rom), std::nullopt);
  EXPECT_EQ(prompter.AskFilePath(save_rom), "/tmp/out.rom");
  EXPECT_EQ(prompter.AskFilePath(save_log), "/tmp/track.log");
  EXPECT_EQ(prompter.AskFilePath(save_rom), std::nullopt);  // empty path
  EXPECT_EQ(prompter.AskFilePath(open), std::nullopt);      // queue empty

  const std::vector<FileDialogRequest>& requests = prompter.FileRequests();
  ASSERT_EQ(requests.size(), 6u);
  EXPECT_FALSE(requests[0].save);
  EXPECT_EQ(requests[0].filter, open.filter);
  EXPECT_TRUE(requests[2].save);
  EXPECT_EQ(requests[2].default_extension, ".rom");
  EXPECT_EQ(requests[2].initial_name, "in.rom");
  EXPECT_EQ(requests[3].filter, save_log.filter);
}

TEST(ScriptedPrompter, ChosenExtensionIsKept) {
  ScriptedPrompter prompter;
  prompter.QueueFilePath("/tmp/image.bin");
  prompter.QueueFilePath("/tmp/dir.d/image");
  EXPECT_EQ(prompter.AskFilePath({true, ".rom", "", ""}), "/tmp/image.bin");
  EXPECT_EQ(prompter.AskFilePath({true, ".rom", "", ""}), "/tmp/dir.d/image.rom");
}

TEST(ScriptedPrompter, TextDialogsTakeQueuedTextsCutToTheFieldLimit) {
  ScriptedPrompter prompter;
  prompter.QueueText("Quiet Boot");
  prompter.QueueText(std::nullopt);
  prompter.QueueText(std::string(120, 'x'));
  prompter.QueueText("");

  EXPECT_EQ(prompter.AskText({"Update Data", "Boot", 100}), "Quiet Boot");
  EXPECT_EQ(prompter.AskText({"Update Data", "Boot", 100}), std::nullopt);
  EXPECT_EQ(prompter.AskText({"Update Data", "", 100}), std::string(100, 'x'));
  EXPECT_EQ(prompter.AskText({"Update Data", "", 100}), "");  // OK on an empty field
  EXPECT_EQ(prompter.AskText({"Update Data", "", 100}), std::nullopt);

  ASSERT_EQ(prompter.TextRequests().size(), 5u);
  EXPECT_EQ(prompter.TextRequests()[0].initial_text, "Boot");
  EXPECT_EQ(prompter.TextRequests()[0].title, "Update Data");
}

TEST(ScriptedPrompter, DmiDialogChangesOnlyTheScriptedSlots) {
  ScriptedPrompter prompter;
  EXPECT_FALSE(prompter.QueueDmiEdits(DmiEdits{{8, "x"}}));
  EXPECT_FALSE(prompter.QueueDmiEdits(DmiEdits{{-1, "x"}}));
  EXPECT_TRUE(prompter.QueueDmiEdits(DmiEdits{{1, "Board"}, {3, std::string(70, 'v')}}));
  EXPECT_TRUE(prompter.QueueDmiEdits(std::nullopt));

  DmiDialogData data;
  data.title = "BIOS Information";
  data.labels[0] = "Vendor";
  data.values = {"a", "b", "c", "d", "", "", "", ""};
  EXPECT_TRUE(prompter.EditDmiStrings(data));
  EXPECT_EQ(data.values[0], "a");
  EXPECT_EQ(data.values[1], "Board");
  EXPECT_EQ(data.values[2], "c");
  EXPECT_EQ(data.values[3], std::string(DmiDialogData::kMaxValueLength, 'v'));

  const DmiDialogData before_cancel = data;
  EXPECT_FALSE(prompter.EditDmiStrings(data));  // scripted Cancel
  EXPECT_FALSE(prompter.EditDmiStrings(data));  // queue empty
  EXPECT_EQ(data.values, before_cancel.values);

  // The record shows what the dialog was opened with, not what came back.
  ASSERT_EQ(prompter.DmiRequests().size(), 3u);
  EXPECT_EQ(prompter.DmiRequests()[0].values[1], "b");
  EXPECT_EQ(prompter.DmiRequests()[0].title, "BIOS Information");
  EXPECT_EQ(prompter.DmiRequests()[1].values[1], "Board");
}

TEST(ScriptedPrompter, RecordsTitlesAndBusyState) {
  ScriptedPrompter prompter("KALVIRE");
  EXPECT_EQ(prompter.WindowTitle(), "KALVIRE");
  EXPECT_TRUE(prompter.Titles().empty());

  prompter.SetBusy(true);
  prompter.SetWindowTitle("KALVIRE - [ Please Wait While Loading File...]");
  EXPECT_TRUE(prompter.IsBusy());
  prompter.SetWindowTitle("KALVIRE - [sample.rom]");
  prompter.SetBusy(false);

  EXPECT_EQ(prompter.WindowTitle(), "KALVIRE - [sample.rom]");
  EXPECT_EQ(prompter.Titles(),
            (std::vector<std::string>{"KALVIRE - [ Please Wait While Loading File...]",
                                      "KALVIRE - [sample.rom]"}));
  EXPECT_EQ(prompter.BusyOnCount(), 1);
  EXPECT_EQ(prompter.BusyOffCount(), 1);
  EXPECT_FALSE(prompter.IsBusy());
  EXPECT_EQ(ScriptedPrompter("Other").WindowTitle(), "Other");
}

TEST(ScriptedPrompter, EchoesEachMessageTextAsOneLine) {
  ScriptedPrompter prompter;
  prompter.ShowPlain("before the echo");
  std::ostringstream out;
  prompter.SetEcho(&out);
  prompter.ShowError("Error:Failed to allocate memory.");
  prompter.QueueAnswer(true);
  prompter.AskYesNo("Do you want to save?", "KALVIRE");
  prompter.SetEcho(nullptr);
  prompter.ShowPlain("after the echo");
  EXPECT_EQ(out.str(), "Error:Failed to allocate memory.\nDo you want to save?\n");
  EXPECT_EQ(prompter.Messages().size(), 4u);
}

}  // namespace
}  // namespace kalvire::platform
