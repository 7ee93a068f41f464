// Shared by the ROM tests: hand-made images on the tools/ builders, a headless editor session.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <tuple>
#include <vector>

#include "editor/editor.h"
#include "editor/headless_view.h"
#include "platform/scripted_prompter.h"
#include "rom/known_guids.h"
#include "setup/baseline.h"
#include "support/test_data.h"
#include "tools/module_files.h"
#include "tools/modules_image.h"

namespace kalvire::rom::test {

using Bytes = std::vector<uint8_t>;

Bytes Join(const std::vector<Bytes>& parts);
// Written by hand, so that sizes past the 24-bit field can be made.
Bytes Section(uint8_t type, std::span<const uint8_t> body);
Bytes CompressionSection(uint8_t compression_type, uint32_t uncompressed_length,
                         std::span<const uint8_t> payload);
// An LZMA GUID-defined section (24-byte header) holding `payload`.
Bytes GuidDefinedSection(std::span<const uint8_t> payload);
Bytes LzmaPayload(std::span<const uint8_t> data);
void AppendSection(Bytes& stream, std::span<const uint8_t> section);
Bytes FfsFile(const Guid& name, uint8_t type, std::span<const uint8_t> sections);
Bytes PadFile(uint32_t size);
// Bytes all `value` but the first, `index`.
Guid TestGuid(uint8_t index, uint8_t value = 0x11);
// File TestGuid(index) with a raw section of `body_size` bytes of `index` (64 bytes by default).
Bytes RawFile(uint8_t index, size_t body_size = 36, uint8_t attributes = 0);

struct VolumeOptions {
  uint32_t fv_length = 0x1000;
  bool extended_header = false;
  Guid file_system = kFfs2FileSystemGuid;
  bool signature = true;
};
// `files` 8-byte aligned after the header, erased (0xFF) to the end.
Bytes Volume(const std::vector<Bytes>& files, const VolumeOptions& options = {});

Bytes Package(uint8_t type, std::span<const uint8_t> body);
Bytes StringPackage(const char* language, std::span<const uint8_t> blocks);
Bytes PackageList(const Guid& guid, const std::vector<Bytes>& packages);

// A small image that Open accepts: DMI module, NVRAM store, Setup module with a package list
// (en-US string blocks 14 41 00 42 00 00 00 14 43 00 00 00 14) and an AmiTse SPF module.
struct SetupImageParts {
  bool dmi = true, dmi_end_of_table = true, nvram = true, setup = true, package_list = true;
  bool english_strings = true, amitse = true, amitse_second_name = false, amitse_pkg_guid = true;
};
Bytes SetupImage(const SetupImageParts& parts = {});

struct Session {
  Session();
  platform::ScriptedPrompter prompter{"KALVIRE"};
  editor::HeadlessViewHost host;
  std::unique_ptr<editor::Editor> ed = std::make_unique<editor::Editor>();
  editor::Editor& editor() { return *ed; }
  RomWorkspace& ws() { return ed->workspace; }
  std::vector<std::string> Messages() const;  // every message box shown so far
};
// Null, failing the test, when the file does not open.
std::unique_ptr<Session> OpenSession(const std::string& path);
// Save As to `path`, answering Yes to replacing it.
void SaveAs(Session& session, const std::string& path);

struct EditorState {
  std::vector<std::string> node_texts;
  std::vector<setup::ControlState> controls;
  std::vector<std::string> setup_strings;
  std::vector<std::vector<std::string>> dmi_strings;
  std::vector<std::tuple<int, int, uint64_t>> Controls() const;  // visible, access, value
};
EditorState CaptureState(editor::Editor& editor);

// The first question of `opcode` after node `after` with a text of 4 or more and a control.
uint32_t Question(editor::Editor& editor, uint8_t opcode, uint32_t after = 0);
// Hides the first ONE_OF question (an AmiTse SPF edit); returns its node. Gives it a longer
// text or deletes its first option (Setup module edits). Changes string `slot` of the first DMI
// structure of `type` through the dialog.
uint32_t HideQuestion(editor::Editor& editor);
void EditSetupModule(editor::Editor& editor, bool delete_option = false);
uint32_t EditDmiString(Session& session, uint8_t type, int slot, const std::string& text);

using kalvire::test::ReadFileOrFail;
using kalvire::test::TempDir;
using kalvire::test::WriteFileOrFail;

struct CliResult {
  int code;
  std::string out, err;
};
CliResult RunCli(std::vector<std::string> args);  // without the program name

}  // namespace kalvire::rom::test
