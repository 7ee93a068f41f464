#include "tools/flash_descriptor.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "util/le.h"

namespace kalvire::tools {
namespace {

struct Region {
  uint64_t offset;
  uint64_t size;
};

// FLREGn read back as the descriptor's readers do: 4 KiB units, limit inclusive.
Region RegionOf(const Bytes& descriptor, uint32_t n) {
  const uint32_t region_base = (util::LoadLe32(descriptor.data() + 0x14) >> 16 & 0xFF) << 4;
  const uint32_t reg = util::LoadLe32(descriptor.data() + region_base + 4 * n);
  const uint64_t base = reg & 0x7FFF, limit = reg >> 16 & 0x7FFF;
  return {base << 12, limit < base ? 0 : (limit + 1 - base) << 12};
}

TEST(FlashDescriptor, RegionsCoverTheImageInOrder) {
  struct Case {
    uint32_t me_size;
    uint32_t bios_size;
    uint32_t density_code;  // 512 KiB << code covers the image
  };
  for (const Case& c :
       {Case{0x2000, 0x1000, 0}, Case{0x200000, 0x1000000, 6}, Case{0x5FF000, 0xA00000, 5}}) {
    SCOPED_TRACE(testing::Message() << std::hex << c.me_size << " " << c.bios_size);
    const Bytes d = BuildFlashDescriptor(c.me_size, c.bios_size);
    ASSERT_EQ(d.size(), kFlashDescriptorSize);
    EXPECT_EQ(util::LoadLe32(d.data() + 0x10), kFlashDescriptorSignature);
    EXPECT_EQ(util::LoadLe32(d.data()), 0xFFFFFFFFu);
    const Region descriptor = RegionOf(d, 0), bios = RegionOf(d, 1), me = RegionOf(d, 2);
    EXPECT_EQ(descriptor.offset, 0u);
    EXPECT_EQ(descriptor.size, kFlashDescriptorSize);
    EXPECT_EQ(me.offset, kFlashDescriptorSize);
    EXPECT_EQ(me.size, c.me_size);
    EXPECT_EQ(bios.offset, kFlashDescriptorSize + c.me_size);
    EXPECT_EQ(bios.size, c.bios_size);
    for (uint32_t n = 3; n < 16; ++n) EXPECT_EQ(RegionOf(d, n).size, 0u) << "region " << n;
    const uint32_t component_base = (util::LoadLe32(d.data() + 0x14) & 0xFF) << 4;
    EXPECT_EQ(util::LoadLe32(d.data() + component_base) & 0xF, c.density_code);
    // The bases stay clear of each other, as readers of the map require.
    const uint32_t master_base = (util::LoadLe32(d.data() + 0x18) & 0xFF) << 4;
    EXPECT_NE(master_base, component_base);
    EXPECT_GE(master_base, 0x40u + 16 * 4);
  }
}

TEST(FlashDescriptor, BadSizesAreRefused) {
  EXPECT_THROW(BuildFlashDescriptor(0x1800, 0x1000), std::invalid_argument);
  EXPECT_THROW(BuildFlashDescriptor(0x2000, 0), std::invalid_argument);
  EXPECT_THROW(BuildFlashDescriptor(0x2000, 64u << 20), std::invalid_argument);
  EXPECT_THROW(BuildMeRegion(0x1000), std::invalid_argument);
  EXPECT_THROW(BuildFullFlashImage(Bytes(0x1800, 0), 0x2000), std::invalid_argument);
  EXPECT_THROW(BuildFullFlashImage(Bytes(0x1000, 0), 0x3000 + 1), std::invalid_argument);
}

TEST(FlashDescriptor, MeRegionHoldsAPartitionTableWithItsChecksum) {
  const Bytes me = BuildMeRegion(0x4000);
  ASSERT_EQ(me.size(), 0x4000u);
  EXPECT_EQ(std::string(me.begin() + 16, me.begin() + 20), "$FPT");
  uint8_t sum = 0;
  for (size_t i = 16; i < 16 + 32; ++i) sum = uint8_t(sum + me[i]);
  EXPECT_EQ(sum, 0);
  EXPECT_EQ(util::LoadLe32(me.data() + 20), 1u);
  const uint8_t* entry = me.data() + 48;
  EXPECT_EQ(std::string(entry, entry + 4), "FTPR");
  const uint32_t offset = util::LoadLe32(entry + 8), size = util::LoadLe32(entry + 12);
  ASSERT_LE(uint64_t{offset} + size, me.size());
  EXPECT_EQ(std::string(me.begin() + offset + 0x1C, me.begin() + offset + 0x20), "$MN2");
  EXPECT_EQ(entry[31], 0);  // valid
  EXPECT_EQ(me.back(), 0xFF);
}

TEST(FlashDescriptor, FullImagePlacesTheBiosRegionBytesLast) {
  Bytes bios(0x3000);
  for (size_t i = 0; i < bios.size(); ++i) bios[i] = uint8_t(i * 7);
  const Bytes image = BuildFullFlashImage(bios, 0x2000);
  ASSERT_EQ(image.size(), 0x1000u + 0x2000u + 0x3000u);
  EXPECT_EQ(Bytes(image.begin(), image.begin() + 0x1000), BuildFlashDescriptor(0x2000, 0x3000));
  EXPECT_EQ(Bytes(image.begin() + 0x1000, image.begin() + 0x3000), BuildMeRegion(0x2000));
  EXPECT_EQ(Bytes(image.begin() + 0x3000, image.end()), bios);
}

}  // namespace
}  // namespace kalvire::tools
