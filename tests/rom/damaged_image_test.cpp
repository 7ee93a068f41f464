// Images whose layout is damaged (cut short, a volume length running into the next volume):
// verify names the volume, Open says so once, and a save asks first and never writes outside
// the volumes the walk found.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "cli/node_number.h"
#include "editor/messages.h"
#include "editor/open_image.h"
#include "editor/save_image.h"
#include "rom_test_support.h"
#include "setup/ifr_layout.h"
#include "tools/flash_descriptor.h"
#include "tools/sample_image.h"
#include "util/le.h"

namespace kalvire::rom::test {
namespace {

using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::Not;

struct Extent {
  uint64_t start, end;
};
// The sample's volumes: FV_MAIN, FV_OA and FV_BB (the boot block at the top).
constexpr Extent kMain{0x100000, 0x900000}, kOa{0x900000, 0x940000}, kBb{0xFC0000, 0x1000000};

const Bytes& Sample() {
  static const Bytes image = tools::BuildSampleImage();
  return image;
}

struct Damage {
  const char* what;
  Bytes image;
  const char* problem;          // a line verify prints
  std::vector<Extent> volumes;  // what the walk finds of them, cut to their real ends
};

std::vector<Damage> Damages() {
  const auto cut = [](uint64_t size) { return Bytes(Sample().begin(), Sample().begin() + size); };
  Bytes overlap = Sample();
  util::StoreLe32(&overlap[kMain.start + 32], uint32_t(kMain.end - kMain.start + 0x10000));
  return {
      {"cut by one byte",
       cut(kBb.end - 1),
       "volume at image offset 0xFC0000: the volume runs past the end of the file (length "
       "0x40000, 0x3FFFF bytes left)",
       {kMain, kOa}},
      {"cut by half a volume",
       cut(kBb.end - 0x20000),
       "volume at image offset 0xFC0000: the volume runs past the end of the file (length "
       "0x40000, 0x20000 bytes left)",
       {kMain, kOa}},
      {"cut inside a volume header",
       cut(kBb.start + 0x30),
       "volume at image offset 0xFC0000: the volume header is cut short by the end of the file "
       "(0x30 of its 0x38 bytes left)",
       {kMain, kOa}},
      {"a volume length over the next volume",
       overlap,
       "volume at image offset 0x100000: the volume's length 0x810000 runs 0x10000 bytes into "
       "the volume at image offset 0x900000",
       {kMain, kOa, kBb}},
  };
}

// The sample with the file checksum of the first file of volume record `volume` (not a pad
// file) changed.
Bytes WithBadFileChecksum(uint32_t volume) {
  Session session;
  Bytes image = Sample();
  EXPECT_EQ(editor::OpenRomImageBytes(session.editor(), image, "sample.rom"), 1);
  const RomWorkspace& ws = session.ws();
  for (uint32_t i = 0; i < ws.m_file_count; ++i) {
    const FileRecord& file = ws.m_files[i];
    if (file.volume_index == volume && file.name[0] != 0xFF) {
      image[file.file.offset + 17] ^= 1;
      return image;
    }
  }
  ADD_FAILURE() << "volume " << volume << " has no file";
  return image;
}

// The first ONE_OF question of the sample, as the command line numbers it.
std::string HideableNode() {
  TempDir dir;
  const auto session = OpenSession(dir.Write("sample.rom", Sample()));
  return session ? cli::FormatNodeNumber(Question(session->editor(), setup::kOpOneOf)) : "";
}

// Whether `out` holds the bytes of `in` everywhere outside `volumes`.
bool SameOutside(const Bytes& in, const Bytes& out, const std::vector<Extent>& volumes) {
  if (in.size() != out.size()) return false;
  for (uint64_t i = 0; i < in.size(); ++i) {
    const bool inside = std::any_of(volumes.begin(), volumes.end(),
                                    [i](const Extent& v) { return i >= v.start && i < v.end; });
    if (!inside && in[i] != out[i]) return false;
  }
  return true;
}

TEST(DamagedImage, VerifyNamesTheVolumeAndEditSavesOnlyWithForceInsideTheWalkedVolumes) {
  const std::string node = HideableNode();
  ASSERT_FALSE(node.empty());
  for (const Damage& damage : Damages()) {
    SCOPED_TRACE(damage.what);
    TempDir dir;
    const std::string rom = dir.Write("damaged.rom", damage.image);
    const CliResult verify = RunCli({"verify", rom});
    EXPECT_EQ(verify.code, 1);
    EXPECT_THAT(verify.out, HasSubstr(damage.problem));

    const CliResult refused = RunCli({"edit", rom, "-o", dir.Path("out.rom"), "--hide", node});
    EXPECT_EQ(refused.code, 1);
    EXPECT_THAT(refused.err,
                HasSubstr("Warning: The image is damaged: " + std::string(damage.problem)));
    EXPECT_THAT(refused.err, HasSubstr("kalvire-cli: answered No: The image is damaged:\n"));
    EXPECT_FALSE(std::filesystem::exists(dir.Path("out.rom")));

    const CliResult forced =
        RunCli({"edit", rom, "-o", dir.Path("out.rom"), "--hide", node, "--force"});
    EXPECT_EQ(forced.code, 0) << forced.err;
    EXPECT_THAT(forced.err, HasSubstr("answered Yes (--force)"));
    const Bytes out = ReadFileOrFail(dir.Path("out.rom"));
    EXPECT_NE(out, damage.image);
    EXPECT_TRUE(SameOutside(damage.image, out, damage.volumes));
  }
}

// Cuts that leave no volume header behind: the size of the image tells.
TEST(DamagedImage, AnImageShorterThanItsDescriptorOrLastVolumeSayIsDamaged) {
  Bytes full = tools::BuildFullFlashImage(Sample(), 0x200000);
  full.pop_back();
  const std::pair<Bytes, const char*> cases[] = {
      {full,
       "the image holds 0x1200FFF bytes, but its flash descriptor's regions end at "
       "0x1201000\n"},
      {Bytes(Sample().begin(), Sample().begin() + 0xA00000),
       "the image ends 0xC0000 bytes behind its last volume (which ends at image offset "
       "0x940000), with no volume at its top\n"},
      {Bytes(Sample().begin(), Sample().begin() + kBb.start + 0x14),
       "the image ends 0x680014 bytes behind its last volume (which ends at image offset "
       "0x940000) in bytes that are not erased\n"},
  };
  for (const auto& [image, problem] : cases) {
    TempDir dir;
    const CliResult verify = RunCli({"verify", dir.Write("cut.rom", image)});
    EXPECT_EQ(verify.code, 1);
    EXPECT_THAT(verify.out, HasSubstr(problem));
  }
}

// The question a save asks; No refuses it and keeps the file and the edits, Yes saves. A
// problem the image had before asks only when it lies in a volume the save writes.
TEST(DamagedImage, SaveAsksFirstAndNoRefuses) {
  const struct {
    const char* what;
    Bytes image;
    bool asks;
  } cases[] = {
      {"cut by one byte", Damages()[0].image, true},
      {"a problem in FV_MAIN, which the save writes", WithBadFileChecksum(0), true},
      {"a problem in FV_OA, which it does not", WithBadFileChecksum(1), false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    const auto session = OpenSession(dir.Write("in.rom", c.image));
    ASSERT_TRUE(session);
    HideQuestion(session->editor());
    const std::string out = dir.Path("out.rom");
    session->prompter.QueueFilePath(out);
    session->prompter.QueueAnswer(false);
    const editor::SaveOutcome declined = editor::SaveRomImageAs(session->editor());
    const auto& messages = session->prompter.Messages();
    const auto question =
        std::find_if(messages.begin(), messages.end(), [](const platform::RecordedMessage& m) {
          return m.request.caption == editor::kCaptionSaveDamaged;
        });
    EXPECT_EQ(question != messages.end(), c.asks);
    EXPECT_EQ(declined.saved, !c.asks);
    EXPECT_EQ(std::filesystem::exists(out), !c.asks);
    if (!c.asks) continue;
    EXPECT_EQ(question->request.default_button, platform::MessageAnswer::kNo);
    EXPECT_THAT(question->request.text, HasSubstr("\nvolume at image offset 0x"));
    EXPECT_TRUE(session->ws().HasUnsavedEdits());
    session->prompter.QueueFilePath(out);
    session->prompter.QueueAnswer(true);
    EXPECT_TRUE(editor::SaveRomImageAs(session->editor()).saved);
    EXPECT_THAT(session->Messages().back(), HasSubstr("Successfully saved"));
    EXPECT_TRUE(std::filesystem::exists(out));
  }
}

TEST(DamagedImage, OpenSaysOnceWhereTheImageIsDamaged) {
  TempDir dir;
  const auto damaged = OpenSession(dir.Write("cut.rom", Damages()[0].image));
  ASSERT_TRUE(damaged);
  // The volume the end of the file cuts and its last file, said once in one notice.
  const std::vector<std::string>& notices = damaged->ws().m_notices;
  EXPECT_EQ(notices,
            std::vector<std::string>{"Warning: The image is damaged: " +
                                     std::string(Damages()[0].problem) + " (and 1 more)."});
  const CliResult info = RunCli({"info", dir.Path("cut.rom")});
  EXPECT_THAT(info.out, HasSubstr(notices.at(0)));
  const auto sound = OpenSession(dir.Write("sample.rom", Sample()));
  ASSERT_TRUE(sound);
  EXPECT_THAT(sound->ws().m_notices, Not(Contains(HasSubstr("damaged"))));
}

}  // namespace
}  // namespace kalvire::rom::test
