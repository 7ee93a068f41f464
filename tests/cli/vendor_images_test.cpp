// kalvire-cli on the two real vendor images: their NVRAM store fills its volume, so a save has
// no room for its history file. The edit is saved all the same, with a warning, and tracklog
// says there is no history area.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>

#include "cli/cli.h"
#include "cli_run.h"
#include "support/test_data.h"

namespace kalvire::cli::clitest {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

class VendorImage : public testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    const auto shared = test::SharedImagesDir();
    if (!shared) GTEST_SKIP() << "the shared images folder (../shared/images) is absent";
    m_path = (*shared / GetParam()).string();
    if (!std::filesystem::exists(m_path)) GTEST_SKIP() << m_path << " is absent";
  }
  std::string m_path;
};

TEST_P(VendorImage, HideSavesTheEditWithTheHistoryWarning) {
  const ScratchDir dir(std::string("vendor-") + GetParam());
  const std::string node = FindNode(TreeNodes(m_path), [](const auto& row) {
    const int opcode = row["opcode"];
    return (opcode == 0x05 || opcode == 0x06 || opcode == 0x07) && row["visible"] == 1;
  });
  ASSERT_FALSE(node.empty()) << "no visible question";
  const std::string out = dir.Path("out.rom");

  const CliRun edit = RunCommand({"edit", m_path, "-o", out, "--hide", node});
  EXPECT_EQ(edit.exit_code, kExitSuccess) << edit.err;
  EXPECT_THAT(edit.err,
              HasSubstr("kalvire-cli: warning: Error: Unable to log history. space left is too "
                        "small!!!\n"));
  EXPECT_THAT(RunCommand({"node", out, node}).out, HasSubstr("Hide: checked"));

  const CliRun text = RunCommand({"tracklog", out});
  EXPECT_EQ(text.exit_code, kExitSuccess) << text.err;
  EXPECT_THAT(text.out,
              StartsWith("No history area: behind file "
                         "CEF5B9A3-476D-497F-9FDC-E98143E0422C there is no room before "));
  const CliRun json = RunCommand({"tracklog", "--json", out});
  ASSERT_EQ(json.exit_code, kExitSuccess) << json.err;
  const auto history = nlohmann::json::parse(json.out);
  EXPECT_EQ(history["history_area"], false);
  EXPECT_TRUE(history["area_start"].is_null());
  EXPECT_TRUE(history["area_end"].is_null());
  EXPECT_TRUE(history["files"].empty());
}

INSTANTIATE_TEST_SUITE_P(Shared, VendorImage,
                         testing::Values("h61-bios-region.bin", "p7xxdm-full-flash.rom"),
                         [](const auto& info) {
                           std::string name = info.param;
                           return name.substr(0, name.find_first_of("-."));
                         });

}  // namespace
}  // namespace kalvire::cli::clitest
