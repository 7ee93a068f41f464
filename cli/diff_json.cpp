#include "cli/diff_json.h"

#include "dmi/latin1.h"

namespace kalvire::cli {

namespace {

using nlohmann::json;
using nlohmann::ordered_json;

template <typename T>
ordered_json OrNull(const std::optional<T>& value) {
  return value ? ordered_json(*value) : ordered_json(nullptr);
}

ordered_json Text(const std::string& latin1) {
  return dmi::Latin1ToUtf8(latin1);
}

ordered_json NodeSideJson(const std::optional<editor::NodeSide>& side) {
  if (!side) return nullptr;
  const setup::NodeInfo& info = side->info;
  ordered_json options = ordered_json::array();
  for (const setup::NodeOption& option : info.options)
    options.push_back({{"name", Text(option.name)}, {"value", option.value}});
  return {{"node", info.node},
          {"kind", info.kind},
          {"path", Text(side->path)},
          {"prompt", Text(info.prompt)},
          {"help", Text(info.help)},
          {"storage", side->storage},
          {"visible", OrNull(info.visible)},
          {"access", OrNull(info.access_level)},
          {"value", OrNull(info.optimal_value)},
          {"options", std::move(options)},
          {"default", OrNull(info.ifr_default)},
          {"manufacturing_default", OrNull(info.ifr_manufacturing_default)}};
}

ordered_json FileSideJson(const std::optional<editor::FileSide>& side) {
  if (!side) return nullptr;
  return {{"type", side->type}, {"size", side->size}, {"sha256", side->sha256}};
}

const char* ChangeName(bool a, bool b) {
  return a && b ? "changed" : a ? "removed" : "added";
}

// Readers of the fields DiffToJson writes; a missing or mistyped field throws json's exception,
// which DiffFromJson turns into the error.
template <typename T>
std::optional<T> Optional(const json& object, const char* name) {
  const json& value = object.at(name);
  if (value.is_null()) return std::nullopt;
  return value.get<T>();
}

std::string Latin1(const json& object, const char* name) {
  const std::string text = object.at(name).get<std::string>();
  return dmi::Utf8ToLatin1(text).value_or(text);
}

std::optional<editor::NodeSide> NodeSideFrom(const json& side) {
  if (side.is_null()) return std::nullopt;
  editor::NodeSide out;
  setup::NodeInfo& info = out.info;
  info.node = side.at("node").get<uint32_t>();
  info.kind = side.at("kind").get<std::string>();
  out.path = Latin1(side, "path");
  info.prompt = Latin1(side, "prompt");
  info.help = Latin1(side, "help");
  out.storage = side.at("storage").get<std::string>();
  info.visible = Optional<uint8_t>(side, "visible");
  info.access_level = Optional<uint8_t>(side, "access");
  info.optimal_value = Optional<uint64_t>(side, "value");
  for (const json& option : side.at("options"))
    info.options.push_back({Latin1(option, "name"), option.at("value").get<uint64_t>()});
  info.ifr_default = Optional<uint64_t>(side, "default");
  info.ifr_manufacturing_default = Optional<uint64_t>(side, "manufacturing_default");
  return out;
}

std::optional<std::string> Latin1OrNull(const json& object, const char* name) {
  if (object.at(name).is_null()) return std::nullopt;
  return Latin1(object, name);
}

}  // namespace

ordered_json DiffToJson(const editor::ImageDiff& diff, const std::string& a, const std::string& b) {
  ordered_json nodes = ordered_json::array();
  for (const editor::NodeDifference& node : diff.nodes) {
    nodes.push_back({{"key", Text(node.key)},
                     {"change", ChangeName(node.a.has_value(), node.b.has_value())},
                     {"fields", node.fields},
                     {"a", NodeSideJson(node.a)},
                     {"b", NodeSideJson(node.b)}});
  }
  ordered_json dmi = ordered_json::array();
  for (const editor::DmiDifference& string : diff.dmi) {
    dmi.push_back({{"type", string.type},
                   {"occurrence", string.occurrence},
                   {"string", string.string},
                   {"field", string.field},
                   {"structure_a", OrNull(string.structure_a)},
                   {"structure_b", OrNull(string.structure_b)},
                   {"a", string.a ? Text(*string.a) : ordered_json(nullptr)},
                   {"b", string.b ? Text(*string.b) : ordered_json(nullptr)}});
  }
  ordered_json files = ordered_json::array();
  for (const editor::FileDifference& file : diff.files) {
    files.push_back({{"name", file.name},
                     {"occurrence", file.occurrence},
                     {"change", ChangeName(file.a.has_value(), file.b.has_value())},
                     {"a", FileSideJson(file.a)},
                     {"b", FileSideJson(file.b)}});
  }
  return {{"a", a},
          {"b", b},
          {"nodes", std::move(nodes)},
          {"dmi", std::move(dmi)},
          {"files", std::move(files)}};
}

std::optional<editor::ImageDiff> DiffFromJson(const json& json, std::string& error) {
  try {
    editor::ImageDiff diff;
    for (const auto& node : json.at("nodes")) {
      editor::NodeDifference difference{Latin1(node, "key"), NodeSideFrom(node.at("a")),
                                        NodeSideFrom(node.at("b")),
                                        node.at("fields").get<std::vector<std::string>>()};
      if (!difference.a && !difference.b) {
        error = "node " + difference.key + " is in neither image";
        return std::nullopt;
      }
      diff.nodes.push_back(std::move(difference));
    }
    for (const auto& string : json.at("dmi")) {
      diff.dmi.push_back(
          {string.at("type").get<uint32_t>(), string.at("occurrence").get<uint32_t>(),
           string.at("string").get<uint32_t>(), string.at("field").get<std::string>(),
           Optional<uint32_t>(string, "structure_a"), Optional<uint32_t>(string, "structure_b"),
           Latin1OrNull(string, "a"), Latin1OrNull(string, "b")});
    }
    return diff;
  } catch (const std::exception& e) {
    error = e.what();
    return std::nullopt;
  }
}

}  // namespace kalvire::cli
