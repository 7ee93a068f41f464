// A save whose module compressions run on worker threads writes exactly what the save that
// compresses one section after the other writes, and shows the same messages.
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "editor/save_image.h"
#include "rom_test_support.h"

namespace kalvire::rom::test {
namespace {

using tools::ModuleStorage;

// KALVIRE_REBUILD_WORKERS set for one save, put back as it was afterwards.
class RebuildWorkers {
 public:
  explicit RebuildWorkers(const char* count) {
    if (const char* old = std::getenv(kName)) m_old = old;
    setenv(kName, count, 1);
  }
  ~RebuildWorkers() {
    if (m_old) {
      setenv(kName, m_old->c_str(), 1);
    } else {
      unsetenv(kName);
    }
  }

 private:
  static constexpr const char* kName = "KALVIRE_REBUILD_WORKERS";
  std::optional<std::string> m_old;
};

struct Saved {
  bool saved = false;
  bool dmi_restored = false;
  Bytes image;
  std::vector<std::string> messages;
};

// Opens `image`, edits each of the three modules and saves it into memory with `workers`.
Saved EditAndSave(const std::string& path, const char* workers) {
  Saved result;
  auto session = OpenSession(path);
  if (!session) return result;
  editor::Editor& editor = session->editor();
  HideQuestion(editor);
  EditSetupModule(editor);
  EditDmiString(*session, 1, 0, "Parallel Systems Incorporated, a longer name");
  EXPECT_TRUE(editor.workspace.m_setup_form_modified && editor.workspace.m_setup_string_modified &&
              editor.workspace.m_dmi_modified)
      << testing::PrintToString(session->Messages());
  session->prompter.QueueFilePath("/nonexistent-kalvire-test/saved.rom");
  const RebuildWorkers set(workers);
  const editor::SaveOutcome outcome = editor::SaveRomImageAs(
      editor, [&](const std::string&, std::span<const uint8_t> image, std::string&) {
        result.image.assign(image.begin(), image.end());
        return true;
      });
  result.saved = outcome.saved;
  result.dmi_restored = outcome.dmi_restored;
  result.messages = session->Messages();
  return result;
}

struct Case {
  std::string name;
  std::variant<tools::ModulesImageOptions, const char*> image;  // built, or a shared image
  bool saves = true;  // false: the save is refused, the same way by both
};

class ParallelSave : public testing::TestWithParam<Case> {};

TEST_P(ParallelSave, WritesTheBytesOfTheSequentialSave) {
  TempDir dir;
  const std::string path = dir.Path("in.rom");
  if (const auto* options = std::get_if<tools::ModulesImageOptions>(&GetParam().image)) {
    WriteFileOrFail(path, tools::BuildModulesImage(*options));
  } else {
    const auto shared = kalvire::test::SharedImagesDir();
    if (!shared) GTEST_SKIP() << "the shared images folder ($KALVIRE_SHARED_DIR/images) is absent";
    WriteFileOrFail(path, ReadFileOrFail(*shared / std::get<const char*>(GetParam().image)));
  }
  const Saved sequential = EditAndSave(path, "0");
  ASSERT_EQ(sequential.saved, GetParam().saves) << testing::PrintToString(sequential.messages);
  ASSERT_EQ(sequential.image.empty(), !GetParam().saves);
  // The real images take seconds a save: one pool size is enough for them.
  const bool built = std::holds_alternative<tools::ModulesImageOptions>(GetParam().image);
  for (const char* workers : built ? std::vector{"1", "2", "4"} : std::vector{"2"}) {
    SCOPED_TRACE(testing::Message() << workers << " workers");
    const Saved parallel = EditAndSave(path, workers);
    EXPECT_EQ(parallel.saved, sequential.saved);
    EXPECT_EQ(parallel.dmi_restored, sequential.dmi_restored);
    EXPECT_EQ(parallel.messages, sequential.messages);
    EXPECT_TRUE(parallel.image == sequential.image) << "the saved images differ";
  }
}

// Every module in its own LZMA section (also inside the nested volume), in Tiano and EFI
// sections, a full volume whose rebuilt module no longer fits, and the real images.
const Case kCases[] = {
    {"LzmaGuided", tools::ModulesImageOptions{.storage = ModuleStorage::kLzmaGuided}},
    {"NestedLzmaGuided",
     tools::ModulesImageOptions{.storage = ModuleStorage::kLzmaGuided, .nested = true}},
    {"Tiano", tools::ModulesImageOptions{.storage = ModuleStorage::kTiano}},
    {"NestedEfi", tools::ModulesImageOptions{.storage = ModuleStorage::kEfi, .nested = true}},
    {"FullVolumeLzma",
     tools::ModulesImageOptions{.storage = ModuleStorage::kLzmaGuided, .full_volume = true}, false},
    {"P7xxdm", "p7xxdm-full-flash.rom"},
    {"H61", "h61-bios-region.bin"},
};
INSTANTIATE_TEST_SUITE_P(Images, ParallelSave, testing::ValuesIn(kCases),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace kalvire::rom::test
