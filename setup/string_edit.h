// Replacing the text of a setup string in the Setup module's en-US string package. A text of
// another length resizes the string package, the package list and every container around it,
// so the module data may grow; the workspace keeps offsets, which stay valid through that.
#pragma once

#include <cstdint>
#include <string>

#include "setup/setup_context.h"

namespace kalvire::setup {

// Replaces the text of node `node`'s string (kSelectedNode: the selected tree item, with the
// new text asked for in the "Update Data" dialog preset with the item's text; a node number:
// that node is selected first and `text` is the new text). Every node of the same string id
// shows the new text. The PE32 variant (package list as the .rsrc resource of a PE32+ image)
// keeps the resource directory, section headers, image sizes and relocation directory
// consistent; the section variant moves the offsets of the nodes behind the string (and grows
// a stored compression section around the list). The stored string is replaced whole, whatever
// the item shows of it; each byte of the text becomes the UCS-2 character of that Latin-1 code.
// A string that cannot be found, a text with a 0x00 or 0x14 byte, sizes past 24 bits and headers
// that do not match the data are refused with a message and change nothing. A changed text
// sets the setup-string modified flag, colours the item red and lists the change.
void EditSetupString(SetupContext editor, uint32_t node, const std::string& text);

}  // namespace kalvire::setup
