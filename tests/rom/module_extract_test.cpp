// Extraction of a module's data from its file in each storage, and its failures.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "rom/ffs_file.h"
#include "rom/firmware_walk.h"
#include "rom/module_extract.h"
#include "rom/section.h"
#include "rom_test_support.h"
#include "tools/image_builder.h"
#include "util/le.h"

namespace kalvire::rom::test {
namespace {

const Guid kModule = TestGuid(0x42, 0x77);
using kalvire::test::MixedCorpus;

// Walks a one-volume image holding the module file of `sections` and extracts `guid`.
int Extract(Session& t, const Bytes& sections, ModuleSlot& slot, const Guid& guid = kModule) {
  t.ws().m_working_image = Volume({FfsFile(kModule, 0x07, sections)}, {.fv_length = 0x8000});
  EXPECT_EQ(WalkFirmwareVolumes(t.editor()), 1);
  return ExtractModule(t.editor(), guid, slot);
}

struct StorageCase {
  const char* name;
  Bytes sections;
  Bytes data;  // what the slot's data must begin with
  uint32_t version_before, version, data_offset, data_size, file_size;
};

TEST(ExtractModule, DecodesEachStorageInPlaceAndFixesTheHeader) {
  Bytes inner = Section(kSectionPe32, MixedCorpus(401, 3));  // 405 bytes: a gap of 3
  AppendSection(inner, Section(0x15, Bytes{'S', 0, 'e', 0, 't', 0, 0, 0}));
  Bytes gapped = inner;
  std::fill(gapped.begin() + 405, gapped.begin() + 408, 0xFD);  // gaps are marked
  Bytes tiano = Section(kSectionDxeDepex, Bytes{0x06, 0x08});   // 6 bytes
  const Bytes tiano_section = CompressionSection(
      1, uint32_t(inner.size()), tools::EncodePayload(tools::Compression::kTiano, inner));
  AppendSection(tiano, tiano_section);
  // The compression section's own padding is taken off the Size.
  const uint32_t tiano_pad = uint32_t(Align4(tiano_section.size()) - tiano_section.size());
  const Bytes big = Section(kSectionFreeform, MixedCorpus(3000, 9));
  const Bytes large = Section(kSectionFreeform, MixedCorpus(5000, 4));
  Bytes lzma = Section(kSectionRaw, Bytes(5, 1));  // 9 bytes, padded to 12
  AppendSection(lzma, GuidDefinedSection(LzmaPayload(large)));
  const Bytes body = kalvire::test::RandomBytes(37, 5);
  const Bytes stored = CompressionSection(0, uint32_t(body.size()), body);  // 46 bytes
  Bytes copied = Section(0x15, Bytes(6, 'x'));                       // 10 bytes, not a data section
  AppendSection(copied, Section(kSectionGuidDefined, Bytes(6, 0)));  // not LZMA: kept whole
  AppendSection(copied, stored);
  AppendSection(copied, Section(0x14, Bytes(2, 'v')));  // 6 bytes, after the data
  const uint32_t inner_size = uint32_t(inner.size()), big_size = uint32_t(big.size());
  // clang-format off
  const StorageCase cases[] = {
      {"Tiano after a dependency", tiano, gapped, 0, 2, 32, inner_size,
       32 + inner_size - tiano_pad},
      {"EFI, the second version tried",
       CompressionSection(1, big_size, tools::EncodePayload(tools::Compression::kEfi, big)), big, 0, 1, 24, big_size, 0},
      {"LZMA leaves the version alone", lzma, large, 2, 2, 36, uint32_t(large.size()), 0},
      // From the data section to the end, without the last section's 2 bytes of padding.
      {"stored and copied sections keep their headers", copied, stored, 2, 0, 48, 48 + 6,
       48 + 48 + 6},
  };
  // clang-format on
  for (const StorageCase& c : cases) {
    SCOPED_TRACE(c.name);
    Session t;
    ModuleSlot slot;
    slot.compression_version = c.version_before;
    ASSERT_EQ(Extract(t, c.sections, slot), 1);
    EXPECT_EQ(slot.compression_version, c.version);
    EXPECT_EQ(slot.data_offset, c.data_offset);
    EXPECT_EQ(slot.data_size, c.data_size);
    EXPECT_TRUE(std::equal(c.data.begin(), c.data.end(), slot.Data().begin()));
    if (c.data_offset == 32) {
      EXPECT_EQ(Bytes(&slot.file[30], &slot.file[32]), Bytes(2, 0xFD));
    }
    if (c.file_size != 0) {
      EXPECT_TRUE(FfsHeaderChecksumHolds(std::span<const uint8_t>(slot.file).first(24)));
      EXPECT_EQ(util::LoadLe24(slot.file.data() + 20), c.file_size);
    }
  }
}

TEST(ExtractModule, FailuresLeaveTheSlotEmpty) {
  const Bytes good = Section(kSectionFreeform, Bytes(40, 3));
  Bytes bad_lzma = LzmaPayload(Bytes(4000, 7));
  bad_lzma.resize(bad_lzma.size() - 8);
  Bytes huge = LzmaPayload(Bytes(100, 7));
  util::StoreLe32(huge.data() + 5, (64u << 20) + 1);  // the declared size
  Bytes past_file = good;
  util::StoreLe24(past_file.data(), 0x100);
  const struct {
    const char* name;
    Bytes sections;
    Guid guid;
    int expected;
    bool message;
  } cases[] = {
      {"no such file", good, TestGuid(1), 0, false},
      {"compression section of 8 bytes", Section(kSectionCompression, Bytes{0, 1, 0, 0}), kModule,
       kExtractShortCompressionSection, false},
      {"undecodable LZMA", GuidDefinedSection(bad_lzma), kModule, kExtractLzmaUndecodable, false},
      {"LZMA over 64 MiB", GuidDefinedSection(huge), kModule, kExtractLzmaUndecodable, false},
      {"Tiano data neither version decodes",
       CompressionSection(1, 64, kalvire::test::RandomBytes(80, 2)), kModule, 0, true},
      {"section past its file", past_file, kModule, 0, false},
      {"section size 0", Bytes(8, 0), kModule, 0, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Session t;
    ModuleSlot slot;
    slot.file = Bytes(30, 1);
    EXPECT_EQ(Extract(t, c.sections, slot, c.guid), c.expected);
    EXPECT_FALSE(slot.Present());
    EXPECT_EQ(t.Messages(),
              c.message ? std::vector<std::string>{"Error: .ROM file is of unsupported version "}
                        : std::vector<std::string>{});
  }
}

// A record as short as a header still extracts; one byte shorter, or outside the image, does not.
TEST(ExtractModule, RefusesAFileRecordShorterThanAnFfsHeaderOrOutsideTheImage) {
  const struct {
    const char* name;
    uint32_t size;
    bool past_image;
    int expected;
  } cases[] = {
      {"23 bytes", 23, false, 0}, {"a bare header", 24, false, 1}, {"past the image", 24, true, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Session t;
    t.ws().m_working_image =
        Volume({FfsFile(kModule, 0x07, Section(kSectionFreeform, Bytes(40, 3)))}, {});
    ASSERT_EQ(WalkFirmwareVolumes(t.editor()), 1);
    ASSERT_EQ(t.ws().m_files[0].name, kModule);
    t.ws().m_files[0].size = c.size;
    if (c.past_image) t.ws().m_files[0].file.offset = t.ws().m_working_image.size() - 8;
    ModuleSlot slot;
    EXPECT_EQ(ExtractModule(t.editor(), kModule, slot), c.expected);
    EXPECT_EQ(slot.Present(), c.expected == 1);
  }
}

}  // namespace
}  // namespace kalvire::rom::test
