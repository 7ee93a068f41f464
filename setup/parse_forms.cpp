#include "setup/parse_forms.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "rom/known_guids.h"
#include "setup/change_texts.h"
#include "setup/ifr_layout.h"
#include "setup/messages.h"
#include "setup/node_lookup.h"
#include "util/le.h"

namespace kalvire::setup {

namespace {

using platform::TreeItem;

// The texts of the non-empty REF prompts of one form, kept as string ids: the parse compares
// them by text with the titles of later forms.
struct FormRecord {
  uint16_t form_id = 0;
  std::vector<uint16_t> ref_prompts;
};

struct FormIdEntry {
  uint16_t form_id = 0;
  uint16_t parent_form_id = 0;
};

bool InFormMap(uint16_t form_id) {
  return form_id >= kFormMapFirstId && size_t(form_id - kFormMapFirstId) < kFormMapCapacity;
}

std::optional<uint8_t> FindPackageListFlag(std::span<const uint8_t> data) {
  for (uint64_t pos = 0; data.size() >= 16 && pos <= data.size() - 16; ++pos) {
    if (std::memcmp(data.data() + pos, rom::kSetupModuleGuid.data(), 16) == 0) return 0;
    if (std::memcmp(data.data() + pos, rom::kSetupPackageListAltGuid.data(), 16) == 0) return 1;
  }
  return std::nullopt;
}

class FormParser {
 public:
  FormParser(SetupContext editor, std::span<const uint8_t> data, platform::TreeControl& tree)
      : m_ws(editor.workspace),
        m_model(editor.setup),
        m_prompter(editor.controls.prompter),
        m_data(data),
        m_tree(tree),
        m_form_map(kFormMapCapacity, platform::kNoItem) {
    m_forms.reserve(kFormCapacity);
    m_form_ids.reserve(kFormIdListCapacity);
  }

  void Run(uint64_t first_package);

 private:
  // Each returns false when the parse has to end.
  bool WalkPackage(uint64_t package, uint64_t end);
  bool ParseOpcode(uint64_t offset, uint8_t opcode, uint8_t length);
  bool ParseForm(uint64_t offset, uint8_t length);
  bool ParseRef(uint64_t offset, uint8_t length);
  bool MakeNode(TreeItem parent, uint8_t opcode, uint64_t offset, uint16_t string_id,
                TreeItem* made = nullptr);
  bool AppendFormId(uint16_t form_id, uint16_t parent_form_id, size_t& position);
  // The FormId's entry in the list, searched from the last one back.
  std::optional<size_t> FindFormId(uint16_t form_id) const;

  TreeItem FormItem(uint16_t form_id) const;
  void SetFormItem(uint16_t form_id, TreeItem item);

  // A 16-bit field of the opcode at `offset`; a field the opcode is too short for reads 0.
  uint16_t Field16(uint64_t offset, uint8_t length, uint64_t field) const {
    return field + 2 <= length ? util::LoadLe16(m_data.data() + offset + field) : 0;
  }
  void Note(const char* what, uint64_t offset) {
    m_ws.m_diagnostics.push_back(what + std::to_string(offset));
  }
  void ShowError(const std::string& text) {
    if (m_prompter) m_prompter->ShowError(text);
  }

  rom::RomWorkspace& m_ws;
  SetupModel& m_model;
  platform::Prompter* m_prompter;
  std::span<const uint8_t> m_data;
  platform::TreeControl& m_tree;

  std::vector<FormRecord> m_forms;
  std::vector<FormIdEntry> m_form_ids;
  std::vector<TreeItem> m_form_map;  // FormId - kFormMapFirstId
  // FormIds outside the map's range, so that their forms still hold their own nodes.
  std::vector<std::pair<uint16_t, TreeItem>> m_outside_map;

