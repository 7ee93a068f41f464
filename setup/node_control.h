// From a node's tree item to its control record in the AmiTse SPF module data.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "platform/controls.h"
#include "setup/setup_context.h"

namespace kalvire::setup {

// Where a node's control lives. Record positions are offsets in the AmiTse SPF module data.
struct NodeControl {
  uint32_t node = 0;
  uint8_t opcode = 0;
  uint32_t opcode_offset = 0;  // in the Setup module data
  uint16_t page_number = 0;
  uint16_t control_index = 0;
  uint64_t page_record = 0;
  uint64_t control_record = 0;  // kControlRecordSize bytes lie inside the data
};

// The offset of the first "$SPF" header followed 20 bytes on by the AmitsePkgGuid, or empty.
std::optional<uint64_t> FindSpfHeader(std::span<const uint8_t> amitse_data);

// Fills the opcode, opcode offset, node, page number and control index of `item`, and makes
// sure `spf_header_offset` names the SPF header: a cached 0 is replaced by a scan's result, or
// by the data size when the data holds none. Returns 1 when `item` is a node and the header is
// known; 0 otherwise (also before any Open, while the format marker is not 4).
int LocateNodeControl(SetupContext editor, platform::TreeItem item, uint64_t& spf_header_offset,
                      NodeControl& control);

// LocateNodeControl with the workspace's control lookup cache, then the page record (page
// number + 1 for a FORM) and the control record (the page's first control for a FORM, its
// control index for every other node; for a REF with a destination page the reported page
// record is the destination's). Returns 1; 0 when the node or header is not found or a table
// entry the lookup needs lies outside the AmiTse data (noted in the diagnostics).
int FindNodeControl(SetupContext editor, platform::TreeItem item, NodeControl& control);

}  // namespace kalvire::setup
