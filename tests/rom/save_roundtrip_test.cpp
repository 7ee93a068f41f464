// Edit, save, reopen: for each module alone and all three at once, in each way the builder
// stores them, the reopened image shows exactly the state the editor had before the save, every
// file that was not rebuilt keeps its bytes, and the image is sound to our verification and to
// UEFIExtract (Debian uefitool-cli), which decodes each rebuilt module to the sections of the
// module data the editor saved. And the import round trip through kalvire-cli edit: an image
// edited in every way and saved, and a pristine copy that imports the first one's full track
// log and is saved too, are the same bytes.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>
#include <sstream>

#include "cli/cli.h"
#include "rom/ffs_file.h"
#include "rom/section.h"
#include "rom/verify.h"
#include "save_fixture.h"
#include "support/test_data.h"
#include "util/le.h"

namespace kalvire::rom::test {
namespace {

namespace fs = std::filesystem;
using tools::ModuleStorage;

enum Modules { kAmiTse = 1, kSetup = 2, kDmi = 4, kAll = 7 };

struct Case {
  ModuleStorage storage;
  bool nested;
  bool vendor;
  int modules;
};

std::string CaseName(const testing::TestParamInfo<Case>& info) {
  static const char* const kStorage[] = {"Plain", "Stored", "Efi", "Tiano", "Lzma"};
  static const char* const kModules[] = {"", "AmiTse", "Setup", "", "Dmi", "", "", "All"};
  const Case& c = info.param;
  return std::string(kModules[c.modules]) + kStorage[int(c.storage)] + (c.nested ? "Nested" : "") +
         (c.vendor ? "VendorLayout" : "");
}

// All three modules in every storage form; each alone, which must leave the others as they
// are, in the plain and a compressed form.
std::vector<Case> AllCases() {
  std::vector<Case> cases;
  for (const bool nested : {false, true}) {
    for (const int s : {0, 1, 2, 3, 4}) cases.push_back({ModuleStorage(s), nested, false, kAll});
    for (const ModuleStorage storage : {ModuleStorage::kPlain, ModuleStorage::kTiano}) {
      cases.push_back({storage, nested, true, kAll});
      for (const int modules : {kAmiTse, kSetup, kDmi})
        cases.push_back({storage, nested, false, modules});
    }
  }
  return cases;
}

// The bytes of every file record, by name (every name is used once in these images).
std::vector<std::pair<Guid, Bytes>> FileBytes(const RomWorkspace& ws) {
  std::vector<std::pair<Guid, Bytes>> files;
  for (const FileRecord& r : std::span(ws.m_files).first(ws.m_file_count)) {
    const auto bytes = ws.Buffer(r.file.buffer).subspan(r.file.offset, r.size);
    files.emplace_back(r.name, Bytes(bytes.begin(), bytes.end()));
  }
  return files;
}

// The bodies of file `guid`'s leaf sections as UEFIExtract decodes them (from inside
// compressed and GUID-defined sections too), in file order.
std::vector<Bytes> LeafBodies(const std::string& image, const Guid& guid, const fs::path& out) {
  std::system(("UEFIExtract '" + image + "' " + FormatGuid(guid) + " -o '" + out.string() +
               "' -m body -t FF >/dev/null 2>&1")
                  .c_str());
  std::vector<Bytes> bodies;
  for (int i = 0; fs::exists(out / ("body" + (i ? "_" + std::to_string(i) : "") + ".bin")); ++i) {
    bodies.push_back(
        ReadBytes((out / ("body" + (i ? "_" + std::to_string(i) : "") + ".bin")).string()));
  }
  return bodies;
}

// The section bodies of a run of module data; the run ends with its last section.
std::vector<Bytes> SectionBodies(std::span<const uint8_t> data) {
  std::vector<Bytes> bodies;
  for (uint64_t pos = 0; pos + kSectionHeaderSize <= data.size(); pos = Align4(pos)) {
    const uint32_t size = util::LoadLe24(data.data() + pos);
    if (size < kSectionHeaderSize || size > data.size() - pos) {
      ADD_FAILURE() << "module data does not split into sections at " << pos;
      break;
    }
    const size_t header = kSectionHeaderSize + (data[pos + 3] == 0x18 ? 16 : 0);  // freeform GUID
    bodies.emplace_back(data.begin() + pos + header, data.begin() + pos + size);
    pos += size;
  }
  return bodies;
}

class SaveRoundTrip : public testing::TestWithParam<Case> {};

TEST_P(SaveRoundTrip, TheReopenedImageShowsTheEditsAndNothingElse) {
  const Case c = GetParam();
  TempDir dir;
  const std::string input = dir.Path("in.rom"), output = dir.Path("out.rom");
  const Bytes original = SaveTestImage({c.storage, c.nested, tools::SetupLayout::kPe32, c.vendor});
  WriteBytes(input, original);
  auto session = OpenSession(input);
  ASSERT_TRUE(session);
  editor::Editor& editor = session->editor();
  const RomWorkspace& ours = editor.workspace;
  const auto bytes_before = FileBytes(ours);

  // Each edit sets its module's flag; the saved image differs from the original only in the
  // rebuilt files (and the nested volume's file holding them).
  struct Rebuilt {
    Guid name;
    const ModuleSlot& slot;
  };
  std::vector<Rebuilt> rebuilt;
  if (c.modules & kAmiTse) {
    HideQuestion(editor);
    EXPECT_TRUE(ours.m_setup_form_modified);
    rebuilt.push_back({kAmiTseFirstGuid, ours.m_amitse_module});
  }
  if (c.modules & kSetup) {
    EditSetupModule(editor, c.storage == ModuleStorage::kStored);
    EXPECT_TRUE(ours.m_setup_string_modified) << testing::PrintToString(session->Messages());
    rebuilt.push_back({kSetupModuleGuid, ours.m_setup_module});
  }
  if (c.modules & kDmi) {
    EditDmiString(*session, 1, 0, "Edited Systems Ltd.");
    EXPECT_TRUE(ours.m_dmi_modified);
    rebuilt.push_back({kDmiModuleGuid, ours.m_dmi_module});
  }
  const EditorState edited = CaptureState(editor);
  const size_t messages_before_save = session->Messages().size();
  SaveAs(*session, output);
  const std::vector<std::string> messages = session->Messages();
  ASSERT_EQ(messages.size(), messages_before_save + 1) << testing::PrintToString(messages);
  EXPECT_EQ(messages.back(), "Successfully saved the .ROM file");
  EXPECT_EQ(ReadBytes(input), original);
  EXPECT_NE(ReadBytes(output), original);

  auto reopened = OpenSession(output);
  ASSERT_TRUE(reopened);
  const EditorState after = CaptureState(reopened->editor());
  EXPECT_EQ(after.node_texts, edited.node_texts);
  EXPECT_EQ(after.Controls(), edited.Controls());
  EXPECT_EQ(after.setup_strings, edited.setup_strings);
  EXPECT_EQ(after.dmi_strings, edited.dmi_strings);
  const RomWorkspace& ws = reopened->editor().workspace;
  const auto bytes_after = FileBytes(ws);
  ASSERT_EQ(bytes_after.size(), bytes_before.size());
  for (size_t i = 0; i < bytes_after.size(); ++i) {
    SCOPED_TRACE(FormatGuid(bytes_before[i].first));
    EXPECT_EQ(bytes_after[i].first, bytes_before[i].first);
    const bool may_change = (c.nested && i == ws.m_nested.file_index) ||
                            std::any_of(rebuilt.begin(), rebuilt.end(), [&](const Rebuilt& r) {
                              return r.name == bytes_after[i].first;
                            });
    if (!may_change) EXPECT_EQ(bytes_after[i].second, bytes_before[i].second);
  }
  for (const auto& problem : VerifyImage(ReadBytes(output)).problems) {
    ADD_FAILURE() << FormatVerifyProblem(problem);
  }
  // The saved Setup and AmiTse modules are the edited ones, byte for byte.
  for (const auto* slot : {&ws.m_amitse_module, &ws.m_setup_module}) {
    const auto& mine = slot == &ws.m_amitse_module ? ours.m_amitse_module : ours.m_setup_module;
    EXPECT_TRUE(std::ranges::equal(slot->Data(), mine.Data()));
  }

  if (!kalvire::test::HaveUefiExtract()) {
    GTEST_SKIP() << "UEFIExtract (Debian uefitool-cli) is not installed: the saved image is not "
                    "checked by an independent parser";
  }
  const std::string shown = dir.Path("messages.txt");
  ASSERT_EQ(std::system(("UEFIExtract '" + output + "' report >'" + shown + "' 2>&1").c_str()), 0);
  std::istringstream report(kalvire::test::ReadTextFile(output + ".report.txt") +
                            kalvire::test::ReadTextFile(shown));
  const std::regex fault("rror|nvalid|orrupt|ismatch|failed|unaligned|greater than|not found");
  for (std::string line; std::getline(report, line);) {
    // Volumes without a volume top file are mentioned for the image as a whole.
    if (line.find("Volume Top File") == std::string::npos)
      EXPECT_FALSE(std::regex_search(line, fault)) << line;
  }
  for (const Rebuilt& module : rebuilt) {
    SCOPED_TRACE(FormatGuid(module.name));
    // The data of a module in a stored compression section begins with that section's header.
    const std::vector<Bytes> mine = SectionBodies(module.slot.Data().subspan(
        c.storage == ModuleStorage::kStored ? kCompressionHeaderSize : 0));
    const std::vector<Bytes> theirs =
        LeafBodies(output, module.name, dir.dir() / FormatGuid(module.name));
    ASSERT_FALSE(mine.empty());
    ASSERT_GE(theirs.size(), mine.size());
    // UEFIExtract also lists the sections in front of the module's (the dependency section).
    EXPECT_EQ(std::vector<Bytes>(theirs.end() - mine.size(), theirs.end()), mine);
  }
}

INSTANTIATE_TEST_SUITE_P(EveryModuleAndStorage, SaveRoundTrip, testing::ValuesIn(AllCases()),
                         CaseName);

struct CliResult {
  int exit_code;
  std::string out;
  std::string err;
};

CliResult RunEdit(std::vector<std::string> args) {
  args.insert(args.begin(), {"kalvire-cli", "edit"});
  std::vector<const char*> argv;
  for (const std::string& arg : args) argv.push_back(arg.c_str());
  std::ostringstream out, err;
  const int code = cli::RunCli(int(argv.size()), argv.data(), out, err);
  return {code, out.str(), err.str()};
}

std::string Hex(uint32_t value) {
  std::ostringstream text;
  text << std::hex << value;
  return text.str();
}

class ImportRoundTrip : public testing::TestWithParam<tools::SetupLayout> {};

TEST_P(ImportRoundTrip, AnImportedFullTrackLogSavesTheSameBytes) {
  TempDir dir;
  const std::string in = dir.Path("in.rom");
  const Bytes original = SaveTestImage({ModuleStorage::kTiano, true, GetParam()});
  WriteBytes(in, original);
  const auto session = OpenSession(in);
  ASSERT_TRUE(session);
  const EditorState state = CaptureState(session->editor());
  const auto node = [&state](const std::string& text) {
    const auto found = std::ranges::find(state.node_texts, text);
    EXPECT_NE(found, state.node_texts.end()) << text;
    return uint32_t(found - state.node_texts.begin());
  };
  uint32_t system = 0, board = 0;  // the DMI structures of types 1 and 2
  while (session->editor().dmi.current[system].type != 1) ++system;
  while (session->editor().dmi.current[board].type != 2) ++board;
  const uint32_t sata = node("SATA Mode Selection"), spin_up = node("Spin Up Device"),
                 gain = node("Energy Performance Gain"), s3 = node("S3 Video Repost"),
                 usb = node("Legacy USB Support");
  std::vector<std::string> args = {in, "-o", dir.Path("a.rom"), "--log", dir.Path("a.log")};
  for (const auto& [option, value] : std::vector<std::pair<const char*, std::string>>{
           {"--default", Hex(sata) + "=Intel RST Premium"},
           {"--access", Hex(sata) + "=User"},
           {"--default", Hex(spin_up) + "=1"},
           {"--hide", Hex(spin_up)},
           {"--default", Hex(gain) + "=8"},
           {"--string", Hex(s3) + "=Imported Text"},
           {"--delete-option", Hex(usb) + "=Auto"},
           {"--dmi", Hex(system) + ":0=Imported Maker"},
           {"--dmi", Hex(board) + ":1=Imported Board"}}) {
    args.insert(args.end(), {option, value});
  }
  const CliResult a = RunEdit(args);
  ASSERT_EQ(a.exit_code, 0) << a.err;
  EXPECT_EQ(a.err, "Successfully saved the .ROM file\n");
  EXPECT_THAT(a.out, testing::HasSubstr("    Visibility changed to Hide\n"));
  EXPECT_EQ(ReadBytes(in), original);
  const auto reopened = OpenSession(dir.Path("a.rom"));
  ASSERT_TRUE(reopened);
  const EditorState saved = CaptureState(reopened->editor());
  EXPECT_EQ(saved.Controls().at(sata), std::make_tuple(1, 2, uint64_t{1}));
  EXPECT_EQ(saved.controls.at(spin_up).visible, 0);
  EXPECT_EQ(saved.controls.at(spin_up).value, 1u);
  EXPECT_EQ(saved.controls.at(gain).value, 8u);
  EXPECT_EQ(saved.node_texts.at(s3), "Imported Text");
  EXPECT_EQ(saved.dmi_strings.at(system).at(0), "Imported Maker");
  EXPECT_EQ(saved.dmi_strings.at(board).at(1), "Imported Board");
  EXPECT_EQ(kalvire::test::ReadTextFile(dir.Path("a.log")),
            "Node No: " + Hex(sata) +
                " String: SATA Mode Selection\n"
                "    Access Level is changed from default option :1 to option :2\n"
                "    Optimal option is Changed from Default Option :0 to option :1\n"
                "Node No: " +
                Hex(spin_up) +
                " String: Spin Up Device\n"
                "    Visibility changed to Hide\n"
                "    Optimal option is Changed from Default Option :0 to option :1\n"
                "Node No: " +
                Hex(usb) +
                " String: Legacy USB Support\n"
                "    Option \"Auto\" is deleted\n"
                "Node No: " +
                Hex(s3) +
                " String: S3 Video Repost\n"
                "    BIOS String is changed to \"Imported Text\" from \"S3 Video Repost\" \n"
                "Node No: " +
                Hex(gain) +
                " String: Energy Performance Gain\n"
                "    Optimal option is Changed from Default Option :7 to option :8\n"
                "System Information (Type 1) Node: " +
                Hex(system) +
                "[0]\n"
                "      DMI String is changed  to \"Imported Maker\" from \" Kalvire Systems \"\n"
                "Baseboard or Module Information (Type 2) Node: " +
                Hex(board) +
                "[1]\n"
                "      DMI String is changed  to \"Imported Board\" from \" KV-B460M \"\n");

  const CliResult b = RunEdit({in, "-o", dir.Path("b.rom"), "--import", dir.Path("a.log")});
  ASSERT_EQ(b.exit_code, 0) << b.err;
  EXPECT_EQ(b.err, "Successfully saved the .ROM file\n");
  EXPECT_NE(ReadBytes(dir.Path("a.rom")), original);
  EXPECT_TRUE(ReadBytes(dir.Path("a.rom")) == ReadBytes(dir.Path("b.rom")));
}

INSTANTIATE_TEST_SUITE_P(BothStringLayouts, ImportRoundTrip,
                         testing::Values(tools::SetupLayout::kPe32, tools::SetupLayout::kSection));

}  // namespace
}  // namespace kalvire::rom::test
