// kalvire-cli run in-process: exit codes and messages, edits saved and opened again, the codec
// commands, and info compared with UEFIExtract.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>

#include "cli/node_number.h"
#include "editor/headless_view.h"
#include "editor/open_image.h"
#include "support/cli_run.h"
#include "support/test_data.h"
#include "support/uefiextract_report.h"
#include "tools/flash_descriptor.h"
#include "tools/sample_image.h"
#include "util/le.h"

namespace kalvire::cli {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using ::testing::HasSubstr;
using ::testing::Not;

using Outcome = test::CliResult;
constexpr auto Cli = &test::RunCli;

const test::TempDir& Shared() {
  static const test::TempDir dir;
  return dir;
}

const std::string& Sample() {
  static const std::string path = Shared().Write("sample.rom", tools::BuildSampleImage());
  return path;
}

json TreeNodes(const std::string& rom) {
  const Outcome run = Cli({"tree", "--json", rom});
  EXPECT_EQ(run.code, kExitSuccess) << run.err;
  return json::parse(run.out, nullptr, false).value("nodes", json::array());
}

// The first sample node of `opcode`, as the command line numbers it.
std::string SampleNode(int opcode) {
  static const json nodes = TreeNodes(Sample());
  for (const auto& node : nodes)
    if (node["opcode"] == opcode) return FormatNodeNumber(node["node"]);
  ADD_FAILURE() << "the sample has no node of opcode " << opcode;
  return {};
}

std::string Expand(std::string text, const std::map<std::string, std::string>& names) {
  for (const auto& [name, value] : names)
    for (size_t at = text.find(name); at != std::string::npos; at = text.find(name))
      text.replace(at, name.size(), value);
  return text;
}

TEST(Cli, ExitCodesAndMessages) {
  const std::string empty = Shared().Write("empty.rom", std::vector<uint8_t>(4096, 0xFF));
  const std::string garbage = Shared().Write("garbage", test::RandomBytes(300, 12));
  const std::map<std::string, std::string> names{{"{sample}", Sample()},
                                                 {"{empty}", empty},
                                                 {"{garbage}", garbage},
                                                 {"{dir}", Shared().Path("")}};
  const struct {
    std::vector<std::string> args;
    int code;
    std::string out, err;  // substrings of what each stream shows
  } cases[] = {
      {{}, 2, "", "Run 'kalvire-cli --help' for the commands.\n"},
      {{"frobnicate"}, 2, "", "kalvire-cli: "},
      {{"compress", "--format", "zip", "a", "b"}, 2, "", "zip"},
      {{"compress", "a"}, 2, "", "kalvire-cli: "},
      {{"compress", "--format", "lzma", "{dir}absent", "{dir}x"}, 1, "", ""},
      {{"decompress", "--format", "tiano", "{garbage}", "{dir}x"}, 1, "", "Error: decompression"},
      {{"decompress", "--format", "efi", "{garbage}", "{dir}x"}, 1, "", "Error: decompression"},
      {{"decompress", "--format", "lzma", "{garbage}", "{dir}x"}, 1, "", "Error: decompression"},
      {{"dmi"}, 2, "", "kalvire-cli: "},
      {{"dmi", "/nonexistent/none.rom"}, 1, "", "Error: Unable to Open .ROM File"},
      {{"dmi", "{sample}"},
       0,
       "Structure 0: type 0, BIOS Information (Type 0), length 26\n  formatted: 00 1a 00 00 01 02",
       ""},
      {{"dmi", "{sample}"}, 0, "  string 1: KALV0 1.12\n", ""},
      {{"dmi", "{sample}"}, 0, "Structure 6: type 127, length 4\n  formatted: 7f 04 06 00\n", ""},
      {{"info", "{empty}"}, 1, "", "Error: Invalid Image type\nError: DMI Module Does not Exist\n"},
      {{"info", "{sample}"}, 0, "Volume 0: offset 0x100000", ""},
      {{"info", "{sample}"}, 0, "compression version 2", ""},
      {{"node", "{sample}", "zz"},
       2,
       "",
       "Error: node numbers are hexadecimal, as the track log prints them: zz\n"},
      {{"node", "{sample}", "ffff"}, 1, "", "Error: node ffff does not exist; the setup menu has "},
      {{"node", "{sample}", "5"}, 0, "Node 5: Project Version\nHide: unchecked\nShow: checked", ""},
      {{"node", "{sample}", "0"},
       0,
       "Node 0: Main\nHide: unchecked, disabled, hidden\nShow: checked, disabled, hidden\n",
       ""},
      {{"tracklog", "{sample}"}, 0, "No history files.\n", ""},
      {{"tracklog", "/nonexistent-folder/x.rom"}, 1, "", "kalvire-cli: "},
      {{"edit", "{sample}", "--hide", "5"},
       2,
       "",
       "kalvire-cli: edit needs -o OUT, or --in-place to write ROM itself\n"},
      {{"edit", "{sample}", "-o", "{dir}x", "--hide", "zz"},
       2,
       "",
       "kalvire-cli: --hide zz: not a valid edit\n"},
      {{"edit", "{sample}", "-o", "{dir}x", "--access", "5=Nobody"}, 2, "", "not a valid edit"},
      {{"edit", "{sample}", "-o", "{dir}x", "--dmi", "0=X"}, 2, "", "not a valid edit"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args;
    for (const std::string& arg : c.args) args.push_back(Expand(arg, names));
    SCOPED_TRACE(testing::PrintToString(args));
    const Outcome run = Cli(args);
    EXPECT_EQ(run.code, c.code) << run.err;
    EXPECT_THAT(run.out, HasSubstr(c.out));
    EXPECT_THAT(run.err, HasSubstr(c.err));
    if (c.code != 0) {
      EXPECT_FALSE(fs::exists(Shared().Path("x")));
    }
  }
}

TEST(Cli, NodeNumbersAreHexadecimalWithOrWithoutPrefix) {
  EXPECT_EQ(ParseNodeNumber("1a"), 26u);
  EXPECT_EQ(ParseNodeNumber("0x1A"), 26u);
  EXPECT_EQ(ParseNodeNumber("FFFFFFFF"), 0xFFFFFFFFu);
  for (const char* bad : {"", "0x", "1g", "-1", "100000000", " 1"})
    EXPECT_EQ(ParseNodeNumber(bad), std::nullopt) << bad;
}

TEST(Cli, CodecCommandsRoundTripEveryFormatAndKeepTheStreamsExact) {
  const test::TempDir dir;
  const auto original = test::MixedCorpus(40000, 11);
  const std::string in = dir.Write("module.bin", original);
  for (const std::string format : {"tiano", "efi", "lzma"}) {
    SCOPED_TRACE(format);
    ASSERT_EQ(Cli({"compress", "--format", format, in, dir.Path("packed")}).code, kExitSuccess);
    ASSERT_EQ(
        Cli({"decompress", "--format", format, dir.Path("packed"), dir.Path("unpacked")}).code, 0);
    EXPECT_EQ(test::ReadFileOrFail(dir.Path("unpacked")), original);
  }
  // "abc" as the EFI and the Tiano compressor store it.
  const std::string abc = dir.Write("abc", {'a', 'b', 'c'});
  ASSERT_EQ(Cli({"compress", "--format", "efi", abc, dir.Path("abc.efi")}).code, 0);
  ASSERT_EQ(Cli({"compress", "--format", "tiano", abc, dir.Path("abc.tiano")}).code, 0);
  std::vector<uint8_t> stream{0x0B, 0,    0,    0,    3,    0,    0,    0,    0x00, 0x03,
                              0x28, 0x08, 0x44, 0xC9, 0x13, 0x58, 0x02, 0x60, 0x00};
  EXPECT_EQ(test::ReadFileOrFail(dir.Path("abc.efi")), stream);
  stream[16] = 0x00;
  stream[17] = 0x98;
  EXPECT_EQ(test::ReadFileOrFail(dir.Path("abc.tiano")), stream);
  // A failed decode leaves an existing output as it was.
  const std::string precious = dir.Write("precious", {1, 2, 3});
  const std::string garbage = dir.Write("garbage", test::RandomBytes(100, 13));
  EXPECT_EQ(Cli({"decompress", "--format", "efi", garbage, precious}).code, kExitFailure);
  EXPECT_EQ(test::ReadFileOrFail(precious), (std::vector<uint8_t>{1, 2, 3}));
}

TEST(Cli, TreeAndInfoJsonDescribeTheSample) {
  const json nodes = TreeNodes(Sample());
  ASSERT_GT(nodes.size(), 500u);
  int questions = 0;
  for (size_t i = 0; i < nodes.size(); ++i) {
    const auto& node = nodes[i];
    ASSERT_EQ(node["node"], i);
    // A parent is a node whose depth is one less; forms may come after their REF.
    const int parent_depth =
        node["parent"].is_null() ? 0 : nodes[node["parent"].get<size_t>()]["depth"].get<int>();
    EXPECT_EQ(parent_depth + 1, node["depth"].get<int>()) << i;
    if (node["opcode"] == 0x05 || node["opcode"] == 0x07) {
      ++questions;
      EXPECT_THAT((std::vector<int>{1, 2, 4, 8}), testing::Contains(node["width"].get<int>())) << i;
    }
    EXPECT_LE(node["access"].get<int>(), 3);
  }
  EXPECT_GT(questions, 300);

  const Outcome run = Cli({"info", "--json", Sample()});
  ASSERT_EQ(run.code, kExitSuccess) << run.err;
  const json info = json::parse(run.out);
  // The files of each volume are compared with UEFIExtract's below.
  const auto& volumes = info["volumes"];
  EXPECT_EQ(volumes[0]["offset"], tools::kSampleMainVolumeOffset);
  EXPECT_TRUE(volumes.back()["nested"].get<bool>() && volumes.back()["offset"].is_null());
  const auto& modules = info["modules"];
  EXPECT_EQ(modules["dmi"]["compression_version"], 2) << "the sample's DMI module is Tiano";
  EXPECT_EQ(modules["amitse"]["compression_version"], 1) << "the sample's SPF module is EFI";
  EXPECT_GT(modules["setup"]["data_size"].get<uint32_t>(), 0u);
  EXPECT_EQ(modules["setup"]["package_list_guid_flag"], 0);
  EXPECT_GT(modules["setup"]["string_count"].get<int>(), 100);
  EXPECT_EQ(modules["nvram_store"]["size"], 0x10000);

  const Outcome dmi = Cli({"dmi", "--json", Sample()});
  const json structures = json::parse(dmi.out).at("structures");
  const auto expected = tools::BuildSampleSmbios();
  ASSERT_EQ(structures.size(), expected.size() + 1);  // and the end-of-table structure
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(structures[i].at("type"), expected[i].type);
    EXPECT_EQ(structures[i].at("length"), expected[i].fields.size() + 4);
    EXPECT_EQ(structures[i].at("strings").get<std::vector<std::string>>(), expected[i].strings);
  }
  EXPECT_EQ(structures[0].at("name"), "BIOS Information (Type 0)");
  EXPECT_EQ(structures[0].at("formatted").get<std::string>().substr(0, 8), "001a0000");
  EXPECT_EQ(structures[4].at("name"), "");
}

// The diff of two `tree --json` listings: the nodes whose row changed, with the old and new row.
std::map<std::string, std::pair<json, json>> Changed(const json& before, const json& after) {
  std::map<std::string, std::pair<json, json>> changed;
  EXPECT_EQ(before.size(), after.size());
  for (size_t i = 0; i < before.size() && i < after.size(); ++i)
    if (before[i] != after[i]) changed[FormatNodeNumber(uint32_t(i))] = {before[i], after[i]};
  return changed;
}

TEST(CliEdit, DefaultChangesExactlyTheDefaultOfEachQuestionKind) {
  const test::TempDir dir;
  const json before = TreeNodes(Sample());
  const std::string checkbox = SampleNode(0x06), numeric = SampleNode(0x07);
  const auto value = [&](const std::string& node) {
    return before[*ParseNodeNumber(node)]["value"].get<uint64_t>();
  };
  // A one-of with another option than its default, by that option's name (in any case).
  std::string one_of, option;
  for (const auto& row : before) {
    if (row["opcode"] != 0x05 || !option.empty()) continue;
    std::istringstream lines(Cli({"node", Sample(), FormatNodeNumber(row["node"])}).out);
    for (std::string line; std::getline(lines, line);)
      if (line.rfind("Optimal option:", 0) == 0) break;
    for (std::string line; std::getline(lines, line) && line.rfind("  ", 0) == 0;)
      if (line.rfind("    ", 0) == 0 && option.empty()) option = line.substr(4);
    one_of = FormatNodeNumber(row["node"]);  // the last one looked at
  }
  ASSERT_FALSE(option.empty()) << "the one-of has no second option";
  for (char& c : option) c = char(std::tolower(static_cast<unsigned char>(c)));
  const uint64_t numeric_value = value(numeric) + 1;
  const Outcome edit =
      Cli({"edit", Sample(), "-o", dir.Path("out.rom"), "--default", one_of + "=" + option,
           "--default", checkbox + "=" + (value(checkbox) ? "Disabled" : "enabled"), "--default",
           numeric + "=" + std::to_string(numeric_value)});
  ASSERT_EQ(edit.code, kExitSuccess) << edit.err;
  EXPECT_THAT(edit.out, HasSubstr("Optimal option is Changed"));
  const auto changed = Changed(before, TreeNodes(dir.Path("out.rom")));
  ASSERT_EQ(changed.size(), 3u) << testing::PrintToString(changed);
  for (const auto& [node, rows] : changed) {
    json old_row = rows.first;
    old_row["value"] = rows.second["value"];
    EXPECT_EQ(old_row, rows.second) << "node " << node << ": only the default changes";
  }
  EXPECT_NE(changed.at(one_of).second["value"], value(one_of));
  EXPECT_EQ(changed.at(checkbox).second["value"], value(checkbox) ? 0 : 1);
  EXPECT_EQ(changed.at(numeric).second["value"], numeric_value);
  std::string selected = Cli({"node", dir.Path("out.rom"), one_of}).out;
  for (char& c : selected) c = char(std::tolower(static_cast<unsigned char>(c)));
  EXPECT_THAT(selected, HasSubstr("optimal option:\n  * " + option + "\n"));
}

TEST(CliEdit, SavesWithAHistoryFileAndAnotherEditInPlaceChainsASecond) {
  const test::TempDir dir;
  const std::string out = dir.Path("out.rom");
  const Outcome edit = Cli({"edit", Sample(), "-o", out, "--hide", "5"});
  EXPECT_EQ(edit.code, kExitSuccess) << edit.err;
  EXPECT_EQ(edit.err, "Successfully saved the .ROM file\nkalvire-cli: wrote " + out + "\n");
  // The edit's feedback line, then the track log of the save's history file.
  EXPECT_EQ(edit.out,
            "    Visibility changed\nNode No: 5 String: Project Version\n    Visibility changed to "
            "Hide\n");
  EXPECT_THAT(Cli({"node", out, "5"}).out, HasSubstr("Hide: checked"));
  const auto changed = Changed(TreeNodes(Sample()), TreeNodes(out));
  ASSERT_EQ(changed.size(), 1u);
  EXPECT_EQ(changed.begin()->first, "5");

  const Outcome dmi = Cli({"edit", out, "--in-place", "--dmi", "0:1=KALV0 2.00"});
  ASSERT_EQ(dmi.code, kExitSuccess) << dmi.err;
  EXPECT_THAT(Cli({"dmi", out}).out, HasSubstr("  string 1: KALV0 2.00\n"));
  const Outcome history = Cli({"tracklog", "--json", out});
  ASSERT_EQ(history.code, kExitSuccess) << history.err;
  const json chain = json::parse(history.out);
  EXPECT_EQ(chain["marker"], "CEF5B9A3-476D-497F-9FDC-E98143E0422C");  // the NVRAM store
  EXPECT_EQ(chain["history_area"], true);
  EXPECT_GE(chain["area_end"].get<uint64_t>() - chain["area_start"].get<uint64_t>(), 1u << 20);
  ASSERT_EQ(chain["files"].size(), 2u) << history.out;
  const auto& first = chain["files"][0];
  EXPECT_EQ(first["offset"], chain["area_start"]);
  EXPECT_TRUE(first["history_name"].get<bool>());
  EXPECT_EQ(first["lines"][0], "====KALVIRE=====");
  EXPECT_EQ(first["lines"][2], "Node No: 5 String: Project Version");
  EXPECT_EQ(first["lines"][3], "    Visibility changed to Hide");
  const auto& second = chain["files"][1];
  EXPECT_EQ(second["lines"].size(), 2u + 2u);  // the header lines, the DMI change
  EXPECT_EQ(chain["next"],
            (second["offset"].get<uint64_t>() + second["size"].get<uint64_t>() + 7) / 8 * 8);
  std::ostringstream where;
  where << "History file 1 at image offset 0x" << std::uppercase << std::hex
        << first["offset"].get<uint64_t>() << ", " << std::dec << first["size"].get<uint64_t>()
        << " bytes\n  ====KALVIRE=====\n  =====";
  const Outcome text = Cli({"tracklog", out});
  EXPECT_THAT(text.out, HasSubstr(where.str()));
  EXPECT_THAT(text.out, HasSubstr("\n  BIOS Information (Type 0) Node: 0[1]\n"));
}

TEST(CliEdit, AnOutputThatNamesTheInputNeedsInPlace) {
  const test::TempDir dir;
  const std::string input = dir.Path("input.rom");
  fs::copy_file(Sample(), input);
  const std::vector<uint8_t> original = test::ReadFileOrFail(input);
  fs::create_directories(dir.Path("sub"));
  fs::create_symlink(input, dir.Path("link.rom"));
  fs::create_hard_link(input, dir.Path("hard.rom"));
  for (const std::string& out :
       {input, dir.Path("sub/../input.rom"), dir.Path("link.rom"), dir.Path("hard.rom")}) {
    SCOPED_TRACE(out);
    const Outcome refused = Cli({"edit", input, "-o", out, "--hide", "5"});
    EXPECT_EQ(refused.code, kExitFailure);
    EXPECT_EQ(refused.err,
              "kalvire-cli: -o " + out + " names the input image; give --in-place to replace it\n");
    const Outcome log = Cli({"edit", input, "-o", dir.Path("new.rom"), "--log", out});
    EXPECT_EQ(log.code, kExitFailure);
    EXPECT_EQ(log.err, "kalvire-cli: --log " + out + " names the image\n");
    EXPECT_FALSE(fs::exists(dir.Path("new.rom")));
    EXPECT_EQ(test::ReadFileOrFail(input), original);
  }
  // Whatever names it, the input itself is what --in-place replaces.
  const Outcome in_place =
      Cli({"edit", input, "-o", dir.Path("link.rom"), "--in-place", "--hide", "5"});
  EXPECT_EQ(in_place.code, kExitSuccess) << in_place.err;
  EXPECT_TRUE(fs::is_symlink(dir.Path("link.rom")));
  EXPECT_THAT(Cli({"node", input, "5"}).out, HasSubstr("Hide: checked"));
}

TEST(CliEdit, RefusesEveryEditTheImageCannotTakeAndWritesNothing) {
  const test::TempDir dir;
  const std::map<std::string, std::string> names{
      {"{form}", SampleNode(0x01)},    {"{subtitle}", SampleNode(0x02)},
      {"{oneof}", SampleNode(0x05)},   {"{checkbox}", SampleNode(0x06)},
      {"{numeric}", SampleNode(0x07)}, {"{absent}", dir.Path("absent.log")}};
  const std::string x65(65, 'x'), x101(101, 'x');
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"--hide", "ffff"}, "--hide ffff: node ffff is not in the node table ("},
      {{"--hide", "{form}"},
       "--hide {form}: node {form} is a form, which has no visibility or access level of its own"},
      {{"--access", "{form}=User"},
       "--access {form}=User: node {form} is a form, which has no visibility"},
      {{"--default", "{form}=0"},
       "--default {form}=0: node {form} is a form, which has no optimal default"},
      {{"--default", "{subtitle}=0"},
       "--default {subtitle}=0: node {subtitle} is not a one-of, check box or numeric question: it "
       "has no optimal default"},
      {{"--default", "{oneof}=7777"},
       "--default {oneof}=7777: node {oneof} has no option of value or name \"7777\" (options: "
       "English=0)"},
      {{"--default", "{oneof}=No Such"},
       "node {oneof} has no option of value or name \"No Such\" (options: "},
      {{"--default", "{checkbox}=2"},
       "--default {checkbox}=2: node {checkbox} is a check box: its default is 0 (Disabled) or 1 "
       "(Enabled)"},
      {{"--default", "{numeric}=4000000000"},
       "--default {numeric}=4000000000: node {numeric} is a numeric question: its default is a "
       "number from "},
      {{"--delete-option", "{checkbox}=Enabled"},
       "node {checkbox} is not a one-of question: only the options of one can be deleted"},
      {{"--delete-option", "{oneof}=No Such"},
       "node {oneof} has no option \"No Such\" to delete (options: "},
      {{"--delete-option", "{oneof}=ENGLISH", "--delete-option", "{oneof}=English"},
       "--delete-option {oneof}=English: node {oneof} has no option \"English\" to delete "
       "(options: )"},
      {{"--string", "{oneof}=" + x101},
       ": the text has 101 characters; a setup string takes at most 100"},
      {{"--dmi", "fff:0=X"}, "--dmi fff:0=X: DMI structure fff is not in the DMI tree ("},
      {{"--dmi", "0:ff=X"}, "--dmi 0:ff=X: DMI structure 0 has no string ff in its dialog ("},
      {{"--dmi", "0:0=" + x65}, ": the text has 65 characters; a DMI string takes at most 64"},
      {{"--dmi", "0:0=\xE2\x82\xAC"}, ": the text holds characters that are not Latin-1"},
      {{"--import", "{absent}"},
       "--import {absent}: cannot read the track log: cannot open {absent}: No such file or "
       "directory"},
      {{"--hide", "{oneof}", "--dmi", "0:0=Vendor", "--show", "ffff"},
       "--show ffff: node ffff is not"},
  };
  const std::string out = dir.Path("out.rom");
  const std::vector<uint8_t> precious = test::RandomBytes(4096, 21);
  for (const auto& [edits, reason] : cases) {
    std::vector<std::string> args = {"edit", Sample(), "-o", out};
    for (const std::string& arg : edits) args.push_back(Expand(arg, names));
    SCOPED_TRACE(testing::PrintToString(args));
    for (const bool existing : {false, true}) {
      if (existing) dir.Write("out.rom", precious);
      const Outcome run = Cli(args);
      EXPECT_EQ(run.code, kExitFailure);
      EXPECT_THAT(run.err, HasSubstr(Expand(reason, names)));
      EXPECT_THAT(run.err, HasSubstr("kalvire-cli: no edit was applied and nothing was written\n"));
      EXPECT_EQ(run.out, "") << "no edit may be applied";
      EXPECT_EQ(fs::exists(out), existing);
    }
    EXPECT_EQ(test::ReadFileOrFail(out), precious);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.dir()), fs::directory_iterator()), 1)
        << "no temporary file is left behind";
    fs::remove(out);
  }
}

