// A node's details and the node search, on a menu whose every field the test chose.
#include "setup/node_info.h"
#include "setup/node_search.h"
#include "setup_view.h"

namespace kalvire::setup::test {
namespace {

constexpr char kSetupGuid[] = "EC87D643-EBA4-4BB5-A1E5-3F3E36B20DA9";  // both variables'

// The edit tests' menu with question ids 0x700 + k, a help, a suppressed one-of, a grayed text.
tools::HiiPackageList Menu() {
  tools::HiiPackageList list = tools::BuildEditForms();
  uint16_t id = 0x700;
  for (tools::IfrForm& form : list.forms_packages[0][0].forms)
    for (tools::IfrItem& item : form.items) item.question_id = id++;
  auto& main = list.forms_packages[0][0].forms[0].items;
  list.string_packages[0].texts.push_back("Help of boot mode, \xDE\xC0\xD7");  // Latin-1
  main[kBootMode].help = uint16_t(list.string_packages[0].texts.size());
  main[kZero].condition = tools::IfrCondition::kSuppressIfFalse;
  main[kInfo].condition = tools::IfrCondition::kGrayOutIfFalse;
  return list;
}

TEST(DescribeNode, ReadsWhatTheBuilderLaid) {
  const tools::HiiPackageList list = Menu();
  const auto& texts = list.string_packages[0].texts;
  const std::pair<uint8_t, const char*> kinds[] = {
      {0x02, "SUBTITLE"}, {0x03, "TEXT"},     {0x0F, "REF"},
      {0x05, "ONE_OF"},   {0x06, "CHECKBOX"}, {0x07, "NUMERIC"}};  // by IfrItemKind
  auto view = OpenForms(list);
  uint32_t k = 0;
  for (const tools::IfrForm* form : tools::FormsInParseOrder(list)) {
    for (const tools::IfrItem& item : form->items) {
      const uint32_t node = NodeOf(k++);
      SCOPED_TRACE(node);
      const bool ref = item.kind == IfrItemKind::kRef;  // the builder's REF stores no variable
      NodeInfo e;
      std::tie(e.node, e.opcode, e.kind, e.prompt, e.help) =
          std::tuple(node, kinds[size_t(item.kind)].first, kinds[size_t(item.kind)].second,
                     texts[item.prompt - 1].substr(0, 199), item.help ? texts[item.help - 1] : "");
      if (item.HasStoredValue() || ref) {
        std::tie(e.question_id, e.varstore_id, e.varstore_offset) =
            std::tuple(item.question_id, item.varstore_id, ref ? 0xFFFF : item.var_offset);
        if (item.varstore_id)
          std::tie(e.varstore_name, e.varstore_guid) =
              std::pair(item.varstore_id == 1 ? "Setup" : "Custom", kSetupGuid);
      }
      std::tie(e.visible, e.access_level) = std::pair(item.visible, item.access_level);
      if (item.HasStoredValue())
        std::tie(e.width, e.ifr_default, e.optimal_value) =
            std::tuple(item.width, item.default_value, item.default_value);
      if (item.defaults_between_options) e.ifr_default = item.options[1].value;  // DEFAULT first
      if (item.kind == IfrItemKind::kCheckbox) e.ifr_manufacturing_default = 0;
      if (item.kind == IfrItemKind::kNumeric)
        std::tie(e.minimum, e.maximum, e.step) = std::tuple(item.minimum, item.maximum, item.step);
      for (const tools::IfrOption& o : item.options)
        e.options.push_back({texts[o.text - 1], o.value, o.value == item.default_value});
      if (item.condition != tools::IfrCondition::kNone)
        e.conditions = {item.kind == IfrItemKind::kOneOf ? "SuppressIf FALSE" : "GrayOutIf FALSE"};
      const NodeInfo info = DescribeNode(view->editor, node);
      EXPECT_EQ(FormatNodeInfo(info), FormatNodeInfo(e));
    }
  }
  EXPECT_THAT(FormatNodeInfo(DescribeNode(view->editor, NodeOf(kBootMode))),
              testing::IsSupersetOf({"Node: 3", "Question Id: 0x702", "Offset: 0x4, width 2 bytes",
                                     "    Legacy (0)", "  * UEFI (1)", "Default: UEFI (1)",
                                     "Access level: Default", "Optimal value: 0x1"}));
  EXPECT_THAT(FormatNodeInfo(DescribeNode(view->editor, 0)),
              ElementsAre("Kind: FORM", "Node: 0", "Prompt: Main"));
}

// The suppressed question's FALSE replaced by other expressions, the lengths around it fixed.
TEST(DescribeNode, WritesConditionExpressions) {
  const Bytes plain = tools::BuildHiiPackageList(Menu());
  const std::string_view text(reinterpret_cast<const char*>(plain.data()), plain.size());
  const size_t at = text.find("\x0A\x82\x47\x02") + 2;  // the FALSE after SUPPRESS_IF
  ASSERT_LT(at, plain.size());
  const std::pair<Bytes, std::string> cases[] = {
      {{0x12, 0x06, 0x02, 0x07, 3, 0}, "SuppressIf Setup[0x4] == 3"},
      {{0x14, 0x0A, 0x05, 0x07, 2, 0, 1, 0, 2, 0, 0x17, 0x02},
       "SuppressIf NOT (Setup[0x10] in {1, 2})"},
      {{0x46, 0x02, 0x40, 0x04, 0x09, 0x07, 0x42, 0x03, 7, 0x30, 0x02, 0x15, 0x02},
       "SuppressIf TRUE AND (Custom[0x2] != 7)"},
      {{0x12, 0x86, 0x02, 0x07, 1, 0, 0x17, 0x02, 0x29, 0x02}, "SuppressIf NOT (Setup[0x4] == 1)"},
      {{0x2B, 0x02, 0x42, 0x03, 5, 0x2F, 0x02}, "SuppressIf (GET UINT8 EQUAL)"},
      {{0x12, 0x02}, "SuppressIf Q0x0 == 0"},  // too short for its fields
      {{0x46, 0x02, 0x15, 0x02}, "SuppressIf (TRUE AND)"},
  };
  for (const auto& [expression, text] : cases) {
    SCOPED_TRACE(text);
    Bytes data = plain;
    data.insert(data.erase(data.begin() + at, data.begin() + at + 2), expression.begin(),
                expression.end());
    const int64_t growth = int64_t(expression.size()) - 2;
    util::StoreLe32(&data[16], uint32_t(util::LoadLe32(&data[16]) + growth));
    util::StoreLe24(&data[20], uint32_t(util::LoadLe24(&data[20]) + growth));
    auto view = WithSetupData(data);
    ASSERT_EQ(view->Parse(), 1);
    EXPECT_THAT(DescribeNode(view->editor, NodeOf(kZero)).conditions, ElementsAre(text));
    EXPECT_THAT(DescribeNode(view->editor, NodeOf(kInfo)).conditions,
                ElementsAre("GrayOutIf FALSE"));
  }
}

TEST(NodeSearch, FindsByEveryTextAndNumberInNodeOrder) {
  auto view = OpenForms(Menu());
  const NodeSearchIndex index(view->editor);
  const uint32_t boot = NodeOf(kBootMode), sata = NodeOf(kSata), go = NodeOf(kGoAdvanced);
  const std::pair<const char*, std::vector<uint32_t>> cases[] = {
      {"boot MODE", {boot}},        {"DUAL", {boot}}, {"help of", {boot}},
      {"0x705", {boot + 3}},        {"70e", {go}},    {"0x3E", {boot + 2}},
      {"advanced", {go, sata - 1}}, {"raid", {sata}}, {"\xFE\xE0\xD7", {boot}},
  };
  for (const auto& [text, nodes] : cases) EXPECT_EQ(index.Find(text), nodes) << text;
  for (const char* text : {"", "Nothing", "mode\nfast", "\xF7"})
    EXPECT_THAT(index.Find(text), IsEmpty());
}

}  // namespace
}  // namespace kalvire::setup::test
