// Every text the container layer shows. The texts are the program's own and are kept exactly,
// odd spacing included (a trailing blank, a missing blank after "Error:").
#pragma once

namespace kalvire::rom {

inline constexpr char kMsgDesiredModuleMissing[] =
    "Error: Unable to find desired module. Check the .ROM file";
inline constexpr char kMsgFailedToAllocateMemory[] = "Error:Failed to allocate memory.";
// Firmware walk and module extraction.
inline constexpr char kMsgInvalidImageType[] = "Error: Invalid Image type";
inline constexpr char kMsgUnsupportedVersion[] = "Error: .ROM file is of unsupported version ";
// Module rebuild and reinsertion.
inline constexpr char kMsgCompressionSizeFailed[] =
    "Error: Tiano_Compress failed to get the compression file size.";
inline constexpr char kMsgCompressFailed[] = "Error: Tiano_Compress failed.";
// A rebuilt file that would pass the end of its volume, or outgrow a 24-bit size, is not written.
inline constexpr char kMsgNoSpaceForFile[] =
    "Error: No space in the firmware volume for the rebuilt file. The file is not saved.";
// The module's section is not where the module data says, or is of a kind that cannot be
// written back: the module is not written.
inline constexpr char kMsgModuleNotRebuildable[] =
    "Error: The module's section cannot be found in its file. The module is not saved.";

}  // namespace kalvire::rom
