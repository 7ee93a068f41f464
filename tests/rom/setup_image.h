// A small image that Open accepts: DMI module, NVRAM store, Setup module with an HII package
// list, and an AmiTse SPF module, each a free-form section in its own file.
#pragma once

#include "rom_test_images.h"

namespace kalvire::rom::test {

struct SetupImageParts {
  bool dmi = true;
  bool dmi_end_of_table = true;
  bool nvram = true;
  bool setup = true;
  bool package_list = true;
  bool english_strings = true;
  bool amitse = true;
  bool amitse_second_name = false;
  bool amitse_pkg_guid = true;
};

// A string package of `language` whose string data is `blocks`.
Bytes StringPackage(const char* language, std::span<const uint8_t> blocks);
// A package list (GUID, length, packages, end package).
Bytes PackageList(const Guid& guid, const std::vector<Bytes>& packages);
// A package of `type` with `body` after its 4-byte header.
Bytes Package(uint8_t type, std::span<const uint8_t> body);

Bytes SetupImage(const SetupImageParts& parts = {});

// The string data that SetupImage puts into its en-US package.
Bytes SetupImageStringData();

}  // namespace kalvire::rom::test
