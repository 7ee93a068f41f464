// Verification of an image's firmware volumes: every file's header checksum, data checksum,
// State, alignment and extent, and the comparison of file names before and after a rebuild.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "rom/known_guids.h"
#include "rom/rom_workspace.h"

namespace kalvire::rom {

struct VerifyProblem {
  // "image offset 0x20000" or "offset 0x10 of decoded volume 1"; empty for the whole image
  std::string volume;
  std::string file;          // the file's name, "pad file", or empty for the volume itself
  uint64_t file_offset = 0;  // of the file header from the volume start
  std::string reason;        // one line
};

// "volume at image offset 0x20000, file 1BA0062E-... at +0x48: header checksum ...".
std::string FormatVerifyProblem(const VerifyProblem& problem);

// The file names of one volume in volume order; pad files and the history file, which a save
// may add, drop or append, are left out.
struct VolumeFileNames {
  std::string volume;
  std::vector<Guid> names;
};

struct VerifyResult {
  std::vector<VerifyProblem> problems;
  std::vector<VolumeFileNames> files;  // one entry per verified volume, in walk order
};

// Checks every volume of a walked workspace: the volumes of its volume table (nested ones in the
// decoded buffers the walk produced) and any FFS3 volume the walk does not look for.
VerifyResult VerifyWorkspace(const RomWorkspace& workspace);

// Walks a copy of `image` and verifies it; a walk that finds no volume or cannot decode a
// nested volume is reported as a problem too, and so is the damage FindImageDamage finds.
VerifyResult VerifyImage(std::span<const uint8_t> image);

// Empty when every volume lists the same file names in the same order before and after;
// otherwise the first difference, as one line. History files are not compared.
std::optional<std::string> CompareFileNames(const std::vector<VolumeFileNames>& before,
                                            const std::vector<VolumeFileNames>& after);

}  // namespace kalvire::rom
