// The real vendor images: Open, one save of every edit kind (pinned bytes) and its track log.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <sstream>

#include "dmi/dmi_edit.h"
#include "rom/ffs_file.h"
#include "rom/verify.h"
#include "rom_test_support.h"
#include "setup/ifr_layout.h"
#include "setup/node_edit.h"
#include "setup/option_delete.h"
#include "setup/string_edit.h"
#include "tracklog/import_settings.h"
#include "tracklog/track_log.h"
#include "tracklog/track_log_file.h"

namespace kalvire::rom::test {
namespace {

using ::testing::IsEmpty;

struct VendorCase {
  const char* file;
  uint32_t volumes, files, nodes, strings, dmi_structures;
  Guid amitse_name;
  uint8_t package_flag;
  uint64_t saved_hash;  // of the image saved with the edits below
};

// clang-format off
const VendorCase kCases[] = {
    {"h61-bios-region.bin", 5, 186, 1916, 1981, 61, kAmiTseSecondGuid, 1, 0x8CD63288D25C4C5Fu},
    {"p7xxdm-full-flash.rom", 6, 378, 4976, 6880, 23, kAmiTseFirstGuid, 0, 0xF918B7007270F09Au},
};
// clang-format on

uint64_t Fnv1a(const Bytes& bytes) {
  uint64_t hash = 0xCBF29CE484222325;
  for (const uint8_t byte : bytes) hash = (hash ^ byte) * 0x100000001B3;
  return hash;
}

// UEFIExtract's File rows ("subtype name", pad and history files left out) and its messages
// with offsets and sizes masked.
std::pair<std::vector<std::string>, std::multiset<std::string>> Report(const std::string& path) {
  std::pair<std::vector<std::string>, std::multiset<std::string>> report;
  const std::string messages = path + ".messages.txt";
  EXPECT_EQ(std::system(("UEFIExtract '" + path + "' report >'" + messages + "' 2>&1").c_str()), 0);
  std::istringstream rows(kalvire::test::ReadTextFile(path + ".report.txt"));
  const std::regex file_row(R"(^\s*File\s*\|\s*([^|]*?)\s*\|[^|]*\|[^|]*\|[^|]*\|\s*(.*?)\s*$)");
  std::smatch m;
  for (std::string row; std::getline(rows, row);) {
    if (std::regex_match(row, m, file_row) && m[1] != "Pad" &&
        m[2].str().find(FormatGuid(rom::kHistoryFileGuid)) == std::string::npos) {
      report.first.push_back(m[1].str() + " " + m[2].str());
    }
  }
  std::istringstream lines(kalvire::test::ReadTextFile(messages));
  for (std::string line; std::getline(lines, line);) {
    report.second.insert(std::regex_replace(line, std::regex("[0-9A-Fa-f]+h\\b"), "#h"));
  }
  return report;
}

class VendorImage : public testing::TestWithParam<VendorCase> {
 protected:
  void SetUp() override {
    const auto shared = kalvire::test::SharedImagesDir();
    if (!shared) GTEST_SKIP() << "the shared images folder ($KALVIRE_SHARED_DIR/images) is absent";
    m_original = kalvire::test::ReadFileOrFail(*shared / GetParam().file);
    m_path = Copy(GetParam().file);
  }
  std::string Copy(const std::string& name) {
    WriteFileOrFail(m_dir.Path(name), m_original);
    return m_dir.Path(name);
  }
  TempDir m_dir;
  Bytes m_original;
  std::string m_path;
};

// Every kind of edit: a longer and a shorter question text, hide, access level, optimal
// defaults of a ONE_OF and a CHECKBOX, an option deleted and longer DMI strings.
void EditEverything(Session& session) {
  editor::Editor& editor = session.editor();
  const uint32_t q1 = Question(editor, setup::kOpOneOf), q2 = Question(editor, setup::kOpOneOf, q1);
  const uint32_t q3 = Question(editor, setup::kOpOneOf, q2);
  platform::TreeControl& tree = *editor.controls.setup_tree;
  setup::EditSetupString(editor, q1, tree.GetItemText(editor.setup.node_items[q1]) + " - longer");
  setup::EditSetupString(editor, q2, tree.GetItemText(editor.setup.node_items[q2]).substr(0, 3));
  setup::ChangeNodeSetting(editor, setup::kChangeVisibility, 0, 0, q1);
  setup::ChangeNodeSetting(editor, setup::kChangeAccessLevel, 3, 0, q2);
  setup::ApplyOptimalSelection(editor, q3, 1);
  setup::ApplyOptimalSelection(editor, Question(editor, setup::kOpCheckbox), 1);
  tree.SelectItem(editor.setup.node_items[q3]);
  const platform::ComboControl& combo = *editor.controls.delete_option_combo;
  ASSERT_GE(combo.GetCount(), 2);
  setup::DeleteOption(editor, q3, combo.GetText(combo.GetCount() - 1));
  platform::TreeControl& dmi = *editor.controls.dmi_tree;
  dmi.SelectItem(dmi.GetChildItem(dmi.GetChildItem(platform::kRootItem)));
  ASSERT_TRUE(session.prompter.QueueDmiEdits(
      platform::DmiEdits{{0, "Vendor text far longer than the original"}}));
  dmi::EditDmiString(editor);
  EXPECT_THAT(session.Messages(), IsEmpty());
}

TEST_P(VendorImage, OpensWithItsModulesAndEveryEditKindSavesPinnedSoundBytes) {
  auto session = OpenSession(m_path);
  ASSERT_TRUE(session);
  const VendorCase& c = GetParam();
  EXPECT_THAT(session->Messages(), IsEmpty());
  const editor::Editor& editor = session->editor();
  const RomWorkspace& ws = editor.workspace;
  EXPECT_EQ(
      std::tuple(ws.m_volume_count, ws.m_file_count, editor.setup.node_count, ws.m_string_count,
                 editor.dmi.structure_count, ws.m_amitse_name,
                 ws.m_setup_packages.package_list_guid_flag, ws.m_setup_module.compression_version),
      std::tuple(c.volumes, c.files, c.nodes, c.strings, c.dmi_structures, c.amitse_name,
                 c.package_flag, 0u));
  EXPECT_STREQ(ws.m_strings[3].text.data(), "Enabled");
  EXPECT_STREQ(ws.m_strings[4].text.data(), "Disabled");
  ASSERT_TRUE(ws.m_setup_packages.forms_package.has_value());
  EXPECT_EQ(ws.m_setup_module.Data()[*ws.m_setup_packages.forms_package + 3], 0x02);
  EXPECT_TRUE(ws.m_amitse_module.Present() && ws.m_dmi_module.Present());
  EXPECT_EQ(session->prompter.WindowTitle(), std::string("KALVIRE - [") + c.file + "]");
  EXPECT_THAT(VerifyImage(m_original).problems, IsEmpty());
  EditEverything(*session);
  ASSERT_FALSE(HasFailure());
  const EditorState edited = CaptureState(session->editor());
  const std::string saved_path = m_dir.Path("saved.rom");
  SaveAs(*session, saved_path);
  ASSERT_EQ(session->Messages().back(), "Successfully saved the .ROM file");
  EXPECT_EQ(ReadFileOrFail(m_path), m_original) << "the opened copy changed";
  const Bytes saved = ReadFileOrFail(saved_path);
  ASSERT_EQ(saved.size(), m_original.size());
  EXPECT_EQ(Fnv1a(saved), GetParam().saved_hash) << std::hex << Fnv1a(saved);

  // Reopened: exactly the edited state and the very module data the editor saved.
  auto reopened = OpenSession(saved_path);
  ASSERT_TRUE(reopened);
  EXPECT_THAT(reopened->Messages(), IsEmpty());
  const EditorState state = CaptureState(reopened->editor());
  EXPECT_EQ(state.node_texts, edited.node_texts);
  EXPECT_EQ(state.setup_strings, edited.setup_strings);
  EXPECT_EQ(state.dmi_strings, edited.dmi_strings);
  EXPECT_EQ(state.Controls(), edited.Controls());
  for (auto module : {&RomWorkspace::m_setup_module, &RomWorkspace::m_amitse_module,
                      &RomWorkspace::m_dmi_module}) {
    const auto ours = (session->editor().workspace.*module).Data();
    const auto theirs = (reopened->editor().workspace.*module).Data();
    EXPECT_TRUE(std::equal(ours.begin(), ours.end(), theirs.begin(), theirs.end()));
  }
  const VerifyResult saved_check = VerifyImage(saved);
  EXPECT_THAT(saved_check.problems, IsEmpty());
  EXPECT_EQ(CompareFileNames(VerifyImage(m_original).files, saved_check.files), std::nullopt);

  if (kalvire::test::HaveUefiExtract()) {
    const auto before = Report(m_path), after = Report(saved_path);
    EXPECT_EQ(after.first, before.first);
    EXPECT_EQ(after.second, before.second) << "UEFIExtract's findings changed";
  }

  tracklog::BuildTrackLog(session->editor());
  const std::string log = m_dir.Path("saved.log");
  ASSERT_TRUE(tracklog::WriteTrackLogFile(*session->editor().controls.track_log, log));
  auto importing = OpenSession(Copy("import.rom"));
  ASSERT_TRUE(importing);
  ASSERT_EQ(tracklog::ImportSettingsFile(importing->editor(), log), 1);
  EXPECT_THAT(importing->Messages(), IsEmpty());
  SaveAs(*importing, m_dir.Path("imported.rom"));
  ASSERT_EQ(importing->Messages().back(), "Successfully saved the .ROM file");
  EXPECT_TRUE(ReadFileOrFail(m_dir.Path("imported.rom")) == saved)
      << "the track log saves otherwise";
}

INSTANTIATE_TEST_SUITE_P(SharedImages, VendorImage, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<VendorCase>& info) {
                           return info.param.file[0] == 'h' ? "H61BiosRegion" : "P7xxdmFullFlash";
                         });

}  // namespace
}  // namespace kalvire::rom::test
