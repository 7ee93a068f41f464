// Every text the ROM layer shows or puts in a title. The texts are the program's own and are
// kept exactly, odd spacing included (a trailing blank, a missing blank after "Error:").
#pragma once

namespace kalvire::rom {

// Open.
inline constexpr char kMsgUnableToOpenRomFile[] = "Error: Unable to Open .ROM File";  // error icon
inline constexpr char kMsgDmiModuleMissing[] = "Error: DMI Module Does not Exist";
inline constexpr char kMsgDesiredModuleMissing[] =
    "Error: Unable to find desired module. Check the .ROM file";
inline constexpr char kMsgSetupModuleMissing[] = "Error: Caller ID Module Does not Exist";
inline constexpr char kMsgAmiTseModuleMissing[] = "Error: AmiTse SPF Module Does not Exist";
inline constexpr char kMsgAmiTsePkgGuidMissing[] = "Error: AmitsePkgGuid Does not Exist";
inline constexpr char kMsgFailedToAllocateMemory[] = "Error:Failed to allocate memory.";
// Setup data that has a package list but no en-US strings to show.
inline constexpr char kMsgNoEnglishStrings[] =
    "Error: The Setup module has no en-US string package";

// Firmware walk and module extraction.
inline constexpr char kMsgInvalidImageType[] = "Error: Invalid Image type";
inline constexpr char kMsgUnsupportedVersion[] = "Error: .ROM file is of unsupported version ";

// Window title pieces: base title + " - [" + file name or wait text + "]".
inline constexpr char kTitleOpen[] = " - [";
inline constexpr char kTitleClose[] = "]";
inline constexpr char kWaitLoadingFile[] = " Please Wait While Loading File...";

// The Open dialog.
inline constexpr char kRomDefaultExtension[] = ".rom";
inline constexpr char kRomFileFilter[] = "ROM Files (*.rom)|*.rom|All Files (*.*)|*.*||";

}  // namespace kalvire::rom
