#include "editor/diff_text.h"

#include <algorithm>
#include <cstdio>

#include "dmi/dmi_parse.h"
#include "util/hex_text.h"

namespace kalvire::editor {

namespace {

std::string Quoted(const std::string& text) {
  return "\"" + text + "\"";
}

std::string OptionalNumber(const std::optional<uint64_t>& value) {
  return value ? util::HexText(*value) : "none";
}

std::string OptionsText(const setup::NodeInfo& info) {
  std::string text;
  for (const setup::NodeOption& option : info.options)
    text += (text.empty() ? "" : ", ") + option.name + "=" + std::to_string(option.value);
  return "[" + text + "]";
}

std::string FieldChange(const std::string& field, const setup::NodeInfo& a,
                        const setup::NodeInfo& b) {
  const auto number = [](const std::optional<uint8_t>& v) {
    return v ? std::to_string(*v) : std::string("none");
  };
  std::string from, to;
  if (field == "visible") {
    from = number(a.visible), to = number(b.visible);
  } else if (field == "access") {
    from = number(a.access_level), to = number(b.access_level);
  } else if (field == "value") {
    from = OptionalNumber(a.optimal_value), to = OptionalNumber(b.optimal_value);
  } else if (field == "prompt") {
    from = Quoted(a.prompt), to = Quoted(b.prompt);
  } else if (field == "help") {
    from = Quoted(a.help), to = Quoted(b.help);
  } else if (field == "options") {
    from = OptionsText(a), to = OptionsText(b);
  } else if (field == "default") {
    from = OptionalNumber(a.ifr_default), to = OptionalNumber(b.ifr_default);
  } else {
    from = OptionalNumber(a.ifr_manufacturing_default);
    to = OptionalNumber(b.ifr_manufacturing_default);
  }
  return field + " " + from + " -> " + to;
}

const NodeSide& FirstSide(const NodeDifference& node) {
  return node.a ? *node.a : *node.b;
}

std::string FileSideText(const std::optional<FileSide>& side) {
  if (!side) return "none";
  char type[8];
  std::snprintf(type, sizeof type, "0x%02X", side->type);
  return std::string("type ") + type + ", " + std::to_string(side->size) + " bytes, " +
         side->sha256.substr(0, 16);
}

}  // namespace

std::string NodeDifferencePlace(const NodeDifference& node) {
  const std::string& path = FirstSide(node).path;
  return path.empty() ? "BIOS" : path;
}

std::string NodeDifferenceText(const NodeDifference& node) {
  const NodeSide& first = FirstSide(node);
  std::string text = first.info.kind + " " + Quoted(first.info.prompt) + " (node ";
  if (!node.a || !node.b)
    return text + util::BareHexText(first.info.node) + "): only in " + (node.a ? "A" : "B");
  text +=
      util::BareHexText(node.a->info.node) + " -> " + util::BareHexText(node.b->info.node) + "): ";
  for (size_t i = 0; i < node.fields.size(); ++i)
    text += (i ? "; " : "") + FieldChange(node.fields[i], node.a->info, node.b->info);
  return text;
}

std::string DmiDifferenceText(const DmiDifference& string) {
  return std::string(dmi::DmiTypeName(string.type)) + " (type " + std::to_string(string.type) +
         ") #" + std::to_string(string.occurrence) + " string " + util::BareHexText(string.string) +
         " " + string.field + " " + (string.a ? Quoted(*string.a) : "none") + " -> " +
         (string.b ? Quoted(*string.b) : "none");
}

std::string FileDifferenceText(const FileDifference& file) {
  return file.name + (file.occurrence ? " #" + std::to_string(file.occurrence) : "") + ": " +
         (file.a && file.b ? "changed"
          : file.a         ? "only in A"
                           : "only in B") +
         ", " + FileSideText(file.a) + " -> " + FileSideText(file.b);
}

std::vector<const NodeDifference*> NodesByPlace(const ImageDiff& diff) {
  std::vector<const NodeDifference*> nodes;
  for (const NodeDifference& node : diff.nodes) nodes.push_back(&node);
  std::stable_sort(nodes.begin(), nodes.end(), [](const auto* x, const auto* y) {
    return FirstSide(*x).path < FirstSide(*y).path;
  });
  return nodes;
}

}  // namespace kalvire::editor
