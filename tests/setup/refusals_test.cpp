// Edits that refuse: the message and its icon, and the module data, the defaults, the flags and
// the list of differences left as they were.
#include <functional>

#include "setup/commands.h"
#include "setup/ifr_layout.h"
#include "setup/node_edit.h"
#include "setup/option_delete.h"
#include "setup/string_edit.h"
#include "setup_view.h"

namespace kalvire::setup::test {
namespace {

using Act = std::function<void(SetupView&)>;
using enum platform::MessageIcon;

Act Optimal(uint32_t item, uint32_t value) {
  return [=](SetupView& v) { ApplyOptimalSelection(v.editor, NodeOf(item), value); };
}
Act Delete(uint32_t item, std::string name) {
  return [=](SetupView& v) { DeleteOption(v.editor, NodeOf(item), name); };
}
Act Edit(std::optional<std::string> answer) {
  return [=](SetupView& v) {
    v.prompter.QueueText(answer);
    EditSelectedString(v.editor);
  };
}
uint64_t PeHeader(SetupView& v) {
  return 4 + util::LoadLe32(v.SetupData().data() + 4 + 0x3C);
}
// Adds `amount` to the 32-bit field at `field` of the PE32 header, or of the resource directory.
Act Add32(bool resources, uint64_t field, uint32_t amount) {
  return [=](SetupView& v) {
    uint8_t* d = v.SetupData().data();
    uint8_t* at = d + (resources ? 4 + util::LoadLe32(d + PeHeader(v) + 152) : PeHeader(v)) + field;
    util::StoreLe32(at, util::LoadLe32(at) + amount);
  };
}

// Selects the root, or `item` with the Delete button enabled, and presses Delete.
Act DeleteSelected(std::optional<uint32_t> item) {
  return [=](SetupView& v) {
    v.tree().SelectItem(item ? v.Item(NodeOf(*item)) : v.editor.setup.root_item);
    if (item) v.delete_button().SetEnabled(true);
    DeleteSelectedOption(v.editor);
  };
}
// A change of node `node`, the first past the table for nullopt.
Act Setting(uint8_t kind, uint32_t value, std::optional<uint32_t> node) {
  return [=](SetupView& v) {
    ChangeNodeSetting(v.editor, kind, value, 0, node.value_or(v.editor.setup.node_count));
  };
}

struct Case {
  const char* name;
  Act act;
  const char* message;  // nullptr: none
  platform::MessageIcon icon = kNone;
  bool asks = false;  // whether the Update Data dialog comes before the refusal
  Act spoil = {};     // done before the state that must stay is taken
};

const char kNotStorable[] =
    "Error: String holds a character that cannot be stored in the string package";
const char kSizes[] =
    "Error: String Edit not possible: the Setup module's sizes do not match its data";
const char kRange[] = "Error: not a valid value. Please enter value between 5 to 200";

const Case kCases[] = {
    {"node past the table", Setting(kChangeVisibility, 0, std::nullopt), nullptr},
    {"optimal of a form", Setting(kChangeOptimal, 1, 0),
     "Error: Optimal options cannot be modified for FORM OP"},
    {"value of no option", Optimal(kBootMode, 7), nullptr},
    {"numeric below", Optimal(kNumber2, 4), kRange, kError},
    {"numeric above", Optimal(kNumber2, 201), kRange, kError},
    {"control data length of no width", Optimal(kNumber1, 20),
     "Error: ControlDataLength value is not valid", kError, false,
     [](SetupView& v) {
       util::StoreLe16(v.Control(kNumber1) + kControlDataLength, 3);
       v.Select(NodeOf(kNumber1));
     }},
    {"unknown option name", Delete(kMode, "Turbo"),
     "Invalid delete option \"Turbo\" for node \"Mode\"", kError},
    {"question without options", Delete(kNumber1, "0"),
     "Invalid delete option \"0\" for node \"Number 1\"", kError},
    {"delete with no node selected", DeleteSelected(std::nullopt), "Invlaid node number"},
    {"delete of a checkbox option", DeleteSelected(kFastBoot),
     "Check Box option deletion is not allowed"},
    {"string edit cancelled", Edit(std::nullopt), nullptr, kNone, true},
    {"same text", Edit("SATA Mode"), nullptr, kNone, true},
    {"block byte", Edit(std::string("SATA\x14Mode")), kNotStorable, kNone, true},
    {"not a PE32 section", Edit("S"), "Error: String Edit allowed only for PE32 compatible modules",
     kNone, false, [](SetupView& v) { v.SetupData()[3] = 0x19; }},
    {"no MZ", Edit("S"), "Error: Invalid PE32 Image DOS Header", kNone, false,
     [](SetupView& v) { v.SetupData()[5] = 'X'; }},
    {"no .rsrc", Edit("S"), "Error: No valid .rsrc section", kNone, false,
     [](SetupView& v) {
       uint8_t* d = v.SetupData().data();
       uint64_t h = PeHeader(v) + 24 + util::LoadLe16(d + PeHeader(v) + 20);
       while (std::memcmp(d + h, ".rsrc", 5) != 0) h += 40;
       d[h + 1] = 'R';
     }},
    {"root item", Edit("S"), "Error: String Edit not allowed for root form.", kNone, false,
     [](SetupView& v) { v.tree().SelectItem(v.editor.setup.root_item); }},
    {"string id past the strings", Edit("S"), "Error: String not found in the string package",
     kNone, false, [](SetupView& v) { v.editor.setup.nodes[NodeOf(kSata)].string_id = 900; }},
    {"relocation data not behind the list", Edit("S"), kSizes, kNone, true,
     Add32(false, 176, 0x20)},
    {"relocation data outside the image", Edit("S"), kSizes, kNone, true,
     Add32(false, 176, 0x7FFFFF00)},
    {"resource data entry outside the image", Edit("S"), kSizes, kNone, true,
     Add32(true, 68, 0x7FFFFFF0)},
    {"resource list outside the image", Edit("S"), kSizes, kNone, true,
     Add32(true, 72, 0x7FFFFF00)},
};

TEST(SetupEdits, RefusalsChangeNothing) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    auto v = OpenTestMenu();
    v->Select(NodeOf(kSata));
    if (c.spoil) c.spoil(*v);
    const rom::RomWorkspace& ws = v->editor.workspace;
    const Bytes spf = ws.m_amitse_module.file, image = ws.m_working_image,
                setup = ws.m_setup_module.file;
    const Texts log = v->Log();
    c.act(*v);
    EXPECT_EQ(ws.m_amitse_module.file, spf);
    EXPECT_EQ(ws.m_working_image, image);
    EXPECT_EQ(ws.m_setup_module.file, setup);
    EXPECT_FALSE(ws.m_setup_form_modified || ws.m_setup_string_modified);
    EXPECT_EQ(v->Log(), log);
    for (uint32_t n = 0; n < v->editor.setup.node_count; ++n)
      EXPECT_EQ(v->editor.setup.node_states[n].option_deleted, 0) << n;
    EXPECT_EQ(v->prompter.TextRequests().size(), c.asks ? 1u : 0u);
    EXPECT_EQ(v->Messages(), c.message ? Texts{c.message} : Texts{});
    if (c.message) EXPECT_EQ(v->prompter.Messages().at(0).request.icon, c.icon);
  }
}

}  // namespace
}  // namespace kalvire::setup::test
