#include "tracklog/import_settings.h"

#include <cstring>
#include <fstream>
#include <new>
#include <optional>
#include <sstream>
#include <string_view>
#include <vector>

#include "dmi/dmi_edit.h"
#include "dmi/dmi_parse.h"
#include "rom/messages.h"
#include "setup/node_display.h"
#include "setup/node_edit.h"
#include "setup/node_info.h"
#include "setup/optimal_value.h"
#include "setup/option_delete.h"
#include "setup/string_edit.h"
#include "tracklog/import_parse.h"
#include "tracklog/line_format.h"
#include "tracklog/messages.h"
#include "util/file_io.h"

namespace kalvire::tracklog {

namespace {

// The option deletion takes the option's name in a buffer of 244 characters, NUL included.
constexpr size_t kOptionNameLimit = 243;

// The import's current node before a node header sets one.
constexpr uint32_t kNone = 0xFFFF;

class Importer {
 public:
  explicit Importer(LogContext editor) : m_editor(editor) {}

  void ApplyLine(std::string_view line, int64_t line_number);
  // Lines of a track log met so far, applied or skipped.
  int64_t RecognisedLines() const { return m_recognised; }
  // Lists the skipped lines behind whatever the operations left in the track log list.
  void ListSkippedLines();

 private:
  void NodeHeader(const KeywordMatch& match);
  void Visibility(std::string_view line);
  void AccessOrOptimal(LineKind kind, std::string_view line);
  void DmiHeader(std::string_view line, const KeywordMatch& match);
  void DmiString(std::string_view new_text);
  void AfterSettingChange();
  bool Confirm(std::string_view pattern, std::string_view current, std::string_view imported);
  std::string_view BaselineText(uint32_t node) const;
  // The one node whose text before any edit is `text`; nullopt when none or several have it.
  std::optional<uint32_t> OnlyNodeWithText(std::string_view text) const;
  void Skip(std::string text) { m_skipped.push_back(std::move(text)); }

