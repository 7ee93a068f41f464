// Damage to the layout of a walked image that the checks of its files cannot see: a volume
// whose length runs past the end of the file or into the next volume, a volume the walk lost at
// the end of the file, and an image shorter than its flash descriptor or its last volume say.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "rom/rom_workspace.h"
#include "rom/verify.h"

namespace kalvire::rom {

// Every such problem of the working image and the decoded volumes of `workspace`, as walked.
std::vector<VerifyProblem> FindImageDamage(const RomWorkspace& workspace);

// What Open says once about an image with such problems: the first of them and how many more;
// empty when there are none.
std::optional<std::string> DamageNotice(const std::vector<VerifyProblem>& damage);

// Everything Open tells once about the walked image: the damage notice first, then the
// notices of ImageNotices.
std::vector<std::string> WalkedImageNotices(const RomWorkspace& workspace);

}  // namespace kalvire::rom
