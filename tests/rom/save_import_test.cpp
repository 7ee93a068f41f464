// The import round trip: an image edited in every way and saved, and a pristine copy of it that
// imports the first one's full track log and is saved too, are the same bytes.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "dmi/dmi_edit.h"
#include "rom/save_image.h"
#include "save_fixture.h"
#include "setup/ifr_layout.h"
#include "setup/node_edit.h"
#include "setup/node_lookup.h"
#include "setup/option_delete.h"
#include "setup/string_edit.h"
#include "tracklog/import_settings.h"
#include "tracklog/track_log.h"
#include "tracklog/track_log_file.h"

namespace kalvire::rom::test {
namespace {

using ::testing::IsEmpty;

std::vector<uint32_t> NodesOf(Editor& editor, uint8_t opcode) {
  std::vector<uint32_t> nodes;
  for (uint32_t node = 0; node < editor.setup.node_count; ++node) {
    const platform::TreeItem item = editor.setup.node_items[node];
    if (setup::ItemOpcode(editor.controls.setup_tree->GetItemData(item)) == opcode &&
        !editor.controls.setup_tree->GetItemText(item).empty()) {
      nodes.push_back(node);
    }
  }
  return nodes;
}

setup::ControlState State(Editor& editor, uint32_t node) {
  setup::ControlState state;
  setup::ReadControlState(editor, editor.setup.node_items[node], state);
  return state;
}

// The option values of a ONE_OF node.
std::vector<uint64_t> OptionValues(Editor& editor, uint32_t node) {
  State(editor, node);  // sets the current value width
  const int32_t width = editor.setup.current_value_width;
  const auto data = editor.workspace.m_setup_module.Data();
  std::vector<uint64_t> values;
  const uint32_t item_data = editor.controls.setup_tree->GetItemData(editor.setup.node_items[node]);
  for (const uint64_t option : setup::OneOfOptionOffsets(data, setup::ItemOffset(item_data))) {
    values.push_back(setup::ReadValue(data, option + 6, width).value_or(0));
  }
  return values;
}

void EditDmiSlot(Session& session, uint32_t type, int slot, const std::string& text) {
  Editor& editor = session.editor();
  platform::TreeControl& tree = *editor.controls.dmi_tree;
  for (platform::TreeItem item = tree.GetChildItem(tree.GetChildItem(platform::kRootItem));
       item != platform::kNoItem; item = tree.GetNextSiblingItem(item)) {
    if (editor.dmi.current[tree.GetItemData(item)].type != type) continue;
    tree.SelectItem(item);
    session.prompter().QueueDmiEdits(platform::DmiEdits{{slot, text}});
    dmi::EditDmiString(editor);
    return;
  }
  ADD_FAILURE() << "no DMI structure of type " << type;
}

// Every kind of edit the track log lists, each checked to have taken effect.
void EditEverything(Session& session) {
  Editor& editor = session.editor();
  const std::vector<uint32_t> one_ofs = NodesOf(editor, setup::kOpOneOf);
  const std::vector<uint32_t> checkboxes = NodesOf(editor, setup::kOpCheckbox);
  const std::vector<uint32_t> numerics = NodesOf(editor, setup::kOpNumeric);
  ASSERT_GE(one_ofs.size(), 3u);
  ASSERT_FALSE(checkboxes.empty());
  ASSERT_FALSE(numerics.empty());

  // A ONE_OF with two options for the optimal default; two other ONE_OFs for the string edit
  // and the option deletion.
  size_t first = 0;
  while (first < one_ofs.size() && OptionValues(editor, one_ofs[first]).size() < 2) ++first;
  ASSERT_LT(first, one_ofs.size());
  std::vector<uint32_t> others;
  for (const uint32_t node : one_ofs) {
    if (node != one_ofs[first]) others.push_back(node);
  }
  const uint32_t one_of = one_ofs[first];
  const std::vector<uint64_t> values = OptionValues(editor, one_of);
  const uint64_t current = State(editor, one_of).value;
  setup::ApplyOptimalSelection(editor, one_of,
                               uint32_t(values[0] == current ? values[1] : values[0]));
  EXPECT_NE(State(editor, one_of).value, current);
  setup::ChangeNodeSetting(editor, setup::kChangeAccessLevel, 2, 0, one_of);
  EXPECT_EQ(State(editor, one_of).access_level, 2);

  // A CHECKBOX turned to its other state, and hidden.
  const uint32_t checkbox = checkboxes[0];
  const uint64_t checked = State(editor, checkbox).value;
  setup::ApplyOptimalSelection(editor, checkbox, checked == 0 ? 1 : 0);
  EXPECT_EQ(State(editor, checkbox).value, checked == 0 ? 1u : 0u);
  EXPECT_EQ(editor.setup.node_states[checkbox].optimal_changed, 1u);
  setup::ChangeNodeSetting(editor, setup::kChangeVisibility, 0, 0, checkbox);
  EXPECT_EQ(State(editor, checkbox).visible, 0);

  const uint32_t numeric = numerics[0];
  const uint64_t number = State(editor, numeric).value;
  setup::ApplyOptimalSelection(editor, numeric, uint32_t(number + 1));
  if (State(editor, numeric).value == number) {
    setup::ApplyOptimalSelection(editor, numeric, uint32_t(number - 1));
  }
  EXPECT_NE(State(editor, numeric).value, number);

  setup::EditSetupString(editor, others[0], "Imported Text");
  platform::TreeControl& tree = *editor.controls.setup_tree;
  EXPECT_EQ(tree.GetItemText(editor.setup.node_items[others[0]]), "Imported Text");
  tree.SelectItem(editor.setup.node_items[others[1]]);
  ASSERT_GT(editor.controls.delete_option_combo->GetCount(), 0);
  setup::DeleteOption(editor, others[1], editor.controls.delete_option_combo->GetText(0));

  EditDmiSlot(session, 1, 0, "Imported Maker");
  EditDmiSlot(session, 2, 1, "Imported Board");
  EXPECT_TRUE(editor.workspace.m_setup_form_modified);
  EXPECT_TRUE(editor.workspace.m_setup_string_modified);
  EXPECT_TRUE(editor.workspace.m_dmi_modified);
}

class ImportRoundTrip : public testing::TestWithParam<tools::SetupLayout> {};

TEST_P(ImportRoundTrip, AnImportedFullTrackLogSavesTheSameBytes) {
  TempDir dir;
  const Bytes pristine = SaveTestImage({tools::ModuleStorage::kTiano, true, GetParam()});
  WriteBytes(dir.Path("a.rom"), pristine);
  WriteBytes(dir.Path("b.rom"), pristine);

  auto a = OpenSession(dir.Path("a.rom"));
  ASSERT_TRUE(a);
  EditEverything(*a);
  ASSERT_THAT(a->ErrorMessages(), IsEmpty());
  SaveAs(*a, dir.Path("a_saved.rom"));
  ASSERT_EQ(a->Messages().back(), "Successfully saved the .ROM file");
  {
    SCOPED_TRACE("what A shows after its edits is what its saved image shows");
    auto reopened = OpenSession(dir.Path("a_saved.rom"));
    ASSERT_TRUE(reopened);
    const EditorState shown = CaptureState(a->editor());
    const EditorState saved = CaptureState(reopened->editor());
    EXPECT_EQ(shown.node_texts, saved.node_texts);
    EXPECT_EQ(shown.setup_strings, saved.setup_strings);
    ASSERT_EQ(shown.controls.size(), saved.controls.size());
    for (size_t node = 0; node < shown.controls.size(); ++node) {
      SCOPED_TRACE(node);
      EXPECT_EQ(shown.controls[node].visible, saved.controls[node].visible);
      EXPECT_EQ(shown.controls[node].access_level, saved.controls[node].access_level);
      EXPECT_EQ(shown.controls[node].value, saved.controls[node].value);
    }
  }
  tracklog::BuildTrackLog(a->editor());
  ASSERT_TRUE(tracklog::WriteTrackLogFile(*a->editor().controls.track_log, dir.Path("a.log")));

  auto b = OpenSession(dir.Path("b.rom"));
  ASSERT_TRUE(b);
  ASSERT_EQ(tracklog::ImportSettingsFile(b->editor(), dir.Path("a.log")), 1);
  EXPECT_THAT(b->Messages(), IsEmpty());
  SaveAs(*b, dir.Path("b_saved.rom"));
  ASSERT_EQ(b->Messages().back(), "Successfully saved the .ROM file");

  const Bytes a_saved = ReadBytes(dir.Path("a_saved.rom"));
  EXPECT_NE(a_saved, pristine);
  EXPECT_TRUE(a_saved == ReadBytes(dir.Path("b_saved.rom")));
}

INSTANTIATE_TEST_SUITE_P(BothStringLayouts, ImportRoundTrip,
                         testing::Values(tools::SetupLayout::kPe32, tools::SetupLayout::kSection),
                         [](const testing::TestParamInfo<tools::SetupLayout>& info) {
                           return info.param == tools::SetupLayout::kPe32 ? "Pe32" : "Section";
                         });

}  // namespace
}  // namespace kalvire::rom::test
