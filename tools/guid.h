// The GUIDs the builder writes, kept apart from the editor's own list so that each checks the
// other; the text form is parsed by util/guid.h.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "util/guid.h"

namespace kalvire::tools {

using Guid = util::Guid;

constexpr Guid GuidFromString(std::string_view text) {
  return util::GuidFromText(text);
}

// Firmware file systems.
inline constexpr Guid kFfs2Guid = GuidFromString("8C8CE578-8A3D-4F1C-9935-896185C32DD3");
inline constexpr Guid kFfs3Guid = GuidFromString("5473C07A-3DCB-4DCA-BD6F-1E9689E7349A");
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
