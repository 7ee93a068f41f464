#include "setup_image.h"

#include <cstring>

#include "rom/section.h"
#include "util/le.h"

namespace kalvire::rom::test {

Bytes Package(uint8_t type, std::span<const uint8_t> body) {
  Bytes out(4);
  util::StoreLe32(out.data(), uint32_t(4 + body.size()) | uint32_t(type) << 24);
  Append(out, body);
  return out;
}

Bytes StringPackage(const char* language, std::span<const uint8_t> blocks) {
  // 46 bytes of fixed fields (the 4-byte package header included), then the 6-byte tag.
  Bytes header(46 - 4 + 6, 0);
  util::StoreLe32(header.data(), 52);      // HdrSize
  util::StoreLe32(header.data() + 4, 52);  // StringInfoOffset
  std::memcpy(header.data() + 42, language, std::strlen(language));
  Append(header, blocks);
  return Package(0x04, header);
}

Bytes PackageList(const Guid& guid, const std::vector<Bytes>& packages) {
  Bytes out(guid.begin(), guid.end());
  out.resize(20);
  for (const Bytes& package : packages) Append(out, package);
  Append(out, Package(0xDF, {}));
  util::StoreLe32(out.data() + 16, uint32_t(out.size()));
  return out;
}

Bytes SetupImageStringData() {
  return {0x14, 'A', 0, 'B', 0, 0, 0, 0x14, 'C', 0, 0, 0, 0x14};
}

Bytes SetupImage(const SetupImageParts& parts) {
  std::vector<Bytes> files;
  if (parts.dmi) {
    // The section's GUID, then one type 0 structure whose formatted area reaches past offset
    // 256 of the module data (where the end-of-table search starts), no strings, the
    // end-of-table structure and the 0xFF filler.
    Bytes table(320, 0x00);
    table[17] = 240;
    if (parts.dmi_end_of_table) {
      const uint8_t end[] = {0x7F, 0x04, 0x22, 0x00, 0x00, 0x00};
      std::copy(std::begin(end), std::end(end), table.begin() + 258);
      std::fill(table.begin() + 264, table.end(), 0xFF);
    }
    files.push_back(FfsFile(kDmiModuleGuid, 0x07, Section(kSectionFreeform, table)));
  }
  if (parts.nvram) {
    files.push_back(FfsFile(kNvramStoreGuid, 0x01, Section(kSectionRaw, Bytes(16, 0))));
  }
  if (parts.setup) {
    Bytes body(8, 0x33);
    if (parts.package_list) {
      std::vector<Bytes> packages = {Package(0x02, Bytes(12, 0xA1))};
      if (parts.english_strings) {
        packages.push_back(StringPackage("en-US", SetupImageStringData()));
      }
      packages.push_back(StringPackage("fr-FR", Bytes{0x14, 'Z', 0}));
      Append(body, PackageList(kSetupModuleGuid, packages));
    }
    files.push_back(FfsFile(kSetupModuleGuid, 0x07, Section(kSectionFreeform, body)));
  }
  if (parts.amitse) {
    Bytes body(24, 0x44);
    if (parts.amitse_pkg_guid) Append(body, kAmiTsePkgGuid);
    const Guid& name = parts.amitse_second_name ? kAmiTseSecondGuid : kAmiTseFirstGuid;
    files.push_back(FfsFile(name, 0x07, Section(kSectionFreeform, body)));
  }
  return Volume(files, {.fv_length = 0x2000});
}

}  // namespace kalvire::rom::test
