// Runs kalvire-cli in-process and keeps what it printed; a sample image written once per program.
#pragma once

#include <filesystem>
#include <functional>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace kalvire::cli::clitest {

struct CliRun {
  int exit_code;
  std::string out;
  std::string err;
};

CliRun RunCommand(std::vector<std::string> args);

// Path of sample.rom as the image builder makes it, written to a temporary folder on first use.
const std::string& SampleImagePath();

// A folder of its own under the temporary directory, removed with everything in it at the end.
class ScratchDir {
 public:
  explicit ScratchDir(const std::string& name);
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  std::string Path(const std::string& file) const { return (m_dir / file).string(); }
  // The names of the files in it, sorted.
  std::vector<std::string> Files() const;

 private:
  std::filesystem::path m_dir;
};

// The nodes `tree --json` lists for the image at `rom`; fails the calling test when it cannot.
nlohmann::json TreeNodes(const std::string& rom);

// The number (hexadecimal, as the command line takes it) of the first of `nodes` for which
// `wanted` holds; empty when none does.
std::string FindNode(const nlohmann::json& nodes,
                     const std::function<bool(const nlohmann::json& node)>& wanted);

}  // namespace kalvire::cli::clitest
