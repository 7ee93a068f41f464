// ReinsertFile: a rebuilt file takes its old place; fixed and top files never move.
#include <gtest/gtest.h>

#include "rom/ffs_file.h"
#include "rom/firmware_walk.h"
#include "rom/reinsert.h"
#include "rom/section.h"
#include "rom/verify.h"
#include "rom_test_support.h"

namespace kalvire::rom::test {
namespace {

// The workspace of a walked image.
struct Walked {
  Session t;
  explicit Walked(Bytes image) {
    t.ws().m_working_image = std::move(image);
    EXPECT_EQ(WalkFirmwareVolumes(t.editor()), 1);
  }
  RomWorkspace& ws() { return t.ws(); }
  int Reinsert(Bytes file) {
    return ReinsertFile(t.editor(), file, ws().m_files[0].volume_index, 0);
  }
};

// The records the reinsertion moved agree with a fresh walk, and the verification finds no fault.
void ExpectSoundVolumes(Walked& w) {
  RomWorkspace& ws = w.ws();
  const std::vector<FileRecord> files(ws.m_files.begin(), ws.m_files.begin() + ws.m_file_count);
  const std::vector<VolumeRecord> volumes(ws.m_volumes.begin(),
                                          ws.m_volumes.begin() + ws.m_volume_count);
  ASSERT_EQ(WalkFirmwareVolumes(w.t.editor()), 1);
  for (const auto& problem : VerifyWorkspace(ws).problems)
    ADD_FAILURE() << FormatVerifyProblem(problem);
  ASSERT_EQ(ws.m_file_count, files.size());
  for (size_t i = 0; i < files.size(); ++i)
    EXPECT_EQ(ws.m_files[i].file.offset, files[i].file.offset) << i;
  ASSERT_EQ(ws.m_volume_count, volumes.size());
  for (size_t i = 0; i < volumes.size(); ++i) {
    EXPECT_EQ(ws.m_volumes[i].start.offset, volumes[i].start.offset) << i;
    EXPECT_EQ(ws.m_volumes[i].first_file, volumes[i].first_file) << i;
  }
}

TEST(ReinsertFile, RefusesWhatDoesNotFitAndNeverMovesAFixedOrATopFile) {
  // The top file ends the volume behind a pad file; the fixed file follows the edited one.
  const Bytes fixed = RawFile(2, 60, 0x04), top = RawFile(9, 0x100 - 28);
  const uint32_t fixed_at = 72 + Align8(24 + 4 + 100), pad_at = fixed_at + Align8(fixed.size());
  const Bytes anchored = Volume({RawFile(1, 100), fixed, PadFile(0xF00 - pad_at), top});
  // A file written into the free space behind the last record (as history files are) is no
  // record, but no free space either: it moves with the files and limits the growth.
  Bytes gap = Volume({RawFile(1, 36), RawFile(2, 40)});
  const Bytes stray = RawFile(7, 100);
  std::ranges::copy(stray, gap.begin() + 0x400);
  const size_t room = 0x1000 - Align8(0x400 + stray.size());
  const Bytes last = Volume({RawFile(1, 400)});
  Bytes huge = RawFile(1, 36);
  huge.resize(0x1000000 + 8);
  // A rebuilt file leaves its size and checksums stale; a data checksum when its attribute asks.
  const Bytes checked = WithDataChecksum(RawFile(1, 77));
  Bytes stale = checked, stale_checked = checked;
  for (Bytes* file : {&stale, &stale_checked}) (*file)[16] = (*file)[17] = (*file)[20] = 0;
  stale[19] = 0;
  struct Case {
    const char* name;
    const Bytes& image;
    Bytes file;
    std::vector<std::pair<uint64_t, Bytes>> after;  // bytes where they must be; none: refused
  };
  const Case cases[] = {
      {"with a stale header", gap, stale, {{72, RawFile(1, 77)}}},
      {"with a stale header and a data checksum", gap, stale_checked, {{72, checked}}},
      {"past the volume end", gap, RawFile(1, 0x1000), {}},
      {"past a 24-bit size", gap, huge, {}},
      {"over a file in the free space", gap, RawFile(1, 36 + 64 + room + 8), {}},
      {"moving a file in the free space", gap, RawFile(1, 36 + 64), {{0x440, stray}}},
      {"the last file, to an odd size",
       last,
       RawFile(1, 5),
       {{72, RawFile(1, 5)}, {72 + 33, Bytes(0x1000 - 72 - 33, 0xFF)}}},
      {"over the fixed file", anchored, RawFile(1, 108), {}},
      {"leaving less than a pad header", anchored, RawFile(1, 92), {}},
      {"shrunk in front of the fixed file",
       anchored,
       RawFile(1, 76),
       {{fixed_at, fixed}, {0xF00, top}}},
      {"shrunk much", anchored, RawFile(1, 4), {{fixed_at, fixed}, {0xF00, top}}},
      {"the same size", anchored, RawFile(1, 100), {{fixed_at, fixed}, {0xF00, top}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Walked w(c.image);
    ASSERT_EQ(w.Reinsert(c.file), c.after.empty() ? 0 : 1);
    for (const auto& [at, bytes] : c.after)
      EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), w.ws().m_working_image.begin() + at))
          << at;
    if (!c.after.empty()) {
      ExpectSoundVolumes(w);
      continue;
    }
    EXPECT_EQ(
        w.t.Messages(),
        std::vector<std::string>{
            "Error: No space in the firmware volume for the rebuilt file. The file is not saved."});
    EXPECT_EQ(w.ws().m_working_image, c.image);
  }
}

}  // namespace
}  // namespace kalvire::rom::test
