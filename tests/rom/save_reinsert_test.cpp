// ReinsertFile: a rebuilt file takes its old file's place, what lies behind it moves, the
// records follow, and nothing is written past the volume.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "rom/ffs_file.h"
#include "rom/firmware_walk.h"
#include "rom/messages.h"
#include "rom/reinsert.h"
#include "rom/section.h"
#include "rom/verify.h"
#include "rom_test_images.h"
#include "rom_test_support.h"
#include "util/le.h"

namespace kalvire::rom::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

Bytes RawFile(uint8_t index, size_t body_size) {
  return FfsFile(TestGuid(index), 0x07, Section(kSectionRaw, Bytes(body_size, index)));
}

struct Walked {
  TestEditor t;
  explicit Walked(Bytes image) {
    t.ws().m_working_image = std::move(image);
    EXPECT_EQ(WalkFirmwareVolumes(*t.editor), 1);
  }
  RomWorkspace& ws() { return t.ws(); }
  uint64_t Offset(uint32_t record) { return ws().m_files[record].file.offset; }
  std::span<const uint8_t> File(uint32_t record) {
    return std::span<const uint8_t>(ws().m_working_image)
        .subspan(Offset(record), ws().m_files[record].size);
  }
  // Reinserts `file` in place of `record`.
  int Reinsert(uint32_t record, Bytes file) {
    return ReinsertFile(*t.editor, file, ws().m_files[record].volume_index, record);
  }
};

bool AllErased(std::span<const uint8_t> bytes) {
  return std::all_of(bytes.begin(), bytes.end(), [](uint8_t b) { return b == 0xFF; });
}

TEST(ReinsertFile, AShrunkFileMovesTheFilesBehindItDownAndErasesTheOldEnd) {
  const Bytes behind1 = RawFile(2, 60), behind2 = RawFile(3, 100);
  Walked w(Volume({RawFile(1, 36), RawFile(9, 200), behind1, PadFile(48), behind2}));
  ASSERT_EQ(w.ws().m_file_count, 4u);
  const uint64_t old_end = w.Offset(3) + Align8(w.ws().m_files[3].size);
  const uint64_t file2 = w.Offset(2), file3 = w.Offset(3);

  const Bytes smaller = RawFile(9, 100);  // 128 bytes instead of 228: 104 bytes less room
  ASSERT_EQ(w.Reinsert(1, smaller), 1);
  EXPECT_THAT(w.t.MessageTexts(), IsEmpty());
  EXPECT_EQ(w.ws().m_files[1].size, smaller.size());
  EXPECT_EQ(w.Offset(2), file2 - 104);
  EXPECT_EQ(w.Offset(3), file3 - 104);
  EXPECT_TRUE(std::equal(behind1.begin(), behind1.end(), w.File(2).begin()));
  EXPECT_TRUE(std::equal(behind2.begin(), behind2.end(), w.File(3).begin()));
  // The pad file between them moved with them.
  EXPECT_EQ(w.ws().m_working_image[w.Offset(2) + Align8(behind1.size()) + 18], kFileTypePad);
  const auto image = std::span<const uint8_t>(w.ws().m_working_image);
  EXPECT_TRUE(AllErased(image.subspan(old_end - 104, 104)));
  // The walk of the new image finds the same files where the records say.
  const std::vector<FileRecord> records(w.ws().m_files.begin(), w.ws().m_files.begin() + 4);
  ASSERT_EQ(WalkFirmwareVolumes(*w.t.editor), 1);
  for (uint32_t i = 0; i < 4; ++i) {
    EXPECT_EQ(w.ws().m_files[i].file.offset, records[i].file.offset) << i;
    EXPECT_EQ(w.ws().m_files[i].size, records[i].size) << i;
  }
}

TEST(ReinsertFile, AGrownFileMovesTheFilesBehindItUpIntoTheFreeSpace) {
  const Bytes behind = RawFile(2, 60);
  Walked w(Volume({RawFile(1, 36), behind}));
  const uint64_t moved_from = w.Offset(1);
  ASSERT_EQ(w.Reinsert(0, RawFile(1, 300)), 1);
  EXPECT_EQ(w.Offset(1), moved_from + Align8(24 + 4 + 300) - Align8(24 + 4 + 36));
  EXPECT_TRUE(std::equal(behind.begin(), behind.end(), w.File(1).begin()));
  EXPECT_EQ(w.File(0)[24 + 4 + 299], 1);
}

