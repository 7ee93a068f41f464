// The header readers of sections, FFS files and firmware volumes on small hand-made bytes.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "rom/ffs_file.h"
#include "rom/section.h"
#include "rom/volume.h"
#include "tools/raw_image.h"
#include "util/le.h"

namespace kalvire::rom {
namespace {

using tools::raw::FfsHeader;
using tools::raw::VolumeHeader;

using Bytes = std::vector<uint8_t>;

// "type header-size size" of the extent, or "none".
std::string Extent(const Bytes& bytes, uint64_t offset, uint64_t end) {
  const auto e = ReadSectionExtent(bytes, offset, end);
  return e ? std::to_string(e->type) + " " + std::to_string(e->header_size) + " " +
                 std::to_string(e->size)
           : "none";
}

TEST(HeaderReaders, SectionExtents) {
  const Bytes large = {0xFF, 0xFF, 0xFF, 0x19, 0x0C, 0, 0, 0, 1, 2, 3, 4};
  const Bytes six = {0x06, 0, 0, 0x10, 9, 9};
  const std::tuple<Bytes, uint64_t, uint64_t, const char*> cases[] = {
      // bytes, offset, end
      {six, 0, 6, "16 4 6"},  // the body up to the end
      {{0x04, 0, 0, 0x19}, 0, 4, "25 4 4"},
      {{0, 0, 0x05, 0, 0, 0x18, 7}, 2, 7, "24 4 5"},
      {Bytes(0x010101, 1), 0, 0x010101, "1 4 65793"},  // all three size bytes
      {{0x07, 0, 0, 0x10, 9, 9}, 0, 6, "none"},        // one byte past the end
      {six, 0, 5, "none"},                             // past the end of the stream
      {six, 0, 7, "none"},                             // end past the buffer
      {{0x03, 0, 0, 0x10}, 0, 4, "none"},              // size below the header
      {{0x04, 0, 0, 0x10}, 1, 4, "none"},              // truncated header
      {{0x04, 0, 0, 0x10}, UINT64_MAX, 4, "none"},
      {large, 0, 12, "25 8 12"},
      {large, 0, 11, "none"},
      {Bytes(large.begin(), large.begin() + 7), 0, 7, "none"},  // extended size cut
      {Bytes{0xFF, 0xFF, 0xFF, 0x19, 7, 0, 0, 0}, 0, 8, "none"},
      {Bytes{0xFF, 0xFF, 0xFF, 0x19, 8, 0, 0, 0}, 0, 8, "25 8 8"},
      {Bytes{0xFF, 0xFF, 0xFF, 0x19, 0xFF, 0xFF, 0xFF, 0xFF}, 0, 8, "none"},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    const auto& [bytes, offset, end, extent] = cases[i];
    EXPECT_EQ(Extent(bytes, offset, end), extent) << "case " << i;
  }
}

TEST(HeaderReaders, FfsFileHeaders) {
  const Bytes h = FfsHeader(kFfsAttribChecksum, 0x123456);
  // 0x10 + ... + 0x1F = 0x178, + 0xF0 + 0x40 + 0x56 + 0x34 + 0x12 = 0x344: checksum 0xBC.
  EXPECT_EQ(h[16], 0xBC);
  const auto read = ReadFfsFileHeader(h, 0);
  ASSERT_TRUE(read);
  EXPECT_EQ(Bytes(read->name.begin(), read->name.end()), Bytes(h.begin(), h.begin() + 16));
  EXPECT_EQ(std::tuple(read->type, read->attributes, read->size, read->state),
            std::tuple(kFileTypePad, kFfsAttribChecksum, 0x123456u, uint8_t(0xF8)));
  EXPECT_FALSE(ReadFfsFileHeader(Bytes(h.begin(), h.end() - 1), 0) || ReadFfsFileHeader(h, ~0ull));
  EXPECT_FALSE(IsErasedName(read->name));
  Guid erased = MakeGuid("FFFFFFFF-FFFF-FFFF-FFFF-FFFFFFFFFFFF");
  EXPECT_TRUE(IsErasedName(erased) && !IsErasedName((erased[15] = 0xFE, erased)));
  // Large file: Size 0, the 64-bit size after the header and counted in the checksum.
  Bytes big = FfsHeader(kFfsAttribLargeFile, 0);
  big.resize(kFfsLargeHeaderSize);
  util::StoreLe64(big.data() + 24, 0x1000020);
  big[16] = uint8_t(big[16] - 0x20 - 0x01);
  const auto with = [](Bytes b, size_t at, uint8_t value) { return b[at] = value, b; };
  EXPECT_TRUE(FfsHeaderChecksumHolds(h));
  EXPECT_TRUE(FfsHeaderChecksumHolds(with(h, 23, 0))) << "State is not counted";
  EXPECT_TRUE(FfsHeaderChecksumHolds(with(h, 17, 0))) << "the file checksum is not counted";
  for (const auto& [at, value] : {std::pair<size_t, uint8_t>{18, 0xF1}, {22, 0x13}, {16, 0xBD}}) {
    EXPECT_FALSE(FfsHeaderChecksumHolds(with(h, at, value))) << "byte " << at;
  }
  EXPECT_FALSE(FfsHeaderChecksumHolds(Bytes(h.begin(), h.end() - 1)));
  EXPECT_TRUE(FfsHeaderChecksumHolds(big));
  EXPECT_FALSE(FfsHeaderChecksumHolds(with(big, 27, 2))) << "the 64-bit size is counted";
  const uint64_t first[] = {1, 16, 128, 512, 1024, 4096, 32768, 65536};
  for (uint8_t selector = 0; selector < 8; ++selector) {
    const uint8_t attributes = uint8_t(selector << 3 | 0x02 | 0xC5);
    EXPECT_EQ(FfsDataAlignment(attributes, false), first[selector]) << int(selector);
    EXPECT_EQ(FfsDataAlignment(uint8_t(attributes & ~0x02), true), first[selector]) << "FFS3";
    EXPECT_EQ(FfsDataAlignment(attributes, true), uint64_t(128 * 1024) << selector) << "second";
  }
  EXPECT_EQ(std::tuple(Align4(0), Align4(5), Align4(8), Align8(9), Align8(16)),
            std::tuple(0u, 8u, 8u, 16u, 16u));
}

TEST(HeaderReaders, VolumeHeaders) {
  const Bytes v = VolumeHeader(0x100, 0x108);
  const auto header = ReadVolumeHeader(v, 8);
  ASSERT_TRUE(header);
  EXPECT_EQ(std::tuple(header->IsFfs3(), header->fv_length, header->has_signature,
                       header->attributes, header->header_length, header->ext_header_offset),
            std::tuple(true, 0x100u, true, 0x0004FEFFu, uint16_t(72), uint16_t(0)));
  EXPECT_EQ(header->EraseByte(), 0xFF);
  EXPECT_EQ(FirmwareVolumeHeader{.attributes = 0xFFFFF7FF}.EraseByte(), 0x00);
  EXPECT_TRUE(!ReadVolumeHeader(Bytes(v.begin(), v.begin() + 63), 8) &&
              ReadVolumeHeader(Bytes(v.begin(), v.begin() + 64), 8));  // 56 fixed bytes
  // The first file of a valid volume, or empty.
  const std::pair<Bytes, std::optional<uint64_t>> cases[] = {
      {v, 8 + 72},
      {VolumeHeader(72, 80), 80},            // exactly its header
      {VolumeHeader(71, 80), std::nullopt},  // shorter than its header
      {VolumeHeader(0x100, 0x108, 0, "_FVh"), std::nullopt},
      {VolumeHeader(0x100, 0x108, 0, "XFVH"), std::nullopt},
      {VolumeHeader(0x101, 0x108), std::nullopt},  // one byte past the buffer
      {VolumeHeader(0x100, 0x108, 72), 8 + 72 + 20 + 6 + 4},
      {VolumeHeader(100, 0x108, 72), std::nullopt},               // extended header past the volume
      {VolumeHeader(0x100, 0x108, 72, "_FVH", 0), std::nullopt},  // an entry of size 0
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    const auto& [bytes, first_file] = cases[i];
    SCOPED_TRACE(i);
    FirmwareVolumeHeader read;
    uint64_t first = 0;
    EXPECT_EQ(ReadValidVolume(bytes, 8, read, first), first_file.has_value());
    if (first_file) {
      EXPECT_EQ(first, *first_file);
    }
  }
}

}  // namespace
}  // namespace kalvire::rom
