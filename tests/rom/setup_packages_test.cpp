// The Setup module's package list and the DMI end-of-table check, on hand-made bytes.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "dmi/dmi_parse.h"
#include "rom/setup_packages.h"
#include "rom_test_support.h"
#include "util/le.h"

namespace kalvire::rom::test {
namespace {

// Puts `list` after 12 bytes of other data into the Setup module slot and locates it.
int Locate(RomWorkspace& ws, const Bytes& list) {
  ws.m_setup_module.file = Bytes(24 + 12, 0x55);
  tools::AppendBytes(ws.m_setup_module.file, list);
  ws.m_setup_module.data_offset = 24;
  ws.m_setup_module.data_size = uint32_t(ws.m_setup_module.file.size() - 24);
  return LocateSetupPackages(ws);
}

TEST(LocateSetupPackages, FindsTheFormsAndTheLastEnglishStringsOrSaysWhatIsMissing) {
  // The alternative GUID takes the first forms package, the main GUID the last.
  const Bytes strings = StringPackage("en-US", Bytes{0x14, 'Q', 0});
  const std::vector<Bytes> packages = {strings, Package(0x02, Bytes(8, 1)),
                                       Package(0x02, Bytes(8, 2))};
  const size_t first_forms = 12 + 20 + strings.size();
  for (const auto& [guid, flag, forms] : {std::tuple(kSetupPackageListAltGuid, 1, first_forms),
                                          std::tuple(kSetupModuleGuid, 0, first_forms + 12)}) {
    SCOPED_TRACE(flag);
    RomWorkspace ws;
    ASSERT_EQ(Locate(ws, PackageList(guid, packages)), 1);
    const SetupPackages& p = ws.m_setup_packages;
    EXPECT_EQ(std::tuple(p.package_list_guid_flag, p.package_list_offset, p.forms_package,
                         p.strings_package),
              std::tuple(uint8_t(flag), 12u, std::optional<uint64_t>(forms),
                         std::optional<uint64_t>(32)));
    EXPECT_STREQ(ws.m_strings[1].text.data(), "Q");
  }
  RomWorkspace ws;
  ASSERT_EQ(
      Locate(ws, PackageList(kSetupModuleGuid, {StringPackage("en-US", Bytes{0x14, 'A', 0}),
                                                StringPackage("de-DE", Bytes{0x14, 'D', 0}),
                                                StringPackage("en-US", Bytes{0x14, 'B', 0})})),
      1);
  EXPECT_STREQ(ws.m_strings[1].text.data(), "B");
  EXPECT_FALSE(ws.m_setup_packages.forms_package.has_value());
  EXPECT_EQ(Locate(ws, Bytes(64, 0x14)), kNoPackageList);
  EXPECT_EQ(Locate(ws, PackageList(kSetupModuleGuid, {Package(0x02, Bytes(4, 0))})), 0);
  EXPECT_EQ(ws.m_string_count, 0u);
  // A package length of 0 ends the walk instead of looping on the same package.
  Bytes list = PackageList(kSetupModuleGuid, {Package(0x02, Bytes(4, 0))});
  util::StoreLe32(list.data() + 20, 0x02000000);
  EXPECT_EQ(Locate(ws, list), 0);
  // HdrSize below the header gives a huge count: the string runs on into the end package
  // (04 00 00 DF) and stops with the data.
  list = PackageList(kSetupModuleGuid, {StringPackage("en-US", Bytes{0x14, 'A', 0, 'B'})});
  util::StoreLe32(list.data() + 20 + 4, 2);
  ASSERT_EQ(Locate(ws, list), 1);
  EXPECT_STREQ(ws.m_strings[1].text.data(), "AB\x04\xDF");
}

TEST(CheckDmiEndOfTable, NeedsTypeLengthAndAFreeByteAfterOffset256) {
  const std::tuple<const char*, std::vector<std::pair<size_t, uint8_t>>, size_t, int> cases[] = {
      {"complete", {{300, 0x7F}, {301, 0x04}, {340, 0xFF}}, 400, 1},
      {"free byte right after the header", {{300, 0x7F}, {301, 0x04}, {302, 0xFF}}, 400, 1},
      {"only before offset 256", {{100, 0x7F}, {101, 0x04}, {340, 0xFF}}, 400, 0},
      {"first 0x7F not followed by 0x04",
       {{290, 0x7F}, {300, 0x7F}, {301, 0x04}, {340, 0xFF}},
       400,
       0},
      {"no free byte after it", {{299, 0xFF}, {300, 0x7F}, {301, 0x04}}, 400, 0},
      {"0x7F as the last byte", {{399, 0x7F}}, 400, 0},
      {"data of 256 bytes", {}, 256, 0},
  };
  for (const auto& [name, bytes, size, expected] : cases) {
    Bytes data(size, 0);
    for (const auto& [at, value] : bytes) data[at] = value;
    EXPECT_EQ(dmi::CheckDmiEndOfTable(data), expected) << name;
  }
}

}  // namespace
}  // namespace kalvire::rom::test
