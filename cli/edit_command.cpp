// edit: the editor's operations on a copy of an image, in the order given on the command line,
// then Save As to the output file.
#include <CLI/CLI.hpp>

#include <strings.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "cli/node_number.h"
#include "dmi/dmi_edit.h"
#include "rom/headless_view.h"
#include "rom/messages.h"
#include "rom/open_image.h"
#include "rom/save_image.h"
#include "setup/commands.h"
#include "setup/messages.h"
#include "setup/node_edit.h"
#include "setup/node_lookup.h"
#include "setup/option_delete.h"
#include "setup/string_edit.h"
#include "tracklog/import_settings.h"
#include "tracklog/track_log.h"
#include "tracklog/track_log_file.h"

namespace kalvire::cli {

namespace {

enum class EditKind { kHide, kShow, kAccess, kDefault, kString, kDeleteOption, kDmi, kImport };

struct Edit {
  EditKind kind;
  uint32_t node = 0;    // or the DMI structure
  uint32_t number = 0;  // access level, default value or DMI string index
  std::string text;     // string, option name, DMI text or log path
};

struct EditArgs {
  std::string rom;
  std::string out;
  std::string log;
  bool yes = false;
  bool no = false;
  std::vector<std::pair<CLI::Option*, EditKind>> options;
};

std::optional<uint32_t> ParseNumber(const std::string& text) {
  if (text.empty()) return std::nullopt;
  char* end = nullptr;
  const unsigned long long value = std::strtoull(text.c_str(), &end, 0);
  if (*end != '\0' || text[0] == '-' || value > UINT32_MAX) return std::nullopt;
  return uint32_t(value);
}

// An access level by the name the access-level combo shows, or by its number.
std::optional<uint32_t> ParseAccessLevel(const std::string& text) {
  for (uint32_t level = 0; level < std::size(setup::kAccessLevelNames); ++level) {
    if (strcasecmp(text.c_str(), setup::kAccessLevelNames[level]) == 0) return level;
  }
  const auto number = ParseNumber(text);
  if (number && *number < std::size(setup::kAccessLevelNames)) return number;
  return std::nullopt;
}

// "N=REST" with a node number as the track log prints it.
std::optional<Edit> ParseNodeEdit(EditKind kind, const std::string& value) {
  Edit edit{kind, 0, 0, {}};
  const size_t equals = value.find('=');
  const bool needs_value = kind != EditKind::kHide && kind != EditKind::kShow;
  const auto node = ParseNodeNumber(needs_value ? value.substr(0, equals) : value);
  if (!node || (needs_value && equals == std::string::npos)) return std::nullopt;
  edit.node = *node;
  if (!needs_value) return edit;
  edit.text = value.substr(equals + 1);
  if (kind == EditKind::kAccess) {
    const auto level = ParseAccessLevel(edit.text);
    if (!level) return std::nullopt;
    edit.number = *level;
  } else if (kind == EditKind::kDefault) {
    const auto number = ParseNumber(edit.text);
    if (!number) return std::nullopt;
    edit.number = *number;
  }
  return edit;
}

// "I:J=TEXT": structure and string index in hexadecimal, as the track log prints them.
std::optional<Edit> ParseDmiEdit(const std::string& value) {
  const size_t colon = value.find(':');
  const size_t equals = value.find('=');
  if (colon == std::string::npos || equals == std::string::npos || equals < colon) {
    return std::nullopt;
  }
  const auto structure = ParseNodeNumber(value.substr(0, colon));
  const auto index = ParseNodeNumber(value.substr(colon + 1, equals - colon - 1));
  if (!structure || !index) return std::nullopt;
  return Edit{EditKind::kDmi, *structure, *index, value.substr(equals + 1)};
}

std::optional<Edit> ParseEdit(EditKind kind, const std::string& value) {
  if (kind == EditKind::kDmi) return ParseDmiEdit(value);
  if (kind == EditKind::kImport) return Edit{kind, 0, 0, value};
  return ParseNodeEdit(kind, value);
}

bool IsErrorMessage(const platform::RecordedMessage& message) {
  const std::string& text = message.request.text;
  if (message.request.icon == platform::MessageIcon::kError) return true;
  for (const char* start : {"Error", "Invalid ", setup::kMsgInvalidNodeNumber,
                            setup::kMsgCheckboxOptionDelete, rom::kMsgNoSpaceForDmi}) {
    if (text.rfind(start, 0) == 0) return true;
  }
  return false;
}

class EditRun {
 public:
  EditRun(const CliStreams& streams, rom::HeadlessEditor& session)
      : m_streams(streams), m_session(session), m_editor(*session.editor) {}

