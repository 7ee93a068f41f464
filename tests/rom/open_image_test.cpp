#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "editor/open_image.h"
#include "rom_test_support.h"
#include "setup_image.h"

namespace kalvire::rom::test {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
namespace fs = std::filesystem;
constexpr const char* kDesired = "Error: Unable to find desired module. Check the .ROM file";

fs::path WriteTemp(const std::string& name, const Bytes& bytes) {
  const fs::path path = fs::temp_directory_path() / ("kalvire_open_" + name);
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  return path;
}

TEST(OpenRomImage, OpensAnImageWithAllModulesAndBuildsTheStringTable) {
  TestEditor t;
  const fs::path path = WriteTemp("good.rom", SetupImage({.amitse_second_name = true}));
  t.prompter.QueueFilePath(path.string());
  editor::OpenRomImage(*t.editor);

  ASSERT_THAT(t.MessageTexts(), ElementsAre());
  const RomWorkspace& ws = t.ws();
  EXPECT_TRUE(ws.m_image_loaded);
  EXPECT_EQ(ws.m_format_marker, kFormatMarkerOpened);
  EXPECT_EQ(ws.m_path, path.string());
  EXPECT_EQ(ws.m_working_image, ws.m_pristine_image);
  EXPECT_TRUE(ws.m_dmi_module.Present());
  EXPECT_TRUE(ws.m_setup_module.Present());
  EXPECT_EQ(ws.m_amitse_name, kAmiTseSecondGuid);
  EXPECT_EQ(t.host.created, 1);
  EXPECT_NE(t.editor->controls.setup_tree, nullptr);
  ASSERT_EQ(t.prompter.FileRequests().size(), 1u);
  EXPECT_EQ(t.prompter.FileRequests()[0].filter, "ROM Files (*.rom)|*.rom|All Files (*.*)|*.*||");
  EXPECT_EQ(t.prompter.FileRequests()[0].default_extension, ".rom");
  EXPECT_FALSE(t.prompter.FileRequests()[0].save);
  EXPECT_THAT(t.prompter.Titles(), ElementsAre("KALVIRE - [ Please Wait While Loading File...]",
                                               "KALVIRE - [kalvire_open_good.rom]"));

  // String blocks 14 41 00 42 00 00 00 14 43 00 00 00 14.
  ASSERT_EQ(ws.m_string_count, 4u);
  EXPECT_STREQ(ws.m_strings[0].text.data(), "");
  EXPECT_STREQ(ws.m_strings[1].text.data(), "AB");
  EXPECT_EQ(ws.m_strings[1].id, 1u);
  EXPECT_EQ(ws.m_strings[1].length, 2u);
  EXPECT_STREQ(ws.m_strings[2].text.data(), "C");
  EXPECT_EQ(ws.m_strings[2].length, 1u);
  EXPECT_EQ(ws.m_strings[3].length, 0u);
  EXPECT_STREQ(ws.m_strings[4].text.data(), "");
  EXPECT_EQ(ws.m_setup_packages.package_list_guid_flag, 0u);
  ASSERT_TRUE(ws.m_setup_packages.strings_package.has_value());
  EXPECT_EQ(ws.m_setup_packages.string_data_offset, *ws.m_setup_packages.strings_package + 52);
  fs::remove(path);
}

TEST(OpenRomImage, EachMissingPieceFailsWithItsMessageAndUndoesTheOpen) {
  struct Case {
    const char* name;
    SetupImageParts parts;
    std::vector<std::string> messages;
  };
  const std::vector<Case> cases = {
      {"no DMI module", {.dmi = false}, {"Error: DMI Module Does not Exist"}},
      {"no DMI end of table", {.dmi_end_of_table = false}, {kDesired}},
      {"no NVRAM store", {.nvram = false}, {kDesired}},
      {"no Setup module", {.setup = false}, {"Error: Caller ID Module Does not Exist"}},
      {"no AmiTse module", {.amitse = false}, {"Error: AmiTse SPF Module Does not Exist"}},
      {"no AmitsePkgGuid", {.amitse_pkg_guid = false}, {"Error: AmitsePkgGuid Does not Exist"}},
      {"no package list", {.package_list = false}, {}},
      {"no en-US strings",
       {.english_strings = false},
       {"Error: The Setup module has no en-US string package"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TestEditor t;
    EXPECT_EQ(editor::OpenRomImageBytes(*t.editor, SetupImage(c.parts), "x.rom"), 0);
    EXPECT_EQ(t.MessageTexts(), c.messages);
    for (const auto& message : t.prompter.Messages()) {
      EXPECT_EQ(message.request.icon, platform::MessageIcon::kNone);
    }
    EXPECT_EQ(t.prompter.WindowTitle(), "KALVIRE");
    EXPECT_FALSE(t.ws().m_image_loaded);
    EXPECT_TRUE(t.ws().m_working_image.empty());
    EXPECT_TRUE(t.ws().m_pristine_image.empty());
    EXPECT_FALSE(t.ws().m_dmi_module.Present());
    EXPECT_FALSE(t.ws().m_setup_module.Present());
    EXPECT_EQ(t.host.created, 1);
    EXPECT_EQ(t.host.destroyed, 1);
    EXPECT_EQ(t.editor->controls.setup_tree, nullptr);
  }
}

TEST(OpenRomImage, ImageWithoutVolumesReportsBothMessages) {
  TestEditor t;
  EXPECT_EQ(editor::OpenRomImageBytes(*t.editor, Bytes(4096, 0xFF), "blank.rom"), 0);
  EXPECT_THAT(t.MessageTexts(),
              ElementsAre("Error: Invalid Image type", "Error: DMI Module Does not Exist"));
}

TEST(OpenRomImage, CancelChangesNothing) {
  TestEditor t;
  ASSERT_EQ(editor::OpenRomImageBytes(*t.editor, SetupImage(), "a.rom"), 1);
  t.ws().m_dmi_modified = true;
  t.prompter.QueueFilePath(std::nullopt);
  editor::OpenRomImage(*t.editor);
  EXPECT_TRUE(t.ws().m_dmi_modified);
  EXPECT_TRUE(t.ws().m_image_loaded);
  EXPECT_EQ(t.prompter.WindowTitle(), "KALVIRE - [a.rom]");
}

TEST(OpenRomImage, BaseTitleIsTakenOnceAndModifiedFlagsAreCleared) {
  TestEditor t;
  ASSERT_EQ(editor::OpenRomImageBytes(*t.editor, SetupImage(), "a.rom"), 1);
  t.ws().m_setup_form_modified = true;
  t.ws().m_setup_string_modified = true;
  ASSERT_EQ(editor::OpenRomImageBytes(*t.editor, SetupImage(), "dir/b.rom"), 1);
  ASSERT_EQ(editor::OpenRomImageBytes(*t.editor, SetupImage(), "c.rom"), 1);
  EXPECT_EQ(t.prompter.WindowTitle(), "KALVIRE - [c.rom]");
  EXPECT_FALSE(t.ws().m_setup_form_modified);
  EXPECT_FALSE(t.ws().m_setup_string_modified);
  EXPECT_EQ(t.host.created, 3);
}

TEST(OpenRomImage, UnreadableFileKeepsTheCurrentImageOpen) {
  TestEditor t;
  ASSERT_EQ(editor::OpenRomImageBytes(*t.editor, SetupImage(), "a.rom"), 1);
  t.ws().m_dmi_modified = true;
  const Bytes before = t.ws().m_working_image;
  EXPECT_EQ(editor::OpenRomImagePath(*t.editor, "/nonexistent/dir/none.rom"), 0);
  ASSERT_EQ(t.prompter.Messages().size(), 1u);
  EXPECT_EQ(t.prompter.Messages()[0].request.text, "Error: Unable to Open .ROM File");
  EXPECT_EQ(t.prompter.Messages()[0].request.icon, platform::MessageIcon::kError);
  EXPECT_TRUE(t.ws().m_image_loaded);
  EXPECT_TRUE(t.ws().m_dmi_modified);
  EXPECT_EQ(t.ws().m_working_image, before);
  EXPECT_TRUE(t.ws().m_setup_module.Present());
}

TEST(OpenRomImage, AFileThatFailsToOpenKeepsTheOpenImageItsEditsAndItsControls) {
  Bytes truncated = SetupImage();
  truncated.resize(truncated.size() / 3);
  Bytes noise(64 * 1024);
  for (size_t i = 0; i < noise.size(); ++i) noise[i] = uint8_t(i * 2654435761u >> 13);
  const struct {
    const char* name;
    Bytes bytes;
    const char* message;
  } cases[] = {
      {"no NVRAM store", SetupImage({.nvram = false}), kDesired},
      {"random bytes", noise, "Error: DMI Module Does not Exist"},
      {"truncated", truncated, "Error: DMI Module Does not Exist"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TestEditor t;
    ASSERT_EQ(editor::OpenRomImageBytes(*t.editor, SetupImage(), "a.rom"), 1);
    t.ws().m_dmi_modified = true;
    t.ws().m_amitse_module.Data()[0] ^= 0xFF;  // an edit of the module data
    const Bytes amitse = t.ws().m_amitse_module.file;
    const Bytes before = t.ws().m_working_image;
    const uint32_t files = t.ws().m_file_count;
    const platform::ViewControls controls = t.editor->controls;
    const int dmi_items = controls.dmi_tree->GetCount();

    EXPECT_EQ(editor::OpenRomImageBytes(*t.editor, c.bytes, "b.rom"), 0);
    EXPECT_THAT(t.MessageTexts(), Contains(c.message));
    EXPECT_EQ(t.prompter.WindowTitle(), "KALVIRE - [a.rom]");
    EXPECT_TRUE(t.ws().m_image_loaded);
    EXPECT_TRUE(t.ws().m_dmi_modified);
    EXPECT_EQ(t.ws().m_amitse_module.file, amitse);
    EXPECT_EQ(t.ws().m_path, "a.rom");
    EXPECT_EQ(t.ws().m_working_image, before);
    EXPECT_EQ(t.ws().m_file_count, files);
    EXPECT_EQ(t.editor->controls.setup_tree, controls.setup_tree);
    EXPECT_EQ(t.editor->controls.dmi_tree->GetCount(), dmi_items);
    EXPECT_EQ(t.host.created - t.host.destroyed, 1);
  }
}

}  // namespace
}  // namespace kalvire::rom::test
