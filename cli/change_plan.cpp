#include "cli/change_plan.h"

#include <algorithm>
#include <map>
#include <unordered_map>

#include "cli/node_number.h"
#include "dmi/latin1.h"
#include "setup/ifr_layout.h"
#include "setup/node_key.h"

namespace kalvire::cli {

namespace {

const setup::NodeOption* OptionOfValue(const setup::NodeInfo& info, std::optional<uint64_t> value) {
  if (!value) return nullptr;
  for (const setup::NodeOption& option : info.options)
    if (option.value == *value) return &option;
  return nullptr;
}

const setup::NodeOption* OptionNamed(const setup::NodeInfo& info, const std::string& name) {
  for (const setup::NodeOption& option : info.options)
    if (option.name == name) return &option;
  return nullptr;
}

bool HasField(const editor::NodeDifference& change, const char* field) {
  return std::find(change.fields.begin(), change.fields.end(), field) != change.fields.end();
}

std::string Number(std::optional<uint8_t> value) {
  return value ? std::to_string(*value) : "none";
}

class Planner {
 public:
  explicit Planner(editor::Editor& target) : m_keyed(setup::DescribeAllNodes(target)) {
    for (size_t i = 0; i < m_keyed.keys.size(); ++i) m_by_key.emplace(m_keyed.keys[i], i);
  }

  void Node(const editor::NodeDifference& change) {
    const editor::NodeSide& named = change.a ? *change.a : *change.b;
    m_name = change.key + " (" +
             dmi::Latin1ToUtf8(named.path.empty() ? named.info.prompt
                                                  : named.path + " > " + named.info.prompt) +
             ")";
    if (!change.a || !change.b) {
      m_plan.notes.push_back(m_name + ": only in " + (change.a ? "the stock" : "the edited") +
                             " image; no edit adds or removes a node");
      return;
    }
    const auto found = m_by_key.find(change.key);
    if (found == m_by_key.end()) {
      Problem("no node of this key in the image");
      return;
    }
    const setup::NodeInfo& now = m_keyed.nodes[found->second];
    const setup::NodeInfo& stock = change.a->info;
    const setup::NodeInfo& edited = change.b->info;
    const std::string storage = setup::NodeStorage(now);
    if (!change.a->storage.empty() && !storage.empty() && storage != change.a->storage) {
      Problem("stored at " + storage + ", not at " + change.a->storage);
      return;
    }
    const std::string node = FormatNodeNumber(now.node);
    if (HasField(change, "visible")) {
      if (now.visible != stock.visible) {
        Problem("visible is " + Number(now.visible) + ", not the stock " + Number(stock.visible));
      } else if (edited.visible) {
        Add(*edited.visible ? EditKind::kShow : EditKind::kHide,
            *edited.visible ? "--show" : "--hide", node);
      }
    }
    if (HasField(change, "access")) {
      if (now.access_level != stock.access_level) {
        Problem("access level is " + Number(now.access_level) + ", not the stock " +
                Number(stock.access_level));
      } else if (edited.access_level) {
        Add(EditKind::kAccess, "--access", node + "=" + std::to_string(*edited.access_level));
      }
    }
    if (HasField(change, "prompt")) {
      if (now.prompt != stock.prompt) {
        Problem("the prompt is \"" + dmi::Latin1ToUtf8(now.prompt) + "\", not the stock \"" +
                dmi::Latin1ToUtf8(stock.prompt) + "\"");
      } else {
        Add(EditKind::kString, "--string", node + "=" + edited.prompt);
      }
    }
    if (HasField(change, "value")) Default(now, stock, edited, node);
    if (HasField(change, "options")) DeletedOptions(now, stock, edited, node);
    std::string others;
    for (const char* field : {"help", "default", "manufacturing_default"})
      if (HasField(change, field)) others += (others.empty() ? "" : ", ") + std::string(field);
    if (!others.empty())
      m_plan.notes.push_back(m_name + ": " + others + " differ; no edit sets them");
  }

  ChangePlan Take() { return std::move(m_plan); }

