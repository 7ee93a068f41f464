#include "rom_test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <numeric>
#include <sstream>

#include "cli/cli.h"
#include "dmi/dmi_edit.h"
#include "editor/open_image.h"
#include "editor/save_image.h"
#include "rom/section.h"
#include "setup/ifr_layout.h"
#include "setup/node_control.h"
#include "setup/node_edit.h"
#include "setup/node_lookup.h"
#include "setup/option_delete.h"
#include "setup/string_edit.h"
#include "tools/image_builder.h"
#include "util/le.h"

namespace kalvire::rom::test {

using tools::AppendBytes;

Bytes Join(const std::vector<Bytes>& parts) {
  Bytes out;
  for (const Bytes& part : parts) AppendBytes(out, part);
  return out;
}

Bytes Section(uint8_t type, std::span<const uint8_t> body) {
  Bytes out(4);
  util::StoreLe24(out.data(), uint32_t(4 + body.size()));
  out[3] = type;
  AppendBytes(out, body);
  return out;
}

Bytes CompressionSection(uint8_t compression_type, uint32_t uncompressed_length,
                         std::span<const uint8_t> payload) {
  Bytes body(5);
  util::StoreLe32(body.data(), uncompressed_length);
  body[4] = compression_type;
  AppendBytes(body, payload);
  return Section(0x01, body);
}

Bytes GuidDefinedSection(std::span<const uint8_t> payload) {
  return tools::Section::GuidDefined(tools::kLzmaSectionGuid, 1,
                                     Bytes(payload.begin(), payload.end()))
      .Serialize();
}

Bytes LzmaPayload(std::span<const uint8_t> data) {
  return tools::EncodePayload(tools::Compression::kLzma, data);
}

void AppendSection(Bytes& stream, std::span<const uint8_t> section) {
  stream.resize(tools::AlignUp(stream.size(), 4), 0);
  AppendBytes(stream, section);
}

Bytes FfsFile(const Guid& name, uint8_t type, std::span<const uint8_t> sections) {
  Bytes out(name.begin(), name.end());
  out.resize(24);
  out[18] = type;
  util::StoreLe24(out.data() + 20, uint32_t(24 + sections.size()));
  out[16] = tools::FfsHeaderChecksum(out);
  out[17] = 0xAA;
  out[23] = 0xF8;
  AppendBytes(out, sections);
  return out;
}

Bytes PadFile(uint32_t size) {
  return tools::FfsFile::Pad(size).Serialize();
}

Guid TestGuid(uint8_t index, uint8_t value) {
  Guid guid;
  guid.fill(value);
  guid[0] = index;
  return guid;
}

Bytes RawFile(uint8_t index, size_t body_size, uint8_t attributes) {
  Bytes file = FfsFile(TestGuid(index), 0x07, Section(kSectionRaw, Bytes(body_size, index)));
  file[19] = attributes;
  file[16] = tools::FfsHeaderChecksum(file);
  return file;
}

Bytes Volume(const std::vector<Bytes>& files, const VolumeOptions& options) {
  tools::Volume volume;
  volume.file_system = options.file_system;
  volume.size = options.fv_length;
  volume.block_size = std::gcd(options.fv_length, 0x1000u);
  if (options.extended_header) volume.ext_name = TestGuid(0x5A, 0x5A);
  Bytes out = volume.Serialize();
  if (!options.signature) std::memset(out.data() + 40, 0, 4);
  size_t pos = volume.FirstFileOffset();
  for (const Bytes& file : files) {
    pos = tools::AlignUp(pos, 8);
    std::copy(file.begin(), file.end(), out.begin() + pos);
    pos += file.size();
  }
  return out;
}

Bytes Package(uint8_t type, std::span<const uint8_t> body) {
  Bytes out(4);
  util::StoreLe32(out.data(), uint32_t(4 + body.size()) | uint32_t(type) << 24);
  AppendBytes(out, body);
  return out;
}

Bytes StringPackage(const char* language, std::span<const uint8_t> blocks) {
  Bytes header(46 - 4 + 6, 0);
  util::StoreLe32(header.data(), 52);      // HdrSize
  util::StoreLe32(header.data() + 4, 52);  // StringInfoOffset
  std::memcpy(header.data() + 42, language, std::strlen(language));
  AppendBytes(header, blocks);
  return Package(0x04, header);
}

Bytes PackageList(const Guid& guid, const std::vector<Bytes>& packages) {
  Bytes out(guid.begin(), guid.end());
  out.resize(20);
  for (const Bytes& package : packages) AppendBytes(out, package);
  AppendBytes(out, Package(0xDF, {}));
  util::StoreLe32(out.data() + 16, uint32_t(out.size()));
  return out;
}

Bytes SetupImage(const SetupImageParts& parts) {
  std::vector<Bytes> files;
  if (parts.dmi) {
    // A type 0 structure reaching past offset 256 (where the end-of-table search starts).
    Bytes table(320, 0x00);
    table[17] = 240;
    if (parts.dmi_end_of_table) {
      const uint8_t end[] = {0x7F, 0x04, 0x22, 0x00, 0x00, 0x00};
      std::copy(std::begin(end), std::end(end), table.begin() + 258);
      std::fill(table.begin() + 264, table.end(), 0xFF);
    }
    files.push_back(FfsFile(kDmiModuleGuid, 0x07, Section(kSectionFreeform, table)));
  }
  if (parts.nvram)
    files.push_back(FfsFile(kNvramStoreGuid, 0x01, Section(kSectionRaw, Bytes(16, 0))));
  if (parts.setup) {
    Bytes body(8, 0x33);
    if (parts.package_list) {
      std::vector<Bytes> packages = {Package(0x02, Bytes(12, 0xA1))};
      const Bytes strings = {0x14, 'A', 0, 'B', 0, 0, 0, 0x14, 'C', 0, 0, 0, 0x14};
      if (parts.english_strings) packages.push_back(StringPackage("en-US", strings));
      packages.push_back(StringPackage("fr-FR", Bytes{0x14, 'Z', 0}));
      AppendBytes(body, PackageList(kSetupModuleGuid, packages));
    }
    files.push_back(FfsFile(kSetupModuleGuid, 0x07, Section(kSectionFreeform, body)));
  }
  if (parts.amitse) {
    Bytes body(24, 0x44);
    if (parts.amitse_pkg_guid) AppendBytes(body, kAmiTsePkgGuid);
    const Guid& name = parts.amitse_second_name ? kAmiTseSecondGuid : kAmiTseFirstGuid;
    files.push_back(FfsFile(name, 0x07, Section(kSectionFreeform, body)));
  }
  return Volume(files, {.fv_length = 0x2000});
}

Session::Session() {
  ed->controls.prompter = &prompter;
  ed->controls.host = &host;
}

std::vector<std::string> Session::Messages() const {
  std::vector<std::string> texts;
  for (const auto& message : prompter.Messages()) texts.push_back(message.request.text);
  return texts;
}

std::unique_ptr<Session> OpenSession(const std::string& path) {
  auto session = std::make_unique<Session>();
  if (editor::OpenRomImagePath(session->editor(), path) == 1) return session;
  ADD_FAILURE() << "the image does not open: " << testing::PrintToString(session->Messages());
  return nullptr;
}

void SaveAs(Session& session, const std::string& path) {
  session.prompter.QueueFilePath(path);
  if (std::filesystem::exists(path)) session.prompter.QueueAnswer(true);
  editor::SaveRomImageAs(session.editor());
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

uint32_t Question(editor::Editor& editor, uint8_t opcode, uint32_t after) {
  const platform::TreeControl& tree = *editor.controls.setup_tree;
  for (uint32_t node = after + 1; node < editor.setup.node_count; ++node) {
    const platform::TreeItem item = editor.setup.node_items[node];
    setup::NodeControl control;
    if (setup::ItemOpcode(tree.GetItemData(item)) == opcode && tree.GetItemText(item).size() > 3 &&
        setup::FindNodeControl(editor, item, control) == 1) {
      return node;
    }
  }
  ADD_FAILURE() << "no question of opcode " << int(opcode);
  return 0;
}

uint32_t HideQuestion(editor::Editor& editor) {
  const uint32_t node = Question(editor, setup::kOpOneOf);
  setup::ChangeNodeSetting(editor, setup::kChangeVisibility, 0, 0, node);
  return node;
}

void EditSetupModule(editor::Editor& editor, bool delete_option) {
  const uint32_t node = Question(editor, setup::kOpOneOf);
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
    session.prompter.QueueDmiEdits(platform::DmiEdits{{slot, text}});
    dmi::EditDmiString(editor);
    return tree.GetItemData(item);
  }
  ADD_FAILURE() << "no DMI structure of type " << int(type);
  return 0;
}

CliResult RunCli(std::vector<std::string> args) {
  args.insert(args.begin(), "kalvire-cli");
  std::vector<const char*> argv;
  for (const std::string& arg : args) argv.push_back(arg.c_str());
  std::ostringstream out, err;
  const int code = cli::RunCli(int(argv.size()), argv.data(), out, err);
  return {code, out.str(), err.str()};
}

}  // namespace kalvire::rom::test
