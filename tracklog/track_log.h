// The track log: every change made since Open, found by comparing each node's current state
// and every DMI string with the baseline taken at Open, as lines of the track log list.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "tracklog/log_context.h"

namespace kalvire::tracklog {

// The lines of one changed node and of one changed DMI string (line formats in messages.h).
std::string NodeHeaderLine(uint32_t node, std::string_view baseline_text);
std::string AccessLine(uint8_t baseline_level, uint8_t current_level);
std::string OptimalLine(uint64_t baseline_value, uint64_t current_value);
std::string NodeTextLine(std::string_view current_text, std::string_view baseline_text);
std::string DeletedOptionLine(std::string_view option_name);
std::string DmiHeaderLine(std::string_view type_name, uint32_t structure, uint32_t string_index);
std::string DmiStringLine(std::string_view new_text, std::string_view baseline_text);

// Clears the track log list and fills it with the changes: for every node with a tree item, in
// node order, a header line and one line per changed setting (visibility, access level, optimal
// default while its changed flag is set, item text, each deleted option); then for every
// changed DMI string a header line and the string line. The last node of the node table is
// listed like every other. Marks the optimal-changed flag of a listed optimal change as 1.
void BuildTrackLog(LogContext editor);

// The Full Track Log command: BuildTrackLog with a wait text in the window title meanwhile.
void FullTrackLog(LogContext editor);

}  // namespace kalvire::tracklog
