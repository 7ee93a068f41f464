// kalvire-cli run in-process with its output caught; for suites that link the command line.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "cli/cli.h"

namespace kalvire::test {

struct CliResult {
  int code;
  std::string out, err;
};

inline CliResult RunCli(std::vector<std::string> args) {  // without the program name
  args.insert(args.begin(), "kalvire-cli");
  std::vector<const char*> argv;
  for (const std::string& arg : args) argv.push_back(arg.c_str());
  std::ostringstream out, err;
  const int code = cli::RunCli(int(argv.size()), argv.data(), out, err);
  return {code, out.str(), err.str()};
}

}  // namespace kalvire::test
