#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "rom/firmware_walk.h"
#include "rom/messages.h"
#include "rom/section.h"
#include "rom_test_images.h"
#include "rom_test_support.h"
#include "util/le.h"

namespace kalvire::rom::test {
namespace {

using ::testing::ElementsAre;

// 64 bytes by default.
Bytes RawFile(uint8_t index, size_t body_size = 36) {
  return FfsFile(TestGuid(index), 0x07, Section(kSectionRaw, Bytes(body_size, index)));
}

std::vector<Guid> FileNames(const RomWorkspace& ws) {
  std::vector<Guid> names;
  for (uint32_t i = 0; i < ws.m_file_count; ++i) names.push_back(ws.m_files[i].name);
  return names;
}

// A firmware-volume-image file whose only section is `section`.
Bytes VolumeImageFile(uint8_t index, const Bytes& section) {
  Bytes sections;
  AppendSection(sections, Section(kSectionPeiDepex, Bytes{0x08}));
  AppendSection(sections, section);
  return FfsFile(TestGuid(index, 0x22), 0x0B, sections);
}

TEST(WalkFirmwareVolumes, ListsFilesOfConsecutiveVolumesInOrderAndSkipsPadFiles) {
  TestEditor t;
  Bytes image = Volume({RawFile(1), PadFile(64), RawFile(2)});
  Append(image, Volume({RawFile(3)}, {.fv_length = 0x2000}));
  t.ws().m_working_image = image;

  ASSERT_EQ(WalkFirmwareVolumes(*t.editor), 1);
  EXPECT_THAT(FileNames(t.ws()), ElementsAre(TestGuid(1), TestGuid(2), TestGuid(3)));
  ASSERT_EQ(t.ws().m_volume_count, 2u);
  EXPECT_EQ(t.ws().m_volumes[0].file_count, 2u);
  EXPECT_EQ(t.ws().m_volumes[1].file_count, 1u);
  EXPECT_EQ(t.ws().m_volumes[1].start.offset, 0x1000u);
  EXPECT_EQ(t.ws().m_volumes[1].fv_length, 0x2000u);
  EXPECT_EQ(t.ws().m_files[0].file.offset, 72u);
  // 72 + 64 (file 1) + 64 (pad) = 200
  EXPECT_EQ(t.ws().m_files[1].file.offset, 200u);
  EXPECT_EQ(t.ws().m_files[2].volume_index, 1u);
  EXPECT_EQ(t.ws().m_files[1].size, 64u);
  EXPECT_TRUE(t.prompter.Messages().empty());
}

TEST(WalkFirmwareVolumes, ErasedNameOfAnotherTypeEndsTheVolume) {
  TestEditor t;
  Bytes erased = RawFile(9);
  std::fill(erased.begin(), erased.begin() + 16, 0xFF);  // type stays 0x07
  t.ws().m_working_image = Volume({RawFile(1), erased, RawFile(2)});
  ASSERT_EQ(WalkFirmwareVolumes(*t.editor), 1);
  EXPECT_THAT(FileNames(t.ws()), ElementsAre(TestGuid(1)));
}

TEST(WalkFirmwareVolumes, ExtendedHeaderMovesTheFirstFile) {
  TestEditor t;
  t.ws().m_working_image = Volume({RawFile(1), RawFile(2)}, {.extended_header = true});
  ASSERT_EQ(WalkFirmwareVolumes(*t.editor), 1);
  ASSERT_EQ(t.ws().m_file_count, 2u);
  EXPECT_EQ(t.ws().m_volumes[0].first_file, 96u);
  EXPECT_EQ(t.ws().m_files[0].file.offset, 96u);
}

TEST(WalkFirmwareVolumes, SecondFileSystemIsWalkedWithoutSignatureOnlyWhenNoFirstIsFound) {
  TestEditor t;
  const VolumeOptions ffs1{.file_system = kFfs1FileSystemGuid, .signature = false};
  Bytes image = Volume({RawFile(1)}, ffs1);
  Append(image, Volume({RawFile(2), RawFile(3)}, ffs1));
  t.ws().m_working_image = image;
  ASSERT_EQ(WalkFirmwareVolumes(*t.editor), 1);
  EXPECT_THAT(FileNames(t.ws()), ElementsAre(TestGuid(1), TestGuid(2), TestGuid(3)));

  Append(image, Volume({RawFile(4)}));  // one FFS2 volume hides the FFS1 ones
  t.ws().m_working_image = image;
  ASSERT_EQ(WalkFirmwareVolumes(*t.editor), 1);
  EXPECT_THAT(FileNames(t.ws()), ElementsAre(TestGuid(4)));
}

TEST(WalkFirmwareVolumes, NoVolumeShowsInvalidImageTypeAndEmptiesTheTables) {
  TestEditor t;
  t.ws().m_working_image = Volume({RawFile(1)});
  ASSERT_EQ(WalkFirmwareVolumes(*t.editor), 1);
  t.ws().m_working_image = Bytes(0x3000, 0xFF);
  EXPECT_EQ(WalkFirmwareVolumes(*t.editor), 0);
  EXPECT_THAT(t.MessageTexts(), ElementsAre(kMsgInvalidImageType));
  EXPECT_EQ(t.ws().m_file_count, 0u);
  EXPECT_EQ(t.ws().m_files[0].size, 0u);
  EXPECT_EQ(t.ws().m_volume_count, 0u);
}

TEST(WalkFirmwareVolumes, NestedLzmaVolumeLiesSixteenBytesIntoTheDecodedData) {
  TestEditor t;
  const Bytes inner = Volume({RawFile(5), RawFile(6)});
  Bytes decoded = Section(kSectionRaw, Bytes(8, 0));  // 12 bytes, as such images carry
  Append(decoded, Section(kSectionVolumeImage, inner));
  const Bytes fv_file = VolumeImageFile(4, GuidDefinedSection(LzmaPayload(decoded)));
  t.ws().m_working_image = Volume({RawFile(1), fv_file, RawFile(2)}, {.fv_length = 0x4000});

  ASSERT_EQ(WalkFirmwareVolumes(*t.editor), 1);
  EXPECT_THAT(FileNames(t.ws()),
              ElementsAre(TestGuid(1), TestGuid(4, 0x22), TestGuid(2), TestGuid(5), TestGuid(6)));
  ASSERT_EQ(t.ws().m_volume_count, 2u);
  const VolumeRecord& nested = t.ws().m_volumes[1];
  EXPECT_NE(nested.start.buffer, kWorkingImageBuffer);
  EXPECT_EQ(nested.start.offset, 16u);
  EXPECT_EQ(nested.first_file, 16u + 72u);
  EXPECT_EQ(t.ws().m_files[3].file.buffer, nested.start.buffer);
  EXPECT_EQ(t.ws().m_nested.file_index, 1u);
  EXPECT_EQ(t.ws().m_nested.section_offset, 24u + 8u);  // after the 5-byte dependency, aligned
  EXPECT_EQ(t.ws().m_nested.decoded_size, decoded.size());
  EXPECT_EQ(t.ws().m_nested.volume_index, 0u);
}

TEST(WalkFirmwareVolumes, NestedVolumeInLzmaCompressionSectionLiesFourBytesIn) {
  TestEditor t;
  const Bytes decoded = Section(kSectionVolumeImage, Volume({RawFile(7)}));
  const Bytes fv_file =
      VolumeImageFile(4, CompressionSection(2, uint32_t(decoded.size()), LzmaPayload(decoded)));
  t.ws().m_working_image = Volume({fv_file}, {.fv_length = 0x2000});
  ASSERT_EQ(WalkFirmwareVolumes(*t.editor), 1);
  ASSERT_EQ(t.ws().m_volume_count, 2u);
  EXPECT_EQ(t.ws().m_volumes[1].first_file, 4u + 72u);
  EXPECT_THAT(FileNames(t.ws()), ElementsAre(TestGuid(4, 0x22), TestGuid(7)));
}

TEST(WalkFirmwareVolumes, VolumesElsewhereInDecodedDataAreFoundThroughTheirSections) {
  TestEditor t;
  // Two volume image sections after a raw section of another size, as EDK2 lays them out.
  Bytes decoded = Section(kSectionRaw, Bytes(0x7C - 4, 0));
  Append(decoded, Section(kSectionVolumeImage, Volume({RawFile(5)})));
  Append(decoded, Section(kSectionVolumeImage, Volume({RawFile(6), RawFile(7)})));
  const Bytes fv_file = VolumeImageFile(4, GuidDefinedSection(LzmaPayload(decoded)));
  t.ws().m_working_image = Volume({fv_file}, {.fv_length = 0x2000});
  ASSERT_EQ(WalkFirmwareVolumes(*t.editor), 1);
  ASSERT_EQ(t.ws().m_volume_count, 3u);
  EXPECT_EQ(t.ws().m_volumes[1].start.offset, 0x80u);
  EXPECT_EQ(t.ws().m_volumes[2].start.offset, 0x1084u);
  EXPECT_THAT(FileNames(t.ws()),
              ElementsAre(TestGuid(4, 0x22), TestGuid(5), TestGuid(6), TestGuid(7)));
}

TEST(WalkFirmwareVolumes, UndecodableNestedVolumeStopsTheWalkWith25) {
  TestEditor t;
  Bytes payload = LzmaPayload(Bytes(600, 0x33));
  payload.resize(payload.size() / 2);  // the stream ends early
  Bytes image = Volume({RawFile(1), VolumeImageFile(4, GuidDefinedSection(payload)), RawFile(2)});
  Append(image, Volume({RawFile(3)}));
  t.ws().m_working_image = image;
  EXPECT_EQ(WalkFirmwareVolumes(*t.editor), kWalkNestedVolumeUndecodable);
  EXPECT_THAT(FileNames(t.ws()), ElementsAre(TestGuid(1), TestGuid(4, 0x22)));
  EXPECT_EQ(t.ws().m_volumes[0].file_count, 2u);
  EXPECT_TRUE(t.prompter.Messages().empty());
}

TEST(WalkFirmwareVolumes, UnsetFileSizeReachesTheNextVolume) {
  TestEditor t;
  Bytes first = Volume({RawFile(1), RawFile(2)});
  util::StoreLe24(first.data() + 72 + 64 + 20, 0xFFFFFF);
  Append(first, Volume({RawFile(3)}));
  t.ws().m_working_image = first;
  ASSERT_EQ(WalkFirmwareVolumes(*t.editor), 1);
  ASSERT_EQ(t.ws().m_file_count, 3u);
  EXPECT_EQ(t.ws().m_files[1].size, 0x1000u - 136u);
  EXPECT_EQ(t.ws().m_volumes[0].file_count, 2u);
}

// Damaged images: each ends the walk of the damaged volume, lists what lies before the damage
// and keeps every later volume.
TEST(WalkFirmwareVolumes, DamagedHeadersEndOnlyTheirVolume) {
  struct Case {
    const char* name;
    size_t patch_offset;  // into the first volume
    std::vector<uint8_t> patch;
    std::vector<Guid> expected;
  };
  const size_t second_file = 72 + 64;
  const std::vector<Case> cases = {
      {"file size past the volume",
       second_file + 20,
       {0x00, 0x20, 0x00},
       {TestGuid(1), TestGuid(9)}},
      {"file size 0", second_file + 20, {0, 0, 0}, {TestGuid(1), TestGuid(9)}},
      {"file size below its header", second_file + 20, {23, 0, 0}, {TestGuid(1), TestGuid(9)}},
      {"volume length past the image", 32, {0x00, 0x00, 0x10, 0x00}, {TestGuid(9)}},
      {"extended header past the volume", 52, {0xF0, 0x0F}, {TestGuid(9)}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TestEditor t;
    Bytes image = Volume({RawFile(1), RawFile(2), RawFile(3)});
    std::copy(c.patch.begin(), c.patch.end(), image.begin() + c.patch_offset);
    Append(image, Volume({RawFile(9)}));
    t.ws().m_working_image = image;
    EXPECT_EQ(WalkFirmwareVolumes(*t.editor), 1);
    EXPECT_EQ(FileNames(t.ws()), c.expected);
    EXPECT_FALSE(t.ws().m_diagnostics.empty());
  }
}

TEST(WalkFirmwareVolumes, TruncatedImagesNeverReadPastTheirEnd) {
  Bytes image = Volume(
      {RawFile(1),
       VolumeImageFile(
           4, GuidDefinedSection(LzmaPayload(Section(kSectionVolumeImage, Volume({RawFile(5)}))))),
       RawFile(2)},
      {.fv_length = 0x3000});
  for (size_t length = 0; length <= image.size(); length += 7) {
    TestEditor t;
    // An exact-size copy lets the sanitizer builds catch any read past the end.
    t.ws().m_working_image.assign(image.begin(), image.begin() + length);
    const int result = WalkFirmwareVolumes(*t.editor);
    ASSERT_TRUE(result == 0 || result == 1 || result == kWalkNestedVolumeUndecodable) << length;
    ASSERT_LE(t.ws().m_file_count, 5u);
  }
}

TEST(WalkFirmwareVolumes, SectionSizesOfZeroOrPastTheFileAreRefused) {
  struct Case {
    const char* name;
    uint32_t section_size;
    int expected;
  };
  for (const Case& c : {Case{"dependency size 0", 0, 1}, Case{"dependency past file", 0x900, 1}}) {
    SCOPED_TRACE(c.name);
    TestEditor t;
    Bytes fv_file = VolumeImageFile(4, GuidDefinedSection(LzmaPayload(Bytes(64, 1))));
    util::StoreLe24(fv_file.data() + 24, c.section_size);
    t.ws().m_working_image = Volume({fv_file, RawFile(2)});
    EXPECT_EQ(WalkFirmwareVolumes(*t.editor), c.expected);
    EXPECT_THAT(FileNames(t.ws()), ElementsAre(TestGuid(4, 0x22), TestGuid(2)));
  }
  TestEditor t;
  Bytes fv_file = VolumeImageFile(4, GuidDefinedSection(LzmaPayload(Bytes(64, 1))));
  util::StoreLe24(fv_file.data() + 32, 0x900);  // the compressed section passes its file
  t.ws().m_working_image = Volume({fv_file, RawFile(2)});
  EXPECT_EQ(WalkFirmwareVolumes(*t.editor), kWalkNestedVolumeUndecodable);
}

TEST(WalkFirmwareVolumes, FullTablesStopAcceptingAndSayWhy) {
  TestEditor t;
  Bytes image;
  for (int v = 0; v < 42; ++v) Append(image, Volume({RawFile(uint8_t(v))}));
  t.ws().m_working_image = image;
  ASSERT_EQ(WalkFirmwareVolumes(*t.editor), 1);
  EXPECT_EQ(t.ws().m_volume_count, kVolumeCapacity);
  EXPECT_EQ(t.ws().m_file_count, kVolumeCapacity);
  EXPECT_THAT(t.ws().m_diagnostics, ElementsAre(::testing::HasSubstr("volume table full")));

  std::vector<Bytes> files;
  for (int i = 0; i < 1100; ++i) files.push_back(RawFile(uint8_t(i), 8));
  t.ws().m_working_image = Volume(files, {.fv_length = 0x10000});
  t.ws().m_diagnostics.clear();
  ASSERT_EQ(WalkFirmwareVolumes(*t.editor), 1);
  EXPECT_EQ(t.ws().m_file_count, kFileCapacity);
  EXPECT_EQ(t.ws().m_volumes[0].file_count, kFileCapacity);
  EXPECT_THAT(t.ws().m_diagnostics, ::testing::Contains(::testing::HasSubstr("file table full")));
}

TEST(VolumeFreeSpace, CountsTheErasedBytesAfterTheLastFile) {
  TestEditor t;
  t.ws().m_working_image = Volume({RawFile(1), RawFile(2, 41)});  // 64 + 69
  // 72 + 64 + 72 (65 rounded up to 8)
  EXPECT_EQ(VolumeFreeSpace(t.ws(), {kWorkingImageBuffer, 0}), 0x1000u - 208u);

  t.ws().m_working_image = Volume({RawFile(1)}, {.extended_header = true});
  EXPECT_EQ(VolumeFreeSpace(t.ws(), {kWorkingImageBuffer, 0}), 0x1000u - 160u);

  // A file that fills the volume to its end leaves nothing.
  t.ws().m_working_image = Volume({RawFile(1, 0x1000 - 72 - 28)});
  EXPECT_EQ(VolumeFreeSpace(t.ws(), {kWorkingImageBuffer, 0}), 0u);
}

}  // namespace
}  // namespace kalvire::rom::test
