#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "tools/sample_image.h"
#include "util/file_io.h"

namespace kalvire::cli {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

struct CliRun {
  int exit_code;
  std::string out;
  std::string err;
};

CliRun RunCommand(std::vector<std::string> args) {
  args.insert(args.begin(), "kalvire-cli");
  std::vector<const char*> argv;
  for (const auto& a : args) argv.push_back(a.c_str());
  std::ostringstream out, err;
  const int code = RunCli(int(argv.size()), argv.data(), out, err);
  return {code, out.str(), err.str()};
}

class DmiCommand : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    sample_ = new std::string((fs::temp_directory_path() / "kalvire-dmi-sample.rom").string());
    std::string error;
    ASSERT_TRUE(util::WriteWholeFileAtomic(*sample_, tools::BuildSampleImage(), error)) << error;
  }
  static void TearDownTestSuite() {
    fs::remove(*sample_);
    delete sample_;
  }
  static std::string* sample_;
};
std::string* DmiCommand::sample_ = nullptr;

TEST_F(DmiCommand, JsonListsEveryStructureWithItsFormattedAreaAndStrings) {
  const CliRun run = RunCommand({"dmi", "--json", *sample_});
  ASSERT_EQ(run.exit_code, kExitSuccess) << run.err;
  const auto json = nlohmann::json::parse(run.out);
  const auto& structures = json.at("structures");
  const auto expected = tools::BuildSampleSmbios();
  ASSERT_EQ(structures.size(), expected.size() + 1);  // and the end-of-table structure
  for (size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(i);
    const auto& s = structures[i];
    EXPECT_EQ(s.at("index"), i);
    EXPECT_EQ(s.at("type"), expected[i].type);
    EXPECT_EQ(s.at("length"), expected[i].fields.size() + 4);
    EXPECT_EQ(s.at("strings").get<std::vector<std::string>>(), expected[i].strings);
    EXPECT_EQ(s.at("formatted").get<std::string>().size(), 2 * (expected[i].fields.size() + 4));
  }
  EXPECT_EQ(structures[0].at("name"), "BIOS Information (Type 0)");
  EXPECT_EQ(structures[0].at("formatted").get<std::string>().substr(0, 8), "001a0000");
  EXPECT_EQ(structures[4].at("name"), "");
  const auto& end = structures.back();
  EXPECT_EQ(end.at("type"), 127);
  EXPECT_EQ(end.at("length"), 4);
  EXPECT_TRUE(end.at("strings").empty());
}

TEST_F(DmiCommand, TextNamesTheStructuresAndNumbersTheStrings) {
  const CliRun run = RunCommand({"dmi", *sample_});
  ASSERT_EQ(run.exit_code, kExitSuccess) << run.err;
  EXPECT_THAT(run.out, HasSubstr("Structure 0: type 0, BIOS Information (Type 0), length 26\n"
                                 "  formatted: 00 1a 00 00 01 02"));
  EXPECT_THAT(run.out, HasSubstr("  string 2: KALV0 1.12\n"));
  EXPECT_THAT(run.out, HasSubstr("Structure 6: type 127, length 4\n  formatted: 7f 04"));
}

TEST_F(DmiCommand, ImageThatDoesNotOpenFailsWithItsMessage) {
  const CliRun run = RunCommand({"dmi", "/nonexistent/none.rom"});
  EXPECT_EQ(run.exit_code, kExitFailure);
  EXPECT_THAT(run.err, HasSubstr("Error: Unable to Open .ROM File"));
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(RunCommand({"dmi"}).exit_code, kExitUsage);
}

}  // namespace
}  // namespace kalvire::cli