TEST(CliEdit, ImportQuestionsAreAnsweredAsTheFlagsSay) {
  const test::TempDir dir;
  const std::string text = "Node No: 5 String: Another Text\n    Visibility changed to Hide\n";
  const std::string log = dir.Write("mismatch.log", std::vector<uint8_t>(text.begin(), text.end()));
  const std::string question =
      "String ID of current ROM \"Project Version\" does not match with imported String ID "
      "\"Another Text\".This may result in undefined behaviour. Do you still want to apply "
      "changes?\n";
  const std::string hint = "kalvire-cli: questions were answered No; give --yes to answer Yes\n";
  const std::string saved =
      "Successfully saved the .ROM file\nkalvire-cli: wrote " + dir.Path("out.rom") + "\n";
  const struct {
    std::vector<std::string> flags;
    std::string err;
    bool hidden;
  } cases[] = {{{}, "kalvire-cli: answered No: " + question + saved + hint, false},
               {{"--no"}, "kalvire-cli: answered No: " + question + saved, false},
               {{"--yes"}, "kalvire-cli: answered Yes: " + question + saved, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.flags));
    std::vector<std::string> args = {"edit", Sample(), "-o", dir.Path("out.rom"), "--import", log};
    args.insert(args.end(), c.flags.begin(), c.flags.end());
    const Outcome run = Cli(args);
    ASSERT_EQ(run.code, kExitSuccess) << run.err;
    EXPECT_EQ(run.err, c.err);
    EXPECT_THAT(Cli({"node", dir.Path("out.rom"), "5"}).out,
                HasSubstr(c.hidden ? "Hide: checked" : "Hide: unchecked"));
  }
}

