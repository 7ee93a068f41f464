// verify: the checks a save runs over the files of every volume, on any image.
#include <CLI/CLI.hpp>

#include <memory>
#include <nlohmann/json.hpp>
#include <string>

#include "cli/cli.h"
#include "rom/verify.h"
#include "util/file_io.h"

namespace kalvire::cli {

namespace {

using nlohmann::ordered_json;

struct VerifyArgs {
  std::string rom;
  bool json = false;
};

ordered_json ResultJson(const rom::VerifyResult& result) {
  ordered_json problems = ordered_json::array();
  for (const rom::VerifyProblem& problem : result.problems) {
    problems.push_back({{"volume", problem.volume},
                        {"file", problem.file},
                        {"file_offset", problem.file_offset},
                        {"reason", problem.reason}});
  }
  size_t file_count = 0;
  for (const rom::VolumeFileNames& volume : result.files) file_count += volume.names.size();
  return {{"clean", result.problems.empty()},
          {"volumes", result.files.size()},
          {"files", file_count},
          {"problems", std::move(problems)}};
}

int RunVerify(const VerifyArgs& args, const CliStreams& streams) {
  std::vector<uint8_t> image;
  std::string error;
  if (!util::ReadWholeFile(args.rom, image, error)) {
    streams.err << "Error: " << error << "\n";
    return kExitFailure;
  }
  const rom::VerifyResult result = rom::VerifyImage(image);
  if (args.json) {
    streams.out << ResultJson(result).dump(2) << "\n";
  } else {
    for (const rom::VerifyProblem& problem : result.problems) {
      streams.out << rom::FormatVerifyProblem(problem) << "\n";
    }
  }
  return result.problems.empty() ? kExitSuccess : kExitFailure;
}

}  // namespace

void AddVerifyCommand(CLI::App& app, const CliStreams& streams, int& exit_code) {
  auto args = std::make_shared<VerifyArgs>();
  CLI::App* command =
      app.add_subcommand("verify", "Check every file of every firmware volume; exit 0 when clean");
  command->add_option("ROM", args->rom, "firmware image")->required();
  command->add_flag("--json", args->json, "machine-readable output");
  command->callback([args, &streams, &exit_code] { exit_code = RunVerify(*args, streams); });
}

}  // namespace kalvire::cli
