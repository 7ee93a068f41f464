// Runs kalvire-cli in-process and keeps what it printed; a sample image written once per program.
#pragma once

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

}  // namespace kalvire::cli::clitest
