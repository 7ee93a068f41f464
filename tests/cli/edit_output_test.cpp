// edit writes exactly the files named, says which, and takes from a .log only what the nodes
// take.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "cli/node_number.h"
#include "support/cli_run.h"
#include "support/test_data.h"
#include "tools/sample_image.h"

namespace kalvire::cli {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using ::testing::HasSubstr;
using ::testing::Not;

std::vector<std::string> Listing(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& entry : fs::recursive_directory_iterator(dir))
    names.push_back(fs::relative(entry.path(), dir).string());
  std::sort(names.begin(), names.end());
  return names;
}

json Nodes(const std::string& rom) {
  const test::CliResult run = test::RunCli({"tree", "--json", rom});
  EXPECT_EQ(run.code, kExitSuccess) << run.err;
  return json::parse(run.out, nullptr, false).value("nodes", json::array());
}

TEST(CliEditOutput, WritesExactlyThePathNamedAndNamesIt) {
  const struct {
    const char* name;
    std::string target;
    bool written;  // else refused with `reason`, nothing written
    const char* reason;
  } cases[] = {
      {"a name without extension", "board", true, nullptr},
      {"a name beside NAME.rom", "old", true, nullptr},
      {"an existing folder", "folder", false, "names a folder"},
      {"a folder with its slash", "folder/", false, "names a folder"},
      {"a new folder's slash", "new/", false, "names a folder"},
      {"a folder that does not exist", "missing/out.rom", false,
       "missing/out.rom: No such file or directory"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const test::TempDir dir;
    const std::string rom = dir.Write("in.rom", tools::BuildSampleImage());
    const std::vector<uint8_t> old = {1, 2, 3};
    dir.Write("old.rom", old);
    fs::create_directory(dir.Path("folder"));
    const std::vector<std::string> before = Listing(dir.dir());
    const std::string target = dir.Path(c.target);
    const test::CliResult run = test::RunCli(
        {"edit", rom, "-o", target, "--hide", "b", "--log", dir.Path("edit.log"), "--yes"});
    EXPECT_EQ(test::ReadFileOrFail(dir.Path("old.rom")), old);
    if (c.written) {
      EXPECT_EQ(run.code, kExitSuccess) << run.err;
      EXPECT_THAT(run.err, HasSubstr("Successfully saved the .ROM file\nkalvire-cli: wrote " +
                                     target + "\n"));
      EXPECT_THAT(run.err, Not(HasSubstr("File already exists")));
      EXPECT_EQ(Nodes(target)[0xb]["visible"], 0);
      std::vector<std::string> expected = before;
      expected.insert(expected.end(), {c.target, "edit.log"});
      std::sort(expected.begin(), expected.end());
      EXPECT_EQ(Listing(dir.dir()), expected) << "no other file, no temporary one";
    } else {
      EXPECT_EQ(run.code, kExitFailure);
      EXPECT_THAT(run.err, HasSubstr(c.reason));
      EXPECT_EQ(Listing(dir.dir()), before) << "no image, no .log, no temporary file";
    }
  }
}

TEST(CliEditImport, ValuesANodeDoesNotTakeAreSkippedAndSaid) {
  const test::TempDir dir;
  const std::string rom = dir.Write("in.rom", tools::BuildSampleImage());
  const json nodes = Nodes(rom);
  const auto first = [&](int opcode) {
    for (const json& node : nodes)
      if (node["opcode"] == opcode) return node;
    ADD_FAILURE() << "no node of opcode " << opcode;
    return json();
  };
  const json numeric =
      json::parse(test::RunCli({"node", "--json", rom, FormatNodeNumber(first(7)["node"])}).out);
  const uint64_t above = numeric["maximum"].get<uint64_t>() + 1;
  const std::string access = "    Access Level is changed from default option :0 to option :";
  const std::string optimal = "    Optimal option is Changed from Default Option :0 to option :";
  const struct {
    int opcode;
    std::string line;
  } cases[] = {
      {5, access + "7"},       {5, access + "FFFFFFFF"}, {5, access + "-1"},
      {6, optimal + "255"},    {5, optimal + "77"},      {7, optimal + std::to_string(above)},
      {7, optimal + "twelve"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    const json node = first(c.opcode);
    const std::string header = "Node No: " + FormatNodeNumber(node["node"]) +
                               " String: " + node["text"].get<std::string>() + "\n";
    const std::string log =
        dir.Write("bad.log", std::vector<uint8_t>(header.begin(), header.end()));
    {
      std::ofstream append(log, std::ios::app);
      append << c.line << "\n";
    }
    const std::string out = dir.Path("out.rom");
    const test::CliResult run = test::RunCli({"edit", rom, "-o", out, "--import", log});
    EXPECT_EQ(run.code, kExitSuccess) << run.err;
    EXPECT_THAT(run.err, HasSubstr("    Import: line 2 skipped"));
    EXPECT_THAT(run.out, Not(HasSubstr("skipped")));
    const json saved = Nodes(out)[node["node"].get<size_t>()];
    EXPECT_EQ(saved["access"], node["access"]);
    EXPECT_EQ(saved["value"], node["value"]);
  }

  // Something that is no track log at all is an error, and nothing is written.
  fs::create_directory(dir.Path("logs"));
  dir.Write("empty.log", {});
  const std::string junk = "not a track log\n\x01\x02\n";
  dir.Write("junk.log", std::vector<uint8_t>(junk.begin(), junk.end()));
  const struct {
    const char* name;
    const char* reason;
  } unusable[] = {{"logs", ": Is a directory"},
                  {"gone.log", ": No such file or directory"},
                  {"empty.log", " is not a track log"},
                  {"junk.log", " is not a track log"}};
  for (const auto& c : unusable) {
    SCOPED_TRACE(c.name);
    const std::string out = dir.Path(std::string(c.name) + ".rom");
    const test::CliResult run =
        test::RunCli({"edit", rom, "-o", out, "--import", dir.Path(c.name)});
    EXPECT_EQ(run.code, kExitFailure);
    EXPECT_THAT(run.err, HasSubstr(dir.Path(c.name) + c.reason));
    EXPECT_FALSE(fs::exists(out));
  }
}

}  // namespace
}  // namespace kalvire::cli
