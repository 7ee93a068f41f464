// The walk over good and damaged volumes: the files it lists and what it refuses.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "rom/firmware_walk.h"
#include "rom/section.h"
#include "rom_test_support.h"
#include "util/le.h"

namespace kalvire::rom::test {
namespace {

std::vector<Guid> FileNames(const RomWorkspace& ws) {
  std::vector<Guid> names;
  for (uint32_t i = 0; i < ws.m_file_count; ++i) names.push_back(ws.m_files[i].name);
  return names;
}

// A firmware-volume-image file: a 5-byte dependency section, then `section`.
Bytes VolumeImageFile(const Bytes& section) {
  Bytes sections = Section(kSectionPeiDepex, Bytes{0x08});
  AppendSection(sections, section);
  return FfsFile(TestGuid(4, 0x22), 0x0B, sections);
}
Bytes Lzma(const Bytes& decoded) {
  return GuidDefinedSection(LzmaPayload(decoded));
}

// The first volume of three raw files with `patch` at `offset`, then a volume of file 9.
Bytes Patched(size_t offset, const Bytes& patch) {
  Bytes image = Volume({RawFile(1), RawFile(2), RawFile(3)});
  std::copy(patch.begin(), patch.end(), image.begin() + offset);
  return Join({image, Volume({RawFile(9)})});
}

Bytes FvFileWithSectionSize(size_t at, uint32_t size) {
  Bytes file = VolumeImageFile(Lzma(Bytes(64, 1)));
  util::StoreLe24(file.data() + at, size);
  return Volume({file, RawFile(2)});
}

struct WalkCase {
  const char* name;
  Bytes image;
  int result;
  std::vector<Guid> names;
  std::vector<uint64_t> first_files = {};  // of every volume, when given
  std::vector<uint64_t> file_offsets = {};
  bool diagnostics = false;
};

TEST(WalkFirmwareVolumes, ListsTheFilesOfGoodAndDamagedImages) {
  const Guid g1 = TestGuid(1), g2 = TestGuid(2), g3 = TestGuid(3), g9 = TestGuid(9);
  Bytes erased = RawFile(9);
  std::fill(erased.begin(), erased.begin() + 16, 0xFF);  // type stays 0x07
  const VolumeOptions ffs1{.file_system = kFfs1FileSystemGuid, .signature = false};
  const Bytes two_ffs1 = Join({Volume({RawFile(1)}, ffs1), Volume({RawFile(2), RawFile(3)}, ffs1)});
  Bytes undecodable = LzmaPayload(Bytes(600, 0x33));
  undecodable.resize(undecodable.size() / 2);  // the stream ends early
  Bytes unset_size = Volume({RawFile(1), RawFile(2)});
  util::StoreLe24(unset_size.data() + 72 + 64 + 20, 0xFFFFFF);
  const Bytes fv_in_compression = VolumeImageFile(CompressionSection(
      2, 0x100C, LzmaPayload(Section(kSectionVolumeImage, Volume({RawFile(7)})))));
  const Bytes fv_after_raw = VolumeImageFile(Lzma(Join(
      {Section(kSectionRaw, Bytes(0x7C - 4, 0)), Section(kSectionVolumeImage, Volume({RawFile(5)})),
       Section(kSectionVolumeImage, Volume({RawFile(6), RawFile(7)}))})));
  const Bytes fv_undecodable = VolumeImageFile(GuidDefinedSection(undecodable));
  const Guid fv = TestGuid(4, 0x22), g4 = TestGuid(4), g5 = TestGuid(5), g6 = TestGuid(6),
             g7 = TestGuid(7);
  const size_t second = 72 + 64 + 20;  // the second file's size field
  // clang-format off
  const std::vector<WalkCase> cases = {
      {"consecutive volumes, pad file skipped", Join({Volume({RawFile(1), PadFile(64),
       RawFile(2)}), Volume({RawFile(3)}, {.fv_length = 0x2000})}), 1, {g1, g2, g3}, {72, 0x1048},
       {72, 200, 0x1048}},
      {"erased name ends the volume", Volume({RawFile(1), erased, RawFile(2)}), 1, {g1}, {72}},
      {"extended header", Volume({RawFile(1), RawFile(2)}, {.extended_header = true}), 1, {g1, g2},
       {96}, {96, 160}},
      {"second file system without signature", two_ffs1, 1, {g1, g2, g3}, {72, 0x1048}},
      {"one FFS2 volume hides the FFS1 ones", Join({two_ffs1, Volume({RawFile(4)})}), 1, {g4},
       {0x2048}},
      {"LZMA compression section: volume 4 bytes in", Volume({fv_in_compression},
       {.fv_length = 0x2000}), 1, {fv, g7}, {72, 4 + 72}},
      {"volume sections after a raw section", Volume({fv_after_raw}, {.fv_length = 0x2000}), 1,
       {fv, g5, g6, g7}, {72, 0x80 + 72, 0x1084 + 72}},
      {"undecodable nested volume stops the walk", Join({Volume({RawFile(1), fv_undecodable,
       RawFile(2)}), Volume({RawFile(3)})}), kWalkNestedVolumeUndecodable, {g1, fv}, {72, 0x1048},
       {}, true},
      {"unset file size reaches the next volume", Join({unset_size, Volume({RawFile(3)})}), 1,
       {g1, g2, g3}, {72, 0x1048}},
      {"file size past the volume", Patched(second, {0x00, 0x20, 0x00}), 1, {g1, g9}, {}, {}, true},
      {"file size 0", Patched(second, {0, 0, 0}), 1, {g1, g9}, {}, {}, true},
      {"file size below its header", Patched(second, {23, 0, 0}), 1, {g1, g9}, {}, {}, true},
      {"volume length past the image", Patched(32, {0, 0, 0x10, 0}), 1, {g9}, {}, {}, true},
      {"extended header past the volume", Patched(52, {0xF0, 0x0F}), 1, {g9}, {}, {}, true},
      {"dependency section size 0", FvFileWithSectionSize(24, 0), 1, {fv, g2}},
      {"dependency section past its file", FvFileWithSectionSize(24, 0x900), 1, {fv, g2}},
      {"compressed section past its file", FvFileWithSectionSize(32, 0x900),
       kWalkNestedVolumeUndecodable, {fv}, {}, {}, true},
  };
  // clang-format on
  for (const WalkCase& c : cases) {
    SCOPED_TRACE(c.name);
    Session t;
    t.ws().m_working_image = c.image;
    EXPECT_EQ(WalkFirmwareVolumes(t.editor()), c.result);
    EXPECT_EQ(FileNames(t.ws()), c.names);
    EXPECT_TRUE(t.prompter.Messages().empty());
    EXPECT_EQ(t.ws().m_diagnostics.empty(), !c.diagnostics);
    if (!c.first_files.empty()) {
      std::vector<uint64_t> first_files;
      for (uint32_t v = 0; v < t.ws().m_volume_count; ++v) {
        first_files.push_back(t.ws().m_volumes[v].first_file);
      }
      EXPECT_EQ(first_files, c.first_files);
    }
    for (size_t i = 0; i < c.file_offsets.size(); ++i) {
      EXPECT_EQ(t.ws().m_files[i].file.offset, c.file_offsets[i]) << "file " << i;
    }
  }
}

}  // namespace
}  // namespace kalvire::rom::test
