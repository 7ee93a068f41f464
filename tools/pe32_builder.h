// PE32+ images for PE32 sections: a DXE driver with .text, .data, an optional .rsrc that holds
// an HII package list as its only resource, .reloc, and optional further sections after it.
//
// File alignment equals section alignment, so every RVA is also the offset from the image
// start. The .rsrc section starts with a 96-byte resource directory (one named type "HII", one
// id, one language, the data entry and the name string), so the package list sits at the
// section's RVA + 96, and .reloc follows at the list's RVA plus the list length rounded up to the
// section alignment; the padding between them is 0xFD, the byte the editor writes there when it
// resizes the list.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tools/image_builder.h"

namespace kalvire::tools {

// A section placed after .reloc (read-only initialized data), as linkers put debug or
// vendor sections there.
struct Pe32ExtraSection {
  std::string name;  // at most 8 characters
  Bytes raw;
};

struct Pe32Options {
  Bytes code;  // empty: xor eax, eax; ret
  Bytes data;  // placed after the 8-byte relocated pointer in .data
  std::optional<Bytes> hii_package_list;
  uint32_t alignment = 0x20;  // 16 or 32: the 96-byte resource directory keeps the list aligned
  uint16_t subsystem = 0x0B;  // EFI boot service driver
  std::vector<Pe32ExtraSection> trailing_sections;
};

// Where the parts of a built image are (offsets from the image start, equal to RVAs).
struct Pe32Layout {
  uint32_t pe_header_offset = 0;  // the "PE" signature
  uint32_t data_offset = 0;       // Pe32Options::data inside .data
  uint32_t rsrc_offset = 0;       // 0 without .rsrc
  uint32_t package_list_offset = 0;
  uint32_t reloc_offset = 0;
  uint32_t image_size = 0;
  uint16_t section_count = 0;
};

// Builds the image; throws std::invalid_argument for an alignment other than 16 or 32 or a
// section name longer than 8 characters.
Bytes BuildPe32Image(const Pe32Options& options, Pe32Layout* layout = nullptr);

}  // namespace kalvire::tools
