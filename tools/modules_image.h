// A 1 MiB volume in a flash image, laid out as a vendor's main volume is: the sample board's DMI,
// Setup and AmiTse modules between filler drivers, each module stored as chosen, the three
// optionally inside an LZMA-compressed volume-image file; then a driver with a data checksum and
// the NVRAM store, whose "StdDefaults" hold the menu's defaults. Behind the store is free space,
// or a raw file that takes the rest of the volume.
#pragma once

#include "tools/module_files.h"

namespace kalvire::tools {

struct ModulesImageOptions {
  ModuleStorage storage = ModuleStorage::kPlain;
  bool nested = false;  // the modules inside an LZMA firmware-volume-image file
  SetupLayout layout = SetupLayout::kPe32;
  bool full_volume = false;  // a file behind the NVRAM store takes the rest of the volume
  // With kLzmaGuided storage: byte `flip_offset` of the decoded data of module file `flip_file`
  // is XORed with `flip_mask` before it is encoded again (damaged data in sound LZMA).
  Guid flip_file{};
  uint64_t flip_offset = 0;
  uint8_t flip_mask = 0;
};

Bytes BuildModulesImage(const ModulesImageOptions& options = {});

}  // namespace kalvire::tools