// The vendor images' NVRAM store fills its volume: the edit is saved with a warning that there
// was no room for the history file, and tracklog says there is no history area.
TEST(CliEdit, VendorImagesSaveTheEditWithoutRoomForHistory) {
  const auto shared = test::SharedImagesDir();
  if (!shared) GTEST_SKIP() << "the shared images folder beside the repository is absent";
  for (const char* image : {"h61-bios-region.bin", "p7xxdm-full-flash.rom"}) {
    SCOPED_TRACE(image);
    const test::TempDir dir;
    const std::string in = (*shared / image).string(), out = dir.Path("out.rom");
    std::string node;
    for (const auto& row : TreeNodes(in)) {
      const int op = row["opcode"];
      if ((op == 0x05 || op == 0x06 || op == 0x07) && row["visible"] == 1 && node.empty())
        node = FormatNodeNumber(row["node"]);
    }
    ASSERT_FALSE(node.empty()) << "no visible question";
    const Outcome edit = Cli({"edit", in, "-o", out, "--hide", node});
    EXPECT_EQ(edit.code, kExitSuccess) << edit.err;
    EXPECT_EQ(edit.err,
              "kalvire-cli: warning: Error: Unable to log history. space left is too small!!!\n"
              "Successfully saved the .ROM file\nkalvire-cli: wrote " +
                  out + "\n");
    EXPECT_THAT(Cli({"node", out, node}).out, HasSubstr("Hide: checked"));
    EXPECT_THAT(
        Cli({"tracklog", out}).out,
        testing::StartsWith("No history area: behind file "
                            "CEF5B9A3-476D-497F-9FDC-E98143E0422C there is no room before "));
    const json history = json::parse(Cli({"tracklog", "--json", out}).out);
    EXPECT_EQ(history["history_area"], false);
    EXPECT_TRUE(history["area_start"].is_null() && history["area_end"].is_null());
    EXPECT_TRUE(history["files"].empty());
  }
}

