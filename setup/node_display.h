// What the view shows of the selected node: its visibility, access level and optimal default in
// the radios and combos, and what has changed since Open in the track log list.
#pragma once

#include <cstdint>

#include "setup/setup_context.h"

namespace kalvire::setup {

// Runs when the setup tree's selection changes. Sets the current value width from the node's
// ControlDataLength (a ONE_OF or CHECKBOX of another length: the 8-bit value, width 1), fills
// the radios and combos, lists the node's differences from its baseline and colours its item:
// red while its value differs, or another difference was listed, or an option was deleted.
void ShowNodeDetails(SetupContext editor);

// Enabled: shows and enables Hide and Show, enables the access-level combo and checks the radio
// of `visible`. Disabled: hides and disables both radios and checks Show. Returns 0.
int ShowVisibilityState(SetupContext editor, bool enabled, uint8_t visible);

// Enables the access-level combo and selects `access_level`, or disables it and selects entry
// 0. Returns 0.
int ShowAccessLevel(SetupContext editor, bool enabled, uint8_t access_level, uint32_t node);

// Once an image is open: disables Delete, then fills the optimal-option combo (and, for a scoped
// ONE_OF, the option-to-delete combo) with the question's choices: the option texts of a ONE_OF
// with the last option of `value` selected (else the first), "Disabled" and "Enabled" for a
// CHECKBOX, the value for a NUMERIC. Returns 0.
int FillOptionLists(SetupContext editor, uint32_t opcode_offset, uint8_t opcode, uint64_t value);

}  // namespace kalvire::setup