TEST(ReinsertFile, TheLastFileLeavesErasedBytesToTheVolumeEnd) {
  Walked w(Volume({RawFile(1, 36), RawFile(2, 400)}));
  const uint64_t start = w.Offset(1);
  const Bytes small = RawFile(2, 5);  // 33 bytes, not a multiple of 8
  ASSERT_EQ(w.Reinsert(1, small), 1);
  const auto image = std::span<const uint8_t>(w.ws().m_working_image);
  EXPECT_TRUE(std::equal(small.begin() + 24, small.end(), image.begin() + start + 24));
  EXPECT_TRUE(AllErased(image.subspan(start + small.size(), 0x1000 - start - small.size())));
}

TEST(ReinsertFile, SealsTheHeaderWithSizeChecksumsAndADataChecksumWhenAsked) {
  for (const bool data_checksum : {false, true}) {
    SCOPED_TRACE(data_checksum ? "checksum attribute" : "no attribute");
    Walked w(Volume({RawFile(1, 36), RawFile(2, 40)}));
    Bytes file = RawFile(1, 77);
    util::StoreLe24(file.data() + kFfsSizeOffset, 0x123);  // stale, as a rebuild leaves it
    file[16] = file[17] = 0;
    if (data_checksum) file[19] = 0x40;
    ASSERT_EQ(w.Reinsert(0, file), 1);
    const auto written = w.File(0);
    EXPECT_EQ(util::LoadLe24(written.data() + kFfsSizeOffset), file.size());
    EXPECT_EQ(written[kFfsHeaderChecksumOffset], FfsHeaderChecksum(written));
    uint8_t sum = 0;
    for (size_t i = 24; i < written.size(); ++i) sum = uint8_t(sum + written[i]);
    EXPECT_EQ(written[kFfsFileChecksumOffset], data_checksum ? uint8_t(-sum) : 0xAA);
  }
}

TEST(ReinsertFile, AFileThatDoesNotFitIsRefusedAndNothingIsWritten) {
  struct Case {
    const char* name;
    size_t body;
  };
  for (const Case c :
       {Case{"past the volume end", 0x1000}, Case{"past a 24-bit size", 0x1000000}}) {
    SCOPED_TRACE(c.name);
    Walked w(Volume({RawFile(1, 36), RawFile(2, 0xC00)}));
    const Bytes before = w.ws().m_working_image;
    const std::vector<FileRecord> records(w.ws().m_files.begin(), w.ws().m_files.begin() + 2);
    EXPECT_EQ(w.Reinsert(0, RawFile(1, c.body)), 0);
    EXPECT_THAT(w.t.MessageTexts(), ElementsAre(kMsgNoSpaceForFile));
    EXPECT_EQ(w.ws().m_working_image, before);
    EXPECT_EQ(w.ws().m_files[1].file.offset, records[1].file.offset);
    EXPECT_EQ(w.ws().m_files[0].size, records[0].size);
  }
}

TEST(ReinsertFile, GrowsOnlyIntoTheErasedEndNotOverFilesAfterAGap) {
  // A file written into the free space behind the last record (as history files are) is not a
  // record, but it is not free space either: it moves with the chain, and limits the growth.
  Bytes volume = Volume({RawFile(1, 36), RawFile(2, 40)});
  const Bytes stray = RawFile(7, 100);
  const size_t stray_at = 0x400;
  std::copy(stray.begin(), stray.end(), volume.begin() + stray_at);
  Walked w(volume);
  ASSERT_EQ(w.ws().m_file_count, 2u);
  ASSERT_EQ(w.Reinsert(0, RawFile(1, 36 + 64)), 1);
  EXPECT_TRUE(
      std::equal(stray.begin(), stray.end(), w.ws().m_working_image.begin() + stray_at + 64));
  const size_t room = 0x1000 - Align8(stray_at + 64 + stray.size());
  EXPECT_EQ(w.Reinsert(0, RawFile(1, 36 + 64 + room + 8)), 0);
  EXPECT_TRUE(
      std::equal(stray.begin(), stray.end(), w.ws().m_working_image.begin() + stray_at + 64));
}