 private:
  // A one-of's choice travels by option name, a check box's or numeric's by value.
  void Default(const setup::NodeInfo& now, const setup::NodeInfo& stock,
               const setup::NodeInfo& edited, const std::string& node) {
    if (!edited.optimal_value) return;
    const setup::NodeOption* stock_option = OptionOfValue(stock, stock.optimal_value);
    const setup::NodeOption* edited_option = OptionOfValue(edited, edited.optimal_value);
    if (now.opcode == setup::kOpOneOf && stock_option && edited_option) {
      const setup::NodeOption* current = OptionOfValue(now, now.optimal_value);
      if (!current || current->name != stock_option->name) {
        Problem("the optimal default is " +
                (current ? "\"" + dmi::Latin1ToUtf8(current->name) + "\"" : std::string("none")) +
                ", not the stock \"" + dmi::Latin1ToUtf8(stock_option->name) + "\"");
        return;
      }
      const setup::NodeOption* target = OptionNamed(now, edited_option->name);
      if (!target) {
        Problem("no option \"" + dmi::Latin1ToUtf8(edited_option->name) + "\"");
        return;
      }
      Add(EditKind::kDefault, "--default", node + "=" + std::to_string(target->value));
      return;
    }
    if (now.optimal_value != stock.optimal_value) {
      Problem("the optimal default is " +
              (now.optimal_value ? std::to_string(*now.optimal_value) : std::string("none")) +
              ", not the stock " +
              (stock.optimal_value ? std::to_string(*stock.optimal_value) : std::string("none")));
      return;
    }
    Add(EditKind::kDefault, "--default", node + "=" + std::to_string(*edited.optimal_value));
  }

  void DeletedOptions(const setup::NodeInfo& now, const setup::NodeInfo& stock,
                      const setup::NodeInfo& edited, const std::string& node) {
    for (const setup::NodeOption& option : stock.options) {
      if (OptionNamed(edited, option.name)) continue;
      if (!OptionNamed(now, option.name)) {
        Problem("no option \"" + dmi::Latin1ToUtf8(option.name) + "\" to delete");
        continue;
      }
      Add(EditKind::kDeleteOption, "--delete-option", node + "=" + option.name);
    }
    for (const setup::NodeOption& option : edited.options) {
      if (!OptionNamed(stock, option.name))
        m_plan.notes.push_back(m_name + ": option \"" + dmi::Latin1ToUtf8(option.name) +
                               "\" is new; no edit adds an option");
    }
  }

  void Add(EditKind kind, const std::string& option, const std::string& value) {
    if (auto edit = ParseEdit(kind, option, value)) {
      edit->argument = "--apply " + m_name + ": " + edit->argument;
      m_plan.edits.push_back(std::move(*edit));
    }
  }
  void Problem(const std::string& reason) { m_plan.problems.push_back(m_name + ": " + reason); }

  setup::KeyedNodes m_keyed;
  std::unordered_map<std::string, size_t> m_by_key;
  ChangePlan m_plan;
  std::string m_name;
};

// The structure of each type at each place among those of its type.
std::map<std::pair<uint32_t, uint32_t>, uint32_t> DmiPlaces(const dmi::DmiTables& tables) {
  std::map<std::pair<uint32_t, uint32_t>, uint32_t> places;
  std::map<uint32_t, uint32_t> seen;
  const uint32_t count = std::min<uint32_t>(tables.structure_count, tables.current.size());
  for (uint32_t i = 0; i < count; ++i)
    places[{tables.current[i].type, seen[tables.current[i].type]++}] = i;
  return places;
}

}  // namespace

ChangePlan PlanChanges(editor::Editor& target, const editor::ImageDiff& changes) {
  Planner planner(target);
  for (const editor::NodeDifference& change : changes.nodes) planner.Node(change);
  ChangePlan plan = planner.Take();
  const auto places = DmiPlaces(target.dmi);
  for (const editor::DmiDifference& change : changes.dmi) {
    const std::string name = "DMI type " + std::to_string(change.type) + " #" +
                             std::to_string(change.occurrence) + " string " +
                             FormatNodeNumber(change.string) + " " + change.field;
    if (!change.a || !change.b) {
      plan.notes.push_back(name + ": only in one image; no edit adds or removes a string");
      continue;
    }
    const auto place = places.find({change.type, change.occurrence});
    const std::vector<std::string>* strings =
        place == places.end() ? nullptr : &target.dmi.current[place->second].strings;
    if (!strings || change.string >= strings->size()) {
      plan.problems.push_back(name + ": no such string in the image");
    } else if ((*strings)[change.string] != *change.a) {
      plan.problems.push_back(name + ": holds \"" + dmi::Latin1ToUtf8((*strings)[change.string]) +
                              "\", not the stock \"" + dmi::Latin1ToUtf8(*change.a) + "\"");
    } else if (auto edit = ParseEdit(EditKind::kDmi, "--dmi",
                                     FormatNodeNumber(place->second) + ":" +
                                         FormatNodeNumber(change.string) + "=" +
                                         dmi::Latin1ToUtf8(*change.b))) {
      edit->argument = "--apply " + name + ": " + edit->argument;
      plan.edits.push_back(std::move(*edit));
    }
  }
  return plan;
}

}  // namespace kalvire::cli
