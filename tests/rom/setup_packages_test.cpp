#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "dmi/dmi_parse.h"
#include "editor/open_image.h"
#include "rom/setup_packages.h"
#include "setup_image.h"
#include "util/le.h"

namespace kalvire::rom::test {
namespace {

// Puts `list` after a few bytes of other data into the Setup module slot.
void SetSetupData(RomWorkspace& ws, const Bytes& list) {
  ws.m_setup_module.file = Bytes(24 + 12, 0x55);
  Append(ws.m_setup_module.file, list);
  ws.m_setup_module.data_offset = 24;
  ws.m_setup_module.data_size = uint32_t(ws.m_setup_module.file.size() - 24);
}

TEST(LocateSetupPackages, AlternativeGuidTakesTheFirstFormsPackageAndMainGuidTheLast) {
  const Bytes strings = StringPackage("en-US", Bytes{0x14, 'Q', 0});
  const std::vector<Bytes> packages = {strings, Package(0x02, Bytes(8, 1)),
                                       Package(0x02, Bytes(8, 2))};
  const size_t first_forms = 12 + 20 + strings.size();
  const size_t second_forms = first_forms + 12;
  struct Case {
    Guid guid;
    uint8_t flag;
    size_t forms;
  };
  for (const Case& c :
       {Case{kSetupPackageListAltGuid, 1, first_forms}, Case{kSetupModuleGuid, 0, second_forms}}) {
    SCOPED_TRACE(c.flag);
    RomWorkspace ws;
    SetSetupData(ws, PackageList(c.guid, packages));
    ASSERT_EQ(LocateSetupPackages(ws), 1);
    EXPECT_EQ(ws.m_setup_packages.package_list_guid_flag, c.flag);
    EXPECT_EQ(ws.m_setup_packages.package_list_offset, 12u);
    EXPECT_EQ(ws.m_setup_packages.forms_package, c.forms);
    EXPECT_EQ(ws.m_setup_packages.strings_package, 32u);
    EXPECT_STREQ(ws.m_strings[1].text.data(), "Q");
  }
}

TEST(LocateSetupPackages, LaterEnglishPackageReplacesAnEarlierOneAndOtherLanguagesAreIgnored) {
  RomWorkspace ws;
  SetSetupData(ws, PackageList(kSetupModuleGuid, {StringPackage("en-US", Bytes{0x14, 'A', 0}),
                                                  StringPackage("de-DE", Bytes{0x14, 'D', 0}),
                                                  StringPackage("en-US", Bytes{0x14, 'B', 0})}));
  ASSERT_EQ(LocateSetupPackages(ws), 1);
  EXPECT_STREQ(ws.m_strings[1].text.data(), "B");
  EXPECT_FALSE(ws.m_setup_packages.forms_package.has_value());
}

TEST(LocateSetupPackages, MissingListOrStringsAreReported) {
  RomWorkspace ws;
  SetSetupData(ws, Bytes(64, 0x14));
  EXPECT_EQ(LocateSetupPackages(ws), kNoPackageList);
  SetSetupData(ws, PackageList(kSetupModuleGuid, {Package(0x02, Bytes(4, 0))}));
  EXPECT_EQ(LocateSetupPackages(ws), 0);
  EXPECT_EQ(ws.m_string_count, 0u);
  // A package length of 0 ends the walk instead of looping on the same package.
  Bytes list = PackageList(kSetupModuleGuid, {Package(0x02, Bytes(4, 0))});
  util::StoreLe32(list.data() + 20, 0x02000000);
  SetSetupData(ws, list);
  EXPECT_EQ(LocateSetupPackages(ws), 0);
}

TEST(LocateSetupPackages, StringCountPastTheDataIsCutAtTheDataEnd) {
  Bytes list = PackageList(kSetupModuleGuid, {StringPackage("en-US", Bytes{0x14, 'A', 0, 'B'})});
  util::StoreLe32(list.data() + 20 + 4, 2);  // HdrSize below the header: a huge count
  RomWorkspace ws;
  SetSetupData(ws, list);
  ASSERT_EQ(LocateSetupPackages(ws), 1);
  // The string runs on into the end package (04 00 00 DF) and stops with the data.
  EXPECT_STREQ(ws.m_strings[1].text.data(), "AB\x04\xDF");
}

TEST(BuildSetupStringTable, LongTextsAreCutAndExcessStringsDropped) {
  RomWorkspace ws;
  Bytes data = {0x14};
  for (int i = 0; i < 300; ++i) Append(data, Bytes{uint8_t('a' + i % 26), 0});
  Append(data, Bytes{0, 0, 0x14, 'z', 0});
  BuildSetupStringTable(ws, data);
  EXPECT_EQ(ws.m_strings[1].length, kStringTextSize - 1);
  EXPECT_EQ(ws.m_strings[1].text[kStringTextSize - 1], '\0');
  EXPECT_EQ(ws.m_strings[1].text[198], 'a' + 198 % 26);
  EXPECT_STREQ(ws.m_strings[2].text.data(), "z");
  EXPECT_EQ(ws.m_string_count, 3u);
  EXPECT_THAT(ws.m_diagnostics, ::testing::ElementsAre(::testing::HasSubstr("cut")));

  ws.m_diagnostics.clear();
  Bytes many;
  for (size_t i = 0; i < kStringCapacity + 50; ++i) Append(many, Bytes{0x14, 'x', 0});
  BuildSetupStringTable(ws, many);
  EXPECT_EQ(ws.m_string_count, kStringCapacity - 1);
  EXPECT_EQ(ws.m_strings[kStringCapacity - 2].id, 0u);  // the last record keeps id 0
  EXPECT_STREQ(ws.m_strings[kStringCapacity - 2].text.data(), "x");
  EXPECT_EQ(ws.m_strings[kStringCapacity - 1].length, 0u);
  EXPECT_EQ(ws.m_strings[kStringCapacity - 3].id, kStringCapacity - 3);
  EXPECT_THAT(ws.m_diagnostics, ::testing::ElementsAre(::testing::HasSubstr("full")));
}

TEST(FindGuid, FindsTheFirstWholeOccurrenceOnly) {
  const Guid guid = TestGuid(0x10, 0x20);
  Bytes data(40, 0x20);  // partial matches everywhere
  std::copy(guid.begin(), guid.end(), data.end() - 16);
  uint64_t after = 0;
  EXPECT_EQ(FindGuid(guid, data, &after), 1);
  EXPECT_EQ(after, data.size());
  // Cut one byte: only a partial match is left at the end, and nothing past it is read.
  const Bytes cut(data.begin(), data.end() - 1);
  EXPECT_EQ(FindGuid(guid, cut, &after), 0);
  EXPECT_EQ(FindGuid(guid, std::span<const uint8_t>(data.data(), 15)), 0);
  Append(data, guid);
  EXPECT_EQ(FindGuid(guid, data, &after), 1);
  EXPECT_EQ(after, 40u);
}

TEST(CheckDmiEndOfTable, NeedsTypeLengthAndAFreeByteAfterOffset256) {
  struct Case {
    const char* name;
    std::vector<std::pair<size_t, uint8_t>> bytes;
    size_t size;
    int expected;
  };
  const std::vector<Case> cases = {
      {"complete", {{300, 0x7F}, {301, 0x04}, {340, 0xFF}}, 400, 1},
      {"free byte right after the header", {{300, 0x7F}, {301, 0x04}, {302, 0xFF}}, 400, 1},
      {"only before offset 256", {{100, 0x7F}, {101, 0x04}, {340, 0xFF}}, 400, 0},
      {"first 0x7F not followed by 0x04",
       {{290, 0x7F}, {300, 0x7F}, {301, 0x04}, {340, 0xFF}},
       400,
       0},
      {"no free byte after it", {{200, 0xFF}, {300, 0x7F}, {301, 0x04}}, 400, 0},
      {"0x7F as the last byte", {{399, 0x7F}}, 400, 0},
      {"data of 256 bytes", {}, 256, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes data(c.size, 0);
    for (const auto& [at, value] : c.bytes) data[at] = value;
    EXPECT_EQ(dmi::CheckDmiEndOfTable(data), c.expected);
  }
}

}  // namespace
}  // namespace kalvire::rom::test
