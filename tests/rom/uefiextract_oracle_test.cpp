// The walk against an independent parser: for every real image at hand, the files listed per
// volume (GUID sequence, pad files left out) must equal those of `UEFIExtract IMG report`.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "rom/ffs_file.h"
#include "rom/firmware_walk.h"
#include "rom_test_support.h"
#include "support/test_data.h"
#include "support/uefiextract_report.h"

namespace kalvire::rom::test {
namespace {

namespace fs = std::filesystem;
using kalvire::test::FileLists;

std::vector<fs::path> RealImages() {
  std::set<fs::path> unique;
  for (const char* dir :
       {"/usr/share/ovmf", "/usr/share/OVMF", "/usr/share/AAVMF", "/usr/share/qemu-efi-aarch64"}) {
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(dir, error)) {
      if (entry.path().extension() == ".fd") unique.insert(fs::canonical(entry.path()));
    }
  }
  if (const auto shared = kalvire::test::SharedImagesDir()) {
    for (const auto& entry : fs::directory_iterator(*shared)) {
      const auto ext = entry.path().extension();
      if (ext == ".bin" || ext == ".rom") unique.insert(entry.path());
    }
  }
  return {unique.begin(), unique.end()};
}

FileLists WalkedLists(const RomWorkspace& ws) {
  FileLists lists(ws.m_volume_count);
  for (uint32_t i = 0; i < ws.m_file_count; ++i) {
    const FileRecord& file = ws.m_files[i];
    // Pad files with a real name are listed by the walk; the report calls every 0xF0 file Pad.
    if (ws.Buffer(file.file.buffer)[file.file.offset + 18] == kFileTypePad) continue;
    lists[file.volume_index].push_back(FormatGuid(file.name));
  }
  return lists;
}

TEST(UefiExtractOracle, WalkListsTheSameFilesPerVolumeOnEveryRealImage) {
  if (!kalvire::test::HaveUefiExtract()) {
    GTEST_SKIP() << "UEFIExtract (Debian package uefitool-cli) is not installed";
  }
  const auto images = RealImages();
  if (images.empty()) GTEST_SKIP() << "no UEFI images (packages ovmf, qemu-efi-aarch64) found";
  const fs::path work = fs::temp_directory_path() / ("kalvire_oracle_" + std::to_string(getpid()));
  fs::create_directories(work);
  for (const fs::path& image : images) {
    SCOPED_TRACE(image.string());
    const auto reported = kalvire::test::UefiExtractFileLists(image, work);
    ASSERT_TRUE(reported.has_value());
    const FileLists& expected = *reported;

    TestEditor t;
    t.ws().m_working_image = kalvire::test::ReadFileOrFail(image);
    const int result = WalkFirmwareVolumes(*t.editor);
    const FileLists walked = kalvire::test::NormalizedFileLists(WalkedLists(t.ws()));
    if (expected.empty()) {
      EXPECT_TRUE(walked.empty());
      continue;
    }
    EXPECT_EQ(result, 1);
    EXPECT_EQ(walked, expected);
    size_t files = 0;
    for (const auto& list : walked) files += list.size();
    RecordProperty(image.filename().string(), int(files));
  }
  fs::remove_all(work);
}

}  // namespace
}  // namespace kalvire::rom::test
