#include "setup/ifr_layout.h"
#include "setup/node_control.h"
#include "setup/string_edit.h"
#include "setup_view.h"
#include "support/test_data.h"

namespace kalvire::setup::test {
namespace {

// Node-making opcodes of the forms packages from `package` on, counted without the parser.
uint32_t CountNodeOpcodes(std::span<const uint8_t> d, uint64_t package) {
  uint32_t count = 0;
  for (uint64_t length = 0; package + 4 <= d.size() && d[package + 3] == kPackageForms;
       package += length) {
    length = util::LoadLe24(d.data() + package);
    if (length < 4 || length > d.size() - package) break;
    for (uint64_t pos = package + 4, op = 0; pos + 2 <= package + length; pos += op) {
      if ((op = d[pos + 1] & 0x7F) == 0) break;
      count += std::string_view("\x01\x02\x03\x05\x06\x07\x08\x0F\x1A\x1B").find(char(d[pos])) !=
               std::string_view::npos;
    }
  }
  return count;
}

// Vendor setup data gives CHECKBOX questions pop-up controls, whose value the baseline reads:
// the display then shows each checkbox's optimal default unchanged. A string edit reopens as
// it was left.
TEST(SetupRealImages, VendorMenusParseCaptureTheirBaselineAndTakeAStringEdit) {
  const auto dir = kalvire::test::SharedImagesDir();
  if (!dir) GTEST_SKIP() << "no shared images folder beside the repository: vendor menus skipped";
  for (const char* name : {"h61-bios-region.bin", "p7xxdm-full-flash.rom"}) {
    SCOPED_TRACE(name);
    SetupView view;
    ASSERT_EQ(editor::OpenRomImagePath(view.editor, (*dir / name).string()), 1);
    const SetupModel& model = view.editor.setup;
    EXPECT_GT(model.node_count, 100u);
    EXPECT_EQ(model.node_count,
              CountNodeOpcodes(view.SetupData(),
                               view.editor.workspace.m_setup_packages.forms_package.value()));
    uint32_t checkboxes = 0, enabled = 0, one_of = 0;  // the first one-of with a text of its own
    for (uint32_t node = 0; node < model.node_count; ++node) {
      NodeControl control;
      ASSERT_EQ(FindNodeControl(view.editor, model.node_items[node], control), 1) << node;
      if (!one_of && control.opcode == kOpOneOf && view.Text(node).size() > 3) one_of = node;
      if (control.opcode != kOpCheckbox) continue;
      ++checkboxes;
      const uint8_t* spf = view.editor.workspace.m_amitse_module.Data().data();
      EXPECT_EQ(util::LoadLe16(spf + control.control_record + kControlType), kControlTypePopupSel);
      enabled += model.node_states[node].baseline_value == 1 ? 1 : 0;
      view.Select(node);
      EXPECT_EQ(std::to_string(model.node_states[node].optimal_changed) +
                    std::to_string(view.editor.setup.current_value_width),
                "01")
          << node;
    }
    EXPECT_GT(checkboxes, 50u);
    EXPECT_GT(enabled, 0u);  // defaults of 1 are read, not taken as 0
    const std::string text = view.Text(one_of) + "!?";
    EditSetupString(view.editor, one_of, text);
    EXPECT_THAT(view.Messages(), IsEmpty());
    EXPECT_EQ(view.Text(one_of), text);
    auto again = WithSetupModule(view.editor.workspace.m_setup_module);
    ASSERT_EQ(again->Parse(), 1);
    EXPECT_TRUE(again->Items() == view.Items());  // a new Open sees the tree the edit left
  }
}

}  // namespace
}  // namespace kalvire::setup::test
