// HII package lists of a Setup driver: forms packages of IFR opcodes described as formsets,
// forms and items, string packages, and the list around them.
//
// Items map one to one onto the opcodes the editor turns into nodes and controls; what the
// AmiTse SPF control of an item holds (visibility, access level) is kept on the item too, so one
// description drives the forms, the SPF tables (spf_builder.h) and the defaults store.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tools/image_builder.h"

namespace kalvire::tools {

// Texts of one language, string id n at index n - 1. Add() gives equal texts one id, so
// items that share a prompt share its id, as compiled forms do.
class HiiStrings {
 public:
  uint16_t Add(std::string_view text);
  const std::vector<std::string>& texts() const { return m_texts; }

 private:
  std::vector<std::string> m_texts;
};

struct StringPackage {
  std::string language = "en-US";
  uint16_t language_name = 1;  // string id of the language's name
  std::vector<std::string> texts;
};

enum class IfrItemKind : uint8_t {
  kSubtitle,     // SUBTITLE 0x02
  kText,         // TEXT 0x03
  kRef,          // REF 0x0F
  kOneOf,        // ONE_OF 0x05 with ONE_OF_OPTION 0x09 and END
  kCheckbox,     // CHECKBOX 0x06
  kNumeric,      // NUMERIC 0x07 with DEFAULT 0x5B and END
  kPassword,     // PASSWORD 0x08
  kDate,         // DATE 0x1A
  kTime,         // TIME 0x1B
  kString,       // STRING 0x1C
  kAction,       // ACTION 0x0C
  kOrderedList,  // ORDERED_LIST 0x23 with options and END
};

struct IfrOption {
  uint16_t text = 0;
  uint64_t value = 0;
};

// Wrapping of an item in a condition scope the editor passes over.
enum class IfrCondition : uint8_t { kNone, kSuppressIfFalse, kGrayOutIfFalse };

struct IfrItem {
  IfrItemKind kind = IfrItemKind::kText;
  uint16_t prompt = 0;
  uint16_t help = 0;
  uint16_t question_id = 0;
  uint16_t varstore_id = 0;
  uint16_t var_offset = 0;
  uint8_t width = 1;  // storage width of one-of and numeric values: 1, 2, 4 or 8
  std::vector<IfrOption> options;
  bool scoped_options = true;             // false: a one-of whose options lie outside its scope
  bool defaults_between_options = false;  // a DEFAULT before every second option, as compilers
                                          // emit them
  uint64_t minimum = 0, maximum = 0, step = 0;  // numeric
  uint64_t default_value = 0;                   // one-of, checkbox, numeric
  uint16_t ref_form_id = 0;                     // REF target
  uint16_t text_two = 0;                        // TEXT
  IfrCondition condition = IfrCondition::kNone;
  // Kept in the AmiTse SPF control record of the item.
  bool visible = true;
  uint8_t access_level = 0;  // 0 Default, 1 Extended User, 2 User, 3 Supervisor

  // A question stores a value in a variable (one-of, checkbox, numeric).
  bool HasStoredValue() const;
};

struct IfrForm {
  uint16_t form_id = 0;
  uint16_t title = 0;
  std::vector<IfrItem> items;
};

struct IfrVarStore {
  Guid guid{};
  uint16_t id = 0;
  uint16_t size = 0;
  std::string name;
};

struct IfrFormSet {
  Guid guid{};
  uint16_t title = 0;
  uint16_t help = 0;
  std::vector<IfrVarStore> varstores;
  std::vector<IfrForm> forms;
};

using FormsPackage = std::vector<IfrFormSet>;

struct HiiPackageList {
  Guid guid = kHiiPe32ListGuid;
  std::vector<FormsPackage> forms_packages;
  std::vector<StringPackage> string_packages;
  // false: forms packages first (the PE32 resource layout); true: strings first (the layout of
  // a list in a section of its own).
  bool strings_first = false;
};

// One forms package (4-byte header, type 2, then the opcodes).
Bytes BuildFormsPackage(const FormsPackage& package);
// One string package (46-byte header fields, the language tag, UCS-2 string blocks, end block).
Bytes BuildStringPackage(const StringPackage& package);
// GUID, 32-bit length, the packages, the end package.
Bytes BuildHiiPackageList(const HiiPackageList& list);

// Every form of the list in the order the editor parses them (package, formset, form).
std::vector<const IfrForm*> FormsInParseOrder(const HiiPackageList& list);

}  // namespace kalvire::tools
