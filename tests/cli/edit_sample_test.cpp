// kalvire-cli edit on sample.rom: the save writes its history file behind the NVRAM store file,
// the saved image opens again with the edits, and questions the command line leaves open are
// answered as its flags say.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>

#include "cli/cli.h"
#include "cli_run.h"
#include "util/file_io.h"

namespace kalvire::cli::clitest {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

// The entries `node` lists under "Optimal option:", the selected one first.
std::vector<std::string> OptimalOptions(const std::string& rom, const std::string& node) {
  std::istringstream lines(RunCommand({"node", rom, node}).out);
  std::vector<std::string> options;
  bool in_list = false;
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("Optimal option:", 0) == 0) {
      in_list = true;
    } else if (in_list && line.rfind("  * ", 0) == 0) {
      options.insert(options.begin(), line.substr(4));
    } else if (in_list && line.rfind("    ", 0) == 0) {
      options.push_back(line.substr(4));
    } else {
      in_list = false;
    }
  }
  return options;
}

TEST(EditSample, OneEditSavesWithAHistoryFile) {
  const ScratchDir dir("edit-sample");
  const std::string out = dir.Path("out.rom");

  ASSERT_THAT(RunCommand({"node", SampleImagePath(), "5"}).out, HasSubstr("Hide: unchecked"));
  const CliRun edit = RunCommand({"edit", SampleImagePath(), "-o", out, "--hide", "5"});
  EXPECT_EQ(edit.exit_code, kExitSuccess) << edit.err;
  EXPECT_THAT(edit.err, Not(HasSubstr("rror"))) << edit.err;
  EXPECT_THAT(edit.out, Not(HasSubstr("rror"))) << edit.out;

  const CliRun node = RunCommand({"node", out, "5"});
  EXPECT_EQ(node.exit_code, kExitSuccess) << node.err;
  EXPECT_THAT(node.out, HasSubstr("Hide: checked"));

  const CliRun tracklog = RunCommand({"tracklog", "--json", out});
  ASSERT_EQ(tracklog.exit_code, kExitSuccess) << tracklog.err;
  const auto history = nlohmann::json::parse(tracklog.out, nullptr, false);
  ASSERT_FALSE(history.is_discarded()) << tracklog.out;
  EXPECT_EQ(history["marker"], "CEF5B9A3-476D-497F-9FDC-E98143E0422C");  // the NVRAM store
  EXPECT_EQ(history["history_area"], true);
  EXPECT_GE(history["area_end"].get<uint64_t>() - history["area_start"].get<uint64_t>(),
            uint64_t{1} << 20);
  ASSERT_EQ(history["files"].size(), 1u) << tracklog.out;
  const auto& file = history["files"][0];
  EXPECT_TRUE(file["history_name"].get<bool>());
  EXPECT_THAT(file["lines"].dump(), HasSubstr("Node No: 5 String: Project Version"));
  EXPECT_THAT(file["lines"].dump(), HasSubstr("Visibility changed to Hide"));
}

TEST(EditSample, DefaultTakesAnOptionByItsName) {
  const ScratchDir dir("edit-default");
  const auto nodes = TreeNodes(SampleImagePath());
  // A one-of question with a choice besides its current default.
  std::string node;
  std::vector<std::string> before;
  for (const auto& row : nodes) {
    if (row["opcode"] != 0x05) continue;
    char hex[16];
    std::snprintf(hex, sizeof hex, "%x", row["node"].get<unsigned>());
    before = OptimalOptions(SampleImagePath(), hex);
    if (before.size() >= 2 && before[1] != before[0]) {
      node = hex;
      break;
    }
  }
  ASSERT_FALSE(node.empty()) << "the sample has no one-of question with two options";
  std::string name = before[1];
  for (char& c : name) c = char(std::tolower(static_cast<unsigned char>(c)));

  const std::string out = dir.Path("out.rom");
  const CliRun edit =
      RunCommand({"edit", SampleImagePath(), "-o", out, "--default", node + "=" + name});
  ASSERT_EQ(edit.exit_code, kExitSuccess) << edit.err;
  EXPECT_THAT(edit.out, HasSubstr("Optimal option is Changed"));
  EXPECT_EQ(OptimalOptions(out, node).at(0), before[1]);
}

// A track log whose node header names another text than the image's asks whether to apply it.
struct ImportAnswer {
  const char* name;
  std::vector<std::string> flags;
  std::string answer_line;
  bool hint;    // "give --yes" follows
  bool hidden;  // the node is hidden afterwards
};

void PrintTo(const ImportAnswer& answer, std::ostream* out) {
  *out << answer.name;
}

const ImportAnswer kImportAnswers[] = {
    {"NoFlagAnswersNo", {}, "kalvire-cli: answered No: ", true, false},
    {"NoAnswersNo", {"--no"}, "kalvire-cli: answered No: ", false, false},
    {"YesAnswersYes", {"--yes"}, "kalvire-cli: answered Yes: ", false, true},
};

class EditImportAnswers : public testing::TestWithParam<ImportAnswer> {};

TEST_P(EditImportAnswers, SayWhatTheyAnswered) {
  const ImportAnswer& answer = GetParam();
  const ScratchDir dir(std::string("edit-import-") + answer.name);
  const std::string log = dir.Path("mismatch.log");
  const std::string text = "Node No: 5 String: Another Text\n    Visibility changed to Hide\n";
  std::string error;
  ASSERT_TRUE(
      util::WriteWholeFileAtomic(log, std::vector<uint8_t>(text.begin(), text.end()), error));

  const std::string out = dir.Path("out.rom");
  std::vector<std::string> args = {"edit", SampleImagePath(), "-o", out, "--import", log};
  args.insert(args.end(), answer.flags.begin(), answer.flags.end());
  const CliRun run = RunCommand(args);
  ASSERT_EQ(run.exit_code, kExitSuccess) << run.err;
  EXPECT_THAT(run.err, HasSubstr(answer.answer_line +
                                 "String ID of current ROM \"Project Version\" does not match with "
                                 "imported String ID \"Another Text\".This may result in undefined "
                                 "behaviour. Do you still want to apply changes?\n"));
  const std::string hint = "kalvire-cli: questions were answered No; give --yes to answer Yes\n";
  EXPECT_EQ(run.err.find(hint) != std::string::npos, answer.hint) << run.err;
  EXPECT_THAT(RunCommand({"node", out, "5"}).out,
              HasSubstr(answer.hidden ? "Hide: checked" : "Hide: unchecked"));
}

INSTANTIATE_TEST_SUITE_P(Flags, EditImportAnswers, testing::ValuesIn(kImportAnswers),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kalvire::cli::clitest
