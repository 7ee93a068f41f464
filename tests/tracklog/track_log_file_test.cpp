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

TEST(SaveTrackLog, ProposesTheImageNameWithoutItsRomEnding) {
  struct Case {
    const char* file;
    const char* proposed;
  };
  const Case cases[] = {{"board.rom", "board"},
                        {"BOARD.ROM", "BOARD"},
                        {"board.Rom", "board.Rom"},
                        {"board.bin", "board.bin"},
                        {"v1.rom.bin", "v1.rom.bin"}};
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
  SaveTrackLog(ed);
  EXPECT_THAT(image->MessageTexts(), IsEmpty());

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
