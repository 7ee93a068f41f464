// Every text Open, Save and Save As show or put in the title. The texts are the program's own
// and are kept exactly, odd spacing included (a trailing blank, a missing blank after "Error:").
#pragma once

namespace kalvire::editor {

// Open.
inline constexpr char kMsgUnableToOpenRomFile[] = "Error: Unable to Open .ROM File";  // error icon
inline constexpr char kMsgDmiModuleMissing[] = "Error: DMI Module Does not Exist";
inline constexpr char kMsgSetupModuleMissing[] = "Error: Caller ID Module Does not Exist";
inline constexpr char kMsgAmiTseModuleMissing[] = "Error: AmiTse SPF Module Does not Exist";
inline constexpr char kMsgAmiTsePkgGuidMissing[] = "Error: AmitsePkgGuid Does not Exist";
// Setup data that has a package list but no en-US strings to show.
inline constexpr char kMsgNoEnglishStrings[] =
    "Error: The Setup module has no en-US string package";
// Setup data Open cannot use; each %s is filled with the module's GUID, a size or an offset.
inline constexpr char kMsgSetupPackageListDamaged[] =
    "Error: The Setup module's HII package list is missing or damaged (module GUID %s: no "
    "package list header in its %s bytes of data).";
inline constexpr char kMsgSetupFormsUnreadable[] =
    "Error: The Setup module's forms could not be read (package list at offset %s of the Setup "
    "module).";
inline constexpr char kMsgSpfHeaderMissing[] =
    "Error: The AmiTse SPF module has no setup data header (module GUID %s, %s bytes of data).";
inline constexpr char kMsgAmiTseFormsMismatch[] =
    "Error: The AmiTse setup data does not match the Setup module's forms (AmiTse module GUID "
    "%s, setup data header at offset %s).";
// The DMI module words the compressed-size query differently from the other modules.
inline constexpr char kMsgCompressedSizeFailed[] =
    "Error: Tiano_Compress failed to get the compressed file size.";
inline constexpr char kMsgNoSpaceForDmi[] =
    "No space to insert new DMI Module.Hence old DMI module is restored.";
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
// The question before a save of an image whose layout is damaged, or whose volumes the save
// writes hold problems the image had before: the problem lines follow the first line.
inline constexpr char kCaptionSaveDamaged[] = "Save Damaged Image";
inline constexpr char kMsgSaveDamagedIntro[] = "The image is damaged:";
inline constexpr char kMsgSaveDamagedQuestion[] =
    "A save writes it with this damage, and the firmware may not start from it. Save anyway?";
inline constexpr char kWaitLoadingFile[] = " Please Wait While Loading File...";
inline constexpr char kWaitSavingFile[] = " Please Wait While Saving File...";
// The Open and Save As dialogs.
inline constexpr char kRomDefaultExtension[] = ".rom";
inline constexpr char kRomFileFilter[] =
    "Firmware images (*.rom *.bin *.fd *.cap)|*.rom;*.bin;*.fd;*.cap|All files (*.*)|*.*||";

}  // namespace kalvire::editor
