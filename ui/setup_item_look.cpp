#include "ui/setup_item_look.h"

#include "setup/ifr_layout.h"
#include "setup/node_lookup.h"

namespace kalvire::ui {

QString EmptyPromptPlaceholder(uint8_t opcode) {
  struct Name {
    uint8_t opcode;
    const char* text;
  };
  static constexpr Name kNames[] = {{setup::kOpForm, "(empty form)"},
                                    {setup::kOpSubtitle, "(empty subtitle)"},
                                    {setup::kOpText, "(empty text)"},
                                    {setup::kOpOneOf, "(empty one-of)"},
                                    {setup::kOpCheckbox, "(empty checkbox)"},
                                    {setup::kOpNumeric, "(empty numeric)"},
                                    {setup::kOpPassword, "(empty password)"},
                                    {setup::kOpAction, "(empty action)"},
                                    {setup::kOpRef, "(empty reference)"},
                                    {setup::kOpDate, "(empty date)"},
                                    {setup::kOpTime, "(empty time)"},
                                    {setup::kOpString, "(empty string)"},
                                    {setup::kOpOrderedList, "(empty ordered list)"}};
  for (const Name& name : kNames) {
    if (name.opcode == opcode) return QLatin1String(name.text);
  }
  return QStringLiteral("(empty item)");
}

bool NodeHidden(const editor::Editor& editor, uint32_t node) {
  const setup::SetupModel& model = editor.setup;
  if (node >= model.node_count || !editor.controls.setup_tree) return false;
  const uint32_t data = editor.controls.setup_tree->GetItemData(model.nodes[node].item);
  if (setup::ItemOpcode(data) == setup::kOpForm) return false;
  const setup::NodeState& state = model.node_states[node];
  return (state.baseline_visibility ^ state.visibility_changed) == 0;
}

CTreeCtrlX::ItemLook SetupItemLook(const editor::Editor& editor, platform::TreeItem item) {
  const auto node = setup::NodeOfItem(editor.setup, item);
  if (!node) return {};
  const uint32_t data = editor.controls.setup_tree->GetItemData(item);
  return {NodeHidden(editor, *node), EmptyPromptPlaceholder(setup::ItemOpcode(data))};
}

}  // namespace kalvire::ui
