// The recipe of sample.rom, a 16 MiB image laid out like a vendor BIOS region:
//   0x000000  1 MiB erased (where the NVRAM volume of a real board lives)
//   0x100000  FV_MAIN, 8 MiB, extended header: a pad file, a driver with 4 KiB-aligned data,
//             plain drivers, the DMI module (Tiano), the firmware-volume-image file whose LZMA
//             section holds FV_DXE, a driver with a data checksum and, last, the NVRAM store file
//             ("StdDefaults" with "Setup" and "AMITSESetup"); the free space behind it (over
//             7 MiB) is where the editor writes its history files
//   0x900000  FV_OA, 256 KiB: raw data files
//   0xFC0000  FV_BB, 256 KiB, no extended header: PEIMs
// FV_DXE (4 MiB, extended header) holds drivers, the Setup module (Tiano, PE32 layout with the
// forms of sample_forms.h) and the AmiTse SPF module (EFI, first-choice name).
#pragma once

#include <vector>

#include "tools/image_builder.h"
#include "tools/smbios_builder.h"

namespace kalvire::tools {

inline constexpr uint64_t kSampleImageSize = 16u << 20;
inline constexpr uint64_t kSampleMainVolumeOffset = 0x100000;
inline constexpr uint32_t kSampleDmiAreaSize = 0x1000;

// SMBIOS types 0, 1, 2, 3, 4 and 11 of the sample board.
std::vector<SmbiosStructure> BuildSampleSmbios();

// The nested volume FV_DXE as it sits decoded inside the image.
Bytes BuildSampleDxeVolume();

// The whole image, the same bytes on every run.
Bytes BuildSampleImage();

}  // namespace kalvire::tools
