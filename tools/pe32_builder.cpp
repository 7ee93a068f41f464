#include "tools/pe32_builder.h"

#include <algorithm>
#include <stdexcept>
#include <string>

#include "util/le.h"

namespace kalvire::tools {
namespace {

constexpr uint32_t kPeOffset = 0x40;
constexpr uint32_t kCoffSize = 20;
constexpr uint32_t kOptionalHeaderSize = 240;  // PE32+ with 16 data directories
constexpr uint32_t kSectionHeaderSize = 40;
constexpr uint32_t kResourceDirectorySize = 96;
constexpr uint32_t kRelocBlockSize = 12;

constexpr uint32_t kCode = 0x60000020;      // code, execute, read
constexpr uint32_t kData = 0xC0000040;      // initialized data, read, write
constexpr uint32_t kReadOnly = 0x40000040;  // initialized data, read
constexpr uint32_t kReloc = 0x42000040;     // initialized data, discardable, read

struct PlannedSection {
  std::string name;
  Bytes raw;  // unpadded contents
  uint32_t virtual_size;
  uint32_t characteristics;
  uint32_t rva = 0;
  uint32_t raw_size = 0;
};

// The single-chain resource tree of an HII resource, at section RVA `rva`.
Bytes ResourceDirectory(uint32_t rva, uint32_t list_size) {
  Bytes dir(kResourceDirectorySize, 0);
  uint8_t* p = dir.data();
  util::StoreLe16(p + 12, 1);                 // root: one named entry
  util::StoreLe32(p + 16, 0x80000000u | 88);  // its name string
  util::StoreLe32(p + 20, 0x80000000u | 24);  // subdirectory
  util::StoreLe16(p + 24 + 14, 1);            // name level: one id entry
  util::StoreLe32(p + 40, 1);                 // id 1
  util::StoreLe32(p + 44, 0x80000000u | 48);  // subdirectory
  util::StoreLe16(p + 48 + 14, 1);            // language level: one id entry
  util::StoreLe32(p + 64, 0);                 // neutral language
  util::StoreLe32(p + 68, 72);                // data entry (no subdirectory bit)
  util::StoreLe32(p + 72, rva + kResourceDirectorySize);
  util::StoreLe32(p + 76, list_size);
  util::StoreLe16(p + 88, 3);  // "HII" as a counted UCS-2 string
  p[90] = 'H';
  p[92] = 'I';
  p[94] = 'I';
  return dir;
}

}  // namespace

Bytes BuildPe32Image(const Pe32Options& options, Pe32Layout* layout) {
  const uint32_t align = options.alignment;
  if (align != 16 && align != 32) {
    throw std::invalid_argument("PE32 section alignment " + std::to_string(align) +
                                " is not 16 or 32");
  }
  std::vector<PlannedSection> sections;
  const Bytes code = options.code.empty() ? Bytes{0x31, 0xC0, 0xC3} : options.code;
  sections.push_back({".text", code, uint32_t(code.size()), kCode});
  Bytes data(8, 0);  // a pointer to the entry point, so .reloc has something to fix up
  data.insert(data.end(), options.data.begin(), options.data.end());
  sections.push_back({".data", data, uint32_t(data.size()), kData});
  if (options.hii_package_list) {
    const Bytes& list = *options.hii_package_list;
    Bytes rsrc(kResourceDirectorySize, 0);
    rsrc.insert(rsrc.end(), list.begin(), list.end());
    rsrc.resize(kResourceDirectorySize + AlignUp(list.size(), align), 0xFD);
    sections.push_back({".rsrc", rsrc, uint32_t(kResourceDirectorySize + list.size()), kReadOnly});
  }
  sections.push_back({".reloc", Bytes(kRelocBlockSize, 0), kRelocBlockSize, kReloc});
  const size_t reloc_index = sections.size() - 1;
  for (const Pe32ExtraSection& extra : options.trailing_sections) {
    if (extra.name.size() > 8) {
      throw std::invalid_argument("PE32 section name \"" + extra.name + "\" is longer than 8");
    }
    sections.push_back({extra.name, extra.raw, uint32_t(extra.raw.size()), kReadOnly});
  }

  const uint32_t headers_size = uint32_t(AlignUp(
      kPeOffset + 4 + kCoffSize + kOptionalHeaderSize + kSectionHeaderSize * sections.size(),
      align));
  uint32_t rva = headers_size;
  for (PlannedSection& s : sections) {
    s.rva = rva;
    s.raw_size = uint32_t(AlignUp(s.raw.size(), align));
    rva += s.raw_size;
  }
  const uint32_t image_size = rva;
  PlannedSection& text = sections[0];
  PlannedSection& data_section = sections[1];
  PlannedSection& reloc = sections[reloc_index];
  PlannedSection* rsrc = options.hii_package_list ? &sections[2] : nullptr;

  // Section contents that depend on the RVAs.
  util::StoreLe64(data_section.raw.data(), text.rva);
  util::StoreLe32(reloc.raw.data(), data_section.rva);
  util::StoreLe32(reloc.raw.data() + 4, kRelocBlockSize);
  util::StoreLe16(reloc.raw.data() + 8, 0xA000);  // DIR64 at page offset 0; the next is padding
  if (rsrc) {
    const Bytes dir = ResourceDirectory(rsrc->rva, uint32_t(options.hii_package_list->size()));
    std::copy(dir.begin(), dir.end(), rsrc->raw.begin());
  }

  Bytes image(image_size, 0);
  uint8_t* dos = image.data();
  dos[0] = 'M';
  dos[1] = 'Z';
  util::StoreLe32(dos + 0x3C, kPeOffset);
  uint8_t* pe = dos + kPeOffset;
  pe[0] = 'P';
  pe[1] = 'E';
  util::StoreLe16(pe + 4, 0x8664);
  util::StoreLe16(pe + 6, uint16_t(sections.size()));
  util::StoreLe16(pe + 20, kOptionalHeaderSize);
  util::StoreLe16(pe + 22, 0x2022);  // executable, large address aware, DLL
  uint8_t* opt = pe + 24;
  uint32_t initialized = 0;
  for (size_t i = 1; i < sections.size(); ++i) initialized += sections[i].raw_size;
  util::StoreLe16(opt + 0, 0x20B);
  util::StoreLe32(opt + 4, text.raw_size);
  util::StoreLe32(opt + 8, initialized);
  util::StoreLe32(opt + 16, text.rva);  // entry point
  util::StoreLe32(opt + 20, text.rva);  // base of code
  util::StoreLe32(opt + 32, align);
  util::StoreLe32(opt + 36, align);
  util::StoreLe32(opt + 56, image_size);
  util::StoreLe32(opt + 60, headers_size);
  util::StoreLe16(opt + 68, options.subsystem);
  util::StoreLe32(opt + 108, 16);  // NumberOfRvaAndSizes
  if (rsrc) {
    util::StoreLe32(opt + 112 + 2 * 8, rsrc->rva);
    util::StoreLe32(opt + 112 + 2 * 8 + 4, rsrc->virtual_size);
  }
  util::StoreLe32(opt + 112 + 5 * 8, reloc.rva);
  util::StoreLe32(opt + 112 + 5 * 8 + 4, kRelocBlockSize);

  uint8_t* header = opt + kOptionalHeaderSize;
  for (const PlannedSection& s : sections) {
    std::copy(s.name.begin(), s.name.end(), header);
    util::StoreLe32(header + 8, s.virtual_size);
    util::StoreLe32(header + 12, s.rva);
    util::StoreLe32(header + 16, s.raw_size);
    util::StoreLe32(header + 20, s.rva);
    util::StoreLe32(header + 36, s.characteristics);
    std::copy(s.raw.begin(), s.raw.end(), image.begin() + s.rva);
    header += kSectionHeaderSize;
  }

  if (layout) {
    layout->pe_header_offset = kPeOffset;
    layout->data_offset = data_section.rva + 8;
    layout->rsrc_offset = rsrc ? rsrc->rva : 0;
    layout->package_list_offset = rsrc ? rsrc->rva + kResourceDirectorySize : 0;
    layout->reloc_offset = reloc.rva;
    layout->image_size = image_size;
    layout->section_count = uint16_t(sections.size());
  }
  return image;
}

}  // namespace kalvire::tools
