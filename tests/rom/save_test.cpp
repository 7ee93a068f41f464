// Save and Save As: what they ask and write, refusals that keep everything, and round trips.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <regex>
#include <sstream>

#include "editor/messages.h"
#include "editor/open_image.h"
#include "editor/save_image.h"
#include "rom/verify.h"
#include "rom_test_support.h"
#include "tools/sample_image.h"
#include "tracklog/history.h"
#include "util/file_io.h"

namespace kalvire::rom::test {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using tools::ModuleStorage;
namespace fs = std::filesystem;

constexpr char kSaved[] = "Successfully saved the .ROM file";
constexpr char kOverwrite[] = "Overwrite existing file?";
constexpr char kUnableToSave[] = "Error: Unable to save the file.";
constexpr char kUnableToSaveAnd[] = "Error: Unable to save the file.\n";

size_t HistoryFiles(editor::Editor& editor) {
  const auto area = tracklog::FindHistoryArea(editor.workspace);
  return area ? tracklog::ReadHistoryChain(editor.workspace, *area).files.size() : 0;
}

TEST(SaveRomImage, AnUneditedImageIsWrittenAsItWasOpenedBySaveAndSaveAs) {
  TempDir dir;
  const Bytes original = tools::BuildSampleImage();
  WriteFileOrFail(dir.Path("sample.rom"), original);
  auto session = OpenSession(dir.Path("sample.rom"));
  ASSERT_TRUE(session);
  session->prompter.QueueAnswer(true);
  editor::SaveRomImage(session->editor());
  EXPECT_EQ(ReadFileOrFail(dir.Path("sample.rom")), original);
  SaveAs(*session, dir.Path("copy.rom"));
  EXPECT_EQ(ReadFileOrFail(dir.Path("copy.rom")), original);
  EXPECT_THAT(session->Messages(), ElementsAre(kOverwrite, kSaved, kSaved));
  EXPECT_EQ(session->prompter.WindowTitle(), "KALVIRE - [copy.rom]");
  EXPECT_EQ(session->ws().m_path, dir.Path("copy.rom"));
}

TEST(SaveRomImage, WithoutAnImageBothCommandsReportThatTheyCannotSave) {
  TempDir dir;
  Session session;
  EXPECT_EQ(editor::OpenRomImageBytes(session.editor(), Bytes(4096, 0xFF), "blank.rom"), 0);
  session.prompter.QueueAnswer(true);
  editor::SaveRomImage(session.editor());
  session.prompter.QueueFilePath(dir.Path("out.rom"));
  editor::SaveRomImageAs(session.editor());
  const std::vector<std::string> messages = session.Messages();
  ASSERT_GE(messages.size(), 3u);
  EXPECT_THAT(std::vector(messages.end() - 3, messages.end()),
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
       "File already exists. Do you want to save with same name?\n", "other.rom"},
      {"Cancel in the dialog", "", true, SIZE_MAX, 0, false, ""},
      // A failed write names the file and the system's reason on a second line.
      {"a disk full at once", nullptr, true, 0, 0, false, kUnableToSaveAnd,
       "board.rom: No space left on device"},
      {"a disk full after a byte", nullptr, true, 1, 0, false, kUnableToSaveAnd,
       "board.rom: No space left on device"},
      {"a disk full halfway", nullptr, true, 0x8000, 0, false, kUnableToSaveAnd,
       "board.rom: No space left on device"},
      {"a disk full at the last byte", nullptr, true, 0x10FFFF, 0, false, kUnableToSaveAnd,
       "board.rom: No space left on device"},
      {"a target that is a folder", "folder.rom", true, SIZE_MAX, 0, false, kUnableToSaveAnd,
       "folder.rom: Is a directory"},
      {"a folder that does not exist", "missing/out.rom", true, SIZE_MAX, 0, false,
       kUnableToSaveAnd, "missing/out.rom: No such file or directory"},
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
    TempDir dir;
    const std::string path = dir.Path("board.rom");
    const Bytes original = tools::BuildModulesImage({.full_volume = c.full_volume});
    WriteFileOrFail(path, original);
    auto session = OpenSession(path);
    ASSERT_TRUE(session);
    editor::Editor& editor = session->editor();
    HideQuestion(editor);
    EditSetupModule(editor);
    WriteFileOrFail(dir.Path("other.rom"), Bytes{1, 2, 3});
    fs::create_directory(dir.Path("folder.rom"));
    RomWorkspace& ws = session->ws();
    const Bytes working = ws.m_working_image;
    uint32_t record = 0;
    while (ws.m_files[record].name != ws.m_amitse_name) ++record;
    ws.m_files[record].size += c.record_overstated;
    if (c.target)
      session->prompter.QueueFilePath(*c.target ? std::optional(dir.Path(c.target)) : std::nullopt);
    session->prompter.QueueAnswer(c.yes);
    const editor::ImageWriter writer = DiskFullAfter(c.disk_full_after);
    EXPECT_FALSE(
        (c.target ? editor::SaveRomImageAs(editor, writer) : editor::SaveRomImage(editor, writer))
            .saved);
    const std::vector<std::string> messages = session->Messages();
    const std::string last = messages.empty() ? "" : messages.back();
    EXPECT_EQ(last.substr(0, c.reason ? c.message.size() : last.size()), c.message);
    EXPECT_THAT(last, testing::HasSubstr(c.reason ? c.reason : ""));
    EXPECT_THAT(messages, testing::Not(Contains(kSaved)));
    EXPECT_EQ(ReadFileOrFail(path), original);
    EXPECT_EQ(ReadFileOrFail(dir.Path("other.rom")), (Bytes{1, 2, 3}));
    EXPECT_TRUE(fs::is_empty(dir.Path("folder.rom")));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.dir()), {}), 3) << "a file was left";
    EXPECT_EQ(ws.m_working_image, working);
    EXPECT_TRUE(ws.m_setup_form_modified && ws.m_setup_string_modified);
    EXPECT_EQ(ws.m_path, path);
    EXPECT_EQ(session->prompter.WindowTitle(), "KALVIRE - [board.rom]");
    EXPECT_EQ(HistoryFiles(editor), 0u);
    const auto& shown = session->prompter.Messages();
    if (!shown.empty() && shown[0].request.buttons == platform::MessageButtons::kYesNo) {
      EXPECT_EQ(shown[0].request.caption, c.target ? "Confirm Save As" : "Confirm Save");
      EXPECT_EQ(shown[0].request.icon, platform::MessageIcon::kQuestion);
    }
    if (c.target) {
      const auto& request = session->prompter.FileRequests().back();
      EXPECT_TRUE(request.save);
      EXPECT_EQ(request.default_extension, ".rom");
      EXPECT_EQ(request.filter, kalvire::editor::kRomFileFilter);
    }
    if (c.full_volume) continue;
    // Once the fault is gone the same edits save, with one history file; saving again rebuilds
    // nothing.
    ws.m_files[record].size -= c.record_overstated;
    SaveAs(*session, path);
    const Bytes saved = ReadFileOrFail(path);
    EXPECT_NE(saved, original);
    session->prompter.QueueAnswer(true);
    editor::SaveRomImage(editor);
    EXPECT_EQ(session->Messages().back(), kSaved);
    EXPECT_EQ(ReadFileOrFail(path), saved);
    EXPECT_EQ(saved, ws.m_working_image);
    EXPECT_EQ(ws.m_pristine_image, ws.m_working_image);
    EXPECT_EQ(HistoryFiles(editor), 1u);
    EXPECT_FALSE(ws.m_setup_form_modified || ws.m_setup_string_modified);
  }
}

