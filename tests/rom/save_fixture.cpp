#include "save_fixture.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>

#include "dmi/dmi_edit.h"
#include "editor/open_image.h"
#include "editor/save_image.h"
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

FfsFile NvramFile(const tools::HiiPackageList& forms) {
  std::vector<tools::NvarVariable> defaults;
  for (const tools::IfrVarStore& store : forms.forms_packages[0][0].varstores) {
    defaults.push_back({store.name, tools::BuildVariableDefaults(forms, store.id, store.size), 0});
  }
  return tools::BuildNvramFile(
      tools::BuildNvramStore(defaults, {}, {tools::kSetupVariableGuid}, 0x4000 - 24));
}

FfsFile Filler(uint8_t n, uint32_t size) {
  tools::Guid name = tools::GuidFromString("5AFE0000-0000-4000-8000-000000000000");
  name[0] = n;
  return tools::BuildFillerDriver(name, "Filler", size, tools::ModuleStorage::kPlain, n);
}

// A raw file; the reset vector file that ends a boot volume never moves.
FfsFile Raw(const char* guid, uint8_t n, uint32_t size) {
  tools::Guid name = tools::GuidFromString(guid);
  name[15] = n;
  return FfsFile::WithRawBody(name, tools::FileType::kRaw, Bytes(size, n));
}
constexpr char kTopFile[] = "1BA0062E-C779-4582-8566-336AE8F78F09";

// The first ONE_OF question with a text.
uint32_t FirstQuestion(editor::Editor& editor) {
  const platform::TreeControl& tree = *editor.controls.setup_tree;
  for (uint32_t node = 0; node < editor.setup.node_count; ++node) {
    const platform::TreeItem item = editor.setup.node_items[node];
    if (setup::ItemOpcode(tree.GetItemData(item)) == setup::kOpOneOf &&
        !tree.GetItemText(item).empty()) {
      return node;
    }
  }
  ADD_FAILURE() << "no ONE_OF question";
  return 0;
}

}  // namespace

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
  for (const uint8_t module : {5, 3, 1}) {
    if (!options.vendor_layout) break;
    FfsFile aligned16 = Filler(uint8_t(0x40 + module), 0x180),
            aligned4k = Filler(0x50 + module, 0x240);
    aligned16.data_alignment = 16;
    aligned4k.data_alignment = 4096;
    Bytes data(0x58);
    for (size_t i = 0; i < data.size(); ++i) data[i] = uint8_t(0x30 + i);
    tools::Guid pad_name;
    pad_name.fill(0xFF);
    modules.insert(modules.begin() + module + 1,
                   {FfsFile::Pad(0x40), aligned16,
                    FfsFile::WithRawBody(pad_name, tools::FileType::kPad, data), aligned4k});
  }
  tools::Volume outer, inner, nvram;
  outer.size = 0x100000;
  outer.ext_name = tools::GuidFromString("5AFE0000-0000-4000-8000-0000000000EE");
  outer.files = std::move(modules);
  if (options.nested) {
    inner.size = 0x80000;
    inner.files = std::move(outer.files);
    if (options.vendor_layout) inner.top_file = Raw(kTopFile, 1, 0x200 - 24);
    outer.files = {
        Filler(5, 0x600),
        tools::BuildVolumeImageFile(tools::GuidFromString("5AFE0000-0000-4000-8000-0000000000F0"),
                                    inner.Serialize(), tools::ModuleStorage::kLzmaGuided)};
  }
  outer.files.push_back(Filler(6, 0x400));
  outer.files.back().data_checksum = true;
  // With the vendor layout the NVRAM store has a volume of its own in front of the outer one.
  (options.vendor_layout ? nvram : outer).files.push_back(NvramFile(forms));
  if (options.full_volume) {
    std::vector<tools::FileLocation> layout;
    outer.Serialize(&layout);
    const uint64_t end = tools::AlignUp(layout.back().offset + layout.back().size, 8);
    outer.files.push_back(
        Raw("5AFE0000-0000-4000-8000-0000000000AB", 0xAB, uint32_t(outer.size - end - 24)));
  }
  const uint64_t at = options.vendor_layout ? 0x20000 : 0x10000;
  tools::FlashImage image(outer.size + at);
  if (options.vendor_layout) {
    outer.top_file = Raw(kTopFile, 2, 0x200 - 24);
    image.Place(0x10000, nvram.Serialize());
  }
  image.Place(at, outer.Serialize());
  return options.vendor_layout ? tools::BuildFullFlashImage(image.Take(), 0x10000) : image.Take();
}

