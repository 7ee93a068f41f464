#include "setup/ifr_expression.h"

#include <optional>
#include <string_view>
#include <vector>

#include "setup/node_info.h"
#include "util/hex_text.h"
#include "util/le.h"

namespace kalvire::setup {

namespace {

// The IFR opcode table of the UEFI standard, 0x01 to 0x64; empty names are unassigned.
constexpr std::string_view kOpcodeNames[] = {"",  // 0x00
                                             "FORM",
                                             "SUBTITLE",
                                             "TEXT",
                                             "IMAGE",
                                             "ONE_OF",
                                             "CHECKBOX",
                                             "NUMERIC",
                                             "PASSWORD",
                                             "ONE_OF_OPTION",
                                             "SUPPRESS_IF",
                                             "LOCKED",
                                             "ACTION",
                                             "RESET_BUTTON",
                                             "FORM_SET",
                                             "REF",
                                             "NO_SUBMIT_IF",
                                             "INCONSISTENT_IF",
                                             "EQ_ID_VAL",
                                             "EQ_ID_ID",
                                             "EQ_ID_VAL_LIST",
                                             "AND",
                                             "OR",
                                             "NOT",
                                             "RULE",
                                             "GRAYOUT_IF",
                                             "DATE",
                                             "TIME",
                                             "STRING",
                                             "REFRESH",
                                             "DISABLE_IF",
                                             "ANIMATION",  // 0x1F
                                             "TO_LOWER",
                                             "TO_UPPER",
                                             "MAP",
                                             "ORDERED_LIST",
                                             "VARSTORE",
                                             "VARSTORE_NAME_VALUE",
                                             "VARSTORE_EFI",
                                             "VARSTORE_DEVICE",
                                             "VERSION",
                                             "END",
                                             "MATCH",
                                             "GET",
                                             "SET",
                                             "READ",
                                             "WRITE",
                                             "EQUAL",  // 0x2F
                                             "NOT_EQUAL",
                                             "GREATER_THAN",
                                             "GREATER_EQUAL",
                                             "LESS_THAN",
                                             "LESS_EQUAL",
                                             "BITWISE_AND",
                                             "BITWISE_OR",
                                             "BITWISE_NOT",
                                             "SHIFT_LEFT",
                                             "SHIFT_RIGHT",
                                             "ADD",
                                             "SUBTRACT",
                                             "MULTIPLY",
                                             "DIVIDE",
                                             "MODULO",
                                             "RULE_REF",  // 0x3F
                                             "QUESTION_REF1",
                                             "QUESTION_REF2",
                                             "UINT8",
                                             "UINT16",
                                             "UINT32",
                                             "UINT64",
                                             "TRUE",
                                             "FALSE",
                                             "TO_UINT",
                                             "TO_STRING",
                                             "TO_BOOLEAN",
                                             "MID",
                                             "FIND",
                                             "TOKEN",
                                             "STRING_REF1",
                                             "STRING_REF2",  // 0x4F
                                             "CONDITIONAL",
                                             "QUESTION_REF3",
                                             "ZERO",
                                             "ONE",
                                             "ONES",
                                             "UNDEFINED",
                                             "LENGTH",
                                             "DUP",
                                             "THIS",
                                             "SPAN",
                                             "VALUE",
                                             "DEFAULT",
                                             "DEFAULTSTORE",
                                             "FORM_MAP",
                                             "CATENATE",
                                             "GUID",  // 0x5F
                                             "SECURITY",
                                             "MODAL_TAG",
                                             "REFRESH_ID",
                                             "WARNING_IF",
                                             "MATCH2"};

constexpr uint8_t kOpEqIdVal = 0x12, kOpEqIdId = 0x13, kOpEqIdValList = 0x14, kOpAnd = 0x15,
                  kOpOr = 0x16, kOpNot = 0x17, kOpEqual = 0x2F, kOpModulo = 0x3E,
                  kOpBitwiseNot = 0x37, kOpQuestionRef1 = 0x40, kOpUint8 = 0x42, kOpUint64 = 0x45,
                  kOpTrue = 0x46, kOpFalse = 0x47, kOpZero = 0x52, kOpOne = 0x53, kOpOnes = 0x54,
                  kOpThis = 0x58;

// The binary operators from EQUAL to MODULO, in opcode order.
constexpr std::string_view kBinarySymbols[] = {"==", "!=", ">",  ">=", "<", "<=", "&", "|",
                                               "",   "<<", ">>", "+",  "-", "*",  "/", "%"};

struct Term {
  std::string text;
  bool atomic = true;  // needs no parentheses inside a larger expression
};

class ExpressionText {
 public:
  ExpressionText(std::span<const uint8_t> data, const QuestionName& name_of)
      : m_data(data), m_name_of(name_of) {}

  // False for an opcode not written out, or an operator short of operands.
  bool Apply(const IfrOpcode& op);
  std::optional<std::string> Result() const {
    if (m_stack.size() != 1) return std::nullopt;
    return m_stack.back().text;
  }

