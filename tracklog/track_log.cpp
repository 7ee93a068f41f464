#include "tracklog/track_log.h"

#include <algorithm>
#include <cstring>

#include "dmi/dmi_parse.h"
#include "platform/window_title.h"
#include "setup/baseline.h"
#include "tracklog/line_format.h"
#include "tracklog/messages.h"

namespace kalvire::tracklog {

namespace {

// Item texts are compared and printed as the list control hands them out: at most 255
// characters.
constexpr size_t kItemTextLimit = setup::kItemTextSize - 1;

std::string_view BaselineText(const setup::NodeState& state) {
  const auto& text = state.baseline_text;
  return std::string_view(text.data(), strnlen(text.data(), text.size()));
}

void AddLine(LogContext editor, const std::string& line) {
  if (editor.controls.track_log) editor.controls.track_log->AddString(line);
}

void ListNodeChanges(LogContext editor, uint32_t node) {
  setup::SetupModel& model = editor.setup;
  const platform::TreeItem item = model.node_items[node];
  if (item == platform::kNoItem) return;
  setup::ControlState current;
  // A control that cannot be read counts as shown, access 0, value 0, as the read leaves it.
  setup::ReadControlState(editor, item, current);
  std::string text =
      editor.controls.setup_tree ? editor.controls.setup_tree->GetItemText(item) : std::string();
  if (text.size() > kItemTextLimit) text.resize(kItemTextLimit);

  setup::NodeState& state = model.node_states[node];
  const std::string_view baseline_text = BaselineText(state);
  const bool visibility_differs = current.visible != state.baseline_visibility;
  const bool access_differs = current.access_level != state.baseline_access;
  const bool value_differs = current.value != state.baseline_value;
  const bool text_differs = text != baseline_text;
  const bool option_deleted = state.option_deleted == 1;
  if (!option_deleted && !visibility_differs && !access_differs && !value_differs &&
      !text_differs) {
    return;
  }

  AddLine(editor, NodeHeaderLine(node, baseline_text));
  if (visibility_differs) AddLine(editor, state.baseline_visibility == 1 ? kLineHide : kLineShow);
  if (access_differs) AddLine(editor, AccessLine(state.baseline_access, current.access_level));
  if (state.optimal_changed != 0 && value_differs) {
    state.optimal_changed = 1;
    AddLine(editor, OptimalLine(state.baseline_value, current.value));
  }
  if (text_differs) AddLine(editor, NodeTextLine(text, baseline_text));
  if (option_deleted) {
    const uint32_t count =
        std::min<uint32_t>(state.deleted_option_count, uint32_t(state.deleted_options.size()));
    for (uint32_t k = 0; k < count; ++k) {
      AddLine(editor, DeletedOptionLine(state.deleted_options[k]));
    }
  }
}

void ListDmiChanges(LogContext editor) {
  const dmi::DmiTables& tables = editor.dmi;
  const uint32_t count =
      std::min<uint32_t>(tables.structure_count, uint32_t(tables.current.size()));
  for (uint32_t i = 0; i < count; ++i) {
    const dmi::DmiStructure& current = tables.current[i];
    const dmi::DmiStructure& baseline = tables.baseline[i];
    const size_t strings = std::min(current.strings.size(), baseline.strings.size());
    for (size_t j = 0; j < strings; ++j) {
      if (current.strings[j] == baseline.strings[j]) continue;
      AddLine(editor, DmiHeaderLine(dmi::DmiTypeName(current.type), i, uint32_t(j)));
      AddLine(editor, DmiStringLine(current.strings[j], baseline.strings[j]));
    }
  }
}

}  // namespace

std::string NodeHeaderLine(uint32_t node, std::string_view baseline_text) {
  return FormatText(kLineNodeHeader,
                    {int64_t(node), baseline_text.empty() ? kNullString : baseline_text});
}

std::string AccessLine(uint8_t baseline_level, uint8_t current_level) {
  return FormatText(kLineAccess, {int64_t(baseline_level), int64_t(current_level)});
}

std::string OptimalLine(uint64_t baseline_value, uint64_t current_value) {
  return FormatText(kLineOptimal, {int64_t(int32_t(uint32_t(baseline_value))),
                                   int64_t(int32_t(uint32_t(current_value)))});
}

std::string NodeTextLine(std::string_view current_text, std::string_view baseline_text) {
  return FormatText(kLineNodeText, {current_text, baseline_text});
}

std::string DeletedOptionLine(std::string_view option_name) {
  return FormatText(kLineDeletedOption, {option_name});
}

std::string DmiHeaderLine(std::string_view type_name, uint32_t structure, uint32_t string_index) {
  return FormatText(kLineDmiHeader, {type_name, int64_t(structure), int64_t(string_index)});
}

std::string DmiStringLine(std::string_view new_text, std::string_view baseline_text) {
  return FormatText(kLineDmiString, {new_text, baseline_text});
}

void BuildTrackLog(LogContext editor) {
  if (editor.controls.track_log) editor.controls.track_log->ResetContent();
  // The SPF header is searched for again, in case an edit has moved the AmiTse data.
  editor.setup.spf_state_header_offset = 0;
  const uint32_t node_count =
      std::min<uint32_t>(editor.setup.node_count, uint32_t(editor.setup.node_items.size()));
  for (uint32_t node = 0; node < node_count; ++node) ListNodeChanges(editor, node);
  ListDmiChanges(editor);
}

void FullTrackLog(LogContext editor) {
  platform::Prompter* prompter = editor.controls.prompter;
  if (!prompter) {
    BuildTrackLog(editor);
    return;
  }
  const std::string caption = prompter->WindowTitle();
  prompter->SetWindowTitle(platform::TitleWith(caption, kWaitLoadingTrackLog));
  prompter->SetBusy(true);
  prompter->ReportProgress("Writing the full track log");
  BuildTrackLog(editor);
  prompter->SetBusy(false);
  prompter->SetWindowTitle(caption);
}

}  // namespace kalvire::tracklog
