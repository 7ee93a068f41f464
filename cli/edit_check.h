// The check of every edit against the opened image before any of them is applied, so that a
// command line with one edit the image cannot take changes and writes nothing.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "cli/edit_request.h"
#include "editor/editor.h"
#include "platform/controls.h"

namespace kalvire::cli {

// The item of DMI structure `structure` in the DMI tree, or kNoItem.
platform::TreeItem FindDmiStructureItem(const platform::TreeControl& tree, uint32_t structure);

class EditCheck {
 public:
  // `editor` holds the opened image, with the setup tree connected to the node display: the
  // check selects nodes as the editor would, to read what the view offers for them.
  explicit EditCheck(editor::Editor& editor) : m_editor(editor) {}

  // Why the image cannot take `edit`, or nullopt when it can. An option or check box state
  // given by name is replaced by its value (--default), or by the option's text as the
  // option-to-delete combo lists it (--delete-option). Edits are checked against the image as
  // opened, apart from the options that earlier --delete-option edits of the same run take.
  std::optional<std::string> Check(Edit& edit);

 private:
  std::optional<std::string> CheckNode(Edit& edit);
  std::optional<std::string> CheckDefault(Edit& edit);
  std::optional<std::string> CheckString(const Edit& edit);
  std::optional<std::string> CheckDeleteOption(Edit& edit);
  std::optional<std::string> CheckDmi(const Edit& edit);

  editor::Editor& m_editor;
  std::map<uint32_t, std::vector<std::string>> m_deleted;  // by node, this run's deletions
};

}  // namespace kalvire::cli