 private:
  uint64_t Field16(const IfrOpcode& op, uint64_t field) const {
    return field + 2 <= op.length ? util::LoadLe16(m_data.data() + op.offset + field) : 0;
  }
  std::string Question(uint16_t id) const {
    std::string name = m_name_of ? m_name_of(id) : std::string();
    return name.empty() ? "Q" + util::HexText(id) : name;
  }
  static std::string Inner(const Term& term) {
    return term.atomic ? term.text : "(" + term.text + ")";
  }
  bool Binary(std::string_view symbol) {
    if (m_stack.size() < 2) return false;
    const Term right = m_stack.back();
    m_stack.pop_back();
    m_stack.back() = {Inner(m_stack.back()) + " " + std::string(symbol) + " " + Inner(right),
                      false};
    return true;
  }
  bool Unary(std::string_view prefix) {
    if (m_stack.empty()) return false;
    m_stack.back() = {std::string(prefix) + Inner(m_stack.back()), true};
    return true;
  }

  std::span<const uint8_t> m_data;
  const QuestionName& m_name_of;
  std::vector<Term> m_stack;
};

bool ExpressionText::Apply(const IfrOpcode& op) {
  const uint8_t code = op.opcode;
  switch (code) {
    case kOpEnd:  // closes the scope some compilers give an operand; no operator of its own
      return true;
    case kOpEqIdVal:
      m_stack.push_back(
          {Question(uint16_t(Field16(op, 2))) + " == " + std::to_string(Field16(op, 4)), false});
      return true;
    case kOpEqIdId:
      m_stack.push_back(
          {Question(uint16_t(Field16(op, 2))) + " == " + Question(uint16_t(Field16(op, 4))),
           false});
      return true;
    case kOpEqIdValList: {
      std::string values;
      const uint64_t count = Field16(op, 4);
      for (uint64_t i = 0; i < count && 6 + 2 * i + 2 <= op.length; ++i)
        values += (i ? ", " : "") + std::to_string(Field16(op, 6 + 2 * i));
      m_stack.push_back({Question(uint16_t(Field16(op, 2))) + " in {" + values + "}", false});
      return true;
    }
    case kOpAnd:
      return Binary("AND");
    case kOpOr:
      return Binary("OR");
    case kOpNot:
      return Unary("NOT ");
    case kOpBitwiseNot:
      return Unary("~");
    case kOpQuestionRef1:
      m_stack.push_back({Question(uint16_t(Field16(op, 2)))});
      return true;
    case kOpTrue:
    case kOpFalse:
      m_stack.push_back({code == kOpTrue ? "TRUE" : "FALSE"});
      return true;
    case kOpZero:
    case kOpOne:
      m_stack.push_back({code == kOpZero ? "0" : "1"});
      return true;
    case kOpOnes:
      m_stack.push_back({util::HexText(~uint64_t(0))});
      return true;
    case kOpThis:
      m_stack.push_back({"THIS"});
      return true;
    default:
      break;
  }
  if (code >= kOpUint8 && code <= kOpUint64) {
    const uint64_t width = uint64_t(1) << (code - kOpUint8);
    uint64_t value = 0;
    for (uint64_t i = 0; i < width && 2 + i < op.length; ++i)
      value |= uint64_t(m_data[op.offset + 2 + i]) << (8 * i);
    m_stack.push_back({std::to_string(value)});
    return true;
  }
  if (code >= kOpEqual && code <= kOpModulo && !kBinarySymbols[code - kOpEqual].empty())
    return Binary(kBinarySymbols[code - kOpEqual]);
  return false;
}

std::string_view ConditionName(uint8_t condition) {
  switch (condition) {
    case kOpSuppressIf:
      return "SuppressIf";
    case kOpGrayOutIf:
      return "GrayOutIf";
    default:
      return "DisableIf";
  }
}

}  // namespace

std::string IfrOpcodeName(uint8_t opcode) {
  if (opcode < std::size(kOpcodeNames) && !kOpcodeNames[opcode].empty())
    return std::string(kOpcodeNames[opcode]);
  char text[8];
  std::snprintf(text, sizeof text, "0x%02X", unsigned(opcode));
  return text;
}

bool IsIfrCondition(uint8_t opcode) {
  return opcode == kOpSuppressIf || opcode == kOpGrayOutIf || opcode == kOpDisableIf;
}

bool IsIfrExpressionOpcode(uint8_t opcode) {
  return (opcode >= kOpEqIdVal && opcode <= kOpNot) || (opcode >= 0x20 && opcode <= 0x22) ||
         (opcode >= 0x2A && opcode <= 0x59) || opcode == 0x5E || opcode == 0x64;
}

std::string FormatCondition(std::span<const uint8_t> setup_data, uint8_t condition,
                            std::span<const IfrOpcode> expression, const QuestionName& name_of) {
  std::string text(ConditionName(condition));
  ExpressionText reduced(setup_data, name_of);
  bool written = !expression.empty();
  for (const IfrOpcode& op : expression) written = written && reduced.Apply(op);
  if (const auto result = reduced.Result(); written && result) return text + " " + *result;
  std::string names;
  for (const IfrOpcode& op : expression) {
    if (op.opcode == kOpEnd) continue;
    names += (names.empty() ? "" : " ") + IfrOpcodeName(op.opcode);
  }
  return text + " (" + names + ")";
}

}  // namespace kalvire::setup
