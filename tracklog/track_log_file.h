// The `.log` file: the lines of the track log list written out one per line, LF only, so that
// another image can import them.
#pragma once

#include <string>

#include "platform/controls.h"
#include "rom/editor.h"

namespace kalvire::tracklog {

// The name Save Track Log proposes: the file name the window title shows for the open image
// ("<base title> - [<name>]"; the workspace path's file name when the title shows none),
// without a final ".rom" or ".ROM".
std::string DefaultLogName(const rom::Editor& editor);

// Creates or replaces `path` with every line of `list` followed by one line feed, byte for
// byte. Returns false when the file cannot be written.
bool WriteTrackLogFile(const platform::ListControl& list, const std::string& path);

// The Save Track Log command: asks for a file name (".log", no overwrite question) and writes
// whatever the track log list shows. Cancel, or a file that cannot be written, ends it without
// a message.
void SaveTrackLog(rom::Editor& editor);

}  // namespace kalvire::tracklog
