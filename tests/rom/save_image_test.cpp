// Save and Save As: what they ask and write, and the saves that are declined or refused: the
// files keep their bytes, the workspace is as before, and the edits are still there to save.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>

#include "editor/open_image.h"
#include "editor/save_image.h"
#include "save_fixture.h"
#include "tools/sample_image.h"
#include "tracklog/history.h"
#include "util/file_io.h"

namespace kalvire::rom::test {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::Not;
namespace fs = std::filesystem;

constexpr char kSaved[] = "Successfully saved the .ROM file";
constexpr char kOverwrite[] = "Overwrite existing file?";
constexpr char kUnableToSave[] = "Error: Unable to save the file.";

size_t HistoryFiles(editor::Editor& editor) {
  const auto area = tracklog::FindHistoryArea(editor.workspace);
  return area ? tracklog::ReadHistoryChain(editor.workspace, *area).files.size() : 0;
}

// board.rom, built as `options` say, opened, with a question hidden.
struct Edited {
  TempDir dir;
  std::string path = dir.Path("board.rom");
  Bytes original;
  std::unique_ptr<Session> session;
  uint32_t hidden = 0;
  explicit Edited(const SaveImageOptions& options = {}) : original(SaveTestImage(options)) {
    WriteBytes(path, original);
    session = OpenSession(path);
    if (session) hidden = HideQuestion(session->editor());
  }
  editor::Editor& editor() { return session->editor(); }
};

TEST(SaveRomImage, AnUneditedImageIsWrittenAsItWasOpenedBySaveAndSaveAs) {
  TempDir dir;
  const Bytes original = tools::BuildSampleImage();
  const std::string path = dir.Path("sample.rom");
  WriteBytes(path, original);
  auto session = OpenSession(path);
  ASSERT_TRUE(session);
  session->prompter().QueueAnswer(true);
  editor::SaveRomImage(session->editor());
  EXPECT_EQ(ReadBytes(path), original);
  SaveAs(*session, dir.Path("copy.rom"));
  EXPECT_EQ(ReadBytes(dir.Path("copy.rom")), original);
  EXPECT_THAT(session->Messages(), ElementsAre(kOverwrite, kSaved, kSaved));
  EXPECT_EQ(session->prompter().WindowTitle(), "KALVIRE - [copy.rom]");
  EXPECT_EQ(session->editor().workspace.m_path, dir.Path("copy.rom"));
}

TEST(SaveRomImage, WithoutAnImageBothCommandsReportThatTheyCannotSave) {
  TempDir dir;
  Session session;
  EXPECT_EQ(editor::OpenRomImageBytes(session.editor(), Bytes(4096, 0xFF), "blank.rom"), 0);
  session.prompter().QueueAnswer(true);
  editor::SaveRomImage(session.editor());
  session.prompter().QueueFilePath(dir.Path("out.rom"));
  editor::SaveRomImageAs(session.editor());
  const std::vector<std::string> messages = session.Messages();
  ASSERT_GE(messages.size(), 3u);
  EXPECT_THAT(std::vector<std::string>(messages.end() - 3, messages.end()),
              ElementsAre(kOverwrite, kUnableToSave, kUnableToSave));
  EXPECT_FALSE(fs::exists(dir.Path("out.rom")));
}

// The byte writer of a disk that fills up after `limit` bytes.
editor::ImageWriter DiskFullAfter(size_t limit) {
  if (limit == SIZE_MAX) return editor::WriteImageAtomically;
  return [limit](const std::string& path, std::span<const uint8_t> image, std::string& error) {
    return util::WriteWholeFileAtomic(path, image, error, [limit](int fd, auto data) {
      const size_t n = std::min(limit, data.size());
      if (!util::WriteAllBytes(fd, data.first(n))) return false;
      errno = ENOSPC;
      return n == data.size();
    });
  };
}

// A declined or refused save writes no file, leaves the workspace as it was, and the edits are
// still there to be saved.
TEST(SaveRomImage, ADeclinedOrRefusedSaveWritesNothingAndKeepsTheEdits) {
  struct Case {
    const char* name;
    const char* target;  // Save As to this file in the folder ("": cancelled); null: Save
    bool yes = true;     // the answer to the question
    size_t disk_full_after = SIZE_MAX;
    uint32_t record_overstated = 0;  // bytes added to the AmiTse file's record size
    bool full_volume = false;
    std::string message = kUnableToSave;  // the last one shown, or its start with `reason`
    const char* reason = nullptr;
  };
  const Case cases[] = {
      {"No to Overwrite", nullptr, false, SIZE_MAX, 0, false, kOverwrite},
      {"No to an existing file", "other.rom", false, SIZE_MAX, 0, false,
       "File already exists. Do you want to save with same name?"},
      {"Cancel in the dialog", "", true, SIZE_MAX, 0, false, ""},
      {"a disk full at once", nullptr, true, 0},
      {"a disk full after a byte", nullptr, true, 1},
      {"a disk full halfway", nullptr, true, 0x8000},
      {"a disk full at the last byte", nullptr, true, 0x10FFFF},
      {"a target that is a folder", "folder.rom"},
      {"a folder that does not exist", "missing/out.rom"},
      // The files behind the rebuilt module are taken from past the old file's end, the first
      // of them loses its header, and the verification stops the save.
      {"a rebuild that breaks the image", "out.rom", true, SIZE_MAX, 64, false,
       "Error: Unable to save the file.\n", "is missing"},
      {"a module that no longer fits", "out.rom", true, SIZE_MAX, 0, true,
       "Error: Unable to save the file.\nError: No space in the firmware volume for the rebuilt "
       "file. The file is not saved."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Edited e({.full_volume = c.full_volume});
    ASSERT_TRUE(e.session);
    EditSetupModule(e.editor());
    WriteBytes(e.dir.Path("other.rom"), Bytes{1, 2, 3});
    fs::create_directory(e.dir.Path("folder.rom"));
    RomWorkspace& ws = e.editor().workspace;
    const Bytes working = ws.m_working_image;
    uint32_t record = 0;
    while (ws.m_files[record].name != ws.m_amitse_name) ++record;
    ws.m_files[record].size += c.record_overstated;
    if (c.target) {
      e.session->prompter().QueueFilePath(*c.target ? std::optional(e.dir.Path(c.target))
                                                    : std::nullopt);
    }
    e.session->prompter().QueueAnswer(c.yes);
    const editor::ImageWriter writer = DiskFullAfter(c.disk_full_after);
    EXPECT_FALSE((c.target ? editor::SaveRomImageAs(e.editor(), writer)
                           : editor::SaveRomImage(e.editor(), writer))
                     .saved);
    const std::vector<std::string> messages = e.session->Messages();
    const std::string last = messages.empty() ? "" : messages.back();
    EXPECT_EQ(last.substr(0, c.reason ? c.message.size() : last.size()), c.message);
    EXPECT_THAT(last, testing::HasSubstr(c.reason ? c.reason : ""));
    EXPECT_THAT(messages, Not(Contains(kSaved)));
    EXPECT_EQ(ReadBytes(e.path), e.original);
    EXPECT_EQ(ReadBytes(e.dir.Path("other.rom")), (Bytes{1, 2, 3}));
    EXPECT_TRUE(fs::is_empty(e.dir.Path("folder.rom")));
    EXPECT_FALSE(fs::exists(e.dir.Path("out.rom")));
    EXPECT_EQ(std::distance(fs::directory_iterator(e.dir.dir()), {}), 3) << "a file was left";
    EXPECT_EQ(ws.m_working_image, working);
    EXPECT_TRUE(ws.m_setup_form_modified && ws.m_setup_string_modified);
    EXPECT_EQ(ws.m_path, e.path);
    EXPECT_EQ(e.session->prompter().WindowTitle(), "KALVIRE - [board.rom]");
    EXPECT_EQ(HistoryFiles(e.editor()), 0u);
    if (!messages.empty() &&
        e.session->prompter().Messages()[0].request.buttons == platform::MessageButtons::kYesNo) {
      const auto& question = e.session->prompter().Messages()[0].request;
      EXPECT_EQ(question.caption, c.target ? "Confirm Save As" : "Confirm Save");
      EXPECT_EQ(question.icon, platform::MessageIcon::kQuestion);
    }
    if (c.target) {
      const auto& request = e.session->prompter().FileRequests().back();
      EXPECT_TRUE(request.save);
      EXPECT_EQ(request.default_extension, ".rom");
      EXPECT_EQ(request.filter, "ROM Files (*.rom)|*.rom|All Files (*.*)|*.*||");
    }
    if (c.full_volume) continue;
    // Once the fault is gone, the same edits save, with one history file; saving again
    // rebuilds nothing.
    ws.m_files[record].size -= c.record_overstated;
    SaveAs(*e.session, e.path);
    const Bytes saved = ReadBytes(e.path);
    EXPECT_NE(saved, e.original);
    e.session->prompter().QueueAnswer(true);
    editor::SaveRomImage(e.editor());
    EXPECT_EQ(e.session->Messages().back(), kSaved);
    EXPECT_EQ(ReadBytes(e.path), saved);
    EXPECT_EQ(saved, ws.m_working_image);
    EXPECT_EQ(ws.m_pristine_image, ws.m_working_image);
    EXPECT_EQ(HistoryFiles(e.editor()), 1u);
    EXPECT_FALSE(ws.m_setup_form_modified || ws.m_setup_string_modified);
  }
}

// A volume with no free space: no room behind the NVRAM store for the history file, and none
// for the compressed DMI module once its strings no longer compress to the old size.
TEST(SaveRomImage, AFullVolumeSavesWithoutHistoryAndRestoresAnOutgrownDmiModule) {
  Edited e({.storage = tools::ModuleStorage::kTiano, .full_volume = true});
  ASSERT_TRUE(e.session);
  editor::Editor& editor = e.editor();
  const auto area = tracklog::FindHistoryArea(editor.workspace);
  ASSERT_TRUE(area);
  EXPECT_TRUE(area->Empty());
  const EditorState before = CaptureState(editor);
  const int tree_items = editor.controls.dmi_tree->GetCount();
  // Sixty letters per string that do not repeat in any pattern the compressor could use.
  uint32_t seed = 1;
  for (int slot = 0; slot < 6; ++slot) {
    std::string noise;
    for (int i = 0; i < 60; ++i)
      noise += char('A' + ((seed = seed * 1103515245u + 12345u) >> 16) % 26);
    EditDmiString(*e.session, 1, slot, noise);
  }

  e.session->prompter().QueueFilePath(e.dir.Path("out.rom"));
  const editor::SaveOutcome outcome = editor::SaveRomImageAs(editor);
  EXPECT_TRUE(outcome.saved);
  EXPECT_TRUE(outcome.history_skipped);
  EXPECT_TRUE(outcome.dmi_restored);
  const std::vector<std::string> messages = e.session->Messages();
  EXPECT_THAT(messages, Contains("Error: Unable to log history. space left is too small!!!"));
  EXPECT_THAT(messages,
              Contains("No space to insert new DMI Module.Hence old DMI module is restored."));
  EXPECT_EQ(messages.back(), kSaved);
  // The restore's wait text follows the title of the running Save As.
  EXPECT_THAT(e.session->prompter().Titles(),
              Contains("KALVIRE - [ Please Wait While Saving File...] - [ Please Wait While "
                       "Loading File...]"));
  // The tables and the tree hold the module as it lies in the image again.
  EXPECT_EQ(CaptureState(editor).dmi_strings, before.dmi_strings);
  EXPECT_EQ(editor.controls.dmi_tree->GetCount(), tree_items);
  EXPECT_TRUE(editor.dmi.rebuild_buffer.empty());

  const auto reopened = OpenSession(e.dir.Path("out.rom"));
  ASSERT_TRUE(reopened);
  const EditorState after = CaptureState(reopened->editor());
  EXPECT_EQ(after.dmi_strings, before.dmi_strings);
  EXPECT_EQ(after.controls.at(e.hidden).visible, 0);
}

}  // namespace
}  // namespace kalvire::rom::test
