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

// Module rebuild and reinsertion.
inline constexpr char kMsgCompressionSizeFailed[] =
    "Error: Tiano_Compress failed to get the compression file size.";
// The same query for the DMI module words it differently.
inline constexpr char kMsgCompressedSizeFailed[] =
    "Error: Tiano_Compress failed to get the compressed file size.";
inline constexpr char kMsgCompressFailed[] = "Error: Tiano_Compress failed.";
inline constexpr char kMsgNoSpaceForDmi[] =
    "No space to insert new DMI Module.Hence old DMI module is restored.";
// A rebuilt file that would pass the end of its volume, or outgrow a 24-bit size, is not written.
inline constexpr char kMsgNoSpaceForFile[] =
    "Error: No space in the firmware volume for the rebuilt file. The file is not saved.";
// The module's section is not where the module data says, or is of a kind that cannot be
// written back: the module is not written.
inline constexpr char kMsgModuleNotRebuildable[] =
    "Error: The module's section cannot be found in its file. The module is not saved.";

// Save and Save As.
// The reason under "Error: Unable to save the file." when a rebuild step failed silently.
inline constexpr char kMsgTseNotRebuilt[] = "The AmiTse SPF module could not be rebuilt.";
inline constexpr char kMsgSetupNotRebuilt[] = "The Setup module could not be rebuilt.";
inline constexpr char kMsgDmiNotRebuilt[] = "The DMI module could not be rebuilt.";
inline constexpr char kMsgNestedVolumeNotRebuilt[] =
    "The compressed firmware volume could not be rebuilt.";
inline constexpr char kMsgUnableToSave[] = "Error: Unable to save the file.";
inline constexpr char kMsgSaved[] = "Successfully saved the .ROM file";
inline constexpr char kCaptionConfirmSave[] = "Confirm Save";
inline constexpr char kMsgOverwrite[] = "Overwrite existing file?";
inline constexpr char kCaptionConfirmSaveAs[] = "Confirm Save As";
inline constexpr char kMsgFileExists[] = "File already exists. Do you want to save with same name?";

// Window title pieces: base title + " - [" + file name or wait text + "]".
inline constexpr char kTitleOpen[] = " - [";
inline constexpr char kTitleClose[] = "]";
inline constexpr char kWaitLoadingFile[] = " Please Wait While Loading File...";
inline constexpr char kWaitSavingFile[] = " Please Wait While Saving File...";

// The Open and Save As dialogs.
inline constexpr char kRomDefaultExtension[] = ".rom";
inline constexpr char kRomFileFilter[] = "ROM Files (*.rom)|*.rom|All Files (*.*)|*.*||";

}  // namespace kalvire::rom
