// Open of images whose Setup, AmiTse or DMI module data is damaged inside sound LZMA: every Open
// that fails says why, in the editor's prompter and on the command line's standard error.
#include <gtest/gtest.h>

#include "editor/open_image.h"
#include "rom_test_support.h"
#include "setup/node_control.h"
#include "tools/guid.h"

namespace kalvire::rom::test {
namespace {

TEST(OpenDamagedModules, EveryFailedOpenShowsOneMessage) {
  tools::ModulesImageOptions options{.storage = tools::ModuleStorage::kLzmaGuided};
  Session clean;
  ASSERT_EQ(editor::OpenRomImageBytes(clean.editor(), tools::BuildModulesImage(options), "a.rom"),
            1);
  const RomWorkspace& ws = clean.ws();
  // The package list and SPF headers first: the places a flip is most likely to end the Open.
  const uint64_t list = ws.m_setup_packages.package_list_offset;
  const uint64_t spf = setup::FindSpfHeader(ws.m_amitse_module.Data()).value_or(0);
  const struct {
    tools::Guid file;
    uint64_t size;
    std::vector<uint64_t> offsets;
  } modules[] = {
      {tools::kSetupFileGuid, ws.m_setup_module.Data().size(), {list, list + 17, list + 20}},
      {tools::kAmiTseFileGuid, ws.m_amitse_module.Data().size(), {spf, spf + 3}},
      {tools::kDmiFileGuid, ws.m_dmi_module.Data().size(), {}},
  };
  TempDir dir;
  const std::string path = dir.Path("damaged.rom");
  int failed = 0;
  for (const auto& module : modules) {
    std::vector<uint64_t> offsets = module.offsets;
    uint64_t state = 7;  // deterministic spread: every 997th byte, then pseudo-random ones
    for (uint64_t k = 997; k < module.size && offsets.size() < 12; k += 997) offsets.push_back(k);
    while (offsets.size() < 18) {
      state = state * 6364136223846793005u + 1442695040888963407u;
      offsets.push_back((state >> 33) % module.size);
    }
    for (const uint64_t offset : offsets) {
      options.flip_file = module.file;
      options.flip_offset = offset;
      options.flip_mask = uint8_t(1u << (offset % 8));
      SCOPED_TRACE(FormatGuid(module.file) + " byte " + std::to_string(offset));
      const Bytes image = tools::BuildModulesImage(options);
      Session t;
      if (editor::OpenRomImageBytes(t.editor(), image, "damaged.rom") == 1) continue;
      ++failed;
      EXPECT_EQ(t.Messages().size(), 1u) << testing::PrintToString(t.Messages());
      WriteFileOrFail(path, image);
      const CliResult tree = RunCli({"tree", path});
      EXPECT_EQ(tree.code, 1);
      EXPECT_NE(tree.err, "");
    }
  }
  EXPECT_GT(failed, 0);
}

}  // namespace
}  // namespace kalvire::rom::test
