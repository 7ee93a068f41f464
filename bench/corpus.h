// Inputs for the benchmarks: real PE32 modules of an EDK2 firmware image and seeded synthetic
// corpora, so figures compare across machines and runs.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kalvire::bench {

using Module = std::vector<uint8_t>;

// The PE32 section bodies of /usr/share/ovmf/OVMF.fd, including those inside its LZMA-compressed
// volumes. Empty when the image is not installed (package ovmf).
const std::vector<Module>& OvmfPeModules();

// Seeded mix of setup-like text, zero and 0xFF runs and random stretches.
Module SyntheticCorpus(size_t size, uint64_t seed);

}  // namespace kalvire::bench
