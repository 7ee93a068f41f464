// kalvire-cli edit on sample.rom: the save writes its history file behind the NVRAM store file,
// and the saved image opens again with the edit and that history file.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <nlohmann/json.hpp>

#include "cli_run.h"

namespace kalvire::cli::clitest {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

TEST(EditSample, OneEditSavesWithAHistoryFile) {
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("kalvire-cli-edit-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const std::string out = (dir / "out.rom").string();

  ASSERT_THAT(RunCommand({"node", SampleImagePath(), "5"}).out, HasSubstr("Hide: unchecked"));
  const CliRun edit = RunCommand({"edit", SampleImagePath(), "-o", out, "--hide", "5"});
  EXPECT_EQ(edit.exit_code, 0) << edit.err;
  EXPECT_THAT(edit.err, Not(HasSubstr("rror"))) << edit.err;
  EXPECT_THAT(edit.out, Not(HasSubstr("rror"))) << edit.out;

  const CliRun node = RunCommand({"node", out, "5"});
  EXPECT_EQ(node.exit_code, 0) << node.err;
  EXPECT_THAT(node.out, HasSubstr("Hide: checked"));

  const CliRun tracklog = RunCommand({"tracklog", "--json", out});
  ASSERT_EQ(tracklog.exit_code, 0) << tracklog.err;
  const auto history = nlohmann::json::parse(tracklog.out, nullptr, false);
  ASSERT_FALSE(history.is_discarded()) << tracklog.out;
  EXPECT_EQ(history["marker"], "CEF5B9A3-476D-497F-9FDC-E98143E0422C");  // the NVRAM store
  EXPECT_GE(history["area_end"].get<uint64_t>() - history["area_start"].get<uint64_t>(),
            uint64_t{1} << 20);
  ASSERT_EQ(history["files"].size(), 1u) << tracklog.out;
  const auto& file = history["files"][0];
  EXPECT_TRUE(file["history_name"].get<bool>());
  EXPECT_THAT(file["lines"].dump(), HasSubstr("Node No: 5 String: Project Version"));
  EXPECT_THAT(file["lines"].dump(), HasSubstr("Visibility changed to Hide"));
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace kalvire::cli::clitest
