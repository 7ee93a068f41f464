// A small menu of every kind of item the setup edits work on, for the tests of those edits:
// "Main" (FormId 0x1000) with the questions and a REF to "Advanced" (0x1001), the variables
// "Setup" (id 1, 80 bytes) and "Custom" (id 2, 8 bytes). String id 2 is "Reserved".
#pragma once

#include <cstdint>
#include <string>

#include "tools/hii_builder.h"
#include "tools/module_files.h"

namespace kalvire::tools {

// A prompt longer than the editor's string table keeps (199 characters).
extern const char kEditFormsLongText[];

// The items by their place in parse order, which is also the place of their SPF control.
enum EditFormsItem : uint32_t {
  kOverview,
  kVendor,
  kBootMode,
  kFastBoot,
  kChecked,
  kNumber1,
  kNumber2,
  kNumber4,
  kNumber8,
  kOther,
  kLoose,
  kZero,
  kInfo,
  kHidden,
  kGoAdvanced,
  kSata,
  kFastBootText,
  kLong,
  kLast,
  kMode,
  kMany
};

// The editor's node number of item `k`: each form's FORM node comes before its items.
constexpr uint32_t EditFormsNode(uint32_t k) {
  return k + (k >= kSata ? 2 : 1);
}

// An item with its prompt, variable, VarOffset, width and default value.
IfrItem MakeItem(IfrItemKind kind, uint16_t prompt, uint16_t var = 0, uint16_t offset = 0,
                 uint8_t width = 1, uint64_t value = 0);

// The menu, with the list GUID (and package order) of `layout`.
HiiPackageList BuildEditForms(SetupLayout layout = SetupLayout::kPe32);

// Forms written item by item, for menus of a given shape: formsets go into the last forms
// package, forms into the last formset, items into the last form.
struct FormsWriter {
  HiiStrings s;
  HiiPackageList list;
  FormsWriter() { s.Add("English"); }
  void Package() { list.forms_packages.emplace_back(); }
  IfrFormSet& FormSet(const std::string& title);
  void Form(uint16_t id, const std::string& title);
  void Add(IfrItemKind kind, const std::string& prompt, uint16_t ref_form_id = 0);
  // The package list with the en-US strings after the forms packages.
  Bytes Data();
};

// A menu written as items "<kind><id>:<text>" joined by '|': 'P' a package, 'S' a formset, 'F'
// a form of id <id>, 'R' a REF to form <id>, 'G' a subtitle, 'T' a text, 'W' a password, 'D' a
// date.
FormsWriter FormsFromOutline(const std::string& menu);

}  // namespace kalvire::tools
