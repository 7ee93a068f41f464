// Deleting an option of a ONE_OF question: the ONE_OF_OPTION stays in the IFR, its text
// reference is pointed at string id 2, and the node records the option's name.
#pragma once

#include <cstdint>
#include <string>

#include "setup/setup_context.h"

namespace kalvire::setup {

// The string id a deleted option's text reference is pointed at.
inline constexpr uint16_t kDeletedOptionStringId = 2;

// Deletes an option of node `node`'s ONE_OF. kSelectedNode: the option selected in the
// option-to-delete combo of the selected item (only while Delete is enabled); a node number:
// that node is selected first and the entry named `option_name` is chosen in the combo
// ("Invalid delete option ..." when it has none). Sets the setup-string modified flag, records
// the name in the node's state and lists the deletion. A node keeps kDeletedOptionSlots names:
// a further deletion is refused with a message and changes nothing.
void DeleteOption(SetupContext editor, uint32_t node, const std::string& option_name);

}  // namespace kalvire::setup