  // False after its own error line when the edit names something the image does not have.
  bool Apply(const Edit& edit) {
    switch (edit.kind) {
      case EditKind::kImport:
        if (tracklog::ImportSettingsFile(m_editor, edit.text) == 1) return true;
        return Fail("cannot read the track log " + edit.text);
      case EditKind::kDmi:
        return ApplyDmi(edit);
      default:
        return ApplyNode(edit);
    }
  }

  // Prints the track log lines added since the last call (all of them when the list was
  // emptied meanwhile).
  void PrintFeedback() {
    const platform::ListControl* list = m_editor.controls.track_log;
    if (!list) return;
    std::vector<std::string> lines;
    for (int i = 0; i < list->GetCount(); ++i) lines.push_back(list->GetText(i));
    size_t first = 0;
    if (lines.size() >= m_shown.size() &&
        std::equal(m_shown.begin(), m_shown.end(), lines.begin())) {
      first = m_shown.size();
    }
    for (size_t i = first; i < lines.size(); ++i) m_streams.out << lines[i] << "\n";
    m_shown = std::move(lines);
  }

  bool failed() const { return m_failed; }

 private:
  bool Fail(const std::string& text) {
    m_streams.err << "kalvire-cli: " << text << "\n";
    m_failed = true;
    return false;
  }

  bool ApplyNode(const Edit& edit) {
    if (edit.node >= m_editor.setup.node_count) {
      return Fail("node " + Hex(edit.node) + " is not in the node table (" +
                  std::to_string(m_editor.setup.node_count) + " nodes)");
    }
    // The GUI's way: select the node's item, which shows its state, then act on the selection.
    m_editor.controls.setup_tree->SelectItem(setup::ItemOfNode(m_editor.setup, edit.node));
    switch (edit.kind) {
      case EditKind::kHide:
        setup::HideSelectedNode(m_editor);
        break;
      case EditKind::kShow:
        setup::ShowSelectedNode(m_editor);
        break;
      case EditKind::kAccess:
        m_editor.controls.access_level_combo->SetCurSel(int(edit.number));
        setup::ChangeSelectedAccessLevel(m_editor);
        break;
      case EditKind::kDefault:
        setup::ApplyOptimalSelection(m_editor, edit.node, edit.number);
        break;
      case EditKind::kString:
        setup::EditSetupString(m_editor, edit.node, edit.text);
        break;
      case EditKind::kDeleteOption:
        setup::DeleteOption(m_editor, edit.node, edit.text);
        break;
      default:
        break;
    }
    return true;
  }

  bool ApplyDmi(const Edit& edit) {
    platform::TreeControl& tree = *m_editor.controls.dmi_tree;
    platform::TreeItem found = platform::kNoItem;
    const platform::TreeItem root = tree.GetChildItem(platform::kRootItem);
    for (platform::TreeItem item = tree.GetChildItem(root); item != platform::kNoItem;
         item = tree.GetNextSiblingItem(item)) {
      if (tree.GetItemData(item) == edit.node) found = item;
    }
    if (found == platform::kNoItem) {
      return Fail("DMI structure " + Hex(edit.node) + " is not in the DMI tree");
    }
    const auto& strings = m_editor.dmi.current[edit.node].strings;
    if (edit.number >= strings.size() || edit.number >= uint32_t(platform::DmiDialogData::kSlots)) {
      return Fail("DMI structure " + Hex(edit.node) + " has no string " + Hex(edit.number) +
                  " in its dialog");
    }
    tree.SelectItem(found);
    m_session.prompter.QueueDmiEdits(platform::DmiEdits{{int(edit.number), edit.text}});
    dmi::EditDmiString(m_editor);
    return true;
  }

  static std::string Hex(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%x", value);
    return text;
  }

