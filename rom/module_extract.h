// Extraction of one module: a flattened copy of its FFS file with the compressed sections
// replaced by their decoded contents.
#pragma once

#include "rom/rom_context.h"

namespace kalvire::rom {

inline constexpr int kExtractShortCompressionSection = 24;
inline constexpr int kExtractLzmaUndecodable = 25;

// Builds the flattened file of the first file record named `guid` into `slot`: data offset at
// the last section that was decoded, or of type PE32, free-form or stored compression; data size
// the larger of the last decoded size and the bytes from there to the end (never past the
// flattened file). The compression version is set by compression sections only.
// Returns 1; 0 when no record has that name, its sections do not fit in it, or a Tiano section
// decodes with neither version (after "Error: .ROM file is of unsupported version "); 24 for a
// compression section too short for its header; 25 for an LZMA section that does not decode.
// On any result but 1 the slot is left empty.
int ExtractModule(RomContext context, const Guid& guid, ModuleSlot& slot);

}  // namespace kalvire::rom
