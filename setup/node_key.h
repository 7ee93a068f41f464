// A name for each setup node that stays the same when a BIOS update renumbers the nodes: a
// question by its formset and question id, a form by its formset and form id, any other node
// (subtitle, text, reference) by its form, its kind, its prompt and its place among the nodes of
// that form with the same kind and prompt.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "setup/node_info.h"

namespace kalvire::setup {

// The key of each of `nodes` (as DescribeNodes gives them, in node order), one per node, all
// different: "question {GUID} 0x1234", "form {GUID} 0x0003",
// "SUBTITLE {GUID} form 0x0003 "Prompt" 0". A key that would repeat one before it (a question
// laid out twice) gets " #2", " #3", ... behind it. A node the walk did not reach is named by
// its number: "node 2b".
std::vector<std::string> NodeKeys(std::span<const NodeInfo> nodes);

// Whether the node's key is its formset and question id: a question other than a REF with a
// question id; 0 is no valid id, so such a question is keyed like a subtitle.
bool KeyedByQuestion(const NodeInfo& node);

// What a question's key is checked against: its VarStore name and offset, "Setup[0x1A]";
// empty for a node without a question header.
std::string NodeStorage(const NodeInfo& node);

// Keys and descriptions of every node of the open image, in node order; the options a deletion
// left in the forms are not among a node's options.
struct KeyedNodes {
  std::vector<NodeInfo> nodes;
  std::vector<std::string> keys;
};
KeyedNodes DescribeAllNodes(SetupContext editor);

}  // namespace kalvire::setup
