// Arbitrary text imported as a `.log` file into the opened sample image. Every node number,
// DMI structure and string index taken from the text stays within its table, the structures
// keep their number of strings, and no DMI string becomes one that would end its string set.
// Mismatch questions are answered Yes, so that every change line reaches its operation.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "editor/headless_view.h"
#include "editor/open_image.h"
#include "setup/commands.h"
#include "tools/sample_image.h"
#include "tracklog/import_settings.h"
#include "tracklog/track_log.h"

using namespace kalvire;

namespace {

// The edits accumulate in the opened image; a fresh Open every so many inputs keeps the
// workspace and the prompter's records from growing without end.
constexpr int kInputsPerOpen = 400;

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

struct Session {
  std::unique_ptr<editor::HeadlessEditor> view;
  std::vector<size_t> string_counts;
  int inputs = 0;
};

void Reopen(Session& session) {
  static const std::vector<uint8_t> image = tools::BuildSampleImage();
  session.view = std::make_unique<editor::HeadlessEditor>();
  session.view->prompter.SetDefaultAnswer(true);
  editor::Editor& editor = *session.view->editor;
  Check(editor::OpenRomImageBytes(editor, image, "sample.rom") == 1);
  Check(editor.setup.node_count > 0 && editor.dmi.structure_count > 0);
  setup::ConnectSetupTree(editor);
  session.string_counts.clear();
  for (uint32_t i = 0; i <= editor.dmi.structure_count; ++i) {
    session.string_counts.push_back(editor.dmi.current[i].strings.size());
  }
  session.inputs = 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Session* const session = new Session();
  if (!session->view || session->inputs == kInputsPerOpen) Reopen(*session);
  ++session->inputs;
  editor::Editor& editor = *session->view->editor;

  std::istringstream log(std::string(reinterpret_cast<const char*>(data), size));
  tracklog::ImportSettingsFrom(editor, log);

  for (uint32_t i = 0; i <= editor.dmi.structure_count; ++i) {
    const auto& strings = editor.dmi.current[i].strings;
    Check(strings.size() == session->string_counts[i]);
    for (const std::string& text : strings) {
      Check(!text.empty() && text.find('\0') == std::string::npos);
    }
  }
  // The track log compares every node with its baseline: worth its time now and then.
  if (session->inputs % 16 == 0) tracklog::BuildTrackLog(editor);
  return 0;
}
