#include "tools/hii_builder.h"

#include <algorithm>
#include <stdexcept>

#include "util/le.h"

namespace kalvire::tools {
namespace {

constexpr uint8_t kScope = 0x80;
constexpr uint8_t kOpForm = 0x01, kOpSubtitle = 0x02, kOpText = 0x03, kOpOneOf = 0x05,
                  kOpCheckbox = 0x06, kOpNumeric = 0x07, kOpPassword = 0x08, kOpOneOfOption = 0x09,
                  kOpSuppressIf = 0x0A, kOpAction = 0x0C, kOpFormSet = 0x0E, kOpRef = 0x0F,
                  kOpGrayOutIf = 0x19, kOpDate = 0x1A, kOpTime = 0x1B, kOpString = 0x1C,
                  kOpOrderedList = 0x23, kOpVarStore = 0x24, kOpEnd = 0x29, kOpFalse = 0x47,
                  kOpDefault = 0x5B, kOpDefaultStore = 0x5C;
constexpr uint8_t kOptionDefault = 0x10;
constexpr uint8_t kCheckboxDefault = 0x01;
constexpr uint8_t kQfStorageTime = 0x10;  // date and time live in the RTC, not a variable
constexpr uint16_t kNoVarOffset = 0xFFFF;

// Size code of EFI_IFR_NUMERIC_SIZE_* and of the EFI_IFR_TYPE_NUM_SIZE_* option types.
uint8_t SizeCode(uint8_t width) {
  switch (width) {
    case 1:
      return 0;
    case 2:
      return 1;
    case 4:
      return 2;
    case 8:
      return 3;
  }
  throw std::invalid_argument("value width " + std::to_string(width) + " is not 1, 2, 4 or 8");
}

class IfrWriter {
 public:
  explicit IfrWriter(Bytes& out) : m_out(out) {}

  // Starts an opcode; its length byte is fixed by Close().
  void Open(uint8_t op, bool scope) {
    m_start = m_out.size();
    m_out.push_back(op);
    m_out.push_back(scope ? kScope : 0);
  }
  void Close() {
    const size_t length = m_out.size() - m_start;
    if (length > 0x7F) throw std::invalid_argument("IFR opcode longer than 127 bytes");
    m_out[m_start + 1] = uint8_t(m_out[m_start + 1] | length);
  }
  void U8(uint8_t v) { m_out.push_back(v); }
  void U16(uint16_t v) {
    U8(uint8_t(v));
    U8(uint8_t(v >> 8));
  }
  void Value(uint64_t v, uint8_t width) {
    for (uint8_t i = 0; i < width; ++i) U8(uint8_t(v >> (8 * i)));
  }
  void Bytes16(const Guid& g) { m_out.insert(m_out.end(), g.begin(), g.end()); }
  void End() {
    Open(kOpEnd, false);
    Close();
  }