// No room behind the NVRAM store for the history file, and none for the compressed DMI module
// once its strings no longer compress to the old size.
TEST(SaveRomImage, AFullVolumeSavesWithoutHistoryAndRestoresAnOutgrownDmiModule) {
  TempDir dir;
  WriteFileOrFail(dir.Path("in.rom"), tools::BuildModulesImage(
                                          {.storage = ModuleStorage::kTiano, .full_volume = true}));
  auto session = OpenSession(dir.Path("in.rom"));
  ASSERT_TRUE(session);
  editor::Editor& editor = session->editor();
  const uint32_t hidden = HideQuestion(editor);
  const auto area = tracklog::FindHistoryArea(editor.workspace);
  ASSERT_TRUE(area);
  EXPECT_TRUE(area->Empty());
  const EditorState before = CaptureState(editor);
  const int tree_items = editor.controls.dmi_tree->GetCount();
  uint32_t seed = 1;  // letters that do not repeat in any pattern the compressor could use
  for (int slot = 0; slot < 6; ++slot) {
    std::string noise;
    for (int i = 0; i < 60; ++i)
      noise += char('A' + ((seed = seed * 1103515245u + 12345u) >> 16) % 26);
    EditDmiString(*session, 1, slot, noise);
  }
  session->prompter.QueueFilePath(dir.Path("out.rom"));
  const editor::SaveOutcome outcome = editor::SaveRomImageAs(editor);
  EXPECT_TRUE(outcome.saved && outcome.history_skipped && outcome.dmi_restored);
  const std::vector<std::string> messages = session->Messages();
  EXPECT_THAT(messages, Contains("Error: Unable to log history. space left is too small!!!"));
  EXPECT_THAT(messages,
              Contains("No space to insert new DMI Module.Hence old DMI module is restored."));
  EXPECT_EQ(messages.back(), kSaved);
  // The restore's wait text follows the title of the running Save As.
  EXPECT_THAT(session->prompter.Titles(),
              Contains("KALVIRE - [ Please Wait While Saving File...] - [ Please Wait While "
                       "Loading File...]"));
  EXPECT_EQ(CaptureState(editor).dmi_strings, before.dmi_strings);
  EXPECT_EQ(editor.controls.dmi_tree->GetCount(), tree_items);
  EXPECT_TRUE(editor.dmi.rebuild_buffer.empty());
  const auto reopened = OpenSession(dir.Path("out.rom"));
  ASSERT_TRUE(reopened);
  const EditorState after = CaptureState(reopened->editor());
  EXPECT_EQ(after.dmi_strings, before.dmi_strings);
  EXPECT_EQ(after.controls.at(hidden).visible, 0);
}

