// The setup menu of sample.rom: six formsets (Main, Advanced, Chipset, Security, Boot,
// Save & Exit) in one forms package, several hundred questions of every kind, and the two
// variables behind them ("Setup", id 1, and "AMITSESetup", id 2).
#pragma once

#include "tools/hii_builder.h"

namespace kalvire::tools {

inline constexpr uint16_t kSetupVarStoreId = 1;
inline constexpr uint16_t kTseVarStoreId = 2;
inline constexpr Guid kSetupVariableGuid = kAmitsePkgGuid;  // AMI keeps "Setup" under this GUID

// The package list (PE32 layout GUID, forms package then the en-US strings).
HiiPackageList BuildSampleForms();

}  // namespace kalvire::tools
