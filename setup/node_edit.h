// The edits of a node's visibility, access level and optimal default.
#pragma once

#include <cstdint>

#include "setup/setup_context.h"

namespace kalvire::setup {

inline constexpr uint8_t kChangeVisibility = 1;
inline constexpr uint8_t kChangeAccessLevel = 2;
inline constexpr uint8_t kChangeOptimal = 3;

// Changes one setting of node `node` (kSelectedNode: the selected tree item; a node number
// first selects the node's item, which refreshes the node display) in its AmiTse SPF control
// record: visibility (flags bit 0), access level (flags bits 1-2) or optimal default (by
// ControlDataLength; also written into the StdDefaults store by the current value width).
// Keeps the node's change flag, the item's colour (red while any setting differs from the
// baseline) and the change text in the track log list, and sets the setup-form modified flag.
// A FORM refuses optimal defaults with "Error: Optimal options cannot be modified for FORM OP".
// A node number past the node count changes nothing.
void ChangeNodeSetting(SetupContext editor, uint8_t kind, uint32_t value_low, uint32_t value_high,
                       uint32_t node);

// Applies an optimal-default choice to node `node` (kSelectedNode: the selected item, with the
// choice taken from the optimal-option combo or, for a NUMERIC, asked for in the "Update Data"
// dialog; a node number: `value`, after selecting the node). ONE_OF: the option of that text
// or value; CHECKBOX: the index or value; NUMERIC: the number, when it lies within the
// question's minimum and maximum (else "Error: not a valid value. Please enter value between
// %d to %d"). Then ChangeNodeSetting(kChangeOptimal, ...).
void ApplyOptimalSelection(SetupContext editor, uint32_t node, uint32_t value);

}  // namespace kalvire::setup
