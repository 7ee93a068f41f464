#include "setup_view.h"

#include "setup/baseline.h"
#include "setup/commands.h"
#include "setup/messages.h"
#include "setup/parse_forms.h"

namespace kalvire::setup::test {

SetupView::SetupView() {
  rom::ViewControls& c = editor.controls;
  c.setup_tree = &tree;
  c.track_log = &track_log;
  c.hide_radio = &hide;
  c.show_radio = &show;
  c.access_level_combo = &access_combo;
  c.delete_option_combo = &delete_combo;
  c.optimal_option_combo = &optimal_combo;
  c.delete_button = &delete_button;
  c.prompter = &prompter;
  for (const char* name : kAccessLevelNames) access_combo.AddString(name);
}

std::unique_ptr<SetupView> MakeView() {
  return std::make_unique<SetupView>();
}

int32_t LoadMenu(SetupView& view, const MenuBuilder& menu, int* baseline) {
  InstallMenu(view.editor, menu);
  const int32_t parsed =
      ParseSetupForms(view.editor, view.editor.workspace.m_setup_module.Data(), view.tree);
  const int captured = CaptureBaseline(view.editor);
  if (baseline) *baseline = captured;
  ConnectSetupTree(view.editor);
  return parsed;
}

namespace {
void Outline(const platform::TreeControl& tree, platform::TreeItem parent, int depth,
             std::string& out) {
  for (platform::TreeItem item = tree.GetChildItem(parent); item != platform::kNoItem;
       item = tree.GetNextSiblingItem(item)) {
    out += std::string(2 * depth, ' ') + tree.GetItemText(item) + "\n";
    Outline(tree, item, depth + 1, out);
  }
}
}  // namespace

std::string TreeOutline(const platform::TreeControl& tree) {
  std::string out;
  Outline(tree, platform::kRootItem, 0, out);
  return out;
}

std::vector<std::string> LogLines(const platform::ListControl& list) {
  std::vector<std::string> lines;
  for (int i = 0; i < list.GetCount(); ++i) lines.push_back(list.GetText(i));
  return lines;
}

void SelectNode(SetupView& view, uint32_t node) {
  view.tree.SelectItem(view.editor.setup.node_items[node]);
}

}  // namespace kalvire::setup::test