  std::optional<uint16_t> m_formset_title;
  uint16_t m_form_id = 0;  // of the current form
  bool m_subtitle_seen = false;
  TreeItem m_last_subtitle = platform::kNoItem;
  uint16_t m_root_form_id = 0;
  bool m_first_form_of_package = false;
  bool m_form_has_record = false;  // the current form got a form record
  bool m_form_table_full_noted = false;
  uint32_t m_page_counter = 0;
  uint32_t m_control_counter = 0;
};

TreeItem FormParser::FormItem(uint16_t form_id) const {
  if (InFormMap(form_id)) {
    return m_form_map[form_id - kFormMapFirstId];
  }
  for (const auto& [id, item] : m_outside_map) {
    if (id == form_id) return item;
  }
  return platform::kNoItem;
}

void FormParser::SetFormItem(uint16_t form_id, TreeItem item) {
  if (InFormMap(form_id)) {
    m_form_map[form_id - kFormMapFirstId] = item;
    return;
  }
  for (auto& [id, mapped] : m_outside_map) {
    if (id == form_id) {
      mapped = item;
      return;
    }
  }
  // Bounded by the FormId list: every form placed has an entry there.
  if (m_outside_map.size() < kFormIdListCapacity) m_outside_map.emplace_back(form_id, item);
}

std::optional<size_t> FormParser::FindFormId(uint16_t form_id) const {
  for (size_t i = m_form_ids.size(); i-- > 0;) {
    if (m_form_ids[i].form_id == form_id) return i;
  }
  return std::nullopt;
}

bool FormParser::AppendFormId(uint16_t form_id, uint16_t parent_form_id, size_t& position) {
  if (m_form_ids.size() == kFormIdListCapacity) {
    ShowError(FormatNumbers(kMsgFormIdListFull, {int64_t(kFormIdListCapacity + 1)}));
    return false;
  }
  position = m_form_ids.size();
  m_form_ids.push_back({form_id, parent_form_id});
  return true;
}

bool FormParser::MakeNode(TreeItem parent, uint8_t opcode, uint64_t offset, uint16_t string_id,
                          TreeItem* made) {
  const uint32_t node = m_model.node_count;
  if (node == kNodeCapacity) {
    ShowError(FormatNumbers(kMsgNodeTableFull, {int64_t(kNodeCapacity + 1)}));
    return false;
  }
  const TreeItem item =
      m_tree.InsertItem(parent == platform::kNoItem ? platform::kRootItem : parent,
                        std::string(StringText(m_ws, string_id)));
  m_tree.SetItemData(item, MakeItemData(opcode, offset));
  m_model.nodes[node] = {item, uint16_t(m_page_counter), uint16_t(m_control_counter), string_id};
  m_model.node_items[node] = item;
  m_model.node_count = node + 1;
  if (opcode != kOpForm) ++m_control_counter;
  if (made) *made = item;
  return true;
}

bool FormParser::ParseForm(uint64_t offset, uint8_t length) {
  const uint16_t form_id = Field16(offset, length, kIfrFormId);
  const uint16_t title = Field16(offset, length, kIfrFormTitle);

  m_form_has_record = m_forms.size() < kFormCapacity;
  if (m_form_has_record) {
    m_forms.emplace_back();
  } else if (!m_form_table_full_noted) {
    m_form_table_full_noted = true;
    m_ws.m_diagnostics.push_back(kDiagFormTableFull);
  }
  // The formset's main form is the one titled by the formset's title string. Before any
  // FORM_SET there is no title to compare with, and the root FormId stays as it is.
  if (m_formset_title && title < m_ws.m_strings.size() &&
      *m_formset_title < m_ws.m_strings.size() &&
      m_ws.m_strings[title].id == m_ws.m_strings[*m_formset_title].id) {
    m_root_form_id = form_id;
  }
  m_subtitle_seen = false;
  m_form_id = form_id;
  if (!InFormMap(form_id)) {
    Note(kDiagFormOutsideMap, form_id);
  }

  TreeItem parent = platform::kNoItem;
  size_t position = 0;
  bool matched = false;
  if (m_first_form_of_package) {
    SetFormItem(form_id, m_model.root_item);
    parent = m_model.root_item;
  } else {
    // A REF prompt of an earlier record with this FormId that reads like this form's title.
    const std::string_view title_text = StringText(m_ws, title);
    const size_t earlier = m_forms.size() - (m_form_has_record ? 1 : 0);
    for (size_t r = earlier; r-- > 0;) {
      const FormRecord& record = m_forms[r];
      if (record.form_id != form_id) continue;
      for (const uint16_t prompt : record.ref_prompts) {
        if (StringText(m_ws, prompt) != title_text) continue;
        if (!AppendFormId(form_id, record.form_id, position)) return false;
        matched = true;
        break;
      }
    }
    if (matched) parent = FormItem(m_form_ids[position].parent_form_id);
  }
  if (!matched) {
    const auto found = FindFormId(form_id);
    if (found) {
      position = *found;
    } else if (!AppendFormId(form_id, m_root_form_id, position)) {
      return false;
    }
    if (!m_first_form_of_package) parent = FormItem(m_form_ids[position].parent_form_id);
  }

  TreeItem item = platform::kNoItem;
  if (!MakeNode(parent, kOpForm, offset, title, &item)) return false;
  SetFormItem(form_id, item);
  if (m_form_has_record) m_forms.back().form_id = form_id;
  m_first_form_of_package = false;
  ++m_page_counter;
  m_control_counter = 0;
  return true;
}

bool FormParser::ParseRef(uint64_t offset, uint8_t length) {
  const uint16_t prompt = Field16(offset, length, kIfrPrompt);
  size_t position = 0;
  if (!AppendFormId(Field16(offset, length, kIfrRefFormId), m_form_id, position)) return false;
  if (!StringText(m_ws, prompt).empty() && m_form_has_record) {
    auto& prompts = m_forms.back().ref_prompts;
    if (prompts.size() < kRefTextCapacity) {
      prompts.push_back(prompt);
    } else if (prompts.size() == kRefTextCapacity) {
      Note(kDiagRefTextsFull, offset);
    }
  }
  return MakeNode(FormItem(m_form_id), kOpRef, offset, prompt);
}

bool FormParser::ParseOpcode(uint64_t offset, uint8_t opcode, uint8_t length) {
  switch (opcode) {
    case kOpForm:
      return ParseForm(offset, length);
    case kOpSubtitle: {
      size_t position = 0;
      if (!FindFormId(m_form_id) && !AppendFormId(m_form_id, m_root_form_id, position)) {
        return false;
      }
      m_subtitle_seen = true;
      return MakeNode(FormItem(m_form_id), opcode, offset, Field16(offset, length, kIfrPrompt),
                      &m_last_subtitle);
    }
    case kOpText:
      return MakeNode(m_subtitle_seen ? m_last_subtitle : FormItem(m_form_id), opcode, offset,
                      Field16(offset, length, kIfrPrompt));
    case kOpOneOf:
    case kOpCheckbox:
    case kOpNumeric:
    case kOpPassword:
    case kOpDate:
    case kOpTime:
      return MakeNode(FormItem(m_form_id), opcode, offset, Field16(offset, length, kIfrPrompt));
    case kOpRef:
      return ParseRef(offset, length);
    case kOpAction:
    case kOpString:
    case kOpOrderedList:
      ++m_control_counter;
      return true;
    case kOpFormSet:
      m_formset_title = Field16(offset, length, kIfrFormSetTitle);
      return true;
    case kOpVarStore: {
      ++m_control_counter;
      if (m_model.var_store_count == kVarStoreCapacity) {
        Note(kDiagVarStoreTableFull, offset);
        return true;
      }
      VarStoreRecord& store = m_model.var_stores[m_model.var_store_count++];
      store = VarStoreRecord{};
      if (m_formset_title) {
        const std::string_view title = StringText(m_ws, *m_formset_title);
        std::copy_n(title.data(), std::min(title.size(), store.formset_title.size() - 1),
                    store.formset_title.data());
      }
      store.var_store_id = Field16(offset, length, kIfrVarStoreId);
      for (uint64_t i = 0; i + 1 < kVarStoreNameSize && kIfrVarStoreName + i < length; ++i) {
        const char c = char(m_data[offset + kIfrVarStoreName + i]);
        if (c == '\0') break;
        store.name[i] = c;
      }
      return true;
    }
    default:
      return true;
  }
}

bool FormParser::WalkPackage(uint64_t package, uint64_t end) {
  m_first_form_of_package = true;
  uint64_t pos = package + kPackageHeaderSize;
  while (pos < end) {
    if (end - pos < 2) {
      Note(kDiagOpcodePastPackage, pos);
      return true;
    }
    const uint8_t opcode = m_data[pos];
    const uint8_t length = m_data[pos + 1] & kOpcodeLengthMask;
    if (length == 0) {
      Note(kDiagZeroLengthOpcode, pos);
      return true;
    }
    if (length > end - pos) {
      Note(kDiagOpcodePastPackage, pos);
      return true;
    }
    if (!ParseOpcode(pos, opcode, length)) return false;
    pos += length;
  }
  return true;
}

void FormParser::Run(uint64_t package) {
  while (const auto header = util::ReadLe32(m_data, package)) {
    if (uint8_t(*header >> 24) != kPackageForms) return;
    const uint64_t length = *header & 0xFFFFFF;
    if (length < kPackageHeaderSize) {
      Note(kDiagPackagePastData, package);
      return;
    }
    const bool past_data = length > m_data.size() - package;
    if (past_data) Note(kDiagPackagePastData, package);
    if (!WalkPackage(package, past_data ? m_data.size() : package + length) || past_data) return;
    package += length;
  }
}

}  // namespace

int32_t ParseSetupForms(SetupContext editor, std::span<const uint8_t> setup_data,
                        platform::TreeControl& tree) {
  rom::RomWorkspace& ws = editor.workspace;
  SetupModel& model = editor.setup;
  const auto flag = FindPackageListFlag(setup_data);
  if (!flag) return rom::kNoPackageList;
  ws.m_setup_packages.package_list_guid_flag = *flag;

  std::fill(model.var_stores.begin(), model.var_stores.end(), VarStoreRecord{});
  model.var_store_count = 0;
  model.node_count = 0;
  model.root_item = tree.InsertItem(platform::kRootItem, kRootItemText);

  const auto& forms_package = ws.m_setup_packages.forms_package;
  if (!forms_package) return 1;
  const auto type = util::ReadU8(setup_data, *forms_package + 3);
  if (!type || *type != kPackageForms) return 1;
  FormParser(editor, setup_data, tree).Run(*forms_package);
  return 1;
}

}  // namespace kalvire::setup
