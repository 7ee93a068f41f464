// kalvire-cli info lists every file of any firmware image, EDK2 ones included, the same per
// volume as UEFIExtract (Debian uefitool-cli), and names the editor's modules an image lacks.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <nlohmann/json.hpp>

#include "cli/cli.h"
#include "cli_run.h"
#include "support/test_data.h"
#include "support/uefiextract_report.h"

namespace kalvire::cli::clitest {
namespace {

namespace fs = std::filesystem;

constexpr int kPadFileType = 0xF0;

struct InfoImage {
  const char* name;
  std::function<std::optional<fs::path>()> path;
  bool editable;
};

void PrintTo(const InfoImage& image, std::ostream* out) {
  *out << image.name;
}

std::function<std::optional<fs::path>()> Installed(const char* path) {
  return [path]() -> std::optional<fs::path> { return fs::path(path); };
}

std::function<std::optional<fs::path>()> Shared(const char* file) {
  return [file]() -> std::optional<fs::path> {
    const auto dir = test::SharedImagesDir();
    if (!dir) return std::nullopt;
    return *dir / file;
  };
}

const InfoImage kInfoImages[] = {
    {"OVMF", Installed("/usr/share/ovmf/OVMF.fd"), false},
    {"AAVMF_CODE", Installed("/usr/share/AAVMF/AAVMF_CODE.fd"), false},
    {"QEMU_EFI", Installed("/usr/share/qemu-efi-aarch64/QEMU_EFI.fd"), false},
    {"sample", [] { return std::optional<fs::path>(SampleImagePath()); }, true},
    {"h61", Shared("h61-bios-region.bin"), true},
    {"p7xxdm", Shared("p7xxdm-full-flash.rom"), true},
};

class InfoAgainstUefiExtract : public testing::TestWithParam<InfoImage> {};

TEST_P(InfoAgainstUefiExtract, ListsTheSameFilesPerVolume) {
  if (!test::HaveUefiExtract())
    GTEST_SKIP() << "UEFIExtract (Debian uefitool-cli) is not installed";
  const auto image = GetParam().path();
  if (!image || !fs::exists(*image)) {
    GTEST_SKIP() << (image ? image->string() : "the shared images folder") << " is absent";
  }
  const ScratchDir dir(std::string("info-") + GetParam().name);
  const auto expected = test::UefiExtractFileLists(*image, dir.Path(""));
  ASSERT_TRUE(expected.has_value()) << "UEFIExtract wrote no report";

  const CliRun run = RunCommand({"info", "--json", image->string()});
  ASSERT_EQ(run.exit_code, kExitSuccess) << run.err;
  const auto info = nlohmann::json::parse(run.out);
  test::FileLists listed;
  for (const auto& volume : info["volumes"]) {
    listed.emplace_back();
    for (const auto& file : volume["files"]) {
      if (file["type"] != kPadFileType) listed.back().push_back(file["guid"]);
    }
  }
  EXPECT_EQ(test::NormalizedFileLists(listed), *expected);

  EXPECT_EQ(info["editable"], GetParam().editable);
  const auto none = nlohmann::json::array();
  const auto all = nlohmann::json::array({"DMI", "Setup", "AmiTse SPF", "NVRAM store"});
  EXPECT_EQ(info["missing"], GetParam().editable ? none : all);
}

INSTANTIATE_TEST_SUITE_P(Images, InfoAgainstUefiExtract, testing::ValuesIn(kInfoImages),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kalvire::cli::clitest
