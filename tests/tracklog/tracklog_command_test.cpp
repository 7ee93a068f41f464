#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "cli/cli.h"
#include "rom/ffs_file.h"
#include "setup/ifr_layout.h"
#include "setup/node_edit.h"
#include "tracklog/history.h"
#include "tracklog_fixture.h"

namespace kalvire::tracklog::test {
namespace {

using ::testing::HasSubstr;

constexpr std::time_t kMonday = 1709553600;

struct CliRun {
  int code = 0;
  std::string out;
  std::string err;
};

CliRun RunCli(std::vector<const char*> args) {
  args.insert(args.begin(), "kalvire-cli");
  std::ostringstream out, err;
  CliRun run;
  run.code = cli::RunCli(int(args.size()), args.data(), out, err);
  run.out = out.str();
  run.err = err.str();
  return run;
}

void WriteImage(const std::vector<uint8_t>& bytes, const std::string& path) {
  std::ofstream file(path, std::ios::binary);
  file.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

std::string Hex(uint64_t value) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%llX", static_cast<unsigned long long>(value));
  return text;
}

TEST(TracklogCommand, ListsTheHistoryFilesOfTwoSaves) {
  auto image = OpenImage(DefaultHistoryImage());
  ASSERT_TRUE(image);
  rom::Editor& ed = image->editor();
  setup::ChangeNodeSetting(ed, setup::kChangeVisibility, 0, 0, image->FindNode(setup::kOpCheckbox));
  ASSERT_EQ(AppendHistory(ed, kMonday), 1);
  ed.dmi.current[0].strings[1] = "KALV0 2.00";
  ed.workspace.m_dmi_modified = true;
  ASSERT_EQ(AppendHistory(ed, kMonday), 1);
  const HistoryArea area = *FindHistoryArea(ed.workspace);
  const HistoryChain chain = ReadHistoryChain(ed.workspace, area);
  ASSERT_EQ(chain.files.size(), 2u);
  TempPath path("history.rom");
  WriteImage(ed.workspace.m_working_image, path.path);

  const CliRun text = RunCli({"tracklog", path.path.c_str()});
  EXPECT_EQ(text.code, cli::kExitSuccess) << text.err;
  EXPECT_THAT(text.out, HasSubstr("History file 1 at image offset " + Hex(chain.files[0].offset) +
                                  ", " + std::to_string(chain.files[0].size) + " bytes\n"));
  EXPECT_THAT(text.out, HasSubstr("History file 2 at image offset " + Hex(chain.files[1].offset)));
  EXPECT_THAT(text.out, HasSubstr("\n  BIOS Information (Type 0) Node: 0[1]\n"));
  EXPECT_THAT(text.out, HasSubstr("\n  =====" + FormatHistoryDate(kMonday) + "====\n"));

  const CliRun json = RunCli({"tracklog", "--json", path.path.c_str()});
  ASSERT_EQ(json.code, cli::kExitSuccess) << json.err;
  const auto parsed = nlohmann::json::parse(json.out);
  ASSERT_EQ(parsed["files"].size(), 2u);
  EXPECT_EQ(parsed["files"][1]["offset"], chain.files[1].offset);
  EXPECT_EQ(parsed["files"][1]["lines"].size(), 2u + 4u);
  EXPECT_EQ(parsed["files"][0]["lines"][0], "====KALVIRE=====");
  EXPECT_EQ(parsed["next"], rom::Align8(chain.files[1].offset + chain.files[1].size));
}

TEST(TracklogCommand, AnImageWithoutHistoryAndAMissingFile) {
  TempPath path("plain.rom");
  WriteImage(DefaultHistoryImage(), path.path);
  const CliRun plain = RunCli({"tracklog", path.path.c_str()});
  EXPECT_EQ(plain.code, cli::kExitSuccess);
  EXPECT_THAT(plain.out, HasSubstr("No history files.\n"));
  const CliRun missing = RunCli({"tracklog", "/nonexistent-folder/x.rom"});
  EXPECT_EQ(missing.code, cli::kExitFailure);
  EXPECT_FALSE(missing.err.empty());
}

}  // namespace
}  // namespace kalvire::tracklog::test