  LogContext m_editor;
  uint32_t m_node = kNone;
  // Both DMI indexes are set or none together; the string index as read, checked when a string
  // line uses it.
  bool m_dmi_selected = false;
  uint32_t m_structure = 0;
  int32_t m_string = 0;
  int64_t m_line_number = 0;
  int64_t m_recognised = 0;
  std::vector<std::string> m_skipped;
};

std::string_view TrimmedRight(std::string_view text) {
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

// A number of 1 to 8 digits of `base` (10 or 16) and nothing else; nullopt for any other text,
// a sign included.
std::optional<uint32_t> ParseDigits(std::string_view text, int base) {
  if (text.empty() || text.size() > 8) return std::nullopt;
  uint64_t value = 0;
  for (const char c : text) {
    const int lower = c | 0x20;
    int digit = -1;
    if (c >= '0' && c <= '9') digit = c - '0';
    if (base == 16 && lower >= 'a' && lower <= 'f') digit = lower - 'a' + 10;
    if (digit < 0) return std::nullopt;
    value = value * uint64_t(base) + uint64_t(digit);
  }
  if (value > UINT32_MAX) return std::nullopt;
  return uint32_t(value);
}

// The text between the value's start and its first double quote; nullopt without a closing
// quote.
std::optional<std::string_view> QuotedText(std::string_view value) {
  const size_t quote = value.find('"');
  if (quote == std::string_view::npos) return std::nullopt;
  return value.substr(0, quote);
}

void Importer::ApplyLine(std::string_view line, int64_t line_number) {
  m_line_number = line_number;
  const auto match = MatchLineKeyword(line);
  if (!match) return;
  ++m_recognised;
  const LineKind kind = match->keyword->kind;
  const bool node_line = kind >= LineKind::kVisibility && kind <= LineKind::kDeletedOption;
  if (node_line && m_node == kNone) return;
  switch (kind) {
    case LineKind::kNodeHeader:
      NodeHeader(*match);
      return;
    case LineKind::kVisibility:
      Visibility(line);
      return;
    case LineKind::kAccessLevel:
    case LineKind::kOptimal:
      AccessOrOptimal(kind, line);
      return;
    case LineKind::kDmiHeader:
      DmiHeader(line, *match);
      return;
    case LineKind::kNodeText:
    case LineKind::kDeletedOption:
    case LineKind::kDmiString:
      break;
  }
  const auto new_text = QuotedText(match->value);
  if (!new_text) return;
  if (kind == LineKind::kNodeText) {
    if (m_editor.workspace.m_format_marker == rom::kFormatMarkerOpened) {
      setup::EditSetupString(m_editor, m_node, std::string(*new_text));
    }
    m_editor.workspace.m_setup_string_modified = true;
  } else if (kind == LineKind::kDeletedOption) {
    setup::DeleteOption(m_editor, m_node, std::string(new_text->substr(0, kOptionNameLimit)));
  } else {
    DmiString(*new_text);
  }
}

void Importer::NodeHeader(const KeywordMatch& match) {
  const std::string_view value = match.value;
  const int32_t number = StringToLong(value, 16);
  const size_t delimiter = value.find(match.keyword->delimiter);
  m_node = kNone;
  if (delimiter == std::string_view::npos) return;
  const uint32_t node_count = m_editor.setup.node_count;
  if (number < 0 || uint32_t(number) >= node_count) {
    Skip(FormatText(kImportSkippedNode,
                    {m_line_number, int64_t(uint32_t(number)), int64_t(node_count)}));
    return;
  }
  std::string_view imported = value.substr(delimiter + match.keyword->delimiter.size());
  if (imported == kNullString) imported = {};
  const std::string_view current = BaselineText(uint32_t(number));
  if (current != imported) {
    platform::Prompter* prompter = m_editor.controls.prompter;
    const auto alternative = OnlyNodeWithText(imported);
    if (alternative && prompter &&
        prompter->AskYesNo(
            FormatText(kImportNodeAlternative,
                       {current, imported, int64_t(*alternative), int64_t(*alternative)}),
            kImportQuestionCaption, platform::MessageAnswer::kNo)) {
      m_node = *alternative;
      return;
    }
    if (!Confirm(kImportNodeMismatch, current, imported)) return;
  }
  m_node = uint32_t(number);
}

std::string_view Importer::BaselineText(uint32_t node) const {
  const auto& baseline = m_editor.setup.node_states[node].baseline_text;
  return {baseline.data(), strnlen(baseline.data(), baseline.size())};
}

std::optional<uint32_t> Importer::OnlyNodeWithText(std::string_view text) const {
  std::optional<uint32_t> found;
  for (uint32_t node = 0; node < m_editor.setup.node_count; ++node) {
    if (BaselineText(node) != text) continue;
    if (found) return std::nullopt;
    found = node;
  }
  return found;
}

void Importer::Visibility(std::string_view line) {
  const bool hide =
      line.find(kLineKeywords[size_t(LineKind::kVisibility)].delimiter) != std::string_view::npos;
  setup::ChangeNodeSetting(m_editor, setup::kChangeVisibility, hide ? 0 : 1, 0, m_node);
  AfterSettingChange();
}

void Importer::AccessOrOptimal(LineKind kind, std::string_view line) {
  const size_t first = line.find(':');
  const size_t second = first == std::string_view::npos ? first : line.find(':', first + 1);
  if (second == std::string_view::npos) return;
  const std::string_view value = TrimmedRight(line.substr(second + 1));
  if (kind == LineKind::kAccessLevel) {
    const auto level = ParseDigits(value, 16);
    if (!level || *level > 3) {
      Skip(FormatText(kImportSkippedAccess, {m_line_number, value}));
      return;
    }
    setup::ChangeNodeSetting(m_editor, setup::kChangeAccessLevel, uint32_t(*level), 0, m_node);
  } else if (m_editor.workspace.m_format_marker == rom::kFormatMarkerOpened) {
    const auto optimal = ParseDigits(value, 10);
    const auto refusal =
        optimal ? setup::RefuseOptimalValue(setup::DescribeNode(m_editor, m_node), *optimal)
                : std::optional<std::string>("has no optimal value \"" + std::string(value) + "\"");
    if (refusal) {
      Skip(FormatText(kImportSkippedOptimal, {m_line_number, int64_t(m_node), *refusal}));
      return;
    }
    setup::ApplyOptimalSelection(m_editor, m_node, uint32_t(*optimal));
  }
  AfterSettingChange();
}

void Importer::AfterSettingChange() {
  setup::ShowNodeDetails(m_editor);
  m_editor.workspace.m_setup_form_modified = true;
}

void Importer::DmiHeader(std::string_view line, const KeywordMatch& match) {
  const size_t at = line.size() - match.found.size();
  const std::string_view imported_type = line.substr(0, at == 0 ? 0 : at - 1);
  const std::string_view behind = match.found.substr(match.keyword->keyword.size());
  const int32_t structure = StringToLong(behind, 16);
  m_dmi_selected = false;
  const size_t bracket = behind.find(match.keyword->delimiter);
  if (bracket == std::string_view::npos) {
    Skip(FormatText(kImportSkippedDmiHeader, {m_line_number}));
    return;
  }
  const int32_t string_index = StringToLong(behind.substr(bracket + 1), 16);
  const dmi::DmiTables& tables = m_editor.dmi;
  if (structure < 0 || uint32_t(structure) >= tables.structure_count ||
      uint32_t(structure) >= tables.current.size()) {
    Skip(FormatText(kImportSkippedStructure, {m_line_number, int64_t(uint32_t(structure)),
                                              int64_t(tables.structure_count)}));
    return;
  }
  const std::string_view current_type = dmi::DmiTypeName(tables.current[uint32_t(structure)].type);
  if (current_type != imported_type && !Confirm(kImportDmiMismatch, current_type, imported_type)) {
    return;
  }
  m_dmi_selected = true;
  m_structure = uint32_t(structure);
  m_string = string_index;
}

void Importer::DmiString(std::string_view new_text) {
  if (!m_dmi_selected) return;
  std::vector<std::string>& strings = m_editor.dmi.current[m_structure].strings;
  if (m_string < 0 || uint64_t(m_string) >= strings.size()) {
    Skip(FormatText(kImportSkippedString, {m_line_number, int64_t(m_structure),
                                           int64_t(uint32_t(m_string)), int64_t(strings.size())}));
    return;
  }
  // An empty string would end the structure's string set early; the DMI dialog stores a
  // cleared field as one space for the same reason.
  const std::string text = new_text.empty() ? std::string(" ") : std::string(new_text);
  std::string& current = strings[uint32_t(m_string)];
  if (text == current) return;
  if (m_editor.controls.track_log) {
    m_editor.controls.track_log->ResetContent();
    m_editor.controls.track_log->AddString(FormatText(kImportDmiChanged, {text, current}));
  }
  current = text;
  m_editor.workspace.m_dmi_modified = true;
  dmi::ColorDmiStructure(m_editor, m_structure);
}

bool Importer::Confirm(std::string_view pattern, std::string_view current,
                       std::string_view imported) {
  platform::Prompter* prompter = m_editor.controls.prompter;
  if (!prompter) return false;
  const std::string text = FormatText(pattern, {current, imported}) + kImportUndefinedBehaviour;
  return prompter->AskYesNo(text, kImportQuestionCaption, platform::MessageAnswer::kNo);
}

void Importer::ListSkippedLines() {
  if (!m_editor.controls.track_log) return;
  for (const std::string& line : m_skipped) m_editor.controls.track_log->AddString(line);
}

}  // namespace

int64_t ImportSettingsFrom(LogContext editor, std::istream& log) {
  Importer importer(editor);
  std::string line;
  int64_t line_number = 0;
  while (std::getline(log, line)) {
    ++line_number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    // The lines are single-byte text; a NUL ends one, as it ends any C string.
    const size_t nul = line.find('\0');
    if (nul != std::string::npos) line.resize(nul);
    importer.ApplyLine(line, line_number);
  }
  importer.ListSkippedLines();
  return importer.RecognisedLines();
}

int ImportSettingsFile(LogContext editor, const std::string& path) {
  platform::Prompter* prompter = editor.controls.prompter;
  std::string error;
  std::vector<uint8_t> bytes;
  if (!util::ReadWholeFile(path, bytes, error)) {
    if (prompter) prompter->ShowError(FormatText(kImportUnreadable, {error}));
    return 0;
  }
  // Nothing is applied from a file that holds no line of a track log at all.
  std::istringstream log(std::string(bytes.begin(), bytes.end()));
  bytes = {};
  std::string line;
  bool recognised = false;
  while (!recognised && std::getline(log, line)) recognised = MatchLineKeyword(line).has_value();
  if (!recognised) {
    if (prompter) prompter->ShowError(FormatText(kImportNoLogLines, {path}));
    return 0;
  }
  log.clear();
  log.seekg(0);
  ImportSettingsFrom(editor, log);
  return 1;
}

void ImportSettings(LogContext editor) {
  platform::Prompter* prompter = editor.controls.prompter;
  if (!prompter) return;
  platform::FileDialogRequest request;
  request.save = false;
  request.default_extension = kLogDefaultExtension;
  request.filter = kImportLogFilter;
  request.overwrite_prompt = false;
  const auto path = prompter->AskFilePath(request);
  if (!path || path->empty()) return;
  try {
    ImportSettingsFile(editor, *path);
  } catch (const std::bad_alloc&) {
    rom::ShowPlainMessage(editor, rom::kMsgFailedToAllocateMemory);
  }
}

}  // namespace kalvire::tracklog
