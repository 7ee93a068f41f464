#include "setup/node_search.h"

#include <algorithm>
#include <cstdio>

#include "setup/ifr_layout.h"
#include "setup/ifr_walk.h"
#include "setup/node_info.h"
#include "setup/node_lookup.h"
#include "util/hex_text.h"
#include "util/le.h"

namespace kalvire::setup {

namespace {

constexpr uint64_t kIfrHelp = 4;

// ASCII and the Latin-1 capitals (but the multiplication sign) to lower case.
char LowerLatin1(char c) {
  const auto byte = static_cast<unsigned char>(c);
  if ((byte >= 'A' && byte <= 'Z') || (byte >= 0xC0 && byte <= 0xDE && byte != 0xD7))
    return char(byte + 0x20);
  return c;
}

void AppendText(std::string& texts, std::string_view text) {
  if (text.empty()) return;
  for (const char c : text) texts += LowerLatin1(c);
  texts += '\n';
}

std::string PlainHex(uint64_t value) {
  char text[24];
  std::snprintf(text, sizeof text, "%llx", static_cast<unsigned long long>(value));
  return text;
}

// The texts the forms give each node: help, question id, VarStore offset, option names.
class TextWalk {
 public:
  TextWalk(const rom::RomWorkspace& ws, std::span<const uint8_t> data,
           std::vector<std::pair<uint64_t, uint32_t>> by_offset, std::vector<std::string>& texts)
      : m_ws(ws), m_data(data), m_by_offset(std::move(by_offset)), m_texts(texts) {}

  bool Visit(const IfrOpcode& op) {
    while (m_next < m_by_offset.size() && m_by_offset[m_next].first < op.offset) ++m_next;
    if (m_next < m_by_offset.size() && m_by_offset[m_next].first == op.offset)
      AtNode(op, m_by_offset[m_next++].second);
    if (op.opcode == kOpOneOfOption && m_owner && m_depth > m_owner_depth) AddOption(op.offset);
    if (op.opcode == kOpEnd) {
      if (m_depth > 0) --m_depth;
      if (m_owner && m_depth <= m_owner_depth) m_owner.reset();
    } else if (op.opens_scope) {
      ++m_depth;
    }
    return true;
  }

 private:
  void AtNode(const IfrOpcode& op, uint32_t node) {
    std::string& texts = m_texts[node];
    if (op.opcode != kOpForm && kIfrHelp + 2 <= op.length)
      AppendText(texts, StringText(m_ws, util::LoadLe16(m_data.data() + op.offset + kIfrHelp)));
    if (const auto header = ReadQuestionHeader(m_data, op.opcode, op.offset)) {
      AppendText(texts, util::HexText(header->question_id));
      AppendText(texts, PlainHex(header->question_id));
      AppendText(texts, util::HexText(header->varstore_offset));
    }
    if (op.opcode != kOpOneOf) return;
    m_owner = node;
    if (op.opens_scope) {
      m_owner_depth = m_depth;
      return;
    }
    for (const IfrOpcode& option : UnscopedOneOfOptions(m_data, op.offset))
      AddOption(option.offset);
    m_owner.reset();
  }
  void AddOption(uint64_t option) {
    if (const auto text = util::ReadLe16(m_data, option + kIfrOptionText))
      AppendText(m_texts[*m_owner], StringText(m_ws, *text));
  }

  const rom::RomWorkspace& m_ws;
  std::span<const uint8_t> m_data;
  std::vector<std::pair<uint64_t, uint32_t>> m_by_offset;  // opcode offset, node
  std::vector<std::string>& m_texts;
  size_t m_next = 0;
  uint32_t m_depth = 0;
  std::optional<uint32_t> m_owner;  // the scoped one-of whose options are being read
  uint32_t m_owner_depth = 0;
};

}  // namespace

NodeSearchIndex::NodeSearchIndex(SetupContext editor) {
  const SetupModel& model = editor.setup;
  const platform::TreeControl* tree = editor.controls.setup_tree;
  if (!tree) return;
  const uint32_t count = model.node_count;
  std::vector<std::string> texts(count);
  std::vector<std::pair<uint64_t, uint32_t>> by_offset(count);
  for (uint32_t node = 0; node < count; ++node) {
    const platform::TreeItem item = model.node_items[node];
    AppendText(texts[node], PlainHex(node));
    AppendText(texts[node], tree->GetItemText(item));
    by_offset[node] = {ItemOffset(tree->GetItemData(item)), node};
  }
  std::sort(by_offset.begin(), by_offset.end());

  const rom::RomWorkspace& ws = editor.workspace;
  const std::span<const uint8_t> data = ws.m_setup_module.Data();
  if (ws.m_setup_packages.forms_package) {
    TextWalk walk(ws, data, std::move(by_offset), texts);
    for (const FormsPackageSpan& package :
         FormsPackageSpans(data, *ws.m_setup_packages.forms_package)) {
      if (!WalkIfrOpcodes(data, package, [&walk](const IfrOpcode& op) { return walk.Visit(op); }))
        break;
    }
  }
  m_starts.reserve(count);
  for (const std::string& node_texts : texts) {
    m_starts.push_back(uint32_t(m_texts.size()));
    m_texts += node_texts;
  }
}

std::vector<uint32_t> NodeSearchIndex::Find(std::string_view text) const {
  std::vector<uint32_t> found;
  if (text.empty() || text.find('\n') != std::string_view::npos) return found;
  std::string needle;
  for (const char c : text) needle += LowerLatin1(c);
  // Every text ends with '\n', which the needle lacks: a match never runs into the next node.
  for (size_t at = m_texts.find(needle); at != std::string::npos; at = m_texts.find(needle, at)) {
    const auto next = std::upper_bound(m_starts.begin(), m_starts.end(), uint32_t(at));
    found.push_back(uint32_t(next - m_starts.begin() - 1));
    if (next == m_starts.end()) break;
    at = *next;
  }
  return found;
}

std::string NodePath(SetupContext editor, uint32_t node) {
  const SetupModel& model = editor.setup;
  const platform::TreeControl* tree = editor.controls.setup_tree;
  if (node >= model.node_count || !tree) return {};
  std::vector<std::string> forms;
  for (platform::TreeItem up = tree->GetParentItem(model.node_items[node]);
       up != model.root_item && up != platform::kRootItem && up != platform::kNoItem;
       up = tree->GetParentItem(up)) {
    if (ItemOpcode(tree->GetItemData(up)) == kOpForm) forms.push_back(tree->GetItemText(up));
  }
  std::string path;
  for (auto form = forms.rbegin(); form != forms.rend(); ++form)
    path += (path.empty() ? "" : " > ") + *form;
  return path;
}

}  // namespace kalvire::setup
