// Layouts of real firmware that the builder reproduces (vendor data in a pad file, aligned
// files, a volume top file, a whole flash image with descriptor and ME region), checked by
// UEFIExtract as the independent parser.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "tools/flash_descriptor.h"
#include "tools/module_files.h"
#include "tools/sample_image.h"
#include "uefiextract_fixture.h"
#include "util/le.h"

namespace kalvire::tools {
namespace {

using ::testing::HasSubstr;
using ::testing::IsEmpty;

const Guid kFirst = GuidFromString("33333333-2222-4333-8444-000000000001");
const Guid kSecond = GuidFromString("33333333-2222-4333-8444-000000000002");
const Guid kThird = GuidFromString("33333333-2222-4333-8444-000000000003");
const Guid kVolumeTopFileGuid = GuidFromString("1BA0062E-C779-4582-8566-336AE8F78F09");

// The report line of the item whose name column ends with `name`.
std::string ReportLine(const std::string& report, const std::string& name) {
  const size_t at = report.find(name);
  if (at == std::string::npos) return {};
  const size_t start = report.rfind('\n', at) + 1;
  return report.substr(start, report.find('\n', at) - start);
}

// The Base column of a report line.
uint64_t BaseOf(const std::string& line) {
  const size_t bar = line.find('|', line.find('|') + 1);
  return bar == std::string::npos ? ~uint64_t{0} : std::stoull(line.substr(bar + 1), nullptr, 16);
}

TEST_F(UefiExtractTest, PadFileWithVendorDataParsesAsNonUefiData) {
  Volume v;
  v.files.push_back(FfsFile::WithRawBody(kFirst, FileType::kRaw, Bytes(40, 1)));
  Bytes vendor(0x200, 0xFF);
  for (size_t i = 0x40; i < 0x100; ++i) vendor[i] = uint8_t(i);
  v.files.push_back(FfsFile::PadWithData(vendor));
  v.files.push_back(FfsFile::WithRawBody(kSecond, FileType::kRaw, Bytes(40, 2)));
  const std::string report = Report(WriteImage(v.Serialize()));
  EXPECT_THAT(FaultLines(report + m_messages), IsEmpty());
  EXPECT_THAT(m_messages, HasSubstr("non-UEFI data found in padding file"));
  EXPECT_THAT(report, HasSubstr("Non-empty padding file"));
  EXPECT_EQ(BaseOf(ReportLine(report, "Non-UEFI data")), 72 + 64 + 24 + 0x40);
  // The walk goes on behind the pad file.
  EXPECT_THAT(report, HasSubstr(GuidText(kSecond)));
}

TEST_F(UefiExtractTest, AlignedFilesAreNotReportedUnaligned) {
  Volume v;
  v.files.push_back(FfsFile::WithRawBody(kFirst, FileType::kRaw, Bytes(41, 1)));
  v.files.push_back(
      FfsFile::WithSections(kSecond, FileType::kFreeform, {Section::Raw(Bytes(100, 2))}));
  v.files.back().AlignData(16);
  v.files.push_back(
      FfsFile::WithSections(kThird, FileType::kFreeform, {Section::Raw(Bytes(100, 3))}));
  v.files.back().AlignData(4096);
  Bytes bytes = v.Serialize();
  const std::string report = Report(WriteImage(bytes));
  EXPECT_THAT(FaultLines(report + m_messages), IsEmpty());
  EXPECT_EQ((BaseOf(ReportLine(report, GuidText(kSecond))) + 24) % 16, 0u);
  EXPECT_EQ((BaseOf(ReportLine(report, GuidText(kThird))) + 24) % 4096, 0u);

  // The check is live: the first file claiming 4 KiB data alignment where it sits is reported.
  bytes[72 + 19] = 5 << 3;
  bytes[72 + 16] = FfsHeaderChecksum(std::span(bytes).subspan(72, 24));
  Report(WriteImage(bytes));
  EXPECT_THAT(m_messages, HasSubstr("unaligned file"));
}

TEST_F(UefiExtractTest, VolumeTopFileEndsTheVolumeBehindAPadFile) {
  Volume v;
  v.files.push_back(FfsFile::WithRawBody(kFirst, FileType::kRaw, Bytes(41, 1)));
  v.top_file = FfsFile::WithRawBody(kVolumeTopFileGuid, FileType::kRaw, Bytes(0x30, 0x90));
  v.top_file->AlignData(16);
  const std::string report = Report(WriteImage(v.Serialize()));
  // With a top file the whole image needs no exception.
  EXPECT_THAT(FaultLines(report + m_messages, true), IsEmpty());
  EXPECT_EQ(m_messages, "");
  const std::string top = ReportLine(report, "Volume Top File");
  EXPECT_EQ(BaseOf(top), v.size - 0x48);
  EXPECT_EQ(BaseOf(ReportLine(report, "Padding file")), 72u + 72u);
}

TEST_F(UefiExtractTest, FullFlashImageListsDescriptorMeAndBiosRegions) {
  constexpr uint32_t kMeSize = 0x200000;
  const Bytes bios = BuildSampleImage();
  const std::string report = Report(WriteImage(BuildFullFlashImage(bios, kMeSize)));
  EXPECT_THAT(FaultLines(report + m_messages, true), IsEmpty());
  EXPECT_EQ(m_messages, "");
  EXPECT_THAT(report, HasSubstr("Intel image"));
  EXPECT_EQ(BaseOf(ReportLine(report, "Descriptor region")), 0u);
  EXPECT_EQ(BaseOf(ReportLine(report, "ME region")), kFlashDescriptorSize);
  EXPECT_EQ(BaseOf(ReportLine(report, "BIOS region")), kFlashDescriptorSize + kMeSize);
  EXPECT_THAT(report, HasSubstr("FPT partition table"));
  EXPECT_THAT(report, HasSubstr("-- FTPR"));
  // The BIOS region is parsed down to the modules.
  const auto dmi = std::search(bios.begin(), bios.end(), kDmiFileGuid.begin(), kDmiFileGuid.end());
  EXPECT_EQ(BaseOf(ReportLine(report, GuidText(kDmiFileGuid))),
            kFlashDescriptorSize + kMeSize + uint64_t(dmi - bios.begin()));
  EXPECT_THAT(report, HasSubstr("Volume Top File"));
}

}  // namespace
}  // namespace kalvire::tools
