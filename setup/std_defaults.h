// The variable behind a question and the write of a new optimal default into the "StdDefaults"
// NVRAM store of the working image.
#pragma once

#include <cstdint>
#include <string>

#include "platform/controls.h"
#include "setup/setup_context.h"

namespace kalvire::setup {

struct QuestionVariable {
  std::string name;  // at most 39 characters
  uint16_t var_offset = 0;
};

// The variable name and VarOffset of the question at `opcode_offset` in the Setup data, whose
// tree item is `item` (kNoItem: the selected item). The name is that of the first variable
// store of the question's VarStoreId in the formset whose title is the text of the item's
// ancestor directly under "BIOS"; "Setup" when there is none or its name is empty. Returns 1;
// 0 when the question's header lies outside the Setup data.
int FindQuestionVarStore(SetupContext editor, platform::TreeItem item, uint32_t opcode_offset,
                         QuestionVariable& variable);

// Writes `value` by the current value width into the default variable of the selected question:
// the NVAR entry of that name found from the first entry of the NVRAM store (inside
// "StdDefaults" when the first entry is that one), at its data start + VarOffset. Returns 1 when
// the variable was found; 0 otherwise, after "Error: Unable to find desired module. Check the
// .ROM file" when the image holds no NVRAM store. Nothing is written outside the variable's
// entry (such a write is refused and noted in the diagnostics).
int WriteStdDefault(SetupContext editor, uint64_t value);

}  // namespace kalvire::setup
