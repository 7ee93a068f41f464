#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "setup/ifr_layout.h"
#include "setup/messages.h"
#include "setup/node_lookup.h"
#include "setup/parse_forms.h"
#include "setup_view.h"

namespace kalvire::setup::test {
namespace {

using ::testing::ElementsAre;

// Two packages: "Main" with REFs before and after their forms, and "Boot".
MenuBuilder ShapeMenu() {
  MenuBuilder m;
  m.FormSet(m.Str("Main"));
  m.VarStore(1, "Setup");
  m.Form(1024, m.Str("Main"));  // titled like the formset: its main form
  m.Text(m.Str("Before any subtitle"));
  m.Subtitle(m.Str("Group"));
  m.Text(m.Str("Under group"));
  m.Ref(m.Str("Go Advanced"), 1025);
  m.Ref(m.Str(""), 1030);  // empty prompt: still a node
  m.Form(1025, m.Str("Advanced"));
  m.Question(kOpPassword, m.Str("Password"));
  m.Form(1026, m.Str("Lonely"));  // no earlier REF: under the main form
  m.Ref(m.Str("Back to Lonely"), 1026);
  m.Form(1027, m.Str("Chipset"));
  m.Text(m.Str("Chipset text"));
  m.NewPackage();
  m.FormSet(m.Str("Boot"));
  m.Form(2000, m.Str("Boot Options"));  // first form of its package: under BIOS
  m.Question(kOpDate, m.Str("Date"));
  return m;
}

TEST(ParseSetupForms, PlacesFormsReferencesSubtitlesAndTexts) {
  auto view = MakeView();
  ASSERT_EQ(LoadMenu(*view, ShapeMenu()), 1);
  EXPECT_EQ(TreeOutline(view->tree),
            "BIOS\n"
            "  Main\n"
            "    Before any subtitle\n"
            "    Group\n"
            "      Under group\n"
            "    Go Advanced\n"
            "    \n"
            "    Advanced\n"
            "      Password\n"
            "    Lonely\n"
            "      Back to Lonely\n"
            "    Chipset\n"
            "      Chipset text\n"
            "  Boot Options\n"
            "    Date\n");
  EXPECT_EQ(view->editor.setup.node_count, 14u);
  ASSERT_EQ(view->editor.setup.var_store_count, 1u);
  EXPECT_STREQ(view->editor.setup.var_stores[0].name.data(), "Setup");
  EXPECT_STREQ(view->editor.setup.var_stores[0].formset_title.data(), "Main");
}

TEST(ParseSetupForms, WithoutMainFormUnreferencedFormsAreTopLevel) {
  MenuBuilder m;
  m.FormSet(m.Str("Set"));
  m.Form(1100, m.Str("First"));  // not titled like the formset: no main form
  m.Ref(m.Str("Nowhere"), 1200);
  m.Form(1101, m.Str("Second"));
  m.Ref(m.Str("To target"), 1150);
  m.Form(1150, m.Str("Target"));
  auto view = MakeView();
  ASSERT_EQ(LoadMenu(*view, m), 1);
  EXPECT_EQ(TreeOutline(view->tree),
            "BIOS\n"
            "  First\n"
            "    Nowhere\n"
            "Second\n"
            "  To target\n"
            "  Target\n");
}

TEST(ParseSetupForms, NumbersPagesAndControlsAndRecordsItemData) {
  MenuBuilder m;
  m.FormSet(m.Str("Set"));
  m.VarStore(1, "Setup");  // counted before the first form: the FORM node records it
  const uint32_t form_a = m.Form(1024, m.Str("Set"));
  const uint32_t sub = m.Subtitle(m.Str("Sub"));
  m.Control(kOpAction);
  const uint32_t text = m.Text(m.Str("T"));
  m.Control(kOpString);
  m.Control(kOpOrderedList);
  m.VarStore(2, "Other");
  const uint32_t one_of = m.OneOf(m.Str("Q"), 1, 0, 1, {{"A", 0}}, PopupControl(1, 0));
  const uint32_t form_b = m.Form(1025, m.Str("B"));
  const uint32_t checkbox = m.Checkbox(m.Str("C"), 1, 1, CheckboxControl(0));
  auto view = MakeView();
  ASSERT_EQ(LoadMenu(*view, m), 1);
  const SetupModel& model = view->editor.setup;

  struct Expected {
    uint32_t node;
    uint8_t opcode;
    uint16_t page;
    uint16_t control;
  };
  for (const Expected& e :
       {Expected{form_a, kOpForm, 0, 1}, Expected{sub, kOpSubtitle, 1, 0},
        Expected{text, kOpText, 1, 2}, Expected{one_of, kOpOneOf, 1, 6},
        Expected{form_b, kOpForm, 1, 7}, Expected{checkbox, kOpCheckbox, 2, 0}}) {
    SCOPED_TRACE(e.node);
    EXPECT_EQ(model.nodes[e.node].page_number, e.page);
    EXPECT_EQ(model.nodes[e.node].control_index, e.control);
    EXPECT_EQ(model.node_items[e.node], model.nodes[e.node].item);
    EXPECT_EQ(view->tree.GetItemData(model.nodes[e.node].item),
              uint32_t(e.opcode) << 24 | m.NodeOffset(e.node));
  }
  EXPECT_EQ(view->tree.GetItemData(model.root_item), 0u);
  EXPECT_EQ(model.var_store_count, 2u);
}

TEST(ParseSetupForms, FollowsFormsPackagesOnlyWhileTheyAreFormsPackages) {
  MenuBuilder m;
  m.FormSet(m.Str("One"));
  m.Form(1024, m.Str("One"));
  m.NewPackage();
  m.FormSet(m.Str("Two"));
  m.Form(1100, m.Str("Two"));
  m.NewPackage();
  m.FormSet(m.Str("Three"));
  m.Form(1200, m.Str("Three"));
  auto view = MakeView();
  InstallMenu(view->editor, m);
  // Make the third package a string package: the walk stops before it.
  auto& data = view->editor.workspace.m_setup_module.file;
  const uint64_t third = m.NodeOffset(2) - 23 - 4;  // FORM_SET (23 bytes) and package header
  ASSERT_EQ(data[third + 3], kPackageForms);
  data[third + 3] = 0x04;
  ASSERT_EQ(ParseSetupForms(view->editor, view->editor.workspace.m_setup_module.Data(), view->tree),
            1);
  EXPECT_EQ(TreeOutline(view->tree), "BIOS\n  One\n  Two\n");
}

TEST(ParseSetupForms, WithoutPackageListGuidChangesNothing) {
  auto view = MakeView();
  MenuBuilder m;
  m.FormSet(m.Str("One"));
  m.Form(1024, m.Str("One"));
  InstallMenu(view->editor, m);
  auto& data = view->editor.workspace.m_setup_module.file;
  data[0] ^= 0xFF;
  EXPECT_EQ(ParseSetupForms(view->editor, view->editor.workspace.m_setup_module.Data(), view->tree),
            kNoPackageList);
  EXPECT_EQ(view->tree.GetCount(), 0);

  // The alternative GUID is accepted and recorded in the flag.
  std::copy(rom::kSetupPackageListAltGuid.begin(), rom::kSetupPackageListAltGuid.end(),
            data.begin());
  EXPECT_EQ(ParseSetupForms(view->editor, view->editor.workspace.m_setup_module.Data(), view->tree),
            1);
  EXPECT_EQ(view->editor.workspace.m_setup_packages.package_list_guid_flag, 1);
  EXPECT_EQ(view->editor.setup.node_count, 1u);
}

TEST(ParseSetupForms, NonFormsPackageAtThePointerGivesOnlyTheRoot) {
  auto view = MakeView();
  MenuBuilder m;
  m.FormSet(m.Str("One"));
  m.Form(1024, m.Str("One"));
  InstallMenu(view->editor, m);
  view->editor.workspace.m_setup_module.file[23] = 0x04;
  EXPECT_EQ(ParseSetupForms(view->editor, view->editor.workspace.m_setup_module.Data(), view->tree),
            1);
  EXPECT_EQ(TreeOutline(view->tree), "BIOS\n");
  EXPECT_EQ(view->editor.setup.node_count, 0u);
}

// Malformed streams: the parse keeps inside the data and says what it refused.
TEST(ParseSetupForms, ZeroLengthOpcodeEndsItsPackage) {
  MenuBuilder m;
  m.FormSet(m.Str("One"));
  m.Form(1024, m.Str("One"));
  m.Text(m.Str("Kept"));
  m.Raw({kOpText, 0x00, 1, 0});
  m.Text(m.Str("Never reached"));
  m.NewPackage();
  m.FormSet(m.Str("Two"));
  m.Form(1100, m.Str("Two"));
  auto view = MakeView();
  ASSERT_EQ(LoadMenu(*view, m), 1);
  EXPECT_EQ(TreeOutline(view->tree), "BIOS\n  One\n    Kept\n  Two\n");
  EXPECT_THAT(view->editor.workspace.m_diagnostics,
              ::testing::Contains(::testing::StartsWith(kDiagZeroLengthOpcode)));
}

TEST(ParseSetupForms, PackageRunningPastTheDataIsWalkedToTheDataEnd) {
  MenuBuilder m;
  m.FormSet(m.Str("One"));
  m.Form(1024, m.Str("One"));
  m.Text(m.Str("Last"));
  auto view = MakeView();
  InstallMenu(view->editor, m);
  auto& data = view->editor.workspace.m_setup_module.file;
  data.resize(m.NodeOffset(1) + 8);  // cut after the TEXT, end package gone
  util::StoreLe24(data.data() + 20, 0xFFFFF0);
  view->editor.workspace.m_setup_module.data_size = uint32_t(data.size());
  ASSERT_EQ(ParseSetupForms(view->editor, view->editor.workspace.m_setup_module.Data(), view->tree),
            1);
  EXPECT_EQ(TreeOutline(view->tree), "BIOS\n  One\n    Last\n");
  EXPECT_THAT(view->editor.workspace.m_diagnostics,
              ::testing::Contains(::testing::StartsWith(kDiagPackagePastData)));

  // An opcode whose length passes the data's end is not read.
  data.back() = 0x7F;
  data[m.NodeOffset(1) + 1] = 0x7F;
  auto again = MakeView();
  again->editor.workspace = view->editor.workspace;
  ASSERT_EQ(
      ParseSetupForms(again->editor, again->editor.workspace.m_setup_module.Data(), again->tree),
      1);
  EXPECT_EQ(TreeOutline(again->tree), "BIOS\n  One\n");
}

TEST(ParseSetupForms, FormIdsOutsideTheMapStillHoldTheirNodes) {
  MenuBuilder m;
  m.FormSet(m.Str("Set"));
  m.Form(1, m.Str("Set"));
  m.Ref(m.Str("Low"), 5);
  m.Ref(m.Str("High"), 20000);
  m.Form(5, m.Str("Five"));
  m.Text(m.Str("In five"));
  m.Form(20000, m.Str("Twenty thousand"));
  m.Text(m.Str("In twenty thousand"));
  m.Form(1024, m.Str("In range"));
  auto view = MakeView();
  ASSERT_EQ(LoadMenu(*view, m), 1);
  EXPECT_EQ(TreeOutline(view->tree),
            "BIOS\n"
            "  Set\n"
            "    Low\n"
            "    High\n"
            "    Five\n"
            "      In five\n"
            "    Twenty thousand\n"
            "      In twenty thousand\n"
            "    In range\n");
}

TEST(ParseSetupForms, FormBeforeAnyFormSetKeepsTheRootFormId) {
  MenuBuilder m;
  m.Form(1024, m.Str("Orphan"));
  m.Text(m.Str("Orphan text"));
  m.Form(1025, m.Str("Second orphan"));
  m.FormSet(m.Str("Set"));
  m.VarStore(3, "Late");
  auto view = MakeView();
  ASSERT_EQ(LoadMenu(*view, m), 1);
  EXPECT_EQ(TreeOutline(view->tree),
            "BIOS\n"
            "  Orphan\n"
            "    Orphan text\n"
            "Second orphan\n");
  EXPECT_STREQ(view->editor.setup.var_stores[0].formset_title.data(), "Set");
}

TEST(ParseSetupForms, FullNodeTableStopsWithItsMessage) {
  MenuBuilder m;
  m.FormSet(m.Str("Set"));
  m.Form(1024, m.Str("Set"));
  const uint16_t prompt = m.Str("Item");
  for (size_t i = 0; i < kNodeCapacity; ++i) m.Text(prompt);
  auto view = MakeView();
  ASSERT_EQ(LoadMenu(*view, m), 1);
  EXPECT_EQ(view->editor.setup.node_count, kNodeCapacity);
  ASSERT_EQ(view->prompter.Messages().size(), 1u);
  EXPECT_EQ(view->prompter.Messages()[0].request.text, "Error: node_no exceeds 12289");
  EXPECT_EQ(view->prompter.Messages()[0].request.icon, platform::MessageIcon::kError);
}

TEST(ParseSetupForms, FullFormIdListStopsWithItsMessage) {
  MenuBuilder m;
  m.FormSet(m.Str("Set"));
  m.Form(1024, m.Str("Set"));  // one entry for the form itself
  const uint16_t prompt = m.Str("Ref");
  for (size_t i = 0; i < kFormIdListCapacity; ++i) m.Ref(prompt, uint16_t(2000 + i % 100));
  auto view = MakeView();
  ASSERT_EQ(LoadMenu(*view, m), 1);
  ASSERT_EQ(view->prompter.Messages().size(), 1u);
  EXPECT_EQ(view->prompter.Messages()[0].request.text, "Error: num_Form_id exceeds 2049");
  EXPECT_EQ(view->editor.setup.node_count, kFormIdListCapacity);  // the form and 2047 REFs
}

TEST(ParseSetupForms, FullVarStoreTableIgnoresFurtherStores) {
  MenuBuilder m;
  m.FormSet(m.Str("Set"));
  for (size_t i = 0; i <= kVarStoreCapacity; ++i) m.VarStore(uint16_t(i), "V");
  m.Form(1024, m.Str("Set"));
  auto view = MakeView();
  ASSERT_EQ(LoadMenu(*view, m), 1);
  EXPECT_EQ(view->editor.setup.var_store_count, kVarStoreCapacity);
  EXPECT_THAT(view->editor.workspace.m_diagnostics,
              ::testing::Contains(::testing::StartsWith(kDiagVarStoreTableFull)));
}

}  // namespace
}  // namespace kalvire::setup::test
