// The DMI module goes back only when it fits: a compressed module that has outgrown its place
// and the volume's free space is restored from the image instead.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "dmi/dmi_edit.h"
#include "rom/messages.h"
#include "rom/save_image.h"
#include "save_fixture.h"
#include "tools/nvram_builder.h"
#include "tools/sample_forms.h"
#include "tools/sample_image.h"
#include "tools/spf_builder.h"

namespace kalvire::rom::test {
namespace {

using ::testing::Contains;

// A volume filled to its last byte: the Tiano-compressed DMI module sits between the NVRAM
// store and a raw file that takes all the space that is left.
Bytes FullVolumeImage() {
  const tools::HiiPackageList forms = tools::BuildSampleForms();
  tools::Volume volume;
  volume.size = 0x40000;
  volume.files.push_back(
      tools::BuildSetupFile(forms, tools::SetupLayout::kPe32, tools::ModuleStorage::kPlain));
  volume.files.push_back(tools::BuildAmiTseFile(
      tools::kAmiTseFileGuid, tools::BuildSpfData(tools::FormsInParseOrder(forms)),
      tools::ModuleStorage::kPlain));
  uint16_t setup_size = 0, tse_size = 0;
  for (const tools::IfrVarStore& store : forms.forms_packages[0][0].varstores) {
    (store.id == tools::kSetupVarStoreId ? setup_size : tse_size) = store.size;
  }
  volume.files.push_back(tools::BuildNvramFile(tools::BuildNvramStore(
      {{"Setup", tools::BuildVariableDefaults(forms, tools::kSetupVarStoreId, setup_size), 0},
       {"AMITSESetup", tools::BuildVariableDefaults(forms, tools::kTseVarStoreId, tse_size), 0}},
      {}, {tools::kSetupVariableGuid}, 0x2000)));
  volume.files.push_back(tools::BuildDmiFile(tools::BuildSampleSmbios(), tools::kSampleDmiAreaSize,
                                             tools::ModuleStorage::kTiano));
  std::vector<tools::FileLocation> layout;
  volume.Serialize(&layout);
  const uint64_t end = tools::AlignUp(layout.back().offset + layout.back().size, 8);
  volume.files.push_back(
      tools::FfsFile::WithRawBody(tools::GuidFromString("5AFE0000-0000-4000-8000-0000000000AB"),
                                  tools::FileType::kRaw, Bytes(volume.size - end - 24, 0x5A)));
  tools::FlashImage image(volume.size);
  image.Place(0, volume.Serialize());
  return image.Take();
}

// Sixty letters that do not repeat in any pattern the compressor could use.
std::string Noise(uint32_t seed) {
  std::string text;
  for (int i = 0; i < 60; ++i) {
    seed = seed * 1103515245u + 12345u;
    text += char('A' + (seed >> 16) % 26);
  }
  return text;
}

TEST(ReinsertDmiModule, AModuleThatNoLongerFitsIsRestoredFromTheImage) {
  TempDir dir;
  const std::string path = dir.Path("full.rom");
  const Bytes original = FullVolumeImage();
  WriteBytes(path, original);
  auto session = OpenSession(path);
  ASSERT_TRUE(session);
  Editor& editor = session->editor();
  const EditorState before = CaptureState(editor);
  const int tree_items = editor.controls.dmi_tree->GetCount();

  DmiEdit edit = EditDmiManufacturer(*session);
  platform::DmiEdits noise;
  for (int slot = 0; slot < 6; ++slot) noise[slot] = Noise(slot + 1);
  session->prompter().QueueDmiEdits(noise);
  dmi::EditDmiString(editor);
  ASSERT_EQ(editor.dmi.current[edit.structure].strings[5], Noise(6));

  SaveAs(*session, dir.Path("out.rom"));
  const std::vector<std::string> messages = session->Messages();
  EXPECT_THAT(messages, Contains(kMsgNoSpaceForDmi));
  EXPECT_EQ(messages.back(), kMsgSaved);
  // The restore's wait text follows the title of the running Save As.
  EXPECT_THAT(session->prompter().Titles(),
              Contains("KALVIRE - [ Please Wait While Saving File...] - [ Please Wait While "
                       "Loading File...]"));
  // The tables and the tree hold the module as it lies in the image again.
  EXPECT_EQ(CaptureState(editor).dmi_strings, before.dmi_strings);
  EXPECT_EQ(editor.controls.dmi_tree->GetCount(), tree_items);
  EXPECT_TRUE(editor.dmi.rebuild_buffer.empty());

  auto reopened = OpenSession(dir.Path("out.rom"));
  ASSERT_TRUE(reopened);
  EXPECT_EQ(CaptureState(reopened->editor()).dmi_strings, before.dmi_strings);
  EXPECT_EQ(CaptureState(reopened->editor()).files, before.files);
}

}  // namespace
}  // namespace kalvire::rom::test
