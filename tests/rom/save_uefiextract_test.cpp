// Saved images checked by an independent parser: UEFIExtract (Debian uefitool-cli) reports no
// fault in them, and decodes every rebuilt module to the sections of the module data the editor
// saved, byte for byte (only the alignment padding between sections is not compared).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "rom/ffs_file.h"
#include "rom/save_image.h"
#include "rom/section.h"
#include "save_fixture.h"
#include "support/test_data.h"
#include "util/le.h"

namespace kalvire::rom::test {
namespace {

using kalvire::test::HaveUefiExtract;
using kalvire::test::ReadTextFile;

namespace fs = std::filesystem;
using tools::ModuleStorage;

// Lines that name a fault. The images hold a single volume without a volume top file, which
// UEFIExtract mentions for the image as a whole.
std::vector<std::string> FaultLines(const std::string& text) {
  std::vector<std::string> faults;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    if (line.find("Volume Top File") != std::string::npos) continue;
    for (const char* word : {"rror", "nvalid", "orrupt", "ismatch", "failed", "unaligned",
                             "greater than", "not found"}) {
      if (line.find(word) != std::string::npos) {
        faults.push_back(line);
        break;
      }
    }
  }
  return faults;
}

// Files UEFIExtract dumped for the leaf sections of one file: NAME.bin, NAME_1.bin, ...
std::vector<Bytes> Dumped(const fs::path& image, const Guid& guid, const char* mode,
                          const fs::path& out) {
  const std::string command = "UEFIExtract '" + image.string() + "' " + FormatGuid(guid) + " -o '" +
                              out.string() + "' -m " + mode + " -t FF >/dev/null 2>&1";
  std::system(command.c_str());
  std::vector<Bytes> dumped;
  for (int i = 0;; ++i) {
    const std::string name = std::string(mode) + (i == 0 ? "" : "_" + std::to_string(i)) + ".bin";
    if (!fs::exists(out / name)) break;
    dumped.push_back(ReadBytes((out / name).string()));
  }
  return dumped;
}

// Every leaf section of the file as UEFIExtract decodes it (from inside compressed and
// GUID-defined sections too): header and body, in file order.
std::vector<Bytes> LeafSections(const fs::path& image, const Guid& guid, const fs::path& out) {
  fs::create_directories(out);
  const std::vector<Bytes> headers = Dumped(image, guid, "header", out / "headers");
  const std::vector<Bytes> bodies = Dumped(image, guid, "body", out / "bodies");
  EXPECT_EQ(headers.size(), bodies.size());
  std::vector<Bytes> sections;
  for (size_t i = 0; i < std::min(headers.size(), bodies.size()); ++i) {
    sections.push_back(headers[i]);
    sections.back().insert(sections.back().end(), bodies[i].begin(), bodies[i].end());
  }
  return sections;
}

// The sections of a run of module data, each whole; the run ends with its last section.
std::vector<Bytes> SplitSections(std::span<const uint8_t> data) {
  std::vector<Bytes> sections;
  for (uint64_t pos = 0; pos + kSectionHeaderSize <= data.size();) {
    const uint32_t size = util::LoadLe24(data.data() + pos);
    if (size < kSectionHeaderSize || size > data.size() - pos) {
      ADD_FAILURE() << "module data does not split into sections at " << pos;
      break;
    }
    sections.emplace_back(data.begin() + pos, data.begin() + pos + size);
    pos = Align4(pos + size);
  }
  return sections;
}

struct Case {
  ModuleStorage storage;
  bool nested;
  bool vendor = false;  // pad files, aligned files and top files around the modules
};

std::string CaseName(const testing::TestParamInfo<Case>& info) {
  static const char* const kNames[] = {"Plain", "Stored", "Efi", "Tiano", "Lzma"};
  return std::string(kNames[int(info.param.storage)]) + (info.param.nested ? "Nested" : "") +
         (info.param.vendor ? "VendorLayout" : "");
}

class SavedImageInUefiExtract : public testing::TestWithParam<Case> {};

TEST_P(SavedImageInUefiExtract, ParsesWithoutFaultsAndDecodesTheRebuiltModules) {
  if (!HaveUefiExtract()) GTEST_SKIP() << "UEFIExtract (Debian uefitool-cli) is not installed";
  const Case c = GetParam();
  TempDir dir;
  const std::string input = dir.Path("in.rom");
  const std::string output = dir.Path("out.rom");
  WriteBytes(input, SaveTestImage({c.storage, c.nested, tools::SetupLayout::kPe32, c.vendor}));
  auto session = OpenSession(input);
  ASSERT_TRUE(session);
  Editor& editor = session->editor();
  HideQuestion(editor);
  if (c.storage == ModuleStorage::kStored) {
    DeleteFirstOption(*session);
  } else {
    EditQuestionText(editor);
  }
  EditDmiManufacturer(*session);
  SaveAs(*session, output);
  ASSERT_EQ(session->Messages().back(), "Successfully saved the .ROM file");

  const std::string messages = dir.Path("messages.txt");
  ASSERT_EQ(std::system(("UEFIExtract '" + output + "' report >'" + messages + "' 2>&1").c_str()),
            0);
  const std::string report = ReadTextFile(output + ".report.txt");
  EXPECT_THAT(FaultLines(report + ReadTextFile(messages)), testing::IsEmpty());

  const RomWorkspace& ws = editor.workspace;
  struct Saved {
    Guid name;
    std::span<const uint8_t> data;
  };
  const Saved saved[] = {{kAmiTseFirstGuid, ws.m_amitse_module.Data()},
                         {kSetupModuleGuid, ws.m_setup_module.Data()},
                         {kDmiModuleGuid, ws.m_dmi_module.Data()}};
  int n = 0;
  for (const Saved& module : saved) {
    SCOPED_TRACE(FormatGuid(module.name));
    // The data of a module in a stored compression section begins with that section's header;
    // the sections it holds follow.
    const bool stored = c.storage == ModuleStorage::kStored;
    const std::vector<Bytes> ours =
        SplitSections(module.data.subspan(stored ? kCompressionHeaderSize : 0));
    const std::vector<Bytes> theirs =
        LeafSections(output, module.name, dir.dir() / ("dump" + std::to_string(n++)));
    ASSERT_FALSE(ours.empty());
    ASSERT_GE(theirs.size(), ours.size());
    // UEFIExtract also lists the sections in front of the module's (the dependency section).
    EXPECT_EQ(std::vector<Bytes>(theirs.end() - ours.size(), theirs.end()), ours);
  }
}

INSTANTIATE_TEST_SUITE_P(
    EveryStorage, SavedImageInUefiExtract,
    testing::Values(Case{ModuleStorage::kPlain, false}, Case{ModuleStorage::kStored, false},
                    Case{ModuleStorage::kEfi, false}, Case{ModuleStorage::kTiano, false},
                    Case{ModuleStorage::kLzmaGuided, false}, Case{ModuleStorage::kTiano, true},
                    Case{ModuleStorage::kPlain, true}, Case{ModuleStorage::kPlain, false, true},
                    Case{ModuleStorage::kTiano, true, true}),
    CaseName);

}  // namespace
}  // namespace kalvire::rom::test
