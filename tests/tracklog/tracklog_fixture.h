// Opened images for the change tracking tests: the sample image and a smaller image, both with
// the NVRAM store file as the last file of its volume and free space behind it, and a variant of
// the smaller one where a file follows the store directly, leaving no room for history.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "rom/headless_view.h"

namespace kalvire::tracklog::test {

using Bytes = std::vector<uint8_t>;

// The sample image, built once per test program.
const Bytes& SampleImage();

// Setup, AmiTse SPF and DMI modules stored plainly, then the NVRAM store file as the last file
// of a volume of `volume_size` bytes; with `file_behind_store` a raw file follows the store.
Bytes HistoryImage(uint64_t volume_size = 0x100000, bool file_behind_store = false);
// HistoryImage(), built once per test program.
const Bytes& DefaultHistoryImage();

struct OpenedImage {
  rom::HeadlessEditor session;
  rom::Editor& editor() { return *session.editor; }
  platform::ScriptedPrompter& prompter() { return session.prompter; }

  std::vector<std::string> TrackLog();
  std::vector<std::string> MessageTexts();
  // The first node whose item's opcode is `opcode` and for which `accept` holds.
  uint32_t FindNode(uint8_t opcode, const std::function<bool(uint32_t)>& accept = {});
  std::string ItemText(uint32_t node);
  void SetItemText(uint32_t node, const std::string& text);
  // A ONE_OF node with at least two options whose control value is read; `values` receives the
  // option values.
  uint32_t OneOfWithOptions(std::vector<uint64_t>& values);
};

// Opens `bytes` and completes what Open leaves to the setup form model and the DMI model
// (parse, baseline, DMI tables) when it has not done it itself; connects the node display.
// Fails the calling test (and returns null) when the image does not open.
std::unique_ptr<OpenedImage> OpenImage(const Bytes& bytes, const std::string& name = "board.rom");

// A temporary file name, removed with the object.
struct TempPath {
  explicit TempPath(const std::string& name);
  ~TempPath();
  std::string path;
};

}  // namespace kalvire::tracklog::test
