// The conditions around IFR statements (SuppressIf, GrayOutIf, DisableIf) and their expression
// opcodes, written out as short texts for the node details.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "setup/ifr_walk.h"

namespace kalvire::setup {

inline constexpr uint8_t kOpSuppressIf = 0x0A;
inline constexpr uint8_t kOpGrayOutIf = 0x19;
inline constexpr uint8_t kOpDisableIf = 0x1E;

// SUPPRESS_IF, GRAYOUT_IF or DISABLE_IF.
bool IsIfrCondition(uint8_t opcode);

// An opcode that belongs to an expression (the operands and operators of UEFI's IFR expression
// encoding) rather than being a statement, question or scope of its own.
bool IsIfrExpressionOpcode(uint8_t opcode);

// How an expression names a question: "Setup[0x1A]" when its VarStore and offset are known,
// empty when the text should fall back to the question id.
using QuestionName = std::function<std::string(uint16_t question_id)>;

// "SuppressIf Setup[0x1A] == 1" from the condition's opcode and its expression opcodes in
// `setup_data` (postfix, as stored). An expression holding opcodes not written out here, or one
// that does not reduce to one value, reads as the opcode names in parentheses:
// "SuppressIf (GET UINT8 EQUAL)". Fields an opcode is too short for read as 0.
std::string FormatCondition(std::span<const uint8_t> setup_data, uint8_t condition,
                            std::span<const IfrOpcode> expression, const QuestionName& name_of);

}  // namespace kalvire::setup
