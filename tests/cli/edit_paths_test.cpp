// kalvire-cli edit never writes over its input unless --in-place says so, whatever path names
// it, and never writes a track log over an image.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "cli/cli.h"
#include "cli_run.h"
#include "support/test_data.h"

namespace kalvire::cli::clitest {
namespace {

using ::testing::HasSubstr;

namespace fs = std::filesystem;

struct InputSpelling {
  const char* name;
  // Makes another name for `input` in `dir` and returns it.
  std::function<std::string(const ScratchDir& dir, const std::string& input)> make;
};

void PrintTo(const InputSpelling& spelling, std::ostream* out) {
  *out << spelling.name;
}

const InputSpelling kSpellings[] = {
    {"SamePath", [](const ScratchDir&, const std::string& input) { return input; }},
    {"DotDotPath",
     [](const ScratchDir& dir, const std::string&) {
       fs::create_directories(dir.Path("sub"));
       return dir.Path("sub/../input.rom");
     }},
    {"SymbolicLink",
     [](const ScratchDir& dir, const std::string& input) {
       fs::create_symlink(input, dir.Path("link.rom"));
       return dir.Path("link.rom");
     }},
    {"HardLink",
     [](const ScratchDir& dir, const std::string& input) {
       fs::create_hard_link(input, dir.Path("hard.rom"));
       return dir.Path("hard.rom");
     }},
};

class EditOutputNamingTheInput : public testing::TestWithParam<InputSpelling> {};

TEST_P(EditOutputNamingTheInput, IsRefusedWithoutInPlace) {
  const ScratchDir dir(std::string("edit-input-") + GetParam().name);
  const std::string input = dir.Path("input.rom");
  fs::copy_file(SampleImagePath(), input);
  const std::string out = GetParam().make(dir, input);
  const std::vector<uint8_t> original = test::ReadFileOrFail(input);

  const CliRun refused = RunCommand({"edit", input, "-o", out, "--hide", "5"});
  EXPECT_EQ(refused.exit_code, kExitFailure);
  EXPECT_EQ(refused.err,
            "kalvire-cli: -o " + out + " names the input image; give --in-place to replace it\n");
  EXPECT_EQ(test::ReadFileOrFail(input), original);

  const CliRun log = RunCommand({"edit", input, "-o", dir.Path("new.rom"), "--log", out});
  EXPECT_EQ(log.exit_code, kExitFailure);
  EXPECT_EQ(log.err, "kalvire-cli: --log " + out + " names the image\n");
  EXPECT_EQ(test::ReadFileOrFail(input), original);
  EXPECT_FALSE(fs::exists(dir.Path("new.rom")));

  // Whatever names it, the input itself is what --in-place replaces.
  const CliRun in_place = RunCommand({"edit", input, "-o", out, "--in-place", "--hide", "5"});
  EXPECT_EQ(in_place.exit_code, kExitSuccess) << in_place.err;
  EXPECT_THAT(RunCommand({"node", input, "5"}).out, HasSubstr("Hide: checked"));
}

INSTANTIATE_TEST_SUITE_P(Spellings, EditOutputNamingTheInput, testing::ValuesIn(kSpellings),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(EditInPlace, NeedsNoOutputAndWithoutEitherIsAUsageError) {
  const ScratchDir dir("edit-in-place");
  const std::string input = dir.Path("input.rom");
  fs::copy_file(SampleImagePath(), input);
  const CliRun missing = RunCommand({"edit", input, "--hide", "5"});
  EXPECT_EQ(missing.exit_code, kExitUsage);
  EXPECT_EQ(missing.err, "kalvire-cli: edit needs -o OUT, or --in-place to write ROM itself\n");

  const CliRun in_place = RunCommand({"edit", input, "--in-place", "--hide", "5"});
  EXPECT_EQ(in_place.exit_code, kExitSuccess) << in_place.err;
  EXPECT_THAT(RunCommand({"node", input, "5"}).out, HasSubstr("Hide: checked"));
}

}  // namespace
}  // namespace kalvire::cli::clitest