// Opcode, question id, VarStore id and offset, value width of each question opcode by offset,
// walked here from every forms package header followed by a FORM_SET in the Setup module data.
std::map<uint64_t, json> WalkQuestions(const std::string& rom) {
  editor::HeadlessEditor session;
  EXPECT_EQ(editor::OpenRomImagePath(*session.editor, rom), 1);
  const std::span<const uint8_t> d = session.editor->workspace.m_setup_module.Data();
  std::map<uint64_t, json> questions;
  for (size_t p = 0; p + 6 <= d.size(); ++p) {
    if (d[p + 3] != 2 || d[p + 4] != 0x0E || d[p + 5] < 0x80) continue;
    const size_t end = std::min<size_t>(d.size(), p + util::LoadLe24(&d[p]));
    for (size_t at = p + 4, op = 0; at + 14 <= end && (op = d[at + 1] & 0x7F) != 0; at += op) {
      const int code = d[at], width = code == 6                ? 1
                                      : code == 5 || code == 7 ? 1 << (d[at + 13] & 3)
                                                               : 0;
      if (std::string_view("\x05\x06\x07\x08\x0C\x0F\x1A\x1B\x1C\x23").find(char(code)) !=
          std::string_view::npos)
        questions[at] = {code, util::LoadLe16(&d[at + 6]), util::LoadLe16(&d[at + 8]),
                         util::LoadLe16(&d[at + 10]), width};
    }
  }
  return questions;
}

