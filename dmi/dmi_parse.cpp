#include "dmi/dmi_parse.h"

#include <algorithm>
#include <new>

#include "dmi/messages.h"
#include "rom/messages.h"
#include "util/le.h"

namespace kalvire::dmi {

namespace {

constexpr uint64_t kStoredCompressionHeaderSize = 9;

// Reads one structure at `p` into `record`. On success `p` is the start of the next structure
// and `end` tells whether this was the end-of-table structure.
DmiParseStatus ParseStructure(std::span<const uint8_t> data, uint64_t& p, DmiStructure& record,
                              bool& end) {
  const auto type = util::ReadU8(data, p);
  const auto length = util::ReadU8(data, p + 1);
  if (!type || !length) return DmiParseStatus::kNotEnded;
  // A formatted area that does not even hold its own header could not be written back as read.
  if (*length < kStructureHeaderSize) return DmiParseStatus::kStructureTooShort;
  const auto formatted = util::Slice(data, p, *length);
  if (!formatted) return DmiParseStatus::kNotEnded;
  record.type = *type;
  record.length = *length;
  record.formatted.assign(formatted->begin(), formatted->end());
  end = *type == kEndOfTableType && *length == kEndOfTableLength;
  if (end) return DmiParseStatus::kOk;

  p += *length;
  const auto first = util::ReadU8(data, p);
  if (!first) return DmiParseStatus::kNotEnded;
  if (*first == 0) {
    // No strings: the set is just its two NULs.
    p += 2;
    return DmiParseStatus::kOk;
  }
  for (;;) {
    const auto begin = data.begin() + p;
    const auto nul = std::find(begin, data.end(), 0);
    if (nul == data.end()) return DmiParseStatus::kNotEnded;
    record.strings.emplace_back(begin, nul);
    p = uint64_t(nul - data.begin()) + 1;
    const auto next = util::ReadU8(data, p);
    if (!next) return DmiParseStatus::kNotEnded;
    if (*next == 0) {
      ++p;
      return DmiParseStatus::kOk;
    }
  }
}

const char* ParseFailureMessage(DmiParseStatus status) {
  switch (status) {
    case DmiParseStatus::kStructureTooShort:
      return kMsgStructureTooShort;
    case DmiParseStatus::kTooManyStructures:
      return kMsgTooManyStructures;
    default:
      return kMsgTableNotEnded;
  }
}

platform::TreeItem DmiRootItem(platform::TreeControl& tree) {
  const platform::TreeItem root = tree.GetChildItem(platform::kRootItem);
  if (root != platform::kNoItem) return root;
  const platform::TreeItem made = tree.InsertItem(platform::kRootItem, kDmiRootText);
  tree.SetItemData(made, 0);
  return made;
}

void InsertTreeItems(const DmiTables& tables, platform::TreeControl& tree) {
  const platform::TreeItem root = DmiRootItem(tree);
  for (uint32_t i = 0; i <= tables.structure_count; ++i) {
    const char* name = DmiTypeName(tables.current[i].type);
    if (*name == '\0') continue;
    const platform::TreeItem item = tree.InsertItem(root, name);
    tree.SetItemData(item, i);
  }
}

}  // namespace

std::optional<uint64_t> DmiTableOffset(std::span<const uint8_t> data) {
  const auto marker = util::ReadU8(data, kDmiSectionHeaderSize);
  if (!marker) return std::nullopt;
  return *marker == 0 ? kDmiSectionHeaderSize
                      : kDmiSectionHeaderSize + kStoredCompressionHeaderSize;
}

void ResetDmiTables(DmiTables& tables) {
  // Every record, not only those up to the count: a parse that stopped part-way has filled
  // records past a count that is still 0.
  for (auto* table : {&tables.current, &tables.baseline}) {
    for (DmiStructure& record : *table) record = DmiStructure{};
  }
  tables.structure_count = 0;
  std::vector<uint8_t>().swap(tables.rebuild_buffer);
}

void ResetDmiTables(DmiContext editor) {
  ResetDmiTables(editor.dmi);
}

DmiParseStatus ParseDmiData(std::span<const uint8_t> data, DmiTables& tables) {
  ResetDmiTables(tables);
  const auto start = DmiTableOffset(data);
  if (!start) return DmiParseStatus::kNotEnded;
  uint64_t p = *start;
  for (uint32_t i = 0;; ++i) {
    if (i == kDmiTableCapacity) {
      ResetDmiTables(tables);
      return DmiParseStatus::kTooManyStructures;
    }
    bool end = false;
    const DmiParseStatus status = ParseStructure(data, p, tables.current[i], end);
    if (status != DmiParseStatus::kOk) {
      ResetDmiTables(tables);
      return status;
    }
    if (end) {
      tables.structure_count = i;
      break;
    }
  }
  std::copy_n(tables.current.begin(), tables.structure_count + 1, tables.baseline.begin());
  return DmiParseStatus::kOk;
}

int ParseDmiTable(DmiContext editor) {
  try {
    const DmiParseStatus status = ParseDmiData(editor.workspace.m_dmi_module.Data(), editor.dmi);
    if (status != DmiParseStatus::kOk) {
      rom::ShowPlainMessage(editor, ParseFailureMessage(status));
      return 0;
    }
    if (editor.controls.dmi_tree) InsertTreeItems(editor.dmi, *editor.controls.dmi_tree);
    return 1;
  } catch (const std::bad_alloc&) {
    ResetDmiTables(editor.dmi);
    rom::ShowPlainMessage(editor, rom::kMsgFailedToAllocateMemory);
    return 0;
  }
}

const char* DmiTypeName(uint32_t type) {
  switch (type) {
    case 0:
      return kTypeName0;
    case 1:
      return kTypeName1;
    case 2:
      return kTypeName2;
    case 3:
      return kTypeName3;
    case 11:
      return kTypeName11;
    default:
      return "";
  }
}

int CheckDmiEndOfTable(std::span<const uint8_t> data) {
  constexpr uint64_t kSearchStart = 256;
  if (data.size() <= kSearchStart) return 0;
  const auto type = std::find(data.begin() + kSearchStart, data.end(), kEndOfTableType);
  if (type == data.end() || type + 1 == data.end() || type[1] != kEndOfTableLength) return 0;
  return std::find(type + 2, data.end(), 0xFF) != data.end() ? 1 : 0;
}

}  // namespace kalvire::dmi
