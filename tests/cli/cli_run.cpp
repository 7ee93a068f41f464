#include "cli_run.h"

#include <gtest/gtest.h>

#include <unistd.h>
#include <filesystem>
#include <sstream>

#include "cli/cli.h"
#include "tools/sample_image.h"
#include "util/file_io.h"

namespace kalvire::cli::clitest {

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
  ~TemporaryFile() { std::filesystem::remove(path); }
};

}  // namespace

const std::string& SampleImagePath() {
  static const TemporaryFile sample = [] {
    const auto file = std::filesystem::temp_directory_path() /
                      ("kalvire-cli-sample-" + std::to_string(::getpid()) + ".rom");
    std::string error;
    if (!util::WriteWholeFileAtomic(file, tools::BuildSampleImage(), error)) ADD_FAILURE() << error;
    return TemporaryFile{file.string()};
  }();
  return sample.path;
}

}  // namespace kalvire::cli::clitest