TEST(CliNode, QuestionHeadersOfVendorImagesMatchAnOwnWalkOfTheForms) {
  const auto shared = test::SharedImagesDir();
  if (!shared) GTEST_SKIP() << "the shared images folder beside the repository is absent";
  for (const char* image : {"h61-bios-region.bin", "p7xxdm-full-flash.rom"}) {
    SCOPED_TRACE(image);
    const std::string rom = (*shared / image).string();
    const auto walked = WalkQuestions(rom);
    int questions = 0, numerics = 0;
    for (const json& row : TreeNodes(rom)) {
      const auto found = walked.find(row["offset"].get<uint64_t>());
      const bool question = found != walked.end();
      EXPECT_EQ(
          json({row["opcode"], row["question_id"], row["varstore_id"], row["varstore_offset"]}),
          question ? json(found->second.begin(), found->second.end() - 1)
                   : json({row["opcode"], nullptr, nullptr, nullptr}));
      // node --json of every 50th question and of the first NUMERIC.
      if (!question || (questions++ % 50 != 0 && (row["opcode"] != 7 || numerics++))) continue;
      const json info =
          json::parse(Cli({"node", rom, FormatNodeNumber(row["node"]), "--json"}).out);
      EXPECT_EQ(json({info["opcode"], info["question_id"], info["varstore_id"],
                      info["varstore_offset"], info["width"]}),
                found->second)
          << row["node"];
    }
    EXPECT_TRUE(numerics > 0 && questions > 500) << questions;
  }
}

