// What the container operations work on: the workspace of the open image, the prompter their
// messages go to (none when null), and during a save the compressions started ahead.
//
// The rom/ folder: the firmware containers only (the workspace buffers and tables, the walk,
// header readers with their writers, extraction, rebuild, reinsertion, verify). It uses util/,
// codec/ and platform/, and none of the models or the editor.
#pragma once

#include <string>

#include "platform/prompter.h"
#include "rom/rom_workspace.h"

namespace kalvire::rom {

class CompressionsAhead;

struct RomContext {
  RomWorkspace& workspace;
  platform::Prompter* prompter = nullptr;
  // Where a save's compressions may have been started ahead (none: each runs when needed).
  CompressionsAhead* ahead = nullptr;
};

inline void ShowPlainMessage(RomContext context, const char* text) {
  if (context.prompter) context.prompter->ShowPlain(text);
}
inline void ShowErrorMessage(RomContext context, const char* text) {
  if (context.prompter) context.prompter->ShowError(text);
}
inline void ReportProgress(RomContext context, const std::string& step) {
  if (context.prompter) context.prompter->ReportProgress(step);
}

}  // namespace kalvire::rom
