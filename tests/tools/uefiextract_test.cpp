// Images from the builder checked by an independent parser: UEFIExtract (Debian uefitool-cli)
// must report no error, and the section bodies it decodes from our Tiano, EFI and LZMA sections
// must equal what we compressed.
#include <gtest/gtest.h>

#include "support/test_data.h"
#include "tools/module_files.h"
#include "tools/sample_image.h"
#include "uefiextract_fixture.h"
#include "util/le.h"

namespace kalvire::tools {
namespace {

namespace fs = std::filesystem;

// The bodies of the leaf sections inside a joined section run, in order.
std::vector<Bytes> LeafBodies(const Bytes& joined) {
  std::vector<Bytes> bodies;
  for (size_t pos = 0; pos + 4 <= joined.size();) {
    const uint32_t size = util::LoadLe24(joined.data() + pos);
    if (size < 4 || size > joined.size() - pos) break;
    bodies.emplace_back(joined.begin() + pos + 4, joined.begin() + pos + size);
    pos += AlignUp(size, 4);
  }
  return bodies;
}

TEST_F(UefiExtractTest, SampleImageParsesWithoutFaults) {
  const fs::path image = WriteImage(BuildSampleImage());
  const std::string report = Report(image);
  EXPECT_EQ(FaultLines(report + m_messages, true), std::vector<std::string>{});
  EXPECT_EQ(m_messages, "");
  for (const char* expected :
       {"899407D7-99FE-43D8-9A21-79EC328CAC21 | Setup", "FE612B72-203C-47B1-8560-A66D946EB371",
        "DAF4BF89-CE71-4917-B522-C89D32FBC59F", "| StdDefaults", "| Setup\n", "| AMITSESetup",
        "Volume Top File"}) {
    EXPECT_NE(report.find(expected), std::string::npos) << expected;
  }
}

TEST_F(UefiExtractTest, CompressedSectionsDecodeToOurInputInUefiExtract) {
  const Bytes data = test::MixedCorpus(30000, 11);
  struct Case {
    Guid name;
    ModuleStorage storage;
  };
  const Case cases[] = {
      {GuidFromString("11111111-2222-4333-8444-000000000001"), ModuleStorage::kEfi},
      {GuidFromString("11111111-2222-4333-8444-000000000002"), ModuleStorage::kTiano},
      {GuidFromString("11111111-2222-4333-8444-000000000003"), ModuleStorage::kLzmaGuided}};
  Volume v;
  v.size = 0x40000;
  v.ext_name = kAmitsePkgGuid;
  std::vector<Section> content = {Section::Raw(data), Section::UserInterface("Leaf"),
                                  Section::Raw(test::RandomBytes(333, 5))};
  for (const Case& c : cases) {
    v.files.push_back(
        FfsFile::WithSections(c.name, FileType::kFreeform, StoreSections(c.storage, content)));
  }
  const fs::path image = WriteImage(v.Serialize());
  EXPECT_EQ(FaultLines(Report(image) + m_messages), std::vector<std::string>{});
  const std::vector<Bytes> expected = LeafBodies(JoinSections(content));
  for (const Case& c : cases) {
    SCOPED_TRACE(GuidText(c.name));
    EXPECT_EQ(Bodies(image, c.name), expected);
  }
}

TEST_F(UefiExtractTest, SampleModulesDecodeToTheBytesWeBuilt) {
  const fs::path image = WriteImage(BuildSampleImage());
  // The Setup module (Tiano) and the AmiTse module (EFI) sit in the LZMA-compressed FV_DXE; the
  // DMI module (Tiano) in FV_MAIN. Each file's last section is the compressed one.
  const Bytes dxe_bytes = BuildSampleDxeVolume();
  for (const Guid& name : {kSetupFileGuid, kAmiTseFileGuid}) {
    SCOPED_TRACE(GuidText(name));
    // Find the file in the decoded volume and take the compressed section's header fields.
    const auto at = std::search(dxe_bytes.begin(), dxe_bytes.end(), name.begin(), name.end());
    ASSERT_NE(at, dxe_bytes.end());
    const size_t file = size_t(at - dxe_bytes.begin());
    const uint32_t file_size = util::LoadLe24(dxe_bytes.data() + file + 20);
    const size_t section = file + 24 + 8;  // after the 6-byte dependency section
    ASSERT_EQ(dxe_bytes[section + 3], 0x01);
    ASSERT_EQ(section + util::LoadLe24(dxe_bytes.data() + section), file + file_size);
    const std::vector<Bytes> bodies = Bodies(image, name);
    ASSERT_EQ(bodies.size(), 3u);  // dependency, PE32, UI
    EXPECT_EQ(bodies[0], (Bytes{0x06, 0x08}));
    EXPECT_EQ(bodies[1][0], 'M');
    // The decoded size UEFIExtract saw equals the length our section header declares.
    EXPECT_EQ(4 + bodies[1].size() + 4 + bodies[2].size(),
              util::LoadLe32(dxe_bytes.data() + section + 4));
  }
  const std::vector<Bytes> dmi = Bodies(image, kDmiFileGuid);
  ASSERT_EQ(dmi.size(), 1u);
  ASSERT_EQ(dmi[0].size(), kSampleDmiAreaSize);  // the body after the subtype GUID
  EXPECT_EQ(dmi[0][0], 0);                       // BIOS Information first
  EXPECT_EQ(dmi[0].back(), 0xFF);
}

TEST_F(UefiExtractTest, SecondGuidVolumesParse) {
  {
    Volume v;
    v.file_system = kFfs1Guid;
    v.size = 0x10000;
    v.files.push_back(BuildFillerDriver(GuidFromString("22222222-2222-4333-8444-000000000001"),
                                        "Filler", 0x800, ModuleStorage::kStored, 1));
    v.files.push_back(FfsFile::Pad(0x100));
    FfsFile checked = FfsFile::WithSections(GuidFromString("22222222-2222-4333-8444-000000000002"),
                                            FileType::kFreeform, {Section::Raw(Bytes(50, 7))});
    checked.data_checksum = true;
    v.files.push_back(checked);
    const fs::path image = WriteImage(v.Serialize());
    EXPECT_EQ(FaultLines(Report(image) + m_messages), std::vector<std::string>{});
  }
}

}  // namespace
}  // namespace kalvire::tools
