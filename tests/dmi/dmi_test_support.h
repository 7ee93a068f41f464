// DMI module data built from SMBIOS structures, and an Editor whose DMI tree, track log list
// and prompter are headless, with the module data put straight into its DMI slot.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/headless_controls.h"
#include "platform/headless_tree.h"
#include "platform/scripted_prompter.h"
#include "rom/editor.h"
#include "tools/smbios_builder.h"

namespace kalvire::dmi::test {

using Bytes = std::vector<uint8_t>;
using tools::SmbiosStructure;

// Which header the module data begins with: the freeform section's own (the table at 20), or
// the stored compression section's in front of it (the table at 29).
enum class Layout { kSection, kStoredCompression };

// The module data: header, the table of `structures` with its end-of-table structure, then
// 0xFF up to `size` bytes in all.
Bytes DmiModuleData(const std::vector<SmbiosStructure>& structures, size_t size,
                    Layout layout = Layout::kSection);

// Where the table begins in data made by DmiModuleData.
size_t TableOffset(Layout layout);

// A structure of `type` with `field_bytes` zero bytes after its 4-byte header.
SmbiosStructure Structure(uint8_t type, uint16_t handle, std::vector<std::string> strings,
                          size_t field_bytes = 4);

// Types 0, 1, 2, 3, 4 and 11, the order a board lists them in.
std::vector<SmbiosStructure> BoardStructures();

struct DmiEditor {
  DmiEditor();
  DmiEditor(const DmiEditor&) = delete;
  DmiEditor& operator=(const DmiEditor&) = delete;

  // Puts `data` into the DMI slot as the module data.
  void SetModuleData(Bytes data);
  // SetModuleData, then ParseDmiTable; returns its result.
  int Load(Bytes data);
  // Selects the tree item of structure `index` (or the root for -1) and runs the Edit command.
  void EditStructure(int index);
  platform::TreeItem ItemOf(uint32_t index) const;
  std::vector<std::string> TrackLogLines() const;
  std::vector<std::string> MessageTexts() const;
  // Names of the items under the root, in order, with their item data.
  std::vector<std::pair<std::string, uint32_t>> TreeChildren() const;

  platform::ScriptedPrompter prompter{"KALVIRE"};
  platform::HeadlessTree tree;
  platform::HeadlessList track_log;
  platform::TreeItem root = platform::kNoItem;
  std::unique_ptr<rom::Editor> editor = std::make_unique<rom::Editor>();
  rom::Editor& ed() { return *editor; }
};

}  // namespace kalvire::dmi::test
