#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "codec/tiano.h"
#include "rom/ffs_file.h"
#include "rom/firmware_walk.h"
#include "rom/messages.h"
#include "rom/module_extract.h"
#include "rom/section.h"
#include "rom_test_images.h"
#include "rom_test_support.h"
#include "support/test_data.h"
#include "util/le.h"

namespace kalvire::rom::test {
namespace {

const Guid kModule = TestGuid(0x42, 0x77);

Bytes TianoStream(std::span<const uint8_t> data, uint32_t version) {
  uint32_t size = 0;
  codec::Tiano_Compress(data, {}, size, version);
  Bytes out(size);
  EXPECT_EQ(codec::Tiano_Compress(data, out, size, version), codec::kCodecSuccess);
  out.resize(size);
  return out;
}

// Walks a one-volume image holding `file` and extracts `guid` from it.
int Extract(TestEditor& t, const Bytes& file, ModuleSlot& slot, const Guid& guid = kModule) {
  t.ws().m_working_image = Volume({file}, {.fv_length = 0x8000});
  EXPECT_EQ(WalkFirmwareVolumes(*t.editor), 1);
  return ExtractModule(*t.editor, guid, slot);
}

void ExpectValidHeader(const ModuleSlot& slot, uint64_t expected_size) {
  uint8_t sum = 0;
  for (int i = 0; i < 23; ++i) {
    if (i != 17) sum = uint8_t(sum + slot.file[i]);
  }
  EXPECT_EQ(sum, 0) << "header checksum";
  EXPECT_EQ(util::LoadLe24(slot.file.data() + 20), expected_size);
}

TEST(ExtractModule, TianoSectionAfterDependencyIsDecodedInPlace) {
  Bytes inner = Section(kSectionPe32, kalvire::test::MixedCorpus(401, 3));  // 405: 3 bytes gap
  const size_t ui_offset = Align4(inner.size());
  AppendSection(inner, Section(0x15, Bytes{'S', 0, 'e', 0, 't', 0, 0, 0}));
  Bytes sections = Section(kSectionDxeDepex, Bytes{0x06, 0x08});  // 6 bytes
  AppendSection(sections, CompressionSection(1, uint32_t(inner.size()), TianoStream(inner, 2)));

  TestEditor t;
  ModuleSlot slot;
  ASSERT_EQ(Extract(t, FfsFile(kModule, 0x07, sections), slot), 1);
  EXPECT_EQ(slot.data_offset, 32u);
  EXPECT_EQ(slot.compression_version, 2u);
  EXPECT_EQ(slot.data_size, inner.size());
  // The gaps between sections are marked, the section bytes are the decoded ones.
  Bytes expected = inner;
  std::fill(expected.begin() + 405, expected.begin() + ui_offset, 0xFD);
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), slot.Data().begin()));
  EXPECT_EQ(slot.file[30], 0xFD);
  EXPECT_EQ(slot.file[31], 0xFD);
  // The compression section's own padding (its size is 9 + stream) is taken off the Size.
  const uint32_t section_size = util::LoadLe24(sections.data() + 8);
  ExpectValidHeader(slot, 32 + inner.size() - (Align4(section_size) - section_size));
}

TEST(ExtractModule, EfiStreamsDecodeWithTheSecondVersionTried) {
  const Bytes inner = Section(kSectionFreeform, kalvire::test::MixedCorpus(3000, 9));
  TestEditor t;
  ModuleSlot slot;
  ASSERT_EQ(Extract(t,
                    FfsFile(kModule, 0x07,
                            CompressionSection(1, uint32_t(inner.size()), TianoStream(inner, 1))),
                    slot),
            1);
  EXPECT_EQ(slot.compression_version, 1u);
  EXPECT_EQ(slot.data_offset, 24u);
  EXPECT_TRUE(std::equal(inner.begin(), inner.end(), slot.Data().begin()));
}

TEST(ExtractModule, LzmaSectionLeavesTheCompressionVersionAlone) {
  const Bytes inner = Section(kSectionFreeform, kalvire::test::MixedCorpus(5000, 4));
  Bytes sections = Section(kSectionRaw, Bytes(5, 1));  // 9 bytes, padded to 12
  AppendSection(sections, GuidDefinedSection(LzmaPayload(inner)));
  TestEditor t;
  ModuleSlot slot;
  slot.compression_version = 2;
  ASSERT_EQ(Extract(t, FfsFile(kModule, 0x07, sections), slot), 1);
  EXPECT_EQ(slot.compression_version, 2u);
  EXPECT_EQ(slot.data_offset, 24u + 12u);
  EXPECT_EQ(slot.data_size, inner.size());
  EXPECT_TRUE(std::equal(inner.begin(), inner.end(), slot.Data().begin()));
}