// The deepest question of the sample sits in forms that a tree shows folded.
TEST(CliTree, FindListsADeepNodeByPromptAndQuestionId) {
  const json nodes = TreeNodes(Sample());
  const json* deep = &nodes[0];
  for (const json& row : nodes)
    if (row["question_id"].is_number() && row["question_id"] > 0 && row["depth"] > (*deep)["depth"])
      deep = &row;
  ASSERT_GT((*deep)["depth"].get<int>(), 2);
  std::string path;
  for (const json* up = deep; !(*up)["parent"].is_null();)
    if ((*(up = &nodes[(*up)["parent"].get<size_t>()]))["opcode"] == 1)
      path = (*up)["text"].get<std::string>() + (path.empty() ? "" : " > ") + path;
  const std::string text = (*deep)["text"];
  for (const std::string& find : {text, "0x" + FormatNodeNumber((*deep)["question_id"])}) {
    const Outcome run = Cli({"tree", Sample(), "--find", find});
    EXPECT_EQ(run.code, kExitSuccess) << run.err;
    EXPECT_THAT("\n" + run.out, HasSubstr("\n" + FormatNodeNumber((*deep)["node"]) + "  " + text +
                                          "  (" + path + ")\n"));
  }
  const Outcome none = Cli({"tree", Sample(), "--find", "No Such Prompt"});
  EXPECT_EQ(std::tie(none.code, none.out, none.err),
            std::tuple(kExitFailure, "", "No node matches No Such Prompt\n"));
}

