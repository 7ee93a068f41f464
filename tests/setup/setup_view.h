// The setup tests' editor: the headless editor the command-line tool runs, and one menu of every
// kind of item, built by the image builder and opened as an image.
#pragma once

#include <gmock/gmock.h>

#include <algorithm>

#include "editor/headless_view.h"
#include "editor/open_image.h"
#include "rom/known_guids.h"
#include "rom/setup_packages.h"
#include "setup/node_lookup.h"
#include "setup/parse_forms.h"
#include "support/shown_texts.h"
#include "tools/edit_forms.h"
#include "tools/menu_image.h"
#include "util/le.h"

namespace kalvire::setup::test {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using tools::IfrItemKind;
using tools::ModuleStorage;
using tools::SetupLayout;
using Bytes = std::vector<uint8_t>;
using Texts = std::vector<std::string>;
using enum tools::EditFormsItem;
constexpr uint32_t NodeOf(uint32_t k) {
  return tools::EditFormsNode(k);
}

struct SetupView {
  SetupView() {  // the controls as an Open creates them, for a module put in by hand
    h.host.CreateControls(editor.controls);
    h.host.AdoptControls();
  }
  platform::TreeControl& tree() const { return *editor.controls.setup_tree; }
  platform::ButtonControl& hide() const { return *editor.controls.hide_radio; }
  platform::ButtonControl& show() const { return *editor.controls.show_radio; }
  platform::ButtonControl& delete_button() const { return *editor.controls.delete_button; }
  platform::ComboControl& access() const { return *editor.controls.access_level_combo; }
  platform::ComboControl& deletes() const { return *editor.controls.delete_option_combo; }
  platform::ComboControl& optimal() const { return *editor.controls.optimal_option_combo; }

  platform::TreeItem Item(uint32_t node) const { return editor.setup.node_items[node]; }
  std::string Text(uint32_t node) const { return tree().GetItemText(Item(node)); }
  platform::ItemColor Color(uint32_t node) const { return tree().GetItemColor(Item(node)); }
  uint64_t Offset(uint32_t node) const { return ItemOffset(tree().GetItemData(Item(node))); }
  void Select(uint32_t node) { tree().SelectItem(Item(node)); }
  template <typename Control>
  static Texts Entries(const Control& control) {
    return kalvire::test::EntryTexts(control);
  }
  Texts Log() const { return Entries(*editor.controls.track_log); }
  Texts Messages() const { return kalvire::test::MessageTexts(h.prompter); }
  // The tree as indented lines of item texts, two blanks per level, "BIOS" included.
  std::string Outline(platform::TreeItem parent = platform::kRootItem, int depth = 0) const {
    std::string out;
    for (platform::TreeItem item = tree().GetChildItem(parent); item != platform::kNoItem;
         item = tree().GetNextSiblingItem(item)) {
      out +=
          std::string(2 * depth, ' ') + tree().GetItemText(item) + "\n" + Outline(item, depth + 1);
    }
    return out;
  }
  std::span<uint8_t> SetupData() { return editor.workspace.m_setup_module.Data(); }
  int32_t Parse() { return ParseSetupForms(editor, SetupData(), tree()); }
  // Every node's item data and text, cut as Open cuts texts (an edited item shows all it got).
  std::vector<std::pair<uint32_t, std::string>> Items() const {
    std::vector<std::pair<uint32_t, std::string>> items;
    for (uint32_t n = 0; n < editor.setup.node_count; ++n)
      items.emplace_back(tree().GetItemData(Item(n)), Text(n).substr(0, 199));
    return items;
  }
  // The "$SPF" header in the AmiTse data and the control record of item `k` in parse order,
  // found without the editor's lookup.
  size_t Spf() {
    const std::span<uint8_t> d = editor.workspace.m_amitse_module.Data();
    for (size_t s = 0; s + 64 <= d.size(); ++s)
      if (!memcmp(&d[s], "$SPF", 4) && !memcmp(&d[s + 20], rom::kAmiTsePkgGuid.data(), 16))
        return s;
    ADD_FAILURE() << "no $SPF header";
    return 0;
  }
  uint8_t* Control(size_t k) {
    uint8_t* s = editor.workspace.m_amitse_module.Data().data() + Spf();
    return s + util::LoadLe32(s + 48) + 80 * k;
  }
  uint32_t Flags(size_t k) { return util::LoadLe32(Control(k) + 28); }
  // Byte `offset` of the data of variable `name` in "StdDefaults".
  uint8_t VariableByte(const std::string& name, size_t offset) const {
    const Bytes& image = editor.workspace.m_working_image;
    const std::string defaults("StdDefaults\0", 12), entry = name + '\0';
    auto at = std::search(image.begin(), image.end(), defaults.begin(), defaults.end());
    at = std::search(at, image.end(), entry.begin(), entry.end());
    if (image.end() - at > ptrdiff_t(entry.size() + offset)) return at[entry.size() + offset];
    ADD_FAILURE() << "no StdDefaults variable " << name;
    return 0xEE;
  }

  editor::HeadlessEditor h;
  editor::Editor& editor = *h.editor;
  platform::ScriptedPrompter& prompter = h.prompter;
};

inline std::unique_ptr<SetupView> OpenForms(const tools::HiiPackageList& forms,
                                            SetupLayout layout = SetupLayout::kPe32,
                                            ModuleStorage storage = ModuleStorage::kPlain) {
  tools::MenuImageOptions options{layout, storage, {}};
  options.setup_image.trailing_sections = {{".xdata", Bytes(40, 0x5C)},
                                           {".vendor", Bytes(70, 0x6D)}};
  auto view = std::make_unique<SetupView>();
  EXPECT_EQ(editor::OpenRomImageBytes(view->editor, BuildMenuImage(forms, options), "menu.rom"), 1);
  return view;
}
inline std::unique_ptr<SetupView> OpenTestMenu(SetupLayout layout = SetupLayout::kPe32,
                                               ModuleStorage storage = ModuleStorage::kPlain) {
  return OpenForms(tools::BuildEditForms(layout), layout, storage);
}

// A view whose workspace holds `setup` as the Setup module of an opened image, its packages
// found as Open finds them.
inline std::unique_ptr<SetupView> WithSetupModule(rom::ModuleSlot setup) {
  auto v = std::make_unique<SetupView>();
  v->editor.workspace.m_setup_module = std::move(setup);
  v->editor.workspace.m_format_marker = rom::kFormatMarkerOpened;
  EXPECT_EQ(rom::LocateSetupPackages(v->editor.workspace), 1);
  return v;
}
// The same for a package list alone, whose forms packages are walked from the first.
inline std::unique_ptr<SetupView> WithSetupData(Bytes data) {
  const uint32_t size = uint32_t(data.size());
  auto v = WithSetupModule({std::move(data), 0, size});
  v->editor.workspace.m_setup_packages.forms_package = 20;
  return v;
}

}  // namespace kalvire::setup::test
