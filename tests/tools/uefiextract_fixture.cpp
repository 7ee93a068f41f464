#include "uefiextract_fixture.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "support/test_data.h"
#include "util/file_io.h"
#include "util/le.h"

namespace kalvire::tools {

namespace fs = std::filesystem;

namespace {

using kalvire::test::HaveUefiExtract;
using kalvire::test::ReadTextFile;

}  // namespace

std::string GuidText(const Guid& g) {
  char text[40];
  std::snprintf(text, sizeof(text), "%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X",
                util::LoadLe32(g.data()), util::LoadLe16(g.data() + 4),
                util::LoadLe16(g.data() + 6), g[8], g[9], g[10], g[11], g[12], g[13], g[14], g[15]);
  return text;
}

void UefiExtractTest::SetUp() {
  if (!HaveUefiExtract()) GTEST_SKIP() << "UEFIExtract (Debian uefitool-cli) is not installed";
  m_dir =
      fs::temp_directory_path() / ("kalvire_tools_" + std::to_string(::getpid()) + "_" +
                                   testing::UnitTest::GetInstance()->current_test_info()->name());
  fs::remove_all(m_dir);
  fs::create_directories(m_dir);
}

void UefiExtractTest::TearDown() {
  if (!m_dir.empty()) fs::remove_all(m_dir);
}

fs::path UefiExtractTest::WriteImage(const Bytes& image) {
  const fs::path path = m_dir / "image.rom";
  std::string error;
  EXPECT_TRUE(util::WriteWholeFileAtomic(path, image, error)) << error;
  return path;
}

std::string UefiExtractTest::Report(const fs::path& image) {
  const fs::path messages = m_dir / "messages.txt";
  const std::string command =
      "UEFIExtract '" + image.string() + "' report >'" + messages.string() + "' 2>&1";
  EXPECT_EQ(std::system(command.c_str()), 0);
  m_messages = ReadTextFile(messages);
  return ReadTextFile(image.string() + ".report.txt");
}

std::vector<Bytes> UefiExtractTest::Bodies(const fs::path& image, const Guid& file) {
  const fs::path out = m_dir / ("bodies_" + GuidText(file));
  const std::string command = "UEFIExtract '" + image.string() + "' " + GuidText(file) + " -o '" +
                              out.string() + "' -m body -t FF >/dev/null 2>&1";
  std::system(command.c_str());
  std::vector<Bytes> bodies;
  for (int i = 0;; ++i) {
    const fs::path path = out / (i == 0 ? "body.bin" : "body_" + std::to_string(i) + ".bin");
    if (!fs::exists(path)) break;
    bodies.push_back(test::ReadFileOrFail(path));
  }
  return bodies;
}

std::vector<std::string> FaultLines(const std::string& text, bool whole_image) {
  std::vector<std::string> faults;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    if (!whole_image && line.find("Volume Top File") != std::string::npos) continue;
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

}  // namespace kalvire::tools
