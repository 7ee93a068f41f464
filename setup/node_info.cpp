#include "setup/node_info.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <unordered_map>

#include "rom/known_guids.h"
#include "setup/baseline.h"
#include "setup/ifr_expression.h"
#include "setup/ifr_layout.h"
#include "setup/ifr_walk.h"
#include "setup/messages.h"
#include "setup/node_control.h"
#include "setup/node_lookup.h"
#include "setup/option_delete.h"
#include "util/hex_text.h"
#include "util/le.h"

namespace kalvire::setup {

namespace {

constexpr uint8_t kOpVarStoreNameValue = 0x25, kOpVarStoreEfi = 0x26, kOpDefault = 0x5B;
constexpr uint64_t kIfrQuestionId = 6;
constexpr uint64_t kIfrHelp = 4;
constexpr uint64_t kIfrOptionFlags = 4, kIfrOptionType = 5;
constexpr uint64_t kIfrDefaultId = 2, kIfrDefaultType = 4, kIfrDefaultValue = 5;
constexpr uint8_t kOptionDefault = 0x10, kOptionManufacturingDefault = 0x20;
constexpr uint8_t kCheckboxDefault = 0x01, kCheckboxManufacturingDefault = 0x02;
constexpr uint8_t kNumericSizeMask = 0x03;
constexpr uint16_t kStandardDefault = 0, kManufacturingDefault = 1;

bool IsQuestion(uint8_t opcode) {
  switch (opcode) {
    case kOpOneOf:
    case kOpCheckbox:
    case kOpNumeric:
    case kOpPassword:
    case kOpAction:
    case kOpRef:
    case kOpDate:
    case kOpTime:
    case kOpString:
    case kOpOrderedList:
      return true;
    default:
      return false;
  }
}

// Bytes of a value of EFI_IFR_TYPE_* `type`: the four number sizes and BOOLEAN; 0 for others.
int TypeWidth(uint8_t type) {
  return type <= 3 ? 1 << type : type == 4 ? 1 : 0;
}

std::optional<uint64_t> ValueField(std::span<const uint8_t> data, const IfrOpcode& op,
                                   uint64_t field, int width) {
  if (width == 0 || field + uint64_t(width) > op.length) return std::nullopt;
  return ReadValue(data, op.offset + field, width);
}

struct VarStore {
  uint16_t id = 0;
  std::string name, guid;
};

VarStore ReadVarStore(std::span<const uint8_t> data, const IfrOpcode& op) {
  const uint8_t* p = data.data() + op.offset;
  VarStore store;
  // VARSTORE: GUID, id, size, name. VARSTORE_EFI and VARSTORE_NAME_VALUE: id, GUID; the EFI one
  // then attributes, size and name.
  const bool id_first = op.opcode != kOpVarStore;
  const uint64_t id_at = id_first ? 2 : kIfrVarStoreId, guid_at = id_first ? 4 : 2;
  const uint64_t name_at = op.opcode == kOpVarStore      ? kIfrVarStoreName
                           : op.opcode == kOpVarStoreEfi ? 26
                                                         : op.length;
  if (id_at + 2 <= op.length) store.id = util::LoadLe16(p + id_at);
  if (guid_at + 16 <= op.length)
    store.guid = rom::FormatGuid(std::span<const uint8_t, 16>(p + guid_at, 16));
  for (uint64_t i = name_at; i < op.length && p[i] != 0; ++i) store.name += char(p[i]);
  return store;
}

// An open scope, with the expression of a condition.
struct IfrScope {
  IfrOpcode op;
  std::vector<IfrOpcode> expression;
};

// One node the walk describes, and what it gathers for it until its formset ends.
struct WalkTarget {
  uint64_t offset = 0;
  NodeInfo* info = nullptr;
  std::vector<IfrScope> conditions;
  std::optional<uint64_t> default_value, manufacturing_default;  // from DEFAULT opcodes
  // From the option flags; numeric questions of converted forms keep their defaults in options.
  std::optional<uint64_t> option_default, option_manufacturing_default;
};

// The walk from the start of a forms package to the end of the formset of its last target.
// Questions hold no questions, so one question's scope is read at a time.
class NodeWalk {
 public:
  // `targets` in ascending offset order.
  NodeWalk(const rom::RomWorkspace& ws, std::span<const uint8_t> data,
           std::vector<WalkTarget>& targets)
      : m_ws(ws), m_data(data), m_targets(targets) {}

