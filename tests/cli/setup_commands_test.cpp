#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "cli/cli.h"
#include "cli/node_number.h"
#include "cli_run.h"

namespace kalvire::cli::clitest {
namespace {

TEST(NodeNumber, HexadecimalWithOrWithoutPrefix) {
  EXPECT_EQ(ParseNodeNumber("1a"), 26u);
  EXPECT_EQ(ParseNodeNumber("0x1A"), 26u);
  EXPECT_EQ(ParseNodeNumber("FFFFFFFF"), 0xFFFFFFFFu);
  for (const char* bad : {"", "0x", "1g", "-1", "100000000", " 1"}) {
    EXPECT_EQ(ParseNodeNumber(bad), std::nullopt) << bad;
  }
}

TEST(TreeCommand, JsonNodesFormOneTreeUnderBios) {
  const CliRun run = RunCommand({"tree", "--json", SampleImagePath()});
  ASSERT_EQ(run.exit_code, kExitSuccess) << run.err;
  const auto nodes = nlohmann::json::parse(run.out)["nodes"];
  ASSERT_GT(nodes.size(), 500u) << "the sample menu holds several hundred questions";
  int questions = 0;
  for (size_t i = 0; i < nodes.size(); ++i) {
    const auto& node = nodes[i];
    ASSERT_EQ(node["node"], i);
    if (node["parent"].is_null()) {
      EXPECT_EQ(node["depth"], 1) << "node " << i << " hangs directly under BIOS";
    } else {
      // A parent is a node whose depth is one less; forms may come after their REF.
      const auto& parent = nodes[node["parent"].get<size_t>()];
      EXPECT_EQ(parent["depth"].get<int>() + 1, node["depth"].get<int>()) << "node " << i;
    }
    const int opcode = node["opcode"];
    // One-of and numeric controls carry their value by width; check boxes read no width.
    if (opcode == 0x05 || opcode == 0x07) {
      ++questions;
      EXPECT_TRUE(node["width"] == 1 || node["width"] == 2 || node["width"] == 4 ||
                  node["width"] == 8)
          << "question node " << i << " reads a value of a real width";
    }
    EXPECT_LE(node["access"].get<int>(), 3);
  }
  EXPECT_GT(questions, 300);
}

TEST(NodeCommand, ShowsTheSelectedQuestionAsTheEditorDoes) {
  const CliRun tree = RunCommand({"tree", "--json", SampleImagePath()});
  const auto nodes = nlohmann::json::parse(tree.out)["nodes"];
  size_t one_of = 0;
  while (one_of < nodes.size() && nodes[one_of]["opcode"] != 0x05) ++one_of;
  ASSERT_LT(one_of, nodes.size());

  char hex[16];
  std::snprintf(hex, sizeof hex, "%zx", one_of);
  const CliRun run = RunCommand({"node", SampleImagePath(), hex});
  ASSERT_EQ(run.exit_code, kExitSuccess) << run.err;
  EXPECT_NE(run.out.find("Show: checked"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("Access level:\n"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("Optimal option:\n  * "), std::string::npos)
      << "a one-of question lists its options with the default selected:\n"
      << run.out;
}

TEST(NodeCommand, RefusesBadAndMissingNodeNumbers) {
  EXPECT_EQ(RunCommand({"node", SampleImagePath(), "zz"}).exit_code, kExitUsage);
  const CliRun missing = RunCommand({"node", SampleImagePath(), "ffff"});
  EXPECT_EQ(missing.exit_code, kExitFailure);
  EXPECT_NE(missing.err.find("does not exist"), std::string::npos);
}

}  // namespace
}  // namespace kalvire::cli::clitest
