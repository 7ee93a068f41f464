// Inputs for the benchmarks: real PE32 modules of an EDK2 firmware image, seeded synthetic
// corpora, and the real vendor images beside the project.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace kalvire::bench {

using Module = std::vector<uint8_t>;

// The PE32 section bodies of /usr/share/ovmf/OVMF.fd, including those inside its LZMA-compressed
// volumes. Empty when the image is not installed (package ovmf).
const std::vector<Module>& OvmfPeModules();

// Seeded mix of setup-like text, zero and 0xFF runs and random stretches.
Module SyntheticCorpus(size_t size, uint64_t seed);

// KALVIRE_SHARED_DIR/images, else the first "shared/images" folder in the current folder or one
// of its parents (the benchmarks run from a build folder inside the project); empty when none.
std::filesystem::path SharedImages();

}  // namespace kalvire::bench
