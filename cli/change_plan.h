// Carrying the changes of a diff (stock image against its edited copy) to another image of the
// same board: each change becomes the edit the editor would make on the node with the same key,
// checked against what that image holds now.
#pragma once

#include <string>
#include <vector>

#include "cli/edit_request.h"
#include "editor/editor.h"
#include "editor/image_diff.h"

namespace kalvire::cli {

struct ChangePlan {
  std::vector<Edit> edits;
  // Changes the image cannot take: the key is missing, the node's storage differs, or what the
  // image holds is not the stock value the change started from.
  std::vector<std::string> problems;
  // Differences that are no edit of the editor (help texts, IFR defaults, nodes or files that
  // only one image has); they are left as the image has them.
  std::vector<std::string> notes;
};

// The edits that make `target` (as opened) carry `changes`: visibility, access level, optimal
// default (by option name for a one-of, so that renumbered options keep the choice), setup
// string, deleted options and DMI strings, in that order per node.
ChangePlan PlanChanges(editor::Editor& target, const editor::ImageDiff& changes);

}  // namespace kalvire::cli
