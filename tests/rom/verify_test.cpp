// Verification of firmware volumes and the file-name comparison a save runs.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>

#include "rom/ffs_file.h"
#include "rom/verify.h"
#include "rom_test_support.h"
#include "tracklog/history.h"

namespace kalvire::rom::test {
namespace {

using ::testing::HasSubstr;
using ::testing::IsEmpty;

std::string Lines(const VerifyResult& result) {
  std::string text;
  for (const auto& problem : result.problems) text += FormatVerifyProblem(problem) + "\n";
  return text;
}

// Three raw files at 72, 144 and 224; the middle one carries a data checksum.
constexpr uint64_t kFiles[3] = {72, 144, 224};
Bytes SmallImage() {
  std::vector<Bytes> files;
  for (uint8_t i = 0; i < 3; ++i) {
    files.push_back(
        FfsFile(TestGuid(i), 0x01, Section(0x19, kalvire::test::RandomBytes(40 + 12 * i, i))));
  }
  files[1] = WithDataChecksum(files[1]);
  return Volume(files);
}

constexpr auto SetFixed = &SetFfsHeaderField;

TEST(VerifyImage, BuiltImagesAreCleanAndAnImageWithoutVolumesIsNot) {
  const VerifyResult result = VerifyImage(SmallImage());
  EXPECT_THAT(Lines(result), IsEmpty());
  ASSERT_EQ(result.files.size(), 1u);
  EXPECT_EQ(result.files[0].names, (std::vector<Guid>{TestGuid(0), TestGuid(1), TestGuid(2)}));
  EXPECT_EQ(Lines(VerifyImage(Bytes(0x1000, 0xFF))), "no firmware volume found\n");
}

TEST(VerifyImage, ReportsEachDamageAtItsFile) {
  const uint64_t mid = kFiles[1], last = kFiles[2];
  struct Damage {
    const char* what;
    std::function<void(Bytes&)> apply;
    uint64_t file;
    const char* reason;
  };
  // clang-format off
  const Damage damages[] = {
      {"flipped name byte", [&](Bytes& b) { b[mid + 3] ^= 0x10; }, mid, "header checksum"},
      {"flipped type byte", [&](Bytes& b) { b[last + 18] ^= 0x01; }, last, "header checksum"},
      {"data byte changed", [&](Bytes& b) { b[mid + 30] ^= 0x01; }, mid, "data checksum"},
      {"cut short by 8", [&](Bytes& b) { SetFixed(b, mid, kFfsSizeOffset, 80 - 8); }, mid,
       "data checksum"},
      {"misaligned to 4 KiB", [&](Bytes& b) { SetFixed(b, mid, 19, 0x40 | 5 << 3); }, mid,
       "is not aligned to 0x1000"},
      {"past its volume", [&](Bytes& b) { SetFixed(b, last, kFfsSizeOffset, 0x2000); }, last,
       "passes the volume's end"},
      {"size below header", [&](Bytes& b) { SetFixed(b, last, kFfsSizeOffset, 16); }, last,
       "smaller than the file header"},
      {"header only valid", [&](Bytes& b) { b[last + 23] = 0xFC; }, last, "State 0xFC"},
      {"header invalid", [&](Bytes& b) { b[last + 23] = 0xD8; }, last, "State 0xD8"},
      {"fixed checksum", [&](Bytes& b) { b[last + 17] = 0x5A; }, last, "not the fixed value"},
      {"bytes in the free space", [&](Bytes& b) { b[0x800] = 0; }, 0x800, "free space"},
  };
  // clang-format on
  for (const Damage& damage : damages) {
    SCOPED_TRACE(damage.what);
    Bytes image = SmallImage();
    damage.apply(image);
    const VerifyResult result = VerifyImage(image);
    ASSERT_FALSE(result.problems.empty());
    EXPECT_EQ(std::tie(result.problems[0].volume, result.problems[0].file_offset),
              std::tuple("image offset 0x0", damage.file));
    EXPECT_THAT(result.problems[0].reason, HasSubstr(damage.reason));
  }
}

TEST(CompareFileNames, NamesTheFirstDifferenceAndLeavesPadAndHistoryFilesOut) {
  const Guid a = TestGuid(1), b = TestGuid(2), c = TestGuid(3);
  const std::string A = FormatGuid(a), B = FormatGuid(b);
  const char* v0 = "image offset 0x0";
  const char* v1 = "image offset 0x1000";
  const std::vector<VolumeFileNames> before = {{v0, {a, b}}, {v1, {c}}};
  const std::pair<std::vector<VolumeFileNames>, std::optional<std::string>> cases[] = {
      {before, std::nullopt},
      {{{v0, {a}}, {v1, {c}}}, "volume at image offset 0x0: file " + B + " is missing"},
      {{{v0, {a, b}}, {v1, {c, a}}}, "volume at image offset 0x1000: file " + A + " was added"},
      {{{v0, {b, a}}, {v1, {c}}},
       "volume at image offset 0x0: file " + B + " stands where " + A + " stood"},
      {{{v0, {a, b}}}, "the image holds 1 volumes instead of 2"},
  };
  for (const auto& [after, reason] : cases) EXPECT_EQ(CompareFileNames(before, after), reason);

  Bytes image = SmallImage();
  const VerifyResult clean = VerifyImage(image);
  const Bytes pad = PadFile(32);
  const Bytes history = FfsFile(rom::kHistoryFileGuid, 0x01, Bytes(16, 'h'));
  std::copy(pad.begin(), pad.end(), image.begin() + 0x140);
  std::copy(history.begin(), history.end(), image.begin() + 0x240);
  const VerifyResult with_both = VerifyImage(image);
  EXPECT_THAT(Lines(with_both), IsEmpty());
  EXPECT_EQ(CompareFileNames(clean.files, with_both.files), std::nullopt);
  image[0x240 + 23] = 0xFE;  // the history file is checked all the same
  EXPECT_THAT(Lines(VerifyImage(image)), HasSubstr("State 0xFE"));
}

TEST(VerifyCommand, PrintsALinePerProblemAndExitsByTheResult) {
  TempDir dir;
  Bytes image = SmallImage();
  WriteFileOrFail(dir.Path("clean.rom"), image);
  const CliResult clean = RunCli({"verify", dir.Path("clean.rom")});
  EXPECT_EQ(std::tie(clean.code, clean.out), std::make_tuple(0, std::string()));
  image[kFiles[0] + 2] ^= 1;
  image[kFiles[2] + 23] = 0xFC;
  WriteFileOrFail(dir.Path("damaged.rom"), image);
  const CliResult damaged = RunCli({"verify", dir.Path("damaged.rom")});
  EXPECT_EQ(damaged.code, 1);
  EXPECT_EQ(std::count(damaged.out.begin(), damaged.out.end(), '\n'), 2);
  EXPECT_THAT(damaged.out, HasSubstr("volume at image offset 0x0, file "));
  const CliResult json = RunCli({"verify", "--json", dir.Path("damaged.rom")});
  EXPECT_EQ(json.code, 1);
  EXPECT_THAT(json.out, HasSubstr("\"clean\": false"));
  EXPECT_THAT(json.out, HasSubstr("\"reason\": \"State 0xFC does not mark a valid file\""));
}

}  // namespace
}  // namespace kalvire::rom::test
