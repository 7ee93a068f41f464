// The `.log` file: the lines of the track log list written out one per line, LF only, so that
// another image can import them.
#pragma once

#include <string>

#include "platform/controls.h"
#include "tracklog/log_context.h"

namespace kalvire::tracklog {

// The name Save Track Log proposes: the file name the window title shows for the open image
// ("<base title> - [<name>]"; the workspace path's file name when the title shows none), with
// its extension replaced by ".log" ("board.bin" -> "board.log"); empty when there is no name.
std::string DefaultLogName(LogContext editor);

// Creates or replaces `path` with every line of `list` followed by one line feed, byte for
// byte, atomically: the file holds its old bytes or all the new ones. Returns false, with the
// path and the system's reason in `error`, when it cannot be written.
bool WriteTrackLogFile(const platform::ListControl& list, const std::string& path,
                       std::string* error = nullptr);

// The Save Track Log command: asks for a file name (".log" added to a name without extension)
// and writes whatever the track log list shows. An existing file is replaced only after a Yes
// to "NAME already exists. Do you want to replace it?" (No is the default); the file of the
// open image, under whatever path, is refused with an error message and never written.
// Cancel, or a file that cannot be written, ends it without a message.
void SaveTrackLog(LogContext editor);

}  // namespace kalvire::tracklog
