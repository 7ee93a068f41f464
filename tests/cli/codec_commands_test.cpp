#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "cli_run.h"
#include "support/test_data.h"
#include "util/file_io.h"

namespace kalvire::cli {
namespace {

namespace fs = std::filesystem;

using clitest::CliRun;
using clitest::RunCommand;

class CodecCommands : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("kalvire-cli-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
            "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string Write(const std::string& name, const std::vector<uint8_t>& data) {
    const auto path = dir_ / name;
    std::string error;
    EXPECT_TRUE(util::WriteWholeFileAtomic(path, data, error)) << error;
    return path.string();
  }
  std::string PathOf(const std::string& name) const { return (dir_ / name).string(); }
  fs::path dir_;
};

TEST_F(CodecCommands, EveryFormatRoundTripsAWholeFile) {
  const auto original = test::MixedCorpus(40000, 11);
  const std::string in = Write("module.bin", original);
  for (const char* format : {"tiano", "efi", "lzma"}) {
    SCOPED_TRACE(format);
    const auto packed = PathOf(std::string("packed.") + format);
    const auto unpacked = PathOf(std::string("unpacked.") + format);
    CliRun run = RunCommand({"compress", "--format", format, in, packed});
    ASSERT_EQ(run.exit_code, kExitSuccess) << run.err;
    run = RunCommand({"decompress", "--format", format, packed, unpacked});
    ASSERT_EQ(run.exit_code, kExitSuccess) << run.err;
    EXPECT_EQ(test::ReadFileOrFail(unpacked), original);
  }
}

TEST_F(CodecCommands, EfiStreamsCarryTheFourBitCountField) {
  // "abc" as the EFI and the Tiano compressor store it.
  const std::string in = Write("abc", {'a', 'b', 'c'});
  ASSERT_EQ(RunCommand({"compress", "--format", "efi", in, PathOf("abc.efi")}).exit_code, 0);
  ASSERT_EQ(RunCommand({"compress", "--format", "tiano", in, PathOf("abc.tiano")}).exit_code, 0);
  EXPECT_EQ(test::ReadFileOrFail(PathOf("abc.efi")),
            (std::vector<uint8_t>{0x0B, 0, 0, 0, 3, 0, 0, 0, 0x00, 0x03, 0x28, 0x08, 0x44, 0xC9,
                                  0x13, 0x58, 0x02, 0x60, 0x00}));
  EXPECT_EQ(test::ReadFileOrFail(PathOf("abc.tiano")),
            (std::vector<uint8_t>{0x0B, 0, 0, 0, 3, 0, 0, 0, 0x00, 0x03, 0x28, 0x08, 0x44, 0xC9,
                                  0x13, 0x58, 0x00, 0x98, 0x00}));
}

TEST_F(CodecCommands, BadInputFailsAndWritesNothing) {
  const std::string garbage = Write("garbage", test::RandomBytes(300, 12));
  for (const char* format : {"tiano", "efi", "lzma"}) {
    SCOPED_TRACE(format);
    const auto out = PathOf(std::string("out.") + format);
    const CliRun run = RunCommand({"decompress", "--format", format, garbage, out});
    EXPECT_EQ(run.exit_code, kExitFailure);
    EXPECT_NE(run.err.find("Error: decompression"), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists(out));
  }
  const CliRun missing =
      RunCommand({"compress", "--format", "lzma", PathOf("absent"), PathOf("x")});
  EXPECT_EQ(missing.exit_code, kExitFailure);
  EXPECT_FALSE(fs::exists(PathOf("x")));
}

TEST_F(CodecCommands, FailedDecodeLeavesAnExistingOutputUntouched) {
  const std::string garbage = Write("garbage", test::RandomBytes(100, 13));
  const std::string out = Write("precious", {1, 2, 3});
  EXPECT_EQ(RunCommand({"decompress", "--format", "efi", garbage, out}).exit_code, kExitFailure);
  EXPECT_EQ(test::ReadFileOrFail(out), (std::vector<uint8_t>{1, 2, 3}));
}

TEST_F(CodecCommands, UsageErrorsExitWithTwo) {
  EXPECT_EQ(RunCommand({}).exit_code, kExitUsage);
  EXPECT_EQ(RunCommand({"compress", "--format", "zip", "a", "b"}).exit_code, kExitUsage);
  EXPECT_EQ(RunCommand({"compress", "a"}).exit_code, kExitUsage);
  EXPECT_EQ(RunCommand({"frobnicate"}).exit_code, kExitUsage);
}

}  // namespace
}  // namespace kalvire::cli
