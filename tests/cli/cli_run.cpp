#include "cli_run.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <sstream>

#include "cli/cli.h"
#include "tools/sample_image.h"
#include "util/file_io.h"

namespace kalvire::cli::clitest {

namespace fs = std::filesystem;

CliRun RunCommand(std::vector<std::string> args) {
  args.insert(args.begin(), "kalvire-cli");
  std::vector<const char*> argv;
  for (const auto& a : args) argv.push_back(a.c_str());
  std::ostringstream out, err;
  const int code = RunCli(int(argv.size()), argv.data(), out, err);
  return {code, out.str(), err.str()};
}

namespace {

// Removes the sample when the test program ends.
struct TemporaryFile {
  std::string path;
  ~TemporaryFile() { fs::remove(path); }
};

}  // namespace

const std::string& SampleImagePath() {
  static const TemporaryFile sample = [] {
    const auto file =
        fs::temp_directory_path() / ("kalvire-cli-sample-" + std::to_string(::getpid()) + ".rom");
    std::string error;
    if (!util::WriteWholeFileAtomic(file, tools::BuildSampleImage(), error)) ADD_FAILURE() << error;
    return TemporaryFile{file.string()};
  }();
  return sample.path;
}

ScratchDir::ScratchDir(const std::string& name)
    : m_dir(fs::temp_directory_path() /
            ("kalvire-cli-" + name + "-" + std::to_string(::getpid()))) {
  fs::remove_all(m_dir);
  fs::create_directories(m_dir);
}

ScratchDir::~ScratchDir() {
  std::error_code error;
  fs::remove_all(m_dir, error);
}

std::vector<std::string> ScratchDir::Files() const {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(m_dir)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

nlohmann::json TreeNodes(const std::string& rom) {
  const CliRun tree = RunCommand({"tree", "--json", rom});
  EXPECT_EQ(tree.exit_code, kExitSuccess) << tree.err;
  const auto parsed = nlohmann::json::parse(tree.out, nullptr, false);
  if (parsed.is_discarded() || !parsed.contains("nodes")) {
    ADD_FAILURE() << "tree --json printed no node list:\n" << tree.out;
    return nlohmann::json::array();
  }
  return parsed["nodes"];
}

std::string FindNode(const nlohmann::json& nodes,
                     const std::function<bool(const nlohmann::json& node)>& wanted) {
  for (const auto& node : nodes) {
    if (!wanted(node)) continue;
    char hex[16];
    std::snprintf(hex, sizeof hex, "%x", node["node"].get<unsigned>());
    return hex;
  }
  return {};
}

}  // namespace kalvire::cli::clitest
