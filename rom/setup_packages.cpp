#include "rom/setup_packages.h"

#include <algorithm>
#include <cstring>

#include "util/le.h"

namespace kalvire::rom {

namespace {

constexpr uint64_t kPackageListHeaderSize = 20;  // GUID and 32-bit length
constexpr uint8_t kPackageForms = 0x02;
constexpr uint8_t kPackageStrings = 0x04;
constexpr uint8_t kPackageEnd = 0xDF;
constexpr uint64_t kStringHdrSizeOffset = 4;
constexpr uint64_t kStringInfoOffsetOffset = 8;
// The language tag follows the 46 bytes of fixed string package header fields.
constexpr uint64_t kStringLanguageOffset = 46;
constexpr char kEnglishLanguage[] = "en-US";
constexpr uint8_t kBlockUcs2String = 0x14;
constexpr size_t kLastStringRecord = kStringCapacity - 2;  // the one after it is left empty

std::optional<uint64_t> FindPackageList(std::span<const uint8_t> data, uint8_t& flag) {
  for (uint64_t pos = 0; data.size() >= 16 && pos <= data.size() - 16; ++pos) {
    if (std::memcmp(data.data() + pos, kSetupModuleGuid.data(), 16) == 0) {
      flag = 0;
      return pos;
    }
    if (std::memcmp(data.data() + pos, kSetupPackageListAltGuid.data(), 16) == 0) {
      flag = 1;
      return pos;
    }
  }
  return std::nullopt;
}

void WalkPackages(std::span<const uint8_t> data, SetupPackages& packages) {
  uint64_t pos = packages.package_list_offset + kPackageListHeaderSize;
  while (const auto header = util::ReadLe32(data, pos)) {
    const uint32_t length = *header & 0xFFFFFF;
    const uint8_t type = uint8_t(*header >> 24);
    if (type == kPackageForms) {
      packages.forms_package = pos;
      // Lists found by the alternative GUID carry the setup forms in their first forms package.
      if (packages.package_list_guid_flag == 1) return;
    } else if (type == kPackageStrings) {
      const auto tag = util::Slice(data, pos + kStringLanguageOffset, 5);
      if (tag && std::memcmp(tag->data(), kEnglishLanguage, 5) == 0) {
        packages.strings_package = pos;
      }
    }
    if (type == kPackageEnd || length < 4) return;
    pos += length;
  }
}

}  // namespace

void ClearSetupStringTable(RomWorkspace& workspace) {
  // Records past the count and the empty one after it were never written since the last clear.
  const size_t used = std::min<size_t>(workspace.m_string_count + size_t{2}, kStringCapacity);
  std::fill(workspace.m_strings.begin(), workspace.m_strings.begin() + used, StringRecord{});
  workspace.m_string_count = 0;
}

void BuildSetupStringTable(RomWorkspace& workspace, std::span<const uint8_t> string_data) {
  ClearSetupStringTable(workspace);
  auto& strings = workspace.m_strings;
  size_t r = 0;
  size_t p = 0;
  bool cut_text = false;
  bool table_full = false;
  for (const uint8_t b : string_data) {
    if (b == kBlockUcs2String) {
      if (r == kLastStringRecord) {
        table_full = true;
        break;
      }
      strings[r].length = uint32_t(p);
      strings[r].text[p] = 0;
      strings[r].id = uint16_t(r);
      ++r;
      p = 0;
    } else if (b != 0x00) {
      if (p == kStringTextSize - 1) {
        cut_text = true;
        continue;
      }
      strings[r].text[p++] = char(b);
    }
  }
  // The record after the last 0x14 keeps id and length as zeroed before the build.
  strings[r].text[p] = 0;
  workspace.m_string_count = uint16_t(r + 1);
  strings[r + 1] = StringRecord{};
  if (cut_text) {
    workspace.m_diagnostics.push_back("setup strings longer than " +
                                      std::to_string(kStringTextSize - 1) + " bytes were cut");
  }
  if (table_full) {
    workspace.m_diagnostics.push_back("setup string table full (" +
                                      std::to_string(kStringCapacity) +
                                      " records): later strings were dropped");
  }
}

int LocateSetupPackages(RomWorkspace& workspace) {
  SetupPackages& packages = workspace.m_setup_packages;
  packages = SetupPackages{};
  ClearSetupStringTable(workspace);
  const std::span<const uint8_t> data = workspace.m_setup_module.Data();
  const auto list = FindPackageList(data, packages.package_list_guid_flag);
  if (!list) return kNoPackageList;
  packages.package_list_offset = *list;
  WalkPackages(data, packages);
  if (!packages.strings_package) return 0;

  const uint64_t package = *packages.strings_package;
  const uint32_t package_length = util::LoadLe32(data.data() + package) & 0xFFFFFF;
  const auto hdr_size = util::ReadLe32(data, package + kStringHdrSizeOffset);
  const auto info_offset = util::ReadLe32(data, package + kStringInfoOffsetOffset);
  if (!hdr_size || !info_offset) return 0;
  const uint64_t start = package + *info_offset;
  packages.string_data_offset = start;
  // The count is taken as the package's header fields give it, but never reaches past the data.
  const uint32_t count = package_length - *hdr_size;
  const uint64_t available = start < data.size() ? data.size() - start : 0;
  BuildSetupStringTable(workspace, data.subspan(std::min<uint64_t>(start, data.size()),
                                                std::min<uint64_t>(count, available)));
  return 1;
}

}  // namespace kalvire::rom
