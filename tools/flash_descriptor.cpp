#include "tools/flash_descriptor.h"

#include <algorithm>
#include <stdexcept>
#include <string>

#include "util/le.h"

namespace kalvire::tools {
namespace {

constexpr uint32_t kRegionUnit = 0x1000;
constexpr uint32_t kMaxFlashSize = 64u << 20;  // FLCOMP density code 7
constexpr uint32_t kComponentBase = 0x30;
constexpr uint32_t kRegionBase = 0x40;
constexpr uint32_t kMasterBase = 0x80;
constexpr uint32_t kPchStrapsBase = 0x100;
constexpr uint32_t kProcStrapsBase = 0x200;
constexpr uint32_t kRegionCount = 16;
constexpr uint32_t kUpperMapOffset = 0xEFC;
constexpr uint32_t kVsccTableOffset = 0xEE0;

constexpr uint32_t kMeRomBypassSize = 16;
constexpr uint32_t kFptHeaderSize = 32;
constexpr uint32_t kFptEntrySize = 32;
constexpr uint32_t kFtprOffset = 0x1000;
constexpr uint32_t kFtprSize = 0x1000;
constexpr uint32_t kManifestTagOffset = 0x1C;  // "$MN2" inside the manifest header

void RequireRegionSize(uint64_t size, const char* region) {
  if (size == 0 || size % kRegionUnit != 0) {
    throw std::invalid_argument(std::string(region) + " region of " + std::to_string(size) +
                                " bytes is not a non-zero multiple of 4 KiB");
  }
}

// FLREGn: base in bits 0-14 and limit in bits 16-30, both in 4 KiB units.
uint32_t RegionRegister(uint32_t offset, uint32_t size) {
  return offset / kRegionUnit | (offset + size - 1) / kRegionUnit << 16;
}

// Bits 0-3 of FLCOMP: the chip size as 512 KiB shifted left by the code.
uint32_t DensityCode(uint64_t flash_size) {
  uint32_t code = 0;
  while ((uint64_t{512} << 10 << code) < flash_size) ++code;
  return code;
}

}  // namespace

Bytes BuildFlashDescriptor(uint32_t me_size, uint32_t bios_size) {
  RequireRegionSize(me_size, "ME");
  RequireRegionSize(bios_size, "BIOS");
  const uint64_t flash_size = uint64_t{kFlashDescriptorSize} + me_size + bios_size;
  if (flash_size > kMaxFlashSize) {
    throw std::invalid_argument("a flash image of " + std::to_string(flash_size) +
                                " bytes is over the 64 MiB one chip holds");
  }
  Bytes d(kFlashDescriptorSize, 0xFF);
  util::StoreLe32(d.data() + 0x10, kFlashDescriptorSignature);
  // FLMAP0: component and region bases, one chip. FLMAP1: master base, two masters, one PCH
  // strap. FLMAP2: processor straps base, none.
  util::StoreLe32(d.data() + 0x14, kComponentBase >> 4 | (kRegionBase >> 4) << 16);
  util::StoreLe32(d.data() + 0x18,
                  kMasterBase >> 4 | 1u << 8 | (kPchStrapsBase >> 4) << 16 | 1u << 24);
  util::StoreLe32(d.data() + 0x1C, kProcStrapsBase >> 4);
  // FLCOMP: density, read clock 17 MHz, fast read at 50/30 MHz, write/erase and status 50/30 MHz;
  // FLILL: no invalid instructions.
  util::StoreLe32(d.data() + kComponentBase,
                  DensityCode(flash_size) | 6u << 17 | 1u << 20 | 4u << 21 | 4u << 24 | 4u << 27);
  util::StoreLe32(d.data() + kComponentBase + 4, 0);

  const uint32_t me_offset = kFlashDescriptorSize;
  const uint32_t bios_offset = me_offset + me_size;
  for (uint32_t i = 0; i < kRegionCount; ++i) {
    util::StoreLe32(d.data() + kRegionBase + 4 * i, 0x00007FFF);
  }
  util::StoreLe32(d.data() + kRegionBase, RegionRegister(0, kFlashDescriptorSize));
  util::StoreLe32(d.data() + kRegionBase + 4, RegionRegister(bios_offset, bios_size));
  util::StoreLe32(d.data() + kRegionBase + 8, RegionRegister(me_offset, me_size));

  // FLMSTRn: read access in bits 8-19, write access in bits 20-31, one bit per region number.
  util::StoreLe32(d.data() + kMasterBase, 0b011u << 8 | 0b010u << 20);
  util::StoreLe32(d.data() + kMasterBase + 4, 0b101u << 8 | 0b100u << 20);
  util::StoreLe32(d.data() + kPchStrapsBase, 0);

  d[kUpperMapOffset] = uint8_t(kVsccTableOffset >> 4);
  d[kUpperMapOffset + 1] = 2;  // table length in dwords: one entry
  d[kUpperMapOffset + 2] = 0;
  d[kUpperMapOffset + 3] = 0;
  const uint8_t winbond_w25q128[] = {0xEF, 0x40, 0x18, 0x00};
  std::copy(std::begin(winbond_w25q128), std::end(winbond_w25q128), d.begin() + kVsccTableOffset);
  util::StoreLe32(d.data() + kVsccTableOffset + 4, 0x20052005);
  return d;
}

Bytes BuildMeRegion(uint32_t size) {
  RequireRegionSize(size, "ME");
  if (size < kFtprOffset + kFtprSize) {
    throw std::invalid_argument("an ME region needs 8 KiB for its partition table and FTPR");
  }
  Bytes me(size, 0xFF);
  std::fill_n(me.begin(), kMeRomBypassSize, 0);
  uint8_t* fpt = me.data() + kMeRomBypassSize;
  std::fill_n(fpt, kFptHeaderSize + kFptEntrySize, 0);
  std::copy_n("$FPT", 4, fpt);
  util::StoreLe32(fpt + 4, 1);  // entries
  fpt[8] = 0x20;                // header version
  fpt[9] = 0x10;                // entry version
  fpt[10] = kFptHeaderSize;
  util::StoreLe16(fpt + 24, 14);  // flash image tool version 14.0.21.7227
  util::StoreLe16(fpt + 28, 21);
  util::StoreLe16(fpt + 30, 7227);
  fpt[11] = Checksum8(std::span<const uint8_t>(fpt, kFptHeaderSize));

  uint8_t* entry = fpt + kFptHeaderSize;
  std::copy_n("FTPR", 4, entry);
  std::fill_n(entry + 4, 4, 0xFF);  // no owner
  util::StoreLe32(entry + 8, kFtprOffset);
  util::StoreLe32(entry + 12, kFtprSize);
  // Flags at 28: type 0 (code); byte 31 is 0 for a valid entry.

  // The FTPR manifest header: module type 4, header version 1.0, vendor Intel, then the "$MN2"
  // tag with the firmware version behind it.
  uint8_t* ftpr = me.data() + kFtprOffset;
  std::fill_n(ftpr, kFtprSize, 0);
  util::StoreLe16(ftpr, 4);
  util::StoreLe32(ftpr + 4, 0xA1);
  util::StoreLe32(ftpr + 8, 0x10000);
  util::StoreLe32(ftpr + 16, 0x8086);
  util::StoreLe32(ftpr + 20, 0x20200312);
  util::StoreLe32(ftpr + 24, kFtprSize / 4);
  std::copy_n("$MN2", 4, ftpr + kManifestTagOffset);
  util::StoreLe16(ftpr + kManifestTagOffset + 8, 14);
  util::StoreLe16(ftpr + kManifestTagOffset + 10, 0);
  util::StoreLe16(ftpr + kManifestTagOffset + 12, 21);
  util::StoreLe16(ftpr + kManifestTagOffset + 14, 7227);
  return me;
}

Bytes BuildFullFlashImage(const Bytes& bios_region, uint32_t me_size) {
  if (bios_region.size() > kMaxFlashSize) {
    throw std::invalid_argument("a BIOS region over 64 MiB does not fit one flash chip");
  }
  const Bytes descriptor = BuildFlashDescriptor(me_size, uint32_t(bios_region.size()));
  FlashImage image(kFlashDescriptorSize + uint64_t{me_size} + bios_region.size());
  image.Place(0, descriptor);
  image.Place(kFlashDescriptorSize, BuildMeRegion(me_size));
  image.Place(kFlashDescriptorSize + uint64_t{me_size}, bios_region);
  return image.Take();
}

}  // namespace kalvire::tools
