// Shared by the ROM tests: the hand-made images of tools/raw_image.h, a headless editor session.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "editor/editor.h"
#include "editor/headless_view.h"
#include "platform/scripted_prompter.h"
#include "rom/known_guids.h"
#include "setup/baseline.h"
#include "support/cli_run.h"
#include "support/shown_texts.h"
#include "support/test_data.h"
#include "tools/modules_image.h"
#include "tools/raw_image.h"

namespace kalvire::rom::test {

using Bytes = std::vector<uint8_t>;

using namespace tools::raw;  // the hand-laid images

struct Session {
  Session();
  platform::ScriptedPrompter prompter{"KALVIRE"};
  editor::HeadlessViewHost host;
  std::unique_ptr<editor::Editor> ed = std::make_unique<editor::Editor>();
  editor::Editor& editor() { return *ed; }
  RomWorkspace& ws() { return ed->workspace; }
  std::vector<std::string> Messages() const { return kalvire::test::MessageTexts(prompter); }
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

using kalvire::test::CliResult;
using kalvire::test::ReadFileOrFail;
using kalvire::test::RunCli;
using kalvire::test::TempDir;
using kalvire::test::WriteFileOrFail;

}  // namespace kalvire::rom::test
