// Whole SPI flash images of Intel boards: a 4 KiB flash descriptor, the ME region and the BIOS
// region, in that order. The descriptor follows Intel's layout:
//   0x000  16 bytes 0xFF (reserved vector), then the signature 0x0FF0A55A at 0x10
//   0x014  FLMAP0..FLMAP2: component section at 0x30, region section at 0x40, master section at
//          0x80, PCH straps at 0x100 (each base stored in 16-byte units)
//   0x030  FLCOMP: one flash chip whose density covers the image, 17 MHz read clock (the value
//          that marks a descriptor of the 100-series layout and later)
//   0x040  FLREG0..FLREG15: base (bits 0-14) and limit (bits 16-30) in 4 KiB units; unused
//          regions hold base 0x7FFF, limit 0
//   0x080  FLMSTR1 (host: reads descriptor and BIOS, writes BIOS), FLMSTR2 (ME: reads
//          descriptor and ME, writes ME)
//   0xEFC  FLUMAP1: the VSCC table at 0xEE0 with one entry, a Winbond W25Q128 (JEDEC EF4018)
// The ME region carries a "$FPT" partition table (behind the 16-byte ROM bypass vector) with one
// code partition "FTPR" that holds a "$MN2" manifest tag with the firmware version.
#pragma once

#include <cstdint>

#include "tools/image_builder.h"

namespace kalvire::tools {

inline constexpr uint32_t kFlashDescriptorSize = 0x1000;
inline constexpr uint32_t kFlashDescriptorSignature = 0x0FF0A55A;

// The 4 KiB descriptor region of an image of descriptor, ME region of `me_size` bytes and BIOS
// region of `bios_size` bytes (both multiples of 4 KiB, ME region not empty).
Bytes BuildFlashDescriptor(uint32_t me_size, uint32_t bios_size);

// An ME region of `size` bytes (a multiple of 4 KiB, 8 KiB at least): partition table, the FTPR
// partition from 0x1000, the rest erased.
Bytes BuildMeRegion(uint32_t size);

// Descriptor, ME region of `me_size` bytes, then `bios_region`. Throws std::invalid_argument when
// a size is not a multiple of 4 KiB or the image outgrows the 15-bit region limits.
Bytes BuildFullFlashImage(const Bytes& bios_region, uint32_t me_size);

}  // namespace kalvire::tools