TEST(CliInfo, ListsTheSameFilesPerVolumeAsUefiExtract) {
  if (!test::HaveUefiExtract())
    GTEST_SKIP() << "UEFIExtract (Debian uefitool-cli) is not installed";
  const auto shared = test::SharedImagesDir().value_or("/nonexistent");
  const std::string full_flash = Shared().Write(
      "full-flash.rom", tools::BuildFullFlashImage(tools::BuildSampleImage(), 0x200000));
  const struct {
    fs::path image;
    bool editable;
  } cases[] = {{"/usr/share/ovmf/OVMF.fd", false},
               {"/usr/share/AAVMF/AAVMF_CODE.fd", false},
               {"/usr/share/qemu-efi-aarch64/QEMU_EFI.fd", false},
               {Sample(), true},
               {full_flash, true},
               {shared / "h61-bios-region.bin", true},
               {shared / "p7xxdm-full-flash.rom", true}};
  int compared = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.image);
    if (!fs::exists(c.image)) continue;
    ++compared;
    const test::TempDir dir;
    const auto expected = test::UefiExtractFileLists(c.image, dir.Path(""));
    ASSERT_TRUE(expected.has_value()) << "UEFIExtract wrote no report";
    const Outcome run = Cli({"info", "--json", c.image.string()});
    ASSERT_EQ(run.code, kExitSuccess) << run.err;
    const json info = json::parse(run.out);
    test::FileLists listed;
    for (const auto& volume : info["volumes"]) {
      listed.emplace_back();
      for (const auto& file : volume["files"])
        if (file["type"] != 0xF0) listed.back().push_back(file["guid"]);  // no pad files
    }
    EXPECT_EQ(test::NormalizedFileLists(listed), *expected);
    EXPECT_EQ(info["editable"], c.editable);
    EXPECT_EQ(info["missing"], c.editable
                                   ? json::array()
                                   : json::array({"DMI", "Setup", "AmiTse SPF", "NVRAM store"}));
    if (c.editable) continue;
    const Outcome text = Cli({"info", c.image.string()});
    EXPECT_EQ(text.err, "Error: DMI Module Does not Exist\n");
    for (const char* line :
         {"  DMI         missing\n", "  Setup       missing\n", "  AmiTse SPF  missing\n",
          "  NVRAM store missing\n", "The editor cannot open this image.\n"})
      EXPECT_THAT(text.out, HasSubstr(line));
  }
  EXPECT_GE(compared, 1);
}

}  // namespace
}  // namespace kalvire::cli
