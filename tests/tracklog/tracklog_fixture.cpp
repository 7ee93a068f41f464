#include "tracklog_fixture.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "dmi/dmi_parse.h"
#include "rom/open_image.h"
#include "setup/baseline.h"
#include "setup/commands.h"
#include "setup/ifr_layout.h"
#include "setup/node_lookup.h"
#include "setup/parse_forms.h"
#include "tools/module_files.h"
#include "tools/nvram_builder.h"
#include "tools/sample_forms.h"
#include "tools/sample_image.h"
#include "tools/spf_builder.h"

namespace kalvire::tracklog::test {

namespace {

Bytes NvramStoreBody(const tools::HiiPackageList& forms, uint32_t size) {
  uint16_t setup_size = 0, tse_size = 0;
  for (const tools::IfrVarStore& store : forms.forms_packages[0][0].varstores) {
    (store.id == tools::kSetupVarStoreId ? setup_size : tse_size) = store.size;
  }
  return tools::BuildNvramStore(
      {{"Setup", tools::BuildVariableDefaults(forms, tools::kSetupVarStoreId, setup_size), 0},
       {"AMITSESetup", tools::BuildVariableDefaults(forms, tools::kTseVarStoreId, tse_size), 0}},
      {}, {tools::kSetupVariableGuid}, size);
}

}  // namespace

const Bytes& SampleImage() {
  static const Bytes image = tools::BuildSampleImage();
  return image;
}

Bytes HistoryImage(uint64_t volume_size, bool file_behind_store) {
  const tools::HiiPackageList forms = tools::BuildSampleForms();
  tools::Volume volume;
  volume.size = volume_size;
  volume.files.push_back(tools::BuildDmiFile(tools::BuildSampleSmbios(), tools::kSampleDmiAreaSize,
                                             tools::ModuleStorage::kPlain));
  volume.files.push_back(
      tools::BuildSetupFile(forms, tools::SetupLayout::kPe32, tools::ModuleStorage::kPlain));
  volume.files.push_back(tools::BuildAmiTseFile(
      tools::kAmiTseFileGuid, tools::BuildSpfData(tools::FormsInParseOrder(forms)),
      tools::ModuleStorage::kPlain));
  volume.files.push_back(tools::BuildNvramFile(NvramStoreBody(forms, 0x4000 - 24)));
  if (file_behind_store) {
    volume.files.push_back(
        tools::FfsFile::WithRawBody(tools::GuidFromString("5A1E0000-0000-4B1D-8000-0000000000B1"),
                                    tools::FileType::kRaw, Bytes(0x100, 0x5A)));
  }
  tools::FlashImage image(volume_size + 0x10000);
  image.Place(0x10000, volume.Serialize());
  return image.Take();
}

const Bytes& DefaultHistoryImage() {
  static const Bytes image = HistoryImage();
  return image;
}

std::unique_ptr<OpenedImage> OpenImage(const Bytes& bytes, const std::string& name) {
  auto opened = std::make_unique<OpenedImage>();
  rom::Editor& editor = opened->editor();
  if (rom::OpenRomImageBytes(editor, bytes, name) != 1) {
    ADD_FAILURE() << "the image does not open";
    return nullptr;
  }
  if (editor.setup.node_count == 0) {
    EXPECT_EQ(setup::ParseSetupForms(editor, editor.workspace.m_setup_module.Data(),
                                     *editor.controls.setup_tree),
              1);
    EXPECT_EQ(setup::CaptureBaseline(editor), 1);
  }
  if (editor.dmi.structure_count == 0) {
    EXPECT_EQ(dmi::ParseDmiTable(editor), 1);
  }
  setup::ConnectSetupTree(editor);
  return opened;
}

std::vector<std::string> OpenedImage::TrackLog() {
  std::vector<std::string> lines;
  const platform::ListControl& list = *editor().controls.track_log;
  for (int i = 0; i < list.GetCount(); ++i) lines.push_back(list.GetText(i));
  return lines;
}

std::vector<std::string> OpenedImage::MessageTexts() {
  std::vector<std::string> texts;
  for (const auto& message : prompter().Messages()) texts.push_back(message.request.text);
  return texts;
}

uint32_t OpenedImage::FindNode(uint8_t opcode, const std::function<bool(uint32_t)>& accept) {
  const setup::SetupModel& model = editor().setup;
  const platform::TreeControl& tree = *editor().controls.setup_tree;
  for (uint32_t node = 0; node < model.node_count; ++node) {
    const uint32_t data = tree.GetItemData(model.node_items[node]);
    if (setup::ItemOpcode(data) == opcode && (!accept || accept(node))) return node;
  }
  ADD_FAILURE() << "no node of opcode " << int(opcode);
  return 0;
}

std::string OpenedImage::ItemText(uint32_t node) {
  return editor().controls.setup_tree->GetItemText(editor().setup.node_items[node]);
}

void OpenedImage::SetItemText(uint32_t node, const std::string& text) {
  editor().controls.setup_tree->SetItemText(editor().setup.node_items[node], text);
}

uint32_t OpenedImage::OneOfWithOptions(std::vector<uint64_t>& values) {
  rom::Editor& ed = editor();
  return FindNode(setup::kOpOneOf, [&](uint32_t node) {
    const platform::TreeItem item = ed.setup.node_items[node];
    setup::ControlState state;
    if (setup::ReadControlState(ed, item, state) != 1 || ed.setup.current_value_width < 0) {
      return false;
    }
    const int32_t width = ed.setup.current_value_width;
    const auto data = ed.workspace.m_setup_module.Data();
    values.clear();
    for (const uint64_t option : setup::OneOfOptionOffsets(
             data, setup::ItemOffset(ed.controls.setup_tree->GetItemData(item)))) {
      values.push_back(setup::ReadValue(data, option + 6, width).value_or(0));
    }
    return values.size() >= 2 && !ItemText(node).empty();
  });
}

TempPath::TempPath(const std::string& name) {
  path = (std::filesystem::temp_directory_path() /
          ("kalvire_tracklog_" + std::to_string(::getpid()) + "_" + name))
             .string();
}

TempPath::~TempPath() {
  std::error_code ignored;
  std::filesystem::remove(path, ignored);
}

}  // namespace kalvire::tracklog::test
