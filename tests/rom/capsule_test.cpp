// An image inside a signed capsule: Open tells that a save breaks the signature, and a save
// keeps the capsule's own bytes.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>

#include "cli/cli.h"
#include "editor/save_image.h"
#include "rom/capsule.h"
#include "save_fixture.h"
#include "util/le.h"

namespace kalvire::rom::test {
namespace {

using ::testing::HasSubstr;

constexpr size_t kHeaderSize = 0x800;
constexpr size_t kSignatureSize = 0x230;

Bytes WrapInCapsule(const Bytes& image, const char* guid) {
  Bytes capsule(kHeaderSize, 0);
  const Guid name = MakeGuid(guid);
  std::copy(name.begin(), name.end(), capsule.begin());
  util::StoreLe32(&capsule[16], uint32_t(kHeaderSize));
  util::StoreLe32(&capsule[20], 0x00050000);
  util::StoreLe32(&capsule[24], uint32_t(kHeaderSize + image.size() + kSignatureSize));
  for (size_t i = 28; i < kHeaderSize; ++i) capsule[i] = uint8_t(i * 7);
  capsule.insert(capsule.end(), image.begin(), image.end());
  for (size_t i = 0; i < kSignatureSize; ++i) capsule.push_back(uint8_t(0xA5 ^ i));
  return capsule;
}

TEST(SignedCapsule, OpenTellsOnceThatASaveBreaksTheSignatureAndSaveKeepsTheCapsuleBytes) {
  TempDir dir;
  const std::string path = dir.Path("capsule.cap");
  const Bytes original = WrapInCapsule(SaveTestImage({}), "4A3CA68B-7723-48FB-803D-578CC1FEC44D");
  WriteBytes(path, original);
  const auto session = OpenSession(path);
  ASSERT_TRUE(session);
  const std::vector<std::string>& notices = session->editor().workspace.m_notices;
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_THAT(notices[0], HasSubstr("signed AMI Aptio capsule"));
  EXPECT_THAT(notices[0], HasSubstr("signature will not match"));

  std::ostringstream out, err;
  const char* argv[] = {"kalvire-cli", "info", path.c_str()};
  EXPECT_EQ(cli::RunCli(3, argv, out, err), 0);
  EXPECT_THAT(out.str(), HasSubstr(notices[0]));

  HideQuestion(session->editor());
  SaveAs(*session, dir.Path("out.cap"));
  EXPECT_EQ(session->Messages().back(), "Successfully saved the .ROM file");
  const Bytes saved = ReadBytes(dir.Path("out.cap"));
  ASSERT_EQ(saved.size(), original.size());
  EXPECT_NE(saved, original);
  EXPECT_TRUE(std::equal(original.begin(), original.begin() + kHeaderSize, saved.begin()));
  EXPECT_TRUE(
      std::equal(original.end() - kSignatureSize, original.end(), saved.end() - kSignatureSize));
}

TEST(SignedCapsule, OnlyASignedCapsuleWithSoundSizesGivesTheNotice) {
  Bytes unsigned_capsule =
      WrapInCapsule(Bytes(0x1000, 0xFF), "3BE07062-1D51-45D2-832B-F093257ED461");
  Bytes oversized = WrapInCapsule(Bytes(0x1000, 0xFF), "4A3CA68B-7723-48FB-803D-578CC1FEC44D");
  util::StoreLe32(&oversized[16], uint32_t(oversized.size() + 1));
  Bytes signed_capsule = WrapInCapsule(Bytes(0x1000, 0xFF), "4A3CA68B-7723-48FB-803D-578CC1FEC44D");
  EXPECT_FALSE(FindSignedCapsule(unsigned_capsule));
  EXPECT_FALSE(FindSignedCapsule(oversized));
  EXPECT_FALSE(FindSignedCapsule(std::span(signed_capsule).first(27)));
  const auto header = FindSignedCapsule(signed_capsule);
  ASSERT_TRUE(header);
  EXPECT_EQ(header->header_size, kHeaderSize);
  EXPECT_EQ(header->flags, 0x00050000u);
}

}  // namespace
}  // namespace kalvire::rom::test
