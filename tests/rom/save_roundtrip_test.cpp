// Edit, save, reopen: for each module and each way the builder stores it, the reopened image
// shows exactly the state the editor had before the save, and its files are sound.
#include <gtest/gtest.h>

#include <optional>

#include "rom/ffs_file.h"
#include "rom/save_image.h"
#include "rom/verify.h"
#include "save_fixture.h"
#include "util/le.h"

namespace kalvire::rom::test {
namespace {

using tools::ModuleStorage;

struct Case {
  ModuleStorage storage;
  bool nested;
  Module module;
  bool vendor = false;
};

std::string CaseName(const testing::TestParamInfo<Case>& info) {
  static const char* const kStorage[] = {"Plain", "Stored", "Efi", "Tiano", "Lzma", "LzmaComp"};
  return std::string(ModuleName(info.param.module)) + kStorage[int(info.param.storage)] +
         (info.param.nested ? "Nested" : "") + (info.param.vendor ? "VendorLayout" : "");
}

std::vector<Case> AllCases() {
  std::vector<Case> cases;
  for (const bool nested : {false, true}) {
    for (const ModuleStorage storage :
         {ModuleStorage::kPlain, ModuleStorage::kStored, ModuleStorage::kEfi, ModuleStorage::kTiano,
          ModuleStorage::kLzmaGuided}) {
      for (const Module module : {Module::kAmiTse, Module::kSetup, Module::kDmi}) {
        cases.push_back({storage, nested, module});
      }
    }
    for (const ModuleStorage storage : {ModuleStorage::kPlain, ModuleStorage::kTiano}) {
      for (const Module module : {Module::kAmiTse, Module::kSetup, Module::kDmi}) {
        cases.push_back({storage, nested, module, true});
      }
    }
  }
  return cases;
}

void ExpectSameControls(const EditorState& actual, const EditorState& expected) {
  ASSERT_EQ(actual.controls.size(), expected.controls.size());
  for (size_t node = 0; node < actual.controls.size(); ++node) {
    SCOPED_TRACE("node " + std::to_string(node));
    EXPECT_EQ(actual.controls[node].visible, expected.controls[node].visible);
    EXPECT_EQ(actual.controls[node].access_level, expected.controls[node].access_level);
    EXPECT_EQ(actual.controls[node].value, expected.controls[node].value);
  }
}

// Every file record lies in its volume with a valid header checksum and file checksum.
void ExpectSoundFileTable(const RomWorkspace& ws) {
  for (uint32_t i = 0; i < ws.m_file_count; ++i) {
    SCOPED_TRACE("file record " + std::to_string(i) + " " + FormatGuid(ws.m_files[i].name));
    const FileRecord& record = ws.m_files[i];
    const VolumeRecord& volume = ws.m_volumes[record.volume_index];
    ASSERT_EQ(record.file.buffer, volume.start.buffer);
    ASSERT_GE(record.file.offset, volume.first_file);
    ASSERT_LE(record.file.offset + record.size, volume.start.offset + volume.fv_length);
    EXPECT_EQ((record.file.offset - volume.start.offset) % 8, 0u);
    const auto file = ws.Buffer(record.file.buffer).subspan(record.file.offset, record.size);
    EXPECT_EQ(util::LoadLe24(file.data() + kFfsSizeOffset), record.size);
    EXPECT_EQ(file[kFfsHeaderChecksumOffset], FfsHeaderChecksum(file));
    uint8_t expected = 0xAA;
    if (file[19] & 0x40) {
      uint8_t sum = 0;
      for (size_t b = kFfsHeaderSize; b < file.size(); ++b) sum = uint8_t(sum + file[b]);
      expected = uint8_t(-sum);
    }
    EXPECT_EQ(file[kFfsFileChecksumOffset], expected);
  }
}

// The bytes of every file record, by name (every name is used once in these images).
std::vector<std::pair<Guid, Bytes>> FileBytes(const RomWorkspace& ws) {
  std::vector<std::pair<Guid, Bytes>> files;
  for (uint32_t i = 0; i < ws.m_file_count; ++i) {
    const auto bytes =
        ws.Buffer(ws.m_files[i].file.buffer).subspan(ws.m_files[i].file.offset, ws.m_files[i].size);
    files.emplace_back(ws.m_files[i].name, Bytes(bytes.begin(), bytes.end()));
  }
  return files;
}

class SaveRoundTrip : public testing::TestWithParam<Case> {};

TEST_P(SaveRoundTrip, TheReopenedImageShowsTheEditAndNothingElse) {
  const Case c = GetParam();
  TempDir dir;
  const std::string input = dir.Path("in.rom");
  const std::string output = dir.Path("out.rom");
  const Bytes original = SaveTestImage({c.storage, c.nested, tools::SetupLayout::kPe32, c.vendor});
  WriteBytes(input, original);
  auto session = OpenSession(input);
  ASSERT_TRUE(session);
  Editor& editor = session->editor();
  const EditorState before = CaptureState(editor);
  const auto bytes_before = FileBytes(editor.workspace);

  Guid rebuilt_file{};
  std::optional<std::pair<uint16_t, std::string>> edited_string;
  switch (c.module) {
    case Module::kAmiTse: {
      const uint32_t node = HideQuestion(editor);
      rebuilt_file = kAmiTseFirstGuid;
      ASSERT_TRUE(editor.workspace.m_setup_form_modified);
      EXPECT_EQ(CaptureState(editor).controls[node].visible, 0);
      break;
    }
    case Module::kSetup: {
      rebuilt_file = kSetupModuleGuid;
      // The string edit needs the PE32 image at the start of the data, which a stored
      // compression section puts behind its own header; the option deletion works in any form.
      if (c.storage == ModuleStorage::kStored) {
        DeleteFirstOption(*session);
        ASSERT_TRUE(editor.workspace.m_setup_string_modified);
        break;
      }
      const SetupEdit edit = EditQuestionText(editor);
      ASSERT_TRUE(editor.workspace.m_setup_string_modified)
          << testing::PrintToString(session->Messages());
      EXPECT_EQ(CaptureState(editor).node_texts[edit.node], edit.text);
      edited_string = {editor.setup.nodes[edit.node].string_id, edit.text};
      break;
    }
    case Module::kDmi: {
      const DmiEdit edit = EditDmiManufacturer(*session);
      rebuilt_file = kDmiModuleGuid;
      ASSERT_TRUE(editor.workspace.m_dmi_modified);
      EXPECT_EQ(editor.dmi.current[edit.structure].strings[edit.string_index], edit.text);
      break;
    }
  }
  EditorState edited = CaptureState(editor);
  // The string table follows the edit at once, as a reopen reads it.
  if (edited_string)
    EXPECT_EQ(edited.setup_strings.at(edited_string->first), edited_string->second);
  const size_t messages_before_save = session->Messages().size();
  SaveAs(*session, output);
  const std::vector<std::string> messages = session->Messages();
  ASSERT_EQ(messages.size(), messages_before_save + 1) << testing::PrintToString(messages);
  EXPECT_EQ(messages.back(), "Successfully saved the .ROM file");
  EXPECT_EQ(ReadBytes(input), original);

  auto reopened = OpenSession(output);
  ASSERT_TRUE(reopened);
  const EditorState after = CaptureState(reopened->editor());
  EXPECT_EQ(after.node_texts, edited.node_texts);
  ExpectSameControls(after, edited);
  EXPECT_EQ(after.setup_strings, edited.setup_strings);
  EXPECT_EQ(after.dmi_strings, edited.dmi_strings);
  // The same files in the same order; only the rebuilt one and the volume image file holding
  // it may change size.
  ASSERT_EQ(after.files.size(), before.files.size());
  const RomWorkspace& ws = reopened->editor().workspace;
  for (size_t i = 0; i < after.files.size(); ++i) {
    SCOPED_TRACE(FormatGuid(after.files[i].first));
    EXPECT_EQ(after.files[i].first, before.files[i].first);
    const bool may_change =
        after.files[i].first == rebuilt_file || (c.nested && i == ws.m_nested.file_index);
    if (!may_change) {
      EXPECT_EQ(after.files[i].second, before.files[i].second);
    }
  }
  ExpectSoundFileTable(ws);
  // Every file but the rebuilt ones kept its bytes, and every file its alignment.
  const auto bytes_after = FileBytes(ws);
  ASSERT_EQ(bytes_after.size(), bytes_before.size());
  for (size_t i = 0; i < bytes_after.size(); ++i) {
    const bool rebuilt =
        bytes_after[i].first == rebuilt_file || (c.nested && i == ws.m_nested.file_index);
    if (!rebuilt) {
      EXPECT_EQ(bytes_after[i].second, bytes_before[i].second) << FormatGuid(bytes_after[i].first);
    }
  }
  for (const auto& problem : VerifyImage(ReadBytes(output)).problems) {
    ADD_FAILURE() << FormatVerifyProblem(problem);
  }
  // The saved module is the edited one, byte for byte.
  const ModuleSlot& saved = c.module == Module::kAmiTse  ? ws.m_amitse_module
                            : c.module == Module::kSetup ? ws.m_setup_module
                                                         : ws.m_dmi_module;
  const ModuleSlot& ours = c.module == Module::kAmiTse  ? editor.workspace.m_amitse_module
                           : c.module == Module::kSetup ? editor.workspace.m_setup_module
                                                        : editor.workspace.m_dmi_module;
  if (c.module != Module::kDmi) {
    const auto a = saved.Data(), b = ours.Data();
    EXPECT_TRUE(std::equal(a.begin(), a.end(), b.begin(), b.end()));
  }
}

INSTANTIATE_TEST_SUITE_P(EveryModuleAndStorage, SaveRoundTrip, testing::ValuesIn(AllCases()),
                         CaseName);

}  // namespace
}  // namespace kalvire::rom::test
