#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "pe_reader.h"
#include "rom/open_image.h"
#include "rom/setup_packages.h"
#include "setup/commands.h"
#include "setup/ifr_layout.h"
#include "setup/messages.h"
#include "setup/node_lookup.h"
#include "setup/string_edit.h"
#include "setup_view.h"
#include "support/test_data.h"
#include "tools/menu_image.h"

namespace kalvire::setup::test {
namespace {

using tools::ModuleStorage;
using tools::SetupLayout;

constexpr uint32_t kAlignment = 32;  // the Setup image's SectionAlignment
const char kLongText[] =
    "A prompt far longer than the string table keeps of it: the table cuts every text at 199 "
    "characters, so the item shows only the first part of what the string package stores for "
    "this id, and an edit must replace the whole stored string and nothing behind it.";

tools::IfrItem Item(tools::IfrItemKind kind, uint16_t prompt) {
  tools::IfrItem item;
  item.kind = kind;
  item.prompt = prompt;
  return item;
}

tools::HiiPackageList MakeForms(SetupLayout layout) {
  using tools::IfrItemKind;
  tools::HiiStrings s;
  s.Add("English");
  const uint16_t main = s.Add("Main");
  const uint16_t advanced = s.Add("Advanced");
  tools::IfrFormSet formset;
  formset.guid = tools::GuidFromString("A04A27F4-DF00-4D42-B552-39511302113D");
  formset.title = main;
  formset.help = s.Add("");
  formset.varstores = {{tools::kAmitsePkgGuid, 1, 16, "Setup"}};

  tools::IfrForm first{0x1000, main, {}};
  first.items.push_back(Item(IfrItemKind::kSubtitle, s.Add("System Overview")));
  tools::IfrItem vendor = Item(IfrItemKind::kText, s.Add("BIOS Vendor"));
  vendor.text_two = s.Add("KALVIRE");
  first.items.push_back(vendor);
  tools::IfrItem boot = Item(IfrItemKind::kOneOf, s.Add("Boot Mode"));
  boot.varstore_id = 1;
  boot.options = {{s.Add("Legacy"), 0}, {s.Add("UEFI"), 1}, {s.Add("Dual"), 2}};
  boot.default_value = 1;
  first.items.push_back(boot);
  tools::IfrItem fast = Item(IfrItemKind::kCheckbox, s.Add("Fast Boot"));
  fast.varstore_id = 1;
  fast.var_offset = 1;
  first.items.push_back(fast);
  tools::IfrItem ref = Item(IfrItemKind::kRef, advanced);
  ref.ref_form_id = 0x1001;
  first.items.push_back(ref);

  tools::IfrForm second{0x1001, advanced, {}};
  tools::IfrItem sata = Item(IfrItemKind::kOneOf, s.Add("SATA Mode"));
  sata.varstore_id = 1;
  sata.var_offset = 2;
  sata.options = {{s.Add("IDE"), 0}, {s.Add("AHCI"), 1}, {s.Add("RAID"), 2}};
  second.items.push_back(sata);
  second.items.push_back(Item(IfrItemKind::kText, s.Add("Fast Boot")));  // shares the id
  second.items.push_back(Item(IfrItemKind::kText, s.Add(kLongText)));
  second.items.push_back(Item(IfrItemKind::kText, s.Add("Last Prompt")));
  formset.forms = {first, second};

  tools::HiiPackageList list;
  list.guid = layout == SetupLayout::kPe32 ? tools::kHiiPe32ListGuid : tools::kHiiSectionListGuid;
  list.strings_first = layout == SetupLayout::kSection;
  list.forms_packages = {{formset}};
  list.string_packages = {{"en-US", 1, s.texts()}};
  return list;
}

std::unique_ptr<SetupView> OpenMenu(SetupLayout layout,
                                    ModuleStorage storage = ModuleStorage::kPlain) {
  tools::MenuImageOptions options;
  options.layout = layout;
  options.setup_storage = storage;
  options.setup_image.trailing_sections = {{".xdata", Bytes(40, 0x5C)},
                                           {".vendor", Bytes(70, 0x6D)}};
  auto view = MakeView();
  EXPECT_EQ(rom::OpenRomImageBytes(view->editor, tools::BuildMenuImage(MakeForms(layout), options),
                                   "menu.rom"),
            1);
  return view;
}

std::span<const uint8_t> Module(const SetupView& view) {
  return view.editor.workspace.m_setup_module.Data();
}

// Read without the editor's offsets: the list is found by its GUID in the section layout.
SetupModuleReport ReadModule(const SetupView& view) {
  const std::span<const uint8_t> data = Module(view);
  if (view.editor.workspace.m_setup_packages.package_list_guid_flag == 0) {
    return ReadPe32SetupModule(data);
  }
  const auto guid = rom::kSetupPackageListAltGuid;
  const auto it = std::search(data.begin(), data.end(), guid.begin(), guid.end());
  return ReadSectionSetupModule(data, uint64_t(it - data.begin()));
}

std::optional<uint32_t> NodeWithText(const SetupView& view, const std::string& text) {
  for (uint32_t n = 0; n < view.editor.setup.node_count; ++n) {
    if (view.tree.GetItemText(view.editor.setup.node_items[n]) == text) return n;
  }
  return std::nullopt;
}

// Nodes whose item data no longer names an opcode of theirs: the opcode must be where the
// item says, of the item's kind, with the node's string id as its prompt (a form: its title).
std::vector<std::string> NodesOffTheirOpcodes(const SetupView& view,
                                              const SetupModuleReport& report) {
  std::vector<std::string> wrong;
  const std::span<const uint8_t> data = Module(view);
  for (uint32_t n = 0; n < view.editor.setup.node_count; ++n) {
    const uint32_t item_data = view.tree.GetItemData(view.editor.setup.node_items[n]);
    const uint64_t offset = ItemOffset(item_data);
    const auto opcode = report.opcodes.find(offset);
    const uint64_t prompt = offset + (ItemOpcode(item_data) == kOpForm ? 4 : 2);
    if (opcode == report.opcodes.end() || opcode->second != ItemOpcode(item_data) ||
        prompt + 2 > data.size() ||
        util::LoadLe16(data.data() + prompt) != view.editor.setup.nodes[n].string_id) {
      wrong.push_back("node " + std::to_string(n));
    }
  }
  return wrong;
}

std::string EditLine(const std::string& new_text, const std::string& old_text) {
  return "    String is changed to \" " + new_text + " \" from \" " + old_text + " \"";
}

class StringEditLayouts : public ::testing::TestWithParam<SetupLayout> {};

TEST_P(StringEditLayouts, EveryLengthChangeKeepsTheModuleConsistent) {
  const bool pe32 = GetParam() == SetupLayout::kPe32;
  const uint64_t alignment = pe32 ? kAlignment : 4;
  // The container's padding before the edit decides how long a text must be to cross it.
  uint64_t pad0 = 0;
  {
    auto view = OpenMenu(GetParam());
    const SetupModuleReport report = ReadModule(*view);
    ASSERT_THAT(report.faults, ::testing::IsEmpty());
    const uint64_t length =
        pe32 ? report.list_end - report.list_offset : report.list_end - report.list_offset + 4;
    pad0 = (alignment - length % alignment) % alignment;
  }
  const std::string old_text = "Boot Mode";
  const std::vector<std::pair<const char*, std::string>> cases = {
      {"shorter", "Boot"},
      {"equal", "Boot Mods"},
      {"one longer", "Boot Modes"},
      {"fills the padding", old_text + std::string(pad0 / 2, '+')},
      {"crosses the alignment", old_text + std::string(pad0 / 2 + 1, '+')},
      {"much longer", std::string(180, 'L')},
  };
  for (const auto& [name, new_text] : cases) {
    SCOPED_TRACE(name);
    auto view = OpenMenu(GetParam());
    rom::Editor& editor = view->editor;
    const uint32_t node = *NodeWithText(*view, old_text);
    const uint16_t id = editor.setup.nodes[node].string_id;
    const SetupModuleReport before = ReadModule(*view);
    const std::vector<uint8_t> old_data(Module(*view).begin(), Module(*view).end());

    EditSetupString(editor, node, new_text);

    const SetupModuleReport after = ReadModule(*view);
    EXPECT_THAT(after.faults, ::testing::IsEmpty());
    EXPECT_THAT(NodesOffTheirOpcodes(*view, after), ::testing::IsEmpty());
    auto expected_strings = before.strings;
    expected_strings[id] = Ucs2(new_text);
    EXPECT_EQ(after.strings, expected_strings);
    EXPECT_EQ(view->tree.GetItemText(editor.setup.node_items[node]), new_text);
    EXPECT_TRUE(editor.workspace.m_setup_string_modified);
    EXPECT_EQ(LogLines(view->track_log).back(), EditLine(new_text, old_text));

    const int64_t delta = 2 * (int64_t(new_text.size()) - int64_t(old_text.size()));
    const uint64_t old_length = before.list_end - before.list_offset + (pe32 ? 0 : 4);
    const int64_t moved = int64_t((old_length + delta + alignment - 1) / alignment * alignment) -
                          int64_t((old_length + alignment - 1) / alignment * alignment);
    EXPECT_EQ(int64_t(Module(*view).size()), int64_t(old_data.size()) + moved);
    if (delta == 0) {
      EXPECT_EQ(Module(*view).size(), old_data.size());
    }
    if (pe32) {
      EXPECT_TRUE(after.padding_is_fd);
      EXPECT_EQ(int64_t(after.relocation_rva), int64_t(before.relocation_rva) + moved);
      // .reloc and the sections behind it keep their bytes at their new places.
      ASSERT_EQ(after.sections.size(), before.sections.size());
      for (size_t i = 0; i < before.sections.size(); ++i) {
        const PeSection& b = before.sections[i];
        const PeSection& a = after.sections[i];
        if (b.rva <= before.relocation_rva) continue;
        EXPECT_EQ(int64_t(a.rva), int64_t(b.rva) + moved) << b.name;
        EXPECT_TRUE(std::equal(old_data.begin() + 4 + b.rva,
                               old_data.begin() + 4 + b.rva + b.raw_size,
                               Module(*view).begin() + 4 + a.rva))
            << b.name;
      }
    }
    // The workspace's own offsets lead to the same packages.
    const rom::SetupPackages& packages = editor.workspace.m_setup_packages;
    EXPECT_EQ(packages.package_list_offset, after.list_offset);
    EXPECT_EQ(*packages.forms_package, after.forms_packages.front());
    EXPECT_EQ(Module(*view)[*packages.strings_package + 3], 0x04);
    EXPECT_EQ(packages.string_data_offset,
              *packages.strings_package +
                  util::LoadLe32(Module(*view).data() + *packages.strings_package + 8));
  }
}

TEST_P(StringEditLayouts, EditsAccumulateAndStayConsistent) {
  auto view = OpenMenu(GetParam());
  rom::Editor& editor = view->editor;
  const uint32_t boot = *NodeWithText(*view, "Boot Mode");
  const uint32_t last = *NodeWithText(*view, "Last Prompt");
  const uint16_t boot_id = editor.setup.nodes[boot].string_id;
  const uint16_t last_id = editor.setup.nodes[last].string_id;
  const SetupModuleReport before = ReadModule(*view);

  EditSetupString(editor, boot, "Boot Mode Selection For All Devices");
  EditSetupString(editor, last, "L");
  EditSetupString(editor, boot, "Boot Mode");

  const SetupModuleReport after = ReadModule(*view);
  EXPECT_THAT(after.faults, ::testing::IsEmpty());
  EXPECT_THAT(NodesOffTheirOpcodes(*view, after), ::testing::IsEmpty());
  auto expected = before.strings;
  expected[last_id] = u"L";
  EXPECT_EQ(after.strings, expected);
  EXPECT_EQ(after.strings.at(boot_id), u"Boot Mode");
  EXPECT_TRUE(editor.workspace.m_setup_string_modified);
}

// The setup string table that Open would build from the module data as it is now.
std::vector<rom::StringRecord> ReopenedStringTable(const rom::RomWorkspace& ws) {
  rom::RomWorkspace reopened;
  reopened.m_setup_module = ws.m_setup_module;
  EXPECT_EQ(rom::LocateSetupPackages(reopened), 1);
  EXPECT_EQ(reopened.m_string_count, ws.m_string_count);
  return {reopened.m_strings.begin(), reopened.m_strings.begin() + reopened.m_string_count};
}

TEST_P(StringEditLayouts, StringTableFollowsEveryEdit) {
  auto view = OpenMenu(GetParam());
  rom::Editor& editor = view->editor;
  const uint32_t boot = *NodeWithText(*view, "Boot Mode");
  const uint32_t sata = *NodeWithText(*view, "SATA Mode");
  const uint32_t last = *NodeWithText(*view, "Last Prompt");
  const uint32_t long_one = *NodeWithText(*view, std::string(kLongText, 199));
  const std::string too_long(230, 'T');
  struct Edit {
    uint32_t node;
    std::string text;
    std::string old_text;  // what the item showed before
  };
  const Edit edits[] = {
      {boot, "Boot Mode Selection For All Devices", "Boot Mode"},
      {boot, "BM", "Boot Mode Selection For All Devices"},  // the grown string, shrunk again
      {last, "The last prompt of the package, longer", "Last Prompt"},
      {long_one, "Short", std::string(kLongText, 199)},
      {sata, too_long, "SATA Mode"},
  };
  for (const Edit& e : edits) {
    SCOPED_TRACE(e.text);
    const uint16_t id = editor.setup.nodes[e.node].string_id;
    auto expected = ReadModule(*view).strings;
    expected[id] = Ucs2(e.text);

    EditSetupString(editor, e.node, e.text);

    EXPECT_EQ(LogLines(view->track_log).back(), EditLine(e.text, e.old_text));
    const SetupModuleReport after = ReadModule(*view);
    EXPECT_THAT(after.faults, ::testing::IsEmpty());
    EXPECT_EQ(after.strings, expected);
    // The table gives what the tree and the option lists read, cut as Open cuts it.
    EXPECT_EQ(StringText(editor.workspace, id), e.text.substr(0, rom::kStringTextSize - 1));
    const std::vector<rom::StringRecord> reopened = ReopenedStringTable(editor.workspace);
    for (size_t i = 0; i < reopened.size(); ++i) {
      SCOPED_TRACE(i);
      const rom::StringRecord& ours = editor.workspace.m_strings[i];
      EXPECT_EQ(ours.id, reopened[i].id);
      EXPECT_STREQ(ours.text.data(), reopened[i].text.data());
      EXPECT_EQ(ours.length, reopened[i].length);
    }
  }
}

TEST_P(StringEditLayouts, SelectedQuestionStillShowsItsOwnOptions) {
  auto view = OpenMenu(GetParam());
  EditSetupString(view->editor, *NodeWithText(*view, "System Overview"),
                  "System Overview With A Much Longer Title");
  SelectNode(*view, *NodeWithText(*view, "SATA Mode"));
  std::vector<std::string> options;
  for (int i = 0; i < view->optimal_combo.GetCount(); ++i) {
    options.push_back(view->optimal_combo.GetText(i));
  }
  EXPECT_THAT(options, ::testing::ElementsAre("IDE", "AHCI", "RAID"));
  EXPECT_EQ(view->delete_combo.GetCount(), 3);
}

TEST_P(StringEditLayouts, StoredStringLongerThanTheItemTextIsReplacedWhole) {
  auto view = OpenMenu(GetParam());
  const std::string shown(kLongText, 199);  // what the string table kept
  const uint32_t node = *NodeWithText(*view, shown);
  const uint16_t id = view->editor.setup.nodes[node].string_id;
  const SetupModuleReport before = ReadModule(*view);

  EditSetupString(view->editor, node, "Short");

  const SetupModuleReport after = ReadModule(*view);
  EXPECT_THAT(after.faults, ::testing::IsEmpty());
  auto expected = before.strings;
  expected[id] = u"Short";
  EXPECT_EQ(after.strings, expected);
  EXPECT_EQ(LogLines(view->track_log).back(), EditLine("Short", shown));
}

TEST_P(StringEditLayouts, SharedStringIdChangesEveryItemThatShowsIt) {
  auto view = OpenMenu(GetParam());
  rom::Editor& editor = view->editor;
  std::vector<uint32_t> sharing;
  for (uint32_t n = 0; n < editor.setup.node_count; ++n) {
    if (view->tree.GetItemText(editor.setup.node_items[n]) == "Fast Boot") sharing.push_back(n);
  }
  ASSERT_EQ(sharing.size(), 2u);

  EditSetupString(editor, sharing[0], "Quick Boot");

  for (const uint32_t n : sharing) {
    EXPECT_EQ(view->tree.GetItemText(editor.setup.node_items[n]), "Quick Boot");
  }
  EXPECT_EQ(view->tree.GetItemColor(editor.setup.node_items[sharing[0]]), platform::kColorRed);
  EXPECT_NE(view->tree.GetItemColor(editor.setup.node_items[sharing[1]]), platform::kColorRed);
}

TEST_P(StringEditLayouts, LatinOneTextIsStoredAsUcs2) {
  auto view = OpenMenu(GetParam());
  const uint32_t node = *NodeWithText(*view, "BIOS Vendor");
  const std::string text = "Fabricant \xE9tendu \xFF";
  EditSetupString(view->editor, node, text);
  const SetupModuleReport after = ReadModule(*view);
  EXPECT_THAT(after.faults, ::testing::IsEmpty());
  EXPECT_EQ(after.strings.at(view->editor.setup.nodes[node].string_id),
            u"Fabricant \u00E9tendu \u00FF");
}

INSTANTIATE_TEST_SUITE_P(Layouts, StringEditLayouts,
                         ::testing::Values(SetupLayout::kPe32, SetupLayout::kSection),
                         [](const auto& info) {
                           return info.param == SetupLayout::kPe32 ? "Pe32" : "Section";
                         });

TEST(EditSetupString, UpdateDataDialogIsPresetWithTheItemText) {
  auto view = OpenMenu(SetupLayout::kPe32);
  SelectNode(*view, *NodeWithText(*view, "SATA Mode"));
  view->prompter.QueueText("Storage Mode");
  EditSelectedString(view->editor);

  ASSERT_EQ(view->prompter.TextRequests().size(), 1u);
  EXPECT_EQ(view->prompter.TextRequests()[0].title, "Update Data");
  EXPECT_EQ(view->prompter.TextRequests()[0].initial_text, "SATA Mode");
  EXPECT_EQ(view->prompter.TextRequests()[0].max_length, 100);
  EXPECT_TRUE(NodeWithText(*view, "Storage Mode"));
  EXPECT_THAT(ReadModule(*view).faults, ::testing::IsEmpty());
}

// Edits that must leave the module, the flag and the list as they were.
TEST(EditSetupString, UnchangedCases) {
  struct Case {
    const char* name;
    std::optional<std::string> answer;  // the dialog's answer; nullopt: Cancel
    const char* message;                // nullptr: none
  };
  const Case cases[] = {
      {"cancelled", std::nullopt, nullptr},
      {"same text", "SATA Mode", nullptr},
      {"block byte in the text", std::string("SATA\x14Mode"), kMsgStringNotStorable},
      {"zero in the text", std::string("SATA\0Mode", 9), kMsgStringNotStorable},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto view = OpenMenu(SetupLayout::kPe32);
    const std::vector<uint8_t> file = view->editor.workspace.m_setup_module.file;
    SelectNode(*view, *NodeWithText(*view, "SATA Mode"));
    const auto lines = LogLines(view->track_log);
    view->prompter.QueueText(c.answer);
    EditSelectedString(view->editor);
    EXPECT_EQ(view->editor.workspace.m_setup_module.file, file);
    EXPECT_FALSE(view->editor.workspace.m_setup_string_modified);
    EXPECT_EQ(LogLines(view->track_log), lines);
    EXPECT_TRUE(NodeWithText(*view, "SATA Mode"));
    if (c.message) {
      ASSERT_EQ(view->prompter.Messages().size(), 1u);
      EXPECT_EQ(view->prompter.Messages()[0].request.text, c.message);
    } else {
      EXPECT_THAT(view->prompter.Messages(), ::testing::IsEmpty());
    }
  }
}

TEST(EditSetupString, RefusalsShowTheirMessageAndChangeNothing) {
  struct Case {
    const char* name;
    std::function<void(SetupView&)> spoil;
    const char* message;
    bool asks;  // whether the dialog is shown before the refusal
  };
  const auto pe = [](SetupView& v) {
    return 4 + util::LoadLe32(v.editor.workspace.m_setup_module.Data().data() + 4 + 0x3C);
  };
  const Case cases[] = {
      {"not a PE32 section",
       [](SetupView& v) { v.editor.workspace.m_setup_module.Data()[3] = 0x19; }, kMsgNotPe32Module,
       false},
      {"no MZ", [](SetupView& v) { v.editor.workspace.m_setup_module.Data()[5] = 'X'; },
       kMsgInvalidDosHeader, false},
      {"no .rsrc",
       [&pe](SetupView& v) {
         std::span<uint8_t> d = v.editor.workspace.m_setup_module.Data();
         const uint64_t table = pe(v) + 24 + util::LoadLe16(d.data() + pe(v) + 20);
         for (uint64_t h = table; h < table + 40 * util::LoadLe16(d.data() + pe(v) + 6); h += 40) {
           if (std::memcmp(d.data() + h, ".rsrc", 5) == 0) d[h + 1] = 'R';
         }
       },
       kMsgNoRsrcSection, false},
      {"root item", [](SetupView& v) { v.tree.SelectItem(v.editor.setup.root_item); },
       kMsgRootFormString, false},
      {"string id past the strings",
       [](SetupView& v) { v.editor.setup.nodes[*NodeWithText(v, "SATA Mode")].string_id = 900; },
       kMsgStringNotFound, false},
      {"relocation data not behind the list",
       [&pe](SetupView& v) {
         uint8_t* reloc = v.editor.workspace.m_setup_module.Data().data() + pe(v) + 176;
         util::StoreLe32(reloc, util::LoadLe32(reloc) + 0x20);
       },
       kMsgStringLayoutMismatch, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto view = OpenMenu(SetupLayout::kPe32);
    SelectNode(*view, *NodeWithText(*view, "SATA Mode"));
    c.spoil(*view);
    const std::vector<uint8_t> file = view->editor.workspace.m_setup_module.file;
    view->prompter.QueueText("Storage Mode");
    EditSelectedString(view->editor);
    EXPECT_EQ(view->editor.workspace.m_setup_module.file, file);
    EXPECT_FALSE(view->editor.workspace.m_setup_string_modified);
    EXPECT_EQ(view->prompter.TextRequests().size(), c.asks ? 1u : 0u);
    ASSERT_EQ(view->prompter.Messages().size(), 1u);
    EXPECT_EQ(view->prompter.Messages()[0].request.text, c.message);
    EXPECT_EQ(view->prompter.Messages()[0].request.icon, platform::MessageIcon::kNone);
  }
}

// Linkers round .rsrc's VirtualSize up past the list (the vendor image has 3 bytes more); an
// edit that leaves the list just short of an alignment boundary must not push it into .reloc.
TEST(EditSetupString, RoundedVirtualSizeStaysInsideRsrc) {
  auto view = OpenMenu(SetupLayout::kPe32);
  std::span<uint8_t> data = view->editor.workspace.m_setup_module.Data();
  const SetupModuleReport before = ReadModule(*view);
  const uint64_t length = before.list_end - before.list_offset;
  ASSERT_LT(length % kAlignment, kAlignment - 3);
  const uint64_t pe = 4 + util::LoadLe32(data.data() + 4 + 0x3C);
  const uint64_t table = pe + 24 + util::LoadLe16(data.data() + pe + 20);
  uint64_t rsrc = table;
  while (std::memcmp(data.data() + rsrc, ".rsrc", 5) != 0) rsrc += 40;
  for (const uint64_t field : {pe + 156, rsrc + 8}) {
    util::StoreLe32(data.data() + field, util::LoadLe32(data.data() + field) + 3);
  }
  ASSERT_THAT(ReadModule(*view).faults, ::testing::IsEmpty());
  size_t added = 1;
  while ((length + 2 * added) % kAlignment != 0 && (length + 2 * added) % kAlignment < 30) ++added;

  EditSetupString(view->editor, *NodeWithText(*view, "Boot Mode"),
                  "Boot Mode" + std::string(added, '.'));

  EXPECT_THAT(ReadModule(*view).faults, ::testing::IsEmpty());
}

// A Tiano-compressed module holds its decoded sections; a stored compression section stays in
// the module data, and its size and UncompressedLength grow with the list.
TEST(EditSetupString, CompressedSetupModuleKeepsTheFileAroundItsData) {
  const std::pair<SetupLayout, ModuleStorage> cases[] = {
      {SetupLayout::kPe32, ModuleStorage::kTiano},
      {SetupLayout::kSection, ModuleStorage::kTiano},
      {SetupLayout::kSection, ModuleStorage::kStored},
  };
  for (const auto& [layout, storage] : cases) {
    SCOPED_TRACE(int(storage));
    auto view = OpenMenu(layout, storage);
    const rom::ModuleSlot& slot = view->editor.workspace.m_setup_module;
    const std::vector<uint8_t> head(slot.file.begin(), slot.file.begin() + slot.data_offset);
    const std::vector<uint8_t> behind(slot.file.begin() + slot.data_offset + slot.data_size,
                                      slot.file.end());
    ASSERT_THAT(ReadModule(*view).faults, ::testing::IsEmpty());
    for (const size_t length : {70, 1, 9}) {
      EditSetupString(view->editor, *NodeWithText(*view, "SATA Mode"), std::string(length, 'x'));
      EXPECT_THAT(ReadModule(*view).faults, ::testing::IsEmpty());
      EXPECT_THAT(NodesOffTheirOpcodes(*view, ReadModule(*view)), ::testing::IsEmpty());
      EditSetupString(view->editor, *NodeWithText(*view, std::string(length, 'x')), "SATA Mode");
    }
    EXPECT_TRUE(std::equal(head.begin(), head.end(), slot.file.begin()));
    EXPECT_EQ(std::vector<uint8_t>(slot.file.begin() + slot.data_offset + slot.data_size,
                                   slot.file.end()),
              behind);
  }
}

TEST(EditSetupString, RealImagesStayConsistent) {
  const auto dir = kalvire::test::SharedImagesDir();
  if (!dir) GTEST_SKIP() << "no shared images folder beside the repository";
  for (const char* name : {"p7xxdm-full-flash.rom", "h61-bios-region.bin"}) {
    SCOPED_TRACE(name);
    auto view = MakeView();
    ASSERT_EQ(rom::OpenRomImagePath(view->editor, (*dir / name).string()), 1);
    const SetupModuleReport before = ReadModule(*view);
    ASSERT_THAT(before.faults, ::testing::IsEmpty());
    ASSERT_THAT(NodesOffTheirOpcodes(*view, before), ::testing::IsEmpty());
    // The first question with a text of its own, made longer by a few characters.
    std::optional<uint32_t> node;
    for (uint32_t n = 0; n < view->editor.setup.node_count && !node; ++n) {
      const uint32_t data = view->tree.GetItemData(view->editor.setup.node_items[n]);
      const std::string text = view->tree.GetItemText(view->editor.setup.node_items[n]);
      if (ItemOpcode(data) == kOpOneOf && text.size() > 3) node = n;
    }
    ASSERT_TRUE(node);
    const uint16_t id = view->editor.setup.nodes[*node].string_id;
    const std::string text = view->tree.GetItemText(view->editor.setup.node_items[*node]) + "!?";

    EditSetupString(view->editor, *node, text);

    const SetupModuleReport after = ReadModule(*view);
    EXPECT_THAT(after.faults, ::testing::IsEmpty());
    EXPECT_THAT(NodesOffTheirOpcodes(*view, after), ::testing::IsEmpty());
    auto expected = before.strings;
    expected[id] = Ucs2(text);
    EXPECT_EQ(after.strings, expected);
  }
}

}  // namespace
}  // namespace kalvire::setup::test
