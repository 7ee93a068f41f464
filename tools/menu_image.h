// A small image that opens with a given setup menu: one volume holding the DMI module of the
// sample board, an NVRAM store whose "StdDefaults" hold the defaults of the menu's variables,
// the Setup module with the menu's package list and the AmiTse SPF module that matches it.
#pragma once

#include "tools/hii_builder.h"
#include "tools/module_files.h"

namespace kalvire::tools {

struct MenuImageOptions {
  SetupLayout layout = SetupLayout::kPe32;
  ModuleStorage setup_storage = ModuleStorage::kPlain;
  Pe32Options setup_image;  // alignment and sections after .reloc of the Setup PE32 image
};

// The image; throws std::invalid_argument as the builders below it do.
Bytes BuildMenuImage(const HiiPackageList& forms, const MenuImageOptions& options = {});

}  // namespace kalvire::tools