  bool Visit(const IfrOpcode& op);
  // Fills the VarStore, the option defaults and the condition texts of the targets found in the
  // current formset; the walk calls it at each new formset, the caller once the walk is over.
  void FinishFormSet();

 private:
  void AtTarget(const IfrOpcode& op, WalkTarget& target);
  void InTargetScope(const IfrOpcode& op, WalkTarget& target);
  void Finish(WalkTarget& target) const;
  std::string NameOfQuestion(uint16_t id) const;

  const rom::RomWorkspace& m_ws;
  std::span<const uint8_t> m_data;
  std::vector<WalkTarget>& m_targets;
  size_t m_next = 0;                 // the first target not reached yet
  size_t m_unfinished = 0;           // the first target reached in the current formset
  WalkTarget* m_in_scope = nullptr;  // the question whose scope is being read
  size_t m_scope_depth = 0;          // scopes around it

  std::vector<IfrScope> m_scopes;
  bool m_collecting = false;  // the innermost scope is a condition still reading its expression
  uint32_t m_expression_depth = 0;  // scopes opened inside that expression
  // Of the current formset.
  std::string m_formset_guid;
  std::optional<uint16_t> m_form_id;
  std::vector<VarStore> m_varstores;
  std::unordered_map<uint16_t, QuestionHeader> m_questions;
};

bool NodeWalk::Visit(const IfrOpcode& op) {
  if (m_collecting) {
    if (op.opcode == kOpEnd && m_expression_depth == 0) {
      m_collecting = false;
      m_scopes.pop_back();
      return true;
    }
    if (m_expression_depth > 0 || IsIfrExpressionOpcode(op.opcode)) {
      m_scopes.back().expression.push_back(op);
      if (op.opcode == kOpEnd) {
        --m_expression_depth;
      } else if (op.opens_scope) {
        ++m_expression_depth;
      }
      return true;
    }
    m_collecting = false;
  }
  const uint8_t* p = m_data.data() + op.offset;
  if (op.opcode == kOpFormSet) {
    FinishFormSet();
    if (m_next == m_targets.size()) return false;
    m_varstores.clear();
    m_questions.clear();
    m_formset_guid =
        op.length >= 18 ? rom::FormatGuid(std::span<const uint8_t, 16>(p + 2, 16)) : "";
    m_form_id.reset();
  }
  if (op.opcode == kOpForm && op.length >= 4) m_form_id = util::LoadLe16(p + 2);
  if (op.opcode == kOpVarStore || op.opcode == kOpVarStoreEfi ||
      op.opcode == kOpVarStoreNameValue) {
    m_varstores.push_back(ReadVarStore(m_data, op));
  }
  if (const auto header = ReadQuestionHeader(m_data, op.opcode, op.offset)) {
    m_questions.try_emplace(header->question_id, *header);
  }
  while (m_next < m_targets.size() && m_targets[m_next].offset < op.offset) ++m_next;
  for (; m_next < m_targets.size() && m_targets[m_next].offset == op.offset; ++m_next)
    AtTarget(op, m_targets[m_next]);
  if (m_in_scope) InTargetScope(op, *m_in_scope);

  if (op.opcode == kOpEnd) {
    if (!m_scopes.empty()) m_scopes.pop_back();
    if (m_scopes.size() <= m_scope_depth) m_in_scope = nullptr;
  } else if (op.opens_scope) {
    m_scopes.push_back({op, {}});
    m_collecting = IsIfrCondition(op.opcode);
    m_expression_depth = 0;
    // Options and defaults belong to a question; a form's scope holds whole questions.
    if (m_next > 0 && m_targets[m_next - 1].offset == op.offset && IsQuestion(op.opcode)) {
      m_in_scope = &m_targets[m_next - 1];
      m_scope_depth = m_scopes.size() - 1;
    }
  }
  return true;
}

void NodeWalk::AtTarget(const IfrOpcode& op, WalkTarget& target) {
  for (const IfrScope& scope : m_scopes)
    if (IsIfrCondition(scope.op.opcode)) target.conditions.push_back(scope);

  NodeInfo& info = *target.info;
  info.formset_guid = m_formset_guid;
  info.form_id = m_form_id;
  const uint8_t* p = m_data.data() + op.offset;
  if (op.opcode != kOpForm && kIfrHelp + 2 <= op.length)
    info.help = StringText(m_ws, util::LoadLe16(p + kIfrHelp));
  if (const auto header = ReadQuestionHeader(m_data, op.opcode, op.offset)) {
    info.question_id = header->question_id;
    info.varstore_id = header->varstore_id;
    info.varstore_offset = header->varstore_offset;
  }
  const bool has_flags = op.length > kIfrCheckboxFlags;
  const uint8_t flags = has_flags ? p[kIfrCheckboxFlags] : 0;
  if (op.opcode == kOpCheckbox) {
    info.width = 1;
    if (has_flags) {
      info.ifr_default = flags & kCheckboxDefault ? 1 : 0;
      info.ifr_manufacturing_default = flags & kCheckboxManufacturingDefault ? 1 : 0;
    }
  }
  if ((op.opcode == kOpOneOf || op.opcode == kOpNumeric) && has_flags) {
    info.width = 1 << (flags & kNumericSizeMask);
    if (op.opcode == kOpNumeric) {
      const uint64_t w = uint64_t(info.width);
      info.minimum = ValueField(m_data, op, kIfrNumericRange, info.width);
      info.maximum = ValueField(m_data, op, kIfrNumericRange + w, info.width);
      info.step = ValueField(m_data, op, kIfrNumericRange + 2 * w, info.width);
    }
  }
  if (op.opcode == kOpOneOf && !op.opens_scope) {
    for (const IfrOpcode& option : UnscopedOneOfOptions(m_data, op.offset))
      InTargetScope(option, target);
  }
}

void NodeWalk::InTargetScope(const IfrOpcode& op, WalkTarget& target) {
  const uint8_t* p = m_data.data() + op.offset;
  if (op.opcode == kOpOneOfOption && kIfrOptionValue <= op.length) {
    NodeOption option;
    const uint16_t text = util::LoadLe16(p + kIfrOptionText);
    option.name = StringText(m_ws, text);
    option.deleted = text == kDeletedOptionStringId;
    const uint8_t flags = p[kIfrOptionFlags];
    option.value =
        ValueField(m_data, op, kIfrOptionValue, TypeWidth(p[kIfrOptionType])).value_or(0);
    option.is_default = (flags & kOptionDefault) != 0;
    option.is_manufacturing_default = (flags & kOptionManufacturingDefault) != 0;
    if (option.is_default && !target.option_default) target.option_default = option.value;
    if (option.is_manufacturing_default && !target.option_manufacturing_default)
      target.option_manufacturing_default = option.value;
    if (target.info->opcode == kOpOneOf) target.info->options.push_back(std::move(option));
  }
  if (op.opcode == kOpDefault && kIfrDefaultValue <= op.length) {
    const uint16_t id = util::LoadLe16(p + kIfrDefaultId);
    const auto value = ValueField(m_data, op, kIfrDefaultValue, TypeWidth(p[kIfrDefaultType]));
    if (id == kStandardDefault && !target.default_value) target.default_value = value;
    if (id == kManufacturingDefault && !target.manufacturing_default)
      target.manufacturing_default = value;
  }
}

std::string NodeWalk::NameOfQuestion(uint16_t id) const {
  const auto question = m_questions.find(id);
  if (question == m_questions.end() || question->second.varstore_id == 0) return {};
  for (const VarStore& store : m_varstores) {
    if (store.id == question->second.varstore_id && !store.name.empty())
      return store.name + "[" + util::HexText(question->second.varstore_offset) + "]";
  }
  return {};
}

void NodeWalk::FinishFormSet() {
  m_in_scope = nullptr;
  for (; m_unfinished < m_next; ++m_unfinished) Finish(m_targets[m_unfinished]);
}

void NodeWalk::Finish(WalkTarget& target) const {
  NodeInfo& info = *target.info;
  if (info.varstore_id && *info.varstore_id != 0) {
    for (const VarStore& store : m_varstores) {
      if (store.id != *info.varstore_id) continue;
      info.varstore_name = store.name;
      info.varstore_guid = store.guid;
      break;
    }
  }
  // A DEFAULT opcode first, then an option's flag, then the check box flags read before.
  if (target.default_value || target.option_default)
    info.ifr_default = target.default_value ? target.default_value : target.option_default;
  if (target.manufacturing_default || target.option_manufacturing_default) {
    info.ifr_manufacturing_default = target.manufacturing_default
                                         ? target.manufacturing_default
                                         : target.option_manufacturing_default;
  }
  const setup::QuestionName name_of = [this](uint16_t id) { return NameOfQuestion(id); };
  for (const IfrScope& condition : target.conditions)
    info.conditions.push_back(
        FormatCondition(m_data, condition.op.opcode, condition.expression, name_of));
}

void ReadControlRecord(SetupContext editor, platform::TreeItem item, NodeInfo& info) {
  NodeControl control;
  if (info.opcode == kOpForm || FindNodeControl(editor, item, control) != 1) return;
  const int32_t width_before = editor.setup.current_value_width;
  ControlState state;
  if (ReadControlState(editor, item, state) == 1) {
    info.visible = state.visible;
    info.access_level = state.access_level;
    if (editor.setup.current_value_width != kNoValueWidth) info.optimal_value = state.value;
  }
  editor.setup.current_value_width = width_before;
}

std::string ValueText(const NodeInfo& info, uint64_t value) {
  const std::string number = std::to_string(value);
  if (info.opcode == kOpCheckbox && value <= 1)
    return std::string(value ? kCheckboxEnabled : kCheckboxDisabled) + " (" + number + ")";
  for (const NodeOption& option : info.options)
    if (option.value == value) return option.name + " (" + number + ")";
  return number;
}

}  // namespace

std::optional<QuestionHeader> ReadQuestionHeader(std::span<const uint8_t> setup_data,
                                                 uint8_t opcode, uint64_t offset) {
  if (!IsQuestion(opcode)) return std::nullopt;
  const auto length = util::ReadU8(setup_data, offset + 1);
  if (!length || (*length & kOpcodeLengthMask) < kIfrQuestionFlags ||
      !util::Fits(setup_data, offset, kIfrQuestionFlags)) {
    return std::nullopt;
  }
  const uint8_t* p = setup_data.data() + offset;
  return QuestionHeader{util::LoadLe16(p + kIfrQuestionId),
                        util::LoadLe16(p + kIfrQuestionVarStoreId),
                        util::LoadLe16(p + kIfrQuestionVarOffset)};
}

std::vector<NodeInfo> DescribeNodes(SetupContext editor, std::span<const uint32_t> nodes) {
  std::vector<NodeInfo> infos(nodes.size());
  const SetupModel& model = editor.setup;
  const platform::TreeControl* tree = editor.controls.setup_tree;
  std::vector<WalkTarget> targets;
  targets.reserve(nodes.size());
  for (size_t i = 0; i < nodes.size(); ++i) {
    NodeInfo& info = infos[i];
    info.node = nodes[i];
    if (info.node >= model.node_count || !tree) continue;
    const uint32_t data = tree->GetItemData(model.node_items[info.node]);
    info.opcode = ItemOpcode(data);
    info.kind = IfrOpcodeName(info.opcode);
    info.prompt = tree->GetItemText(model.node_items[info.node]);
    targets.push_back({ItemOffset(data), &info, {}, {}, {}, {}, {}});
  }
  std::stable_sort(targets.begin(), targets.end(),
                   [](const WalkTarget& a, const WalkTarget& b) { return a.offset < b.offset; });

  const rom::RomWorkspace& ws = editor.workspace;
  const std::span<const uint8_t> setup_data = ws.m_setup_module.Data();
  if (ws.m_setup_packages.forms_package && !targets.empty()) {
    auto first = targets.begin();
    for (const FormsPackageSpan& package :
         FormsPackageSpans(setup_data, *ws.m_setup_packages.forms_package)) {
      // The targets inside this package; one lying in no package is left undescribed.
      while (first != targets.end() && first->offset < package.begin) ++first;
      auto last = first;
      while (last != targets.end() && last->offset < package.end) ++last;
      if (first == last) continue;
      std::vector<WalkTarget> in_package(std::make_move_iterator(first),
                                         std::make_move_iterator(last));
      NodeWalk walk(ws, setup_data, in_package);
      WalkIfrOpcodes(setup_data, package, [&walk](const IfrOpcode& op) { return walk.Visit(op); });
      walk.FinishFormSet();
      first = last;
    }
  }
  for (NodeInfo& info : infos) {
    if (info.node < model.node_count && tree)
      ReadControlRecord(editor, model.node_items[info.node], info);
  }
  return infos;
}

NodeInfo DescribeNode(SetupContext editor, uint32_t node) {
  return std::move(DescribeNodes(editor, std::span<const uint32_t>(&node, 1)).front());
}

std::vector<std::string> FormatNodeInfo(const NodeInfo& info) {
  std::vector<std::string> lines;
  char number[16];
  std::snprintf(number, sizeof number, "%x", info.node);
  lines.push_back("Kind: " + info.kind);
  lines.push_back(std::string("Node: ") + number);
  if (!info.prompt.empty()) lines.push_back("Prompt: " + info.prompt);
  if (!info.help.empty()) lines.push_back("Help: " + info.help);
  if (info.question_id) lines.push_back("Question Id: " + util::HexText(*info.question_id));
  if (info.varstore_id) {
    const std::string id = "id " + util::HexText(*info.varstore_id);
    if (!info.varstore_name.empty() || !info.varstore_guid.empty()) {
      lines.push_back("VarStore: " + (info.varstore_name.empty() ? "" : info.varstore_name + " ") +
                      "(" + id +
                      (info.varstore_guid.empty() ? "" : ", GUID " + info.varstore_guid) + ")");
    } else {
      lines.push_back(*info.varstore_id == 0 ? "VarStore: none"
                                             : "VarStore: " + id + ", not declared in the formset");
    }
  }
  if (info.varstore_offset) {
    std::string line = "Offset: " + util::HexText(*info.varstore_offset);
    if (info.width > 0)
      line += ", width " + std::to_string(info.width) + (info.width == 1 ? " byte" : " bytes");
    lines.push_back(line);
  }
  if (info.minimum && info.maximum) {
    std::string line =
        "Range: " + std::to_string(*info.minimum) + " to " + std::to_string(*info.maximum);
    if (info.step) line += ", step " + std::to_string(*info.step);
    lines.push_back(line);
  }
  if (!info.options.empty()) {
    lines.push_back("Options:");
    for (const NodeOption& option : info.options) {
      const bool optimal = info.optimal_value && *info.optimal_value == option.value;
      lines.push_back((optimal ? "  * " : "    ") + option.name + " (" +
                      std::to_string(option.value) + ")");
    }
  }
  if (info.ifr_default) lines.push_back("Default: " + ValueText(info, *info.ifr_default));
  if (info.ifr_manufacturing_default)
    lines.push_back("Manufacturing default: " + ValueText(info, *info.ifr_manufacturing_default));
  for (const std::string& condition : info.conditions) lines.push_back("Hidden when: " + condition);
  if (info.visible) lines.push_back(std::string("Visible: ") + (*info.visible ? "Yes" : "No"));
  if (info.access_level) {
    lines.push_back("Access level: " + (*info.access_level < std::size(kAccessLevelNames)
                                            ? std::string(kAccessLevelNames[*info.access_level])
                                            : std::to_string(*info.access_level)));
  }
  if (info.optimal_value) lines.push_back("Optimal value: " + util::HexText(*info.optimal_value));
  return lines;
}

}  // namespace kalvire::setup