 private:
  Bytes& m_out;
  size_t m_start = 0;
};

void WriteQuestionHeader(IfrWriter& w, const IfrItem& item, uint16_t question_id,
                         uint16_t varstore_id, uint16_t var_offset) {
  w.U16(item.prompt);
  w.U16(item.help);
  w.U16(question_id);
  w.U16(varstore_id);
  w.U16(var_offset);
  w.U8(0);  // question flags
}

void WriteOptions(IfrWriter& w, const IfrItem& item, bool mark_default) {
  for (size_t i = 0; i < item.options.size(); ++i) {
    const IfrOption& option = item.options[i];
    if (item.defaults_between_options && i % 2 == 1) {
      w.Open(kOpDefault, false);
      w.U16(0);  // standard default store
      w.U8(SizeCode(item.width));
      w.Value(option.value, item.width);
      w.Close();
    }
    w.Open(kOpOneOfOption, false);
    w.U16(option.text);
    w.U8(mark_default && option.value == item.default_value ? kOptionDefault : 0);
    w.U8(SizeCode(item.width));
    w.Value(option.value, item.width);
    w.Close();
  }
}

void WriteItem(IfrWriter& w, const IfrItem& item, uint16_t question_id) {
  const uint16_t var = item.varstore_id;
  const uint16_t offset = item.var_offset;
  switch (item.kind) {
    case IfrItemKind::kSubtitle:
      w.Open(kOpSubtitle, true);
      w.U16(item.prompt);
      w.U16(item.help);
      w.U8(0);
      w.Close();
      w.End();
      return;
    case IfrItemKind::kText:
      w.Open(kOpText, false);
      w.U16(item.prompt);
      w.U16(item.help);
      w.U16(item.text_two);
      w.Close();
      return;
    case IfrItemKind::kRef:
      w.Open(kOpRef, false);
      WriteQuestionHeader(w, item, question_id, 0, kNoVarOffset);
      w.U16(item.ref_form_id);
      w.Close();
      return;
    case IfrItemKind::kOneOf: {
      w.Open(kOpOneOf, item.scoped_options);
      WriteQuestionHeader(w, item, question_id, var, offset);
      w.U8(SizeCode(item.width));
      uint64_t max_value = 0;
      for (const IfrOption& o : item.options) max_value = std::max(max_value, o.value);
      w.Value(0, item.width);
      w.Value(max_value, item.width);
      w.Value(0, item.width);
      w.Close();
      WriteOptions(w, item, true);
      if (item.scoped_options) w.End();
      return;
    }
    case IfrItemKind::kCheckbox:
      w.Open(kOpCheckbox, false);
      WriteQuestionHeader(w, item, question_id, var, offset);
      w.U8(item.default_value ? kCheckboxDefault : 0);
      w.Close();
      return;
    case IfrItemKind::kNumeric:
      w.Open(kOpNumeric, true);
      WriteQuestionHeader(w, item, question_id, var, offset);
      w.U8(SizeCode(item.width));
      w.Value(item.minimum, item.width);
      w.Value(item.maximum, item.width);
      w.Value(item.step, item.width);
      w.Close();
      w.Open(kOpDefault, false);
      w.U16(0);  // standard default store
      w.U8(SizeCode(item.width));
      w.Value(item.default_value, item.width);
      w.Close();
      w.End();
      return;
    case IfrItemKind::kPassword:
      w.Open(kOpPassword, false);
      WriteQuestionHeader(w, item, question_id, var, offset);
      w.U16(3);
      w.U16(20);
      w.Close();
      return;
    case IfrItemKind::kDate:
    case IfrItemKind::kTime:
      w.Open(item.kind == IfrItemKind::kDate ? kOpDate : kOpTime, false);
      WriteQuestionHeader(w, item, question_id, 0, 0);
      w.U8(kQfStorageTime);
      w.Close();
      return;
    case IfrItemKind::kString:
      w.Open(kOpString, false);
      WriteQuestionHeader(w, item, question_id, var, offset);
      w.U8(0);
      w.U8(32);
      w.U8(0);
      w.Close();
      return;
    case IfrItemKind::kAction:
      w.Open(kOpAction, false);
      WriteQuestionHeader(w, item, question_id, 0, kNoVarOffset);
      w.U16(0);
      w.Close();
      return;
    case IfrItemKind::kOrderedList:
      w.Open(kOpOrderedList, true);
      WriteQuestionHeader(w, item, question_id, var, offset);
      w.U8(uint8_t(item.options.size()));
      w.U8(0);
      w.Close();
      WriteOptions(w, item, false);
      w.End();
      return;
  }
}

void AppendPackageHeader(Bytes& out, size_t start, uint8_t type) {
  const size_t length = out.size() - start;
  if (length > 0xFFFFFF) throw std::invalid_argument("HII package over 16 MiB");
  util::StoreLe24(out.data() + start, uint32_t(length));
  out[start + 3] = type;
}

}  // namespace

uint16_t HiiStrings::Add(std::string_view text) {
  const auto it = std::find(m_texts.begin(), m_texts.end(), text);
  if (it != m_texts.end()) return uint16_t(it - m_texts.begin() + 1);
  if (m_texts.size() >= 0xFFFE) throw std::invalid_argument("string ids exhausted");
  m_texts.emplace_back(text);
  return uint16_t(m_texts.size());
}

bool IfrItem::HasStoredValue() const {
  return kind == IfrItemKind::kOneOf || kind == IfrItemKind::kCheckbox ||
         kind == IfrItemKind::kNumeric;
}

Bytes BuildFormsPackage(const FormsPackage& package) {
  Bytes out(4, 0);
  IfrWriter w(out);
  for (const IfrFormSet& formset : package) {
    w.Open(kOpFormSet, true);
    w.Bytes16(formset.guid);
    w.U16(formset.title);
    w.U16(formset.help);
    w.U8(0);  // no class GUIDs
    w.Close();
    w.Open(kOpDefaultStore, false);
    w.U16(0);  // name: none
    w.U16(0);  // standard defaults
    w.Close();
    for (const IfrVarStore& store : formset.varstores) {
      w.Open(kOpVarStore, false);
      w.Bytes16(store.guid);
      w.U16(store.id);
      w.U16(store.size);
      for (char c : store.name) w.U8(uint8_t(c));
      w.U8(0);
      w.Close();
    }
    for (const IfrForm& form : formset.forms) {
      w.Open(kOpForm, true);
      w.U16(form.form_id);
      w.U16(form.title);
      w.Close();
      for (const IfrItem& item : form.items) {
        if (item.condition != IfrCondition::kNone) {
          w.Open(item.condition == IfrCondition::kSuppressIfFalse ? kOpSuppressIf : kOpGrayOutIf,
                 true);
          w.Close();
          w.Open(kOpFalse, false);
          w.Close();
        }
        WriteItem(w, item, item.question_id);
        if (item.condition != IfrCondition::kNone) w.End();
      }
      w.End();
    }
    w.End();
  }
  AppendPackageHeader(out, 0, 0x02);
  return out;
}

Bytes BuildStringPackage(const StringPackage& package) {
  Bytes out(46, 0);
  for (char c : package.language) out.push_back(uint8_t(c));
  out.push_back(0);
  const uint32_t header_size = uint32_t(out.size());
  util::StoreLe32(out.data() + 4, header_size);
  util::StoreLe32(out.data() + 8, header_size);  // string blocks follow the header
  util::StoreLe16(out.data() + 44, package.language_name);
  for (const std::string& text : package.texts) {
    out.push_back(0x14);  // SIBT_STRING_UCS2
    AppendUcs2(out, text);
  }
  out.push_back(0x00);  // SIBT_END
  AppendPackageHeader(out, 0, 0x04);
  return out;
}

Bytes BuildHiiPackageList(const HiiPackageList& list) {
  Bytes out(list.guid.begin(), list.guid.end());
  out.resize(20, 0);
  auto append = [&out](const Bytes& package) {
    out.insert(out.end(), package.begin(), package.end());
  };
  if (list.strings_first) {
    for (const StringPackage& p : list.string_packages) append(BuildStringPackage(p));
  }
  for (const FormsPackage& p : list.forms_packages) append(BuildFormsPackage(p));
  if (!list.strings_first) {
    for (const StringPackage& p : list.string_packages) append(BuildStringPackage(p));
  }
  append(Bytes{0x04, 0x00, 0x00, 0xDF});  // end package
  util::StoreLe32(out.data() + 16, uint32_t(out.size()));
  return out;
}

std::vector<const IfrForm*> FormsInParseOrder(const HiiPackageList& list) {
  std::vector<const IfrForm*> forms;
  for (const FormsPackage& package : list.forms_packages) {
    for (const IfrFormSet& formset : package) {
      for (const IfrForm& form : formset.forms) forms.push_back(&form);
    }
  }
  return forms;
}

}  // namespace kalvire::tools
