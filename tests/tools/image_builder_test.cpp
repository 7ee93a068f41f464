#include "tools/image_builder.h"

#include <gtest/gtest.h>

#include <numeric>
#include <stdexcept>

#include "codec/lzma_section.h"
#include "codec/tiano.h"
#include "support/test_data.h"
#include "util/le.h"

namespace kalvire::tools {
namespace {

uint8_t Sum8(std::span<const uint8_t> bytes) {
  return uint8_t(std::accumulate(bytes.begin(), bytes.end(), 0u));
}

TEST(Checksums, MatchHandComputedValues) {
  const Bytes bytes = {0x01, 0x02, 0xFF, 0x10};
  EXPECT_EQ(Checksum8(bytes), 0xEE);  // 0x112 -> 0x12, 0x100 - 0x12
  EXPECT_EQ(Checksum8(Bytes{}), 0x00);
  EXPECT_EQ(Checksum16(bytes), uint16_t(0x10000 - (0x0201 + 0x10FF)));
  EXPECT_EQ(AlignUp(9, 4), 12u);
  EXPECT_EQ(AlignUp(16, 8), 16u);
}

TEST(Sections, JoinAlignsToFourAndLeavesTheLastUnpadded) {
  const Bytes joined = JoinSections({Section::Raw(Bytes(5, 0xAB)), Section::Raw(Bytes(3, 0xCD))});
  ASSERT_EQ(joined.size(), 12u + 7u);
  EXPECT_EQ(util::LoadLe24(joined.data()), 9u);
  EXPECT_EQ(joined[3], 0x19);
  EXPECT_EQ(joined[9], 0x00);  // padding
  EXPECT_EQ(util::LoadLe24(joined.data() + 12), 7u);
  EXPECT_EQ(joined.back(), 0xCD);
}

TEST(Sections, StoredCompressionKeepsTheChildrenAndTheirLength) {
  const Bytes inner = Section::UserInterface("Setup").Serialize();
  const Bytes s =
      Section::Compressed(Compression::kStored, {Section::UserInterface("Setup")}).Serialize();
  ASSERT_EQ(s.size(), 9 + inner.size());
  EXPECT_EQ(util::LoadLe24(s.data()), s.size());
  EXPECT_EQ(s[3], 0x01);
  EXPECT_EQ(util::LoadLe32(s.data() + 4), inner.size());
  EXPECT_EQ(s[8], 0);
  EXPECT_TRUE(std::equal(inner.begin(), inner.end(), s.begin() + 9));
}

TEST(Sections, EncodedSectionsDecodeToTheirInput) {
  const Bytes data = test::MixedCorpus(20000, 7);
  struct Case {
    const char* name;
    Section section;
    uint8_t type_byte;
  };
  Case cases[] = {
      {"EFI", Section::Compressed(Compression::kEfi, {Section::Raw(data)}), 1},
      {"Tiano", Section::Compressed(Compression::kTiano, {Section::Raw(data)}), 1},
      {"LZMA compression", Section::Compressed(Compression::kLzma, {Section::Raw(data)}), 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Bytes s = c.section.Serialize();
    const Bytes input = c.section.EncodedInput();
    ASSERT_EQ(util::LoadLe24(s.data()), s.size());
    EXPECT_EQ(util::LoadLe32(s.data() + 4), input.size());
    EXPECT_EQ(s[8], c.type_byte);
    const std::span<const uint8_t> payload = std::span(s).subspan(9);
    Bytes decoded(input.size());
    if (c.type_byte == 2) {
      ASSERT_EQ(codec::Lzma_Decompress(payload, decoded), codec::kCodecSuccess);
    } else {
      Bytes scratch(codec::kTianoScratchSize);
      const uint32_t version = std::string_view(c.name) == "EFI" ? 1 : 2;
      ASSERT_EQ(codec::Tiano_Decompress(payload, decoded, scratch, version), codec::kCodecSuccess);
    }
    EXPECT_EQ(decoded, input);
  }
  const Section guided = Section::LzmaGuided({Section::Raw(data)});
  const Bytes s = guided.Serialize();
  EXPECT_TRUE(std::equal(kLzmaSectionGuid.begin(), kLzmaSectionGuid.end(), s.begin() + 4));
  EXPECT_EQ(util::LoadLe16(s.data() + 20), 24);
  EXPECT_EQ(util::LoadLe16(s.data() + 22), 1);
  Bytes decoded(guided.EncodedInput().size());
  ASSERT_EQ(codec::Lzma_Decompress(std::span(s).subspan(24), decoded), codec::kCodecSuccess);
  EXPECT_EQ(decoded, guided.EncodedInput());
}

TEST(FfsFiles, HeaderAndDataChecksumsVerify) {
  for (bool data_checksum : {false, true}) {
    for (bool polarity : {true, false}) {
      SCOPED_TRACE(testing::Message() << "checksum " << data_checksum << " polarity " << polarity);
      FfsFile f = FfsFile::WithSections(kDmiFileGuid, FileType::kFreeform,
                                        {Section::Raw(test::RandomBytes(37, 3))});
      f.data_checksum = data_checksum;
      const Bytes bytes = f.Serialize(polarity);
      ASSERT_EQ(bytes.size(), 24u + 41u);
      EXPECT_EQ(util::LoadLe24(bytes.data() + 20), bytes.size());
      Bytes header(bytes.begin(), bytes.begin() + 24);
      header[17] = 0;
      header[23] = 0;
      EXPECT_EQ(Sum8(header), 0) << "header checksum";
      EXPECT_EQ(FfsHeaderChecksum(header), bytes[16]);
      if (data_checksum) {
        EXPECT_EQ(bytes[19] & kFfsAttribChecksum, kFfsAttribChecksum);
        EXPECT_EQ(uint8_t(Sum8(std::span(bytes).subspan(24)) + bytes[17]), 0);
      } else {
        EXPECT_EQ(bytes[17], 0xAA);
      }
      EXPECT_EQ(bytes[23], polarity ? 0xF8 : 0x07);
    }
  }
}

TEST(FfsFiles, PadFileHasAnAllOnesNameAndAnErasedBody) {
  const Bytes pad = FfsFile::Pad(64).Serialize(true);
  ASSERT_EQ(pad.size(), 64u);
  EXPECT_TRUE(std::all_of(pad.begin(), pad.begin() + 16, [](uint8_t b) { return b == 0xFF; }));
  EXPECT_EQ(pad[18], 0xF0);
  EXPECT_TRUE(std::all_of(pad.begin() + 24, pad.end(), [](uint8_t b) { return b == 0xFF; }));
  EXPECT_THROW(FfsFile::Pad(16), std::invalid_argument);
}

TEST(Volumes, HeaderChecksumExtendedHeaderAndFreeSpace) {
  Volume v;
  v.size = 0x4000;
  v.ext_name = kAmitsePkgGuid;
  v.files.push_back(
      FfsFile::WithSections(kSetupFileGuid, FileType::kDriver, {Section::Raw(Bytes(13, 1))}));
  v.files.push_back(
      FfsFile::WithSections(kDmiFileGuid, FileType::kFreeform, {Section::Raw(Bytes(7, 2))}));
  std::vector<FileLocation> layout;
  const Bytes bytes = v.Serialize(&layout);
  ASSERT_EQ(bytes.size(), 0x4000u);
  uint16_t sum = 0;
  for (size_t i = 0; i < 72; i += 2) sum = uint16_t(sum + util::LoadLe16(bytes.data() + i));
  EXPECT_EQ(sum, 0);
  EXPECT_EQ(util::LoadLe64(bytes.data() + 32), 0x4000u);
  EXPECT_EQ(0, std::memcmp(bytes.data() + 40, "_FVH", 4));
  EXPECT_EQ(util::LoadLe16(bytes.data() + 48), 72);
  EXPECT_EQ(util::LoadLe16(bytes.data() + 52), 72);
  EXPECT_EQ(util::LoadLe32(bytes.data() + 72 + 16), 20u);
  // The walk reaches the first file past the extended header through a 0xFFFF marker.
  EXPECT_EQ(util::LoadLe16(bytes.data() + 92), 0xFFFF);
  ASSERT_EQ(layout.size(), 2u);
  EXPECT_EQ(layout[0].offset, 96u);
  EXPECT_EQ(layout[1].offset, AlignUp(96 + layout[0].size, 8));
  EXPECT_EQ(bytes[96 + layout[0].size], 0xFF);  // gap before the next file
  const uint64_t end = layout[1].offset + layout[1].size;
  EXPECT_TRUE(std::all_of(bytes.begin() + end, bytes.end(), [](uint8_t b) { return b == 0xFF; }));
}

TEST(Volumes, AlignedFileGetsAPadFileAndTheVolumeAlignment) {
  Volume v;
  v.size = 0x10000;
  Section pe = Section::Pe32(Bytes(100, 0x90));
  pe.AlignBody(4096);
  v.files.push_back(
      FfsFile::WithSections(kSetupFileGuid, FileType::kDriver, {Section::DepexTrue(), pe}));
  std::vector<FileLocation> layout;
  const Bytes bytes = v.Serialize(&layout);
  ASSERT_EQ(layout.size(), 2u);
  EXPECT_EQ(layout[0].type, FileType::kPad);
  EXPECT_EQ(layout[0].offset, 72u);
  EXPECT_EQ((layout[1].offset + 24) % 4096, 0u);
  EXPECT_EQ(bytes[layout[1].offset + 19] & 0x38, 5 << 3);  // 4 KiB
  EXPECT_EQ((util::LoadLe32(bytes.data() + 44) >> 16) & 0x1F, 12u);
  // The PE32 body sits 4 KiB-aligned behind a raw pad section.
  const uint64_t data = layout[1].offset + 24;
  EXPECT_EQ(bytes[data + 8 + 3], 0x19);
  const uint64_t pe_header = data + 8 + util::LoadLe24(bytes.data() + data + 8);
  EXPECT_EQ(bytes[pe_header + 3], 0x10);
  EXPECT_EQ((pe_header + 4 - data) % 4096, 0u);
}

TEST(Volumes, TopFileEndsAtTheVolumeEnd) {
  Volume v;
  v.size = 0x2000;
  v.files.push_back(FfsFile::WithRawBody(kDmiFileGuid, FileType::kRaw, Bytes(40, 1)));
  v.top_file = FfsFile::WithRawBody(kSetupFileGuid, FileType::kRaw, Bytes(40, 2));
  std::vector<FileLocation> layout;
  v.Serialize(&layout);
  ASSERT_EQ(layout.size(), 3u);
  EXPECT_EQ(layout[1].type, FileType::kPad);
  EXPECT_EQ(layout[2].offset + layout[2].size, v.size);
}

TEST(Volumes, RejectLayoutsThatCannotBeBuilt) {
  Volume too_small;
  too_small.size = 0x1000;
  too_small.files.push_back(FfsFile::WithRawBody(kDmiFileGuid, FileType::kRaw, Bytes(0x1000)));
  EXPECT_THROW(too_small.Serialize(), std::invalid_argument);
  Volume odd;
  odd.size = 0x1800;
  odd.block_size = 0x1000;
  EXPECT_THROW(odd.Serialize(), std::invalid_argument);
  EXPECT_THROW(Section::Raw(Bytes(0xFFFFFC)).Serialize(), std::invalid_argument);
  EXPECT_THROW(Section::Compressed(Compression::kStored, {}).AlignBody(16), std::invalid_argument);
}

TEST(FlashImages, PlacementsStayInsideAndApart) {
  FlashImage image(0x100);
  image.Place(0x10, Bytes(0x10, 1));
  EXPECT_THROW(image.Place(0x18, Bytes(4, 2)), std::invalid_argument);
  EXPECT_THROW(image.Place(0xFE, Bytes(4, 2)), std::invalid_argument);
  image.Place(0x20, Bytes(4, 3));
  EXPECT_EQ(image.bytes()[0x1F], 1);
  EXPECT_EQ(image.bytes()[0x20], 3);
  EXPECT_EQ(image.bytes()[0x24], 0xFF);
}

TEST(FfsFiles, PadWithDataKeepsItsBodyUnderEitherPolarity) {
  const Bytes body = test::RandomBytes(40, 9);
  for (bool polarity : {true, false}) {
    SCOPED_TRACE(polarity);
    const Bytes pad = FfsFile::PadWithData(body).Serialize(polarity);
    ASSERT_EQ(pad.size(), 64u);
    EXPECT_TRUE(std::all_of(pad.begin(), pad.begin() + 16, [](uint8_t b) { return b == 0xFF; }));
    EXPECT_EQ(pad[18], 0xF0);
    EXPECT_EQ(util::LoadLe24(pad.data() + 20), 64u);
    EXPECT_TRUE(std::equal(body.begin(), body.end(), pad.begin() + 24));
    // An erased pad file of the same size follows the polarity instead.
    const Bytes erased = FfsFile::Pad(64).Serialize(polarity);
    EXPECT_TRUE(std::all_of(erased.begin() + 24, erased.end(),
                            [&](uint8_t b) { return b == (polarity ? 0xFF : 0x00); }));
  }
}

// Files whose data asks for 16 or 4096 bytes land with their data (after the 24-byte header) on
// that boundary from the volume start, behind a pad file of at least a header, as GenFv lays
// them out; a file already in place gets no pad file.
TEST(Volumes, AlignedDataStartsOnItsBoundaryBehindTheSmallestPadFile) {
  struct Case {
    uint32_t alignment;
    uint32_t before;  // raw body size of the file in front
    uint8_t code;     // attribute bits 3-5
  };
  const Case cases[] = {{16, 1, 1},   {16, 8, 1},    {16, 16, 1},     {16, 24, 1},
                        {4096, 1, 5}, {4096, 77, 5}, {4096, 3960, 5}, {8, 5, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.alignment << " after " << c.before);
    Volume v;
    v.size = 0x4000;
    v.files.push_back(FfsFile::WithRawBody(kDmiFileGuid, FileType::kRaw, Bytes(c.before, 1)));
    v.files.push_back(
        FfsFile::WithSections(kSetupFileGuid, FileType::kFreeform, {Section::Raw(Bytes(50, 2))}));
    v.files.back().AlignData(c.alignment);
    std::vector<FileLocation> layout;
    const Bytes bytes = v.Serialize(&layout);
    ASSERT_GE(layout.size(), 2u);
    const FileLocation& file = layout.back();
    EXPECT_EQ((file.offset + 24) % c.alignment, 0u);
    EXPECT_EQ(bytes[file.offset + 19] & 0x38, c.code << 3);
    const uint64_t previous_end = AlignUp(layout[0].offset + layout[0].size, 8);
    if (layout.size() == 3) {
      EXPECT_EQ(layout[1].type, FileType::kPad);
      EXPECT_EQ(layout[1].offset, previous_end);
      EXPECT_GE(layout[1].size, 24u);
      EXPECT_EQ(layout[1].offset + layout[1].size, file.offset);
      // No smaller pad file of a header or more would have put the data on the boundary.
      EXPECT_LT(layout[1].size, 24u + c.alignment);
    } else {
      EXPECT_EQ(file.offset, previous_end);
    }
    EXPECT_GE(1u << ((util::LoadLe32(bytes.data() + 44) >> 16) & 0x1F), c.alignment);
  }
  FfsFile f;
  EXPECT_THROW(f.AlignData(32), std::invalid_argument);
  EXPECT_THROW(f.AlignData(0x20000), std::invalid_argument);
}

TEST(Volumes, TopFilePadFileFillsTheGapAndItsAlignmentMustHold) {
  Volume v;
  v.size = 0x2000;
  v.files.push_back(FfsFile::WithRawBody(kDmiFileGuid, FileType::kRaw, Bytes(41, 1)));
  // 24 + 0x30 bytes end at the volume end with the data on a 16-byte boundary.
  v.top_file = FfsFile::WithRawBody(kSetupFileGuid, FileType::kRaw, Bytes(0x30, 2));
  v.top_file->AlignData(16);
  std::vector<FileLocation> layout;
  const Bytes bytes = v.Serialize(&layout);
  ASSERT_EQ(layout.size(), 3u);
  EXPECT_EQ(layout[1].type, FileType::kPad);
  EXPECT_EQ(layout[1].offset, AlignUp(layout[0].offset + layout[0].size, 8));
  EXPECT_EQ(layout[1].offset + layout[1].size, layout[2].offset);
  EXPECT_EQ(layout[2].offset, v.size - 0x48);
  EXPECT_EQ(bytes[layout[2].offset + 19] & 0x38, 1 << 3);

  v.top_file = FfsFile::WithRawBody(kSetupFileGuid, FileType::kRaw, Bytes(0x38, 2));
  v.top_file->AlignData(16);
  EXPECT_THROW(v.Serialize(), std::invalid_argument);
  // A gap smaller than a pad file's header cannot be filled: the first file ends at 144, the
  // top file would start at 160.
  v.top_file = FfsFile::WithRawBody(kSetupFileGuid, FileType::kRaw, Bytes(v.size - 160 - 24, 2));
  EXPECT_THROW(v.Serialize(), std::invalid_argument);
}

}  // namespace
}  // namespace kalvire::tools
