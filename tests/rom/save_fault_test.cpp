// A save that cannot write its file: the file keeps its old bytes, the error is shown, the
// success message is not, and the edits are still there to be saved again.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <stdexcept>

#include "rom/messages.h"
#include "rom/save_image.h"
#include "save_fixture.h"
#include "setup/baseline.h"
#include "tracklog/history.h"
#include "util/file_io.h"

namespace kalvire::rom::test {
namespace {

using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

namespace fs = std::filesystem;

// The byte writer of a disk that fills up after `limit` bytes.
util::ByteWriter DiskFullAfter(size_t limit) {
  return [limit](int fd, std::span<const uint8_t> data) {
    const size_t n = std::min(limit, data.size());
    if (!util::WriteAllBytes(fd, data.first(n))) return false;
    if (n == data.size()) return true;
    errno = ENOSPC;
    return false;
  };
}

ImageWriter WriterWith(util::ByteWriter bytes) {
  return [bytes](const std::string& path, std::span<const uint8_t> image, std::string& error) {
    return util::WriteWholeFileAtomic(path, image, error, bytes);
  };
}

size_t EntriesIn(const fs::path& dir) {
  return size_t(std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
}

struct Edited {
  TempDir dir;
  std::string path = dir.Path("board.rom");
  Bytes original = SaveTestImage({tools::ModuleStorage::kEfi, false});
  std::unique_ptr<Session> session;
  Edited() {
    WriteBytes(path, original);
    session = OpenSession(path);
    if (session) HideQuestion(session->editor());
  }
  // A failed Save As leaves the title naming the open file.
  void ExpectFailedSave(const std::string& target) {
    const std::vector<std::string> messages = session->Messages();
    EXPECT_EQ(messages.back(), kMsgUnableToSave);
    EXPECT_THAT(messages, Not(Contains(kMsgSaved)));
    EXPECT_EQ(ReadBytes(path), original);
    EXPECT_TRUE(session->editor().workspace.m_setup_form_modified);
    EXPECT_EQ(session->editor().workspace.m_path, path);
    if (target != path) {
      EXPECT_EQ(session->prompter().WindowTitle(), "KALVIRE - [board.rom]");
    }
  }
};

TEST(SaveFaults, ADiskThatFillsUpLeavesTheFileAsItWas) {
  for (const size_t limit : {size_t{0}, size_t{1}, size_t{0x8000}, size_t{0x10FFFF}}) {
    SCOPED_TRACE("fails after " + std::to_string(limit) + " bytes");
    Edited e;
    ASSERT_TRUE(e.session);
    e.session->prompter().QueueAnswer(true);
    SaveRomImage(e.session->editor(), WriterWith(DiskFullAfter(limit)));
    e.ExpectFailedSave(e.path);
    EXPECT_EQ(EntriesIn(e.dir.dir()), 1u) << "a temporary file was left behind";
    // The edits are still there: a save on a disk with room writes them.
    e.session->prompter().QueueAnswer(true);
    SaveRomImage(e.session->editor());
    EXPECT_EQ(e.session->Messages().back(), kMsgSaved);
    EXPECT_EQ(ReadBytes(e.path), e.session->editor().workspace.m_working_image);
    EXPECT_NE(ReadBytes(e.path), e.original);
    // The failed save left no history file of its own behind.
    const auto area = tracklog::FindHistoryArea(e.session->editor().workspace);
    ASSERT_TRUE(area);
    EXPECT_EQ(tracklog::ReadHistoryChain(e.session->editor().workspace, *area).files.size(), 1u);
  }
}

TEST(SaveFaults, ARebuildThatBreaksTheImageIsNotWritten) {
  // A file record that overstates its file's size: the files behind the rebuilt module are
  // taken from past the old file's end, the first of them loses its header, and the save stops
  // before writing.
  Edited e;
  ASSERT_TRUE(e.session);
  RomWorkspace& ws = e.session->editor().workspace;
  const auto amitse_record = [&ws]() -> FileRecord& {
    for (uint32_t i = 0; i < ws.m_file_count; ++i) {
      if (ws.m_files[i].name == ws.m_amitse_name) return ws.m_files[i];
    }
    throw std::logic_error("no AmiTse file");
  };
  const Bytes before = ws.m_working_image;
  const uint32_t size = amitse_record().size;
  amitse_record().size = size + 64;
  SaveAs(*e.session, e.dir.Path("out.rom"));
  const std::string shown = e.session->Messages().back();
  EXPECT_THAT(shown, StartsWith(std::string(kMsgUnableToSave) + "\n"));
  EXPECT_THAT(shown, HasSubstr("is missing"));
  EXPECT_THAT(e.session->Messages(), Not(Contains(kMsgSaved)));
  EXPECT_FALSE(fs::exists(e.dir.Path("out.rom")));
  EXPECT_EQ(ws.m_working_image, before);
  EXPECT_TRUE(ws.m_setup_form_modified);

  amitse_record().size = size;
  SaveAs(*e.session, e.dir.Path("out.rom"));
  EXPECT_EQ(e.session->Messages().back(), kMsgSaved);
  EXPECT_EQ(ReadBytes(e.dir.Path("out.rom")), ws.m_working_image);
}

TEST(SaveFaults, ATargetThatIsADirectoryIsReported) {
  Edited e;
  ASSERT_TRUE(e.session);
  const std::string target = e.dir.Path("out.rom");
  fs::create_directory(target);
  SaveAs(*e.session, target);
  e.ExpectFailedSave(target);
  EXPECT_TRUE(fs::is_directory(target));
  EXPECT_TRUE(fs::is_empty(target));
}

TEST(SaveFaults, AFolderThatCannotTakeTheFileIsReported) {
  Edited e;
  ASSERT_TRUE(e.session);
  // A folder that does not exist: no temporary file can be made there, whoever runs the test.
  SaveAs(*e.session, e.dir.Path("missing/out.rom"));
  e.ExpectFailedSave(e.dir.Path("missing/out.rom"));
}

TEST(SaveFaults, AReadOnlyFolderIsReported) {
  if (::geteuid() == 0) GTEST_SKIP() << "permissions do not stop the superuser";
  Edited e;
  ASSERT_TRUE(e.session);
  const fs::path locked = e.dir.dir() / "locked";
  fs::create_directory(locked);
  WriteBytes((locked / "out.rom").string(), Bytes{7, 7, 7});
  fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec);
  SaveAs(*e.session, (locked / "out.rom").string());
  fs::permissions(locked, fs::perms::owner_all);
  e.ExpectFailedSave((locked / "out.rom").string());
  EXPECT_EQ(ReadBytes((locked / "out.rom").string()), (Bytes{7, 7, 7}));
}

// A volume with no free space: the NVRAM store has no history area behind it, and no module
// can grow.
struct FullVolume {
  TempDir dir;
  std::string out = dir.Path("out.rom");
  std::unique_ptr<Session> session;
  FullVolume() {
    const std::string path = dir.Path("full.rom");
    SaveImageOptions options;
    options.full_volume = true;
    WriteBytes(path, SaveTestImage(options));
    session = OpenSession(path);
  }
  SaveOutcome SaveAsOut() {
    session->prompter().QueueFilePath(out);
    return SaveRomImageAs(session->editor());
  }
};

TEST(SaveFaults, AModuleThatNoLongerFitsRefusesTheWholeSave) {
  FullVolume f;
  ASSERT_TRUE(f.session);
  Editor& editor = f.session->editor();
  HideQuestion(editor);
  EditQuestionText(editor);
  const Bytes before = editor.workspace.m_working_image;

  const SaveOutcome outcome = f.SaveAsOut();
  EXPECT_FALSE(outcome.saved);
  EXPECT_EQ(f.session->Messages().back(),
            "Error: Unable to save the file.\nError: No space in the firmware volume for the "
            "rebuilt file. The file is not saved.");
  EXPECT_THAT(f.session->Messages(), Not(Contains("Successfully saved the .ROM file")));
  EXPECT_FALSE(fs::exists(f.out));
  EXPECT_EQ(editor.workspace.m_working_image, before);
  EXPECT_TRUE(editor.workspace.m_setup_form_modified);
  EXPECT_TRUE(editor.workspace.m_setup_string_modified);
}

TEST(SaveFaults, WithoutAHistoryAreaTheSaveGoesOnAndHoldsTheEdit) {
  FullVolume f;
  ASSERT_TRUE(f.session);
  const auto area = tracklog::FindHistoryArea(f.session->editor().workspace);
  ASSERT_TRUE(area);
  EXPECT_TRUE(area->Empty());
  const uint32_t node = HideQuestion(f.session->editor());

  const SaveOutcome outcome = f.SaveAsOut();
  EXPECT_TRUE(outcome.saved);
  EXPECT_TRUE(outcome.history_skipped);
  EXPECT_THAT(f.session->Messages(),
              Contains("Error: Unable to log history. space left is too small!!!"));
  EXPECT_EQ(f.session->Messages().back(), "Successfully saved the .ROM file");
  const auto reopened = OpenSession(f.out);
  ASSERT_TRUE(reopened);
  setup::ControlState control;
  setup::ReadControlState(reopened->editor(), reopened->editor().setup.node_items[node], control);
  EXPECT_EQ(control.visible, 0);
}

}  // namespace
}  // namespace kalvire::rom::test
