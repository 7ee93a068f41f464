
#include "setup/baseline.h"
#include "setup/ifr_layout.h"
#include "setup/node_control.h"
#include "setup_view.h"

namespace kalvire::setup::test {
namespace {

using Forms = tools::FormsWriter;

constexpr auto Write = &tools::FormsFromOutline;  // the menu as an outline
std::unique_ptr<SetupView> Parsed(Forms f) {
  auto v = WithSetupData(f.Data());
  EXPECT_EQ(v->Parse(), 1);
  return v;
}

// "Main" is titled like its formset: the main form. A REF of an empty prompt is still a node.
// "Lonely" has no earlier REF: it goes under the main form. "Boot Options" is the first form of
// its package: under BIOS. "First" is not titled like its formset: there is no main form. Form
// ids 5 and 20000 lie outside the map of form ids.
TEST(ParseSetupForms, PlacesFormsReferencesSubtitlesAndTexts) {
  const std::pair<const char*, const char*> menus[] = {
      {"S:Main|F1024:Main|T:Before any subtitle|G:Group|T:Under group|R1025:Go Advanced|R1030:|"
       "F1025:Advanced|W:Password|F1026:Lonely|R1026:Back to Lonely|F1027:Chipset|T:Chipset "
       "text|P:|S:Boot|F2000:Boot Options|D:Date",
       "BIOS\n  Main\n    Before any subtitle\n    Group\n      Under group\n    Go Advanced\n"
       "    \n    Advanced\n      Password\n    Lonely\n      Back to Lonely\n    Chipset\n"
       "      Chipset text\n  Boot Options\n    Date\n"},
      {"S:Set|F1100:First|R1200:Nowhere|F1101:Second|R1150:To target|F1150:Target",
       "BIOS\n  First\n    Nowhere\nSecond\n  To target\n  Target\n"},
      {"S:Set|F1:Set|R5:Low|R20000:High|F5:Five|T:In five|F20000:Twenty thousand|T:In twenty "
       "thousand|F1024:In range",
       "BIOS\n  Set\n    Low\n    High\n    Five\n      In five\n    Twenty thousand\n"
       "      In twenty thousand\n    In range\n"}};
  for (const auto& [menu, outline] : menus) EXPECT_EQ(Parsed(Write(menu))->Outline(), outline);
}

TEST(ParseSetupForms, PackageListGuidAndPackageTypes) {
  const Bytes data = Write("P:|S:One|F1024:One|P:|S:Two|F1025:Two|P:|S:Three|F1026:Three").Data();
  auto v = WithSetupData(data);
  v->SetupData()[0] ^= 0xFF;
  EXPECT_EQ(v->Parse(), rom::kNoPackageList);
  EXPECT_EQ(v->tree().GetCount(), 0);
  std::copy(rom::kSetupPackageListAltGuid.begin(), rom::kSetupPackageListAltGuid.end(),
            v->SetupData().begin());
  EXPECT_EQ(v->Parse(), 1);  // the other GUID, recorded in the flag
  EXPECT_EQ(v->editor.workspace.m_setup_packages.package_list_guid_flag, 1);
  EXPECT_EQ(v->editor.setup.node_count, 3u);
}

// Malformed streams: the parse keeps inside the data and says what it refused. An opcode of
// length 0 ends its package; a package running past the data is walked to the data's end, where
// an opcode whose length passes the end is not read.
TEST(ParseSetupForms, MalformedOpcodesAndPackages) {
  const Forms f = Write("S:One|F1024:One|T:Kept|T:Zeroed|T:Never reached|P:|S:Two|F1100:Two");
  const uint64_t zeroed = Parsed(f)->Offset(2);
  const struct {
    int length;  // of the opcode "Zeroed", -1: as written
    bool cut;    // the data cut inside "Never reached", its package running on
    const char *outline, *diagnostic;
  } cases[] = {
      {0, false, "BIOS\n  One\n    Kept\n  Two\n", "IFR opcode of length 0 at offset "},
      {-1, true, "BIOS\n  One\n    Kept\n    Zeroed\n", "forms package running past the Setup"},
      {0x7F, true, "BIOS\n  One\n    Kept\n", "forms package running past the Setup data at "}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.outline);
    auto v = WithSetupData(Forms(f).Data());
    Bytes& file = v->editor.workspace.m_setup_module.file;
    if (c.length >= 0) file[zeroed + 1] = uint8_t(c.length);
    if (c.cut) file.resize(zeroed + 8);
    if (c.cut) util::StoreLe24(file.data() + 20, 0xFFFFF0);
    v->editor.workspace.m_setup_module.data_size = uint32_t(file.size());
    ASSERT_EQ(v->Parse(), 1);
    EXPECT_EQ(v->Outline(), c.outline);
    EXPECT_THAT(v->editor.workspace.m_diagnostics,
                ::testing::Contains(::testing::StartsWith(c.diagnostic)));
  }
}

// A full node table or form id list stops the parse with a box.
TEST(ParseSetupForms, FullTablesStop) {
  const std::tuple<IfrItemKind, size_t, const char*> full[] = {
      {IfrItemKind::kText, kNodeCapacity, "Error: node_no exceeds 12289"},
      {IfrItemKind::kRef, kFormIdListCapacity, "Error: num_Form_id exceeds 2049"}};
  for (const auto& [kind, capacity, message] : full) {
    Forms f = Write("S:Set|F1024:Set");
    for (size_t i = 0; i < capacity; ++i) f.Add(kind, "Item", uint16_t(2000 + i % 100));
    auto v = Parsed(f);
    EXPECT_EQ(v->editor.setup.node_count, capacity);
    EXPECT_THAT(v->Messages(), ElementsAre(message));
    EXPECT_EQ(v->prompter.Messages().at(0).request.icon, platform::MessageIcon::kError);
  }
}

// The baseline reads visibility, access and values by control type; a pop-up of an unusual
// length falls back to its 8-bit value. The display reads the value of a text, which the
// baseline leaves out, and shows every question kind's stored value unchanged at its width.
TEST(CaptureBaseline, ReadsVisibilityAccessAndValuesByControlType) {
  auto v = OpenTestMenu();
  util::StoreLe16(v->Control(kZero) + kControlDataLength, 3);
  v->Control(kZero)[65] = 0x5A;
  util::StoreLe16(v->Control(kInfo) + kControlDataLength, 1);
  v->Control(kInfo)[65] = 9;
  ASSERT_EQ(CaptureBaseline(v->editor), 1);
  std::string baseline;
  for (const uint32_t n : {0u, NodeOf(kBootMode), NodeOf(kZero), NodeOf(kChecked), NodeOf(kNumber4),
                           NodeOf(kInfo), NodeOf(kHidden)}) {
    const NodeState& s = v->editor.setup.node_states[n];
    baseline += std::to_string(s.baseline_visibility) + std::to_string(s.baseline_access) + ":" +
                std::to_string(s.baseline_value) + " ";
  }
  EXPECT_EQ(baseline, "10:0 10:1 10:90 10:1 10:10 12:0 03:0 ");
  EXPECT_STREQ(v->editor.setup.node_states[NodeOf(kNumber4)].baseline_text.data(), "Number 4");
  v->Select(NodeOf(kInfo));
  EXPECT_THAT(v->Log(),
              ElementsAre("    Optimal option is Changed from Default Option :0 to option :9"));
  for (const auto& [item, width] : {std::pair{kBootMode, 2}, {kNumber4, 4}}) {
    v->Select(NodeOf(item));
    EXPECT_EQ(v->Log().size() * 10 + v->editor.setup.current_value_width, width) << item;
  }
  NodeControl root;  // the root names no control, and without the SPF header there is no baseline
  EXPECT_EQ(FindNodeControl(v->editor, v->editor.setup.root_item, root), 0);
  v->editor.workspace.m_amitse_module.Data()[v->Spf() + 20] ^= 0xFF;  // the GUID after "$SPF"
  EXPECT_EQ(CaptureBaseline(v->editor), 0);
}

}  // namespace
}  // namespace kalvire::setup::test
