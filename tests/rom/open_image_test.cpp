// Open: the tables and controls it builds, its refusals, and what a failed open keeps.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "editor/open_image.h"
#include "rom_test_support.h"

namespace kalvire::rom::test {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
constexpr const char* kDesired = "Error: Unable to find desired module. Check the .ROM file";

TEST(OpenRomImage, OpensAnImageWithAllModulesAndBuildsTheStringTable) {
  TempDir dir;
  const std::string path = dir.Path("good.rom");
  WriteFileOrFail(path, SetupImage({.amitse_second_name = true}));
  Session t;
  t.prompter.QueueFilePath(path);
  editor::OpenRomImage(t.editor());
  ASSERT_THAT(t.Messages(), ElementsAre());
  const RomWorkspace& ws = t.ws();
  EXPECT_TRUE(ws.m_image_loaded);
  EXPECT_EQ(ws.m_format_marker, kFormatMarkerOpened);
  EXPECT_EQ(ws.m_path, path);
  EXPECT_EQ(ws.m_working_image, ws.m_pristine_image);
  EXPECT_TRUE(ws.m_dmi_module.Present() && ws.m_setup_module.Present());
  EXPECT_EQ(ws.m_amitse_name, kAmiTseSecondGuid);
  EXPECT_NE(t.editor().controls.setup_tree, nullptr);
  ASSERT_EQ(t.prompter.FileRequests().size(), 1u);
  EXPECT_EQ(t.prompter.FileRequests()[0].default_extension, ".rom");
  EXPECT_FALSE(t.prompter.FileRequests()[0].save);
  EXPECT_THAT(t.prompter.Titles(), ElementsAre("KALVIRE - [ Please Wait While Loading File...]",
                                               "KALVIRE - [good.rom]"));
  // String blocks 14 41 00 42 00 00 00 14 43 00 00 00 14.
  ASSERT_EQ(ws.m_string_count, 4u);
  const std::tuple<const char*, uint32_t, uint32_t> strings[] = {
      {"", 0, 0}, {"AB", 1, 2}, {"C", 2, 1}, {"", 0, 0}, {"", 0, 0}};
  for (uint32_t i = 0; i < 5; ++i) {
    EXPECT_EQ(std::tuple(std::string(ws.m_strings[i].text.data()), ws.m_strings[i].id,
                         ws.m_strings[i].length),
              strings[i])
        << i;
  }
  EXPECT_EQ(ws.m_setup_packages.package_list_guid_flag, 0u);
  ASSERT_TRUE(ws.m_setup_packages.strings_package.has_value());
  EXPECT_EQ(ws.m_setup_packages.string_data_offset, *ws.m_setup_packages.strings_package + 52);
}

TEST(OpenRomImage, EachMissingPieceFailsWithItsMessageAndUndoesTheOpen) {
  const std::tuple<const char*, SetupImageParts, std::vector<std::string>> cases[] = {
      {"no DMI module", {.dmi = false}, {"Error: DMI Module Does not Exist"}},
      {"no DMI end of table", {.dmi_end_of_table = false}, {kDesired}},
      {"no NVRAM store", {.nvram = false}, {kDesired}},
      {"no Setup module", {.setup = false}, {"Error: Caller ID Module Does not Exist"}},
      {"no AmiTse module", {.amitse = false}, {"Error: AmiTse SPF Module Does not Exist"}},
      {"no AmitsePkgGuid", {.amitse_pkg_guid = false}, {"Error: AmitsePkgGuid Does not Exist"}},
      {"no package list",
       {.package_list = false},
       {"Error: The Setup module's HII package list is missing or damaged (module GUID "
        "899407D7-99FE-43D8-9A21-79EC328CAC21: no package list header in its 0xC bytes of data)."}},
      {"no en-US strings",
       {.english_strings = false},
       {"Error: The Setup module has no en-US string package"}},
  };
  for (const auto& [name, parts, messages] : cases) {
    SCOPED_TRACE(name);
    Session t;
    EXPECT_EQ(editor::OpenRomImageBytes(t.editor(), SetupImage(parts), "x.rom"), 0);
    EXPECT_EQ(t.Messages(), messages);
    for (const auto& message : t.prompter.Messages()) {
      EXPECT_EQ(message.request.icon, platform::MessageIcon::kNone);
    }
    EXPECT_EQ(t.prompter.WindowTitle(), "KALVIRE");
    EXPECT_FALSE(t.ws().m_image_loaded);
    EXPECT_TRUE(t.ws().m_working_image.empty() && t.ws().m_pristine_image.empty());
    EXPECT_FALSE(t.ws().m_dmi_module.Present() || t.ws().m_setup_module.Present());
    EXPECT_EQ(t.editor().controls.setup_tree, nullptr);
  }
  Session t;
  EXPECT_EQ(editor::OpenRomImageBytes(t.editor(), Bytes(4096, 0xFF), "blank.rom"), 0);
  EXPECT_THAT(t.Messages(),
              ElementsAre("Error: Invalid Image type", "Error: DMI Module Does not Exist"));
}

TEST(OpenRomImage, TheBaseTitleIsTakenOnceModifiedFlagsAreClearedAndCancelChangesNothing) {
  Session t;
  ASSERT_EQ(editor::OpenRomImageBytes(t.editor(), SetupImage(), "a.rom"), 1);
  t.ws().m_setup_form_modified = t.ws().m_setup_string_modified = true;
  ASSERT_EQ(editor::OpenRomImageBytes(t.editor(), SetupImage(), "dir/b.rom"), 1);
  ASSERT_EQ(editor::OpenRomImageBytes(t.editor(), SetupImage(), "c.rom"), 1);
  EXPECT_EQ(t.prompter.WindowTitle(), "KALVIRE - [c.rom]");
  EXPECT_FALSE(t.ws().m_setup_form_modified || t.ws().m_setup_string_modified);
  t.ws().m_dmi_modified = true;
  t.prompter.QueueFilePath(std::nullopt);
  editor::OpenRomImage(t.editor());
  EXPECT_TRUE(t.ws().m_dmi_modified && t.ws().m_image_loaded);
  EXPECT_EQ(t.prompter.WindowTitle(), "KALVIRE - [c.rom]");
}

TEST(OpenRomImage, AFileThatFailsToOpenKeepsTheOpenImageItsEditsAndItsControls) {
  Bytes truncated = SetupImage();
  truncated.resize(truncated.size() / 3);
  Bytes noise(64 * 1024);
  for (size_t i = 0; i < noise.size(); ++i) noise[i] = uint8_t(i * 2654435761u >> 13);
  const std::tuple<const char*, Bytes, const char*> cases[] = {
      {"unreadable", {}, "Error: Unable to Open .ROM File"},
      {"no NVRAM store", SetupImage({.nvram = false}), kDesired},
      {"random bytes", noise, "Error: DMI Module Does not Exist"},
      {"truncated", truncated, "Error: DMI Module Does not Exist"},
  };
  for (const auto& [name, bytes, message] : cases) {
    SCOPED_TRACE(name);
    Session t;
    ASSERT_EQ(editor::OpenRomImageBytes(t.editor(), SetupImage(), "a.rom"), 1);
    t.ws().m_dmi_modified = true;
    t.ws().m_amitse_module.Data()[0] ^= 0xFF;  // an edit of the module data
    const Bytes amitse = t.ws().m_amitse_module.file, before = t.ws().m_working_image;
    const uint32_t files = t.ws().m_file_count;
    const platform::ViewControls controls = t.editor().controls;
    const int dmi_items = controls.dmi_tree->GetCount();
    EXPECT_EQ(bytes.empty() ? editor::OpenRomImagePath(t.editor(), "/nonexistent/dir/none.rom")
                            : editor::OpenRomImageBytes(t.editor(), bytes, "b.rom"),
              0);
    EXPECT_THAT(t.Messages(), Contains(message));
    if (bytes.empty()) {
      EXPECT_EQ(t.prompter.Messages().size(), 1u);
      EXPECT_EQ(t.prompter.Messages()[0].request.icon, platform::MessageIcon::kError);
    }
    EXPECT_EQ(t.prompter.WindowTitle(), "KALVIRE - [a.rom]");
    EXPECT_TRUE(t.ws().m_image_loaded && t.ws().m_dmi_modified);
    EXPECT_EQ(t.ws().m_amitse_module.file, amitse);
    EXPECT_EQ(t.ws().m_path, "a.rom");
    EXPECT_EQ(t.ws().m_working_image, before);
    EXPECT_EQ(t.ws().m_file_count, files);
    EXPECT_EQ(t.editor().controls.setup_tree, controls.setup_tree);
    EXPECT_EQ(t.editor().controls.dmi_tree->GetCount(), dmi_items);
  }
}

}  // namespace
}  // namespace kalvire::rom::test
