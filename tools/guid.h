// GUIDs as the 16 bytes stored in firmware (first three fields little-endian), written in
// registry form in the source so they can be checked against the standards by eye.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace kalvire::tools {

using Guid = std::array<uint8_t, 16>;

namespace detail {
constexpr uint8_t HexNibble(char c) {
  return c <= '9' ? uint8_t(c - '0') : uint8_t((c | 0x20) - 'a' + 10);
}
constexpr uint8_t HexByte(std::string_view text, size_t at) {
  return uint8_t(HexNibble(text[at]) << 4 | HexNibble(text[at + 1]));
}
}  // namespace detail

// "8C8CE578-8A3D-4F1C-9935-896185C32DD3" -> stored bytes 78 E5 8C 8C 3D 8A 1C 4F 99 35 ...
constexpr Guid GuidFromString(std::string_view text) {
  using detail::HexByte;
  return Guid{HexByte(text, 6),  HexByte(text, 4),  HexByte(text, 2),  HexByte(text, 0),
              HexByte(text, 11), HexByte(text, 9),  HexByte(text, 16), HexByte(text, 14),
              HexByte(text, 19), HexByte(text, 21), HexByte(text, 24), HexByte(text, 26),
              HexByte(text, 28), HexByte(text, 30), HexByte(text, 32), HexByte(text, 34)};
}

// Firmware file systems.
inline constexpr Guid kFfs2Guid = GuidFromString("8C8CE578-8A3D-4F1C-9935-896185C32DD3");
inline constexpr Guid kFfs1Guid = GuidFromString("7A9354D9-0468-444A-81CE-0BF617D890DF");
// GUID-defined section holding an LZMA payload.
inline constexpr Guid kLzmaSectionGuid = GuidFromString("EE4E5898-3914-4259-9D6E-DC7BD79403CF");

// Modules the editor looks for.
inline constexpr Guid kDmiFileGuid = GuidFromString("DAF4BF89-CE71-4917-B522-C89D32FBC59F");
inline constexpr Guid kSetupFileGuid = GuidFromString("899407D7-99FE-43D8-9A21-79EC328CAC21");
inline constexpr Guid kAmiTseFileGuid = GuidFromString("FE612B72-203C-47B1-8560-A66D946EB371");
inline constexpr Guid kAmiTseAltFileGuid = GuidFromString("B1DA0ADF-4F77-4070-A88E-BFFE1C60529A");
inline constexpr Guid kNvramStoreGuid = GuidFromString("CEF5B9A3-476D-497F-9FDC-E98143E0422C");
inline constexpr Guid kAmitsePkgGuid = GuidFromString("EC87D643-EBA4-4BB5-A1E5-3F3E36B20DA9");

// HII package-list GUIDs: a UEFI package list in a PE32 resource carries the Setup driver's own
// name; the older layout keeps the list in a section of its own under the second GUID.
inline constexpr Guid kHiiPe32ListGuid = kSetupFileGuid;
inline constexpr Guid kHiiSectionListGuid = GuidFromString("97E409E6-4CC1-11D9-81F6-000000000000");

// Subtype GUID of the freeform section that carries the SMBIOS structure table. Its byte 7 is
// not zero, which is what tells the two leading-byte layouts of the DMI module data apart.
inline constexpr Guid kDmiTableSectionGuid = GuidFromString("E3C9D0C7-5C8B-4A6C-8E64-1B2A8F3D6E01");

}  // namespace kalvire::tools
