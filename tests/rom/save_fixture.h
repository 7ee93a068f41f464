// Images and opened editors for the save tests: the three modules in every storage form, in the
// outer volume or inside the LZMA-compressed nested volume, with files behind each module that
// have to move when it changes size.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "rom/headless_view.h"
#include "setup/baseline.h"
#include "tools/module_files.h"

namespace kalvire::rom::test {

using Bytes = std::vector<uint8_t>;

enum class Module { kAmiTse, kSetup, kDmi };
const char* ModuleName(Module module);

struct SaveImageOptions {
  tools::ModuleStorage storage = tools::ModuleStorage::kPlain;
  bool nested = false;  // the modules inside an LZMA firmware-volume-image file
  tools::SetupLayout layout = tools::SetupLayout::kPe32;
  // Laid out like vendor firmware: behind each module an erased pad file, a file with 16-byte
  // data alignment, a pad file carrying data and a file with 4 KiB alignment; a volume top file
  // ends the volume of the modules; the NVRAM store has a volume of its own; a flash
  // descriptor and an ME region lie in front of the BIOS region.
  bool vendor_layout = false;
  // A filler behind the NVRAM store takes the rest of the outer volume: no module can grow and
  // there is no room for a history file.
  bool full_volume = false;
};

// One outer volume: filler, modules (or the volume image file holding them between fillers),
// a filler with a data checksum, and the NVRAM store file last, with free space behind it.
// With the vendor layout the NVRAM store goes into a volume in front of it instead.
Bytes SaveTestImage(const SaveImageOptions& options);

// What an open image shows: every node's text and control state, the setup strings, every DMI
// string, and the name and size of every file.
struct EditorState {
  std::vector<std::string> node_texts;
  std::vector<setup::ControlState> controls;
  std::vector<std::string> setup_strings;
  std::vector<std::vector<std::string>> dmi_strings;
  std::vector<std::pair<Guid, uint32_t>> files;
};
EditorState CaptureState(Editor& editor);

struct Session {
  HeadlessEditor headless;
  Editor& editor() { return *headless.editor; }
  platform::ScriptedPrompter& prompter() { return headless.prompter; }
  std::vector<std::string> Messages() const;
  std::vector<std::string> ErrorMessages() const;  // those that begin "Error"
};

// Opens the file, failing the test (null) when it does not open.
std::unique_ptr<Session> OpenSession(const std::string& path);

// One edit of each module; each returns what the reopened image must show.
struct SetupEdit {
  uint32_t node = 0;
  std::string text;  // the node's new text (string edit) or empty
};
// Hides the first shown ONE_OF question (AmiTse SPF module).
uint32_t HideQuestion(Editor& editor);
// Gives the first ONE_OF question's text a longer text (Setup module).
SetupEdit EditQuestionText(Editor& editor);
// Deletes the first option of the first ONE_OF question that has one (Setup module); returns
// the node.
uint32_t DeleteFirstOption(Session& session);
// Changes the manufacturer string of the System Information structure through the DMI dialog.
struct DmiEdit {
  uint32_t structure = 0;
  uint32_t string_index = 0;
  std::string text;
};
DmiEdit EditDmiManufacturer(Session& session, const std::string& text = "Edited Systems Ltd.");

// A folder of its own per test, removed afterwards.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
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