TEST(ExtractModule, StoredAndCopiedSectionsKeepTheirHeaders) {
  const Bytes body = kalvire::test::RandomBytes(37, 5);
  Bytes sections = Section(0x15, Bytes(6, 'x'));  // 10 bytes, not a data section
  const Bytes stored = CompressionSection(0, uint32_t(body.size()), body);  // 46 bytes
  AppendSection(sections, stored);
  AppendSection(sections, Section(0x14, Bytes(2, 'v')));  // 6 bytes, after the data
  TestEditor t;
  ModuleSlot slot;
  slot.compression_version = 2;
  ASSERT_EQ(Extract(t, FfsFile(kModule, 0x07, sections), slot), 1);
  EXPECT_EQ(slot.compression_version, 0u);
  EXPECT_EQ(slot.data_offset, 36u);
  // From the data section to the end, without the last section's 2 bytes of padding.
  EXPECT_EQ(slot.data_size, 48u + 6u);
  EXPECT_TRUE(std::equal(stored.begin(), stored.end(), slot.Data().begin()));
  ExpectValidHeader(slot, 36 + 48 + 6);
}

TEST(ExtractModule, FailuresLeaveTheSlotEmpty) {
  const Bytes good = Section(kSectionFreeform, Bytes(40, 3));
  Bytes bad_lzma = LzmaPayload(Bytes(4000, 7));
  bad_lzma.resize(bad_lzma.size() - 8);
  Bytes past_file = good;
  util::StoreLe24(past_file.data(), 0x100);
  struct Case {
    const char* name;
    Bytes sections;
    Guid guid;
    int expected;
    bool message;
  };
  const std::vector<Case> cases = {
      {"no such file", good, TestGuid(1), 0, false},
      {"compression section of 8 bytes", Section(kSectionCompression, Bytes{0, 1, 0, 0}), kModule,
       kExtractShortCompressionSection, false},
      {"undecodable LZMA", GuidDefinedSection(bad_lzma), kModule, kExtractLzmaUndecodable, false},
      {"Tiano data neither version decodes",
       CompressionSection(1, 64, kalvire::test::RandomBytes(80, 2)), kModule, 0, true},
      {"section past its file", past_file, kModule, 0, false},
      {"section size 0", Bytes(8, 0), kModule, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TestEditor t;
    ModuleSlot slot;
    slot.file = Bytes(30, 1);
    EXPECT_EQ(Extract(t, FfsFile(kModule, 0x07, c.sections), slot, c.guid), c.expected);
    EXPECT_FALSE(slot.Present());
    if (c.message) {
      EXPECT_THAT(t.MessageTexts(), ::testing::ElementsAre(kMsgUnsupportedVersion));
    } else {
      EXPECT_TRUE(t.MessageTexts().empty());
    }
  }
}

// The section chain in decoded data ends exactly at the data's end.
bool SectionsFill(std::span<const uint8_t> data) {
  uint64_t pos = 0;
  while (pos < data.size()) {
    const auto header = ReadSectionHeader(data, pos);
    if (!header || header->size < 4 || header->size > data.size() - pos) return false;
    pos += Align4(header->size);
  }
  return pos >= data.size() && pos - data.size() < 4;
}

TEST(ExtractModule, RealTianoSectionsDecode) {
  const auto dir = kalvire::test::SharedImagesDir();
  if (!dir) GTEST_SKIP() << "../shared/images is absent";
  struct Case {
    const char* image;
    Guid file;
    uint32_t version;
  };
  for (const Case& c :
       {Case{"h61-bios-region.bin", MakeGuid("299141BB-211A-48A5-92C0-6F9A0A3A006E"), 2},
        Case{"h61-bios-region.bin", MakeGuid("22046D50-F390-498C-92E5-5BA4F8E7F8B6"), 2},
        Case{"p7xxdm-full-flash.rom", MakeGuid("9CFD802C-09A1-43D6-8217-AA49C1F90D2C"), 1},
        Case{"p7xxdm-full-flash.rom", MakeGuid("DB515F1E-6367-4B60-8C64-B5F0FA72A70D"), 1}}) {
    SCOPED_TRACE(std::string(c.image) + " " + FormatGuid(c.file));
    TestEditor t;
    t.ws().m_working_image = kalvire::test::ReadFileOrFail(*dir / c.image);
    ASSERT_EQ(WalkFirmwareVolumes(*t.editor), 1);
    ModuleSlot slot;
    ASSERT_EQ(ExtractModule(*t.editor, c.file, slot), 1);
    EXPECT_EQ(slot.compression_version, c.version);
    EXPECT_TRUE(SectionsFill(slot.Data()));
  }
}

}  // namespace
}  // namespace kalvire::rom::test
