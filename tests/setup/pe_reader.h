// An independent reader of the Setup module data for the string-edit tests: it checks a PE32+
// image with its .rsrc package list, or a package list in a section of its own, against every
// size and position field, and parses the package list from the offsets the fields give. It
// shares no code with the editor.
#pragma once

#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <vector>

namespace kalvire::setup::test {

struct PeSection {
  std::string name;
  uint32_t virtual_size = 0;
  uint32_t rva = 0;
  uint32_t raw_size = 0;
  uint32_t raw_pointer = 0;
};

// What was read, and every inconsistency found (empty when the data is sound).
struct SetupModuleReport {
  std::vector<std::string> faults;
  std::vector<PeSection> sections;  // PE32 layout
  uint32_t relocation_rva = 0;      // PE32 layout
  bool padding_is_fd = false;       // PE32 layout: the bytes behind the list up to .reloc
  uint64_t list_offset = 0;         // of the package list GUID in the module data
  uint64_t list_end = 0;
  std::map<uint16_t, std::u16string> strings;  // en-US strings by id
  std::vector<uint64_t> forms_packages;        // offsets of the forms packages
  std::map<uint64_t, uint8_t> opcodes;         // IFR opcode offset -> opcode
};

// PE32 layout: the module data starts with the PE32 section (image at offset 4).
SetupModuleReport ReadPe32SetupModule(std::span<const uint8_t> data);
// Section layout: the package list GUID at `list_offset`, its section header just before it.
SetupModuleReport ReadSectionSetupModule(std::span<const uint8_t> data, uint64_t list_offset);

std::u16string Ucs2(const std::string& latin1);

}  // namespace kalvire::setup::test
