// kalvire-cli edit refuses every edit the image cannot take before anything is applied: the
// argument and the reason go to standard error, the exit code is 1 and no output is written.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "cli_run.h"
#include "support/test_data.h"
#include "util/file_io.h"

namespace kalvire::cli::clitest {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace fs = std::filesystem;

// Sample nodes by kind; the table's arguments name them as "{kind}".
const std::map<std::string, std::string>& SampleNodes() {
  static const std::map<std::string, std::string> names = [] {
    const auto nodes = TreeNodes(SampleImagePath());
    const auto with_opcode = [&](int opcode) {
      return FindNode(nodes, [opcode](const auto& node) { return node["opcode"] == opcode; });
    };
    return std::map<std::string, std::string>{{"{form}", with_opcode(0x01)},
                                              {"{subtitle}", with_opcode(0x02)},
                                              {"{oneof}", with_opcode(0x05)},
                                              {"{checkbox}", with_opcode(0x06)},
                                              {"{numeric}", with_opcode(0x07)}};
  }();
  return names;
}

std::string Expand(std::string text, const std::map<std::string, std::string>& names) {
  for (const auto& [name, value] : names) {
    for (size_t at = text.find(name); at != std::string::npos; at = text.find(name)) {
      text.replace(at, name.size(), value);
    }
  }
  return text;
}

struct RefusedEdit {
  const char* name;
  std::vector<std::string> args;
  std::string refused;  // the argument standard error names
  std::string reason;   // after it and ": "
};

void PrintTo(const RefusedEdit& edit, std::ostream* out) {
  *out << edit.name;
}

const std::string kText65(65, 'x');
const std::string kText101(101, 'x');

const RefusedEdit kRefusedEdits[] = {
    {"UnknownNode", {"--hide", "ffff"}, "--hide ffff", "node ffff is not in the node table"},
    {"HideOnAForm",
     {"--hide", "{form}"},
     "--hide {form}",
     "node {form} is a form, which has no visibility or access level of its own"},
    {"AccessOnAForm",
     {"--access", "{form}=User"},
     "--access {form}=User",
     "node {form} is a form, which has no visibility or access level of its own"},
    {"DefaultOnASubtitle",
     {"--default", "{subtitle}=0"},
     "--default {subtitle}=0",
     "node {subtitle} is not a one-of, check box or numeric question: it has no optimal default"},
    {"DefaultOfAValueNoOptionHas",
     {"--default", "{oneof}=7777"},
     "--default {oneof}=7777",
     "node {oneof} has no option of value or name \"7777\" (options: "},
    {"DefaultOfANameNoOptionHas",
     {"--default", "{oneof}=No Such Option"},
     "--default {oneof}=No Such Option",
     "node {oneof} has no option of value or name \"No Such Option\" (options: "},
    {"CheckBoxDefaultPastEnabled",
     {"--default", "{checkbox}=2"},
     "--default {checkbox}=2",
     "node {checkbox} is a check box: its default is 0 (Disabled) or 1 (Enabled)"},
    {"NumericDefaultOutOfRange",
     {"--default", "{numeric}=4000000000"},
     "--default {numeric}=4000000000",
     "node {numeric} is a numeric question: its default is a number from "},
    {"DeleteOptionOfACheckBox",
     {"--delete-option", "{checkbox}=Enabled"},
     "--delete-option {checkbox}=Enabled",
     "node {checkbox} is not a one-of question: only the options of one can be deleted"},
    {"DeleteOptionItDoesNotHave",
     {"--delete-option", "{oneof}=No Such Option"},
     "--delete-option {oneof}=No Such Option",
     "node {oneof} has no option \"No Such Option\" to delete (options: "},
    {"StringLongerThanItsField",
     {"--string", "{oneof}=" + kText101},
     "--string {oneof}=" + kText101,
     "the text has 101 characters; a setup string takes at most 100"},
    {"DmiStructureOutOfRange",
     {"--dmi", "fff:0=X"},
     "--dmi fff:0=X",
     "DMI structure fff is not in the DMI tree"},
    {"DmiStringOutOfRange",
     {"--dmi", "0:ff=X"},
     "--dmi 0:ff=X",
     "DMI structure 0 has no string ff in its dialog"},
    {"DmiTextLongerThanItsField",
     {"--dmi", "0:0=" + kText65},
     "--dmi 0:0=" + kText65,
     "the text has 65 characters; a DMI string takes at most 64"},
    {"UnreadableTrackLog",
     {"--import", "{absent}"},
     "--import {absent}",
     "cannot read the track log: cannot open {absent}: No such file or directory"},
    {"OneRefusedAmongGoodOnes",
     {"--hide", "{oneof}", "--dmi", "0:0=Vendor", "--show", "ffff"},
     "--show ffff",
     "node ffff is not in the node table"},
};

class EditRefusal : public testing::TestWithParam<RefusedEdit> {};

TEST_P(EditRefusal, ExitsOneAndWritesNoOutput) {
  const RefusedEdit& edit = GetParam();
  const ScratchDir dir(std::string("refusal-") + edit.name);
  auto names = SampleNodes();
  for (const auto& [kind, node] : names) ASSERT_FALSE(node.empty()) << "the sample has no " << kind;
  names["{absent}"] = dir.Path("absent.log");

  const std::string out = dir.Path("out.rom");
  std::vector<std::string> args = {"edit", SampleImagePath(), "-o", out};
  for (const std::string& arg : edit.args) args.push_back(Expand(arg, names));
  const std::string reason =
      "kalvire-cli: " + Expand(edit.refused, names) + ": " + Expand(edit.reason, names);

  // Once with no output file, once over one that must keep its bytes.
  CliRun run = RunCommand(args);
  EXPECT_EQ(run.exit_code, kExitFailure) << run.err;
  EXPECT_THAT(run.err, HasSubstr(reason));
  EXPECT_THAT(run.err, HasSubstr("kalvire-cli: no edit was applied and nothing was written\n"));
  EXPECT_EQ(run.out, "") << "no edit may be applied";
  EXPECT_FALSE(fs::exists(out));

  const std::vector<uint8_t> precious = test::RandomBytes(4096, 21);
  std::string error;
  ASSERT_TRUE(util::WriteWholeFileAtomic(out, precious, error)) << error;
  run = RunCommand(args);
  EXPECT_EQ(run.exit_code, kExitFailure) << run.err;
  EXPECT_THAT(run.err, HasSubstr(reason));
  EXPECT_EQ(test::ReadFileOrFail(out), precious);
  EXPECT_THAT(dir.Files(), ElementsAre("out.rom")) << "no temporary file is left behind";
}

INSTANTIATE_TEST_SUITE_P(EveryKind, EditRefusal, testing::ValuesIn(kRefusedEdits),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kalvire::cli::clitest
