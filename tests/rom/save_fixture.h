// Images and opened editors for the save tests: the three modules in every storage form, in the
// outer volume or inside the LZMA-compressed nested volume, with files behind each module that
// have to move when it changes size.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "editor/headless_view.h"
#include "setup/baseline.h"
#include "tools/module_files.h"

namespace kalvire::rom::test {

using Bytes = std::vector<uint8_t>;

struct SaveImageOptions {
  tools::ModuleStorage storage = tools::ModuleStorage::kPlain;
  bool nested = false;  // the modules inside an LZMA firmware-volume-image file
  tools::SetupLayout layout = tools::SetupLayout::kPe32;
  // Laid out like vendor firmware: behind each module an erased pad file, a file with 16-byte
  // data alignment, a pad file carrying data and a file with 4 KiB alignment; a volume top file
  // ends each volume; the NVRAM store has a volume of its own; a flash descriptor and an ME
  // region lie in front of the BIOS region.
  bool vendor_layout = false;
  // A file behind the NVRAM store takes the rest of the outer volume: no module can grow and
  // there is no room for a history file.
  bool full_volume = false;
};

// One outer volume: filler, modules (or the volume image file holding them between fillers),
// a filler with a data checksum, and the NVRAM store file, with free space behind it.
Bytes SaveTestImage(const SaveImageOptions& options);

// What an open image shows: every node's text and control state, the setup strings and every
// DMI string.
struct EditorState {
  std::vector<std::string> node_texts;
  std::vector<setup::ControlState> controls;
  std::vector<std::string> setup_strings;
  std::vector<std::vector<std::string>> dmi_strings;
  std::vector<std::tuple<int, int, uint64_t>> Controls() const;  // visible, access, value
};
EditorState CaptureState(editor::Editor& editor);

struct Session {
  editor::HeadlessEditor headless;
  editor::Editor& editor() { return *headless.editor; }
  platform::ScriptedPrompter& prompter() { return headless.prompter; }
  std::vector<std::string> Messages() const;
};

// Opens the file, failing the test (null) when it does not open.
std::unique_ptr<Session> OpenSession(const std::string& path);

// Hides the first ONE_OF question (AmiTse SPF module); returns its node.
uint32_t HideQuestion(editor::Editor& editor);
// Gives the first ONE_OF question a longer text (Setup module) or, with `delete_option` (for a
// stored compression section, which puts the PE32 image behind its header), deletes its first
// option.
void EditSetupModule(editor::Editor& editor, bool delete_option = false);
// Changes string `slot` of the first DMI structure of `type` through the DMI dialog; returns
// the structure.
uint32_t EditDmiString(Session& session, uint8_t type, int slot, const std::string& text);

// A folder of its own per test, removed afterwards.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  std::string Path(const std::string& name) const { return (m_dir / name).string(); }
  const std::filesystem::path& dir() const { return m_dir; }

 private:
  std::filesystem::path m_dir;
};

Bytes ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const Bytes& bytes);

// Saves with Save As to `path` (answering Yes when it asks about an existing file).
void SaveAs(Session& session, const std::string& path);

}  // namespace kalvire::rom::test
