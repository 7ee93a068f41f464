// String edits and option deletions on arbitrary Setup module data, PE32 or section layout (the
// GUID the data carries decides). The input's first byte chooses how many edits run and how
// long the new texts are; its last bytes give the texts. The module data, its size and the
// package offsets stay consistent with each other after every edit, and nothing reads or writes
// outside the module.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "editor/editor.h"
#include "platform/headless_controls.h"
#include "platform/headless_tree.h"
#include "platform/scripted_prompter.h"
#include "rom/setup_packages.h"
#include "setup/commands.h"
#include "setup/node_display.h"
#include "setup/node_lookup.h"
#include "setup/option_delete.h"
#include "setup/parse_forms.h"
#include "setup/string_edit.h"

namespace {

struct FuzzView {
  kalvire::platform::HeadlessTree tree;
  kalvire::platform::HeadlessList log;
  kalvire::platform::HeadlessCombo optimal, options;
  kalvire::platform::HeadlessButton delete_button;
  kalvire::platform::ScriptedPrompter prompter;
  kalvire::editor::Editor editor;
};

void CheckConsistent(const kalvire::rom::RomWorkspace& ws) {
  const kalvire::rom::ModuleSlot& slot = ws.m_setup_module;
  if (uint64_t(slot.data_offset) + slot.data_size > slot.file.size()) std::abort();
  const kalvire::rom::SetupPackages& p = ws.m_setup_packages;
  if (p.strings_package && *p.strings_package >= slot.data_size) std::abort();
  if (p.forms_package && *p.forms_package >= slot.data_size) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kalvire;
  if (size < 2) return 0;
  static FuzzView* view = new FuzzView;  // the tables are large; built once
  const int edits = data[0] % 4 + 1;
  const size_t text_size = std::min<size_t>(data[1] % 48, size - 2);
  const std::string text(data + size - text_size, data + size);

  editor::Editor& editor = view->editor;
  rom::RomWorkspace& ws = editor.workspace;
  view->tree.DeleteAllItems();
  editor.setup.node_count = 0;
  editor.setup.var_store_count = 0;
  ws.m_diagnostics.clear();
  ws.m_setup_string_modified = false;
  editor.controls.setup_tree = &view->tree;
  editor.controls.track_log = &view->log;
  editor.controls.optimal_option_combo = &view->optimal;
  editor.controls.delete_option_combo = &view->options;
  editor.controls.delete_button = &view->delete_button;
  editor.controls.prompter = &view->prompter;
  ws.m_setup_module.file.assign(data + 2, data + size - text_size);
  ws.m_setup_module.data_offset = 0;
  ws.m_setup_module.data_size = uint32_t(ws.m_setup_module.file.size());
  ws.m_format_marker = rom::kFormatMarkerOpened;
  if (rom::LocateSetupPackages(ws) != 1) return 0;
  if (setup::ParseSetupForms(editor, ws.m_setup_module.Data(), view->tree) != 1) return 0;
  setup::ConnectSetupTree(editor);
  if (editor.setup.node_count == 0) return 0;

  for (int k = 0; k < edits; ++k) {
    const uint32_t node = uint32_t(text_size + 7 * k) % editor.setup.node_count;
    setup::EditSetupString(editor, node, text.substr(0, (text_size * (k + 1)) % (text_size + 1)));
    CheckConsistent(ws);
  }
  // Deleting an option of some node as the Delete button does, with the option lists filled
  // for it (the node display needs AmiTse data to fill them, which this input has none of).
  const uint32_t node = uint32_t(text_size) % editor.setup.node_count;
  const platform::TreeItem item = editor.setup.node_items[node];
  view->tree.SelectItem(item);
  const uint32_t item_data = view->tree.GetItemData(item);
  editor.setup.current_value_width = 1;
  setup::FillOptionLists(editor, setup::ItemOffset(item_data), setup::ItemOpcode(item_data), 0);
  view->options.SetCurSel(int(text_size % 4));
  view->delete_button.SetEnabled(true);
  setup::DeleteOption(editor, setup::kSelectedNode, "");
  CheckConsistent(ws);
  return 0;
}
