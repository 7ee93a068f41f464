// edit: the editor's operations on a copy of an image, in the order given on the command line,
// then Save As to the output file. Every edit is checked against the image first; one that it
// cannot take leaves everything unwritten.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/change_plan.h"
#include "cli/cli.h"
#include "cli/diff_json.h"
#include "cli/edit_check.h"
#include "cli/edit_request.h"
#include "cli/same_file.h"
#include "dmi/dmi_edit.h"
#include "editor/headless_view.h"
#include "editor/messages.h"
#include "editor/open_image.h"
#include "editor/save_image.h"
#include "setup/commands.h"
#include "setup/messages.h"
#include "setup/node_edit.h"
#include "setup/node_lookup.h"
#include "setup/option_delete.h"
#include "setup/string_edit.h"
#include "tracklog/import_settings.h"
#include "tracklog/messages.h"
#include "tracklog/track_log.h"
#include "tracklog/track_log_file.h"
#include "util/file_io.h"

namespace kalvire::cli {

namespace {

namespace fs = std::filesystem;

struct EditArgs {
  std::string rom;
  std::string out;
  std::string log;
  std::string apply;     // a diff --json whose changes are carried to ROM
  bool partial = false;  // apply what fits and list the rest
  std::string changes;   // where to write the diff of ROM against the saved image
  bool yes = false;
  bool no = false;
  bool force = false;  // save an image that is damaged
  bool in_place = false;
  std::vector<std::pair<CLI::Option*, EditKind>> options;
};

// A message an edit shows when it refuses to change anything.
bool IsRefusal(const platform::RecordedMessage& message) {
  const std::string& text = message.request.text;
  if (message.request.icon == platform::MessageIcon::kError) return true;
  for (const char* start :
       {"Error", "Invalid ", setup::kMsgInvalidNodeNumber, setup::kMsgCheckboxOptionDelete}) {
    if (text.rfind(start, 0) == 0) return true;
  }
  return false;
}

bool IsQuestion(const platform::RecordedMessage& message) {
  return message.request.buttons == platform::MessageButtons::kYesNo;
}

class EditRun {
 public:
  EditRun(const CliStreams& streams, editor::HeadlessEditor& session)
      : m_streams(streams), m_session(session), m_editor(*session.editor) {}

  // Applies one checked edit; false when the editor refused it after all.
  bool Apply(const Edit& edit) {
    const size_t first = m_session.prompter.Messages().size();
    bool applied = true;
    switch (edit.kind) {
      case EditKind::kImport:
        applied = tracklog::ImportSettingsFile(m_editor, edit.text) == 1;
        break;
      case EditKind::kDmi:
        ApplyDmi(edit);
        break;
      default:
        applied = ApplyNode(edit);
        break;
    }
    const auto& messages = m_session.prompter.Messages();
    applied &= std::none_of(messages.begin() + first, messages.end(), IsRefusal);
    PrintMessages();
    PrintFeedback();
    if (!applied) m_streams.err << "kalvire-cli: " << edit.argument << ": not applied\n";
    return applied;
  }

