// A node's details and the node search, on a menu whose every field the test chose.
#include "setup/node_info.h"
#include "setup/node_search.h"
#include "setup_view.h"

namespace kalvire::setup::test {
namespace {

constexpr char kSetupGuid[] = "EC87D643-EBA4-4BB5-A1E5-3F3E36B20DA9";

// Nodes: 0 "Main", 1 Boot Mode, 2 Fast Boot, 3 Delay, 4 REF Advanced, 5 Hidden Mode (suppressed),
// 6 Grayed, 7 "Advanced", 8 Deep Option.
tools::HiiPackageList Menu() {
  tools::HiiStrings s;
  s.Add("English");
  const auto question = [&s](IfrItemKind kind, const char* prompt, uint16_t id, uint16_t offset,
                             uint8_t width, uint64_t value) {
    tools::IfrItem item = tools::MakeItem(kind, s.Add(prompt), 1, offset, width, value);
    item.question_id = id;
    return item;
  };
  std::vector<tools::IfrItem> main = {
      question(IfrItemKind::kOneOf, "Boot Mode", 0x101, 0x1A, 2, 5),
      question(IfrItemKind::kCheckbox, "Fast Boot", 0x102, 0x20, 1, 1),
      question(IfrItemKind::kNumeric, "Delay", 0x103, 0x30, 4, 10),
      question(IfrItemKind::kRef, "Advanced", 0x104, 0, 1, 0),
      question(IfrItemKind::kOneOf, "Hidden Mode", 0x105, 0x40, 1, 1),
      tools::MakeItem(IfrItemKind::kText, s.Add("Grayed"))};
  main[0].help = s.Add("Help of boot mode");
  main[0].options = {{s.Add("Legacy"), 0}, {s.Add("UEFI"), 1}, {s.Add("Dual"), 5}};
  main[1].visible = false;
  main[1].access_level = 3;
  std::tie(main[2].minimum, main[2].maximum, main[2].step) = std::tuple(5, 200, 5);
  main[3].ref_form_id = 0x1001;
  main[4].options = {{s.Add("Off"), 0}, {s.Add("On"), 1}};
  main[4].condition = tools::IfrCondition::kSuppressIfFalse;
  main[5].condition = tools::IfrCondition::kGrayOutIfFalse;
  tools::IfrFormSet set;
  set.title = s.Add("Main");
  set.varstores = {{tools::GuidFromString(kSetupGuid), 1, 80, "Setup"}};
  set.forms = {{0x1000, set.title, main},
               {0x1001,
                s.Add("Advanced"),
                {question(IfrItemKind::kOneOf, "Deep Option", 0x1F00, 0x44, 1, 0)}}};
  set.forms[1].items[0].options = {{s.Add("Off"), 0}};
  tools::HiiPackageList list;
  list.forms_packages = {{set}};
  list.string_packages = {{"en-US", 1, s.texts()}};
  return list;
}

TEST(DescribeNode, ReadsWhatTheBuilderLaid) {
  const tools::HiiPackageList list = Menu();
  auto view = OpenForms(list);
  const auto& items = list.forms_packages[0][0].forms[0].items;
  for (uint32_t node = 1; node <= items.size(); ++node) {
    SCOPED_TRACE(node);
    const tools::IfrItem& item = items[node - 1];
    const NodeInfo info = DescribeNode(view->editor, node);
    NodeInfo expected;
    expected.node = node;
    const std::pair<uint8_t, const char*> kinds[] = {{0x05, "ONE_OF"},  {0x06, "CHECKBOX"},
                                                     {0x07, "NUMERIC"}, {0x0F, "REF"},
                                                     {0x05, "ONE_OF"},  {0x03, "TEXT"}};
    std::tie(expected.opcode, expected.kind) = kinds[node - 1];
    expected.prompt = list.string_packages[0].texts[item.prompt - 1];
    if (item.help) expected.help = list.string_packages[0].texts[item.help - 1];
    if (item.kind != IfrItemKind::kText) {
      const bool ref = item.kind == IfrItemKind::kRef;  // the builder's REF stores no variable
      expected.question_id = item.question_id;
      expected.varstore_id = ref ? 0 : item.varstore_id;
      expected.varstore_offset = ref ? 0xFFFF : item.var_offset;
      if (!ref)
        std::tie(expected.varstore_name, expected.varstore_guid) = std::pair("Setup", kSetupGuid);
    }
    expected.visible = item.visible;
    expected.access_level = item.access_level;
    if (item.HasStoredValue()) {
      expected.width = item.width;
      expected.ifr_default = expected.optimal_value = item.default_value;
      if (item.kind == IfrItemKind::kCheckbox) expected.ifr_manufacturing_default = 0;
    }
    if (item.kind == IfrItemKind::kNumeric)
      std::tie(expected.minimum, expected.maximum, expected.step) =
          std::tuple(item.minimum, item.maximum, item.step);
    for (const tools::IfrOption& option : item.options)
      expected.options.push_back(
          {list.string_packages[0].texts[option.text - 1], option.value, false, false});
    if (item.condition != tools::IfrCondition::kNone)
      expected.conditions = {node == 5 ? "SuppressIf FALSE" : "GrayOutIf FALSE"};
    EXPECT_EQ(FormatNodeInfo(info), FormatNodeInfo(expected));
    EXPECT_EQ(info.options.size(), item.options.size());
    for (size_t i = 0; i < info.options.size(); ++i)
      EXPECT_EQ(info.options[i].is_default, item.options[i].value == item.default_value);
  }
  EXPECT_THAT(FormatNodeInfo(DescribeNode(view->editor, 1)),
              ElementsAre("Kind: ONE_OF", "Node: 1", "Prompt: Boot Mode", "Help: Help of boot mode",
                          "Question Id: 0x101",
                          std::string("VarStore: Setup (id 0x1, GUID ") + kSetupGuid + ")",
                          "Offset: 0x1A, width 2 bytes", "Options:", "    Legacy (0)",
                          "    UEFI (1)", "  * Dual (5)", "Default: Dual (5)", "Visible: Yes",
                          "Access level: Default", "Optimal value: 0x5"));
  EXPECT_THAT(
      FormatNodeInfo(DescribeNode(view->editor, 2)),
      testing::IsSupersetOf({"Default: Enabled (1)", "Visible: No", "Access level: Supervisor"}));
  EXPECT_THAT(FormatNodeInfo(DescribeNode(view->editor, 0)),
              ElementsAre("Kind: FORM", "Node: 0", "Prompt: Main"));
}

// The suppressed question's FALSE replaced by other expressions, the lengths around it fixed.
TEST(DescribeNode, WritesConditionExpressions) {
  const Bytes plain = tools::BuildHiiPackageList(Menu());
  const Bytes suppress_false = {0x0A, 0x82, 0x47, 0x02};
  const size_t at =
      std::search(plain.begin(), plain.end(), suppress_false.begin(), suppress_false.end()) -
      plain.begin() + 2;
  ASSERT_LT(at, plain.size());
  const std::pair<Bytes, std::string> cases[] = {
      {{0x12, 0x06, 0x01, 0x01, 3, 0}, "SuppressIf Setup[0x1A] == 3"},
      {{0x12, 0x06, 0x77, 0x07, 3, 0}, "SuppressIf Q0x777 == 3"},
      {{0x14, 0x0A, 0x03, 0x01, 2, 0, 1, 0, 2, 0, 0x17, 0x02},
       "SuppressIf NOT (Setup[0x30] in {1, 2})"},
      {{0x46, 0x02, 0x40, 0x04, 0x02, 0x01, 0x42, 0x03, 7, 0x30, 0x02, 0x15, 0x02},
       "SuppressIf TRUE AND (Setup[0x20] != 7)"},
      {{0x2B, 0x02, 0x42, 0x03, 5, 0x2F, 0x02}, "SuppressIf (GET UINT8 EQUAL)"},
      {{0x12, 0x02}, "SuppressIf Q0x0 == 0"},  // too short for its fields
      {{0x46, 0x02, 0x15, 0x02}, "SuppressIf (TRUE AND)"},
  };
  for (const auto& [expression, text] : cases) {
    SCOPED_TRACE(text);
    Bytes data = plain;
    data.erase(data.begin() + at, data.begin() + at + 2);
    data.insert(data.begin() + at, expression.begin(), expression.end());
    const int64_t growth = int64_t(expression.size()) - 2;
    util::StoreLe32(&data[16], uint32_t(util::LoadLe32(&data[16]) + growth));
    util::StoreLe24(&data[20], uint32_t(util::LoadLe24(&data[20]) + growth));
    auto view = WithSetupData(data);
    ASSERT_EQ(view->Parse(), 1);
    EXPECT_THAT(DescribeNode(view->editor, 5).conditions, ElementsAre(text));
    EXPECT_EQ(DescribeNode(view->editor, 4).question_id, 0x104) << "the nodes after it";
  }
}

TEST(NodeSearch, FindsByEveryTextAndNumberInNodeOrder) {
  auto view = OpenForms(Menu());
  const NodeSearchIndex index(view->editor);
  const std::pair<const char*, std::vector<uint32_t>> cases[] = {
      {"boot MODE", {1}}, {"DUAL", {1}},   {"help of", {1}},     {"0x103", {3}},
      {"1f00", {8}},      {"0x30", {3}},   {"advanced", {4, 7}}, {"deep", {8}},
      {"", {}},           {"Nothing", {}}, {"mode\nfast", {}},
  };
  for (const auto& [text, nodes] : cases) EXPECT_EQ(index.Find(text), nodes) << text;
  EXPECT_EQ(NodePath(view->editor, 8), "Main > Advanced");
  EXPECT_EQ(NodePath(view->editor, 1), "Main");
  EXPECT_EQ(NodePath(view->editor, 0), "");
}

}  // namespace
}  // namespace kalvire::setup::test
