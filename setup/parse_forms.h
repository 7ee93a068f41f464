// The parse of the Setup module's IFR forms into the node table and the setup tree.
#pragma once

#include <cstdint>
#include <span>

#include "platform/controls.h"
#include "rom/setup_packages.h"
#include "setup/setup_context.h"

namespace kalvire::setup {

// Walks the forms packages from the workspace's forms package on (every following package of
// type 2 too) and makes one node and one tree item under "BIOS" for every FORM, SUBTITLE, TEXT,
// question and REF; fills the variable store table. `setup_data` is the Setup module data, from
// whose start every offset counts. Returns 1 (also with an empty node table when there is no
// forms package); -12, with nothing changed, when the data holds neither package-list GUID.
// Malformed data never makes it read outside `setup_data`: an opcode of length 0 or one that
// runs past its package ends that package's walk, a package running past the data is walked up
// to the data's end and ends the parse (each noted in the workspace's diagnostics). A full node
// table or FormId list ends the parse after its error box; the nodes made so far stay.
int32_t ParseSetupForms(SetupContext editor, std::span<const uint8_t> setup_data,
                        platform::TreeControl& tree);

}  // namespace kalvire::setup