  // Writes the messages shown since the last call to standard error: a question that the
  // command line did not answer itself with the answer --yes or --no gave it, the history
  // message as the warning it is when the save went on without its history file.
  void PrintMessages(bool history_skipped = false) {
    const auto& messages = m_session.prompter.Messages();
    for (; m_printed < messages.size(); ++m_printed) {
      const platform::RecordedMessage& message = messages[m_printed];
      const std::string& text = message.request.text;
      if (IsQuestion(message) && message.request.caption == editor::kCaptionSaveDamaged) {
        const bool yes = message.answer == platform::MessageAnswer::kYes;
        m_streams.err << "kalvire-cli: answered " << (yes ? "Yes (--force)" : "No") << ": " << text
                      << "\n";
        m_refused_damaged |= !yes;
      } else if (IsQuestion(message)) {
        if (!message.unanswered) continue;
        const bool yes = message.answer == platform::MessageAnswer::kYes;
        m_streams.err << "kalvire-cli: answered " << (yes ? "Yes" : "No") << ": " << text << "\n";
        m_answered_no |= !yes;
      } else if (history_skipped && text == tracklog::kMsgHistorySpaceTooSmall) {
        m_streams.err << "kalvire-cli: warning: " << text << "\n";
      } else {
        m_streams.err << text << "\n";
      }
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
    // A line the import skipped is a problem of the input, said where problems are said.
    for (size_t i = first; i < lines.size(); ++i)
      (lines[i].rfind(tracklog::kImportSkippedPrefix, 0) == 0 ? m_streams.err : m_streams.out)
          << lines[i] << "\n";
    m_shown = std::move(lines);
  }

  // Some question was answered No for want of --yes.
  bool AnsweredNo() const { return m_answered_no; }
  // The save of a damaged image was refused for want of --force.
  bool RefusedDamaged() const { return m_refused_damaged; }

 private:
  bool ApplyNode(const Edit& edit) {
    // The GUI's way: select the node's item, which shows its state, then act on the selection.
    m_editor.controls.setup_tree->SelectItem(setup::ItemOfNode(m_editor.setup, edit.node));
    switch (edit.kind) {
      case EditKind::kHide:
        setup::HideSelectedNode(m_editor);
        return true;
      case EditKind::kShow:
        setup::ShowSelectedNode(m_editor);
        return true;
      case EditKind::kAccess:
        m_editor.controls.access_level_combo->SetCurSel(int(edit.number));
        setup::ChangeSelectedAccessLevel(m_editor);
        return true;
      case EditKind::kDefault:
        setup::ApplyOptimalSelection(m_editor, edit.node, edit.number);
        return true;
      case EditKind::kString:
        setup::EditSetupString(m_editor, edit.node, edit.text);
        return true;
      case EditKind::kDeleteOption: {
        const uint32_t before = m_editor.setup.node_states[edit.node].deleted_option_count;
        setup::DeleteOption(m_editor, edit.node, edit.text);
        return m_editor.setup.node_states[edit.node].deleted_option_count > before;
      }
      default:
        return false;
    }
  }

  void ApplyDmi(const Edit& edit) {
    platform::TreeControl& tree = *m_editor.controls.dmi_tree;
    tree.SelectItem(FindDmiStructureItem(tree, edit.node));
    m_session.prompter.QueueDmiEdits(platform::DmiEdits{{int(edit.number), edit.text}});
    dmi::EditDmiString(m_editor);
  }

  const CliStreams& m_streams;
  editor::HeadlessEditor& m_session;
  editor::Editor& m_editor;
  std::vector<std::string> m_shown;
  size_t m_printed = 0;
  bool m_answered_no = false;
  bool m_refused_damaged = false;
};

// Whether `path` names a folder: one that exists, or any path that ends in a slash.
bool NamesAFolder(const std::string& path) {
  std::error_code error;
  return (!path.empty() && path.back() == '/') || fs::is_directory(path, error);
}

// Why the files named on the command line cannot be written as asked, or nullopt.
std::optional<std::string> CheckOutputs(const EditArgs& args) {
  if (NameTheSameFile(args.rom, args.out) && !args.in_place) {
    return "-o " + args.out + " names the input image; give --in-place to replace it";
  }
  if (NamesAFolder(args.out)) return "-o " + args.out + " names a folder, not the file to write";
  if (!args.changes.empty() && NamesAFolder(args.changes)) {
    return "--changes " + args.changes + " names a folder, not the file to write";
  }
  if (!args.changes.empty() &&
      (NameTheSameFile(args.changes, args.rom) || NameTheSameFile(args.changes, args.out))) {
    return "--changes " + args.changes + " names the image";
  }
  if (args.log.empty()) return std::nullopt;
  if (NameTheSameFile(args.log, args.rom) || NameTheSameFile(args.log, args.out)) {
    return "--log " + args.log + " names the image";
  }
  std::error_code error;
  const fs::path folder = fs::absolute(args.log, error).parent_path();
  if (fs::is_directory(args.log, error) || !fs::is_directory(folder, error)) {
    return "--log " + args.log + ": no file can be written there";
  }
  return std::nullopt;
}

// Adds the edits that carry the changes of --apply to the opened image; false, having said
// why, when the file is no change set or (without --partial) some change does not fit.
bool PlanAppliedChanges(const EditArgs& args, editor::Editor& editor, std::vector<Edit>& edits,
                        const CliStreams& streams) {
  std::vector<uint8_t> bytes;
  std::string error;
  std::optional<editor::ImageDiff> changes;
  if (util::ReadWholeFile(args.apply, bytes, error)) {
    const auto json = nlohmann::json::parse(bytes.begin(), bytes.end(), nullptr, false);
    if (json.is_discarded()) {
      error = "not JSON";
    } else {
      changes = DiffFromJson(json, error);
    }
  }
  if (!changes) {
    streams.err << "kalvire-cli: --apply " << args.apply << ": not a change set (" << error
                << "); nothing was written\n";
    return false;
  }
  ChangePlan plan = PlanChanges(editor, *changes);
  for (const std::string& note : plan.notes)
    streams.err << "kalvire-cli: --apply: note: " << note << "\n";
  for (const std::string& problem : plan.problems)
    streams.err << "kalvire-cli: --apply: cannot apply " << problem << "\n";
  if (!plan.problems.empty() && !args.partial) {
    streams.err << "kalvire-cli: " << plan.problems.size()
                << " change(s) do not fit the image; nothing was written (--partial applies "
                   "the rest)\n";
    return false;
  }
  edits.insert(edits.end(), plan.edits.begin(), plan.edits.end());
  return true;
}

// Writes the diff of the stock image against the one just saved, as diff --json prints it.
bool WriteChanges(const EditArgs& args, std::vector<uint8_t> stock, const CliStreams& streams) {
  editor::HeadlessEditor before, after;
  if (editor::OpenRomImageBytes(*before.editor, std::move(stock), args.rom) != 1 ||
      editor::OpenRomImagePath(*after.editor, args.out) != 1) {
    streams.err << "kalvire-cli: --changes " << args.changes << ": the images cannot be reopened\n";
    return false;
  }
  const std::string text =
      DiffToJson(editor::DiffImages(*before.editor, *after.editor), args.rom, args.out).dump(2) +
      "\n";
  std::string error;
  if (!util::WriteWholeFileAtomic(
          args.changes, std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()),
          error)) {
    streams.err << "kalvire-cli: cannot write " << args.changes << ": " << error << "\n";
    return false;
  }
  return true;
}

int RunEdit(EditArgs args, std::vector<Edit> edits, const CliStreams& streams) {
  if (args.out.empty()) args.out = args.rom;
  if (const auto refusal = CheckOutputs(args)) {
    streams.err << "kalvire-cli: " << *refusal << "\n";
    return kExitFailure;
  }
  // The save replaces the file it names; through a link that would be the link, not the image.
  if (args.in_place && NameTheSameFile(args.rom, args.out)) {
    std::error_code error;
    const fs::path image = fs::weakly_canonical(args.rom, error);
    args.out = error ? args.rom : image.string();
  }
  // The stock image the change set is taken against, read before an in-place save replaces it.
  std::vector<uint8_t> stock;
  if (!args.changes.empty()) {
    std::string error;
    if (!util::ReadWholeFile(args.rom, stock, error)) {
      streams.err << "kalvire-cli: " << args.rom << ": " << error << "\n";
      return kExitFailure;
    }
  }
  editor::HeadlessEditor session;
  session.prompter.SetDefaultAnswer(args.yes);
  session.prompter.SetAddsDefaultExtension(false);  // -o is the exact path written
  editor::Editor& editor = *session.editor;
  EditRun run(streams, session);
  const int opened = editor::OpenRomImagePath(editor, args.rom);
  run.PrintMessages();
  if (opened != 1) return kExitFailure;
  for (const std::string& notice : editor.workspace.m_notices) streams.err << notice << "\n";
  setup::ConnectSetupTree(editor);
  if (!args.apply.empty() && !PlanAppliedChanges(args, editor, edits, streams)) {
    return kExitFailure;
  }

  EditCheck check(editor);
  bool refused = false;
  for (Edit& edit : edits) {
    if (const auto reason = check.Check(edit)) {
      streams.err << "kalvire-cli: " << edit.argument << ": " << *reason << "\n";
      refused = true;
    }
  }
  if (refused) {
    streams.err << "kalvire-cli: no edit was applied and nothing was written\n";
    return kExitFailure;
  }
  // What the check selected is no change of the image.
  if (editor.controls.track_log) editor.controls.track_log->ResetContent();

  bool applied = true;
  for (const Edit& edit : edits) applied &= run.Apply(edit);
  if (!applied) {
    streams.err << "kalvire-cli: nothing was written\n";
    return kExitFailure;
  }

  // Naming the output is the answer to whether it may be replaced.
  session.prompter.QueueFilePath(args.out);
  if (fs::exists(args.out)) session.prompter.QueueAnswer(true);
  // The answer to saving a damaged image, when the save asks.
  session.prompter.QueueAnswer(args.force);
  const editor::SaveOutcome outcome = editor::SaveRomImageAs(editor);
  run.PrintMessages(outcome.history_skipped);
  run.PrintFeedback();
  if (run.RefusedDamaged()) {
    streams.err << "kalvire-cli: the image is damaged; nothing was written (--force saves it "
                   "all the same)\n";
  }
  if (!outcome.saved) return kExitFailure;
  streams.err << "kalvire-cli: wrote " << args.out << "\n";
  int exit_code = kExitSuccess;
  if (outcome.dmi_restored) {
    streams.err << "kalvire-cli: the DMI edits were not kept: " << args.out
                << " holds the old DMI module\n";
    exit_code = kExitFailure;
  }
  if (!args.log.empty()) {
    tracklog::BuildTrackLog(editor);
    std::string error;
    if (!tracklog::WriteTrackLogFile(*editor.controls.track_log, args.log, &error)) {
      streams.err << "kalvire-cli: the track log was not written: " << error << "\n";
      exit_code = kExitFailure;
    }
  }
  if (!args.changes.empty() && !WriteChanges(args, stock, streams)) exit_code = kExitFailure;
  if (run.AnsweredNo() && !args.no) {
    streams.err << "kalvire-cli: questions were answered No; give --yes to answer Yes\n";
  }
  return exit_code;
}

}  // namespace

void AddEditCommand(CLI::App& app, const CliStreams& streams, int& exit_code) {
  auto args = std::make_shared<EditArgs>();
  CLI::App* command = app.add_subcommand(
      "edit", "Apply setup and DMI edits in the order given and save the image to a new file");
  command->add_option("ROM", args->rom, "firmware image")->required();
  CLI::Option* out = command->add_option("-o,--output", args->out, "the image to write");
  command->add_flag("--in-place", args->in_place, "write the edited image over ROM itself");
  command->add_option("--log", args->log, "write the full track log to this .log file");
  command->add_option("--apply", args->apply,
                      "CHANGES.json: carry the changes of 'diff STOCK EDITED --json' (an older "
                      "BIOS of the same board) to the nodes of the same key in ROM");
  command->add_flag("--partial", args->partial,
                    "with --apply: apply the changes that fit and list the others");
  command->add_option("--changes", args->changes,
                      "write the changes of the saved image against ROM as JSON, for --apply");
  const struct {
    const char* name;
    EditKind kind;
    const char* help;
  } kinds[] = {
      {"--hide", EditKind::kHide, "hide node N (hexadecimal, as the track log prints it)"},
      {"--show", EditKind::kShow, "show node N"},
      {"--access", EditKind::kAccess, "N=LEVEL: Default, Extended User, User, Supervisor or 0-3"},
      {"--default", EditKind::kDefault,
       "N=VALUE: the optimal default of a question, by option value or option name"},
      {"--string", EditKind::kString, "N=TEXT: the text of node N's setup string"},
      {"--delete-option", EditKind::kDeleteOption, "N=NAME: delete that option of node N"},
      {"--dmi", EditKind::kDmi,
       "I:J=TEXT: string J of DMI structure I (hexadecimal, strings from 0, as dmi lists them)"},
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
  command->add_flag("--force", args->force,
                    "save even when the image is damaged (verify names the damage)");

  command->callback([args, command, out, &streams, &exit_code] {
    if (out->count() == 0 && !args->in_place) {
      streams.err << "kalvire-cli: edit needs -o OUT, or --in-place to write ROM itself\n";
      exit_code = kExitUsage;
      return;
    }
    // The options in the order they were given; each occurrence takes the next of its values.
    std::vector<Edit> edits;
    std::map<CLI::Option*, size_t> used;
    for (CLI::Option* option : command->parse_order()) {
      const auto kind = std::find_if(args->options.begin(), args->options.end(),
                                     [option](const auto& entry) { return entry.first == option; });
      if (kind == args->options.end()) continue;
      const std::string value = option->results().at(used[option]++);
      const auto edit = ParseEdit(kind->second, option->get_name(), value);
      if (!edit) {
        streams.err << "kalvire-cli: " << option->get_name() << " " << value
                    << ": not a valid edit\n";
        exit_code = kExitUsage;
        return;
      }
      edits.push_back(*edit);
    }
    exit_code = RunEdit(*args, std::move(edits), streams);
  });
}

}  // namespace kalvire::cli