  const CliStreams& m_streams;
  rom::HeadlessEditor& m_session;
  rom::Editor& m_editor;
  std::vector<std::string> m_shown;
  bool m_failed = false;
};

int RunEdit(const EditArgs& args, const std::vector<Edit>& edits, const CliStreams& streams) {
  rom::HeadlessEditor session;
  session.prompter.SetEcho(&streams.err);
  session.prompter.SetDefaultAnswer(args.yes);
  rom::Editor& editor = *session.editor;
  if (rom::OpenRomImagePath(editor, args.rom) != 1) return kExitFailure;
  setup::ConnectSetupTree(editor);
  EditRun run(streams, session);
  for (const Edit& edit : edits) {
    run.Apply(edit);
    run.PrintFeedback();
  }
  // Naming the output is the answer to whether it may be replaced.
  session.prompter.QueueFilePath(args.out);
  if (std::filesystem::exists(args.out)) session.prompter.QueueAnswer(true);
  rom::SaveRomImageAs(editor);
  run.PrintFeedback();
  bool failed = run.failed();
  if (!args.log.empty()) {
    tracklog::BuildTrackLog(editor);
    if (!tracklog::WriteTrackLogFile(*editor.controls.track_log, args.log)) {
      streams.err << "kalvire-cli: cannot write " << args.log << "\n";
      failed = true;
    }
  }
  bool saved = false;
  for (const platform::RecordedMessage& message : session.prompter.Messages()) {
    failed |= IsErrorMessage(message);
    saved |= message.request.text == rom::kMsgSaved;
  }
  return failed || !saved ? kExitFailure : kExitSuccess;
}

}  // namespace

void AddEditCommand(CLI::App& app, const CliStreams& streams, int& exit_code) {
  auto args = std::make_shared<EditArgs>();
  CLI::App* command = app.add_subcommand(
      "edit", "Apply setup and DMI edits in the order given and save the image to a new file");
  command->add_option("ROM", args->rom, "firmware image")->required();
  command->add_option("-o,--output", args->out, "the image to write")->required();
  command->add_option("--log", args->log, "write the full track log to this .log file");
  const struct {
    const char* name;
    EditKind kind;
    const char* help;
  } kinds[] = {
      {"--hide", EditKind::kHide, "hide node N (hexadecimal, as the track log prints it)"},
      {"--show", EditKind::kShow, "show node N"},
      {"--access", EditKind::kAccess, "N=LEVEL: Default, Extended User, User, Supervisor or 0-3"},
      {"--default", EditKind::kDefault, "N=VALUE: the optimal default of a question"},
      {"--string", EditKind::kString, "N=TEXT: the text of node N's setup string"},
      {"--delete-option", EditKind::kDeleteOption, "N=NAME: delete that option of node N"},
      {"--dmi", EditKind::kDmi, "I:J=TEXT: string J of DMI structure I (hexadecimal)"},
      {"--import", EditKind::kImport, "LOG: apply the changes of a track log file"},
  };
  for (const auto& kind : kinds) {
    CLI::Option* option = command->add_option(kind.name, kind.help);
    option->type_size(1)->allow_extra_args(false)->multi_option_policy(
        CLI::MultiOptionPolicy::TakeAll);
    args->options.emplace_back(option, kind.kind);
  }
  CLI::Option* yes = command->add_flag("--yes", args->yes, "answer Yes to the import's questions");
  command->add_flag("--no", args->no, "answer No to them (the default)")->excludes(yes);

  command->callback([args, command, &streams, &exit_code] {
    // The options in the order they were given; each occurrence takes the next of its values.
    std::vector<Edit> edits;
    std::map<CLI::Option*, size_t> used;
    for (CLI::Option* option : command->parse_order()) {
      const auto kind = std::find_if(args->options.begin(), args->options.end(),
                                     [option](const auto& entry) { return entry.first == option; });
      if (kind == args->options.end()) continue;
      const std::string value = option->results().at(used[option]++);
      const auto edit = ParseEdit(kind->second, value);
      if (!edit) {
        streams.err << "kalvire-cli: " << option->get_name() << " " << value
                    << ": not a valid edit\n";
        exit_code = kExitUsage;
        return;
      }
      edits.push_back(*edit);
    }
    exit_code = RunEdit(*args, edits, streams);
  });
}

}  // namespace kalvire::cli
