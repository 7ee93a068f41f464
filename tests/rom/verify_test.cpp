// Verification of firmware volumes: clean images stay clean, each kind of damage is reported
// at the file it hits, and the file-name comparison a save runs after its rebuild.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <sstream>

#include "cli/cli.h"
#include "rom/ffs_file.h"
#include "rom/verify.h"
#include "rom_test_images.h"
#include "support/test_data.h"
#include "tools/sample_image.h"
#include "tracklog/history.h"
#include "util/le.h"

namespace kalvire::rom::test {
namespace {

using ::testing::HasSubstr;
using ::testing::IsEmpty;

constexpr uint64_t kFirstFile = 72;
constexpr uint8_t kRawFile = 0x01;

std::string Lines(const VerifyResult& result) {
  std::string text;
  for (const auto& problem : result.problems) text += FormatVerifyProblem(problem) + "\n";
  return text;
}

void FixHeaderChecksum(Bytes& image, uint64_t file) {
  image[file + kFfsHeaderChecksumOffset] =
      FfsHeaderChecksum(std::span<const uint8_t>(image).subspan(file, kFfsHeaderSize));
}

// Three raw files; the middle one carries a data checksum.
struct SmallImage {
  Bytes image;
  uint64_t files[3] = {};
};

SmallImage BuildSmallImage() {
  std::vector<Bytes> files;
  for (uint8_t i = 0; i < 3; ++i) {
    files.push_back(
        FfsFile(TestGuid(i), kRawFile, Section(0x19, kalvire::test::RandomBytes(40 + 12 * i, i))));
  }
  Bytes& checked = files[1];
  checked[19] = 0x40;
  uint8_t sum = 0;
  for (size_t i = kFfsHeaderSize; i < checked.size(); ++i) sum = uint8_t(sum + checked[i]);
  checked[17] = uint8_t(-sum);
  checked[16] = FfsHeaderChecksum(checked);
  SmallImage out{Volume(files), {}};
  uint64_t at = kFirstFile;
  for (int i = 0; i < 3; ++i) {
    out.files[i] = at;
    at += Align8(files[i].size());
  }
  return out;
}

TEST(VerifyImage, BuiltImagesAreClean) {
  const SmallImage small = BuildSmallImage();
  const VerifyResult result = VerifyImage(small.image);
  EXPECT_THAT(Lines(result), IsEmpty());
  ASSERT_EQ(result.files.size(), 1u);
  EXPECT_EQ(result.files[0].names, (std::vector<Guid>{TestGuid(0), TestGuid(1), TestGuid(2)}));

  const VerifyResult sample = VerifyImage(tools::BuildSampleImage());
  EXPECT_THAT(Lines(sample), IsEmpty());
  EXPECT_GE(sample.files.size(), 2u);
}

// Each damage, applied to a copy, must be reported at the file it hits.
TEST(VerifyImage, ReportsEachDamageAtItsFile) {
  const SmallImage base = BuildSmallImage();
  const uint64_t middle = base.files[1];
  const uint64_t last = base.files[2];
  struct Damage {
    const char* what;
    std::function<void(Bytes&)> apply;
    uint64_t file;
    const char* reason;
  };
  const std::vector<Damage> damages = {
      {"flipped name byte", [&](Bytes& b) { b[middle + 3] ^= 0x10; }, middle, "header checksum"},
      {"flipped type byte", [&](Bytes& b) { b[last + 18] ^= 0x01; }, last, "header checksum"},
      {"data byte changed", [&](Bytes& b) { b[middle + 30] ^= 0x01; }, middle, "data checksum"},
      {"cut short by 8",
       [&](Bytes& b) {
         util::StoreLe24(b.data() + middle + kFfsSizeOffset,
                         util::LoadLe24(b.data() + middle + kFfsSizeOffset) - 8);
         FixHeaderChecksum(b, middle);
       },
       middle, "data checksum"},
      {"misaligned to 4 KiB",
       [&](Bytes& b) {
         b[middle + 19] |= 5 << 3;
         FixHeaderChecksum(b, middle);
       },
       middle, "is not aligned to 0x1000"},
      {"past its volume",
       [&](Bytes& b) {
         util::StoreLe24(b.data() + last + kFfsSizeOffset, 0x2000);
         FixHeaderChecksum(b, last);
       },
       last, "passes the volume's end"},
      {"size below header",
       [&](Bytes& b) {
         util::StoreLe24(b.data() + last + kFfsSizeOffset, 16);
         FixHeaderChecksum(b, last);
       },
       last, "smaller than the file header"},
      {"header only valid", [&](Bytes& b) { b[last + 23] = 0xFC; }, last, "State 0xFC"},
      {"header invalid", [&](Bytes& b) { b[last + 23] = 0xD8; }, last, "State 0xD8"},
      {"fixed checksum", [&](Bytes& b) { b[last + 17] = 0x5A; }, last, "not the fixed value"},
  };
  for (const Damage& damage : damages) {
    SCOPED_TRACE(damage.what);
    Bytes image = base.image;
    damage.apply(image);
    const VerifyResult result = VerifyImage(image);
    ASSERT_FALSE(result.problems.empty());
    const VerifyProblem& first = result.problems.front();
    EXPECT_EQ(first.volume, "image offset 0x0");
    EXPECT_EQ(first.file_offset, damage.file);
    EXPECT_THAT(first.reason, HasSubstr(damage.reason));
  }
}

TEST(VerifyImage, AcceptsDeletedAndUpdatingFilesAndTheFileAfterFreeSpace) {
  SmallImage small = BuildSmallImage();
  small.image[small.files[0] + 23] = 0xE8;  // deleted
  small.image[small.files[1] + 23] = 0xF0;  // marked for update
  EXPECT_THAT(Lines(VerifyImage(small.image)), IsEmpty());

  // A volume-top file: free space, then one file ending at the volume's end.
  Bytes top = FfsFile(TestGuid(7), kRawFile, Section(0x19, Bytes(36, 0x5C)));
  ASSERT_EQ(top.size() % 8, 0u);
  std::copy(top.begin(), top.end(), small.image.end() - top.size());
  const VerifyResult with_top = VerifyImage(small.image);
  EXPECT_THAT(Lines(with_top), IsEmpty());
  EXPECT_EQ(with_top.files[0].names.back(), TestGuid(7));

  // Bytes in the free space that do not form a file header.
  small.image[0x800] = 0x00;
  const VerifyResult garbage = VerifyImage(small.image);
  ASSERT_EQ(garbage.problems.size(), 1u);
  EXPECT_EQ(garbage.problems[0].file_offset, 0x800u);
  EXPECT_THAT(garbage.problems[0].reason, HasSubstr("free space"));
}

TEST(VerifyImage, ChecksFfs3LargeFilesAndSecondAlignmentTable) {
  // A large file: 32-byte header with the 64-bit size, its extension covered by the checksum.
  Bytes large(32, 0);
  const Guid name = TestGuid(9);
  std::copy(name.begin(), name.end(), large.begin());
  large[17] = 0xAA;
  large[18] = kRawFile;
  large[19] = 0x01;
  util::StoreLe24(large.data() + 20, kFfsSizeUnset);
  large[23] = 0xF8;
  util::StoreLe64(large.data() + 24, 32 + 24);
  Append(large, Bytes(24, 0x33));
  uint8_t checksum = FfsHeaderChecksum(large);
  for (int i = 24; i < 32; ++i) checksum = uint8_t(checksum - large[i]);
  large[16] = checksum;
  VolumeOptions options;
  options.file_system = MakeGuid("5473C07A-3DCB-4DCA-BD6F-1E9689E7349A");
  const Bytes image = Volume({large}, options);
  EXPECT_THAT(Lines(VerifyImage(image)), IsEmpty());

  Bytes damaged = image;
  damaged[kFirstFile + 28] ^= 1;  // the high half of the 64-bit size
  EXPECT_THAT(Lines(VerifyImage(damaged)), HasSubstr("header checksum"));

  // DATA_ALIGNMENT_2 with selector 0 asks for 128 KiB: the file at offset 72 cannot have it.
  Bytes aligned = image;
  aligned[kFirstFile + 19] |= 0x02;
  aligned[kFirstFile + 16] = uint8_t(aligned[kFirstFile + 16] - 0x02);
  EXPECT_THAT(Lines(VerifyImage(aligned)), HasSubstr("not aligned to 0x20000"));
}

TEST(VerifyImage, ErasePolarityZeroInvertsStateAndFreeSpace) {
  SmallImage small = BuildSmallImage();
  small.image[45] &= ~0x08;  // attribute bit 11 cleared
  const uint64_t free_start = small.files[2] + 24 + 40 + 24 + 4;
  std::fill(small.image.begin() + Align8(free_start), small.image.end(), 0x00);
  for (const uint64_t file : small.files) small.image[file + 23] = 0x07;
  EXPECT_THAT(Lines(VerifyImage(small.image)), IsEmpty());
  small.image[small.files[1] + 23] = 0xF8;  // valid under polarity 1 only
  EXPECT_THAT(Lines(VerifyImage(small.image)), HasSubstr("State 0xF8"));
}

TEST(VerifyImage, ImageWithoutVolumeIsAProblem) {
  const VerifyResult result = VerifyImage(Bytes(0x1000, 0xFF));
  ASSERT_EQ(result.problems.size(), 1u);
  EXPECT_EQ(FormatVerifyProblem(result.problems[0]), "no firmware volume found");
}

TEST(CompareFileNames, NamesTheFirstDifference) {
  const Guid a = TestGuid(1), b = TestGuid(2), c = TestGuid(3);
  const std::vector<VolumeFileNames> before = {{"image offset 0x0", {a, b}},
                                               {"image offset 0x1000", {c}}};
  struct Case {
    const char* what;
    std::vector<VolumeFileNames> after;
    std::optional<std::string> reason;
  };
  const std::vector<Case> cases = {
      {"same", before, std::nullopt},
      {"missing",
       {{"image offset 0x0", {a}}, {"image offset 0x1000", {c}}},
       "volume at image offset 0x0: file " + FormatGuid(b) + " is missing"},
      {"added",
       {{"image offset 0x0", {a, b}}, {"image offset 0x1000", {c, a}}},
       "volume at image offset 0x1000: file " + FormatGuid(a) + " was added"},
      {"swapped",
       {{"image offset 0x0", {b, a}}, {"image offset 0x1000", {c}}},
       "volume at image offset 0x0: file " + FormatGuid(b) + " stands where " + FormatGuid(a) +
           " stood"},
      {"volume lost", {{"image offset 0x0", {a, b}}}, "the image holds 1 volumes instead of 2"},
  };
  for (const Case& c_ : cases) {
    SCOPED_TRACE(c_.what);
    EXPECT_EQ(CompareFileNames(before, c_.after), c_.reason);
  }
}

TEST(CompareFileNames, PadAndHistoryFilesAreLeftOut) {
  SmallImage small = BuildSmallImage();
  const VerifyResult before = VerifyImage(small.image);
  // A pad file and a history file placed in the free space after the last file.
  Bytes pad = PadFile(32);
  Bytes history = FfsFile(tracklog::kHistoryFileGuid, kRawFile, Bytes(16, 'h'));
  const uint64_t at = Align8(small.files[2] + 24 + 4 + 64);
  std::copy(pad.begin(), pad.end(), small.image.begin() + at);
  std::copy(history.begin(), history.end(), small.image.begin() + at + 0x100);
  const VerifyResult after = VerifyImage(small.image);
  EXPECT_THAT(Lines(after), IsEmpty());
  EXPECT_EQ(CompareFileNames(before.files, after.files), std::nullopt);
  // The history file is checked all the same.
  small.image[at + 0x100 + 23] = 0xFE;
  EXPECT_THAT(Lines(VerifyImage(small.image)), HasSubstr("State 0xFE"));
}

TEST(VerifyImage, RealImagesAreClean) {
  std::vector<std::filesystem::path> paths;
  if (const auto dir = kalvire::test::SharedImagesDir()) {
    paths.push_back(*dir / "h61-bios-region.bin");
    paths.push_back(*dir / "p7xxdm-full-flash.rom");
  }
  for (const char* edk2 : {"/usr/share/ovmf/OVMF.fd", "/usr/share/AAVMF/AAVMF_CODE.fd"}) {
    if (std::filesystem::exists(edk2)) paths.emplace_back(edk2);
  }
  if (paths.empty()) GTEST_SKIP() << "neither ../shared/images nor the EDK2 images are present";
  for (const auto& path : paths) {
    SCOPED_TRACE(path.string());
    const VerifyResult result = VerifyImage(kalvire::test::ReadFileOrFail(path));
    EXPECT_THAT(Lines(result), IsEmpty());
    EXPECT_GE(result.files.size(), 2u);
  }
}

TEST(VerifyCommand, PrintsALinePerProblemAndExitsByTheResult) {
  const auto dir = std::filesystem::temp_directory_path() / "kalvire_verify_test";
  std::filesystem::create_directories(dir);
  SmallImage small = BuildSmallImage();
  const auto write = [&](const char* name, const Bytes& bytes) {
    const auto path = (dir / name).string();
    FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    return path;
  };
  const auto run = [](std::vector<const char*> args, std::string& out) {
    args.insert(args.begin(), "kalvire-cli");
    std::ostringstream o, e;
    const int code = cli::RunCli(int(args.size()), args.data(), o, e);
    out = o.str();
    return code;
  };
  std::string out;
  const std::string clean = write("clean.rom", small.image);
  EXPECT_EQ(run({"verify", clean.c_str()}, out), cli::kExitSuccess);
  EXPECT_EQ(out, "");
  small.image[small.files[0] + 2] ^= 1;
  small.image[small.files[2] + 23] = 0xFC;
  const std::string damaged = write("damaged.rom", small.image);
  EXPECT_EQ(run({"verify", damaged.c_str()}, out), cli::kExitFailure);
  EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 2);
  EXPECT_THAT(out, HasSubstr("volume at image offset 0x0, file "));
  EXPECT_EQ(run({"verify", "--json", damaged.c_str()}, out), cli::kExitFailure);
  EXPECT_THAT(out, HasSubstr("\"clean\": false"));
  EXPECT_THAT(out, HasSubstr("\"reason\": \"State 0xFC does not mark a valid file\""));
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace kalvire::rom::test