std::vector<std::tuple<int, int, uint64_t>> EditorState::Controls() const {
  std::vector<std::tuple<int, int, uint64_t>> tuples;
  for (const auto& c : controls) tuples.emplace_back(c.visible, c.access_level, c.value);
  return tuples;
}

EditorState CaptureState(editor::Editor& editor) {
  EditorState state;
  for (uint32_t node = 0; node < editor.setup.node_count; ++node) {
    const platform::TreeItem item = editor.setup.node_items[node];
    state.node_texts.push_back(editor.controls.setup_tree->GetItemText(item));
    setup::ReadControlState(editor, item, state.controls.emplace_back());
  }
  const RomWorkspace& ws = editor.workspace;
  for (uint32_t i = 0; i < ws.m_string_count; ++i) {
    state.setup_strings.emplace_back(ws.m_strings[i].text.data(), ws.m_strings[i].length);
  }
  for (uint32_t i = 0; i <= editor.dmi.structure_count; ++i) {
    state.dmi_strings.push_back(editor.dmi.current[i].strings);
  }
  return state;
}

std::vector<std::string> Session::Messages() const {
  std::vector<std::string> texts;
  for (const auto& message : headless.prompter.Messages()) texts.push_back(message.request.text);
  return texts;
}

std::unique_ptr<Session> OpenSession(const std::string& path) {
  auto session = std::make_unique<Session>();
  if (editor::OpenRomImagePath(session->editor(), path) == 1) return session;
  ADD_FAILURE() << "the image does not open: " << testing::PrintToString(session->Messages());
  return nullptr;
}

uint32_t HideQuestion(editor::Editor& editor) {
  const uint32_t node = FirstQuestion(editor);
  setup::ChangeNodeSetting(editor, setup::kChangeVisibility, 0, 0, node);
  return node;
}

void EditSetupModule(editor::Editor& editor, bool delete_option) {
  const uint32_t node = FirstQuestion(editor);
  platform::TreeControl& tree = *editor.controls.setup_tree;
  tree.SelectItem(editor.setup.node_items[node]);
  if (delete_option) {
    setup::DeleteOption(editor, node, editor.controls.delete_option_combo->GetText(0));
  } else {
    setup::EditSetupString(editor, node,
                           tree.GetItemText(editor.setup.node_items[node]) + " (edited)");
  }
}

uint32_t EditDmiString(Session& session, uint8_t type, int slot, const std::string& text) {
  editor::Editor& editor = session.editor();
  platform::TreeControl& tree = *editor.controls.dmi_tree;
  for (platform::TreeItem item = tree.GetChildItem(tree.GetChildItem(platform::kRootItem));
       item != platform::kNoItem; item = tree.GetNextSiblingItem(item)) {
    if (editor.dmi.current[tree.GetItemData(item)].type != type) continue;
    tree.SelectItem(item);
    session.prompter().QueueDmiEdits(platform::DmiEdits{{slot, text}});
    dmi::EditDmiString(editor);
    return tree.GetItemData(item);
  }
  ADD_FAILURE() << "no DMI structure of type " << int(type);
  return 0;
}

TempDir::TempDir() {
  const auto* info = testing::UnitTest::GetInstance()->current_test_info();
  std::string name = std::string(info->test_suite_name()) + "_" + info->name();
  std::replace(name.begin(), name.end(), '/', '_');
  m_dir = std::filesystem::temp_directory_path() /
          ("kalvire_save_" + std::to_string(::getpid()) + "_" + name);
  std::filesystem::remove_all(m_dir);
  std::filesystem::create_directories(m_dir);
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(m_dir, ignored);
}

Bytes ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const std::string& path, const Bytes& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

void SaveAs(Session& session, const std::string& path) {
  session.prompter().QueueFilePath(path);
  if (std::filesystem::exists(path)) session.prompter().QueueAnswer(true);
  editor::SaveRomImageAs(session.editor());
}

}  // namespace kalvire::rom::test
