// The walk lists the same files per volume as `UEFIExtract IMG report` on every image at hand.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "rom/ffs_file.h"
#include "rom/firmware_walk.h"
#include "rom_test_support.h"
#include "support/test_data.h"
#include "support/uefiextract_report.h"
#include "tools/flash_descriptor.h"
#include "tools/sample_image.h"

namespace kalvire::rom::test {
namespace {

namespace fs = std::filesystem;
using kalvire::test::FileLists;

std::vector<fs::path> Images(const TempDir& dir) {
  const Bytes sample = tools::BuildSampleImage();
  WriteBytes(dir.Path("sample.rom"), sample);
  WriteBytes(dir.Path("full-flash.rom"), tools::BuildFullFlashImage(sample, 0x200000));
  std::set<fs::path> images = {dir.Path("sample.rom"), dir.Path("full-flash.rom")};
  for (const char* folder :
       {"/usr/share/ovmf", "/usr/share/OVMF", "/usr/share/AAVMF", "/usr/share/qemu-efi-aarch64"}) {
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error)) {
      if (entry.path().extension() == ".fd") images.insert(fs::canonical(entry.path()));
    }
  }
  if (const auto shared = kalvire::test::SharedImagesDir()) {
    for (const auto& entry : fs::directory_iterator(*shared)) {
      const auto ext = entry.path().extension();
      if (ext == ".bin" || ext == ".rom") images.insert(entry.path());
    }
  }
  return {images.begin(), images.end()};
}

TEST(UefiExtractOracle, WalkListsTheSameFilesPerVolumeOnEveryImage) {
  if (!kalvire::test::HaveUefiExtract()) {
    GTEST_SKIP() << "UEFIExtract (Debian package uefitool-cli) is not installed";
  }
  TempDir dir;
  fs::create_directories(dir.dir() / "work");
  for (const fs::path& image : Images(dir)) {
    SCOPED_TRACE(image.string());
    const auto expected = kalvire::test::UefiExtractFileLists(image, dir.dir() / "work");
    ASSERT_TRUE(expected.has_value());
    Session t;
    t.ws().m_working_image = kalvire::test::ReadFileOrFail(image);
    const int result = WalkFirmwareVolumes(t.editor());
    FileLists walked(t.ws().m_volume_count);
    for (uint32_t i = 0; i < t.ws().m_file_count; ++i) {
      const FileRecord& file = t.ws().m_files[i];
      // Pad files with a real name are listed by the walk; the report calls every 0xF0 file Pad.
      if (t.ws().Buffer(file.file.buffer)[file.file.offset + 18] == kFileTypePad) continue;
      walked[file.volume_index].push_back(FormatGuid(file.name));
    }
    EXPECT_EQ(kalvire::test::NormalizedFileLists(walked), *expected);
    if (!expected->empty()) {
      EXPECT_EQ(result, 1);
    }
  }
}

}  // namespace
}  // namespace kalvire::rom::test
