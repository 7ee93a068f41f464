#include "dmi_test_support.h"

#include "dmi/dmi_edit.h"
#include "dmi/dmi_parse.h"
#include "dmi/messages.h"
#include "tools/guid.h"
#include "util/le.h"

namespace kalvire::dmi::test {

namespace {

constexpr size_t kSectionHeaderSize = 20;
constexpr size_t kCompressionHeaderSize = 9;

}  // namespace

size_t TableOffset(Layout layout) {
  return layout == Layout::kSection ? kSectionHeaderSize
                                    : kSectionHeaderSize + kCompressionHeaderSize;
}

Bytes DmiModuleData(const std::vector<SmbiosStructure>& structures, size_t size, Layout layout) {
  const Bytes table = tools::BuildSmbiosTable(structures);
  Bytes data;
  const size_t section_size = size - (TableOffset(layout) - kSectionHeaderSize);
  if (layout == Layout::kStoredCompression) {
    data.resize(kCompressionHeaderSize);
    util::StoreLe24(data.data(), uint32_t(size));
    data[3] = 0x01;  // compression section
    util::StoreLe32(data.data() + 4, uint32_t(section_size));
    data[8] = 0;  // stored
  }
  const size_t header = data.size();
  data.resize(header + kSectionHeaderSize);
  util::StoreLe24(data.data() + header, uint32_t(section_size));
  data[header + 3] = 0x18;  // freeform subtype GUID section
  std::copy(tools::kDmiTableSectionGuid.begin(), tools::kDmiTableSectionGuid.end(),
            data.begin() + header + 4);
  data.insert(data.end(), table.begin(), table.end());
  data.resize(size, 0xFF);
  return data;
}

SmbiosStructure Structure(uint8_t type, uint16_t handle, std::vector<std::string> strings,
                          size_t field_bytes) {
  SmbiosStructure s;
  s.type = type;
  s.handle = handle;
  s.fields.assign(field_bytes, 0);
  for (size_t i = 0; i < field_bytes && i < strings.size(); ++i) s.fields[i] = uint8_t(i + 1);
  s.strings = std::move(strings);
  return s;
}

std::vector<SmbiosStructure> BoardStructures() {
  return {
      tools::SmbiosBiosInformation(0, "Vendor", "1.23", "01/02/2024"),
      tools::SmbiosSystemInformation(1, "Maker", "Box 7", "Rev A", "SN-1", "SKU-9", "Fam"),
      tools::SmbiosBaseboardInformation(2, 3, "Maker", "Board", "1.0", "BSN", "Tag", "Slot"),
      tools::SmbiosSystemEnclosure(3, "Maker", "1.0", "CSN", "Asset", "Sku"),
      tools::SmbiosProcessorInformation(4, "Socket", "Chips", "Core", "PSN", "PTag", "Part"),
      tools::SmbiosOemStrings(5, {"one", "two"}),
  };
}

DmiEditor::DmiEditor() {
  root = tree.InsertItem(platform::kRootItem, kDmiRootText);
  editor->controls.dmi_tree = &tree;
  editor->controls.track_log = &track_log;
  editor->controls.prompter = &prompter;
}

void DmiEditor::SetModuleData(Bytes data) {
  rom::ModuleSlot& slot = editor->workspace.m_dmi_module;
  slot.Clear();
  slot.data_size = uint32_t(data.size());
  slot.file = std::move(data);
}

int DmiEditor::Load(Bytes data) {
  SetModuleData(std::move(data));
  return ParseDmiTable(*editor);
}

platform::TreeItem DmiEditor::ItemOf(uint32_t index) const {
  for (auto item = tree.GetChildItem(root); item != platform::kNoItem;
       item = tree.GetNextSiblingItem(item)) {
    if (tree.GetItemData(item) == index) return item;
  }
  return platform::kNoItem;
}

void DmiEditor::EditStructure(int index) {
  tree.SelectItem(index < 0 ? root : ItemOf(uint32_t(index)));
  EditDmiString(*editor);
}

std::vector<std::string> DmiEditor::TrackLogLines() const {
  std::vector<std::string> lines;
  for (int i = 0; i < track_log.GetCount(); ++i) lines.push_back(track_log.GetText(i));
  return lines;
}

std::vector<std::string> DmiEditor::MessageTexts() const {
  std::vector<std::string> texts;
  for (const auto& message : prompter.Messages()) texts.push_back(message.request.text);
  return texts;
}

std::vector<std::pair<std::string, uint32_t>> DmiEditor::TreeChildren() const {
  std::vector<std::pair<std::string, uint32_t>> children;
  for (auto item = tree.GetChildItem(root); item != platform::kNoItem;
       item = tree.GetNextSiblingItem(item)) {
    children.emplace_back(tree.GetItemText(item), tree.GetItemData(item));
  }
  return children;
}

}  // namespace kalvire::dmi::test