enum Modules { kAmiTse = 1, kSetup = 2, kDmi = 4, kAll = 7 };

struct Case {
  ModuleStorage storage;
  bool nested;
  int modules;
  tools::SetupLayout layout = tools::SetupLayout::kPe32;
};

// All three modules in every storage form and with the strings in a section of their own; each
// alone, which must leave the others as they are, in the plain and a compressed form.
std::vector<Case> AllCases() {
  std::vector<Case> cases;
  for (const bool nested : {false, true}) {
    for (const int s : {0, 1, 2, 3, 4}) cases.push_back({ModuleStorage(s), nested, kAll});
    cases.push_back({ModuleStorage::kTiano, nested, kAll, tools::SetupLayout::kSection});
    for (const ModuleStorage storage : {ModuleStorage::kPlain, ModuleStorage::kTiano}) {
      for (const int modules : {kAmiTse, kSetup, kDmi}) cases.push_back({storage, nested, modules});
    }
  }
  return cases;
}

// The bytes of every file record, by name (every name is used once in these images).
std::vector<std::pair<Guid, Bytes>> FileBytes(const RomWorkspace& ws) {
  std::vector<std::pair<Guid, Bytes>> files;
  for (const FileRecord& r : std::span(ws.m_files).first(ws.m_file_count)) {
    const auto bytes = ws.Buffer(r.file.buffer).subspan(r.file.offset, r.size);
    files.emplace_back(r.name, Bytes(bytes.begin(), bytes.end()));
  }
  return files;
}

class SaveRoundTrip : public testing::TestWithParam<Case> {};

