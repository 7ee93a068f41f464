#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "setup/baseline.h"
#include "setup/ifr_layout.h"
#include "setup/messages.h"
#include "setup/node_control.h"
#include "setup/parse_forms.h"
#include "setup_view.h"

namespace kalvire::setup::test {
namespace {

struct Menu {
  MenuBuilder builder;
  uint32_t form = 0, ref = 0, one_of = 0, odd_one_of = 0, checkbox = 0, numeric = 0, text = 0;
  uint32_t hidden = 0, target_form = 0;
};

Menu ValueMenu() {
  Menu m;
  MenuBuilder& b = m.builder;
  b.FormSet(b.Str("Main"));
  m.form = b.Form(1024, b.Str("Main"));
  ControlSpec ref_control{1, true, 0, 0, 0, 2};  // destination page 2
  m.ref = b.Ref(b.Str("Go"), 1025, ref_control);
  m.one_of = b.OneOf(b.Str("Mode"), 1, 4, 2, {{"Off", 0}, {"On", 0x1234}}, PopupControl(2, 0x1234));
  // A pop-up with an unusual length: the baseline falls back to its 8-bit value.
  ControlSpec odd = PopupControl(3, 0);
  m.odd_one_of = b.OneOf(b.Str("Odd"), 1, 6, 1, {{"X", 7}}, odd);
  m.checkbox = b.Checkbox(b.Str("Check"), 1, 8, CheckboxControl(1));
  m.numeric = b.Numeric(b.Str("Number"), 1, 12, 4, 0, 1000, NumericControl(4, 300));
  ControlSpec text_control{3, true, 2, 1, 9};  // a value the baseline does not read
  m.text = b.Text(b.Str("Info"), text_control);
  ControlSpec hidden_control{3, false, 3};
  m.hidden = b.Text(b.Str("Hidden"), hidden_control);
  m.target_form = b.Form(1025, b.Str("Target"));
  b.Text(b.Str("Target text"));
  return m;
}

TEST(CaptureBaseline, ReadsVisibilityAccessAndValuesByControlType) {
  Menu m = ValueMenu();
  // The odd pop-up's 8-bit value sits at +65 whatever its length.
  auto view = MakeView();
  InstallMenu(view->editor, m.builder);
  view->editor.workspace.m_amitse_module.file[m.builder.ControlRecordOffset(m.odd_one_of) + 65] =
      0x5A;
  int baseline = 0;
  auto parsed =
      ParseSetupForms(view->editor, view->editor.workspace.m_setup_module.Data(), view->tree);
  ASSERT_EQ(parsed, 1);
  baseline = CaptureBaseline(view->editor);
  ASSERT_EQ(baseline, 1);
  const auto& states = view->editor.setup.node_states;

  struct Expected {
    uint32_t node;
    uint8_t visible, access;
    uint64_t value;
  };
  for (const Expected& e :
       {Expected{m.form, 1, 0, 0}, Expected{m.one_of, 1, 0, 0x1234},
        Expected{m.odd_one_of, 1, 0, 0x5A}, Expected{m.checkbox, 1, 0, 1},
        Expected{m.numeric, 1, 0, 300}, Expected{m.text, 1, 2, 0}, Expected{m.hidden, 0, 3, 0}}) {
    SCOPED_TRACE(e.node);
    EXPECT_EQ(states[e.node].baseline_visibility, e.visible);
    EXPECT_EQ(states[e.node].baseline_access, e.access);
    EXPECT_EQ(states[e.node].baseline_value, e.value);
  }
  EXPECT_STREQ(states[m.numeric].baseline_text.data(), "Number");
}

TEST(CaptureBaseline, DisplayReadsValuesTheBaselineLeavesOut) {
  Menu m = ValueMenu();
  auto view = MakeView();
  ASSERT_EQ(LoadMenu(*view, m.builder), 1);
  // The text's value 9 is read by the display (length 1), not by the baseline.
  SelectNode(*view, m.text);
  EXPECT_THAT(
      LogLines(view->track_log),
      ::testing::ElementsAre("    Optimal option is Changed from Default Option :0 to option :9"));
  // Every question kind with an optimal default shows its stored value unchanged: black,
  // nothing listed, its width taken.
  struct Question {
    uint32_t node;
    int32_t width;
  };
  for (const Question& q : {Question{m.one_of, 2}, Question{m.odd_one_of, 1},
                            Question{m.checkbox, 1}, Question{m.numeric, 4}}) {
    SCOPED_TRACE(q.node);
    SelectNode(*view, q.node);
    EXPECT_TRUE(LogLines(view->track_log).empty());
    EXPECT_EQ(view->tree.GetItemColor(view->editor.setup.node_items[q.node]),
              platform::kColorBlack);
    EXPECT_EQ(view->editor.setup.node_states[q.node].optimal_changed, 0u);
    EXPECT_EQ(view->editor.setup.current_value_width, q.width);
  }
}

TEST(CaptureBaseline, FailsWithoutSpfHeader) {
  Menu m = ValueMenu();
  auto view = MakeView();
  InstallMenu(view->editor, m.builder);
  auto& spf = view->editor.workspace.m_amitse_module.file;
  spf[24 + 20] ^= 0xFF;  // the GUID after "$SPF"
  ASSERT_EQ(ParseSetupForms(view->editor, view->editor.workspace.m_setup_module.Data(), view->tree),
            1);
  EXPECT_EQ(CaptureBaseline(view->editor), 0);
  ControlState state;
  EXPECT_EQ(ReadControlState(view->editor, view->editor.setup.root_item, state), 0);
}

TEST(FindNodeControl, FormAndItsNodesShareAPageAndRefsReportTheirDestination) {
  Menu m = ValueMenu();
  auto view = MakeView();
  ASSERT_EQ(LoadMenu(*view, m.builder), 1);
  const auto& items = view->editor.setup.node_items;
  NodeControl form, one_of, ref, target_form;
  ASSERT_EQ(FindNodeControl(view->editor, items[m.form], form), 1);
  ASSERT_EQ(FindNodeControl(view->editor, items[m.one_of], one_of), 1);
  ASSERT_EQ(FindNodeControl(view->editor, items[m.ref], ref), 1);
  ASSERT_EQ(FindNodeControl(view->editor, items[m.target_form], target_form), 1);
  EXPECT_EQ(form.page_record, one_of.page_record);
  EXPECT_EQ(ref.page_record, target_form.page_record);
  EXPECT_NE(ref.page_record, form.page_record);
  EXPECT_EQ(one_of.control_record, m.builder.ControlRecordOffset(m.one_of));
  EXPECT_EQ(form.control_record, m.builder.ControlRecordOffset(m.ref));  // the page's first
  EXPECT_EQ(view->editor.workspace.m_spf_control_header_offset, 24u);
  EXPECT_EQ(FindNodeControl(view->editor, view->editor.setup.root_item, form), 0);
}

TEST(FindNodeControl, OffsetsPointingOutsideTheModuleAreRefused) {
  Menu m = ValueMenu();
  struct Case {
    const char* what;
    uint64_t field;  // offset from the SPF header
    uint32_t value;
  };
  for (const Case& c : {Case{"page table", 44, 0xFFFFFF00}, Case{"control area", 48, 0x7FFFFFF0},
                        Case{"page count", 64, 0}}) {
    SCOPED_TRACE(c.what);
    auto view = MakeView();
    ASSERT_EQ(LoadMenu(*view, m.builder), 1);
    util::StoreLe32(view->editor.workspace.m_amitse_module.file.data() + 24 + c.field, c.value);
    NodeControl control;
    EXPECT_EQ(FindNodeControl(view->editor, view->editor.setup.node_items[m.one_of], control), 0);
    EXPECT_THAT(view->editor.workspace.m_diagnostics,
                ::testing::Contains(::testing::StartsWith(kDiagPageOutsideTable)));
    // The display and the edits then leave everything as it was.
    const auto before = view->editor.workspace.m_amitse_module.file;
    SelectNode(*view, m.one_of);
    EXPECT_EQ(view->editor.workspace.m_amitse_module.file, before);
  }
}

}  // namespace
}  // namespace kalvire::setup::test
