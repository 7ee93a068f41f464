// What differs between two open images: the setup nodes by key (their state, texts, options and
// IFR defaults), the DMI strings by structure type, place and string, and the firmware files by
// name. The first image is "a", the second "b"; neither is changed.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "editor/editor.h"
#include "setup/node_info.h"

namespace kalvire::editor {

// One node as one image has it.
struct NodeSide {
  setup::NodeInfo info;  // number, kind, prompt, help, options, defaults, control state
  std::string path;      // the forms above it, " > " between them
  std::string storage;   // "Setup[0x1A]", empty without a question header
};

// Fields of a node in both images that can differ, by the names the change set uses.
inline constexpr const char* kNodeFields[] = {
    "visible", "access", "value", "prompt", "help", "options", "default", "manufacturing_default"};

struct NodeDifference {
  std::string key;
  std::optional<NodeSide> a, b;     // one of them empty: the node is only in the other image
  std::vector<std::string> fields;  // of a node in both: the kNodeFields that differ
};

struct DmiDifference {
  uint32_t type = 0;
  uint32_t occurrence = 0;                           // among the structures of that type, from 0
  uint32_t string = 0;                               // from 0, as the track log and --dmi count
  std::string field;                                 // the SMBIOS field label, "Product Name:"
  std::optional<uint32_t> structure_a, structure_b;  // the structure's record in each image
  std::optional<std::string> a, b;                   // Latin-1; empty: no such string there
};

struct FileSide {
  uint8_t type = 0;
  uint32_t size = 0;
  std::string sha256;  // of the file's data behind its header, as the walk holds it (decoded)
};

struct FileDifference {
  std::string name;         // the file name GUID
  uint32_t occurrence = 0;  // among the files of that name, from 0
  std::optional<FileSide> a, b;
};

struct ImageDiff {
  std::vector<NodeDifference> nodes;
  std::vector<DmiDifference> dmi;
  std::vector<FileDifference> files;

  bool Empty() const { return nodes.empty() && dmi.empty() && files.empty(); }
};

// Compares the images open in `a` and `b` as they stand, edits included. Nodes are matched by
// key; a subtitle, text or reference whose prompt text changed (so that its key did) is matched
// by its form, kind and string id instead. The file that holds the nested volume is compared
// through the files inside it.
ImageDiff DiffImages(Editor& a, Editor& b);

}  // namespace kalvire::editor
