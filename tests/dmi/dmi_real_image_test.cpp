#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "dmi/dmi_parse.h"
#include "dmi/dmi_serialize.h"
#include "rom/headless_view.h"
#include "rom/open_image.h"
#include "support/test_data.h"
#include "tools/sample_image.h"

namespace kalvire::dmi {
namespace {

TEST(DmiRealImages, DmiModulesParseAndSerializeBackIdentical) {
  const auto dir = kalvire::test::SharedImagesDir();
  if (!dir) GTEST_SKIP() << "../shared/images is absent";
  struct Case {
    const char* image;
    uint32_t min_structures;
  };
  for (const Case& c : {Case{"h61-bios-region.bin", 40}, Case{"p7xxdm-full-flash.rom", 20}}) {
    SCOPED_TRACE(c.image);
    rom::HeadlessEditor view;
    rom::Editor& editor = *view.editor;
    ASSERT_EQ(rom::OpenRomImagePath(editor, (*dir / c.image).string()), 1);
    const DmiTables& dmi = editor.dmi;
    EXPECT_GE(dmi.structure_count, c.min_structures);
    EXPECT_EQ(dmi.current[0].type, 0u);
    EXPECT_EQ(dmi.current[0].strings.at(0), "American Megatrends Inc.");
    EXPECT_EQ(dmi.current[dmi.structure_count].type, 127u);
    const platform::TreeControl& tree = *editor.controls.dmi_tree;
    EXPECT_EQ(tree.GetItemText(tree.GetChildItem(platform::kRootItem)), "DMI");

    editor.workspace.m_dmi_modified = true;
    ASSERT_EQ(SerializeDmiModule(editor), 1);
    const auto data = editor.workspace.m_dmi_module.Data();
    EXPECT_TRUE(
        std::equal(data.begin(), data.end(), dmi.rebuild_buffer.begin(), dmi.rebuild_buffer.end()));
  }
}

TEST(DmiRealImages, SecondOpenLeavesNothingOfTheFirst) {
  const auto dir = kalvire::test::SharedImagesDir();
  if (!dir) GTEST_SKIP() << "../shared/images is absent";
  rom::HeadlessEditor view;
  rom::Editor& editor = *view.editor;
  ASSERT_EQ(rom::OpenRomImagePath(editor, (*dir / "h61-bios-region.bin").string()), 1);
  ASSERT_GT(editor.dmi.structure_count, 40u);
  ASSERT_EQ(rom::OpenRomImageBytes(editor, tools::BuildSampleImage(), "sample.rom"), 1);
  const uint32_t count = editor.dmi.structure_count;
  EXPECT_EQ(count, tools::BuildSampleSmbios().size());
  for (const auto* table : {&editor.dmi.current, &editor.dmi.baseline}) {
    EXPECT_EQ((*table)[count].type, 127u);
    for (size_t i = count + 1; i < table->size(); ++i) {
      ASSERT_FALSE((*table)[i].InUse()) << i;
      ASSERT_TRUE((*table)[i].strings.empty()) << i;
    }
  }
  EXPECT_EQ(editor.controls.dmi_tree->GetCount(), 1 + 5);  // the root and types 0 to 3 and 11
}

}  // namespace
}  // namespace kalvire::dmi