TEST(ReinsertFile, VolumeRecordsAmongTheMovedFilesMoveWithThem) {
  // A firmware-volume-image file holding a plain volume, behind the file that grows.
  const Bytes inner = Volume({RawFile(5, 200)}, {.fv_length = 0x400});
  Bytes sections;
  AppendSection(sections, Section(kSectionVolumeImage, inner));
  Walked w(Volume({RawFile(1, 36), FfsFile(TestGuid(4), 0x0B, sections)}, {.fv_length = 0x2000}));
  ASSERT_EQ(w.ws().m_volume_count, 2u);
  ASSERT_EQ(w.ws().m_file_count, 3u);
  const VolumeRecord inner_before = w.ws().m_volumes[1];
  const uint64_t inner_file = w.Offset(2);
  ASSERT_EQ(w.Reinsert(0, RawFile(1, 36 + 32)), 1);
  EXPECT_EQ(w.ws().m_volumes[1].start.offset, inner_before.start.offset + 32);
  EXPECT_EQ(w.ws().m_volumes[1].first_file, inner_before.first_file + 32);
  EXPECT_EQ(w.Offset(2), inner_file + 32);
  EXPECT_EQ(w.File(2)[24 + 4], 5);
}

// Files laid out the way the build tools do: each at the next 8-byte boundary, with the
// smallest pad file in front of those whose data would otherwise miss its alignment. Pads are
// found by trying sizes, apart from how the reinsertion computes them.
Bytes AlignedVolume(const std::vector<std::pair<Bytes, uint32_t>>& files, uint32_t fv_length) {
  std::vector<Bytes> laid_out;
  uint64_t pos = 72;
  for (const auto& [file, alignment] : files) {
    if ((pos + 24) % alignment != 0) {
      uint32_t pad = 24;
      while ((pos + pad + 24) % alignment != 0) pad += 8;
      laid_out.push_back(PadFile(pad));
      pos += pad;
    }
    laid_out.push_back(file);
    pos += Align8(file.size());
  }
  return Volume(laid_out, {.fv_length = fv_length});
}

// A file whose attributes ask for `alignment` (16 or 4096) of its data.
Bytes AlignedFile(uint8_t index, size_t body_size, uint32_t alignment) {
  Bytes file = RawFile(index, body_size);
  file[19] = alignment == 16 ? 0x08 : 0x28;
  file[16] = FfsHeaderChecksum(file);
  return file;
}

std::span<const uint8_t> FileNamed(const RomWorkspace& ws, uint8_t index) {
  for (uint32_t i = 0; i < ws.m_file_count; ++i) {
    if (ws.m_files[i].name == TestGuid(index)) {
      return std::span<const uint8_t>(ws.m_working_image)
          .subspan(ws.m_files[i].file.offset, ws.m_files[i].size);
    }
  }
  return {};
}

// The volume as the verifier sees it after the walk: no problem, the same files in the same
// order, and the records the reinsertion moved agree with where the walk finds the files.
void ExpectSoundVolume(Walked& w, const std::vector<Guid>& names) {
  const std::vector<FileRecord> moved(w.ws().m_files.begin(),
                                      w.ws().m_files.begin() + w.ws().m_file_count);
  ASSERT_EQ(WalkFirmwareVolumes(*w.t.editor), 1);
  const VerifyResult result = VerifyWorkspace(w.ws());
  for (const auto& problem : result.problems) ADD_FAILURE() << FormatVerifyProblem(problem);
  ASSERT_EQ(result.files.size(), 1u);
  EXPECT_EQ(result.files[0].names, names);
  ASSERT_EQ(w.ws().m_file_count, moved.size());
  for (size_t i = 0; i < moved.size(); ++i) {
    EXPECT_EQ(w.ws().m_files[i].file.offset, moved[i].file.offset) << i;
  }
}

