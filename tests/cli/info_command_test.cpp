#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "cli_run.h"
#include "support/test_data.h"
#include "tools/sample_image.h"
#include "util/file_io.h"

namespace kalvire::cli {
namespace {

namespace fs = std::filesystem;

using clitest::CliRun;
using clitest::RunCommand;

class InfoCommand : public testing::Test {
 protected:
  const std::string* sample_ = &clitest::SampleImagePath();
};

TEST_F(InfoCommand, JsonListsVolumesFilesAndModules) {
  const CliRun run = RunCommand({"info", "--json", *sample_});
  ASSERT_EQ(run.exit_code, kExitSuccess) << run.err;
  const auto info = nlohmann::json::parse(run.out);

  const auto& volumes = info["volumes"];
  ASSERT_GE(volumes.size(), 4u);
  EXPECT_EQ(volumes[0]["offset"], tools::kSampleMainVolumeOffset);
  EXPECT_FALSE(volumes[0]["nested"].get<bool>());
  bool saw_nested = false;
  for (const auto& volume : volumes) {
    if (!volume["nested"].get<bool>()) continue;
    saw_nested = true;
    EXPECT_TRUE(volume["offset"].is_null()) << "nested volumes have no image offset";
  }
  EXPECT_TRUE(saw_nested);

  // The DMI module is a file of the main volume, listed under its upper-case registry name.
  bool saw_dmi = false;
  for (const auto& file : volumes[0]["files"]) {
    if (file["guid"] == "DAF4BF89-CE71-4917-B522-C89D32FBC59F") saw_dmi = true;
  }
  EXPECT_TRUE(saw_dmi);

  const auto& modules = info["modules"];
  for (const char* name : {"dmi", "setup", "amitse"}) {
    SCOPED_TRACE(name);
    ASSERT_TRUE(modules[name].is_object());
    EXPECT_GT(modules[name]["data_size"].get<uint32_t>(), 0u);
  }
  EXPECT_EQ(modules["dmi"]["compression_version"], 2) << "the sample's DMI module is Tiano";
  EXPECT_EQ(modules["amitse"]["compression_version"], 1) << "the sample's SPF module is EFI";
  EXPECT_EQ(modules["setup"]["package_list_guid_flag"], 0);
  EXPECT_GT(modules["setup"]["string_count"].get<int>(), 100);
  EXPECT_EQ(modules["nvram_store"]["size"], 0x10000);
  EXPECT_EQ(info["missing"], nlohmann::json::array());
  EXPECT_EQ(info["editable"], true);
}

TEST_F(InfoCommand, TextFormNamesEveryModule) {
  const CliRun run = RunCommand({"info", *sample_});
  ASSERT_EQ(run.exit_code, kExitSuccess) << run.err;
  for (const char* expected : {"Volume 0: offset 0x100000", "nested", "DMI", "Setup", "AmiTse",
                               "compression version 2", "Setup strings: "}) {
    EXPECT_NE(run.out.find(expected), std::string::npos) << expected;
  }
}

TEST_F(InfoCommand, ImageTheEditorCannotOpenIsListedWithItsMissingModules) {
  const fs::path ovmf = "/usr/share/ovmf/OVMF.fd";
  if (!fs::exists(ovmf)) GTEST_SKIP() << ovmf << " (Debian package ovmf) is absent";
  const CliRun run = RunCommand({"info", ovmf.string()});
  EXPECT_EQ(run.exit_code, kExitSuccess) << run.err;
  EXPECT_EQ(run.err, "Error: DMI Module Does not Exist\n");
  for (const char* expected :
       {"Volume 0: offset 0x", "Volume 1: offset 0x", "  DMI         missing\n",
        "  Setup       missing\n", "  AmiTse SPF  missing\n", "  NVRAM store missing\n",
        "The editor cannot open this image.\n"}) {
    EXPECT_NE(run.out.find(expected), std::string::npos) << expected << " in\n" << run.out;
  }
}

TEST_F(InfoCommand, ImageWithoutVolumesPrintsTheMessagesAndFails) {
  const auto path = fs::temp_directory_path() / "kalvire-info-empty.rom";
  std::string error;
  ASSERT_TRUE(util::WriteWholeFileAtomic(path, std::vector<uint8_t>(4096, 0xFF), error));
  const CliRun run = RunCommand({"info", path.string()});
  fs::remove(path);
  EXPECT_EQ(run.exit_code, kExitFailure);
  EXPECT_EQ(run.err, "Error: Invalid Image type\nError: DMI Module Does not Exist\n");
  EXPECT_EQ(run.out, "");
}

}  // namespace
}  // namespace kalvire::cli
