#include "editor/image_diff.h"

#include <algorithm>
#include <map>
#include <tuple>
#include <unordered_map>

#include "dmi/smbios_fields.h"
#include "rom/ffs_file.h"
#include "rom/known_guids.h"
#include "setup/ifr_layout.h"
#include "setup/node_key.h"
#include "setup/node_search.h"
#include "util/sha256.h"

namespace kalvire::editor {

namespace {

struct KeyedImage {
  explicit KeyedImage(Editor& editor) : keyed(setup::DescribeAllNodes(editor)) {
    for (size_t i = 0; i < keyed.keys.size(); ++i) by_key.emplace(keyed.keys[i], i);
  }
  NodeSide Side(Editor& editor, size_t i) const {
    const setup::NodeInfo& info = keyed.nodes[i];
    return {info, setup::NodePath(editor, info.node), setup::NodeStorage(info)};
  }

  setup::KeyedNodes keyed;
  std::unordered_map<std::string, size_t> by_key;
};

bool SameOptions(const setup::NodeInfo& a, const setup::NodeInfo& b) {
  return std::equal(a.options.begin(), a.options.end(), b.options.begin(), b.options.end(),
                    [](const setup::NodeOption& x, const setup::NodeOption& y) {
                      return x.name == y.name && x.value == y.value;
                    });
}

std::vector<std::string> DifferentFields(const setup::NodeInfo& a, const setup::NodeInfo& b) {
  const bool differs[] = {a.visible != b.visible,
                          a.access_level != b.access_level,
                          a.optimal_value != b.optimal_value,
                          a.prompt != b.prompt,
                          a.help != b.help,
                          !SameOptions(a, b),
                          a.ifr_default != b.ifr_default,
                          a.ifr_manufacturing_default != b.ifr_manufacturing_default};
  std::vector<std::string> fields;
  for (size_t i = 0; i < std::size(differs); ++i)
    if (differs[i]) fields.emplace_back(kNodeFields[i]);
  return fields;
}

// Where a node without a question id stands when its prompt is not compared: its form, its kind
// and its string id.
using PlaceKey = std::tuple<std::string, std::optional<uint16_t>, uint8_t, uint16_t>;

PlaceKey PlaceOf(const Editor& editor, const setup::NodeInfo& info) {
  return {info.formset_guid, info.form_id, info.opcode, editor.setup.nodes[info.node].string_id};
}

void DiffNodes(Editor& a, Editor& b, ImageDiff& diff) {
  const KeyedImage left(a), right(b);
  std::vector<bool> matched_b(right.keyed.keys.size());
  std::vector<size_t> unmatched_a;
  for (size_t i = 0; i < left.keyed.keys.size(); ++i) {
    const auto other = right.by_key.find(left.keyed.keys[i]);
    if (other == right.by_key.end()) {
      unmatched_a.push_back(i);
      continue;
    }
    matched_b[other->second] = true;
    auto fields = DifferentFields(left.keyed.nodes[i], right.keyed.nodes[other->second]);
    if (fields.empty()) continue;
    diff.nodes.push_back(
        {left.keyed.keys[i], left.Side(a, i), right.Side(b, other->second), std::move(fields)});
  }
  // A prompt edit renames a node keyed by its prompt: pair what is left by string id.
  std::map<PlaceKey, std::vector<size_t>> left_by_place;
  for (const size_t i : unmatched_a) {
    const setup::NodeInfo& info = left.keyed.nodes[i];
    if (!setup::KeyedByQuestion(info)) left_by_place[PlaceOf(a, info)].push_back(i);
  }
  std::vector<bool> matched_a(left.keyed.keys.size());
  for (size_t j = 0; j < right.keyed.keys.size(); ++j) {
    if (matched_b[j]) continue;
    const setup::NodeInfo& info = right.keyed.nodes[j];
    if (setup::KeyedByQuestion(info)) continue;
    auto place = left_by_place.find(PlaceOf(b, info));
    if (place == left_by_place.end() || place->second.empty()) continue;
    const size_t i = place->second.front();
    place->second.erase(place->second.begin());
    matched_a[i] = matched_b[j] = true;
    diff.nodes.push_back({left.keyed.keys[i], left.Side(a, i), right.Side(b, j),
                          DifferentFields(left.keyed.nodes[i], info)});
  }
  for (const size_t i : unmatched_a)
    if (!matched_a[i]) diff.nodes.push_back({left.keyed.keys[i], left.Side(a, i), {}, {}});
  for (size_t j = 0; j < right.keyed.keys.size(); ++j)
    if (!matched_b[j]) diff.nodes.push_back({right.keyed.keys[j], {}, right.Side(b, j), {}});
}

// The structures of each type, in table order.
std::map<uint32_t, std::vector<uint32_t>> StructuresByType(const dmi::DmiTables& tables) {
  std::map<uint32_t, std::vector<uint32_t>> by_type;
  const uint32_t count = std::min<uint32_t>(tables.structure_count, tables.current.size());
  for (uint32_t i = 0; i < count; ++i) by_type[tables.current[i].type].push_back(i);
  return by_type;
}

void DiffDmi(const dmi::DmiTables& a, const dmi::DmiTables& b, ImageDiff& diff) {
  const auto left = StructuresByType(a), right = StructuresByType(b);
  std::map<uint32_t, size_t> types;
  for (const auto& [type, list] : left) types[type] = std::max(types[type], list.size());
  for (const auto& [type, list] : right) types[type] = std::max(types[type], list.size());
  const auto at = [](const std::map<uint32_t, std::vector<uint32_t>>& by_type, uint32_t type,
                     size_t k) -> std::optional<uint32_t> {
    const auto list = by_type.find(type);
    if (list == by_type.end() || k >= list->second.size()) return std::nullopt;
    return list->second[k];
  };
  for (const auto& [type, count] : types) {
    for (size_t k = 0; k < count; ++k) {
      const auto sa = at(left, type, k), sb = at(right, type, k);
      const dmi::DmiStructure* da = sa ? &a.current[*sa] : nullptr;
      const dmi::DmiStructure* db = sb ? &b.current[*sb] : nullptr;
      const size_t strings = std::max(da ? da->strings.size() : 0, db ? db->strings.size() : 0);
      for (size_t s = 0; s < strings; ++s) {
        std::optional<std::string> ta, tb;
        if (da && s < da->strings.size()) ta = da->strings[s];
        if (db && s < db->strings.size()) tb = db->strings[s];
        if (ta == tb) continue;
        const dmi::DmiStructure& named = da ? *da : *db;
        diff.dmi.push_back({type, uint32_t(k), uint32_t(s),
                            dmi::DmiStringLabel(named.formatted, s + 1), sa, sb, ta, tb});
      }
    }
  }
}

// Each file by its name and its place among the files of that name.
std::map<std::pair<std::string, uint32_t>, FileSide> FileSides(const rom::RomWorkspace& ws) {
  std::map<std::pair<std::string, uint32_t>, FileSide> sides;
  std::map<std::string, uint32_t> seen;
  const uint32_t count = std::min<uint32_t>(ws.m_file_count, ws.m_files.size());
  const bool nested = ws.m_nested.buffer != rom::kWorkingImageBuffer;
  for (uint32_t i = 0; i < count; ++i) {
    const rom::FileRecord& record = ws.m_files[i];
    const std::string name = rom::FormatGuid(record.name);
    const uint32_t occurrence = seen[name]++;
    if (nested && i == ws.m_nested.file_index) continue;
    const std::span<const uint8_t> buffer = ws.Buffer(record.file.buffer);
    const uint64_t begin = record.file.offset;
    if (begin + rom::kFfsHeaderSize > buffer.size()) continue;
    const uint64_t end = std::min<uint64_t>(begin + record.size, buffer.size());
    const uint64_t data = std::min(begin + rom::kFfsHeaderSize, end);
    sides[{name, occurrence}] = {buffer[begin + rom::kFfsTypeOffset], record.size,
                                 util::Sha256Hex(buffer.subspan(data, end - data))};
  }
  return sides;
}

void DiffFiles(const rom::RomWorkspace& a, const rom::RomWorkspace& b, ImageDiff& diff) {
  const auto left = FileSides(a), right = FileSides(b);
  for (const auto& [id, side] : left) {
    const auto other = right.find(id);
    if (other == right.end()) {
      diff.files.push_back({id.first, id.second, side, {}});
    } else if (other->second.sha256 != side.sha256 || other->second.type != side.type ||
               other->second.size != side.size) {
      diff.files.push_back({id.first, id.second, side, other->second});
    }
  }
  for (const auto& [id, side] : right)
    if (!left.count(id)) diff.files.push_back({id.first, id.second, {}, side});
}

}  // namespace

ImageDiff DiffImages(Editor& a, Editor& b) {
  ImageDiff diff;
  DiffNodes(a, b, diff);
  DiffDmi(a.dmi, b.dmi, diff);
  DiffFiles(a.workspace, b.workspace, diff);
  return diff;
}

}  // namespace kalvire::editor
