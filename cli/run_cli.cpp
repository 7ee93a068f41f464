#include <CLI/CLI.hpp>

#include "cli/cli.h"

namespace kalvire::cli {

int RunCli(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
  CLI::App app{"kalvire-cli: edit the BIOS setup menu and SMBIOS strings of UEFI firmware images",
               "kalvire-cli"};
  app.require_subcommand(1);
  const CliStreams streams{out, err};
  int exit_code = kExitSuccess;
  AddCodecCommands(app, streams, exit_code);
  AddInfoCommand(app, streams, exit_code);
  AddSetupCommands(app, streams, exit_code);
  AddDmiCommand(app, streams, exit_code);
  AddTracklogCommand(app, streams, exit_code);
  AddEditCommand(app, streams, exit_code);
  AddVerifyCommand(app, streams, exit_code);
  AddDiffCommand(app, streams, exit_code);
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp&) {
    out << app.help();
    return kExitSuccess;
  } catch (const CLI::ParseError& e) {
    err << "kalvire-cli: " << e.what() << "\n"
        << "Run 'kalvire-cli --help' for the commands.\n";
    return kExitUsage;
  }
  return exit_code;
}

}  // namespace kalvire::cli
