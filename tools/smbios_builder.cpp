#include "tools/smbios_builder.h"

#include <algorithm>
#include <stdexcept>

#include "util/le.h"

namespace kalvire::tools {
namespace {

constexpr uint8_t kEndOfTable = 127;

SmbiosStructure Make(uint8_t type, uint16_t handle, size_t length,
                     std::vector<std::string> strings) {
  SmbiosStructure s;
  s.type = type;
  s.handle = handle;
  s.fields.assign(length - 4, 0);
  s.strings = std::move(strings);
  return s;
}

// Field at formatted-area offset `at` (as the SMBIOS tables count, header included).
uint8_t& At(SmbiosStructure& s, size_t at) {
  return s.fields[at - 4];
}
void Word(SmbiosStructure& s, size_t at, uint16_t v) {
  util::StoreLe16(&At(s, at), v);
}

}  // namespace

Bytes BuildSmbiosTable(const std::vector<SmbiosStructure>& structures) {
  Bytes out;
  auto append = [&out](uint8_t type, uint16_t handle, const Bytes& fields,
                       const std::vector<std::string>& strings) {
    if (fields.size() + 4 > 0xFF) throw std::invalid_argument("SMBIOS formatted area over 255");
    out.push_back(type);
    out.push_back(uint8_t(fields.size() + 4));
    out.push_back(uint8_t(handle));
    out.push_back(uint8_t(handle >> 8));
    out.insert(out.end(), fields.begin(), fields.end());
    for (const std::string& text : strings) {
      if (text.empty()) throw std::invalid_argument("an SMBIOS string cannot be empty");
      out.insert(out.end(), text.begin(), text.end());
      out.push_back(0);
    }
    if (strings.empty()) out.push_back(0);
    out.push_back(0);
  };
  uint16_t next_handle = 0;
  for (const SmbiosStructure& s : structures) {
    append(s.type, s.handle, s.fields, s.strings);
    next_handle = std::max<uint16_t>(next_handle, uint16_t(s.handle + 1));
  }
  append(kEndOfTable, next_handle, {}, {});
  return out;
}

Section BuildDmiSection(const std::vector<SmbiosStructure>& structures, uint32_t area_size) {
  Bytes table = BuildSmbiosTable(structures);
  const size_t end_structure = table.size() - 6;
  if (std::find(table.begin(), table.begin() + end_structure, kEndOfTable) !=
      table.begin() + end_structure) {
    throw std::invalid_argument("a byte 0x7F before the end of the SMBIOS table");
  }
  if (table.size() >= area_size) {
    throw std::invalid_argument("SMBIOS table of " + std::to_string(table.size()) +
                                " bytes leaves no 0xFF filler in " + std::to_string(area_size));
  }
  table.resize(area_size, 0xFF);
  return Section::FreeformGuid(kDmiTableSectionGuid, std::move(table));
}

Bytes DmiModuleData(const std::vector<SmbiosStructure>& structures, size_t size, bool stored) {
  const Section section = BuildDmiSection(structures, uint32_t(size - 20 - (stored ? 9 : 0)));
  if (!stored) return section.Serialize();
  return Section::Compressed(Compression::kStored, {section}).Serialize();
}

SmbiosStructure SmbiosStringsStructure(uint8_t type, std::vector<std::string> strings) {
  SmbiosStructure s{type, 0, Bytes(4, 0), std::move(strings)};
  for (size_t i = 0; i < 4 && i < s.strings.size(); ++i) s.fields[i] = uint8_t(i + 1);
  return s;
}

SmbiosStructure SmbiosBiosInformation(uint16_t handle, std::string vendor, std::string version,
                                      std::string date) {
  SmbiosStructure s =
      Make(0, handle, 0x1A, {std::move(vendor), std::move(version), std::move(date)});
  At(s, 0x04) = 1;
  At(s, 0x05) = 2;
  Word(s, 0x06, 0xF000);
  At(s, 0x08) = 3;
  At(s, 0x09) = 0xFF;                         // ROM size in the extended field
  util::StoreLe32(&At(s, 0x0A), 0x0B9A9880);  // PCI, upgradeable, shadowing, boot from CD...
  At(s, 0x12) = 0x03;
  At(s, 0x13) = 0x0D;
  At(s, 0x14) = 5;
  At(s, 0x15) = 26;
  At(s, 0x16) = 0xFF;
  At(s, 0x17) = 0xFF;
  Word(s, 0x18, 16);  // 16 MiB
  return s;
}

SmbiosStructure SmbiosSystemInformation(uint16_t handle, std::string manufacturer,
                                        std::string product, std::string version,
                                        std::string serial, std::string sku, std::string family) {
  SmbiosStructure s = Make(1, handle, 0x1B,
                           {std::move(manufacturer), std::move(product), std::move(version),
                            std::move(serial), std::move(sku), std::move(family)});
  At(s, 0x04) = 1;
  At(s, 0x05) = 2;
  At(s, 0x06) = 3;
  At(s, 0x07) = 4;
  for (int i = 0; i < 16; ++i) At(s, 0x08 + i) = uint8_t(0x10 + 3 * i);  // UUID
  At(s, 0x18) = 6;                                                       // power switch
  At(s, 0x19) = 5;
  At(s, 0x1A) = 6;
  return s;
}

SmbiosStructure SmbiosBaseboardInformation(uint16_t handle, uint16_t chassis_handle,
                                           std::string manufacturer, std::string product,
                                           std::string version, std::string serial,
                                           std::string asset_tag, std::string location) {
  SmbiosStructure s = Make(2, handle, 0x0F,
                           {std::move(manufacturer), std::move(product), std::move(version),
                            std::move(serial), std::move(asset_tag), std::move(location)});
  for (int i = 0; i < 5; ++i) At(s, 0x04 + i) = uint8_t(i + 1);
  At(s, 0x09) = 0x09;  // hosting board, replaceable
  At(s, 0x0A) = 6;
  Word(s, 0x0B, chassis_handle);
  At(s, 0x0D) = 0x0A;  // motherboard
  return s;
}

SmbiosStructure SmbiosSystemEnclosure(uint16_t handle, std::string manufacturer,
                                      std::string version, std::string serial,
                                      std::string asset_tag, std::string sku,
                                      uint8_t contained_elements) {
  SmbiosStructure s = Make(3, handle, 0x16 + 3 * size_t(contained_elements),
                           {std::move(manufacturer), std::move(version), std::move(serial),
                            std::move(asset_tag), std::move(sku)});
  At(s, 0x04) = 1;
  At(s, 0x05) = 0x03;  // desktop
  At(s, 0x06) = 2;
  At(s, 0x07) = 3;
  At(s, 0x08) = 4;
  At(s, 0x09) = 3;  // safe
  At(s, 0x0A) = 3;
  At(s, 0x0B) = 3;
  At(s, 0x0C) = 3;  // no security
  At(s, 0x12) = 1;  // power cords
  At(s, 0x13) = contained_elements;
  At(s, 0x14) = 3;  // element record length
  for (size_t i = 0; i < contained_elements; ++i) {
    At(s, 0x15 + 3 * i) = 0x03;  // a server blade, one or two of them
    At(s, 0x16 + 3 * i) = 1;
    At(s, 0x17 + 3 * i) = 2;
  }
  At(s, 0x15 + 3 * size_t(contained_elements)) = 5;
  return s;
}

SmbiosStructure SmbiosProcessorInformation(uint16_t handle, std::string socket,
                                           std::string manufacturer, std::string version,
                                           std::string serial, std::string asset_tag,
                                           std::string part_number) {
  SmbiosStructure s = Make(4, handle, 0x30,
                           {std::move(socket), std::move(manufacturer), std::move(version),
                            std::move(serial), std::move(asset_tag), std::move(part_number)});
  At(s, 0x04) = 1;
  At(s, 0x05) = 3;     // central processor
  At(s, 0x06) = 0xC6;  // Core i7
  At(s, 0x07) = 2;
  const uint8_t id[8] = {0xA7, 0x06, 0x09, 0x00, 0xFF, 0xFB, 0xEB, 0xBF};
  std::copy(id, id + 8, &At(s, 0x08));
  At(s, 0x10) = 3;
  At(s, 0x11) = 0x8B;  // 1.1 V
  Word(s, 0x12, 100);
  Word(s, 0x14, 4800);
  Word(s, 0x16, 3600);
  At(s, 0x18) = 0x41;  // populated, enabled
  At(s, 0x19) = 0x01;
  Word(s, 0x1A, 0xFFFF);
  Word(s, 0x1C, 0xFFFF);
  Word(s, 0x1E, 0xFFFF);
  At(s, 0x20) = 4;
  At(s, 0x21) = 5;
  At(s, 0x22) = 6;
  At(s, 0x23) = 8;
  At(s, 0x24) = 8;
  At(s, 0x25) = 16;
  Word(s, 0x26, 0x00FC);
  Word(s, 0x28, 0x00C6);
  Word(s, 0x2A, 8);
  Word(s, 0x2C, 8);
  Word(s, 0x2E, 16);
  return s;
}

SmbiosStructure SmbiosOemStrings(uint16_t handle, std::vector<std::string> strings) {
  const uint8_t count = uint8_t(strings.size());
  SmbiosStructure s = Make(11, handle, 5, std::move(strings));
  At(s, 0x04) = count;
  return s;
}

}  // namespace kalvire::tools
