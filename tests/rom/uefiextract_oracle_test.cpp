// The walk against an independent parser: for every real image at hand, the files listed per
// volume (GUID sequence, pad files left out) must equal those of `UEFIExtract IMG report`.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "rom/ffs_file.h"
#include "rom/firmware_walk.h"
#include "rom_test_support.h"
#include "support/test_data.h"

namespace kalvire::rom::test {
namespace {

namespace fs = std::filesystem;
using FileLists = std::vector<std::vector<std::string>>;

std::string Trim(const std::string& text) {
  const auto begin = text.find_first_not_of(' ');
  if (begin == std::string::npos) return {};
  return text.substr(begin, text.find_last_not_of(' ') - begin + 1);
}

std::optional<fs::path> FindUefiExtract() {
  for (const char* dir : {"/usr/bin", "/usr/local/bin"}) {
    const fs::path candidate = fs::path(dir) / "UEFIExtract";
    if (fs::exists(candidate)) return candidate;
  }
  return std::nullopt;
}

std::vector<fs::path> RealImages() {
  std::set<fs::path> unique;
  for (const char* dir :
       {"/usr/share/ovmf", "/usr/share/OVMF", "/usr/share/AAVMF", "/usr/share/qemu-efi-aarch64"}) {
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(dir, error)) {
      if (entry.path().extension() == ".fd") unique.insert(fs::canonical(entry.path()));
    }
  }
  if (const auto shared = kalvire::test::SharedImagesDir()) {
    for (const auto& entry : fs::directory_iterator(*shared)) {
      const auto ext = entry.path().extension();
      if (ext == ".bin" || ext == ".rom") unique.insert(entry.path());
    }
  }
  return {unique.begin(), unique.end()};
}

// Report rows: "Type | Subtype | Base | Size | CRC32 | - Name", the dashes giving the depth.
FileLists ParseReport(const fs::path& report) {
  std::ifstream in(report);
  std::string line;
  FileLists lists;
  std::vector<std::pair<size_t, size_t>> volumes;  // depth, index into lists
  while (std::getline(in, line)) {
    std::vector<std::string> columns;
    std::stringstream split(line);
    for (std::string column; std::getline(split, column, '|');) columns.push_back(column);
    if (columns.size() < 6) continue;
    const std::string type = Trim(columns[0]);
    const std::string name = Trim(columns[5]);
    const size_t depth = name.find_first_not_of('-');
    if (depth == std::string::npos || depth == 0) continue;
    while (!volumes.empty() && volumes.back().first >= depth) volumes.pop_back();
    if (type == "Volume") {
      volumes.emplace_back(depth, lists.size());
      lists.emplace_back();
    } else if (type == "File" && Trim(columns[1]) != "Pad" && !volumes.empty()) {
      lists[volumes.back().second].push_back(Trim(name.substr(depth)).substr(0, 36));
    }
  }
  return lists;
}

FileLists WalkedLists(const RomWorkspace& ws) {
  FileLists lists(ws.m_volume_count);
  for (uint32_t i = 0; i < ws.m_file_count; ++i) {
    const FileRecord& file = ws.m_files[i];
    // Pad files with a real name are listed by the walk; the report calls every 0xF0 file Pad.
    if (ws.Buffer(file.file.buffer)[file.file.offset + 18] == kFileTypePad) continue;
    lists[file.volume_index].push_back(FormatGuid(file.name));
  }
  return lists;
}

// Volumes in either walk's order, empty ones (non-FFS stores) left out.
FileLists Normalized(FileLists lists) {
  std::erase_if(lists, [](const auto& list) { return list.empty(); });
  std::sort(lists.begin(), lists.end());
  return lists;
}

TEST(UefiExtractOracle, WalkListsTheSameFilesPerVolumeOnEveryRealImage) {
  const auto tool = FindUefiExtract();
  if (!tool) GTEST_SKIP() << "UEFIExtract (Debian package uefitool-cli) is not installed";
  const auto images = RealImages();
  if (images.empty()) GTEST_SKIP() << "no UEFI images (packages ovmf, qemu-efi-aarch64) found";
  const fs::path work = fs::temp_directory_path() / ("kalvire_oracle_" + std::to_string(getpid()));
  fs::create_directories(work);
  for (const fs::path& image : images) {
    SCOPED_TRACE(image.string());
    const fs::path copy = work / image.filename();
    // UEFIExtract writes its report beside the image, and the installed ones are read-only.
    fs::copy_file(image, copy, fs::copy_options::overwrite_existing);
    const std::string command = tool->string() + " '" + copy.string() + "' report >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const fs::path report = copy.string() + ".report.txt";
    ASSERT_TRUE(fs::exists(report));
    const FileLists expected = Normalized(ParseReport(report));
    fs::remove(copy);

    TestEditor t;
    t.ws().m_working_image = kalvire::test::ReadFileOrFail(image);
    const int result = WalkFirmwareVolumes(*t.editor);
    const FileLists walked = Normalized(WalkedLists(t.ws()));
    if (expected.empty()) {
      EXPECT_TRUE(walked.empty());
      continue;
    }
    EXPECT_EQ(result, 1);
    EXPECT_EQ(walked, expected);
    size_t files = 0;
    for (const auto& list : walked) files += list.size();
    RecordProperty(image.filename().string(), int(files));
  }
  fs::remove_all(work);
}

}  // namespace
}  // namespace kalvire::rom::test