TEST_P(SaveRoundTrip, TheReopenedImageShowsTheEditsAndNothingElse) {
  const Case c = GetParam();
  TempDir dir;
  const std::string input = dir.Path("in.rom"), output = dir.Path("out.rom");
  const Bytes original = tools::BuildModulesImage({c.storage, c.nested, c.layout});
  WriteFileOrFail(input, original);
  auto session = OpenSession(input);
  ASSERT_TRUE(session);
  editor::Editor& editor = session->editor();
  const RomWorkspace& ours = editor.workspace;
  const auto bytes_before = FileBytes(ours);
  // Each edit sets its module's flag; the saved image differs from the original only in the
  // rebuilt files (and the nested volume's file holding them).
  std::vector<Guid> rebuilt;
  if (c.modules & kAmiTse) {
    HideQuestion(editor);
    EXPECT_TRUE(ours.m_setup_form_modified);
    rebuilt.push_back(kAmiTseFirstGuid);
  }
  if (c.modules & kSetup) {
    EditSetupModule(editor, c.storage == ModuleStorage::kStored);
    EXPECT_TRUE(ours.m_setup_string_modified) << testing::PrintToString(session->Messages());
    rebuilt.push_back(kSetupModuleGuid);
  }
  if (c.modules & kDmi) {
    EditDmiString(*session, 1, 0, "Edited Systems Ltd.");
    EXPECT_TRUE(ours.m_dmi_modified);
    rebuilt.push_back(kDmiModuleGuid);
  }
  const EditorState edited = CaptureState(editor);
  const size_t messages_before_save = session->Messages().size();
  SaveAs(*session, output);
  const std::vector<std::string> messages = session->Messages();
  ASSERT_EQ(messages.size(), messages_before_save + 1) << testing::PrintToString(messages);
  EXPECT_EQ(messages.back(), kSaved);
  EXPECT_EQ(ReadFileOrFail(input), original);
  EXPECT_NE(ReadFileOrFail(output), original);

  auto reopened = OpenSession(output);
  ASSERT_TRUE(reopened);
  const EditorState after = CaptureState(reopened->editor());
  EXPECT_EQ(after.node_texts, edited.node_texts);
  EXPECT_EQ(after.Controls(), edited.Controls());
  EXPECT_EQ(after.setup_strings, edited.setup_strings);
  EXPECT_EQ(after.dmi_strings, edited.dmi_strings);
  const RomWorkspace& ws = reopened->ws();
  const auto bytes_after = FileBytes(ws);
  ASSERT_EQ(bytes_after.size(), bytes_before.size());
  for (size_t i = 0; i < bytes_after.size(); ++i) {
    SCOPED_TRACE(FormatGuid(bytes_before[i].first));
    EXPECT_EQ(bytes_after[i].first, bytes_before[i].first);
    const bool may_change =
        (c.nested && i == ws.m_nested.file_index) ||
        std::ranges::any_of(rebuilt, [&](const auto& r) { return r == bytes_after[i].first; });
    if (!may_change) {
      EXPECT_EQ(bytes_after[i].second, bytes_before[i].second);
    }
  }
  for (const auto& problem : VerifyImage(ReadFileOrFail(output)).problems)
    ADD_FAILURE() << FormatVerifyProblem(problem);
  // The saved Setup and AmiTse modules are the edited ones, byte for byte.
  EXPECT_TRUE(std::ranges::equal(ws.m_amitse_module.Data(), ours.m_amitse_module.Data()));
  EXPECT_TRUE(std::ranges::equal(ws.m_setup_module.Data(), ours.m_setup_module.Data()));

  if (!kalvire::test::HaveUefiExtract()) {
    GTEST_SKIP() << "UEFIExtract (Debian uefitool-cli) is not installed: the saved image is not "
                    "checked by an independent parser";
  }
  const std::string shown = dir.Path("messages.txt");
  ASSERT_EQ(std::system(("UEFIExtract '" + output + "' report >'" + shown + "' 2>&1").c_str()), 0);
  std::istringstream report(kalvire::test::ReadTextFile(output + ".report.txt") +
                            kalvire::test::ReadTextFile(shown));
  const std::regex fault("rror|nvalid|orrupt|ismatch|failed|unaligned|greater than|not found");
  for (std::string line; std::getline(report, line);) {
    // Volumes without a volume top file are mentioned for the image as a whole.
    if (line.find("Volume Top File") == std::string::npos) {
      EXPECT_FALSE(std::regex_search(line, fault)) << line;
    }
  }
}

std::string CaseName(const testing::TestParamInfo<Case>& info) {
  static const char* const kStorage[] = {"Plain", "Stored", "Efi", "Tiano", "Lzma"};
  static const char* const kModules[] = {"", "AmiTse", "Setup", "", "Dmi", "", "", "All"};
  const Case& c = info.param;
  return std::string(kModules[c.modules]) + kStorage[int(c.storage)] + (c.nested ? "Nested" : "") +
         (c.layout == tools::SetupLayout::kSection ? "StringSection" : "");
}

INSTANTIATE_TEST_SUITE_P(EveryModuleAndStorage, SaveRoundTrip, testing::ValuesIn(AllCases()),
                         CaseName);

}  // namespace
}  // namespace kalvire::rom::test
