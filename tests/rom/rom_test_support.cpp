#include "rom_test_support.h"

#include <gtest/gtest.h>

#include "dmi/dmi_edit.h"
#include "editor/open_image.h"
#include "editor/save_image.h"
#include "rom/section.h"
#include "setup/ifr_layout.h"
#include "setup/node_control.h"
#include "setup/node_edit.h"
#include "setup/node_lookup.h"
#include "setup/option_delete.h"
#include "setup/string_edit.h"

namespace kalvire::rom::test {

Session::Session() {
  ed->controls.prompter = &prompter;
  ed->controls.host = &host;
}

std::unique_ptr<Session> OpenSession(const std::string& path) {
  auto session = std::make_unique<Session>();
  if (editor::OpenRomImagePath(session->editor(), path) == 1) return session;
  ADD_FAILURE() << "the image does not open: " << testing::PrintToString(session->Messages());
  return nullptr;
}

void SaveAs(Session& session, const std::string& path) {
  session.prompter.QueueFilePath(path);
  if (std::filesystem::exists(path)) session.prompter.QueueAnswer(true);
  editor::SaveRomImageAs(session.editor());
}

std::vector<std::tuple<int, int, uint64_t>> EditorState::Controls() const {
  std::vector<std::tuple<int, int, uint64_t>> tuples;
  for (const auto& c : controls) tuples.emplace_back(c.visible, c.access_level, c.value);
  return tuples;
}

EditorState CaptureState(editor::Editor& editor) {
  EditorState state;
  for (uint32_t node = 0; node < editor.setup.node_count; ++node) {
    const platform::TreeItem item = editor.setup.node_items[node];
    state.node_texts.push_back(editor.controls.setup_tree->GetItemText(item));
    setup::ReadControlState(editor, item, state.controls.emplace_back());
  }
  const RomWorkspace& ws = editor.workspace;
  for (uint32_t i = 0; i < ws.m_string_count; ++i) {
    state.setup_strings.emplace_back(ws.m_strings[i].text.data(), ws.m_strings[i].length);
  }
  for (uint32_t i = 0; i <= editor.dmi.structure_count; ++i) {
    state.dmi_strings.push_back(editor.dmi.current[i].strings);
  }
  return state;
}

uint32_t Question(editor::Editor& editor, uint8_t opcode, uint32_t after) {
  const platform::TreeControl& tree = *editor.controls.setup_tree;
  for (uint32_t node = after + 1; node < editor.setup.node_count; ++node) {
    const platform::TreeItem item = editor.setup.node_items[node];
    setup::NodeControl control;
    if (setup::ItemOpcode(tree.GetItemData(item)) == opcode && tree.GetItemText(item).size() > 3 &&
        setup::FindNodeControl(editor, item, control) == 1) {
      return node;
    }
  }
  ADD_FAILURE() << "no question of opcode " << int(opcode);
  return 0;
}

uint32_t HideQuestion(editor::Editor& editor) {
  const uint32_t node = Question(editor, setup::kOpOneOf);
  setup::ChangeNodeSetting(editor, setup::kChangeVisibility, 0, 0, node);
  return node;
}

void EditSetupModule(editor::Editor& editor, bool delete_option) {
  const uint32_t node = Question(editor, setup::kOpOneOf);
  platform::TreeControl& tree = *editor.controls.setup_tree;
  tree.SelectItem(editor.setup.node_items[node]);
  if (delete_option) {
    setup::DeleteOption(editor, node, editor.controls.delete_option_combo->GetText(0));
  } else {
    setup::EditSetupString(editor, node,
                           tree.GetItemText(editor.setup.node_items[node]) + " (edited)");
  }
}

uint32_t EditDmiString(Session& session, uint8_t type, int slot, const std::string& text) {
  editor::Editor& editor = session.editor();
  platform::TreeControl& tree = *editor.controls.dmi_tree;
  for (platform::TreeItem item = tree.GetChildItem(tree.GetChildItem(platform::kRootItem));
       item != platform::kNoItem; item = tree.GetNextSiblingItem(item)) {
    if (editor.dmi.current[tree.GetItemData(item)].type != type) continue;
    tree.SelectItem(item);
    session.prompter.QueueDmiEdits(platform::DmiEdits{{slot, text}});
    dmi::EditDmiString(editor);
    return tree.GetItemData(item);
  }
  ADD_FAILURE() << "no DMI structure of type " << int(type);
  return 0;
}

}  // namespace kalvire::rom::test
