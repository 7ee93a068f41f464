#include "setup/node_control.h"

#include <cstring>
#include <string>

#include "rom/known_guids.h"
#include "setup/ifr_layout.h"
#include "setup/messages.h"
#include "setup/node_lookup.h"
#include "util/le.h"

namespace kalvire::setup {

namespace {

// The page record of page `page`: S + page offset[page], with the entry inside the page table.
std::optional<uint64_t> PageRecord(std::span<const uint8_t> data, uint64_t header, uint32_t page) {
  const auto table = util::ReadLe32(data, header + kSpfPageTableOffset);
  if (!table) return std::nullopt;
  const uint64_t table_start = header + *table;
  const auto count = util::ReadLe32(data, table_start);
  if (!count || page >= *count) return std::nullopt;
  const auto page_offset = util::ReadLe32(data, table_start + 4 + 4 * uint64_t(page));
  if (!page_offset) return std::nullopt;
  return header + *page_offset;
}

}  // namespace

std::optional<uint64_t> FindSpfHeader(std::span<const uint8_t> amitse_data) {
  constexpr uint64_t kNeeded = kSpfGuidOffset + 16;
  for (uint64_t pos = 0; amitse_data.size() >= kNeeded && pos <= amitse_data.size() - kNeeded;
       ++pos) {
    if (std::memcmp(amitse_data.data() + pos, kSpfSignature, 4) == 0 &&
        std::memcmp(amitse_data.data() + pos + kSpfGuidOffset, rom::kAmiTsePkgGuid.data(), 16) ==
            0) {
      return pos;
    }
  }
  return std::nullopt;
}

int LocateNodeControl(SetupContext editor, platform::TreeItem item, uint64_t& spf_header_offset,
                      NodeControl& control) {
  const platform::TreeControl* tree = editor.controls.setup_tree;
  if (!tree) return 0;
  const uint32_t data = tree->GetItemData(item);
  control.opcode = ItemOpcode(data);
  control.opcode_offset = ItemOffset(data);
  const auto node = NodeOfItem(editor.setup, item);
  if (!node) return 0;
  control.node = *node;
  control.page_number = editor.setup.nodes[*node].page_number;
  control.control_index = editor.setup.nodes[*node].control_index;

  const rom::RomWorkspace& ws = editor.workspace;
  if (ws.m_format_marker != rom::kFormatMarkerOpened) return 0;
  const std::span<const uint8_t> amitse = ws.m_amitse_module.Data();
  if (spf_header_offset == 0) spf_header_offset = FindSpfHeader(amitse).value_or(amitse.size());
  return spf_header_offset < amitse.size() ? 1 : 0;
}

int FindNodeControl(SetupContext editor, platform::TreeItem item, NodeControl& control) {
  rom::RomWorkspace& ws = editor.workspace;
  if (LocateNodeControl(editor, item, editor.setup.spf_control_header_offset, control) != 1)
    return 0;
  const std::span<const uint8_t> data = ws.m_amitse_module.Data();
  const uint64_t header = editor.setup.spf_control_header_offset;
  const bool form = control.opcode == kOpForm;

  const auto refuse = [&] {
    ws.m_diagnostics.push_back(kDiagPageOutsideTable + std::to_string(control.node));
    return 0;
  };
  const auto page = PageRecord(data, header, uint32_t(control.page_number) + (form ? 1 : 0));
  const auto area = util::ReadLe32(data, header + kSpfControlAreaOffset);
  if (!page || !area) return refuse();
  const uint32_t slot = form ? 0 : control.control_index;
  const auto control_offset = util::ReadLe32(data, *page + kSpfPageControlOffsets + 4 * slot);
  if (!control_offset) return refuse();
  const uint64_t record = header + *area + *control_offset;
  if (!util::Fits(data, record, kControlRecordSize)) return refuse();
  control.page_record = *page;
  control.control_record = record;

  if (control.opcode == kOpRef) {
    const uint16_t destination = util::LoadLe16(data.data() + record + kControlDestinationPage);
    if (destination != kNoDestinationPage) {
      // A destination outside the page table keeps the REF's own page.
      if (const auto target = PageRecord(data, header, destination)) control.page_record = *target;
    }
  }
  return 1;
}

}  // namespace kalvire::setup
