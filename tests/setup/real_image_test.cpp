#include <gtest/gtest.h>

#include <filesystem>

#include "editor/open_image.h"
#include "rom/firmware_walk.h"
#include "rom/module_extract.h"
#include "rom/setup_packages.h"
#include "setup/baseline.h"
#include "setup/commands.h"
#include "setup/ifr_layout.h"
#include "setup/node_control.h"
#include "setup/parse_forms.h"
#include "setup/string_edit.h"
#include "setup_view.h"
#include "support/test_data.h"

namespace kalvire::setup::test {
namespace {

// Node-making opcodes of the forms packages from `package` on, counted without the parser.
uint32_t CountNodeOpcodes(std::span<const uint8_t> data, uint64_t package) {
  uint32_t count = 0;
  while (package + 4 <= data.size() && data[package + 3] == kPackageForms) {
    const uint64_t length = util::LoadLe24(data.data() + package);
    if (length < 4) break;
    const uint64_t end = std::min<uint64_t>(package + length, data.size());
    for (uint64_t pos = package + 4; pos + 2 <= end;) {
      const uint8_t op_length = data[pos + 1] & 0x7F;
      if (op_length == 0 || op_length > end - pos) break;
      count += std::string_view("\x01\x02\x03\x05\x06\x07\x08\x0F\x1A\x1B").find(char(data[pos])) !=
               std::string_view::npos;
      pos += op_length;
    }
    if (package + length > data.size()) break;
    package += length;
  }
  return count;
}

// Vendor setup data gives CHECKBOX questions pop-up controls, whose value the baseline reads:
// the display then shows each checkbox's optimal default unchanged.
TEST(SetupRealImages, VendorMenusParseCaptureTheirBaselineAndTakeAStringEdit) {
  const auto dir = kalvire::test::SharedImagesDir();
  if (!dir) GTEST_SKIP() << "no shared images folder beside the repository";
  for (const char* name : {"h61-bios-region.bin", "p7xxdm-full-flash.rom"}) {
    SCOPED_TRACE(name);
    SetupView view;
    ASSERT_EQ(editor::OpenRomImagePath(view.editor, (*dir / name).string()), 1);
    const SetupModel& model = view.editor.setup;
    const auto data = view.SetupData();
    ASSERT_TRUE(view.editor.workspace.m_setup_packages.forms_package.has_value());
    EXPECT_GT(model.node_count, 100u);
    EXPECT_EQ(model.node_count,
              CountNodeOpcodes(data, *view.editor.workspace.m_setup_packages.forms_package));
    EXPECT_TRUE(view.prompter.Messages().empty());
    uint32_t checkboxes = 0, enabled = 0;
    std::optional<uint32_t> one_of;  // the first with a text of its own
    for (uint32_t node = 0; node < model.node_count; ++node) {
      NodeControl control;
      ASSERT_EQ(FindNodeControl(view.editor, model.node_items[node], control), 1) << node;
      if (!one_of && control.opcode == kOpOneOf && view.Text(node).size() > 3) one_of = node;
      if (control.opcode != kOpCheckbox) continue;
      SCOPED_TRACE(node);
      ++checkboxes;
      const auto spf = view.editor.workspace.m_amitse_module.Data();
      EXPECT_EQ(util::LoadLe16(spf.data() + control.control_record + kControlType),
                kControlTypePopupSel);
      enabled += model.node_states[node].baseline_value == 1 ? 1 : 0;
      view.Select(node);
      EXPECT_EQ(model.node_states[node].optimal_changed, 0u);
      EXPECT_EQ(view.editor.setup.current_value_width, 1);
    }
    EXPECT_GT(checkboxes, 50u);
    EXPECT_GT(enabled, 0u);  // defaults of 1 are read, not taken as 0

    ASSERT_TRUE(one_of);
    const std::string text = view.Text(*one_of) + "!?";
    EditSetupString(view.editor, *one_of, text);
    EXPECT_THAT(view.Messages(), ::testing::IsEmpty());
    EXPECT_EQ(view.Text(*one_of), text);
    auto again = WithSetupModule(view.editor.workspace.m_setup_module);
    ASSERT_EQ(again->Parse(), 1);
    EXPECT_TRUE(again->Items() == view.Items());  // a new Open sees the tree the edit left
  }
}

// A forms package as EDK2 drivers carry it in their data: type 2, a FORM_SET first, opcodes that
// end exactly at the package's end with an END.
bool LooksLikeFormsPackage(std::span<const uint8_t> data, uint64_t pos) {
  if (pos + 8 > data.size() || data[pos + 3] != kPackageForms || data[pos + 4] != kOpFormSet) {
    return false;
  }
  const uint64_t length = util::LoadLe24(data.data() + pos);
  if (length < 32 || length > data.size() - pos) return false;
  uint64_t at = pos + 4;
  uint8_t last = 0;
  while (at < pos + length) {
    const uint8_t op_length = data[at + 1] & 0x7F;
    if (op_length < 2 || op_length > pos + length - at) return false;
    last = data[at];
    at += op_length;
  }
  return last == kOpEnd;
}

TEST(SetupRealImages, OvmfDriverFormsParseLikeAnIndependentCount) {
  const std::filesystem::path ovmf = "/usr/share/ovmf/OVMF.fd";
  if (!std::filesystem::exists(ovmf)) GTEST_SKIP() << "no " << ovmf;
  auto source = std::make_unique<SetupView>();
  source->editor.workspace.m_working_image = kalvire::test::ReadFileOrFail(ovmf);
  rom::WalkFirmwareVolumes(source->editor);
  ASSERT_GT(source->editor.workspace.m_file_count, 20u);

  int packages = 0;
  for (uint32_t f = 0; f < source->editor.workspace.m_file_count; ++f) {
    rom::ModuleSlot slot;
    if (rom::ExtractModule(source->editor, source->editor.workspace.m_files[f].name, slot) != 1) {
      continue;
    }
    const std::span<const uint8_t> file(slot.file);
    for (uint64_t pos = 0; pos + 8 <= file.size(); ++pos) {
      if (!LooksLikeFormsPackage(file, pos)) continue;
      const uint64_t length = util::LoadLe24(file.data() + pos);
      // Set in a package list of its own, as the Setup module carries it.
      Bytes data(rom::kSetupPackageListAltGuid.begin(), rom::kSetupPackageListAltGuid.end());
      data.resize(20);
      util::StoreLe32(data.data() + 16, uint32_t(20 + length + 4));
      data.insert(data.end(), file.begin() + pos, file.begin() + pos + length);
      data.insert(data.end(), {0x04, 0x00, 0x00, 0xDF});

      auto view = WithSetupData(data, false);
      ASSERT_EQ(view->Parse(), 1);
      EXPECT_EQ(view->editor.setup.node_count, CountNodeOpcodes(data, 20)) << "file " << f;
      EXPECT_GT(view->editor.setup.node_count, 0u);
      ++packages;
      pos += length - 1;
    }
  }
  EXPECT_GE(packages, 10);
  RecordProperty("ovmf_forms_packages", packages);
}

}  // namespace
}  // namespace kalvire::setup::test
