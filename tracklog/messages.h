// Every text of the change tracking: the track log line formats (also the lines of a `.log`
// file and the import's input), the history text, the dialogs and the messages. The texts are
// the program's own and are kept exactly, the doubled blank in the DMI string line and the
// trailing blank of the node text line included.
#pragma once

namespace kalvire::tracklog {

// Track log lines. "%x"/"%X": hexadecimal without leading zeros, "%d": signed decimal.
inline constexpr char kLineNodeHeader[] = "Node No: %x String: %s";
inline constexpr char kNullString[] = "NULL STRING";  // an empty item text in a node header
inline constexpr char kLineHide[] = "    Visibility changed to Hide";
inline constexpr char kLineShow[] = "    Visibility changed to Show";
inline constexpr char kLineAccess[] =
    "    Access Level is changed from default option :%X to option :%X";
inline constexpr char kLineOptimal[] =
    "    Optimal option is Changed from Default Option :%d to option :%d";
inline constexpr char kLineNodeText[] = "    BIOS String is changed to \"%s\" from \"%s\" ";
inline constexpr char kLineDeletedOption[] = "    Option \"%s\" is deleted";
inline constexpr char kLineDmiHeader[] = "%s Node: %x[%x]";
inline constexpr char kLineDmiString[] = "      DMI String is changed  to \"%s\" from \" %s \"";

// History text: two header lines in front of the track log.
inline constexpr char kHistoryTitleOpen[] = "====";
inline constexpr char kHistoryTitleClose[] = "=====";
inline constexpr char kHistoryDateOpen[] = "=====";
inline constexpr char kHistoryDateClose[] = "====";
inline constexpr char kHistoryDateFormat[] = "%A, %B %d, %Y";

inline constexpr char kMsgHistorySpaceTooSmall[] =
    "Error: Unable to log history. space left is too small!!!";

// Full Track Log's wait text, between " - [" and "]" behind the current caption.
inline constexpr char kWaitLoadingTrackLog[] = "Please Wait While Loading Track log...";

// Save Track Log and Import Settings dialogs.
inline constexpr char kLogDefaultExtension[] = ".log";
inline constexpr char kSaveLogFilter[] = "Log Files (*.log)|*.log|All Files (*.*)|*.*||";
inline constexpr char kImportLogFilter[] = "LOG Files (*.log)|*.log|All Files (*.*)|*.*||";

// Save Track Log: an existing file is replaced only after a Yes; the open image never.
inline constexpr char kCaptionConfirmSaveTrackLog[] = "Confirm Save Track Log";
inline constexpr char kMsgReplaceTrackLog[] = "%s already exists. Do you want to replace it?";
inline constexpr char kMsgTrackLogNotWritten[] = "Error: Unable to write the track log.";
inline constexpr char kMsgTrackLogOverImage[] =
    "Error: The track log cannot be written over the open image.";

// Import Settings.
inline constexpr char kImportQuestionCaption[] = "Confirm Modify Settings";
inline constexpr char kImportNodeMismatch[] =
    "String ID of current ROM \"%s\" does not match with imported String ID \"%s\".";
inline constexpr char kImportDmiMismatch[] =
    "DMI String Type of current ROM \"%s\" does not match with imported DMI String Type \"%s\".";
// Asked before the mismatch question when exactly one node of the open image has the imported
// text: a newer BIOS has moved the node, and No leads to the question above.
inline constexpr char kImportNodeAlternative[] =
    "String ID of current ROM \"%s\" does not match with imported String ID \"%s\". Node %x is "
    "the only node with the imported text: apply the changes to node %x instead?";
inline constexpr char kImportUndefinedBehaviour[] =
    "This may result in undefined behaviour. Do you still want to apply changes?";
inline constexpr char kImportDmiChanged[] = "DMI string is changed to \"%s\" to \"%s\"";

// Lines of a `.log` that name something the open image does not have; the import lists them
// after its last operation and goes on with the next line.
inline constexpr char kImportSkippedNode[] =
    "    Import: line %d skipped, node %x is not in the node table (%d nodes)";
inline constexpr char kImportSkippedStructure[] =
    "    Import: line %d skipped, DMI structure %x is not in the DMI table (%d structures)";
inline constexpr char kImportSkippedString[] =
    "    Import: line %d skipped, DMI structure %x has no string %x (%d strings)";
inline constexpr char kImportSkippedAccess[] =
    "    Import: line %d skipped, access level %s is not one of 0 to 3";
inline constexpr char kImportSkippedOptimal[] = "    Import: line %d skipped, node %x %s";
// What every skipped line's text starts with.
inline constexpr char kImportSkippedPrefix[] = "    Import: line ";
// Import Settings of a file that cannot be read, or that holds no line of a track log.
inline constexpr char kImportUnreadable[] = "Error: Unable to read the track log: %s";
inline constexpr char kImportNoLogLines[] =
    "Error: %s is not a track log: none of its lines is one Import Settings knows. Nothing was "
    "imported.";
inline constexpr char kImportSkippedDmiHeader[] =
    "    Import: line %d skipped, the DMI header has no string index";

}  // namespace kalvire::tracklog
