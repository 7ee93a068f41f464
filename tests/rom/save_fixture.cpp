#include "save_fixture.h"

#include <stdexcept>

#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>

#include "dmi/dmi_edit.h"
#include "rom/open_image.h"
#include "rom/save_image.h"
#include "setup/ifr_layout.h"
#include "setup/node_edit.h"
#include "setup/node_lookup.h"
#include "setup/option_delete.h"
#include "setup/string_edit.h"
#include "tools/flash_descriptor.h"
#include "tools/nvram_builder.h"
#include "tools/sample_forms.h"
#include "tools/sample_image.h"
#include "tools/spf_builder.h"

namespace kalvire::rom::test {

namespace {

using tools::FfsFile;
using tools::ModuleStorage;

Bytes NvramStoreBody(const tools::HiiPackageList& forms) {
  uint16_t setup_size = 0, tse_size = 0;
  for (const tools::IfrVarStore& store : forms.forms_packages[0][0].varstores) {
    (store.id == tools::kSetupVarStoreId ? setup_size : tse_size) = store.size;
  }
  return tools::BuildNvramStore(
      {{"Setup", tools::BuildVariableDefaults(forms, tools::kSetupVarStoreId, setup_size), 0},
       {"AMITSESetup", tools::BuildVariableDefaults(forms, tools::kTseVarStoreId, tse_size), 0}},
      {}, {tools::kSetupVariableGuid}, 0x4000 - 24);
}

FfsFile Filler(uint8_t n, uint32_t size) {
  tools::Guid name = tools::GuidFromString("5AFE0000-0000-4000-8000-000000000000");
  name[0] = n;
  return tools::BuildFillerDriver(name, "Filler", size, ModuleStorage::kPlain, n);
}

// What vendor images hold behind a module: an erased pad file, a file whose data is 16-byte
// aligned, a pad file carrying data, a file whose data is 4 KiB aligned.
std::vector<FfsFile> VendorFilesBehind(uint8_t n) {
  FfsFile aligned16 = Filler(uint8_t(0x40 + n), 0x180);
  aligned16.data_alignment = 16;
  Bytes vendor_data(0x58);
  for (size_t i = 0; i < vendor_data.size(); ++i) vendor_data[i] = uint8_t(0x30 + i);
  const FfsFile data_pad =
      FfsFile::WithRawBody(tools::Guid{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                       0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
                           tools::FileType::kPad, vendor_data);
  FfsFile aligned4k = Filler(uint8_t(0x50 + n), 0x240);
  aligned4k.data_alignment = 4096;
  return {FfsFile::Pad(0x40), aligned16, data_pad, aligned4k};
}

// The reset vector file that ends a boot volume: it never moves.
FfsFile TopFile(uint8_t n) {
  tools::Guid name = tools::GuidFromString("1BA0062E-C779-4582-8566-336AE8F78F09");
  name[15] = n;
  return FfsFile::WithRawBody(name, tools::FileType::kRaw, Bytes(0x200 - 24, n));
}

// Appends a filler that leaves less free space than an FFS header takes.
void FillVolume(tools::Volume& volume) {
  const auto free_bytes = [&volume] {
    std::vector<tools::FileLocation> layout;
    volume.Serialize(&layout);
    return volume.size - (layout.back().offset + layout.back().size);
  };
  uint32_t size = 0x100;
  volume.files.push_back(Filler(7, size));
  size += uint32_t(free_bytes());
  for (; size > 8; size -= 8) {
    volume.files.back() = Filler(7, size);
    uint64_t left = 0;
    try {
      left = free_bytes();
    } catch (const std::exception&) {
      continue;  // too large by the filler's own overhead: a little smaller
    }
    if (left < 24) return;
    break;
  }
  throw std::logic_error("a filler cannot fill the volume");
}

}  // namespace

const char* ModuleName(Module module) {
  switch (module) {
    case Module::kAmiTse:
      return "AmiTse";
    case Module::kSetup:
      return "Setup";
    case Module::kDmi:
      return "DMI";
  }
  return "";
}

Bytes SaveTestImage(const SaveImageOptions& options) {
  tools::HiiPackageList forms = tools::BuildSampleForms();
  if (options.layout == tools::SetupLayout::kSection) {
    forms.guid = tools::kHiiSectionListGuid;
    forms.strings_first = true;
  }
  std::vector<FfsFile> modules = {
      Filler(1, 0x900),
      tools::BuildDmiFile(tools::BuildSampleSmbios(), tools::kSampleDmiAreaSize, options.storage),
      Filler(2, 0x700),
      tools::BuildSetupFile(forms, options.layout, options.storage),
      Filler(3, 0x500),
      tools::BuildAmiTseFile(tools::kAmiTseFileGuid,
                             tools::BuildSpfData(tools::FormsInParseOrder(forms)), options.storage),
      Filler(4, 0x300),
  };
  if (options.vendor_layout) {
    for (const size_t module : {5u, 3u, 1u}) {
      const auto behind = VendorFilesBehind(uint8_t(module));
      modules.insert(modules.begin() + std::ptrdiff_t(module + 1), behind.begin(), behind.end());
    }
  }
  tools::Volume outer;
  outer.size = 0x100000;
  outer.ext_name = tools::GuidFromString("5AFE0000-0000-4000-8000-0000000000EE");
  if (options.nested) {
    tools::Volume inner;
    inner.size = 0x80000;
    inner.files = std::move(modules);
    if (options.vendor_layout) inner.top_file = TopFile(1);
    outer.files.push_back(Filler(5, 0x600));
    outer.files.push_back(
        tools::BuildVolumeImageFile(tools::GuidFromString("5AFE0000-0000-4000-8000-0000000000F0"),
                                    inner.Serialize(), ModuleStorage::kLzmaGuided));
  } else {
    outer.files = std::move(modules);
  }
  FfsFile checked = Filler(6, 0x400);
  checked.data_checksum = true;
  outer.files.push_back(std::move(checked));
  if (!options.vendor_layout) {
    outer.files.push_back(tools::BuildNvramFile(NvramStoreBody(forms)));
    if (options.full_volume) FillVolume(outer);
    tools::FlashImage image(outer.size + 0x10000);
    image.Place(0x10000, outer.Serialize());
    return image.Take();
  }
  outer.top_file = TopFile(2);
  tools::Volume nvram;
  nvram.files.push_back(tools::BuildNvramFile(NvramStoreBody(forms)));
  nvram.size = 0x10000;
  tools::FlashImage image(outer.size + 0x20000);
  image.Place(0x10000, nvram.Serialize());
  image.Place(0x20000, outer.Serialize());
  return tools::BuildFullFlashImage(image.Take(), 0x10000);
}

EditorState CaptureState(Editor& editor) {
  EditorState state;
  const setup::SetupModel& model = editor.setup;
  for (uint32_t node = 0; node < model.node_count; ++node) {
    const platform::TreeItem item = model.node_items[node];
    state.node_texts.push_back(editor.controls.setup_tree->GetItemText(item));
    setup::ControlState control;
    setup::ReadControlState(editor, item, control);
    state.controls.push_back(control);
  }
  const RomWorkspace& ws = editor.workspace;
  for (uint32_t i = 0; i < ws.m_string_count; ++i) {
    state.setup_strings.emplace_back(ws.m_strings[i].text.data(), ws.m_strings[i].length);
  }
  for (uint32_t i = 0; i <= editor.dmi.structure_count; ++i) {
    state.dmi_strings.push_back(editor.dmi.current[i].strings);
  }
  for (uint32_t i = 0; i < ws.m_file_count; ++i) {
    state.files.emplace_back(ws.m_files[i].name, ws.m_files[i].size);
  }
  return state;
}

std::vector<std::string> Session::Messages() const {
  std::vector<std::string> texts;
  for (const auto& message : headless.prompter.Messages()) texts.push_back(message.request.text);
  return texts;
}

std::vector<std::string> Session::ErrorMessages() const {
  std::vector<std::string> errors;
  for (const std::string& text : Messages()) {
    if (text.rfind("Error", 0) == 0) errors.push_back(text);
  }
  return errors;
}

std::unique_ptr<Session> OpenSession(const std::string& path) {
  auto session = std::make_unique<Session>();
  if (OpenRomImagePath(session->editor(), path) != 1) {
    ADD_FAILURE() << "the image does not open: " << testing::PrintToString(session->Messages());
    return nullptr;
  }
  return session;
}

uint32_t HideQuestion(Editor& editor) {
  const setup::SetupModel& model = editor.setup;
  for (uint32_t node = 0; node < model.node_count; ++node) {
    const platform::TreeItem item = model.node_items[node];
    setup::ControlState state;
    if (setup::ItemOpcode(editor.controls.setup_tree->GetItemData(item)) != setup::kOpOneOf ||
        setup::ReadControlState(editor, item, state) != 1 || !state.visible) {
      continue;
    }
    setup::ChangeNodeSetting(editor, setup::kChangeVisibility, 0, 0, node);
    return node;
  }
  ADD_FAILURE() << "no shown ONE_OF question";
  return 0;
}

SetupEdit EditQuestionText(Editor& editor) {
  const setup::SetupModel& model = editor.setup;
  for (uint32_t node = 0; node < model.node_count; ++node) {
    const platform::TreeItem item = model.node_items[node];
    if (setup::ItemOpcode(editor.controls.setup_tree->GetItemData(item)) != setup::kOpOneOf) {
      continue;
    }
    const std::string text = editor.controls.setup_tree->GetItemText(item) + " (edited on save)";
    setup::EditSetupString(editor, node, text);
    return {node, text};
  }
  ADD_FAILURE() << "no ONE_OF question";
  return {};
}

uint32_t DeleteFirstOption(Session& session) {
  Editor& editor = session.editor();
  const setup::SetupModel& model = editor.setup;
  platform::TreeControl& tree = *editor.controls.setup_tree;
  for (uint32_t node = 0; node < model.node_count; ++node) {
    const platform::TreeItem item = model.node_items[node];
    if (setup::ItemOpcode(tree.GetItemData(item)) != setup::kOpOneOf) continue;
    tree.SelectItem(item);
    const platform::ComboControl& options = *editor.controls.delete_option_combo;
    if (options.GetCount() == 0) continue;
    setup::DeleteOption(editor, node, options.GetText(0));
    return node;
  }
  ADD_FAILURE() << "no ONE_OF question with options";
  return 0;
}

DmiEdit EditDmiManufacturer(Session& session, const std::string& text) {
  Editor& editor = session.editor();
  uint32_t structure = 0;
  while (structure < editor.dmi.structure_count && editor.dmi.current[structure].type != 1) {
    ++structure;
  }
  platform::TreeControl& tree = *editor.controls.dmi_tree;
  platform::TreeItem found = platform::kNoItem;
  for (platform::TreeItem item = tree.GetChildItem(tree.GetChildItem(platform::kRootItem));
       item != platform::kNoItem; item = tree.GetNextSiblingItem(item)) {
    if (tree.GetItemData(item) == structure) found = item;
  }
  EXPECT_NE(found, platform::kNoItem) << "no tree item of the System Information structure";
  tree.SelectItem(found);
  session.prompter().QueueDmiEdits(platform::DmiEdits{{0, text}});
  dmi::EditDmiString(editor);
  return {structure, 0, text};
}

TempDir::TempDir() {
  const auto* info = testing::UnitTest::GetInstance()->current_test_info();
  std::string name = std::string(info->test_suite_name()) + "_" + info->name();
  for (char& c : name) {
    if (c == '/') c = '_';
  }
  m_dir = std::filesystem::temp_directory_path() /
          ("kalvire_save_" + std::to_string(::getpid()) + "_" + name);
  std::filesystem::remove_all(m_dir);
  std::filesystem::create_directories(m_dir);
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::permissions(m_dir, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ignored);
  std::filesystem::remove_all(m_dir, ignored);
}

Bytes ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

void SaveAs(Session& session, const std::string& path) {
  session.prompter().QueueFilePath(path);
  if (std::filesystem::exists(path)) session.prompter().QueueAnswer(true);
  SaveRomImageAs(session.editor());
}

}  // namespace kalvire::rom::test
