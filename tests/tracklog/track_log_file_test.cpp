#include "tracklog/track_log_file.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/headless_controls.h"
#include "setup/ifr_layout.h"
#include "setup/node_edit.h"
#include "support/test_data.h"
#include "tracklog/import_settings.h"
#include "tracklog/track_log.h"
#include "tracklog_fixture.h"

namespace kalvire::tracklog::test {
namespace {

using kalvire::test::ReadTextFile;

using ::testing::IsEmpty;

TEST(WriteTrackLogFile, OneLineFeedBehindEveryLineAndNothingElse) {
  TempPath path("lines.log");
  platform::HeadlessList list;
  {
    SCOPED_TRACE("an empty list");
    ASSERT_TRUE(WriteTrackLogFile(list, path.path));
    EXPECT_TRUE(std::filesystem::exists(path.path));
    EXPECT_EQ(ReadTextFile(path.path), "");
  }
  {
    SCOPED_TRACE("lines, replacing the earlier file");
    list.AddString("Node No: 1a String: Boot");
    list.AddString("    Visibility changed to Hide");
    list.AddString(" DMI String is changed to \" \xE9 \" from \" x \"");
    ASSERT_TRUE(WriteTrackLogFile(list, path.path));
    EXPECT_EQ(ReadTextFile(path.path),
              "Node No: 1a String: Boot\n    Visibility changed to Hide\n DMI String is changed "
              "to \" \xE9 \" from \" x \"\n");
  }
  EXPECT_FALSE(WriteTrackLogFile(list, "/nonexistent-folder/x.log"));
}

TEST(SaveTrackLog, ProposesTheImageNameWithALogExtension) {
  struct Case {
    const char* file;
    const char* proposed;
  };
  const Case cases[] = {{"board.rom", "board.log"},
                        {"BOARD.ROM", "BOARD.log"},
                        {"h61-bios-region.bin", "h61-bios-region.log"},
                        {"v1.rom.bin", "v1.rom.log"},
                        {"board", "board.log"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    auto image = OpenImage(DefaultHistoryImage(), c.file);
    ASSERT_TRUE(image);
    image->prompter().QueueFilePath(std::nullopt);
    SaveTrackLog(image->editor());
    ASSERT_EQ(image->prompter().FileRequests().size(), 1u);
    const platform::FileDialogRequest& request = image->prompter().FileRequests()[0];
    EXPECT_EQ(request.initial_name, c.proposed);
    EXPECT_TRUE(request.save);
    EXPECT_EQ(request.default_extension, ".log");
    EXPECT_EQ(request.filter, "Log Files (*.log)|*.log|All Files (*.*)|*.*||");
    EXPECT_FALSE(request.overwrite_prompt);
  }
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

TEST(SaveTrackLog, ReplacesAnExistingFileOnlyAfterYes) {
  auto image = OpenImage(DefaultHistoryImage());
  ASSERT_TRUE(image);
  image->editor().controls.track_log->AddString("Node No: 1a String: Boot");
  TempPath path("existing.log");
  WriteFile(path.path, "earlier log\n");
  const std::string question = std::filesystem::path(path.path).filename().string() +
                               " already exists. Do you want to replace it?";
  struct Case {
    const char* name;
    bool yes;
    const char* content;
  };
  for (const Case& c : {Case{"No keeps the file", false, "earlier log\n"},
                        Case{"Yes replaces it", true, "Node No: 1a String: Boot\n"}}) {
    SCOPED_TRACE(c.name);
    image->prompter().QueueFilePath(path.path);
    image->prompter().QueueAnswer(c.yes);
    SaveTrackLog(image->editor());
    ASSERT_FALSE(image->prompter().Messages().empty());
    const platform::MessageBoxRequest& asked = image->prompter().Messages().back().request;
    EXPECT_EQ(asked.text, question);
    EXPECT_EQ(asked.caption, "Confirm Save Track Log");
    EXPECT_EQ(asked.buttons, platform::MessageButtons::kYesNo);
    EXPECT_EQ(asked.default_button, platform::MessageAnswer::kNo);
    EXPECT_EQ(ReadTextFile(path.path), c.content);
  }
  {
    SCOPED_TRACE("a new file: no question");
    TempPath fresh("fresh.log");
    const size_t asked_before = image->prompter().Messages().size();
    image->prompter().QueueFilePath(fresh.path);
    SaveTrackLog(image->editor());
    EXPECT_EQ(image->prompter().Messages().size(), asked_before);
    EXPECT_EQ(ReadTextFile(fresh.path), "Node No: 1a String: Boot\n");
  }
}

TEST(SaveTrackLog, NeverWritesTheOpenImageUnderAnyPath) {
  TempPath image_path("open-image.bin");
  const Bytes& bytes = DefaultHistoryImage();
  WriteFile(image_path.path, std::string(bytes.begin(), bytes.end()));
  auto image = OpenImage(bytes, image_path.path);
  ASSERT_TRUE(image);
  image->editor().controls.track_log->AddString("Node No: 1a String: Boot");
  const std::filesystem::path file(image_path.path);
  TempPath link("open-image-link.log");
  std::filesystem::create_symlink(file, link.path);
  const std::string through_parent = (file.parent_path() / "." / file.filename()).string();
  for (const std::string& chosen : {image_path.path, through_parent, link.path}) {
    SCOPED_TRACE(chosen);
    image->prompter().QueueFilePath(chosen);
    image->prompter().QueueAnswer(true);  // a replace question must not even be asked
    SaveTrackLog(image->editor());
    ASSERT_FALSE(image->prompter().Messages().empty());
    const platform::RecordedMessage& shown = image->prompter().Messages().back();
    EXPECT_EQ(shown.request.text, "Error: The track log cannot be written over the open image.");
    EXPECT_EQ(shown.request.icon, platform::MessageIcon::kError);
    EXPECT_EQ(ReadTextFile(image_path.path), std::string(bytes.begin(), bytes.end()));
  }
  EXPECT_EQ(image->prompter().Messages().size(), 3u);
}

TEST(SaveTrackLog, WritesWhatTheListShowsAndImportReadsItBack) {
  auto image = OpenImage(DefaultHistoryImage());
  ASSERT_TRUE(image);
  rom::Editor& ed = image->editor();
  const uint32_t node = image->FindNode(setup::kOpCheckbox);
  setup::ChangeNodeSetting(ed, setup::kChangeVisibility, 0, 0, node);
  ed.dmi.current[3].strings[0] = "Another Maker";
  TempPath path("board.log");
  {
    SCOPED_TRACE("after an edit: its feedback lines");
    image->prompter().QueueFilePath(path.path);
    SaveTrackLog(ed);
    EXPECT_EQ(ReadTextFile(path.path), "    Visibility changed\n");
  }
  FullTrackLog(ed);
  const std::vector<std::string> full = image->TrackLog();
  ASSERT_EQ(full.size(), 4u);
  image->prompter().QueueFilePath(path.path);
  image->prompter().QueueAnswer(true);  // replaces the file of the first save
  SaveTrackLog(ed);
  EXPECT_EQ(image->MessageTexts().size(), 1u);

  auto other = OpenImage(DefaultHistoryImage());
  ASSERT_TRUE(other);
  other->prompter().QueueFilePath(path.path);
  ImportSettings(other->editor());
  ASSERT_EQ(other->prompter().FileRequests().size(), 1u);
  const platform::FileDialogRequest& request = other->prompter().FileRequests()[0];
  EXPECT_FALSE(request.save);
  EXPECT_EQ(request.default_extension, ".log");
  EXPECT_EQ(request.filter, "LOG Files (*.log)|*.log|All Files (*.*)|*.*||");
  BuildTrackLog(other->editor());
  EXPECT_EQ(other->TrackLog(), full);
}

TEST(ImportSettings, CancelOrAMissingFileChangesNothingSilently) {
  auto image = OpenImage(DefaultHistoryImage());
  ASSERT_TRUE(image);
  rom::Editor& ed = image->editor();
  const std::vector<uint8_t> spf = ed.workspace.m_amitse_module.file;
  image->prompter().QueueFilePath(std::nullopt);
  ImportSettings(ed);
  image->prompter().QueueFilePath("/nonexistent-folder/board.log");
  ImportSettings(ed);
  EXPECT_EQ(ImportSettingsFile(ed, "/nonexistent-folder/board.log"), 0);
  EXPECT_EQ(image->prompter().FileRequests().size(), 2u);
  EXPECT_THAT(image->MessageTexts(), IsEmpty());
  EXPECT_EQ(ed.workspace.m_amitse_module.file, spf);
  EXPECT_FALSE(ed.workspace.m_setup_form_modified);
}

}  // namespace
}  // namespace kalvire::tracklog::test
