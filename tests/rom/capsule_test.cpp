// An image inside a signed capsule: Open warns of the signature, a save keeps the capsule bytes.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "editor/save_image.h"
#include "rom/capsule.h"
#include "rom_test_support.h"
#include "util/le.h"

namespace kalvire::rom::test {
namespace {

using ::testing::HasSubstr;

using tools::raw::kCapsuleHeaderSize;
using tools::raw::kCapsuleSignatureSize;
const Guid kSigned = MakeGuid("4A3CA68B-7723-48FB-803D-578CC1FEC44D");

TEST(SignedCapsule, OpenTellsOnceThatASaveBreaksTheSignatureAndSaveKeepsTheCapsuleBytes) {
  TempDir dir;
  const std::string path = dir.Path("capsule.cap");
  const Bytes original = Capsule(tools::BuildModulesImage({}), kSigned);
  WriteFileOrFail(path, original);
  const auto session = OpenSession(path);
  ASSERT_TRUE(session);
  const std::vector<std::string>& notices = session->editor().workspace.m_notices;
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_THAT(notices[0], HasSubstr("signed AMI Aptio capsule"));
  EXPECT_THAT(notices[0], HasSubstr("signature will not match"));

  const CliResult info = RunCli({"info", path});
  EXPECT_EQ(info.code, 0);
  EXPECT_THAT(info.out, HasSubstr(notices[0]));

  HideQuestion(session->editor());
  SaveAs(*session, dir.Path("out.cap"));
  EXPECT_EQ(session->Messages().back(), "Successfully saved the .ROM file");
  const Bytes saved = ReadFileOrFail(dir.Path("out.cap"));
  ASSERT_EQ(saved.size(), original.size());
  EXPECT_NE(saved, original);
  EXPECT_TRUE(std::equal(original.begin(), original.begin() + kCapsuleHeaderSize, saved.begin()));
  EXPECT_TRUE(std::equal(original.end() - kCapsuleSignatureSize, original.end(),
                         saved.end() - kCapsuleSignatureSize));
  // Only a signed capsule with sound sizes gives the notice.
  const Bytes blank = Capsule(Bytes(0x1000, 0xFF), kSigned);
  Bytes oversized = blank;
  util::StoreLe32(&oversized[16], uint32_t(oversized.size() + 1));
  EXPECT_FALSE(FindSignedCapsule(
      Capsule(Bytes(0x1000, 0xFF), MakeGuid("3BE07062-1D51-45D2-832B-F093257ED461"))));
  EXPECT_FALSE(FindSignedCapsule(oversized) || FindSignedCapsule(std::span(blank).first(27)));
  const auto header = FindSignedCapsule(blank);
  ASSERT_TRUE(header);
  EXPECT_EQ(std::tuple(header->header_size, header->flags),
            std::tuple(kCapsuleHeaderSize, 0x00050000u));
}

}  // namespace
}  // namespace kalvire::rom::test
