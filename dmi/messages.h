// Every text the DMI string editing shows or writes into the track log list.
#pragma once

namespace kalvire::dmi {

// Type names, shown in the DMI tree and the track log.
inline constexpr char kTypeName0[] = "BIOS Information (Type 0)";
inline constexpr char kTypeName1[] = "System Information (Type 1)";
inline constexpr char kTypeName2[] = "Baseboard or Module Information (Type 2)";
inline constexpr char kTypeName3[] = "System Enclosure (Type 3)";
inline constexpr char kTypeName11[] = "OEM Strings (Type 11)";

inline constexpr char kDmiRootText[] = "DMI";

// The feedback line of an edited string:
//   ' DMI String is changed to " NEW " from " OLD "'
inline constexpr char kFeedbackChangedTo[] = " DMI String is changed to \" ";
inline constexpr char kFeedbackFrom[] = " \" from \" ";
inline constexpr char kFeedbackEnd[] = " \"";

// Tables the parse cannot take whole; the Open that found them fails.
inline constexpr char kMsgTableNotEnded[] =
    "Error: The DMI table does not end inside the DMI module";
inline constexpr char kMsgStructureTooShort[] =
    "Error: The DMI table holds a structure shorter than its 4-byte header";
inline constexpr char kMsgTooManyStructures[] =
    "Error: The DMI table holds more than 800 structures";

// Save: the edited strings make the table longer than the module it has to fit in.
inline constexpr char kMsgTableTooLong[] =
    "Error: The edited DMI table is longer than the DMI module. The DMI module is not saved.";

// The DMI Table dialog's values that cannot be stored; nothing is changed.
inline constexpr char kMsgNotSingleByte[] =
    "Error: DMI strings can hold only single-byte (Latin-1) characters.";
inline constexpr char kMsgStringTooLong[] = "Error: A DMI string can hold at most 64 characters.";

}  // namespace kalvire::dmi
