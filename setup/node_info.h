// What one setup node is: its IFR opcode read in full (question header, variable store, range,
// options, IFR defaults, the conditions around it) and its control record, for the details the
// command-line tool and the desktop show about the node.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "setup/setup_context.h"

namespace kalvire::setup {

struct NodeOption {
  std::string name;  // Latin-1, as the tree holds texts
  uint64_t value = 0;
  bool is_default = false;
  bool is_manufacturing_default = false;
  bool deleted = false;  // its text points at the string an option deletion leaves behind
};

struct NodeInfo {
  uint32_t node = 0;
  uint8_t opcode = 0;
  std::string kind;          // the opcode's name: "FORM", "ONE_OF", "REF", ...
  std::string prompt, help;  // Latin-1, as the tree holds texts
  // The GUID of the formset that holds the node, and the FormId of the form around it (a
  // FORM's own); empty where the walk did not reach the node.
  std::string formset_guid;
  std::optional<uint16_t> form_id;
  // The EFI_IFR_QUESTION_HEADER fields as stored; questions and REF only.
  std::optional<uint16_t> question_id, varstore_id;
  std::optional<uint16_t> varstore_offset;
  // From the VARSTORE, VARSTORE_EFI or VARSTORE_NAME_VALUE of the node's formset with that id;
  // empty when there is none (id 0 stands for none).
  std::string varstore_name, varstore_guid;
  int width = 0;  // bytes of the value: ONE_OF and NUMERIC by their size flags, CHECKBOX 1, else 0
  std::optional<uint64_t> minimum, maximum, step;  // NUMERIC
  std::vector<NodeOption> options;                 // the ONE_OF_OPTIONs in its scope, in order
  // From the DEFAULT opcodes in the question's scope (DefaultId 0 standard, 1 manufacturing),
  // else from the option flags, or the CHECKBOX flags bits 0 and 1.
  std::optional<uint64_t> ifr_default, ifr_manufacturing_default;
  // The enclosing SuppressIf / GrayOutIf / DisableIf, outermost first, each with its expression,
  // e.g. "SuppressIf Setup[0x1A] == 1", "GrayOutIf Q0x1234 == 0", "SuppressIf TRUE".
  std::vector<std::string> conditions;
  // The control record (what the editor edits); absent for a FORM or when none is found.
  std::optional<uint8_t> visible, access_level;
  std::optional<uint64_t> optimal_value;
};

// The EFI_IFR_QUESTION_HEADER fields of a question or REF opcode.
struct QuestionHeader {
  uint16_t question_id = 0;
  uint16_t varstore_id = 0;
  uint16_t varstore_offset = 0;
};

// The question header of the opcode `opcode` at `offset` of the Setup module data; empty for an
// opcode that has none or one too short for it (or lying past the data).
std::optional<QuestionHeader> ReadQuestionHeader(std::span<const uint8_t> setup_data,
                                                 uint8_t opcode, uint64_t offset);

// The IFR opcode's name as the UEFI standard spells it without "EFI_IFR_" and "_OP"
// ("ONE_OF", "SUPPRESS_IF"); "0x.." for an opcode it does not list.
std::string IfrOpcodeName(uint8_t opcode);

// Describes node `node` (< node_count) by walking its forms package from the start up to the
// node and on to the end of the node's formset. Malformed data ends the walk early and leaves
// the fields it did not reach absent; nothing outside the Setup module data is read. Leaves the
// model's current value width as it was. A node number past the node count gives a NodeInfo
// with only `node` set.
NodeInfo DescribeNode(SetupContext editor, uint32_t node);

// DescribeNode for each of `nodes`, in that order, in one walk over each forms package.
std::vector<NodeInfo> DescribeNodes(SetupContext editor, std::span<const uint32_t> nodes);

// Text lines: "Kind: ONE_OF", "Node: 2b", "Prompt: ...", "Help: ...", "Question Id: 0x1234",
// "VarStore: Setup (id 0x1, GUID ...)", "Offset: 0x1A, width 1 byte", "Range: 0 to 255, step 1",
// "Options:" with one "  * name (value)" line per option (the * on the one equal to the
// optimal value, else four blanks), "Default: ...", "Manufacturing default: ...", one
// "Hidden when: ..." line per condition, "Visible: Yes/No", "Access level: <name>",
// "Optimal value: 0x..". Lines of absent fields are left out.
std::vector<std::string> FormatNodeInfo(const NodeInfo& info);

}  // namespace kalvire::setup
