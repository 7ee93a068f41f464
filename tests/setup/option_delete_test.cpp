#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "setup/baseline.h"
#include "setup/commands.h"
#include "setup/ifr_layout.h"
#include "setup/messages.h"
#include "setup/option_delete.h"
#include "setup/parse_forms.h"
#include "setup_view.h"

namespace kalvire::setup::test {
namespace {

using ::testing::ElementsAre;

struct DeleteMenu {
  MenuBuilder b;
  uint32_t one_of = 0, checkbox = 0, numeric = 0, many = 0;
};

// A ONE_OF whose options are interleaved with DEFAULT opcodes, as compilers emit them.
uint32_t OneOfWithDefaults(MenuBuilder& b, uint16_t prompt, const std::vector<std::string>& texts) {
  const uint32_t node = b.OneOf(prompt, 1, 0, 1, {}, PopupControl(1, 0), false);
  for (size_t i = 0; i < texts.size(); ++i) {
    if (i % 2 == 1) b.Raw({0x5B, 0x06, 0x00, 0x00, 0x00, uint8_t(i)});  // DEFAULT
    Bytes option = {0x09, 0x07};
    Put16(option, b.Str(texts[i]));
    option.insert(option.end(), {0x00, 0x00, uint8_t(i)});
    b.Raw(option);
  }
  b.End();
  return node;
}

DeleteMenu MakeDeleteMenu() {
  DeleteMenu m;
  MenuBuilder& b = m.b;
  b.FormSet(b.Str("Main"));
  b.Str("Reserved");  // string id 2: what a deleted option shows
  b.Form(1024, b.Str("Main"));
  m.one_of = OneOfWithDefaults(b, b.Str("Mode"), {"Off", "Auto", "On", "Boost"});
  m.checkbox = b.Checkbox(b.Str("Check"), 1, 8, CheckboxControl(0));
  m.numeric = b.Numeric(b.Str("Count"), 1, 9, 1, 0, 9, NumericControl(1, 0));
  std::vector<std::string> names;
  for (int i = 1; i <= 10; ++i) names.push_back("Choice " + std::to_string(i));
  m.many = OneOfWithDefaults(b, b.Str("Many"), names);
  return m;
}

// Offsets of the ONE_OF_OPTION opcodes after the question at `offset`, found in the raw bytes.
std::vector<uint64_t> OptionOffsets(std::span<const uint8_t> data, uint64_t offset) {
  std::vector<uint64_t> found;
  for (uint64_t pos = offset + (data[offset + 1] & 0x7F); data[pos] != kOpEnd;
       pos += data[pos + 1] & 0x7F) {
    if (data[pos] == kOpOneOfOption) found.push_back(pos);
  }
  return found;
}

struct Loaded {
  DeleteMenu menu;
  std::unique_ptr<SetupView> view;
  rom::Editor& editor() { return view->editor; }
  std::span<uint8_t> setup() { return view->editor.workspace.m_setup_module.Data(); }
  std::vector<uint16_t> TextIds(uint32_t node) {
    std::vector<uint16_t> ids;
    for (const uint64_t o : OptionOffsets(setup(), menu.b.NodeOffset(node))) {
      ids.push_back(util::LoadLe16(setup().data() + o + 2));
    }
    return ids;
  }
  std::vector<std::string> DeleteCombo() {
    std::vector<std::string> texts;
    for (int i = 0; i < view->delete_combo.GetCount(); ++i) {
      texts.push_back(view->delete_combo.GetText(i));
    }
    return texts;
  }
};

Loaded Load() {
  Loaded l{MakeDeleteMenu(), MakeView()};
  // The builder makes unscoped ONE_OFs for hand-made option streams; give them their scope.
  InstallMenu(l.view->editor, l.menu.b);
  for (const uint32_t node : {l.menu.one_of, l.menu.many}) {
    l.setup()[l.menu.b.NodeOffset(node) + 1] |= kOpcodeScopeBit;
  }
  rom::Editor& e = l.view->editor;
  EXPECT_EQ(ParseSetupForms(e, e.workspace.m_setup_module.Data(), l.view->tree), 1);
  EXPECT_EQ(CaptureBaseline(e), 1);
  ConnectSetupTree(e);
  return l;
}

// The person picks an entry of the option-to-delete combo, which enables Delete.
void PickOption(Loaded& l, int index) {
  l.view->delete_combo.SetCurSel(index);
  EnableOptionDelete(l.editor());
}

TEST(DeleteOption, ThirdOptionPastDefaultsIsPointedAtStringTwo) {
  Loaded l = Load();
  const std::vector<uint16_t> ids = l.TextIds(l.menu.one_of);
  SelectNode(*l.view, l.menu.one_of);
  EXPECT_THAT(l.DeleteCombo(), ElementsAre("Off", "Auto", "On", "Boost"));
  PickOption(l, 2);

  DeleteSelectedOption(l.editor());

  EXPECT_THAT(l.TextIds(l.menu.one_of), ElementsAre(ids[0], ids[1], 2, ids[3]));
  EXPECT_TRUE(l.editor().workspace.m_setup_string_modified);
  const NodeState& state = l.editor().setup.node_states[l.menu.one_of];
  EXPECT_EQ(state.option_deleted, 1);
  EXPECT_EQ(state.deleted_option_count, 1u);
  EXPECT_EQ(state.deleted_options[0], "On");
  EXPECT_THAT(LogLines(l.view->track_log), ElementsAre("    BIOS Option \"On\" is deleted \""));
  EXPECT_THAT(l.DeleteCombo(), ElementsAre("Off", "Auto", "Reserved", "Boost"));
  EXPECT_FALSE(l.view->delete_button.IsEnabled());
  EXPECT_EQ(l.view->tree.GetItemColor(l.editor().setup.node_items[l.menu.one_of]),
            platform::kColorRed);
  EXPECT_THAT(l.view->prompter.Messages(), ::testing::IsEmpty());
}

TEST(DeleteOption, DisabledDeleteButtonDoesNothing) {
  Loaded l = Load();
  const std::vector<uint8_t> before(l.setup().begin(), l.setup().end());
  SelectNode(*l.view, l.menu.one_of);
  l.view->delete_combo.SetCurSel(1);  // selected, but Delete was not enabled by a pick
  DeleteSelectedOption(l.editor());
  EXPECT_TRUE(std::equal(before.begin(), before.end(), l.setup().begin()));
  EXPECT_FALSE(l.editor().workspace.m_setup_string_modified);
  EXPECT_THAT(l.view->prompter.Messages(), ::testing::IsEmpty());
}

TEST(DeleteOption, ImportPathSelectsTheNodeAndTheNamedOption) {
  Loaded l = Load();
  const std::vector<uint16_t> ids = l.TextIds(l.menu.one_of);
  SelectNode(*l.view, l.menu.checkbox);

  DeleteOption(l.editor(), l.menu.one_of, "Boost");

  EXPECT_EQ(l.view->tree.GetSelectedItem(), l.editor().setup.node_items[l.menu.one_of]);
  EXPECT_THAT(l.TextIds(l.menu.one_of), ElementsAre(ids[0], ids[1], ids[2], 2));
  EXPECT_EQ(l.editor().setup.node_states[l.menu.one_of].deleted_options[0], "Boost");
  EXPECT_THAT(LogLines(l.view->track_log), ElementsAre("    BIOS Option \"Boost\" is deleted \""));
}

TEST(DeleteOption, RefusalsShowTheirMessageAndChangeNothing) {
  struct Case {
    const char* name;
    std::function<void(Loaded&)> act;
    std::string message;
    platform::MessageIcon icon;
  };
  const Case cases[] = {
      {"unknown option name", [](Loaded& l) { DeleteOption(l.editor(), l.menu.one_of, "Turbo"); },
       "Invalid delete option \"Turbo\" for node \"Mode\"", platform::MessageIcon::kError},
      {"import on a question without options",
       [](Loaded& l) { DeleteOption(l.editor(), l.menu.numeric, "0"); },
       "Invalid delete option \"0\" for node \"Count\"", platform::MessageIcon::kError},
      {"selected item is no node",
       [](Loaded& l) {
         l.view->tree.SelectItem(l.editor().setup.root_item);
         DeleteSelectedOption(l.editor());
       },
       "Invlaid node number", platform::MessageIcon::kNone},
      {"checkbox",
       [](Loaded& l) {
         SelectNode(*l.view, l.menu.checkbox);
         l.view->delete_button.SetEnabled(true);
         DeleteSelectedOption(l.editor());
       },
       "Check Box option deletion is not allowed", platform::MessageIcon::kNone},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Loaded l = Load();
    const std::vector<uint8_t> before(l.setup().begin(), l.setup().end());
    c.act(l);
    EXPECT_TRUE(std::equal(before.begin(), before.end(), l.setup().begin()));
    EXPECT_FALSE(l.editor().workspace.m_setup_string_modified);
    for (uint32_t n = 0; n < l.editor().setup.node_count; ++n) {
      EXPECT_EQ(l.editor().setup.node_states[n].option_deleted, 0);
    }
    ASSERT_EQ(l.view->prompter.Messages().size(), 1u);
    EXPECT_EQ(l.view->prompter.Messages()[0].request.text, c.message);
    EXPECT_EQ(l.view->prompter.Messages()[0].request.icon, c.icon);
  }
}

TEST(DeleteOption, NinthDeletionOnOneNodeIsRefused) {
  Loaded l = Load();
  for (int i = 1; i <= 8; ++i) DeleteOption(l.editor(), l.menu.many, "Choice " + std::to_string(i));
  const std::vector<uint8_t> before(l.setup().begin(), l.setup().end());
  const NodeState& state = l.editor().setup.node_states[l.menu.many];
  ASSERT_EQ(state.deleted_option_count, 8u);
  EXPECT_EQ(state.deleted_options[7], "Choice 8");
  EXPECT_THAT(l.view->prompter.Messages(), ::testing::IsEmpty());

  DeleteOption(l.editor(), l.menu.many, "Choice 9");

  EXPECT_EQ(state.deleted_option_count, 8u);
  EXPECT_TRUE(std::equal(before.begin(), before.end(), l.setup().begin()));
  ASSERT_EQ(l.view->prompter.Messages().size(), 1u);
  EXPECT_EQ(l.view->prompter.Messages()[0].request.text, kMsgDeletedOptionsFull);
  EXPECT_EQ(l.TextIds(l.menu.many)[8], l.menu.b.Str("Choice 9"));
}

}  // namespace
}  // namespace kalvire::setup::test
