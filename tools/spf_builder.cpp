#include "tools/spf_builder.h"

#include <algorithm>
#include <map>

#include "util/le.h"

namespace kalvire::tools {
namespace {

constexpr uint32_t kControlVisible = 0x01;
constexpr uint32_t kControlReadWrite = 0x10;

void StoreDefault(uint8_t* control, uint8_t width, uint64_t value) {
  switch (width) {
    case 1:
      control[65] = uint8_t(value);
      break;
    case 2:
      util::StoreLe16(control + 66, uint16_t(value));
      break;
    case 4:
      util::StoreLe32(control + 68, uint32_t(value));
      break;
    case 8:
      util::StoreLe64(control + 72, value);
      break;
  }
}

}  // namespace

SpfControlType ControlTypeOf(IfrItemKind kind) {
  switch (kind) {
    case IfrItemKind::kSubtitle:
      return SpfControlType::kMemo;
    case IfrItemKind::kText:
      return SpfControlType::kText;
    case IfrItemKind::kRef:
      return SpfControlType::kSubmenu;
    case IfrItemKind::kOneOf:
    case IfrItemKind::kCheckbox:  // vendor setup data shows a checkbox as a pop-up of two
      return SpfControlType::kPopupSel;
    case IfrItemKind::kNumeric:
      return SpfControlType::kNumeric;
    case IfrItemKind::kPassword:
      return SpfControlType::kPassword;
    case IfrItemKind::kDate:
      return SpfControlType::kDate;
    case IfrItemKind::kTime:
      return SpfControlType::kTime;
    case IfrItemKind::kString:
      return SpfControlType::kEdit;
    case IfrItemKind::kAction:
      return SpfControlType::kAction;
    case IfrItemKind::kOrderedList:
      return SpfControlType::kOrderedList;
  }
  return SpfControlType::kText;
}

Bytes BuildSpfData(const std::vector<const IfrForm*>& forms) {
  std::map<uint16_t, uint16_t> page_of_form;
  for (size_t k = 0; k < forms.size(); ++k) {
    page_of_form.emplace(forms[k]->form_id, uint16_t(k + 1));
  }
  // Parent page: the page of the first form whose REF leads to the form.
  std::map<uint16_t, uint16_t> parent_of_page;
  for (size_t k = 0; k < forms.size(); ++k) {
    for (const IfrItem& item : forms[k]->items) {
      const auto target = page_of_form.find(item.ref_form_id);
      if (item.kind == IfrItemKind::kRef && target != page_of_form.end()) {
        parent_of_page.emplace(target->second, uint16_t(k + 1));
      }
    }
  }

  const uint32_t page_count = uint32_t(forms.size() + 1);
  const uint32_t page_table = kSpfHeaderSize;
  uint32_t pos = page_table + 4 + 4 * page_count;
  std::vector<uint32_t> page_offsets;
  for (uint32_t page = 0; page < page_count; ++page) {
    page_offsets.push_back(pos);
    const size_t controls = page == 0 ? 0 : forms[page - 1]->items.size();
    pos += 32 + 4 * uint32_t(std::max<size_t>(controls, 1));
  }
  const uint32_t control_area = uint32_t(AlignUp(pos, 8));
  uint32_t control_count = 0;
  for (const IfrForm* form : forms) control_count += uint32_t(form->items.size());
  const uint32_t control_area_size = control_count * kSpfControlSize;

  Bytes out(control_area + control_area_size, 0);
  uint8_t* s = out.data();
  std::copy_n("$SPF", 4, s);
  util::StoreLe32(s + 4, 0x00010002);  // structure revision
  util::StoreLe32(s + 8, 0x00020000);  // package version
  util::StoreLe32(s + 16, uint32_t(out.size()));
  std::copy(kAmitsePkgGuid.begin(), kAmitsePkgGuid.end(), s + 20);
  util::StoreLe32(s + 44, page_table);
  util::StoreLe32(s + 48, control_area);
  util::StoreLe32(s + 52, control_area_size);

  util::StoreLe32(s + page_table, page_count);
  uint32_t next_control = 0;
  for (uint32_t page = 0; page < page_count; ++page) {
    util::StoreLe32(s + page_table + 4 + 4 * page, page_offsets[page]);
    uint8_t* record = s + page_offsets[page];
    if (page == 0) continue;
    const IfrForm& form = *forms[page - 1];
    util::StoreLe16(record + 10, form.form_id);
    util::StoreLe16(record + 12, form.title);
    util::StoreLe16(record + 16, uint16_t(page));
    const auto parent = parent_of_page.find(uint16_t(page));
    util::StoreLe16(record + 18, parent == parent_of_page.end() ? 0 : parent->second);
    util::StoreLe32(record + 28, uint32_t(form.items.size()));
    for (size_t index = 0; index < form.items.size(); ++index) {
      const IfrItem& item = form.items[index];
      const uint32_t offset = next_control++ * kSpfControlSize;
      util::StoreLe32(record + 32 + 4 * index, offset);
      uint8_t* control = s + control_area + offset;
      util::StoreLe16(control + 20, uint16_t(ControlTypeOf(item.kind)));
      util::StoreLe16(control + 22, uint16_t(page));
      uint16_t destination = kSpfNoPage;
      if (item.kind == IfrItemKind::kRef) {
        const auto target = page_of_form.find(item.ref_form_id);
        if (target != page_of_form.end()) destination = target->second;
      }
      util::StoreLe16(control + 24, destination);
      const uint32_t flags = (item.visible ? kControlVisible : 0) |
                             uint32_t(item.access_level & 3) << 1 |
                             (item.HasStoredValue() ? kControlReadWrite : 0);
      util::StoreLe32(control + 28, flags);
      util::StoreLe16(control + 32, item.help);
      util::StoreLe16(control + 34, item.prompt);
      util::StoreLe16(control + 36, uint16_t(index));
      util::StoreLe16(control + 60, item.question_id);
      if (item.HasStoredValue()) {
        const uint8_t width = item.kind == IfrItemKind::kCheckbox ? 1 : item.width;
        util::StoreLe16(control + 56, width);
        util::StoreLe16(control + 58, width);
        StoreDefault(control, width, item.default_value);
      }
    }
  }
  return out;
}

}  // namespace kalvire::tools
