// The files per volume that UEFIExtract (Debian uefitool-cli) lists in its report, for tests
// that compare what our walk lists with an independent parser.
#pragma once

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace kalvire::test {

// The GUIDs ("8C8CE578-8A3D-4F1C-9935-896185C32DD3") of the files of each volume, in order.
using FileLists = std::vector<std::vector<std::string>>;

inline std::string TrimBlanks(const std::string& text) {
  const auto begin = text.find_first_not_of(' ');
  if (begin == std::string::npos) return {};
  return text.substr(begin, text.find_last_not_of(' ') - begin + 1);
}

// Report rows: "Type | Subtype | Base | Size | CRC32 | - Name", the dashes giving the depth.
// Pad files are left out: the report calls every file of type 0xF0 Pad.
inline FileLists ParseReportFileLists(const std::filesystem::path& report) {
  std::ifstream in(report);
  std::string line;
  FileLists lists;
  std::vector<std::pair<size_t, size_t>> volumes;  // depth, index into lists
  while (std::getline(in, line)) {
    std::vector<std::string> columns;
    std::stringstream split(line);
    for (std::string column; std::getline(split, column, '|');) columns.push_back(column);
    if (columns.size() < 6) continue;
    const std::string type = TrimBlanks(columns[0]);
    const std::string name = TrimBlanks(columns[5]);
    const size_t depth = name.find_first_not_of('-');
    if (depth == std::string::npos || depth == 0) continue;
    while (!volumes.empty() && volumes.back().first >= depth) volumes.pop_back();
    if (type == "Volume") {
      volumes.emplace_back(depth, lists.size());
      lists.emplace_back();
    } else if (type == "File" && TrimBlanks(columns[1]) != "Pad" && !volumes.empty()) {
      lists[volumes.back().second].push_back(TrimBlanks(name.substr(depth)).substr(0, 36));
    }
  }
  return lists;
}

// Volumes in either walk's order, empty ones (non-FFS stores) left out.
inline FileLists NormalizedFileLists(FileLists lists) {
  std::erase_if(lists, [](const auto& list) { return list.empty(); });
  std::sort(lists.begin(), lists.end());
  return lists;
}

// `UEFIExtract IMAGE report` run on a copy of `image` in the folder `work` (UEFIExtract writes
// its report beside the image, and installed images are read-only), normalized; empty when
// the tool did not run or wrote no report.
inline std::optional<FileLists> UefiExtractFileLists(const std::filesystem::path& image,
                                                     const std::filesystem::path& work) {
  const std::filesystem::path copy = work / image.filename();
  std::filesystem::copy_file(image, copy, std::filesystem::copy_options::overwrite_existing);
  const std::string command = "UEFIExtract '" + copy.string() + "' report >/dev/null 2>&1";
  const bool ran = std::system(command.c_str()) == 0;
  const std::filesystem::path report = copy.string() + ".report.txt";
  std::optional<FileLists> lists;
  if (ran && std::filesystem::exists(report)) {
    lists = NormalizedFileLists(ParseReportFileLists(report));
  }
  std::filesystem::remove(copy);
  std::filesystem::remove(report);
  return lists;
}

}  // namespace kalvire::test
