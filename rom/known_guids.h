// The GUIDs the editor looks for, in the byte order in which they are stored in an image (the
// first three fields little-endian). They are always compared as 16 raw bytes.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "util/guid.h"

namespace kalvire::rom {

using Guid = util::Guid;

// "8C8CE578-8A3D-4F1C-9935-896185C32DD3" (registry form) to the stored bytes.
constexpr Guid MakeGuid(std::string_view text) {
  return util::GuidFromText(text);
}

// The registry form, upper case, of 16 stored bytes.
std::string FormatGuid(std::span<const uint8_t, 16> guid);

// 1 when the 16 bytes of `guid` occur in `buffer`, with `after` (when given) set to the
// offset just past the first occurrence; else 0.
int FindGuid(const Guid& guid, std::span<const uint8_t> buffer, uint64_t* after = nullptr);

// Firmware volume file systems searched for by the walk.
inline constexpr Guid kFfs2FileSystemGuid = MakeGuid("8C8CE578-8A3D-4F1C-9935-896185C32DD3");
inline constexpr Guid kFfs1FileSystemGuid = MakeGuid("7A9354D9-0468-444A-81CE-0BF617D890DF");

// FFS file names of the three modules the editor works on.
inline constexpr Guid kDmiModuleGuid = MakeGuid("DAF4BF89-CE71-4917-B522-C89D32FBC59F");
inline constexpr Guid kSetupModuleGuid = MakeGuid("899407D7-99FE-43D8-9A21-79EC328CAC21");
inline constexpr Guid kAmiTseFirstGuid = MakeGuid("FE612B72-203C-47B1-8560-A66D946EB371");
inline constexpr Guid kAmiTseSecondGuid = MakeGuid("B1DA0ADF-4F77-4070-A88E-BFFE1C60529A");

// The raw file each save with changes appends behind the NVRAM store, holding the track log.
inline constexpr Guid kHistoryFileGuid = MakeGuid("830A7A05-9667-46FD-A3F4-6A7B903BEE73");

// Items that must be present for an image to be editable.
inline constexpr Guid kNvramStoreGuid = MakeGuid("CEF5B9A3-476D-497F-9FDC-E98143E0422C");
inline constexpr Guid kAmiTsePkgGuid = MakeGuid("EC87D643-EBA4-4BB5-A1E5-3F3E36B20DA9");

// The second GUID that may begin the Setup module's HII package list (older images).
inline constexpr Guid kSetupPackageListAltGuid = MakeGuid("97E409E6-4CC1-11D9-81F6-000000000000");

}  // namespace kalvire::rom
