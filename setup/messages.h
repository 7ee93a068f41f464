// Every text the setup form model shows, writes into the track log list or puts into a tree or
// a combo. The texts are the program's own and are kept exactly, leading blanks and the
// differing spacing around the colons included.
#pragma once

namespace kalvire::setup {

// Parse, in modal error boxes; %d is the count the table would have reached.
inline constexpr char kMsgNodeTableFull[] = "Error: node_no exceeds %d";
inline constexpr char kMsgFormIdListFull[] = "Error: num_Form_id exceeds %d";

// Edits.
inline constexpr char kMsgFormHasNoOptimal[] =
    "Error: Optimal options cannot be modified for FORM OP";
inline constexpr char kMsgInvalidControlDataLength[] =
    "Warning: Invalid Control Data Length - Changes in optimal value may not reflect on flashing";
inline constexpr char kMsgNumericOutOfRange[] =
    "Error: not a valid value. Please enter value between %d to %d";  // error icon
inline constexpr char kMsgControlDataLengthNotValid[] =
    "Error: ControlDataLength value is not valid";  // error icon

// String edit. The first three come from the PE32 checks, in this order.
inline constexpr char kMsgNotPe32Module[] =
    "Error: String Edit allowed only for PE32 compatible modules";
inline constexpr char kMsgInvalidDosHeader[] = "Error: Invalid PE32 Image DOS Header";
inline constexpr char kMsgNoRsrcSection[] = "Error: No valid .rsrc section";
inline constexpr char kMsgRootFormString[] = "Error: String Edit not allowed for root form.";
// Refusals that leave the Setup module untouched where writing would damage it.
inline constexpr char kMsgStringNotFound[] = "Error: String not found in the string package";
inline constexpr char kMsgStringNotStorable[] =
    "Error: String holds a character that cannot be stored in the string package";
inline constexpr char kMsgStringTooLong[] = "Error: String too long for the Setup module";
inline constexpr char kMsgStringLayoutMismatch[] =
    "Error: String Edit not possible: the Setup module's sizes do not match its data";

// Option deletion.
inline constexpr char kMsgInvalidDeleteOption[] =
    "Invalid delete option \"%s\" for node \"%s\"";  // error icon
inline constexpr char kMsgInvalidNodeNumber[] = "Invlaid node number";
inline constexpr char kMsgCheckboxOptionDelete[] = "Check Box option deletion is not allowed";
inline constexpr char kMsgDeletedOptionsFull[] =
    "Error: No more than 8 options can be deleted from one node";

// Track log list lines of the selected node.
inline constexpr char kLogVisibilityChanged[] = "    Visibility changed";
inline constexpr char kLogVisibilityDiffers[] = "    Visibility changed.";
inline constexpr char kLogAccessChangedFrom[] = "    Access Level is changed from default option :";
inline constexpr char kLogAccessChangedTo[] = " to option:";
inline constexpr char kLogOptimalChangedFrom[] =
    "    Optimal option is Changed from Default Option :";
inline constexpr char kLogOptimalChangedTo[] = " to option :";
inline constexpr char kLogStringChangedTo[] = "    String is changed to \"";
inline constexpr char kLogStringChangedFrom[] = " \" from \" ";
inline constexpr char kLogStringChangedEnd[] = " \"";
// The line of a string edit: a blank inside the first quote too, unlike the node display's.
inline constexpr char kLogStringEditedTo[] = "    String is changed to \" ";
inline constexpr char kLogOptionDeleted[] = "    BIOS Option \"%s\" is deleted \"";

// Tree and combos.
inline constexpr char kRootItemText[] = "BIOS";
inline constexpr char kCheckboxDisabled[] = "Disabled";
inline constexpr char kCheckboxEnabled[] = "Enabled";
// Entries of the access-level combo, by access level.
inline constexpr const char* kAccessLevelNames[] = {"Default", "Extended User", "User",
                                                    "Supervisor"};

// The variable a question's default goes to when its variable store is not known.
inline constexpr char kDefaultVariableName[] = "Setup";

// Refusals of malformed setup data, kept in the workspace's diagnostics.
inline constexpr char kDiagZeroLengthOpcode[] = "IFR opcode of length 0 at offset ";
inline constexpr char kDiagOpcodePastPackage[] = "IFR opcode running past its package at offset ";
inline constexpr char kDiagShortOpcode[] = "IFR opcode too short for its fields at offset ";
inline constexpr char kDiagPackagePastData[] =
    "forms package running past the Setup data at offset ";
inline constexpr char kDiagFormTableFull[] =
    "more than 800 forms: later forms are not matched by REF prompts";
inline constexpr char kDiagRefTextsFull[] = "more than 400 REF prompts in the form at offset ";
inline constexpr char kDiagVarStoreTableFull[] =
    "more than 512 variable stores: VARSTORE ignored at offset ";
inline constexpr char kDiagFormOutsideMap[] =
    "FormId outside 1024..11023 placed by its own entry: ";
inline constexpr char kDiagPageOutsideTable[] =
    "SPF page or control outside the AmiTse data for node ";
inline constexpr char kDiagDefaultOutsideVariable[] =
    "StdDefaults variable too short for the question's value: ";

}  // namespace kalvire::setup
