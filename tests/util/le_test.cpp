// The bounds-checked reads, whose test must not wrap, and the little-endian values they load.
#include "util/le.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace kalvire::util {
namespace {

const std::array<uint8_t, 9> kBytes = {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF, 0xFE};

TEST(Le, FitsWithoutWrapping) {
  const std::vector<uint8_t> buffer(16);
  const struct {
    uint64_t offset, width;
    bool fits;
  } cases[] = {
      {0, 0, true},
      {0, 16, true},
      {0, 17, false},
      {15, 1, true},
      {15, 2, false},
      {16, 0, true},
      {16, 1, false},
      {17, 0, false},
      {8, 8, true},
      {8, 9, false},
      {UINT64_MAX, 1, false},
      {1, UINT64_MAX, false},
      {16, UINT64_MAX, false},
      {UINT64_MAX, 0, false},
      {UINT64_MAX - 7, 8, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Fits(buffer, c.offset, c.width), c.fits) << c.offset << " + " << c.width;
    EXPECT_EQ(Slice(buffer, c.offset, c.width).has_value(), c.fits) << c.offset;
  }
  EXPECT_TRUE(Fits({}, 0, 0) && !Fits({}, 0, 1));
  const auto slice = Slice(kBytes, 2, 3);
  ASSERT_TRUE(slice);
  EXPECT_EQ(slice->data(), kBytes.data() + 2);
  EXPECT_EQ(slice->size(), 3u);
}

TEST(Le, ReadsAtAnOffsetStopAtTheEnd) {
  const struct {
    uint64_t offset;
    std::optional<uint64_t> u8, le16, le24, le32, le64;
  } cases[] = {
      {0, 0x01, 0x2301, 0x452301, 0x67452301, 0xEFCDAB8967452301ull},
      {1, 0x23, 0x4523, 0x674523, 0x89674523, 0xFEEFCDAB89674523ull},
      {2, 0x45, 0x6745, 0x896745, 0xAB896745, std::nullopt},
      {5, 0xAB, 0xCDAB, 0xEFCDAB, 0xFEEFCDAB, std::nullopt},
      {6, 0xCD, 0xEFCD, 0xFEEFCD, std::nullopt, std::nullopt},
      {7, 0xEF, 0xFEEF, std::nullopt, std::nullopt, std::nullopt},
      {8, 0xFE, std::nullopt, std::nullopt, std::nullopt, std::nullopt},
      {9, std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt},
      {UINT64_MAX, std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.offset);
    EXPECT_EQ(ReadU8(kBytes, c.offset), c.u8);
    EXPECT_EQ(ReadLe16(kBytes, c.offset), c.le16);
    EXPECT_EQ(ReadLe24(kBytes, c.offset), c.le24);
    EXPECT_EQ(ReadLe32(kBytes, c.offset), c.le32);
    EXPECT_EQ(ReadLe64(kBytes, c.offset), c.le64);
  }
}

}  // namespace
}  // namespace kalvire::util
