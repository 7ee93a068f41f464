#include "tracklog/history.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <numeric>

#include "rom/ffs_file.h"
#include "rom/firmware_walk.h"
#include "setup/ifr_layout.h"
#include "setup/node_edit.h"
#include "tracklog/track_log.h"
#include "tracklog_fixture.h"
#include "util/le.h"

namespace kalvire::tracklog::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// Monday, 4 March 2024, 12:00 UTC.
constexpr std::time_t kMonday = 1709553600;

class UtcClock : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* tz = std::getenv("TZ");
    if (tz) m_saved = tz;
    m_had_tz = tz != nullptr;
    setenv("TZ", "UTC0", 1);
    tzset();
  }
  void TearDown() override {
    if (m_had_tz) {
      setenv("TZ", m_saved.c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }

 private:
  std::string m_saved;
  bool m_had_tz = false;
};

using FormatHistoryDateTest = UtcClock;

TEST_F(FormatHistoryDateTest, FullNamesAndATwoDigitDay) {
  EXPECT_EQ(FormatHistoryDate(kMonday), "Monday, March 04, 2024");
  EXPECT_EQ(FormatHistoryDate(kMonday + 25 * 86400), "Friday, March 29, 2024");
  EXPECT_EQ(FormatHistoryDate(0), "Thursday, January 01, 1970");
}

TEST(BuildHistoryFile, HeaderOfARawFileWithAValidChecksum) {
  const std::string text = "====KALVIRE=====\n";
  const Bytes file = BuildHistoryFile(text);
  ASSERT_EQ(file.size(), 24 + text.size());
  EXPECT_THAT(std::vector<uint8_t>(file.begin(), file.begin() + 16),
              ElementsAre(0x05, 0x7A, 0x0A, 0x83, 0x67, 0x96, 0xFD, 0x46, 0xA3, 0xF4, 0x6A, 0x7B,
                          0x90, 0x3B, 0xEE, 0x73));
  EXPECT_EQ(file[17], 0xAA);
  EXPECT_EQ(file[18], 0x01);
  EXPECT_EQ(file[19], 0x04);
  EXPECT_EQ(util::LoadLe24(file.data() + 20), file.size());
  EXPECT_EQ(file[23], 0xF8);
  // The header sums to 0 with the file checksum and the State taken as 0.
  const int sum = std::accumulate(file.begin(), file.begin() + 24, 0) - file[17] - file[23];
  EXPECT_EQ(sum % 256, 0);
  EXPECT_EQ(std::string(file.begin() + 24, file.end()), text);
}

class AppendHistoryTest : public UtcClock {
 protected:
  void SetUp() override {
    UtcClock::SetUp();
    image = OpenImage(DefaultHistoryImage());
    ASSERT_TRUE(image);
    area = *FindHistoryArea(image->editor().workspace);
  }

  rom::Editor& ed() { return image->editor(); }
  const rom::FileRecord& Marker() { return ed().workspace.m_files[area.marker_index]; }
  void Hide(uint32_t node) { setup::ChangeNodeSetting(ed(), setup::kChangeVisibility, 0, 0, node); }
  std::string Text(const std::vector<std::string>& track_log) {
    std::string text = "====KALVIRE=====\n=====Monday, March 04, 2024====\n";
    for (const std::string& line : track_log) text += line + "\n";
    return text;
  }

  std::unique_ptr<OpenedImage> image;
  HistoryArea area;
};

TEST_F(AppendHistoryTest, TheAreaLiesBehindTheNvramStoreFile) {
  const rom::FileRecord& marker = Marker();
  EXPECT_EQ(marker.name, rom::kNvramStoreGuid);
  EXPECT_EQ(area.buffer, rom::kWorkingImageBuffer);
  EXPECT_EQ(area.first, rom::Align8(marker.file.offset + marker.size) + 256);
  const rom::VolumeRecord& volume = ed().workspace.m_volumes[marker.volume_index];
  EXPECT_EQ(area.end, volume.start.offset + volume.fv_length);
}

TEST_F(AppendHistoryTest, TwoSavesWithAChangeBetweenChainTwoFiles) {
  const uint32_t first_node = image->FindNode(setup::kOpCheckbox);
  const uint32_t second_node = image->FindNode(setup::kOpText);
  const std::vector<uint8_t> before = ed().workspace.m_working_image;

  Hide(first_node);
  ASSERT_EQ(AppendHistory(ed(), kMonday), 1);
  const std::vector<std::string> first_log = image->TrackLog();
  ASSERT_EQ(first_log.size(), 2u);
  // What a successful save does to the flags.
  ed().workspace.m_setup_form_modified = false;

  image->SetItemText(second_node, "Second change");
  ed().workspace.m_setup_string_modified = true;
  ASSERT_EQ(AppendHistory(ed(), kMonday), 1);
  const std::vector<std::string> second_log = image->TrackLog();
  ASSERT_EQ(second_log.size(), 4u);

  const HistoryChain chain = ReadHistoryChain(ed().workspace, area);
  ASSERT_EQ(chain.files.size(), 2u);
  EXPECT_EQ(chain.files[0].offset, area.first);
  EXPECT_EQ(chain.files[0].text, Text(first_log));
  EXPECT_EQ(chain.files[1].offset, rom::Align8(area.first + chain.files[0].size));
  EXPECT_EQ(chain.files[1].text, Text(second_log));
  EXPECT_TRUE(chain.files[0].history_name && chain.files[1].history_name);
  EXPECT_FALSE(chain.broken);

  // Nothing outside the two files changed: the bytes before, between and behind them.
  const std::vector<uint8_t>& after = ed().workspace.m_working_image;
  ASSERT_EQ(after.size(), before.size());
  for (size_t i = 0; i < after.size(); ++i) {
    const bool in_first =
        i >= chain.files[0].offset && i < chain.files[0].offset + chain.files[0].size;
    const bool in_second =
        i >= chain.files[1].offset && i < chain.files[1].offset + chain.files[1].size;
    if (!in_first && !in_second && after[i] != before[i]) {
      ADD_FAILURE() << "byte " << i << " changed";
      break;
    }
  }
  // The walk still ends the volume at the free space behind the NVRAM store.
  const uint32_t files = ed().workspace.m_file_count;
  ASSERT_EQ(rom::WalkFirmwareVolumes(ed()), 1);
  EXPECT_EQ(ed().workspace.m_file_count, files);
}

TEST_F(AppendHistoryTest, NothingIsWrittenWithoutAChange) {
  const std::vector<uint8_t> before = ed().workspace.m_working_image;
  EXPECT_EQ(AppendHistory(ed(), kMonday), 0);
  EXPECT_EQ(ed().workspace.m_working_image, before);
  EXPECT_THAT(image->MessageTexts(), IsEmpty());
}

TEST_F(AppendHistoryTest, TheFileMustFitTheAreaToTheByte) {
  Hide(image->FindNode(setup::kOpCheckbox));
  BuildTrackLog(ed());
  const uint64_t size = 24 + Text(image->TrackLog()).size();
  rom::VolumeRecord& volume = ed().workspace.m_volumes[Marker().volume_index];
  const std::vector<uint8_t> before = ed().workspace.m_working_image;
  {
    SCOPED_TRACE("one byte short");
    volume.fv_length = uint32_t(area.first + size - 1 - volume.start.offset);
    EXPECT_EQ(AppendHistory(ed(), kMonday), kHistoryNoRoom);
    EXPECT_THAT(image->MessageTexts(),
                ElementsAre("Error: Unable to log history. space left is too small!!!"));
    EXPECT_EQ(ed().workspace.m_working_image, before);
  }
  {
    SCOPED_TRACE("ending exactly at the area's end");
    volume.fv_length = uint32_t(area.first + size - volume.start.offset);
    EXPECT_EQ(AppendHistory(ed(), kMonday), 1);
    EXPECT_EQ(image->MessageTexts().size(), 1u);
    const auto exact = *FindHistoryArea(ed().workspace);
    const HistoryChain chain = ReadHistoryChain(ed().workspace, exact);
    ASSERT_EQ(chain.files.size(), 1u);
    EXPECT_EQ(chain.files[0].offset + chain.files[0].size, exact.end);
  }
}

TEST_F(AppendHistoryTest, AFileOfSizeBelowItsHeaderStopsTheChainWithoutAWrite) {
  Hide(image->FindNode(setup::kOpCheckbox));
  std::vector<uint8_t>& bytes = ed().workspace.m_working_image;
  bytes[area.first + 20] = 0;
  bytes[area.first + 21] = 0;
  bytes[area.first + 22] = 0;
  bytes[area.first + 23] = 0xF8;
  const std::vector<uint8_t> before = bytes;
  EXPECT_EQ(AppendHistory(ed(), kMonday), kHistoryNoRoom);
  EXPECT_EQ(bytes, before);
  EXPECT_THAT(image->MessageTexts(),
              ElementsAre("Error: Unable to log history. space left is too small!!!"));
}

TEST(AppendHistory, AFileRightBehindTheNvramStoreLeavesNoRoom) {
  auto image = OpenImage(HistoryImage(0x100000, true), "behind.rom");
  ASSERT_TRUE(image);
  rom::Editor& ed = image->editor();
  const auto area = FindHistoryArea(ed.workspace);
  ASSERT_TRUE(area);
  const rom::FileRecord& next = ed.workspace.m_files[area->marker_index + 1];
  EXPECT_EQ(area->end, next.file.offset);
  EXPECT_LT(area->end, area->first);

  ed.dmi.current[0].strings[0] = "Vendor";
  ed.workspace.m_dmi_modified = true;
  const std::vector<uint8_t> before = ed.workspace.m_working_image;
  EXPECT_EQ(AppendHistory(ed, kMonday), kHistoryNoRoom);
  EXPECT_THAT(image->MessageTexts(),
              ElementsAre("Error: Unable to log history. space left is too small!!!"));
  EXPECT_EQ(ed.workspace.m_working_image, before);
  // The track log was built all the same.
  EXPECT_EQ(image->TrackLog().size(), 2u);
}

TEST(AppendHistory, TheSampleImageWritesBehindItsNvramStoreUpToTheVolumeEnd) {
  auto image = OpenImage(SampleImage(), "sample.rom");
  ASSERT_TRUE(image);
  rom::Editor& ed = image->editor();
  const auto area = FindHistoryArea(ed.workspace);
  ASSERT_TRUE(area);
  EXPECT_EQ(ed.workspace.m_files[area->marker_index].name, rom::kNvramStoreGuid);
  const rom::VolumeRecord& volume = ed.workspace.m_volumes[0];
  EXPECT_EQ(area->end, volume.start.offset + volume.fv_length);
  EXPECT_GE(area->end - area->first, uint64_t{1} << 20);

  ed.dmi.current[0].strings[0] = "Vendor";
  ed.workspace.m_dmi_modified = true;
  EXPECT_EQ(AppendHistory(ed, kMonday), 1);
  EXPECT_THAT(image->MessageTexts(), IsEmpty());
  const HistoryChain chain = ReadHistoryChain(ed.workspace, *area);
  ASSERT_EQ(chain.files.size(), 1u);
  EXPECT_EQ(chain.files[0].offset, area->first);
  EXPECT_TRUE(chain.files[0].history_name);
}

}  // namespace
}  // namespace kalvire::tracklog::test
