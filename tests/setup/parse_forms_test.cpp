#include <functional>

#include "rom/setup_packages.h"
#include "setup/baseline.h"
#include "setup/ifr_layout.h"
#include "setup/node_control.h"
#include "setup/parse_forms.h"
#include "setup_view.h"

namespace kalvire::setup::test {
namespace {

using Forms = tools::FormsWriter;

std::unique_ptr<SetupView> Parsed(Forms& f) {
  auto v = WithSetupData(f.Data());
  EXPECT_EQ(v->Parse(), 1);
  return v;
}
// The package at index `n` of the list's data.
uint64_t PackageAt(SetupView& v, int n) {
  uint64_t pos = 20;
  while (n-- > 0) pos += util::LoadLe24(v.SetupData().data() + pos);
  return pos;
}

TEST(ParseSetupForms, PlacesFormsReferencesSubtitlesAndTexts) {
  Forms f;
  f.FormSet("Main").varstores = {{{}, 1, 16, "Setup"}};
  f.Form(1024, "Main");  // titled like the formset: its main form
  f.Add(IfrItemKind::kText, "Before any subtitle");
  f.Add(IfrItemKind::kSubtitle, "Group");
  f.Add(IfrItemKind::kText, "Under group");
  f.Add(IfrItemKind::kRef, "Go Advanced", 1025);
  f.Add(IfrItemKind::kRef, "", 1030);  // empty prompt: still a node
  f.Form(1025, "Advanced");
  f.Add(IfrItemKind::kPassword, "Password");
  f.Form(1026, "Lonely");  // no earlier REF: under the main form
  f.Add(IfrItemKind::kRef, "Back to Lonely", 1026);
  f.Form(1027, "Chipset");
  f.Add(IfrItemKind::kText, "Chipset text");
  f.Package();
  f.FormSet("Boot");
  f.Form(2000, "Boot Options");  // first form of its package: under BIOS
  f.Add(IfrItemKind::kDate, "Date");
  auto v = Parsed(f);
  EXPECT_EQ(v->Outline(),
            "BIOS\n  Main\n    Before any subtitle\n    Group\n      Under group\n    Go Advanced\n"
            "    \n    Advanced\n      Password\n    Lonely\n      Back to Lonely\n    Chipset\n"
            "      Chipset text\n  Boot Options\n    Date\n");
  EXPECT_EQ(v->editor.setup.node_count, 14u);
  ASSERT_EQ(v->editor.setup.var_store_count, 1u);
  EXPECT_STREQ(v->editor.setup.var_stores[0].name.data(), "Setup");
  EXPECT_STREQ(v->editor.setup.var_stores[0].formset_title.data(), "Main");
}

TEST(ParseSetupForms, FormsWithoutMainFormOrOutsideTheMap) {
  Forms f;
  f.FormSet("Set");
  f.Form(1100, "First");  // not titled like the formset: no main form
  f.Add(IfrItemKind::kRef, "Nowhere", 1200);
  f.Form(1101, "Second");
  f.Add(IfrItemKind::kRef, "To target", 1150);
  f.Form(1150, "Target");
  EXPECT_EQ(Parsed(f)->Outline(), "BIOS\n  First\n    Nowhere\nSecond\n  To target\n  Target\n");

  Forms g;
  g.FormSet("Set");
  g.Form(1, "Set");
  g.Add(IfrItemKind::kRef, "Low", 5);
  g.Add(IfrItemKind::kRef, "High", 20000);
  g.Form(5, "Five");
  g.Add(IfrItemKind::kText, "In five");
  g.Form(20000, "Twenty thousand");
  g.Add(IfrItemKind::kText, "In twenty thousand");
  g.Form(1024, "In range");
  EXPECT_EQ(Parsed(g)->Outline(),
            "BIOS\n  Set\n    Low\n    High\n    Five\n      In five\n    Twenty thousand\n"
            "      In twenty thousand\n    In range\n");
}

// Each node's item data names its opcode and offset, and its control is the item's record.
TEST(ParseSetupForms, NodesRecordTheirOpcodesPagesAndControls) {
  auto v = OpenTestMenu();
  const SetupModel& model = v->editor.setup;
  const std::span<const uint8_t> d = v->SetupData();
  const std::span<const uint8_t> spf = v->editor.workspace.m_amitse_module.Data();
  ASSERT_EQ(model.node_count, NodeOf(kMany) + 1);
  for (uint32_t n = 0; n < model.node_count; ++n) {
    SCOPED_TRACE(v->Text(n));
    const uint32_t data = v->tree().GetItemData(model.node_items[n]);
    const uint8_t opcode = ItemOpcode(data);
    EXPECT_EQ(d[ItemOffset(data)], opcode);
    EXPECT_EQ(util::LoadLe16(d.data() + ItemOffset(data) + (opcode == kOpForm ? 4 : 2)),
              model.nodes[n].string_id);
    EXPECT_EQ(model.node_items[n], model.nodes[n].item);
    NodeControl control;
    ASSERT_EQ(FindNodeControl(v->editor, model.node_items[n], control), 1);
    const uint32_t page = n < NodeOf(kSata) - 1 ? 1 : 2;  // "Main", "Advanced"
    if (opcode == kOpForm) {
      EXPECT_EQ(model.nodes[n].page_number, page - 1);
      EXPECT_EQ(control.control_record, uint64_t(v->Control(page == 1 ? 0 : kSata) - spf.data()));
      continue;
    }
    const uint32_t k = n - (page == 1 ? 1 : 2);
    EXPECT_EQ(model.nodes[n].page_number, page);
    EXPECT_EQ(model.nodes[n].control_index, page == 1 ? k : k - kSata);
    EXPECT_EQ(control.control_record, uint64_t(v->Control(k) - spf.data()));
  }
  EXPECT_EQ(v->tree().GetItemData(model.root_item), 0u);
  NodeControl control;
  EXPECT_EQ(FindNodeControl(v->editor, model.root_item, control), 0);
}

TEST(ParseSetupForms, PackageListGuidAndPackageTypes) {
  Forms f;
  for (const char* name : {"One", "Two", "Three"}) {
    f.Package();
    f.FormSet(name);
    f.Form(uint16_t(1024 + name[1]), name);
  }
  const Bytes data = f.Data();
  auto v = WithSetupData(data);
  v->SetupData()[PackageAt(*v, 2) + 3] = 0x04;  // the walk stops before a string package
  ASSERT_EQ(v->Parse(), 1);
  EXPECT_EQ(v->Outline(), "BIOS\n  One\n  Two\n");

  v = WithSetupData(data);
  v->SetupData()[23] = 0x04;  // no forms package at the pointer
  ASSERT_EQ(v->Parse(), 1);
  EXPECT_EQ(v->Outline(), "BIOS\n");
  EXPECT_EQ(v->editor.setup.node_count, 0u);

  v = WithSetupData(data);
  v->SetupData()[0] ^= 0xFF;
  EXPECT_EQ(v->Parse(), rom::kNoPackageList);
  EXPECT_EQ(v->tree().GetCount(), 0);
  std::copy(rom::kSetupPackageListAltGuid.begin(), rom::kSetupPackageListAltGuid.end(),
            v->SetupData().begin());
  EXPECT_EQ(v->Parse(), 1);  // the other GUID, recorded in the flag
  EXPECT_EQ(v->editor.workspace.m_setup_packages.package_list_guid_flag, 1);
  EXPECT_EQ(v->editor.setup.node_count, 3u);
}

// Malformed streams: the parse keeps inside the data and says what it refused.
TEST(ParseSetupForms, MalformedOpcodesAndPackages) {
  Forms f;
  f.FormSet("One");
  f.Form(1024, "One");
  f.Add(IfrItemKind::kText, "Kept");
  f.Add(IfrItemKind::kText, "Zeroed");
  f.Add(IfrItemKind::kText, "Never reached");
  f.Package();
  f.FormSet("Two");
  f.Form(1100, "Two");
  auto v = Parsed(f);
  const uint64_t zeroed = ItemOffset(v->tree().GetItemData(v->Item(2)));
  const std::vector<std::string>& diagnostics = v->editor.workspace.m_diagnostics;

  auto z = WithSetupData(f.Data());
  z->SetupData()[zeroed + 1] = 0;
  ASSERT_EQ(z->Parse(), 1);
  EXPECT_EQ(z->Outline(), "BIOS\n  One\n    Kept\n  Two\n");
  EXPECT_THAT(z->editor.workspace.m_diagnostics,
              ::testing::Contains(::testing::StartsWith("IFR opcode of length 0 at offset ")));

  // A package running past the data is walked to the data's end.
  auto p = WithSetupData(f.Data());
  Bytes& file = p->editor.workspace.m_setup_module.file;
  file.resize(zeroed + 8);
  util::StoreLe24(file.data() + 20, 0xFFFFF0);
  p->editor.workspace.m_setup_module.data_size = uint32_t(file.size());
  ASSERT_EQ(p->Parse(), 1);
  EXPECT_EQ(p->Outline(), "BIOS\n  One\n    Kept\n    Zeroed\n");
  EXPECT_THAT(p->editor.workspace.m_diagnostics,
              ::testing::Contains(
                  ::testing::StartsWith("forms package running past the Setup data at offset ")));
  file[zeroed + 1] = 0x7F;  // an opcode whose length passes the data's end is not read
  auto q = std::make_unique<SetupView>();
  q->editor.workspace = p->editor.workspace;
  ASSERT_EQ(q->Parse(), 1);
  EXPECT_EQ(q->Outline(), "BIOS\n  One\n    Kept\n");
  EXPECT_THAT(diagnostics, IsEmpty());
}

TEST(ParseSetupForms, FullTablesStop) {
  struct Case {
    const char* name;
    std::function<void(Forms&)> fill;
    uint32_t nodes;
    const char* message;  // the error box, nullptr: none
    const char* diagnostic;
  };
  const Case cases[] = {
      {"node table",
       [](Forms& f) {
         for (size_t i = 0; i < kNodeCapacity; ++i) f.Add(IfrItemKind::kText, "Item");
       },
       uint32_t(kNodeCapacity), "Error: node_no exceeds 12289", nullptr},
      {"form id list",
       [](Forms& f) {
         for (size_t i = 0; i < kFormIdListCapacity; ++i)
           f.Add(IfrItemKind::kRef, "Ref", uint16_t(2000 + i % 100));
       },
       uint32_t(kFormIdListCapacity), "Error: num_Form_id exceeds 2049", nullptr},
      {"variable stores",
       [](Forms& f) {
         for (size_t i = 0; i <= kVarStoreCapacity; ++i)
           f.list.forms_packages[0][0].varstores.push_back({{}, uint16_t(i), 4, "V"});
       },
       1, nullptr, "more than 512 variable stores: VARSTORE ignored at offset "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Forms f;
    f.FormSet("Set");
    f.Form(1024, "Set");
    c.fill(f);
    auto v = Parsed(f);
    EXPECT_EQ(v->editor.setup.node_count, c.nodes);
    EXPECT_EQ(v->Messages(),
              c.message ? std::vector<std::string>{c.message} : std::vector<std::string>{});
    if (c.message) EXPECT_EQ(v->prompter.Messages()[0].request.icon, platform::MessageIcon::kError);
    if (c.diagnostic) {
      EXPECT_EQ(v->editor.setup.var_store_count, kVarStoreCapacity);
      EXPECT_THAT(v->editor.workspace.m_diagnostics,
                  ::testing::Contains(::testing::StartsWith(c.diagnostic)));
    }
  }
}

TEST(CaptureBaseline, ReadsVisibilityAccessAndValuesByControlType) {
  auto v = OpenTestMenu();
  // A pop-up of an unusual length: the baseline falls back to its 8-bit value.
  util::StoreLe16(v->Control(kZero) + kControlDataLength, 3);
  v->Control(kZero)[65] = 0x5A;
  ASSERT_EQ(CaptureBaseline(v->editor), 1);
  struct Expected {
    uint32_t node;
    uint8_t visible, access;
    uint64_t value;
  };
  for (const Expected& e :
       {Expected{0, 1, 0, 0}, Expected{NodeOf(kBootMode), 1, 0, 1},
        Expected{NodeOf(kZero), 1, 0, 0x5A}, Expected{NodeOf(kChecked), 1, 0, 1},
        Expected{NodeOf(kNumber4), 1, 0, 10}, Expected{NodeOf(kInfo), 1, 2, 0},
        Expected{NodeOf(kHidden), 0, 3, 0}}) {
    SCOPED_TRACE(e.node);
    const NodeState& state = v->editor.setup.node_states[e.node];
    EXPECT_EQ(state.baseline_visibility, e.visible);
    EXPECT_EQ(state.baseline_access, e.access);
    EXPECT_EQ(state.baseline_value, e.value);
  }
  EXPECT_STREQ(v->editor.setup.node_states[NodeOf(kNumber4)].baseline_text.data(), "Number 4");
}

TEST(CaptureBaseline, DisplayReadsValuesTheBaselineLeavesOut) {
  auto v = OpenTestMenu();
  util::StoreLe16(v->Control(kInfo) + kControlDataLength, 1);  // a text's value of 9
  v->Control(kInfo)[65] = 9;
  v->Select(NodeOf(kInfo));
  EXPECT_THAT(v->Log(),
              ElementsAre("    Optimal option is Changed from Default Option :0 to option :9"));
  // Every question kind shows its stored value unchanged: black, nothing listed, its width.
  for (const auto& [item, width] :
       {std::pair{kBootMode, 2}, {kSata, 1}, {kChecked, 1}, {kNumber4, 4}}) {
    SCOPED_TRACE(item);
    v->Select(NodeOf(item));
    EXPECT_THAT(v->Log(), IsEmpty());
    EXPECT_EQ(v->Color(NodeOf(item)), platform::kColorBlack);
    EXPECT_EQ(v->editor.setup.node_states[NodeOf(item)].optimal_changed, 0u);
    EXPECT_EQ(v->editor.setup.current_value_width, width);
  }
}

TEST(FindNodeControl, SpfHeaderAndOffsetsOutsideTheModuleAreRefused) {
  auto v = OpenTestMenu();
  v->editor.workspace.m_amitse_module.Data()[v->Spf() + 20] ^= 0xFF;  // the GUID after "$SPF"
  EXPECT_EQ(CaptureBaseline(v->editor), 0);
  ControlState state;
  EXPECT_EQ(ReadControlState(v->editor, v->Item(NodeOf(kBootMode)), state), 0);
  for (const auto& [field, value] :
       {std::pair<uint64_t, uint32_t>{44, 0xFFFFFF00}, {48, 0x7FFFFFF0}, {64, 0}}) {
    SCOPED_TRACE(field);
    auto w = OpenTestMenu();
    util::StoreLe32(w->editor.workspace.m_amitse_module.Data().data() + w->Spf() + field, value);
    NodeControl control;
    EXPECT_EQ(FindNodeControl(w->editor, w->Item(NodeOf(kBootMode)), control), 0);
    EXPECT_THAT(w->editor.workspace.m_diagnostics,
                ::testing::Contains(::testing::StartsWith(
                    "SPF page or control outside the AmiTse data for node ")));
    const Bytes before = w->editor.workspace.m_amitse_module.file;
    w->Select(NodeOf(kBootMode));  // the display then leaves everything as it was
    EXPECT_EQ(w->editor.workspace.m_amitse_module.file, before);
  }
}

}  // namespace
}  // namespace kalvire::setup::test
