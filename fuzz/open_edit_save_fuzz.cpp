// Arbitrary bytes opened as a ROM image, one edit chosen by the input, and Save As into memory.
// An image that verified before the save must verify after it: every file with sound
// checksums, State, alignment and extent, and the same file names in every volume.
//
// Input: 8 control bytes, then the image.
//   byte 0      the edit: hide, show, access level, optimal default, setup string, option
//               deletion, DMI string, or none
//   bytes 1-2   the node (modulo the node count) or the DMI structure
//   byte 3      the access level, optimal value, DMI slot, or the length of a new text
//   bytes 4-7   the text of a string edit, repeated to its length
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "dmi/dmi_edit.h"
#include "editor/headless_view.h"
#include "editor/open_image.h"
#include "editor/save_image.h"
#include "rom/verify.h"
#include "setup/node_edit.h"
#include "setup/option_delete.h"
#include "setup/string_edit.h"
#include "util/le.h"

using namespace kalvire;

namespace {

constexpr size_t kControlSize = 8;
// The scripted prompter keeps every message; a fresh view every so many inputs keeps it small.
constexpr int kInputsPerView = 200;

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

struct Session {
  std::unique_ptr<editor::HeadlessEditor> view;
  int inputs = 0;
};

editor::HeadlessEditor& View(Session& session) {
  if (!session.view || session.inputs == kInputsPerView) {
    session.view = std::make_unique<editor::HeadlessEditor>();
    session.inputs = 0;
  }
  ++session.inputs;
  return *session.view;
}

std::string TextOf(const uint8_t* control) {
  std::string text;
  for (int i = 0; i < control[3] % 80 + 1; ++i) {
    const char c = char(control[4 + i % 4]);
    text += c == '\0' ? ' ' : c;
  }
  return text;
}

void Edit(editor::HeadlessEditor& view, const uint8_t* control) {
  editor::Editor& editor = *view.editor;
  const uint32_t selector = util::LoadLe16(control + 1);
  const uint8_t value = control[3];
  const uint32_t node = editor.setup.node_count ? selector % editor.setup.node_count : 0;
  const bool has_node = editor.setup.node_count != 0;
  switch (control[0] % 8) {
    case 0:
      if (has_node) setup::ChangeNodeSetting(editor, setup::kChangeVisibility, 0, 0, node);
      break;
    case 1:
      if (has_node) setup::ChangeNodeSetting(editor, setup::kChangeVisibility, 1, 0, node);
      break;
    case 2:
      if (has_node) setup::ChangeNodeSetting(editor, setup::kChangeAccessLevel, value & 3, 0, node);
      break;
    case 3:
      if (has_node) setup::ApplyOptimalSelection(editor, node, value);
      break;
    case 4:
      if (has_node) setup::EditSetupString(editor, node, TextOf(control));
      break;
    case 5:
      if (has_node) {
        editor.controls.setup_tree->SelectItem(editor.setup.node_items[node]);
        const platform::ComboControl& options = *editor.controls.delete_option_combo;
        if (options.GetCount() > 0) {
          setup::DeleteOption(editor, node, options.GetText(value % options.GetCount()));
        }
      }
      break;
    case 6: {
      if (editor.dmi.structure_count == 0 || !editor.controls.dmi_tree) break;
      platform::TreeControl& tree = *editor.controls.dmi_tree;
      platform::TreeItem item = tree.GetChildItem(tree.GetChildItem(platform::kRootItem));
      for (uint32_t skip = selector % editor.dmi.structure_count;
           skip > 0 && item != platform::kNoItem; --skip) {
        item = tree.GetNextSiblingItem(item);
      }
      if (item == platform::kNoItem) break;
      tree.SelectItem(item);
      view.prompter.QueueDmiEdits(
          platform::DmiEdits{{value % platform::DmiDialogData::kSlots, TextOf(control)}});
      dmi::EditDmiString(editor);
      break;
    }
    default:
      break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < kControlSize) return 0;
  static Session* const session = new Session();
  editor::HeadlessEditor& view = View(*session);
  editor::Editor& editor = *view.editor;
  const std::vector<uint8_t> image(data + kControlSize, data + size);
  if (editor::OpenRomImageBytes(editor, image, "fuzz.rom") != 1) return 0;

  Edit(view, data);

  std::vector<uint8_t> saved;
  bool written = false;
  const editor::ImageWriter in_memory = [&](const std::string&, std::span<const uint8_t> bytes,
                                            std::string&) {
    saved.assign(bytes.begin(), bytes.end());
    written = true;
    return true;
  };
  // A path that does not exist, so that Save As asks nothing; the writer never touches it.
  view.prompter.QueueFilePath("/nonexistent-kalvire-fuzz/saved.rom");
  editor::SaveRomImageAs(editor, in_memory);
  if (!written) return 0;
  Check(saved.size() == image.size());

  const rom::VerifyResult before = rom::VerifyImage(image);
  if (!before.problems.empty()) return 0;
  const rom::VerifyResult after = rom::VerifyImage(saved);
  Check(after.problems.empty());
  Check(!rom::CompareFileNames(before.files, after.files).has_value());
  return 0;
}
