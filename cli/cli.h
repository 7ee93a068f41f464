// kalvire-cli: every editor operation without a display. Data goes to `out`, diagnostics and
// messages to `err`. Exit codes: 0 success, 1 failure, 2 usage error.
//
// The cli/ folder uses editor/ and the folders below it.
#pragma once

#include <ostream>

namespace CLI {
class App;
}

namespace kalvire::cli {

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

struct CliStreams {
  std::ostream& out;
  std::ostream& err;
};

// Runs one command line (argv[0] is the program name).
int RunCli(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

// Each command family adds its subcommands; a subcommand's callback stores its exit code.
void AddCodecCommands(CLI::App& app, const CliStreams& streams, int& exit_code);
void AddInfoCommand(CLI::App& app, const CliStreams& streams, int& exit_code);
void AddSetupCommands(CLI::App& app, const CliStreams& streams, int& exit_code);
void AddDmiCommand(CLI::App& app, const CliStreams& streams, int& exit_code);
void AddTracklogCommand(CLI::App& app, const CliStreams& streams, int& exit_code);
void AddEditCommand(CLI::App& app, const CliStreams& streams, int& exit_code);
void AddVerifyCommand(CLI::App& app, const CliStreams& streams, int& exit_code);
void AddDiffCommand(CLI::App& app, const CliStreams& streams, int& exit_code);

}  // namespace kalvire::cli
