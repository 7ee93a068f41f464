// The setup tests' editor: headless controls as the command-line tool wires them, and one menu
// of every kind of item, built by the image builder and opened as an image.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "platform/headless_controls.h"
#include "platform/headless_tree.h"
#include "platform/scripted_prompter.h"
#include "rom/editor.h"
#include "rom/known_guids.h"
#include "rom/open_image.h"
#include "setup/messages.h"
#include "setup/node_lookup.h"
#include "tools/menu_image.h"
#include "util/le.h"

namespace kalvire::setup::test {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using tools::IfrItemKind;
using tools::ModuleStorage;
using tools::SetupLayout;
using Bytes = std::vector<uint8_t>;

inline const std::string kLongText =
    "A prompt far longer than the string table keeps of it: the table cuts every text at 199 "
    "characters, so the item shows only the first part of what the string package stores for "
    "this id, and an edit must replace the whole stored string and nothing behind it.";

// Items of TestForms() by their place in parse order, which is also their SPF control's.
enum : uint32_t {
  kOverview,
  kVendor,
  kBootMode,
  kFastBoot,
  kChecked,
  kNumber1,
  kNumber2,
  kNumber4,
  kNumber8,
  kOther,
  kLoose,
  kZero,
  kInfo,
  kHidden,
  kGoAdvanced,
  kSata,
  kFastBootText,
  kLong,
  kLast,
  kMode,
  kMany
};
// The node of item `k`: each form's FORM node comes before its items.
constexpr uint32_t NodeOf(uint32_t k) {
  return k + (k >= kSata ? 2 : 1);
}

inline tools::IfrItem Item(IfrItemKind kind, uint16_t prompt, uint16_t var = 0, uint16_t offset = 0,
                           uint8_t width = 1, uint64_t value = 0) {
  tools::IfrItem item;
  item.kind = kind;
  item.prompt = prompt;
  item.varstore_id = var;
  item.var_offset = offset;
  item.width = width;
  item.default_value = value;
  return item;
}

// "Main" (0x1000) with the questions, a REF to "Advanced" (0x1001); variables "Setup" (id 1,
// 80 bytes) and "Custom" (id 2, 8 bytes). String id 2 is "Reserved".
inline tools::HiiPackageList TestForms(SetupLayout layout = SetupLayout::kPe32) {
  tools::HiiStrings s;
  s.Add("English");
  s.Add("Reserved");
  const auto options = [&s](std::vector<std::string> texts) {
    std::vector<tools::IfrOption> out;
    for (const std::string& t : texts) out.push_back({s.Add(t), out.size()});
    return out;
  };
  std::vector<tools::IfrItem> main = {Item(IfrItemKind::kSubtitle, s.Add("System Overview")),
                                      Item(IfrItemKind::kText, s.Add("BIOS Vendor")),
                                      Item(IfrItemKind::kOneOf, s.Add("Boot Mode"), 1, 4, 2, 1),
                                      Item(IfrItemKind::kCheckbox, s.Add("Fast Boot"), 1, 8),
                                      Item(IfrItemKind::kCheckbox, s.Add("Checked"), 1, 62, 1, 1)};
  main[1].text_two = s.Add("KALVIRE");
  main[2].options = options({"Legacy", "UEFI", "Dual"});
  for (int i = 0; i < 4; ++i) {
    const uint8_t width = uint8_t(1 << i);
    main.push_back(Item(IfrItemKind::kNumeric, s.Add("Number " + std::to_string(width)), 1,
                        uint16_t(16 + 8 * i), width, 10));
    main.back().minimum = 5;
    main.back().maximum = 200;
  }
  main.push_back(Item(IfrItemKind::kOneOf, s.Add("Other"), 2, 2));
  main.back().options = options({"O0", "O1"});
  main.push_back(Item(IfrItemKind::kOneOf, s.Add("Loose"), 1, 60, 1, 1));
  main.back().options = {{s.Add("L1"), 1}};
  main.back().scoped_options = false;
  main.push_back(Item(IfrItemKind::kOneOf, s.Add("Zero"), 1, 61));
  main.back().options = options({"Z0", "Z1"});
  main.push_back(Item(IfrItemKind::kText, s.Add("Info")));
  main.back().access_level = 2;
  main.push_back(Item(IfrItemKind::kText, s.Add("Hidden")));
  main.back().visible = false;
  main.back().access_level = 3;
  main.push_back(Item(IfrItemKind::kRef, s.Add("Advanced")));
  main.back().ref_form_id = 0x1001;

  std::vector<tools::IfrItem> advanced = {Item(IfrItemKind::kOneOf, s.Add("SATA Mode"), 1, 2),
                                          Item(IfrItemKind::kText, s.Add("Fast Boot")),
                                          Item(IfrItemKind::kText, s.Add(kLongText)),
                                          Item(IfrItemKind::kText, s.Add("Last Prompt")),
                                          Item(IfrItemKind::kOneOf, s.Add("Mode")),
                                          Item(IfrItemKind::kOneOf, s.Add("Many"), 1, 1)};
  advanced[0].options = options({"IDE", "AHCI", "RAID"});
  advanced[4].options = options({"Off", "Auto", "On", "Boost"});
  std::vector<std::string> choices;
  for (int i = 1; i <= 10; ++i) choices.push_back("Choice " + std::to_string(i));
  advanced[5].options = options(choices);
  advanced[4].defaults_between_options = advanced[5].defaults_between_options = true;

  tools::IfrFormSet formset;
  formset.guid = tools::GuidFromString("A04A27F4-DF00-4D42-B552-39511302113D");
  formset.title = s.Add("Main");
  formset.help = s.Add("");
  formset.varstores = {{tools::kAmitsePkgGuid, 1, 80, "Setup"},
                       {tools::kAmitsePkgGuid, 2, 8, "Custom"}};
  formset.forms = {{0x1000, formset.title, main}, {0x1001, s.Add("Advanced"), advanced}};
  tools::HiiPackageList list;
  list.guid = layout == SetupLayout::kPe32 ? tools::kHiiPe32ListGuid : tools::kHiiSectionListGuid;
  list.strings_first = layout == SetupLayout::kSection;
  list.forms_packages = {{formset}};
  list.string_packages = {{"en-US", 1, s.texts()}};
  return list;
}

struct SetupView {
  SetupView() {
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

  platform::TreeItem Item(uint32_t node) const { return editor.setup.node_items[node]; }
  std::string Text(uint32_t node) const { return tree.GetItemText(Item(node)); }
  void Select(uint32_t node) { tree.SelectItem(Item(node)); }
  std::optional<uint32_t> Node(const std::string& text) const {
    for (uint32_t n = 0; n < editor.setup.node_count; ++n) {
      if (Text(n) == text) return n;
    }
    return std::nullopt;
  }
  std::vector<std::string> Log() const {
    std::vector<std::string> lines;
    for (int i = 0; i < track_log.GetCount(); ++i) lines.push_back(track_log.GetText(i));
    return lines;
  }
  static std::vector<std::string> Entries(const platform::HeadlessCombo& combo) {
    std::vector<std::string> texts;
    for (int i = 0; i < combo.GetCount(); ++i) texts.push_back(combo.GetText(i));
    return texts;
  }
  std::vector<std::string> Messages() const {
    std::vector<std::string> texts;
    for (const auto& m : prompter.Messages()) texts.push_back(m.request.text);
    return texts;
  }
  // The tree as indented lines of item texts, two blanks per level, "BIOS" included.
  std::string Outline(platform::TreeItem parent = platform::kRootItem, int depth = 0) const {
    std::string out;
    for (platform::TreeItem item = tree.GetChildItem(parent); item != platform::kNoItem;
         item = tree.GetNextSiblingItem(item)) {
      out += std::string(2 * depth, ' ') + tree.GetItemText(item) + "\n" + Outline(item, depth + 1);
    }
    return out;
  }
  std::span<uint8_t> SetupData() { return editor.workspace.m_setup_module.Data(); }
  // The "$SPF" header in the AmiTse data and the control record of item `k` in parse order,
  // found without the editor's lookup.
  size_t Spf() {
    const std::span<uint8_t> d = editor.workspace.m_amitse_module.Data();
    const auto& guid = rom::kAmiTsePkgGuid;
    for (size_t s = 0; s + 64 <= d.size(); ++s) {
      if (std::equal(d.begin() + s, d.begin() + s + 4, "$SPF") &&
          std::equal(guid.begin(), guid.end(), d.begin() + s + 20)) {
        return s;
      }
    }
    ADD_FAILURE() << "no $SPF header";
    return 0;
  }
  uint8_t* Control(size_t k) {
    uint8_t* s = editor.workspace.m_amitse_module.Data().data() + Spf();
    return s + util::LoadLe32(s + 48) + 80 * k;
  }
  uint32_t Flags(size_t k) { return util::LoadLe32(Control(k) + 28); }
  // The image offset of the data of variable `name` in "StdDefaults".
  size_t Variable(const std::string& name) const {
    const Bytes& image = editor.workspace.m_working_image;
    const std::string defaults("StdDefaults\0", 12), entry = name + '\0';
    auto at = std::search(image.begin(), image.end(), defaults.begin(), defaults.end());
    at = std::search(at, image.end(), entry.begin(), entry.end());
    EXPECT_TRUE(at != image.end()) << name;
    return size_t(at - image.begin()) + entry.size();
  }
  uint8_t VariableByte(const std::string& name, size_t offset) const {
    return editor.workspace.m_working_image[Variable(name) + offset];
  }

  platform::HeadlessTree tree;
  platform::HeadlessList track_log;
  platform::HeadlessCombo access_combo, delete_combo, optimal_combo;
  platform::HeadlessButton hide, show, delete_button;
  platform::ScriptedPrompter prompter;
  rom::Editor editor;
};

inline tools::MenuImageOptions ImageOptions(SetupLayout layout,
                                            ModuleStorage storage = ModuleStorage::kPlain) {
  tools::MenuImageOptions options;
  options.layout = layout;
  options.setup_storage = storage;
  options.setup_image.trailing_sections = {{".xdata", Bytes(40, 0x5C)},
                                           {".vendor", Bytes(70, 0x6D)}};
  return options;
}

inline std::unique_ptr<SetupView> OpenForms(const tools::HiiPackageList& forms,
                                            const tools::MenuImageOptions& options = {}) {
  auto view = std::make_unique<SetupView>();
  EXPECT_EQ(rom::OpenRomImageBytes(view->editor, tools::BuildMenuImage(forms, options), "menu.rom"),
            1);
  return view;
}

inline std::unique_ptr<SetupView> OpenTestMenu(SetupLayout layout = SetupLayout::kPe32,
                                               ModuleStorage storage = ModuleStorage::kPlain) {
  return OpenForms(TestForms(layout), ImageOptions(layout, storage));
}

}  // namespace kalvire::setup::test
