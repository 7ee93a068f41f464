// The state of every node as the image was opened, which the change flags and the track log
// compare with.
#pragma once

#include <cstdint>

#include "platform/controls.h"
#include "setup/setup_context.h"

namespace kalvire::setup {

struct ControlState {
  uint8_t visible = 1;
  uint8_t access_level = 0;
  uint64_t value = 0;
};

// Reads the visibility, access level and value of `item`'s control record. A FORM, or a node
// whose control record cannot be found, reads as shown, access 0, value 0. The value is read
// only for pop-up and numeric controls (types 6 and 11), by ControlDataLength, falling back to
// the 8-bit value for ONE_OF, CHECKBOX and NUMERIC questions of another length. Sets the current
// value width to the width read (kNoValueWidth when none). Returns 1; 0 when `item` is no node
// or the AmiTse data holds no SPF header.
int ReadControlState(SetupContext editor, platform::TreeItem item, ControlState& state);

// Records, for every node with a tree item, its item text and its control state as the
// baseline and clears its change flags. Returns 1; 0 at the first node whose state cannot be
// read (no SPF header).
int CaptureBaseline(SetupContext editor);

}  // namespace kalvire::setup
