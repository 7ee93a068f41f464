// The rebuild steps of a save: each edited module is stored again the way its section held it
// and written back into its volume, then the nested volume is compressed again and written back
// into the outer volume.
#pragma once

#include <cstdint>
#include <span>

#include "rom/rom_context.h"

namespace kalvire::rom {

// The AmiTse SPF module, when the setup-form modified flag is set, found by the name it was
// opened under. Returns 1 when written or nothing to do; 0 after a message when the module
// cannot be rebuilt or does not fit its volume (nothing is written then).
int RebuildTseModule(RomContext context);

// The Setup module, when the setup-string modified flag is set, found by the first file record
// named by either Setup package-list GUID. Results as RebuildTseModule.
int RebuildSetupModule(RomContext context);

// Starts on context.ahead the compressions RebuildTseModule and RebuildSetupModule will ask for,
// so that they run while the save goes on; nothing without a context.ahead.
void StartModuleCompressions(RomContext context);

// The same for the DMI module holding `data` (the module data serialized for the save).
void StartDmiCompression(RomContext context, std::span<const uint8_t> data);

// The firmware-volume-image file of the nested volume with the volume compressed again.
// Returns 1 when written; 0 when there is no nested volume, or after a message when it cannot
// be rebuilt or does not fit.
int RebuildNestedVolume(RomContext context);

}  // namespace kalvire::rom
