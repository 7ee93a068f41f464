// diff and edit --apply: an image against its own edited save, and changes carried to another
// version of the same menu whose node numbers have shifted.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include <nlohmann/json.hpp>

#include "cli/node_number.h"
#include "support/cli_run.h"
#include "support/test_data.h"
#include "tools/edit_forms.h"
#include "tools/menu_image.h"
#include "tools/sample_image.h"

namespace kalvire::cli {
namespace {

using nlohmann::json;
using ::testing::HasSubstr;
constexpr auto Cli = &test::RunCli;

json Json(const std::vector<std::string>& args) {
  const test::CliResult run = Cli(args);
  EXPECT_EQ(run.code, kExitSuccess) << run.err;
  return json::parse(run.out, nullptr, false);
}

std::map<std::string, json> NodesByKey(const std::string& rom) {
  std::map<std::string, json> nodes;
  const json tree = Json({"tree", "--json", rom});
  for (const json& node : tree["nodes"]) nodes[node["key"]] = node;
  return nodes;
}

// One edit of each kind on distinct questions of `rom`, as edit options, with the fields the
// diff must then name for each edited node's key.
struct EveryKindEdit {
  std::vector<std::string> options;
  std::map<std::string, std::set<std::string>> fields;
};

// The longest text a setup string takes.
const std::string kLongestString = "Renamed by the test" + std::string(81, '.');

EveryKindEdit PlanEveryKind(const std::string& rom) {
  EveryKindEdit plan;
  std::map<std::string, int> texts;
  const json tree = Json({"tree", "--json", rom});
  for (const json& node : tree["nodes"]) ++texts[node["text"]];
  std::vector<const json*> questions;
  for (const json& node : tree["nodes"]) {
    const int op = node["opcode"];
    if ((op == 0x05 || op == 0x06) && node["visible"] == 1 && texts[node["text"]] == 1)
      questions.push_back(&node);
  }
  const json* one_of = nullptr;
  for (const json* node : questions) {
    if ((*node)["opcode"] != 0x05) continue;
    const json info = Json({"node", "--json", rom, FormatNodeNumber((*node)["node"])});
    if (info["options"].size() >= 3) {
      one_of = node;
      // The new default is the second option; the last one, not chosen, is deleted.
      plan.options.insert(plan.options.end(),
                          {"--default",
                           FormatNodeNumber(info["node"]) + "=" +
                               std::to_string(info["options"][1]["value"].get<uint64_t>()),
                           "--delete-option",
                           FormatNodeNumber(info["node"]) + "=" +
                               info["options"].back()["name"].get<std::string>()});
      plan.fields[(*node)["key"]] = {"value", "options"};
      if (info["value"] == info["options"][1]["value"]) plan.fields[(*node)["key"]].erase("value");
      break;
    }
  }
  EXPECT_NE(one_of, nullptr) << "no one-of with three options";
  std::vector<const json*> others;
  for (const json* node : questions)
    if (node != one_of && others.size() < 3) others.push_back(node);
  EXPECT_EQ(others.size(), 3u);
  if (!one_of || others.size() < 3) return plan;
  const auto number = [](const json* node) { return FormatNodeNumber((*node)["node"]); };
  const int level = (*others[1])["access"] == 3 ? 1 : 3;
  plan.options.insert(
      plan.options.end(),
      {"--hide", number(others[0]), "--access", number(others[1]) + "=" + std::to_string(level),
       "--string", number(others[2]) + "=" + kLongestString, "--dmi", "1:1=Board 2.0"});
  // A check box's default goes through another path of --apply than a one-of's.
  const auto check_box = std::find_if(questions.begin(), questions.end(), [&](const json* node) {
    return (*node)["opcode"] == 0x06 &&
           std::find(others.begin(), others.end(), node) == others.end();
  });
  EXPECT_NE(check_box, questions.end()) << "no check box to change the default of";
  if (check_box != questions.end()) {
    const int value = (*(*check_box))["value"] == 1 ? 0 : 1;
    plan.options.insert(plan.options.end(),
                        {"--default", number(*check_box) + "=" + std::to_string(value)});
    plan.fields[(*(*check_box))["key"]] = {"value"};
  }
  plan.fields[(*others[0])["key"]] = {"visible"};
  plan.fields[(*others[1])["key"]] = {"access"};
  plan.fields[(*others[2])["key"]] = {"prompt"};
  return plan;
}

TEST(CliDiff, ListsExactlyTheEditsOfASaveAndApplyRepeatsThem) {
  const test::TempDir dir;
  std::vector<std::string> images = {dir.Write("sample.rom", tools::BuildSampleImage())};
  if (const auto shared = test::SharedImagesDir()) {
    for (const char* name : {"h61-bios-region.bin", "p7xxdm-full-flash.rom"})
      images.push_back((*shared / name).string());
  } else {
    ADD_FAILURE() << "the shared images folder beside the repository is absent; only the "
                     "builder image was compared";
  }
  for (const std::string& stock : images) {
    SCOPED_TRACE(stock);
    const test::CliResult same = Cli({"diff", stock, stock});
    EXPECT_EQ(same.code, kExitSuccess) << same.out << same.err;
    EXPECT_EQ(same.out, "");

    const EveryKindEdit plan = PlanEveryKind(stock);
    const std::string edited = dir.Path("edited.rom"), changes = dir.Path("changes.json");
    std::vector<std::string> edit = {"edit", stock, "-o", edited, "--changes", changes};
    edit.insert(edit.end(), plan.options.begin(), plan.options.end());
    const test::CliResult saved = Cli(edit);
    ASSERT_EQ(saved.code, kExitSuccess) << saved.err;

    const test::CliResult diff = Cli({"diff", "--json", stock, edited});
    EXPECT_EQ(diff.code, kExitFailure) << diff.err;
    const json found = json::parse(diff.out, nullptr, false);
    EXPECT_EQ(found, json::parse(test::ReadTextFile(changes), nullptr, false));
    std::map<std::string, std::set<std::string>> fields;
    for (const json& node : found["nodes"]) {
      EXPECT_EQ(node["change"], "changed") << node.dump();
      fields[node["key"]] = node["fields"].get<std::set<std::string>>();
    }
    EXPECT_EQ(fields, plan.fields);
    ASSERT_EQ(found["dmi"].size(), 1u) << found["dmi"].dump();
    EXPECT_EQ(found["dmi"][0]["b"], "Board 2.0");

    const std::string applied = dir.Path("applied.rom");
    const test::CliResult apply = Cli({"edit", stock, "-o", applied, "--apply", changes});
    ASSERT_EQ(apply.code, kExitSuccess) << apply.err;
    EXPECT_EQ(Json({"tree", "--json", applied}), Json({"tree", "--json", edited}));
    EXPECT_EQ(Json({"dmi", "--json", applied}), Json({"dmi", "--json", edited}));
  }
}

// Every question gets an id of its own, the id of its prompt string, so that the keys of both
// versions name the same questions.
void NumberQuestions(tools::HiiPackageList& list) {
  for (auto& package : list.forms_packages)
    for (auto& formset : package)
      for (auto& form : formset.forms)
        for (auto& item : form.items)
          if (item.HasStoredValue()) item.question_id = uint16_t(0x100 + item.prompt);
}

uint16_t AddString(tools::HiiPackageList& list, const std::string& text) {
  list.string_packages[0].texts.push_back(text);
  return uint16_t(list.string_packages[0].texts.size());
}

TEST(CliApply, CarriesChangesToTheNextVersionOfAMenu) {
  const test::TempDir dir;
  tools::HiiPackageList first = tools::BuildEditForms();
  NumberQuestions(first);
  // The next version: its forms in the other order, a question in front of all the others, the
  // first numeric question gone and the SATA mode "RAID" renumbered.
  tools::HiiPackageList next = first;
  auto& forms = next.forms_packages[0][0].forms;
  auto& main = forms[0].items;
  main.erase(main.begin() + tools::kNumber1);
  tools::IfrItem added =
      tools::MakeItem(tools::IfrItemKind::kCheckbox, AddString(next, "New"), 1, 70);
  added.question_id = 0x7FF;
  main.insert(main.begin(), added);
  forms[1].items[0].options[2].value = 5;
  std::swap(forms[0], forms[1]);
  const std::string stock = dir.Write("v1.rom", tools::BuildMenuImage(first));
  const std::string update = dir.Write("v2.rom", tools::BuildMenuImage(next));

  const auto node = [](uint32_t item) { return FormatNodeNumber(tools::EditFormsNode(item)); };
  const std::string edited = dir.Path("v1-edited.rom"), changes = dir.Path("changes.json");
  const test::CliResult edit =
      Cli({"edit", stock, "-o", edited, "--changes", changes, "--hide", node(tools::kFastBoot),
           "--access", node(tools::kNumber1) + "=3", "--default", node(tools::kSata) + "=RAID",
           "--delete-option", node(tools::kZero) + "=Z1", "--string",
           node(tools::kOther) + "=Other 2"});
  ASSERT_EQ(edit.code, kExitSuccess) << edit.err;

  const std::string out = dir.Path("v2-edited.rom");
  const test::CliResult refused = Cli({"edit", update, "-o", out, "--apply", changes});
  EXPECT_EQ(refused.code, kExitFailure);
  EXPECT_THAT(refused.err, HasSubstr("Number 1): no node of this key in the image"));
  EXPECT_FALSE(std::filesystem::exists(out));

  const test::CliResult partial = Cli({"edit", update, "-o", out, "--apply", changes, "--partial"});
  ASSERT_EQ(partial.code, kExitSuccess) << partial.err;
  auto before = NodesByKey(update), after = NodesByKey(out), source = NodesByKey(edited);
  std::map<std::string, std::pair<json, json>> changed;
  for (const auto& [key, row] : after)
    if (row != before[key]) changed[key] = {before[key], row};
  const auto key_of = [&](const std::string& prompt) {
    for (const auto& [key, row] : source)
      if (row["text"] == prompt && row["opcode"] != 0x03) return key;
    return std::string();
  };
  EXPECT_EQ(changed.size(), 3u) << testing::PrintToString(changed);
  EXPECT_EQ(after[key_of("Fast Boot")]["visible"], 0);
  EXPECT_EQ(after[key_of("SATA Mode")]["value"], 5) << "the option chosen by name, not value";
  EXPECT_EQ(after[key_of("Other 2")]["text"], "Other 2");
  const json zero = Json({"node", "--json", out, FormatNodeNumber(after[key_of("Zero")]["node"])});
  EXPECT_THAT(zero.dump(), HasSubstr("\"Z0\"")) << zero.dump();
  EXPECT_EQ(Json({"node", "--json", out, FormatNodeNumber(after[key_of("Zero")]["node"])}), zero);
  EXPECT_NE(Cli({"diff", update, out}).out.find("Zero"), std::string::npos);
}

}  // namespace
}  // namespace kalvire::cli
