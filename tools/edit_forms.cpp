#include "tools/edit_forms.h"

#include <cstdlib>
#include <map>
#include <sstream>
#include <vector>

namespace kalvire::tools {

const char kEditFormsLongText[] =
    "A prompt far longer than the string table keeps of it: the table cuts every text at 199 "
    "characters, so the item shows only the first part of what the string package stores for "
    "this id, and an edit must replace the whole stored string and nothing behind it.";

IfrItem MakeItem(IfrItemKind kind, uint16_t prompt, uint16_t var, uint16_t offset, uint8_t width,
                 uint64_t value) {
  IfrItem item;
  item.kind = kind;
  item.prompt = prompt;
  item.varstore_id = var;
  item.var_offset = offset;
  item.width = width;
  item.default_value = value;
  return item;
}

HiiPackageList BuildEditForms(SetupLayout layout) {
  HiiStrings s;
  s.Add("English");
  s.Add("Reserved");
  const auto options = [&s](std::vector<std::string> texts) {
    std::vector<IfrOption> out;
    for (const std::string& t : texts) out.push_back({s.Add(t), out.size()});
    return out;
  };
  std::vector<IfrItem> main = {MakeItem(IfrItemKind::kSubtitle, s.Add("System Overview")),
                               MakeItem(IfrItemKind::kText, s.Add("BIOS Vendor")),
                               MakeItem(IfrItemKind::kOneOf, s.Add("Boot Mode"), 1, 4, 2, 1),
                               MakeItem(IfrItemKind::kCheckbox, s.Add("Fast Boot"), 1, 8),
                               MakeItem(IfrItemKind::kCheckbox, s.Add("Checked"), 1, 62, 1, 1)};
  main[1].text_two = s.Add("KALVIRE");
  main[2].options = options({"Legacy", "UEFI", "Dual"});
  for (int i = 0; i < 4; ++i) {
    const uint8_t width = uint8_t(1 << i);
    main.push_back(MakeItem(IfrItemKind::kNumeric, s.Add("Number " + std::to_string(width)), 1,
                            uint16_t(16 + 8 * i), width, 10));
    main.back().minimum = 5;
    main.back().maximum = 200;
  }
  main.push_back(MakeItem(IfrItemKind::kOneOf, s.Add("Other"), 2, 2));
  main.back().options = options({"O0", "O1"});
  main.push_back(MakeItem(IfrItemKind::kOneOf, s.Add("Loose"), 1, 60, 1, 1));
  main.back().options = {{s.Add("L1"), 1}};
  main.back().scoped_options = false;
  main.push_back(MakeItem(IfrItemKind::kOneOf, s.Add("Zero"), 1, 61));
  main.back().options = options({"Z0", "Z1"});
  main.push_back(MakeItem(IfrItemKind::kText, s.Add("Info")));
  main.back().access_level = 2;
  main.push_back(MakeItem(IfrItemKind::kText, s.Add("Hidden")));
  main.back().visible = false;
  main.back().access_level = 3;
  main.push_back(MakeItem(IfrItemKind::kRef, s.Add("Advanced")));
  main.back().ref_form_id = 0x1001;

  std::vector<IfrItem> advanced = {MakeItem(IfrItemKind::kOneOf, s.Add("SATA Mode"), 1, 2),
                                   MakeItem(IfrItemKind::kText, s.Add("Fast Boot")),
                                   MakeItem(IfrItemKind::kText, s.Add(kEditFormsLongText)),
                                   MakeItem(IfrItemKind::kText, s.Add("Last Prompt")),
                                   MakeItem(IfrItemKind::kOneOf, s.Add("Mode")),
                                   MakeItem(IfrItemKind::kOneOf, s.Add("Many"), 1, 1)};
  advanced[0].options = options({"IDE", "AHCI", "RAID"});
  advanced[4].options = options({"Off", "Auto", "On", "Boost"});
  std::vector<std::string> choices;
  for (int i = 1; i <= 10; ++i) choices.push_back("Choice " + std::to_string(i));
  advanced[5].options = options(choices);
  advanced[4].defaults_between_options = advanced[5].defaults_between_options = true;

  IfrFormSet formset;
  formset.guid = GuidFromString("A04A27F4-DF00-4D42-B552-39511302113D");
  formset.title = s.Add("Main");
  formset.help = s.Add("");
  formset.varstores = {{kAmitsePkgGuid, 1, 80, "Setup"}, {kAmitsePkgGuid, 2, 8, "Custom"}};
  formset.forms = {{0x1000, formset.title, main}, {0x1001, s.Add("Advanced"), advanced}};
  HiiPackageList list;
  list.guid = layout == SetupLayout::kPe32 ? kHiiPe32ListGuid : kHiiSectionListGuid;
  list.strings_first = layout == SetupLayout::kSection;
  list.forms_packages = {{formset}};
  list.string_packages = {{"en-US", 1, s.texts()}};
  return list;
}

IfrFormSet& FormsWriter::FormSet(const std::string& title) {
  if (list.forms_packages.empty()) Package();
  list.forms_packages.back().push_back({});
  list.forms_packages.back().back().title = s.Add(title);
  return list.forms_packages.back().back();
}

void FormsWriter::Form(uint16_t id, const std::string& title) {
  list.forms_packages.back().back().forms.push_back({id, s.Add(title), {}});
}

void FormsWriter::Add(IfrItemKind kind, const std::string& prompt, uint16_t ref_form_id) {
  std::vector<IfrItem>& items = list.forms_packages.back().back().forms.back().items;
  items.push_back(MakeItem(kind, s.Add(prompt)));
  items.back().ref_form_id = ref_form_id;
}

Bytes FormsWriter::Data() {
  list.string_packages = {{"en-US", 1, s.texts()}};
  return BuildHiiPackageList(list);
}

FormsWriter FormsFromOutline(const std::string& menu) {
  using enum IfrItemKind;
  const std::map<char, IfrItemKind> kinds = {
      {'R', kRef}, {'G', kSubtitle}, {'T', kText}, {'W', kPassword}, {'D', kDate}};
  FormsWriter f;
  std::istringstream items(menu);
  for (std::string item; std::getline(items, item, '|');) {
    const size_t colon = item.find(':');
    const std::string text = item.substr(colon + 1);
    const auto id = uint16_t(std::atoi(item.substr(1, colon - 1).c_str()));
    if (item[0] == 'P') f.Package();
    if (item[0] == 'S') f.FormSet(text);
    if (item[0] == 'F') f.Form(id, text);
    if (kinds.count(item[0])) f.Add(kinds.at(item[0]), text, id);
  }
  return f;
}

}  // namespace kalvire::tools
