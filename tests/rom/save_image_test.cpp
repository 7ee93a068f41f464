// Save and Save As: what they ask, what they write, and what the workspace holds afterwards.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "rom/messages.h"
#include "rom/open_image.h"
#include "rom/save_image.h"
#include "save_fixture.h"
#include "tools/sample_image.h"
#include "tracklog/history.h"

namespace kalvire::rom::test {
namespace {

using ::testing::ElementsAre;

size_t HistoryFiles(Editor& editor) {
  const auto area = tracklog::FindHistoryArea(editor.workspace);
  return area ? tracklog::ReadHistoryChain(editor.workspace, *area).files.size() : 0;
}

TEST(SaveRomImage, AnUneditedImageIsWrittenAsItWasOpenedBySaveAndSaveAs) {
  TempDir dir;
  const Bytes original = tools::BuildSampleImage();
  const std::string path = dir.Path("sample.rom");
  WriteBytes(path, original);
  auto session = OpenSession(path);
  ASSERT_TRUE(session);
  session->prompter().QueueAnswer(true);
  SaveRomImage(session->editor());
  EXPECT_EQ(ReadBytes(path), original);
  SaveAs(*session, dir.Path("copy.rom"));
  EXPECT_EQ(ReadBytes(dir.Path("copy.rom")), original);
  EXPECT_THAT(session->Messages(), ElementsAre(kMsgOverwrite, kMsgSaved, kMsgSaved));
  const auto& first = session->prompter().Messages()[0].request;
  EXPECT_EQ(first.caption, kCaptionConfirmSave);
  EXPECT_EQ(first.icon, platform::MessageIcon::kQuestion);
  EXPECT_EQ(first.buttons, platform::MessageButtons::kYesNo);
  EXPECT_EQ(session->prompter().WindowTitle(), "KALVIRE - [copy.rom]");
  EXPECT_EQ(session->editor().workspace.m_path, dir.Path("copy.rom"));
}

TEST(SaveRomImage, SavingTwiceAfterOneEditRebuildsOnce) {
  TempDir dir;
  const std::string path = dir.Path("board.rom");
  WriteBytes(path, SaveTestImage({tools::ModuleStorage::kTiano, true}));
  auto session = OpenSession(path);
  ASSERT_TRUE(session);
  Editor& editor = session->editor();
  HideQuestion(editor);
  session->prompter().QueueAnswer(true);
  SaveRomImage(editor);
  const Bytes once = ReadBytes(path);
  EXPECT_EQ(HistoryFiles(editor), 1u);
  EXPECT_FALSE(editor.workspace.m_setup_form_modified);
  EXPECT_EQ(editor.workspace.m_pristine_image, editor.workspace.m_working_image);
  EXPECT_EQ(session->prompter().WindowTitle(), "KALVIRE - [board.rom]");

  session->prompter().QueueAnswer(true);
  SaveRomImage(editor);
  EXPECT_EQ(ReadBytes(path), once);
  EXPECT_EQ(HistoryFiles(editor), 1u);
  EXPECT_THAT(session->Messages(), ElementsAre(kMsgOverwrite, kMsgSaved, kMsgOverwrite, kMsgSaved));
}

TEST(SaveRomImage, NoToTheConfirmationDoesNothing) {
  TempDir dir;
  const std::string path = dir.Path("board.rom");
  const Bytes original = SaveTestImage({});
  WriteBytes(path, original);
  auto session = OpenSession(path);
  ASSERT_TRUE(session);
  HideQuestion(session->editor());
  const Bytes working = session->editor().workspace.m_working_image;
  session->prompter().QueueAnswer(false);
  SaveRomImage(session->editor());
  EXPECT_EQ(ReadBytes(path), original);
  EXPECT_EQ(session->editor().workspace.m_working_image, working);
  EXPECT_TRUE(session->editor().workspace.m_setup_form_modified);
  EXPECT_THAT(session->Messages(), ElementsAre(kMsgOverwrite));
}

TEST(SaveRomImageAs, NoToAnExistingFileLeavesTheWorkspaceAndTheFileUntouched) {
  TempDir dir;
  const std::string path = dir.Path("board.rom");
  const std::string other = dir.Path("other.rom");
  WriteBytes(path, SaveTestImage({}));
  WriteBytes(other, Bytes{1, 2, 3});
  auto session = OpenSession(path);
  ASSERT_TRUE(session);
  Editor& editor = session->editor();
  HideQuestion(editor);
  const Bytes working = editor.workspace.m_working_image;
  const std::string title = session->prompter().WindowTitle();
  session->prompter().QueueFilePath(other);
  session->prompter().QueueAnswer(false);
  SaveRomImageAs(editor);
  EXPECT_EQ(ReadBytes(other), (Bytes{1, 2, 3}));
  EXPECT_EQ(editor.workspace.m_working_image, working);
  EXPECT_EQ(HistoryFiles(editor), 0u);
  EXPECT_TRUE(editor.workspace.m_setup_form_modified);
  EXPECT_EQ(editor.workspace.m_path, path);
  EXPECT_EQ(session->prompter().WindowTitle(), title);
  EXPECT_THAT(session->Messages(), ElementsAre(kMsgFileExists));
  const auto& question = session->prompter().Messages()[0].request;
  EXPECT_EQ(question.caption, kCaptionConfirmSaveAs);
  EXPECT_EQ(question.icon, platform::MessageIcon::kQuestion);
  // The wait text was shown while the command ran.
  EXPECT_THAT(session->prompter().Titles(),
              ::testing::Contains("KALVIRE - [ Please Wait While Saving File...]"));
  const auto& request = session->prompter().FileRequests().back();
  EXPECT_TRUE(request.save);
  EXPECT_EQ(request.default_extension, ".rom");
  EXPECT_EQ(request.filter, "ROM Files (*.rom)|*.rom|All Files (*.*)|*.*||");
}

TEST(SaveRomImageAs, TheOpenFileItselfIsOverwrittenAfterYes) {
  TempDir dir;
  const std::string path = dir.Path("board.rom");
  WriteBytes(path, SaveTestImage({}));
  auto session = OpenSession(path);
  ASSERT_TRUE(session);
  HideQuestion(session->editor());
  SaveAs(*session, path);
  EXPECT_THAT(session->Messages(), ElementsAre(kMsgFileExists, kMsgSaved));
  EXPECT_EQ(ReadBytes(path), session->editor().workspace.m_working_image);
  EXPECT_FALSE(session->editor().workspace.m_setup_form_modified);
}

TEST(SaveRomImageAs, CancelInTheDialogDoesNothing) {
  TempDir dir;
  const std::string path = dir.Path("board.rom");
  WriteBytes(path, SaveTestImage({}));
  auto session = OpenSession(path);
  ASSERT_TRUE(session);
  HideQuestion(session->editor());
  const std::string title = session->prompter().WindowTitle();
  session->prompter().QueueFilePath(std::nullopt);
  SaveRomImageAs(session->editor());
  EXPECT_TRUE(session->Messages().empty());
  EXPECT_EQ(session->prompter().WindowTitle(), title);
  EXPECT_TRUE(session->editor().workspace.m_setup_form_modified);
}

TEST(SaveRomImage, WithoutAnImageBothCommandsReportThatTheyCannotSave) {
  TempDir dir;
  Session session;
  EXPECT_EQ(OpenRomImageBytes(session.editor(), Bytes(4096, 0xFF), "blank.rom"), 0);
  session.prompter().QueueAnswer(true);
  SaveRomImage(session.editor());
  session.prompter().QueueFilePath(dir.Path("out.rom"));
  SaveRomImageAs(session.editor());
  const std::vector<std::string> messages = session.Messages();
  ASSERT_GE(messages.size(), 3u);
  EXPECT_THAT(std::vector<std::string>(messages.end() - 3, messages.end()),
              ElementsAre(kMsgOverwrite, kMsgUnableToSave, kMsgUnableToSave));
  EXPECT_FALSE(std::filesystem::exists(dir.Path("out.rom")));
}

}  // namespace
}  // namespace kalvire::rom::test