TEST(ReinsertFile, AlignedFilesBehindAChangedFileKeepTheirAlignmentAndTheirBytes) {
  const Bytes aligned16 = AlignedFile(2, 50, 16), spacer = RawFile(3, 70),
              aligned4k = AlignedFile(4, 300, 4096), last = RawFile(5, 90);
  const Bytes image = AlignedVolume(
      {{RawFile(1, 100), 1}, {aligned16, 16}, {spacer, 1}, {aligned4k, 4096}, {last, 1}}, 0x4000);
  for (const int change : {-96, -8, 8, 16, 24, 40, 200, 1000, 4096}) {
    SCOPED_TRACE(change);
    Walked w(image);
    ASSERT_EQ(w.ws().m_file_count, 5u);
    ASSERT_EQ(w.Reinsert(0, RawFile(1, size_t(100 + change))), 1);
    ExpectSoundVolume(w, {TestGuid(1), TestGuid(2), TestGuid(3), TestGuid(4), TestGuid(5)});
    for (const Bytes* file : {&aligned16, &spacer, &aligned4k, &last}) {
      const auto now = FileNamed(w.ws(), (*file)[0]);
      EXPECT_TRUE(std::equal(file->begin(), file->end(), now.begin(), now.end()))
          << int((*file)[0]);
    }
    // The pad in front of an aligned file is the smallest that aligns it.
    for (const auto& [index, alignment] : {std::pair{2, 16u}, std::pair{4, 4096u}}) {
      const uint64_t at = w.Offset(index - 1);
      const uint64_t previous_end = Align8(w.Offset(index - 2) + w.ws().m_files[index - 2].size);
      const uint64_t gap = at - previous_end;
      EXPECT_TRUE(gap == 0 || (gap >= 24 && gap < 24 + alignment)) << index << " gap " << gap;
    }
  }
}

TEST(ReinsertFile, PadFilesCarryingDataMoveWithTheirBytes) {
  Bytes vendor_pad = PadFile(64);
  for (size_t i = 24; i < vendor_pad.size(); ++i) vendor_pad[i] = uint8_t(i);
  const Bytes aligned = AlignedFile(3, 40, 16);
  const Bytes image = AlignedVolume({{RawFile(1, 100), 1}, {vendor_pad, 1}, {aligned, 16}}, 0x1000);
  for (const int change : {-40, 8, 300}) {
    SCOPED_TRACE(change);
    Walked w(image);
    ASSERT_EQ(w.Reinsert(0, RawFile(1, size_t(100 + change))), 1);
    const auto bytes = std::span<const uint8_t>(w.ws().m_working_image);
    const uint64_t pad_at = Align8(w.Offset(0) + w.ws().m_files[0].size);
    EXPECT_TRUE(std::equal(vendor_pad.begin(), vendor_pad.end(), bytes.begin() + pad_at));
    ExpectSoundVolume(w, {TestGuid(1), TestGuid(3)});
  }
}

TEST(ReinsertFile, AVolumeTopFileAndAFixedFileNeverMove) {
  // The top file ends at the volume end behind a pad file that fills the space in front of it;
  // the fixed file (attribute 0x04) follows the edited file directly.
  Bytes fixed = RawFile(2, 60);
  fixed[19] = 0x04;
  fixed[16] = FfsHeaderChecksum(fixed);
  const Bytes top = RawFile(9, 0x100 - 28);  // long enough for the walk to list it
  const uint32_t fixed_at = 72 + Align8(24 + 4 + 100), pad_at = fixed_at + Align8(fixed.size());
  const Bytes image = Volume({RawFile(1, 100), fixed, PadFile(0x1000 - 0x100 - pad_at), top},
                             {.fv_length = 0x1000});
  struct Case {
    int change;
    bool fits;
  };
  for (const Case c :
       {Case{-96, true}, Case{-24, true}, Case{-8, false}, Case{0, true}, Case{8, false}}) {
    SCOPED_TRACE(c.change);
    Walked w(image);
    ASSERT_EQ(w.ws().m_file_count, 3u);
    ASSERT_EQ(w.Offset(1), fixed_at);
    ASSERT_EQ(w.Offset(2), 0x1000u - 0x100);
    const Bytes before = w.ws().m_working_image;
    ASSERT_EQ(w.Reinsert(0, RawFile(1, size_t(100 + c.change))), c.fits ? 1 : 0);
    if (!c.fits) {
      // Growing over the fixed file, or leaving less than a pad header in front of it.
      EXPECT_THAT(w.t.MessageTexts(), ElementsAre(kMsgNoSpaceForFile));
      EXPECT_EQ(w.ws().m_working_image, before);
      continue;
    }
    EXPECT_EQ(w.Offset(1), fixed_at);
    EXPECT_EQ(w.Offset(2), 0x1000u - 0x100);
    EXPECT_TRUE(std::equal(top.begin(), top.end(), w.File(2).begin()));
    ExpectSoundVolume(w, {TestGuid(1), TestGuid(2), TestGuid(9)});
  }
}

}  // namespace
}  // namespace kalvire::rom::test
